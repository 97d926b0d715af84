// The search bookkeeping a store has from its creation ([MS-PST] 2.4.8).
#include "pst/messaging/SearchObjects.h"

#include "pst/KnownTags.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/StoreTemplates.h"

namespace mailferry::pst {

PropertyContextWriter spamSearchFolderProperties() {
  PropertyContextWriter pc;
  pc.set(tags::kDisplayName, PropValue::utf8("SPAM Search Folder 2"));
  pc.set(tags::kContentCount, PropValue::int32(0));
  pc.set(tags::kContentUnreadCount, PropValue::int32(0));
  pc.set(tags::kSubfolders, PropValue::boolean(false));
  return pc;
}

void writeSearchObjects(NodeDatabase& db) {
  // [MS-PST] 2.4.8.3: a queue or list without records is a node without data. The search
  // management queue must exist ([MS-PST] 2.4.8.4.1); the activity list, domain object and
  // gatherer queues are created empty, as a store without pending searches has them.
  for (Nid nid :
       {nids::kSearchManagementQueue, nids::kSearchActivityList, nids::kSearchDomainObject,
        nids::kSearchGathererQueue, nids::kSearchGathererFolderQueue})
    db.putNode(nid, NodeRefs{}, 0);

  db.putNode(kSpamSearchFolder, spamSearchFolderProperties().write(db), nids::kRootFolder);
  db.putNode(kSpamSearchUpdateQueue, NodeRefs{}, 0);
  db.putNode(kSpamSearchCriteria, PropertyContextWriter().write(db), 0);
  TableContextWriter contents(templates::searchContentsColumns());
  db.putNode(kSpamSearchContents, contents.write(db), 0);
}

}  // namespace mailferry::pst
