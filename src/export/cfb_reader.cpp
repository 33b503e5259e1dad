// Reading a compound file. Every sector number, chain and size comes from the file and is
// checked before use: a chain that comes back to a sector it passed is an error, not an
// endless walk, and no stream can be larger than the file that holds it.
#include <cstring>
#include <vector>

#include "export/cfb_file.h"
#include "export/xls_bytes.h"
#include "export/xls_error.h"

namespace movra {

namespace {

constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kDirEntrySize = 128;
const char kSignature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

[[noreturn]] void Damaged(const std::string& why) { throw XlsError("The workbook file is damaged: " + why + "."); }

class CfbReader {
 public:
  explicit CfbReader(std::string_view file) : file_(file) {}

  CompoundFile Read() {
    ReadHeader();
    ReadFat();
    ReadDirectory();
    ReadMiniStream();
    CompoundFile cf;
    cf.entries() = ReadStreams();
    return cf;
  }

 private:
  std::string_view file_;
  uint32_t sectorSize_ = 512;
  uint64_t sectorCount_ = 0;  // sectors after the header, the last one possibly partial
  uint32_t fatSectors_ = 0, firstDir_ = 0, cutoff_ = 4096, firstMiniFat_ = 0;
  uint32_t firstDifat_ = 0, difatSectors_ = 0;
  bool version3_ = true;
  std::vector<uint32_t> fat_, miniFat_;
  // The chain that last passed each sector: a chain that comes back to a sector loops.
  mutable std::vector<uint32_t> visited_, miniVisited_;
  mutable uint32_t chains_ = 0;
  std::vector<CfbEntry> entries_;
  std::string miniStream_;

