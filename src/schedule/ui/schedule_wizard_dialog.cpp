#include "schedule/ui/schedule_wizard_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/number_field.h"
#include "controls/summary_text.h"
#include "selection/ui/session_window.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

namespace {

namespace sv = schedule_values;
constexpr const char* kTimeFormat = "HH:mm:ss";
constexpr const char* kTypeNames[3] = {"rbDaily", "rbWeekly", "rbMonthly"};
constexpr const char* kTypeCaptions[3] = {"Daily", "Weekly", "Monthly"};

QVBoxLayout* PageLayout(QWidget* page, const char* intro) {
  auto* layout = new QVBoxLayout(page);
  if (*intro) {
    auto* label = new QLabel(intro);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  return layout;
}

}  // namespace

TfrmSchedules::TfrmSchedules(TIniRegistryEditor& store, QWidget* parent)
    : TWizardDialog("frmSchedules", "Schedules", parent), FStore(store), FWizard(store) {
  AddPage(CreateCover(), "Schedules");
  AddPage(CreateName(), "Schedule Name");
  AddPage(CreateExisting(), "Existing Schedules");
  AddPage(CreateDetails(), "Backup");
  AddPage(CreateType(), "Perform backup");
  for (int page : {spDaily, spWeekly, spMonthly})
    AddPage(CreateTime(page), kTypeCaptions[page - spDaily]);
  AddPage(CreateFinished(), "Finished");
  FWizard.OnEditFileList = [this](const std::string& name) { EditFileList(name); };
  FillList();
  UpdateDetails();
  GoTo(spCover);
}

TfrmSchedules::~TfrmSchedules() = default;

QWidget* TfrmSchedules::CreateCover() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page,
                            "A schedule makes a backup on its own: every day, on chosen weekdays "
                            "or on a day of chosen months, while Vaultora runs.");
  FNew = new QRadioButton("Create a new schedule");
  FNew->setObjectName("rbNewSchedule");
  FNew->setChecked(true);
  FModify = new QRadioButton("Modify an existing schedule");
  FModify->setObjectName("rbModifySchedule");
  layout->addWidget(FNew);
  layout->addWidget(FModify);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmSchedules::CreateName() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  FNameHeading = new QLabel("Schedule Name");
  FNameHeading->setObjectName("lblNameHeading");
  layout->addWidget(FNameHeading);
  auto* form = new QFormLayout;
  FName = new QLineEdit;
  FName->setObjectName("edScheduleName");
  form->addRow("Schedule name:", FName);
  layout->addLayout(form);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmSchedules::CreateExisting() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "Existing Schedules");
  FList = new QTreeWidget;
  FList->setObjectName("lvSchedules");
  FList->setHeaderLabels({"Enabled", "Name"});
  FList->setRootIsDecorated(false);
  layout->addWidget(FList, 1);
  auto* rename = new QPushButton("Rename");
  rename->setObjectName("btnRename");
  auto* remove = new QPushButton("Delete");
  remove->setObjectName("btnDelete");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(rename);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(FList, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { FWizard.Select(FList->indexOfTopLevelItem(item)); });
  connect(FList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
    const int index = FList->indexOfTopLevelItem(item);
    if (index >= 0 && index < static_cast<int>(FWizard.Entries().size()))
      FWizard.Entries()[static_cast<size_t>(index)].Enabled = item->checkState(0) == Qt::Checked;
  });
  connect(rename, &QPushButton::clicked, this, [this] { GoTo(FWizard.RenameSelected()); });
  connect(remove, &QPushButton::clicked, this, [this] { GoTo(FWizard.DeleteSelected()); });
  return page;
}

