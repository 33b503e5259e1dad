#include "ui/grid_rules.h"

#include <cmath>

#include "app/format_settings.h"

namespace movra {

long long RoundHalfEven(long double v) {
  long double f = std::floor(v);
  long double diff = v - f;
  long long n = static_cast<long long>(f);
  if (diff > 0.5L) return n + 1;
  if (diff < 0.5L) return n;
  return (n % 2 == 0) ? n : n + 1;
}

double DisplayInr(double inrValue) {
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

std::vector<int> FitColumnWidths(const std::vector<int>& design, int available) {
  std::vector<int> out(design.size(), 1);
  if (design.empty()) return out;
  long long sum = 0;
  for (int w : design) sum += w > 0 ? w : 0;
  if (sum <= 0 || available <= 0) return out;
  int used = 0;
  for (size_t i = 0; i < design.size(); ++i) {
    long long w = design[i] > 0 ? design[i] : 0;
    int scaled = static_cast<int>(w * available / sum);
    out[i] = scaled < 1 ? 1 : scaled;
    used += out[i];
  }
  int last = static_cast<int>(design.size()) - 1;
  int adjusted = out[last] + (available - used);
  out[last] = adjusted < 1 ? 1 : adjusted;
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
