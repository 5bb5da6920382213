// The private run flavors: random styled ranges made into flavors and
// inserted into another text come back run for run; hostile flavors are
// refused or clamped and never break the text they land in.
//
// What a transfer carries: "styl" every style field; "styw" lines, nets and
// decoration styles, and pictures as equal bytes under new IDs; "styx"
// every paragraph style with up to 16 tabs (the first paragraph of a range
// that starts inside one takes the style of the paragraph it lands in);
// "styu" every side entry; "styy" ruby, a base past the range end cut to
// it, one that starts with a control byte lost. Marks travel in no flavor.
#include "engine/text_flavors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/base/flat.h"
#include "text/base/memory.h"
#include "text/runs/pictures.h"

namespace {

std::string Bytes(const CKXText& t, long from, long to) {
  std::string s(static_cast<size_t>(to - from), '\0');
  if (to > from) t.CopyBytes(from, to, s.data(), to - from);
  return s;
}

PicHandle MakePict(int seed) {
  PicHandle h = KxMemHAlloc(14, true);
  std::memset(*h, 0, 14);
  (*h)[7] = 20;  // frame 0,0,20,30
  (*h)[9] = 30;
  for (int k = 10; k < 14; ++k) (*h)[k] = static_cast<char>(seed + k);
  return h;
}

std::string PictBytes(short id) {
  short w = 0, h = 0;
  PicHandle p = CKXDecoArray::GetPicture(id, w, h);
  return p ? std::string(*p, static_cast<size_t>(KxMemHSize(p))) : std::string();
}

// A random text of pieces (letters, line ends, two-byte characters,
// placeholders with side entries, pictures) with runs on piece boundaries
// and ruby over pieces without line ends; answers the boundaries.
std::vector<long> BuildSource(CKXText& t, std::mt19937& rng, int pieces) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string s;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> uni;
  std::vector<long> cuts{0};
  std::vector<SKXRuby> rubys;
  for (int k = 0; k < pieces; ++k) {
    const auto at = static_cast<std::int32_t>(s.size());
    const int kind = pick(10);
    static const char* const kPieces[] = {"\r", "\x81\xFC", "\xA0", "\xCA", "\x82\xA0\x82\xA2"};
    s += kind < 5 ? std::string(kPieces[kind]) : std::string(1 + size_t(pick(4)), char('a' + pick(26)));
    if (kind == 1 || kind == 2) uni.push_back({at, kind == 1 ? 0x4E000000u + unsigned(pick(500)) : 0x00E90000u});
    SKXDeco d{at, {std::uint16_t(pick(3) ? 0 : (1 + pick(2)) << 3), std::uint8_t(pick(4) ? 0 : 0x21), 0, 0}, 0};
    if (kind == 3) d.deco.pictID = CKXDecoArray::SetPicture(MakePict(k));
    if (kind == 3 || pick(3) == 0 || (!decos.empty() && decos.back().deco.pictID)) decos.push_back(d);
    if (pick(3) == 0)
      styls.push_back({at, {15, 12, std::int16_t(pick(2)), std::uint8_t(pick(4)), 0, std::int16_t(9 + pick(4)),
                            {std::uint16_t(pick(3) * 0x7FFF), 0, 0x1234}}});
    if ((at == 0 || s[size_t(at) - 1] == '\r') && pick(2) == 0) {
      SKXPara p{};
      p.offset = at;
      p.para.leftIndent = std::int16_t(pick(4) * 12);
      p.para.tabCount = std::uint8_t(pick(17));
      for (int i = 0; i < p.para.tabCount; ++i) p.para.tabPos[i] = std::int16_t(20 * (i + 1));
      paras.push_back(p);
    }
    cuts.push_back(static_cast<long>(s.size()));
    const long base = cuts[cuts.size() - 2];
    if (kind != 0 && pick(4) == 0 && (rubys.empty() || rubys.back().pos + rubys.back().baseLen <= base)) {
      SKXRuby r{std::int32_t(base), std::uint8_t(cuts.back() - base), std::uint8_t(1 + pick(kKxRubyMaxText)), {}};
      for (int i = 0; i < r.rubyLen; ++i) r.text[i] = char('A' + pick(26));
      rubys.push_back(r);
    }
  }
  t.SetText(s.data(), long(s.size()), styls.data(), long(styls.size()), decos.data(), long(decos.size()),
            paras.data(), long(paras.size()), uni.data(), long(uni.size()));
  t.SetRubys(rubys.data(), long(rubys.size()));
  EXPECT_EQ(t.Check(), "");
  return cuts;
}

