// The settings records byte by byte, against tables of where each field
// lies, in both byte orders; and the conversion between the orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/globals.h"
#include "document/doc_prefs.h"
#include "document/doc_records.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr KxByteOrder kOrders[] = {KxByteOrder::kBig, KxByteOrder::kLittle};

std::uint32_t Field(const Bytes& b, long at, int width, KxByteOrder o) {
  std::uint32_t v = 0;
  for (int i = 0; i < width; ++i) {
    const std::uint32_t byte = b.at(std::size_t(at + (o == KxByteOrder::kBig ? i : width - 1 - i)));
    v = (v << 8) | byte;
  }
  return v;
}

struct FieldAt {
  long at;
  int width;
  std::uint32_t value;
};

void ExpectFields(const Bytes& b, KxByteOrder o, const std::vector<FieldAt>& table) {
  for (const FieldAt& f : table)
    EXPECT_EQ(Field(b, f.at, f.width, o), f.value) << "offset " << f.at << (o == KxByteOrder::kBig ? " big" : " little");
}

SKXWindowRec SampleWindow() {
  SKXWindowRec w;
  w.fontSize = 12;
  w.fontName = "Osaka";
  w.spaceWidth = 6;
  w.tabWidth = 4;
  w.stdState = {40, 2, 700, 900};
  w.bounds = {-20, -30, 500, 640};
  w.saveTime = 0xC0FFEE01;
  w.selStart = 70000;
  w.selEnd = 70010;
  w.topLeft = 65536;
  w.autoIndent = 1;
  w.controlView = 2;
  return w;
}

SDocPref SamplePref() {
  SDocPref p;
  p.lineSpace = 3;
  p.charSpace = -1;
  p.mode = 2;
  p.justify = 3;
  p.wrap = 1;
  p.wordWrap = 1;
  p.paperView = 1;
  p.guideView = 1;
  p.paperV = 842;
  p.paperH = 595;
  p.textArea = {34, 35, 808, 560};
  p.printArea = {10, 11, 830, 585};
  p.columns = 2;
  p.gap = 18;
  p.keyScript = 1;
  p.keyLanguage = 11;
  p.vertical = 1;
  p.viewFlags = kKxViewRulerHidden | 3;
  p.header.word0 = 24;
  p.header.byte4 = 1;
  p.header.byte5 = 2;
  p.header.words[0] = 100;
  p.header.words[4] = -7;
  p.header.byte16 = 5;
  p.header.byte17 = 6;
  p.firstPage = 3;
  p.footer.word0 = 20;
  p.footer.words[2] = 9;
  p.scale = 150;
  p.headerText = "head";
  p.footerText = "foot!";
  return p;
}

TEST(DocRecords, MPSRFieldsInBothOrders) {
  for (KxByteOrder o : kOrders) {
    Bytes b;
    KxWriteMPSR(SampleWindow(), o, b);
    ASSERT_EQ(b.size(), 72u);
    ExpectFields(b, o, {{0, 2, 12}, {34, 2, 6}, {36, 2, 4}, {38, 2, 40}, {40, 2, 2}, {42, 2, 700}, {44, 2, 900},
                        {46, 2, 0xFFEC}, {48, 2, 0xFFE2}, {50, 2, 500}, {52, 2, 640}, {54, 4, 0xC0FFEE01},
                        {58, 4, 70000}, {62, 4, 70010}, {66, 4, 65536}, {70, 1, 1}, {71, 1, 2}});
    EXPECT_EQ(std::string(b.begin() + 2, b.begin() + 8), std::string("Osaka\0", 6));
    SKXWindowRec back;
    ASSERT_TRUE(KxReadMPSR(b.data(), 72, o, back));
    Bytes again;
    KxWriteMPSR(back, o, again);
    EXPECT_EQ(again, b);
    EXPECT_FALSE(KxReadMPSR(b.data(), 71, o, back));
  }
  // A long name keeps 31 bytes and its terminator; a name without one in
  // the file stops at 31 bytes.
  SKXWindowRec w;
  w.fontName = std::string(40, 'x');
  Bytes b;
  KxWriteMPSR(w, KxByteOrder::kBig, b);
  EXPECT_EQ(b[2 + 31], 0);
  std::fill(b.begin() + 2, b.begin() + 34, 'y');
  ASSERT_TRUE(KxReadMPSR(b.data(), 72, KxByteOrder::kBig, w));
  EXPECT_EQ(w.fontName, std::string(31, 'y'));
}

