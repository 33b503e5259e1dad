#include "report_print/inr_chart.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "app/datetime.h"
#include "app/format_settings.h"
#include "report_print/report_texts.h"

namespace movra {

namespace {

constexpr double kChartBottomInr = 0.5;
constexpr double kChartHighestTopInr = 7.5;
const QColor kBandColour(0xDD, 0xEB, 0xDD);  // a light grey on paper
const QColor kLineColour(0x1F, 0x3A, 0x5F);
const QColor kGridColour(0xC8, 0xCC, 0xD2);

// Day steps between date labels, the smallest that leaves room for each label; past two
// years, whole years.
const int kDateSteps[] = {1, 2, 7, 14, 28, 56, 91, 182, 364, 728};

// A test's dot: filled in the target range, open outside it.
void DrawDot(QPainter& p, QPointF c, bool inTarget, double px) {
  const double r = 3.5 * px;
  p.setPen(QPen(kLineColour, 1.5 * px));
  p.setBrush(inTarget ? QBrush(kLineColour) : QBrush(Qt::white));
  p.drawEllipse(c, r, r);
}

// An arrow with its tip at `tip`, pointing up (dir -1) or down (dir 1).
void DrawArrow(QPainter& p, QPointF tip, double dir, double px) {
  const double r = 3.5 * px;
  QPainterPath arrow;
  arrow.moveTo(tip);
  arrow.lineTo(tip.x() - 2.2 * r, tip.y() - dir * (3.2 * r + 2 * px));
  arrow.lineTo(tip.x() + 2.2 * r, tip.y() - dir * (3.2 * r + 2 * px));
  arrow.closeSubpath();
  p.setPen(QPen(Qt::black, px));
  p.setBrush(Qt::black);
  p.drawPath(arrow);
}

// The three marks of the legend, each its mark's width and a text.
struct LegendItem {
  int mark;  // 0 filled dot, 1 open dot, 2 arrows
  QString text;
};

std::vector<LegendItem> LegendItems() {
  return {{0, Tr("In target range")}, {1, Tr("Outside target range")}, {2, Tr("Beyond the measuring range")}};
}

double MarkWidth(int mark, double px) { return (mark == 2 ? 36 : 12) * px; }

// The lines the legend needs within `width`: an item that does not fit goes on the next.
int LegendLines(const QFontMetricsF& fm, double width, double px) {
  int lines = 1;
  double x = 0;
  for (const LegendItem& item : LegendItems()) {
    double w = MarkWidth(item.mark, px) + fm.horizontalAdvance(item.text) + 18 * px;
    if (x > 0 && x + w > width) {
      ++lines;
      x = 0;
    }
    x += w;
  }
  return lines;
}

// What the marks mean, from (left, top), wrapping within `width` as LegendLines counts.
void DrawLegend(QPainter& p, double left, double top, double width, double px) {
  const QFontMetricsF fm(p.font());
  const double lineHeight = fm.height() * 1.3;
  double x = 0, y = top + lineHeight / 2;
  for (const LegendItem& item : LegendItems()) {
    double w = MarkWidth(item.mark, px) + fm.horizontalAdvance(item.text) + 18 * px;
    if (x > 0 && x + w > width) {
      x = 0;
      y += lineHeight;
    }
    double mx = left + x;
    if (item.mark == 2) {
      DrawArrow(p, QPointF(mx + 8 * px, y - 6 * px), -1, px);
      DrawArrow(p, QPointF(mx + 24 * px, y + 6 * px), 1, px);
    } else {
      DrawDot(p, QPointF(mx + 4 * px, y), item.mark == 0, px);
    }
    p.setPen(Qt::black);
    p.drawText(QPointF(mx + MarkWidth(item.mark, px), y + fm.ascent() / 2 - fm.descent() / 2), item.text);
    x += w;
  }
}

}  // namespace

int ChartDateStep(double pixelsPerDay, double labelWidth) {
  for (int s : kDateSteps)
    if (s * pixelsPerDay >= labelWidth) return s;
  const int year = 364;
  return year * std::max(1, static_cast<int>(std::ceil(labelWidth / (year * pixelsPerDay))));
}

double ChartTopInr(const std::vector<ReportResult>& tests, TargetRange range) {
  int highest = range.highTenths + 10;
  for (const ReportResult& t : tests) {
    if (t.measured == Measured::Above) return kChartHighestTopInr;
    highest = std::max(highest, t.tenths + 3);
  }
  return std::min(kChartHighestTopInr, std::ceil(highest / 5.0) * 0.5);
}

void DrawInrChart(QPainter& p, const QRectF& area, const std::vector<ReportResult>& tests, TargetRange range,
                  double px) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QFontMetricsF fm(p.font());
  const double top = ChartTopInr(tests, range);
  const double yStep = top - kChartBottomInr > 4 ? 1.0 : 0.5;
  const double plotLeft = area.left() + fm.horizontalAdvance("0.00") + 6 * px;
  // The widest date label: each digit as wide as the widest one.
  const double dateWidth = fm.horizontalAdvance(DateLabel(*EncodeDate(2088, 12, 28)));
  const double plotWidth = area.width() - fm.horizontalAdvance("0.00") - 6 * px - dateWidth / 2;
  const int legendLines = LegendLines(fm, area.right() - plotLeft, px);
  const QRectF plot(plotLeft, area.top() + fm.height() / 2, plotWidth,
                    area.height() - fm.height() * (2.2 + 1.3 * legendLines));
  if (plot.width() <= 0 || plot.height() <= 0) {
    p.restore();
    return;
  }
  // The days shown: from the first test's day to the day after the last.
  double firstDay = tests.empty() ? 0 : std::floor(tests.front().when);
  double lastDay = tests.empty() ? 1 : std::floor(tests.back().when) + 1;
  const double pad = std::max(0.5, (lastDay - firstDay) * 0.02);
  const double x0 = firstDay - pad, x1 = lastDay + pad;
  auto xOf = [&](double day) { return plot.left() + (day - x0) / (x1 - x0) * plot.width(); };
  auto yOf = [&](double inr) {
    inr = std::clamp(inr, kChartBottomInr, top);
    return plot.bottom() - (inr - kChartBottomInr) / (top - kChartBottomInr) * plot.height();
  };

