// vaultora-cli connection and options: the "Connection" and "Options" set-up without their
// windows. Each command loads the set-up model, changes what the arguments name, lets the model
// check and store it, and prints what it stored; a refused change writes nothing.
#include <QCoreApplication>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/output.h"
#include "connect/connection_setup.h"
#include "connect/option_setup.h"
#include "connect/runtime/ras_dialer.h"
#include "platform/folders.h"
#include "platform/json_writer.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

// These commands take options only: a stray word is refused rather than ignored.
int NoWords(const TArgs& args, const char* command,
            const std::vector<std::string>& valueOptions = {}) {
  const TArgs words = Positional(args, valueOptions);
  if (words.empty()) return 0;
  return UsageError("unknown argument \"" + words[0] + "\" (see vaultora-cli " + command +
                    " --help)");
}

TStringList ReadPhoneBook() {
  TRasDialer dialer;
  dialer.OnRasError = [](TRasDialer&, const std::string& text) {
    std::fprintf(stderr, "vaultora-cli: the dial-up phone book cannot be read: %s\n", text.c_str());
  };
  return dialer.PhoneBook();
}

void PrintLines(const TStringList& lines) {
  for (const std::string& line : lines)
    std::printf("%s\n", line.c_str());
}

int ConnectionShow(const TArgs& args) {
  if (const int status = NoWords(args, "connection")) return status;
  TIniRegistryEditor store;
  const TStoredConnection stored = ReadStoredConnection(store);
  if (OutputMode().Json) {
    const bool setUp = stored.Host || stored.Port || stored.Entry || stored.Direct;
    TJsonWriter json;
    json.BeginObject().Field("setUp", setUp).Key("connection");
    setUp ? json.String(stored.Direct ? "direct" : "dial-up") : json.Null();
    json.OptionalField("dialupEntry", stored.Entry.value_or(""))
        .OptionalField("host", stored.Host.value_or(""))
        .Key("port");
    stored.Port ? json.Number(static_cast<int64_t>(*stored.Port)) : json.Null();
    PrintJson(json.EndObject());
    return 0;
  }
  if (!stored.Host && !stored.Port && !stored.Entry && !stored.Direct) {
    std::printf("The connection has not been set up (vaultora-cli connection set).\n");
    return 0;
  }
  std::printf("Connection: %s\n", stored.Direct ? "direct" : "dial-up");
  std::printf("Dialup entry: %s\n", stored.Entry ? stored.Entry->c_str() : "(none)");
  std::printf("Host: %s\n", stored.Host ? stored.Host->c_str() : "(not set)");
  std::printf("Server port: %s\n", stored.Port ? IntToStr(*stored.Port).c_str() : "(not set)");
  return 0;
}

int ConnectionSet(const TArgs& args) {
  if (const int status = NoWords(args, "connection set", {"--host", "--port", "--dialup"}))
    return status;
  const std::optional<std::string> host = GivenValue(args, "--host");
  const std::optional<std::string> port = GivenValue(args, "--port");
  const std::optional<std::string> entry = GivenValue(args, "--dialup");
  const bool direct = HasFlag(args, "--direct");
  if (direct && entry) return UsageError("give either --direct or --dialup ENTRY, not both");

  TIniRegistryEditor store;
  const TStoredConnection stored = ReadStoredConnection(store);
  TConnectionSetup setup;
  setup.Load(store, ReadPhoneBook());
  if (direct) {
    setup.SetOption(coDirect);
  } else if (entry) {
    if (!setup.SelectEntryNamed(*entry))
      return Fail("there is no dial-up entry \"" + *entry +
                  "\" in the phone book (vaultora-cli connection entries); nothing was changed");
    setup.SetOption(coExistingDialup);
  } else if (!stored.Direct) {
    // Keep the stored way of reaching the server, but never pick an entry the user did not.
    if (!stored.Entry)
      return UsageError("say how the server is reached: --direct or --dialup ENTRY");
    if (!SameText(setup.SelectedEntryName(), *stored.Entry))
      return Fail("the stored dial-up entry \"" + *stored.Entry +
                  "\" is not in the phone book; give --direct or --dialup ENTRY");
  }
  if (host) setup.Host = *host;
  if (port) setup.Port = *port;
  if (const TSetupCheck problem = setup.Apply(store))
    return Fail(problem->Text + " Nothing was changed.");
  std::printf("Connection stored.\n");
  PrintLines(setup.Summary());
  return 0;
}

