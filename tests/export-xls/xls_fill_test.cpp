#include <gtest/gtest.h>

#include "export/cfb_file.h"
#include "export/excel_export.h"
#include "export/export_values.h"
#include "export/xls_bytes.h"
#include "export/xls_records.h"
#include "export/xls_text.h"
#include "export/xls_workbook.h"
#include "freexl_reader.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "test_rows.h"

using namespace movra;

namespace {

const char kSheet[] = "Sheet1";

std::vector<ExportRow> SomeRows() {
  ExportRow a = test::ExampleRow();
  ExportRow skipped = test::ExampleRow();
  skipped.checked = false;
  skipped.recordNumber = "99";
  ExportRow high = test::WithInr(test::ExampleRow(), 7.5f);
  high.recordNumber = "13";
  high.sampleType = "";
  ExportRow named = test::WithInr(test::ExampleRow(), 0.75f);
  named.recordNumber = "0";
  named.patientId = "M\xC3\xBCller, \xE4\xB8\xAD";  // Latin-1 and a character beyond it
  named.sampleType = "Downloaded Sample";
  return {a, skipped, high, named};
}

std::vector<ExportRow> Ticked(const std::vector<ExportRow>& rows) {
  std::vector<ExportRow> out;
  for (const ExportRow& r : rows)
    if (r.checked) out.push_back(r);
  return out;
}

class FillTemplate : public ::testing::TestWithParam<const char*> {};

// Each template filled through the export: the rows land in rows 2.., columns 3 and 4 are
// centred, and everything the template held is still there, as our reader and freexl see it.
TEST_P(FillTemplate, RowsAddedAndEverythingElseKept) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  const std::string templ = test::CopyFixture(dir, GetParam());
  const std::string before = test::ReadFileBytes(templ);
  const std::string target = dir.file("out.xls");
  std::vector<ExportRow> rows = SomeRows();
  ASSERT_EQ(ExportExcel(rows, templ, target).outcome, ExportOutcome::Written);
  EXPECT_EQ(test::ReadFileBytes(templ), before) << "the template is never changed";

  XlsWorkbook original = XlsWorkbook::open(templ);
  XlsWorkbook filled = XlsWorkbook::open(target);
  EXPECT_EQ(filled.sheetNames(), original.sheetNames());
  std::vector<ExportRow> ticked = Ticked(rows);
  for (uint16_t col = 0; col < 9; ++col) {
    auto title = original.cell(kSheet, 0, col);
    auto now = filled.cell(kSheet, 0, col);
    ASSERT_TRUE(title && now);
    EXPECT_EQ(now->text, title->text);
    EXPECT_EQ(now->xf, title->xf);
    for (uint32_t k = 0; k < ticked.size(); ++k) {
      auto c = filled.cell(kSheet, k + 1, col);
      ASSERT_TRUE(c) << "row " << k + 1 << " col " << col;
      const std::string value = ExcelValue(ticked[k], col);
      EXPECT_EQ(c->kind, value.empty() ? XlsCell::Kind::Blank : XlsCell::Kind::Text);
      EXPECT_EQ(c->text, value);
      bool centred = col == 2 || col == 3;
      EXPECT_EQ(filled.alignment(c->xf), centred ? HorizontalAlign::Centre : HorizontalAlign::General) << col;
      EXPECT_EQ(filled.fontWeight(c->xf), filled.fontWeight(filled.cell(kSheet, k + 1, 0)->xf));
    }
  }
  EXPECT_FALSE(filled.cell(kSheet, static_cast<uint32_t>(ticked.size()) + 1, 0));
  for (const char16_t* stream : {u"\x01" u"CompObj", u"\x01Ole", u"\x05SummaryInformation", u"\x05" u"DocumentSummaryInformation"})
    EXPECT_EQ(filled.streamBytes(stream), original.streamBytes(stream));

