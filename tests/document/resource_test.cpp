#include "document/resource.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/bytefields.h"
#include "platform/exception.h"
#include "text/base/memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr ResType kText = FourCC("TEXT");
constexpr ResType kStyl = FourCC("styl");
constexpr ResType kLong = FourCC("LONG");

// A container whose 'LONG' resources are arrays of 32-bit numbers in the
// writer's order, converted by the inversion hook; writes can be made to fail.
class TestResource : public CKXMemResource {
 public:
  using CKXMemResource::CKXMemResource;
  void InvertResource(ResType type, short, void* buffer, long size) override {
    ++inverted;
    if (type != kLong) return;
    auto* p = static_cast<std::uint8_t*>(buffer);
    for (long i = 0; i + 4 <= size; i += 4) KxPutU32N(p + i, KxSwap32(KxGetU32N(p + i)));
  }
  Boolean WriteData(const void* buffer, long length) override {
    if (failWrites) return false;
    return CKXMemResource::WriteData(buffer, length);
  }
  using CKXResource::InvertResource;
  int inverted = 0;
  bool failWrites = false;
};

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool Put(CKXResource& r, ResType type, short id, const std::string& s) {
  std::string copy = s;
  return r.WriteResource(copy.data(), static_cast<long>(copy.size()), type, id);
}

std::string Get(CKXResource& r, ResType type, short id) {
  Handle h = r.ReadResource(type, id);
  if (!h) return "<none>";
  std::string s(*h, static_cast<std::size_t>(KxMemHSize(h)));
  KxMemHFree(h);
  return s;
}

Bytes Closed(CKXMemResource& r) {
  EXPECT_TRUE(r.CloseResInfo());
  return r.Bytes();
}

// A container laid out by hand, field by field, in either byte order: one
// map per (type, entries) pair; each entry's data follows in the data area.
struct HandEntry {
  short id;
  Bytes data;
};
struct HandMap {
  ResType type;
  std::vector<HandEntry> entries;
};
Bytes HandBuilt(const std::vector<HandMap>& maps, bool foreign, std::uint16_t version = kKxResVersion) {
  auto u16 = [&](std::uint16_t v) -> std::uint16_t { return foreign ? KxSwap16(v) : v; };
  auto u32 = [&](std::uint32_t v) -> std::uint32_t { return foreign ? KxSwap32(v) : v; };
  Bytes out;
  auto put16 = [&](std::uint16_t v) {
    std::uint8_t b[2];
    KxPutU16N(b, u16(v));
    out.insert(out.end(), b, b + 2);
  };
  auto put32 = [&](std::uint32_t v) {
    std::uint8_t b[4];
    KxPutU32N(b, u32(v));
    out.insert(out.end(), b, b + 4);
  };
  std::vector<std::vector<std::uint32_t>> offsets;
  for (const HandMap& m : maps) {
    offsets.emplace_back();
    for (const HandEntry& e : m.entries) {
      offsets.back().push_back(static_cast<std::uint32_t>(out.size()));
      out.insert(out.end(), e.data.begin(), e.data.end());
    }
  }
  std::vector<SKXResFoot> dir;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    SKXResFoot f{maps[i].type, static_cast<std::uint32_t>(out.size()),
                 static_cast<std::uint32_t>(6 + 10 * maps[i].entries.size())};
    dir.push_back(f);
    put32(maps[i].type);
    put16(static_cast<std::uint16_t>(maps[i].entries.size()));
    for (std::size_t k = 0; k < maps[i].entries.size(); ++k) {
      put16(static_cast<std::uint16_t>(maps[i].entries[k].id));
      put32(offsets[i][k]);
      put32(static_cast<std::uint32_t>(maps[i].entries[k].data.size()));
    }
  }
  for (const SKXResFoot& f : dir) {
    put32(f.type);
    put32(f.offset);
    put32(f.size);
  }
  put16(static_cast<std::uint16_t>(maps.size()));
  put16(version);
  put32(kKxResMagic);
  return out;
}

Bytes Longs(std::initializer_list<std::uint32_t> values, bool foreign) {
  Bytes b;
  for (std::uint32_t v : values) {
    std::uint8_t x[4];
    KxPutU32N(x, foreign ? KxSwap32(v) : v);
    b.insert(b.end(), x, x + 4);
  }
  return b;
}

