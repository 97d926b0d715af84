// The folder command of the real email window over 100,000 files in 2,000 folders, half of
// them message files: wall time per command and the peak memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <memory>

#include "app/Forms.h"
#include "app/MailferryApplication.h"
#include "app/frmStep1.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"

namespace {

using mailferry::sources::testing::RecordingDialogs;
using mailferry::sources::testing::TempTree;

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 50;

const TempTree& bigTree() {
  static const std::unique_ptr<TempTree> tree = [] {
    auto t = std::make_unique<TempTree>();
    for (int f = 0; f < kFolders; ++f) {
      const std::string folder =
          "Store/Folder" + std::to_string(f / 100) + "/Sub" + std::to_string(f);
      for (int i = 0; i < kFilesPerFolder; ++i) {
        // Half message files, half other files the filter must skip.
        const char* ext = i % 2 == 0 ? ".eml" : ".dat";
        t->file(folder + "/{" + std::to_string(f) + "-" + std::to_string(i) + "}" + ext, "");
      }
    }
    return t;
  }();
  return *tree;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_EmailFolderCommand(benchmark::State& state) {
  const TempTree& tree = bigTree();
  for (auto _ : state) {
    state.PauseTiming();
    mailferry::app::unloadAllForms();
    RecordingDialogs dialogs;
    dialogs.browseAnswers.push_back(tree.root());
    mailferry::app::frmStep1& email = mailferry::app::theFrmStep1();
    email.show();
    state.ResumeTiming();
    email.CmdAddFolder_Click();
    state.PauseTiming();
    if (email.gridRows() != kFolders * kFilesPerFolder / 2) state.SkipWithError("wrong count");
    state.counters["listed"] = email.gridRows();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peakMegabytes();
  mailferry::app::unloadAllForms();
}
BENCHMARK(BM_EmailFolderCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  mailferry::app::MailferryApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  bigTree();
  std::fprintf(stderr, "peak after building the tree: %.1f MB\n", peakMegabytes());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
