#include "cli/cli_command.h"

#include <algorithm>
#include <cstdio>

namespace vaultora::cli {

std::map<std::string, TCliCommand>& Commands() {
  static std::map<std::string, TCliCommand> commands;
  return commands;
}

TCliRegistrar::TCliRegistrar(TCliCommand command) {
  std::string name = command.Name;
  Commands()[name] = std::move(command);
}

bool HasFlag(const TArgs& args, const std::string& flag) {
  return std::find(args.begin(), args.end(), flag) != args.end();
}

std::string OptionValue(const TArgs& args, const std::string& option, const std::string& def) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == option) return args[i + 1];
  return def;
}

TArgs Positional(const TArgs& args, const std::vector<std::string>& valueOptions) {
  TArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (std::find(valueOptions.begin(), valueOptions.end(), a) != valueOptions.end()) {
      ++i;
      continue;
    }
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) continue;
    out.push_back(a);
  }
  return out;
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "vaultora-cli: %s\n", text.c_str());
  return 1;
}

}  // namespace vaultora::cli
