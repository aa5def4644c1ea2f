#pragma once
// TSessionEdit: the rules of the "Backup Files" editor without its window. It holds one backup
// file list, knows where its mode keeps the list file (a catalogue entry's list for the viewer,
// the stored reference of the backup wizard or of a schedule otherwise), loads and saves it,
// takes drops and what the picker returns, removes folders and entries after asking, and gives
// the rows, captions and status texts the window shows. The window and the command line only
// bind it. Used on one thread; questions go through the prompt interface.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "selection/file_list.h"

namespace vaultora {

class TIniRegistryEditor;

enum TSessionMode { smViewer, smWizard, smSchedule };

// Where a mode keeps the path of its list file: a string value of the store.
struct TSessionSource {
  std::string Key;      // the key below the user's root, "Software\\Vaultora\\..."
  std::string Section;  // its sub-key (the schedule's name)
  std::string Value;    // "Session", "DefaultSession"
};

// One row of the entry list.
struct TSessionRow {
  std::string Path;  // the entry's full path or rule text (before any TAB)
  std::string Name, Size, Attributes, Modified;
  bool Rule = false;
};

extern const char* const kRemoveFolderQuestion;
extern const char* const kRemoveFilesQuestion;
extern const char* const kSaveBeforeLeavingQuestion;
extern const char* const kReturnToWizardQuestion;

class TSessionEdit {
 public:
  // source: where the list file's path is stored; ignored in viewer mode. fresh: the stored
  // reference is deleted on Load and nothing is loaded, so a new list starts.
  TSessionEdit(TSessionMode mode, TSessionSource source, bool fresh = false);

  TSessionMode Mode() const { return FMode; }
  bool ReadOnly() const { return FMode == smViewer; }
  TFileList& List() { return FList; }
  const TFileList& List() const { return FList; }
  const std::string& FileName() const { return FFileName; }

  // The stored list file of the mode ("" = none).
  std::string StoredFileName(TIniRegistryEditor& store) const;
  // Loads the mode's list (nothing when fresh: the stored reference is deleted instead).
  void Load(TIniRegistryEditor& store);
  // Viewer: shows a catalogue entry's list; "" empties the viewer.
  void LoadFile(const std::string& fileName);

  // Dropped files and folders: a folder is searched with its subfolders for files matching the
  // mask last used; a file is added. Returns how many entries were added.
  int Drop(const TStringList& paths);
  // What the picker returned: rules unchanged, files, folders searched with mask.
  int AddSelected(const TStringList& selected, const std::string& mask, bool includeSubFolders);
  // After the first add of a showing in the wizard modes: asks whether to save and go back.
  bool AskReturnAfterAdd();
  void Shown() { FAskToReturn = FMode != smViewer; }

  // Ask first (Yes/No); false when the user said No or nothing was there.
  bool RemoveFolder(TFolderNode* node);
  bool RemoveEntries(const TStringList& paths);

  // Writes the list to the mode's file (making a new one in the working folder when none is
  // stored) and stores its path; an empty list deletes the file and the stored reference.
  // Returns the path written, "" when the list was empty. Raises when it cannot be written.
  std::string Apply(TIniRegistryEditor& store);
  // Closing: a modified list asks "Save the current file list before continuing ?"; Yes applies.
  void Close(TIniRegistryEditor& store);

  // The rows of a folder node's entries, in their order.
  static std::vector<TSessionRow> Rows(const TFolderNode& node);
  static std::string RuleCaption(const std::string& ruleText);
  // "<n> object(s) selected" and the total size of the node's files.
  static std::string CountText(size_t count);
  static std::string NodeSizeText(const TFolderNode& node);

  std::string SearchMask = "*.*";  // the mask last used, for drops

 private:
  TSessionMode FMode;
  TSessionSource FSource;
  bool FFresh;
  bool FAskToReturn = false;
  TFileList FList;
  std::string FFileName;
};

// The attribute words the entry list shows: "ReadOnly Hidden ... Normal".
std::string AttributeWords(uint32_t attributes);

}  // namespace vaultora