  void ReadHeader() {
    if (file_.size() < 512 || std::memcmp(file_.data(), kSignature, 8) != 0)
      throw XlsError("The file is not an Excel 97-2003 workbook.");
    uint16_t major = GetLe16(file_, 26);
    uint16_t byteOrder = GetLe16(file_, 28);
    uint16_t sectorShift = GetLe16(file_, 30);
    uint16_t miniShift = GetLe16(file_, 32);
    if (byteOrder != 0xFFFE) Damaged("wrong byte order mark");
    if (major == 3 && sectorShift == 9) {
      sectorSize_ = 512;
    } else if (major == 4 && sectorShift == 12) {
      sectorSize_ = 4096;
      version3_ = false;
    } else {
      throw XlsError("The workbook file uses a container version this program cannot read.");
    }
    if (miniShift != 6) Damaged("wrong mini sector size");
    if (file_.size() < sectorSize_) Damaged("the file is truncated");
    sectorCount_ = (file_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    fatSectors_ = GetLe32(file_, 44);
    firstDir_ = GetLe32(file_, 48);
    cutoff_ = GetLe32(file_, 56);
    firstMiniFat_ = GetLe32(file_, 60);
    firstDifat_ = GetLe32(file_, 68);
    difatSectors_ = GetLe32(file_, 72);
    if (cutoff_ != 4096) Damaged("wrong mini stream cutoff");
    if (fatSectors_ == 0 || fatSectors_ > sectorCount_) Damaged("wrong number of allocation table sectors");
  }

  // The bytes of sector `id`, which must lie wholly inside the file.
  std::string_view Sector(uint32_t id, const char* what) const {
    if (id > kMaxRegularSector) Damaged(std::string("a sector number of the ") + what + " is out of range");
    if (id >= sectorCount_) Damaged("the file is truncated");
    uint64_t at = (static_cast<uint64_t>(id) + 1) * sectorSize_;
    if (at + sectorSize_ > file_.size()) Damaged("the file is truncated");
    return file_.substr(at, sectorSize_);
  }

  void ReadFat() {
    std::vector<uint32_t> fatIds;
    fatIds.reserve(fatSectors_);
    for (uint32_t i = 0; i < 109 && fatIds.size() < fatSectors_; ++i) fatIds.push_back(GetLe32(file_, 76 + 4 * i));
    uint32_t difat = firstDifat_;
    uint64_t steps = 0;
    const uint32_t perDifat = sectorSize_ / 4 - 1;
    while (fatIds.size() < fatSectors_) {
      if (difat == kEndOfChain || steps >= difatSectors_) Damaged("the allocation table list ends early");
      if (++steps > sectorCount_) Damaged("the allocation table list loops");
      std::string_view s = Sector(difat, "allocation table list");
      for (uint32_t i = 0; i < perDifat && fatIds.size() < fatSectors_; ++i) fatIds.push_back(GetLe32(s, 4 * i));
      difat = GetLe32(s, 4 * perDifat);
    }
    const uint32_t perSector = sectorSize_ / 4;
    fat_.reserve(static_cast<size_t>(fatSectors_) * perSector);
    for (uint32_t id : fatIds) {
      std::string_view s = Sector(id, "allocation table");
      for (uint32_t i = 0; i < perSector; ++i) fat_.push_back(GetLe32(s, 4 * i));
    }
    visited_.assign(std::min<uint64_t>(fat_.size(), sectorCount_), 0);
  }

  // Follows a chain of regular sectors. With `size` it reads exactly that many bytes (a
  // chain that ends early is damage); without, the whole chain.
  std::string Chain(uint32_t start, const char* what, bool sized, uint64_t size = 0) const {
    if (sized && size > sectorCount_ * sectorSize_) Damaged(std::string("the size of the ") + what + " exceeds the file");
    std::string out;
    if (sized) out.reserve(size);
    uint32_t id = start;
    const uint32_t chain = ++chains_;
    while (sized ? out.size() < size : id != kEndOfChain) {
      if (id == kEndOfChain) Damaged(std::string("the ") + what + " ends early");
      if (id >= fat_.size()) Damaged(std::string("a sector number of the ") + what + " is out of range");
      if (id >= sectorCount_) Damaged("the file is truncated");
      if (visited_[id] == chain) Damaged(std::string("the sector chain of the ") + what + " loops");
      visited_[id] = chain;
      uint64_t at = (static_cast<uint64_t>(id) + 1) * sectorSize_;
      uint64_t take = sized ? std::min<uint64_t>(sectorSize_, size - out.size()) : sectorSize_;
      if (at + take > file_.size()) Damaged("the file is truncated");
      out.append(file_.data() + at, take);
      id = fat_[id];
    }
    return out;
  }

  void ReadDirectory() {
    rawDir_ = Chain(firstDir_, "directory", false);
    const std::string& dir = rawDir_;
    size_t count = dir.size() / kDirEntrySize;
    if (count == 0) Damaged("the directory is empty");
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      std::string_view e = std::string_view(dir).substr(i * kDirEntrySize, kDirEntrySize);
      CfbEntry& out = entries_[i];
      out.type = static_cast<uint8_t>(e[66]);
      if (out.type == kCfbUnused) continue;
      if (out.type != kCfbStorage && out.type != kCfbStream && out.type != kCfbRoot) Damaged("a directory entry has an unknown type");
      uint16_t nameBytes = GetLe16(e, 64);
      if (nameBytes > 64 || nameBytes % 2 != 0) Damaged("a directory entry has a wrong name length");
      for (size_t k = 0; k + 1 < nameBytes / 2u; ++k) out.name += static_cast<char16_t>(GetLe16(e, 2 * k));
      out.color = static_cast<uint8_t>(e[67]) ? 1 : 0;
      out.left = GetLe32(e, 68);
      out.right = GetLe32(e, 72);
      out.child = GetLe32(e, 76);
      std::memcpy(out.clsid.data(), e.data() + 80, 16);
      out.stateBits = GetLe32(e, 96);
      std::memcpy(out.times.data(), e.data() + 100, 16);
    }
    if (entries_[0].type != kCfbRoot) Damaged("the directory has no root entry");
  }

  uint64_t StreamSize(size_t i) const {
    // Old writers leave garbage in the upper half of the size in version 3 files.
    uint64_t size = DirField64(i, 120);
    return version3_ ? (size & 0xFFFFFFFF) : size;
  }
  uint32_t StartSector(size_t i) const { return DirField32(i, 116); }

  // Fields not kept in CfbEntry are read again from the raw directory.
  std::string rawDir_;
  uint32_t DirField32(size_t i, size_t at) const { return GetLe32(rawDir_, i * kDirEntrySize + at); }
  uint64_t DirField64(size_t i, size_t at) const { return GetLe64(rawDir_, i * kDirEntrySize + at); }

