#pragma once
// The commands of vaultora-cli. Each command file registers its commands with a static
// TCliRegistrar, so adding a command never touches another file.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vaultora::cli {

using TArgs = std::vector<std::string>;

struct TCliCommand {
  std::string Name;     // "archive create", "settings dump", ...
  std::string Usage;    // arguments after the name
  std::string Summary;  // one line for --help
  // Returns the exit status (cli/exit_status.h): kExitDone only on success.
  std::function<int(const TArgs& args)> Run;
  // A tool on files or on the raw store: the profile's first-run defaults are not written
  // before it runs (every other command works on the client's profile, as the client would).
  bool Tool = false;
};

std::map<std::string, TCliCommand>& Commands();

struct TCliRegistrar {
  explicit TCliRegistrar(TCliCommand command);
};

// Option helpers shared by the commands: "--name value" and "--flag".
bool HasFlag(const TArgs& args, const std::string& flag);
std::string OptionValue(const TArgs& args, const std::string& option, const std::string& def = "");
// The value of the option when it is given (it may be empty), else nullopt.
std::optional<std::string> GivenValue(const TArgs& args, const std::string& option);
// The arguments that are neither options nor option values, for the given value-taking options.
TArgs Positional(const TArgs& args, const std::vector<std::string>& valueOptions);

// The options a command's usage names, each with whether it takes a value ("--to FOLDER") or not
// ("--full]"); the usage is the one place where a command's options are written down.
std::map<std::string, bool> UsageOptions(const std::string& usage);
// The complaint about the first option the usage does not name, or one whose value is missing;
// "" when every option is known. A mistyped option must not be ignored: "restore X --too DIR"
// would otherwise restore over the files at their old place.
std::string CheckOptions(const TCliCommand& command, const TArgs& args);

// Prints "vaultora-cli: " + text to standard error and returns kExitFailed.
int Fail(const std::string& text);
// The same for a command line that cannot be used: returns kExitUsage.
int UsageError(const std::string& text);

}  // namespace vaultora::cli
