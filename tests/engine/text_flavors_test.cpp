// The private run flavors: random styled ranges made into flavors and
// inserted into another text come back run for run; hostile flavors are
// refused or clamped and never break the text they land in.
//
// What each flavor carries through a transfer, and what it loses:
//   "styl" every field of every style run (font, face, size, colour,
//          height, ascent);
//   "styw" line bits, net and decoration-style bytes; pictures come back as
//          equal bytes under new IDs of the table (by sequence number with
//          their "PICT" bytes, or copied out of the table by ID);
//   "styx" every paragraph style with up to 16 tabs; a paragraph's style
//          holds from its start, so the first paragraph of a range that
//          starts inside one takes the style of the paragraph it lands in;
//   "styu" every side entry (each on its placeholder);
//   "styy" ruby over bases inside the range; a base reaching past the range
//          end is cut to it, one cut before its first control byte;
//   marks travel in no flavor.
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

PicHandle MakePict(int seed, long size = 14) {
  PicHandle h = KxMemHAlloc(size, true);
  std::memset(*h, 0, static_cast<size_t>(size));
  // size field, then the frame 0,0,20,30 (big-endian), then a mark
  (*h)[7] = 20;
  (*h)[9] = 30;
  for (long k = 10; k < size; ++k) (*h)[k] = static_cast<char>(seed + k);
  return h;
}

std::string PictBytes(short id) {
  short w = 0, h = 0;
  PicHandle p = CKXDecoArray::GetPicture(id, w, h);
  return p ? std::string(*p, static_cast<size_t>(KxMemHSize(p))) : std::string();
}

template <typename Run>
bool SameElement(const Run& a, const Run& b) {
  return std::memcmp(reinterpret_cast<const char*>(&a) + 4, reinterpret_cast<const char*>(&b) + 4,
                     sizeof(Run) - 4) == 0;
}

// A random styled text of whole pieces: letters, line ends, two-byte
// characters, placeholders with side entries and pictures; runs start on
// piece boundaries, ruby covers runs of pieces without line ends.
struct Source {
  CKXText text;
  std::vector<long> cuts;  // piece boundaries, 0 and the length included
};

