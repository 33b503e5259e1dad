// The workbook globals substream: settings, fonts, cell formats, the sheet list
// (BOUNDSHEET8 with each sheet's stream position) and the shared strings. Records are
// kept as read except those rewritten: the shared strings and their EXTSST, the sheet
// positions, the XF table with its checksum, where formats were added.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/xls_formats.h"
#include "export/xls_sst.h"

namespace movra {

struct BoundSheet {
  std::u16string name;
  uint32_t position = 0;  // stream position of the sheet's BOF
  uint8_t type = 0;       // 0 worksheet or dialog, 1 macro sheet, 2 chart, 6 VB module
};

class WorkbookGlobals {
 public:
  // Reads the globals from the start of the workbook stream; `stream` must outlive this.
  void Parse(std::string_view stream);
  // Stream position just after the globals' EOF.
  size_t end() const { return end_; }
  const std::vector<BoundSheet>& sheets() const { return sheets_; }
  SharedStrings& strings() { return sst_; }
  const SharedStrings& strings() const { return sst_; }
  CellFormats& formats() { return formats_; }
  const CellFormats& formats() const { return formats_; }

  // The globals as they now are. `positionFields` receives, in sheet order, where each
  // sheet's stream position is to be filled in.
  std::string Serialize(std::vector<size_t>& positionFields) const;

 private:
  struct Record {
    uint16_t type;
    std::string_view raw;
  };
  std::vector<Record> records_;  // SST without its CONTINUE records
  std::vector<BoundSheet> sheets_;
  SharedStrings sst_;
  CellFormats formats_;
  size_t end_ = 0;
};

}  // namespace movra
