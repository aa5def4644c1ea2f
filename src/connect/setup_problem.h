#pragma once
// Why a page of the connection or options set-up cannot be left: the message the user is shown
// (an error with an OK button) and the control that gets the focus back. Field names are the
// models' own (kHostField, ...); a dialog names its controls after them.

#include <optional>
#include <string>

namespace vaultora {

struct TSetupProblem {
  int Page = 0;
  std::string Field;
  std::string Text;
};

using TSetupCheck = std::optional<TSetupProblem>;

}  // namespace vaultora
