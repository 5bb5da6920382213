#include "platform/fonts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/script.h"

namespace {

constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kIpaPGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
constexpr const char* kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

int Round(long long units, long long size, long long upm) { return int((2 * units * size + upm) / (2 * upm)); }

class SyntheticFonts : public ::testing::Test {
 protected:
  void SetUp() override { KxFontInstallBackend(KxSyntheticFontBackend()); }
  void TearDown() override { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

// The fixed rules at 12 points (6, 12, ascent 9, height 13) are what every
// layout test measures with; here only the sizes outside them.
TEST_F(SyntheticFonts, SizeZeroAndNegativeSizes) {
  // Size 0 measures as 12.
  EXPECT_EQ(KxFontGetInfo(kKxApplicationFont, 0, 0).ascent, 9);
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 0, 0, 0x88A4), 12);
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, -5, 0, 'A'), 6);
}

TEST_F(SyntheticFonts, FaceEffectsAreFixedChanges) {
  EXPECT_EQ(KxFaceWidthDelta(0), 0);
  EXPECT_EQ(KxFaceWidthDelta(kFaceItalic | kFaceUnderline), 0);
  EXPECT_EQ(KxFaceWidthDelta(kFaceBold | kFaceShadow), 3);
  EXPECT_EQ(KxFaceWidthDelta(kFaceCondense | kFaceExtend), 0);
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 12, kFaceBold, 'A'), 7);
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 12, kFaceBold | kFaceOutline, 0x88A4), 14);
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 12, kFaceCondense, 'A'), 5);
  // Never below zero: size 1 gives a width of 1, condensed 0.
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 1, kFaceCondense, 'A'), 0);
  const char16_t two[] = {u'A', u'B'};
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 1, kFaceCondense, two, 2), 0);
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 12, kFaceBold, two, 2), 14);
  // Shadow and outline reach below the baseline; other faces keep the metrics.
  EXPECT_EQ(KxFontGetInfo(1, 12, kFaceShadow).descent, 5);
  EXPECT_EQ(KxFontGetInfo(1, 12, kFaceOutline | kFaceShadow).descent, 6);
  EXPECT_EQ(KxFontGetInfo(1, 12, kFaceBold | kFaceItalic).descent, 3);
}

TEST_F(SyntheticFonts, UnicodeAndGlyphWidths) {
  const char16_t text[] = {u'A', u'\u4E9C', 0xD842, 0xDFB7 /* U+20BB7, no glyph */, 0xDC00 /* unpaired */,
                           u'\uFF76', u'\u3042'};
  // 6 + 12 + 6 (missing glyph) + 6 (missing glyph) + 6 + 12
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 12, 0, text, 7), 48);
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 12, 0, text, 0), 0);
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 12, 0, nullptr, 3), 0);
  // An unpaired high surrogate at the end.
  const char16_t high[] = {0xD842};
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 12, 0, high, 1), 6);
  // The Roman family has no ideographs: its missing glyph is narrow.
  EXPECT_EQ(KxFontUTF16Width(20, 12, 0, text + 1, 1), 6);
  EXPECT_EQ(KxFontGlyphWidth(kKxApplicationFont, 12, 0, 0x4E9C), 12);
  EXPECT_EQ(KxFontGlyphWidth(kKxApplicationFont, 12, 0, 'A'), 6);
  EXPECT_EQ(KxFontGlyphWidth(kKxApplicationFont, 12, 0, 0), 6);
  // Very wide strings clamp instead of wrapping.
  std::u16string many(200000, u'\u4E9C');
  EXPECT_EQ(KxFontUTF16Width(kKxApplicationFont, 32767, kFaceExtend, many.data(), std::int32_t(many.size())),
            INT32_MAX);
}