QWidget* TfrmSchedules::CreateDetails() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  auto* form = new QFormLayout;
  FTitle = new QLineEdit;
  FTitle->setObjectName("edBackupTitle");
  form->addRow("Backup title", FTitle);
  layout->addLayout(form);
  FNumbered = new QCheckBox("Include the backup number in the title.");
  FNumbered->setObjectName("cbIncludeBackupNo");
  layout->addWidget(FNumbered);
  FAppend = new QComboBox;
  FAppend->setObjectName("cbAppendBackup");
  FAppend->addItem("[None]");
  for (const TAppendChoice& choice : FWizard.AppendChoices())
    FAppend->addItem(QString::fromStdString(choice.Title + "  (" + choice.FinishDateTime + ")"));
  auto* append = new QFormLayout;
  append->addRow("Append backup", FAppend);
  layout->addLayout(append);
  FIncremental = new QCheckBox("Incremental backup");
  FIncremental->setObjectName("cbIncrementalBackup");
  layout->addWidget(FIncremental);
  const bool noBackups = FWizard.AppendChoices().empty();
  FAppend->setVisible(!noBackups);
  append->labelForField(FAppend)->setVisible(!noBackups);
  FIncremental->setVisible(noBackups);
  auto* expiry = new QHBoxLayout;
  FExpire = new QCheckBox("Expire after ");
  FExpire->setObjectName("cbExpire");
  FExpireDays = new TNumberField("edExpireDays", 1, 365, 1, 7);
  expiry->addWidget(FExpire);
  expiry->addWidget(FExpireDays);
  expiry->addWidget(new QLabel("day(s)"));
  expiry->addStretch(1);
  layout->addLayout(expiry);
  FReuse = new QCheckBox("Reuse the existing file list");
  FReuse->setObjectName("cbReuseFileList");
  FDisplay = new QCheckBox("Display the &file list");
  FDisplay->setObjectName("cbDisplayFileList");
  layout->addWidget(FReuse);
  layout->addWidget(FDisplay);
  layout->addStretch(1);
  for (QCheckBox* box : {FExpire, FIncremental, FReuse})
    connect(box, &QCheckBox::toggled, this, [this] { UpdateDetails(); });
  connect(FAppend, &QComboBox::activated, this, [this](int index) {
    FWizard.ChooseAppend(index);
    UpdateDetails();
  });
  return page;
}

QWidget* TfrmSchedules::CreateType() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "Perform backup:");
  for (int type = stDaily; type <= stMonthly; ++type) {
    FTypes[type] = new QRadioButton(kTypeCaptions[type]);
    FTypes[type]->setObjectName(kTypeNames[type]);
    layout->addWidget(FTypes[type]);
  }
  FTypes[stDaily]->setChecked(true);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmSchedules::CreateTime(int page) {
  auto* widget = new QWidget;
  auto* layout = PageLayout(widget, "");
  auto* form = new QFormLayout;
  const int type = page - spDaily;
  FTimes[type] = new QTimeEdit;
  FTimes[type]->setObjectName(QString("te%1Time").arg(kTypeCaptions[type]));
  FTimes[type]->setDisplayFormat(kTimeFormat);
  form->addRow("Start time:", FTimes[type]);
  layout->addLayout(form);
  if (page == spWeekly) {
    auto* grid = new QGridLayout;
    for (int day = 0; day < 7; ++day) {
      FWeekdays[day] = new QCheckBox(sv::kWeekdayLabels[day]);
      FWeekdays[day]->setObjectName(QString("cbDay%1").arg(day + 1));
      grid->addWidget(FWeekdays[day], day / 4, day % 4);
    }
    layout->addLayout(grid);
  }
  if (page == spMonthly) {
    FDayNo = new TNumberField("edDayNo", 1, 31, 1, 1);
    form->addRow("Day of the month:", FDayNo);
    auto* grid = new QGridLayout;
    for (int month = 0; month < 12; ++month) {
      FMonths[month] = new QCheckBox(sv::kMonthLabels[month]);
      FMonths[month]->setObjectName(QString("cbMonth%1").arg(month + 1));
      grid->addWidget(FMonths[month], month / 4, month % 4);
    }
    layout->addLayout(grid);
  }
  layout->addStretch(1);
  return widget;
}

QWidget* TfrmSchedules::CreateFinished() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "Finished. \"Apply\" stores the schedule:");
  FSummary = new TSummaryText("mmSummary");
  layout->addWidget(FSummary, 1);
  return page;
}