struct Transfer {
  KxFlavorBytes text, styl, deco, para, uni, ruby;
  std::vector<KxFlavorBytes> pictures;
};

void Make(const CKXText& t, long from, long to, EKXPictureRefs refs, Transfer& x) {
  CKXTextFlavorWriter w(t, from, to);
  w.MakeText(x.text);
  w.MakeStyl(x.styl);
  w.MakeDeco(x.deco, refs, &x.pictures);
  w.MakePara(x.para);
  w.MakeUniChars(x.uni);
  w.MakeRubyInfo(x.ruby);
}

long Receive(const Transfer& x, EKXPictureRefs refs, CKXText& dest, long pos) {
  CKXTextFlavorReader r;
  r.SetText(x.text.data(), long(x.text.size()));
  const std::pair<OSType, const KxFlavorBytes*> flavors[] = {{kKxFlavorStyl, &x.styl}, {kKxFlavorDeco, &x.deco},
                                                             {kKxFlavorPara, &x.para}, {kKxFlavorUniChars, &x.uni},
                                                             {kKxFlavorRubyInfo, &x.ruby}};
  for (const auto& [type, b] : flavors)
    if (!b->empty()) {
      EXPECT_NE(r.ReadFlavor(type, b->data(), long(b->size())), EKXFlavorRead::kBroken);
    }
  r.SetPictureFetch(refs == EKXPictureRefs::kSequence ? KxPicturesFromList(x.pictures) : KxPicturesFromTable());
  return r.InsertInto(dest, pos);
}

// A range's runs as text: offset and element bytes (a picture by its bytes).
template <typename Run>
std::string Runs(const CKXText& t, long from, long to, long (CKXText::*count)(long, long) const,
                 long (CKXText::*get)(long, long, Run*, long) const) {
  std::vector<Run> v(size_t(std::max((t.*count)(from, to), 1L)));
  v.resize(size_t((t.*get)(from, to, v.data(), long(v.size()))));
  std::string out;
  for (Run r : v) {
    std::string pict;
    if constexpr (std::is_same_v<Run, SKXDeco>) {
      pict = PictBytes(r.deco.pictID);
      r.deco.pictID = 0;
    }
    if constexpr (std::is_same_v<Run, SKXRuby>) r.baseLen = std::uint8_t(std::min<long>(r.baseLen, to - from - r.pos));
    std::int32_t offset = 0;
    std::memcpy(&offset, &r, 4);
    out += std::to_string(offset) + ":" + std::string(reinterpret_cast<const char*>(&r) + 4, sizeof r - 4) + pict;
  }
  return out;
}

