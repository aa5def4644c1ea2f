#pragma once
// One computer of the user for the process tests: a profile folder of its own (VAULTORA_HOME of
// every vaultora-cli it runs, also its working folder and log folder), its settings store opened
// in this process, and the output of the last command it ran. Several can live side by side: each
// passes its own VAULTORA_HOME to the program instead of switching this process's environment.

#include <string>

#include "online/account_record.h"
#include "settings/ini_registry_editor.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace vaultora::test {

class TCliProfile {
  TTempFolder FHome;  // first: the store below opens its hive in it

 public:
  // A fresh profile with logging on and its working folder in the profile folder; cliPath is the
  // vaultora-cli to run.
  explicit TCliProfile(std::string cliPath);

  // Points the profile at a server on loopback (a LAN server: no dial-up) with an account.
  void Connect(int port, const TAccountItems& account);
  // Stores the user's encryption key.
  void SetKey(const std::string& key);

  // Runs vaultora-cli with the arguments (a shell command line, quoted as needed) in this profile,
  // with input on its standard input; returns the exit status and keeps the output.
  int Run(const std::string& arguments, const std::string& input = "");
  // Runs it with standard output and standard error apart: Output() is then standard output
  // alone, Errors() standard error.
  int RunApart(const std::string& arguments);
  const std::string& Errors() const { return FLast.Errors; }
  // Runs "backup " + arguments; the key of the catalogue entry it added, or "" when it added none.
  std::string Backup(const std::string& arguments);
  const std::string& Output() const { return FLast.Output; }
  bool Printed(const std::string& text) const { return FLast.Output.find(text) != npos; }

  // The profile folder with a trailing '/'.
  const std::string& Home() const { return FHome.Path(); }
  // The path of a catalogue entry's file in the working folder ("46010.5", ".BFE").
  std::string FileOf(const std::string& id, const std::string& ext) const;
  // The path of one of the log files ("Backup.log").
  std::string LogOf(const std::string& name) const { return FHome / name; }

  TIniRegistryEditor Store;  // at Software\Vaultora of the current user

 private:
  static constexpr size_t npos = std::string::npos;
  std::string FCliPath;
  TProcessRun FLast;
};

}  // namespace vaultora::test
