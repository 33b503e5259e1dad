// An Excel 97-2003 workbook (.xls) read into memory so that string cells can be added to
// a worksheet and the whole written out again: every other stream of the file, every
// other sheet and every cell already there stay as they were.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/xls_error.h"
#include "export/xls_formats.h"
#include "export/xls_sheet.h"

namespace movra {

enum class CellAlign {
  Keep,   // the format the cell has (or would have) as it is
  Centre  // that format, horizontally centred
};

class XlsWorkbook {
 public:
  // Reads a workbook file; throws XlsError with a message for the user when it cannot be
  // read or is no Excel 97-2003 workbook.
  static XlsWorkbook open(const std::string& path);
  static XlsWorkbook fromBytes(std::string_view bytes);

  XlsWorkbook(XlsWorkbook&&) noexcept;
  XlsWorkbook& operator=(XlsWorkbook&&) noexcept;
  ~XlsWorkbook();

  std::vector<std::string> sheetNames() const;
  // True when the workbook has a worksheet of this name (compared without regard to case).
  bool hasSheet(const std::string& name) const;

  // Sets the cell (0-based row and column) to a string; an empty string leaves the cell
  // empty with its format. Throws XlsError for a missing sheet, a cell outside the sheet
  // or a text too long for a cell.
  void setString(const std::string& sheet, uint32_t row, uint16_t col, const std::string& utf8, CellAlign align);

  // Makes the worksheet the one the workbook opens on: its tab is the active one and the
  // only one selected. Throws XlsError for a missing sheet.
  void activate(const std::string& sheet);
  // The sheet the workbook opens on, and the sheets whose tabs are selected, as the file
  // would be saved ("" when the workbook does not say).
  std::string activeSheet() const;
  std::vector<std::string> selectedSheets() const;

  // Reading: a cell as it now is, the rows in use, and what a cell format looks like.
  std::optional<XlsCell> cell(const std::string& sheet, uint32_t row, uint16_t col) const;
  std::vector<uint32_t> rows(const std::string& sheet) const;
  HorizontalAlign alignment(uint16_t xf) const;
  uint16_t fontWeight(uint16_t xf) const;
  // The bytes of a stream of the file other than the workbook stream ("\x05SummaryInformation" …).
  std::optional<std::string> streamBytes(const std::u16string& name) const;

  // The whole file as it would be saved.
  std::string toBytes() const;
  // Writes the file; an existing file is replaced only once the new one is complete and
  // on the disk. Throws XlsError when the file cannot be written (nothing other than a
  // regular file is ever replaced).
  void save(const std::string& path) const;

 private:
  struct Impl;
  explicit XlsWorkbook(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace movra
