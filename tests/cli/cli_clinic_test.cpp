// movra-cli with the clinic's shared database on a private PostgreSQL server: desks that
// download at once keep every result once; a server that goes away mid-download gets the
// queue afterwards, once; a server that refuses the desk stores nothing, and the desk's own
// list and history still hold every record.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <set>

#include "pg_server.h"
#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The value of "Name TAB value" among the lines, "" when absent.
std::string Field(const std::string& out, const std::string& name) {
  for (const std::string& line : Lines(out))
    if (line.rfind(name + "\t", 0) == 0) return line.substr(name.size() + 1);
  return {};
}

class CliClinic : public ::testing::Test {
 protected:
  void SetUp() override {
    MOVRA_REQUIRE_POSTGRES();
    server = std::make_unique<PgServer>();
    ASSERT_EQ(setup.setupError(), "");
    ProcessResult init = setup.run({"database", "init", "--database", server->Url(server->superuser())});
    ASSERT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(Field(init.out, "Schema"), "0\t" + std::to_string(kServerVersion)) << init.out;
    server->CreateLogin("desk", {"movra_workstation"});
  }
  std::string DeskUrl(const std::string& params = "") const { return server->Url("desk", params); }
  int ServerResults() { return std::stoi(server->Sql("SELECT count(*) FROM movra.results")); }
  // A meter on its own pseudo-terminal; the same serial and count make the same meter.
  void Plug(SimProcess& sim, const std::string& serial, int records, bool paced = false) {
    std::vector<std::string> args{"--generate", std::to_string(records), "--serial", serial};
    if (!paced) args.push_back("--no-pace");
    ASSERT_TRUE(sim.start(args)) << sim.lastError();
  }
  ProcessResult Download(const ProgramFolder& desk, const SimProcess& sim, const std::string& url) const {
    return desk.run({"download", "--port", sim.devicePath(), "--store", "--clear", "--database", url}, 120000);
  }

  static constexpr int kServerVersion = 1;
  std::unique_ptr<PgServer> server;
  ProgramFolder setup;
};

TEST_F(CliClinic, FourDesksDownloadingAtOnceKeepEveryResultOnce) {
  // Desks 3 and 4 read the same meter (its results twice over the clinic).
  const std::vector<std::pair<std::string, int>> meters = {
      {"MV20240101A", 40}, {"MV20240102A", 35}, {"MV20240103A", 30}, {"MV20240103A", 30}};
  std::vector<std::unique_ptr<SimProcess>> sims;
  std::vector<std::unique_ptr<ProgramFolder>> desks;
  for (const auto& [serial, count] : meters) {
    sims.push_back(std::make_unique<SimProcess>());
    Plug(*sims.back(), serial, count);
    desks.push_back(std::make_unique<ProgramFolder>());
    ASSERT_EQ(desks.back()->setupError(), "");
  }
  std::vector<std::future<ProcessResult>> runs;
  for (size_t i = 0; i < desks.size(); ++i)
    runs.push_back(std::async(std::launch::async, [&, i] { return Download(*desks[i], *sims[i], DeskUrl()); }));
  for (auto& run : runs) {
    ProcessResult r = run.get();
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }
  // Every desk still has its own list; the server each result once: 40 + 35 + 30.
  for (size_t i = 0; i < desks.size(); ++i) EXPECT_EQ(desks[i]->storedRows().size(), size_t(meters[i].second));
  EXPECT_EQ(ServerResults(), 105);
  ProcessResult history = desks[0]->run({"history", "--database", DeskUrl()});
  ASSERT_EQ(history.exitCode, 0) << history.err;
  std::vector<std::string> lines = Lines(history.out);
  EXPECT_EQ(lines.size(), 105u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size());
  for (const char* serial : {"MV20240101A", "MV20240102A", "MV20240103A"})
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(serial, 0) == 0; }))
        << serial;
  // Which desk kept a result, and when it reached the server, is recorded with it.
  EXPECT_EQ(server->Sql("SELECT count(*) FROM movra.results WHERE workstation = '' OR received IS NULL"), "0");
}