TEST_F(SyntheticFonts, NumbersNamesAndScripts) {
  std::string name;
  ASSERT_TRUE(KxFontFamilyName(kKxApplicationFont, name));
  EXPECT_EQ(name, "KX Synthetic Gothic");
  ASSERT_TRUE(KxFontFamilyName(kKxSystemFont, name));
  EXPECT_EQ(name, "KX Synthetic Gothic");
  EXPECT_EQ(KxFontScript(kKxApplicationFont), kScriptJapanese);
  EXPECT_EQ(KxFontScript(kKxSystemFont), kScriptJapanese);

  // Installed families: numbers in their script's range, names both ways.
  const std::vector<short> numbers = KxFontNumbers();
  ASSERT_EQ(numbers.size(), 2u);
  short gothic = 0, roman = 0;
  ASSERT_TRUE(KxFontNumberFromName("KX Synthetic Gothic", gothic));
  ASSERT_TRUE(KxFontNumberFromName("kx synthetic roman", roman));
  EXPECT_GE(gothic, 0x4100);
  EXPECT_LE(gothic, 0x41FF);
  EXPECT_GE(roman, 0x0400);
  EXPECT_LT(roman, 0x4000);
  EXPECT_EQ(KxFontScript(gothic), kScriptJapanese);
  EXPECT_EQ(KxFontScript(roman), kScriptRoman);
  ASSERT_TRUE(KxFontPostScriptName(roman, name));
  EXPECT_EQ(name, "KXSyntheticRoman");
  short n = 0;
  ASSERT_TRUE(KxFontNumberFromPostScriptName("KXSyntheticGothic", n));
  EXPECT_EQ(n, gothic);
  EXPECT_FALSE(KxFontNumberFromPostScriptName("NoSuchFont", n));
  EXPECT_FALSE(KxFontNumberFromName("No Such Font", n));

  // Classic numbers keep their own script whatever family they land on.
  EXPECT_TRUE(KxFontNumberFromName("Times", n));
  EXPECT_EQ(n, 20);
  EXPECT_TRUE(KxFontNumberFromName("osaka", n));
  EXPECT_EQ(n, 16384);
  EXPECT_EQ(KxFontScript(20), kScriptRoman);
  EXPECT_EQ(KxFontScript(16384), kScriptJapanese);
  ASSERT_TRUE(KxFontFamilyName(21, name));
  EXPECT_EQ(name, "KX Synthetic Roman");
  ASSERT_TRUE(KxFontFamilyName(16384, name));
  EXPECT_EQ(name, "KX Synthetic Gothic");

  // Unknown numbers: script by range, and they still measure.
  EXPECT_FALSE(KxFontIsKnown(0x4055));
  EXPECT_FALSE(KxFontFamilyName(0x4055, name));
  EXPECT_EQ(KxFontScript(0x4055), kScriptJapanese);
  EXPECT_EQ(KxFontScript(short(0xC97F)), kScriptJapanese);
  EXPECT_EQ(KxFontScript(500), kScriptRoman);
  EXPECT_EQ(KxFontScript(0x4300), kScriptRoman);
  EXPECT_EQ(KxFontCharWidth(short(0xC97F), 12, 0, 0x88A4), 12);
  EXPECT_EQ(KxFontCharWidth(500, 12, 0, 'A'), 6);

  // The registry answers the script services.
  EXPECT_EQ(FontToScript(gothic), kScriptJapanese);
  EXPECT_EQ(FontToScript(roman), kScriptRoman);
}

TEST_F(SyntheticFonts, NumbersAreStableAcrossInstalls) {
  const std::vector<short> first = KxFontNumbers();
  KxFontInstallBackend(KxSyntheticFontBackend());
  EXPECT_EQ(KxFontNumbers(), first);
}

// A second backend whose family names collide in the hash: numbers stay
// unique and in range.
class ManyFamilies : public KxFontBackend {
 public:
  std::vector<KxFontFamilyDesc> Families() override {
    std::vector<KxFontFamilyDesc> r;
    for (int i = 0; i < 300; ++i) r.push_back({"J" + std::to_string(i), "", true});
    for (int i = 0; i < 300; ++i) r.push_back({"R" + std::to_string(i), "", false});
    r.push_back({"R7", "", false});   // duplicate name
    return r;
  }
  std::unique_ptr<KxFontFace> Open(const std::string&) override { return nullptr; }
  std::string Nearest(const std::string&, KxFontGeneric) override { return ""; }
  std::string ApplicationFamily() override { return ""; }
  std::string SystemFamily() override { return ""; }
};

