#include "export/xls_globals.h"

#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "export/xls_records.h"
#include "export/xls_text.h"

namespace movra {

void WorkbookGlobals::Parse(std::string_view stream) {
  BiffRecord bof = ReadRecord(stream, 0, stream.size());
  if (BofDocumentType(bof) != 0x0005) throw XlsError("The workbook is damaged (it does not start with its globals).");
  records_.push_back({bof.type, stream.substr(0, bof.end())});
  size_t pos = bof.end();
  for (;;) {
    BiffRecord r = ReadRecord(stream, pos, stream.size());
    pos = r.end();
    std::string_view raw = stream.substr(r.offset, r.end() - r.offset);
    switch (r.type) {
      case rt::kFilePass:
        throw XlsError("The workbook is protected with a password; it cannot be filled.");
      case rt::kBoundSheet: {
        if (r.body.size() < 8) throw XlsError("The workbook is damaged (a sheet entry is cut short).");
        BoundSheet s;
        s.position = GetLe32(r.body, 0);
        s.type = static_cast<uint8_t>(r.body[5]);
        s.name = ReadBiffChars(r.body, 8, static_cast<uint8_t>(r.body[6]), static_cast<uint8_t>(r.body[7]) & 0x01);
        sheets_.push_back(std::move(s));
        break;
      }
      case rt::kSst: {
        std::vector<std::string_view> bodies{r.body};
        while (pos < stream.size()) {
          BiffRecord c = ReadRecord(stream, pos, stream.size());
          if (c.type != rt::kContinue) break;
          bodies.push_back(c.body);
          pos = c.end();
        }
        sst_.Parse(bodies);
        break;
      }
      case rt::kXf:
        formats_.AddXf(r.body);
        break;
      case rt::kFont:
        formats_.AddFont(r.body);
        break;
      case rt::kXfExt:
        formats_.AddXfExt(r.body);
        break;
      default:
        break;
    }
    records_.push_back({r.type, raw});
    if (r.type == rt::kEof) break;
  }
  end_ = pos;
  formats_.Seal();
}

std::string WorkbookGlobals::Serialize(std::vector<size_t>& positionFields) const {
  std::string out;
  positionFields.clear();
  size_t lastXf = records_.size(), lastXfExt = records_.size();
  bool hasSst = false;
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].type == rt::kXf) lastXf = i;
    if (records_[i].type == rt::kXfExt) lastXfExt = i;
    if (records_[i].type == rt::kSst) hasSst = true;
  }
  for (size_t i = 0; i < records_.size(); ++i) {
    const Record& r = records_[i];
    std::string_view body = r.raw.substr(4);
    switch (r.type) {
      case rt::kSst:
        sst_.Write(out, 0);
        break;
      case rt::kExtSst:
        break;  // written with the SST
      case rt::kBoundSheet:
        positionFields.push_back(out.size() + 4);
        out += r.raw;
        break;
      case rt::kXfCrc:
        AppendRecord(out, rt::kXfCrc, formats_.XfCrcBody(body));
        break;
      case rt::kEof:
        // A workbook without any text gets its string table here.
        if (!hasSst && sst_.size() > 0) sst_.Write(out, 0);
        out += r.raw;
        break;
      default:
        out += r.raw;
    }
    if (i == lastXf)
      for (const std::string& xf : formats_.AddedXfs()) AppendRecord(out, rt::kXf, xf);
    if (i == lastXfExt)
      for (const std::string& ext : formats_.AddedXfExts()) AppendRecord(out, rt::kXfExt, ext);
  }
  return out;
}

}  // namespace movra
