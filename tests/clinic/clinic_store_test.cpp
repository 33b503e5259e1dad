// Results kept on the clinic's server: each once by its identity whoever sends it and how
// often, all of a batch or nothing, the desk's name and the time recorded; removing them is
// the administrators' alone; a server that went away and came back is used again.
#include <gtest/gtest.h>

#include <future>

#include "clinic/pg_connection.h"
#include "clinic_fixture.h"

namespace movra::test {
namespace {

class ClinicStore : public ClinicTest {
 protected:
  void SetUp() override {
    ClinicTest::SetUp();
    if (IsSkipped()) return;
    InitTables();
  }
};

TEST_F(ClinicStore, KeepingTheSameResultsTwiceKeepsThemOnce) {
  auto desk = Desk();
  std::vector<InrResult> batch = ClinicBatch(3);
  EXPECT_EQ(desk->Keep(batch), (SinkOutcome{3, 0}));
  // The next download brings two of them again and one new result.
  std::vector<InrResult> again = {batch[1], batch[2], ClinicResult("SN01", "345", 20, 9, 3.1)};
  EXPECT_EQ(desk->Keep(again), (SinkOutcome{1, 2}));
  EXPECT_EQ(Count(), 4);
  EXPECT_EQ(Count("workstation = 'desk-pc-desk' AND received > now() - interval '1 hour'"), 4);
  EXPECT_EQ(desk->Keep({}), (SinkOutcome{0, 0}));
}

// Two meters read at two desks at the same moment, or a send repeated after a cut.
TEST_F(ClinicStore, TwoDesksKeepingTheSameBatchAtOnceKeepItOnce) {
  std::vector<InrResult> batch = ClinicBatch(255);
  auto first = Desk(), second = Desk();
  auto a = std::async(std::launch::async, [&] { return first->Keep(batch); });
  auto b = std::async(std::launch::async, [&] { return second->Keep(batch); });
  SinkOutcome x = a.get(), y = b.get();
  EXPECT_EQ(x.created + y.created, 255);
  EXPECT_EQ(x.alreadyThere + y.alreadyThere, 255);
  EXPECT_EQ(Count(), 255);
}

// A batch longer than one statement takes is still one transaction.
TEST_F(ClinicStore, ABatchIsKeptWholeOrNotAtAll) {
  std::vector<InrResult> batch;
  for (const char* meter : {"SN01", "SN02", "SN03", "SN04"})
    for (InrResult& r : ClinicBatch(300, meter)) batch.push_back(r);
  auto desk = Desk();
  batch[1100].serialNumber = std::string("SN\xff", 3);  // no UTF-8: the server refuses this row
  EXPECT_THROW(desk->Keep(batch), ClinicError);
  EXPECT_EQ(Count(), 0);
  batch[1100].serialNumber = "SN04";
  EXPECT_EQ(desk->Keep(batch), (SinkOutcome{1200, 0}));
  EXPECT_EQ(Count(), 1200);
}

TEST_F(ClinicStore, TheServerGoneInTheMiddleAndBack) {
  auto desk = Desk();
  ASSERT_EQ(desk->Keep(ClinicBatch(2)).created, 2);
  server->Stop();
  try {
    desk->Keep(ClinicBatch(5));
    FAIL() << "kept on a stopped server";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("The clinic's database could not be reached"), std::string::npos) << e.what();
  }
  EXPECT_THROW(desk->Read({}), ClinicError);
  server->Start();
  EXPECT_EQ(desk->Keep(ClinicBatch(5)), (SinkOutcome{3, 2}));
  EXPECT_EQ(desk->Read({}).size(), 5u);
}

TEST_F(ClinicStore, AnAdministratorMarksResultsDeletedAndADeskMayNot) {
  auto desk = Desk();
  desk->Keep(ClinicBatch(3));
  std::vector<HistoryEntry> kept = desk->Read({});
  ASSERT_EQ(kept.size(), 3u);
  try {
    desk->Delete({kept[0].id});
    FAIL() << "a desk removed a result";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("Only the clinic's administrators"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("permission denied"), std::string::npos) << e.what();
  }
  auto admin = Desk("admin");
  EXPECT_EQ(admin->Delete({kept[0].id, kept[0].id, 9999}), 1);
  EXPECT_EQ(admin->Delete({kept[0].id}), 0);
  // A deleted result sent again stays deleted, as on a desk.
  EXPECT_EQ(desk->Keep(ClinicBatch(3)), (SinkOutcome{0, 3}));
  EXPECT_EQ(KeysOf(desk->Read({})), KeysOf({kept[1], kept[2]}));
}

// A desk names patients and links a replaced meter's patient ID nobody has; giving one
// patient's pair to another merges them, which only an administrator may.
TEST_F(ClinicStore, ADeskMayNotMergePatientsAnAdministratorMay) {
  auto desk = Desk(), admin = Desk("admin");
  const MeterPatient anna{"SN01", "345"}, bert{"SN02", "7"}, annasNewMeter{"SN03", "1"};
  const int64_t annaId = desk->SavePatient(Patient{0, "Anna", std::nullopt, std::nullopt, {anna}});
  const int64_t bertId = desk->SavePatient(Patient{0, "Bert", std::nullopt, std::nullopt, {bert}});
  EXPECT_EQ(desk->SavePatient(Patient{annaId, "Anna", std::nullopt, std::nullopt, {anna, annasNewMeter}}), annaId);
  try {
    desk->SavePatient(Patient{bertId, "Bert", std::nullopt, std::nullopt, {bert, anna}});
    FAIL() << "a desk merged two patients";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("may merge patients"), std::string::npos) << e.what();
  }
  // Nothing of the refused save was kept.
  EXPECT_EQ(desk->PatientOf(anna).id, annaId);
  EXPECT_EQ(desk->PatientOf(bert).meters, std::vector<MeterPatient>{bert});
  EXPECT_EQ(admin->SavePatient(Patient{bertId, "Bert", std::nullopt, std::nullopt, {bert, anna}}), bertId);
  EXPECT_EQ(desk->PatientOf(anna).id, bertId);
  EXPECT_EQ(desk->PatientOf(annasNewMeter).id, annaId);
}

