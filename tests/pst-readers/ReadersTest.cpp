// Stores written by the engine, opened by three independent readers: each must open the file
// without a complaint and see the folder tree, item counts, subjects, bodies, recipients,
// attachment names and bytes, and contact fields that were written. pstcheck checks the
// structure of each file first.
#include <gtest/gtest.h>

#include "tests/pst-messaging/StoreProbe.h"
#include "tests/pst-readers/ExpectedStore.h"
#include "tests/pst-readers/ReaderOracle.h"

namespace mailferry::pst {
namespace {

using testing::ItemDetail;

// Writes the synthetic store, checks it with pstcheck and compares the readers with what was
// written; every folder the readers list must be one that was written.
void roundTrip(const pstgen::SyntheticOptions& options, ItemDetail detail,
               const std::string& readerMode = {}) {
  mailferry::testing::TempFolder dir;
  const auto pst = dir / "store.pst";
  pstgen::writeSyntheticStore(pst, options);

  const auto check = testing::pstcheck(pst);
  EXPECT_EQ(check.status, 0) << check.output;

  const auto expectation =
      testing::expectedStore(options, detail, detail == ItemDetail::Full ? dir.path() : "");
  const auto expected = dir / "expected.json";
  testing::writeText(expected, expectation.json);
  const auto keep = dir / "dumps";
  const auto compare = testing::compareReaders(pst, expected, readerMode, keep);
  EXPECT_EQ(compare.status, 0) << compare.output;
  EXPECT_EQ(testing::keptFolderPaths(keep, "pypff"), expectation.folderPaths);
  EXPECT_EQ(testing::keptFolderPaths(keep, "pst-extractor"), expectation.folderPaths);
}

TEST(Readers, EmptyStore) {
  roundTrip({}, ItemDetail::Full);
}

TEST(Readers, OneFolder) {
  pstgen::SyntheticOptions o;
  o.folders = 1;
  roundTrip(o, ItemDetail::Full);
}

TEST(Readers, AThousandFoldersSixLevelsDeep) {
  pstgen::SyntheticOptions o;
  o.folders = 1000;
  o.depth = 6;
  roundTrip(o, ItemDetail::Counts, "--counts");
}

TEST(Readers, MessagesWithBodiesRecipientsAndAttachmentsInNestedFolders) {
  pstgen::SyntheticOptions o;
  o.folders = 4;
  o.depth = 2;
  o.messages = 12;
  o.attachmentKb = 30;
  o.bodyKb = 6;
  roundTrip(o, ItemDetail::Full);
}

TEST(Readers, TwentyThousandMessagesInOneFolder) {
  pstgen::SyntheticOptions o;
  o.folders = 1;
  o.messages = 20000;
  o.bodyKb = 1;
  roundTrip(o, ItemDetail::Light, "--sample 20");
}

TEST(Readers, AMessageWithAFiftyMegabyteAttachment) {
  pstgen::SyntheticOptions o;
  o.messages = 1;
  o.attachmentKb = 50 * 1024;
  roundTrip(o, ItemDetail::Full);
}

TEST(Readers, ContactsWithNamedProperties) {
  pstgen::SyntheticOptions o;
  o.contacts = 40;
  roundTrip(o, ItemDetail::Full);
}

}  // namespace
}  // namespace mailferry::pst
