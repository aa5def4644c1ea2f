#include "cli/cli_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/exit_status.h"

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

std::optional<std::string> GivenValue(const TArgs& args, const std::string& option) {
  if (!HasFlag(args, option)) return std::nullopt;
  return OptionValue(args, option);
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

std::map<std::string, bool> UsageOptions(const std::string& usage) {
  std::vector<std::string> words;
  for (size_t at = 0; at < usage.size();) {
    const size_t end = std::min(usage.find(' ', at), usage.size());
    if (end > at) words.push_back(usage.substr(at, end - at));
    at = end + 1;
  }
  std::map<std::string, bool> options;
  for (size_t i = 0; i < words.size(); ++i) {
    const size_t start = words[i].find("--");
    if (start == std::string::npos) continue;
    size_t end = start + 2;
    while (end < words[i].size() &&
           (std::isalnum(static_cast<unsigned char>(words[i][end])) || words[i][end] == '-'))
      ++end;
    // "--name]" closes its brackets: a flag. Otherwise a following word that opens no new
    // choice ("[", "|", "-") is the option's value.
    const bool closes = end < words[i].size() && words[i][end] == ']';
    const bool value = !closes && i + 1 < words.size() &&
                       std::string("[|-").find(words[i + 1][0]) == std::string::npos;
    options[words[i].substr(start, end - start)] = value;
  }
  return options;
}

std::string CheckOptions(const TCliCommand& command, const TArgs& args) {
  std::map<std::string, bool> options = UsageOptions(command.Usage);
  for (const char* common : {"--yes", "--no", "--help"})
    options[common] = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].size() <= 2 || args[i].compare(0, 2, "--") != 0) continue;
    const auto found = options.find(args[i]);
    if (found == options.end())
      return "unknown option \"" + args[i] + "\" for " + command.Name + " (see vaultora-cli " +
             command.Name + " --help)";
    if (found->second && ++i >= args.size()) return found->first + " needs a value";
  }
  return "";
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "vaultora-cli: %s\n", text.c_str());
  return kExitFailed;
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "vaultora-cli: %s\n", text.c_str());
  return kExitUsage;
}

}  // namespace vaultora::cli
