// Speed and write volume of the LTP writers: message-sized property contexts, and a contents
// table of 100,000 rows rewritten after each batch of appended rows.
#include <benchmark/benchmark.h>

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "tests/pst-ltp/TempPst.h"

namespace mailferry::pst {
namespace {

Cells rowCells(std::uint32_t i) {
  return {{0x0E060040, PropValue::time(1000000 + i)},
          {0x0E070003, PropValue::int32(static_cast<std::int32_t>(i % 5))},
          {0x0E080003, PropValue::int32(static_cast<std::int32_t>(i * 10))},
          {0x0E69000B, PropValue::boolean(i % 3 == 0)},
          {0x0037001F, PropValue::utf8("Subject of message " + std::to_string(i))},
          {0x0042001F, PropValue::utf8("Sender " + std::to_string(i % 100))}};
}

void BM_MessagePropertyContext(benchmark::State& state) {
  testing::TempPst temp;
  auto db = NodeDatabase::create(temp.path());
  PropertyContextWriter pc;
  for (PropId id = 0x3000; id < 0x3000 + 30; ++id)
    pc.set(makeTag(id, PropType::Int32), PropValue::int32(id));
  for (PropId id = 0x3100; id < 0x3100 + 10; ++id)
    pc.set(makeTag(id, PropType::Unicode), PropValue::utf8(std::string(200, 'x')));
  pc.set(0x1000001F, PropValue::utf8(std::string(static_cast<std::size_t>(state.range(0)), 'b')));
  for (auto _ : state) {
    const Nid nid = db->allocateNid(NidType::NormalMessage);
    db->putNode(nid, pc.write(*db), 0x122);
    if (db->bytesSinceCommit() > (64u << 20)) db->commit();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MessagePropertyContext)->Arg(2000)->Arg(50000)->Unit(benchmark::kMicrosecond);

// Each iteration appends state.range(0) rows to a 100,000-row table and writes it again; the
// bytes appended per rewrite are reported as a counter.
void BM_ContentsTableRewrite(benchmark::State& state) {
  testing::TempPst temp;
  auto db = NodeDatabase::create(temp.path());
  TableContextWriter table(
      {0x0E060040, 0x0E070003, 0x0E080003, 0x0E69000B, 0x0037001F, 0x0042001F});
  std::uint32_t rows = 0;
  for (; rows < 100000; ++rows) table.upsertRow(0x200004 + 32 * rows, rowCells(rows));
  const Nid nid = db->allocateNid(NidType::ContentsTable);
  db->putNode(nid, table.write(*db), 0);
  db->commit();
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    for (std::int64_t i = 0; i < state.range(0); ++i, ++rows)
      table.upsertRow(0x200004 + 32 * rows, rowCells(rows));
    db->putNode(nid, table.write(*db), 0);
    bytes += db->bytesSinceCommit();
    db->commit();
  }
  state.counters["bytesPerRewrite"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
  state.counters["rows"] = rows;
}
BENCHMARK(BM_ContentsTableRewrite)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mailferry::pst

BENCHMARK_MAIN();
