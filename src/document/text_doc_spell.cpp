// Spell checking of a text document: next misspelled word, a range, the
// whole text, check as you type, ignore, guess and correct, with the
// correction panel. The text goes to the speller as UTF-16 through the
// Unicode bridge; found UTF-16 ranges come back through its offset map.
#include <algorithm>

#include "app/globals.h"
#include "platform/textconv.h"
#include "app/spelling_panel.h"
#include "document/find_rules.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "engine/text_unicode_range.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"
#include "platform/memory.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "text/runs/runs.h"

namespace {

// The speller looks at the whole text it is given for every word it
// reports: long paragraphs go to it in pieces of about this many bytes.
constexpr long kSpellPiece = 1024;
constexpr std::uint16_t kCR = 13;

int sSpellCheckIgnoreTag = 0;
bool sLockUpdate = false, sPostUpdate = false;

int IgnoreTag() {
  if (sSpellCheckIgnoreTag == 0) sSpellCheckIgnoreTag = CKXSpellingPanel::Get().Speller().NewTag();
  return sSpellCheckIgnoreTag;
}

using Segment = KxUnicodeStretch;

bool ToUnicode(CKXTextEngine& engine, long from, long to, Segment& seg) { return KxTextToUnicode(engine, from, to, seg); }
long MapBack(const Segment& seg, long index) { return KxUnicodeStretchOffset(seg, index); }

CKXTextDocument* FrontTextDocument() {
  const auto docs = KxTextDocHooks::All();
  for (KxWindowID w : KxCurrentHost().WindowList())
    for (CKXTextDocument* d : docs)
      if (d->GetWindow() && d->GetWindow()->GetHostWindow() == w) return d;
  return nullptr;
}

// The panel's commands that no client took: the front text document.
bool RouteToDocument(OSType command, const std::string& word) {
  CKXTextDocument* doc = FrontTextDocument();
  return doc && doc->SpellingPanelCommand(command, word);
}

}  // namespace

void KxInstallSpellingRoute() { CKXSpellingPanel::SetRoute(&RouteToDocument); }

// ---- marks

long CKXTextDocument::TextSize() const { return KXHandleAccess::Edit(mEngine->GetEdit())->GetLength(); }

void CKXTextDocument::DoMarkup(long start, long end, bool always) {
  if (mSpellLive || always)
    KXTE_InsertMarkup(mEngine->GetEdit(), start, end);
  if (!mSpellLive) mSpellRun = SKXRange{std::int32_t(start), std::int32_t(end - start)};
}

bool CKXTextDocument::RemoveMarkupAround(long start, long end) {
  const KXEditHandle edit = mEngine->GetEdit();
  const long before = KXTE_GetMarkupCount(edit);
  if (start >= end) {
    // At a caret: the marks that hold or touch it (a word being typed).
    KXTE_DeleteMarkup(edit, start, end);
  } else {
    // Over a range: only the marks inside it; one that merely touches an
    // end is a neighbouring word's and keeps its mark.
    CKXTextEditEx& ex = *KXHandleAccess::Edit(edit);
    for (long k = std::max(1L, ex.GetMarkupIndex(start)); k <= ex.GetMarkupCount();) {
      long a = 0, b = 0;
      ex.GetMarkupRangeAt(k, a, b);
      if (a >= end) break;
      if (b > start) ex.DeleteMarkupAt(k);
      else ++k;
    }
  }
  bool changed = KXTE_GetMarkupCount(edit) != before;
  if (!mSpellLive && mSpellRun.start == start && mSpellRun.length == end - start) {
    mSpellRun = SKXRange{0, 0};
    changed = true;
  }
  return changed;
}

void CKXTextDocument::RemoveAllMarkup() {
  mSpellRun = SKXRange{0, 0};
  const KXEditHandle edit = mEngine->GetEdit();
  if (KXTE_GetMarkupCount(edit) == 0) return;
  KXTE_DeleteMarkup(edit, 0, TextSize());
  RequestRedraw();
}

bool CKXTextDocument::GetMisSpelledWordRun(long pos, long& start, long& end) const {
  if (KXTE_GetMarkup(mEngine->GetEdit(), pos, start, end)) return true;
  if (!mSpellLive && mSpellRun.length > 0 && pos >= mSpellRun.start && pos <= mSpellRun.start + mSpellRun.length) {
    start = mSpellRun.start;
    end = mSpellRun.start + mSpellRun.length;
    return true;
  }
  return false;
}

void CKXTextDocument::RequestRedraw() {
  if (sLockUpdate)
    sPostUpdate = true;
  else
    RedrawTextViews();
}

// ---- checking

long CKXTextDocument::ParagraphStart(long pos) const {
  while (pos > 0 && mEngine->GetChar(pos - mEngine->PrevCharSize(pos)) != 13) pos -= mEngine->PrevCharSize(pos);
  return pos;
}

