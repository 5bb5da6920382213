#include "app/spelling_panel.h"

#include <algorithm>

#include "app/application.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/framework/registrar.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/dialog_box.h"

namespace {

constexpr PaneIDT kChange = 2191, kFindNext = 2192, kIgnore = 2193, kGuess = 2194, kWordField = 2195,
                  kGuesses = 2196, kLanguage = 2197, kCaption = 2198, kClose = 2199;
constexpr short kSpellStrings = 211;   // 1: the caption when no word is left

CKXSpellingPanel::Route gRoute = nullptr;
CKXSpellingPanel::LanguageHook gLanguageHook = nullptr;

std::string Script(const std::string& utf8) { return KxUTF8ToScriptText(utf8); }
std::string Utf8(const std::string& script) { return KxScriptTextToUTF8(script); }

void SetTitle(LPane* pane, const std::string& scriptText) {
  if (!pane) return;
  Str255 s;
  const std::size_t n = std::min<std::size_t>(scriptText.size(), 255);
  s[0] = static_cast<unsigned char>(n);
  std::copy_n(scriptText.begin(), n, s + 1);
  pane->SetDescriptor(s);
}

// The panel's window: its close box is the Close button.
class PanelWindow : public KXDialogBox {
 public:
  explicit PanelWindow(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}
  void AttemptClose() override { CKXSpellingPanel::Get().Close(); }
  void HostAttemptClose() override { AttemptClose(); }
  // It floats over the document, which keeps the keys: its controls stay
  // live while the document is in front.
  void HostActivate(bool active) override {
    if (active) KXDialogBox::HostActivate(true);
  }
};
LPane* CreatePanelWindow(const KxLayoutPaneRecord& record) { return new PanelWindow(record); }

}  // namespace

CKXSpellingPanel& CKXSpellingPanel::Get() {
  static CKXSpellingPanel panel;
  return panel;
}

void CKXSpellingPanel::SetRoute(Route route) { gRoute = route; }
void CKXSpellingPanel::SetLanguageHook(LanguageHook hook) { gLanguageHook = hook; }

void CKXSpellingPanel::Build() {
  if (mWindow) return;
  URegistrar::RegisterClass(FourCC("kxsp"), CreatePanelWindow);
  mWindow = LWindow::CreateWindow(kKxSpellingPanelLayout, CKXTextApp::GetTextApp());
  KxCurrentHost().SetWindowFloating(mWindow->GetHostWindow());
  for (PaneIDT id : {kChange, kFindNext, kIgnore, kGuess, kGuesses, kLanguage, kClose})
    if (auto* b = dynamic_cast<LBroadcaster*>(mWindow->FindPaneByID(id))) b->AddListener(this);
  FillLanguages();
  UpdateWithMisspelledWord(mWord, mGuesses);
}

void CKXSpellingPanel::Show() {
  Build();
  if (mWindow) mWindow->Select();
}

void CKXSpellingPanel::Close() {
  if (!mWindow) return;
  LWindow* w = mWindow;
  mWindow = nullptr;
  w->DeleteLater();
  if (mClient) mClient->SpellingPanelClosed();
}

void CKXSpellingPanel::FillLanguages() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(mWindow ? mWindow->FindPaneByID(kLanguage) : nullptr);
  if (!popup) return;
  std::vector<std::string> items;
  const std::vector<std::string> languages = Speller().Languages();
  const std::string current = Speller().Language();
  std::int32_t chosen = 1;
  for (std::size_t i = 0; i < languages.size(); ++i) {
    items.push_back(Script(languages[i]));
    if (languages[i] == current) chosen = std::int32_t(i + 1);
  }
  popup->SetItems(items);
  popup->StopBroadcasting();
  popup->SetValue(chosen);
  popup->StartBroadcasting();
}

void CKXSpellingPanel::UpdateWithMisspelledWord(const std::string& word) {
  UpdateWithMisspelledWord(word, word.empty() ? std::vector<std::string>{} : Speller().Guesses(word));
}

void CKXSpellingPanel::UpdateWithMisspelledWord(const std::string& word, const std::vector<std::string>& guesses) {
  mWord = word;
  mGuesses = guesses;
  if (!mWindow) return;
  if (auto* field = dynamic_cast<LEditField*>(mWindow->FindPaneByID(kWordField))) {
    field->SetText(Script(word));
    field->SelectAll();
  }
  if (auto* list = dynamic_cast<LListBox*>(mWindow->FindPaneByID(kGuesses))) {
    list->RemoveAllRows();
    for (const std::string& g : guesses) list->AddRow(Script(g));
  }
  if (word.empty()) {
    Str255 none;
    GetIndString(none, kSpellStrings, 1);
    SetTitle(mWindow->FindPaneByID(kCaption), std::string(reinterpret_cast<const char*>(none + 1), none[0]));
  } else {
    SetTitle(mWindow->FindPaneByID(kCaption), Script(word));
  }
}

std::string CKXSpellingPanel::FieldText() const {
  auto* field = mWindow ? dynamic_cast<LEditField*>(mWindow->FindPaneByID(kWordField)) : nullptr;
  return field ? Utf8(field->GetText()) : std::string();
}

void CKXSpellingPanel::Command(OSType command, const std::string& word) {
  if (mClient && mClient->SpellingCommand(command, word)) return;
  if (gRoute) gRoute(command, word);
}

void CKXSpellingPanel::ListenToMessage(MessageT message, void* /*param*/) {
  if (!mWindow) return;
  switch (message) {
    case kChange: Command(kKxSpellCorrect, FieldText()); break;
    case kFindNext: Command(kKxSpellFindNext, mWord); break;
    case kIgnore: Command(kKxSpellIgnore, mWord); break;
    case kGuess: {
      const std::string text = FieldText();
      if (auto* list = dynamic_cast<LListBox*>(mWindow->FindPaneByID(kGuesses))) {
        list->RemoveAllRows();
        for (const std::string& g : Speller().Guesses(text)) list->AddRow(Script(g));
      }
      break;
    }
    case kGuesses: {
      auto* list = dynamic_cast<LListBox*>(mWindow->FindPaneByID(kGuesses));
      const std::int32_t row = list ? list->GetValue() : -1;
      if (list && row >= 0 && row < list->CountRows())
        if (auto* field = dynamic_cast<LEditField*>(mWindow->FindPaneByID(kWordField))) {
          field->SetText(list->GetCell(row));
          field->SelectAll();
        }
      break;
    }
    case kLanguage: {
      auto* popup = dynamic_cast<LControl*>(mWindow->FindPaneByID(kLanguage));
      const std::vector<std::string> languages = Speller().Languages();
      const std::int32_t i = popup ? popup->GetValue() : 0;
      if (i >= 1 && std::size_t(i) <= languages.size() && Speller().SetLanguage(languages[std::size_t(i - 1)]) &&
          gLanguageHook)
        gLanguageHook(languages[std::size_t(i - 1)]);
      break;
    }
    case kClose: Close(); break;
    default: break;
  }
}
