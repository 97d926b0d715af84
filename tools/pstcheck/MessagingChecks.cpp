// Checks of the messaging layer ([MS-PST] 2.4): the mandatory nodes, each folder against its
// hierarchy, contents and FAI tables, each contents row against its message, attachments
// against their table, and the name-to-id map's streams and buckets.
#include <algorithm>
#include <map>
#include <set>

#include "pst/KnownTags.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/EntryId.h"
#include "pst/ndb/Format.h"
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

namespace {

namespace tags = pst::tags;
using pst::NidType;
using pst::PropertyContextReader;
using pst::TableContextReader;
using pst::tagText;

Nid sibling(Nid nid, NidType type) {
  return (nid & ~Nid{0x1F}) | static_cast<Nid>(type);
}

class Messaging {
 public:
  explicit Messaging(CheckContext& c) : c_(c) {
    for (const auto& n : c.ndb->nodes()) {
      nodes_[n.nid] = n;
      if (n.parent != 0 && n.parent != n.nid) children_[n.parent].push_back(n.nid);
    }
  }

  void run() {
    c_.attempt([&] { mandatoryNodes(); });
    for (const auto& [nid, node] : nodes_)
      if (pst::nidType(nid) == NidType::NormalFolder) c_.attempt([&, nid = nid] { folder(nid); });
    c_.note("folders: " + std::to_string(c_.summary.folders) +
            " (display name, counts, subfolders flag; hierarchy rows = child folders, matching "
            "their display name, counts and subfolders; contents rows = messages, every cell equal "
            "to the message's property; content and unread counts; FAI rows = FAI messages)");
    for (const auto& [nid, node] : nodes_)
      if (pst::nidType(nid) == NidType::NormalMessage || pst::nidType(nid) == NidType::AssocMessage)
        c_.attempt([&, nid = nid, node = node] {
          message(nid, {node.data, node.sub}, c_.blockOffset(node.data), "message " + hex(nid));
        });
    c_.note("messages: " + std::to_string(c_.summary.messages) +
            " (class, flags and size present; attachment table rows matching the attachment "
            "subnodes; attachments with method, size and rendering position; recipient rows with a "
            "valid type; embedded messages likewise)");
    c_.attempt([&] { nameToIdMap(); });
  }

 private:
  const pst::NodeEntry& node(Nid nid, const std::string& why) {
    auto it = nodes_.find(nid);
    // A missing node has no place of its own: point at the root of the node B-tree.
    if (it == nodes_.end())
      c_.fail("node " + hex(nid) + " (" + why + ") is missing", c_.header.nbt.ib);
    return it->second;
  }
  std::uint64_t dataOffset(Nid nid) { return c_.blockOffset(nodes_.at(nid).data); }

  PropertyContextReader pc(Nid nid, const std::string& why) {
    const auto& n = node(nid, why);
    return PropertyContextReader(*c_.ndb, {n.data, n.sub}, nid);
  }
  TableContextReader tc(Nid nid, const std::string& why) {
    const auto& n = node(nid, why);
    return TableContextReader(*c_.ndb, {n.data, n.sub}, nid);
  }

  const pst::ReadProperty& require(const PropertyContextReader& p, pst::PropTag tag,
                                   const std::string& who, std::uint64_t at) {
    const auto* prop = p.find(pst::tagId(tag));
    if (!prop || prop->tag != tag)
      c_.fail(who + " lacks " + tagText(tag) +
                  (prop ? " (has type " + hex(prop->tag & 0xFFFF) + ")" : ""),
              at);
    return *prop;
  }
  std::int32_t int32(const PropertyContextReader& p, pst::PropTag tag, const std::string& who,
                     std::uint64_t at) {
    const auto& prop = require(p, tag, who, at);
    if (prop.bytes.size() < 4) c_.fail(who + ": " + tagText(tag) + " shorter than 4 bytes", at);
    return static_cast<std::int32_t>(pst::load32(prop.bytes.data()));
  }

