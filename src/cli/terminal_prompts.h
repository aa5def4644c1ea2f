#pragma once
// The prompts of vaultora-cli: questions are asked on the terminal, or answered by --yes / --no
// when they are given (or when there is no terminal to ask: then the answer is No and the
// question is printed, so a script sees why nothing happened).

#include "platform/prompts.h"

namespace vaultora::cli {

enum TAnswerPolicy { apAsk, apYes, apNo };

class TTerminalPrompts : public TPrompts {
 public:
  explicit TTerminalPrompts(TAnswerPolicy policy);
  ~TTerminalPrompts() override;
  bool Prompt(TPromptKind kind, const std::string& text, const std::string& caption) override;

 private:
  TAnswerPolicy FPolicy;
  TPrompts* FPrevious;
};

}  // namespace vaultora::cli
