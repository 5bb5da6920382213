#include "app/spelling_panel.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/application.h"
#include "layout/fontstate.h"
#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "platform/framework/control.h"
#include "platform/framework/list_box.h"
#include "platform/framework/registrar.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"
#include "views/dialog_box.h"
#include "views/edit_field.h"

namespace {

constexpr PaneIDT kChange = 2191, kFindNext = 2192, kIgnore = 2193, kGuess = 2194, kWordField = 2195,
                  kGuesses = 2196, kLanguage = 2197, kCaption = 2198, kClose = 2199;
constexpr short kSpellStrings = 211;   // 1: the caption when no word is left

CKXSpellingPanel::Route gRoute = nullptr;
CKXSpellingPanel::LanguageHook gLanguageHook = nullptr;

std::string Script(const std::string& utf8) { return KxUTF8ToScriptText(utf8); }

std::size_t CharLength(const std::string& bytes, std::size_t at) {
  return at + 1 < bytes.size() && CharacterByteType(bytes.data(), std::int32_t(at), kScriptJapanese) == kByteFirst ? 2
                                                                                                                   : 1;
}

// The field's cells: a side entry on its placeholder, whatever placeholder
// the document would store, sits in the script's double-byte one, wide
// enough to draw its character in. `wide` goes from the document's bytes to
// the field's, else back; the entries move with their characters.
constexpr char kWidePlaceholder[] = "\x81\xFC";
bool OnSharedCode(const std::string& bytes, std::size_t at, std::uint32_t value) {
  return KxUnicodeIsSharedCodeAt(reinterpret_cast<const unsigned char*>(bytes.data() + at), long(bytes.size() - at),
                                 value);
}
void Recell(std::string& bytes, std::vector<SKXUniChar>& sides, bool wide) {
  std::string out;
  std::vector<SKXUniChar> moved;
  std::size_t next = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t len = CharLength(bytes, at);
    // (An entry off a character's start names nothing: it goes.)
    while (next < sides.size() && std::size_t(sides[next].offset) < at) ++next;
    if (next < sides.size() && std::size_t(sides[next].offset) == at) {
      const std::uint32_t value = sides[next++].value;
      moved.push_back({std::int32_t(out.size()), value});
      if (!OnSharedCode(bytes, at, value) && wide) {
        out += kWidePlaceholder;
      } else if (!OnSharedCode(bytes, at, value) && bytes.compare(at, len, kWidePlaceholder) == 0) {
        char fallback[2];
        out.append(fallback, std::size_t(KxUniCharFallback(value, kScriptJapanese, fallback)));
      } else {
        out.append(bytes, at, len);
      }
    } else {
      out.append(bytes, at, len);
    }
    at += len;
  }
  bytes = std::move(out);
  sides = std::move(moved);
}

// A word for the caption and the list, which show script text only: a
// character Shift_JIS lacks shows as a geta mark, so that the word is seen
// whole and nothing stands in for it that reads as a letter.
std::string Shown(const std::string& utf8) {
  std::string bytes, out;
  std::vector<SKXUniChar> sides;
  if (!KxUTF8ToHeldText(utf8, bytes, sides)) return Script(utf8);
  std::size_t next = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t len = CharLength(bytes, at);
    while (next < sides.size() && std::size_t(sides[next].offset) < at) ++next;
    const bool side = next < sides.size() && std::size_t(sides[next].offset) == at &&
                      !OnSharedCode(bytes, at, sides[next].value);
    out += side ? std::string("\x81\xAC") : bytes.substr(at, len);
    at += len;
  }
  return out;
}

void SetTitle(LPane* pane, const std::string& scriptText) {
  if (!pane) return;
  Str255 s;
  const std::size_t n = std::min<std::size_t>(scriptText.size(), 255);
  s[0] = static_cast<unsigned char>(n);
  std::copy_n(scriptText.begin(), n, s + 1);
  pane->SetDescriptor(s);
}

// The word field. It holds what Shift_JIS lacks as the document does (a
// placeholder, the character beside it), so that a word shown, chosen or
// typed goes back whole. The side entries follow each edit of the bytes
// (see Follow); an input method's commit brings its own.
class WordField : public KXEditJField {
 public:
  explicit WordField(const KxLayoutPaneRecord& record) : KXEditJField(record) {}

