// The RTF converter's only door to the styled text. Every read and edit of
// the target goes through these few calls, so that moving the converter onto
// another text interface changes this file alone.
#pragma once

#include <memory>

#include "text/store/text.h"

using KXTextRef = CKXText*;
using KXConstTextRef = const CKXText*;

namespace KxRTFText {

inline std::unique_ptr<CKXText> New() { return std::make_unique<CKXText>(); }
inline long Length(KXConstTextRef t) { return t->GetLength(); }

// Appends at the end; a null style or decoration continues the text's own.
inline void AppendBytes(KXTextRef t, const char* bytes, long n, const SStyl* styl, const SDeco* deco) {
  t->InsertString(t->GetLength(), bytes, n, styl, deco, nullptr, 0);
}
inline void AppendChar(KXTextRef t, unsigned short code, const SStyl* styl, const SDeco* deco) {
  t->InsertChar(t->GetLength(), code, styl, deco);
}
inline void AppendUniChar(KXTextRef t, unsigned long value, const SStyl* styl, const SDeco* deco) {
  t->InsertUniChar(t->GetLength(), value, styl, deco);
}
inline void SetPara(KXTextRef t, long from, long to, const SParaStyl& para) { t->SetPara(from, to, para); }

// Runs of [from, to), offsets relative to `from`.
inline long StylCount(KXConstTextRef t, long from, long to) { return t->GetSelStylCount(from, to); }
inline long DecoCount(KXConstTextRef t, long from, long to) { return t->GetSelDecoCount(from, to); }
inline long ParaCount(KXConstTextRef t, long from, long to) { return t->GetSelParaCount(from, to); }
inline long UniCount(KXConstTextRef t, long from, long to) { return t->GetSelUniCharsCount(from, to); }
inline long Styls(KXConstTextRef t, long from, long to, SKXStyl* out, long n) {
  return t->GetSelStyls(from, to, out, n);
}
inline long Decos(KXConstTextRef t, long from, long to, SKXDeco* out, long n) {
  return t->GetSelDecos(from, to, out, n);
}
inline long Paras(KXConstTextRef t, long from, long to, SKXPara* out, long n) {
  return t->GetSelParas(from, to, out, n);
}
inline long UniChars(KXConstTextRef t, long from, long to, SKXUniChar* out, long n) {
  return t->GetSelUniChars(from, to, out, n);
}
inline long WholeParaCount(KXConstTextRef t) { return t->GetParaCount(); }
inline long Bytes(KXConstTextRef t, long from, long to, char* buf, long len) {
  return t->CopyBytes(from, to, buf, len);
}
inline long NextCharPos(KXConstTextRef t, long pos) { return t->GetNextCharPos(pos); }

}  // namespace KxRTFText
