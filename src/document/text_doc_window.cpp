// The document behind its window's information menu and close-all, and the
// hooks that let the document windows find each other and the clipboard.
#include <string>
#include <vector>

#include "app/application.h"
#include "app/menu_keys.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "text/codes/jcode.h"
#include "views/text_view.h"

namespace {

constexpr short kNamesList = 201;
// Items of that list: copy path, the encoding prefix and its three
// encodings, own format.
constexpr short kCopyPathItem = 21, kEncodingPrefixItem = 23, kFirstEncodingItem = 24, kOwnFormatItem = 27;
constexpr std::int32_t kFirstLineEndCommand = 1441;
constexpr std::int32_t kOwnFormatCommand = 1447, kFirstEncodingCommand = 1451;
constexpr short kSaveFormKinds = 3;   // CR, CR LF, LF; Shift_JIS, JIS, EUC-JP

void RunViewCommand(CKXTextDocument& doc, CommandT command) {
  if (CKXTextView* view = doc.CurrentTextView()) view->ObeyCommand(command, nullptr);
}

std::string ListItem(short index, const char* fallback) {
  if (!KxHasIndString(kNamesList, index)) return fallback;
  return KxScriptTextToUTF8(KxIndString(kNamesList, index));
}

std::string CommandText(std::int32_t command, const char* fallback) {
  Str255 s;
  if (!UCustomMenu::GetMenuString(command, s, true) || s[0] == 0) return fallback;
  return KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(s + 1), s[0]));
}

// UTF-8 as little-endian UTF-16 code units; a malformed sequence becomes
// U+FFFD and decoding goes on with the next byte.
std::vector<std::uint8_t> Utf16LE(const std::string& utf8) {
  std::vector<std::uint8_t> out;
  auto put = [&out](std::uint32_t u) {
    out.push_back(std::uint8_t(u & 0xFF));
    out.push_back(std::uint8_t(u >> 8));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    std::uint32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + std::size_t(extra) < utf8.size() + (extra == 0 ? 1 : 0);
    for (int k = 1; ok && k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      put(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
    i += std::size_t(extra) + 1;
  }
  return out;
}

}  // namespace

void KxPutClipboardUTF8(const std::string& utf8) {
  KxHost& host = KxCurrentHost();
  host.ClearClipboard();
  const std::vector<std::uint8_t> utxt = Utf16LE(utf8);
  host.PutClipboard(FourCC("utxt"), utxt.data(), utxt.size());
  const std::string text = KxUTF8ToScriptText(utf8);
  host.PutClipboard(FourCC("TEXT"), text.data(), text.size());
}

void KxInstallTextWindowHooks() {
  KxTextWindowHooks hooks = KxGetTextWindowHooks();
  hooks.firstDocument = []() -> CKXTextWindowDoc* {
    // The document of the frontmost document window.
    const std::vector<CKXTextDocument*> docs = KxTextDocHooks::All();
    for (KxWindowID id : KxCurrentHost().WindowList()) {
      auto* window = dynamic_cast<LWindow*>(KxCurrentHost().GetWindowClient(id));
      for (CKXTextDocument* d : docs)
        if (window && d->GetWindow() == window) {
          if (auto* w = dynamic_cast<CKXTextWindow*>(window)) return w->GetWindowDoc();
        }
    }
    return nullptr;
  };
  hooks.putClipboardText = KxPutClipboardUTF8;
  hooks.codeConversion = CKXJCode::sUseCVKANJI != 0;
  KxSetTextWindowHooks(hooks);
  KxWirePaletteRoom();
  std::vector<std::string> texts;
  texts.push_back(ListItem(kCopyPathItem, "Copy Path"));
  texts.push_back(ListItem(kOwnFormatItem, "Own Format"));
  static const char* const kLineEnds[] = {"CR", "CR+LF", "LF"};
  for (int k = 0; k < 3; ++k) texts.push_back(CommandText(kFirstLineEndCommand + k, kLineEnds[k]));
  texts.push_back(ListItem(kEncodingPrefixItem, "Code: "));
  static const char* const kEncodings[] = {"Shift_JIS", "JIS", "EUC-JP"};
  for (short k = 0; k < 3; ++k) texts.push_back(ListItem(short(kFirstEncodingItem + k), kEncodings[k]));
  CKXTextWindow::SetInfoTexts(std::move(texts));
}

// ---- the window's view of its document ---------------------------------------------------------

bool KxTextDocWindowLink::IsModified() const { return mDoc.LDocument::IsModified(); }
bool KxTextDocWindowLink::IsReadOnly() const { return !mDoc.IsEditable(); }
std::string KxTextDocWindowLink::GetFilePath() const { return mDoc.IsSpecified() ? mDoc.Path() : std::string(); }
bool KxTextDocWindowLink::GetOwnFormat() const { return mDoc.GetEngine()->GetOwnFormat(); }
// The information menu's choices are the View menu's commands: the text
// view carries them out, and a new choice marks the document changed.
void KxTextDocWindowLink::SetOwnFormat(bool on) {
  if (on != GetOwnFormat()) RunViewCommand(mDoc, kOwnFormatCommand);
}
short KxTextDocWindowLink::GetLineEnd() const { return mDoc.GetEngine()->GetLineEndType(); }
void KxTextDocWindowLink::SetLineEnd(short kind) {
  if (kind >= 0 && kind < kSaveFormKinds) RunViewCommand(mDoc, kFirstLineEndCommand + kind);
}
short KxTextDocWindowLink::GetEncoding() const { return short(mDoc.GetEngine()->GetTextEncoding()); }
void KxTextDocWindowLink::SetEncoding(short kind) {
  if (kind >= 0 && kind < kSaveFormKinds) RunViewCommand(mDoc, kFirstEncodingCommand + kind);
}
bool KxTextDocWindowLink::AttemptCloseSelf() { return mDoc.AttemptCloseSelf(); }
void KxTextDocWindowLink::Close() { mDoc.Close(); }

// ---- the Mark menu ------------------------------------------------------------------------------

std::vector<std::string> CKXTextDocument::MarkNames() const {
  std::vector<std::string> names;
  const KXEditHandle edit = mEngine->GetEdit();
  const long count = KXTE_GetMarkCount(edit);
  for (long k = 1; k <= count; ++k) {
    Str255 name{};
    KXTE_GetMarkString(edit, k, name);
    names.emplace_back(reinterpret_cast<const char*>(name + 1), name[0]);
  }
  return names;
}

void CKXTextDocument::MarksChanged() {
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

std::vector<std::string> KxTextDocHooks::FrontMarks() {
  LWindow* front = LWindow::FetchFrontWindow();
  for (CKXTextDocument* d : All())
    if (d->GetWindow() == front) return d->MarkNames();
  return {};
}