int ConnectionEntries(const TArgs& args) {
  if (const int status = NoWords(args, "connection entries")) return status;
  const TStringList book = ReadPhoneBook();
  if (book.empty()) std::printf("The dial-up phone book has no entries.\n");
  PrintLines(book);
  return 0;
}

// One option by its command-line name: which control it is and what it accepts.
struct TOptionName {
  enum TKind { okFlag, okNumber, okChoice, okText, okFolder };
  const char* Name;
  TKind Kind;
  bool TOptionValues::*Flag = nullptr;
  int32_t TOptionValues::*Number = nullptr;
  std::string TOptionValues::*Text = nullptr;
  int32_t Low = 0, High = 0;
  TStringList Choices;
  bool TOptionControls::*ActiveWhen = nullptr;  // nullptr = always in use
  const char* Note = "";
};

TOptionName Flag(const char* name, bool TOptionValues::*field,
                 bool TOptionControls::*active = nullptr) {
  return {name, TOptionName::okFlag, field, nullptr, nullptr, 0, 0, {}, active};
}
TOptionName Number(const char* name, int32_t TOptionValues::*field, int32_t low, int32_t high,
                   const char* note = "", bool TOptionControls::*active = nullptr) {
  return {name, TOptionName::okNumber, nullptr, field, nullptr, low, high, {}, active, note};
}
TOptionName Choice(const char* name, int32_t TOptionValues::*field, TStringList choices,
                   bool TOptionControls::*active = nullptr) {
  return {name, TOptionName::okChoice, nullptr, field, nullptr, 0, 0, std::move(choices), active};
}
TOptionName Text(const char* name, std::string TOptionValues::*field,
                 bool TOptionControls::*active = nullptr, const char* note = "",
                 TOptionName::TKind kind = TOptionName::okText) {
  return {name, kind, nullptr, nullptr, field, 0, 0, {}, active, note};
}

// In the order of the dialog's pages.
const std::vector<TOptionName>& OptionNames() {
  namespace p = keys::preferences;
  using V = TOptionValues;
  using C = TOptionControls;
  const TStringList priorities{"idle",   "lowest",  "lower",        "normal",
                               "higher", "highest", "time-critical"};
  static const std::vector<TOptionName> names{
      Flag("run-at-startup", &V::RunAtStartup),
      Flag("remove-from-taskbar", &V::RemoveFromTaskbar),
      Flag("scheduled-backups", &V::ScheduledBackups),
      Flag("catch-up-missed", &V::CatchUpMissed),
      Number("catch-up-delay", &V::CatchUpDelay, 0, p::kMaxCatchUpDelay,
             "minutes after start or wake-up before a missed schedule runs"),
      Flag("keep-log-files", &V::KeepLogFiles),
      Number("max-log-size", &V::MaxLogFileSize, 0, p::kMaxMaxLogFileSize,
             "KB; below 512 = no limit"),
      Flag("private-file-list", &V::PrivateFileList),
      Choice("compression", &V::CompressionType, {"fastest", "average", "slowest"}),
      Text("working-folder", &V::WorkingFolder, nullptr,
           "an existing folder; \"\" = the profile folder", TOptionName::okFolder),
      Flag("reconnect", &V::AutoReconnect),
      Flag("disconnect-when-finished", &V::DisconnectWhenFinished),
      Number("dial-retry", &V::DialRetry, 0, p::kMaxDialRetry, "redials"),
      Number("dial-wait", &V::DialWait, 0, p::kMaxDialWait, "minutes between dials"),
      Number("transmit-buffer", &V::TransmitBufferSize, p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
             "bytes"),
      Number("receive-buffer", &V::ReceiveBufferSize, p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
             "bytes"),
      Choice("transmit-priority", &V::TransmitPriority, priorities),
      Choice("receive-priority", &V::ReceivePriority, priorities),
      Number("bandwidth-limit", &V::BandwidthLimit, 0, p::kMaxBandwidthLimit,
             "KB/s for uploads and downloads; 0 = no limit"),
      Flag("prompt-before-shutdown", &V::PromptBeforeShutdown),
      Choice("shutdown-action", &V::ShutDownAction,
             {"standby", "shut-down", "restart", "execute-shell", "log-off"}, &C::ShutDownAction),
      Number("shutdown-after", &V::ShutdownTimeout, p::kMinShutdownTimeout, p::kMaxShutdownTimeout,
             "seconds", &C::ShutDownAction),
      Text("shell-command", &V::ShellCommand, &C::ShellCommand),
      Choice("standby-technique", &V::StandbyTechnique, {"hibernate", "ram-alive"},
             &C::StandbyMode),
      Flag("force-standby", &V::ForceStandby, &C::StandbyMode),
      Flag("email-notification", &V::EMailNotification),
      Text("email-address", &V::EMailAddress, &C::EMailAddress),
      Flag("sms-notification", &V::SMSNotification),
      Text("sms-number", &V::SMSNumber, &C::SMSNumber),
  };
  return names;
}

