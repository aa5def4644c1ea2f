#include "settings/autostart_entry.h"

#include <cstdio>

#include "platform/folders.h"
#include "platform/text.h"
#include "settings/registry_error.h"

namespace vaultora {

namespace {

constexpr const char* kTrayArgument = " -StartupTray";

// Quoting of the desktop entry's Exec key: a program path with reserved characters is quoted,
// with ", `, $ and \ escaped inside.
std::string QuoteExecArgument(const std::string& argument) {
  if (argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos) return argument;
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string ExecLine(const std::string& command) {
  if (EndsWith(command, kTrayArgument) && command.size() > std::string(kTrayArgument).size())
    return QuoteExecArgument(
               command.substr(0, command.size() - std::string(kTrayArgument).size())) +
           kTrayArgument;
  return command;  // not ours: keep the command as it was written
}

}  // namespace

std::string AutostartEntryPath() {
  return AutostartFolder() + "vaultora.desktop";
}

void WriteAutostartEntry(const std::string& command) {
  const std::string path = AutostartEntryPath();
  const std::string temp = path + ".new";
  const std::string text =
      "[Desktop Entry]\nType=Application\nName=Vaultora\nExec=" + ExecLine(command) +
      "\nX-GNOME-Autostart-enabled=true\n";
  bool written = ForceDirectories(AutostartFolder());
  if (written) {
    FILE* file = std::fopen(temp.c_str(), "wb");
    written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0) written = false;
    written = written && ReplaceFile(temp, path);
    if (!written) DeleteFile(temp);
  }
  if (!written)
    throw ERegistryException(Format("Cannot write the autostart entry \"%s\"", path.c_str()));
}

void RemoveAutostartEntry() {
  const std::string path = AutostartEntryPath();
  if (FileExists(path) && !DeleteFile(path))
    throw ERegistryException(Format("Cannot remove the autostart entry \"%s\"", path.c_str()));
}

}  // namespace vaultora
