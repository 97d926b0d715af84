// Heap-on-node writer ([MS-PST] 2.3.1): variable-size items addressed by HID, laid out the
// way Outlook does (items back to back from the page header, page map right after them).
// The heap lives in memory between writes; write() stores only the pages that changed since
// the previous write and reuses the blocks of the others.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/HeapFormat.h"
#include "pst/ndb/NodeDatabase.h"

namespace mailferry::pst::ltp {

class HeapWriter {
 public:
  explicit HeapWriter(std::uint8_t clientSig);

  // Appends an item (1..3,580 bytes) to the last page, or to a new page when it does not fit.
  Hid allocate(std::span<const std::uint8_t> bytes);
  // Changes an item's bytes. It keeps its HID when its page still has room, else it moves
  // to the end of the heap; returns the HID it has afterwards.
  Hid replace(Hid hid, std::span<const std::uint8_t> bytes);
  void free(Hid hid);
  std::span<const std::uint8_t> item(Hid hid) const;
  bool contains(Hid hid) const;

  void setUserRoot(Hid hid);
  Hid userRoot() const { return userRoot_; }
  std::uint8_t clientSig() const { return clientSig_; }

  std::size_t pageCount() const { return pages_.size(); }
  // The data bytes of all pages as write() would store them.
  std::uint64_t byteSize() const;
  // The on-disk bytes of one page (one data block).
  std::vector<std::uint8_t> pageBytes(std::size_t page) const;

  // Writes the pages that changed as blocks and returns the root of the node's data tree.
  // The result must be referenced (by a node or a subnode entry) before the next commit:
  // the blocks of unchanged pages are reused by the next write.
  Bid write(NodeDatabase& db);

 private:
  struct Page {
    std::vector<std::uint8_t> data;   // the items back to back
    std::vector<std::uint16_t> ends;  // end of item i+1 in data; a freed item has length 0
    Bid bid = 0;
    bool dirty = true;
    std::uint8_t fill = 0xFF;  // fill level at the last write (0xFF: never written)
  };

  static std::size_t serializedSize(std::size_t page, std::size_t dataSize, std::size_t count);
  // A new page at the end, with room for the items of a typical item's heap: most heaps are
  // one page of a few dozen small items, and growing from nothing took a dozen allocations.
  void addPage();
  std::size_t itemStart(const Page& p, std::size_t index) const;
  Page& pageOf(Hid hid);
  const Page& pageOf(Hid hid) const;

  std::uint8_t clientSig_;
  Hid userRoot_ = 0;
  std::vector<Page> pages_;
};

}  // namespace mailferry::pst::ltp
