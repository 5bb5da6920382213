// File references and their packed lists: the recent files and folders, the
// file lists of the tools, and the resume list that reopens the documents
// of the previous run.
//
// A list is one block of entries back to back in their stored form (the
// preference file's bytes, big-endian), newest first where it has an order;
// an empty block is no list. An entry is a 12-byte head (u32 kind, i32
// parent directory, i16 volume, the name's length byte, then the name) and
// occupies 12 + (name length rounded down to even) bytes. An entry with an
// empty name, or one that would run past the end of the block, ends the
// list: every operation reads only up to the last complete entry.
//
// On this system a reference is a path: the name holds the absolute path
// (at most 255 bytes, as the file system spells it), and the parent
// directory and volume are 0. Longer paths are not recorded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

using KxBlock = std::vector<std::uint8_t>;

struct SKXFSpec {
  std::uint32_t kind = 0;     // 0 in the recent and resume lists
  std::int32_t parID = 0;
  std::int16_t vRefNum = 0;
  Str255 name = {0};
};

constexpr std::size_t kKxFSpecHead = 12;   // up to and including the length byte and one character

namespace UKXFSpec {
// Bytes an entry with a name of `length` bytes occupies.
constexpr std::size_t EntrySize(std::size_t length) { return kKxFSpecHead + (length & ~std::size_t(1)); }

void MakeFSpec(SKXFSpec& out, const unsigned char* name, short volume, long directory, unsigned long kind);
// False for a path that is empty, relative or longer than 255 bytes.
bool MakeFromPath(SKXFSpec& out, const std::string& path, unsigned long kind = 0);
std::string PathOf(const SKXFSpec& fileRef);
// The last component of the path (the whole name when it has no slash).
std::string LeafName(const SKXFSpec& fileRef);
// Same volume, directory and name; the kind is not compared.
bool SameFile(const SKXFSpec& a, const SKXFSpec& b);

short GetCount(const KxBlock& list);
// 1-based index of the entry naming the same file, 0 when none.
short Find(const SKXFSpec& fileRef, const KxBlock& list);
bool GetFSpec(short index, SKXFSpec& out, const KxBlock& list);
// Most-recent insertion: an equal entry moves to the front; otherwise a
// full list (max entries or more) drops its last entry and fileRef goes first.
bool SetFSpec(const SKXFSpec& fileRef, KxBlock& list, short max);
// Appends when the list holds fewer than max entries.
bool AddFSpec(const SKXFSpec& fileRef, KxBlock& list, short max);
bool DeleteFSpec(short index, KxBlock& list);
// By name, bytes unsigned with a-z folded to A-Z, a prefix first. False for
// fewer than two entries.
bool SortFSpec(KxBlock& list);
// Cuts the block after its last complete entry and after `max` entries.
void Truncate(KxBlock& list, int max);
}  // namespace UKXFSpec

// ---- the resume list ---------------------------------------------------------------

struct SKXRectL {
  std::int32_t top = 0, left = 0, bottom = 0, right = 0;
};

// A window to reopen: its rectangle and its file. Stored as 36 + (name
// length rounded down to even) bytes: the rectangle (four i32), two zero
// words, kind, parent directory, volume, then the name at byte 34.
struct SKXFResume {
  SKXRectL bounds;
  SKXFSpec fileRef;
};

constexpr std::size_t kKxFResumeHead = 36;

namespace UKXFResume {
constexpr std::size_t RecordSize(std::size_t length) { return kKxFResumeHead + (length & ~std::size_t(1)); }
short GetCount(const KxBlock& list);
bool GetFResume(short index, SKXFResume& out, const KxBlock& list);
bool AddFResume(const SKXFResume& record, KxBlock& list, long max);
void Truncate(KxBlock& list);
}  // namespace UKXFResume

// What the resume run needs of documents: open a file and place the
// document that this open returned.
class KxResumeDocument {
 public:
  virtual ~KxResumeDocument() = default;
  virtual void DoSetBounds(const SKXRectL& bounds) = 0;
};
class KxResumeOpener {
 public:
  virtual ~KxResumeOpener() = default;
  // The document the open gave (an existing window for a file already
  // open), or null when it failed; may throw.
  virtual KxResumeDocument* OpenForResume(const std::string& path) = 0;
};
// Reopens every record in order: a record whose file is missing or is a
// folder is skipped, and one whose open fails or throws does not disturb
// the others. Each document gets the bounds of its own record. The list is
// empty afterwards. Answers the number of documents placed.
int KxDoFileResume(KxBlock& list, KxResumeOpener& opener);
