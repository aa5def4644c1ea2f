#include "platform/prompts.h"

#include <atomic>
#include <cstdio>

namespace vaultora {

const char* const kApplicationTitle = "Vaultora";

namespace {

class TStandardErrorPrompts : public TPrompts {
 public:
  bool Prompt(TPromptKind, const std::string& text, const std::string& caption) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return false;
  }
};

TStandardErrorPrompts gDefaultPrompts;
std::atomic<TPrompts*> gPrompts{nullptr};

}  // namespace

TPrompts& Prompts() {
  TPrompts* current = gPrompts.load();
  return current ? *current : gDefaultPrompts;
}

TPrompts* SetPrompts(TPrompts* prompts) {
  return gPrompts.exchange(prompts);
}

bool AskQuestion(const std::string& text, const std::string& caption) {
  return Prompts().Prompt(TPromptKind::pkQuestion, text, caption);
}

void ShowInformation(const std::string& text, const std::string& caption) {
  Prompts().Prompt(TPromptKind::pkInformation, text, caption);
}

bool ConfirmOkCancel(const std::string& text, const std::string& caption) {
  return Prompts().Prompt(TPromptKind::pkInformationOkCancel, text, caption);
}

void ShowError(const std::string& text, const std::string& caption) {
  Prompts().Prompt(TPromptKind::pkError, text, caption);
}

}  // namespace vaultora