  auto freexlNow = test::ReadWithFreexl(target);
  auto freexlBefore = test::ReadWithFreexl(templ);
  ASSERT_EQ(freexlNow.size(), freexlBefore.size());
  for (size_t s = 0; s < freexlNow.size(); ++s) {
    if (freexlNow[s].name != kSheet) {
      EXPECT_EQ(freexlNow[s].rows, freexlBefore[s].rows) << freexlNow[s].name;
      continue;
    }
    const auto& sheetRows = freexlNow[s].rows;
    ASSERT_EQ(sheetRows.size(), ticked.size() + 1);
    EXPECT_EQ(sheetRows[0], freexlBefore[s].rows[0]);
    for (size_t k = 0; k < ticked.size(); ++k)
      for (int col = 0; col < 9; ++col) EXPECT_EQ(sheetRows[k + 1][col], ExcelValue(ticked[k], col));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FillTemplate,
                         ::testing::Values("template-plain.xls", "template-two-sheets.xls", "template-large.xls"));

TEST(FillTemplate, NotesSheetKeepsItsThreeHundredRows) {
  test::TempDir dir;
  XlsWorkbook book = XlsWorkbook::open(test::FixturePath("template-large.xls"));
  book.setString(kSheet, 1, 0, "1", CellAlign::Keep);
  book.save(dir.file("out.xls"));
  auto sheets = test::ReadWithFreexl(dir.file("out.xls"));
  const test::FreexlSheet* notes = test::FindSheet(sheets, "Notes");
  ASSERT_TRUE(notes);
  ASSERT_EQ(notes->rows.size(), 300u);
  for (int r = 0; r < 300; ++r) {
    EXPECT_EQ(notes->rows[r][0], "note " + std::to_string(r + 1));
    EXPECT_EQ(notes->rows[r][1], std::to_string(r + 1));
  }
  // The Notes sheet moved behind the grown Sheet1 and is still read from its new place.
  XlsWorkbook back = XlsWorkbook::open(dir.file("out.xls"));
  EXPECT_EQ(back.cell("Notes", 299, 0)->text, "note 300");
  EXPECT_EQ(back.cell("Notes", 299, 1)->number, 300);
}

// Thousands of rows: many row blocks and a string table over many CONTINUE records,
// with texts split over two records in both encodings. (Texts over three records are
// read back by our own reader; freexl reads a text over two records at most.)
TEST(FillTemplate, ManyRowsAndLongTexts) {
  test::TempDir dir;
  XlsWorkbook book = XlsWorkbook::open(test::FixturePath("template-plain.xls"));
  const std::string longLatin(8000, 'x');
  std::string longWide;
  for (int i = 0; i < 4000; ++i) longWide += "\xE2\x86\x91";  // U+2191
  const uint32_t rows = 3000;
  auto text = [&](uint32_t r, int c) {
    if (r == 1500 && c == 0) return longLatin;
    if (r == 1501 && c == 1) return longWide;
    return "r" + std::to_string(r) + "c" + std::to_string(c) + (c == 5 ? " \xE2\x86\x93" : "");
  };
  for (uint32_t r = 1; r <= rows; ++r)
    for (int c = 0; c < 9; ++c)
      book.setString(kSheet, r, static_cast<uint16_t>(c), text(r, c), c == 2 || c == 3 ? CellAlign::Centre : CellAlign::Keep);
  book.save(dir.file("many.xls"));

  auto sheets = test::ReadWithFreexl(dir.file("many.xls"));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].rows.size(), rows + 1);
  for (uint32_t r = 1; r <= rows; ++r)
    for (int c = 0; c < 9; ++c) ASSERT_EQ(sheets[0].rows[r][c], text(r, c)) << r << "," << c;
  XlsWorkbook back = XlsWorkbook::open(dir.file("many.xls"));
  EXPECT_EQ(back.cell(kSheet, 1501, 1)->text, longWide);
  EXPECT_EQ(back.rows(kSheet).size(), rows + 1);

  // The longest texts a cell takes, over three and five records.
  std::string widest;
  for (int i = 0; i < 32767; ++i) widest += "\xE4\xB8\xAD";
  back.setString(kSheet, 1, 0, std::string(32767, 'y'), CellAlign::Keep);
  back.setString(kSheet, 1, 1, widest, CellAlign::Keep);
  XlsWorkbook again = XlsWorkbook::fromBytes(back.toBytes());
  EXPECT_EQ(again.cell(kSheet, 1, 0)->text, std::string(32767, 'y'));
  EXPECT_EQ(again.cell(kSheet, 1, 1)->text, widest);
  EXPECT_EQ(again.cell(kSheet, 3000, 8)->text, text(3000, 8));
}

// An empty value leaves an empty cell with the cell's format; freexl refuses a workbook
// whose string table holds an empty text.
TEST(FillTemplate, EmptyTextLeavesAnEmptyFormattedCell) {
  test::TempDir dir;
  XlsWorkbook book = XlsWorkbook::open(test::FixturePath("template-plain.xls"));
  book.setString(kSheet, 1, 3, "", CellAlign::Centre);
  book.setString(kSheet, 1, 4, "x", CellAlign::Keep);
  book.setString(kSheet, 1, 4, "", CellAlign::Keep);
  book.save(dir.file("empty.xls"));
  XlsWorkbook back = XlsWorkbook::open(dir.file("empty.xls"));
  EXPECT_EQ(back.cell(kSheet, 1, 3)->kind, XlsCell::Kind::Blank);
  EXPECT_EQ(back.alignment(back.cell(kSheet, 1, 3)->xf), HorizontalAlign::Centre);
  EXPECT_EQ(back.cell(kSheet, 1, 4)->kind, XlsCell::Kind::Blank);
  auto sheets = test::ReadWithFreexl(dir.file("empty.xls"));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].rows.size(), 2u);
  EXPECT_EQ(sheets[0].rows[1][3], "");
}

