#pragma once
// TRasDialer: dial-up networking over the dial-up adapter. It lists the phone book, dials the
// selected entry with its credentials, follows the dial through its states, polls the line while
// it is up and hangs it up; a line that was up before it dialled is adopted and left up. The
// adapter's notification routine only posts to the dialer's receiver, so every event and state
// change happens on the owner's thread. Used from the owner's thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "connect/ras_adapter.h"
#include "platform/component.h"
#include "platform/runtime/message_receiver.h"
#include "platform/text.h"

class QTimer;

namespace vaultora {

// The message a dial's notification posts (state in wParam, error in lParam).
constexpr unsigned WM_RASDIALEVENT = 0xCCCD;

class TRasDialer : public TComponent {
 public:
  // adapter: nullptr = DialupAdapter(); it must outlive the dialer.
  explicit TRasDialer(TComponent* owner = nullptr, TRasAdapter* adapter = nullptr);
  ~TRasDialer() override;

  bool Active() const { return FActive; }
  // true dials the selected entry (or adopts its line); false hangs up.
  void SetActive(bool value);

  // The entry names, read again from the facility on every call (at most 16).
  TStringList PhoneBook();
  int SelPhoneBookEntry() const { return FSelEntry; }
  void SetSelPhoneBookEntry(int value);  // an index past the list keeps the old one
  std::string SelPhoneBookName() const;
  void SetSelPhoneBookName(const std::string& value);  // -1 when not in the list

  // The selected entry's stored credentials, read on first use; the caller may overwrite them.
  const std::string& UserName();
  const std::string& Password();
  const std::string& Domain();
  void SetUserName(const std::string& value);
  void SetPassword(const std::string& value);
  void SetDomain(const std::string& value);

  // Milliseconds between status polls while connected; 0 = the shortest practical period.
  int TimerInterval() const { return FTimerInterval; }
  void SetTimerInterval(int value);

  std::function<void(TRasDialer& sender, const std::string& status)> OnRasStatus;
  std::function<void(TRasDialer& sender, const std::string& error)> OnRasError;
  std::function<void(TRasDialer& sender, const std::string& state, int dwState)> OnRasStateChange;
  std::function<void(TRasDialer& sender, const std::string& status, unsigned dwError)>
      OnDialdwError;
  std::function<void(TRasDialer& sender)> OnConnect;
  std::function<void(TRasDialer& sender)> OnDisConnect;
  std::function<void(TRasDialer& sender)> OnLogonFailed;

  // Opens the facility's editor for the selected entry; true when it succeeded.
  bool EditEntry();
  // Opens the facility's new-entry dialog; true when an entry was made and the list re-read.
  bool CreateEntry();
  // The IP address of the first active connection, "" when there is none.
  virtual std::string IpAddress();
  static std::string StateName(unsigned state);

 protected:
  virtual void PollStatus();
  // The handle of the entry's active connection, 0 when it has none.
  virtual TRasHandle FindActiveConnection(const std::string& entry);
  virtual void ReportStatus(const std::string& text);
  virtual void ReportError(const std::string& text);
  virtual void ReportDialError(unsigned code);
  virtual bool RefreshPhoneBook();

 private:
  struct TNotifyTarget;
  void Dial(const std::string& entry, const std::string& user, const std::string& password);
  void HandleNotification(const TMessage& message);
  void Connected();
  void HangUp();
  void ReadCredentials();
  void StartPoll();

  TRasAdapter& FAdapter;
  std::unique_ptr<TMessageReceiver> FWindow;  // the hidden window
  std::shared_ptr<TNotifyTarget> FNotifyTarget;
  std::unique_ptr<QTimer> FPoll;
  TRasHandle FHandle = 0;
  unsigned FDialSerial = 0;  // tells the notifications of the current dial from older ones
  bool FActive = false;
  bool FAdopted = false;
  TStringList FPhoneBook;
  int FSelEntry = -1;
  bool FCredentialsRead = false;
  std::string FUserName, FPassword, FDomain;
  int FTimerInterval = 0;
};

// The facility in use, by $VAULTORA_DIALUP: unset or "none" = no dial-up facility, "nmcli" =
// NetworkManager, any other text = a simulated facility read from that file.
TRasAdapter& DialupAdapter();

}  // namespace vaultora
