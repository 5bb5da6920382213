// The procedural interface: the handles, the start-up chain, creation and
// disposal, and the whole-text transforms and settings. The forwarders of
// texts and edit objects are in kxtext_calls.cpp and kxte_calls.cpp.
#include "layout/kxtext_api.h"

#include "layout/text_edit_ex.h"
#include "text/store/text.h"
#include "text/store/transform.h"

namespace {

CKXText* TextOf(KXTextHandle h) { return KXHandleAccess::Text(h); }
CKXTextEditEx* EditOf(KXEditHandle h) { return KXHandleAccess::Edit(h); }

}  // namespace

KXEditHandle::operator KXTextHandle() const { return KXHandleAccess::Wrap(static_cast<CKXText*>(mEdit)); }

// ---- library start and end ---------------------------------------------------------------------------

void KXTextEdit_Initialize() { CKXTextEditEx::Initialize(); }
void KXTextEdit_Terminate() {
  UKXFind_End();
  CKXTextEditEx::Terminate();
}

// ---- creation and disposal ------------------------------------------------------------------------------

KXTextHandle KXText_New() { return KXHandleAccess::Wrap(new CKXText); }

void KXText_Dispose(KXTextHandle h) { delete TextOf(h); }

KXEditHandle KXTE_PageStylNew(const SKXPageStyl& page, const RectL& dest, const RectL& view) {
  return KXHandleAccess::Wrap(new CKXTextEditEx(dest, view, page));
}

void KXTE_Dispose(KXEditHandle e) { delete EditOf(e); }

// ---- whole-text transforms and settings -------------------------------------------------------------------

std::uint8_t UKXText_ShiftText(KXTextHandle h, bool left) {
  auto* x = TextOf(h);
  return x && UKXText::ShiftKXText(x, left) ? 1 : 0;
}
std::uint8_t UKXText_ReformText(KXTextHandle h, bool wrap) {
  auto* x = TextOf(h);
  return x && UKXText::ReformKXText(x, wrap) ? 1 : 0;
}
std::uint8_t UKXText_CharTypeText(KXTextHandle h, short mode) {
  auto* x = TextOf(h);
  return x && UKXText::CharTypeKXText(x, mode) ? 1 : 0;
}
std::uint8_t UKXText_CharSetText(KXTextHandle h, bool macToWin) {
  auto* x = TextOf(h);
  return x && UKXText::CharSetKXText(x, macToWin) ? 1 : 0;
}
bool UKXText_CharSetConvert(bool macToWin, char* bytes, long length, const SKXStyl* styls, std::int32_t stylCount,
                            const SKXDeco* decos, std::int32_t decoCount) {
  return UKXText::CharSetConvert(macToWin, bytes, length, styls, stylCount, decos, decoCount);
}
void UKXText_GetShiftType(short& type, unsigned char* string) { UKXText::GetShiftType(type, string); }
void UKXText_SetShiftType(short type, const unsigned char* string) { UKXText::SetShiftType(type, string); }
void UKXText_GetReformMode(long* width, short* kinsoku, unsigned char* wordwrap, unsigned char* indent,
                           unsigned char* removeAll) {
  UKXText::GetReformMode(width, kinsoku, wordwrap, indent, removeAll);
}
void UKXText_SetReformMode(long width, short kinsoku, unsigned char wordwrap, unsigned char indent,
                           unsigned char removeAll) {
  UKXText::SetReformMode(width, kinsoku, wordwrap, indent, removeAll);
}
std::uint16_t UKXText_WordToByte(std::uint16_t code) { return UKXText::WordToByte(code); }
std::uint16_t UKXText_ToByteUpper(std::uint16_t code) { return UKXText::ToByteUpper(code); }
bool UKXText_IsByteAlpha(std::uint16_t code) { return UKXText::IsByteAlpha(code); }
short UKXText_SetPicture(PicHandle pict) { return CKXDecoArray::SetPicture(pict); }
PicHandle UKXText_GetPicture(short id, short& width, short& height) {
  return CKXDecoArray::GetPicture(id, width, height);
}
short UKXText_DuplicatePicture(short id) { return CKXDecoArray::DuplicatePicture(id); }
void UKXText_SetParaTabType(long& kinds, short n, long kind) { CKXParaArray::SetParaTabType(kinds, n, kind); }
long UKXText_GetParaTabType(long kinds, short n) { return CKXParaArray::GetParaTabType(kinds, n); }
void UKXText_SetJWrapChars(const char* lists, long size) { CKXTextLayout::SetJWrapChars(lists, size); }
void UKXText_JWrapCharsToHeadTail(const char* lists, long size, unsigned char* head, unsigned char* tail) {
  CKXTextLayout::JWrapCharsToHeadTail(lists, size, head, tail);
}
short UKXText_JWrapCharsFromHeadTail(char* lists, short* size, const unsigned char* head, const unsigned char* tail) {
  return CKXTextLayout::JWrapCharsFromHeadTail(lists, size, head, tail);
}
