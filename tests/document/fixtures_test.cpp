// Files written elsewhere: a container written by a big-endian machine, a
// sidecar as a Mac writes it, a resource fork made by another program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "document/resource.h"
#include "platform/bytefields.h"
#include "platform/files.h"

namespace {

std::string Fixture(const std::string& name) { return KxSourceDir() + "/tests/data/document/" + name; }

class LongResFile : public CKXResFile {
 public:
  using CKXResFile::CKXResFile;
  void InvertResource(ResType type, short, void* buffer, long size) override {
    if (type != FourCC("LONG")) return;
    auto* p = static_cast<std::uint8_t*>(buffer);
    for (long i = 0; i + 4 <= size; i += 4) KxPutU32N(p + i, KxSwap32(KxGetU32N(p + i)));
  }
  using CKXResource::InvertResource;
};

TEST(Fixtures, BigEndianContainer) {
  int fd = open(Fixture("bigendian.kxt").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    LongResFile f(fd);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.IsInverted(), std::endian::native == std::endian::little);
    std::uint32_t v[2];
    ASSERT_TRUE(f.ReadResource(v, 8, FourCC("LONG"), 1));
    EXPECT_EQ(v[0], 0x01020304u);
    EXPECT_EQ(v[1], 7u);
    char text[4];
    ASSERT_TRUE(f.ReadResource(text, 4, FourCC("TEXT"), 1));
    EXPECT_EQ(std::string(text, 4), "text");
  }
  close(fd);
}

TEST(Fixtures, ForkMadeByAnotherProgram) {
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(KxReadFile(Fixture("ufond-tiny.rsrc"), bytes), 0);
  KxResFork fork;
  ASSERT_EQ(fork.Parse(bytes.data(), bytes.size()), 0);
  ASSERT_EQ(fork.Items().size(), 2u);
  const KxResForkItem& fond = fork.Items()[0];
  EXPECT_EQ(fond.type, FourCC("FOND"));
  EXPECT_EQ(fond.name, "Tiny");
  EXPECT_EQ(fork.Items()[1].type, FourCC("NFNT"));
  EXPECT_EQ(fork.Items()[1].id, fond.id);
  // The family record begins with its flags and its own family ID.
  ASSERT_GE(fond.data.size(), 4u);
  EXPECT_EQ(static_cast<std::int16_t>(KxGetU16BE(fond.data.data() + 2)), fond.id);
}

TEST(Fixtures, MacSidecarKeepsItsAttributesAcrossARewrite) {
  char tmpl[] = "/tmp/kxfixXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::vector<std::uint8_t> mac;
  ASSERT_EQ(KxReadFile(Fixture("mac-sidecar"), mac), 0);
  ASSERT_EQ(KxWriteFileSafely(dir + "/._doc", mac.data(), mac.size()), 0);
  OSType type, creator;
  EXPECT_TRUE(KxGetFileTypeCreator(dir + "/doc", type, creator));
  EXPECT_EQ(creator, FourCC("KXTE"));
  KxResFork fork;
  ASSERT_EQ(KxReadResourceFork(dir + "/doc", fork), 0);
  ASSERT_NE(fork.Find(FourCC("styl"), 128), nullptr);
  EXPECT_EQ(fork.Find(FourCC("styl"), 128)->name, "named");
  fork.Remove(FourCC("TEXT"), 128);
  fork.Put(FourCC("deco"), 128, "decorations", 11);
  ASSERT_EQ(KxWriteResourceFork(dir + "/doc", fork), 0);
  std::vector<std::uint8_t> after;
  ASSERT_EQ(KxReadFile(dir + "/._doc", after), 0);
  // Header, table and the whole Finder information with the attribute
  // block are as the Mac wrote them; only the fork's length differs.
  ASSERT_GT(after.size(), 3810u);
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 46, mac.begin()));
  EXPECT_TRUE(std::equal(after.begin() + 50, after.begin() + 3810, mac.begin() + 50));
  KxResFork back;
  ASSERT_EQ(KxReadResourceFork(dir + "/doc", back), 0);
  EXPECT_EQ(back.Find(FourCC("TEXT"), 128), nullptr);
  EXPECT_NE(back.Find(FourCC("deco"), 128), nullptr);
  EXPECT_EQ(back.Find(FourCC("styl"), 128)->name, "named");
  ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

}  // namespace