TEST_F(SyntheticFonts, CrowdedRangesStayUniqueAndFacelessFontsMeasureZero) {
  KxFontInstallBackend(std::make_unique<ManyFamilies>());
  const std::vector<short> numbers = KxFontNumbers();
  const std::set<short> unique(numbers.begin(), numbers.end());
  EXPECT_EQ(unique.size(), numbers.size());
  // 256 Japanese slots: the rest of the Japanese families get no number.
  EXPECT_EQ(numbers.size(), 256u + 300u);
  for (short n : numbers) EXPECT_TRUE((n >= 0x4100 && n <= 0x41FF) || (n >= 0x0400 && n < 0x4000)) << n;
  std::string name;
  ASSERT_TRUE(KxFontFamilyName(kKxApplicationFont, name));
  EXPECT_EQ(name, "J0");
  EXPECT_EQ(KxFontCharWidth(kKxApplicationFont, 12, 0, 'A'), 0);
  EXPECT_EQ(KxFontGetInfo(kKxApplicationFont, 12, 0).ascent, 0);
}

// The classic numbers find their families only when asked about, with the
// same answers as when every one was looked for at once.
class CountingBackend : public KxFontBackend {
 public:
  explicit CountingBackend(std::vector<std::string>& asked, std::vector<std::string>& opened)
      : asked_(asked), opened_(opened) {}
  std::vector<KxFontFamilyDesc> Families() override {
    return {{"Gothic", "", true}, {"Mincho", "", true}, {"Sans", "", false}, {"Serif", "", false}};
  }
  std::unique_ptr<KxFontFace> Open(const std::string& family) override {
    opened_.push_back(family);
    return nullptr;
  }
  std::string Nearest(const std::string& wanted, KxFontGeneric) override {
    asked_.push_back(wanted);
    if (wanted == "Times" || wanted == "Osaka") return wanted == "Times" ? "Serif" : "Mincho";
    return wanted == "Geneva" ? "Sans" : "Nowhere";
  }
  std::string ApplicationFamily() override { return "Gothic"; }
  std::string SystemFamily() override { return "Gothic"; }

 private:
  std::vector<std::string>& asked_;
  std::vector<std::string>& opened_;
};

TEST_F(SyntheticFonts, ClassicNumbersFindTheirFamiliesWhenFirstAsked) {
  std::vector<std::string> asked, opened;
  KxFontInstallBackend(std::make_unique<CountingBackend>(asked, opened));
  std::string name;
  ASSERT_TRUE(KxFontFamilyName(kKxApplicationFont, name));
  EXPECT_EQ(name, "Gothic");
  EXPECT_TRUE(KxFontIsKnown(20));
  EXPECT_EQ(KxFontScript(16384), kScriptJapanese);
  EXPECT_EQ(KxFontNumbers().size(), 4u);
  EXPECT_EQ(asked.size(), 2u);   // Times and Osaka, to be known

  ASSERT_TRUE(KxFontFamilyName(20, name));
  EXPECT_EQ(name, "Serif");
  ASSERT_TRUE(KxFontFamilyName(16384, name));
  EXPECT_EQ(name, "Mincho");
  EXPECT_EQ(asked.size(), 2u);   // each asked once
  // No answer for a Roman name: the first Roman family.
  ASSERT_TRUE(KxFontFamilyName(2, name));
  EXPECT_EQ(name, "Sans");
  // An unknown Roman number measures as Geneva, found on the way.
  KxFontCharWidth(300, 12, 0, 'A');
  EXPECT_EQ(asked.back(), "Geneva");
  ASSERT_FALSE(opened.empty());
  EXPECT_EQ(opened.back(), "Sans");
}

// --- Real fonts --------------------------------------------------------------

// Just enough of the font tables to derive widths independently of FreeType:
// head.unitsPerEm, hhea, hmtx and a (3,1) format 4 cmap. Every read is
// bounds-checked; a malformed file fails the test rather than crashing it.
class SfntTables {
 public:
  explicit SfntTables(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    data_.resize(std::size_t(std::max<std::streamoff>(0, in.tellg())));
    in.seekg(0);
    in.read(data_.data(), std::streamsize(data_.size()));
    const std::uint32_t numTables = U16(4);
    for (std::uint32_t i = 0; i < numTables; ++i) {
      const std::size_t rec = 12 + 16 * i;
      const std::string tag(data_.begin() + long(std::min(rec, data_.size())),
                            data_.begin() + long(std::min(rec + 4, data_.size())));
      tables_.push_back({tag, U32(rec + 8), U32(rec + 12)});
    }
    const std::size_t head = Table("head"), hhea = Table("hhea");
    upm = U16(head + 18);
    ascender = S16(hhea + 4);
    descender = S16(hhea + 6);
    lineGap = S16(hhea + 8);
    numHMetrics = U16(hhea + 34);
    hmtx_ = Table("hmtx");
    const std::size_t cmap = Table("cmap");
    for (std::uint32_t i = 0, n = U16(cmap + 2); i < n; ++i) {
      const std::size_t rec = cmap + 4 + 8 * i;
      if (U16(rec) == 3 && U16(rec + 2) == 1 && U16(cmap + U32(rec + 4)) == 4) cmap4_ = cmap + U32(rec + 4);
    }
  }

