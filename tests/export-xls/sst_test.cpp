#include <gtest/gtest.h>

#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "export/xls_records.h"
#include "export/xls_sst.h"
#include "export/xls_text.h"

using namespace movra;

namespace {

struct Written {
  std::string bytes;
  std::vector<BiffRecord> records;
};

Written Write(const SharedStrings& sst, uint64_t base) {
  Written w;
  sst.Write(w.bytes, base);
  for (size_t pos = 0; pos < w.bytes.size();) {
    w.records.push_back(ReadRecord(w.bytes, pos, w.bytes.size()));
    pos = w.records.back().end();
  }
  return w;
}

SharedStrings ReadBack(const Written& w) {
  std::vector<std::string_view> bodies;
  for (const BiffRecord& r : w.records)
    if (r.type != rt::kExtSst) bodies.push_back(r.body);
  SharedStrings back;
  back.Parse(bodies);
  return back;
}

std::string Le16(uint16_t v) {
  std::string s;
  PutLe16(s, v);
  return s;
}

// A string split over CONTINUE records changes from one byte to two bytes per character
// at the boundary; formatting runs and phonetic data go on without a flags byte.
TEST(SharedStrings, ReadsStringsSplitAcrossContinueRecords) {
  std::string sst;
  PutLe32(sst, 5);
  PutLe32(sst, 2);
  sst += Le16(7) + std::string("\x0C", 1) + Le16(1);  // 7 chars, runs and phonetic
  PutLe32(sst, 6);
  sst += "abc";
  std::string cont1 = std::string("\x01", 1) + Le16(0x00E9) + Le16(0x2191) + Le16(u'z') + Le16(u'!');
  cont1 += "RUN";  // first three bytes of the run
  std::string cont2 = "!" + std::string("PHONET");
  cont2 += Le16(2) + std::string("\x00", 1) + "ok";
  SharedStrings s;
  s.Parse({sst, cont1, cont2});
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s.at(0).text, u"abc\u00E9\u2191z!");
  EXPECT_EQ(s.at(0).runs, "RUN!");
  EXPECT_EQ(s.at(0).phonetic, "PHONET");
  EXPECT_EQ(s.at(1).text, u"ok");
  EXPECT_EQ(s.uses(), 5u);
  // Written again and read back, nothing is lost.
  SharedStrings back = ReadBack(Write(s, 0));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.at(0).text, s.at(0).text);
  EXPECT_EQ(back.at(0).runs, "RUN!");
  EXPECT_EQ(back.at(0).phonetic, "PHONET");
}

TEST(SharedStrings, CutShortTableIsAnError) {
  std::string sst;
  PutLe32(sst, 1);
  PutLe32(sst, 1);
  sst += Le16(10) + std::string("\x00", 1) + "abc";
  SharedStrings s;
  EXPECT_THROW(s.Parse({sst}), XlsError);
}

// Thousands of strings, some longer than a record, written with EXTSST: every string comes
// back, no record is over the limit, and each EXTSST entry points at the header of the
// string it names.
TEST(SharedStrings, LongTablesSplitCleanlyAndExtSstPointsAtStrings) {
  SharedStrings s;
  std::vector<std::u16string> texts;
  for (int i = 0; i < 3000; ++i) {
    std::u16string t = Utf8ToUtf16("row " + std::to_string(i));
    if (i % 7 == 0) t += u" \u2191";
    if (i == 1000) t = std::u16string(20000, u'\u00E4');  // compressed, over two records
    if (i == 2000) t = std::u16string(9000, u'\u4E2D');   // UTF-16, over three records
    texts.push_back(t);
    EXPECT_EQ(s.Add(t), static_cast<uint32_t>(i));
  }
  EXPECT_EQ(s.Add(texts[5]), 5u) << "an existing string is used again";
  const uint64_t base = 777;
  Written w = Write(s, base);
  for (const BiffRecord& r : w.records) EXPECT_LE(r.body.size(), kMaxRecordBody);
  SharedStrings back = ReadBack(w);
  ASSERT_EQ(back.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(back.at(i).text, texts[i]) << i;

  const BiffRecord& ext = w.records.back();
  ASSERT_EQ(ext.type, rt::kExtSst);
  uint16_t perBucket = GetLe16(ext.body, 0);
  size_t buckets = (ext.body.size() - 2) / 8;
  EXPECT_LE(buckets, 128u);
  EXPECT_EQ(buckets, (texts.size() + perBucket - 1) / perBucket);
  for (size_t b = 0; b < buckets; ++b) {
    size_t at = GetLe32(ext.body, 2 + 8 * b) - base;
    uint16_t inRecord = GetLe16(ext.body, 6 + 8 * b);
    EXPECT_EQ(GetLe16(w.bytes, at), texts[b * perBucket].size()) << "bucket " << b;
    uint16_t type = GetLe16(w.bytes, at - inRecord);
    EXPECT_TRUE(type == rt::kSst || type == rt::kContinue) << "bucket " << b;
  }
}

}  // namespace
