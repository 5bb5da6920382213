#include "app/word_services_run.h"

#include <algorithm>

#include "engine/data_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_aeom.h"
#include "engine/text_engine.h"
#include "engine/text_unicode_range.h"
#include "layout/kxtext_handle.h"
#include "platform/framework/action_group.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/textconv.h"
#include "platform/toolbox/speller.h"
#include "views/text_view.h"

namespace {

constexpr std::int16_t kCheckerStrings = 213;
constexpr std::int16_t kUndoNameItem = 5;
constexpr unsigned char kLineEnd = 13;

// UTF-16 as UTF-8, with the unit each byte (and the end) belongs to.
std::string Utf8WithUnits(const std::u16string& units, std::vector<long>& unitOfByte) {
  std::string out;
  unitOfByte.clear();
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    const std::size_t first = i;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    const std::size_t before = out.size();
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
    unitOfByte.insert(unitOfByte.end(), out.size() - before, long(first));
  }
  unitOfByte.push_back(long(units.size()));
  return out;
}

}  // namespace

KxCheckerRun& KxCheckerRun::Get() {
  static KxCheckerRun run;
  return run;
}

bool KxCheckerRun::EngineAlive() const { return mEngine && HasBroadcaster(mEngine); }

std::string KxCheckerRun::WholeText() const {
  if (!EngineAlive()) return {};
  const SKXRange all = mEngine->GetTotalRange();
  std::string bytes(std::size_t(std::max<std::int32_t>(all.length, 0)), '\0');
  if (!bytes.empty()) mEngine->TextGetThruPtr(all, bytes.data(), long(bytes.size()));
  return bytes;
}

bool KxCheckerRun::Begin(int n, CKXTextView* view) {
  End();
  KxWordService service;
  if (!UWordServices::GetService(n, service) || !view) return false;
  auto* model = dynamic_cast<CKXTextAEOM*>(view->GetEventHandler());
  CKXTextEngine* engine = view->GetTextEngine();
  if (!model || !engine || model->GetAEOMEngine() != engine) return false;
  mNameUtf8 = KxScriptTextToUTF8(service.name);
  // The selection, or the whole text when nothing is selected.
  SKXRange range = model->WorkRange();
  if (range.length <= 0) range = engine->GetTotalRange();
  const KxCheckerError e = mChecker.Start(service.program, service.args, kKxCheckerAnswerMs);
  if (e != KxCheckerError::kNone) {
    KxCurrentHost().Alert(KxAlertKind::kStop, KxCheckerErrorText(mNameUtf8, e));
    return false;
  }
  mEngine = engine;
  engine->AddListener(this);
  mNextLine = range.start;
  mEnd = long(range.start) + range.length;
  mQueue.clear();
  mIgnored.clear();
  mHasCurrent = false;
  mGroup = nullptr;
  mGroupLife.reset();
  mSnapshot = WholeText();
  mRunning = true;
  CKXSpellingPanel& panel = CKXSpellingPanel::Get();
  panel.SetSpeller(this);
  panel.SetClient(this);
  panel.Show();
  // The panel floats over the document, which keeps the keys and the menus.
  if (LWindow* w = LWindow::FetchWindowOf(view)) w->Select();
  ShowNext();
  return true;
}

void KxCheckerRun::End() {
  if (!mRunning) return;
  mRunning = false;
  mChecker.End();
  if (mGroup && !mGroupLife.expired()) mGroup->SetOpen(false);
  mGroup = nullptr;
  if (mEngine && HasBroadcaster(mEngine)) mEngine->RemoveListener(this);
  mEngine = nullptr;
  mQueue.clear();
  mHasCurrent = false;
  CKXSpellingPanel& panel = CKXSpellingPanel::Get();
  if (panel.GetClient() == this) panel.SetClient(nullptr);
  if (&panel.Speller() == this) panel.SetSpeller(nullptr);
}

void KxCheckerRun::Fail(KxCheckerError error) {
  const std::string name = mNameUtf8;
  End();
  CKXSpellingPanel::Get().UpdateWithMisspelledWord(std::string(), {});
  KxCurrentHost().Alert(KxAlertKind::kStop, KxCheckerErrorText(name, error));
}

bool KxCheckerRun::CheckMoreLines() {
  while (mRunning && mNextLine < mEnd) {
    // One paragraph of the range at a time, read in blocks up to its end.
    constexpr long kBlock = 4096;
    const long stop = std::min<long>(mEnd, mEngine->GetTotalRange().length);
    long lineEnd = mNextLine;
    char block[kBlock];
    for (bool found = false; !found && lineEnd < stop;) {
      const long n = std::min(kBlock, stop - lineEnd);
      mEngine->TextGetThruPtr(SKXRange{std::int32_t(lineEnd), std::int32_t(n)}, block, n);
      long k = 0;
      while (k < n && static_cast<unsigned char>(block[k]) != kLineEnd) ++k;
      found = k < n;
      lineEnd += k;
    }
    const long from = mNextLine;
    mNextLine = lineEnd + 1;
    if (lineEnd <= from) continue;
    KxUnicodeStretch stretch;
    if (!KxTextToUnicode(*mEngine, from, lineEnd, stretch)) continue;
    std::vector<long> unitOfByte;
    const std::string line = Utf8WithUnits(stretch.units, unitOfByte);
    std::vector<KxCheckerMiss> misses;
    const KxCheckerError e = mChecker.CheckLine(line, misses);
    if (e != KxCheckerError::kNone) {
      Fail(e);
      return false;
    }
    for (const KxCheckerMiss& m : misses) {
      if (m.start < 0 || m.end > long(line.size()) || m.start >= m.end) continue;
      Miss miss;
      miss.start = KxUnicodeStretchOffset(stretch, unitOfByte[std::size_t(m.start)]);
      miss.end = KxUnicodeStretchOffset(stretch, unitOfByte[std::size_t(m.end)]);
      miss.word = m.word;
      miss.guesses = m.guesses;
      if (miss.end > miss.start) mQueue.push_back(std::move(miss));
    }
    if (!mQueue.empty()) return true;
  }
  return false;
}

