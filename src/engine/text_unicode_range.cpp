#include "engine/text_unicode_range.h"

#include <algorithm>
#include <iterator>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"
#include "platform/memory.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"

std::vector<SKXUniChar> KxSideCharsOf(KXTextHandle text, std::int32_t from, std::int32_t to) {
  std::vector<SKXUniChar> sides;
  const std::int32_t n = KXText_GetSelUniCharsCount(text, from, to);
  sides.resize(std::size_t(std::max<std::int32_t>(n, 0)));
  if (!sides.empty())
    sides.resize(std::size_t(std::max<std::int32_t>(KXText_GetSelUniChars(text, from, to, sides.data(), n), 0)));
  return sides;   // the store gives them from `from` already
}

std::vector<SKXScriptRun> KxScriptRunsIn(KXTextHandle text, std::int32_t from, std::int32_t to) {
  std::vector<SKXStyl> styls(std::size_t(std::max<std::int32_t>(KXText_GetSelStylCount(text, from, to), 1)));
  styls.resize(std::size_t(std::max<std::int32_t>(
      KXText_GetSelStyls(text, from, to, styls.data(), std::int32_t(styls.size())), 0)));
  return KxScriptRunsOf(styls.data(), long(styls.size()));
}

long KxCountUnwritable(KXTextHandle text, short encoding) {
  if (encoding == kKxCodeUTF8 || encoding == kKxCodeUTF16) return 0;
  const bool euc = encoding == kKxCodeEUC;
  const auto length = std::int32_t(KXText_GetLength(text));
  const std::vector<SKXUniChar> sides = KxSideCharsOf(text, 0, length);
  if (sides.empty()) return 0;
  const std::vector<SKXScriptRun> scripts = KxScriptRunsIn(text, 0, length);
  auto scriptAt = [&scripts](long offset) {
    const auto after = std::upper_bound(scripts.begin(), scripts.end(), offset,
                                        [](long at, const SKXScriptRun& r) { return at < r.offset; });
    return after == scripts.begin() ? kScriptJapanese : std::prev(after)->script;
  };
  long lost = 0;
  for (const SKXUniChar& u : sides) {
    if (u.offset < 0 || u.offset >= length || scriptAt(u.offset) != kScriptJapanese) continue;
    char two[2] = {};
    const long got = KXText_GetSelText(text, u.offset, std::min<long>(long(u.offset) + 2, length), two, 2, nullptr, 0,
                                       nullptr, 0, nullptr, 0, nullptr, 0);
    std::uint8_t row = 0, cell = 0;
    if (euc && (u.value & 0xFFFF) == 0 && KxUnicodeToJISX0212(char16_t(u.value >> 16), row, cell)) continue;
    if (KxIsPlaceholderAt(reinterpret_cast<const unsigned char*>(two), got)) ++lost;
  }
  return lost;
}

bool KxTextToUnicode(CKXTextEngine& engine, long from, long to, KxUnicodeStretch& seg) {
  seg.units.clear();
  seg.map.assign(1, to);
  if (to <= from) return true;
  std::string bytes(std::size_t(to - from), '\0');
  engine.TextGetThruPtr(SKXRange{std::int32_t(from), std::int32_t(to - from)}, bytes.data(), long(bytes.size()));
  const std::vector<SKXUniChar> sides = KxSideCharsOf(engine.GetEdit(), std::int32_t(from), std::int32_t(to));
  const std::vector<SKXScriptRun> scripts = KxScriptRunsIn(engine.GetEdit(), std::int32_t(from), std::int32_t(to));
  CKXUnicode conv(kScriptJapanese, kKxUnicodeFromText);
  StKxHandle units, glyphs, map;
  long count = 0, nMap = 0;
  if (!conv.ConvertFromTextAndOffset(bytes.data(), long(bytes.size()), sides.empty() ? nullptr : sides.data(),
                                     long(sides.size()), units.h, count, glyphs.h,
                                     scripts.empty() ? nullptr : scripts.data(), long(scripts.size()), map.h, nMap) ||
      !units.h || count <= 0)
    return false;
  seg.units.assign(reinterpret_cast<const char16_t*>(*units.h), std::size_t(count));
  seg.map.assign(std::size_t(count) + 1, to);
  const auto* m = map.h ? reinterpret_cast<const std::int32_t*>(*map.h) : nullptr;
  for (long k = 0; m && k < nMap && k <= count; ++k) seg.map[std::size_t(k)] = from + std::clamp<long>(m[k], 0, to - from);
  return true;
}

long KxUnicodeStretchOffset(const KxUnicodeStretch& seg, long index) {
  if (seg.map.empty()) return 0;
  return seg.map[std::size_t(std::clamp<long>(index, 0, long(seg.map.size()) - 1))];
}

KXTextHandle KxStyledTextLike(CKXTextEngine& engine, long at, const std::u16string& units) {
  if (units.empty()) return KXTextHandle{};
  CKXTextEditEx& text = *KXHandleAccess::Edit(engine.GetEdit());
  SKXStyl run{};
  text.GetSelStyls(at, at + 1, &run, 1);
  const short script = KxFontToScriptType(run.styl.font);
  CKXUnicode conv(script, kKxUnicodeToText);
  StKxHandle bytes, sides;
  long length = 0, nSides = 0;
  if (!conv.ConvertToText(units.data(), long(units.size()), nullptr, bytes.h, length, sides.h, nSides, script) ||
      !bytes.h || length <= 0)
    return KXTextHandle{};
  SKXDeco deco{};
  text.GetSelDecos(at, at + 1, &deco, 1);
  const KXTextHandle temp = KXText_New();
  KXText_InsertStringWithUniChars(temp, 0, reinterpret_cast<const char*>(*bytes.h), length, &run.styl, &deco.deco,
                                  sides.h ? reinterpret_cast<const SKXUniChar*>(*sides.h) : nullptr,
                                  std::int32_t(nSides));
  return temp;
}
