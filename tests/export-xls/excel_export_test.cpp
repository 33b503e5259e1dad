#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "export/cfb_file.h"
#include "export/excel_export.h"
#include "export/export_values.h"
#include "export/xls_workbook.h"
#include "freexl_reader.h"
#include "recording_presenter.h"
#include "temp_dir.h"
#include "test_rows.h"

using namespace movra;

namespace {

std::vector<ExportRow> ThreeRowsSecondUnticked() {
  ExportRow a = test::ExampleRow(), b = test::ExampleRow(), c = test::WithInr(test::ExampleRow(), 7.5f);
  b.checked = false;
  b.recordNumber = "2";
  c.recordNumber = "3";
  return {a, b, c};
}

// Ticked rows 1 and 3 of the list go to worksheet rows 2 and 3.
TEST(ExcelExport, TickedRowsFillRowsFromTwo) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  const std::string target = dir.file("chosen name");  // saved under the path given
  EXPECT_EQ(ExportExcel(ThreeRowsSecondUnticked(), test::FixturePath("template-plain.xls"), target).outcome,
            ExportOutcome::Written);
  XlsWorkbook book = XlsWorkbook::open(target);
  const char* expected[2][9] = {
      {"12", "345", "YY-MM-DD", " 24-03-15 ", " 14:05 ", "2.5", "26", "EC", "SN01"},
      {"3", "345", "YY-MM-DD", " 24-03-15 ", " 14:05 ", "INR \xE2\x86\x91", "INR \xE2\x86\x91", "EC", "SN01"},
  };
  for (uint32_t r = 0; r < 2; ++r)
    for (uint16_t c = 0; c < 9; ++c) EXPECT_EQ(book.cell("Sheet1", r + 1, c)->text, expected[r][c]) << r << "," << c;
  EXPECT_FALSE(book.cell("Sheet1", 3, 0));
  EXPECT_FALSE(std::filesystem::exists(target + ".xls"));
}

// A German locale writes the INR with a decimal comma, in the cell as in the list.
TEST(ExcelExport, DecimalSeparatorOfTheLocale) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  test::DecimalSeparator comma(',');
  ExportExcel({test::WithInr(test::ExampleRow(), 2.25f)}, test::FixturePath("template-plain.xls"), dir.file("de.xls"));
  EXPECT_EQ(XlsWorkbook::open(dir.file("de.xls")).cell("Sheet1", 1, 5)->text, "2,2");
}

// A template that is missing or has no "Sheet1" goes to the general error display;
// nothing is written and no "finished" follows.
TEST(ExcelExport, TemplateProblemsWriteNothing) {
  test::TempDir dir;
  // A Sheet1 without its EOF: the sheet list is sound, the sheet is not.
  CompoundFile cf = CompoundFile::Parse(test::ReadFileBytes(test::FixturePath("template-plain.xls")));
  std::string& stream = cf.entries()[cf.FindInRoot(u"Workbook")].data;
  stream.resize(stream.size() - 4);
  dir.write("damaged.xls", cf.Serialize());
  struct Case {
    std::string templ;
    const char* shown;
  } cases[] = {
      {test::FixturePath("template-without-sheet1.xls"), "Sheet1"},
      {dir.file("missing.xls"), "missing.xls"},
      {dir.file("damaged.xls"), "damaged"},
  };
  for (const Case& c : cases) {
    test::ScopedPresenter presenter;
    ExportResult result = ExportExcel(ThreeRowsSecondUnticked(), c.templ, dir.file("out.xls"));
    EXPECT_EQ(result.outcome, ExportOutcome::GeneralError);
    ASSERT_TRUE(result.notice);
    EXPECT_NE(result.notice->text.find(c.shown), std::string::npos) << result.notice->text;
    EXPECT_EQ(result.notice->caption, "Error");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xls")));
  }
}