TEST(DocRecords, KXSRSizeFollowsContent) {
  struct Case {
    std::string header, footer;
    short scale, firstPage;
    long size;
  } cases[] = {{"", "", 0, 0, 40}, {"", "", 0, 5, 60}, {"", "", 120, 0, 80}, {"", "", 120, 5, 80},
               {"abcd", "", 0, 0, 84}, {"", "xy", 0, 0, 82}, {"abcd", "xy", 0, 0, 86}};
  for (const Case& c : cases) {
    SDocPref p;
    p.headerText = c.header;
    p.footerText = c.footer;
    p.scale = c.scale;
    p.firstPage = c.firstPage;
    Bytes b;
    ASSERT_EQ(KxWriteKXSR(p, KxByteOrder::kBig, b), "");
    EXPECT_EQ(long(b.size()), c.size) << c.header << "/" << c.footer;
  }
  SDocPref p;
  p.headerText = std::string(256, 'h');
  Bytes b;
  EXPECT_NE(KxWriteKXSR(p, KxByteOrder::kBig, b), "");
  p.headerText = std::string(255, 'h');
  p.footerText = std::string(255, 'f');
  ASSERT_EQ(KxWriteKXSR(p, KxByteOrder::kBig, b), "");  // the longest: 590 bytes
  EXPECT_EQ(b.size(), 590u);
}

TEST(DocRecords, KXSRFieldsInBothOrders) {
  for (KxByteOrder o : kOrders) {
    Bytes b;
    ASSERT_EQ(KxWriteKXSR(SamplePref(), o, b), "");
    ASSERT_EQ(b.size(), 89u);
    ExpectFields(b, o, {{0, 2, 3}, {2, 2, 0xFFFF}, {4, 1, 2}, {5, 1, 3}, {6, 1, 1}, {7, 1, 1}, {8, 1, 1}, {9, 1, 1},
                        {10, 2, 842}, {12, 2, 595}, {14, 2, 34}, {20, 2, 560}, {22, 2, 10}, {28, 2, 585}, {30, 2, 2},
                        {32, 2, 18}, {34, 2, 1}, {36, 2, 11}, {38, 1, 1}, {39, 1, 67}, {40, 2, 24}, {42, 2, 4},
                        {44, 1, 1}, {45, 1, 2}, {46, 2, 100}, {54, 2, 0xFFF9}, {56, 1, 5}, {57, 1, 6}, {58, 2, 3},
                        {60, 2, 20}, {62, 2, 5}, {70, 2, 9}, {78, 2, 150}});
    EXPECT_EQ(std::string(b.begin() + 80, b.end()), "headfoot!");
    SDocPref back;
    ASSERT_TRUE(KxReadKXSR(b.data(), long(b.size()), o, back));
    Bytes again;
    KxWriteKXSR(back, o, again);
    EXPECT_EQ(again, b);
  }
}

TEST(DocRecords, KXSRReadsOnlyWhatIsThere) {
  Bytes b;
  ASSERT_EQ(KxWriteKXSR(SamplePref(), KxByteOrder::kBig, b), "");
  SDocPref p;
  EXPECT_FALSE(KxReadKXSR(b.data(), 39, KxByteOrder::kBig, p));
  // 59 bytes: no header block; 79: no footer block.
  ASSERT_TRUE(KxReadKXSR(b.data(), 59, KxByteOrder::kBig, p));
  EXPECT_EQ(p.firstPage, 0);
  EXPECT_EQ(p.header.word0, 0);
  ASSERT_TRUE(KxReadKXSR(b.data(), 79, KxByteOrder::kBig, p));
  EXPECT_EQ(p.firstPage, 3);
  EXPECT_EQ(p.scale, 0);
  EXPECT_TRUE(p.headerText.empty());
  // Lengths that promise more than the record holds are cut to it.
  b[43] = 200;  // header length 200, only 9 bytes follow
  ASSERT_TRUE(KxReadKXSR(b.data(), long(b.size()), KxByteOrder::kBig, p));
  EXPECT_EQ(p.headerText, "headfoot!");
  EXPECT_EQ(p.footerText, "");
  // A record longer than 592 bytes is read to 592.
  Bytes big(700, 0);
  std::copy(b.begin(), b.begin() + 80, big.begin());
  big[42] = 0x01;
  big[43] = 0xFF;  // 511
  big[62] = 0;
  big[63] = 0;
  ASSERT_TRUE(KxReadKXSR(big.data(), 700, KxByteOrder::kBig, p));
  EXPECT_EQ(p.headerText.size(), 255u);
}

