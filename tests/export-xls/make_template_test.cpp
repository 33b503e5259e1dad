#include <gtest/gtest.h>

#include <cstdlib>

#include "export/export_values.h"
#include "export/xls_workbook.h"
#include "freexl_reader.h"
#include "temp_dir.h"

using namespace movra;

namespace {

// The template the build makes with movra-make-template: one worksheet "Sheet1" with the
// nine titles in bold in row 1, as freexl and our reader see it; and it takes the export.
TEST(MakeTemplate, WritesSheet1WithBoldTitles) {
  test::TempDir dir;
  const std::string out = dir.file("MovraTemplate.xls");
  const std::string cmd = test::BuildDir() + "/bin/movra-make-template '" + out + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

  auto sheets = test::ReadWithFreexl(out);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "Sheet1");
  ASSERT_EQ(sheets[0].rows.size(), 1u);
  std::vector<std::string> titles(kExportTitles.begin(), kExportTitles.end());
  EXPECT_EQ(sheets[0].rows[0], titles);

  XlsWorkbook book = XlsWorkbook::open(out);
  for (uint16_t c = 0; c < 9; ++c) {
    auto cell = book.cell("Sheet1", 0, c);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->text, titles[c]);
    EXPECT_EQ(book.fontWeight(cell->xf), 700) << "bold";
  }
  book.setString("Sheet1", 1, 2, "YY-MM-DD", CellAlign::Centre);
  book.setString("Sheet1", 1, 0, "12", CellAlign::Keep);
  book.save(dir.file("filled.xls"));
  auto filled = test::ReadWithFreexl(dir.file("filled.xls"));
  ASSERT_EQ(filled.size(), 1u);
  ASSERT_EQ(filled[0].rows.size(), 2u);
  EXPECT_EQ(filled[0].rows[1][0], "12");
  EXPECT_EQ(filled[0].rows[1][2], "YY-MM-DD");
  XlsWorkbook back = XlsWorkbook::open(dir.file("filled.xls"));
  EXPECT_EQ(back.alignment(back.cell("Sheet1", 1, 2)->xf), HorizontalAlign::Centre);
  EXPECT_EQ(back.fontWeight(back.cell("Sheet1", 1, 2)->xf), 400) << "data rows are not bold";
}

TEST(MakeTemplate, FailsCleanlyWhenItCannotWrite) {
  test::TempDir dir;
  const std::string cmd = test::BuildDir() + "/bin/movra-make-template '" + dir.file("no/such/folder/t.xls") + "' 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);
}

}  // namespace
