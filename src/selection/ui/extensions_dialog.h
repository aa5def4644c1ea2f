#pragma once
// TfrmExtensions: "File Extentions", which builds the picker's mask from the extensions found in
// the folder shown: those the mask names start as selected; OK makes the mask of the selected.

#include <QDialog>

#include "platform/text.h"

class QTreeWidget;

namespace vaultora {

class TfrmExtensions : public QDialog {
  Q_OBJECT
 public:
  TfrmExtensions(const TStringList& extensions, const std::string& maskText,
                 QWidget* parent = nullptr);
  TStringList Selected() const;
  // The mask the choice stands for ("*.*" when none is selected).
  std::string Mask() const;

  void MoveSelected(bool toSelected);  // ">" and "<"
  void MoveAll(bool toSelected);       // ">>" and "<<"

 private:
  QTreeWidget* FAvailable = nullptr;
  QTreeWidget* FSelected = nullptr;
};

}  // namespace vaultora
