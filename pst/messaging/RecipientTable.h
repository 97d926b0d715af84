// A message's recipient table ([MS-PST] 2.4.5.2): the template's columns, one row per
// recipient numbered in the order they were added.
#pragma once

#include "pst/ltp/TableContext.h"

namespace mailferry::pst {

class RecipientTable {
 public:
  RecipientTable();
  // Fills what a recipient row needs when the caller left it out: PidTagRecipientType To,
  // PidTagObjectType mail user, PidTagDisplayType mail user, PidTagRowid.
  void add(Cells row, std::uint32_t rowVersion);
  std::size_t size() const { return table_.rowCount(); }
  NodeRefs write(NodeDatabase& db) { return table_.write(db); }

 private:
  TableContextWriter table_;
  std::uint32_t next_ = 0;
};

}  // namespace mailferry::pst
