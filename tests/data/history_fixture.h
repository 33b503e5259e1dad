// Results as a download reads them from the meter, and a program folder whose database is
// open as at start-up, with the store a download uses and the history over the same
// connection: for the history's own tests and those comparing other stores with it.
#pragma once
#include <string>

#include "app/trace.h"
#include "data/data_module.h"
#include "data/record_store.h"
#include "data/sql_history_store.h"
#include "data_fixture.h"
#include "recording_presenter.h"

namespace movra::test {

// A result of meter `serial`, patient `patient`, on day `day` of March 2024 at hour:30.
InrResult MeterResult(const std::string& serial, const std::string& patient, int day, int hour, double inr,
                      const std::string& recordNumber, const std::string& sampleType = "Finger");

struct OpenHistory {
  ~OpenHistory() { CloseTrace(); }
  DataFolder folder;
  ScopedPresenter dialogs;
  TDM dm;
  bool opened = OpenTrace() && dm.OpenDatabase(folder.dataFile());
  NullStoreUi ui;
  TRecordStore records{dm, ui};
  SqlHistoryStore history{dm};
};

}  // namespace movra::test
