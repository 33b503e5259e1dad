// Reads a workbook with libfreexl, an independent reader, into plain text cells.
#pragma once
#include <string>
#include <vector>

namespace movra::test {

struct FreexlSheet {
  std::string name;
  std::vector<std::vector<std::string>> rows;  // every cell as text; empty cells as ""
};

// The sheets of the workbook; fails the test (and returns nothing) when freexl cannot
// read it.
std::vector<FreexlSheet> ReadWithFreexl(const std::string& path);
const FreexlSheet* FindSheet(const std::vector<FreexlSheet>& sheets, const std::string& name);

}  // namespace movra::test
