// The INR chart of a report: INR over the days, the target range shaded, each test a
// point, an arrow at the chart's edge for a value above or below the measuring range.
// Drawn in black, greys and one blue so it reads in black and white as well: tests in the
// target range are filled dots, the others open dots.
#pragma once
#include <QPainter>
#include <QRectF>

#include "report/report_rows.h"
#include "report/ttr.h"

namespace movra {

// Draws into `area` with the painter's font for the axis texts; `px` is the length of
// one screen pixel in the painter's units (lines are one or two of them wide).
void DrawInrChart(QPainter& p, const QRectF& area, const std::vector<ReportResult>& tests, TargetRange range,
                  double px = 1.0);

// The INR shown at the top of the chart: room above the target and the highest value,
// in half steps, the whole measuring range when an arrow points above it.
double ChartTopInr(const std::vector<ReportResult>& tests, TargetRange range);

// Days between two date labels on the axis, so that labels `labelWidth` wide do not
// overlap: a day, two, a week, ... two years, then whole years as many as it takes.
int ChartDateStep(double pixelsPerDay, double labelWidth);

}  // namespace movra
