// A private server with Movra's tables, the desks' login roles, and small result batches.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "clinic/clinic_schema.h"
#include "clinic/pg_history_store.h"
#include "pg_server.h"

namespace movra::test {

// A result of meter `serial`, patient `patient`, on day `day` of March 2024 at hh:30.
InrResult ClinicResult(const std::string& serial, const std::string& patient, int day, int hour, double inr,
                       const std::string& sampleType = "Finger");
// `count` results of one meter and patient, a day apart.
std::vector<InrResult> ClinicBatch(int count, const std::string& serial = "SN01", const std::string& patient = "345");

// "SN01/345 2024-03-10 08:30 2.4 Finger": what a read result is compared by.
std::string KeyOf(const InrResult& r);
std::vector<std::string> KeysOf(const std::vector<HistoryEntry>& entries);

class ClinicTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Movra's tables in place (init as clinic IT), and the logins desk (movra_workstation)
  // and admin (movra_admin), with no site.
  void InitTables(const std::string& site = "");
  ClinicTarget Target(const std::string& user, const std::string& site = "", const std::string& params = "") const;
  std::unique_ptr<PgHistoryStore> Desk(const std::string& user = "desk", const std::string& site = "");
  int Count(const std::string& sqlCondition = "true");

  std::unique_ptr<PgServer> server;
};

}  // namespace movra::test
