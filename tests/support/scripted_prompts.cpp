#include "support/scripted_prompts.h"

namespace vaultora::test {

TScriptedPrompts::TScriptedPrompts(bool defaultAnswer)
    : FPrevious(SetPrompts(this)), FDefault(defaultAnswer) {}

TScriptedPrompts::~TScriptedPrompts() {
  SetPrompts(FPrevious);
}

bool TScriptedPrompts::Prompt(TPromptKind kind, const std::string& text,
                              const std::string& caption) {
  FShown.push_back({kind, text, caption});
  if (FAnswers.empty()) return FDefault;
  const bool answer = FAnswers.front();
  FAnswers.pop_front();
  return answer;
}

std::vector<std::string> TScriptedPrompts::Texts() const {
  std::vector<std::string> texts;
  for (const auto& shown : FShown)
    texts.push_back(shown.Text);
  return texts;
}

}  // namespace vaultora::test
