#include "platform/appledouble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "platform/bytefields.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A sidecar as a Mac writes it on a foreign volume: two entries, Finder
// information at 50 and 3760 bytes long with an extended-attribute block
// inside, the resource fork at 3810.
Bytes MacSidecar() {
  std::ifstream in(KxSourceDir() + "/tests/data/document/mac-sidecar", std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(AppleDouble, AGrownForkLeavesTheMacEntriesInPlace) {
  KxAppleDouble ad;
  const Bytes mac = MacSidecar();
  ASSERT_EQ(ad.Parse(mac.data(), mac.size()), 0);
  KxResFork fork;
  ASSERT_EQ(ad.GetResourceFork(fork), 0);
  fork.Put(FourCC("styl"), 129, std::string(5000, 's').data(), 5000);
  ASSERT_EQ(ad.SetResourceFork(fork), 0);
  ad.SetTypeCreator(FourCC("TEXT"), FourCC("ttxt"));
  Bytes out = ad.Build();
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 46, mac.begin()));
  EXPECT_EQ(KxGetU32BE(out.data() + 54), FourCC("ttxt"));
  EXPECT_TRUE(std::equal(out.begin() + 58, out.begin() + 3810, mac.begin() + 58));
  KxAppleDouble back;
  ASSERT_EQ(back.Parse(out.data(), out.size()), 0);
  KxResFork again;
  ASSERT_EQ(back.GetResourceFork(again), 0);
  EXPECT_EQ(again.Find(FourCC("styl"), 129)->data.size(), 5000u);
  EXPECT_EQ(again.Items().size(), fork.Items().size());
}

TEST(AppleDouble, UnknownEntriesAreCarried) {
  KxAppleDouble ad;
  ad.SetTypeCreator(FourCC("TEXT"), FourCC("KXTE"));
  ad.Set(15, {1, 2, 3});  // something we do not know
  ASSERT_EQ(ad.SetResourceFork(KxResFork()), 0);
  KxResFork fork;
  fork.Put(FourCC("TEXT"), 1, "x", 1);
  ASSERT_EQ(ad.SetResourceFork(fork), 0);
  Bytes b = ad.Build();
  // Our own: Finder information first (32 bytes), the fork last.
  EXPECT_EQ(KxGetU16BE(b.data() + 24), 3);
  EXPECT_EQ(KxGetU32BE(b.data() + 26), 9u);
  EXPECT_EQ(KxGetU32BE(b.data() + 34), 32u);
  EXPECT_EQ(KxGetU32BE(b.data() + 50), 2u);
  KxAppleDouble back;
  ASSERT_EQ(back.Parse(b.data(), b.size()), 0);
  ASSERT_NE(back.Find(15), nullptr);
  EXPECT_EQ(back.Find(15)->data, Bytes({1, 2, 3}));
  // Emptying the fork keeps an empty entry, so nothing after the table moves.
  ASSERT_EQ(back.SetResourceFork(KxResFork()), 0);
  Bytes c = back.Build();
  EXPECT_EQ(KxGetU16BE(c.data() + 24), 3);
  EXPECT_EQ(KxGetU32BE(c.data() + 58), 0u);
}

TEST(AppleDouble, DamagedSidecarsAreRefused) {
  const Bytes good = MacSidecar();
  ASSERT_GT(good.size(), 3830u);
  KxAppleDouble ad;
  for (std::size_t n : {0, 4, 25, 26, 49}) EXPECT_EQ(ad.Parse(good.data(), n), EBADMSG) << n;
  EXPECT_EQ(ad.Parse(good.data(), good.size() - 1), EBADMSG);  // fork entry past the end
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"magic", 0, 0x00051600},       {"version", 4, 0x00030000},     {"entry offset", 30, 0xFFFFFFF0},
      {"entry length", 34, 0x10000},  {"entry id 0", 26, 0},         {"repeated id", 38, 9},
  };
  for (const Case& c : cases) {
    Bytes b = good;
    KxPutU32BE(b.data() + c.at, c.value);
    EXPECT_EQ(ad.Parse(b.data(), b.size()), EBADMSG) << c.what;
    EXPECT_TRUE(ad.Entries().empty());
  }
  Bytes b = good;
  KxPutU16BE(b.data() + 24, 0xFFFF);
  EXPECT_EQ(ad.Parse(b.data(), b.size()), EBADMSG);
  // Overlapping entries whose copies would pass the file's size.
  b = good;
  KxPutU32BE(b.data() + 42, 0);
  KxPutU32BE(b.data() + 46, static_cast<std::uint32_t>(b.size()));
  EXPECT_EQ(ad.Parse(b.data(), b.size()), EBADMSG);
  // A damaged fork inside a sound sidecar.
  b = good;
  std::fill(b.begin() + 3810, b.begin() + 3830, 0xFF);
  ASSERT_EQ(ad.Parse(b.data(), b.size()), 0);
  KxResFork fork;
  EXPECT_EQ(ad.GetResourceFork(fork), EBADMSG);
}

TEST(AppleDouble, SidecarPath) {
  EXPECT_EQ(KxSidecarPath("/a/b/name.txt"), "/a/b/._name.txt");
  EXPECT_EQ(KxSidecarPath("name"), "._name");
  EXPECT_EQ(KxSidecarPath("/name"), "/._name");
}

}  // namespace
