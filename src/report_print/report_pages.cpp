#include "report_print/report_pages.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include "report/report_lines.h"
#include "report_print/inr_chart.h"
#include "report_print/report_texts.h"
#include "app/format_settings.h"

namespace movra {

QPageSize ReportPageSize(const QLocale& locale) {
  QString name = locale.name();  // "en_US"
  QString country = name.section('_', 1, 1);
  bool letter = locale.measurementSystem() == QLocale::ImperialUSSystem || UsesLetterPaper(country.toStdString());
  return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

namespace {

constexpr double kBodyPt = 9;
constexpr double kChartHeightPt = 210;

// Lays the report out page by page in device units (u of them to a point). Run once to
// count the pages, then again to paint them with "Page n of m".
class PageFlow {
 public:
  PageFlow(QPagedPaintDevice& device, QPainter* painter, const ReportDocument& doc, int pages)
      : device_(device), p_(painter), doc_(doc), pages_(pages) {
    u_ = device.logicalDpiY() / 72.0;
    width_ = device.width();
    SetFont(kBodyPt);
    bottom_ = device.height() - LineHeight() * 2;  // the foot line stays free
  }

  int Run() {
    const ReportFigures f = ComputeFigures(doc_.group.tests, doc_.range);
    Heading(f);
    Chart();
    Figures(f);
    Markers();
    ResultTable(Tr("Results"), doc_.group.tests, true);
    if (!doc_.group.controls.empty()) ResultTable(Tr("Control results"), doc_.group.controls, false);
    Foot();
    return page_;
  }

 private:
  double LineHeight() const { return QFontMetricsF(font_, &device_).height() * 1.25; }

  void SetFont(double points, bool bold = false) {
    font_ = QFont();
    font_.setPointSizeF(points);
    font_.setBold(bold);
    if (p_) p_->setFont(font_);
  }

  void Text(double x, double w, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    if (p_) p_->drawText(QRectF(x, y_, w, LineHeight()), align | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }

  void NewPageIfBelow(double needed) {
    if (y_ + needed <= bottom_) return;
    Foot();
    if (p_) device_.newPage();
    ++page_;
    y_ = 0;
  }

  void Foot() {
    if (!p_) return;
    QFont keep = font_;
    double keepY = y_;
    SetFont(kBodyPt - 1);
    y_ = bottom_ + LineHeight();
    const QString printed = DateLabel(doc_.printedAt) + " " + QString::fromStdString(FormatDateTime("hh:nn", doc_.printedAt));
    Text(0, width_, Tr("Printed: %1").arg(printed));
    Text(0, width_, Tr("Page %1 of %2").arg(page_).arg(pages_), Qt::AlignRight);
    y_ = keepY;
    font_ = keep;
    p_->setFont(font_);
  }

  void Heading(const ReportFigures& f) {
    SetFont(15, true);
    Text(0, width_, doc_.programName);
    y_ += LineHeight();
    SetFont(12, true);
    Text(0, width_, Tr("INR Report"));
    y_ += LineHeight() * 1.3;
    SetFont(kBodyPt + 1);
    std::vector<std::pair<QString, QString>> rows = PatientRows(doc_.group.patient);
    rows.insert(rows.end(), {
                                {Tr("Meter serial number"), QString::fromStdString(doc_.group.serialNumber)},
                                {Tr("Patient ID"), QString::fromStdString(doc_.group.patientId)},
                                {Tr("Period"), PeriodLabel(f)},
                                {Tr("Target range"), RangeLabel(doc_.range)},
                            });
    LabelledLines(rows.data(), rows.size());
    SetFont(kBodyPt);
    y_ += LineHeight() * 0.5;
  }

  void LabelledLines(const std::pair<QString, QString>* rows, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      Text(0, width_ * 0.42, rows[i].first + ":");
      Text(width_ * 0.42, width_ * 0.58, rows[i].second);
      y_ += LineHeight();
    }
  }

  void Chart() {
    if (p_) {
      SetFont(kBodyPt - 1);
      DrawInrChart(*p_, QRectF(0, y_, width_, kChartHeightPt * u_), doc_.group.tests, doc_.range, 0.75 * u_);
      SetFont(kBodyPt);
    }
    y_ += kChartHeightPt * u_ + LineHeight() * 0.5;
  }

  void Figures(const ReportFigures& f) {
    SetFont(kBodyPt + 1);
    auto rows = FigureRows(f);
    for (const auto& row : VariabilityRows(doc_.group.tests)) rows.push_back(row);
    const QString note = NoTtrNote(f);
    NewPageIfBelow(LineHeight() * static_cast<double>(rows.size() + (note.isEmpty() ? 0 : 1)));
    LabelledLines(rows.data(), rows.size());
    if (!note.isEmpty()) {
      Text(0, width_, note);
      y_ += LineHeight();
    }
    SetFont(kBodyPt);
    y_ += LineHeight();
  }

  // The markers of poor control, each as a table of the results that raised it.
  void Markers() {
    const PoorControlMarkers m = FindPoorControl(doc_.group.tests, doc_.range);
    NewPageIfBelow(LineHeight() * 4);
    SetFont(kBodyPt + 2, true);
    Text(0, width_, MarkersHeading(m));
    y_ += LineHeight();
    SetFont(kBodyPt);
    if (m.raised.empty()) {
      Text(0, width_, Tr("None"));
      y_ += LineHeight() * 2;
      return;
    }
    for (const RaisedMarker& r : m.raised) ResultTable(MarkerLabel(r.marker), r.results, true, false);
  }

  void ResultTable(const QString& title, const std::vector<ReportResult>& results, bool withTarget,
                   bool bigTitle = true) {
    const double cols[] = {0, 0.2, 0.34, 0.48, 0.75};  // date, time, INR, sample type, target
    auto header = [&] {
      SetFont(kBodyPt, true);
      const QString titles[] = {Tr("Date"), Tr("Time"), "INR", Tr("Sample Type"), Tr("Target range")};
      for (int c = 0; c < (withTarget ? 5 : 4); ++c) Text(width_ * cols[c], width_ * 0.25, titles[c]);
      y_ += LineHeight();
      if (p_) {
        p_->setPen(QPen(Qt::black, 0.5 * u_));
        p_->drawLine(QPointF(0, y_ - u_), QPointF(width_, y_ - u_));
      }
      SetFont(kBodyPt);
    };
    NewPageIfBelow(LineHeight() * 4);
    SetFont(bigTitle ? kBodyPt + 2 : kBodyPt, true);
    Text(0, width_, title);
    y_ += LineHeight();
    header();
    for (const ReportResult& r : results) {
      if (y_ + LineHeight() > bottom_) {
        NewPageIfBelow(bottom_);
        header();
      }
      Text(0, width_ * 0.2, DateLabel(r.when));
      Text(width_ * cols[1], width_ * 0.14, QString::fromStdString(r.timeText));
      Text(width_ * cols[2], width_ * 0.14, ValueLabel(r));
      Text(width_ * cols[3], width_ * 0.27, SampleTypeLabel(r.sampleType));
      if (withTarget) Text(width_ * cols[4], width_ * 0.25, AgainstTargetLabel(r, doc_.range));
      y_ += LineHeight();
    }
    y_ += LineHeight();
  }

  QPagedPaintDevice& device_;
  QPainter* p_;
  const ReportDocument& doc_;
  int pages_;
  int page_ = 1;
  double y_ = 0;
  double width_ = 0;
  double bottom_ = 0;
  QFont font_;
  double u_ = 1.0;
};

}  // namespace

int PaintReport(QPagedPaintDevice& device, const ReportDocument& doc) {
  const int pages = PageFlow(device, nullptr, doc, 0).Run();
  QPainter painter(&device);
  PageFlow(device, &painter, doc, pages).Run();
  painter.end();
  return pages;
}

}  // namespace movra