long CKXTextDocument::ParagraphEnd(long pos) const {
  const long size = TextSize();
  while (pos < size && mEngine->GetChar(pos) != 13) pos += std::max<long>(1, mEngine->ThisCharSize(pos));
  return pos;
}

bool CKXTextDocument::DoSpellCheck(long start, long end) {
  KxSpeller& speller = CKXSpellingPanel::Get().Speller();
  if (!mSpellAvailable || !speller.Available()) return false;
  const bool findNext = start >= 0 && end < 0, range = start >= 0 && end >= 0;
  const KXEditHandle edit = mEngine->GetEdit();
  const long marksBefore = KXTE_GetMarkupCount(edit);
  if (!((findNext || range) && mSpellLive)) {
    mSpellRun = SKXRange{0, 0};
    KXTE_DeleteMarkup(edit, 0, TextSize());
  }
  const long size = TextSize();
  const long limit = range ? std::min(end, size) : size;
  long p = std::max<long>(start, 0);
  bool found = false;
  std::string foundWord;
  long foundStart = 0, foundEnd = 0;
  auto checkStretch = [&](long from, long to, long at) {
    Segment seg;
    if (!ToUnicode(*mEngine, from, to, seg)) return;
    long index = long(std::lower_bound(seg.map.begin(), seg.map.end(), at) - seg.map.begin());
    index = std::min<long>(index, long(seg.units.size()));
    while (index < long(seg.units.size())) {
      const KxSpellRange r = speller.Check(seg.units, index, false, IgnoreTag());
      if (r.length <= 0 || r.location < index) break;
      const long s = MapBack(seg, r.location), e = MapBack(seg, r.location + r.length);
      if (findNext || range) {
        found = true;
        foundStart = s;
        foundEnd = e;
        foundWord = KxUTF16ToUTF8(seg.units.substr(std::size_t(r.location), std::size_t(r.length)));
        return;
      }
      DoMarkup(s, e, false);
      found = true;
      index = r.location + r.length;
    }
  };
  while (p < limit && !(found && !(!findNext && !range))) {
    long segStart = ParagraphStart(p);
    if (range && p > segStart) segStart = p;
    const long segEnd = std::min(ParagraphEnd(p), limit);
    checkStretch(segStart, segEnd, p);
    if (range) break;
    p = segEnd + 1;
    if (findNext && found) break;
  }
  if (findNext && !found && start > 0) {
    // Once round: from the top to the end of the paragraph where it began.
    const long wrapEnd = std::min(ParagraphEnd(std::min(start, size)), size);
    for (long q = 0; q < wrapEnd && !found;) {
      const long segEnd = std::min(ParagraphEnd(q), wrapEnd);
      checkStretch(q, segEnd, q);
      q = segEnd + 1;
    }
  }
  if (found && (findNext || range)) {
    DoMarkup(foundStart, foundEnd, findNext);
    if (findNext) {
      mEngine->SetSelectionRange(SKXRange{std::int32_t(foundStart), std::int32_t(foundEnd - foundStart)}, true);
      CKXSpellingPanel::Get().UpdateWithMisspelledWord(foundWord);
    }
  } else if (findNext && !found) {
    CKXSpellingPanel::Get().UpdateWithMisspelledWord(std::string());
  }
  if (KXTE_GetMarkupCount(edit) != marksBefore || found) RequestRedraw();
  return found;
}

