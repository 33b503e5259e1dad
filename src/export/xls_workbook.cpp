#include "export/xls_workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "export/cfb_file.h"
#include "export/replacement_file.h"
#include "export/xls_bytes.h"
#include "export/xls_globals.h"
#include "export/xls_records.h"
#include "export/xls_text.h"

namespace movra {

namespace {

constexpr uintmax_t kMaxFileSize = 256u << 20;
constexpr size_t kMaxCellText = 32767;
constexpr uint16_t kWindow1 = 0x003D;
// WINDOW2 flags: the sheet's tab is selected; the sheet is the one shown.
constexpr uint16_t kTabSelected = 0x0200;
constexpr uint16_t kSheetShown = 0x0400;

// Calls f(position of the record header, type, body size) for each record of the stream
// between begin and end that lies at the top level of its substream (not inside a chart
// embedded in a sheet).
template <typename F>
void ForTopLevelRecords(std::string_view stream, size_t begin, size_t end, F f) {
  int depth = 0;
  for (size_t pos = begin; pos + 4 <= end;) {
    uint16_t type = GetLe16(stream, pos), size = GetLe16(stream, pos + 2);
    if (pos + 4 + size > end) return;
    if (type == rt::kBof) ++depth;
    if (depth <= 1) f(pos, type, size);
    if (type == rt::kEof) --depth;
    pos += 4 + size;
  }
}

bool SameSheetName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'a' && a[i] <= u'z' ? static_cast<char16_t>(a[i] - 32) : a[i];
    char16_t y = b[i] >= u'a' && b[i] <= u'z' ? static_cast<char16_t>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

}  // namespace

struct XlsWorkbook::Impl {
  struct Slot {
    size_t begin = 0, end = 0;  // the substream in the original stream
    bool worksheet = false;
    std::unique_ptr<XlsSheet> model;  // read when first needed
    bool dirty = false;
  };

  CompoundFile file;
  int workbookEntry = -1;
  std::string stream;  // the original workbook stream; the sheets and globals refer into it
  WorkbookGlobals globals;
  std::vector<Slot> slots;         // in sheet order
  std::vector<size_t> byPosition;  // slot indices in stream order
  int active = -1;                 // the sheet to open on, when one was chosen

  void Load(std::string_view bytes) {
    file = CompoundFile::Parse(bytes);
    workbookEntry = file.FindInRoot(u"Workbook");
    if (workbookEntry < 0 || file.entries()[workbookEntry].type != kCfbStream) {
      if (file.FindInRoot(u"Book") >= 0)
        throw XlsError("The workbook is in the Excel 5.0/95 format; save it as an Excel 97-2003 workbook.");
      throw XlsError("The file holds no Excel workbook.");
    }
    stream = std::move(file.entries()[workbookEntry].data);
    file.entries()[workbookEntry].data.clear();
    globals.Parse(stream);

    const auto& sheets = globals.sheets();
    slots.resize(sheets.size());
    for (size_t i = 0; i < sheets.size(); ++i) byPosition.push_back(i);
    std::sort(byPosition.begin(), byPosition.end(),
              [&](size_t a, size_t b) { return sheets[a].position < sheets[b].position; });
    for (const BoundSheet& s : sheets)
      if (s.position < globals.end() || s.position >= stream.size())
        throw XlsError("The workbook is damaged (a sheet lies outside the workbook stream).");
    for (size_t k = 0; k < byPosition.size(); ++k) {
      size_t i = byPosition[k];
      size_t begin = sheets[i].position;
      size_t end = k + 1 < byPosition.size() ? sheets[byPosition[k + 1]].position : stream.size();
      if (begin >= end) throw XlsError("The workbook is damaged (two sheets start at the same place).");
      slots[i].begin = begin;
      slots[i].end = end;
      slots[i].worksheet = BofDocumentType(ReadRecord(stream, begin, end)) == 0x0010;
    }
  }

  const Slot* Find(const std::string& name) const {
    std::u16string wanted = Utf8ToUtf16(name);
    for (size_t i = 0; i < slots.size(); ++i)
      if (slots[i].worksheet && SameSheetName(globals.sheets()[i].name, wanted)) return &slots[i];
    return nullptr;
  }

  XlsSheet& Model(const Slot& slot) const {
    Slot& s = const_cast<Slot&>(slot);
    if (!s.model) s.model = std::make_unique<XlsSheet>(XlsSheet::Parse(stream, s.begin, s.end));
    return *s.model;
  }

