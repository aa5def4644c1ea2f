// Enciphering an archive as it is written: the ".BFE" and its MAC are those of the file
// routine over the same bytes, whatever the pieces it is fed in, and nothing appears on the disk
// until the run is finished.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/backup_file.h"
#include "archive/cipher_helpers.h"
#include "archive/cipher_test_support.h"
#include "platform/folders.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::RandomBytes;
using test::ReadTextFile;
using test::WriteTextFile;

class ArchiveEncryptor : public testing::Test {
 protected:
  // The ciphertext and MAC of EncryptArchiveFile over plain.
  std::pair<std::string, std::string> ByFile(const std::string& plain) {
    WriteTextFile(Folder / "plain.bck", plain);
    const std::string mac =
        EncryptArchiveFile(Cipher, Key, Folder / "plain.bck", Folder / "file.BFE");
    return {ReadTextFile(Folder / "file.BFE"), mac};
  }
  // The same through the encryptor, fed in pieces of the given sizes in turn.
  std::pair<std::string, std::string> ByStream(const std::string& plain,
                                               const std::vector<size_t>& pieces) {
    DeleteFile(Folder / "stream.BFE");
    TArchiveEncryptor sealed(Cipher, Key, Folder / "stream.BFE");
    size_t at = 0;
    for (size_t i = 0; at < plain.size(); ++i) {
      const size_t n = std::min(pieces[i % pieces.size()], plain.size() - at);
      EXPECT_EQ(sealed.Write(plain.data() + at, static_cast<int64_t>(n)), static_cast<int64_t>(n));
      at += n;
    }
    EXPECT_EQ(sealed.PlainBytes(), static_cast<int64_t>(plain.size()));
    EXPECT_FALSE(FileExists(Folder / "stream.BFE"));
    const std::string mac = sealed.Finish();
    return {ReadTextFile(Folder / "stream.BFE"), mac};
  }

  test::TTempFolder Folder;
  TBlowfish Cipher;
  std::string Key = "a key of the user's";
};

TEST_F(ArchiveEncryptor, GivesTheBytesAndMACOfTheFileRoutineAtEverySize) {
  // Around the 8-byte block, the 4096-byte chunk and the 64 KiB piece of the file routine.
  for (size_t size : {0, 1, 7, 8, 9, 4095, 4096, 4097, 65536, 65543, 200001}) {
    const std::string plain = RandomBytes(size, static_cast<uint32_t>(size + 1));
    const auto expected = ByFile(plain);
    EXPECT_EQ(expected.first.size(), (size / 8 + 1) * 8);
    for (const std::vector<size_t>& pieces :
         {std::vector<size_t>{1}, {3, 4096, 5}, {65536}, {1 << 20}}) {
      if (size > 70000 && pieces[0] == 1) continue;  // one byte at a time: slow, nothing new
      const auto got = ByStream(plain, pieces);
      EXPECT_TRUE(got.first == expected.first) << size << " bytes in pieces of " << pieces[0];
      EXPECT_EQ(got.second, expected.second) << size;
    }
  }
}

TEST_F(ArchiveEncryptor, AnUnfinishedRunLeavesTheEarlierFileAndNoTemporaryOne) {
  WriteTextFile(Folder / "stream.BFE", "the earlier backup");
  {
    TArchiveEncryptor sealed(Cipher, Key, Folder / "stream.BFE");
    const std::string plain = RandomBytes(100000);
    sealed.Write(plain.data(), static_cast<int64_t>(plain.size()));
  }
  EXPECT_EQ(ReadTextFile(Folder / "stream.BFE"), "the earlier backup");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

TEST_F(ArchiveEncryptor, RefusesToMoveBackAndABadKeyBeforeWritingAnything) {
  TArchiveEncryptor sealed(Cipher, Key, Folder / "stream.BFE");
  sealed.Write("abc", 3);
  EXPECT_EQ(sealed.Position(), 3);
  EXPECT_THROW(sealed.SetPosition(0), EWriteError);
  EXPECT_THROW(sealed.SetSize(1), EWriteError);
  EXPECT_THROW(TArchiveEncryptor(Cipher, std::string(57, 'k'), Folder / "long.BFE"), EKeyError);
  EXPECT_FALSE(FileExists(Folder / "long.BFE"));
}

TEST_F(ArchiveEncryptor, AnArchiveOfItsOwnFolderDoesNotTakeTheGrowingCiphertext) {
  WriteTextFile(Folder / "letter.txt", "Dear Ann");
  TArchiveEncryptor sealed(Cipher, Key, Folder / "own.BFE");
  ASSERT_TRUE(FileExists(sealed.TemporaryPath()));
  TBackupFile writer;
  ASSERT_TRUE(writer.CreateArchiveInto({Folder / "*.*"}, sealed, sealed.TemporaryPath()));
  EXPECT_EQ(writer.FileCount(), 1);
  sealed.Finish();
  EXPECT_EQ(sealed.TemporaryPath(), "");
  DecryptArchiveFile(Cipher, Key, Folder / "own.BFE", Folder / "own.bck");
  const std::string plain = ReadTextFile(Folder / "own.bck");
  EXPECT_NE(plain.find("letter.txt"), std::string::npos);
  EXPECT_EQ(plain.find(".own.BFE"), std::string::npos);
}

}  // namespace
}  // namespace vaultora
