#include "clinic_fixture.h"

#include "history_fixture.h"

namespace movra::test {

InrResult ClinicResult(const std::string& serial, const std::string& patient, int day, int hour, double inr,
                       const std::string& sampleType) {
  return MeterResult(serial, patient, day, hour, inr, std::to_string(day), sampleType);
}

std::vector<InrResult> ClinicBatch(int count, const std::string& serial, const std::string& patient) {
  std::vector<InrResult> out;
  // Distinct for up to 336 results: 28 days, 12 hours each.
  for (int i = 0; i < count; ++i) {
    out.push_back(ClinicResult(serial, patient, 1 + i % 28, 8 + i / 28 % 12, 2.0 + (i % 20) / 10.0));
  }
  return out;
}

std::string KeyOf(const InrResult& r) {
  return r.serialNumber + "/" + r.patientId + " " + r.dateText + " " + r.timeText + " " + r.inrText + " " +
         r.sampleType;
}

std::vector<std::string> KeysOf(const std::vector<HistoryEntry>& entries) {
  std::vector<std::string> keys;
  for (const HistoryEntry& e : entries) keys.push_back(KeyOf(e.result));
  return keys;
}

void ClinicTest::SetUp() {
  MOVRA_REQUIRE_POSTGRES();
  server = std::make_unique<PgServer>();
}

void ClinicTest::InitTables(const std::string& site) {
  InitClinicDatabase(Target(server->superuser(), site));
  server->CreateLogin("desk", {"movra_workstation"});
  server->CreateLogin("admin", {"movra_admin"});
}

ClinicTarget ClinicTest::Target(const std::string& user, const std::string& site, const std::string& params) const {
  return ClinicTarget{server->Url(user, params), site, "desk-pc-" + user};
}

std::unique_ptr<PgHistoryStore> ClinicTest::Desk(const std::string& user, const std::string& site) {
  return PgHistoryStore::Connect(Target(user, site));
}

int ClinicTest::Count(const std::string& sqlCondition) {
  return std::stoi(server->Sql("SELECT count(*) FROM movra.results WHERE " + sqlCondition));
}

}  // namespace movra::test
