#include "app/pref_subdialogs.h"

#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "layout/kxtext_api.h"
#include "layout/linebreak.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "text/codes/script.h"
#include "views/controls.h"
#include "views/dialog_box.h"

namespace {

constexpr std::size_t kNameSlot = 32;
constexpr std::size_t kHeadMax = 127, kTailMax = 63;

std::size_t Cut(const std::string& s, std::size_t limit) {
  return KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(s.data()), s.size(), limit);
}

// ---- layout 3500 ----
constexpr ResIDT kColorPrefLayout = 3500;
constexpr PaneIDT kName = 3504;
constexpr PaneIDT kText = 3510, kFace = 3509, kTab = 3512, kReturn = 3513, kSpace = 3514, kAccent = 3515;
constexpr PaneIDT kTheme1 = 3506, kTheme2 = 3507, kTheme0 = 3508;
constexpr short kPromptList = 200, kPromptItem = 5;

// ---- layout 3530 ----
constexpr ResIDT kJWrapLayout = 3530;
constexpr PaneIDT kHead = 3534, kTail = 3535;
constexpr MessageT kReload = -3533;

// Colours whose (0, 0, 0) stands for "the default": the mark colours.
bool DefaultMeansBlack(PaneIDT id) { return id == kTab || id == kReturn || id == kSpace; }

KXColButton* Button(LWindow* w, PaneIDT id) { return dynamic_cast<KXColButton*>(w->FindPaneByID(id)); }

void ShowColour(LWindow* w, PaneIDT id, RGBColor c) {
  if (DefaultMeansBlack(id)) CheckColor(c, true);
  if (KXColButton* b = Button(w, id)) b->SetFillColor(c);
}

RGBColor ReadColour(LWindow* w, PaneIDT id, const RGBColor& fallback) {
  const KXColButton* b = Button(w, id);
  if (!b) return fallback;
  RGBColor c = b->GetFillColor();
  if (DefaultMeansBlack(id)) CheckColor(c, false);
  return c;
}

void SetField(LWindow* w, PaneIDT id, const std::string& text) {
  if (auto* f = dynamic_cast<LEditField*>(w->FindPaneByID(id))) f->SetText(text);
}
std::string FieldText(LWindow* w, PaneIDT id) {
  const auto* f = dynamic_cast<LEditField*>(w->FindPaneByID(id));
  return f ? f->GetText() : std::string();
}

}  // namespace

// ---- working copy of the colour sets ----

namespace UKXColorPrefCopy {

bool Find(const KxBlock& copy, short n, SKXColorPreference& set, std::string& name) {
  for (std::size_t at = 0; at + kKxColorPrefWorkSize <= copy.size(); at += kKxColorPrefWorkSize) {
    const SKXColorPreference s = UKXColorPreference::ReadRecord(&copy[at]);
    if (s.number != n) continue;
    set = s;
    const std::size_t length = std::min<std::size_t>(copy[at + kKxColorPrefSize], kKxColorPrefNameMax);
    name.assign(reinterpret_cast<const char*>(&copy[at + kKxColorPrefSize + 1]), length);
    return true;
  }
  return false;
}

void Put(KxBlock& copy, short n, const SKXColorPreference& set, const std::string& name) {
  std::uint8_t record[kKxColorPrefWorkSize] = {0};
  SKXColorPreference s = set;
  s.number = n;
  UKXColorPreference::WriteRecord(s, record);
  const std::size_t length = Cut(name, kKxColorPrefNameMax);
  record[kKxColorPrefSize] = std::uint8_t(length);
  std::memcpy(record + kKxColorPrefSize + 1, name.data(), length);
  static_assert(kKxColorPrefSize + kNameSlot == kKxColorPrefWorkSize);
  for (std::size_t at = 0; at + kKxColorPrefWorkSize <= copy.size(); at += kKxColorPrefWorkSize)
    if (UKXColorPreference::ReadRecord(&copy[at]).number == n) {
      std::copy(record, record + kKxColorPrefWorkSize, copy.begin() + long(at));
      return;
    }
  copy.resize(copy.size() / kKxColorPrefWorkSize * kKxColorPrefWorkSize);   // a cut-off tail goes
  copy.insert(copy.end(), record, record + kKxColorPrefWorkSize);
}

}  // namespace UKXColorPrefCopy

