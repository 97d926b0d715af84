// Write throughput of the node database: one plain stream, and many small blocks with
// periodic commits.
#include <benchmark/benchmark.h>

#include "pst/ndb/Format.h"
#include "pst/ndb/NodeDatabase.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

void BM_PlainStream(benchmark::State& state) {
  const std::uint64_t total = static_cast<std::uint64_t>(state.range(0)) << 20;
  const auto chunk = testing::patternBytes(1 << 20, 1);
  for (auto _ : state) {
    mailferry::testing::TempFolder dir;
    auto db = NodeDatabase::create(dir / "stream.pst");
    auto writer = db->streamData();
    for (std::uint64_t done = 0; done < total; done += chunk.size()) writer.append(chunk);
    db->putNode(0x21, {writer.finish(), 0}, 0);
    db->commit();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}
BENCHMARK(BM_PlainStream)
    ->Arg(256)
    ->Arg(1024)
    ->UseRealTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_SmallBlocks(benchmark::State& state) {
  const auto bytes = testing::patternBytes(600, 2);
  for (auto _ : state) {
    mailferry::testing::TempFolder dir;
    auto db = NodeDatabase::create(dir / "small.pst");
    for (int i = 0; i < state.range(0); ++i) {
      db->putNode(db->allocateNid(NidType::NormalMessage), {db->writeBlock(bytes), 0}, 0x122);
      if (db->bytesSinceCommit() > (16 << 20)) db->commit();
    }
    db->commit();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SmallBlocks)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mailferry::pst

BENCHMARK_MAIN();
