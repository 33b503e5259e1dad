#include "ui/inr_chart_view.h"

#include <QPainter>

#include "report_print/inr_chart.h"

namespace movra {

InrChartView::InrChartView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(360, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void InrChartView::Show(const std::vector<ReportResult>* tests, TargetRange range) {
  tests_ = tests;
  range_ = range;
  update();
}

void InrChartView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (tests_) DrawInrChart(p, QRectF(rect()).adjusted(6, 6, -6, -6), *tests_, range_);
}

}  // namespace movra