  // False (the field unchanged) when the word cannot be converted or is
  // longer than the field takes: a part of it would go back as the word.
  bool SetWord(const std::string& utf8) {
    std::string bytes;
    std::vector<SKXUniChar> sides;
    if (!KxUTF8ToHeldText(utf8, bytes, sides)) return false;
    Recell(bytes, sides, true);
    if (bytes.size() > GetMaxChars()) return false;
    Follow();
    Arrive(0, bytes, sides);
    SetText(bytes.data(), bytes.size());
    Follow();
    return true;
  }
  bool GetWord(std::string& utf8) {
    Follow();
    std::string bytes = mText;
    std::vector<SKXUniChar> sides = mSides;
    Recell(bytes, sides, false);
    return KxHeldTextToUTF8(bytes.data(), long(bytes.size()), sides.data(), long(sides.size()), utf8);
  }

  void InputMethodCommit(const std::string& utf8) override {
    std::string bytes;
    std::vector<SKXUniChar> sides;
    Follow();
    if (!KxUTF8ToHeldText(utf8, bytes, sides)) {
      // Taken back whole rather than cut at what does not convert.
      CommitScriptText(std::string());
      KxCurrentHost().Beep();
      return;
    }
    Recell(bytes, sides, true);
    // A composition stands selected where the commit goes.
    Arrive(GetSelStart(), bytes, sides);
    CommitScriptText(bytes);
    Follow();
  }

  // The clipboard carries the characters too ("utxt" beside the bytes the
  // document would hold), so that a cut and paste, or a paste from the
  // document, keeps them.
  bool ObeyCommand(CommandT command, void* param) override {
    KxHost& host = KxCurrentHost();
    switch (command) {
      case kKxCmdCut:
      case kKxCmdCopy: {
        Follow();
        if (mSelStart == mSelEnd) return true;
        std::string bytes = mText.substr(mSelStart, mSelEnd - mSelStart), utf8;
        std::vector<SKXUniChar> sides;
        for (const SKXUniChar& e : mSides)
          if (std::size_t(e.offset) >= mSelStart && std::size_t(e.offset) < mSelEnd)
            sides.push_back({std::int32_t(std::size_t(e.offset) - mSelStart), e.value});
        Recell(bytes, sides, false);
        if (!KxHeldTextToUTF8(bytes.data(), long(bytes.size()), sides.data(), long(sides.size()), utf8)) break;
        const std::u16string units = KxUtf8ToUtf16(utf8);
        host.ClearClipboard();
        host.PutClipboard(FourCC("TEXT"), bytes.data(), bytes.size());
        host.PutClipboard(FourCC("utxt"), units.data(), units.size() * sizeof(char16_t));
        return command == kKxCmdCopy || KXEditJField::ObeyCommand(kKxCmdClear, param);
      }
      case kKxCmdPaste: {
        std::vector<std::uint8_t> data;
        if (!host.GetClipboard(FourCC("utxt"), data)) break;
        std::u16string units(data.size() / 2, u'\0');
        std::memcpy(units.data(), data.data(), units.size() * sizeof(char16_t));
        // One line, as the field takes it.
        units = units.substr(0, units.find_first_of(u"\r\n"));
        std::string bytes;
        std::vector<SKXUniChar> sides;
        if (!KxUTF8ToHeldText(KxUTF16ToUTF8(units), bytes, sides)) {
          host.Beep();
          return true;
        }
        Recell(bytes, sides, true);
        // Whole or not at all.
        if (mText.size() - (mSelEnd - mSelStart) + bytes.size() > GetMaxChars()) {
          host.Beep();
          return true;
        }
        Follow();
        Arrive(mSelStart, bytes, sides);
        EndTyping();
        KxFieldEditAction* action = BeginEdit(false);
        ReplaceSelection(bytes);
        EndEdit(action);
        Follow();
        return true;
      }
      default: break;
    }
    return KXEditJField::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    KXEditJField::FindCommandStatus(command, enabled, usesMark, mark, name);
    std::vector<std::uint8_t> data;
    if (command == kKxCmdPaste && !enabled) enabled = KxCurrentHost().GetClipboard(FourCC("utxt"), data);
  }