void BuildSource(Source& s, std::mt19937& rng, int pieces) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> uni;
  std::vector<bool> lineEnd;
  s.cuts = {0};
  bool paraStart = true;
  for (int k = 0; k < pieces; ++k) {
    const long at = static_cast<long>(bytes.size());
    const int kind = pick(10);
    SKXDeco d{};
    d.offset = static_cast<std::int32_t>(at);
    d.deco.lineBits = static_cast<std::uint16_t>(pick(3) == 0 ? (1 + pick(2)) << 3 : 0);
    d.deco.net = static_cast<std::uint8_t>(pick(4) == 0 ? 0x21 : 0);
    if (kind == 0) {
      bytes += "\r";
    } else if (kind == 1) {
      bytes += "\x81\xFC";
      uni.push_back({static_cast<std::int32_t>(at), 0x4E000000u + static_cast<std::uint32_t>(pick(500))});
    } else if (kind == 2) {
      bytes += "\xA0";
      uni.push_back({static_cast<std::int32_t>(at), 0x00E90000u});
    } else if (kind == 3) {
      bytes += static_cast<char>(kKxPictureByte);
      d.deco.pictID = CKXDecoArray::SetPicture(MakePict(k));
    } else if (kind == 4) {
      bytes += "\x82\xA0\x82\xA2";
    } else {
      bytes += std::string(1 + static_cast<size_t>(pick(4)), static_cast<char>('a' + pick(26)));
    }
    lineEnd.push_back(kind == 0);
    if (d.deco.pictID != 0 || pick(3) == 0) decos.push_back(d);
    else if (!decos.empty() && decos.back().deco.pictID != 0) decos.push_back(SKXDeco{d.offset, {}, 0});
    if (pick(3) == 0) {
      SKXStyl r{};
      r.offset = static_cast<std::int32_t>(at);
      r.styl.font = static_cast<std::int16_t>(pick(2));
      r.styl.size = static_cast<std::int16_t>(9 + pick(4));
      r.styl.face = static_cast<std::uint8_t>(pick(4));
      r.styl.color = {static_cast<std::uint16_t>(pick(3) * 0x7FFF), 0, 0x1234};
      r.styl.height = 15;
      r.styl.ascent = 12;
      styls.push_back(r);
    }
    if (paraStart && pick(2) == 0) {
      SKXPara p{};
      p.offset = static_cast<std::int32_t>(at);
      p.para.leftIndent = static_cast<std::int16_t>(pick(4) * 12);
      p.para.justify = static_cast<std::uint8_t>(pick(4));
      p.para.tabCount = static_cast<std::uint8_t>(pick(17));
      for (int t = 0; t < p.para.tabCount; ++t) p.para.tabPos[t] = static_cast<std::int16_t>(20 * (t + 1));
      p.para.tabKinds = p.para.tabCount ? 0x9u : 0;
      paras.push_back(p);
    }
    paraStart = kind == 0;
    s.cuts.push_back(static_cast<long>(bytes.size()));
  }
  if (!decos.empty()) decos.front().offset = 0;
  if (!paras.empty()) paras.front().offset = 0;
  s.text.SetText(bytes.data(), static_cast<long>(bytes.size()), styls.data(), static_cast<long>(styls.size()),
                 decos.data(), static_cast<long>(decos.size()), paras.data(), static_cast<long>(paras.size()),
                 uni.data(), static_cast<long>(uni.size()));
  // Ruby over one to three pieces without line ends, never overlapping.
  std::vector<SKXRuby> rubys;
  for (int k = 0; k + 3 < pieces; k += 1 + pick(6)) {
    int span = 1 + pick(3);
    bool ok = true;
    for (int i = k; i < k + span; ++i) ok = ok && !lineEnd[size_t(i)];
    const long from = s.cuts[size_t(k)], to = s.cuts[size_t(k + span)];
    if (!ok || to - from > kKxRubyMaxBase || pick(2)) continue;
    SKXRuby r{};
    r.pos = static_cast<std::int32_t>(from);
    r.baseLen = static_cast<unsigned char>(to - from);
    r.rubyLen = static_cast<unsigned char>(1 + pick(kKxRubyMaxText));
    for (int i = 0; i < r.rubyLen; ++i) r.text[i] = static_cast<char>('A' + pick(26));
    rubys.push_back(r);
    k += span;
  }
  s.text.SetRubys(rubys.data(), static_cast<long>(rubys.size()));
  ASSERT_EQ(s.text.Check(), "");
}

// The flavors of from..to, made by a writer and taken in by a reader.
struct Transfer {
  KxFlavorBytes text, styl, deco, para, uni, ruby;
  std::vector<KxFlavorBytes> pictures;
};

void MakeTransfer(const CKXText& t, long from, long to, EKXPictureRefs refs, Transfer& x) {
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
  r.SetText(x.text.data(), static_cast<long>(x.text.size()));
  const std::pair<OSType, const KxFlavorBytes*> flavors[] = {{kKxFlavorStyl, &x.styl}, {kKxFlavorDeco, &x.deco},
                                                             {kKxFlavorPara, &x.para}, {kKxFlavorUniChars, &x.uni},
                                                             {kKxFlavorRubyInfo, &x.ruby}};
  for (const auto& [type, bytes] : flavors)
    if (!bytes->empty()) {
      EXPECT_NE(r.ReadFlavor(type, bytes->data(), static_cast<long>(bytes->size())), EKXFlavorRead::kBroken);
    }
  r.SetPictureFetch(refs == EKXPictureRefs::kSequence ? KxPicturesFromList(x.pictures) : KxPicturesFromTable());
  return r.InsertInto(dest, pos);
}

