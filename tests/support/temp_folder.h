#pragma once
// Test fixtures over real files: a temporary folder removed at the end, and small file helpers.

#include <map>
#include <string>

namespace vaultora::test {

class TTempFolder {
 public:
  TTempFolder();  // a new empty folder under $TMPDIR
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  // The folder with a trailing '/'.
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + name; }

 private:
  std::string FPath;
};

void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);
// Flips one bit of the byte at offset of an existing file (a negative offset counts from its end).
void FlipBitAt(const std::string& path, long long offset);
void RemoveTree(const std::string& path);
// Every file below folder by its path relative to it ("sub/b.txt"), with its content.
std::map<std::string, std::string> ReadTree(const std::string& folder);

}  // namespace vaultora::test
