// The rules of the data list that do not need a widget: column widths, the INR and PT
// cells, the state of the check column's title. Kept pure so each rule can be checked
// with a table of cases.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/inr_result.h"

namespace movra {

constexpr int kGridColumnCount = 10;
// Column positions in the list.
constexpr int kColCheck = 0;
constexpr int kColInr = 6;
constexpr int kColPt = 7;

// The light blue of ticked rows and of the grid lines: red 120, green 200, blue 231.
constexpr int kTickedRed = 120, kTickedGreen = 200, kTickedBlue = 231;

// Round to the nearest integer, ties to even (0.5 gives 0, 1.5 gives 2). Safe for any
// value: infinities and not-a-number are returned as they are.
long double RoundHalfEven(long double v);

// The INR as the list and the exports show it: the value times ten rounded (ties to even)
// and divided by ten.
double DisplayInr(double inrValue);

// Above when inr > 7.0; below when inr lies under the extended-precision 0.7, so that the
// double 0.7 itself counts as below.
InrRange ClassifyInr(double displayInr);

// What an INR (column 6) or PT (column 7) cell shows.
struct InrCell {
  InrRange range = InrRange::In;
  std::string text;  // the number when in range
};
InrCell DescribeInrCell(int column, double inrValue, double ptValue);

// Left edge of the INR/PT text in a cell: the cell's left + (width - 30) / 2 (truncated).
int InrCellTextX(int cellLeft, int cellWidth);
// The narrowest INR/PT cell that shows, whole, a drawing `drawnWidth` wide placed `offset`
// pixels right of that left edge (the arrow picture sits 5 pixels left of it).
int InrCellWidthFor(int drawnWidth, int offset = 0);

// The widths SetupDataGrid gives before the columns are fitted to the grid: column 0 is
// 3 % and column 1 8 % of the screen width, columns 2 to 9 share the client width less 100.
std::array<int, kGridColumnCount> GridDesignWidths(int screenWidth, int clientWidth);

// The window's client size limited to the screen: at most W - 20 by H - 70.
struct Size2 {
  int width = 0, height = 0;
};
Size2 ClampClientSize(Size2 client, Size2 screen);

// The narrowest a column of the list gets, by fitting or by the user's dragging.
constexpr int kMinColumnWidth = 8;

// Scales the widths together so they fill `available` pixels in proportion to `design`,
// while each column keeps at least its minimum (the width its title needs); the columns
// that are not held at their minimum share the rest, the last of them takes the rounding
// rest. When the minimums together do not fit, they are scaled down instead (the titles
// then elide), but no column drops below its entry in `values` (the width its widest
// value needs) nor below kMinColumnWidth. When those floors together need more than
// `available`, each column gets its floor and the widths add up to more than the grid
// (which then scrolls sideways).
std::vector<int> FitColumnWidths(const std::vector<int>& design, int available,
                                 const std::vector<int>& minimums = {}, const std::vector<int>& values = {});

// The title state of the check column from the ticked count: 0 none, 2 all, 1 mixed. An
// empty list counts as none.
int32_t CheckStateForCount(int ticked, int rows);
// The state a title click moves to: from none to all, from anything else to none.
int32_t NextTitleClickState(int32_t state);

// Status bar: panel 0 takes 4/9 of the window's outer width, panels 1 to 3 a sixth each;
// panel 4 keeps its width.
std::array<int, 5> StatusPanelWidths(int outerWidth, int panel4Width);

// One port of the status bar's port panel: the icon at (iconX, top), the port number at
// (textX, top).
struct PortPanelItem {
  int iconX = 0;
  int textX = 0;
  std::string text;
};
std::vector<PortPanelItem> PortPanelLayout(const std::vector<std::string>& usbPorts, int left);

}  // namespace movra