TEST(TextFlavors, RandomRangesComeBackRunForRun) {
  std::mt19937 rng(4021);
  const char* steps = std::getenv("KX_RANDOM_STEPS");
  for (long step = 0, count = steps ? std::atol(steps) : 150; step < count; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    CKXText src;
    const std::vector<long> cuts = BuildSource(src, rng, 20 + int(rng() % 60));
    long a = cuts[rng() % cuts.size()], b = cuts[rng() % cuts.size()];
    if (a > b) std::swap(a, b);
    if (a == b) continue;
    // Paragraph styles are compared where a range that starts a paragraph
    // lands at the start of one.
    const bool paraStart = a == 0 || Bytes(src, a - 1, a) == "\r";
    const auto refs = step % 2 ? EKXPictureRefs::kSequence : EKXPictureRefs::kTableID;
    Transfer x;
    Make(src, a, b, refs, x);
    CKXText dest;
    const std::string plain = "plain text\rsecond line\r";
    dest.SetText(plain.data(), long(plain.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    const long pos = paraStart ? long(plain.size()) : long(rng() % plain.size());
    const long n = Receive(x, refs, dest, pos);
    ASSERT_EQ(dest.Check(), "");
    ASSERT_EQ(n, b - a);
    EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), plain.substr(0, size_t(pos)) + Bytes(src, a, b) + plain.substr(size_t(pos)));
    const long e = pos + n;
    EXPECT_EQ(Runs(src, a, b, &CKXText::GetSelStylCount, &CKXText::GetSelStyls),
              Runs(dest, pos, e, &CKXText::GetSelStylCount, &CKXText::GetSelStyls));
    EXPECT_EQ(Runs(src, a, b, &CKXText::GetSelDecoCount, &CKXText::GetSelDecos),
              Runs(dest, pos, e, &CKXText::GetSelDecoCount, &CKXText::GetSelDecos));
    if (paraStart && src.GetParaCount() > 0) {
      EXPECT_EQ(Runs(src, a, b, &CKXText::GetSelParaCount, &CKXText::GetSelParas),
                Runs(dest, pos, e, &CKXText::GetSelParaCount, &CKXText::GetSelParas));
    }
    EXPECT_EQ(Runs(src, a, b, &CKXText::GetSelUniCharsCount, &CKXText::GetSelUniChars),
              Runs(dest, pos, e, &CKXText::GetSelUniCharsCount, &CKXText::GetSelUniChars));
    EXPECT_EQ(Runs(src, a, b, &CKXText::GetSelRubysCount, &CKXText::GetSelRubys),
              Runs(dest, pos, e, &CKXText::GetSelRubysCount, &CKXText::GetSelRubys));
  }
}

TEST(TextFlavors, SixteenBitCountsAndMissingPictures) {
  // More runs than a 16-bit count holds: that flavor is left out (and the
  // caller's bytes kept), the 32-bit ones still go.
  std::string bytes(40000, '\xA0');
  std::vector<SKXStyl> styls(40000);
  std::vector<SKXUniChar> uni(40000);
  for (std::int32_t k = 0; k < 40000; ++k) {
    styls[size_t(k)] = {k, {0, 0, 0, 0, 0, std::int16_t(10 + k % 2), {}}};
    uni[size_t(k)] = {k, 0x00E90000u};
  }
  CKXText big;
  big.SetText(bytes.data(), 40000, styls.data(), 40000, nullptr, 0, nullptr, 0, uni.data(), 40000);
  KxFlavorBytes out{1, 2, 3};
  EXPECT_EQ(CKXTextFlavorWriter(big, 0, 40000).MakeStyl(out), EKXFlavorMake::kTooMany);
  EXPECT_EQ(out, (KxFlavorBytes{1, 2, 3}));
  EXPECT_EQ(CKXTextFlavorWriter(big, 0, 40000).MakeUniChars(out), EKXFlavorMake::kMade);
  EXPECT_EQ(out.size(), 4u + 8u * 40000u);
  EXPECT_EQ(CKXTextFlavorWriter(big, 0, 32767).MakeStyl(out), EKXFlavorMake::kMade);
  EXPECT_EQ(KxFlatGet16(out.data(), true), 32767);
  EXPECT_EQ(CKXTextFlavorWriter(big, 5, 5).MakeStyl(out), EKXFlavorMake::kNothing);
  EXPECT_EQ(CKXTextFlavorWriter(big, 0, 9).MakePara(out), EKXFlavorMake::kNothing);  // all default

  // The middle one of three pictures is gone from the table: its run names
  // 0 and the third keeps number 2, so it finds its own bytes.
  CKXText t;
  SKXDeco d[6] = {};
  short ids[3];
  for (int k = 0; k < 3; ++k) {
    ids[k] = CKXDecoArray::SetPicture(MakePict(10 * k));
    d[2 * k] = {2 * k, {0, 0, 0, ids[k]}, 0};
    d[2 * k + 1] = {2 * k + 1, {}, 0};
  }
  t.SetText("\xCA" "a\xCA" "b\xCA" "c", 6, nullptr, 0, d, 6, nullptr, 0, nullptr, 0);
  const std::string third = PictBytes(ids[2]);
  gKXPictManager->DeletePicture(ids[1]);
  EXPECT_TRUE(CKXTextFlavorWriter(t, 0, 1).IsLonePicture());
  EXPECT_FALSE(CKXTextFlavorWriter(t, 2, 3).IsLonePicture());
  Transfer x;
  Make(t, 0, 6, EKXPictureRefs::kSequence, x);
  ASSERT_EQ(x.pictures.size(), 2u);
  std::vector<int> refs;
  for (int k = 0; k < KxFlatGet16(x.deco.data(), true); ++k) refs.push_back(KxFlatGet16(x.deco.data() + 10 + 10 * k, true));
  EXPECT_EQ(refs, (std::vector<int>{1, 0, 0, 0, 2, 0}));
  CKXText dest;
  Receive(x, EKXPictureRefs::kSequence, dest, 0);
  ASSERT_EQ(dest.Check(), "");
  EXPECT_EQ(dest.GetDecoPictID(2), 0);
  EXPECT_EQ(PictBytes(dest.GetDecoPictID(4)), third);
}

