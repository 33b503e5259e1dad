#include "ui/frm_patients.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

#include "app/dialogs.h"
#include "report/report_settings.h"
#include "report_print/report_texts.h"
#include "ui/command_guard.h"
#include "ui/frm_history.h"
#include "ui/history_period.h"
#include "ui/history_report.h"
#include "ui/list_table.h"
#include "ui/screen_fit.h"

namespace movra {

namespace {

// The row's patient id, kept in its name cell.
constexpr int IdRole = Qt::UserRole + 1;
constexpr int SortRole = Qt::UserRole + 2;

QDoubleSpinBox* MakeBoundEdit(QWidget* parent, const char* name, const QString& accessible) {
  auto* e = new QDoubleSpinBox(parent);
  e->setObjectName(name);
  e->setDecimals(1);
  e->setSingleStep(0.1);
  e->setRange(kLowestTargetTenths / 10.0, kHighestTargetTenths / 10.0);
  e->setAccessibleName(accessible);
  return e;
}

QString Joined(const std::vector<MeterPatient>& pairs, std::string MeterPatient::*part) {
  return QString::fromStdString(DistinctJoined(pairs, part));
}

QString RangeText(const std::optional<TenthsRange>& r) {
  if (!r) return QString();
  return QString("%1\u2013%2").arg(r->lowTenths / 10.0, 0, 'f', 1).arg(r->highTenths / 10.0, 0, 'f', 1);
}

QStandardItem* Cell(const QString& text, const QVariant& sortKey) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  item->setData(sortKey, SortRole);
  return item;
}

int Tenths(const QDoubleSpinBox* e) { return static_cast<int>(std::lround(e->value() * 10)); }

}  // namespace