  Nid entryIdNid(const PropertyContextReader& store, pst::PropTag tag, std::uint64_t at) {
    const auto& prop = require(store, tag, "message store 0x21", at);
    const auto& key = require(store, tags::kRecordKey, "message store 0x21", at);
    pst::Guid uid{};
    if (key.bytes.size() != uid.size())
      c_.fail("message store 0x21: PidTagRecordKey is not 16 bytes", at);
    std::copy(key.bytes.begin(), key.bytes.end(), uid.begin());
    const auto nid = pst::nidFromEntryId(uid, prop.bytes);
    if (!nid) c_.fail("message store 0x21: " + tagText(tag) + " is no entry id of this store", at);
    return *nid;
  }

  void emptyTemplate(Nid nid, const char* what) {
    const auto t = tc(nid, what);
    if (!t.rows().empty())
      c_.fail(std::string(what) + " " + hex(nid) + " has rows", dataOffset(nid));
  }

  void mandatoryNodes() {
    const std::uint64_t storeAt = dataOffset(node(pst::nids::kMessageStore, "message store").nid);
    const auto store = pc(pst::nids::kMessageStore, "message store");
    require(store, tags::kDisplayName, "message store 0x21", storeAt);
    const Nid ipm = entryIdNid(store, tags::kIpmSubtreeEntryId, storeAt);
    const Nid wastebasket = entryIdNid(store, tags::kIpmWastebasketEntryId, storeAt);
    const Nid finder = entryIdNid(store, tags::kFinderEntryId, storeAt);
    node(pst::nids::kNameToIdMap, "name-to-id map");
    const auto& root = node(pst::nids::kRootFolder, "root folder");
    if (root.parent != root.nid)
      c_.fail("root folder 0x122 is not its own parent (nidParent " + hex(root.parent) + ")",
              c_.nodeOffset(root.nid));
    const auto parentIs = [&](Nid nid, Nid parent, const char* what) {
      const auto& n = node(nid, what);
      if (pst::nidType(nid) != NidType::NormalFolder || n.parent != parent)
        c_.fail(std::string(what) + " " + hex(nid) + " is not a folder below " + hex(parent),
                c_.nodeOffset(nid));
    };
    parentIs(ipm, pst::nids::kRootFolder, "IPM subtree");
    parentIs(wastebasket, ipm, "Deleted Items");
    parentIs(finder, pst::nids::kRootFolder, "search root");
    node(pst::nids::kSearchManagementQueue, "search management queue");
    emptyTemplate(pst::nids::kHierarchyTableTemplate, "hierarchy table template");
    emptyTemplate(pst::nids::kContentsTableTemplate, "contents table template");
    emptyTemplate(pst::nids::kAssocContentsTableTemplate, "FAI contents table template");
    emptyTemplate(pst::nids::kSearchContentsTableTemplate, "search contents table template");
    emptyTemplate(pst::nids::kAttachmentTable, "attachment table template");
    emptyTemplate(pst::nids::kRecipientTable, "recipient table template");
    // The receive folder table, when present, must send each message class to a folder.
    if (nodes_.count(pst::nids::kReceiveFolderTable)) {
      const auto receive = tc(pst::nids::kReceiveFolderTable, "receive folder table");
      for (const auto& row : receive.rows()) {
        const auto* cell = row.find(tags::kReceiveFolderNid);
        const Nid target = cell && cell->size() >= 4 ? pst::load32(cell->data()) : 0;
        if (!nodes_.count(target) || pst::nidType(target) != NidType::NormalFolder)
          c_.fail("receive folder table row " + hex(row.rowId) + " names " + hex(target) +
                      ", which is no folder",
                  dataOffset(pst::nids::kReceiveFolderTable));
      }
    }
    c_.note(
        "mandatory nodes: store 0x21 with record key, display name and the IPM subtree, "
        "Deleted Items and search root entry ids; 0x61; root 0x122 (its own parent); IPM "
        "subtree, Deleted Items, search root in place; 0x1E1; the six empty templates; receive "
        "folder table rows naming folders");
  }

  // Every cell the row carries must equal the object's property of the same tag.
  void rowMatches(const pst::ReadRow& row, const PropertyContextReader& object,
                  const std::string& who, std::uint64_t at) {
    for (const auto& [tag, bytes] : row.cells) {
      if (tag == tags::kLtpRowId || tag == tags::kLtpRowVer) continue;
      const auto* prop = object.find(pst::tagId(tag));
      // Outlook fills the PidTagMessageStatus cell with 0 for messages that have no such
      // property (its default): every message of its own reference file shows this.
      if (!prop && tag == tags::kMessageStatus && bytes == std::vector<std::uint8_t>(4, 0))
        continue;
      if (!prop || prop->tag != tag)
        c_.fail(who + ": row cell " + tagText(tag) + " has no property on the object", at);
      if (prop->bytes != bytes)
        c_.fail(who + ": row cell " + tagText(tag) + " differs from the object's property", at);
    }
  }