  const Slot& Require(const std::string& name) const {
    const Slot* s = Find(name);
    if (!s) throw XlsError("The workbook has no worksheet \"" + name + "\".");
    return *s;
  }

  std::string WorkbookStream() const {
    std::vector<size_t> fields;
    std::string out = globals.Serialize(fields);
    if (!byPosition.empty()) {
      size_t firstSheet = slots[byPosition.front()].begin;
      out.append(stream, globals.end(), firstSheet - globals.end());
    } else {
      out.append(stream, globals.end());
    }
    size_t globalsEnd = out.size();
    std::vector<uint64_t> positions(slots.size()), ends(slots.size());
    for (size_t i : byPosition) {
      const Slot& s = slots[i];
      positions[i] = out.size();
      if (s.dirty)
        out += s.model->Serialize(out.size());
      else
        out += MoveSubstream(std::string_view(stream).substr(s.begin, s.end - s.begin),
                             static_cast<int64_t>(out.size()) - static_cast<int64_t>(s.begin));
      ends[i] = out.size();
    }
    if (out.size() > 0xFFFFFFFFu) throw XlsError("The workbook has grown too large to be saved.");
    for (size_t i = 0; i < fields.size() && i < positions.size(); ++i)
      SetLe32(out, fields[i], static_cast<uint32_t>(positions[i]));
    if (active >= 0) ShowActive(out, globalsEnd, positions, ends);
    return out;
  }

  // The workbook window opens on the active sheet's tab, which alone is selected; the
  // other sheets' windows lose their selection.
  void ShowActive(std::string& out, size_t globalsEnd, const std::vector<uint64_t>& positions,
                  const std::vector<uint64_t>& ends) const {
    const uint16_t tab = static_cast<uint16_t>(active);
    ForTopLevelRecords(out, 0, globalsEnd, [&](size_t pos, uint16_t type, uint16_t size) {
      if (type != kWindow1 || size < 16) return;
      SetLe16(out, pos + 4 + 10, tab);                                   // itabCur
      if (GetLe16(out, pos + 4 + 12) > tab) SetLe16(out, pos + 4 + 12, tab);  // itabFirst
      SetLe16(out, pos + 4 + 14, 1);                                     // ctabSel
    });
    for (size_t i = 0; i < slots.size(); ++i) {
      ForTopLevelRecords(out, positions[i], ends[i], [&](size_t pos, uint16_t type, uint16_t size) {
        if (type != rt::kWindow2 || size < 2) return;
        uint16_t flags = GetLe16(out, pos + 4);
        flags = i == tab ? (flags | kTabSelected | kSheetShown) : (flags & ~(kTabSelected | kSheetShown));
        SetLe16(out, pos + 4, flags);
      });
    }
  }
};

XlsWorkbook::XlsWorkbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XlsWorkbook::XlsWorkbook(XlsWorkbook&&) noexcept = default;
XlsWorkbook& XlsWorkbook::operator=(XlsWorkbook&&) noexcept = default;
XlsWorkbook::~XlsWorkbook() = default;

XlsWorkbook XlsWorkbook::fromBytes(std::string_view bytes) {
  auto impl = std::make_unique<Impl>();
  impl->Load(bytes);
  return XlsWorkbook(std::move(impl));
}

XlsWorkbook XlsWorkbook::open(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw XlsError("The workbook \"" + path + "\" does not exist.");
  uintmax_t size = fs::file_size(path, ec);
  if (ec || size > kMaxFileSize) throw XlsError("The workbook \"" + path + "\" is too large.");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw XlsError("Cannot open the workbook \"" + path + "\": " + std::strerror(errno) + ".");
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<uintmax_t>(in.gcount()) != size) throw XlsError("Cannot read the workbook \"" + path + "\".");
  try {
    return fromBytes(bytes);
  } catch (const XlsError& e) {
    throw XlsError("Cannot open the workbook \"" + path + "\". " + e.what());
  }
}

std::vector<std::string> XlsWorkbook::sheetNames() const {
  std::vector<std::string> out;
  for (const BoundSheet& s : impl_->globals.sheets()) out.push_back(Utf16ToUtf8(s.name));
  return out;
}

bool XlsWorkbook::hasSheet(const std::string& name) const { return impl_->Find(name) != nullptr; }