// Appends records to the cell table of Sheet1 in template-plain (its last substream, so no
// other sheet moves).
std::string PlainWithExtraCells(const std::string& records) {
  CompoundFile cf = CompoundFile::Parse(test::ReadFileBytes(test::FixturePath("template-plain.xls")));
  std::string& stream = cf.entries()[cf.FindInRoot(u"Workbook")].data;
  size_t pos = 0;
  int bofs = 0;
  for (;;) {
    BiffRecord r = ReadRecord(stream, pos, stream.size());
    if (r.type == rt::kBof) ++bofs;
    if (bofs == 2 && r.type == 0x00EC) break;  // the drawing after Sheet1's cell table
    pos = r.end();
  }
  stream.insert(pos, records);
  return cf.Serialize();
}

std::string Rec(uint16_t type, const std::string& body) {
  std::string out;
  AppendRecord(out, type, body);
  return out;
}

std::string U16s(std::initializer_list<uint32_t> v) {
  std::string s;
  for (uint32_t x : v) PutLe16(s, x);
  return s;
}

// Cells of other kinds in the filled sheet (number runs, blank runs, a number, a formula
// with a text result, a truth value) survive the rewriting of the sheet.
TEST(FillTemplate, OtherCellKindsSurviveRewriting) {
  std::string cells;
  cells += Rec(rt::kRow, U16s({4, 0, 3, 0xFF, 0, 0, 0x100, 15}));
  std::string mulrk = U16s({4, 0});
  for (uint32_t v : {1u, 2u, 3u}) {
    mulrk += U16s({15});
    PutLe32(mulrk, v << 2 | 0x02);  // integers in RK form
  }
  mulrk += U16s({2});
  cells += Rec(rt::kMulRk, mulrk);
  cells += Rec(rt::kMulBlank, U16s({5, 1, 15, 15, 15, 3}));
  std::string number = U16s({6, 0, 15});
  PutLe64(number, 0x4004000000000000ull);  // 2.5
  cells += Rec(rt::kNumber, number);
  std::string formula = U16s({7, 0, 15, 0x0000, 0, 0, 0xFFFF, 0});
  PutLe32(formula, 0);
  formula += U16s({6}) + std::string("\x17\x03\x00" "abc", 6);  // ="abc"
  cells += Rec(rt::kFormula, formula);
  cells += Rec(rt::kString, U16s({3}) + std::string("\x00" "abc", 4));
  cells += Rec(rt::kBoolErr, U16s({8, 0, 15}) + std::string("\x01\x00", 2));

  XlsWorkbook book = XlsWorkbook::fromBytes(PlainWithExtraCells(cells));
  book.setString(kSheet, 4, 4, "new", CellAlign::Centre);
  book.setString(kSheet, 5, 2, "over a blank", CellAlign::Keep);
  XlsWorkbook back = XlsWorkbook::fromBytes(book.toBytes());
  for (uint16_t c = 0; c < 3; ++c) EXPECT_EQ(back.cell(kSheet, 4, c)->number, c + 1);
  EXPECT_EQ(back.cell(kSheet, 4, 4)->text, "new");
  EXPECT_EQ(back.cell(kSheet, 5, 1)->kind, XlsCell::Kind::Blank);
  EXPECT_EQ(back.cell(kSheet, 5, 2)->text, "over a blank");
  EXPECT_EQ(back.cell(kSheet, 5, 3)->kind, XlsCell::Kind::Blank);
  EXPECT_EQ(back.cell(kSheet, 6, 0)->number, 2.5);
  EXPECT_EQ(back.cell(kSheet, 7, 0)->kind, XlsCell::Kind::Formula);
  EXPECT_EQ(back.cell(kSheet, 7, 0)->text, "abc");
  EXPECT_EQ(back.cell(kSheet, 8, 0)->kind, XlsCell::Kind::Boolean);
  EXPECT_EQ(back.cell(kSheet, 0, 0)->text, "Test Record Number");

  test::TempDir dir;
  book.save(dir.file("kinds.xls"));
  auto sheets = test::ReadWithFreexl(dir.file("kinds.xls"));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_GE(sheets[0].rows.size(), 7u);
  EXPECT_EQ(sheets[0].rows[4][1], "2");
  EXPECT_EQ(sheets[0].rows[4][4], "new");
  EXPECT_EQ(sheets[0].rows[6][0], "2.5");
}

TEST(FillTemplate, LimitsOfAWorksheetAreErrors) {
  XlsWorkbook book = XlsWorkbook::open(test::FixturePath("template-plain.xls"));
  EXPECT_THROW(book.setString(kSheet, 65536, 0, "x", CellAlign::Keep), XlsError);
  EXPECT_THROW(book.setString(kSheet, 1, 256, "x", CellAlign::Keep), XlsError);
  EXPECT_THROW(book.setString(kSheet, 1, 0, std::string(32768, 'x'), CellAlign::Keep), XlsError);
  EXPECT_THROW(book.setString("Sheet2", 1, 0, "x", CellAlign::Keep), XlsError);
  book.setString(kSheet, 65535, 255, "last cell", CellAlign::Centre);
  EXPECT_EQ(XlsWorkbook::fromBytes(book.toBytes()).cell(kSheet, 65535, 255)->text, "last cell");
}

}  // namespace
