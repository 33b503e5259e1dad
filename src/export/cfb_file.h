// A compound file (the container of an .xls workbook): a small file system of named
// streams in 512-byte sectors. Parse reads one into memory with every stream's bytes;
// Serialize writes it fresh. Entries keep their order, so the directory tree of a parsed
// file stays valid when only stream contents change.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace movra {

constexpr uint32_t kCfbNoStream = 0xFFFFFFFF;

enum CfbEntryType : uint8_t { kCfbUnused = 0, kCfbStorage = 1, kCfbStream = 2, kCfbRoot = 5 };

struct CfbEntry {
  std::u16string name;  // without the terminating zero
  uint8_t type = kCfbUnused;
  uint8_t color = 1;  // 0 red, 1 black
  uint32_t left = kCfbNoStream;
  uint32_t right = kCfbNoStream;
  uint32_t child = kCfbNoStream;
  std::array<uint8_t, 16> clsid{};
  uint32_t stateBits = 0;
  std::array<uint8_t, 16> times{};  // creation and modification time
  std::string data;                 // a stream's bytes
};

class CompoundFile {
 public:
  // Reads a whole compound file. Throws XlsError naming the fault for anything that is not
  // a sound compound file (wrong signature, sector chains that loop or leave the file, a
  // truncated file, a broken directory); never reads outside `bytes`.
  static CompoundFile Parse(std::string_view bytes);
  // A new file holding these streams directly under the root storage.
  static CompoundFile WithStreams(const std::vector<std::pair<std::u16string, std::string>>& streams,
                                  const std::array<uint8_t, 16>& rootClsid);

  // The bytes of the file: version 3, 512-byte sectors, streams under 4096 bytes in the
  // mini stream as the format requires.
  std::string Serialize() const;

  // The index of a stream or storage directly under the root storage, names compared
  // without regard to case as the format does; -1 when there is none.
  int FindInRoot(std::u16string_view name) const;

  std::vector<CfbEntry>& entries() { return entries_; }
  const std::vector<CfbEntry>& entries() const { return entries_; }

 private:
  std::vector<CfbEntry> entries_;  // entry 0 is the root storage
};

// The directory's order of names: shorter first, then by upper-cased units.
int CompareCfbNames(std::u16string_view a, std::u16string_view b);

}  // namespace movra
