// The Ispell pipe protocol that external checkers speak (PROGRAM -a): the
// banner's menu name, the arguments that make a family talk UTF-8, and the
// answer lines for one checked line. Answers are untrusted: offsets differ
// between programs (characters or bytes, counting the leading "^" or not),
// so a reported word is looked for at or near its offset and skipped when
// it is not there.
#pragma once

#include <string>
#include <vector>

// The menu name from a banner ("@(#) International Ispell Version 3.2.06
// (but really Hunspell 1.7.2)" gives "Hunspell 1.7.2"; else the text after
// "@(#) "), at most 31 bytes, cut on a UTF-8 character boundary. Empty when
// the line is no banner.
std::string KxIspellMenuName(const std::string& banner);

enum class KxCheckerFamily { kOther, kHunspell, kAspell, kEnchant };
KxCheckerFamily KxIspellFamily(const std::string& banner);
// The arguments that make the family read and write UTF-8.
std::vector<std::string> KxIspellUtf8Args(KxCheckerFamily family);

struct KxIspellMiss {
  std::string word;                  // UTF-8
  long offset = 0;                   // where the program says it is
  std::vector<std::string> guesses;  // for "&" and "?"
};

// Parses the answer lines of one input line ("*", "+ ROOT", "-" are right
// words; "& WORD COUNT OFFSET: G1, G2", "? WORD 0 OFFSET: G1", "# WORD
// OFFSET" misspelled); false on a line that is none of these.
bool KxIspellParseAnswer(const std::string& line, KxIspellMiss& miss, bool& misspelled);

// The byte offset of `word` in `line` (both UTF-8) nearest to the
// reported offset, read as bytes or characters, with or without the "^";
// -1 when the word is not there as a whole word. Japanese characters and
// punctuation end a word, letters of any alphabet do not; a reported word
// holding Japanese is none.
long KxIspellLocate(const std::string& line, const std::string& word, long reported);
