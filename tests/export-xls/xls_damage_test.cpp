#include <gtest/gtest.h>

#include <functional>

#include "export/cfb_file.h"
#include "export/xls_bytes.h"
#include "export/xls_records.h"
#include "export/xls_workbook.h"
#include "temp_dir.h"
#include "test_rows.h"

using namespace movra;

namespace {

std::string Fixture(const char* name) { return test::ReadFileBytes(test::FixturePath(name)); }

// File offset of a sector (the header takes the first 512 bytes).
size_t SectorAt(uint32_t sector) { return 512 + 512 * static_cast<size_t>(sector); }
size_t DirEntryAt(const std::string& f, int entry) { return SectorAt(GetLe32(f, 48)) + 128 * entry; }
size_t FatEntryAt(const std::string& f, uint32_t index) { return SectorAt(GetLe32(f, 76)) + 4 * index; }
size_t MiniFatEntryAt(const std::string& f, uint32_t index) { return SectorAt(GetLe32(f, 60)) + 4 * index; }

struct Damage {
  const char* what;
  const char* fixture;
  std::function<void(std::string&)> apply;
};

// Each damaged file is refused with an XlsError, never a crash or a hang. The large
// template keeps its workbook stream in regular sectors, the plain one in the mini stream.
TEST(DamagedWorkbook, IsRefusedWithAMessage) {
  const Damage cases[] = {
      {"empty file", "template-plain.xls", [](std::string& f) { f.clear(); }},
      {"not a compound file", "template-plain.xls", [](std::string& f) { f[0] = 'P'; }},
      {"truncated in the directory", "template-plain.xls", [](std::string& f) { f.resize(5200); }},
      {"truncated in the middle", "template-large.xls", [](std::string& f) { f.resize(10000); }},
      {"truncated to the header", "template-large.xls", [](std::string& f) { f.resize(512); }},
      {"allocation table loop", "template-large.xls", [](std::string& f) { SetLe32(f, FatEntryAt(f, 10), 5); }},
      {"allocation table points outside", "template-large.xls", [](std::string& f) { SetLe32(f, FatEntryAt(f, 10), 100000); }},
      {"chain ends early", "template-large.xls", [](std::string& f) { SetLe32(f, FatEntryAt(f, 10), 0xFFFFFFFE); }},
      {"stream starts outside", "template-large.xls", [](std::string& f) { SetLe32(f, DirEntryAt(f, 1) + 116, 0x00FFFFFF); }},
      {"stream larger than the file", "template-large.xls", [](std::string& f) { SetLe32(f, DirEntryAt(f, 1) + 120, 0x7FFFFFFF); }},
      {"directory loop", "template-large.xls", [](std::string& f) { SetLe32(f, DirEntryAt(f, 2) + 68, 1); }},
      {"directory link outside", "template-plain.xls", [](std::string& f) { SetLe32(f, DirEntryAt(f, 0) + 76, 500); }},
      {"directory chain loops", "template-plain.xls", [](std::string& f) { SetLe32(f, FatEntryAt(f, GetLe32(f, 48) + 1), GetLe32(f, 48)); }},
      {"mini chain loop", "template-plain.xls", [](std::string& f) { SetLe32(f, MiniFatEntryAt(f, 20), 3); }},
      {"mini chain points outside", "template-plain.xls", [](std::string& f) { SetLe32(f, MiniFatEntryAt(f, 20), 5000); }},
      {"huge allocation table count", "template-plain.xls", [](std::string& f) { SetLe32(f, 44, 0x7FFFFFFF); }},
      {"table list names a free sector", "template-plain.xls", [](std::string& f) { SetLe32(f, 44, 2); }},
      {"wrong sector size", "template-plain.xls", [](std::string& f) { SetLe16(f, 30, 7); }},
  };
  for (const Damage& d : cases) {
    std::string bytes = Fixture(d.fixture);
    d.apply(bytes);
    try {
      XlsWorkbook::fromBytes(bytes);
      ADD_FAILURE() << d.what << ": accepted";
    } catch (const XlsError& e) {
      EXPECT_GT(std::string(e.what()).size(), 10u) << d.what;
    }
  }
}

struct StreamDamage {
  const char* what;
  std::function<void(std::string&)> apply;
};

// Offset of the first record of a type in the workbook stream, from `from`.
size_t RecordAt(const std::string& s, uint16_t type, size_t from = 0) {
  for (size_t pos = from;;) {
    BiffRecord r = ReadRecord(s, pos, s.size());
    if (r.type == type) return pos;
    pos = r.end();
  }
}

// Damage inside the workbook stream of a sound compound file.
TEST(DamagedWorkbook, BrokenRecordsAreRefused) {
  const StreamDamage cases[] = {
      {"record runs past the stream", [](std::string& s) { SetLe16(s, RecordAt(s, rt::kSst) + 2, 0xFFFF); }},
      {"string longer than the string table", [](std::string& s) { SetLe16(s, RecordAt(s, rt::kSst) + 12, 60000); }},
      {"two sheets at one place",
       [](std::string& s) { SetLe32(s, RecordAt(s, rt::kBoundSheet) + 4, GetLe32(s, RecordAt(s, rt::kBoundSheet) + 4 + 19)); }},
      {"sheet outside the stream", [](std::string& s) { SetLe32(s, RecordAt(s, rt::kBoundSheet) + 4, 0x7FFFFFFF); }},
      {"sheet inside the globals", [](std::string& s) { SetLe32(s, RecordAt(s, rt::kBoundSheet) + 4, 20); }},
      {"no BOF at the start", [](std::string& s) { SetLe16(s, 0, 0x1234); }},
      {"old BIFF version", [](std::string& s) { SetLe16(s, 4, 0x0500); }},
      {"globals without EOF", [](std::string& s) { s.resize(RecordAt(s, rt::kEof)); }},
      {"password protected", [](std::string& s) { SetLe16(s, RecordAt(s, 0x00E1), 0x002F); }},
  };
  for (const StreamDamage& d : cases) {
    CompoundFile cf = CompoundFile::Parse(Fixture("template-two-sheets.xls"));
    d.apply(cf.entries()[cf.FindInRoot(u"Workbook")].data);
    try {
      XlsWorkbook book = XlsWorkbook::fromBytes(cf.Serialize());
      // Damage in a sheet shows when the sheet is read.
      book.setString("Sheet1", 1, 0, "x", CellAlign::Keep);
      book.toBytes();
      ADD_FAILURE() << d.what << ": accepted";
    } catch (const XlsError& e) {
      EXPECT_GT(std::string(e.what()).size(), 10u) << d.what;
    }
  }
}

TEST(DamagedWorkbook, BrokenSheetShowsWhenFilled) {
  CompoundFile cf = CompoundFile::Parse(Fixture("template-two-sheets.xls"));
  std::string& s = cf.entries()[cf.FindInRoot(u"Workbook")].data;
  // The last sheet loses its EOF.
  s.resize(s.size() - 4);
  XlsWorkbook book = XlsWorkbook::fromBytes(cf.Serialize());
  EXPECT_TRUE(book.hasSheet("Sheet1"));
  EXPECT_THROW(book.setString("Sheet1", 1, 0, "x", CellAlign::Keep), XlsError);
}

TEST(DamagedWorkbook, OldFormatAndForeignFilesAreNamed) {
  CompoundFile cf = CompoundFile::Parse(Fixture("template-plain.xls"));
  cf.entries()[cf.FindInRoot(u"Workbook")].name = u"Book";
  try {
    XlsWorkbook::fromBytes(cf.Serialize());
    ADD_FAILURE();
  } catch (const XlsError& e) {
    EXPECT_NE(std::string(e.what()).find("Excel 5.0/95"), std::string::npos) << e.what();
  }
  CompoundFile other = CompoundFile::WithStreams({{u"WordDocument", "text"}}, {});
  EXPECT_THROW(XlsWorkbook::fromBytes(other.Serialize()), XlsError);
  test::TempDir dir;
  try {
    XlsWorkbook::open(dir.file("missing.xls"));
    ADD_FAILURE();
  } catch (const XlsError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.xls"), std::string::npos) << e.what();
  }
}

}  // namespace
