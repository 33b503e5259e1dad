// The patient whose history the benchmarks read: results as a meter writes them, and the
// same results kept in a new encrypted file in a scratch folder, the patient named.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "app/format_settings.h"
#include "data/data_module.h"
#include "data/inr_result_conversion.h"
#include "data/record_store.h"
#include "data/schema.h"
#include "data/sql_history_store.h"

namespace movra::bench {

// `count` results of the pair, one every 0.73 days from firstDay, some above the measuring
// range, every 20th a control.
inline std::vector<InrResult> MeterPairResults(const MeterPatient& pair, int count, TDateTime firstDay) {
  std::vector<InrResult> out;
  for (int i = 0; i < count; ++i) {
    TMeterRecord rec;
    rec.SerialNumber = pair.serialNumber;
    rec.MeterType = pair.patientId;
    rec.RecordNumber = std::to_string(i % 255 + 1);
    rec.Date = FormatDateTime("yyyy-mm-dd", firstDay + i * 0.73);
    rec.Time = i % 2 ? "09:36" : "18:10";
    rec.CalibrationType = i % 20 == 0 ? "EC" : "Finger";
    rec.CalibrationLevel = i % 20 == 0 ? "Level 1" : "";
    rec.InrValue = i % 97 == 0 ? 8.0 : 1.4 + (i * 7 % 25) / 10.0;
    if (auto r = ResultOfMeterRecord(rec).result) out.push_back(*r);
  }
  return out;
}

// The pair's patient as the benchmarks name it.
inline Patient BenchPatient(const MeterPatient& pair) {
  return Patient{0, "Anna Example", {}, TenthsRange{25, 35}, {pair}};
}

// A new database holding the results in its list and history and the patient saved; the
// scratch folder goes with it.
class ScratchHistoryFile {
 public:
  ScratchHistoryFile(const std::string& name, const std::vector<InrResult>& results, const Patient& patient)
      : dir_((std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))).string()) {
    std::filesystem::create_directories(dir_);
    const std::string file = dir_ + "/movradata1.dat";
    CreateDatabaseFile(file);
    dm_ = std::make_unique<TDM>();
    if (!dm_->OpenDatabase(file)) return;
    NullStoreUi quiet;
    TRecordStore(*dm_, quiet).StoreResults(results);
    SqlHistoryStore(*dm_).SavePatient(patient);
    opened_ = true;
  }
  ~ScratchHistoryFile() {
    dm_.reset();
    std::filesystem::remove_all(dir_);
  }
  ScratchHistoryFile(const ScratchHistoryFile&) = delete;
  ScratchHistoryFile& operator=(const ScratchHistoryFile&) = delete;

  bool opened() const { return opened_; }
  TDM& dm() { return *dm_; }

 private:
  std::string dir_;
  std::unique_ptr<TDM> dm_;
  bool opened_ = false;
};

}  // namespace movra::bench