template <typename Run, typename Get>
std::vector<Run> SelRuns(const CKXText& t, long from, long to, long count, Get get) {
  std::vector<Run> v(static_cast<size_t>(std::max(count, 1L)));
  v.resize(static_cast<size_t>((t.*get)(from, to, v.data(), static_cast<long>(v.size()))));
  return v;
}

long Steps() {
  const char* s = std::getenv("KX_RANDOM_STEPS");
  return s ? std::max(1L, std::atol(s)) : 150;
}

TEST(TextFlavors, RandomRangesComeBackRunForRun) {
  std::mt19937 rng(4021);
  for (long step = 0; step < Steps(); ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    Source src;
    BuildSource(src, rng, 20 + static_cast<int>(rng() % 60));
    const long nc = static_cast<long>(src.cuts.size());
    long a = src.cuts[rng() % nc], b = src.cuts[rng() % nc];
    if (a > b) std::swap(a, b);
    if (a == b) continue;
    // Paragraph styles are compared where the range starts a paragraph and
    // lands at the start of one (the end of a text that ends with a line end).
    const bool paraStart = a == 0 || Bytes(src.text, a - 1, a) == "\r";
    const EKXPictureRefs refs = step % 2 ? EKXPictureRefs::kSequence : EKXPictureRefs::kTableID;
    Transfer x;
    MakeTransfer(src.text, a, b, refs, x);

    CKXText dest;
    const std::string plain = "plain text\rsecond line\r";
    dest.SetText(plain.data(), static_cast<long>(plain.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    const long pos = paraStart ? static_cast<long>(plain.size()) : static_cast<long>(rng() % plain.size());
    const long n = Receive(x, refs, dest, pos);
    ASSERT_EQ(dest.Check(), "");
    ASSERT_EQ(n, b - a);
    EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), plain.substr(0, size_t(pos)) + Bytes(src.text, a, b) +
                                                    plain.substr(size_t(pos)));

    auto s1 = SelRuns<SKXStyl>(src.text, a, b, src.text.GetSelStylCount(a, b), &CKXText::GetSelStyls);
    auto s2 = SelRuns<SKXStyl>(dest, pos, pos + n, dest.GetSelStylCount(pos, pos + n), &CKXText::GetSelStyls);
    ASSERT_EQ(s1.size(), s2.size());
    for (size_t k = 0; k < s1.size(); ++k) {
      EXPECT_EQ(s1[k].offset, s2[k].offset);
      EXPECT_TRUE(SameElement(s1[k], s2[k])) << "style run " << k;
    }
    auto d1 = SelRuns<SKXDeco>(src.text, a, b, src.text.GetSelDecoCount(a, b), &CKXText::GetSelDecos);
    auto d2 = SelRuns<SKXDeco>(dest, pos, pos + n, dest.GetSelDecoCount(pos, pos + n), &CKXText::GetSelDecos);
    ASSERT_EQ(d1.size(), d2.size());
    for (size_t k = 0; k < d1.size(); ++k) {
      EXPECT_EQ(d1[k].offset, d2[k].offset);
      EXPECT_EQ(d1[k].deco.lineBits, d2[k].deco.lineBits);
      EXPECT_EQ(d1[k].deco.net, d2[k].deco.net);
      EXPECT_EQ(d1[k].deco.flags, d2[k].deco.flags);
      EXPECT_EQ(d1[k].deco.pictID != 0, d2[k].deco.pictID != 0) << "decoration run " << k;
      if (d1[k].deco.pictID != 0) {
        EXPECT_EQ(PictBytes(d1[k].deco.pictID), PictBytes(d2[k].deco.pictID));
      }
    }
    if (paraStart && src.text.GetParaCount() > 0) {
      auto p1 = SelRuns<SKXPara>(src.text, a, b, src.text.GetSelParaCount(a, b), &CKXText::GetSelParas);
      auto p2 = SelRuns<SKXPara>(dest, pos, pos + n, dest.GetSelParaCount(pos, pos + n), &CKXText::GetSelParas);
      ASSERT_EQ(p1.size(), p2.size());
      for (size_t k = 0; k < p1.size(); ++k) {
        EXPECT_EQ(p1[k].offset, p2[k].offset);
        EXPECT_TRUE(SameElement(p1[k], p2[k])) << "paragraph run " << k;
      }
    }
    auto u1 = SelRuns<SKXUniChar>(src.text, a, b, src.text.GetSelUniCharsCount(a, b), &CKXText::GetSelUniChars);
    auto u2 = SelRuns<SKXUniChar>(dest, pos, pos + n, dest.GetSelUniCharsCount(pos, pos + n),
                                  &CKXText::GetSelUniChars);
    ASSERT_EQ(u1.size(), u2.size());
    for (size_t k = 0; k < u1.size(); ++k) {
      EXPECT_EQ(u1[k].offset, u2[k].offset);
      EXPECT_EQ(u1[k].value, u2[k].value);
    }
    auto r1 = SelRuns<SKXRuby>(src.text, a, b, src.text.GetSelRubysCount(a, b), &CKXText::GetSelRubys);
    auto r2 = SelRuns<SKXRuby>(dest, pos, pos + n, dest.GetSelRubysCount(pos, pos + n), &CKXText::GetSelRubys);
    ASSERT_EQ(r1.size(), r2.size());
    for (size_t k = 0; k < r1.size(); ++k) {
      EXPECT_EQ(r1[k].pos, r2[k].pos);
      EXPECT_EQ(std::min<long>(r1[k].baseLen, b - a - r1[k].pos), r2[k].baseLen);
      EXPECT_EQ(std::string(r1[k].text, r1[k].rubyLen), std::string(r2[k].text, r2[k].rubyLen));
    }
  }
}

