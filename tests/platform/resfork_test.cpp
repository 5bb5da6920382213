#include "platform/resfork.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/appledouble.h"
#include "platform/bytefields.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

KxResFork Sample() {
  KxResFork f;
  f.Put(FourCC("styl"), 128, "styles", 6);
  f.Put(FourCC("TEXT"), 1, "text", 4);
  KxResForkItem& named = f.Put(FourCC("sfnt"), -2, "\0\1\0\0", 4);
  named.hasName = true;
  named.name = "Font Name";
  named.attributes = 0x20;
  f.Put(FourCC("styl"), 7, "", 0);
  return f;
}

TEST(ResourceFork, BuildsTheClassicLayout) {
  Bytes b;
  ASSERT_EQ(Sample().Build(b), 0);
  // Header: data at 256, map behind the data.
  EXPECT_EQ(KxGetU32BE(b.data()), 256u);
  const std::uint32_t mapAt = KxGetU32BE(b.data() + 4);
  const std::uint32_t dataLength = KxGetU32BE(b.data() + 8);
  EXPECT_EQ(dataLength, 4u * 4 + 6 + 4 + 4 + 0);
  EXPECT_EQ(mapAt, 256 + dataLength);
  EXPECT_EQ(KxGetU32BE(b.data() + 12), b.size() - mapAt);
  const std::uint8_t* map = b.data() + mapAt;
  EXPECT_EQ(KxGetU16BE(map + 24), 28);  // type list right behind the fixed part
  const std::uint8_t* types = map + 28;
  EXPECT_EQ(KxGetU16BE(types), 2);  // three types, stored minus one
  EXPECT_EQ(KxGetU32BE(types + 2), FourCC("TEXT"));
  EXPECT_EQ(KxGetU32BE(types + 10), FourCC("sfnt"));
  EXPECT_EQ(KxGetU32BE(types + 18), FourCC("styl"));
  EXPECT_EQ(KxGetU16BE(types + 22), 1);  // two 'styl', minus one
  // The 'sfnt' reference: ID, name offset 0, attributes, 24-bit data offset.
  const std::uint8_t* ref = types + KxGetU16BE(types + 16);
  EXPECT_EQ(static_cast<std::int16_t>(KxGetU16BE(ref)), -2);
  EXPECT_EQ(KxGetU16BE(ref + 2), 0);
  EXPECT_EQ(ref[4], 0x20);
  const std::uint32_t at = KxGetU24BE(ref + 5);
  EXPECT_EQ(KxGetU32BE(b.data() + 256 + at), 4u);
  const std::uint8_t* names = map + KxGetU16BE(map + 26);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(names + 1), names[0]), "Font Name");
}

TEST(ResourceFork, RoundTripKeepsNamesAttributesAndEmptyResources) {
  Bytes b;
  ASSERT_EQ(Sample().Build(b), 0);
  KxResFork f;
  ASSERT_EQ(f.Parse(b.data(), b.size()), 0);
  ASSERT_EQ(f.Items().size(), 4u);
  const KxResForkItem* s = f.Find(FourCC("sfnt"), -2);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->hasName);
  EXPECT_EQ(s->name, "Font Name");
  EXPECT_EQ(s->attributes, 0x20);
  EXPECT_EQ(s->data, Bytes({0, 1, 0, 0}));
  ASSERT_NE(f.Find(FourCC("styl"), 7), nullptr);
  EXPECT_TRUE(f.Find(FourCC("styl"), 7)->data.empty());
  EXPECT_EQ(f.Find(FourCC("styl"), 128)->data, Str("styles"));
  EXPECT_EQ(f.Find(FourCC("styl"), 129), nullptr);
  Bytes again;
  ASSERT_EQ(f.Build(again), 0);
  EXPECT_EQ(again, b);
  // Replacing keeps the name; removing works once.
  f.Put(FourCC("sfnt"), -2, "x", 1);
  EXPECT_EQ(f.Find(FourCC("sfnt"), -2)->name, "Font Name");
  EXPECT_TRUE(f.Remove(FourCC("sfnt"), -2));
  EXPECT_FALSE(f.Remove(FourCC("sfnt"), -2));
  // No resources at all is still a valid fork.
  KxResFork empty;
  ASSERT_EQ(empty.Build(b), 0);
  ASSERT_EQ(f.Parse(b.data(), b.size()), 0);
  EXPECT_TRUE(f.Empty());
}

