// One worksheet substream (BOF..EOF) with its cell table held as rows of cells, so cells
// can be added and the table written again with ROW, DBCELL and INDEX records that agree
// with it. Every record outside the cell table is kept as it was read.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movra {

class SharedStrings;

struct XlsCell {
  enum class Kind { Blank, Text, Number, Boolean, Error, Formula };
  Kind kind = Kind::Blank;
  std::string text;  // Text (and a formula's text result), UTF-8
  double number = 0;  // Number, Boolean (0/1), Error code, a formula's number result
  uint16_t xf = 0;    // the cell's format
};

class XlsSheet {
 public:
  // Reads the substream that starts with the BOF at `begin` and must end before `end`.
  // `stream` must outlive the sheet. Throws XlsError when the records do not fit together.
  static XlsSheet Parse(std::string_view stream, size_t begin, size_t end);

  bool IsWorksheet() const { return docType_ == 0x0010; }

  std::optional<XlsCell> Cell(uint32_t row, uint16_t col, const SharedStrings& sst) const;
  // Rows that hold cells or a row record, in order.
  std::vector<uint32_t> Rows() const;
  // The format a new cell at (row, col) takes: the cell's own if it exists, else the
  // row's, else the column's, else the default cell format 15.
  uint16_t FormatAt(uint32_t row, uint16_t col) const;

  // Throws XlsError for a cell beyond the last row or column a worksheet can have.
  static void CheckPlace(uint32_t row, uint32_t col);
  // Puts a string cell (index into the shared strings). Returns true when it replaced
  // another string cell of the shared strings. Throws XlsError outside the sheet's limits
  // or on a cell that anchors a shared formula.
  bool PutLabelSst(uint32_t row, uint16_t col, uint16_t xf, uint32_t sstIndex);
  // Puts an empty cell that keeps its format (how a spreadsheet stores an empty text).
  bool PutBlank(uint32_t row, uint16_t col, uint16_t xf);

  // The substream bytes, written to start at stream position `base`.
  std::string Serialize(uint64_t base) const;

 private:
  struct CellItem {
    uint16_t col = 0;
    uint16_t type = 0;  // record type; cells read from MULRK/MULBLANK count as RK/BLANK
    uint16_t xf = 0;
    std::string raw;  // the cell's complete records, with what belongs to it
  };
  struct RowItem {
    std::string body;  // ROW record body; empty when the row had none
    std::vector<CellItem> cells;
    bool touched = false;
  };
  struct Record {
    uint16_t type;
    std::string_view raw;  // header and body
  };

  void AddCellRecord(uint16_t type, std::string_view body, std::string_view raw);
  CellItem* FindCell(uint32_t row, uint16_t col);
  const CellItem* FindCell(uint32_t row, uint16_t col) const;
  void InsertCell(uint32_t row, CellItem item);
  bool Put(uint32_t row, CellItem item);
  std::string NewRowBody(uint32_t row) const;
  std::string DimensionsBody(std::string_view old) const;
  void WriteCellTable(std::string& out, uint64_t base, std::vector<uint32_t>& dbCells) const;

  uint16_t docType_ = 0;
  std::vector<Record> records_;  // everything but the cell table, INDEX and DBCELL
  size_t indexAt_ = 1;           // INDEX is written before records_[indexAt_]
  size_t tableAt_ = 0;           // the cell table is written before records_[tableAt_]
  std::string_view tail_;        // bytes after EOF up to the next substream
  std::map<uint32_t, RowItem> rows_;
  bool hasLastCell_ = false;
  uint32_t lastRow_ = 0;
  uint16_t lastCol_ = 0;
};

// The first six bytes of every cell record: row, column, format.
std::string CellHead(uint32_t row, uint16_t col, uint16_t xf);

// An unchanged substream moved by `delta` bytes in the stream: its INDEX record holds
// absolute stream positions, which are moved with it.
std::string MoveSubstream(std::string_view bytes, int64_t delta);

}  // namespace movra