TEST(TextFlavors, WriterLimitsAndPictures) {
  // More runs than a 16-bit count holds: those flavors are left out, the
  // 32-bit ones still go.
  CKXText big;
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXUniChar> uni;
  for (long k = 0; k < 40000; ++k) {
    SKXStyl r{};
    r.offset = static_cast<std::int32_t>(k);
    r.styl.size = static_cast<std::int16_t>(10 + k % 2);
    styls.push_back(r);
    uni.push_back({static_cast<std::int32_t>(k), 0x00E90000u});
    bytes += "\xA0";
  }
  big.SetText(bytes.data(), static_cast<long>(bytes.size()), styls.data(), static_cast<long>(styls.size()), nullptr,
              0, nullptr, 0, uni.data(), static_cast<long>(uni.size()));
  CKXTextFlavorWriter all(big, 0, big.GetLength());
  KxFlavorBytes out{1, 2, 3};
  EXPECT_EQ(all.MakeStyl(out), EKXFlavorMake::kTooMany);
  EXPECT_EQ(out, (KxFlavorBytes{1, 2, 3}));
  EXPECT_EQ(all.MakeUniChars(out), EKXFlavorMake::kMade);
  EXPECT_EQ(out.size(), 4u + 8u * 40000u);
  EXPECT_EQ(CKXTextFlavorWriter(big, 0, 32767).MakeStyl(out), EKXFlavorMake::kMade);
  EXPECT_EQ(KxFlatGet16(out.data(), true), 32767);
  EXPECT_EQ(CKXTextFlavorWriter(big, 5, 5).MakeStyl(out), EKXFlavorMake::kNothing);
  EXPECT_EQ(all.MakePara(out), EKXFlavorMake::kNothing);  // every paragraph has the default style
  EXPECT_EQ(all.MakeRubyInfo(out), EKXFlavorMake::kNothing);

  // Three pictures, the middle one gone from the table: it is written as 0
  // and the third keeps sequence number 2, so it finds its own bytes.
  CKXText t;
  const std::string s = "a\xCA" "b\xCA" "c\xCA";
  SKXDeco d[7] = {};
  short ids[3];
  for (int k = 0; k < 3; ++k) {
    ids[k] = CKXDecoArray::SetPicture(MakePict(10 * k));
    d[2 * k + 1] = {2 * k + 1, {0, 0, 0, ids[k]}, 0};
    d[2 * k + 2] = {2 * k + 2, {}, 0};
  }
  t.SetText(s.data(), 6, nullptr, 0, d, 6, nullptr, 0, nullptr, 0);
  const std::string third = PictBytes(ids[2]);
  gKXPictManager->DeletePicture(ids[1]);
  Transfer x;
  MakeTransfer(t, 0, 6, EKXPictureRefs::kSequence, x);
  ASSERT_EQ(x.pictures.size(), 2u);
  // Runs at 0, 1 (pict 1), 2, 3 (pict 0), 4, 5 (pict 2): the ID field of each.
  std::vector<short> refs;
  for (int k = 0; k < KxFlatGet16(x.deco.data(), true); ++k)
    refs.push_back(static_cast<short>(KxFlatGet16(x.deco.data() + 2 + 10 * k + 8, true)));
  EXPECT_EQ(refs, (std::vector<short>{0, 1, 0, 0, 0, 2}));
  CKXText dest;
  Receive(x, EKXPictureRefs::kSequence, dest, 0);
  ASSERT_EQ(dest.Check(), "");
  EXPECT_EQ(dest.GetDecoPictID(3), 0);
  ASSERT_NE(dest.GetDecoPictID(5), 0);
  EXPECT_EQ(PictBytes(dest.GetDecoPictID(5)), third);

  // One picture byte alone is a lone picture.
  EXPECT_TRUE(CKXTextFlavorWriter(t, 1, 2).IsLonePicture());
  EXPECT_FALSE(CKXTextFlavorWriter(t, 3, 4).IsLonePicture());
  EXPECT_FALSE(CKXTextFlavorWriter(t, 0, 2).IsLonePicture());
}

