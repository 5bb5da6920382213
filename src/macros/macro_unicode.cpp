// Unicode text statements: typed characters the script bytes hold only as
// placeholders are kept as UTF-8 (KxHeldTextToUTF8), and turned back into
// bytes with side entries (KxUTF8ToHeldText) when the macro runs or the
// editor shows them.

#include "engine/macro_target.h"
#include "macros/macro.h"
#include "text/codes/unichar.h"
#include "text/codes/unicode.h"

bool KxMacroHasUniChar(const SKXUniChar* uni, long nUni, long length) {
  if (!uni || nUni < 1) return false;
  for (long k = 0; k < nUni; ++k)
    if (uni[k].offset >= 0 && uni[k].offset < length && !KxSideValueIsNoCharacter(uni[k].value)) return true;
  return false;
}

void KxMacroHost::InsertUnicodeText(CKXTMacroTarget* target, const char* text, long length, const SKXUniChar*,
                                    long) {
  if (target && text && length > 0) target->InsertString(const_cast<char*>(text), length);
}
