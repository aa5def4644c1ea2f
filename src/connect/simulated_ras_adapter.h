#pragma once
// A dial-up facility that exists only in memory: a phone book, connections that are up, and a
// scripted course of states and error codes for each dial. Tests set it directly; a user can try
// the dial-up windows with a file (format in docs/dialup.md). Owner's thread only; notifications
// are given during Dial, as the system's routine would give them soon after.

#include <deque>
#include <string>
#include <vector>

#include "connect/ras_adapter.h"

namespace vaultora {

class TSimulatedRasAdapter : public TRasAdapter {
 public:
  struct TStep {
    unsigned State = 0;
    unsigned Error = 0;
  };
  // One dial: an error that refuses the start, or the states (and error) that follow it.
  struct TCourse {
    unsigned StartError = 0;
    std::vector<TStep> Steps;
  };
  // The course of a dial that nothing was scripted for: it connects.
  static TCourse ConnectingCourse();

  void AddEntry(const std::string& name, const std::string& user = "",
                const std::string& password = "", const std::string& domain = "");
  void SetConnected(const std::string& name);    // up before anyone dials
  void DropConnection(const std::string& name);  // the line goes down by itself
  void AddCourse(TCourse course) { FCourses.push_back(std::move(course)); }

  // Reads a script file; false with the reason when a line cannot be understood.
  bool LoadFromFile(const std::string& path, std::string& error);

  // What was asked of the facility: "dial <entry> <user>", "hangup <entry>".
  const TStringList& Calls() const { return FCalls; }

  unsigned EnumEntries(size_t capacity, TStringList& names) override;
  unsigned GetEntryDialParams(const std::string& entry, TRasDialParams& params) override;
  unsigned EnumConnections(size_t capacity, std::vector<TRasConnection>& connections) override;
  unsigned Dial(const TRasDialParams& params, TRasNotify notify, TRasHandle& handle) override;
  unsigned GetConnectStatus(TRasHandle handle) override;
  unsigned HangUp(TRasHandle handle) override;
  std::string ErrorString(unsigned code) override { return RasErrorText(code); }
  bool EditEntry(const std::string& entry) override;
  bool CreateEntry() override;
  std::string IpAddress(TRasHandle handle) override;

 private:
  struct TEntry {
    std::string Name, User, Password, Domain;
  };
  struct TLine {
    std::string Entry;
    TRasHandle Handle = 0;
    bool Up = false;
  };
  TLine* FindLine(TRasHandle handle);
  TEntry* FindEntry(const std::string& name);

  std::vector<TEntry> FEntries;
  std::vector<TLine> FLines;
  std::deque<TCourse> FCourses;
  TRasHandle FNextHandle = 100;
  TStringList FCalls;
};

}  // namespace vaultora
