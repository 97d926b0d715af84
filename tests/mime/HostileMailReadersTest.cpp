// The hostile corpus of tests/data/hostile-mail (messages that bend the rules in every way the
// import repairs, alone and combined) through the real engine: no file is refused, pstcheck
// passes, and the three independent readers agree with each other and with expected.json on
// subjects, senders, recipients, bodies and every attachment's name and bytes. readpst is held
// to expected-readpst.json on its own: it takes the sender from the header block, kept as
// received (so a repaired From shows as sent), names a message without sender MAILER-DAEMON,
// and exports no attachment of zero bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "mime/MessageImporter.h"
#include "pst/messaging/MessageWriter.h"
#include "pst/messaging/PstStore.h"
#include "tests/support/ReaderOracles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestData.h"

namespace mailferry::mime {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> hostileMessages() {
  std::vector<fs::path> files;
  for (const auto& entry :
       fs::directory_iterator(mailferry::testing::testDataDir() / "hostile-mail")) {
    const auto extension = entry.path().extension();
    if (extension == ".eml" || extension == ".emlx") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(HostileMailReadersTest, EveryMessageConvertsAndTheReadersAgree) {
  mailferry::testing::TempFolder folder("hostile");
  const fs::path pstPath = folder.path() / "hostile.pst";
  const auto files = hostileMessages();
  ASSERT_GE(files.size(), 24u);
  {
    auto store = pst::PstStore::create(pstPath, u"Hostile mail");
    store->validateIpmTree();
    const pst::Nid hostile = store->addFolder(store->ipmSubtree(), u"Hostile");
    for (const auto& file : files) {
      auto writer = store->addMessage(hostile);
      try {
        importMessageFile(file, *writer);
        writer->save();
      } catch (const ImportError& error) {
        ADD_FAILURE() << "refused: " << error.what();
      }
    }
    store->close();
  }
  const auto check = mailferry::testing::pstcheck(pstPath);
  EXPECT_EQ(check.exitCode, 0) << check.output;

  for (const auto& [readers, expectation] :
       {std::pair{"pypff,pst-extractor", "expected.json"}, {"readpst", "expected-readpst.json"}}) {
    std::ifstream in(mailferry::testing::testDataFile(std::string("hostile-mail/") + expectation));
    const std::string expected((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    const auto compared =
        mailferry::testing::compareReaders(pstPath, expected, std::string("--readers ") + readers);
    EXPECT_EQ(compared.exitCode, 0) << readers << ":\n" << compared.output;
  }
}

}  // namespace
}  // namespace mailferry::mime
