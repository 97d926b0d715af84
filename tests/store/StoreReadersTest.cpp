// A store made by a run's opening, with folders, a message and a contact added through the
// store interface, as pstcheck and the three independent readers see it.
#include <gtest/gtest.h>

#include <fstream>

#include "store/Clock.h"
#include "store/TargetStore.h"
#include "tests/store/StoreTestFixture.h"
#include "tests/support/ReaderOracles.h"

namespace mailferry::store {
namespace {

using StoreReadersTest = testing::StoreTest;

TEST_F(StoreReadersTest, AStoreMadeByTheOpeningIsReadByEveryReader) {
  auto target = openTargetStore(dir_.string(), RunKind::Contacts);

  auto mail = target.store->IPMRootFolder().Folders().add("Mail", 6);
  auto inbox = mail.Folders().add("Inbox", 6);
  std::ofstream(dir_ / "a.eml") << "Subject: Hello there\r\nFrom: Ann <ann@example.com>\r\n"
                                   "To: Bob <bob@example.com>\r\n\r\nFirst line\r\n";
  auto message = inbox.Items().add(0);
  message->Import(dir_ / "a.eml", 1024);
  message->Save();

  auto contact = target.store->GetDefaultFolder(10).Items().add(2);
  contact->put("FirstName", "Carol");
  contact->put("LastName", "Jones");
  contact->put("Email1Address", "carol@example.com");
  contact->Save();
  const std::string pst = target.pstPath;
  closeTargetStore(target);

  auto check = mailferry::testing::pstcheck(pst);
  EXPECT_EQ(check.exitCode, 0) << check.output;
  auto readers = mailferry::testing::compareReaders(pst, R"({
    "folders": [
      {"path": "Contacts", "items": [{"kind": "contact",
        "contact": {"givenName": "Carol", "surname": "Jones", "email1": "carol@example.com"}}]},
      {"path": "Mail", "itemCount": 0},
      {"path": "Mail/Inbox", "itemCount": 1, "items": [{"messageClass": "IPM.Note",
        "subject": "Hello there", "senderAddress": "ann@example.com", "body": "First line"}]}
    ]})");
  EXPECT_EQ(readers.exitCode, 0) << readers.output;
}

}  // namespace
}  // namespace mailferry::store