void CKXTextDocument::CheckAsYouType() {
  if (!mSpellAvailable) return;
  const SKXRange sel = mEngine->GetSelectionRange();
  const long s = sel.start;
  if (!mSpellLive) {
    mSpellCheckedSize = TextSize();
    if (mSpellRun.length > 0 && !(sel.start == mSpellRun.start && sel.length == mSpellRun.length)) {
      long a = 0, b = 0;
      if (KXTE_GetMarkup(mEngine->GetEdit(), mSpellRun.start, a, b)) RemoveMarkupAround(s, s + sel.length);
      mSpellRun = SKXRange{0, 0};
    }
    return;
  }
  const long size = TextSize();
  const long grown = mSpellCheckedSize < 0 ? 0 : size - mSpellCheckedSize;
  mSpellCheckedSize = size;
  const SKXRange w = mEngine->GetWordSelectionRange(s);
  const long wEnd = w.start + w.length;
  long regionStart = w.start;
  if (s > 0) {
    const SKXRange before = mEngine->GetWordSelectionRange(s - mEngine->PrevCharSize(s));
    regionStart = std::min<long>(regionStart, before.start);
  }
  bool changed = false;
  sLockUpdate = true;
  if (mSpellRun.length > 0 || mSpellRun.start > 0) {
    const long e = mSpellRun.start + mSpellRun.length;
    // The word the caret left: checked now that the caret is out of it.
    if (e != wEnd && e > 0) {
      const SKXRange l = mEngine->GetWordSelectionRange(e - mEngine->PrevCharSize(e));
      const long lEnd = l.start + l.length;
      if (l.length > 0 && lEnd != s) {
        if (l.start == w.start && l.length == w.length) {
          changed = RemoveMarkupAround(l.start, lEnd) || changed;
        } else {
          changed = RemoveMarkupAround(l.start, lEnd) || changed;
          changed = DoSpellCheck(l.start, lEnd) || changed;
        }
      }
    }
    if (mSpellRun.start != wEnd && mSpellRun.start != regionStart && mSpellRun.start != e) {
      const SKXRange f = mEngine->GetWordSelectionRange(mSpellRun.start);
      if (f.length > 0 && f.start == mSpellRun.start && !(f.start == w.start && f.length == w.length)) {
        changed = RemoveMarkupAround(f.start, f.start + f.length) || changed;
        changed = DoSpellCheck(f.start, f.start + f.length) || changed;
      }
    }
  }
  // Text that arrived at once before the caret (a paste, a committed
  // input): the words it finished, up to the word at the caret, are left
  // behind as if typed one by one.
  if (grown > 0 && sel.length == 0 && s - grown < regionStart) {
    const long from = mEngine->GetWordSelectionRange(std::max(0L, s - grown)).start;
    if (from < regionStart) {
      changed = RemoveMarkupAround(from, regionStart) || changed;
      // Every misspelled word, a paragraph (or a piece of a long one, cut
      // at a space) at a time.
      KxSpeller& speller = CKXSpellingPanel::Get().Speller();
      for (long p = from; p < regionStart && speller.Available();) {
        long segEnd = p;
        while (segEnd < regionStart) {
          const std::uint16_t c = mEngine->GetChar(segEnd);
          if (c == kCR || (c == ' ' && segEnd - p >= kSpellPiece)) break;
          segEnd += std::max<long>(1, mEngine->ThisCharSize(segEnd));
        }
        Segment seg;
        if (segEnd > p && ToUnicode(*mEngine, p, segEnd, seg)) {
          for (long index = 0; index < long(seg.units.size());) {
            const KxSpellRange r = speller.Check(seg.units, index, false, IgnoreTag());
            if (r.length <= 0 || r.location < index) break;
            DoMarkup(MapBack(seg, r.location), MapBack(seg, r.location + r.length), false);
            changed = true;
            index = r.location + r.length;
          }
        }
        p = segEnd + 1;
      }
    }
  }
  sLockUpdate = false;
  // The word being typed is never marked. Only the marks at the caret
  // itself go: the word a separator just ended keeps the mark it got.
  if (sel.length > 0) {
    long a = 0, b = 0;
    if (KXTE_GetMarkup(mEngine->GetEdit(), s, a, b)) changed = RemoveMarkupAround(s, s + sel.length) || changed;
  } else {
    changed = RemoveMarkupAround(s, s) || changed;
  }
  mSpellRun = SKXRange{std::int32_t(regionStart), std::int32_t(wEnd - regionStart)};
  if (changed || sPostUpdate) {
    sPostUpdate = false;
    RedrawTextViews();
  }
}

void CKXTextDocument::DoIdleSpellChecking() {
  // A first paste before any move of the caret is measured from here.
  if (mSpellCheckedSize < 0) mSpellCheckedSize = TextSize();
  if (!mSpellNext) return;
  mSpellNext = false;
  // The panel was closed since the change: nobody asked for the next word.
  if (!CKXSpellingPanel::Get().IsShown()) return;
  const SKXRange sel = mEngine->GetSelectionRange();
  DoSpellCheck(sel.start + sel.length, -1);
}

// ---- correct, ignore, guess

bool CKXTextDocument::ReplaceWordAroundSelection(const std::string& utf8) {
  if (!mEngine->IsEditable() || utf8.empty()) return false;
  const SKXRange sel = mEngine->GetSelectionRange();
  long start = 0, end = 0;
  if (!GetMisSpelledWordRun(sel.start, start, end)) {
    if (sel.length <= 0) return false;
    start = sel.start;
    end = sel.start + sel.length;
  }
  // The word in the range's own script, characters it cannot hold as side
  // entries, with the style and decoration of its first character.
  const KXTextHandle temp = KxStyledTextLike(*mEngine, start, KxUtf8ToUtf16(utf8));
  if (!temp) return false;
  RemoveMarkupAround(start, end);
  mEngine->SetSelectionRange(SKXRange{std::int32_t(start), std::int32_t(end - start)}, false);
  mEngine->DoInsert(temp);
  KXText_Dispose(temp);
  RedrawTextViews();
  return true;
}

