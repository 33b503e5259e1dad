// Movra's tables on the clinic's server: made once by init, in versions, one init at a time;
// a server whose tables are newer than this program is refused and left as it is.
#include <gtest/gtest.h>

#include <future>

#include "clinic_fixture.h"

namespace movra::test {
namespace {

using ClinicSchema = ClinicTest;

// What init may have written: the tables and roles, and when the version last changed.
std::string Footprint(PgServer& s) {
  std::string made = s.Sql(
      "SELECT coalesce(string_agg(c.relname, ',' ORDER BY c.relname), '') || ';' || "
      "(SELECT coalesce(string_agg(rolname, ',' ORDER BY rolname), '') FROM pg_roles WHERE rolname LIKE 'movra%') "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = 'movra'");
  if (s.Sql("SELECT to_regclass('movra.schema_version') IS NOT NULL") == "t")
    made += ";" + s.Sql("SELECT version || ' ' || upgraded FROM movra.schema_version");
  return made;
}

TEST_F(ClinicSchema, InitMakesTheTablesOnceAndASecondInitWritesNothing) {
  ClinicInitOutcome first = InitClinicDatabase(Target(server->superuser()));
  EXPECT_EQ(first.fromVersion, 0);
  EXPECT_EQ(first.toVersion, kClinicSchemaVersion);
  std::string after = Footprint(*server);
  ClinicInitOutcome second = InitClinicDatabase(Target(server->superuser()));
  EXPECT_EQ(second.fromVersion, kClinicSchemaVersion);
  EXPECT_EQ(second.toVersion, kClinicSchemaVersion);
  EXPECT_EQ(Footprint(*server), after);
  EXPECT_NE(after.find("movra_admin,movra_workstation"), std::string::npos) << after;
}

TEST_F(ClinicSchema, InitsAtTheSameTimeMakeTheTablesOnce) {
  auto init = [&] { return InitClinicDatabase(Target(server->superuser())); };
  std::vector<std::future<ClinicInitOutcome>> inits;
  for (int i = 0; i < 3; ++i) inits.push_back(std::async(std::launch::async, init));
  int fromNothing = 0;
  for (auto& f : inits) {
    ClinicInitOutcome o = f.get();  // none raises
    EXPECT_EQ(o.toVersion, kClinicSchemaVersion);
    fromNothing += o.fromVersion == 0;
  }
  EXPECT_EQ(fromNothing, 1);
}

TEST_F(ClinicSchema, InitMakesTheSiteRole) {
  InitClinicDatabase(Target(server->superuser(), "north_2"));
  EXPECT_EQ(server->Sql("SELECT count(*) FROM pg_roles WHERE rolname = 'movra_site_north_2' AND NOT rolcanlogin"), "1");
}

TEST_F(ClinicSchema, ANewerServerIsRefusedByInitAndConnectAndLeftAsItIs) {
  InitTables();
  server->Sql("UPDATE movra.schema_version SET version = version + 1");
  std::string before = Footprint(*server);
  for (auto attempt : {+[](const ClinicTarget& t) { InitClinicDatabase(t); },
                       +[](const ClinicTarget& t) { PgHistoryStore::Connect(t); }}) {
    try {
      attempt(Target(server->superuser(), "east"));
      ADD_FAILURE() << "a newer server was taken";
    } catch (const ClinicError& e) {
      EXPECT_NE(std::string(e.what()).find("newer version of Movra"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("version " + std::to_string(kClinicSchemaVersion + 1)), std::string::npos)
          << e.what();
    }
  }
  // Not even the site's role was made.
  EXPECT_EQ(Footprint(*server), before);
}

TEST_F(ClinicSchema, ConnectBeforeInitSaysToRunInit) {
  try {
    PgHistoryStore::Connect(Target(server->superuser()));
    FAIL() << "connected to a server without the tables";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("run movra-cli database init"), std::string::npos) << e.what();
  }
}

// Init needs a role that may make roles; one that may not leaves nothing half made.
TEST_F(ClinicSchema, InitByARoleThatMayNotMakeRolesLeavesNothing) {
  server->CreateLogin("owner");
  server->Sql("GRANT CREATE ON DATABASE movra TO owner");
  std::string before = Footprint(*server);
  try {
    InitClinicDatabase(Target("owner"));
    FAIL() << "init made the tables without the roles";
  } catch (const ClinicError& e) {
    EXPECT_NE(std::string(e.what()).find("could not be brought to version 1"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("permission denied to create role"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Footprint(*server), before);
  EXPECT_EQ(server->Sql("SELECT count(*) FROM pg_namespace WHERE nspname = 'movra'"), "0");
}

}  // namespace
}  // namespace movra::test