bool CKXTextApp::ColorPrefDialog(short n, std::string& name, KxBlock& copy) {
  n = std::clamp<short>(n, 1, kKxColorPrefSets);
  SKXColorPreference set;
  std::string stored;
  if (!UKXColorPrefCopy::Find(copy, n, set, stored)) UKXColorPreference::GetAt(n, set);
  KXModalDialog handler(kColorPrefLayout, this);
  LWindow* w = handler.GetDialog();
  if (auto* d = dynamic_cast<KXDialogBox*>(w)) d->UndoSupport();
  SetField(w, kName, name.substr(0, Cut(name, kKxColorPrefNameMax)));
  ShowColour(w, kText, set.text);
  ShowColour(w, kFace, set.face);
  ShowColour(w, kTab, set.tabMark);
  ShowColour(w, kReturn, set.returnMark);
  ShowColour(w, kSpace, set.spaceMark);
  ShowColour(w, kAccent, set.accent);
  const PaneIDT theme = set.theme == 1 ? kTheme1 : set.theme == 2 ? kTheme2 : kTheme0;
  if (LPane* radio = w->FindPaneByID(theme)) radio->SetValue(1);
  w->Select();

  Str255 prompt;
  GetIndString(prompt, kPromptList, kPromptItem);
  const std::string title = KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(prompt + 1), prompt[0]));
  for (;;) {
    const MessageT message = handler.DoDialog();
    if (message == msg_Cancel) return false;
    if (message == msg_OK) break;
    KXColButton* button = Button(w, PaneIDT(message));
    if (!button) continue;
    // Choosing the text colour leaves the first theme, the face colour the
    // themes altogether.
    if (message == kText && w->FindPaneByID(kTheme1) && w->FindPaneByID(kTheme1)->GetValue())
      w->FindPaneByID(kTheme2)->SetValue(1);
    if (message == kFace)
      if (LPane* radio = w->FindPaneByID(kTheme0)) radio->SetValue(1);
    RGBColor colour = button->GetFillColor();
    if (KxCurrentHost().ChooseColour(w->GetHostWindow(), title, colour)) button->SetFillColor(colour);
  }
  SKXColorPreference out = set;
  out.text = ReadColour(w, kText, set.text);
  out.face = ReadColour(w, kFace, set.face);
  out.tabMark = ReadColour(w, kTab, set.tabMark);
  out.returnMark = ReadColour(w, kReturn, set.returnMark);
  out.spaceMark = ReadColour(w, kSpace, set.spaceMark);
  out.accent = ReadColour(w, kAccent, set.accent);
  const auto on = [w](PaneIDT id) { const LPane* p = w->FindPaneByID(id); return p && p->GetValue() != 0; };
  out.theme = on(kTheme1) ? 1 : on(kTheme2) ? 2 : 0;
  const std::string typed = FieldText(w, kName);
  name = typed.substr(0, Cut(typed, kKxColorPrefNameMax));
  UKXColorPrefCopy::Put(copy, n, out, name);
  return true;
}

// ---- line-break characters ----

void KxJWrapTexts(const KxBlock& copy, std::string& head, std::string& tail) {
  unsigned char h[256] = {0}, t[256] = {0};
  const std::size_t size = std::min(copy.size(), kKxJWrapCopyMax);
  CKXTextLayout::JWrapCharsToHeadTail(size ? reinterpret_cast<const char*>(copy.data()) : nullptr, long(size), h, t);
  head.assign(reinterpret_cast<const char*>(h + 1), h[0]);
  tail.assign(reinterpret_cast<const char*>(t + 1), t[0]);
}

void KxJWrapStore(const std::string& head, const std::string& tail, KxBlock& copy) {
  unsigned char h[256] = {0}, t[256] = {0};
  h[0] = std::uint8_t(Cut(head, kHeadMax));
  std::memcpy(h + 1, head.data(), h[0]);
  t[0] = std::uint8_t(Cut(tail, kTailMax));
  std::memcpy(t + 1, tail.data(), t[0]);
  char lists[kKxJWrapCharsSize] = {0};
  short size = 0;
  if (!CKXTextLayout::JWrapCharsFromHeadTail(lists, &size, h, t)) {
    copy.clear();
    return;
  }
  // The stored lists hold 200 bytes: what does not fit is cut.
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max<short>(size, 0)), kKxJWrapCopyMax);
  copy.assign(reinterpret_cast<const std::uint8_t*>(lists), reinterpret_cast<const std::uint8_t*>(lists) + n);
}

bool CKXTextApp::JWrapEditDialog(KxBlock& copy) {
  KXModalDialog handler(kJWrapLayout, this);
  LWindow* w = handler.GetDialog();
  if (auto* d = dynamic_cast<KXDialogBox*>(w)) d->UndoSupport();
  std::string head, tail;
  KxJWrapTexts(copy, head, tail);
  SetField(w, kHead, head);
  SetField(w, kTail, tail);
  w->Select();
  for (;;) {
    const MessageT message = handler.DoDialog();
    if (message == msg_Cancel) return false;
    if (message == msg_OK) break;
    if (message == kReload) {
      KxJWrapTexts(KxBlock(), head, tail);
      SetField(w, kHead, head);
      SetField(w, kTail, tail);
    }
  }
  KxJWrapStore(FieldText(w, kHead), FieldText(w, kTail), copy);
  return true;
}