// Whatever a desk's login tries by hand, a result once on the server stays as it is.
TEST_F(ClinicStore, ADeskCannotChangeOrEraseResults) {
  Desk()->Keep(ClinicBatch(1));
  PgConnection conn(server->Url("desk"));
  for (const char* sql : {"UPDATE movra.results SET inr = 9", "UPDATE movra.results SET deleted = true",
                          "DELETE FROM movra.results", "TRUNCATE movra.results"}) {
    try {
      conn.Exec(sql);
      ADD_FAILURE() << sql << " was allowed";
    } catch (const PgError& e) {
      EXPECT_EQ(e.sqlState(), kSqlInsufficientPrivilege) << sql;
      EXPECT_NE(std::string(e.what()).find("permission denied for table results"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Count("inr = 2 AND NOT deleted"), 1);
}

// The program's own connection settings give way to the URL's.
TEST_F(ClinicStore, TheConnectionIsMovrasUnlessTheUrlSaysOtherwise) {
  for (auto [params, name] : {std::pair{"", "Movra"}, std::pair{"application_name=Ward%203", "Ward 3"}}) {
    PgConnection conn(server->Url("desk", params));
    EXPECT_EQ(conn.Exec("SELECT current_setting('application_name')").text(0, 0), name);
    EXPECT_EQ(conn.Exec("SELECT current_setting('client_encoding')").text(0, 0), "UTF8");
  }
}

// A server set to print numbers short still gives each result back as it was kept.
TEST_F(ClinicStore, TimesAndValuesComeBackExactlyWhateverTheServersNumberFormat) {
  server->Sql("ALTER DATABASE movra SET extra_float_digits = 0");
  std::vector<InrResult> batch = {ClinicResult("SN01", "345", 10, 8, 2.4), ClinicResult("SN01", "345", 11, 23, 1.1)};
  batch[1].date += 59.0 / 86400;  // a second before the next minute
  auto desk = Desk();
  desk->Keep(batch);
  std::vector<HistoryEntry> read = desk->Read({});
  ASSERT_EQ(read.size(), 2u);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].result.date, batch[i].date);
    EXPECT_EQ(read[i].result.inr, batch[i].inr);
  }
  // Sent again as read, they are the same results.
  EXPECT_EQ(desk->Keep({read[0].result, read[1].result}), (SinkOutcome{0, 2}));
}

// Clinic IT made the login but granted it none of Movra's roles.
TEST_F(ClinicStore, ALoginWithoutMovrasRolesIsToldWhichToGrant) {
  server->CreateLogin("newcomer");
  try {
    Desk("newcomer");
    FAIL() << "connected without a role";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("\"newcomer\" may not use Movra's tables"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("movra_workstation"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace movra::test
