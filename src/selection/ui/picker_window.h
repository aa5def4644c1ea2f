#pragma once
// TfrmPicker: "Select Files", the modal picker of the file list editor's Add. It browses one
// folder at a time, listed by the threaded file search at the lowest priority and shown in
// batches, so that a folder of any size never holds up the window; "&Add" returns what
// PickerSelection makes of the rows chosen.

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "selection/file_picker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace vaultora {

class TEntryViews;
class TTextRowsModel;
class TThreadWinSeek;

struct TPickerResult {
  TStringList Selected;  // empty when cancelled
  std::string MaskText = "*.*";
  bool IncludeSubFolders = true;
  bool Shrink = false;  // the shrink button: the editor switches to its drop window
};

// The mounted volumes the drive choice offers: root, label and type.
struct TVolume {
  std::string Root;  // trailing '/'
  std::string Caption;
};
std::vector<TVolume> MountedVolumes();

class TfrmPicker : public QDialog {
  Q_OBJECT
 public:
  // folder: where to open ("" = the root of the current folder's volume).
  explicit TfrmPicker(const std::string& folder, int viewStyle = 3, QWidget* parent = nullptr);
  ~TfrmPicker() override;

  const std::string& Folder() const { return FFolder; }
  void ListFolder(const std::string& folder);
  bool Listing() const;
  const TPickerResult& Result() const { return FResult; }
  TTextRowsModel& Rows() const { return *FModel; }
  TEntryViews& Views() const { return *FViews; }
  // The view style (cycled by "&View"), for the caller to store.
  int ViewStyle() const;

  void Add();
  void Up();
  void OpenExtensions();
  // Runs modal windows of the picker (the extensions dialog); unset, each is exec()'d.
  std::function<void(QDialog& dialog)> OnModalDialog;
  // "Explore": asks for a folder; "" = cancelled. Unset, a folder dialog.
  std::function<std::string()> OnChooseFolder;
  // Largest time one batch of rows held the window, in milliseconds (the benchmark reads it).
  double LongestBatchMs() const { return FLongestBatchMs; }

 signals:
  // The folder's rows are all shown.
  void Listed();

 private:
  void ScanCompleted();
  void ShowNextBatch();
  void ShowStatus();
  void Explore();
  void SelectDrive(const std::string& folder);

  std::string FFolder;
  TPickerResult FResult;
  std::unique_ptr<TThreadWinSeek> FSeek;
  std::vector<TPickerEntry> FEntries;
  size_t FShown = 0;
  int FGeneration = 0;
  bool FListing = false;
  double FLongestBatchMs = 0;

  QComboBox* FDrives = nullptr;
  TTextRowsModel* FModel = nullptr;
  TEntryViews* FViews = nullptr;
  QLineEdit* FMask = nullptr;
  QCheckBox* FSubFolders = nullptr;
  QCheckBox* FMonitor = nullptr;
  QLabel* FCount = nullptr;
  QLabel* FPath = nullptr;
};

}  // namespace vaultora
