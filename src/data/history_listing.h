// How a kept result's stored fields read as a result, and how the patients list is made of
// the saved patients and each pair's figures: the same for the local database and the
// clinic's, so both stores answer the same questions alike.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/history_store.h"

namespace movra {

// The fields a history row keeps of a result.
struct StoredHistoryRow {
  int64_t id = 0;
  std::string serialNumber;
  std::string patientId;
  double date = 0;
  std::string timeText;
  std::string amPm;
  std::string inrText;
  std::optional<double> inr;  // none for a damaged older row
  std::string sampleType;
  std::string controlLevel;
  std::string recordNumber;
};

// The result as the list would show the same row.
HistoryEntry HistoryEntryOf(const StoredHistoryRow& row);

// The control sample types: control tests check the meter and its strips and belong to no
// patient's figures.
extern const std::vector<std::string> kControlSampleTypes;

// One pair's kept patient results: how many, and the newest.
struct PairFigures {
  int results = 0;
  std::optional<InrResult> last;
};
using PairKey = std::pair<std::string, std::string>;  // serial number, patient ID

// The saved patients (in the order they were saved, each with its pairs) and every pair
// with kept patient results; a pair no saved patient has is a patient of its own. Sorted by
// name, then meter and patient ID, unnamed last.
std::vector<PatientSummary> ListPatients(const std::vector<Patient>& saved, std::map<PairKey, PairFigures> figures);

// Why a patient cannot be saved, or nothing when it can.
std::optional<std::string> PatientProblem(const Patient& patient);

}  // namespace movra
