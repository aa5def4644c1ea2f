#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vaultora::test {

TTempFolder::TTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vaultora-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
  FPath = std::string(name.data()) + "/";
}

TTempFolder::~TTempFolder() {
  RemoveTree(FPath);
}

void WriteTextFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::map<std::string, std::string> ReadTree(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file())
      files[std::filesystem::relative(it->path(), folder).string()] = ReadTextFile(it->path());
  return files;
}

void FlipBitAt(const std::string& path, long long offset) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  const std::streamoff at = offset < 0 ? end + offset : offset;
  file.seekg(at);
  const int c = file.get();
  file.seekp(at);
  file.put(static_cast<char>(c ^ 0x01));
}

}  // namespace vaultora::test