TEST(DocRecords, MARKLayoutAndLimits) {
  std::vector<SKXMarkRec> marks = {{0, 4, "ab"}, {10, 12, "odd"}, {20, 20, ""}};
  for (KxByteOrder o : kOrders) {
    Bytes b;
    ASSERT_EQ(KxWriteMARK(marks, o, b), "");
    // Each mark: 8 bytes, the length byte, the name padded to an even field.
    ASSERT_EQ(b.size(), 2u + (9 + 3) + (9 + 3) + (9 + 1));
    ExpectFields(b, o, {{0, 2, 3}, {2, 4, 0}, {6, 4, 4}, {10, 1, 2}, {14, 4, 10}, {18, 4, 12}, {22, 1, 3},
                        {26, 4, 20}, {30, 4, 20}, {34, 1, 0}});
    std::vector<SKXMarkRec> back;
    KxReadMARK(b.data(), long(b.size()), o, back);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].name, "ab");
    EXPECT_EQ(back[1].name, "odd");
    EXPECT_EQ(back[2].end, 20);
    // A record cut inside the second mark gives the first only.
    KxReadMARK(b.data(), 20, o, back);
    EXPECT_EQ(back.size(), 1u);
  }
  std::vector<SKXMarkRec> many(0x10000);
  Bytes b;
  EXPECT_NE(KxWriteMARK(many, KxByteOrder::kBig, b), "");
  many.pop_back();
  EXPECT_EQ(KxWriteMARK(many, KxByteOrder::kBig, b), "");
}

TEST(DocRecords, RANKNeedsItsLevels) {
  SKXRankRec r;
  r.rect[0] = -5;
  r.rect[1] = 7;
  r.rect[2] = 300;
  r.rect[3] = 400;
  r.point[0] = -2;
  r.point[1] = 3;
  r.state[0] = 0x12345678;
  r.state[1] = 9;
  r.shown = 1;
  r.flag2 = 1;
  r.levels = {0, 2, -4};
  for (KxByteOrder o : kOrders) {
    Bytes b;
    ASSERT_EQ(KxWriteRANK(r, o, b), "");
    ASSERT_EQ(b.size(), 39u);
    ExpectFields(b, o, {{0, 4, 0xFFFFFFFB}, {12, 4, 400}, {16, 4, 0xFFFFFFFE}, {24, 4, 0x12345678}, {28, 4, 9},
                        {32, 1, 1}, {33, 1, 1}, {34, 2, 3}, {38, 1, 0xFC}});
    SKXRankRec back;
    EXPECT_FALSE(KxReadRANK(b.data(), 38, o, back));  // 36 + 3 needed
    ASSERT_TRUE(KxReadRANK(b.data(), 39, o, back));
    EXPECT_EQ(back.levels, r.levels);
  }
  // The resource-fork form: 16-bit coordinates, two zero bytes each, signed.
  Bytes c;
  ASSERT_EQ(KxWriteClassicRANK(r, c), "");
  ExpectFields(c, KxByteOrder::kBig, {{0, 4, 0xFFFB0000}, {4, 4, 0x00070000}, {16, 4, 0xFFFE0000}, {24, 4, 0x12345678}});
  SKXRankRec back;
  ASSERT_TRUE(KxReadClassicRANK(c.data(), long(c.size()), back));
  EXPECT_EQ(back.rect[0], -5);
  EXPECT_EQ(back.point[0], -2);
  EXPECT_EQ(back.rect[3], 400);
  // A scroll past the 16-bit fields (a long list) is kept as far as they
  // reach; a window place past them refuses.
  r.point[0] = 40000;
  r.point[1] = -40000;
  ASSERT_EQ(KxWriteClassicRANK(r, c), "");
  ASSERT_TRUE(KxReadClassicRANK(c.data(), long(c.size()), back));
  EXPECT_EQ(back.point[0], 32767);
  EXPECT_EQ(back.point[1], -32768);
  r.rect[2] = 40000;
  EXPECT_NE(KxWriteClassicRANK(r, c), "");
  r.levels.assign(0x8000, 0);
  EXPECT_NE(KxWriteRANK(r, KxByteOrder::kBig, c), "");
}