TEST(ExcelExport, SaveErrorWritesNoFile) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  const std::string target = dir.file("no-folder/out.xls");
  ExportResult result = ExportExcel(ThreeRowsSecondUnticked(), test::FixturePath("template-plain.xls"), target);
  EXPECT_EQ(result.outcome, ExportOutcome::Failed);
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text.rfind("Write to Excel Error ", 0), 0u) << result.notice->text;
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// A chosen file that another program holds open at save time is left alone, silently.
TEST(ExcelExport, FileInUseAtSaveIsLeftAlone) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  dir.write("busy.xls", "old");
  int fd = open(dir.file("busy.xls").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  ExportResult result = ExportExcel(ThreeRowsSecondUnticked(), test::FixturePath("template-plain.xls"), dir.file("busy.xls"));
  EXPECT_EQ(result.outcome, ExportOutcome::LeftInUse);
  EXPECT_FALSE(result.notice);
  close(fd);
  EXPECT_EQ(dir.read("busy.xls"), "old");
}

// The template is never changed, even when it is the file chosen.
TEST(ExcelExport, TemplateChosenAsTargetStaysUnchanged) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  const std::string templ = test::CopyFixture(dir, "template-plain.xls");
  const std::string before = dir.read("template-plain.xls");
  ExportResult result = ExportExcel(ThreeRowsSecondUnticked(), templ, dir.path() + "/./template-plain.xls");
  ASSERT_TRUE(result.notice);
  EXPECT_EQ(result.notice->text.rfind("Write to Excel Error The template", 0), 0u) << result.notice->text;
  EXPECT_EQ(dir.read("template-plain.xls"), before);
}

// An existing file chosen for overwriting is replaced.
TEST(ExcelExport, ReplacesAnExistingFile) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  dir.write("old.xls", "old");
  ExportExcel(ThreeRowsSecondUnticked(), test::FixturePath("template-plain.xls"), dir.file("old.xls"));
  EXPECT_EQ(XlsWorkbook::open(dir.file("old.xls")).cell("Sheet1", 1, 0)->text, "12");
}


// The workbook opens on Sheet1, its only selected tab, whichever sheet the template
// opened on.
TEST(ExcelExport, OpensOnSheet1) {
  test::TempDir dir;
  // This template was saved by a spreadsheet program open on its other sheet.
  ASSERT_EQ(XlsWorkbook::open(test::FixturePath("template-two-sheets.xls")).activeSheet(), "Summary");
  for (std::string templ : {test::FixturePath("template-plain.xls"), test::FixturePath("template-two-sheets.xls"),
                            test::FixturePath("template-large.xls")}) {
    test::ScopedPresenter presenter;
    ASSERT_EQ(ExportExcel(ThreeRowsSecondUnticked(), templ, dir.file("out.xls")).outcome, ExportOutcome::Written) << templ;
    XlsWorkbook out = XlsWorkbook::open(dir.file("out.xls"));
    EXPECT_EQ(out.activeSheet(), "Sheet1") << templ;
    EXPECT_EQ(out.selectedSheets(), std::vector<std::string>{"Sheet1"}) << templ;
    // Every sheet of the template is still there.
    EXPECT_EQ(out.sheetNames(), XlsWorkbook::open(templ).sheetNames()) << templ;
  }
}

// Texts from the meter that look like formulas are stored as text cells, as they are.
TEST(ExcelExport, FormulaLikeTextsAreStoredAsText) {
  test::TempDir dir;
  test::ScopedPresenter presenter;
  ExportRow r = test::ExampleRow();
  r.patientId = "=SUM(1+1)*9";
  r.sampleType = "@A1";
  r.serialNumber = "-2+3+cmd|' /C calc'!A0";
  ASSERT_EQ(ExportExcel({r}, test::FixturePath("template-plain.xls"), dir.file("f.xls")).outcome, ExportOutcome::Written);
  XlsWorkbook book = XlsWorkbook::open(dir.file("f.xls"));
  for (auto [col, text] : {std::pair<uint16_t, std::string>{1, r.patientId}, {7, r.sampleType}, {8, r.serialNumber}}) {
    auto c = book.cell("Sheet1", 1, col);
    ASSERT_TRUE(c) << col;
    EXPECT_EQ(c->kind, XlsCell::Kind::Text) << col;
    EXPECT_EQ(c->text, text) << col;
  }
  const auto sheets = test::ReadWithFreexl(dir.file("f.xls"));
  const test::FreexlSheet* sheet = test::FindSheet(sheets, "Sheet1");
  ASSERT_TRUE(sheet && sheet->rows.size() > 1);
  EXPECT_EQ(sheet->rows[1][1], r.patientId);
}

}  // namespace
