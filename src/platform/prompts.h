#pragma once
// Every message box goes through one prompt interface: the desktop client shows a dialog, the
// command-line client asks on the terminal, tests script the answers. Called on the thread that
// owns the user interface.

#include <string>

namespace vaultora {

enum class TPromptKind {
  pkQuestion,             // Yes / No; true = Yes
  pkInformation,          // OK
  pkInformationOkCancel,  // OK / Cancel; true = OK
  pkError,                // OK
};

class TPrompts {
 public:
  virtual ~TPrompts() = default;
  virtual bool Prompt(TPromptKind kind, const std::string& text, const std::string& caption) = 0;
  // The "Logon" dialog of a dial-up entry: user name (prefilled) and password; false when it is
  // cancelled. Front ends that cannot ask leave it cancelled.
  virtual bool PromptLogon(const std::string& entry, std::string& userName, std::string& password) {
    (void)entry;
    (void)userName;
    (void)password;
    return false;
  }
};

// The prompts in use; never null. Without one installed, texts go to standard error and every
// question is answered No (Cancel).
TPrompts& Prompts();
// Installs prompts (nullptr restores the default); returns the previous ones.
TPrompts* SetPrompts(TPrompts* prompts);

extern const char* const kApplicationTitle;  // "Vaultora"

bool AskQuestion(const std::string& text, const std::string& caption = kApplicationTitle);
void ShowInformation(const std::string& text, const std::string& caption = kApplicationTitle);
bool ConfirmOkCancel(const std::string& text, const std::string& caption = kApplicationTitle);
void ShowError(const std::string& text, const std::string& caption = kApplicationTitle);

}  // namespace vaultora
