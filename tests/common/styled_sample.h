// A random styled text for round-trip tests: letters, line ends, two-byte
// characters, placeholders with side entries and pictures, with style,
// decoration and paragraph runs and ruby; and the comparison of two texts
// run by run (pictures by their bytes).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "text/base/memory.h"
#include "text/runs/runs.h"
#include "text/store/text.h"

namespace kxtest {

inline std::string Bytes(const CKXText& t, long from, long to) {
  std::string s(static_cast<size_t>(to - from), '\0');
  if (to > from) t.CopyBytes(from, to, s.data(), to - from);
  return s;
}

inline PicHandle MakePict(int seed) {
  PicHandle h = KxMemHAlloc(14, true);
  std::memset(*h, 0, 14);
  (*h)[7] = 20;
  (*h)[9] = 30;
  for (int k = 10; k < 14; ++k) (*h)[k] = static_cast<char>(seed + k);
  return h;
}

inline std::string PictBytes(short id) {
  short w = 0, h = 0;
  PicHandle p = CKXDecoArray::GetPicture(id, w, h);
  return p ? std::string(*p, static_cast<size_t>(KxMemHSize(p))) : std::string();
}

// A random text: letters, line ends, two-byte characters, placeholders with
// side entries and (optionally) pictures, with style, decoration and
// paragraph runs and ruby over pieces without line ends.
inline void BuildSource(CKXText& t, std::mt19937& rng, int pieces, bool pictures) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string s;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> uni;
  std::vector<SKXRuby> rubys;
  for (int k = 0; k < pieces; ++k) {
    const auto at = static_cast<std::int32_t>(s.size());
    int kind = pick(10);
    if (kind == 3 && !pictures) kind = 5;
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
    if (kind >= 5 && pick(4) == 0 && (rubys.empty() || rubys.back().pos + rubys.back().baseLen <= at)) {
      SKXRuby r{at, std::uint8_t(s.size() - size_t(at)), std::uint8_t(1 + pick(kKxRubyMaxText)), {}};
      for (int i = 0; i < r.rubyLen; ++i) r.text[i] = char('A' + pick(26));
      rubys.push_back(r);
    }
  }
  t.SetText(s.data(), long(s.size()), styls.data(), long(styls.size()), decos.data(), long(decos.size()),
            paras.data(), long(paras.size()), uni.data(), long(uni.size()));
  t.SetRubys(rubys.data(), long(rubys.size()));
  ASSERT_EQ(t.Check(), "");
}

// Every run of a text as one string (pictures by their bytes).
template <typename Run>
std::string Runs(const CKXText& t, long (CKXText::*count)(long, long) const,
                 long (CKXText::*get)(long, long, Run*, long) const) {
  const long len = t.GetLength();
  std::vector<Run> v(size_t(std::max((t.*count)(0, len), 1L)));
  v.resize(size_t((t.*get)(0, len, v.data(), long(v.size()))));
  std::string out;
  for (Run r : v) {
    std::string pict;
    if constexpr (std::is_same_v<Run, SKXDeco>) {
      pict = PictBytes(r.deco.pictID);
      r.deco.pictID = 0;
    }
    out += std::string(reinterpret_cast<const char*>(&r), sizeof r) + pict + "|";
  }
  return out;
}

inline void ExpectSame(const CKXText& a, const CKXText& b) {
  EXPECT_EQ(Bytes(a, 0, a.GetLength()), Bytes(b, 0, b.GetLength()));
  EXPECT_EQ(Runs(a, &CKXText::GetSelStylCount, &CKXText::GetSelStyls),
            Runs(b, &CKXText::GetSelStylCount, &CKXText::GetSelStyls));
  EXPECT_EQ(Runs(a, &CKXText::GetSelDecoCount, &CKXText::GetSelDecos),
            Runs(b, &CKXText::GetSelDecoCount, &CKXText::GetSelDecos));
  EXPECT_EQ(Runs(a, &CKXText::GetSelParaCount, &CKXText::GetSelParas),
            Runs(b, &CKXText::GetSelParaCount, &CKXText::GetSelParas));
  EXPECT_EQ(Runs(a, &CKXText::GetSelUniCharsCount, &CKXText::GetSelUniChars),
            Runs(b, &CKXText::GetSelUniCharsCount, &CKXText::GetSelUniChars));
  EXPECT_EQ(Runs(a, &CKXText::GetSelRubysCount, &CKXText::GetSelRubys),
            Runs(b, &CKXText::GetSelRubysCount, &CKXText::GetSelRubys));
}

}  // namespace kxtest
