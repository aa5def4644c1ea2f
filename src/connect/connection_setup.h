#pragma once
// TConnectionSetup: the rules of the "Connection" set-up, without its window. It holds what the
// dialog's controls hold (the option of the cover page, the phone book with its selection, the
// host and port fields), loads them from the Connection section, checks the pages, says where
// "&Next >" and "< &Back" lead, and rewrites the section on "&Apply". The phone book is given by
// the caller (the dialer's PhoneBook()), so this class needs no dial-up facility. Used on one
// thread with that thread's settings store; store failures raise ERegistryException.

#include <optional>
#include <string>

#include "connect/setup_problem.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

// The options of the cover page, in their order there.
enum TConnectionOption { coDirect, coExistingDialup, coNewDialup };

// The pages: cover, existing connection, server, finished.
enum TConnectionPage { cpCover = 0, cpExisting = 1, cpServer = 2, cpFinished = 3 };

extern const char* const kConnectionOptionCaptions[3];
extern const char* const kNoHostText;        // "A Host has not been specified."
extern const char* const kNoServerPortText;  // "A Server port has not been specified."
extern const char* const kBadServerPortText;
extern const char* const kBadHostText;
extern const char* const kNoEntrySelectedText;

// Field names of TSetupProblem.
inline constexpr const char* kHostField = "Host";
inline constexpr const char* kServerPortField = "ServerPort";
inline constexpr const char* kPhoneBookField = "PhoneBook";

// The Connection section as stored, each value only when present.
struct TStoredConnection {
  bool Direct = false;  // UseLANServer exists
  std::optional<std::string> Entry;
  std::optional<std::string> Host;
  std::optional<int> Port;
};
TStoredConnection ReadStoredConnection(TIniRegistryEditor& store);

class TConnectionSetup {
 public:
  // The entry named by Connection when it is in the phone book, else the first entry; direct
  // when UseLANServer exists, else the existing dial-up when the phone book has entries, else a
  // new one. Host and port fill their fields when present (the port field shows 211 otherwise).
  void Load(TIniRegistryEditor& store, const TStringList& phoneBook);

  TConnectionOption Option() const { return FOption; }
  void SetOption(TConnectionOption value) { FOption = value; }

  const TStringList& PhoneBook() const { return FPhoneBook; }
  int SelectedEntry() const { return FSelected; }  // -1 = none
  std::string SelectedEntryName() const;
  void SelectEntry(int index);  // an index outside the list selects none
  // Selects the entry of that name (letter case ignored); false, and nothing changes, when the
  // phone book has no such entry.
  bool SelectEntryNamed(const std::string& name);
  // The phone book read again: the selected index stays when still valid, else the first entry.
  void RefreshPhoneBook(const TStringList& phoneBook);
  // After the facility's new-entry dialog, with the phone book read again: when it grew, the
  // last entry is selected and true returned (go on to the existing-connection page); otherwise
  // the entry selected before stays selected.
  bool EntryCreated(const TStringList& phoneBook);

  // The fields as typed; the port is text, since a field can be emptied.
  std::string Host;
  std::string Port;

  // The page "&Next >" leads to when Check(page) passes: the cover goes to the existing
  // connection page for both dial-up options (a new entry must be made first, EntryCreated) and
  // to the server page for the direct one.
  int NextPage(int page) const;
  // From the server page back to the existing connection page only when that option is chosen.
  int BackPage(int page) const;
  // The page's rule: the existing connection page needs a selected entry, the server page a
  // host (an IPv4 address or a host name, looked up when connecting) and a port from 1 to 65535.
  TSetupCheck Check(int page) const;

  // The finished page's summary, one line per choice.
  TStringList Summary() const;

  // Checks the pages the choice passes through; when they pass, clears the Connection section
  // and writes it again in one batch ("Connection=" + the selected entry when one is selected,
  // "Host=", "3~ServerPort=", "2~UseLANServer=1" for the direct option), all in one transaction,
  // so a failure leaves the section as it was. Returns the problem instead when a page fails.
  TSetupCheck Apply(TIniRegistryEditor& store) const;

 private:
  TConnectionOption FOption = coNewDialup;
  TStringList FPhoneBook;
  int FSelected = -1;
};

}  // namespace vaultora