const TOptionName* FindOption(const std::string& name) {
  for (const TOptionName& option : OptionNames())
    if (name == option.Name) return &option;
  return nullptr;
}

std::string AllowedText(const TOptionName& option) {
  switch (option.Kind) {
    case TOptionName::okFlag:
      return "on|off";
    case TOptionName::okNumber:
      return IntToStr(option.Low) + ".." + IntToStr(option.High) +
             (*option.Note ? std::string(" (") + option.Note + ")" : "");
    case TOptionName::okChoice:
      return Join(option.Choices, "|");
    default:
      return *option.Note ? option.Note : "text";
  }
}

std::string ValueText(const TOptionName& option, const TOptionValues& values) {
  switch (option.Kind) {
    case TOptionName::okFlag:
      return values.*option.Flag ? "on" : "off";
    case TOptionName::okNumber:
      return IntToStr(values.*option.Number);
    case TOptionName::okChoice: {
      const int32_t index = values.*option.Number;
      return index >= 0 && index < static_cast<int32_t>(option.Choices.size())
                 ? option.Choices[static_cast<size_t>(index)]
                 : IntToStr(index);
    }
    default:
      return "\"" + values.*option.Text + "\"";
  }
}

// The value as JSON: flags are Booleans, numbers numbers, choices and texts strings.
void ValueJson(TJsonWriter& json, const TOptionName& option, const TOptionValues& values) {
  switch (option.Kind) {
    case TOptionName::okFlag:
      json.Bool(values.*option.Flag);
      break;
    case TOptionName::okNumber:
      json.Number(static_cast<int64_t>(values.*option.Number));
      break;
    case TOptionName::okChoice:
      json.String(ValueText(option, values));
      break;
    default:
      json.String(values.*option.Text);
  }
}

bool ParseFlag(const std::string& text, bool& value) {
  for (const char* on : {"on", "yes", "true", "1"})
    if (SameText(text, on)) {
      value = true;
      return true;
    }
  for (const char* off : {"off", "no", "false", "0"})
    if (SameText(text, off)) {
      value = false;
      return true;
    }
  return false;
}

// Sets the option from its text; false when the text is not one of its values.
bool SetOption(const TOptionName& option, const std::string& text, TOptionValues& values) {
  switch (option.Kind) {
    case TOptionName::okFlag:
      return ParseFlag(text, values.*option.Flag);
    case TOptionName::okNumber: {
      long long number = 0;
      if (!TryStrToInt(text, number) || number < option.Low || number > option.High) return false;
      values.*option.Number = static_cast<int32_t>(number);
      return true;
    }
    case TOptionName::okChoice:
      for (size_t i = 0; i < option.Choices.size(); ++i)
        if (SameText(text, option.Choices[i])) {
          values.*option.Number = static_cast<int32_t>(i);
          return true;
        }
      return false;
    case TOptionName::okFolder:
      // A folder named from the terminal is kept whole: the client may run elsewhere later.
      values.*option.Text = AbsolutePath(text);
      return true;
    default:
      values.*option.Text = text;
      return true;
  }
}

