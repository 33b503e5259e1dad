// BIFF8 records: a 16-bit type, a 16-bit length and the body. The workbook stream is a
// series of them: the workbook globals from BOF to EOF, then one BOF..EOF substream per
// sheet at the stream position its BOUNDSHEET8 record gives.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace movra {

namespace rt {
constexpr uint16_t kFormula = 0x0006;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kFont = 0x0031;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kUncalced = 0x005E;
constexpr uint16_t kColInfo = 0x007D;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kMulBlank = 0x00BE;
constexpr uint16_t kRString = 0x00D6;
constexpr uint16_t kDbCell = 0x00D7;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kExtSst = 0x00FF;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kBoolErr = 0x0205;
constexpr uint16_t kString = 0x0207;
constexpr uint16_t kRow = 0x0208;
constexpr uint16_t kIndex = 0x020B;
constexpr uint16_t kArray = 0x0221;
constexpr uint16_t kDefaultRowHeight = 0x0225;
constexpr uint16_t kTable = 0x0236;
constexpr uint16_t kWindow2 = 0x023E;
constexpr uint16_t kRk = 0x027E;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kShrFmla = 0x04BC;
constexpr uint16_t kXfCrc = 0x087C;
constexpr uint16_t kXfExt = 0x087D;
constexpr uint16_t kBof = 0x0809;
}  // namespace rt

// Body sizes beyond this go on in CONTINUE records.
constexpr size_t kMaxRecordBody = 8224;

struct BiffRecord {
  uint16_t type = 0;
  size_t offset = 0;      // stream position of the record header
  std::string_view body;  // a view into the stream
  size_t end() const { return offset + 4 + body.size(); }
};

// Reads the record at `pos` of `stream`, which must lie wholly before `limit`; throws
// XlsError when it does not.
BiffRecord ReadRecord(std::string_view stream, size_t pos, size_t limit);
// Appends one record; the body must not exceed 65535 bytes.
void AppendRecord(std::string& out, uint16_t type, std::string_view body);
std::string MakeRecord(uint16_t type, std::string_view body);

// BOF of a BIFF8 substream: its document type (0x0005 globals, 0x0010 worksheet,
// 0x0020 chart, 0x0040 macro sheet). Throws XlsError when the record is no BIFF8 BOF.
uint16_t BofDocumentType(const BiffRecord& bof);

}  // namespace movra