  // The target band, its bounds dashed.
  p.fillRect(QRectF(QPointF(plot.left(), yOf(range.highTenths / 10.0)), QPointF(plot.right(), yOf(range.lowTenths / 10.0))),
             kBandColour);
  // The value grid and its labels.
  p.setPen(QPen(kGridColour, px * 0.75));
  for (double v = std::ceil(kChartBottomInr / yStep - 1e-9) * yStep; v <= top + 1e-9; v += yStep) {
    p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), yOf(v) - fm.height() / 2, plot.left() - area.left() - 4 * px, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(FormatFloat("%.1f", v)));
    p.setPen(QPen(kGridColour, px * 0.75));
  }
  p.setPen(QPen(Qt::black, px, Qt::DashLine));
  for (int bound : {range.lowTenths, range.highTenths})
    p.drawLine(QPointF(plot.left(), yOf(bound / 10.0)), QPointF(plot.right(), yOf(bound / 10.0)));

  // Dates along the axis, as far apart as their labels need.
  const double labelWidth = dateWidth * 1.2;
  const int step = ChartDateStep(plot.width() / (x1 - x0), labelWidth);
  p.setPen(Qt::black);
  for (double d = firstDay; d <= lastDay; d += step) {
    double x = xOf(d);
    p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3 * px));
    p.drawText(QRectF(x - labelWidth / 2, plot.bottom() + 3 * px, labelWidth, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               DateLabel(d));
  }
  p.setPen(QPen(Qt::black, px));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);

  // The tests joined in order; a gap the figures do not interpolate is not joined either.
  auto pointOf = [&](const ReportResult& t) {
    double inr = t.measured == Measured::Above ? top : t.measured == Measured::Below ? kChartBottomInr : t.tenths / 10.0;
    return QPointF(xOf(t.when), yOf(inr));
  };
  p.setPen(QPen(kLineColour, 1.5 * px));
  for (size_t i = 0; i + 1 < tests.size(); ++i) {
    if (std::floor(tests[i + 1].when) - std::floor(tests[i].when) > kMaxInterpolatedGapDays) continue;
    p.drawLine(pointOf(tests[i]), pointOf(tests[i + 1]));
  }
  for (const ReportResult& t : tests) {
    QPointF c = pointOf(t);
    if (t.measured == Measured::Above)
      DrawArrow(p, QPointF(c.x(), c.y() - 2 * px), -1, px);
    else if (t.measured == Measured::Below)
      DrawArrow(p, QPointF(c.x(), c.y() + 2 * px), 1, px);
    else
      DrawDot(p, c, CompareWithTarget(t, range) == AgainstTarget::In, px);
  }
  DrawLegend(p, plot.left(), plot.bottom() + 3 * px + fm.height() * 1.3, area.right() - plot.left(), px);
  p.restore();
}

}  // namespace movra