  std::set<Nid> rowIds(const TableContextReader& t) {
    std::set<Nid> ids;
    for (const auto& r : t.rows()) ids.insert(r.rowId);
    return ids;
  }

  void folder(Nid nid) {
    ++c_.summary.folders;
    const std::string who = "folder " + hex(nid);
    const std::uint64_t at = dataOffset(nid);
    const auto f = pc(nid, who);
    require(f, tags::kDisplayName, who, at);
    const std::int32_t count = int32(f, tags::kContentCount, who, at);
    const std::int32_t unread = int32(f, tags::kContentUnreadCount, who, at);
    const auto& subfolders = require(f, tags::kSubfolders, who, at);

    std::set<Nid> subs, messages, fai;
    for (Nid child : children_[nid]) {
      const auto type = pst::nidType(child);
      if (type == NidType::NormalFolder || type == NidType::SearchFolder) subs.insert(child);
      if (type == NidType::NormalMessage) messages.insert(child);
      if (type == NidType::AssocMessage) fai.insert(child);
    }

    const Nid hierNid = sibling(nid, NidType::HierarchyTable);
    const auto hier = tc(hierNid, who + " hierarchy table");
    if (rowIds(hier) != subs)
      c_.fail(who + ": hierarchy table rows (" + std::to_string(hier.rows().size()) +
                  ") do not match its child folders (" + std::to_string(subs.size()) + ")",
              dataOffset(hierNid));
    if ((subfolders.bytes.empty() ? 0 : subfolders.bytes[0]) != (subs.empty() ? 0 : 1))
      c_.fail(who + ": PidTagSubfolders does not say whether it has child folders", at);
    for (const auto& row : hier.rows()) {
      const auto child = pc(row.rowId, "child folder");
      for (pst::PropTag tag : {tags::kDisplayName, tags::kContentCount, tags::kContentUnreadCount,
                               tags::kSubfolders}) {
        const auto* cell = row.find(tag);
        const auto* prop = child.find(pst::tagId(tag));
        if (cell && (!prop || prop->bytes != *cell))
          c_.fail(who + ": hierarchy row of " + hex(row.rowId) + ", cell " + tagText(tag) +
                      " differs from the child folder",
                  dataOffset(hierNid));
      }
    }

    const Nid contentsNid = sibling(nid, NidType::ContentsTable);
    const auto contents = tc(contentsNid, who + " contents table");
    if (rowIds(contents) != messages)
      c_.fail(who + ": contents table rows (" + std::to_string(contents.rows().size()) +
                  ") do not match its messages (" + std::to_string(messages.size()) + ")",
              dataOffset(contentsNid));
    if (count != static_cast<std::int32_t>(messages.size()))
      c_.fail(who + ": PidTagContentCount " + std::to_string(count) + ", but it holds " +
                  std::to_string(messages.size()) + " messages",
              at);
    std::int32_t unreadSeen = 0;
    for (const auto& row : contents.rows()) {
      const std::string m = "message " + hex(row.rowId);
      const auto msg = pc(row.rowId, m);
      if ((int32(msg, tags::kMessageFlags, m, dataOffset(row.rowId)) & tags::kMsgFlagRead) == 0)
        ++unreadSeen;
      rowMatches(row, msg, who + " contents row of " + m, dataOffset(contentsNid));
    }
    if (unread != unreadSeen)
      c_.fail(who + ": PidTagContentUnreadCount " + std::to_string(unread) + ", but " +
                  std::to_string(unreadSeen) + " messages are unread",
              at);

    const Nid faiNid = sibling(nid, NidType::AssocContentsTable);
    const auto faiTable = tc(faiNid, who + " FAI contents table");
    if (rowIds(faiTable) != fai)
      c_.fail(who + ": FAI table rows (" + std::to_string(faiTable.rows().size()) +
                  ") do not match its FAI messages (" + std::to_string(fai.size()) + ")",
              dataOffset(faiNid));
  }

