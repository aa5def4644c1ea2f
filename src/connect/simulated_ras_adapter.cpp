#include "connect/simulated_ras_adapter.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vaultora {

TSimulatedRasAdapter::TCourse TSimulatedRasAdapter::ConnectingCourse() {
  return {0, {{0, 0}, {1, 0}, {5, 0}, {14, 0}, {kRasConnected, 0}}};
}

void TSimulatedRasAdapter::AddEntry(const std::string& name, const std::string& user,
                                    const std::string& password, const std::string& domain) {
  FEntries.push_back({name, user, password, domain});
}

void TSimulatedRasAdapter::SetConnected(const std::string& name) {
  FLines.push_back({name, FNextHandle++, true});
}

void TSimulatedRasAdapter::DropConnection(const std::string& name) {
  FLines.erase(std::remove_if(FLines.begin(), FLines.end(),
                              [&](const TLine& line) { return SameText(line.Entry, name); }),
               FLines.end());
}

TSimulatedRasAdapter::TLine* TSimulatedRasAdapter::FindLine(TRasHandle handle) {
  for (TLine& line : FLines)
    if (line.Handle == handle) return &line;
  return nullptr;
}

TSimulatedRasAdapter::TEntry* TSimulatedRasAdapter::FindEntry(const std::string& name) {
  for (TEntry& entry : FEntries)
    if (SameText(entry.Name, name)) return &entry;
  return nullptr;
}

bool TSimulatedRasAdapter::LoadFromFile(const std::string& path, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "Cannot read " + path;
    return false;
  }
  std::string text;
  int number = 0;
  while (std::getline(file, text)) {
    ++number;
    text = Trim(text);
    if (text.empty() || text[0] == '#') continue;
    const size_t space = text.find(' ');
    const std::string word = text.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(text.substr(space + 1));
    long long code = 0;
    if (word == "entry" && !rest.empty()) {
      TStringList fields = Split(rest, '|');
      fields.resize(4);
      AddEntry(fields[0], fields[1], fields[2], fields[3]);
    } else if (word == "active" && !rest.empty()) {
      SetConnected(rest);
    } else if (word == "fail" && TryStrToInt(rest, code) && code > 0) {
      AddCourse({static_cast<unsigned>(code), {}});
    } else if (word == "dial") {
      TCourse course;
      std::istringstream steps(rest);
      std::string step;
      while (steps >> step) {
        const TStringList parts = Split(step, '/');
        long long state = 0, stepError = 0;
        if (parts.size() > 2 || !TryStrToInt(parts[0], state) || state < 0 ||
            (parts.size() == 2 && (!TryStrToInt(parts[1], stepError) || stepError < 0))) {
          error = "Line " + std::to_string(number) + ": bad step \"" + step + "\"";
          return false;
        }
        course.Steps.push_back({static_cast<unsigned>(state), static_cast<unsigned>(stepError)});
      }
      AddCourse(course);
    } else {
      error = "Line " + std::to_string(number) + ": not understood";
      return false;
    }
  }
  return true;
}

unsigned TSimulatedRasAdapter::EnumEntries(size_t capacity, TStringList& names) {
  names.clear();
  if (FEntries.size() > capacity) return kErrorBufferTooSmall;
  for (const TEntry& entry : FEntries)
    names.push_back(entry.Name);
  return 0;
}

unsigned TSimulatedRasAdapter::GetEntryDialParams(const std::string& name, TRasDialParams& params) {
  const TEntry* entry = FindEntry(name);
  if (!entry) return kErrorCannotFindEntry;
  params = {entry->Name, "", "", entry->User, entry->Password, entry->Domain};
  return 0;
}

unsigned TSimulatedRasAdapter::EnumConnections(size_t capacity,
                                               std::vector<TRasConnection>& connections) {
  connections.clear();
  size_t up = 0;
  for (const TLine& line : FLines)
    if (line.Up) ++up;
  if (up > capacity) return kErrorBufferTooSmall;
  for (const TLine& line : FLines)
    if (line.Up) connections.push_back({line.Entry, line.Handle});
  return 0;
}

unsigned TSimulatedRasAdapter::Dial(const TRasDialParams& params, TRasNotify notify,
                                    TRasHandle& handle) {
  FCalls.push_back("dial " + params.EntryName + " " + params.UserName);
  TCourse course = ConnectingCourse();
  if (!FCourses.empty()) {
    course = FCourses.front();
    FCourses.pop_front();
  }
  FLines.push_back({params.EntryName, FNextHandle++, false});
  handle = FLines.back().Handle;
  if (!FindEntry(params.EntryName)) return kErrorCannotFindEntry;
  if (course.StartError != 0) return course.StartError;
  for (const TStep& step : course.Steps) {
    if (step.Error == 0 && step.State == kRasConnected) FindLine(handle)->Up = true;
    notify(step.State, step.Error);
    if (step.Error != 0) break;
  }
  return 0;
}

unsigned TSimulatedRasAdapter::GetConnectStatus(TRasHandle handle) {
  const TLine* line = FindLine(handle);
  return line && line->Up ? 0 : kErrorInvalidHandle;
}

unsigned TSimulatedRasAdapter::HangUp(TRasHandle handle) {
  const TLine* line = FindLine(handle);
  if (!line) return kErrorInvalidHandle;
  FCalls.push_back("hangup " + line->Entry);
  FLines.erase(FLines.begin() + (line - FLines.data()));
  return 0;
}

bool TSimulatedRasAdapter::EditEntry(const std::string& entry) {
  return FindEntry(entry) != nullptr;
}

bool TSimulatedRasAdapter::CreateEntry() {
  AddEntry("Connection " + std::to_string(FEntries.size() + 1));
  return true;
}

std::string TSimulatedRasAdapter::IpAddress(TRasHandle handle) {
  const TLine* line = FindLine(handle);
  return line && line->Up ? "10.0.0." + std::to_string(handle % 250 + 1) : "";
}

}  // namespace vaultora
