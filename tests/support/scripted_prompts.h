#pragma once
// Prompts with scripted answers: records every prompt shown and answers from a queue (then the
// default answer). Installed for the scope of the object.

#include <deque>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace vaultora::test {

class TScriptedPrompts : public TPrompts {
 public:
  struct TShown {
    TPromptKind Kind;
    std::string Text;
    std::string Caption;
  };

  explicit TScriptedPrompts(bool defaultAnswer = false);
  ~TScriptedPrompts() override;

  void Answer(bool answer) { FAnswers.push_back(answer); }
  bool Prompt(TPromptKind kind, const std::string& text, const std::string& caption) override;

  const std::vector<TShown>& Shown() const { return FShown; }
  std::vector<std::string> Texts() const;

 private:
  TPrompts* FPrevious;
  bool FDefault;
  std::deque<bool> FAnswers;
  std::vector<TShown> FShown;
};

}  // namespace vaultora::test
