// Cell formats of the workbook globals: the XF records (one per cell format, referred to
// by index from every cell) and the FONT records. New formats are appended, so the index
// of every existing XF stays valid.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace movra {

enum class HorizontalAlign : uint8_t { General = 0, Left = 1, Centre = 2, Right = 3, Fill = 4, Justify = 5 };

class CellFormats {
 public:
  void AddXf(std::string_view body) { xfs_.emplace_back(body); }
  void AddFont(std::string_view body) { fonts_.emplace_back(body); }
  // XFEXT records extend an XF with newer formatting; they name their XF by index.
  void AddXfExt(std::string_view body);
  // Called once the globals are read: the formats now present are the workbook's own.
  void Seal() { sealed_ = xfs_.size(); }

  size_t XfCount() const { return xfs_.size(); }
  // Formats added since Seal, in order, and XFEXT records for those whose model had one.
  std::vector<std::string> AddedXfs() const;
  std::vector<std::string> AddedXfExts() const;
  // The XFCRC body for the XF table as it now is; `oldBody` gives the record's header.
  std::string XfCrcBody(std::string_view oldBody) const;

  // The XF that looks like `xf` but is centred: `xf` itself when already centred, else an
  // equal one that exists or a new one. Throws XlsError when `xf` does not exist or the
  // table is full.
  uint16_t Centred(uint16_t xf);

  // Readers of the workbook: alignment and font weight (400 normal, 700 bold) of an XF.
  HorizontalAlign Align(uint16_t xf) const;
  uint16_t FontWeight(uint16_t xf) const;

 private:
  const std::string& Xf(uint16_t xf) const;
  std::vector<std::string> xfs_;
  std::vector<std::string> fonts_;
  std::map<uint16_t, std::string> xfExts_;  // by XF index
  std::map<uint16_t, uint16_t> modelOf_;    // added XF -> the XF it was made from
  std::map<uint16_t, uint16_t> centred_;
  size_t sealed_ = 0;
};

// The checksum of newer Excel versions over the XF records (CRC-32, polynomial 0xAF,
// most significant bit first).
uint32_t XfChecksum(const std::vector<std::string>& xfBodies);

}  // namespace movra
