#pragma once
// The prompt interface of the desktop client: every question and message of the program as a
// message box over the active window. Installed by the program's main for its whole run.

#include "platform/prompts.h"

namespace vaultora {

class TMessageBoxPrompts : public TPrompts {
 public:
  TMessageBoxPrompts();
  ~TMessageBoxPrompts() override;
  bool Prompt(TPromptKind kind, const std::string& text, const std::string& caption) override;
  bool PromptLogon(const std::string& entry, std::string& userName, std::string& password) override;

 private:
  TPrompts* FPrevious;
};

}  // namespace vaultora