TEST(ResourceFork, EveryTruncationIsRefused) {
  Bytes b;
  ASSERT_EQ(Sample().Build(b), 0);
  for (std::size_t n = 0; n < b.size(); ++n) {
    KxResFork f;
    EXPECT_EQ(f.Parse(b.data(), n), EBADMSG) << n;
    EXPECT_TRUE(f.Empty());
  }
}

TEST(ResourceFork, DamagedFieldsAreRefused) {
  Bytes good;
  ASSERT_EQ(Sample().Build(good), 0);
  const std::uint32_t mapAt = KxGetU32BE(good.data() + 4);
  const std::size_t types = mapAt + 28;
  const std::size_t firstRef = types + KxGetU16BE(good.data() + types + 8);
  struct Case {
    const char* what;
    std::size_t at;
    int width;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"data length past the file", 8, 4, 0xFFFFFFF0},
      {"map offset past the file", 4, 4, 0x7FFFFFFF},
      {"type list offset past the map", mapAt + 24, 2, 0xFFF0},
      {"type count past the map", types, 2, 0x0FFF},
      {"reference list past the map", types + 8, 2, 0xFFF0},
      {"resource count past the map", types + 6, 2, 0x0FFF},
      {"data offset past the data", firstRef + 5, 3, 0xFFFFF0},
      {"name offset past the map", firstRef + 2, 2, 0x7000},
  };
  for (const Case& c : cases) {
    Bytes b = good;
    if (c.width == 4) KxPutU32BE(b.data() + c.at, c.value);
    if (c.width == 3) KxPutU24BE(b.data() + c.at, c.value);
    if (c.width == 2) KxPutU16BE(b.data() + c.at, static_cast<std::uint16_t>(c.value));
    KxResFork f;
    EXPECT_EQ(f.Parse(b.data(), b.size()), EBADMSG) << c.what;
  }
  // A resource length that passes the data area.
  Bytes b = good;
  KxPutU32BE(b.data() + 256, 0x7FFFFFFF);
  KxResFork f;
  EXPECT_EQ(f.Parse(b.data(), b.size()), EBADMSG);
}

TEST(ResourceFork, SharedBlocksCannotMultiplyMemory) {
  // Two references to one block are read while their copies together fit
  // in the data area; past that the fork is refused rather than copied.
  KxResFork f;
  f.Put(FourCC("AAAA"), 1, "12345678", 8);
  f.Put(FourCC("AAAA"), 2, "12345678", 8);
  Bytes b;
  ASSERT_EQ(f.Build(b), 0);
  const std::uint32_t mapAt = KxGetU32BE(b.data() + 4);
  const std::size_t refs = mapAt + 28 + KxGetU16BE(b.data() + mapAt + 28 + 8);
  KxPutU24BE(b.data() + refs + 12 + 5, 0);
  KxResFork g;
  EXPECT_EQ(g.Parse(b.data(), b.size()), 0);  // both copies still fit
  KxPutU32BE(b.data() + 256, 12);              // now one block spans the area
  EXPECT_EQ(g.Parse(b.data(), b.size()), EBADMSG);
}

TEST(ResourceFork, DataPast16MiBIsRefused) {
  KxResFork f;
  std::vector<std::uint8_t> big(KxResFork::kMaxDataArea - 4, 0x5A);
  f.Put(FourCC("sfnt"), 1, big.data(), big.size());
  Bytes b;
  ASSERT_EQ(f.Build(b), 0);
  KxResFork g;
  ASSERT_EQ(g.Parse(b.data(), b.size()), 0);
  EXPECT_EQ(g.Find(FourCC("sfnt"), 1)->data.size(), big.size());
  f.Put(FourCC("TEXT"), 1, "", 0);  // four more bytes of length
  EXPECT_EQ(f.Build(b), EFBIG);
  EXPECT_TRUE(b.empty());
}

TEST(ResourceFork, TypeText) {
  EXPECT_EQ(KxTypeText(FourCC("sfnt")), "sfnt");
  EXPECT_EQ(KxTypeText(0x41420001), "AB\\x00\\x01");
}

}  // namespace