TEST(TextFlavors, RubyLandsBesideRubyOfTheText) {
  // The text already has ruby behind and around the insertion point.
  CKXText dest;
  const std::string s = "0123456789abcdef";
  dest.SetText(s.data(), 16, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  SKXRuby old[2] = {{2, 4, 2, "xy"}, {10, 3, 1, "z"}};
  dest.SetRubys(old, 2);
  CKXText src;
  src.SetText("kanji", 5, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  SKXRuby r{1, 3, 3, "abc"};
  src.SetRubys(&r, 1);
  for (long pos : {0L, 2L, 4L, 8L, 10L, 16L}) {
    for (bool decos : {false, true}) {
      CKXText d;
      d.SetText(&dest);
      Transfer x;
      MakeTransfer(src, 0, 5, EKXPictureRefs::kTableID, x);
      EXPECT_EQ(std::string(x.text.begin(), x.text.end()), "kanj(abc)i");
      if (!decos) x.deco.clear();
      ASSERT_EQ(Receive(x, EKXPictureRefs::kTableID, d, pos), 5);
      std::vector<SKXRuby> got(4);
      got.resize(static_cast<size_t>(d.GetRubys(got.data(), 4)));
      // The old rubies keep their bases (one that held the insertion point
      // ends there), the new one sits on "anj".
      std::vector<std::string> bases;
      for (const SKXRuby& g : got) bases.push_back(Bytes(d, g.pos, g.pos + g.baseLen) + "/" + g.text);
      std::string all;
      for (const SKXRuby& g : got) all += std::to_string(g.pos) + "+" + std::to_string(g.baseLen) + " ";
      ASSERT_EQ(d.Check(), "") << pos << (decos ? " with" : " without") << " decoration runs: " << all;
      std::vector<std::string> want;
      if (pos <= 2) want = {"anj/abc", "2345/xy", "abc/z"};
      else if (pos == 4) want = {"23/xy", "anj/abc", "abc/z"};
      else if (pos <= 10) want = {"2345/xy", "anj/abc", "abc/z"};
      else want = {"2345/xy", "abc/z", "anj/abc"};
      EXPECT_EQ(bases, want) << "at " << pos << (decos ? " with" : " without") << " decoration runs";
    }
  }
}

// ---- hostile flavors ----------------------------------------------------------------------

void Be16(KxFlavorBytes& b, long v) {
  b.push_back(static_cast<unsigned char>(v >> 8));
  b.push_back(static_cast<unsigned char>(v));
}
void Be32(KxFlavorBytes& b, long v) {
  Be16(b, v >> 16);
  Be16(b, v & 0xFFFF);
}

KxFlavorBytes StylRuns(const std::vector<long>& offsets, long count) {
  KxFlavorBytes b;
  Be16(b, count);
  for (size_t k = 0; k < offsets.size(); ++k) {
    Be32(b, offsets[k]);
    for (int i = 0; i < 16; ++i) b.push_back(i == 9 ? static_cast<unsigned char>(9 + k) : 0);  // size
  }
  return b;
}

TEST(TextFlavors, CountsAreCheckedAgainstTheRealSize) {
  struct Case {
    const char* what;
    OSType type;
    KxFlavorBytes bytes;
    EKXFlavorRead want;
  };
  KxFlavorBytes huge32;
  Be32(huge32, 0xFFFFFFFFL);
  Be32(huge32, 0);
  KxFlavorBytes huge32r = huge32;
  huge32r.resize(64);
  const Case cases[] = {
      {"no bytes", kKxFlavorStyl, {}, EKXFlavorRead::kBroken},
      {"one byte of count", kKxFlavorDeco, {0}, EKXFlavorRead::kBroken},
      {"count 0", kKxFlavorPara, {0, 0}, EKXFlavorRead::kEmpty},
      {"count 0, 32-bit", kKxFlavorUniChars, {0, 0, 0, 0}, EKXFlavorRead::kEmpty},
      {"two runs", kKxFlavorStyl, StylRuns({0, 3}, 2), EKXFlavorRead::kRead},
      {"truncated run", kKxFlavorStyl, [] { auto b = StylRuns({0, 3}, 2); b.pop_back(); return b; }(),
       EKXFlavorRead::kBroken},
      {"count beyond the runs", kKxFlavorStyl, StylRuns({0, 3}, 3), EKXFlavorRead::kBroken},
      {"negative count", kKxFlavorStyl, StylRuns({0}, 0xFFFF), EKXFlavorRead::kBroken},
      {"largest 16-bit count", kKxFlavorDeco, {0x7F, 0xFF, 0, 0}, EKXFlavorRead::kBroken},
      {"bytes after the runs", kKxFlavorStyl, [] { auto b = StylRuns({0}, 1); b.resize(60); return b; }(),
       EKXFlavorRead::kRead},
      {"count that wraps 32 bits", kKxFlavorUniChars, huge32, EKXFlavorRead::kBroken},
      {"count that wraps 32 bits, ruby", kKxFlavorRubyInfo, huge32r, EKXFlavorRead::kBroken},
      {"not a run flavor", kKxFlavorText, {0, 0}, EKXFlavorRead::kUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CKXTextFlavorData::CheckFlavorData(c.type, c.bytes.data(), static_cast<long>(c.bytes.size())), c.want);
    // A refused flavor leaves what the reader had.
    CKXTextFlavorReader r;
    KxFlavorBytes good = StylRuns({0, 2}, 2);
    r.ReadFlavor(kKxFlavorStyl, good.data(), static_cast<long>(good.size()));
    EXPECT_EQ(r.ReadFlavor(c.type, c.bytes.data(), static_cast<long>(c.bytes.size())), c.want);
    EXPECT_TRUE(r.HasStyls());
  }
}

// Inserts "text" with one flavor into "<<>>" at 2 and answers the text.
CKXText* Land(CKXText& dest, const std::string& text, OSType type, const KxFlavorBytes& flavor,
              const std::vector<KxFlavorBytes>* pictures = nullptr) {
  dest.SetText("<<>>", 4, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextFlavorReader r;
  r.SetText(reinterpret_cast<const unsigned char*>(text.data()), static_cast<long>(text.size()));
  EXPECT_EQ(r.ReadFlavor(type, flavor.data(), static_cast<long>(flavor.size())), EKXFlavorRead::kRead);
  if (pictures) r.SetPictureFetch(KxPicturesFromList(*pictures));
  r.InsertInto(dest, 2);
  EXPECT_EQ(dest.Check(), "");
  return &dest;
}

TEST(TextFlavors, RunsFromOutsideAreClamped) {
  CKXText t;
  // The first run goes to 0; offsets that do not rise, repeat or lie past
  // the text are dropped.
  Land(t, "0123456789", kKxFlavorStyl, StylRuns({5, 2, 7, 6, 7, 40, -3}, 7));
  std::vector<SKXStyl> s(8);
  s.resize(static_cast<size_t>(t.GetSelStyls(2, 12, s.data(), 8)));
  std::vector<std::pair<long, int>> runs;
  for (const SKXStyl& r : s) runs.emplace_back(r.offset, r.styl.size);
  EXPECT_EQ(runs, (std::vector<std::pair<long, int>>{{0, 9}, {2, 10}, {7, 11}}));

  // A paragraph run claiming 200 tabs keeps 16.
  KxFlavorBytes p;
  Be16(p, 1);
  Be32(p, 0);
  for (int i = 0; i < 80; ++i) p.push_back(static_cast<unsigned char>(i == 11 ? 200 : i >= 16 && i < 48 && i % 2 ? i : 0));
  Land(t, "para\rgraph", kKxFlavorPara, p);
  SKXPara got{};
  ASSERT_EQ(t.GetSelParas(7, 8, &got, 1), 1);
  EXPECT_EQ(got.para.tabCount, kKxMaxTabs);

  // Side entries: only those on a placeholder, inside the text, rising.
  KxFlavorBytes u;
  const long entries[][2] = {{0, 0x4E00}, {1, 0x4E01}, {2, 0x4E02}, {3, 0x4E03},
                             {2, 0x4E12}, {5, 0x4E05}, {6, 0x4E06}, {99, 1}};
  Be32(u, 8);
  for (const auto& e : entries) {
    Be32(u, e[0]);
    Be32(u, e[1] << 16);
  }
  Land(t, "\xA0" "x\x81\xFC\xA0" "\xA3\xBF", kKxFlavorUniChars, u);
  std::vector<SKXUniChar> ue(8);
  ue.resize(static_cast<size_t>(t.GetUniChars(ue.data(), 8)));
  std::vector<long> at;
  for (const SKXUniChar& e : ue) at.push_back(e.offset);
  EXPECT_EQ(at, (std::vector<long>{2, 4, 7}));  // 0, 2 and 5 of the inserted text

  // Ruby infos that do not describe inline ruby leave the text as it came.
  struct Info {
    long pos, base, inl;
    bool taken;
  };
  const std::string inlined = "ab(x)" + std::string(130, 'c') + "(y)dd(" + std::string(31, 'r') + ")e(z)";
  const Info infos[] = {
      {0, 2, 3, true},      // "ab(x)"
      {1, 1, 3, false},     // overlaps the one before
      {5, 130, 3, false},   // base longer than 127 bytes
      {138, 2, 33, false},  // ruby of 31 bytes
      {140, 40, 3, false},  // past the text
      {173, 1, 3, true},    // "e(z)"
  };
  KxFlavorBytes ri;
  Be32(ri, 6);
  for (const Info& i : infos) {
    Be32(ri, i.pos);
    ri.push_back(static_cast<unsigned char>(i.base));
    ri.push_back(static_cast<unsigned char>(i.inl));
  }
  Land(t, inlined, kKxFlavorRubyInfo, ri);
  EXPECT_EQ(t.GetLength(), 4 + static_cast<long>(inlined.size()) - 6);
  EXPECT_EQ(t.GetRubysCount(), 2);
  SKXRuby last{};
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
  struct Run {
    long offset;
    short ref;
  };
  auto decos = [](const std::vector<Run>& runs) {
    KxFlavorBytes b;
    Be16(b, static_cast<long>(runs.size()));
    for (const Run& r : runs) {
      Be32(b, r.offset);
      Be32(b, 0);
      Be16(b, r.ref);
    }
    return b;
  };
  const std::string text = "\xCA\xCA" "x\xCA\xCA\xCA" "yz";
  CKXText t;
  // Two runs naming picture 1 get two pictures; a reference on a run longer
  // than one byte, on a byte that is no picture byte, beyond the list, to
  // a short picture or negative is dropped.
  Land(t, text, kKxFlavorDeco,
       decos({{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 9}, {5, -1}, {6, 0}, {7, 2}}), &pictures);
  std::vector<short> ids;
  for (long k = 2; k < 2 + static_cast<long>(text.size()); ++k) ids.push_back(t.GetDecoPictID(k));
  ASSERT_NE(ids[0], 0);
  ASSERT_NE(ids[1], 0);
  EXPECT_NE(ids[0], ids[1]);
  EXPECT_EQ(PictBytes(ids[0]), std::string(pictures[0].begin(), pictures[0].end()));
  EXPECT_EQ(PictBytes(ids[1]), PictBytes(ids[0]));
  EXPECT_EQ(std::vector<short>(ids.begin() + 2, ids.end()), (std::vector<short>{0, 0, 0, 0, 0, 0}));
  // Without a fetch no reference counts.
  Land(t, text, kKxFlavorDeco, decos({{0, 1}, {1, 0}}));
  EXPECT_EQ(t.GetDecoPictID(2), 0);
}

TEST(TextFlavors, LaunchInfo) {
  KxFlavorBytes b;
  ASSERT_TRUE(CKXTextFlavorData::MakeLaunchInfo("/usr/bin/kxtext", b));
  ASSERT_EQ(b.size(), static_cast<size_t>(kKxLaunchInfoSize));
  EXPECT_EQ(b[0], 15);
  EXPECT_EQ(b[3], 0);
  std::string path;
  ASSERT_TRUE(CKXTextFlavorData::ReadLaunchInfo(b.data(), static_cast<long>(b.size()), path));
  EXPECT_EQ(path, "/usr/bin/kxtext");
  EXPECT_FALSE(CKXTextFlavorData::MakeLaunchInfo(std::string(1025, 'p'), b));
  EXPECT_FALSE(CKXTextFlavorData::MakeLaunchInfo("", b));
  // A length beyond the block or beyond 1024 is refused.
  const KxFlavorBytes longer{20, 0, 0, 0, 'a', 'b'};
  EXPECT_FALSE(CKXTextFlavorData::ReadLaunchInfo(longer.data(), 6, path));
  KxFlavorBytes wide(2000, 'q');
  wide[0] = 0x01;
  wide[1] = 0x04;  // 1025
  wide[2] = wide[3] = 0;
  EXPECT_FALSE(CKXTextFlavorData::ReadLaunchInfo(wide.data(), 2000, path));
  EXPECT_FALSE(CKXTextFlavorData::ReadLaunchInfo(longer.data(), 3, path));
}

}  // namespace