  void message(Nid nid, pst::NodeRefs refs, std::uint64_t at, const std::string& who,
               int depth = 0) {
    // Embedded messages nest; the subnode walk already bounds the depth of any real file. A
    // subnode tree met twice would be checked again and again.
    if (depth > 64) c_.fail(who + ": embedded messages nest too deeply", at);
    if (depth == 0) walkedSubnodes_.clear();
    if (refs.sub != 0 && !walkedSubnodes_.insert(refs.sub).second)
      c_.fail(who + ": subnode tree " + hex(refs.sub) + " is reached twice (a loop?)", at);
    ++c_.summary.messages;
    const PropertyContextReader msg(*c_.ndb, refs, nid);
    require(msg, tags::kMessageClass, who, at);
    int32(msg, tags::kMessageFlags, who, at);
    int32(msg, tags::kMessageSize, who, at);
    const auto subs = c_.ndb->readSubnodes(refs.sub);
    std::map<Nid, pst::SubnodeEntry> byNid;
    std::set<Nid> attachments;
    for (const auto& s : subs) {
      byNid[s.nid] = s;
      if (pst::nidType(s.nid) == NidType::Attachment) attachments.insert(s.nid);
    }
    auto table = byNid.find(pst::nids::kAttachmentTable);
    std::set<Nid> rows;
    if (table != byNid.end()) {
      const TableContextReader t(*c_.ndb, {table->second.data, table->second.sub}, nid);
      for (const auto& r : t.rows()) rows.insert(r.rowId);
      for (const auto& r : t.rows()) {
        auto a = byNid.find(r.rowId);
        if (a == byNid.end()) continue;
        const std::string aw = who + " attachment " + hex(r.rowId);
        const std::uint64_t aat = c_.blockOffset(a->second.data);
        const PropertyContextReader ap(*c_.ndb, {a->second.data, a->second.sub}, r.rowId);
        const std::int32_t method = int32(ap, tags::kAttachMethod, aw, aat);
        int32(ap, tags::kAttachSize, aw, aat);
        int32(ap, tags::kRenderingPosition, aw, aat);
        rowMatches(r, ap, who + " attachment row of " + hex(r.rowId), aat);
        if (method == tags::kAttachEmbeddedMessage) {
          const auto* obj = ap.find(pst::tagId(tags::kAttachDataObject));
          if (obj && obj->tag == tags::kAttachDataObject && obj->bytes.size() >= 8) {
            const Nid inner = pst::load32(obj->bytes.data());
            const auto innerSubs = c_.ndb->readSubnodes(a->second.sub);
            auto e = std::find_if(innerSubs.begin(), innerSubs.end(),
                                  [&](const pst::SubnodeEntry& s) { return s.nid == inner; });
            if (e == innerSubs.end())
              c_.fail(aw + ": embedded message subnode " + hex(inner) + " missing", aat);
            message(inner, {e->data, e->sub}, c_.blockOffset(e->data), aw + " embedded message",
                    depth + 1);
          }
        }
      }
    }
    if (rows != attachments)
      c_.fail(who + ": attachment table rows (" + std::to_string(rows.size()) +
                  ") do not match its attachment subnodes (" + std::to_string(attachments.size()) +
                  ")",
              at);
    auto recipients = byNid.find(pst::nids::kRecipientTable);
    if (recipients != byNid.end()) {
      const TableContextReader t(*c_.ndb, {recipients->second.data, recipients->second.sub}, nid);
      for (const auto& r : t.rows()) {
        const auto* type = r.find(tags::kRecipientType);
        const std::uint32_t v = type && type->size() >= 4 ? pst::load32(type->data()) : 0;
        if ((v & 0xFF) < 1 || (v & 0xFF) > 3)
          c_.fail(who + ": recipient row " + hex(r.rowId) + " without a To/Cc/Bcc type",
                  c_.blockOffset(recipients->second.data));
      }
    }
  }

