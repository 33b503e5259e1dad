// Writing a worksheet substream again: the records around the cell table as read, the
// rows in blocks of 32 (ROW records, their cells, a DBCELL with the offsets inside the
// block), DIMENSIONS covering the cells, and INDEX with the stream positions of the blocks.
#include <algorithm>

#include "export/xls_bytes.h"
#include "export/xls_records.h"
#include "export/xls_sheet.h"

namespace movra {

namespace {
constexpr uint16_t kDefaultCellXf = 15;
constexpr size_t kRowsPerBlock = 32;
constexpr size_t kRowRecordSize = 20;
}  // namespace

std::string XlsSheet::NewRowBody(uint32_t row) const {
  uint16_t height = 0x00FF;
  for (const Record& rec : records_)
    if (rec.type == rt::kDefaultRowHeight && rec.raw.size() >= 8) height = GetLe16(rec.raw, 6);
  std::string b;
  PutLe16(b, row);
  PutLe16(b, 0);
  PutLe16(b, 0);
  PutLe16(b, height & 0x7FFF);
  PutLe32(b, 0);
  PutLe16(b, 0x0100);  // a bit that is always set
  PutLe16(b, kDefaultCellXf);
  return b;
}
std::string XlsSheet::DimensionsBody(std::string_view old) const {
  uint32_t rowMin = 0, rowMax = 0, colMin = 0, colMax = 0;
  bool any = false;
  if (old.size() >= 12 && GetLe32(old, 4) > GetLe32(old, 0) && GetLe16(old, 10) > GetLe16(old, 8)) {
    rowMin = GetLe32(old, 0);
    rowMax = GetLe32(old, 4);
    colMin = GetLe16(old, 8);
    colMax = GetLe16(old, 10);
    any = true;
  }
  for (const auto& [row, item] : rows_) {
    if (item.cells.empty()) continue;
    uint32_t c0 = item.cells.front().col, c1 = item.cells.back().col + 1u;
    if (!any) {
      rowMin = row;
      rowMax = row + 1;
      colMin = c0;
      colMax = c1;
      any = true;
    }
    rowMin = std::min(rowMin, row);
    rowMax = std::max(rowMax, row + 1);
    colMin = std::min(colMin, c0);
    colMax = std::max(colMax, c1);
  }
  std::string b;
  PutLe32(b, rowMin);
  PutLe32(b, rowMax);
  PutLe16(b, colMin);
  PutLe16(b, colMax);
  PutLe16(b, 0);
  return b;
}

void XlsSheet::WriteCellTable(std::string& out, uint64_t base, std::vector<uint32_t>& dbCells) const {
  std::vector<const std::pair<const uint32_t, RowItem>*> rows;
  for (const auto& entry : rows_) rows.push_back(&entry);
  for (size_t first = 0; first < rows.size(); first += kRowsPerBlock) {
    size_t last = std::min(rows.size(), first + kRowsPerBlock);
    size_t firstRowAt = out.size();
    for (size_t i = first; i < last; ++i) {
      const auto& [row, item] = *rows[i];
      std::string body = item.body.empty() ? NewRowBody(row) : item.body;
      if ((item.touched || item.body.empty()) && !item.cells.empty()) {
        SetLe16(body, 2, item.cells.front().col);
        SetLe16(body, 4, item.cells.back().col + 1u);
      }
      AppendRecord(out, rt::kRow, body);
    }
    std::vector<size_t> cellStarts;
    for (size_t i = first; i < last; ++i) {
      cellStarts.push_back(out.size());
      const auto& [row, item] = *rows[i];
      const auto& cells = item.cells;
      for (size_t k = 0; k < cells.size();) {
        // Runs of number or blank cells side by side are written as one MULRK/MULBLANK.
        size_t run = 1;
        if (cells[k].type == rt::kRk || cells[k].type == rt::kBlank)
          while (k + run < cells.size() && cells[k + run].type == cells[k].type && cells[k + run].col == cells[k].col + run) ++run;
        if (run == 1) {
          out += cells[k].raw;
          ++k;
          continue;
        }
        bool rk = cells[k].type == rt::kRk;
        std::string b;
        PutLe16(b, row);
        PutLe16(b, cells[k].col);
        for (size_t j = k; j < k + run; ++j) {
          PutLe16(b, cells[j].xf);
          if (rk) b.append(cells[j].raw.substr(4 + 6, 4));
        }
        PutLe16(b, cells[k + run - 1].col);
        AppendRecord(out, rk ? rt::kMulRk : rt::kMulBlank, b);
        k += run;
      }
    }
    size_t dbAt = out.size();
    std::string db;
    PutLe32(db, static_cast<uint32_t>(dbAt - firstRowAt));
    for (size_t i = 0; i < cellStarts.size(); ++i) {
      size_t from = i == 0 ? firstRowAt + kRowRecordSize : cellStarts[i - 1];
      PutLe16(db, static_cast<uint32_t>((cellStarts[i] - from) & 0xFFFF));
    }
    AppendRecord(out, rt::kDbCell, db);
    dbCells.push_back(static_cast<uint32_t>(base + dbAt));
  }
}

std::string XlsSheet::Serialize(uint64_t base) const {
  std::string out;
  size_t indexPos = std::string::npos, defColWidthPos = 0;
  size_t blocks = (rows_.size() + kRowsPerBlock - 1) / kRowsPerBlock;
  std::vector<uint32_t> dbCells;
  bool hasDimensions = std::any_of(records_.begin(), records_.end(), [](const Record& r) { return r.type == rt::kDimensions; });
  for (size_t i = 0; i <= records_.size(); ++i) {
    if (IsWorksheet() && i == indexAt_) {
      indexPos = out.size();
      out.append(4 + 16 + 4 * blocks, '\0');
    }
    if (IsWorksheet() && i == tableAt_) {
      if (!hasDimensions) AppendRecord(out, rt::kDimensions, DimensionsBody({}));
      WriteCellTable(out, base, dbCells);
    }
    if (i == records_.size()) break;
    const Record& r = records_[i];
    if (r.type == rt::kDimensions && IsWorksheet()) {
      AppendRecord(out, rt::kDimensions, DimensionsBody(r.raw.substr(4)));
      continue;
    }
    if (r.type == rt::kDefColWidth && !defColWidthPos) defColWidthPos = static_cast<size_t>(base + out.size());
    out += r.raw;
  }
  out += tail_;
  if (indexPos != std::string::npos) {
    std::string b;
    PutLe32(b, 0);
    PutLe32(b, rows_.empty() ? 0 : rows_.begin()->first);
    PutLe32(b, rows_.empty() ? 0 : rows_.rbegin()->first + 1);
    PutLe32(b, static_cast<uint32_t>(defColWidthPos));
    for (uint32_t p : dbCells) PutLe32(b, p);
    std::string rec = MakeRecord(rt::kIndex, b);
    out.replace(indexPos, rec.size(), rec);
  }
  return out;
}

std::string MoveSubstream(std::string_view bytes, int64_t delta) {
  std::string out(bytes);
  if (delta == 0) return out;
  int depth = 0;
  size_t pos = 0;
  while (pos < out.size()) {
    BiffRecord r = ReadRecord(out, pos, out.size());
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof && --depth <= 0) break;
    if (r.type == rt::kIndex && depth == 1 && r.body.size() >= 16) {
      size_t b = r.offset + 4;
      auto move = [&](size_t at) {
        uint32_t v = GetLe32(out, at);
        if (v) SetLe32(out, at, static_cast<uint32_t>(static_cast<int64_t>(v) + delta));
      };
      move(b + 12);
      for (size_t at = b + 16; at + 4 <= b + r.body.size(); at += 4) move(at);
      break;
    }
    pos = r.end();
  }
  return out;
}

}  // namespace movra
