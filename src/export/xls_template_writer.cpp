#include "export/xls_template_writer.h"

#include <array>
#include <fstream>

#include "export/cfb_file.h"
#include "export/export_values.h"
#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "export/xls_records.h"
#include "export/xls_sst.h"
#include "export/xls_text.h"
#include "export/xls_workbook.h"

namespace movra {

namespace {

constexpr uint16_t kTitleXf = 21;  // after the 15 style formats, the default cell format and 5 number styles
constexpr uint16_t kBoldFont = 5;  // font index 4 does not exist
// Column widths in characters: room for the title or the longest value, whichever is wider.
constexpr std::array<int, 9> kWidths = {20, 14, 14, 12, 10, 9, 9, 20, 16};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string U16(std::initializer_list<uint32_t> values) {
  std::string s;
  for (uint32_t v : values) PutLe16(s, v);
  return s;
}

std::string Bof(uint16_t docType) {
  std::string b = U16({0x0600, docType, 0x0DBB, 0x07CC});
  PutLe32(b, 0x00000000);
  PutLe32(b, 0x00000006);
  return b;
}

std::string Font(bool bold) {
  std::string b = U16({200, 0, 0x7FFF, bold ? 700u : 400u, 0});
  b += Bytes({0, 2, 0, 0});  // no underline, swiss family, ANSI character set
  AppendShortXLUnicodeString(b, u"Arial");
  return b;
}

// An XF: font, number format, type and parent, then alignment bottom, the attribute
// flags byte, no borders, and the automatic pattern colours.
std::string Xf(uint16_t font, uint16_t format, uint16_t typeAndParent, uint8_t used) {
  std::string b = U16({font, format, typeAndParent});
  b += Bytes({0x20, 0, 0, used});
  PutLe32(b, 0);
  PutLe32(b, 0);
  PutLe16(b, 0x20C0);
  return b;
}

std::string Globals(SharedStrings& sst, size_t& sheetPositionField) {
  std::string out;
  AppendRecord(out, rt::kBof, Bof(0x0005));
  AppendRecord(out, 0x00E1, U16({0x04B0}));  // INTERFACEHDR: UTF-16 code page
  AppendRecord(out, 0x00C1, U16({0}));        // MMS
  AppendRecord(out, 0x00E2, "");               // INTERFACEEND
  std::string user;
  AppendXLUnicodeString(user, u"Movra");
  user.resize(112, ' ');
  AppendRecord(out, 0x005C, user);  // WRITEACCESS
  AppendRecord(out, 0x0042, U16({0x04B0}));  // CODEPAGE
  AppendRecord(out, 0x0161, U16({0}));       // DSF
  AppendRecord(out, 0x013D, U16({1}));       // TABID
  AppendRecord(out, 0x009C, U16({0x000E}));  // FNGROUPCOUNT
  AppendRecord(out, 0x0019, U16({0}));       // WINDOWPROTECT
  AppendRecord(out, 0x0012, U16({0}));       // PROTECT
  AppendRecord(out, 0x0013, U16({0}));       // PASSWORD
  AppendRecord(out, 0x01AF, U16({0}));       // PROT4REV
  AppendRecord(out, 0x01BC, U16({0}));       // PROT4REVPASS
  AppendRecord(out, 0x003D, U16({0x0168, 0x001E, 0x3A98, 0x2454, 0x0038, 0, 0, 1, 0x0258}));  // WINDOW1
  AppendRecord(out, 0x0040, U16({0}));       // BACKUP
  AppendRecord(out, 0x008D, U16({0}));       // HIDEOBJ
  AppendRecord(out, 0x0022, U16({0}));       // DATEMODE: 1900
  AppendRecord(out, 0x000E, U16({1}));       // PRECISION: as displayed off
  AppendRecord(out, 0x01B7, U16({0}));       // REFRESHALL
  AppendRecord(out, 0x00DA, U16({0}));       // BOOKBOOL
  for (int i = 0; i < 4; ++i) AppendRecord(out, rt::kFont, Font(false));
  AppendRecord(out, rt::kFont, Font(true));
  // Style formats: Normal, then the outline level styles.
  AppendRecord(out, rt::kXf, Xf(0, 0, 0xFFF5, 0x00));
  for (int i = 1; i < 15; ++i) AppendRecord(out, rt::kXf, Xf(i <= 2 ? 1 : i <= 4 ? 2 : 0, 0, 0xFFF5, 0xF4));
  AppendRecord(out, rt::kXf, Xf(0, 0, 0x0001, 0x00));  // 15: the default cell format
  for (uint16_t format : {43, 41, 44, 42, 9}) AppendRecord(out, rt::kXf, Xf(1, format, 0xFFF5, 0xF8));
  AppendRecord(out, rt::kXf, Xf(kBoldFont, 0, 0x0001, 0x08));  // 21: bold titles
  // Built-in styles: Normal, Comma, Comma [0], Currency, Currency [0], Percent.
  const std::array<std::pair<uint16_t, uint8_t>, 6> styles = {{{0, 0}, {16, 3}, {17, 6}, {18, 4}, {19, 7}, {20, 5}}};
  for (auto [xf, id] : styles) {
    std::string b = U16({0x8000u | xf});
    b += Bytes({id, 0xFF});
    AppendRecord(out, rt::kStyle, b);
  }
  AppendRecord(out, 0x0160, U16({1}));  // USESELFS
  std::string sheet;
  PutLe32(sheet, 0);  // filled in once the globals' size is known
  sheet += Bytes({0, 0});
  AppendShortXLUnicodeString(sheet, u"Sheet1");
  sheetPositionField = out.size() + 4;
  AppendRecord(out, rt::kBoundSheet, sheet);
  AppendRecord(out, 0x008C, U16({1, 1}));  // COUNTRY
  sst.Write(out, 0);
  AppendRecord(out, rt::kEof, "");
  return out;
}

std::string Worksheet(uint64_t base) {
  std::string out;
  AppendRecord(out, rt::kBof, Bof(0x0010));
  size_t indexAt = out.size();
  AppendRecord(out, rt::kIndex, std::string(20, '\0'));
  AppendRecord(out, 0x000D, U16({1}));    // CALCMODE: automatic
  AppendRecord(out, 0x000C, U16({100}));  // CALCCOUNT
  AppendRecord(out, 0x000F, U16({1}));    // REFMODE: A1
  AppendRecord(out, 0x0011, U16({0}));    // ITERATION
  std::string delta;
  PutLe64(delta, 0x3F50624DD2F1A9FCull);  // DELTA 0.001
  AppendRecord(out, 0x0010, delta);
  AppendRecord(out, 0x005F, U16({1}));             // SAVERECALC
  AppendRecord(out, 0x002A, U16({0}));             // PRINTHEADERS
  AppendRecord(out, 0x002B, U16({0}));             // PRINTGRIDLINES
  AppendRecord(out, 0x0082, U16({1}));             // GRIDSET
  AppendRecord(out, 0x0080, U16({0, 0, 0, 0}));    // GUTS
  AppendRecord(out, rt::kDefaultRowHeight, U16({0, 0x00FF}));
  AppendRecord(out, 0x0081, U16({0x04C1}));        // WSBOOL
  AppendRecord(out, 0x0083, U16({0}));             // HCENTER
  AppendRecord(out, 0x0084, U16({0}));             // VCENTER
  size_t defColWidthAt = out.size();
  AppendRecord(out, rt::kDefColWidth, U16({8}));
  for (uint16_t c = 0; c < kWidths.size(); ++c)
    AppendRecord(out, rt::kColInfo, U16({c, c, static_cast<uint32_t>(kWidths[c] * 256), 15, 0, 0}));
  std::string dims;
  PutLe32(dims, 0);
  PutLe32(dims, 1);
  dims += U16({0, kExportTitles.size(), 0});
  AppendRecord(out, rt::kDimensions, dims);
  size_t rowAt = out.size();
  AppendRecord(out, rt::kRow, U16({0, 0, kExportTitles.size(), 0x00FF, 0, 0, 0x0100, 15}));
  for (uint16_t c = 0; c < kExportTitles.size(); ++c) {
    std::string b = U16({0, c, kTitleXf});
    PutLe32(b, c);  // the titles are the first strings of the table, in column order
    AppendRecord(out, rt::kLabelSst, b);
  }
  size_t dbCellAt = out.size();
  std::string db;
  PutLe32(db, static_cast<uint32_t>(dbCellAt - rowAt));
  PutLe16(db, 0);
  AppendRecord(out, rt::kDbCell, db);
  // WINDOW2: grid lines, headers, zeros, outline symbols, selected and shown.
  AppendRecord(out, rt::kWindow2, U16({0x06B6, 0, 0, 0x0040, 0, 0, 0, 0, 0}));
  AppendRecord(out, rt::kEof, "");

  std::string index;
  PutLe32(index, 0);
  PutLe32(index, 0);
  PutLe32(index, 1);
  PutLe32(index, static_cast<uint32_t>(base + defColWidthAt));
  PutLe32(index, static_cast<uint32_t>(base + dbCellAt));
  out.replace(indexAt + 4, index.size(), index);
  return out;
}

// The summary streams a spreadsheet program writes beside the workbook: property sets
// that hold only their code page.
std::string PropertySet(const std::array<uint8_t, 16>& formatId) {
  std::string b = U16({0xFFFE, 0});
  PutLe32(b, 0x00020006);  // written on Windows
  b.append(16, '\0');      // class identifier
  PutLe32(b, 1);
  b.append(reinterpret_cast<const char*>(formatId.data()), formatId.size());
  PutLe32(b, 48);  // the section follows this header
  PutLe32(b, 24);  // section size
  PutLe32(b, 1);   // one property: the code page (identifier 1) at offset 16
  PutLe32(b, 1);
  PutLe32(b, 16);
  b += U16({0x0002, 0, 1252, 0});  // a 16-bit integer
  return b;
}

}  // namespace

std::string MakeTemplateWorkbook() {
  SharedStrings sst;
  for (const char* title : kExportTitles) sst.Add(Utf8ToUtf16(title));
  sst.AddUses(static_cast<int64_t>(kExportTitles.size()));
  size_t positionField = 0;
  std::string stream = Globals(sst, positionField);
  SetLe32(stream, positionField, static_cast<uint32_t>(stream.size()));
  stream += Worksheet(stream.size());

  static const std::array<uint8_t, 16> kSummary = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                   0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
  static const std::array<uint8_t, 16> kDocSummary = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                      0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
  // The class of an Excel workbook, as Excel marks its root storage.
  static const std::array<uint8_t, 16> kWorkbookClass = {0x10, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  CompoundFile file = CompoundFile::WithStreams({{u"Workbook", stream},
                                                 {u"\x05SummaryInformation", PropertySet(kSummary)},
                                                 {u"\x05" u"DocumentSummaryInformation", PropertySet(kDocSummary)}},
                                                kWorkbookClass);
  return file.Serialize();
}

void WriteTemplateWorkbook(const std::string& path) {
  // Going through the reader proves the file is whole before it is written.
  XlsWorkbook::fromBytes(MakeTemplateWorkbook()).save(path);
}

}  // namespace movra
