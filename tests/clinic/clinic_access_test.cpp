// Who may use the clinic's server: a connection refused for its password or the server's
// certificate says libpq's reason; a desk sees and adds the rows of its own site alone,
// whatever it sets by hand.
#include <gtest/gtest.h>

#include <ostream>

#include "clinic/pg_connection.h"
#include "clinic_fixture.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

struct ConnectCase {
  const char* what;
  bool tls;
  std::string params;   // the URL's libpq parameters; {ca} and {other-ca} name the CAs' files
  std::string host;
  const char* refused;  // part of the error, nullptr when the connection is made
  bool wrongPassword = false;
  bool serverStopped = false;
};
std::ostream& operator<<(std::ostream& os, const ConnectCase& c) { return os << c.what; }

class ClinicConnect : public ::testing::TestWithParam<ConnectCase> {
 protected:
  void SetUp() override { MOVRA_REQUIRE_POSTGRES(); }
};

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  if (auto at = s.find(from); at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST_P(ClinicConnect, RefusedWithLibpqsReason) {
  const ConnectCase& c = GetParam();
  PgServer server(c.tls);
  InitClinicDatabase({server.Url(server.superuser()), "", "it"});
  server.CreateLogin("desk", {"movra_workstation"});
  if (c.wrongPassword) server.Sql("ALTER ROLE desk PASSWORD 'not-what-the-desk-has'");
  if (c.serverStopped) server.Stop();
  std::string params = Replaced(Replaced(c.params, "{ca}", server.caFile()), "{other-ca}", server.otherCaFile());
  ClinicTarget target{server.Url("desk", params, c.host), "", "pc"};
  if (!c.refused) {
    auto desk = PgHistoryStore::Connect(target);
    EXPECT_EQ(desk->Keep({ClinicResult("SN01", "1", 2, 9, 2.5)}).created, 1);
    return;
  }
  try {
    PgHistoryStore::Connect(target);
    FAIL() << "connected";
  } catch (const ClinicError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("The clinic's database could not be reached: ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find(c.refused), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClinicConnect,
    ::testing::Values(
        ConnectCase{"the right password", false, "", "127.0.0.1", nullptr},
        ConnectCase{"a wrong password", false, "", "127.0.0.1", "password authentication failed for user \"desk\"", true},
        ConnectCase{"no server", false, "", "127.0.0.1", "Connection refused", false, true},
        ConnectCase{"the server's own CA", true, "sslmode=verify-full&sslrootcert={ca}", "localhost", nullptr},
        ConnectCase{"the server's own CA by address", true, "sslmode=verify-full&sslrootcert={ca}", "127.0.0.1", nullptr},
        ConnectCase{"another CA", true, "sslmode=verify-full&sslrootcert={other-ca}", "localhost",
                    "certificate verify failed"},
        ConnectCase{"TLS required of a server without it", false, "sslmode=require", "127.0.0.1",
                    "server does not support SSL"}),
    [](const auto& info) { return CaseName(info.param.what); });

// Two sites on one server: north's desk and south's.
class ClinicSites : public ClinicTest {
 protected:
  void SetUp() override {
    ClinicTest::SetUp();
    if (IsSkipped()) return;
    InitClinicDatabase(Target(server->superuser(), "north"));
    InitClinicDatabase(Target(server->superuser(), "south"));
    server->CreateLogin("desk_n", {"movra_workstation", "movra_site_north"});
    server->CreateLogin("desk_s", {"movra_workstation", "movra_site_south"});
    server->CreateLogin("desk", {"movra_workstation"});
    north = Desk("desk_n", "north");
    south = Desk("desk_s", "south");
    north->Keep(ClinicBatch(2, "SN01"));
    south->Keep(ClinicBatch(3, "SN02"));
    south->SavePatient(Patient{0, "Southern", std::nullopt, std::nullopt, {{"SN02", "345"}}});
  }
  std::unique_ptr<PgHistoryStore> north, south;
};

TEST_F(ClinicSites, EachDeskSeesItsOwnSite) {
  EXPECT_EQ(north->Read({}).size(), 2u);
  EXPECT_EQ(south->Read({}).size(), 3u);
  ASSERT_EQ(north->Patients().size(), 1u);
  EXPECT_EQ(north->Patients()[0].patient.name, "");
  EXPECT_EQ(south->Patients()[0].patient.name, "Southern");
  EXPECT_EQ(north->PatientOf({"SN02", "345"}).id, 0);
  // The same results at the other site are that site's own.
  EXPECT_EQ(north->Keep(ClinicBatch(3, "SN02")), (SinkOutcome{3, 0}));
  // The clinic without sites sees neither.
  EXPECT_TRUE(Desk("desk")->Read({}).empty());
}

TEST_F(ClinicSites, ADeskCannotConnectAsAnotherSite) {
  try {
    Desk("desk_n", "south");
    FAIL() << "north's desk connected as south";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("does not belong to the site \"south\""), std::string::npos) << e.what();
  }
}

// By hand, with its own login, a desk naming the other site in its session or its rows.
TEST_F(ClinicSites, ADeskCannotReadOrAddTheOtherSitesRowsByHand) {
  for (const char* sessionSite : {"north", "south"}) {
    SCOPED_TRACE(sessionSite);
    PgConnection conn(server->Url("desk_n"));
    conn.SetSession("movra.site", sessionSite);
    for (const char* table : {"results", "patients", "patient_meters"})
      EXPECT_EQ(conn.Exec(std::string("SELECT count(*) FROM movra.") + table + " WHERE site = 'south'").integer(0, 0), 0)
          << table;
    EXPECT_EQ(conn.Exec("UPDATE movra.patients SET full_name = 'taken' WHERE site = 'south'").affected(), 0);
    for (const char* insert :
         {"INSERT INTO movra.results (site, serial_number, patient_id, test_date, time_text, inr_text, sample_type, "
          "control_level) VALUES ('south', 'SN09', '1', 45000, '09:00', '2.5', 'Finger', '')",
          "INSERT INTO movra.patients (site, full_name) VALUES ('south', 'Intruder')",
          "INSERT INTO movra.patient_meters (site, serial_number, patient_id) VALUES ('south', 'SN09', '1')"}) {
      try {
        conn.Exec(insert);
        ADD_FAILURE() << insert << " was allowed";
      } catch (const PgError& e) {
        EXPECT_NE(std::string(e.what()).find("row-level security"), std::string::npos) << e.what();
      }
    }
  }
  EXPECT_EQ(server->Sql("SELECT count(*) FROM movra.results WHERE site = 'south'"), "3");
  EXPECT_EQ(server->Sql("SELECT string_agg(full_name, ',') FROM movra.patients"), "Southern");
}

}  // namespace
}  // namespace movra::test