void XlsWorkbook::setString(const std::string& sheet, uint32_t row, uint16_t col, const std::string& utf8, CellAlign align) {
  const Impl::Slot& slot = impl_->Require(sheet);
  XlsSheet& model = impl_->Model(slot);
  std::u16string text = Utf8ToUtf16(utf8);
  if (text.size() > kMaxCellText) throw XlsError("A text of more than 32767 characters does not fit in a cell.");
  XlsSheet::CheckPlace(row, col);
  uint16_t xf = model.FormatAt(row, col);
  if (align == CellAlign::Centre) xf = impl_->globals.formats().Centred(xf);
  SharedStrings& strings = impl_->globals.strings();
  if (text.empty()) {
    // An empty text leaves an empty cell, as a spreadsheet program stores it; readers
    // refuse empty shared strings.
    if (model.PutBlank(row, col, xf)) strings.AddUses(-1);
  } else if (!model.PutLabelSst(row, col, xf, strings.Add(text))) {
    strings.AddUses(1);
  }
  const_cast<Impl::Slot&>(slot).dirty = true;
}

void XlsWorkbook::activate(const std::string& sheet) {
  const Impl::Slot& slot = impl_->Require(sheet);
  impl_->active = static_cast<int>(&slot - impl_->slots.data());
}

// Both read the workbook as it would be saved, so they tell what a reader of the file sees.
std::string XlsWorkbook::activeSheet() const {
  XlsWorkbook saved = fromBytes(toBytes());
  const Impl& in = *saved.impl_;
  std::string active;
  ForTopLevelRecords(in.stream, 0, in.globals.end(), [&](size_t pos, uint16_t type, uint16_t size) {
    if (type != kWindow1 || size < 12 || !active.empty()) return;
    uint16_t tab = GetLe16(in.stream, pos + 4 + 10);
    if (tab < in.globals.sheets().size()) active = Utf16ToUtf8(in.globals.sheets()[tab].name);
  });
  return active;
}

std::vector<std::string> XlsWorkbook::selectedSheets() const {
  XlsWorkbook saved = fromBytes(toBytes());
  const Impl& in = *saved.impl_;
  std::vector<std::string> selected;
  for (size_t i = 0; i < in.slots.size(); ++i) {
    bool isSelected = false;
    ForTopLevelRecords(in.stream, in.slots[i].begin, in.slots[i].end, [&](size_t pos, uint16_t type, uint16_t size) {
      if (type == rt::kWindow2 && size >= 2 && (GetLe16(in.stream, pos + 4) & kTabSelected)) isSelected = true;
    });
    if (isSelected) selected.push_back(Utf16ToUtf8(in.globals.sheets()[i].name));
  }
  return selected;
}

std::optional<XlsCell> XlsWorkbook::cell(const std::string& sheet, uint32_t row, uint16_t col) const {
  return impl_->Model(impl_->Require(sheet)).Cell(row, col, impl_->globals.strings());
}

std::vector<uint32_t> XlsWorkbook::rows(const std::string& sheet) const { return impl_->Model(impl_->Require(sheet)).Rows(); }

HorizontalAlign XlsWorkbook::alignment(uint16_t xf) const { return impl_->globals.formats().Align(xf); }

uint16_t XlsWorkbook::fontWeight(uint16_t xf) const { return impl_->globals.formats().FontWeight(xf); }

std::optional<std::string> XlsWorkbook::streamBytes(const std::u16string& name) const {
  int i = impl_->file.FindInRoot(name);
  if (i < 0 || i == impl_->workbookEntry || impl_->file.entries()[i].type != kCfbStream) return std::nullopt;
  return impl_->file.entries()[i].data;
}

std::string XlsWorkbook::toBytes() const {
  CompoundFile copy = impl_->file;
  copy.entries()[impl_->workbookEntry].data = impl_->WorkbookStream();
  return copy.Serialize();
}

void XlsWorkbook::save(const std::string& path) const {
  std::string bytes = toBytes();
  try {
    ReplacementFile out(path);
    try {
      out.Write(bytes);
      out.Commit();
    } catch (const ExportFileError& e) {
      throw XlsError("Cannot write the file \"" + path + "\": " + e.what() + ".");
    }
  } catch (const ExportFileError& e) {
    throw XlsError(e.what());
  }
}

}  // namespace movra
