// vaultora-cli: the client without windows.
#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <string>

#include "app/runtime/client_setup.h"
#include "cli/cli_command.h"
#include "cli/exit_status.h"
#include "cli/interrupts.h"
#include "cli/terminal_prompts.h"
#include "platform/runtime/event_loop_hook.h"
#include "settings/ini_registry_editor.h"
#include "vaultora_version.h"

namespace {

void PrintHelp() {
  std::printf(
      "Usage: vaultora-cli COMMAND [ARGUMENTS]\n\n"
      "The Vaultora backup client without windows. The profile (settings, catalogue, logs,\n"
      "working folder) is $VAULTORA_HOME when set, else the XDG folders of the user.\n\n"
      "Commands:\n");
  for (const auto& [name, command] : vaultora::cli::Commands())
    std::printf("  %-24s %s\n    %s\n", name.c_str(), command.Usage.c_str(),
                command.Summary.c_str());
  std::printf(
      "\n  --help                   this text\n"
      "  --version                the program's version\n"
      "  --yes, --no              answer every question (asked on the terminal otherwise)\n\n"
      "%s",
      vaultora::cli::kExitStatusHelp);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vaultora-cli");
  vaultora::InstallEventLoopHook();
  using namespace vaultora::cli;

  TArgs args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp();
    return args.empty() ? kExitUsage : kExitDone;
  }
  if (args[0] == "--version") {
    std::printf("vaultora-cli %s\n", VAULTORA_VERSION);
    return kExitDone;
  }
  // Commands have one or two words ("backup", "archive create"): the longest match wins.
  auto& commands = Commands();
  auto found = commands.end();
  size_t used = 0;
  if (args.size() >= 2) {
    found = commands.find(args[0] + " " + args[1]);
    used = 2;
  }
  if (found == commands.end()) {
    found = commands.find(args[0]);
    used = 1;
  }
  if (found == commands.end()) {
    std::fprintf(stderr, "vaultora-cli: unknown command \"%s\" (see vaultora-cli --help)\n",
                 args[0].c_str());
    return kExitUsage;
  }
  TArgs rest(args.begin() + static_cast<long>(used), args.end());
  if (HasFlag(rest, "--help")) {
    std::printf("Usage: vaultora-cli %s %s\n  %s\n", found->first.c_str(),
                found->second.Usage.c_str(), found->second.Summary.c_str());
    return kExitDone;
  }
  if (const std::string problem = CheckOptions(found->second, rest); !problem.empty()) {
    return UsageError(problem);
  }
  // Questions are asked on the terminal unless --yes or --no answers them.
  using vaultora::cli::HasFlag;
  vaultora::cli::TTerminalPrompts prompts(HasFlag(rest, "--yes")  ? vaultora::cli::apYes
                                          : HasFlag(rest, "--no") ? vaultora::cli::apNo
                                                                  : vaultora::cli::apAsk);
  try {
    // The profile starts as the desktop client would start it, without the session autostart.
    if (!found->second.Tool) {
      vaultora::TIniRegistryEditor store;
      vaultora::WriteFirstRunDefaults(store, "");
    }
    const int status = found->second.Run(rest);
    // Work that Ctrl+C or TERM stopped before it was done says so in its status.
    return status != kExitDone && Interrupted() ? kExitInterrupted : status;
  } catch (const std::exception& e) {
    return Interrupted() ? kExitInterrupted : Fail(e.what());
  }
}
