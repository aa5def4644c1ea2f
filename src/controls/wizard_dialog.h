#pragma once
// The frame of the wizard-style dialogs: a row of pages walked with "< &Back" and "&Next >"
// (which reads "&Apply" on the last page) and left with "&Close". A dialog adds its pages and
// says, page by page, where the buttons lead; the frame moves, keeps the buttons right and shows
// a page's problem as an error that puts the focus back on the field it names. Fields are named
// for problems by SetProblemField.

#include <QDialog>

#include <optional>
#include <string>

#include "connect/setup_problem.h"

#include <initializer_list>

class QPushButton;
class QVBoxLayout;
class QTabWidget;
class QLabel;

namespace vaultora {

class TWizardDialog : public QDialog {
  Q_OBJECT
 public:
  TWizardDialog(const char* name, const char* caption, QWidget* parent = nullptr);

  int Page() const;
  int PageCount() const;
  void GoTo(int page);
  QPushButton& BackButton() const { return *FBack; }
  QPushButton& NextButton() const { return *FNext; }
  QPushButton& CloseButton() const { return *FClose; }

  // The model's field name a control answers for in TSetupProblem.
  static void SetProblemField(QWidget& control, const char* field);

 protected:
  // A page with its heading; returns its index. The pages' tabs are shown (and can be clicked)
  // only when the dialog allows it.
  int AddPage(QWidget* page, const QString& heading);
  void SetTabsClickable(bool clickable);
  // A page's layout opened by its title (large and bold) and the lines under it.
  static QVBoxLayout* TitledPage(QWidget* page, const char* title,
                                 std::initializer_list<const char*> lines = {});

  // Where "&Next >" leads from the page (checks done), or -1 to stay.
  virtual int NextPage(int page) { return page + 1; }
  virtual int BackPage(int page) { return page - 1; }
  // "&Apply" on the last page; true closes the dialog as accepted.
  virtual bool ApplyPages() { return true; }
  // After a page became the current one (the summary is built here).
  virtual void PageShown(int page) { (void)page; }

  // Shows the problem (error, OK), turns to its page and focuses its field; false when there is
  // none.
  bool ShowProblem(const TSetupCheck& problem);

 private:
  void Next();
  void Back();
  void UpdateButtons();

  QTabWidget* FPages = nullptr;
  QPushButton* FBack = nullptr;
  QPushButton* FNext = nullptr;
  QPushButton* FClose = nullptr;
};

}  // namespace vaultora
