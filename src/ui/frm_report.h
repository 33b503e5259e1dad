// TFrmReport: the INR report of one patient on one meter. The chart, the figures, the
// target range to edit (the chart and the figures follow at once), the choice of the
// group when the ticked rows hold several, and the buttons that save the report as a PDF
// file or print it.
#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/poor_control.h"
#include "report/report_rows.h"
#include "report/ttr.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPagedPaintDevice;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace movra {

class SaveFileChooser;
class InrChartView;

class TFrmReport : public QDialog {
  Q_OBJECT
 public:
  // groups: at least one. settingsPath: the settings file the range is saved to.
  TFrmReport(std::vector<ReportGroup> groups, TargetRange range, std::string settingsPath,
             QWidget* parent = nullptr);
  ~TFrmReport() override;

  QComboBox* cboGroup = nullptr;  // shown only when there are several groups
  QDoubleSpinBox* edtTargetLow = nullptr;
  QDoubleSpinBox* edtTargetHigh = nullptr;
  QPushButton* btnSaveRange = nullptr;
  InrChartView* chart = nullptr;
  QPushButton* btnSavePdf = nullptr;
  QPushButton* btnPrint = nullptr;
  QPushButton* btnClose = nullptr;
  // Everything above the buttons; it scrolls on a screen too small for it.
  QScrollArea* scrBody = nullptr;
  QLabel* lblNoTtr = nullptr;   // why the TTR is "-"
  QLabel* lblMarkersHeading = nullptr;  // the markers of poor control and their 6 months
  QLabel* lblMarkers = nullptr;         // each raised marker with its results, or "None"
  QLabel* lblStatus = nullptr;  // beside the buttons: what the last command did

  const ReportGroup& Group() const;
  TargetRange Range() const { return range_; }
  const ReportFigures& Figures() const { return figures_; }
  const PoorControlMarkers& Markers() const { return markers_; }
  // The figure values as shown, in the order of FigureRows, then of VariabilityRows.
  std::vector<QString> FigureTexts() const;

  // Replaceable services (tests put their own in).
  std::shared_ptr<SaveFileChooser> SaveDialog;
  // Asks which printer to use; false when the user cancelled.
  std::function<bool(QPrinter&)> ChoosePrinter;

  void btnSavePdfClick();
  void btnPrintClick();
  void btnSaveRangeClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void FitToScreen();
  void Refresh();
  void RangeEdited();

  std::vector<ReportGroup> groups_;
  TargetRange range_;
  std::string settingsPath_;
  ReportFigures figures_;
  PoorControlMarkers markers_;
  std::vector<QLabel*> figureNames_;   // the heading lines' labels, then the figures'
  std::vector<QLabel*> figureValues_;  // the heading lines' values, then the figures
  bool fitted_ = false;
  std::vector<QString> figureLabels_;  // their labels, which name them for screen readers
};

}  // namespace movra
