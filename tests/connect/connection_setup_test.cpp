// The connection set-up: what it preselects, what each page refuses, where the buttons lead,
// and the section it writes.
#include <gtest/gtest.h>

#include "connect/connection_setup.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

class ConnectionSetup : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
  }
  TConnectionSetup Loaded(const TStringList& phoneBook) {
    TConnectionSetup setup;
    setup.Load(store, phoneBook);
    return setup;
  }
  TStringList StoredNames() {
    store.SetFilename(keys::kBaseKey);
    store.ReadValueNames(keys::kConnection);
    return store.Data();
  }

  TTestProfile profile;
  TIniRegistryEditor store;
};

TEST_F(ConnectionSetup, PreselectionFollowsThePhoneBookAndTheStoredChoice) {
  TConnectionSetup empty = Loaded({});
  EXPECT_EQ(empty.Option(), coNewDialup);
  EXPECT_EQ(empty.SelectedEntry(), -1);
  EXPECT_EQ(empty.Host, "");
  EXPECT_EQ(empty.Port, "211");

  TConnectionSetup book = Loaded({"Office", "Home"});
  EXPECT_EQ(book.Option(), coExistingDialup);
  EXPECT_EQ(book.SelectedEntryName(), "Office");

  store.WriteString(keys::kConnection, keys::connection::kConnection, "home");
  store.WriteString(keys::kConnection, keys::connection::kHost, "10.0.0.9");
  store.WriteInteger(keys::kConnection, keys::connection::kServerPort, 7070);
  TConnectionSetup stored = Loaded({"Office", "Home"});
  EXPECT_EQ(stored.SelectedEntryName(), "Home");
  EXPECT_EQ(stored.Host, "10.0.0.9");
  EXPECT_EQ(stored.Port, "7070");
  EXPECT_EQ(Loaded({"Office"}).SelectedEntryName(), "Office");  // the stored one is gone

  store.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  EXPECT_EQ(Loaded({"Office", "Home"}).Option(), coDirect);
  EXPECT_EQ(Loaded({}).Option(), coDirect);
}

TEST_F(ConnectionSetup, DirectWithASelectedEntryStoresBothAndNothingElse) {
  store.WriteString(keys::kConnection, "Leftover", "from an older version");
  TConnectionSetup setup = Loaded({"Office"});
  setup.SetOption(coDirect);
  setup.Host = " 127.0.0.1 ";
  setup.Port = "7070";
  ASSERT_FALSE(setup.Apply(store));

  EXPECT_EQ(StoredNames(), TStringList({"Connection", "Host", "ServerPort", "UseLANServer"}));
  const TStoredConnection stored = ReadStoredConnection(store);
  EXPECT_TRUE(stored.Direct);
  EXPECT_EQ(stored.Entry, "Office");
  EXPECT_EQ(stored.Host, "127.0.0.1");
  EXPECT_EQ(stored.Port, 7070);
  EXPECT_EQ(store.ReadValue(keys::kConnection, "ServerPort")->Type, rdDword);

  // Choosing the dial-up entry again drops the direct flag.
  TConnectionSetup dialup = Loaded({"Office"});
  dialup.SetOption(coExistingDialup);
  ASSERT_FALSE(dialup.Apply(store));
  EXPECT_EQ(StoredNames(), TStringList({"Connection", "Host", "ServerPort"}));
}

