// Runs the checker's passes in order, bottom layer first, so that each pass can rely on the
// structures below it.
#include "tools/pstcheck/PstChecker.h"

#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

CheckSummary checkPst(const std::filesystem::path& file, const CheckLog& log) {
  CheckContext c;
  c.path = file;
  c.log = log;
  c.ndb = pst::NdbReader::open(file);
  c.note("header: magic, version 23, bSentinel, bCryptMethod, dwCRCPartial, dwCRCFull");
  checkNodeDatabase(c);
  checkHeapsAndTables(c);
  checkMessaging(c);
  return c.summary;
}

}  // namespace mailferry::pstcheck
