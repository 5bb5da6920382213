// Spell checkers as the program sees them: a word list service that checks
// UTF-16 text from an index, offers guesses and ignores words per tag. The
// program's own is Hunspell, linked in; external checkers install others.
//
// Words: a token is a maximal run of letters, digits and inner apostrophes
// (' and U+2019) of alphabetic scripts; a token holding a digit is skipped;
// Japanese text (kana, kanji, half-width katakana, full-width forms) is
// never part of a word.
#pragma once

#include <string>
#include <vector>

struct KxSpellRange {
  long location = 0;
  long length = 0;   // 0: no word
};

// The tokens of `text` from `start`, in order, as UTF-16 ranges.
std::vector<KxSpellRange> KxSpellTokens(const std::u16string& text, long start);
// True for a character that can be part of a word (not an apostrophe).
bool KxSpellWordChar(char32_t c);

// UTF-8 to UTF-16 for the checkers, each malformed sequence one U+FFFD;
// back with KxUTF16ToUTF8 (platform/textconv.h).
std::u16string KxUtf8ToUtf16(const std::string& s);

class KxSpeller {
 public:
  virtual ~KxSpeller() = default;
  virtual bool Available() = 0;
  // Dictionary names, and the one in use.
  virtual std::vector<std::string> Languages() = 0;
  virtual std::string Language() = 0;
  virtual bool SetLanguage(const std::string& name) = 0;
  // Whether one word (UTF-8) is spelt right for the tag.
  virtual bool CheckWord(const std::string& utf8, int tag) = 0;
  virtual std::vector<std::string> Guesses(const std::string& utf8) = 0;
  virtual void Ignore(const std::string& utf8, int tag) = 0;
  virtual int NewTag() = 0;

  // The first misspelled word that begins at or after `start`; with
  // `wrap`, the words before `start` after that. Length 0 when there is
  // none.
  KxSpellRange Check(const std::u16string& text, long start, bool wrap, int tag);
};

// The program's Hunspell speller (one per program). Dictionaries are looked
// up in $DICPATH (colon-separated) when set, else $XDG_DATA_HOME/hunspell,
// /usr/share/hunspell, /usr/share/myspell/dicts; the language is the one set,
// else the one $LANG names, else the first found.
KxSpeller& KxHunspellSpeller();
