#include "export/xls_records.h"

#include "export/xls_bytes.h"
#include "export/xls_error.h"

namespace movra {

BiffRecord ReadRecord(std::string_view stream, size_t pos, size_t limit) {
  if (limit > stream.size() || pos > limit || limit - pos < 4)
    throw XlsError("The workbook is damaged (a record runs past the end of its part).");
  BiffRecord r;
  r.type = GetLe16(stream, pos);
  size_t length = GetLe16(stream, pos + 2);
  if (limit - pos - 4 < length) throw XlsError("The workbook is damaged (a record runs past the end of its part).");
  r.offset = pos;
  r.body = stream.substr(pos + 4, length);
  return r;
}

void AppendRecord(std::string& out, uint16_t type, std::string_view body) {
  if (body.size() > 0xFFFF) throw XlsError("A record of the workbook is too long.");
  PutLe16(out, type);
  PutLe16(out, static_cast<uint32_t>(body.size()));
  out.append(body);
}

std::string MakeRecord(uint16_t type, std::string_view body) {
  std::string out;
  AppendRecord(out, type, body);
  return out;
}

uint16_t BofDocumentType(const BiffRecord& bof) {
  if (bof.type != rt::kBof || bof.body.size() < 4) throw XlsError("The workbook is damaged (a part does not start with BOF).");
  if (GetLe16(bof.body, 0) != 0x0600)
    throw XlsError("The workbook is in an old Excel format; save it as an Excel 97-2003 workbook.");
  return GetLe16(bof.body, 2);
}

}  // namespace movra
