// Unicode text statements: typed characters the script bytes hold only as
// placeholders are kept as UTF-8, and turned back into bytes with side
// entries when the macro runs or the editor shows them.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/input_method_handler.h"
#include "engine/macro_target.h"
#include "macros/macro.h"
#include "platform/textconv.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unichar.h"
#include "text/codes/unicode.h"

bool KxMacroHasUniChar(const SKXUniChar* uni, long nUni, long length) {
  if (!uni || nUni < 1) return false;
  for (long k = 0; k < nUni; ++k)
    if (uni[k].offset >= 0 && uni[k].offset < length && !KxSideValueIsNoCharacter(uni[k].value)) return true;
  return false;
}

bool KxMacroTextToUTF8(const char* text, long length, const SKXUniChar* uni, long nUni, std::string& utf8) {
  utf8.clear();
  if (!text || length < 1) return false;
  // The entries come from the input method: the bridge uses only those in
  // order, inside the text and on a placeholder.
  StKxHandle units, glyphs;
  long count = 0;
  if (!UKXUnicode::ConvertFromText(kScriptJapanese, text, length, uni, uni ? nUni : 0, units.h, count, glyphs.h) ||
      !units.h || count < 1 || count > KxMemHSize(units.h) / long(sizeof(char16_t)))
    return false;
  const auto* u = reinterpret_cast<const char16_t*>(*units.h);
  utf8 = KxUTF16ToUTF8(std::u16string(u, u + count));
  return !utf8.empty();
}

bool KxMacroUTF8ToText(const char* utf8, long length, std::string& text, std::vector<SKXUniChar>& uni) {
  text.clear();
  uni.clear();
  if (!utf8 || length < 1) return false;
  const std::u16string units = KxUTF8ToUTF16(std::string(utf8, std::size_t(length)));
  if (units.empty()) return false;
  StKxHandle bytes, sides;
  long textLength = 0, nUni = 0;
  if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, bytes.h, textLength, sides.h, nUni,
                                 kScriptJapanese) ||
      !bytes.h || textLength < 1 || textLength > KxMemHSize(bytes.h))
    return false;
  text.assign(*bytes.h, std::size_t(textLength));
  if (sides.h && nUni > 0) {
    nUni = std::min(nUni, KxMemHSize(sides.h) / long(sizeof(SKXUniChar)));
    const auto* s = reinterpret_cast<const SKXUniChar*>(*sides.h);
    uni.assign(s, s + nUni);
    uni.resize(std::size_t(KxCheckUniChars(uni.data(), long(uni.size()), textLength)));
  }
  return true;
}

void KxMacroHost::InsertUnicodeText(CKXTMacroTarget* target, const char* text, long length, const SKXUniChar*,
                                    long) {
  if (target && text && length > 0) target->InsertString(const_cast<char*>(text), length);
}
