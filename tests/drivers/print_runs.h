// The run lists of a text as the drivers print them: one run a line, the
// offset first, then the record's fields as decimal numbers in record order.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "text/runs/runs.h"
#include "text/store/ruby.h"
#include "text/store/strarray.h"

namespace kxprint {

inline void Styles(const std::vector<SKXStyl>& runs) {
  for (const SKXStyl& r : runs) {
    const SStyl& s = r.styl;
    std::printf("%d %d %d %d %u %u %d %u %u %u\n", r.offset, s.height, s.ascent, s.font, s.face, s.filler, s.size,
                s.color.red, s.color.green, s.color.blue);
  }
}

inline void Decos(const std::vector<SKXDeco>& runs) {
  for (const SKXDeco& r : runs)
    std::printf("%d %u %u %u %d\n", r.offset, r.deco.lineBits, r.deco.net, r.deco.flags, r.deco.pictID);
}

inline void Paras(const std::vector<SKXPara>& runs) {
  for (const SKXPara& r : runs) {
    const SParaStyl& p = r.para;
    std::printf("%d %d %d %d %d %d %u %u %u", r.offset, p.firstIndent, p.leftIndent, p.rightIndent, p.lineSpace,
                p.charSpace, p.justify, p.tabCount, p.tabKinds);
    for (const std::int16_t t : p.tabPos) std::printf(" %d", t);
    std::printf(" %u\n", p.tabLeaders);
  }
}

// POS BASELEN RUBYLEN, then the ruby's bytes in decimal.
inline void Rubys(const std::vector<SKXRuby>& rubys) {
  for (const SKXRuby& r : rubys) {
    std::printf("%d %u %u", r.pos, r.baseLen, r.rubyLen);
    for (int k = 0; k < r.rubyLen && k < int(sizeof r.text); ++k)
      std::printf(" %u", unsigned(static_cast<unsigned char>(r.text[k])));
    std::printf("\n");
  }
}

// START END RANK NAME (the name as UTF-8).
inline void Mark(long start, long end, int rank, const std::string& nameUTF8) {
  std::printf("%ld %ld %d %s\n", start, end, rank, nameUTF8.c_str());
}

// OFFSET U+XXXX per side character (a value held as a surrogate pair is
// shown as its code point).
inline void UniChars(const std::vector<SKXUniChar>& sides) {
  for (const SKXUniChar& u : sides) {
    unsigned v = unsigned(u.value);
    const unsigned hi = v >> 16, lo = v & 0xFFFF;
    if (hi >= 0xD800 && hi < 0xDC00 && lo >= 0xDC00 && lo < 0xE000) v = 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
    std::printf("%d U+%04X\n", u.offset, v);
  }
}

}  // namespace kxprint
