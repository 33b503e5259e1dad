// The core tells its callers what went wrong and never shows a box itself: the window
// and movra-cli decide how to say it. Each row runs one failure of the core under a
// presenter that fails the test on any box.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "app/folders.h"
#include "app/trace.h"
#include "comm/usb_comm_list.h"
#include "data/data_module.h"
#include "export/csv_export.h"
#include "export/excel_export.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

void FailingLister(std::vector<std::string>&) { throw std::runtime_error("listing broke"); }

TEST(CoreQuiet, FailuresShowNoBox) {
  struct Case {
    const char* name;
    std::function<void(const test::TempDir&)> run;
  } cases[] = {
      {"folder that cannot be made",
       [](const test::TempDir& d) {
         d.write("prog/PTDATA", "a file where the folder should be");
         PrepareFolders(d.file("prog"));
       }},
      {"trace without its folder",
       [](const test::TempDir& d) {
         PrepareFolders(d.file("prog"));
         OpenTrace();
         CloseTrace();
       }},
      {"missing database",
       [](const test::TempDir& d) {
         TDM dm;
         dm.OpenDatabase(d.file("missing.dat"));
       }},
      {"start-up without a Data folder",
       [](const test::TempDir& d) {
         PrepareFolders(d.file("prog"));
         CreateDataModule();
       }},
      {"CSV into a missing folder", [](const test::TempDir& d) { ExportCsv({}, d.file("missing/out.csv")); }},
      {"workbook without its template",
       [](const test::TempDir& d) { ExportExcel({}, d.file("missing.xls"), d.file("out.xls")); }},
      {"port listing that fails",
       [](const test::TempDir&) {
         std::vector<std::string> ports;
         GetUSBCommList(ports, FailingLister);
         QueryUSBComm(ports, false, FailingLister);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    dir.mkdirs("prog");
    test::ScopedPresenter presenter;
    c.run(dir);
    EXPECT_TRUE(presenter->shown().empty());
  }
}

}  // namespace
