// Runs the checker's passes in order, bottom layer first, so that each pass can rely on the
// structures below it; a violation ends only the check that met it.
#include "tools/pstcheck/PstChecker.h"

#include <fstream>

#include "pst/ndb/Format.h"
#include "tools/pstcheck/CheckContext.h"

namespace mailferry::pstcheck {

namespace {

// The header's bytes, read without the node database (which needs a sound header).
std::vector<std::uint8_t> readHeaderBytes(CheckContext& c) {
  std::ifstream in(c.path, std::ios::binary);
  if (!in) throw pst::PstError::io("cannot open the file for reading", errno, c.path.string());
  std::error_code ec;
  c.fileSize = std::filesystem::file_size(c.path, ec);
  if (ec)
    throw PstError(PstError::Kind::Io, "cannot determine the file size: " + ec.message(),
                   c.path.string());
  if (c.fileSize < pst::format::kHeaderSize) c.fail("file too short for a PST header", 0);
  std::vector<std::uint8_t> bytes(pst::format::kHeaderSize);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw pst::PstError::io("cannot read the header", errno, c.path.string(), 0);
  return bytes;
}

void runChecks(CheckContext& c, CheckReport& report) {
  if (!c.attempt([&] { c.header = pst::ndbread::parseHeader(readHeaderBytes(c), c.path); })) {
    report.stoppedEarly = "the header cannot be read, so nothing else can be checked";
    return;
  }
  c.note("header: magic, version 23, bSentinel, bCryptMethod, dwCRCPartial, dwCRCFull");
  checkHeaderAgainstFile(c);
  if (!c.attempt([&] { c.ndb = pst::NdbReader::open(c.path); })) {
    report.stoppedEarly =
        "the node and block B-trees cannot be read, so no node, block, heap or message can be "
        "checked";
    return;
  }
  checkNodeDatabase(c);
  checkHeapsAndTables(c);
  c.attempt([&] { checkMessaging(c); });
}

}  // namespace

CheckReport checkPstFully(const std::filesystem::path& file, const CheckOptions& options) {
  CheckContext c;
  c.path = file;
  c.log = options.log;
  c.maxFindings = options.maxFindings;
  CheckReport report;
  try {
    runChecks(c, report);
  } catch (const FindingLimitReached&) {
    report.stoppedEarly = "stopped after " + std::to_string(c.findings.size()) + " findings";
  }
  report.summary = c.summary;
  report.findings = std::move(c.findings);
  return report;
}

CheckSummary checkPst(const std::filesystem::path& file, const CheckLog& log) {
  CheckReport report = checkPstFully(file, {1, log});
  if (!report.ok()) throw report.findings.front();
  return report.summary;
}

}  // namespace mailferry::pstcheck