TEST(DocRecords, FORMConvertsItsWordsOnly) {
  Bytes f(128);
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = std::uint8_t(i);
  Bytes g = f;
  KxConvertFORM(g.data(), 128);
  for (long base : {0L, 64L}) {
    for (long k = 0; k < 64; ++k) {
      const bool word = (k <= 27) || (k >= 34 && k <= 47) || k == 48 || k == 49;
      const long partner = word ? (k % 2 ? k - 1 : k + 1) : k;
      EXPECT_EQ(g[std::size_t(base + k)], f[std::size_t(base + partner)]) << base + k;
    }
  }
}

// A record made in one order and converted equals the record made in the
// other; converting back gives the original.
TEST(DocRecords, InversionMatchesTheOtherOrder) {
  const KxByteOrder other = kKxNativeOrder == KxByteOrder::kBig ? KxByteOrder::kLittle : KxByteOrder::kBig;
  struct Made {
    OSType type;
    Bytes native, foreign;
  };
  std::vector<Made> made;
  Made m{kKxRecMPSR, {}, {}};
  KxWriteMPSR(SampleWindow(), kKxNativeOrder, m.native);
  KxWriteMPSR(SampleWindow(), other, m.foreign);
  made.push_back(m);
  m = {kKxRecKXSR, {}, {}};
  KxWriteKXSR(SamplePref(), kKxNativeOrder, m.native);
  KxWriteKXSR(SamplePref(), other, m.foreign);
  made.push_back(m);
  const std::vector<SKXMarkRec> marks = {{1, 2, "a"}, {3, 300000, "mark two"}};
  m = {kKxRecMARK, {}, {}};
  KxWriteMARK(marks, kKxNativeOrder, m.native);
  KxWriteMARK(marks, other, m.foreign);
  made.push_back(m);
  m = {kKxRecLINE, {}, {}};
  KxWriteLINE({1, -2, 70000}, kKxNativeOrder, m.native);
  KxWriteLINE({1, -2, 70000}, other, m.foreign);
  made.push_back(m);
  for (const Made& r : made) {
    Bytes b = r.native;
    ASSERT_TRUE(KxInvertRecord(r.type, b.data(), long(b.size()), false));
    EXPECT_EQ(b, r.foreign) << std::hex << r.type;
    ASSERT_TRUE(KxInvertRecord(r.type, b.data(), long(b.size()), true));
    EXPECT_EQ(b, r.native) << std::hex << r.type;
  }
  // Across orders a rank keeps its count and levels only.
  SKXRankRec rank;
  rank.rect[2] = 100;
  rank.state[0] = 5;
  rank.levels = {2, 4};
  Bytes b;
  KxWriteRANK(rank, other, b);
  ASSERT_TRUE(KxInvertRecord(kKxRecRANK, b.data(), long(b.size()), true));
  SKXRankRec back;
  ASSERT_TRUE(KxReadRANK(b.data(), long(b.size()), kKxNativeOrder, back));
  EXPECT_EQ(back.rect[2], 0);
  EXPECT_EQ(back.state[0], 0u);
  EXPECT_EQ(back.levels, rank.levels);
  EXPECT_FALSE(KxInvertRecord(FourCC("zzzz"), b.data(), long(b.size()), true));
}

TEST(DocPrefs, AdjustClampsToTheTextJustRead) {
  // Shift_JIS: "あい" then "ab": character starts 0, 2, 4, 5.
  const std::uint8_t text[] = {0x82, 0xA0, 0x82, 0xA2, 'a', 'b'};
  SKXDocSettings doc;
  doc.marks = {{1, 3, "inside a character"}, {2, 9, "past the end"}, {4, 5, "overlaps nothing"},
               {4, 6, "overlaps the last"}, {7, 8, "outside"}};
  doc.hasRank = true;
  doc.rank.levels = {1, 2, 3, 4, 5};
  doc.window.selStart = 99;
  doc.window.selEnd = 3;
  doc.window.topLeft = 1;
  doc.pref.scale = 100;
  AdjustDocPref(doc, text, 6, 1);
  // Marks out of order or overlapping a kept one go with those outside.
  ASSERT_EQ(doc.marks.size(), 2u);
  EXPECT_EQ(doc.marks[0].start, 0);
  EXPECT_EQ(doc.marks[0].end, 2);
  EXPECT_EQ(doc.marks[1].start, 2);
  EXPECT_EQ(doc.marks[1].end, 6);
  EXPECT_EQ(doc.rank.levels, (std::vector<std::int8_t>{1, 2}));
  EXPECT_EQ(doc.window.selStart, 2u);
  EXPECT_EQ(doc.window.selEnd, 6u);
  EXPECT_EQ(doc.window.topLeft, 0u);
  EXPECT_EQ(doc.pref.scale, 0);
  // A rank that does not match the marks read is dropped.
  SKXDocSettings d2;
  d2.marks = {{0, 1, "a"}};
  d2.hasRank = true;
  d2.rank.levels = {1, 2};
  AdjustDocPref(d2, text, 6, 1);
  EXPECT_FALSE(d2.hasRank);
}

}  // namespace