// ---- hostile flavors ------------------------------------------------------------------

void Be(KxFlavorBytes& b, long v, int bytes) {
  for (int k = bytes - 1; k >= 0; --k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

// Style runs: offset and size of each, under a given count.
KxFlavorBytes Styls(const std::vector<long>& offsets, long count) {
  KxFlavorBytes b;
  Be(b, count, 2);
  for (size_t k = 0; k < offsets.size(); ++k) {
    Be(b, offsets[k], 4);
    Be(b, 0, 8);
    Be(b, long(9 + k), 2);
    Be(b, 0, 6);
  }
  return b;
}

TEST(TextFlavors, CountsAreCheckedAgainstTheRealSize) {
  KxFlavorBytes wrap{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};  // (2^32 - 1) * 8 wraps 32 bits
  auto cut = [](KxFlavorBytes b, size_t n) { b.resize(n); return b; };
  const struct {
    OSType type;
    KxFlavorBytes bytes;
    EKXFlavorRead want;
  } cases[] = {
      {kKxFlavorStyl, {}, EKXFlavorRead::kBroken},
      {kKxFlavorDeco, {0}, EKXFlavorRead::kBroken},
      {kKxFlavorPara, {0, 0}, EKXFlavorRead::kEmpty},
      {kKxFlavorStyl, Styls({0, 3}, 2), EKXFlavorRead::kRead},
      {kKxFlavorStyl, cut(Styls({0, 3}, 2), 41), EKXFlavorRead::kBroken},
      {kKxFlavorStyl, Styls({0, 3}, 3), EKXFlavorRead::kBroken},
      {kKxFlavorStyl, Styls({0}, 0xFFFF), EKXFlavorRead::kBroken},  // negative
      {kKxFlavorDeco, {0x7F, 0xFF, 0, 0}, EKXFlavorRead::kBroken},
      {kKxFlavorStyl, cut(Styls({0}, 1), 60), EKXFlavorRead::kRead},  // bytes after the runs
      {kKxFlavorUniChars, wrap, EKXFlavorRead::kBroken},
      {kKxFlavorRubyInfo, wrap, EKXFlavorRead::kBroken},
      {kKxFlavorText, {0, 0}, EKXFlavorRead::kUnknown},
  };
  for (const auto& c : cases) {
    CKXTextFlavorReader r;
    const KxFlavorBytes good = Styls({0, 2}, 2);
    r.ReadFlavor(kKxFlavorStyl, good.data(), long(good.size()));
    EXPECT_EQ(r.ReadFlavor(c.type, c.bytes.data(), long(c.bytes.size())), c.want) << &c - cases;
    EXPECT_TRUE(r.HasStyls()) << "a refused flavor keeps what the reader had";
  }
}

// Inserts `text` with one flavor into "<<>>" at 2.
void Land(CKXText& dest, const std::string& text, OSType type, const KxFlavorBytes& flavor,
          const std::vector<KxFlavorBytes>* pictures = nullptr) {
  dest.SetText("<<>>", 4, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextFlavorReader r;
  r.SetText(reinterpret_cast<const unsigned char*>(text.data()), long(text.size()));
  EXPECT_EQ(r.ReadFlavor(type, flavor.data(), long(flavor.size())), EKXFlavorRead::kRead);
  if (pictures) r.SetPictureFetch(KxPicturesFromList(*pictures));
  r.InsertInto(dest, 2);
  EXPECT_EQ(dest.Check(), "");
}

TEST(TextFlavors, RunsFromOutsideAreClamped) {
  CKXText t;
  // The first run goes to 0; offsets that do not rise, repeat or lie
  // outside the text are dropped.
  Land(t, "0123456789", kKxFlavorStyl, Styls({5, 2, 7, 6, 7, 40, -3}, 7));
  SKXStyl s[8];
  std::vector<std::pair<long, int>> runs;
  for (long k = 0, n = t.GetSelStyls(2, 12, s, 8); k < n; ++k) runs.emplace_back(s[k].offset, s[k].styl.size);
  EXPECT_EQ(runs, (std::vector<std::pair<long, int>>{{0, 9}, {2, 10}, {7, 11}}));

  // A paragraph run claiming 200 tabs keeps 16.
  KxFlavorBytes p;
  Be(p, 1, 2);
  Be(p, 0, 4);
  for (int i = 0; i < 80; ++i) p.push_back(std::uint8_t(i == 11 ? 200 : i >= 16 && i < 48 && i % 2 ? i : 0));
  Land(t, "para\rgraph", kKxFlavorPara, p);
  SKXPara got{};
  ASSERT_EQ(t.GetSelParas(7, 8, &got, 1), 1);
  EXPECT_EQ(got.para.tabCount, kKxMaxTabs);

  // Side entries stay only on a placeholder, inside the text, rising.
  KxFlavorBytes u;
  const long at[] = {0, 1, 2, 3, 2, 5, 6, 99};
  Be(u, 8, 4);
  for (long o : at) Be(u, o, 4), Be(u, 0x4E000000L + o, 4);
  Land(t, "\xA0" "x\x81\xFC\xA0" "\xA3\xBF", kKxFlavorUniChars, u);
  SKXUniChar ue[8];
  std::vector<long> kept;
  for (long k = 0, n = t.GetUniChars(ue, 8); k < n; ++k) kept.push_back(ue[k].offset);
  EXPECT_EQ(kept, (std::vector<long>{2, 4, 7}));

  // Only ruby infos that describe inline ruby within the limits are taken.
  const std::string inlined = "ab(x)" + std::string(130, 'c') + "(y)dd(" + std::string(31, 'r') + ")e(z)";
  const long infos[][3] = {{0, 2, 3},      // "ab(x)"
                           {1, 1, 3},      // overlaps it
                           {5, 130, 3},    // base of 130 bytes
                           {138, 2, 33},   // ruby of 31 bytes
                           {140, 40, 3},   // past the text
                           {173, 1, 3}};   // "e(z)"
  KxFlavorBytes ri;
  Be(ri, 6, 4);
  for (const auto& i : infos) Be(ri, i[0], 4), Be(ri, i[1], 1), Be(ri, i[2], 1);
  Land(t, inlined, kKxFlavorRubyInfo, ri);
  EXPECT_EQ(t.GetLength(), 4 + long(inlined.size()) - 6);
  SKXRuby last{};
  ASSERT_EQ(t.GetRubysCount(), 2);
  ASSERT_TRUE(t.GetRubyAtNumber(2, &last));
  EXPECT_EQ(Bytes(t, last.pos, last.pos + last.baseLen), "e");
}

TEST(TextFlavors, PictureReferencesFromOutside) {
  std::vector<KxFlavorBytes> pictures;
  for (int k = 0; k < 2; ++k) {
    PicHandle h = MakePict(k);
    pictures.emplace_back(*h, *h + KxMemHSize(h));
    KxMemHFree(h);
  }
  pictures.push_back({1, 2, 3});  // too short for a picture header
  auto decos = [](const std::vector<std::pair<long, long>>& runs) {
    KxFlavorBytes b;
    Be(b, long(runs.size()), 2);
    for (const auto& [offset, ref] : runs) Be(b, offset, 4), Be(b, 0, 4), Be(b, ref, 2);
    return b;
  };
  const std::string text = "\xCA\xCA" "x\xCA\xCA\xCA" "yz";
  CKXText t;
  // Two runs naming picture 1 get a picture each; a reference on a byte
  // that is no picture byte, beyond the list, to a short picture or
  // negative is dropped.
  Land(t, text, kKxFlavorDeco, decos({{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 9}, {5, -1}, {6, 0}, {7, 2}}), &pictures);
  std::vector<short> ids;
  for (long k = 2; k < 10; ++k) ids.push_back(t.GetDecoPictID(k));
  ASSERT_NE(ids[0], 0);
  EXPECT_NE(ids[1], ids[0]);
  EXPECT_EQ(PictBytes(ids[0]), std::string(pictures[0].begin(), pictures[0].end()));
  EXPECT_EQ(PictBytes(ids[1]), PictBytes(ids[0]));
  EXPECT_EQ(std::vector<short>(ids.begin() + 2, ids.end()), std::vector<short>(6, 0));
  Land(t, text, kKxFlavorDeco, decos({{0, 1}, {2, 0}}));  // without a fetch
  EXPECT_EQ(t.GetDecoPictID(2), 0);
}

TEST(TextFlavors, LaunchInfo) {
  KxFlavorBytes b;
  std::string path;
  ASSERT_TRUE(CKXTextFlavorData::MakeLaunchInfo("/usr/bin/kxtext", b));
  ASSERT_EQ(b.size(), size_t(kKxLaunchInfoSize));
  EXPECT_EQ(b[0], 15);  // least significant byte first
  ASSERT_TRUE(CKXTextFlavorData::ReadLaunchInfo(b.data(), long(b.size()), path));
  EXPECT_EQ(path, "/usr/bin/kxtext");
  EXPECT_FALSE(CKXTextFlavorData::MakeLaunchInfo(std::string(1025, 'p'), b));
  const KxFlavorBytes longer{20, 0, 0, 0, 'a', 'b'}, wide{1, 4, 0, 0, 'a'};  // 20 > 2 bytes; 1025 > 1024
  EXPECT_FALSE(CKXTextFlavorData::ReadLaunchInfo(longer.data(), 6, path));
  EXPECT_FALSE(CKXTextFlavorData::ReadLaunchInfo(wide.data(), 5, path));
}

}  // namespace

namespace {

// A text from outside that ends in a lone lead byte lands without it: the
// byte would join the character after the insertion point, and an undo of
// the insertion could not take it apart again.
TEST(TextFlavors, ALoneLeadByteAtTheEndStaysOut) {
  CKXText dest;
  dest.SetText("alpha", 5, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextFlavorReader r;
  const std::string text = "x\x82\xA0\x9C";
  r.SetText(reinterpret_cast<const unsigned char*>(text.data()), long(text.size()));
  EXPECT_EQ(r.InsertInto(dest, 0), 3);
  std::string bytes(std::size_t(dest.GetLength()), '\0');
  dest.CopyBytes(0, dest.GetLength(), bytes.data(), dest.GetLength());
  EXPECT_EQ(bytes, "x\x82\xA0" "alpha");
  EXPECT_EQ(dest.Check(), "");
  // A lone lead byte alone brings nothing.
  CKXTextFlavorReader lone;
  lone.SetText(reinterpret_cast<const unsigned char*>("\x9C"), 1);
  EXPECT_EQ(lone.InsertInto(dest, 0), 0);
  EXPECT_EQ(dest.GetLength(), 8);
}

}  // namespace
