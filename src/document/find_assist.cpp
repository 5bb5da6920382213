#include "document/find_assist.h"

#include <algorithm>

#include "app/application.h"
#include "app/find_strings.h"
#include "app/globals.h"
#include "app/histories.h"
#include "document/find_rules.h"
#include "document/text_doc.h"
#include "engine/macro_recorder.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"
#include "platform/framework/control.h"
#include "platform/framework/registrar.h"
#include "platform/host/host.h"
#include "platform/keys.h"

CKXTextFindAssist* CKXTextFindAssist::sFindAssist = nullptr;
Rect CKXTextFindAssist::sBounds{0, 0, 0, 0};

namespace {

LPane* CreateFindAssist(const KxLayoutPaneRecord& record) { return new CKXTextFindAssist(record); }

CKXTextDocument* FrontTextDocument() {
  // The text document whose window is frontmost among the documents.
  const auto docs = KxTextDocHooks::All();
  for (KxWindowID w : KxCurrentHost().WindowList())
    for (CKXTextDocument* d : docs)
      if (d->GetWindow() && d->GetWindow()->GetHostWindow() == w) return d;
  return nullptr;
}

void Record(const std::string& text, KxBlock& history) {
  if (text.empty()) return;
  Str255 p;
  p[0] = static_cast<unsigned char>(text.size());
  std::copy(text.begin(), text.end(), p + 1);
  UFindReplMenu::InsertHistHandle(p, history);
}

}  // namespace

void KxRegisterFindAssistClass() { URegistrar::RegisterClass(FourCC("kxfa"), CreateFindAssist); }

CKXTextFindAssist::CKXTextFindAssist(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}

CKXTextFindAssist::~CKXTextFindAssist() {
  sBounds = GetGlobalBounds();
  if (sFindAssist == this) sFindAssist = nullptr;
}

void CKXTextFindAssist::ShowFindAssist(LCommander* commander) {
  if (sFindAssist) {
    sFindAssist->ShowFloating(true);
    return;
  }
  LWindow* window = LWindow::CreateWindow(kKxFindAssistLayout, commander ? commander : CKXTextApp::GetTextApp());
  auto* palette = dynamic_cast<CKXTextFindAssist*>(window);
  if (!palette) {
    delete window;
    return;
  }
  sFindAssist = palette;
  const Rect r = palette->GetGlobalBounds();
  const std::int16_t w = std::int16_t(r.right - r.left), h = std::int16_t(r.bottom - r.top);
  if (sBounds.right > sBounds.left) {
    palette->DoSetBounds(sBounds);
  } else {
    // Lower left of the screen's window area.
    const Rect screen = KxCurrentHost().GetScreenBounds();
    const std::int16_t left = std::int16_t(screen.left + 32), bottom = std::int16_t(screen.bottom - 16);
    palette->DoSetBounds(Rect{std::int16_t(bottom - h), left, bottom, std::int16_t(left + w)});
  }
  // It floats and takes clicks only: the front document stays active, with
  // the target and the highlight of each match the buttons find.
  palette->ShowFloating(true);
}

void CKXTextFindAssist::CommanderClosing(LCommander* closing) {
  if (!sFindAssist || !closing) return;
  if (LCommander* super = sFindAssist->GetSuperCommander(); super && super->IsOnChainOf(closing))
    sFindAssist->SetSuperCommander(CKXTextApp::GetTextApp());
}

void CKXTextFindAssist::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  for (auto& s : mSlots) s.clear();
  // Slots 0-4 from the find history, 5-9 from the replace history; an
  // empty entry ends the copying, one too long for a slot is skipped.
  const KxBlock* histories[2] = {&gFindHistHandle, &gReplHistHandle};
  for (int h = 0; h < 2; ++h) {
    int taken = 0;
    const int n = UFindReplMenu::CountHistHandle(*histories[h]);
    for (int e = 1; e <= n && taken < 5; ++e) {
      Str255 p{};
      if (!UFindReplMenu::GetHistString(static_cast<unsigned short>(e), *histories[h], p) || p[0] == 0) break;
      if (p[0] >= kKxFindAssistMax) continue;
      mSlots[std::size_t(h * 5 + taken++)] = std::string(reinterpret_cast<const char*>(p + 1), p[0]);
    }
  }
  for (int i = 0; i < 10; ++i) SetSlot(i, mSlots[std::size_t(i)]);
}

