#pragma once
// TfrmDropWindow: the compact drop window of the file list editor ("Backup File(s)"): a picture
// that takes files and folders dropped from the file manager, and "&Back", "&Apply" and
// "&Cancel". It stays on top while its toggle is on.

#include <QDialog>
#include <functional>

#include "platform/text.h"

namespace vaultora {

// The window's results, as the editor reads them.
enum TDropWindowResult { drApply = 1, drCancel = 2, drBack = 6 };

class TfrmDropWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDropWindow(bool stayOnTop, QWidget* parent = nullptr);
  // Each drop's local paths.
  std::function<void(const TStringList& paths)> OnDrop;
  bool StayOnTop() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace vaultora