  int Advance(std::uint16_t glyph) const {
    const std::uint32_t i = glyph < numHMetrics ? glyph : numHMetrics - 1;
    return U16(hmtx_ + 4 * i);
  }

  std::uint16_t Glyph(std::uint16_t c) const {
    const std::uint32_t segX2 = U16(cmap4_ + 6);
    const std::size_t ends = cmap4_ + 14, starts = ends + segX2 + 2, deltas = starts + segX2,
                      offsets = deltas + segX2;
    for (std::uint32_t s = 0; s < segX2; s += 2) {
      if (c > U16(ends + s)) continue;
      if (c < U16(starts + s)) return 0;
      const std::uint32_t ro = U16(offsets + s);
      if (ro == 0) return std::uint16_t(c + U16(deltas + s));
      const std::uint16_t g = U16(offsets + s + ro + 2 * (c - U16(starts + s)));
      return g == 0 ? 0 : std::uint16_t(g + U16(deltas + s));
    }
    return 0;
  }

  bool ok() const { return ok_; }
  int upm = 0, ascender = 0, descender = 0, lineGap = 0;
  std::uint32_t numHMetrics = 0;

 private:
  struct Rec {
    std::string tag;
    std::uint32_t offset, length;
  };
  std::size_t Table(const char* tag) {
    for (const Rec& r : tables_)
      if (r.tag == tag) return r.offset;
    ok_ = false;
    return 0;
  }
  std::uint32_t U16(std::size_t at) const {
    if (at + 2 > data_.size()) {
      ok_ = false;
      return 0;
    }
    return std::uint32_t(std::uint8_t(data_[at]) << 8 | std::uint8_t(data_[at + 1]));
  }
  int S16(std::size_t at) const { return std::int16_t(U16(at)); }
  std::uint32_t U32(std::size_t at) const { return U16(at) << 16 | U16(at + 2); }

  std::vector<char> data_;
  std::vector<Rec> tables_;
  std::size_t hmtx_ = 0, cmap4_ = 0;
  mutable bool ok_ = true;
};

bool Exists(const char* path) { return std::ifstream(path).good(); }

class IpaFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Exists(kIpaGothic) || !Exists(kIpaMincho)) GTEST_SKIP() << "IPA fonts not installed";
    std::vector<std::string> files = {kIpaGothic, kIpaPGothic, kIpaMincho};
    if (Exists(kDejaVu)) files.push_back(kDejaVu);
    KxFontInstallBackend(KxFreeTypeFontBackend(false, files));
  }
  void TearDown() override { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

TEST_F(IpaFonts, FamiliesNumbersAndScripts) {
  std::string name;
  ASSERT_TRUE(KxFontFamilyName(kKxApplicationFont, name));
  EXPECT_EQ(name, "IPAGothic");
  ASSERT_TRUE(KxFontFamilyName(kKxSystemFont, name));
  EXPECT_EQ(name, "IPAPGothic");
  ASSERT_TRUE(KxFontPostScriptName(kKxApplicationFont, name));
  EXPECT_EQ(name, "IPAGothic");
  short mincho = 0;
  ASSERT_TRUE(KxFontNumberFromName("IPAMincho", mincho));
  EXPECT_EQ(KxFontScript(mincho), kScriptJapanese);
  if (Exists(kDejaVu)) {
    short dejavu = 0;
    ASSERT_TRUE(KxFontNumberFromName("DejaVu Sans", dejavu));
    EXPECT_EQ(KxFontScript(dejavu), kScriptRoman);
    // Without fontconfig, a classic Roman number lands on the Roman family.
    ASSERT_TRUE(KxFontFamilyName(21, name));
    EXPECT_EQ(name, "DejaVu Sans");
  }
}

TEST_F(IpaFonts, WidthsAndMetricsMatchTheFontTables) {
  for (const char* path : {kIpaGothic, kIpaPGothic, kIpaMincho}) {
    const SfntTables t(path);
    ASSERT_TRUE(t.ok()) << path;
    short font = 0;
    const std::string family = std::string(path).find("ipagp") != std::string::npos ? "IPAPGothic"
                               : std::string(path).find("ipam") != std::string::npos ? "IPAMincho"
                                                                                     : "IPAGothic";
    ASSERT_TRUE(KxFontNumberFromName(family, font));
    for (short size : {7, 9, 10, 12, 13, 16, 24, 100}) {
      const KxFontInfo info = KxFontGetInfo(font, size, 0);
      EXPECT_EQ(info.ascent, Round(t.ascender, size, t.upm));
      EXPECT_EQ(info.descent, Round(-t.descender, size, t.upm));
      EXPECT_EQ(info.leading, Round(t.lineGap, size, t.upm));
      // Single bytes of the Japanese script, ASCII and half-width katakana.
      for (int b = 0x20; b <= 0xDF; ++b) {
        if (b >= 0x7F && b <= 0xA0) continue;
        const std::uint16_t cp = b < 0x7F ? std::uint16_t(b) : std::uint16_t(0xFF61 + (b - 0xA1));
        ASSERT_EQ(KxFontCharWidth(font, size, 0, std::uint16_t(b)), Round(t.Advance(t.Glyph(cp)), size, t.upm))
            << family << " size " << size << " byte " << b;
      }
      // Double-byte characters and UTF-16 text through the same tables.
      const std::pair<std::uint16_t, char16_t> pairs[] = {{0x88A4, u'\u4E9C'}, {0x82A0, u'\u3042'},
                                                          {0x8142, u'\u3002'}, {0x8340, u'\u30A1'},
                                                          {0x8260, u'\uFF21'}, {0x9F40, u'\u6AFB'}};
      std::int32_t total = 0;
      std::u16string text;
      for (auto [sjis, u] : pairs) {
        const int expect = Round(t.Advance(t.Glyph(u)), size, t.upm);
        EXPECT_EQ(KxFontCharWidth(font, size, 0, sjis), expect) << std::hex << sjis;
        total += expect;
        text += u;
      }
      EXPECT_EQ(KxFontUTF16Width(font, size, 0, text.data(), std::int32_t(text.size())), total);
      for (std::uint16_t g : {0, 1, 100, 5000, 12000})
        EXPECT_EQ(KxFontGlyphWidth(font, size, 0, g), Round(t.Advance(g), size, t.upm)) << g;
    }
    EXPECT_EQ(KxFontGlyphWidth(font, 12, 0, 0xFFFF), 0);   // past the glyph count
  }
}

}  // namespace

namespace {

// The program's own set-up: installed families through fontconfig.
TEST(InstalledFonts, FontconfigGivesIpaGothicAsTheApplicationFont) {
  if (!Exists(kIpaGothic)) GTEST_SKIP() << "IPA fonts not installed";
  KxFontInstallBackend(nullptr);
  std::string name;
  ASSERT_TRUE(KxFontFamilyName(kKxApplicationFont, name));
  EXPECT_EQ(name, "IPAGothic");
  EXPECT_EQ(KxFontScript(kKxApplicationFont), kScriptJapanese);
  short n = 0;
  ASSERT_TRUE(KxFontNumberFromName("IPAMincho", n));
  EXPECT_EQ(KxFontScript(n), kScriptJapanese);
  EXPECT_GE(n, 0x4100);
  // Classic Roman numbers land on some installed family and stay script 0.
  EXPECT_TRUE(KxFontFamilyName(22, name));
  EXPECT_EQ(KxFontScript(22), kScriptRoman);
  EXPECT_GT(KxFontCharWidth(22, 12, 0, 'M'), 0);
  for (short font : KxFontNumbers()) {
    ASSERT_TRUE(KxFontFamilyName(font, name));
    short back = 0;
    ASSERT_TRUE(KxFontNumberFromName(name, back));
    EXPECT_EQ(back, font) << name;
  }
  KxFontInstallBackend(KxSyntheticFontBackend());
}

}  // namespace