void CKXTextDocument::IgnoreSpelling() {
  const SKXRange sel = mEngine->GetSelectionRange();
  long start = 0, end = 0;
  // The marked word; else the selection (a word found and selected has
  // lost its mark to the selection when checking as you type).
  if (!GetMisSpelledWordRun(sel.start, start, end)) {
    if (sel.length <= 0) return;
    start = sel.start;
    end = sel.start + sel.length;
  }
  Segment seg;
  if (!ToUnicode(*mEngine, start, end, seg)) return;
  CKXSpellingPanel::Get().Speller().Ignore(KxUTF16ToUTF8(seg.units), IgnoreTag());
  if (RemoveMarkupAround(start, end)) RequestRedraw();
}

bool CKXTextDocument::SpellingPanelCommand(OSType command, const std::string& word) {
  if (command == kKxSpellFindNext) return ObeySpellCheckCommand(kKxCmdSpellNext);
  // A click in the panel took the window's activation and the view's
  // target away: the user types on in the document, and the next word is
  // found from the view's idle time, which runs only while it has both.
  auto backToText = [this] {
    if (mWindow) mWindow->Select();
    if (LCommander* view = mEngine->GetPostCommander()) LCommander::SwitchTarget(view);
  };
  if (command == kKxSpellIgnore) {
    ObeySpellCheckCommand(kKxCmdSpellIgnore);
    backToText();
    return true;
  }
  if (command == kKxSpellCorrect) {
    if (!mEngine->IsEditable() || !mSpellAvailable) return true;
    if (ReplaceWordAroundSelection(word)) {
      mSpellNext = true;
      backToText();
    }
    return true;
  }
  return false;
}

bool CKXTextDocument::ObeySpellCheckCommand(CommandT command) {
  const SKXRange sel = mEngine->GetSelectionRange();
  switch (command) {
    case kKxCmdSpellCheck:
      // A find next still waiting for idle time would skip the word found here.
      mSpellNext = false;
      if (mWindow) mWindow->Select();
      DoSpellCheck(sel.start + sel.length, -1);
      CKXSpellingPanel::Get().Show();
      // The panel floats over the document, which keeps the keys.
      if (mWindow) mWindow->Select();
      return true;
    case kKxCmdSpellNext:
      mSpellNext = false;
      if (mWindow) mWindow->Select();
      DoSpellCheck(sel.start + sel.length, -1);
      return true;
    case kKxCmdSpellLive:
      mSpellLive = !mSpellLive;
      gPreference2.liveSpelling = mSpellLive ? 1 : 0;
      gPrefModify = true;
      if (!mSpellLive) RemoveAllMarkup();
      return true;
    case kKxCmdSpellWhole:
      if (!mSpellLive) {
        mSpellLive = true;
        gPreference2.liveSpelling = 1;
        gPrefModify = true;
      }
      DoSpellCheck(-1, -1);
      return true;
    case kKxCmdSpellIgnore: IgnoreSpelling(); return true;
    case kKxCmdSpellGuess: {
      if (sel.length <= 0 || ParagraphEnd(sel.start) < sel.start + sel.length) return true;
      Segment seg;
      if (ToUnicode(*mEngine, sel.start, sel.start + sel.length, seg)) {
        CKXSpellingPanel::Get().UpdateWithMisspelledWord(KxUTF16ToUTF8(seg.units));
        CKXSpellingPanel::Get().Show();
      }
      if (mWindow) mWindow->Select();
      return true;
    }
    case kKxCmdFindAndMark: OpenFindSpelling(); return true;
    default: return false;
  }
}

bool CKXTextDocument::FindSpellCheckCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                                  std::uint16_t& mark) {
  const bool available = mSpellAvailable;
  switch (command) {
    case kKxCmdSpellCheck:
    case kKxCmdSpellNext:
    case kKxCmdSpellWhole: enabled = available; return true;
    case kKxCmdSpellLive:
      enabled = available;
      usesMark = true;
      mark = mSpellLive ? 18 : 0;
      return true;
    case kKxCmdSpellIgnore: {
      long a = 0, b = 0;
      enabled = available && (GetMisSpelledWordRun(mEngine->GetSelectionRange().start, a, b) ||
                              mEngine->GetSelectionRange().length > 0);
      return true;
    }
    case kKxCmdSpellGuess: enabled = available && mEngine->GetSelectionRange().length > 0; return true;
    case kKxCmdFindAndMark: enabled = true; return true;
    default: return false;
  }
}

void CKXTextDocument::InitializeSpelling() {
  mSpellLive = gPreference2.liveSpelling != 0;
  mSpellAvailable = CKXSpellingPanel::Get().Speller().Available();
}
