#include "settings/key_path.h"

#include "platform/text.h"

namespace vaultora {

std::string NormaliseKeyPath(const std::string& path) {
  std::string out;
  for (const std::string& part : Split(path, '\\')) {
    if (part.empty()) continue;
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

std::string JoinKeyPath(const std::string& base, const std::string& sub) {
  return NormaliseKeyPath(base + "\\" + sub);
}

}  // namespace vaultora
