// The context readers on damaged heaps written to real files: each fault is a PstError that
// names the node and the file.
#include <gtest/gtest.h>

#include <functional>

#include "pst/PstError.h"
#include "pst/ltp/BTreeOnHeapWriter.h"
#include "pst/ltp/HeapWriter.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/ltp/TableLayout.h"
#include "tests/pst-ltp/TempPst.h"

namespace mailferry::pst {
namespace {

using namespace ltp;

struct DamagedFile {
  testing::TempPst temp;
  std::unique_ptr<NodeDatabase> db = NodeDatabase::create(temp.path());

  // Writes the node, commits, opens the file and expects the reader to fail naming the node
  // and mentioning what.
  template <typename Reader>
  void expectFault(NodeRefs refs, const std::string& what) {
    const Nid nid = db->allocateNid(NidType::NormalMessage);
    db->putNode(nid, refs, 0);
    db->commit();
    const auto ndb = NdbReader::open(temp.path());
    try {
      Reader reader(*ndb, refs, nid);
      ADD_FAILURE() << "no error for " << what;
    } catch (const PstError& e) {
      const std::string message = e.what();
      char name[32];
      std::snprintf(name, sizeof name, "node 0x%X", nid);
      EXPECT_NE(message.find(name), std::string::npos) << message;
      EXPECT_NE(message.find(what), std::string::npos) << message;
      EXPECT_EQ(e.file(), temp.path().string());
    }
  }
};

// A table heap like the writer's, with the TCINFO and row data given by the test.
NodeRefs writeTable(
    NodeDatabase& db, const TableLayout& layout,
    const std::function<void(std::vector<std::uint8_t>& tcinfo, std::vector<std::uint8_t>& rows,
                             std::vector<std::uint8_t>& index)>& damage) {
  HeapWriter heap(kClientTable);
  BTreeOnHeapWriter rowIndex(4, 4);
  rowIndex.allocateHeader(heap);
  const Hid info = heap.allocate(layout.tcinfo(0, 0));
  heap.setUserRoot(info);
  std::vector<std::uint8_t> rows(2 * layout.rowSize(), 0);
  std::vector<std::uint8_t> index;
  for (std::uint32_t i = 0; i < 2; ++i) {
    writeLe(rows, i * layout.rowSize(), 0x100 + 32 * i, 4);
    appendLe(index, 0x100 + 32 * i, 4);
    appendLe(index, i, 4);
  }
  std::vector<std::uint8_t> tcinfo = layout.tcinfo(0x20, 0);
  damage(tcinfo, rows, index);
  rowIndex.update(heap, index);
  const Hid matrix = heap.allocate(rows);
  writeLe(tcinfo, 14, matrix, 4);
  heap.replace(info, tcinfo);
  return {heap.write(db), 0};
}

TEST(ReaderFaults, TableContexts) {
  const TableLayout layout({0x0E070003, 0x0037001F});
  {
    DamagedFile f;
    f.expectFault<TableContextReader>(writeTable(*f.db, layout,
                                                 [](auto& tcinfo, auto&, auto&) {
                                                   std::swap_ranges(tcinfo.begin() + 22,
                                                                    tcinfo.begin() + 30,
                                                                    tcinfo.begin() + 30);
                                                 }),
                                      "not sorted by tag");
  }
  {
    DamagedFile f;
    f.expectFault<TableContextReader>(
        writeTable(*f.db, layout, [](auto& tcinfo, auto&, auto&) { writeLe(tcinfo, 2, 100, 2); }),
        "group ends");
  }
  {
    DamagedFile f;
    f.expectFault<TableContextReader>(
        writeTable(*f.db, layout, [](auto&, auto&, auto& index) { writeLe(index, 12, 5, 4); }),
        "past the row matrix");
  }
  {
    DamagedFile f;
    f.expectFault<TableContextReader>(
        writeTable(*f.db, layout,
                   [&](auto&, auto& rows, auto&) { writeLe(rows, layout.rowSize(), 0x999, 4); }),
        "starts with id");
  }
  {
    DamagedFile f;
    f.expectFault<TableContextReader>(
        writeTable(*f.db, layout, [](auto&, auto&, auto& index) { writeLe(index, 12, 0, 4); }),
        "two row ids");
  }
  {
    DamagedFile f;
    f.expectFault<PropertyContextReader>(writeTable(*f.db, layout, [](auto&, auto&, auto&) {}),
                                         "no property context");
  }
}

TEST(ReaderFaults, PropertyValues) {
  {
    // A multi-valued string whose second offset points past the value.
    DamagedFile f;
    PropertyContextWriter pc;
    pc.set(0x8001101F,
           PropValue(PropType::MultiUnicode, {2, 0, 0, 0, 12, 0, 0, 0, 40, 0, 0, 0, 'a', 0}));
    f.expectFault<PropertyContextReader>(pc.write(*f.db), "outside the value");
  }
  {
    // A time that is not 8 bytes long.
    DamagedFile f;
    PropertyContextWriter pc;
    pc.set(0x30070040, PropValue(PropType::SysTime, {1, 2, 3}));
    f.expectFault<PropertyContextReader>(pc.write(*f.db), "its type needs 8");
  }
  {
    // A value in a subnode the node does not have.
    DamagedFile f;
    PropertyContextWriter pc;
    pc.set(0x10000102, PropValue::binary(std::string(5000, 'x')));
    NodeRefs refs = pc.write(*f.db);
    refs.sub = 0;
    f.expectFault<PropertyContextReader>(refs, "which the node lacks");
  }
}

}  // namespace
}  // namespace mailferry::pst