  void DrawSelf() override {
    KXEditJField::DrawSelf();
    Follow();
    if (mSides.empty()) return;
    // Each placeholder's cell again, with its character drawn in it.
    const Rect r = CalcLocalFrameRect16();
    const std::int16_t inset = mHasBox ? 3 : 0;
    const RectL inner{r.top + inset, r.left + inset, r.bottom - inset, r.right - inset};
    KxFontInfo info;
    GetFontInfo(&info);
    const std::int32_t base =
        inner.top - 1 + (inner.bottom - inner.top + 2 - (info.ascent + info.descent)) / 2 + info.ascent;
    const bool marked = GetTarget() == this && IsActive() && (ShowsCaret() || mSelStart != mSelEnd);
    const std::int32_t selFrom = TextLeft() + TextWidth(mText.data(), 0, std::int32_t(mSelStart));
    const std::int32_t selTo =
        mSelStart == mSelEnd ? selFrom + 1 : TextLeft() + TextWidth(mText.data(), 0, std::int32_t(mSelEnd));
    std::vector<bool> starts(mText.size(), false);
    for (std::size_t i = 0; i < mText.size(); i += CharLength(mText, i)) starts[i] = true;
    for (const SKXUniChar& e : mSides) {
      // (Between the two keys of a double-byte character an entry can sit
      // off a character for a moment.)
      const std::size_t at = std::size_t(e.offset);
      if (at >= mText.size() || !starts[at]) continue;
      const std::size_t len = CharLength(mText, at);
      const std::int32_t x = TextLeft() + TextWidth(mText.data(), 0, std::int32_t(at));
      const std::int32_t w = TextWidth(mText.data(), std::int32_t(at), std::int32_t(len));
      const RectL cell{std::max(inner.top, base - info.ascent), std::max(inner.left, x),
                       std::min(inner.bottom, base + info.descent), std::min(inner.right, x + w)};
      if (cell.right <= cell.left || cell.bottom <= cell.top) continue;
      KxClipScope clip(cell);
      ApplyForeAndBack();
      KxEraseRectL(cell);
      char16_t units[2];
      const int n = KxUnpackUniChar(e.value, units);
      const std::int32_t uw = UKXUnicode::Width(units, n);
      MoveTo(x + std::max(0, (w - uw) / 2), base);
      if (uw <= 0 || !UKXUnicode::Draw(units, n)) {
        MoveTo(x, base);
        DrawText(mText.data(), std::int32_t(at), std::int32_t(len));
      }
      if (marked && selFrom < cell.right && selTo > cell.left)
        KxInvertRectL(RectL{cell.top, std::max(cell.left, selFrom), cell.bottom, std::min(cell.right, selTo)});
    }
  }

 protected:
  void UserChangedText() override {
    Follow();
    KXEditJField::UserChangedText();
  }
  void TextReplaced() override {
    Follow();
    KXEditJField::TextReplaced();
  }

 private:
  // The next change puts `bytes` at `at`, with these entries.
  void Arrive(std::size_t at, const std::string& bytes, const std::vector<SKXUniChar>& sides) {
    mArriveAt = at;
    mArriving = bytes;
    mArrivingSides = sides;
  }

  // Brings the side entries up to the bytes as they stand. An entry stays
  // with its character's bytes: those before the change keep their offset,
  // those after it move by the change's length, those it touched go. Where
  // the bytes alone leave open which side of the change an entry is on (the
  // same character typed next to it), the caret, where an edit leaves it,
  // decides.
  void Follow() {
    const std::string& now = mText;
    if (now == mKnown && mArriving.empty()) return;
    const std::size_t oldN = mKnown.size(), newN = now.size(), least = std::min(oldN, newN);
    const std::ptrdiff_t delta = std::ptrdiff_t(newN) - std::ptrdiff_t(oldN);
    std::size_t head = 0, tail = 0;
    while (head < least && mKnown[head] == now[head]) ++head;
    while (tail < least && mKnown[oldN - 1 - tail] == now[newN - 1 - tail]) ++tail;
    // What arrived, where it was to go and as it was to be: its stretch is
    // the change.
    const std::size_t at = mArriveAt, size = mArriving.size();
    const bool arrived = !mArriving.empty() && at <= head && at + size <= newN &&
                         now.compare(at, size, mArriving) == 0 && oldN + size >= newN &&
                         oldN + size - newN <= oldN - at && oldN - (at + oldN + size - newN) <= tail;
    std::vector<SKXUniChar> kept;
    for (const SKXUniChar& e : mSides) {
      const std::size_t o = std::size_t(e.offset);
      bool before = o + CharLength(mKnown, o) <= head, after = o + tail >= oldN;
      if (arrived) {
        before = o < at;
        after = o >= at + oldN + size - newN;
      } else if (before && after && delta != 0) {
        before = std::ptrdiff_t(o) < std::ptrdiff_t(GetSelEnd()) - std::max<std::ptrdiff_t>(delta, 0);
      }
      if (before) kept.push_back(e);
      else if (after) kept.push_back({std::int32_t(std::ptrdiff_t(o) + delta), e.value});
    }
    if (arrived) {
      std::erase_if(kept, [&](const SKXUniChar& k) {
        return std::size_t(k.offset) >= at && std::size_t(k.offset) < at + size;
      });
      for (const SKXUniChar& e : mArrivingSides)
        if (e.offset >= 0 && std::size_t(e.offset) < size)
          kept.push_back({std::int32_t(at + std::size_t(e.offset)), e.value});
    }
    mArriving.clear();
    mArrivingSides.clear();
    std::sort(kept.begin(), kept.end(), [](const SKXUniChar& x, const SKXUniChar& y) { return x.offset < y.offset; });
    mSides = std::move(kept);
    mKnown = now;
  }

