#include "ui/frm_report.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/config.h"
#include "app/datetime.h"
#include "app/dialogs.h"
#include "app/folders.h"
#include "app/format_settings.h"
#include "app/language.h"
#include "report/report_file.h"
#include "report/report_settings.h"
#include "report_print/report_pages.h"
#include "report_print/report_pdf.h"
#include "report_print/report_texts.h"
#include "ui/inr_chart_view.h"
#include "ui/save_file_chooser.h"
#include "ui/screen_cursor.h"

namespace movra {

namespace {

// The patient's name and birth date (shown when known), meter serial number, patient ID
// and period stand above the figures.
constexpr size_t kHeadingLines = 5;
constexpr size_t kNameLine = 0;
constexpr size_t kBornLine = 1;

// The size the window opens at when the screen has room for it.
constexpr QSize kOpeningSize(960, 600);
// Room kept for the window frame before the window manager has told its size.
constexpr QSize kFrameAllowance(16, 48);

QDoubleSpinBox* MakeBoundEdit(QWidget* parent, const char* name) {
  auto* e = new QDoubleSpinBox(parent);
  e->setObjectName(name);
  e->setDecimals(1);
  e->setSingleStep(0.1);
  e->setRange(kLowestTargetTenths / 10.0, kHighestTargetTenths / 10.0);
  e->setKeyboardTracking(false);  // a half-typed bound is no range yet
  return e;
}

int TenthsOf(const QDoubleSpinBox* e) { return static_cast<int>(std::lround(e->value() * 10)); }

QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name = nullptr) {
  auto* l = new QLabel(text, parent);
  if (name) l->setObjectName(name);
  return l;
}

// The report's file name proposed first: the meter, the patient and today.
std::string ProposedPdfName(const ReportGroup& g) {
  std::string name = "INR_" + g.serialNumber + "_" + g.patientId + "_" + FormatDateTime("yyyy_mm_dd", Now());
  for (char& c : name)
    if (c == '/' || c == '\\' || c == ':' || c == ' ') c = '_';
  return name;
}

}  // namespace

