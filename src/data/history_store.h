// The history: every result a download stored, kept once, after the list is cleared and
// the program restarted; and the patients the results belong to. The list beside it stays
// what one download gave. The program keeps both in the encrypted database
// (SqlHistoryStore); the window, movra-cli and the report need only this.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "data/inr_result.h"

namespace movra {

// One meter's patient ID: what the meter knows of a patient.
struct MeterPatient {
  std::string serialNumber;
  std::string patientId;
  bool operator==(const MeterPatient&) const = default;
};

// A target range in tenths of INR; both bounds belong to it.
struct TenthsRange {
  int lowTenths = 20;
  int highTenths = 30;
  bool operator==(const TenthsRange&) const = default;
};

// A patient: one or more (meter, patient ID) pairs (a replaced meter adds one), and what
// the clinic knows of the person. A pair nobody has named yet is a patient of its own
// without a name (id 0 until it is saved).
struct Patient {
  int64_t id = 0;
  std::string name;                  // "" when not named
  std::optional<TDateTime> born;     // the day of birth
  std::optional<TenthsRange> range;  // the patient's own target range, when set
  std::vector<MeterPatient> meters;  // at least one
};

// A patient as the Patients window and `movra-cli patient list` show it.
struct PatientSummary {
  Patient patient;
  int results = 0;                       // kept patient results (controls not counted)
  std::optional<InrResult> lastResult;   // the newest of them
};

// One kept result and its row in the history.
struct HistoryEntry {
  int64_t id = 0;
  InrResult result;
};

// Which kept results to read: those of the given pairs (all when empty) from the first to
// the last day, both whole days (open when not set). Deleted results are never read.
struct HistoryQuery {
  std::vector<MeterPatient> meters;
  std::optional<TDateTime> firstDay;
  std::optional<TDateTime> lastDay;
};

class HistoryStore {
 public:
  virtual ~HistoryStore() = default;
  // Oldest first; a patient's and the controls of its meters alike (InrResult tells them
  // apart by the sample type).
  virtual std::vector<HistoryEntry> Read(const HistoryQuery& query) = 0;
  // Removes these results from the history; returns how many were removed. A removed result
  // is not kept again when its meter is downloaded once more.
  virtual int Delete(const std::vector<int64_t>& ids) = 0;
  // Every patient: the saved ones, and each pair with kept results that no saved patient
  // has; sorted by name, then meter and patient ID, unnamed last.
  virtual std::vector<PatientSummary> Patients() = 0;
  // The saved patient who has this pair, or the pair as an unnamed patient.
  virtual Patient PatientOf(const MeterPatient& pair) = 0;
  // Saves a patient (a new one when id is 0) and returns its id. A pair belongs to one
  // patient: linking it here takes it away from any other, and a patient left with no
  // pair is removed.
  virtual int64_t SavePatient(const Patient& patient) = 0;
};

// "PT12345678A / 345": how a pair is named where its patient has no name.
std::string MeterPatientName(const MeterPatient& pair);

}  // namespace movra
