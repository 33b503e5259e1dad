// The data module of the running program and its result list, as the window reaches them.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

class RowSet;
class TDM;

// The data module of the running program (start-up sets it; null in a window made alone).
void SetDataModule(TDM* dm);
TDM* DataModule();

// qryCheckDataEntry of the data module, or null.
RowSet* ResultList();
int ResultRowCount();
void SortResultList(const std::string& spec);

}  // namespace movra
