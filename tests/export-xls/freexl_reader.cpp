#include "freexl_reader.h"

#include <freexl.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace movra::test {

std::vector<FreexlSheet> ReadWithFreexl(const std::string& path) {
  std::vector<FreexlSheet> out;
  const void* handle = nullptr;
  int rc = freexl_open(path.c_str(), &handle);
  if (rc != FREEXL_OK) {
    ADD_FAILURE() << "freexl cannot open " << path << ": " << rc;
    if (handle) freexl_close(handle);
    return out;
  }
  unsigned int count = 0;
  EXPECT_EQ(freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count), FREEXL_OK);
  for (unsigned int s = 0; s < count; ++s) {
    FreexlSheet sheet;
    const char* name = nullptr;
    EXPECT_EQ(freexl_get_worksheet_name(handle, static_cast<unsigned short>(s), &name), FREEXL_OK);
    sheet.name = name ? name : "";
    EXPECT_EQ(freexl_select_active_worksheet(handle, static_cast<unsigned short>(s)), FREEXL_OK);
    unsigned int rows = 0;
    unsigned short cols = 0;
    EXPECT_EQ(freexl_worksheet_dimensions(handle, &rows, &cols), FREEXL_OK);
    for (unsigned int r = 0; r < rows; ++r) {
      std::vector<std::string> row;
      for (unsigned short c = 0; c < cols; ++c) {
        FreeXL_CellValue v;
        EXPECT_EQ(freexl_get_cell_value(handle, r, c, &v), FREEXL_OK) << "row " << r << " col " << c;
        char buf[64];
        switch (v.type) {
          case FREEXL_CELL_TEXT:
          case FREEXL_CELL_SST_TEXT:
          case FREEXL_CELL_DATE:
          case FREEXL_CELL_DATETIME:
          case FREEXL_CELL_TIME:
            row.emplace_back(v.value.text_value);
            break;
          case FREEXL_CELL_INT:
            row.emplace_back(std::to_string(v.value.int_value));
            break;
          case FREEXL_CELL_DOUBLE:
            std::snprintf(buf, sizeof buf, "%.15g", v.value.double_value);
            row.emplace_back(buf);
            break;
          default:
            row.emplace_back();
        }
      }
      sheet.rows.push_back(std::move(row));
    }
    out.push_back(std::move(sheet));
  }
  freexl_close(handle);
  return out;
}

const FreexlSheet* FindSheet(const std::vector<FreexlSheet>& sheets, const std::string& name) {
  for (const FreexlSheet& s : sheets)
    if (s.name == name) return &s;
  return nullptr;
}

}  // namespace movra::test
