// Import throughput in MB/s of source on a mixed generated corpus: 70 % short mails of
// 2-10 KB, 25 % of 10-200 KB with attachments, 5 % of 1-5 MB. Once into a sink that only
// counts (the parse and conversion alone), once into a real PST through the engine.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "mime/MessageImporter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/mime/MimeCorpus.h"

namespace mailferry::mime {
namespace {

using namespace mailferry::mime::testing;

class CountingSink : public pst::MessageSink, public pst::AttachmentSink {
 public:
  void set(pst::PropTag, pst::PropValue value) override { bytes += value.size(); }
  void remove(pst::PropId) override {}
  pst::PropTag namedTag(const pst::NamedProperty&, pst::PropType type) override {
    return pst::makeTag(0x8000, type);
  }
  void addRecipient(const std::vector<std::pair<pst::PropTag, pst::PropValue>>&) override {}
  std::unique_ptr<pst::AttachmentSink> addAttachment() override {
    return std::make_unique<CountingSink>();
  }
  void appendData(std::span<const std::uint8_t> data) override { bytes += data.size(); }
  std::unique_ptr<pst::MessageSink> embeddedMessage() override {
    return std::make_unique<CountingSink>();
  }
  void close() override {}
  std::uint64_t bytes = 0;
};

std::string words(std::size_t size, std::mt19937& random) {
  static const char* kWords[] = {"import", "message",    "folder",    "Grüße",   "report",  "the",
                                 "and",    "attachment", "quarterly", "numbers", "meeting", "café"};
  std::string out;
  while (out.size() < size) {
    out += kWords[random() % 12];
    out += (random() % 12 == 0) ? "\n" : " ";
  }
  return out;
}

std::string mixedMessage(int index, std::mt19937& random) {
  const int kind = static_cast<int>(random() % 100);
  std::string head = "From: Sender " + std::to_string(index) + " <sender" + std::to_string(index) +
                     "@example.com>\nTo: a@example.org, B <b@example.org>\nSubject: Message " +
                     std::to_string(index) +
                     "\nDate: Mon, 9 Mar 2026 09:00:00 +0000\nMIME-Version: 1.0\n";
  if (kind < 70) {
    const std::size_t size = 2000 + random() % 8000;
    if (index % 2 == 0) {
      return head + "Content-Type: text/plain; charset=utf-8\n\n" + words(size, random);
    }
    return head + "Content-Type: text/html; charset=utf-8\n\n<html><body><p>" +
           words(size, random) + "</p></body></html>\n";
  }
  const std::size_t attachment = kind < 95 ? 8000 + random() % 140000 : 750000 + random() % 3000000;
  return head + "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\n" +
         words(1500, random) + "\n--b\nContent-Type: application/octet-stream; name=\"data" +
         std::to_string(index) + ".bin\"\nContent-Transfer-Encoding: base64\n\n" +
         base64(binaryBytes(attachment, static_cast<unsigned>(index))) + "--b--\n";
}

struct Corpus {
  Corpus() {
    std::mt19937 random(42);
    for (int i = 0; i < 200; ++i) {
      const auto path = folder.path() / ("m" + std::to_string(i) + ".eml");
      const std::string bytes = mixedMessage(i, random);
      writeFile(path, bytes);
      files.push_back(path);
      totalBytes += bytes.size();
    }
  }
  TempFolder folder;
  std::vector<std::filesystem::path> files;
  std::uint64_t totalBytes = 0;
};

Corpus& corpus() {
  static Corpus instance;
  return instance;
}

void BM_ImportIntoCountingSink(benchmark::State& state) {
  Corpus& c = corpus();
  for (auto _ : state) {
    for (const auto& file : c.files) {
      CountingSink sink;
      importMessageFile(file, sink);
      benchmark::DoNotOptimize(sink.bytes);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.totalBytes));
  state.counters["messages"] = static_cast<double>(c.files.size());
}
BENCHMARK(BM_ImportIntoCountingSink)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportIntoPst(benchmark::State& state) {
  Corpus& c = corpus();
  int run = 0;
  for (auto _ : state) {
    const auto path = c.folder.path() / ("bench" + std::to_string(run++) + ".pst");
    {
      auto store = pst::PstStore::create(path, u"Benchmark");
      const pst::Nid inbox = store->addFolder(store->ipmSubtree(), u"Inbox");
      for (const auto& file : c.files) {
        auto writer = store->addMessage(inbox);
        importMessageFile(file, *writer);
        writer->save();
      }
      store->close();
    }
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.totalBytes));
}
BENCHMARK(BM_ImportIntoPst)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mailferry::mime

BENCHMARK_MAIN();
