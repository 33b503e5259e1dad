// movra-cli ports, download --port COM<n> and the whole download without --port: the
// USB-to-UART adapters under a device root, named as the window's port list names them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>

#include "program_folder.h"
#include "sim_process.h"

namespace movra::test {
namespace {

class CliPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(folder.setupError(), "");
    setenv("MOVRA_DEVICE_ROOT", root.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("MOVRA_DEVICE_ROOT"); }

  void Plug(SimProcess& sim, std::vector<std::string> args) {
    args.insert(args.end(), {"--device-root", root.path()});
    ASSERT_TRUE(sim.start(args)) << sim.lastError();
  }
  std::vector<std::string> Ports() {
    ProcessResult r = folder.run({"ports"}, 30000);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return Lines(r.out);
  }

  TempDir root;
  ProgramFolder folder{FolderParts{false, false}};
};

TEST_F(CliPorts, ListsTheUsbToUartAdaptersInPortOrderAndForgetsOneUnplugged) {
  EXPECT_EQ(Ports(), std::vector<std::string>{});

  // Plugged in out of port order, beside a serial adapter of another kind.
  SimProcess second, first, other;
  Plug(second, {"--usb-index", "3", "--product", "Second USB to UART Cable"});
  Plug(first, {"--usb-index", "0"});
  Plug(other, {"--usb-index", "1", "--product", "USB Serial Port"});
  EXPECT_EQ(Ports(), (std::vector<std::string>{"COM1\tCP2102 USB to UART Bridge Controller (COM1)",
                                               "COM4\tSecond USB to UART Cable (COM4)"}));

  first.unplug();
  ASSERT_EQ(first.waitForExit(10000), 0);
  EXPECT_EQ(Ports(), std::vector<std::string>{"COM4\tSecond USB to UART Cable (COM4)"});
}

TEST_F(CliPorts, DownloadByTheListedComNameReadsThatMeter) {
  SimProcess sim;
  Plug(sim, {"--usb-index", "4", "--records", SourceDir() + "/tests/cli/data/store_records.txt", "--serial",
             "MV20240001X", "--no-pace"});
  std::vector<std::string> ports = Ports();
  ASSERT_EQ(ports.size(), 1u);
  std::string comName = ports[0].substr(0, ports[0].find('\t'));
  EXPECT_EQ(comName, "COM5");

  ProcessResult r = folder.run({"download", "--port", comName, "--baud", "4800"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "SerialNumber: MV20240001X",
                              "12\tMV20240001X\t345\t2024-03-15\t03:15\tUS\tPM\tEC\tLevel 1\t2.5",
                              "13\tMV20240001X\t00\t2024-03-16\t14:05\tEUR\t\tDownloaded Sample\tLevel2(EC Only)\t7.5",
                              "14\tMV20240001X\t\t2024-03-17\t09:30\tUS\tAM\t \tUnknown\t0.699999988",
                              "0\tMV20240001X\t7\t2024-03-18\t23:59\tUS\t\tCS\tLevel 1\t12.5",
                              "Records: 4",
                          }));
  EXPECT_EQ(AckedNumbers(sim.journalLines()), (std::vector<std::string>{"12", "13", "14", "0"}));
}

// Without --port, the window's whole Download command: every listed port at 4800, then at
// 9600 the ports whose meter did not answer; each meter's records stored once, and the
// window's summary at the end.
struct WholeDownload {
  const char* name;
  std::vector<std::vector<std::string>> meters;  // simulator options of each adapter
  int exitCode;
  std::vector<std::string> stored;  // record number/serial number, in the order stored
  std::vector<std::string> err;
};

void PrintTo(const WholeDownload& w, std::ostream* os) { *os << w.name; }

class CliWholeDownload : public CliPorts, public ::testing::WithParamInterface<WholeDownload> {};

TEST_P(CliWholeDownload, ReadsEveryPortAtItsMetersSpeed) {
  const WholeDownload& w = GetParam();
  ProgramFolder stored;  // with a database
  ASSERT_EQ(stored.setupError(), "");
  std::vector<std::unique_ptr<SimProcess>> sims;
  for (const auto& args : w.meters) {
    sims.push_back(std::make_unique<SimProcess>());
    Plug(*sims.back(), args);
  }
  ProcessResult r = stored.run({"download", "--store"});
  EXPECT_EQ(r.exitCode, w.exitCode) << r.err;
  EXPECT_EQ(Lines(r.err), w.err);
  std::vector<std::string> rows;
  for (const StoredRow& row : stored.storedRows()) rows.push_back(row.recordNumber + "/" + row.serialNumber);
  EXPECT_EQ(rows, w.stored);
  // Each meter heard each of its records acknowledged once, at its own speed only.
  for (auto& sim : sims) {
    std::vector<std::string> acked = AckedNumbers(sim->journalLines());
    std::set<std::string> once(acked.begin(), acked.end());
    EXPECT_EQ(once.size(), acked.size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Meters, CliWholeDownload,
    ::testing::Values(
        WholeDownload{"A4800AndA9600Meter",
                      {{"--usb-index", "0", "--generate", "3", "--no-pace"},
                       {"--usb-index", "1", "--generate", "2", "--generation", "9600", "--serial", "PT00000009B",
                        "--no-pace"}},
                      0,
                      {"3/PT12345678A", "2/PT12345678A", "1/PT12345678A", "2/PT00000009B", "1/PT00000009B"},
                      {"movra-cli: reading COM1 at 4800 baud", "movra-cli: reading COM2 at 4800 baud",
                       "movra-cli: reading COM2 at 9600 baud", "Message: Finished transfering. Total records: 5! "}},
        WholeDownload{"NoAdapter", {}, 7, {}, {"Message: Meter is not ready! Please check the power and cable!"}},
        WholeDownload{"AnAdapterWithoutMeter",
                      {{"--usb-index", "0", "--silent"}},
                      7,
                      {},
                      {"movra-cli: reading COM1 at 4800 baud", "movra-cli: reading COM1 at 9600 baud",
                       "Message: Finished transfering. Total records: 0! "}}),
    [](const ::testing::TestParamInfo<WholeDownload>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace movra::test
