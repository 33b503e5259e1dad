// The process-wide operator record: filled from the settings row (System_Info) and from
// a posted Patient_info row.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

struct TOperator {
  int32_t PatientID = 0;
  int32_t TargetHi = 0;
  int32_t TargetLo = 0;
  int32_t TargetHypo = 0;
  int32_t LastUser = 0;
  std::string AdminPassword;
};

extern TOperator Operator;

}  // namespace movra
