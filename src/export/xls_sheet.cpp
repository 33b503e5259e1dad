#include "export/xls_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "export/xls_records.h"
#include "export/xls_sst.h"
#include "export/xls_text.h"

namespace movra {

namespace {

constexpr uint32_t kMaxRows = 65536;
constexpr uint32_t kMaxCols = 256;
constexpr uint16_t kDefaultCellXf = 15;

[[noreturn]] void Damaged(const char* why) { throw XlsError(std::string("The workbook is damaged (") + why + ")."); }

bool IsCellRecord(uint16_t t) {
  switch (t) {
    case rt::kLabelSst:
    case rt::kLabel:
    case rt::kRk:
    case rt::kNumber:
    case rt::kBlank:
    case rt::kBoolErr:
    case rt::kFormula:
    case rt::kRString:
      return true;
    default:
      return false;
  }
}

// Records that only follow a FORMULA and belong to it.
bool IsFormulaPart(uint16_t t) { return t == rt::kString || t == rt::kShrFmla || t == rt::kArray || t == rt::kTable; }

bool IsCellTableRecord(uint16_t t) {
  return IsCellRecord(t) || IsFormulaPart(t) || t == rt::kRow || t == rt::kDbCell || t == rt::kMulRk || t == rt::kMulBlank;
}

double RkValue(uint32_t rk) {
  double v;
  if (rk & 0x02) {
    v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFC) << 32;
    std::memcpy(&v, &bits, sizeof v);
  }
  return (rk & 0x01) ? v / 100 : v;
}

double DoubleAt(std::string_view body, size_t at) {
  uint64_t bits = GetLe64(body, at);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

}  // namespace

std::string CellHead(uint32_t row, uint16_t col, uint16_t xf) {
  std::string b;
  PutLe16(b, row);
  PutLe16(b, col);
  PutLe16(b, xf);
  return b;
}

namespace {

// The bodies of the records in `raw`, a run of complete records.
std::vector<std::string_view> Bodies(std::string_view raw) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < raw.size()) {
    BiffRecord r = ReadRecord(raw, pos, raw.size());
    out.push_back(r.body);
    pos = r.end();
  }
  return out;
}

// The text of a LABEL cell; a long one goes on in CONTINUE records, each starting with
// its own flags byte.
std::u16string LabelText(const std::vector<std::string_view>& bodies) {
  std::string_view first = bodies[0];
  uint16_t cch = GetLe16(first, 6);
  if (first.size() < 9) Damaged("a text cell is cut short");
  bool high = (static_cast<uint8_t>(first[8]) & 0x01) != 0;
  std::u16string out;
  size_t seg = 0, off = 9;
  while (out.size() < cch) {
    std::string_view b = bodies[seg];
    size_t width = high ? 2 : 1;
    size_t take = std::min<size_t>(cch - out.size(), (b.size() - std::min(off, b.size())) / width);
    if (take == 0) {
      if (++seg >= bodies.size() || bodies[seg].empty()) Damaged("a text cell is cut short");
      high = (static_cast<uint8_t>(bodies[seg][0]) & 0x01) != 0;
      off = 1;
      continue;
    }
    out += ReadBiffChars(b, off, take, high);
    off += take * width;
  }
  return out;
}

}  // namespace

XlsSheet XlsSheet::Parse(std::string_view stream, size_t begin, size_t end) {
  XlsSheet s;
  BiffRecord bof = ReadRecord(stream, begin, end);
  s.docType_ = BofDocumentType(bof);
  s.records_.push_back({bof.type, stream.substr(bof.offset, bof.end() - bof.offset)});
  bool indexSeen = false, tableSeen = false;
  bool lastWasTable = false;  // the last record at the sheet's own level was a cell-table record
  int depth = 1;
  size_t pos = bof.end();
  for (;;) {
    BiffRecord r = ReadRecord(stream, pos, end);
    pos = r.end();
    std::string_view raw = stream.substr(r.offset, r.end() - r.offset);
    if (depth == 1 && s.IsWorksheet() && (IsCellTableRecord(r.type) || (r.type == rt::kContinue && lastWasTable))) {
      if (!tableSeen) {
        tableSeen = true;
        s.tableAt_ = s.records_.size();
      }
      s.AddCellRecord(r.type, r.body, raw);
      lastWasTable = true;
      continue;
    }
    lastWasTable = false;
    s.hasLastCell_ = false;
    if (depth == 1 && r.type == rt::kIndex && !indexSeen) {
      indexSeen = true;
      s.indexAt_ = s.records_.size();
      continue;
    }
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof) --depth;
    s.records_.push_back({r.type, raw});
    if (depth == 0) break;
  }
  s.tail_ = stream.substr(pos, end - pos);
  if (!indexSeen) {
    // INDEX comes right after BOF and an UNCALCED that may follow it.
    s.indexAt_ = (s.records_.size() > 1 && s.records_[1].type == rt::kUncalced) ? 2 : 1;
  }
  if (!tableSeen) {
    auto at = [&](uint16_t type) {
      for (size_t i = 0; i < s.records_.size(); ++i)
        if (s.records_[i].type == type) return i;
      return s.records_.size();
    };
    size_t dims = at(rt::kDimensions);
    s.tableAt_ = dims < s.records_.size() ? dims + 1 : std::min(at(rt::kWindow2), s.records_.size() - 1);
  }
  if (s.indexAt_ > s.tableAt_) s.indexAt_ = s.tableAt_;
  return s;
}

