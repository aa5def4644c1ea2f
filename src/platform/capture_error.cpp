#include "platform/capture_error.h"

#include <cerrno>
#include <cstring>

namespace vaultora {

void TCaptureError::CaptureError(const std::string& text) {
  const int code = errno;
  std::string record = text;
  if (code != 0) record += ": " + std::string(std::strerror(code));
  FErrors.push_back(record);
  Fire(OnCapture, *this, record);
}

}  // namespace vaultora
