// The user's key in VALKData and the enciphered lists under it.
#include "archive/encryption_key.h"

#include <gtest/gtest.h>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

class EncryptionKey : public testing::Test {
 protected:
  EncryptionKey() : Store(nullptr, Folder / "registry.db") {
    Store.SetRootKey(rtHKEY_CURRENT_USER);
  }
  TRegistryKey Preferences() { return TRegistryKey(Store, keys::kPreferencesKey); }
  test::TTempFolder Folder;
  TIniRegistryEditor Store;
};

TEST_F(EncryptionKey, StoredKeyReadsBackAndBlankMeansNone) {
  EXPECT_EQ(ReadEncryptionKey(Store), "");
  for (const std::string& key : {std::string("k"), std::string("my key"), std::string(56, 'z'),
                                 std::string("caf\xC3\xA9 \x01\xFF")}) {
    WriteEncryptionKey(Store, key);
    EXPECT_EQ(ReadEncryptionKey(Store), key);
  }
  EXPECT_THROW(WriteEncryptionKey(Store, std::string(57, 'z')), EKeyError);
  WriteEncryptionKey(Store, "   ");
  EXPECT_FALSE(Preferences().ValueExists("", keys::preferences::kVALKData));
  EXPECT_EQ(ReadEncryptionKey(Store), "");
}

TEST_F(EncryptionKey, ValueIsAListUnderTheFixedPassPhrase) {
  WriteEncryptionKey(Store, "AB");
  TStringList lines;
  ReadEncryptedList(lines, Preferences(), keys::preferences::kVALKData, kKeyListPassphrase);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], ScrambleKeyText("AB"));
  EXPECT_EQ(lines[0].size(), 6u);
  EXPECT_EQ(lines[0][0], '$');
  EXPECT_EQ(lines[0].find_first_not_of("$0123456789ABCDEF"), std::string::npos);
}

TEST_F(EncryptionKey, UnreadableLineMeansNoKey) {
  EXPECT_EQ(UnscrambleKeyText(ScrambleKeyText("secret")), "secret");
  EXPECT_FALSE(UnscrambleKeyText("$4"));
  EXPECT_FALSE(UnscrambleKeyText("$4G"));
  EXPECT_FALSE(UnscrambleKeyText("#41"));
  EXPECT_EQ(UnscrambleKeyText(""), "");
  TStringList lines{"$4G$12"};
  WriteEncryptedList(lines, Preferences(), keys::preferences::kVALKData, kKeyListPassphrase);
  EXPECT_EQ(ReadEncryptionKey(Store), "");
}

TEST_F(EncryptionKey, ListsRoundTripAndEmptyListsRemoveTheValue) {
  const TRegistryKey key(Store, keys::kRegistrationKey);
  TStringList lines{"first", "", "third"};
  WriteEncryptedList(lines, key, "List", kStreamPassphrase);
  EXPECT_TRUE(lines.empty());
  TStringList back{"stale"};
  ReadEncryptedList(back, key, "List", kStreamPassphrase);
  EXPECT_EQ(back, (TStringList{"first", "", "third"}));
  ReadEncryptedList(back, key, "List", "wrong phrase");  // garbage, but no failure
  WriteEncryptedList(lines, key, "List", kStreamPassphrase);
  EXPECT_FALSE(key.ValueExists("", "List"));
  ReadEncryptedList(back, key, "List", kStreamPassphrase);
  EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace vaultora
