#include "cli/terminal_prompts.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/text.h"

namespace vaultora::cli {

namespace {

// Message texts may hold a carriage return as their line break.
std::string ForTerminal(const std::string& text) {
  return ReplaceAll(text, "\r", "\n");
}

}  // namespace

TTerminalPrompts::TTerminalPrompts(TAnswerPolicy policy)
    : FPolicy(policy), FPrevious(SetPrompts(this)) {}

TTerminalPrompts::~TTerminalPrompts() {
  SetPrompts(FPrevious);
}

bool TTerminalPrompts::Prompt(TPromptKind kind, const std::string& text, const std::string&) {
  const std::string shown = ForTerminal(text);
  if (kind == TPromptKind::pkError) {
    std::fprintf(stderr, "%s\n", shown.c_str());
    return true;
  }
  if (kind == TPromptKind::pkInformation) {
    std::printf("%s\n", shown.c_str());
    return true;
  }
  const bool interactive = FPolicy == apAsk && isatty(STDIN_FILENO);
  if (!interactive) {
    const bool answer = FPolicy == apYes;
    std::printf("%s %s\n", shown.c_str(), answer ? "[yes]" : "[no: answer with --yes]");
    return answer;
  }
  const char* choices = kind == TPromptKind::pkQuestion ? "[y/N]" : "[OK/cancel: o/C]";
  std::printf("%s %s ", shown.c_str(), choices);
  std::fflush(stdout);
  std::string reply;
  if (!std::getline(std::cin, reply)) return false;
  reply = LowerCase(Trim(reply));
  return kind == TPromptKind::pkQuestion ? (reply == "y" || reply == "yes")
                                         : (reply == "o" || reply == "ok");
}

}  // namespace vaultora::cli