TEST(ResourceContainer, IdZeroTakesTheSmallestFreeId) {
  CKXMemResource r;
  EXPECT_EQ(r.GetUniqueID(kText), 1);
  ASSERT_TRUE(Put(r, kText, 0, "one"));
  ASSERT_TRUE(Put(r, kText, 0, "two"));
  EXPECT_EQ(r.GetIndResID(kText, 1), 1);
  EXPECT_EQ(r.GetIndResID(kText, 2), 2);
  CKXMemResource s;
  for (short id : {5, 1, 2}) ASSERT_TRUE(Put(s, kStyl, id, "x"));
  ASSERT_TRUE(Put(s, kStyl, 0, "three"));
  EXPECT_EQ(Get(s, kStyl, 3), "three");
  for (short id : {-5, -1, 4, 6}) ASSERT_TRUE(Put(s, kStyl, id, "x"));
  EXPECT_EQ(s.GetUniqueID(kStyl), 7);
  CKXMemResource negative;
  ASSERT_TRUE(Put(negative, kText, -2, "x"));
  EXPECT_EQ(negative.GetUniqueID(kText), 1);
  EXPECT_TRUE(r.IsOpen());
  EXPECT_TRUE(r.IsModified());
}

TEST(ResourceContainer, RoundTripByIdAndByIndex) {
  CKXMemResource w;
  ASSERT_TRUE(Put(w, kText, 1, "the text"));
  ASSERT_TRUE(Put(w, kStyl, 128, "styles"));
  ASSERT_TRUE(Put(w, kStyl, -3, "negative"));
  ASSERT_TRUE(Put(w, kStyl, 7, "seven"));
  CKXMemResource r(Closed(w));
  EXPECT_FALSE(r.IsOpen());
  r.OpenResInfo();
  ASSERT_TRUE(r.IsOpen());
  EXPECT_FALSE(r.IsInverted());
  EXPECT_EQ(r.CountResTypes(), 2);
  EXPECT_EQ(r.GetIndResType(1), kText);
  EXPECT_EQ(r.GetIndResType(2), kStyl);
  EXPECT_EQ(r.GetIndResType(3), 0u);
  EXPECT_EQ(r.CountResources(kStyl), 3);
  // Sorted by signed ID.
  EXPECT_EQ(r.GetIndResID(kStyl, 1), -3);
  EXPECT_EQ(r.GetIndResID(kStyl, 2), 7);
  EXPECT_EQ(r.GetIndResID(kStyl, 3), 128);
  EXPECT_EQ(r.GetIndResID(kStyl, 4), 0);
  EXPECT_EQ(Get(r, kText, 1), "the text");
  EXPECT_EQ(Get(r, kStyl, -3), "negative");
  EXPECT_EQ(Get(r, kStyl, 9), "<none>");
  EXPECT_EQ(r.GetResSize(kStyl, 128), 6);
  EXPECT_EQ(r.GetResIndex(kStyl, 7), 2);
  EXPECT_FALSE(r.IsResExist(kText, 2));
  Handle h = r.ReadIndResource(kStyl, 2);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(std::string(*h, 5), "seven");
  KxMemHFree(h);
  char buf[8];
  EXPECT_TRUE(r.ReadIndResource(buf, 8, kStyl, 1));
  EXPECT_EQ(std::string(buf, 8), "negative");

  // Rewrite by index, add by index past the end (a new ID), write a handle.
  std::string v = "SEVEN!";
  ASSERT_TRUE(r.WriteIndResource(v.data(), 6, kStyl, 2));
  std::string n = "new";
  ASSERT_TRUE(r.WriteIndResource(n.data(), 3, kText, 9));
  Handle data = KxMemHAlloc(4, true);
  std::memcpy(*data, "hndl", 4);
  ASSERT_TRUE(r.WriteResource(data, kText, 5));
  KxMemHFree(data);
  CKXMemResource again(Closed(r));
  again.OpenResInfo();
  EXPECT_EQ(Get(again, kStyl, 7), "SEVEN!");
  EXPECT_EQ(Get(again, kText, 2), "new");
  EXPECT_EQ(Get(again, kText, 5), "hndl");
  EXPECT_EQ(Get(again, kText, 1), "the text");
  long offset, size;
  again.ReadIndResInfo(kText, 3, offset, size);
  EXPECT_EQ(size, 4);
  ASSERT_TRUE(again.WriteIndResInfo(kText, 3, offset, 2));
  EXPECT_EQ(Get(again, kText, 5), "hn");
  EXPECT_FALSE(again.WriteIndResInfo(kText, 9, 0, 1));
}