TFrmPatients::TFrmPatients(HistoryStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName("FrmPatients");
  setWindowTitle(Tr("Patients"));
  dateFormat_ = FourDigitYearFormat(QLocale().dateFormat(QLocale::ShortFormat));

  edtFilter = new QLineEdit(this);
  edtFilter->setObjectName("edtFilter");
  edtFilter->setClearButtonEnabled(true);
  edtFilter->setPlaceholderText(Tr("Name, meter or patient ID"));
  auto* lblFilter = new QLabel(Tr("&Filter:"), this);
  lblFilter->setBuddy(edtFilter);
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(lblFilter);
  filterRow->addWidget(edtFilter, 1);

  model_ = new QStandardItemModel(0, ColumnCount, this);
  model_->setHorizontalHeaderLabels({Tr("Name"), Tr("Meter serial number"), Tr("Patient ID"), Tr("Target range"),
                                     Tr("Last result"), Tr("Results")});
  filtered_ = new QSortFilterProxyModel(this);
  filtered_->setSourceModel(model_);
  filtered_->setSortRole(SortRole);
  filtered_->setFilterKeyColumn(-1);
  filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  grdPatients = new QTableView(this);
  grdPatients->setObjectName("grdPatients");
  grdPatients->setModel(filtered_);
  SetUpListTable(*grdPatients, QAbstractItemView::SingleSelection, Tr("Patients"));
  grdPatients->sortByColumn(-1, Qt::AscendingOrder);  // the store's order until a title is clicked

  edtName = new QLineEdit(this);
  edtName->setObjectName("edtName");
  chkBorn = new QCheckBox(Tr("&Born:"), this);
  chkBorn->setObjectName("chkBorn");
  edtBorn = new QDateEdit(this);
  edtBorn->setObjectName("edtBorn");
  edtBorn->setDisplayFormat(dateFormat_);
  edtBorn->setCalendarPopup(true);
  edtBorn->setAccessibleName(Tr("Birth date"));
  chkRange = new QCheckBox(Tr("Own target &range:"), this);
  chkRange->setObjectName("chkRange");
  edtTargetLow = MakeBoundEdit(this, "edtTargetLow", Tr("Target range, low bound"));
  edtTargetHigh = MakeBoundEdit(this, "edtTargetHigh", Tr("Target range, high bound"));
  auto* rangeRow = new QHBoxLayout;
  rangeRow->addWidget(edtTargetLow);
  rangeRow->addWidget(new QLabel(QString::fromUtf8("\u2013"), this));
  rangeRow->addWidget(edtTargetHigh);
  rangeRow->addStretch(1);
  auto* lblName = new QLabel(Tr("&Name:"), this);
  lblName->setBuddy(edtName);
  auto* form = new QFormLayout;
  form->addRow(lblName, edtName);
  auto* bornRow = new QHBoxLayout;
  bornRow->addWidget(edtBorn);
  bornRow->addStretch(1);
  form->addRow(chkBorn, bornRow);
  form->addRow(chkRange, rangeRow);

  btnSave = new QPushButton(Tr("&Save"), this);
  btnSave->setObjectName("btnSave");
  btnLink = new QPushButton(Tr("&Link to patient..."), this);
  btnLink->setObjectName("btnLink");
  btnLink->setToolTip(Tr("This meter's patient is the same person as a named patient"));
  btnClose = new QPushButton(Tr("Close"), this);
  btnClose->setObjectName("btnClose");
  btnSave->setAutoDefault(false);
  btnLink->setAutoDefault(false);
  btnClose->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnSave);
  buttons->addWidget(btnLink);
  buttons->addWidget(btnClose);

  QVBoxLayout* column = ScrollingColumn(*this);
  column->addLayout(filterRow);
  column->addWidget(grdPatients, 1);
  column->addLayout(form);
  column->addLayout(buttons);

  connect(edtFilter, &QLineEdit::textChanged, this, [this](const QString& t) {
    filtered_->setFilterFixedString(t);
    ShowCurrent();
  });
  connect(grdPatients->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowCurrent(); });
  connect(chkBorn, &QCheckBox::toggled, edtBorn, &QWidget::setEnabled);
  connect(chkRange, &QCheckBox::toggled, edtTargetLow, &QWidget::setEnabled);
  connect(chkRange, &QCheckBox::toggled, edtTargetHigh, &QWidget::setEnabled);
  connect(btnSave, &QPushButton::clicked, this, [this] { RunCommand([this] { btnSaveClick(); }); });
  connect(btnLink, &QPushButton::clicked, this, [this] { RunCommand([this] { btnLinkClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  ChoosePatient = [this](const QStringList& names) {
    bool ok = false;
    QString chosen = QInputDialog::getItem(this, Tr("Link to patient"), Tr("The patient this meter's results belong to:"),
                                           names, 0, false, &ok);
    return ok ? static_cast<int>(names.indexOf(chosen)) : -1;
  };

  FitToScreenWhenShown(*this, QSize(860, 560));
  ReadPatients();
  SelectRow(0);
}

TFrmPatients::~TFrmPatients() = default;

void TFrmPatients::ReadPatients() {
  patients_ = store_.Patients();
  model_->setRowCount(0);
  for (size_t i = 0; i < patients_.size(); ++i) {
    const PatientSummary& s = patients_[i];
    const Patient& p = s.patient;
    QList<QStandardItem*> row;
    row << Cell(QString::fromStdString(p.name), QString::fromStdString(p.name));
    row.front()->setData(static_cast<qlonglong>(i), IdRole);
    row << Cell(Joined(p.meters, &MeterPatient::serialNumber), Joined(p.meters, &MeterPatient::serialNumber));
    row << Cell(Joined(p.meters, &MeterPatient::patientId), Joined(p.meters, &MeterPatient::patientId));
    row << Cell(RangeText(p.range), p.range ? p.range->lowTenths * 1000 + p.range->highTenths : -1);
    if (s.lastResult)
      row << Cell(ToQDate(s.lastResult->date).toString(dateFormat_) + "  " + QString::fromStdString(s.lastResult->inrText),
                  s.lastResult->date);
    else
      row << Cell(QString(), -1.0);
    row << Cell(QString::number(s.results), s.results);
    model_->appendRow(row);
  }
  grdPatients->resizeColumnsToContents();
}

const Patient* TFrmPatients::CurrentPatient() const {
  const QModelIndex current = grdPatients->currentIndex();
  if (!current.isValid()) return nullptr;
  const QModelIndex nameCell = filtered_->mapToSource(filtered_->index(current.row(), ColName));
  const qlonglong i = model_->data(nameCell, IdRole).toLongLong();
  return i >= 0 && static_cast<size_t>(i) < patients_.size() ? &patients_[static_cast<size_t>(i)].patient : nullptr;
}

void TFrmPatients::SelectRow(int row) {
  if (row >= 0 && row < filtered_->rowCount()) grdPatients->setCurrentIndex(filtered_->index(row, ColName));
  ShowCurrent();
}

void TFrmPatients::SelectPatientId(int64_t id) {
  for (int r = 0; r < filtered_->rowCount(); ++r) {
    const qlonglong i = model_->data(filtered_->mapToSource(filtered_->index(r, ColName)), IdRole).toLongLong();
    if (patients_[static_cast<size_t>(i)].patient.id == id) return SelectRow(r);
  }
  SelectRow(0);
}

void TFrmPatients::ShowCurrent() {
  const Patient* p = CurrentPatient();
  for (QWidget* w : std::initializer_list<QWidget*>{edtName, chkBorn, chkRange, btnSave, btnLink}) w->setEnabled(p);
  edtName->setText(p ? QString::fromStdString(p->name) : QString());
  chkBorn->setChecked(p && p->born);
  edtBorn->setDate(p && p->born ? ToQDate(*p->born) : QDate(1950, 1, 1));
  edtBorn->setEnabled(chkBorn->isChecked());
  const TenthsRange range = p && p->range ? *p->range : TenthsRange{};
  chkRange->setChecked(p && p->range);
  edtTargetLow->setValue(range.lowTenths / 10.0);
  edtTargetHigh->setValue(range.highTenths / 10.0);
  edtTargetLow->setEnabled(chkRange->isChecked());
  edtTargetHigh->setEnabled(chkRange->isChecked());
}

void TFrmPatients::btnSaveClick() {
  const Patient* current = CurrentPatient();
  if (!current) return;
  Patient p = *current;
  p.name = edtName->text().trimmed().toStdString();
  p.born.reset();
  if (chkBorn->isChecked()) p.born = FromQDate(edtBorn->date());
  p.range.reset();
  if (chkRange->isChecked()) {
    p.range = TenthsRange{Tenths(edtTargetLow), Tenths(edtTargetHigh)};
    if (!IsValidTarget(TargetRange{p.range->lowTenths, p.range->highTenths})) {
      ShowError("The target range's low bound must be below its high bound.");
      return;
    }
  }
  const int64_t id = store_.SavePatient(p);
  ReadPatients();
  SelectPatientId(id);
}

void TFrmPatients::btnLinkClick() {
  const Patient* current = CurrentPatient();
  if (!current) return;
  std::vector<const Patient*> named;
  QStringList names;
  for (const PatientSummary& s : patients_) {
    if (s.patient.name.empty() || (current->id != 0 && s.patient.id == current->id)) continue;
    named.push_back(&s.patient);
    names << PatientDisplayName(s.patient);
  }
  if (named.empty()) {
    ShowInfo("Name a patient first: a meter's patient is linked to a named patient.");
    return;
  }
  const int chosen = ChoosePatient(names);
  if (chosen < 0 || chosen >= static_cast<int>(named.size())) return;
  // The pairs move to the chosen patient; a patient left with none is removed by the store.
  Patient target = *named[static_cast<size_t>(chosen)];
  for (const MeterPatient& pair : current->meters) target.meters.push_back(pair);
  const int64_t id = store_.SavePatient(target);
  ReadPatients();
  SelectPatientId(id);
}

}  // namespace movra