std::string OptionsUsage() {
  std::string usage = "NAME VALUE [NAME VALUE ...]\n      names and values:";
  for (const TOptionName& option : OptionNames())
    usage += Format("\n        %-26s %s", option.Name, AllowedText(option).c_str());
  return usage;
}

// The desktop client, which starts in the notification area with the session.
std::string DesktopProgramPath() {
  return QCoreApplication::applicationDirPath().toStdString() + "/vaultora";
}

int OptionsShow(const TArgs& args) {
  if (!Positional(args, {}).empty()) return UsageError("usage: vaultora-cli options");
  TIniRegistryEditor store;
  TOptionSetup setup;
  setup.Load(store);
  const TOptionControls controls = setup.Controls();
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginObject().Key("options").BeginArray();
    for (const TOptionName& option : OptionNames()) {
      json.BeginObject().Field("name", option.Name).Key("value");
      ValueJson(json, option, setup.Values);
      json.Field("allowed", AllowedText(option))
          .Field("inUse", !option.ActiveWhen || controls.*option.ActiveWhen)
          .EndObject();
    }
    json.EndArray().Field("encryptionKeyStored", setup.HasStoredKey()).EndObject();
    PrintJson(json);
    return 0;
  }
  for (const TOptionName& option : OptionNames()) {
    const bool inUse = !option.ActiveWhen || controls.*option.ActiveWhen;
    std::printf("%-26s %-22s %s%s\n", option.Name, ValueText(option, setup.Values).c_str(),
                AllowedText(option).c_str(), inUse ? "" : "  [not in use]");
  }
  std::printf("%-26s %s\n", "encryption key",
              setup.HasStoredKey() ? "stored (vaultora-cli key set changes it)"
                                   : "none (vaultora-cli key set)");
  return 0;
}

int OptionsSet(const TArgs& args) {
  const TArgs pairs = Positional(args, {});
  if (pairs.empty() || pairs.size() % 2 != 0)
    return UsageError("usage: vaultora-cli options set NAME VALUE [NAME VALUE ...]");
  TIniRegistryEditor store;
  TOptionSetup setup;
  setup.Load(store);
  for (size_t i = 0; i < pairs.size(); i += 2) {
    const TOptionName* option = FindOption(pairs[i]);
    if (!option)
      return UsageError("unknown option \"" + pairs[i] +
                        "\" (vaultora-cli options lists them); nothing was changed");
    if (!SetOption(*option, pairs[i + 1], setup.Values))
      return UsageError("\"" + pairs[i + 1] + "\" is not a value of " + option->Name + " (" +
                        AllowedText(*option) + "); nothing was changed");
  }
  if (const TSetupCheck problem = setup.Apply(store, DesktopProgramPath()))
    return Fail(problem->Text + " Nothing was changed.");
  std::printf("Options stored.\n");
  return 0;
}

const TCliRegistrar kConnectionShow({"connection", "[--json]",
                                     "show how the backup server is reached: direct or dial-up "
                                     "entry, host and port",
                                     ConnectionShow});
const TCliRegistrar kConnectionSet(
    {"connection set", "[--host IPV4-ADDRESS] [--port PORT] [--direct | --dialup ENTRY]",
     "set the backup server's address and how it is reached (what is not given stays as "
     "stored; the port shows 211 when none is stored)",
     ConnectionSet});
const TCliRegistrar kConnectionEntries({"connection entries", "",
                                        "list the dial-up phone book ($VAULTORA_DIALUP chooses "
                                        "the dial-up facility)",
                                        ConnectionEntries});
const TCliRegistrar kOptionsShow({"options", "[--json]",
                                  "show every option by name with its value and its allowed "
                                  "values",
                                  OptionsShow});
const TCliRegistrar kOptionsSet({"options set", OptionsUsage(),
                                 "change options by name; they are checked and stored together "
                                 "as the Options dialog stores them, and the encryption key is "
                                 "kept",
                                 OptionsSet});

}  // namespace
}  // namespace vaultora::cli
