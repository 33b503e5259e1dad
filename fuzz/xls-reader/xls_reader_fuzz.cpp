// Any bytes given as a workbook: reading either succeeds or raises XlsError, never more.
// When a workbook is read and filled, what is written must read back with the new cells.
// Input that is no compound file is taken as a workbook stream and put in one, so the
// record parsing is reached without the container in the way (seed both kinds: the .xls
// fixtures and their bare workbook streams).
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/cfb_file.h"
#include "export/xls_workbook.h"

using namespace movra;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void ReadEverything(const XlsWorkbook& book) {
  for (const std::string& name : book.sheetNames()) {
    if (!book.hasSheet(name)) continue;
    try {
      size_t cells = 0;
      for (uint32_t row : book.rows(name)) {
        for (uint16_t col = 0; col < 12 && cells < 2000; ++col, ++cells) {
          auto c = book.cell(name, row, col);
          if (c) {
            book.alignment(c->xf);
            book.fontWeight(c->xf);
          }
        }
      }
    } catch (const XlsError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char kSignature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string wrapped;
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
    wrapped = CompoundFile::WithStreams({{u"Workbook", std::string(input)}}, {}).Serialize();
  std::string_view bytes = wrapped.empty() ? input : std::string_view(wrapped);
  std::string out;
  try {
    XlsWorkbook book = XlsWorkbook::fromBytes(bytes);
    ReadEverything(book);
    if (!book.hasSheet("Sheet1")) return 0;
    book.setString("Sheet1", 1, 0, "12", CellAlign::Keep);
    book.setString("Sheet1", 1, 2, "YY-MM-DD", CellAlign::Centre);
    book.setString("Sheet1", 2, 3, "INR \xE2\x86\x91", CellAlign::Centre);
    book.setString("Sheet1", 2, 4, "", CellAlign::Keep);
    book.activate("Sheet1");
    out = book.toBytes();
  } catch (const XlsError&) {
    return 0;
  }
  // What was written must read back, whatever the input was.
  try {
    XlsWorkbook again = XlsWorkbook::fromBytes(out);
    auto a = again.cell("Sheet1", 1, 0), b = again.cell("Sheet1", 1, 2), c = again.cell("Sheet1", 2, 3),
         d = again.cell("Sheet1", 2, 4);
    Check(a && a->text == "12");
    Check(b && again.alignment(b->xf) == HorizontalAlign::Centre);
    Check(c && c->text == "INR \xE2\x86\x91");
    Check(d && d->kind == XlsCell::Kind::Blank);
    // Once Sheet1 is the active sheet, no other tab is selected.
    for (std::string name : again.selectedSheets()) {
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      Check(name == "sheet1");
    }
    again.activeSheet();
    ReadEverything(again);
  } catch (...) {
    std::abort();
  }
  return 0;
}