  void ReadMiniStream() {
    miniStream_ = Chain(StartSector(0), "mini stream", true, StreamSize(0));
    // Writers mark a missing mini allocation table either way.
    if (firstMiniFat_ == kEndOfChain || firstMiniFat_ == kCfbNoStream) return;
    std::string mf = Chain(firstMiniFat_, "mini allocation table", false);
    miniFat_.resize(mf.size() / 4);
    for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = GetLe32(mf, 4 * i);
    miniVisited_.assign(std::min<uint64_t>(miniFat_.size(), (miniStream_.size() + kMiniSectorSize - 1) / kMiniSectorSize), 0);
  }

  std::string MiniChain(uint32_t start, uint64_t size) const {
    uint64_t miniSectors = (miniStream_.size() + kMiniSectorSize - 1) / kMiniSectorSize;
    if (size > miniSectors * kMiniSectorSize) Damaged("a small stream is larger than the mini stream");
    std::string out;
    out.reserve(size);
    uint32_t id = start;
    const uint32_t chain = ++chains_;
    while (out.size() < size) {
      if (id == kEndOfChain) Damaged("a small stream ends early");
      if (id >= miniFat_.size() || id >= miniSectors) Damaged("a mini sector number is out of range");
      if (miniVisited_[id] == chain) Damaged("a mini sector chain loops");
      miniVisited_[id] = chain;
      uint64_t at = static_cast<uint64_t>(id) * kMiniSectorSize;
      uint64_t take = std::min<uint64_t>(kMiniSectorSize, size - out.size());
      if (at + take > miniStream_.size()) Damaged("a small stream runs past the mini stream");
      out.append(miniStream_.data() + at, take);
      id = miniFat_[id];
    }
    return out;
  }

  // Walks the directory tree from the root; entries outside the tree are dropped, so a
  // stray entry cannot smuggle data into the copy.
  std::vector<CfbEntry> ReadStreams() {
    const size_t n = entries_.size();
    std::vector<char> seen(n, 0);
    seen[0] = 1;
    std::vector<uint32_t> stack{entries_[0].child};
    while (!stack.empty()) {
      uint32_t id = stack.back();
      stack.pop_back();
      if (id == kCfbNoStream) continue;
      if (id >= n) Damaged("a directory link is out of range");
      if (seen[id]) Damaged("the directory tree loops");
      seen[id] = 1;
      CfbEntry& e = entries_[id];
      if (e.type != kCfbStorage && e.type != kCfbStream) Damaged("the directory tree holds an unused entry");
      stack.push_back(e.left);
      stack.push_back(e.right);
      if (e.type == kCfbStorage) stack.push_back(e.child);
      if (e.type == kCfbStream) {
        uint64_t size = StreamSize(id);
        e.data = size < cutoff_ ? MiniChain(StartSector(id), size) : Chain(StartSector(id), "stream", true, size);
      }
    }
    for (size_t i = 1; i < n; ++i)
      if (!seen[i]) entries_[i] = CfbEntry{};
    std::vector<CfbEntry> out = std::move(entries_);
    return out;
  }
};

}  // namespace

CompoundFile CompoundFile::Parse(std::string_view bytes) { return CfbReader(bytes).Read(); }

int CompareCfbNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'a' && a[i] <= u'z' ? static_cast<char16_t>(a[i] - 32) : a[i];
    char16_t y = b[i] >= u'a' && b[i] <= u'z' ? static_cast<char16_t>(b[i] - 32) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

int CompoundFile::FindInRoot(std::u16string_view name) const {
  if (entries_.empty()) return -1;
  // Walks the root's children without trusting the tree to be ordered.
  std::vector<uint32_t> stack{entries_[0].child};
  std::vector<char> seen(entries_.size(), 0);
  while (!stack.empty()) {
    uint32_t id = stack.back();
    stack.pop_back();
    if (id >= entries_.size() || seen[id]) continue;
    seen[id] = 1;
    const CfbEntry& e = entries_[id];
    if (e.type == kCfbUnused) continue;
    if (CompareCfbNames(e.name, name) == 0) return static_cast<int>(id);
    stack.push_back(e.left);
    stack.push_back(e.right);
  }
  return -1;
}

}  // namespace movra
