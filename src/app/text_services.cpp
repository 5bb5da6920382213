#include "app/text_services.h"

#include <algorithm>

#include "views/mark_list.h"
#include "views/text_toolbar.h"

#include "app/dynamic_menus.h"
#include "app/find_strings.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "app/nav_dialogs.h"
#include "layout/kxtext_api.h"
#include "layout/pict_jpeg.h"
#include "layout/text_form.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/host/host_dialogs.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/cursors.h"
#include "text/base/memory.h"
#include "views/message_box.h"

bool CKXAppTextServices::IsDialogOpen() { return gDialogOpen; }

bool CKXAppTextServices::GetInlineMode() { return gInlineMode != 0; }

void CKXAppTextServices::SetInlineMode(bool on) { gInlineMode = on ? 1 : 0; }

bool CKXAppTextServices::GetFontreg(long n, SStyl& styl, SDeco& deco) {
  const std::size_t count = std::min<std::size_t>(std::size_t(std::max<short>(gFontregCount, 0)),
                                                  gFontregHandle.size() / kKxFontregSize);
  if (n < 1 || std::size_t(n) > count) return false;
  // After the 32-byte name: the style and the decoration, stored big-endian.
  const std::uint8_t* entry = gFontregHandle.data() + std::size_t(n - 1) * kKxFontregSize;
  KxGetStylFlat(entry + UFontregMenu::kNameBytes, styl, true);
  KxGetDecoFlat(entry + UFontregMenu::kNameBytes + kKxStylFlatSize, deco, true);
  return true;
}

short CKXAppTextServices::GetFontNumber(std::int16_t item) { return UFontMenu::GetFontNumber(item); }

bool CKXAppTextServices::IsMarkListOpen() { return CKXTextMarkList::IsMarkList(); }

std::uint8_t CKXAppTextServices::GetPaletteByte() { return gPreference.toolPalette; }

void CKXAppTextServices::SetPaletteByte(std::uint8_t value) {
  if (gPreference.toolPalette == value) return;
  gPreference.toolPalette = value;
  gPrefModify = true;
}

bool CKXAppTextServices::GetFunctionBarShown() { return gPreference2.functionBar != 0; }

void CKXAppTextServices::SetFunctionBarShown(bool shown) {
  if ((gPreference2.functionBar != 0) == shown) return;
  gPreference2.functionBar = shown ? 1 : 0;
  gPrefModify = true;
}

Rect CKXAppTextServices::GetFunctionBarBounds() {
  return Rect{gPreference2.functionBarV, gPreference2.functionBarH, gPreference2.functionBarV2,
              gPreference2.functionBarH2};
}

void CKXAppTextServices::SetFunctionBarBounds(const Rect& b) {
  const Rect now = GetFunctionBarBounds();
  if (now.top == b.top && now.left == b.left && now.bottom == b.bottom && now.right == b.right) return;
  gPreference2.functionBarV = b.top;
  gPreference2.functionBarH = b.left;
  gPreference2.functionBarV2 = b.bottom;
  gPreference2.functionBarH2 = b.right;
  gPrefModify = true;
}

std::string CKXAppTextServices::GetCommandMenuText(CommandT command) {
  Str255 text = {0};
  if (!UCustomMenu::GetMenuStringExt(command, text)) return {};
  return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

short CKXAppTextServices::GetFontSize(std::int16_t item) {
  const int size = USizeMenu::GetFontSize(item);
  // Only the items that stand for a size; the reserved "other" item has none.
  return size > 0 && size <= kKxLargestGrowableSize + 1 ? short(size) : short(-1);
}

namespace {
KxScrapTextSource gScrapTextSource = nullptr;
}  // namespace

void KxSetScrapTextSource(KxScrapTextSource source) { gScrapTextSource = source; }

std::int16_t CKXAppTextServices::FindCustomFormItem(short formID) { return UKXTextForm::FindFormItem(formID); }

long CKXAppTextServices::ChoosePicture() {
  constexpr short kFileStrings = 205, kPicturePrompt = 14;
  KxDialogRequest request;
  request.kind = KxDialogKind::kOpen;
  request.prompt = KxScriptTextToUTF8(KxIndString(kFileStrings, kPicturePrompt));
  KxDialogReply reply;
  {
    StDesktopDeactivator off;
    reply = UNavigationServices::Run(request);
  }
  if (reply.answer != KxAnswer::kOK || reply.paths.empty()) return -1;
  StCursors watch(kKxWatchCursor);
  // Beyond what the decoder would take (16 megapixels) no JPEG needs more.
  constexpr std::size_t kMostBytes = std::size_t(256) << 20;
  std::vector<std::uint8_t> bytes;
  if (KxReadFile(reply.paths.front(), bytes, kMostBytes) != 0 || bytes.empty()) return -2;
  // A JPEG file starts with its start-of-image marker. The decoder finds
  // a picture behind other bytes too, but those bytes would be stored
  // with it, and the file is no picture (a document holding one, say).
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return -2;
  Handle pict = KxMakeJPEGPicture(bytes.data(), long(bytes.size()));
  if (!pict) return -2;
  const short id = UKXText_SetPicture(reinterpret_cast<PicHandle>(pict));
  if (id <= 0) {
    KxMemHFree(pict);  // no picture ID free: the handle stays ours
    return -2;
  }
  return id;
}

std::string CKXAppTextServices::GetNameStamps() {
  return std::string(gNameStampHandle.begin(), gNameStampHandle.end());
}

void CKXAppTextServices::SetNameStamps(const std::string& s) {
  if (GetNameStamps() == s) return;
  gNameStampHandle.assign(s.begin(), s.end());
  gPrefModify = true;
  UEditMenu::AppendMorePasteMenu();
}

bool CKXAppTextServices::GetScrapText(long n, KXTextHandle text) {
  return gScrapTextSource != nullptr && gScrapTextSource(n, text);
}

void KxInstallAppTextServices(bool install) {
  static CKXAppTextServices services;
  CKXTextViewServices::Install(install ? &services : nullptr);
  // A new find or replace string shows at once in the palette's boxes.
  KxSetToolbarFindHook(install ? [](const std::string&) { CKXTextToolbar::FindString(); }
                               : std::function<void(const std::string&)>());
  // Compositions show inline, or in the input method's own window, as the
  // setting stands (the menu command, the preferences, the file).
  KxSetInlineInputQuery(install ? [] { return gInlineMode != 0; } : KxInlineInputQuery());
}
