// The clinic's history answers as the local one does: the same downloads, patients and
// removals on a desk's encrypted database and on the server give the same reads, patient
// lists and patients, in the same order.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "clinic_fixture.h"
#include "history_fixture.h"

namespace movra::test {
namespace {

std::string Described(const InrResult& r) {
  std::ostringstream s;
  s.precision(17);
  s << KeyOf(r) << " date=" << r.date << " ampm=" << r.amPm << " inr=" << r.inr << " range=" << int(r.range)
    << " pt=" << r.pt << " level=" << r.controlLevel << " record=" << r.recordNumber;
  return s.str();
}

std::vector<std::string> Described(const std::vector<HistoryEntry>& entries) {
  std::vector<std::string> out;
  for (const HistoryEntry& e : entries) out.push_back(Described(e.result));
  return out;
}

std::string Described(const Patient& p) {
  std::ostringstream s;
  s << (p.id ? "saved " : "unsaved ") << p.name << " born=" << (p.born ? *p.born : -1);
  if (p.range) s << " range=" << p.range->lowTenths << "-" << p.range->highTenths;
  for (const MeterPatient& m : p.meters) s << " " << MeterPatientName(m);
  return s.str();
}

std::vector<std::string> Described(const std::vector<PatientSummary>& list) {
  std::vector<std::string> out;
  for (const PatientSummary& s : list)
    out.push_back(Described(s.patient) + " results=" + std::to_string(s.results) + " last=" +
                  (s.lastResult ? Described(*s.lastResult) : "none"));
  return out;
}

const MeterPatient kAnna1{"SN01", "345"}, kAnna2{"SN02", "345"}, kBert{"SN01", "346"};

// One step done alike on both stores, and the questions asked after it.
struct ParityStep {
  const char* what;
  std::function<void(HistoryStore&, ResultSink*)> act;
};
using Question = std::pair<const char*, std::function<std::vector<std::string>(HistoryStore&)>>;

const std::vector<InrResult> kDownload = {
    ClinicResult("SN01", "345", 10, 8, 2.4),         ClinicResult("SN01", "345", 11, 9, 2.6),
    ClinicResult("SN01", "346", 11, 9, 2.6),         ClinicResult("SN01", "345", 11, 10, 2.6, "EC"),
    ClinicResult("SN02", "345", 12, 7, 8.2),         ClinicResult("SN02", "345", 13, 7, 0.5),
    ClinicResult("SN02", "345", 9, 23, 3.0),         ClinicResult("SN03", "1", 14, 8, 2.0, "EC"),
};

class ClinicParity : public ClinicTest, protected OpenHistory {
 protected:
  SqlHistoryStore& local = history;
};

TEST_F(ClinicParity, TheSameStepsGiveTheSameAnswers) {
  ASSERT_TRUE(opened);
  InitTables();
  auto desk = Desk(), admin = Desk("admin");
  const std::vector<ParityStep> steps = {
      {"a download", [&](HistoryStore&, ResultSink* server) {
         if (server) server->Keep(kDownload);
         else records.StoreResults(kDownload);
       }},
      {"two patients saved", [](HistoryStore& h, ResultSink*) {
         h.SavePatient(Patient{0, "anna Berg", 18000.0, TenthsRange{25, 35}, {kAnna2, kAnna1}});
         h.SavePatient(Patient{0, "Bert", std::nullopt, std::nullopt, {kBert}});
       }},
      // Merges: on the server the administrators' (a desk is refused: ClinicStore's test).
      {"a pair moved to another patient", [&](HistoryStore& h, ResultSink* server) {
         HistoryStore& merger = server ? *admin : h;
         Patient bert = merger.PatientOf(kBert);
         bert.meters.push_back(kAnna2);
         bert.name = "Anna-Bert";
         merger.SavePatient(bert);
       }},
      {"a patient left without a pair", [&](HistoryStore& h, ResultSink* server) {
         HistoryStore& merger = server ? *admin : h;
         int64_t gone = merger.PatientOf(kBert).id;
         merger.SavePatient(Patient{0, "Carl", std::nullopt, std::nullopt, {kAnna1, kAnna2, kBert}});
         // It is no longer there to be saved.
         EXPECT_THROW(merger.SavePatient(Patient{gone, "Bert again", std::nullopt, std::nullopt, {kBert}}),
                      std::exception);
       }},
      {"results removed", [&](HistoryStore& h, ResultSink* server) {
         std::vector<HistoryEntry> all = h.Read({});
         HistoryStore& remover = server ? *admin : h;
         EXPECT_EQ(remover.Delete({all[1].id, all[4].id}), 2);
       }},
  };
  const std::vector<Question> questions = {
      {"all", [](HistoryStore& h) { return Described(h.Read({})); }},
      {"one pair", [](HistoryStore& h) { return Described(h.Read({{kAnna1}, {}, {}})); }},
      {"two pairs over two days",
       [](HistoryStore& h) { return Described(h.Read({{kAnna1, kAnna2}, *EncodeDate(2024, 3, 11) + 0.7, *EncodeDate(2024, 3, 12)})); }},
      {"from a day", [](HistoryStore& h) { return Described(h.Read({{}, *EncodeDate(2024, 3, 12), {}})); }},
      {"to a day", [](HistoryStore& h) { return Described(h.Read({{}, {}, *EncodeDate(2024, 3, 10)})); }},
      {"patients", [](HistoryStore& h) { return Described(h.Patients()); }},
      {"patient of each pair",
       [](HistoryStore& h) {
         std::vector<std::string> out;
         for (const MeterPatient& m : {kAnna1, kAnna2, kBert, MeterPatient{"SN09", "1"}}) out.push_back(Described(h.PatientOf(m)));
         return out;
       }},
  };
  for (const ParityStep& step : steps) {
    SCOPED_TRACE(step.what);
    step.act(local, nullptr);
    step.act(*desk, desk.get());
    for (const auto& [question, ask] : questions) {
      SCOPED_TRACE(question);
      EXPECT_EQ(ask(*desk), ask(local));
    }
  }
  // Both held something at every step.
  EXPECT_EQ(local.Read({}).size(), 6u);
}

// The saving rules are the local ones.
TEST_F(ClinicParity, APatientThatCannotBeSavedIsRefusedAlike) {
  ASSERT_TRUE(opened);
  InitTables();
  auto desk = Desk();
  for (const Patient& p : {Patient{0, "No pair", {}, {}, {}}, Patient{0, std::string(51, 'x'), {}, {}, {kBert}},
                           Patient{0, "Upside down", {}, TenthsRange{30, 20}, {kBert}},
                           Patient{77, "Nobody's number", {}, {}, {kBert}}}) {
    std::string localError, serverError;
    try {
      local.SavePatient(p);
    } catch (const std::exception& e) {
      localError = e.what();
    }
    try {
      desk->SavePatient(p);
    } catch (const ClinicError& e) {
      serverError = e.what();
    }
    EXPECT_FALSE(localError.empty()) << p.name;
    EXPECT_EQ(serverError, localError);
  }
  EXPECT_EQ(server->Sql("SELECT count(*) FROM movra.patients"), "0");
}

}  // namespace
}  // namespace movra::test