TEST(ResourceContainer, WrittenLayoutIsTheFileFormat) {
  // Data, one map per type, the directory and the footer, packed.
  CKXMemResource one;
  ASSERT_TRUE(Put(one, kText, 1, "abcd"));
  ASSERT_TRUE(Put(one, kText, 2, "ef"));
  EXPECT_EQ(Closed(one), HandBuilt({{kText, {{1, Str("abcd")}, {2, Str("ef")}}}}, false));
  CKXMemResource two;
  ASSERT_TRUE(Put(two, kText, 1, "abcd"));
  ASSERT_TRUE(Put(two, kStyl, 1, "ef"));
  EXPECT_EQ(Closed(two), HandBuilt({{kText, {{1, Str("abcd")}}}, {kStyl, {{1, Str("ef")}}}}, false));
}

TEST(ResourceContainer, RewritesInPlaceOrAppends) {
  CKXMemResource w;
  ASSERT_TRUE(Put(w, kText, 1, "0123456789"));
  ASSERT_TRUE(Put(w, kText, 2, "tail"));
  CKXMemResource r(Closed(w));
  r.OpenResInfo();
  long offset, size;
  ASSERT_TRUE(Put(r, kText, 1, "abc"));
  r.ReadResInfo(kText, 1, offset, size);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(size, 3);
  ASSERT_TRUE(Put(r, kText, 1, "a much longer text"));
  r.ReadResInfo(kText, 1, offset, size);
  EXPECT_EQ(offset, 14);  // appended behind the data area
  Bytes b = Closed(r);
  // The old block stays behind as dead space.
  EXPECT_EQ(std::string(b.begin(), b.begin() + 14), "abc3456789tail");
  CKXMemResource again(b);
  again.OpenResInfo();
  EXPECT_EQ(Get(again, kText, 1), "a much longer text");
  EXPECT_EQ(Get(again, kText, 2), "tail");
}

TEST(ResourceContainer, ShortResourceIntoALargerBuffer) {
  CKXMemResource w;
  ASSERT_TRUE(Put(w, kText, 1, std::string(60, 'x')));
  char buf[100];
  std::memset(buf, '?', sizeof buf);
  EXPECT_TRUE(w.ReadResource(buf, 100, kText, 1));
  EXPECT_EQ(std::string(buf, 60), std::string(60, 'x'));
  EXPECT_EQ(std::string(buf + 60, 40), std::string(40, '\0'));
  // A larger resource fills exactly the buffer.
  EXPECT_TRUE(w.ReadResource(buf, 10, kText, 1));
  std::memset(buf, '?', sizeof buf);
  EXPECT_FALSE(w.ReadResource(buf, 100, kText, 2));
  EXPECT_EQ(std::string(buf, 100), std::string(100, '\0'));
}

TEST(ResourceContainer, ClosingAfterReadsWritesNothing) {
  CKXMemResource w;
  ASSERT_TRUE(Put(w, kText, 1, "abc"));
  Bytes b = Closed(w);
  b.insert(b.begin(), 0);  // garbage in front stays garbage
  b.erase(b.begin());
  CKXMemResource r(b);
  r.OpenResInfo();
  EXPECT_EQ(Get(r, kText, 1), "abc");
  EXPECT_TRUE(r.CloseResInfo());
  EXPECT_EQ(r.Bytes(), b);
  EXPECT_FALSE(r.IsOpen());
}

TEST(ResourceContainer, NotAContainerLeavesThePositionAlone) {
  for (const Bytes& b : {Bytes{}, Str("plain text that is long enough to hold a footer"),
                         HandBuilt({{kText, {{1, Str("x")}}}}, false, 0x0151)}) {
    CKXMemResource r(b);
    r.SetPosition(3);
    r.OpenResInfo();
    EXPECT_FALSE(r.IsOpen());
    EXPECT_EQ(r.CountResTypes(), 0);
    EXPECT_EQ(r.GetPosition(), 3);
  }
}

TEST(ResourceContainer, OtherByteOrderIsConverted) {
  // A container in the other byte order, version 2 too.
  for (std::uint16_t version : {kKxResVersion, kKxResVersion2}) {
    Bytes f = HandBuilt({{kLong, {{1, Longs({0x01020304, 7}, true)}, {300, Longs({9}, true)}}},
                         {kText, {{1, Str("text")}}}},
                        true, version);
    TestResource r(f);
    r.OpenResInfo();
    ASSERT_TRUE(r.IsOpen());
    EXPECT_TRUE(r.IsInverted());
    EXPECT_EQ(r.CountResources(kLong), 2);
    EXPECT_EQ(r.GetIndResID(kLong, 2), 300);
    std::uint32_t v[2];
    ASSERT_TRUE(r.ReadResource(v, 8, kLong, 1));
    EXPECT_EQ(v[0], 0x01020304u);
    EXPECT_EQ(v[1], 7u);
    EXPECT_EQ(Get(r, kText, 1), "text");
  }
  // A reversed magic with the version in our own order is no container.
  TestResource bad(HandBuilt({{kText, {{1, Str("text")}}}}, true, KxSwap16(kKxResVersion)));
  bad.OpenResInfo();
  EXPECT_FALSE(bad.IsOpen());
}