  void nameToIdMap() {
    const std::string who = "name-to-id map 0x61";
    const std::uint64_t at = dataOffset(pst::nids::kNameToIdMap);
    const auto map = pc(pst::nids::kNameToIdMap, who);
    const std::int32_t buckets = int32(map, tags::kNameidBucketCount, who, at);
    if (buckets <= 0) c_.fail(who + ": bucket count " + std::to_string(buckets), at);
    const auto stream = [&](pst::PropTag tag) -> const std::vector<std::uint8_t>& {
      return require(map, tag, who, at).bytes;
    };
    const auto& guids = stream(tags::kNameidStreamGuid);
    const auto& entries = stream(tags::kNameidStreamEntry);
    const auto& strings = stream(tags::kNameidStreamString);
    if (guids.size() % 16 != 0 || entries.size() % 8 != 0)
      c_.fail(who + ": GUID or entry stream of a size that is no whole number of records", at);

    using Record = std::tuple<std::uint32_t, std::uint16_t, std::uint16_t>;
    std::map<std::uint32_t, std::multiset<Record>> expected;
    std::set<std::uint16_t> indexes;
    for (std::size_t i = 0; i < entries.size() / 8; ++i) {
      const std::uint32_t id = pst::load32(entries.data() + 8 * i);
      const std::uint16_t wGuid = pst::load16(entries.data() + 8 * i + 4);
      const std::uint16_t index = pst::load16(entries.data() + 8 * i + 6);
      const std::string e = who + ": entry " + std::to_string(i);
      const std::size_t guid = wGuid >> 1;
      if (guid == 0 || (guid > 2 && guid - 3 >= guids.size() / 16))
        c_.fail(e + " names GUID index " + std::to_string(guid) + ", which does not exist", at);
      if (!indexes.insert(index).second) c_.fail(e + " repeats property index " + hex(index), at);
      std::uint32_t hash = id;
      if (wGuid & 1) {
        if (id % 4 != 0 || std::size_t{id} + 4 > strings.size())
          c_.fail(e + ": string offset " + hex(id) + " outside the string stream", at);
        const std::uint32_t length = pst::load32(strings.data() + id);
        if (length % 2 != 0 || std::size_t{id} + 4 + length > strings.size())
          c_.fail(e + ": string of " + std::to_string(length) + " bytes runs past the stream", at);
        hash = pst::format::computeCrc(
            std::span<const std::uint8_t>(strings).subspan(std::size_t{id} + 4, length));
      }
      expected[(hash ^ wGuid) % static_cast<std::uint32_t>(buckets)].insert({hash, wGuid, index});
    }
    for (std::int32_t b = 0; b < buckets; ++b) {
      const auto* prop = map.find(static_cast<pst::PropId>(tags::kNameidBucketBase + b));
      std::multiset<Record> seen;
      if (prop) {
        if (prop->bytes.size() % 8 != 0)
          c_.fail(who + ": bucket " + std::to_string(b) + " size", at);
        for (std::size_t i = 0; i < prop->bytes.size() / 8; ++i) {
          const auto* r = prop->bytes.data() + 8 * i;
          seen.insert({pst::load32(r), pst::load16(r + 4), pst::load16(r + 6)});
        }
      }
      if (seen != expected[static_cast<std::uint32_t>(b)])
        c_.fail(who + ": hash bucket " + std::to_string(b) + " holds " +
                    std::to_string(seen.size()) + " records, the entry stream puts " +
                    std::to_string(expected[static_cast<std::uint32_t>(b)].size()) + " there",
                at);
    }
    for (const auto& [id, where] : c_.namedIdsUsed)
      if (!indexes.count(static_cast<std::uint16_t>(id - 0x8000)))
        c_.fail("named property id " + hex(id) + " is used but not in the name-to-id map", where);
    c_.note("name-to-id map: " + std::to_string(entries.size() / 8) +
            " entries with valid GUID indexes, unique property indexes and in-bounds names; each "
            "of the " +
            std::to_string(buckets) +
            " buckets holds exactly its records; every named property id in use is mapped (" +
            std::to_string(c_.namedIdsUsed.size()) + ")");
  }

  CheckContext& c_;
  std::set<Bid> walkedSubnodes_;  // of the top-level message being checked
  std::map<Nid, pst::NodeEntry> nodes_;
  std::map<Nid, std::vector<Nid>> children_;
};

}  // namespace

void checkMessaging(CheckContext& c) {
  Messaging m(c);
  m.run();
}

}  // namespace mailferry::pstcheck
