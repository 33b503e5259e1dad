#include <gtest/gtest.h>

#include <functional>

#include "export/cfb_file.h"
#include "export/xls_bytes.h"
#include "export/xls_error.h"
#include "test_rows.h"
#include "temp_dir.h"

using namespace movra;

namespace {

std::string Pattern(size_t size, int seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xFF);
  return s;
}

// Sizes on both sides of the mini stream cutoff and of sector boundaries.
TEST(CompoundFile, StreamsOfEverySizeComeBack) {
  std::vector<std::pair<std::u16string, std::string>> streams;
  const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 70000};
  for (size_t i = 0; i < std::size(sizes); ++i)
    streams.emplace_back(u"Stream" + std::u16string(1, static_cast<char16_t>(u'A' + i)), Pattern(sizes[i], static_cast<int>(i)));
  std::string bytes = CompoundFile::WithStreams(streams, {}).Serialize();
  ASSERT_EQ(bytes.size() % 512, 0u);
  CompoundFile back = CompoundFile::Parse(bytes);
  for (const auto& [name, data] : streams) {
    int i = back.FindInRoot(name);
    ASSERT_GE(i, 0);
    EXPECT_EQ(back.entries()[i].data, data) << data.size();
  }
  // Writing what was read gives the same file.
  EXPECT_EQ(back.Serialize(), bytes);
  EXPECT_GE(back.FindInRoot(u"streamc"), 0) << "names compare without regard to case";
}

// A stream of 8 MB needs more than 109 allocation table sectors, so the table's list
// goes on in extension sectors.
TEST(CompoundFile, LargeFileUsesTableExtensionSectors) {
  std::string big = Pattern(8u << 20, 3);
  std::string bytes = CompoundFile::WithStreams({{u"Workbook", big}, {u"Small", "abc"}}, {}).Serialize();
  EXPECT_GT(GetLe32(bytes, 72), 0u) << "extension sectors";
  EXPECT_GT(GetLe32(bytes, 44), 109u);
  CompoundFile back = CompoundFile::Parse(bytes);
  EXPECT_EQ(back.entries()[back.FindInRoot(u"Workbook")].data, big);
  EXPECT_EQ(back.entries()[back.FindInRoot(u"Small")].data, "abc");
}

// The directory of a new file is a red-black tree in the format's order of names.
TEST(CompoundFile, NewDirectoryIsAValidRedBlackTree) {
  for (int count = 1; count <= 40; ++count) {
    std::vector<std::pair<std::u16string, std::string>> streams;
    for (int i = 0; i < count; ++i) {
      std::u16string name(1 + (i * 7) % 5, static_cast<char16_t>(u'a' + i % 26));
      name += static_cast<char16_t>(u'0' + i / 26);
      streams.emplace_back(name, "x");
    }
    CompoundFile cf = CompoundFile::WithStreams(streams, {});
    const auto& e = cf.entries();
    size_t visited = 0;
    // Returns the black height; checks order and colours below `id`.
    std::function<int(uint32_t, const std::u16string*, const std::u16string*)> check =
        [&](uint32_t id, const std::u16string* lo, const std::u16string* hi) -> int {
      if (id == kCfbNoStream) return 1;
      ++visited;
      const CfbEntry& n = e[id];
      if (lo) {
        EXPECT_LT(CompareCfbNames(*lo, n.name), 0);
      }
      if (hi) {
        EXPECT_LT(CompareCfbNames(n.name, *hi), 0);
      }
      for (uint32_t c : {n.left, n.right}) {
        if (n.color == 0 && c != kCfbNoStream) {
          EXPECT_EQ(e[c].color, 1) << "red node with a red child";
        }
      }
      int l = check(n.left, lo, &n.name), r = check(n.right, &n.name, hi);
      EXPECT_EQ(l, r) << "black heights differ at " << count;
      return l + (n.color == 1 ? 1 : 0);
    };
    EXPECT_EQ(e[e[0].child].color, 1);
    check(e[0].child, nullptr, nullptr);
    EXPECT_EQ(visited, static_cast<size_t>(count));
  }
}

TEST(CompoundFile, FixtureStreamsSurviveRewriting) {
  for (const char* name : {"template-plain.xls", "template-large.xls"}) {
    std::string original = test::ReadFileBytes(test::FixturePath(name));
    CompoundFile a = CompoundFile::Parse(original);
    CompoundFile b = CompoundFile::Parse(a.Serialize());
    ASSERT_EQ(a.entries().size(), b.entries().size());
    for (size_t i = 0; i < a.entries().size(); ++i) {
      EXPECT_EQ(a.entries()[i].name, b.entries()[i].name);
      EXPECT_EQ(a.entries()[i].data, b.entries()[i].data);
      EXPECT_EQ(a.entries()[i].clsid, b.entries()[i].clsid);
    }
    EXPECT_GT(a.entries()[a.FindInRoot(u"Workbook")].data.size(), 2000u) << name;
  }
}

}  // namespace
