#include "platform/plain_file_name.h"

namespace vaultora {

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.find("..") != std::string_view::npos ||
      name.find_first_not_of(". ") == std::string_view::npos)
    return false;
  for (const unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

}  // namespace vaultora
