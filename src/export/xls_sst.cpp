#include "export/xls_sst.h"

#include <algorithm>

#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "export/xls_records.h"
#include "export/xls_text.h"

namespace movra {

namespace {

[[noreturn]] void Damaged() { throw XlsError("The workbook is damaged (its string table is cut short)."); }

// Reads across the SST and CONTINUE record boundaries. Only the characters of a string
// change their width at a boundary: a continued character run starts with a new flags byte.
class ContinuedReader {
 public:
  explicit ContinuedReader(const std::vector<std::string_view>& bodies) : bodies_(bodies) {}

  bool AtEnd() {
    SkipEmpty();
    return seg_ >= bodies_.size();
  }
  uint8_t Byte() {
    SkipEmpty();
    if (seg_ >= bodies_.size()) Damaged();
    return static_cast<uint8_t>(bodies_[seg_][off_++]);
  }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | static_cast<uint32_t>(U16()) << 16; }
  std::string Bytes(uint32_t n) {
    std::string out;
    while (n > 0) {
      SkipEmpty();
      if (seg_ >= bodies_.size()) Damaged();
      size_t take = std::min<size_t>(n, bodies_[seg_].size() - off_);
      out.append(bodies_[seg_].substr(off_, take));
      off_ += take;
      n -= static_cast<uint32_t>(take);
    }
    return out;
  }
  std::u16string Chars(uint32_t count, bool highByte) {
    std::u16string out;
    while (count > 0) {
      if (seg_ >= bodies_.size()) Damaged();
      if (off_ >= bodies_[seg_].size()) {
        ++seg_;
        off_ = 0;
        if (seg_ >= bodies_.size() || bodies_[seg_].empty()) Damaged();
        highByte = (static_cast<uint8_t>(bodies_[seg_][off_++]) & 0x01) != 0;
        continue;
      }
      size_t width = highByte ? 2 : 1;
      size_t avail = (bodies_[seg_].size() - off_) / width;
      if (avail == 0) Damaged();
      size_t take = std::min<size_t>(count, avail);
      out += ReadBiffChars(bodies_[seg_], off_, take, highByte);
      off_ += take * width;
      count -= static_cast<uint32_t>(take);
    }
    return out;
  }

 private:
  void SkipEmpty() {
    while (seg_ < bodies_.size() && off_ >= bodies_[seg_].size()) {
      ++seg_;
      off_ = 0;
    }
  }
  const std::vector<std::string_view>& bodies_;
  size_t seg_ = 0, off_ = 0;
};

// Writes SST and CONTINUE records, starting a new CONTINUE when the current one is full.
class ContinuedWriter {
 public:
  ContinuedWriter(std::string& out, uint64_t base) : out_(out), base_(base) {}
  size_t Space() const { return kMaxRecordBody - body_.size(); }
  void Put(std::string_view bytes) { body_ += bytes; }
  std::string& body() { return body_; }
  // Stream position and offset inside its record of the next byte written.
  uint64_t StreamPos() const { return base_ + out_.size() + 4 + body_.size(); }
  uint16_t RecordOffset() const { return static_cast<uint16_t>(4 + body_.size()); }
  void Flush() {
    AppendRecord(out_, first_ ? rt::kSst : rt::kContinue, body_);
    first_ = false;
    body_.clear();
  }

 private:
  std::string& out_;
  uint64_t base_;
  std::string body_;
  bool first_ = true;
};

}  // namespace