void TfrmSchedules::FillList() {
  const QSignalBlocker blocker(FList);
  FList->clear();
  for (const TScheduleListEntry& entry : FWizard.Entries()) {
    auto* item = new QTreeWidgetItem({QString(), QString::fromStdString(entry.Name)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, entry.Enabled ? Qt::Checked : Qt::Unchecked);
    FList->addTopLevelItem(item);
  }
  if (FWizard.Selected() >= 0) FList->setCurrentItem(FList->topLevelItem(FWizard.Selected()));
}

void TfrmSchedules::TakeFields(int page) {
  TScheduleRecord& r = FWizard.Record;
  switch (page) {
    case spCover:
      FWizard.CreateNew = FNew->isChecked();
      break;
    case spName:
      FWizard.TypedName = FName->text().toStdString();
      break;
    case spDetails:
      r.BackupTitle = FTitle->text().toStdString();
      r.IncludeBackupNo = FNumbered->isChecked();
      FWizard.IncrementalSeries = FIncremental->isChecked();
      r.Expires = FExpire->isChecked();
      r.ExpireDays = FExpireDays->value();
      FWizard.ReuseFileList = FReuse->isChecked();
      FWizard.DisplayFileList = FDisplay->isChecked();
      break;
    case spType:
      for (int type = stDaily; type <= stMonthly; ++type)
        if (FTypes[type]->isChecked()) r.BackupType = type;
      break;
    case spDaily:
    case spWeekly:
    case spMonthly:
      r.Time = FTimes[page - spDaily]->time().toString(kTimeFormat).toStdString();
      if (page == spWeekly)
        for (int day = 0; day < 7; ++day)
          r.Weekdays[day] = FWeekdays[day]->isChecked();
      if (page == spMonthly) {
        r.DayNo = IntToStr(FDayNo->value());
        for (int month = 0; month < 12; ++month)
          r.Months[month] = FMonths[month]->isChecked();
      }
      break;
    default:
      break;
  }
}

void TfrmSchedules::ShowRecord() {
  const TScheduleRecord& r = FWizard.Record;
  FShowing = true;
  FTitle->setText(QString::fromStdString(r.BackupTitle));
  FNumbered->setChecked(r.IncludeBackupNo);
  FAppend->setCurrentIndex(FWizard.AppendIndex);
  FIncremental->setChecked(FWizard.IncrementalSeries);
  FExpire->setChecked(r.Expires);
  FExpireDays->setValue(r.ExpireDays);
  FReuse->setChecked(FWizard.ReuseFileList);
  FDisplay->setChecked(FWizard.DisplayFileList);
  FTypes[std::clamp(r.BackupType, static_cast<int>(stDaily), static_cast<int>(stMonthly))]
      ->setChecked(true);
  QTime time = QTime::fromString(QString::fromStdString(r.Time), kTimeFormat);
  if (!time.isValid()) time = QTime::currentTime();
  for (QTimeEdit* edit : FTimes)
    edit->setTime(time);
  for (int day = 0; day < 7; ++day)
    FWeekdays[day]->setChecked(r.Weekdays[day]);
  for (int month = 0; month < 12; ++month)
    FMonths[month]->setChecked(r.Months[month]);
  long long dayNo = 1;
  FDayNo->setValue(TryStrToInt(r.DayNo, dayNo) ? static_cast<int>(dayNo) : 1);
  FShowing = false;
  UpdateDetails();
}

void TfrmSchedules::UpdateDetails() {
  if (FShowing) return;
  TakeFields(spDetails);
  const bool expiry = FWizard.ExpiryAvailable();
  FExpire->setEnabled(expiry);
  if (!expiry) FExpire->setChecked(false);
  FExpireDays->setEnabled(expiry && FExpire->isChecked());
  FDisplay->setEnabled(FReuse->isChecked());
  if (!FReuse->isChecked()) FDisplay->setChecked(true);
}

void TfrmSchedules::EditFileList(const std::string& name) {
  TfrmSession editor(FStore, smSchedule, ScheduleSessionSource(name), false, this);
  if (OnModalDialog)
    OnModalDialog(editor);
  else
    editor.exec();
}

int TfrmSchedules::NextPage(int page) {
  TakeFields(page);
  const int next = FWizard.Next(page);
  if (page == spName && next == spExisting) FillList();
  if (next == spDetails) ShowRecord();
  if (page == spExisting && next == spFinished) ShowRecord();
  return next;
}

int TfrmSchedules::BackPage(int page) {
  TakeFields(page);
  return FWizard.Back(page);
}

void TfrmSchedules::PageShown(int page) {
  if (page == spName) {
    FNameHeading->setText(FWizard.Renaming() ? "Rename Schedule" : "Schedule Name");
    FName->setText(QString::fromStdString(FWizard.TypedName));
    FName->setFocus();
  }
  if (page == spExisting) FillList();
  if (page == spFinished) FSummary->SetLines(FWizard.Summary());
}

bool TfrmSchedules::ApplyPages() {
  FWizard.Apply();
  return true;
}

void TfrmSchedules::reject() {
  FWizard.Discard();
  TWizardDialog::reject();
}

}  // namespace vaultora
