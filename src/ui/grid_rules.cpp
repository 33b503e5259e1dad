#include "ui/grid_rules.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/format_settings.h"

namespace movra {

long double RoundHalfEven(long double v) {
  // Kept in floating point: an INR from the database may be far past any integer type.
  // Infinities and not-a-number come back as they are; so does any value too large to
  // have a fraction.
  if (!std::isfinite(v)) return v;
  long double f = std::floor(v);
  long double diff = v - f;
  if (diff > 0.5L) return f + 1;
  if (diff < 0.5L) return f;
  return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

double DisplayInr(double inrValue) {
  // Past 1e15 a double holds no tenths to round (and its product could leave the range of
  // a double); such a value, an infinity or not-a-number stays as it is.
  if (!(std::fabs(inrValue) < 1e15)) return inrValue;
  // The product is taken in extended precision, as the list always did.
  return static_cast<double>(RoundHalfEven(static_cast<long double>(inrValue) * 10.0L)) / 10.0;
}

InrRange ClassifyInr(double displayInr) {
  if (displayInr > 7.0) return InrRange::Above;
  if (static_cast<long double>(displayInr) < 0.7L) return InrRange::Below;
  return InrRange::In;
}

InrCell DescribeInrCell(int column, double inrValue, double ptValue) {
  InrCell cell;
  double inr = DisplayInr(inrValue);
  cell.range = ClassifyInr(inr);
  if (column == kColInr) {
    cell.text = FormatFloat("%.1f", inr);
  } else {
    // The PT field holds a whole number already; it is read as an integer.
    cell.text = FormatFloat("%.0f", static_cast<double>(RoundHalfEven(ptValue)));
  }
  return cell;
}

int InrCellTextX(int cellLeft, int cellWidth) { return cellLeft + (cellWidth - 30) / 2; }

int InrCellWidthFor(int drawnWidth, int offset) {
  // Both edges only move outward as the cell widens, so the first width that holds the
  // drawing is the answer.
  drawnWidth = std::max(drawnWidth, 0);
  for (int w = 0;; ++w) {
    int left = InrCellTextX(0, w) + offset;
    if (left >= 0 && left + drawnWidth <= w) return w;
  }
}

std::array<int, kGridColumnCount> GridDesignWidths(int screenWidth, int clientWidth) {
  std::array<int, kGridColumnCount> w{};
  w[0] = static_cast<int>(RoundHalfEven(static_cast<long double>(screenWidth) * 0.03L));
  w[1] = static_cast<int>(RoundHalfEven(static_cast<long double>(screenWidth) * 0.08L));
  int rest = (clientWidth - 100) / 8;
  for (int i = 2; i < kGridColumnCount; ++i) w[i] = rest;
  return w;
}

Size2 ClampClientSize(Size2 client, Size2 screen) {
  if (client.width > screen.width - 20) client.width = screen.width - 20;
  if (client.height > screen.height - 70) client.height = screen.height - 70;
  return client;
}

std::vector<int> FitColumnWidths(const std::vector<int>& design, int available, const std::vector<int>& minimums,
                                 const std::vector<int>& values) {
  const size_t n = design.size();
  // A value is never cut: its width is a floor below which no column goes.
  std::vector<int> floors(n, kMinColumnWidth);
  long long floorSum = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i < values.size() && values[i] > kMinColumnWidth) floors[i] = values[i];
    floorSum += floors[i];
  }
  if (floorSum >= available) return floors;
  std::vector<int> mins(floors);
  long long minSum = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i < minimums.size() && minimums[i] > mins[i]) mins[i] = minimums[i];
    minSum += mins[i];
  }
  // Too narrow for every title: the titles' widths are the proportions instead, and the
  // titles elide down to the values under them.
  if (minSum > available) return FitColumnWidths(mins, available, floors);

  // Columns whose proportional share is below their minimum are held there; the others
  // share what is left, until no share falls below its minimum.
  std::vector<bool> held(n, false);
  long long freeSpace = available, freeDesign = 0;
  for (bool changed = true; changed;) {
    changed = false;
    freeSpace = available;
    freeDesign = 0;
    for (size_t i = 0; i < n; ++i) {
      if (held[i])
        freeSpace -= mins[i];
      else
        freeDesign += design[i] > 0 ? design[i] : 0;
    }
    for (size_t i = 0; i < n; ++i) {
      if (held[i]) continue;
      long long w = design[i] > 0 ? design[i] : 0;
      long long share = freeDesign > 0 ? w * freeSpace / freeDesign : 0;
      if (share < mins[i]) {
        held[i] = true;
        changed = true;
      }
    }
  }
  // The rounding rest goes a pixel each to the shares that lost the most by rounding
  // down (on a tie the later column first), so equal designs stay within a pixel.
  std::vector<int> out(n);
  std::vector<std::pair<long long, size_t>> lost;
  int used = 0;
  for (size_t i = 0; i < n; ++i) {
    long long w = design[i] > 0 ? design[i] : 0;
    if (held[i] || freeDesign <= 0) {
      out[i] = mins[i];
    } else {
      out[i] = static_cast<int>(w * freeSpace / freeDesign);
      lost.push_back({w * freeSpace % freeDesign, i});
    }
    used += out[i];
  }
  std::sort(lost.begin(), lost.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second > b.second;
  });
  int rest = available - used;
  for (size_t k = 0; rest > 0 && !lost.empty(); k = (k + 1) % lost.size(), --rest) ++out[lost[k].second];
  if (rest > 0) out[n - 1] += rest;  // every column held at its minimum
  return out;
}

int32_t CheckStateForCount(int ticked, int rows) {
  if (ticked == 0) return 0;
  if (ticked == rows) return 2;
  return 1;
}

int32_t NextTitleClickState(int32_t state) { return state == 0 ? 2 : 0; }

std::array<int, 5> StatusPanelWidths(int outerWidth, int panel4Width) {
  int sixth = outerWidth / 6;
  return {outerWidth * 4 / 9, sixth, sixth, sixth, panel4Width};
}

std::vector<PortPanelItem> PortPanelLayout(const std::vector<std::string>& usbPorts, int left) {
  std::vector<PortPanelItem> items;
  for (size_t i = 0; i < usbPorts.size(); ++i) {
    PortPanelItem it;
    it.iconX = left + 40 * static_cast<int>(i);
    it.textX = it.iconX + 17;
    it.text = usbPorts[i].size() > 3 ? usbPorts[i].substr(3) : std::string();
    items.push_back(it);
  }
  return items;
}

}  // namespace movra
