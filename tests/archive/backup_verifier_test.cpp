// Proving backups without restoring them: the archive deciphered as it is read gives the bytes
// and the MAC that deciphering the file gives, and the verifier tells a sound backup from a
// changed, cut, unreadable, absent or foreign one.
#include "archive/backup_verifier.h"

#include <gtest/gtest.h>

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "support/catalogued_backup.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

constexpr const char* kKey = "correct horse battery";

std::string Pattern(size_t size) {
  std::string text(size, '\0');
  unsigned seed = 7;
  for (char& c : text) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return text;
}

TEST(ArchiveDecryptor, ReadsWhatDecipheringTheFileGivesWithTheSameMac) {
  test::TTempFolder folder;
  for (size_t size : {1u, 7u, 8u, 4095u, 4096u, 4097u, 70001u}) {
    SCOPED_TRACE(size);
    const std::string plain = Pattern(size);
    test::WriteTextFile(folder / "plain", plain);
    TBlowfish cipher;
    const std::string mac = EncryptArchiveFile(cipher, kKey, folder / "plain", folder / "bfe");
    TArchiveDecryptor stream(cipher, kKey, folder / "bfe");
    EXPECT_TRUE(stream.WellFormed());
    ASSERT_EQ(stream.Size(), static_cast<int64_t>(size));
    // Read in odd pieces, with a forward seek in the middle.
    std::string read;
    char piece[1000];
    const int64_t skipAt = static_cast<int64_t>(size) / 2;
    while (true) {
      if (stream.Position() < skipAt && stream.Position() + 333 > skipAt) {
        read.append(plain, read.size(), static_cast<size_t>(skipAt) - read.size());
        EXPECT_EQ(stream.Seek(skipAt, TSeekOrigin::soBeginning), skipAt);
      }
      const int64_t got = stream.Read(piece, 333);
      if (got <= 0) break;
      read.append(piece, static_cast<size_t>(got));
    }
    EXPECT_EQ(read, plain);
    EXPECT_EQ(stream.Finish(), mac);
    if (size > 8) {
      EXPECT_THROW(stream.Seek(0, TSeekOrigin::soBeginning), EReadError);
    }
  }
}

class BackupVerifierTest : public testing::Test {
 protected:
  BackupVerifierTest() : profile(kKey), verifier(profile.Store) {}

  TVerifyResult Check(const std::string& id) { return verifier.Verify(id); }
  std::string Archive(const std::string& id) { return profile.FileOf(id, ".BFE"); }

  test::TBackupProfile profile;
  TBackupVerifier verifier;
};

TEST_F(BackupVerifierTest, ASoundBackupIsVerifiedWithoutWritingAnything) {
  profile.Backup("46001.5", {{"a.txt", Pattern(100000)}, {"b.txt", "beta"}});
  const auto before = test::ReadTree(profile.Work.Path());
  int progress = 0;
  verifier.OnProgress = [&progress](const std::string& key, int) {
    EXPECT_EQ(key, "46001.5");
    ++progress;
  };
  const TVerifyResult result = Check("46001.5");
  EXPECT_EQ(result.Outcome, voVerified) << result.Text;
  EXPECT_EQ(result.Files, 2);
  EXPECT_EQ(result.Bytes, 100004);
  EXPECT_EQ(result.Text, "verified: 2 file(s), 97.66 KB");
  EXPECT_EQ(VerifyLine(result), "\"Title 46001.5\" (46001.5): verified: 2 file(s), 97.66 KB");
  EXPECT_GT(progress, 0);
  EXPECT_EQ(test::ReadTree(profile.Work.Path()), before) << "nothing written, nothing removed";
}

TEST_F(BackupVerifierTest, AChangedCutOrForeignArchiveIsAMacMismatch) {
  profile.Backup("46001.5", {{"a.txt", Pattern(50000)}});
  const std::string archive = Archive("46001.5");
  const std::string sound = test::ReadTextFile(archive);
  for (long long at : {0LL, 20000LL, -1LL}) {
    SCOPED_TRACE(at);
    test::WriteTextFile(archive, sound);
    test::FlipBitAt(archive, at);
    const TVerifyResult result = Check("46001.5");
    EXPECT_EQ(result.Outcome, voDamaged);
    EXPECT_EQ(result.Text.rfind("MAC mismatch", 0), 0u) << result.Text;
  }
  test::WriteTextFile(archive, sound.substr(0, sound.size() - 3));  // cut short
  EXPECT_EQ(Check("46001.5").Outcome, voDamaged);
  test::WriteTextFile(archive, sound.substr(0, sound.size() - 8));  // cut at a block
  EXPECT_EQ(Check("46001.5").Outcome, voDamaged);
  test::WriteTextFile(archive, sound);
  test::StoreUserKey(profile.Store, "somebody else's key");
  EXPECT_EQ(Check("46001.5").Outcome, voDamaged);
  test::StoreUserKey(profile.Store, "");
  const TVerifyResult noKey = Check("46001.5");
  EXPECT_EQ(noKey.Outcome, voCannotCheck);
  EXPECT_EQ(noKey.Text, "Encryption key has not been defined in \"Options\"");
}

// A block that does not inflate although the MAC is sound (the archive was damaged before it
// was enciphered): the MAC alone would call it verified.
TEST_F(BackupVerifierTest, ABlockThatDoesNotInflateIsNamedWithItsFile) {
  test::WriteTextFile(profile.Source / "a.txt", std::string(200000, 'a') + Pattern(1000));
  TBackupFile writer;
  writer.SetSaveFileID(true);
  const std::string plain = profile.Work / "plain.bck";
  ASSERT_TRUE(writer.CreateArchive({profile.Source / "a.txt"}, plain));
  test::FlipBitAt(plain, FileSizeOf(plain) / 2);
  TBlowfish cipher;
  TBackupRecord record;
  record.BackupTitle = "Damaged";
  record.MAC = EncryptArchiveFile(cipher, kKey, plain, Archive("46003.5"));
  TCatalogue(profile.Store).RecordBackup("46003.5", record);
  const TVerifyResult result = Check("46003.5");
  EXPECT_EQ(result.Outcome, voDamaged);
  EXPECT_EQ(result.Text.rfind("the archive does not read: \"" + profile.Source / "a.txt", 0), 0u)
      << result.Text;
}

TEST_F(BackupVerifierTest, ABackupNotOnThisComputerMustBeReceivedFirst) {
  profile.Backup("46001.5", {{"a.txt", "alpha"}});
  EXPECT_FALSE(verifier.NeedsReceiving("46001.5"));
  DeleteFile(Archive("46001.5"));
  EXPECT_TRUE(verifier.NeedsReceiving("46001.5"));
  TVerifyResult result = Check("46001.5");
  EXPECT_EQ(result.Outcome, voNotOnDisk);
  EXPECT_NE(result.Text.find("receive it first"), std::string::npos);
  test::WriteTextFile(Archive("46001.5"), "partial");
  TCatalogue(profile.Store).WriteReceivePosition("46001.5", 7);
  EXPECT_TRUE(verifier.NeedsReceiving("46001.5"));
  EXPECT_EQ(Check("46001.5").Outcome, voNotOnDisk);
  result = Check("46999.5");
  EXPECT_EQ(result.Outcome, voCannotCheck);
  EXPECT_EQ(result.Text, "there is no backup 46999.5 in the catalogue");
}

}  // namespace
}  // namespace vaultora