TFrmReport::TFrmReport(std::vector<ReportGroup> groups, TargetRange range, std::string settingsPath, QWidget* parent)
    : QDialog(parent), groups_(std::move(groups)), range_(range), settingsPath_(std::move(settingsPath)) {
  setObjectName("FrmReport");
  setWindowTitle(Tr("INR Report"));
  auto* outer = new QVBoxLayout(this);
  scrBody = new QScrollArea(this);
  scrBody->setObjectName("scrBody");
  scrBody->setWidgetResizable(true);
  scrBody->setFrameShape(QFrame::NoFrame);
  auto* body = new QWidget(scrBody);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(0, 0, 0, 0);

  auto* top = new QHBoxLayout;
  cboGroup = new QComboBox(this);
  cboGroup->setObjectName("cboGroup");
  for (const ReportGroup& g : groups_) cboGroup->addItem(QString::fromStdString(GroupName(g)));
  auto* lblGroup = MakeLabel(Tr("Meter / patient") + ":", this, "lblGroup");
  lblGroup->setVisible(groups_.size() > 1);
  cboGroup->setVisible(groups_.size() > 1);
  top->addWidget(lblGroup);
  top->addWidget(cboGroup);
  top->addStretch(1);
  top->addWidget(MakeLabel(Tr("Target range") + ":", this));
  edtTargetLow = MakeBoundEdit(this, "edtTargetLow");
  edtTargetHigh = MakeBoundEdit(this, "edtTargetHigh");
  edtTargetLow->setValue(range_.lowTenths / 10.0);
  edtTargetHigh->setValue(range_.highTenths / 10.0);
  edtTargetLow->setAccessibleName(Tr("Target range, low bound"));
  edtTargetHigh->setAccessibleName(Tr("Target range, high bound"));
  top->addWidget(edtTargetLow);
  top->addWidget(MakeLabel(QString::fromUtf8("\u2013"), this));
  top->addWidget(edtTargetHigh);
  btnSaveRange = new QPushButton(Tr("Save as Default"), this);
  btnSaveRange->setObjectName("btnSaveRange");
  btnSaveRange->setToolTip(Tr("Use this target range for every report"));
  top->addWidget(btnSaveRange);
  column->addLayout(top);

  auto* middle = new QHBoxLayout;
  chart = new InrChartView(this);
  chart->setObjectName("chart");
  chart->setAccessibleName(Tr("INR chart"));
  middle->addWidget(chart, 1);
  auto* figures = new QGridLayout;
  figures->setVerticalSpacing(6);
  // The group's heading lines, then the figures, each a label and its value.
  std::vector<QString> labels = {Tr("Name"), Tr("Born"), Tr("Meter serial number"), Tr("Patient ID"), Tr("Period")};
  for (const auto& figure : FigureRows(ReportFigures())) labels.push_back(figure.first);
  for (const auto& figure : VariabilityRows({})) labels.push_back(figure.first);
  int row = 0;
  for (const QString& label : labels) {
    figureNames_.push_back(MakeLabel(label + ":", this));
    figures->addWidget(figureNames_.back(), row, 0);
    // The patient's lines are named apart: they are there only when the person is known.
    const bool patientLine = figureValues_.size() == kNameLine || figureValues_.size() == kBornLine;
    auto* value = MakeLabel(QString(), this, patientLine ? "patientValue" : "figureValue");
    // Tab reaches every value, so a screen reader reads the figures one by one.
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setFocusPolicy(Qt::TabFocus);
    value->setStyleSheet("QLabel:focus { background-color: palette(highlight); color: palette(highlighted-text); }");
    figures->addWidget(value, row++, 1);
    figureValues_.push_back(value);
    figureLabels_.push_back(label);
  }
  lblNoTtr = MakeLabel(QString(), this, "lblNoTtr");
  lblNoTtr->setWordWrap(true);
  figures->addWidget(lblNoTtr, row++, 0, 1, 2);
  // The markers of poor control, each with the results that raised it.
  lblMarkersHeading = MakeLabel(QString(), this, "lblMarkersHeading");
  lblMarkersHeading->setWordWrap(true);
  QFont bold = lblMarkersHeading->font();
  bold.setBold(true);
  lblMarkersHeading->setFont(bold);
  figures->addWidget(lblMarkersHeading, row++, 0, 1, 2);
  lblMarkers = MakeLabel(QString(), this, "lblMarkers");
  lblMarkers->setWordWrap(true);
  lblMarkers->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lblMarkers->setFocusPolicy(Qt::TabFocus);
  figures->addWidget(lblMarkers, row++, 0, 1, 2);
  figures->setRowStretch(row, 1);
  middle->addLayout(figures);
  column->addLayout(middle, 1);
  scrBody->setWidget(body);
  outer->addWidget(scrBody, 1);

  auto* buttons = new QHBoxLayout;
  lblStatus = MakeLabel(QString(), this, "lblStatus");
  lblStatus->setWordWrap(true);
  buttons->addWidget(lblStatus, 1);
  btnSavePdf = new QPushButton(Tr("Save PDF..."), this);
  btnSavePdf->setObjectName("btnSavePdf");
  btnPrint = new QPushButton(Tr("Print..."), this);
  btnPrint->setObjectName("btnPrint");
  btnClose = new QPushButton(Tr("Close"), this);
  btnClose->setObjectName("btnClose");
  buttons->addWidget(btnSavePdf);
  buttons->addWidget(btnPrint);
  buttons->addWidget(btnClose);
  outer->addLayout(buttons);

  connect(cboGroup, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  connect(edtTargetLow, &QDoubleSpinBox::valueChanged, this, [this] { RangeEdited(); });
  connect(edtTargetHigh, &QDoubleSpinBox::valueChanged, this, [this] { RangeEdited(); });
  connect(btnSaveRange, &QPushButton::clicked, this, [this] { btnSaveRangeClick(); });
  connect(btnSavePdf, &QPushButton::clicked, this, [this] { btnSavePdfClick(); });
  connect(btnPrint, &QPushButton::clicked, this, [this] { btnPrintClick(); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

  SaveDialog = MakeQtSaveFileChooser(this);
  ChoosePrinter = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  resize(kOpeningSize);
  Refresh();
}

TFrmReport::~TFrmReport() = default;

void TFrmReport::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!fitted_ && !e->spontaneous()) {
    fitted_ = true;
    FitToScreen();
  }
}

// The opening size, or less on a small screen (the body then scrolls), in the middle of
// the screen's free area so the frame, the close box and the buttons are on it.
void TFrmReport::FitToScreen() {
  QScreen* s = screen();
  if (!s) return;
  const QRect avail = s->availableGeometry();
  QSize frame = frameGeometry().size() - size();
  if (frame.isEmpty()) frame = kFrameAllowance;
  const QSize room = avail.size() - frame;
  // The scroll area's own hint stops short of its contents; the contents say how wide.
  const QMargins m = layout()->contentsMargins();
  QSize wanted = kOpeningSize.expandedTo(QSize(scrBody->widget()->sizeHint().width() + m.left() + m.right(), 0));
  resize(wanted.boundedTo(room));
  // move() places the frame's corner.
  move(avail.left() + std::max(0, (avail.width() - width() - frame.width()) / 2),
       avail.top() + std::max(0, (avail.height() - height() - frame.height()) / 2));
}

const ReportGroup& TFrmReport::Group() const {
  int i = cboGroup->currentIndex();
  return groups_[i >= 0 && static_cast<size_t>(i) < groups_.size() ? static_cast<size_t>(i) : 0];
}

void TFrmReport::RangeEdited() {
  TargetRange edited{TenthsOf(edtTargetLow), TenthsOf(edtTargetHigh)};
  if (!IsValidTarget(edited)) {
    // A low bound at or over the high one: the other bound moves out of its way.
    if (sender() == edtTargetLow)
      edited.highTenths = std::min(kHighestTargetTenths, edited.lowTenths + 1);
    else
      edited.lowTenths = std::max(kLowestTargetTenths, edited.highTenths - 1);
    if (edited.lowTenths >= edited.highTenths) edited = range_;
    QSignalBlocker b1(edtTargetLow), b2(edtTargetHigh);
    edtTargetLow->setValue(edited.lowTenths / 10.0);
    edtTargetHigh->setValue(edited.highTenths / 10.0);
  }
  range_ = edited;
  lblStatus->clear();
  Refresh();
}

void TFrmReport::Refresh() {
  const ReportGroup& g = Group();
  figures_ = ComputeFigures(g.tests, range_);
  // The list's report knows no name or birth date: those lines are left out.
  figureValues_[kNameLine]->setText(QString::fromStdString(g.patient.name));
  figureValues_[kBornLine]->setText(g.patient.born ? DateLabel(*g.patient.born) : QString());
  for (size_t line : {kNameLine, kBornLine}) {
    figureNames_[line]->setVisible(!figureValues_[line]->text().isEmpty());
    figureValues_[line]->setVisible(!figureValues_[line]->text().isEmpty());
  }
  figureValues_[2]->setText(QString::fromStdString(g.serialNumber));
  figureValues_[3]->setText(QString::fromStdString(g.patientId));
  figureValues_[4]->setText(PeriodLabel(figures_));
  auto rows = FigureRows(figures_);
  for (const auto& row : VariabilityRows(g.tests)) rows.push_back(row);
  for (size_t i = 0; i < rows.size(); ++i) figureValues_[kHeadingLines + i]->setText(rows[i].second);
  markers_ = FindPoorControl(g.tests, range_);
  lblMarkersHeading->setText(MarkersHeading(markers_) + ":");
  lblMarkers->setText(MarkersText(markers_));
  lblMarkers->setAccessibleName(lblMarkersHeading->text() + " " + lblMarkers->text());
  lblNoTtr->setText(NoTtrNote(figures_));
  lblNoTtr->setVisible(!lblNoTtr->text().isEmpty());
  // A value is read with its label; the chart is described by the range and the figures.
  QStringList summary{Tr("Target range") + ": " + RangeLabel(range_)};
  for (size_t i = 0; i < figureValues_.size(); ++i) {
    QString named = figureLabels_[i] + ": " + figureValues_[i]->text();
    figureValues_[i]->setAccessibleName(named);
    if (i >= kHeadingLines) summary << named;
  }
  summary << lblMarkers->accessibleName();
  chart->setAccessibleDescription(summary.join("; "));
  chart->Show(&g.tests, range_);
}

std::vector<QString> TFrmReport::FigureTexts() const {
  std::vector<QString> out;
  for (size_t i = kHeadingLines; i < figureValues_.size(); ++i) out.push_back(figureValues_[i]->text());
  return out;
}

void TFrmReport::btnSavePdfClick() {
  SaveDialogOptions options;
  options.title = TranslateText("Save the Report as PDF");
  options.filter = "PDF files (*.pdf)";
  options.fileName = ProposedPdfName(Group());
  std::optional<std::string> chosen = ChooseFileToWrite(SaveDialog.get(), options, PdfTargetName);
  if (!chosen) return;
  const std::string& target = *chosen;
  ReportDocument doc{QString::fromStdString(GlobalOption.Title), Group(), range_, Now()};
  std::optional<std::string> error;
  {
    SetHourglassCursor();
    error = WriteReportPdf(doc, target);
    SetDefaultCursor();
  }
  if (error) {
    ShowError(*error);
    return;
  }
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(target, ec);
  ShowInfo(std::string("Export to PDF finished!") + "\n" + (ec ? target : full.lexically_normal().string()));
}

void TFrmReport::btnPrintClick() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(ReportPageSize(QLocale()));
  printer.setPageMargins(QMarginsF(18, 15, 15, 15), QPageLayout::Millimeter);
  printer.setDocName(Tr("INR Report"));
  if (!ChoosePrinter || !ChoosePrinter(printer)) return;
  ReportDocument doc{QString::fromStdString(GlobalOption.Title), Group(), range_, Now()};
  PaintReport(printer, doc);
}

void TFrmReport::btnSaveRangeClick() {
  // An installed program's settings are the package's: the user's own copy takes the range.
  std::string seedProblem;
  if (!SeedConfigFile(settingsPath_, seedProblem)) {
    ShowError("Cannot write the file \"" + settingsPath_ + "\": " + seedProblem + ".");
    return;
  }
  if (auto why = WriteTargetRange(settingsPath_, range_)) {
    ShowError("Cannot write the file \"" + settingsPath_ + "\": " + *why + ".");
    return;
  }
  lblStatus->setText(Tr("The target range %1 is now the default for every report.").arg(RangeLabel(range_)));
}

}  // namespace movra
