// The report window's chart: the painter code the printed report uses, on a widget.
#pragma once
#include <QWidget>

#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra {

class InrChartView : public QWidget {
  Q_OBJECT
 public:
  explicit InrChartView(QWidget* parent = nullptr);
  void Show(const std::vector<ReportResult>* tests, TargetRange range);
  QSize sizeHint() const override { return QSize(640, 300); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  const std::vector<ReportResult>* tests_ = nullptr;
  TargetRange range_;
};

}  // namespace movra
