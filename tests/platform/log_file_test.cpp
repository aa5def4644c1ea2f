// The log writer: blocks newest first, the size limit, and nothing at all with logging off.
#include "platform/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folders.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::WriteTextFile;

class LogFile : public testing::Test {
 protected:
  bool Write(TStringList lines, TDateTime when) {
    return WriteLogFile(kBackupLog, lines, Policy, when);
  }
  std::string Path() { return Profile.Home() + kBackupLog; }

  test::TTestProfile Profile;
  TLogPolicy Policy{true, std::nullopt};
  TDateTime First = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9);
  TDateTime Second = EncodeDate(2024, 3, 6) + EncodeTime(9, 0, 1);
};

TEST_F(LogFile, TwoRunsGiveTwoBlocksTheLaterFirst) {
  ASSERT_TRUE(Write({"Backup started", "Backup completed"}, First));
  ASSERT_TRUE(Write({"Second run"}, Second));
  EXPECT_EQ(ReadTextFile(Path()),
            "**** 06/03/2024 09:00:01 AM ****\r\nSecond run\r\n"
            "**** 05/03/2024 02:07:09 PM ****\r\nBackup started\r\nBackup completed\r\n");
  EXPECT_EQ(LogFilePath(kBackupLog), Path());
}

TEST_F(LogFile, WrittenLinesAreHandedBackEmpty) {
  TStringList lines{"one"};
  EXPECT_TRUE(WriteLogFile(kDeleteLog, lines, Policy, First));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(WriteLogFile(kDeleteLog, lines, Policy, First));  // no buffer, no block
  EXPECT_EQ(ReadTextFile(Profile.Home() + kDeleteLog),
            "**** 05/03/2024 02:07:09 PM ****\r\none\r\n");
}

TEST_F(LogFile, AFileOfExactlyTheLimitIsKeptOneByteMoreIsReplaced) {
  Policy.MaxLogFileSize = 2;
  const std::string old(2048, 'x');
  WriteTextFile(Path(), old);
  Write({"kept"}, First);
  EXPECT_EQ(ReadTextFile(Path()), "**** 05/03/2024 02:07:09 PM ****\r\nkept\r\n" + old);

  WriteTextFile(Path(), old + "y");
  Write({"fresh"}, First);
  EXPECT_EQ(ReadTextFile(Path()), "**** 05/03/2024 02:07:09 PM ****\r\nfresh\r\n");
}

TEST_F(LogFile, WithoutALimitFilesGrow) {
  const std::string old(5000, 'x');
  WriteTextFile(Path(), old);
  Write({"more"}, First);
  EXPECT_EQ(ReadTextFile(Path()), "**** 05/03/2024 02:07:09 PM ****\r\nmore\r\n" + old);
}

TEST_F(LogFile, WithLoggingOffNothingIsWrittenAndTheCallerKeepsItsLines) {
  Policy.KeepLogFiles = false;
  TStringList lines{"a line"};
  EXPECT_FALSE(WriteLogFile(kBackupLog, lines, Policy, First));
  EXPECT_EQ(lines, TStringList{"a line"});
  EXPECT_FALSE(FileExists(Path()));
}

TEST_F(LogFile, AFailedWriteKeepsWhatWasThereAndTheLines) {
  // A folder in the log file's place cannot be read back nor replaced.
  ASSERT_TRUE(ForceDirectories(Path()));
  TStringList lines{"new"};
  EXPECT_ANY_THROW(WriteLogFile(kBackupLog, lines, Policy, First));
  EXPECT_EQ(lines, TStringList{"new"});
  EXPECT_TRUE(DirectoryExists(Path()));
  for (const auto& entry : std::filesystem::directory_iterator(Profile.Home()))
    EXPECT_FALSE(StartsWith(entry.path().filename().string(), ".Backup.log"));  // no temporary
}

}  // namespace
}  // namespace vaultora