void CKXTextFindAssist::SetSlot(int slot, const std::string& text) {
  mSlots.at(std::size_t(slot)) = KxCutOnCharBoundary(text, kKxFindAssistMax);
  if (LPane* button = FindPaneByID(kKxFindAssistFirstButton + slot)) {
    Str255 title;
    const std::string& t = mSlots[std::size_t(slot)];
    title[0] = static_cast<unsigned char>(t.size());
    std::copy(t.begin(), t.end(), title + 1);
    button->SetDescriptor(title);
  }
}

void CKXTextFindAssist::ActivateSelf() {
  KXDialogBox::ActivateSelf();
  for (int i = 0; i < 10; ++i)
    if (LPane* b = FindPaneByID(kKxFindAssistFirstButton + i)) b->Enable();
}

void CKXTextFindAssist::DeactivateSelf() {
  KXDialogBox::DeactivateSelf();
  for (int i = 0; i < 10; ++i)
    if (LPane* b = FindPaneByID(kKxFindAssistFirstButton + i)) b->Disable();
}

bool CKXTextFindAssist::HostMouseDown(const EventRecord& event) {
  mClickModifiers = event.modifiers;
  return KXDialogBox::HostMouseDown(event);
}

void CKXTextFindAssist::ListenToMessage(MessageT message, void* param) {
  if (message >= kKxFindAssistFirstButton && message < kKxFindAssistFirstButton + 10) {
    Click(int(message - kKxFindAssistFirstButton));
    return;
  }
  KXDialogBox::ListenToMessage(message, param);
}

void CKXTextFindAssist::Click(int slot) {
  const bool option = (mClickModifiers & kKxEventOptionKey) != 0;
  const bool command = (mClickModifiers & kKxEventCommandKey) != 0;
  CKXTextDocument* doc = FrontTextDocument();
  if (option) {
    // The front document's find match becomes the slot.
    CKXTextEngine* engine = doc ? doc->GetEngine() : nullptr;
    if (!engine || !engine->IsFindSelection()) {
      KxCurrentHost().Beep();
      return;
    }
    const SKXRange sel = engine->GetSelectionRange();
    std::string bytes(std::size_t(std::max<std::int32_t>(sel.length, 0)), '\0');
    if (!bytes.empty())
      KXHandleAccess::Edit(engine->GetEdit())
          ->CopyBytes(sel.start, long(sel.start) + sel.length, bytes.data(), long(bytes.size()));
    SetSlot(slot, bytes);
    return;
  }
  if (!mSlots[std::size_t(slot)].empty() && !command) {
    if (slot < 5)
      DoFind(mSlots[std::size_t(slot)]);
    else
      DoReplace(mSlots[std::size_t(slot)]);
    return;
  }
  if (!doc) {
    KxCurrentHost().Beep();
    return;
  }
  mCurrentSlot = slot;
  doc->OpenFindAssist(slot < 5, mSlots[std::size_t(slot)]);
}

void CKXTextFindAssist::SetString(const std::string& text) {
  SetSlot(mCurrentSlot, text);
  const std::string& t = mSlots[std::size_t(mCurrentSlot)];
  if (t.empty()) return;
  if (mCurrentSlot < 5)
    DoFind(t);
  else
    DoReplace(t);
}

void CKXTextFindAssist::DoFind(const std::string& text) {
  KxSetFindString(text);
  Record(KxGetFindString(), gFindHistHandle);
  KxToolbarFindString(KxGetFindString());
  ExecuteCommand(kKxCmdFindNext);
}

void CKXTextFindAssist::DoReplace(const std::string& text) {
  KxSetReplString(text);
  Record(KxGetReplString(), gReplHistHandle);
  KxToolbarFindString(KxGetFindString());
  ExecuteCommand(kKxCmdReplace);
}

LCommander* CKXTextFindAssist::CommandTarget() const {
  LCommander* target = LCommander::GetTarget();
  // The palette itself (or one of its panes) as the target: the front
  // document's text is meant.
  if (!target || target->IsOnChainOf(this)) {
    CKXTextDocument* doc = FrontTextDocument();
    target = doc ? static_cast<LCommander*>(doc->CurrentTextView()) : nullptr;
  }
  return target;
}

void CKXTextFindAssist::ExecuteCommand(long command) {
  LCommander* target = CommandTarget();
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  if (target) target->ProcessCommandStatus(command, enabled, usesMark, mark, name);
  if (!enabled) {
    KxCurrentHost().Beep();
    return;
  }
  target->ProcessCommand(command, nullptr);
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (recorder.IsRecording()) recorder.AddMacroCommand(command);
}