void XlsSheet::AddCellRecord(uint16_t type, std::string_view body, std::string_view raw) {
  if (type == rt::kContinue || IsFormulaPart(type)) {
    // Belongs to the cell before it; a FORMULA's parts without their FORMULA are damage.
    CellItem* last = hasLastCell_ ? FindCell(lastRow_, lastCol_) : nullptr;
    if (!last) {
      if (type == rt::kContinue) return;
      Damaged("a formula part has no formula");
    }
    if (IsFormulaPart(type) && last->type != rt::kFormula) Damaged("a formula part has no formula");
    last->raw.append(raw);
    return;
  }
  hasLastCell_ = false;
  if (type == rt::kDbCell) return;  // written anew from the rows
  if (type == rt::kRow) {
    if (body.size() != 16) Damaged("a row record has a wrong size");
    rows_[GetLe16(body, 0)].body = std::string(body);
    return;
  }
  if (type == rt::kMulRk || type == rt::kMulBlank) {
    size_t unit = type == rt::kMulRk ? 6 : 2;
    if (body.size() < 6 || (body.size() - 6) % unit != 0) Damaged("a multiple-cell record has a wrong size");
    uint16_t row = GetLe16(body, 0), first = GetLe16(body, 2);
    size_t count = (body.size() - 6) / unit;
    if (count == 0 || GetLe16(body, body.size() - 2) != first + count - 1) Damaged("a multiple-cell record has a wrong size");
    for (size_t i = 0; i < count; ++i) {
      CellItem c;
      c.col = static_cast<uint16_t>(first + i);
      c.xf = GetLe16(body, 4 + unit * i);
      c.type = type == rt::kMulRk ? rt::kRk : rt::kBlank;
      std::string b = CellHead(row, c.col, c.xf);
      if (type == rt::kMulRk) b.append(body.substr(6 + unit * i, 4));
      c.raw = MakeRecord(c.type, b);
      InsertCell(row, std::move(c));
    }
    return;
  }
  if (body.size() < 6) Damaged("a cell record is cut short");
  CellItem c;
  c.type = type;
  c.col = GetLe16(body, 2);
  c.xf = GetLe16(body, 4);
  c.raw = std::string(raw);
  uint32_t row = GetLe16(body, 0);
  InsertCell(row, std::move(c));
  hasLastCell_ = true;
  lastRow_ = row;
  lastCol_ = GetLe16(body, 2);
}

void XlsSheet::InsertCell(uint32_t row, CellItem item) {
  std::vector<CellItem>& cells = rows_[row].cells;
  if (cells.empty() || cells.back().col < item.col) {
    cells.push_back(std::move(item));
    return;
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), item.col, [](const CellItem& c, uint16_t col) { return c.col < col; });
  if (it != cells.end() && it->col == item.col)
    *it = std::move(item);  // a later record for the same cell wins
  else
    cells.insert(it, std::move(item));
}

const XlsSheet::CellItem* XlsSheet::FindCell(uint32_t row, uint16_t col) const {
  auto r = rows_.find(row);
  if (r == rows_.end()) return nullptr;
  const auto& cells = r->second.cells;
  auto it = std::lower_bound(cells.begin(), cells.end(), col, [](const CellItem& c, uint16_t k) { return c.col < k; });
  return it != cells.end() && it->col == col ? &*it : nullptr;
}

XlsSheet::CellItem* XlsSheet::FindCell(uint32_t row, uint16_t col) {
  return const_cast<CellItem*>(static_cast<const XlsSheet*>(this)->FindCell(row, col));
}

