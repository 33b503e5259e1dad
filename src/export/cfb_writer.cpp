// Writing a compound file: version 3 with 512-byte sectors. Layout: allocation table
// sectors, their extension list (beyond 109 table sectors), the directory, the mini
// allocation table, the mini stream, then each large stream in one run of sectors.
#include <algorithm>
#include <functional>

#include "export/cfb_file.h"
#include "export/xls_bytes.h"
#include "export/xls_error.h"

namespace movra {

namespace {

constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kCutoff = 4096;
constexpr uint32_t kPerFatSector = kSectorSize / 4;
constexpr uint32_t kPerDifatSector = kPerFatSector - 1;
constexpr uint32_t kDifatSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;

uint32_t SectorsFor(uint64_t bytes, uint32_t unit) { return static_cast<uint32_t>((bytes + unit - 1) / unit); }

void PadTo(std::string& s, uint32_t unit) {
  if (s.size() % unit) s.append(unit - s.size() % unit, '\0');
}

// Marks `count` sectors from `first` as one chain.
void Chain(std::vector<uint32_t>& table, uint32_t first, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) table[first + i] = i + 1 < count ? first + i + 1 : kEndOfChain;
}

void AppendEntry(std::string& out, const CfbEntry& e, uint32_t start, uint64_t size) {
  size_t at = out.size();
  out.append(128, '\0');
  if (e.type != kCfbUnused) {
    if (e.name.size() > 31) throw XlsError("A stream name of the workbook file is too long.");
    for (size_t i = 0; i < e.name.size(); ++i) SetLe16(out, at + 2 * i, e.name[i]);
    SetLe16(out, at + 64, static_cast<uint32_t>((e.name.size() + 1) * 2));
  }
  out[at + 66] = static_cast<char>(e.type);
  out[at + 67] = static_cast<char>(e.type == kCfbUnused ? 0 : e.color);
  SetLe32(out, at + 68, e.type == kCfbUnused ? kCfbNoStream : e.left);
  SetLe32(out, at + 72, e.type == kCfbUnused ? kCfbNoStream : e.right);
  SetLe32(out, at + 76, e.type == kCfbUnused ? kCfbNoStream : e.child);
  if (e.type != kCfbUnused) {
    std::copy(e.clsid.begin(), e.clsid.end(), out.begin() + at + 80);
    SetLe32(out, at + 96, e.stateBits);
    std::copy(e.times.begin(), e.times.end(), out.begin() + at + 100);
  }
  SetLe32(out, at + 116, start);
  SetLe32(out, at + 120, static_cast<uint32_t>(size));
  SetLe32(out, at + 124, static_cast<uint32_t>(size >> 32));
}

}  // namespace