TEST_F(ConnectionSetup, ServerPageRefusesWhatCannotReachAServer) {
  struct TCase {
    const char* Host;
    const char* Port;
    const char* Field;
    const char* Text;
  };
  const TCase cases[] = {
      {"  ", "211", kHostField, kNoHostText},
      {"10.0.0.1", "", kServerPortField, kNoServerPortText},
      {"10.0.0.1", "  ", kServerPortField, kNoServerPortText},
      {"10.0.0.1", "seven", kServerPortField, kBadServerPortText},
      {"10.0.0.1", "0", kServerPortField, kBadServerPortText},
      {"10.0.0.1", "65536", kServerPortField, kBadServerPortText},
      {"10.0.0.1", "999999", kServerPortField, kBadServerPortText},
      {"backup server", "211", kHostField, kBadHostText},
      {"-backup.example.com", "211", kHostField, kBadHostText},
      {"back_up.example.com", "211", kHostField, kBadHostText},
      {"10.0.0", "211", kHostField, kBadHostText},
  };
  store.WriteString(keys::kConnection, keys::connection::kHost, "10.1.1.1");
  for (const TCase& c : cases) {
    TConnectionSetup setup = Loaded({});
    setup.SetOption(coDirect);
    setup.Host = c.Host;
    setup.Port = c.Port;
    const TSetupCheck problem = setup.Check(cpServer);
    ASSERT_TRUE(problem) << c.Host << ":" << c.Port;
    EXPECT_EQ(problem->Field, c.Field) << c.Host << ":" << c.Port;
    EXPECT_EQ(problem->Text, c.Text) << c.Host << ":" << c.Port;
    EXPECT_EQ(setup.Apply(store)->Text, c.Text);
    EXPECT_EQ(StoredNames(), TStringList({"Host"}));  // nothing was written
  }
  TConnectionSetup edge = Loaded({});
  edge.Host = "10.0.0.1";
  for (const char* port : {"1", "65535", " 80 "}) {
    edge.Port = port;
    EXPECT_FALSE(edge.Check(cpServer)) << port;
  }
  // Host names are taken as typed and looked up when connecting.
  for (const char* host : {"backup.example.com", "localhost", "nas-2.home.arpa.", "7zip.org"}) {
    edge.Host = host;
    EXPECT_FALSE(edge.Check(cpServer)) << host;
  }
}

TEST_F(ConnectionSetup, DialupNeedsAnEntry) {
  TConnectionSetup setup = Loaded({});
  setup.Host = "10.0.0.1";
  EXPECT_EQ(setup.Check(cpExisting)->Text, kNoEntrySelectedText);
  EXPECT_EQ(setup.Apply(store)->Field, kPhoneBookField);
  EXPECT_TRUE(StoredNames().empty());
  setup.SetOption(coDirect);
  EXPECT_FALSE(setup.Apply(store));
  EXPECT_EQ(StoredNames(), TStringList({"Host", "ServerPort", "UseLANServer"}));
}

TEST_F(ConnectionSetup, ButtonsAndPhoneBookChanges) {
  TConnectionSetup setup = Loaded({"A", "B", "C"});
  setup.SetOption(coDirect);
  EXPECT_EQ(setup.NextPage(cpCover), cpServer);
  EXPECT_EQ(setup.BackPage(cpServer), cpCover);
  setup.SetOption(coExistingDialup);
  EXPECT_EQ(setup.NextPage(cpCover), cpExisting);
  EXPECT_EQ(setup.NextPage(cpExisting), cpServer);
  EXPECT_EQ(setup.BackPage(cpServer), cpExisting);
  EXPECT_EQ(setup.BackPage(cpFinished), cpServer);
  setup.SetOption(coNewDialup);
  EXPECT_EQ(setup.BackPage(cpServer), cpCover);

  setup.SelectEntry(2);
  setup.RefreshPhoneBook({"A", "B", "C", "D"});
  EXPECT_EQ(setup.SelectedEntryName(), "C");  // the index stays while valid
  setup.RefreshPhoneBook({"A", "B"});
  EXPECT_EQ(setup.SelectedEntryName(), "A");

  setup.SelectEntry(1);
  EXPECT_FALSE(setup.EntryCreated({"A", "B"}));  // nothing was made
  EXPECT_EQ(setup.SelectedEntryName(), "B");
  EXPECT_TRUE(setup.EntryCreated({"A", "B", "New"}));
  EXPECT_EQ(setup.SelectedEntryName(), "New");

  EXPECT_FALSE(setup.SelectEntryNamed("Missing"));
  EXPECT_EQ(setup.SelectedEntryName(), "New");
}

}  // namespace
}  // namespace vaultora::test
