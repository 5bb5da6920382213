// The run lists and selection of an edit object as kxedit prints them, for
// every driver that prints a text's records (kxedit, kxapp, kxsed): one run a
// line, the offset first, then the record's fields as decimal numbers in
// record order.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "driver_text.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "text/runs/runs.h"

namespace kxdriver {

// Shift_JIS bytes with their side characters as UTF-8, CR as a newline;
// with `scripts`, each run's bytes are read in its own script (a Roman run's
// E9 is "é", not a half-width katakana), as a Unicode save reads them.
inline std::string TextToUTF8(const std::string& sjis, const std::vector<SKXUniChar>& sides,
                              const std::vector<SKXScriptRun>& scripts = {}) {
  HandleOwner units, glyphs;
  long count = 0;
  UKXUnicode::ConvertFromText(kScriptJapanese, sjis.data(), long(sjis.size()), sides.data(), long(sides.size()),
                              units.h, count, glyphs.h, scripts.empty() ? nullptr : scripts.data(),
                              long(scripts.size()));
  std::vector<unsigned char> be(size_t(count) * 2);
  const char16_t* u = units.h ? reinterpret_cast<const char16_t*>(*units.h) : nullptr;
  for (long k = 0; k < count; ++k) {
    char16_t c = u[k] == 13 ? char16_t('\n') : u[k];
    be[size_t(2 * k)] = (unsigned char)(c >> 8);
    be[size_t(2 * k + 1)] = (unsigned char)(c & 0xFF);
  }
  CKXJCode conv;
  conv.UNICODEtoUTF8(be.data(), long(be.size()));
  return std::string(reinterpret_cast<const char*>(conv.GetTextPtr()), size_t(conv.GetTextSize()));
}

// `START END`, the lower offset first.
inline void PrintSelection(KXEditHandle e) {
  long a = 0, b = 0;
  KXHandleAccess::Edit(e)->GetSelect(a, b);
  std::printf("%ld %ld\n", std::min(a, b), std::max(a, b));
}

// The lists themselves, for texts that are no edit object (kxsed --styled).
inline void PrintStyles(const std::vector<SKXStyl>& runs) {
  for (const SKXStyl& r : runs) {
    const SStyl& s = r.styl;
    std::printf("%d %d %d %d %u %u %d %u %u %u\n", r.offset, s.height, s.ascent, s.font, s.face, s.filler, s.size,
                s.color.red, s.color.green, s.color.blue);
  }
}

inline void PrintDecos(const std::vector<SKXDeco>& runs) {
  for (const SKXDeco& r : runs)
    std::printf("%d %u %u %u %d\n", r.offset, r.deco.lineBits, r.deco.net, r.deco.flags, r.deco.pictID);
}

inline void PrintParas(const std::vector<SKXPara>& runs) {
  for (const SKXPara& r : runs) {
    const SParaStyl& p = r.para;
    std::printf("%d %d %d %d %d %d %u %u %u", r.offset, p.firstIndent, p.leftIndent, p.rightIndent, p.lineSpace,
                p.charSpace, p.justify, p.tabCount, p.tabKinds);
    for (const std::int16_t t : p.tabPos) std::printf(" %d", t);
    std::printf(" %u\n", p.tabLeaders);
  }
}

// POS BASELEN RUBYLEN, then the ruby's bytes in decimal.
inline void PrintRuby(const std::vector<SKXRuby>& rubys) {
  for (const SKXRuby& r : rubys) {
    std::printf("%d %u %u", r.pos, r.baseLen, r.rubyLen);
    for (int k = 0; k < r.rubyLen && k < int(sizeof r.text); ++k) std::printf(" %u", unsigned((unsigned char)r.text[k]));
    std::printf("\n");
  }
}

// START END RANK NAME (the name's Shift_JIS bytes shown as UTF-8).
inline void PrintMark(long start, long end, int rank, const std::string& nameBytes) {
  std::printf("%ld %ld %d %s\n", start, end, rank, TextToUTF8(nameBytes, {}).c_str());
}

// OFFSET U+XXXX per side character (a value held as a surrogate pair is
// shown as its code point).
inline void PrintUniChars(const std::vector<SKXUniChar>& sides) {
  for (const SKXUniChar& u : sides) {
    unsigned v = unsigned(u.value);
    const unsigned hi = v >> 16, lo = v & 0xFFFF;
    if (hi >= 0xD800 && hi < 0xDC00 && lo >= 0xDC00 && lo < 0xE000) v = 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
    // The converter keeps a single unit in the high half.
    else if (hi >= 0x20 && lo == 0) v = hi;
    std::printf("%d U+%04X\n", u.offset, v);
  }
}

// One line per mark: START END RANK NAME.
inline void PrintMarks(KXEditHandle e) {
  for (long k = 1; k <= KXTE_GetMarkCount(e); ++k) {
    long start = 0, end = 0;
    KXTE_GetMarkRange(e, k, start, end);
    unsigned char name[256] = {};
    KXTE_GetMarkString(e, k, name);
    PrintMark(start, end, KXTE_GetMarkRank(e, k), std::string(reinterpret_cast<const char*>(name + 1), name[0]));
  }
}

inline std::vector<SKXStyl> StyleRuns(KXEditHandle e) {
  std::vector<SKXStyl> runs(size_t(KXText_GetStylCount(e)));
  runs.resize(size_t(KXText_GetStyls(e, runs.data(), std::int32_t(runs.size()))));
  return runs;
}

inline void PrintStyles(KXEditHandle e) { PrintStyles(StyleRuns(e)); }

// The script changes of an edit object's text, for TextToUTF8.
inline std::vector<SKXScriptRun> ScriptRuns(KXEditHandle e) {
  const std::vector<SKXStyl> runs = StyleRuns(e);
  return KxScriptRunsOf(runs.data(), long(runs.size()));
}

inline void PrintDecos(KXEditHandle e) {
  std::vector<SKXDeco> runs(size_t(KXText_GetDecoCount(e)));
  runs.resize(size_t(KXText_GetDecos(e, runs.data(), std::int32_t(runs.size()))));
  PrintDecos(runs);
}

inline void PrintParas(KXEditHandle e) {
  std::vector<SKXPara> runs(size_t(KXText_GetParaCount(e)));
  runs.resize(size_t(KXText_GetParas(e, runs.data(), std::int32_t(runs.size()))));
  PrintParas(runs);
}

inline void PrintRuby(KXEditHandle e) {
  std::vector<SKXRuby> rubys(size_t(KXText_GetRubysCount(e)));
  rubys.resize(size_t(KXText_GetRubys(e, rubys.data(), std::int32_t(rubys.size()))));
  PrintRuby(rubys);
}

// selection, styles, decos, paras, ruby or marks; false for another word.
inline bool PrintRunList(KXEditHandle e, const std::string& what) {
  if (what == "selection") PrintSelection(e);
  else if (what == "styles") PrintStyles(e);
  else if (what == "decos") PrintDecos(e);
  else if (what == "paras") PrintParas(e);
  else if (what == "ruby") PrintRuby(e);
  else if (what == "marks") PrintMarks(e);
  else return false;
  return true;
}

}  // namespace kxdriver