std::optional<XlsCell> XlsSheet::Cell(uint32_t row, uint16_t col, const SharedStrings& sst) const {
  const CellItem* c = FindCell(row, col);
  if (!c) return std::nullopt;
  std::vector<std::string_view> bodies = Bodies(c->raw);
  std::string_view body = bodies[0];
  XlsCell out;
  out.xf = c->xf;
  switch (c->type) {
    case rt::kLabelSst: {
      uint32_t i = GetLe32(body, 6);
      if (i >= sst.size()) Damaged("a cell refers to a missing shared string");
      out.kind = XlsCell::Kind::Text;
      out.text = Utf16ToUtf8(sst.at(i).text);
      break;
    }
    case rt::kLabel:
    case rt::kRString:
      out.kind = XlsCell::Kind::Text;
      out.text = Utf16ToUtf8(LabelText(bodies));
      break;
    case rt::kRk:
      out.kind = XlsCell::Kind::Number;
      out.number = RkValue(GetLe32(body, 6));
      break;
    case rt::kNumber:
      out.kind = XlsCell::Kind::Number;
      out.number = DoubleAt(body, 6);
      break;
    case rt::kBoolErr:
      if (body.size() < 8) Damaged("a cell record is cut short");
      out.kind = body[7] ? XlsCell::Kind::Error : XlsCell::Kind::Boolean;
      out.number = static_cast<uint8_t>(body[6]);
      break;
    case rt::kFormula:
      out.kind = XlsCell::Kind::Formula;
      if (GetLe16(body, 12) != 0xFFFF) {
        out.number = DoubleAt(body, 6);
      } else if (static_cast<uint8_t>(body[6]) == 0) {
        // A text result follows in a STRING record.
        size_t pos = 0;
        while (pos < c->raw.size()) {
          BiffRecord r = ReadRecord(c->raw, pos, c->raw.size());
          if (r.type == rt::kString && r.body.size() >= 3) {
            uint16_t n = GetLe16(r.body, 0);
            out.text = Utf16ToUtf8(ReadBiffChars(r.body, 3, n, static_cast<uint8_t>(r.body[2]) & 0x01));
            break;
          }
          pos = r.end();
        }
      } else {
        out.number = static_cast<uint8_t>(body[8]);
      }
      break;
    default:
      out.kind = XlsCell::Kind::Blank;
  }
  return out;
}

std::vector<uint32_t> XlsSheet::Rows() const {
  std::vector<uint32_t> out;
  for (const auto& [row, item] : rows_) out.push_back(row);
  return out;
}

uint16_t XlsSheet::FormatAt(uint32_t row, uint16_t col) const {
  if (const CellItem* c = FindCell(row, col)) return c->xf;
  auto r = rows_.find(row);
  // A row whose format applies to its empty cells has fGhostDirty set.
  if (r != rows_.end() && !r->second.body.empty() && (GetLe16(r->second.body, 12) & 0x0080))
    return GetLe16(r->second.body, 14) & 0x0FFF;
  for (const Record& rec : records_) {
    if (rec.type != rt::kColInfo || rec.raw.size() < 4 + 8) continue;
    std::string_view b = rec.raw.substr(4);
    if (GetLe16(b, 0) <= col && col <= GetLe16(b, 2)) return GetLe16(b, 6);
  }
  return kDefaultCellXf;
}

void XlsSheet::CheckPlace(uint32_t row, uint32_t col) {
  if (row >= kMaxRows) throw XlsError("Row " + std::to_string(row + 1ull) + " lies beyond the last row of a worksheet.");
  if (col >= kMaxCols) throw XlsError("Column " + std::to_string(col + 1ull) + " lies beyond the last column of a worksheet.");
}

bool XlsSheet::Put(uint32_t row, CellItem item) {
  CheckPlace(row, item.col);
  bool replacedSst = false;
  if (const CellItem* old = FindCell(row, item.col)) {
    size_t pos = 0;
    while (pos < old->raw.size()) {
      BiffRecord r = ReadRecord(old->raw, pos, old->raw.size());
      if (r.type == rt::kShrFmla || r.type == rt::kArray || r.type == rt::kTable)
        throw XlsError("The cell in row " + std::to_string(row + 1) + ", column " + std::to_string(item.col + 1) +
                       " holds a formula that other cells share; it cannot be replaced.");
      pos = r.end();
    }
    replacedSst = old->type == rt::kLabelSst;
  }
  RowItem& r = rows_[row];
  if (r.body.empty()) r.body = NewRowBody(row);
  r.touched = true;
  InsertCell(row, std::move(item));
  return replacedSst;
}

bool XlsSheet::PutLabelSst(uint32_t row, uint16_t col, uint16_t xf, uint32_t sstIndex) {
  CellItem c;
  c.col = col;
  c.type = rt::kLabelSst;
  c.xf = xf;
  std::string b = CellHead(row, col, xf);
  PutLe32(b, sstIndex);
  c.raw = MakeRecord(rt::kLabelSst, b);
  return Put(row, std::move(c));
}

bool XlsSheet::PutBlank(uint32_t row, uint16_t col, uint16_t xf) {
  CellItem c;
  c.col = col;
  c.type = rt::kBlank;
  c.xf = xf;
  c.raw = MakeRecord(rt::kBlank, CellHead(row, col, xf));
  return Put(row, std::move(c));
}

}  // namespace movra
