#include "export/xls_formats.h"

#include <array>

#include "export/xls_bytes.h"
#include "export/xls_error.h"

namespace movra {

namespace {
constexpr size_t kXfSize = 20;
constexpr size_t kMaxXfs = 4050;
constexpr uint8_t kAlignUsed = 0x10;  // in a cell XF: the alignment is its own, not its style's
}  // namespace

void CellFormats::AddXfExt(std::string_view body) {
  // Future-record header (12 bytes), reserved, then the XF index.
  if (body.size() >= 16) xfExts_[GetLe16(body, 14)] = std::string(body);
}

const std::string& CellFormats::Xf(uint16_t xf) const {
  if (xf >= xfs_.size() || xfs_[xf].size() < kXfSize)
    throw XlsError("The workbook is damaged (a cell refers to a cell format that does not exist).");
  return xfs_[xf];
}

uint16_t CellFormats::Centred(uint16_t xf) {
  const std::string& base = Xf(xf);
  if ((static_cast<uint8_t>(base[6]) & 0x07) == static_cast<uint8_t>(HorizontalAlign::Centre)) return xf;
  auto known = centred_.find(xf);
  if (known != centred_.end()) return known->second;
  std::string made = base.substr(0, kXfSize);
  uint16_t flags = GetLe16(made, 4);
  if (flags & 0x0004) {
    // A cell should not use a style format directly; make a cell format of that style.
    SetLe16(made, 4, (flags & 0x0003) | static_cast<uint32_t>(xf) << 4);
    made[9] = static_cast<char>(0xFC);
  }
  made[6] = static_cast<char>((static_cast<uint8_t>(made[6]) & ~0x07) | static_cast<uint8_t>(HorizontalAlign::Centre));
  made[9] = static_cast<char>(static_cast<uint8_t>(made[9]) | kAlignUsed);
  uint16_t result = 0;
  bool found = false;
  for (size_t i = 0; i < xfs_.size() && !found; ++i)
    if (xfs_[i].size() >= kXfSize && xfs_[i].compare(0, kXfSize, made) == 0 && !xfExts_.count(static_cast<uint16_t>(i)) &&
        !xfExts_.count(xf)) {
      result = static_cast<uint16_t>(i);
      found = true;
    }
  if (!found) {
    if (xfs_.size() >= kMaxXfs) throw XlsError("The workbook has too many cell formats to add another.");
    result = static_cast<uint16_t>(xfs_.size());
    xfs_.push_back(made);
    modelOf_[result] = xf;
  }
  centred_[xf] = result;
  return result;
}

std::vector<std::string> CellFormats::AddedXfs() const {
  return std::vector<std::string>(xfs_.begin() + static_cast<std::ptrdiff_t>(sealed_), xfs_.end());
}

std::vector<std::string> CellFormats::AddedXfExts() const {
  std::vector<std::string> out;
  for (const auto& [added, model] : modelOf_) {
    auto ext = xfExts_.find(model);
    if (ext == xfExts_.end()) continue;
    std::string body = ext->second;
    SetLe16(body, 14, added);
    out.push_back(std::move(body));
  }
  return out;
}

std::string CellFormats::XfCrcBody(std::string_view oldBody) const {
  std::string body(oldBody.substr(0, 12));
  body.resize(12, '\0');
  PutLe16(body, 0);
  PutLe16(body, static_cast<uint32_t>(xfs_.size()));
  PutLe32(body, XfChecksum(xfs_));
  return body;
}

HorizontalAlign CellFormats::Align(uint16_t xf) const {
  return static_cast<HorizontalAlign>(static_cast<uint8_t>(Xf(xf)[6]) & 0x07);
}

uint16_t CellFormats::FontWeight(uint16_t xf) const {
  uint16_t font = GetLe16(Xf(xf), 0);
  // Font index 4 does not exist; the records are numbered 0-3, 5, 6 ...
  size_t record = font < 4 ? font : static_cast<size_t>(font) - 1;
  if (font == 4 || record >= fonts_.size()) throw XlsError("The workbook is damaged (a cell format refers to a missing font).");
  return GetLe16(fonts_[record], 6);
}

uint32_t XfChecksum(const std::vector<std::string>& xfBodies) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t v = i << 24;
      for (int bit = 0; bit < 8; ++bit) v = (v & 0x80000000u) ? (v << 1) ^ 0xAFu : v << 1;
      t[i] = v;
    }
    return t;
  }();
  uint32_t crc = 0;
  for (const std::string& body : xfBodies)
    for (unsigned char c : body) crc = (crc << 8) ^ table[(crc >> 24) ^ c];
  return crc;
}

}  // namespace movra
