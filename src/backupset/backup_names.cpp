#include "backupset/backup_names.h"

#include <algorithm>
#include <cctype>

namespace vaultora {

namespace {

constexpr const char* kLatest = "latest";

// The ID a name written in the file-name form stands for: "_" is "." and the extensions of
// the working folder's files are dropped.
std::string IdForm(const std::string& name) {
  std::string id = name;
  for (const char* ext : {kEncryptedArchiveExt, kFileListExt, kPlainArchiveExt, kZipCompanionExt})
    if (id.size() > std::string(ext).size() && EndsWith(LowerCase(id), LowerCase(ext)))
      id.resize(id.size() - std::string(ext).size());
  return ReplaceAll(id, "_", ".");
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

TDateTime BackupStarted(const std::string& id) {
  TDateTime started = 0;
  return BackupIdTime(id, started) ? started : 0;
}

TBackupNames::TBackupNames(std::vector<TCatalogueEntry> entries) : FEntries(std::move(entries)) {
  std::stable_sort(FEntries.begin(), FEntries.end(),
                   [](const TCatalogueEntry& a, const TCatalogueEntry& b) {
                     return BackupStarted(a.Id) < BackupStarted(b.Id);
                   });
}

std::vector<std::string> TBackupNames::NewestFirst() const {
  std::vector<std::string> ids;
  for (auto e = FEntries.rbegin(); e != FEntries.rend(); ++e)
    if (!e->Deleted && !e->FinishDateTime.empty()) ids.push_back(e->Id);
  return ids;
}

TBackupNameMatch TBackupNames::Resolve(const std::string& name) const {
  TBackupNameMatch match;
  const auto found = [&match](const std::string& id) {
    match.Result = TBackupNameMatch::nmFound;
    match.Id = id;
    return match;
  };
  const auto ambiguous = [&match](std::vector<TCatalogueEntry> ids, const std::string& problem) {
    match.Result = TBackupNameMatch::nmAmbiguous;
    match.Candidates = std::move(ids);
    match.Problem = problem;
    return match;
  };
  if (name.empty()) {
    match.Problem = "an empty name names no backup";
    return match;
  }
  if (SameText(name, kLatest) || StartsWith(LowerCase(name), std::string(kLatest) + "~")) {
    const std::string back = name.size() > 6 ? name.substr(7) : "0";
    const std::vector<std::string> newest = NewestFirst();
    if (AllDigits(back) && back.size() < 9) {
      const size_t n = std::stoul(back);
      if (n < newest.size()) return found(newest[n]);
      match.Problem = newest.empty() ? "there is no backup yet, so \"" + name + "\" names none"
                                     : "there are " + std::to_string(newest.size()) +
                                           " backup(s), so \"" + name + "\" names none";
      return match;
    }
    // Not a count: the name may still be a title.
  }
  const std::string id = IdForm(name);
  std::vector<TCatalogueEntry> prefixed;
  for (const TCatalogueEntry& e : FEntries) {
    if (e.Id == id) return found(e.Id);
    if (StartsWith(e.Id, id)) prefixed.push_back(e);
  }
  if (prefixed.size() == 1) return found(prefixed[0].Id);
  if (prefixed.size() > 1)
    return ambiguous(prefixed, "\"" + name + "\" is the beginning of " +
                                   std::to_string(prefixed.size()) + " backups");
  std::vector<TCatalogueEntry> titled;
  for (const TCatalogueEntry& e : FEntries)
    if (e.BackupTitle == name) titled.push_back(e);
  if (titled.size() == 1) return found(titled[0].Id);
  if (titled.size() > 1)
    return ambiguous(titled,
                     std::to_string(titled.size()) + " backups are titled \"" + name + "\"");
  match.Problem = "unknown backup \"" + name + "\"";
  return match;
}

std::string TBackupNames::ShortName(const std::string& id) const {
  const size_t dot = id.find('.');
  size_t length = dot == std::string::npos ? id.size() : dot + 1 + kMinFractionDigits;
  for (; length < id.size(); ++length) {
    const std::string prefix = id.substr(0, length);
    const TBackupNameMatch match = Resolve(prefix);
    if (match.Result == TBackupNameMatch::nmFound && match.Id == id) return prefix;
  }
  return id;
}

}  // namespace vaultora
