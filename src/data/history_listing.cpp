#include "data/history_listing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <tuple>

#include "app/format_settings.h"
#include "app/utf8.h"
#include "data/inr_result_conversion.h"
#include "data/result_queries.h"

namespace movra {

const std::vector<std::string> kControlSampleTypes = {"EC", "CS", "Downloaded EC", "Downloaded CS"};

namespace {

std::string Lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool PairBefore(const MeterPatient& a, const MeterPatient& b) {
  return std::tie(a.serialNumber, a.patientId) < std::tie(b.serialNumber, b.patientId);
}

// Named first by name, then by meter and patient ID; unnamed last.
bool ListedBefore(const PatientSummary& a, const PatientSummary& b) {
  const Patient &p = a.patient, &q = b.patient;
  if (p.name.empty() != q.name.empty()) return !p.name.empty();
  if (Lowered(p.name) != Lowered(q.name)) return Lowered(p.name) < Lowered(q.name);
  if (p.meters.empty() || q.meters.empty()) return !p.meters.empty() && q.meters.empty();
  return PairBefore(p.meters.front(), q.meters.front());
}

}  // namespace

HistoryEntry HistoryEntryOf(const StoredHistoryRow& row) {
  HistoryEntry e;
  e.id = row.id;
  InrResult& r = e.result;
  r.serialNumber = row.serialNumber;
  r.patientId = row.patientId;
  r.date = row.date;
  r.dateText = FormatDateTime("YYYY-MM-DD", r.date);
  r.timeText = row.timeText;
  r.amPm = row.amPm;
  r.inrText = row.inrText;
  r.inr = row.inr.value_or(std::numeric_limits<double>::quiet_NaN());
  r.range = RangeOfInrText(r.inrText);
  r.pt = PtFromInr(std::isnan(r.inr) ? 0 : r.inr);
  // The sample type " " shows as empty, as in the list.
  r.sampleType = row.sampleType;
  if (Utf8Length(r.sampleType) <= 1) r.sampleType.clear();
  r.controlLevel = row.controlLevel;
  r.recordNumber = row.recordNumber;
  r.checked = true;
  return e;
}

std::vector<PatientSummary> ListPatients(const std::vector<Patient>& saved, std::map<PairKey, PairFigures> figures) {
  auto add = [&](PatientSummary& s, const MeterPatient& m) {
    auto it = figures.find({m.serialNumber, m.patientId});
    if (it == figures.end()) return;
    s.results += it->second.results;
    if (it->second.last && (!s.lastResult || s.lastResult->date < it->second.last->date)) s.lastResult = it->second.last;
    figures.erase(it);
  };
  std::vector<PatientSummary> out;
  for (const Patient& p : saved) {
    PatientSummary s;
    s.patient = p;
    for (const MeterPatient& m : s.patient.meters) add(s, m);
    out.push_back(std::move(s));
  }
  // The pairs nobody has named, each a patient of its own.
  for (auto& [pair, f] : figures) {
    PatientSummary s;
    s.patient.meters = {MeterPatient{pair.first, pair.second}};
    s.results = f.results;
    s.lastResult = f.last;
    out.push_back(std::move(s));
  }
  std::stable_sort(out.begin(), out.end(), ListedBefore);
  return out;
}

std::optional<std::string> PatientProblem(const Patient& patient) {
  if (patient.meters.empty()) return "A patient needs at least one meter and patient ID";
  if (Utf8Length(patient.name) > 50) return "A patient's name may have 50 characters at most";
  if (patient.range && !(patient.range->lowTenths < patient.range->highTenths))
    return "The target range's low end must lie below its high end";
  return std::nullopt;
}

}  // namespace movra
