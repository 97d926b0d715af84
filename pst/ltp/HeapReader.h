// Heap-on-node reader ([MS-PST] 2.3.1): checks every page header and page map of a node's
// heap and gives its items by HID; faults are PstErrors naming the node, page and offset.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pst/PstError.h"
#include "pst/ltp/HeapFormat.h"
#include "pst/ndb/Ids.h"

namespace mailferry::pst::ltp {

class HeapReader {
 public:
  // pages: the decoded leaf blocks of the node's data tree, in order. where names the node in
  // error messages ("node 0x122"), file the PST the bytes come from.
  HeapReader(std::vector<std::vector<std::uint8_t>> pages, std::string where, std::string file);

  std::uint8_t clientSig() const { return clientSig_; }
  Hid userRoot() const { return userRoot_; }
  std::size_t pageCount() const { return pages_.size(); }
  std::span<const std::uint8_t> item(Hid hid) const;
  bool contains(Hid hid) const;

  // Throws a PstError about this heap.
  [[noreturn]] void fail(const std::string& what, std::size_t page = 0,
                         std::int64_t offset = -1) const;
  const std::string& where() const { return where_; }
  const std::string& file() const { return file_; }

 private:
  std::vector<std::vector<std::uint8_t>> pages_;
  std::vector<std::vector<std::uint16_t>> allocs_;  // rgibAlloc of each page
  std::string where_;
  std::string file_;
  std::uint8_t clientSig_ = 0;
  Hid userRoot_ = 0;
};

}  // namespace mailferry::pst::ltp