TEST(ResourceContainer, WritingIntoTheOtherByteOrderConvertsEverything) {
  Bytes f = HandBuilt({{kLong, {{1, Longs({0x01020304, 7}, true)}}}, {kText, {{4, Str("text")}}}}, true);
  TestResource r(f);
  r.OpenResInfo();
  ASSERT_TRUE(r.IsInverted());
  std::string added = "added";
  ASSERT_TRUE(r.WriteResource(added.data(), 5, kText, 0));
  EXPECT_FALSE(r.IsInverted());
  Bytes b = Closed(r);
  TestResource again(b);
  again.OpenResInfo();
  ASSERT_TRUE(again.IsOpen());
  EXPECT_FALSE(again.IsInverted());
  std::uint32_t v[2];
  ASSERT_TRUE(again.ReadResource(v, 8, kLong, 1));
  EXPECT_EQ(v[0], 0x01020304u);
  EXPECT_EQ(v[1], 7u);
  EXPECT_EQ(Get(again, kText, 4), "text");
  EXPECT_EQ(Get(again, kText, 1), "added");
  EXPECT_EQ(again.inverted, 0);
}

TEST(ResourceContainer, DamagedContainersAreRefusedOrTrimmed) {
  const Bytes good = HandBuilt({{kText, {{1, Str("abc")}, {2, Str("de")}}}, {kStyl, {{1, Str("s")}}}}, false);
  CKXMemResource check(good);
  check.OpenResInfo();
  ASSERT_EQ(check.CountResTypes(), 2);
  const std::size_t n = good.size();
  const std::size_t dir = n - 32;       // the one directory entry (TEXT's map)
  const std::size_t textMap = 6;        // data: abc de s
  struct Case {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;  // native-order field value
    short typesLeft;
  };
  auto u16 = [](std::uint16_t v) { std::vector<std::uint8_t> b(2); KxPutU16N(b.data(), v); return b; };
  auto u32 = [](std::uint32_t v) { std::vector<std::uint8_t> b(4); KxPutU32N(b.data(), v); return b; };
  const std::vector<Case> cases = {
      {"count beyond the stream", n - 8, u16(0x7FFF), 0},
      {"negative count", n - 8, u16(0xFFFF), 0},
      {"zero count", n - 8, u16(0), 0},
      {"map offset beyond the stream", dir + 4, u32(0x7FFFFF00), 1},
      {"negative map offset", dir + 4, u32(0xFFFFFFF0), 1},
      {"map size past the directory", dir + 8, u32(0x100), 1},
      {"map size below its header", dir + 8, u32(4), 1},
      {"type differs from the directory", dir, u32(FourCC("XXXX")), 1},
      {"zero type in the directory", dir, u32(0), 1},
      {"count beyond the map's size", textMap + 4, u16(3), 1},
      {"negative entry count", textMap + 4, u16(0x8000), 1},
      // A bad entry loses that entry only.
      {"entry offset past the data area", textMap + 8, u32(7), 2},
      {"entry size past the data area", textMap + 12, u32(0x7FFFFFFF), 2},
      {"entry with negative size", textMap + 12, u32(0xFFFFFFFF), 2},
      {"IDs out of order", textMap + 6, u16(5), 1},
      {"duplicate IDs", textMap + 6, u16(2), 1},
      {"blocks overlap", textMap + 18, u32(2), 2},
  };
  for (const Case& c : cases) {
    Bytes b = good;
    std::memcpy(b.data() + c.at, c.bytes.data(), c.bytes.size());
    CKXMemResource r(b);
    r.OpenResInfo();
    EXPECT_EQ(r.CountResTypes(), c.typesLeft) << c.what;
    for (short t = 1; t <= r.CountResTypes(); ++t) {
      const ResType type = r.GetIndResType(t);
      for (short k = 1; k <= r.CountResources(type); ++k) {
        Handle h = r.ReadIndResource(type, k);
        if (h) KxMemHFree(h);
      }
    }
    if (c.typesLeft == 0) {
      EXPECT_EQ(r.GetPosition(), 0) << c.what;
    }
    if (c.typesLeft == 2) {
      // The other entry of the map and the other map are still there.
      EXPECT_EQ(r.CountResources(kText), 1) << c.what;
      EXPECT_TRUE(Get(r, kText, 1) == "abc" || Get(r, kText, 2) == "de") << c.what;
      EXPECT_EQ(Get(r, kStyl, 1), "s") << c.what;
    }
  }
  // A map with more bytes than its count needs is trimmed, not refused.
  Bytes b = HandBuilt({{kText, {{1, Str("abc")}}}}, false);
  b.insert(b.end() - 20, {0, 0, 0, 0});
  KxPutU32N(b.data() + b.size() - 12, 6 + 10 + 4);
  CKXMemResource r(b);
  r.OpenResInfo();
  EXPECT_EQ(Get(r, kText, 1), "abc");
}

