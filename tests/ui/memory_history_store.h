// A history kept in memory for the window tests: the store's reading, deleting and patient
// rules over a vector, so the windows can be driven before and beside the database.
#pragma once
#include <algorithm>
#include <cmath>

#include "data/history_store.h"
#include "report/report_rows.h"

namespace movra::test {

class MemoryHistoryStore : public HistoryStore {
 public:
  std::vector<HistoryEntry> entries;  // oldest first
  std::vector<Patient> saved;

  int64_t add(const MeterPatient& pair, TDateTime when, double inr, const std::string& sample = "Downloaded Sample") {
    HistoryEntry e;
    e.id = ++lastId_;
    e.result.serialNumber = pair.serialNumber;
    e.result.patientId = pair.patientId;
    e.result.date = when;
    e.result.inr = inr;
    e.result.inrText = std::to_string(inr).substr(0, 3);
    e.result.timeText = "09:30";
    e.result.sampleType = sample;
    entries.push_back(e);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const HistoryEntry& a, const HistoryEntry& b) { return a.result.date < b.result.date; });
    return e.id;
  }

  std::vector<HistoryEntry> Read(const HistoryQuery& q) override {
    std::vector<HistoryEntry> out;
    for (const HistoryEntry& e : entries) {
      const double day = std::floor(e.result.date);
      MeterPatient pair{e.result.serialNumber, e.result.patientId};
      if (!q.meters.empty() && std::find(q.meters.begin(), q.meters.end(), pair) == q.meters.end()) continue;
      if ((q.firstDay && day < *q.firstDay) || (q.lastDay && day > *q.lastDay)) continue;
      out.push_back(e);
    }
    return out;
  }
  int Delete(const std::vector<int64_t>& ids) override {
    const size_t before = entries.size();
    std::erase_if(entries, [&](const HistoryEntry& e) { return std::find(ids.begin(), ids.end(), e.id) != ids.end(); });
    return static_cast<int>(before - entries.size());
  }
  std::vector<PatientSummary> Patients() override {
    std::vector<PatientSummary> out;
    for (const Patient& p : saved) out.push_back(summary(p));
    for (const HistoryEntry& e : entries) {
      MeterPatient pair{e.result.serialNumber, e.result.patientId};
      bool known = false;
      for (const PatientSummary& s : out)
        known = known || std::find(s.patient.meters.begin(), s.patient.meters.end(), pair) != s.patient.meters.end();
      if (!known) out.push_back(summary(Patient{0, "", {}, {}, {pair}}));
    }
    return out;
  }
  Patient PatientOf(const MeterPatient& pair) override {
    for (const Patient& p : saved)
      if (std::find(p.meters.begin(), p.meters.end(), pair) != p.meters.end()) return p;
    return Patient{0, "", {}, {}, {pair}};
  }
  int64_t SavePatient(const Patient& patient) override {
    Patient p = patient;
    if (p.id == 0) p.id = ++lastId_;
    for (Patient& other : saved)
      if (other.id != p.id)
        std::erase_if(other.meters, [&](const MeterPatient& m) {
          return std::find(p.meters.begin(), p.meters.end(), m) != p.meters.end();
        });
    std::erase_if(saved, [&](const Patient& o) { return o.id == p.id || o.meters.empty(); });
    saved.push_back(p);
    return p.id;
  }

 private:
  PatientSummary summary(const Patient& p) {
    PatientSummary s{p, 0, {}};
    HistoryQuery q;
    q.meters = p.meters;
    for (const HistoryEntry& e : Read(q)) {
      if (IsControlSample(e.result.sampleType)) continue;
      ++s.results;
      s.lastResult = e.result;
    }
    return s;
  }
  int64_t lastId_ = 0;
};

}  // namespace movra::test