namespace {

TEST(DocPrefs, StylesCopyButMarksAndSelectionStay) {
  SKXDocSettings source;
  source.hasPref = true;
  source.pref.vertical = 1;
  source.pref.headerText = "chapter";
  source.pref.scale = 100;
  source.usesForm = true;
  source.forms[3] = 9;
  source.lineRestarts = {4};
  source.window.fontName = "IPAGothic";
  source.window.selEnd = 1;
  source.marks = {{0, 1, "source's"}};
  SKXDocSettings doc;
  doc.marks = {{0, 9, "mine"}};
  doc.window.selStart = 2;
  doc.window.selEnd = 40;
  const std::uint8_t text[] = "0123456789";
  SetDocumentStyles(doc, source, text, 10, 0);
  EXPECT_EQ(doc.pref.headerText, "chapter");
  EXPECT_EQ(doc.pref.vertical, 1);
  EXPECT_EQ(doc.pref.scale, 0);
  EXPECT_EQ(doc.forms[3], 9);
  EXPECT_EQ(doc.lineRestarts, source.lineRestarts);
  EXPECT_EQ(doc.window.fontName, "IPAGothic");
  ASSERT_EQ(doc.marks.size(), 1u);
  EXPECT_EQ(doc.marks[0].name, "mine");
  EXPECT_EQ(doc.window.selStart, 2u);
  EXPECT_EQ(doc.window.selEnd, 10u);
}

TEST(DocPrefs, ResumeRecordOnlyWhenAsked) {
  KxBlock list;
  const bool was = gFileResume;
  gFileResume = false;
  EXPECT_FALSE(SaveFileResume({10, 20, 300, 400}, "/tmp/a.txt", list, 10));
  EXPECT_TRUE(list.empty());
  gFileResume = true;
  EXPECT_TRUE(SaveFileResume({10, 20, 300, 400}, "/tmp/a.txt", list, 10));
  EXPECT_FALSE(SaveFileResume({0, 0, 1, 1}, "relative.txt", list, 10));
  gFileResume = was;
  ASSERT_EQ(UKXFResume::GetCount(list), 1);
  SKXFResume r;
  ASSERT_TRUE(UKXFResume::GetFResume(1, r, list));
  EXPECT_EQ(r.bounds.left, 20);
  EXPECT_EQ(r.bounds.right, 400);
  // Eight zero bytes between the rectangle and the file reference.
  for (int i = 16; i < 24; ++i) EXPECT_EQ(list[std::size_t(i)], 0) << i;
}

}  // namespace

namespace {

// The header's settings land where the header block keeps each field, in
// both orders, and come back.
TEST(DocPrefs, BandSettingsInTheirPlaces) {
  SKXBandSettings band;
  band.bandHeight = 28;
  band.style.font = 3;
  band.style.face = 5;
  band.style.size = 14;
  band.style.color = RGBColor{0x8000, 0x1234, 0xFFFF};
  band.alignment = 2;
  band.dateFormat = 1;
  band.timeFormat = 3;
  SDocPref pref;
  pref.headerText = "Head";
  pref.header = KxBandToBlock(band, pref.headerText.size());
  for (KxByteOrder o : kOrders) {
    Bytes bytes;
    ASSERT_EQ(KxWriteKXSR(pref, o, bytes), "");
    ExpectFields(bytes, o,
                 {{40, 2, 28}, {42, 2, 4}, {44, 1, 5}, {45, 1, 2}, {46, 2, 3}, {48, 2, 14}, {50, 2, 0x8000},
                  {52, 2, 0x1234}, {54, 2, 0xFFFF}, {56, 1, 1}, {57, 1, 3}});
    SDocPref back;
    ASSERT_TRUE(KxReadKXSR(bytes.data(), long(bytes.size()), o, back));
    const SKXBandSettings got = KxBandFromBlock(back.header);
    EXPECT_EQ(got.bandHeight, 28);
    EXPECT_EQ(got.style.color.red, 0x8000);
    EXPECT_EQ(got.timeFormat, 3);
  }
}

}  // namespace