TEST(ResourceContainer, FailedWritesLeaveTheMaps) {
  TestResource r;
  ASSERT_TRUE(Put(r, kText, 1, "abc"));
  r.failWrites = true;
  EXPECT_FALSE(Put(r, kText, 2, "def"));
  EXPECT_FALSE(Put(r, kText, 1, "ab"));
  EXPECT_FALSE(r.IsResExist(kText, 2));
  EXPECT_EQ(Get(r, kText, 1), "abc");
  // Closing with failing writes reports it and still frees the maps.
  EXPECT_FALSE(r.CloseResInfo());
  EXPECT_EQ(r.CountResTypes(), 0);
  EXPECT_EQ(r.Bytes().size(), 3u);
}

TEST(ResourceContainer, EveryIdTaken) {
  CKXMemResource r;
  const long n = 0x7FFF;
  Handle map = KxMemHAlloc(6 + 10 * n, true);
  KxPutU32N(*map, kText);
  KxPutU16N(*map + 4, static_cast<std::uint16_t>(n));
  for (long k = 0; k < n; ++k) {
    KxPutU16N(*map + 6 + 10 * k, static_cast<std::uint16_t>(k + 1));
    KxPutU32N(*map + 8 + 10 * k, 0);
    KxPutU32N(*map + 12 + 10 * k, 0);
  }
  r.AddResInfoMap(map);
  EXPECT_EQ(r.GetUniqueID(kText), 0);
  EXPECT_FALSE(Put(r, kText, 0, "x"));
  EXPECT_FALSE(Put(r, kText, -1, "x"));  // the map is full
  EXPECT_EQ(r.GetResIndex(kText, 0x7FFF), 0x7FFF);
  r.CloseResInfo();
}

TEST(ResourceContainer, ThousandsOfResources) {
  CKXMemResource w;
  std::vector<short> ids;
  for (short id = 1; id <= 4000; ++id) ids.push_back(id);
  std::mt19937 rng(7);
  std::shuffle(ids.begin(), ids.end(), rng);
  for (short id : ids) ASSERT_TRUE(Put(w, FourCC("PICT"), id, std::to_string(id)));
  CKXMemResource r(Closed(w));
  r.OpenResInfo();
  ASSERT_EQ(r.CountResources(FourCC("PICT")), 4000);
  for (short id = 1; id <= 4000; ++id) {
    ASSERT_EQ(r.GetIndResID(FourCC("PICT"), id), id);
    ASSERT_EQ(Get(r, FourCC("PICT"), id), std::to_string(id));
  }
}

TEST(ResourceFile, OverARealFile) {
  char path[] = "/tmp/kxresXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  {
    CKXResFile f(fd);
    EXPECT_FALSE(f.IsOpen());
    ASSERT_TRUE(Put(f, kText, 1, "in a file"));
    EXPECT_TRUE(f.CloseResInfo());
  }
  {
    CKXResFile f;
    f.SetFile(fd, true);
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(Get(f, kText, 1), "in a file");
    EXPECT_EQ(f.GetFile(), fd);
  }
  close(fd);
  // A file opened for reading only: the write throws the system's error.
  int ro = open(path, O_RDONLY);
  ASSERT_GE(ro, 0);
  {
    CKXResFile f(ro);
    EXPECT_EQ(Get(f, kText, 1), "in a file");
    try {
      Put(f, kText, 2, "no");
      ADD_FAILURE() << "no exception";
    } catch (const LException& e) {
      EXPECT_EQ(e.GetErrorCode(), EBADF);
    }
  }
  close(ro);
  unlink(path);
}

}  // namespace
