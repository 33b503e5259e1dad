#include "ui/result_data.h"

#include "data/data_module.h"

namespace movra {

namespace {
TDM* gDataModule = nullptr;
}  // namespace

void SetDataModule(TDM* dm) { gDataModule = dm; }
TDM* DataModule() { return gDataModule; }

RowSet* ResultList() { return gDataModule ? &gDataModule->qryCheckDataEntry : nullptr; }

int ResultRowCount() {
  RowSet* rs = ResultList();
  return rs && rs->active() ? rs->recordCount() : 0;
}

void SortResultList(const std::string& spec) {
  RowSet* rs = ResultList();
  if (rs && rs->active()) rs->setSort(spec);
}

}  // namespace movra
