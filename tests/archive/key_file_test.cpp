// The key file: written private whatever the file was before, read back as the key.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "archive/key_file.h"
#include "support/temp_folder.h"

namespace vaultora::test {
namespace {

TEST(KeyFile, WritesAPrivateFileThatReadsBackAsTheKey) {
  TTempFolder folder;
  const std::string path = folder / "key.txt";
  std::ofstream(path) << "an older and much longer line\nsecond line\n";
  ::chmod(path.c_str(), 0644);
  std::string error;
  ASSERT_TRUE(WriteKeyFile(path, "my key", error)) << error;
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::string key;
  ASSERT_TRUE(ReadKeyFile(path, key));
  EXPECT_EQ(key, "my key");
  EXPECT_EQ(info.st_size, 7);  // nothing of the old content is left

  EXPECT_FALSE(WriteKeyFile(folder / "missing/key.txt", "k", error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ReadKeyFile(folder / "missing/key.txt", key));
}

}  // namespace
}  // namespace vaultora::test