  std::string mKnown;                 // the bytes mSides belong to
  std::vector<SKXUniChar> mSides;
  std::size_t mArriveAt = 0;
  std::string mArriving;
  std::vector<SKXUniChar> mArrivingSides;
};
LPane* CreateWordField(const KxLayoutPaneRecord& record) { return new WordField(record); }

// The layout's class of a pane made for a while by another creator.
class StClassInstead {
 public:
  StClassInstead(OSType classID, ClassCreatorFunc creator) : mID(classID), mBefore(URegistrar::FindClass(classID)) {
    URegistrar::RegisterClass(classID, creator);
  }
  ~StClassInstead() {
    if (mBefore) URegistrar::RegisterClass(mID, mBefore);
    else URegistrar::UnregisterClass(mID);
  }
  StClassInstead(const StClassInstead&) = delete;
  StClassInstead& operator=(const StClassInstead&) = delete;

 private:
  OSType mID;
  ClassCreatorFunc mBefore;
};

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

void CKXSpellingPanel::RegisterWindowClass() { URegistrar::RegisterClass(FourCC("kxsp"), CreatePanelWindow); }

void CKXSpellingPanel::Build() {
  if (mWindow) return;
  RegisterWindowClass();
  {
    // The layout's word field is the panel's own kind (see WordField).
    StClassInstead field(FourCC("kxej"), CreateWordField);
    mWindow = LWindow::CreateWindow(kKxSpellingPanelLayout, CKXTextApp::GetTextApp());
  }
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
  if (auto* field = dynamic_cast<WordField*>(mWindow->FindPaneByID(kWordField))) {
    if (!field->SetWord(word)) field->SetWord(std::string());
    field->SelectAll();
  }
  ListGuesses(guesses);
  if (word.empty()) {
    Str255 none;
    GetIndString(none, kSpellStrings, 1);
    SetTitle(mWindow->FindPaneByID(kCaption), std::string(reinterpret_cast<const char*>(none + 1), none[0]));
  } else {
    SetTitle(mWindow->FindPaneByID(kCaption), Shown(word));
  }
}

void CKXSpellingPanel::ListGuesses(const std::vector<std::string>& guesses) {
  mListed = guesses;
  if (auto* list = mWindow ? dynamic_cast<LListBox*>(mWindow->FindPaneByID(kGuesses)) : nullptr) {
    list->RemoveAllRows();
    for (const std::string& g : guesses) list->AddRow(Shown(g));
  }
}

bool CKXSpellingPanel::FieldWord(std::string& utf8) const {
  utf8.clear();
  auto* field = mWindow ? dynamic_cast<WordField*>(mWindow->FindPaneByID(kWordField)) : nullptr;
  return field && field->GetWord(utf8);
}

void CKXSpellingPanel::Command(OSType command, const std::string& word) {
  if (mClient && mClient->SpellingCommand(command, word)) return;
  if (gRoute) gRoute(command, word);
}

void CKXSpellingPanel::ListenToMessage(MessageT message, void* /*param*/) {
  if (!mWindow) return;
  switch (message) {
    case kChange: {
      // The word goes whole or not at all.
      std::string word;
      if (FieldWord(word)) Command(kKxSpellCorrect, word);
      else KxCurrentHost().Beep();
      break;
    }
    case kFindNext: Command(kKxSpellFindNext, mWord); break;
    case kIgnore: Command(kKxSpellIgnore, mWord); break;
    case kGuess: {
      std::string word;
      if (FieldWord(word)) ListGuesses(Speller().Guesses(word));
      else KxCurrentHost().Beep();
      break;
    }
    case kGuesses: {
      // The guess itself, not the row's script text.
      auto* list = dynamic_cast<LListBox*>(mWindow->FindPaneByID(kGuesses));
      const std::int32_t row = list ? list->GetValue() : -1;
      if (list && row >= 0 && std::size_t(row) < mListed.size())
        if (auto* field = dynamic_cast<WordField*>(mWindow->FindPaneByID(kWordField))) {
          if (!field->SetWord(mListed[std::size_t(row)])) KxCurrentHost().Beep();
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