bool KxCheckerRun::ShowNext() {
  mHasCurrent = false;
  for (;;) {
    while (!mQueue.empty() && mIgnored.count(mQueue.front().word)) mQueue.erase(mQueue.begin());
    if (!mQueue.empty()) break;
    if (!CheckMoreLines()) {
      if (!mRunning) return false;   // failed: the alert was shown
      CKXSpellingPanel::Get().UpdateWithMisspelledWord(std::string(), {});
      End();
      return false;
    }
  }
  mCurrent = mQueue.front();
  mQueue.erase(mQueue.begin());
  mHasCurrent = true;
  mEngine->SetSelectionRange(SKXRange{std::int32_t(mCurrent.start), std::int32_t(mCurrent.end - mCurrent.start)},
                             true);
  CKXSpellingPanel::Get().UpdateWithMisspelledWord(mCurrent.word, mCurrent.guesses);
  return true;
}

bool KxCheckerRun::Correct(const std::string& utf8) {
  if (!mEngine->IsEditable() || utf8.empty()) return false;
  const KXTextHandle styled = KxStyledTextLike(*mEngine, mCurrent.start, KxUtf8ToUtf16(utf8));
  if (!styled) return false;
  // The corrections of one run gather in one group on the window's undo
  // history.
  if (!mGroup || mGroupLife.expired()) {
    LCommander* post = mEngine->GetPostCommander();
    if (post) {
      auto* group = new LActionGroup(kCheckerStrings, kUndoNameItem);
      mGroup = group;
      mGroupLife = group->Life();
      post->PostAction(group);
    }
  }
  if (mGroup && !mGroupLife.expired()) mGroup->SetOpen(true);
  const long before = mEngine->GetTotalRange().length;
  {
    // The word's own node of the text model takes the styled word as its
    // contents.
    CKXTextAEOM node(mEngine, SKXRange{std::int32_t(mCurrent.start), std::int32_t(mCurrent.end - mCurrent.start)},
                     nullptr, kKxClassChar, pContents);
    CKXFlavorExchange exchange(nullptr, KXHandleAccess::Text(styled));
    AEDesc contents = AEDesc::MakeRecord();
    {
      CKXTextDescTube tube(&contents, &exchange, SKXRange{0, std::int32_t(KXText_GetLength(styled))});
    }
    AEDesc result;
    try {
      node.SetAEProperty(pContents, contents, result);
    } catch (...) {
      KXText_Dispose(styled);
      if (mGroup && !mGroupLife.expired()) mGroup->SetOpen(false);
      return false;
    }
  }
  KXText_Dispose(styled);
  if (mGroup && !mGroupLife.expired()) mGroup->SetOpen(false);
  const long delta = mEngine->GetTotalRange().length - before;
  for (Miss& m : mQueue) {
    m.start += delta;
    m.end += delta;
  }
  mNextLine += delta;
  mEnd += delta;
  mSnapshot = WholeText();
  return true;
}

bool KxCheckerRun::SpellingCommand(OSType command, const std::string& word) {
  if (!mRunning) return false;
  // The text went, or changed under the run: the words found are stale.
  if (!EngineAlive() || WholeText() != mSnapshot) {
    End();
    CKXSpellingPanel::Get().UpdateWithMisspelledWord(std::string(), {});
    return true;
  }
  // The document keeps the keys and the menus (undo) after a click in the
  // panel.
  LCommander* document = mEngine->GetPostCommander();
  if (command == kKxSpellCorrect) {
    if (mHasCurrent && Correct(word)) ShowNext();
  } else if (command == kKxSpellIgnore) {
    if (mHasCurrent) mIgnored.insert(mCurrent.word);
    ShowNext();
  } else if (command == kKxSpellFindNext) {
    ShowNext();
  } else {
    return false;
  }
  if (document) LCommander::SwitchTarget(document);
  return true;
}

void KxCheckerRun::SpellingPanelClosed() { End(); }

bool KxCheckerRun::CheckWord(const std::string& utf8, int) {
  std::vector<KxCheckerMiss> misses;
  if (!mRunning) return true;
  const KxCheckerError e = mChecker.CheckLine(utf8, misses);
  if (e != KxCheckerError::kNone) {
    Fail(e);
    return true;
  }
  return misses.empty() || mIgnored.count(utf8) > 0;
}

std::vector<std::string> KxCheckerRun::Guesses(const std::string& utf8) {
  std::vector<std::string> guesses;
  if (!mRunning || utf8.empty()) return guesses;
  const KxCheckerError e = mChecker.Guesses(utf8, guesses);
  if (e != KxCheckerError::kNone) Fail(e);
  return guesses;
}

void KxCheckerRun::Ignore(const std::string& utf8, int) { mIgnored.insert(utf8); }