std::string CompoundFile::Serialize() const {
  if (entries_.empty() || entries_[0].type != kCfbRoot) throw XlsError("The workbook file has no root storage.");
  const size_t n = entries_.size();

  // Small streams go to the mini stream, each in its own run of 64-byte mini sectors.
  std::string mini;
  std::vector<uint32_t> miniFat;
  std::vector<uint32_t> start(n, kEndOfChain);
  std::vector<uint32_t> bigSectors(n, 0);
  uint32_t dataSectors = 0;
  for (size_t i = 1; i < n; ++i) {
    const CfbEntry& e = entries_[i];
    if (e.type != kCfbStream || e.data.empty()) continue;
    if (e.data.size() < kCutoff) {
      uint32_t first = static_cast<uint32_t>(miniFat.size());
      uint32_t count = SectorsFor(e.data.size(), kMiniSectorSize);
      miniFat.resize(first + count);
      Chain(miniFat, first, count);
      start[i] = first;
      mini += e.data;
      PadTo(mini, kMiniSectorSize);
    } else {
      bigSectors[i] = SectorsFor(e.data.size(), kSectorSize);
      dataSectors += bigSectors[i];
    }
  }
  const uint32_t dirEntries = static_cast<uint32_t>((n + 3) / 4 * 4);
  const uint32_t dirSectors = dirEntries / 4;
  const uint32_t miniFatSectors = SectorsFor(miniFat.size() * 4ull, kSectorSize);
  const uint32_t miniSectors = SectorsFor(mini.size(), kSectorSize);
  dataSectors += dirSectors + miniFatSectors + miniSectors;

  // The table describes itself, so its size is found by iterating to a fixed point.
  uint32_t fatSectors = 0, difatSectors = 0;
  for (;;) {
    uint64_t total = static_cast<uint64_t>(dataSectors) + fatSectors + difatSectors;
    uint32_t f = SectorsFor(total, kPerFatSector);
    uint32_t d = f > 109 ? SectorsFor(f - 109, kPerDifatSector) : 0;
    if (f == fatSectors && d == difatSectors) break;
    fatSectors = f;
    difatSectors = d;
  }
  std::vector<uint32_t> fat(static_cast<size_t>(fatSectors) * kPerFatSector, kFreeSect);
  uint32_t next = 0;
  const uint32_t firstFat = next;
  for (uint32_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSect;
  const uint32_t firstDifat = next;
  for (uint32_t i = 0; i < difatSectors; ++i) fat[next++] = kDifatSect;
  const uint32_t firstDir = next;
  Chain(fat, next, dirSectors);
  next += dirSectors;
  const uint32_t firstMiniFat = miniFatSectors ? next : kEndOfChain;
  Chain(fat, next, miniFatSectors);
  next += miniFatSectors;
  const uint32_t firstMini = miniSectors ? next : kEndOfChain;
  Chain(fat, next, miniSectors);
  next += miniSectors;
  for (size_t i = 1; i < n; ++i) {
    if (!bigSectors[i]) continue;
    start[i] = next;
    Chain(fat, next, bigSectors[i]);
    next += bigSectors[i];
  }

  std::string out;
  out.reserve((static_cast<size_t>(next) + 1) * kSectorSize);
  // Header.
  static const char signature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  out.append(signature, 8);
  out.append(16, '\0');
  PutLe16(out, 0x003E);
  PutLe16(out, 0x0003);
  PutLe16(out, 0xFFFE);
  PutLe16(out, 9);
  PutLe16(out, 6);
  out.append(6, '\0');
  PutLe32(out, 0);  // directory sectors: always 0 in version 3
  PutLe32(out, fatSectors);
  PutLe32(out, firstDir);
  PutLe32(out, 0);
  PutLe32(out, kCutoff);
  PutLe32(out, firstMiniFat);
  PutLe32(out, miniFatSectors);
  PutLe32(out, difatSectors ? firstDifat : kEndOfChain);
  PutLe32(out, difatSectors);
  for (uint32_t i = 0; i < 109; ++i) PutLe32(out, i < fatSectors ? firstFat + i : kFreeSect);
  // Allocation table.
  for (uint32_t v : fat) PutLe32(out, v);
  // Its extension list: table sectors 109 onwards.
  for (uint32_t d = 0; d < difatSectors; ++d) {
    for (uint32_t k = 0; k < kPerDifatSector; ++k) {
      uint32_t idx = 109 + d * kPerDifatSector + k;
      PutLe32(out, idx < fatSectors ? firstFat + idx : kFreeSect);
    }
    PutLe32(out, d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
  }
  // Directory.
  for (size_t i = 0; i < dirEntries; ++i) {
    if (i >= n) {
      AppendEntry(out, CfbEntry{}, 0, 0);
    } else if (i == 0) {
      AppendEntry(out, entries_[0], firstMini, mini.size());
    } else {
      const CfbEntry& e = entries_[i];
      bool stream = e.type == kCfbStream;
      AppendEntry(out, e, stream ? start[i] : 0, stream ? e.data.size() : 0);
    }
  }
  // Mini allocation table.
  for (uint32_t v : miniFat) PutLe32(out, v);
  for (size_t i = miniFat.size(); i < miniFatSectors * static_cast<size_t>(kPerFatSector); ++i) PutLe32(out, kFreeSect);
  out += mini;
  PadTo(out, kSectorSize);
  for (size_t i = 1; i < n; ++i) {
    if (!bigSectors[i]) continue;
    out += entries_[i].data;
    PadTo(out, kSectorSize);
  }
  return out;
}

CompoundFile CompoundFile::WithStreams(const std::vector<std::pair<std::u16string, std::string>>& streams,
                                       const std::array<uint8_t, 16>& rootClsid) {
  CompoundFile cf;
  CfbEntry root;
  root.name = u"Root Entry";
  root.type = kCfbRoot;
  root.color = 1;
  root.clsid = rootClsid;
  cf.entries_.push_back(root);
  for (const auto& [name, data] : streams) {
    CfbEntry e;
    e.name = name;
    e.type = kCfbStream;
    e.data = data;
    cf.entries_.push_back(e);
  }
  // The children of a storage form a red-black tree in the directory's order of names.
  // A tree split at the median has every level full but the last, so colouring the nodes
  // of an unfilled last level red and all others black keeps the red-black rules.
  std::vector<uint32_t> order;
  for (uint32_t i = 1; i < cf.entries_.size(); ++i) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return CompareCfbNames(cf.entries_[a].name, cf.entries_[b].name) < 0; });
  for (size_t i = 1; i < order.size(); ++i)
    if (CompareCfbNames(cf.entries_[order[i - 1]].name, cf.entries_[order[i]].name) == 0)
      throw XlsError("Two streams of the workbook file have the same name.");
  size_t count = order.size();
  int fullLevels = 0;
  while ((size_t{1} << (fullLevels + 1)) - 1 <= count) ++fullLevels;
  bool perfect = (size_t{1} << fullLevels) - 1 == count;
  std::function<uint32_t(size_t, size_t, int)> build = [&](size_t lo, size_t hi, int depth) -> uint32_t {
    if (lo >= hi) return kCfbNoStream;
    size_t mid = lo + (hi - lo) / 2;
    uint32_t id = order[mid];
    CfbEntry& e = cf.entries_[id];
    e.left = build(lo, mid, depth + 1);
    e.right = build(mid + 1, hi, depth + 1);
    e.color = (!perfect && depth == fullLevels) ? 0 : 1;
    return id;
  };
  cf.entries_[0].child = build(0, count, 0);
  return cf;
}

}  // namespace movra