void SharedStrings::Parse(const std::vector<std::string_view>& bodies) {
  strings_.clear();
  plainIndex_.clear();
  ContinuedReader in(bodies);
  uses_ = in.U32();
  uint32_t unique = in.U32();
  for (uint32_t i = 0; i < unique && !in.AtEnd(); ++i) {
    SstString s;
    uint16_t cch = in.U16();
    uint8_t flags = in.Byte();
    uint16_t runs = (flags & 0x08) ? in.U16() : 0;
    uint32_t phonetic = (flags & 0x04) ? in.U32() : 0;
    s.text = in.Chars(cch, (flags & 0x01) != 0);
    s.runs = in.Bytes(4u * runs);
    s.phonetic = in.Bytes(phonetic);
    if (s.runs.empty() && s.phonetic.empty()) plainIndex_.emplace(s.text, static_cast<uint32_t>(strings_.size()));
    strings_.push_back(std::move(s));
  }
}

uint32_t SharedStrings::Add(std::u16string_view text) {
  std::u16string key(text);
  auto it = plainIndex_.find(key);
  if (it != plainIndex_.end()) return it->second;
  uint32_t index = static_cast<uint32_t>(strings_.size());
  strings_.push_back(SstString{key, {}, {}});
  plainIndex_.emplace(std::move(key), index);
  return index;
}

void SharedStrings::AddUses(int64_t delta) {
  int64_t v = static_cast<int64_t>(uses_) + delta;
  uses_ = static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 0xFFFFFFFF));
}

void SharedStrings::Write(std::string& out, uint64_t base) const {
  const uint32_t count = static_cast<uint32_t>(strings_.size());
  // Excel keeps EXTSST at no more than 128 buckets of at least 8 strings.
  const uint32_t perBucket = std::max<uint32_t>(8, (count + 127) / 128);
  std::string ext;
  PutLe16(ext, perBucket);

  ContinuedWriter w(out, base);
  PutLe32(w.body(), uses_);
  PutLe32(w.body(), count);
  for (uint32_t i = 0; i < count; ++i) {
    const SstString& s = strings_[i];
    const bool compressed = FitsCompressed(s.text);
    const size_t width = compressed ? 1 : 2;
    size_t header = 3 + (s.runs.empty() ? 0 : 2) + (s.phonetic.empty() ? 0 : 4);
    // A string header is never split, and a string starts only where at least one of its
    // characters fits behind the header.
    if (w.Space() < header + (s.text.empty() ? 0 : width)) w.Flush();
    if (i % perBucket == 0) {
      PutLe32(ext, static_cast<uint32_t>(w.StreamPos()));
      PutLe16(ext, w.RecordOffset());
      PutLe16(ext, 0);
    }
    std::string& b = w.body();
    PutLe16(b, static_cast<uint32_t>(s.text.size()));
    b += static_cast<char>((compressed ? 0 : 0x01) | (s.phonetic.empty() ? 0 : 0x04) | (s.runs.empty() ? 0 : 0x08));
    if (!s.runs.empty()) PutLe16(b, static_cast<uint32_t>(s.runs.size() / 4));
    if (!s.phonetic.empty()) PutLe32(b, static_cast<uint32_t>(s.phonetic.size()));
    std::u16string_view rest = s.text;
    while (!rest.empty()) {
      size_t fit = std::min(rest.size(), w.Space() / width);
      if (fit == 0) {
        w.Flush();
        w.body() += static_cast<char>(compressed ? 0 : 0x01);
        continue;
      }
      AppendBiffChars(w.body(), rest.substr(0, fit), compressed);
      rest.remove_prefix(fit);
      if (!rest.empty()) {
        w.Flush();
        w.body() += static_cast<char>(compressed ? 0 : 0x01);
      }
    }
    for (size_t r = 0; r + 4 <= s.runs.size(); r += 4) {
      if (w.Space() < 4) w.Flush();
      w.Put(std::string_view(s.runs).substr(r, 4));
    }
    std::string_view ph = s.phonetic;
    while (!ph.empty()) {
      if (w.Space() == 0) w.Flush();
      size_t take = std::min(ph.size(), w.Space());
      w.Put(ph.substr(0, take));
      ph.remove_prefix(take);
    }
  }
  w.Flush();
  AppendRecord(out, rt::kExtSst, ext);
}

}  // namespace movra
