// The spelling checkers' preference chunk, big-endian field by field, and
// what an untrusted chunk may do.
#include <gtest/gtest.h>

#include "app/prefs_file.h"
#include "app/word_services.h"

namespace {

KxWordService Checker(const std::string& name, const std::string& program, std::vector<std::string> args,
                      bool icon = false) {
  KxWordService s;
  s.name = name;
  s.program = program;
  s.args = std::move(args);
  if (icon) s.icon.fill(0x5A);
  return s;
}

TEST(WordServices, RoundTripsBothWaysBigEndian) {
  const std::vector<KxWordService> in = {Checker("Hunspell 1.7.2", "/usr/bin/hunspell", {"-i", "utf-8"}, true),
                                         Checker("Aspell", "/usr/bin/aspell", {"--encoding=utf-8"})};
  const std::vector<std::uint8_t> bytes = UWordServices::Encode(in);
  // Record 1: kind 1, the name, the icon, 0; the reference's size at byte 4.
  ASSERT_GE(bytes.size(), 80u);
  EXPECT_EQ(bytes[3], 1);
  EXPECT_EQ(bytes[4], 14);
  EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 19), "Hunspell 1.7.2");
  EXPECT_EQ(bytes[36], 0x5A);
  EXPECT_EQ(bytes[68] | bytes[69] | bytes[70] | bytes[71], 0);
  const std::size_t refSize = std::size_t(bytes[76] << 8 | bytes[77]);
  EXPECT_EQ(refSize, 8u + 2 + 17 + 2 + 2 + 2 + 5);
  const std::vector<KxWordService> out = UWordServices::Decode(bytes.data(), bytes.size());
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, "Hunspell 1.7.2");
  EXPECT_EQ(out[0].args, (std::vector<std::string>{"-i", "utf-8"}));
  EXPECT_TRUE(UWordServices::HasIcon(out[0]));
  EXPECT_FALSE(UWordServices::HasIcon(out[1]));
  EXPECT_EQ(UWordServices::Encode(out), bytes);
  EXPECT_EQ(UWordServices::DumpLine(1, out[0]), "WSrv.checker 1 = Hunspell 1.7.2 | /usr/bin/hunspell -i utf-8 | icon yes");
  EXPECT_EQ(UWordServices::DumpLine(2, out[1]), "WSrv.checker 2 = Aspell | /usr/bin/aspell --encoding=utf-8 | icon no");
}

TEST(WordServices, UntrustedChunksStopSkipOrCut) {
  const std::vector<std::uint8_t> good =
      UWordServices::Encode({Checker("A", "/bin/a", {}), Checker("B", "/bin/b", {"x"}), Checker("C", "/bin/c", {})});
  const std::size_t first = 72 + 8 + 2 + 6;
  // A size beyond the chunk ends the list there.
  std::vector<std::uint8_t> beyond = good;
  beyond[first + 76] = 0x7F;
  EXPECT_EQ(UWordServices::Decode(beyond.data(), beyond.size()).size(), 1u);
  // A size below the reference's header ends it too.
  std::vector<std::uint8_t> small = good;
  small[first + 76] = 0;
  small[first + 77] = 7;
  EXPECT_EQ(UWordServices::Decode(small.data(), small.size()).size(), 1u);
  // Another kind is skipped, the rest read.
  std::vector<std::uint8_t> kind = good;
  kind[first + 3] = 2;
  const auto skipped = UWordServices::Decode(kind.data(), kind.size());
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_EQ(skipped[1].name, "C");
  // A name length above 31 is cut, never inside a double-byte character.
  std::vector<std::uint8_t> longName = good;
  longName[4] = 200;
  for (std::size_t i = 0; i < 31; ++i) longName[5 + i] = i % 2 ? 0xA0 : 0x88;
  const auto cut = UWordServices::Decode(longName.data(), longName.size());
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut[0].name.size(), 30u);
  // Torn data reads what is whole and nothing past the end.
  for (std::size_t n = 0; n < good.size(); ++n) {
    const std::vector<std::uint8_t> torn(good.begin(), good.begin() + std::ptrdiff_t(n));
    EXPECT_LE(UWordServices::Decode(torn.data(), torn.size()).size(), 3u);
  }
  EXPECT_TRUE(UWordServices::Decode(nullptr, 0).empty());
}

TEST(WordServices, RegistryKeepsTheChunkAndItsOrder) {
  KxInstallWordServices(true);
  UWordServices::AddService(Checker("One", "/bin/1", {}));
  UWordServices::AddService(Checker("Two", "/bin/2", {}));
  UWordServices::AddService(Checker("Three", "/bin/3", {}));
  EXPECT_TRUE(UWordServices::IsModified());
  EXPECT_TRUE(UWordServices::DeleteService(2));
  EXPECT_FALSE(UWordServices::DeleteService(3));
  KxWordService s;
  ASSERT_TRUE(UWordServices::GetService(2, s));
  EXPECT_EQ(s.name, "Three");
  const KxBlock chunk = KxPrefOwnedData(FourCC("WSrv"));
  UWordServices::SetData(chunk.data(), chunk.size());
  EXPECT_EQ(UWordServices::CountServices(), 2);
  EXPECT_FALSE(UWordServices::IsModified());
  KxInstallWordServices(false);
}

}  // namespace
