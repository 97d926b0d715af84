// Folder search and source-list filling over a large generated tree: 100,000 files in
// 2,000 folders, half of them message files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "sources/SourceList.h"
#include "sources/pathLogger.h"
#include "tests/sources/MemoryWindow.h"
#include "tests/sources/RecordingDialogs.h"
#include "tests/sources/TempTree.h"

namespace mailferry::sources {
namespace {

constexpr int kTopFolders = 40;
constexpr int kSubfoldersEach = 49;  // 40 + 40 * 49 = 2,000 folders
constexpr int kFilesPerFolder = 50;  // 100,000 files

testing::TempTree* tree = nullptr;

void fillFolder(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (int i = 0; i < kFilesPerFolder; ++i) {
    const char* extension = i % 2 == 0 ? ".eml" : ".txt";
    std::ofstream(folder / ("message-" + std::to_string(i) + extension));
  }
}

void generateTree() {
  const std::filesystem::path root = tree->path("Mail");
  for (int top = 0; top < kTopFolders; ++top) {
    const auto topFolder = root / ("Folder " + std::to_string(top));
    fillFolder(topFolder);
    for (int sub = 0; sub < kSubfoldersEach; ++sub) {
      fillFolder(topFolder / ("Sub " + std::to_string(sub)));
    }
  }
}

void BM_SearchAndFilter(benchmark::State& state) {
  for (auto _ : state) {
    pathLogger logger([] {});
    logger.PathLogInit();
    logger.fullFileNamesOnly(true);
    logger.LogPath(tree->path("Mail"));
    auto files = logger.fullFileNames();
    logger.Terminate();
    int found = 0;
    for (const std::string& file : *files) found += matchesSourceExtension(WindowKind::Email, file);
    if (found != kTopFolders * (kSubfoldersEach + 1) * kFilesPerFolder / 2) {
      state.SkipWithError("wrong number of message files");
    }
    benchmark::DoNotOptimize(found);
  }
  state.counters["files"] = kTopFolders * (kSubfoldersEach + 1) * kFilesPerFolder;
}
BENCHMARK(BM_SearchAndFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FolderCommand(benchmark::State& state) {
  testing::RecordingDialogs dialogs;
  for (auto _ : state) {
    testing::MemoryWindow window(WindowKind::Email);
    dialogs.browseAnswers.push_back(tree->path("Mail"));
    CmdAddFolder_Click(window);
    benchmark::DoNotOptimize(window.gridRows());
  }
}
BENCHMARK(BM_FolderCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace mailferry::sources

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  auto owned = std::make_unique<mailferry::sources::testing::TempTree>();
  mailferry::sources::tree = owned.get();
  mailferry::sources::generateTree();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