TEST_F(CliClinic, ServerStoppedMidDownloadGetsTheQueueOnceAfterwards) {
  SimProcess sim;
  Plug(sim, "MV20240201A", 24, true);
  ProgramFolder desk;
  ASSERT_EQ(desk.setupError(), "");
  auto run = std::async(std::launch::async, [&] { return Download(desk, sim, DeskUrl()); });
  ASSERT_TRUE(sim.waitForJournal([](const SimProcess::Lines& j) {
    return std::count_if(j.begin(), j.end(), [](const std::string& l) { return l.rfind("ack ", 0) == 0; }) >= 5;
  }, 30000));
  server->Stop();
  ProcessResult away = run.get();
  // Stored here, told once with libpq's reason, and waiting.
  EXPECT_EQ(away.exitCode, 9) << away.err;
  EXPECT_EQ(desk.storedRows().size(), 24u);
  EXPECT_NE(away.err.find("Waiting here: 24"), std::string::npos) << away.err;
  EXPECT_NE(away.err.find("could not be reached"), std::string::npos) << away.err;

  // With the server away, the history is this PC's, and the command says so.
  ProcessResult local = desk.run({"history", "--database", DeskUrl()});
  EXPECT_EQ(local.exitCode, 0) << local.err;
  EXPECT_EQ(Lines(local.out).size(), 24u);
  EXPECT_NE(local.err.find("Only this PC's history"), std::string::npos) << local.err;

  server->Start();
  ProcessResult sync = desk.run({"database", "sync", "--database", DeskUrl()});
  ASSERT_EQ(sync.exitCode, 0) << sync.err;
  EXPECT_EQ(Field(sync.out, "Sent"), "24");
  EXPECT_EQ(Field(sync.out, "Waiting"), "0");
  ProcessResult again = desk.run({"database", "sync", "--database", DeskUrl()});
  EXPECT_EQ(Field(again.out, "Sent"), "0") << again.out;
  EXPECT_EQ(ServerResults(), 24);
  ProcessResult history = desk.run({"history", "--database", DeskUrl()});
  EXPECT_EQ(Sorted(Lines(history.out)), Sorted(Lines(local.out)));
  EXPECT_EQ(history.err.find("Only this PC's history"), std::string::npos) << history.err;
}

TEST_F(CliClinic, CopyUploadsThisPcsHistoryOnce) {
  // Downloaded before the clinic had a server: nothing waits, copy brings it.
  SimProcess sim;
  Plug(sim, "MV20240301A", 20);
  ProgramFolder desk;
  ASSERT_EQ(desk.setupError(), "");
  ProcessResult download = desk.run({"download", "--port", sim.devicePath(), "--store", "--clear"});
  ASSERT_EQ(download.exitCode, 0) << download.err;
  ProcessResult copy = desk.run({"database", "copy", "--to", DeskUrl()});
  ASSERT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(Field(copy.out, "Created"), "20");
  ProcessResult again = desk.run({"database", "copy", "--to", DeskUrl()});
  EXPECT_EQ(Field(again.out, "Sent"), "0") << again.out;
  EXPECT_EQ(ServerResults(), 20);
}

// A server that refuses the desk: the download is stored here all the same, the reason is
// told, nothing reaches the server, and the results wait.
TEST_F(CliClinic, RefusedDesksStoreHereAndNothingThere) {
  const struct {
    const char* name;
    std::string url;
    std::string setUp;  // SQL run before, undone after
    std::string undo;
    const char* reason;
  } cases[] = {
      {"wrong password", DeskUrl("password=not-the-one"), "", "", "password authentication failed"},
      {"unknown database", server->Url("desk").substr(0, server->Url("desk").rfind('/')) + "/nosuchdb", "", "",
       "nosuchdb"},
      {"newer schema", DeskUrl(), "UPDATE movra.schema_version SET version = version + 1",
       "UPDATE movra.schema_version SET version = version - 1", "newer"},
  };
  int meter = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.setUp.empty()) server->Sql(c.setUp);
    SimProcess sim;
    Plug(sim, "MV2024040" + std::to_string(++meter) + "A", 6);
    ProgramFolder desk;
    ASSERT_EQ(desk.setupError(), "");
    ProcessResult r = Download(desk, sim, c.url);
    EXPECT_EQ(r.exitCode, 9) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Waiting here: 6"), std::string::npos) << r.err;
    EXPECT_EQ(desk.storedRows().size(), 6u);
    ProcessResult local = desk.run({"history"});
    EXPECT_EQ(Lines(local.out).size(), 6u) << local.err;
    if (!c.undo.empty()) server->Sql(c.undo);
  }
  EXPECT_EQ(ServerResults(), 0);
}

}  // namespace
}  // namespace movra::test
