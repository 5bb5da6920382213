// The multi-file search without its window: a walk of a folder (and its
// subfolders) that searches every text file in the text the editor would
// open and answers one row per matching line (or per file).
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

class CKXArrayL;
class CKXText;

struct SKXSearchRow {
  std::string path;        // the file
  std::string cell;        // the list's row: icon byte, place, name, a NUL and the line
  std::int64_t offset = 0; // the match in the opened document's text
  std::int32_t length = 0;
};

struct SKXSearchQuery {
  std::string pattern;     // Shift_JIS
  short options = 0;       // kKXFind... bits (width, kana, case, regular expression)
  bool subfolders = true;
  bool allMatches = false;
  // Bigger files are searched in pieces of this size, each cut after a
  // line end (or on a character boundary) and decoded on its own; the text
  // of each piece is searched with the end of the one before it, so that a
  // match across a cut is found whole, and once.
  std::size_t wholeMax = std::size_t(64) << 20;
  // A plain pattern is looked for in a file's bytes before the file is
  // decoded and searched; false searches every file in full (what the look
  // must agree with).
  bool precheck = true;
};

// The most rows a search lists.
constexpr std::size_t kKxSearchMaxRows = 100000;
// The bytes of a row, at most.
constexpr std::size_t kKxSearchRowMax = 253;

class CKXFileSearcher {
 public:
  // cancel: asked between files and steps, and by the find steps inside a
  // long text; true once stops the whole search. row: takes a row; false
  // stops the search (the list is full).
  using CancelFn = std::function<bool()>;
  using RowFn = std::function<bool(SKXSearchRow&&)>;
  CKXFileSearcher(SKXSearchQuery query, CancelFn cancel, RowFn row);

  // Searches `folder`; false when the pattern is empty or cannot be used
  // (a regular expression with nothing in it that takes a character).
  bool Run(const std::string& folder);
  // Whether the search ended before its end (cancelled, full, or the
  // expression took too long).
  bool Stopped() const { return mStopped; }
  // Whether the expression used up the steps the whole search may take
  // (kKXFindStepAllowance, and what each text searched earns): the search
  // stopped with the rows found before.
  bool TooComplex() const { return mTooComplex; }
  long FilesDecoded() const { return mDecoded; }

  // The row of a match in a file at `depth` (1: the chosen folder).
  static std::string RowText(int depth, const std::string& folderName, const std::string& fileName,
                             const std::string& line);

 private:
  // Whether a file of these raw bytes in `code` (kKxCode...) can hold the
  // plain pattern at all: false only when its decoded text cannot. JIS and
  // EUC-JP text are looked at once decoded, which costs little.
  bool MayHold(short code, const std::uint8_t* bytes, std::size_t size) const;
  bool MayHoldUnicode(short code, const std::uint8_t* bytes, std::size_t size) const;
  void SpellInUnicode();
  // The encoding of a file bigger than a piece, whose first piece is read.
  short PiecesCode(const std::string& path, std::int64_t size);
  // The chosen folder, then its subfolders depth first (the chosen folder
  // is depth 1).
  void Walk(const std::string& folder, const std::string& name);
  // Searches one folder's files and gives the names of the subfolders to
  // walk (none without subfolders); false when it is not entered.
  bool Folder(const std::string& path, const std::string& name, int depth, std::vector<std::string>& subfolders);
  void File(const std::string& path, const std::string& name, const std::string& folderName, int depth);
  // A document of ours (its container, or text beside a sidecar): searched
  // in the text it opens as, with its runs. False when the file is plain text.
  bool Document(const std::string& path, const std::string& name, const std::string& folderName, int depth);
  // A styled text (a document, or RTF converted): its pictures match nothing.
  void SearchStyled(const CKXText& text, const std::string& path, const std::string& name,
                    const std::string& folderName, int depth);
  void Pieces(const std::string& path, const std::string& name, const std::string& folderName, int depth,
              std::int64_t size);
  // What the search of one piece's text takes from the one before and
  // gives to the next, in offsets of that text.
  struct Span {
    long from = 0;          // where the search starts; out: where the next goes on
    long until = -1;        // matches starting here or later are left to the next piece (-1: none are)
    bool lineOpen = false;  // the last row's line goes on past the text's end: no more rows until it ends
  };
  // A bound (bytes) on what a match may take, and what it looks at after it.
  std::size_t MatchReach() const;
  void SearchText(const std::string& text, std::int64_t base, const std::string& path, const std::string& name,
                  const std::string& folderName, int depth, CKXArrayL* styleRuns = nullptr,
                  CKXArrayL* decoRuns = nullptr, Span* span = nullptr);
  bool Cancelled();
  // The check the find steps ask while this search runs (one at a time).
  static bool PollCancel();
  static CKXFileSearcher* sRunning;

  SKXSearchQuery mQuery;
  CancelFn mCancel;
  RowFn mRow;
  bool mStopped = false;
  bool mTooComplex = false;
  // Backtracking steps an expression may still take, over the whole search.
  std::int64_t mStepsLeft = 0;
  long mDecoded = 0;
  std::size_t mRowsSent = 0;
  bool mPlain = false;               // the pattern is plain: files may be looked at first
  // How Unicode text may spell the plain pattern (each character by every
  // code point that converts to it), in UTF-8 and in UTF-16 of either byte
  // order; with mUnicodeAny, too many ways or none that is sure: every
  // Unicode file is searched.
  std::vector<std::string> mUTF8Forms, mUTF16LEForms, mUTF16BEForms;
  bool mUnicodeAny = false;
  std::set<std::pair<std::uint64_t, std::uint64_t>> mEntered;
  std::vector<std::uint8_t> mBuffer; // one read buffer for every file
};
