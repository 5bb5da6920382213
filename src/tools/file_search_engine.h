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
  // line end (or on a character boundary) and decoded on its own.
  std::size_t wholeMax = std::size_t(64) << 20;
};

// The most rows a search lists.
constexpr std::size_t kKxSearchMaxRows = 100000;
// The deepest folder a walk enters (the chosen folder is depth 1).
constexpr int kKxSearchMaxDepth = 64;
// The bytes of a row, at most.
constexpr std::size_t kKxSearchRowMax = 253;

class CKXFileSearcher {
 public:
  // cancel: asked between files and steps, true to stop. row: takes a row;
  // false stops the search (the list is full).
  using CancelFn = std::function<bool()>;
  using RowFn = std::function<bool(SKXSearchRow&&)>;
  CKXFileSearcher(SKXSearchQuery query, CancelFn cancel, RowFn row);

  // Searches `folder`; false when the pattern is empty or cannot be used.
  bool Run(const std::string& folder);
  // Whether the search ended before its end (cancelled or full).
  bool Stopped() const { return mStopped; }
  long FilesDecoded() const { return mDecoded; }

  // The row of a match in a file at `depth` (1: the chosen folder).
  static std::string RowText(int depth, const std::string& folderName, const std::string& fileName,
                             const std::string& line);
  // Whether a file of these raw bytes can hold the plain pattern at all
  // (always for patterns that are not plain, and for JIS text).
  bool MayHold(const std::uint8_t* bytes, std::size_t size) const;

 private:
  void Folder(const std::string& path, const std::string& name, int depth);
  void File(const std::string& path, const std::string& name, const std::string& folderName, int depth);
  void Pieces(const std::string& path, const std::string& name, const std::string& folderName, int depth,
              std::int64_t size);
  void SearchText(const std::string& text, std::int64_t base, const std::string& path, const std::string& name,
                  const std::string& folderName, int depth);
  bool Cancelled();

  SKXSearchQuery mQuery;
  CancelFn mCancel;
  RowFn mRow;
  bool mStopped = false;
  long mDecoded = 0;
  std::size_t mRowsSent = 0;
  std::vector<std::string> mForms;   // the plain pattern in every encoding
  std::set<std::pair<std::uint64_t, std::uint64_t>> mEntered;
  std::vector<std::uint8_t> mBuffer; // one read buffer for every file
};
