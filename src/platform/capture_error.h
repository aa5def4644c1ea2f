#pragma once
// TCaptureError: the error recorder that non-visual components hand their error texts to. Each
// record is the text together with the last operating-system error text (errno) when there is
// one. Used on the owner's thread only.

#include <functional>
#include <string>

#include "platform/component.h"
#include "platform/text.h"

namespace vaultora {

class TCaptureError : public TComponent {
 public:
  explicit TCaptureError(TComponent* owner = nullptr) : TComponent(owner) {}

  // Records text; with a non-zero errno, ": " and the system's text of it are appended.
  void CaptureError(const std::string& text);

  const TStringList& Errors() const { return FErrors; }
  void Clear() { FErrors.clear(); }

  std::function<void(TCaptureError& sender, const std::string& record)> OnCapture;

 private:
  TStringList FErrors;
};

}  // namespace vaultora
