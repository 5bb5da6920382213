// Running a registered spelling checker over the front text: the text
// object model gives the text (the selection, or the whole text when it is
// empty), each line goes to the checker as UTF-8 through the Unicode
// bridge, and its misspelled words are shown one at a time in the
// correction panel, with this run as the panel's speller and client.
//
// The corrections of one run are one undo step. The run ends when the
// panel closes, the words run out, the text's engine goes, the text
// changes under it, or the checker fails (one alert naming it and why).
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/ispell_checker.h"
#include "app/spelling_panel.h"
#include "platform/framework/broadcaster.h"

class CKXTextView;
class CKXTextEngine;
class CKXTextAEOM;

class KxCheckerRun : public KxSpeller, public KxSpellingClient, public LListener {
 public:
  static KxCheckerRun& Get();

  // Runs checker n (from 1) over the text of `view`; false when it did not
  // start (no checker n, no text model, the checker failed).
  bool Begin(int n, CKXTextView* view);
  bool IsRunning() const { return mRunning; }
  // Ends the run; the corrections made stay, as one undo step.
  void End();

  // KxSpeller: the checker answers guesses; its name is the one language.
  bool Available() override { return mRunning; }
  std::vector<std::string> Languages() override { return {mNameUtf8}; }
  std::string Language() override { return mNameUtf8; }
  bool SetLanguage(const std::string& name) override { return name == mNameUtf8; }
  bool CheckWord(const std::string& utf8, int tag) override;
  std::vector<std::string> Guesses(const std::string& utf8) override;
  void Ignore(const std::string& utf8, int tag) override;
  int NewTag() override { return 1; }

  // KxSpellingClient: Change, Find Next, Ignore from the panel.
  bool SpellingCommand(OSType command, const std::string& word) override;
  void SpellingPanelClosed() override;

  void ListenToMessage(MessageT, void*) override {}

 private:
  KxCheckerRun() = default;
  struct Miss {
    long start = 0, end = 0;   // bytes of the text
    std::string word;          // UTF-8
    std::vector<std::string> guesses;
  };
  // Finds and shows the next word not ignored; false (and the run ends)
  // when none is left or the checker failed.
  bool ShowNext();
  // Checks lines until one gives words; false when the range is done or
  // the checker failed (then mFailed).
  bool CheckMoreLines();
  bool Correct(const std::string& utf8);
  bool EngineAlive() const;
  std::string WholeText() const;
  void Fail(KxCheckerError error);

  KxIspellChecker mChecker;
  std::string mNameUtf8;
  bool mRunning = false;
  CKXTextEngine* mEngine = nullptr;
  long mNextLine = 0;   // where the next unchecked line starts
  long mEnd = 0;        // the end of the checked range
  std::vector<Miss> mQueue;
  bool mHasCurrent = false;
  Miss mCurrent;
  std::set<std::string> mIgnored;
  std::string mSnapshot;   // the text as the run left it
  std::weak_ptr<void> mGroupLife;
  class LActionGroup* mGroup = nullptr;
};
