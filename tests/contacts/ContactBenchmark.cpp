// Reading many generated contact files: time per file and peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "contacts/ContactFile.h"
#include "contacts/ContactRecordWriter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/contacts/ContactXml.h"
#include "tests/contacts/RecordingSink.h"

namespace mailferry::contacts {
namespace {

using namespace testing;

constexpr int kFiles = 10000;

std::string sampleContact(int i) {
  const std::string n = std::to_string(i);
  return contactDocument(
      nameCollection("Given" + n, "Family" + n, "M", "Dr.", "Jr.") +
      collection("EmailAddressCollection",
                 emailAddress("a" + n + "@example.com") + emailAddress("b" + n + "@example.org")) +
      collection("PhoneNumberCollection", phoneNumber("555-" + n, "Voice", "Business") +
                                              phoneNumber("556-" + n, "Cellular")) +
      collection("PhysicalAddressCollection",
                 physicalAddress(n + " Main St", "Springfield", "IL", "62701", "USA", "Business")) +
      collection("UrlCollection", url("http://example.com/" + n, "Business")) +
      collection("DateCollection", date("1980-02-29T00:00:00Z", "wab:Birthday")) +
      position("Company " + n, "Editor", "Books", "B" + n) + notes("Notes for contact " + n));
}

class ContactFiles {
 public:
  ContactFiles() {
    for (int i = 0; i < kFiles; ++i) {
      paths.push_back(folder.write("contact" + std::to_string(i) + ".contact", sampleContact(i)));
    }
  }
  TempFolder folder;
  std::vector<std::filesystem::path> paths;
};

ContactFiles& files() {
  static ContactFiles instance;
  return instance;
}

void reportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ReadContactFiles(benchmark::State& state) {
  auto& all = files();
  for (auto _ : state) {
    std::size_t filled = 0;
    for (const auto& path : all.paths) filled += readContactFile(path).Email2Address.size();
    benchmark::DoNotOptimize(filled);
  }
  state.counters["files_per_s"] = benchmark::Counter(static_cast<double>(kFiles),
                                                     benchmark::Counter::kIsIterationInvariantRate);
  reportPeakMemory(state);
}
BENCHMARK(BM_ReadContactFiles)->Unit(benchmark::kMillisecond);

void BM_ReadAndMapContactFiles(benchmark::State& state) {
  auto& all = files();
  for (auto _ : state) {
    std::size_t props = 0;
    for (const auto& path : all.paths) {
      RecordingSink sink;
      writeContactRecord(readContactFile(path), sink);
      props += sink.props.size();
    }
    benchmark::DoNotOptimize(props);
  }
  reportPeakMemory(state);
}
BENCHMARK(BM_ReadAndMapContactFiles)->Unit(benchmark::kMillisecond);

// The whole road of a contact: read the file, write it into a new PST's Contacts folder.
void BM_ConvertContactFilesToPst(benchmark::State& state) {
  auto& all = files();
  int run = 0;
  for (auto _ : state) {
    const auto pstPath = all.folder.path() / ("bench" + std::to_string(run++) + ".pst");
    {
      auto store = pst::PstStore::create(pstPath, u"Contacts benchmark");
      store->validateIpmTree();
      const auto contacts = *store->defaultFolder(pst::DefaultFolder::Contacts);
      for (const auto& path : all.paths) {
        ContactRecord record = readContactFile(path);
        trimTextFields(record);
        auto item = store->addMessage(contacts);
        writeContactRecord(record, *item);
        item->save();
      }
      store->close();
    }
    state.counters["pst_MiB"] =
        static_cast<double>(std::filesystem::file_size(pstPath)) / (1024.0 * 1024.0);
    std::filesystem::remove(pstPath);
  }
  reportPeakMemory(state);
}
BENCHMARK(BM_ConvertContactFilesToPst)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace mailferry::contacts

BENCHMARK_MAIN();
