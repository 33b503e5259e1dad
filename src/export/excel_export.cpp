#include "export/excel_export.h"

#include <filesystem>
#include <optional>

#include "app/file_in_use.h"
#include "export/export_target.h"
#include "export/export_values.h"
#include "export/xls_workbook.h"

namespace movra {

namespace {
const char kSheet[] = "Sheet1";
ExportResult WriteFailed(const std::exception& e) {
  return {ExportOutcome::Failed, InfoNotice(std::string("Write to Excel Error ") + e.what())};
}
}  // namespace

ExportResult ExportExcel(const std::vector<ExportRow>& rows, const std::string& templatePath,
                          const std::string& targetPath) {
  std::optional<XlsWorkbook> book;
  try {
    book.emplace(XlsWorkbook::open(templatePath));
    if (!book->hasSheet(kSheet))
      throw XlsError("The template \"" + templatePath + "\" has no worksheet \"" + kSheet + "\".");
    // Reading the sheet now shows a damaged one as a template problem, before anything is written.
    book->rows(kSheet);
    book->activate(kSheet);
  } catch (const XlsError& e) {
    return {ExportOutcome::GeneralError, ErrorNotice(e.what())};
  }

  try {
    uint32_t row = 1;
    for (const ExportRow& r : rows) {
      if (!r.checked) continue;
      for (int col = 0; col < 9; ++col)
        book->setString(kSheet, row, static_cast<uint16_t>(col), ExcelValue(r, col),
                        col == 2 || col == 3 ? CellAlign::Centre : CellAlign::Keep);
      ++row;
    }
  } catch (const std::exception& e) {
    // A workbook short of rows is not saved: the file that was there is kept.
    return WriteFailed(e);
  }

  try {
    // The template stays as it is, even when it is the file chosen.
    std::error_code ec;
    if (std::filesystem::equivalent(templatePath, targetPath, ec))
      throw XlsError("The template \"" + templatePath + "\" cannot be overwritten; choose another file.");
    // Looked at before the test for a file in use, which opens it: a pipe must never be opened.
    if (auto why = NotARegularFile(targetPath)) throw XlsError(CannotCreateFileText(targetPath, *why));
    // A file another program holds open is left alone, without a word.
    if (FileInUse(targetPath)) return {ExportOutcome::LeftInUse, std::nullopt};
    book->save(targetPath);
  } catch (const std::exception& e) {
    return WriteFailed(e);
  }
  return {};
}

}  // namespace movra
