// The shared string table (SST): every text of a LABELSST cell, once. Strings may carry
// formatting runs and phonetic data, which are kept as they are. In the file the table is
// an SST record followed by CONTINUE records, with strings split across them; EXTSST
// follows with the stream positions of every few strings.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace movra {

struct SstString {
  std::u16string text;
  std::string runs;      // formatting runs, 4 bytes each
  std::string phonetic;  // phonetic block (ExtRst) as stored
};

class SharedStrings {
 public:
  // Reads the table from the bodies of the SST record and its CONTINUE records. Throws
  // XlsError when a string runs past the data.
  void Parse(const std::vector<std::string_view>& bodies);

  // The index of a plain string with this text, added when there is none yet. `uses`
  // counts the cells that refer to the table.
  uint32_t Add(std::u16string_view text);
  size_t size() const { return strings_.size(); }
  const SstString& at(size_t i) const { return strings_[i]; }
  uint32_t uses() const { return uses_; }
  void AddUses(int64_t delta);

  // Appends SST with its CONTINUE records and then EXTSST; `base` is the stream position
  // at which `out` begins, for EXTSST's absolute positions.
  void Write(std::string& out, uint64_t base) const;

 private:
  std::vector<SstString> strings_;
  std::unordered_map<std::u16string, uint32_t> plainIndex_;
  uint32_t uses_ = 0;
};

}  // namespace movra
