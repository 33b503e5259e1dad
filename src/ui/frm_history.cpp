#include "ui/frm_history.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs.h"
#include "app/language.h"
#include "report_print/report_texts.h"
#include "ui/command_guard.h"
#include "ui/frm_report.h"
#include "ui/history_period.h"
#include "ui/history_report.h"
#include "ui/history_table_model.h"
#include "ui/save_file_chooser.h"
#include "ui/screen_cursor.h"
#include "ui/list_table.h"
#include "ui/screen_fit.h"

namespace movra {

namespace {

QDateEdit* MakeDayEdit(QWidget* parent, const char* name, const QString& format) {
  auto* e = new QDateEdit(QDate::currentDate(), parent);
  e->setObjectName(name);
  e->setDisplayFormat(format);
  e->setCalendarPopup(true);
  return e;
}

QLabel* MakeBuddyLabel(const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, buddy->parentWidget());
  l->setBuddy(buddy);
  return l;
}

}  // namespace

QString PatientDisplayName(const Patient& p) {
  if (!p.name.empty()) return QString::fromStdString(p.name);
  return p.meters.empty() ? QString() : QString::fromStdString(MeterPatientName(p.meters.front()));
}

TFrmHistory::TFrmHistory(HistoryStore& store, TargetRange defaultRange, std::string settingsPath, QWidget* parent)
    : QDialog(parent), store_(store), defaultRange_(defaultRange), settingsPath_(std::move(settingsPath)) {
  setObjectName("FrmHistory");
  setWindowTitle(Tr("History"));
  dateFormat_ = FourDigitYearFormat(QLocale().dateFormat(QLocale::ShortFormat));

  cboPatient = new QComboBox(this);
  cboPatient->setObjectName("cboPatient");
  cboPatient->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cboPatient->setMinimumContentsLength(24);
  cboPeriod = new QComboBox(this);
  cboPeriod->setObjectName("cboPeriod");
  cboPeriod->addItems({Tr("Last 3 months"), Tr("Last 6 months"), Tr("Last 12 months"), Tr("All results"),
                       Tr("From - to")});
  cboPeriod->setCurrentIndex(static_cast<int>(HistoryPeriod::Last12Months));
  edtFrom = MakeDayEdit(this, "edtFrom", dateFormat_);
  edtFrom->setDate(QDate::currentDate().addYears(-1));
  edtTo = MakeDayEdit(this, "edtTo", dateFormat_);

  auto* choices = new QGridLayout;
  choices->addWidget(MakeBuddyLabel(Tr("&Patient:"), cboPatient), 0, 0);
  choices->addWidget(cboPatient, 0, 1, 1, 5);
  choices->addWidget(MakeBuddyLabel(Tr("Pe&riod:"), cboPeriod), 1, 0);
  choices->addWidget(cboPeriod, 1, 1);
  choices->addWidget(MakeBuddyLabel(Tr("&From:"), edtFrom), 1, 2);
  choices->addWidget(edtFrom, 1, 3);
  choices->addWidget(MakeBuddyLabel(Tr("&To:"), edtTo), 1, 4);
  choices->addWidget(edtTo, 1, 5);
  choices->setColumnStretch(6, 1);

  model_ = new HistoryTableModel(this);
  sorted_ = new QSortFilterProxyModel(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(HistoryTableModel::SortRole);
  grdResults = new QTableView(this);
  grdResults->setObjectName("grdResults");
  grdResults->setModel(sorted_);
  SetUpListTable(*grdResults, QAbstractItemView::ExtendedSelection, Tr("Results"));
  grdResults->sortByColumn(HistoryTableModel::ColDate, Qt::DescendingOrder);
  lblCount = new QLabel(this);
  lblCount->setObjectName("lblCount");
  lblSource = new QLabel(this);
  lblSource->setObjectName("lblSource");
  lblSource->setWordWrap(true);
  lblSource->hide();

  btnReport = new QPushButton(Tr("R&eport..."), this);
  btnReport->setObjectName("btnReport");
  btnFhir = new QPushButton(Tr("E&xport FHIR..."), this);
  btnFhir->setObjectName("btnFhir");
  btnSend = new QPushButton(Tr("Send to &clinic..."), this);
  btnSend->setObjectName("btnSend");
  btnDelete = new QPushButton(Tr("&Delete from history..."), this);
  btnDelete->setObjectName("btnDelete");
  btnClose = new QPushButton(Tr("Close"), this);
  btnClose->setObjectName("btnClose");
  // Two rows, so that the window still fits a small screen in the longer languages: what
  // is made of the shown results, then deleting and closing.
  auto* commands = new QHBoxLayout;
  commands->addWidget(lblCount, 1);
  commands->addWidget(btnReport);
  commands->addWidget(btnFhir);
  commands->addWidget(btnSend);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnDelete);
  buttons->addWidget(btnClose);

  QVBoxLayout* column = ScrollingColumn(*this);
  column->addWidget(lblSource);
  column->addLayout(choices);
  column->addWidget(grdResults, 1);
  column->addLayout(commands);
  column->addLayout(buttons);

  connect(btnReport, &QPushButton::clicked, this, [this] { RunCommand([this] { btnReportClick(); }); });
  connect(btnFhir, &QPushButton::clicked, this, [this] { RunCommand([this] { btnFhirClick(); }); });
  connect(btnSend, &QPushButton::clicked, this, [this] { RunCommand([this] { btnSendClick(); }); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { RunCommand([this] { btnDeleteClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(cboPatient, &QComboBox::currentIndexChanged, this, [this] { RunCommand([this] { Reload(); }); });
  connect(cboPeriod, &QComboBox::currentIndexChanged, this, [this] { RunCommand([this] { Reload(); }); });
  connect(edtFrom, &QDateEdit::dateChanged, this, [this] { RunCommand([this] { Reload(); }); });
  connect(edtTo, &QDateEdit::dateChanged, this, [this] { RunCommand([this] { Reload(); }); });
  ShowModal = [](QDialog& d) { d.exec(); };
  SaveDialog = MakeQtSaveFileChooser(this);
  AskServerUrl = [this](const std::string& offered) { return AskFhirServerUrl(this, offered); };

  FitToScreenWhenShown(*this, QSize(900, 600));
  ReadPatients();
  Reload();
}

TFrmHistory::~TFrmHistory() {
  // A send still under way ends without this window and without its box.
  if (sending_) SetDefaultCursor();
}

void TFrmHistory::ReadPatients() {
  // The store's order: by name, then meter and patient ID, the unnamed ones last.
  patients_ = store_.Patients();
  QSignalBlocker quiet(cboPatient);
  cboPatient->clear();
  for (const PatientSummary& s : patients_) cboPatient->addItem(PatientDisplayName(s.patient));
}

const Patient* TFrmHistory::CurrentPatient() const {
  const int i = cboPatient->currentIndex();
  return i >= 0 && static_cast<size_t>(i) < patients_.size() ? &patients_[static_cast<size_t>(i)].patient : nullptr;
}

void TFrmHistory::Reload() {
  const auto period = static_cast<HistoryPeriod>(cboPeriod->currentIndex());
  edtFrom->setEnabled(period == HistoryPeriod::FromTo);
  edtTo->setEnabled(period == HistoryPeriod::FromTo);
  const Patient* p = CurrentPatient();
  read_ = p ? store_.Read(PeriodQuery(*p, period, QDate::currentDate(), edtFrom->date(), edtTo->date()))
            : std::vector<HistoryEntry>();
  model_->setEntries(read_, dateFormat_);
  grdResults->resizeColumnsToContents();
  lblCount->setText(Tr("%1 results").arg(read_.size()));
  btnReport->setEnabled(!read_.empty());
  btnFhir->setEnabled(!read_.empty());
  btnSend->setEnabled(!read_.empty() && !sending_);
  btnDelete->setEnabled(!read_.empty());
}

std::vector<HistoryEntry> TFrmHistory::ShownEntries() const {
  std::vector<HistoryEntry> out;
  for (int r = 0; r < sorted_->rowCount(); ++r) out.push_back(model_->entry(sorted_->mapToSource(sorted_->index(r, 0)).row()));
  return out;
}

std::vector<HistoryEntry> TFrmHistory::SelectedEntries() const {
  std::vector<HistoryEntry> out;
  for (const QModelIndex& i : grdResults->selectionModel()->selectedRows())
    out.push_back(model_->entry(sorted_->mapToSource(i).row()));
  return out;
}

void TFrmHistory::btnReportClick() {
  const Patient* p = CurrentPatient();
  if (!p) return;
  ReportGroup group = HistoryReportGroup(*p, read_);
  if (group.tests.empty()) {
    ShowInfo("The chosen period holds no patient results, only control results.");
    return;
  }
  TFrmReport report({std::move(group)}, p->range ? TargetRange{p->range->lowTenths, p->range->highTenths} : defaultRange_,
                    settingsPath_, this);
  ShowModal(report);
}

void TFrmHistory::btnDeleteClick() {
  const Patient* p = CurrentPatient();
  std::vector<HistoryEntry> chosen = SelectedEntries();
  if (!p) return;
  if (chosen.empty()) {
    ShowInfo("Choose the results to delete in the list first.");
    return;
  }
  const QString question = Tr("Delete %1 results of %2 from the history?").arg(chosen.size()).arg(PatientDisplayName(*p));
  if (PlainMessageBox(question.toStdString(), TranslateText("Warning"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  std::vector<int64_t> ids;
  for (const HistoryEntry& e : chosen) ids.push_back(e.id);
  store_.Delete(ids);
  Reload();
}

void TFrmHistory::ShowSource(const std::string& text, const std::string& reason) {
  lblSource->setText(QString::fromStdString(text));
  // libpq's reason can run to several lines: it is there for the one who asks.
  lblSource->setToolTip(QString::fromStdString(reason));
  lblSource->setVisible(!text.empty());
}

}  // namespace movra
