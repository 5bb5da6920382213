// Ruby: short reading text over a stretch of base text.
//
// The decoration array owns a ruby array and keeps it in step with every
// edit. For plain-text exchange ruby travels inline, "(ruby)" right after
// its base, with a list of SKXRubyInfo records saying where such parts
// belong so that a reader can take them out again; UKXRuby converts between
// the two forms and shifts position lists between them.
#pragma once

#include <cstdint>

#include "text/base/points.h"
#include "text/codes/script.h"

constexpr long kKxRubyMaxBase = 127;
constexpr long kKxRubyMaxText = 30;

struct SKXRuby {
  std::int32_t pos;        // first byte of the base text
  unsigned char baseLen;   // at most 127
  unsigned char rubyLen;   // at most 30
  char text[30];           // bytes beyond rubyLen are zero
};
static_assert(sizeof(SKXRuby) == 36);

// Position of the base in the text WITH inline ruby, base length, and the
// inline length (rubyLen + 2, the parentheses included).
struct SKXRubyInfo {
  std::int32_t pos;
  unsigned char baseLen;
  unsigned char inlineLen;
  std::uint16_t pad;  // not part of the flat form
};
static_assert(sizeof(SKXRubyInfo) == 8);

// Flat forms in the run flavors and document files: 36 and 6 bytes, read and
// written field by field in the given byte order.
constexpr long kKxRubyFlatSize = 36;
constexpr long kKxRubyInfoFlatSize = 6;
void KxGetRubyFlat(const unsigned char* p, SKXRuby& r, bool bigEndian);
void KxPutRubyFlat(unsigned char* p, const SKXRuby& r, bool bigEndian);
void KxGetRubyInfoFlat(const unsigned char* p, SKXRubyInfo& r, bool bigEndian);
void KxPutRubyInfoFlat(unsigned char* p, const SKXRubyInfo& r, bool bigEndian);

// Cleans a ruby list from outside: entries with a base of 0 or more than 127
// bytes, a ruby longer than 30 bytes, a base before the end of the previous
// one, or (for textLen >= 0) a base outside the text are dropped; ruby text
// beyond rubyLen is zeroed. Answers the number kept (at the front).
long KxCheckRubys(SKXRuby* rubys, long n, long textLen);

class CKXRubyArray : public CKXPointArray {
 public:
  CKXRubyArray() : CKXPointArray(sizeof(SKXRuby)) {}

  static void Initialize() {}
  static void Terminate() {}

  virtual void SetRubys(const SKXRuby* items, long n);
  virtual void GetRubys(SKXRuby* out, long n) const;
  virtual long GetRubys(long from, SKXRuby* out, long n) const;
  virtual long GetRubyCount(long from, long to, long* first) const;
  virtual long GetRubyInfo(long from, long to, SKXRubyInfo* out, long max) const;
  virtual long GetRubyInsertSize(long from, long to) const;
  // Turns the `len` plain bytes of from..to in `buf` into text with inline
  // ruby; `buf` must have room for GetRubyInsertSize more bytes. The stored
  // ruby is not changed. Without the fonts at hand, bases are cut to
  // characters as Japanese text.
  virtual void GetRubyInsertText(long from, long to, char* buf, long& len) const;
  virtual void GetRubyInsertPos(long from, long to, void* positions, long n, long stride) const;
  virtual void SetRubyAt(long index, const SKXRuby& ruby);
  virtual bool GetRubyAt(long index, SKXRuby& ruby) const;
  virtual void InsertRubyAt(long index, long pos, unsigned char baseLen, unsigned char rubyLen,
                            const unsigned char* text);
  virtual void SetRuby(long from, long to, const unsigned char* text, long rubyLen);
  virtual bool GetRuby(long& from, long& to, unsigned char* text, long& rubyLen) const;

  // Bytes inserted strictly inside a base belong to it: the base grows by
  // them while it stays within 127 bytes; a longer one, or one that would
  // hold rubies of its own, is removed. Left as it was, the base would stop
  // short of its own last characters, possibly inside one.
  void Insert(long pos, const void* items, long n, long len) override;
  // Deleting bytes shortens a ruby whose base reaches into them.
  void Delete(long from, long to, long textLen) override;
};

class UKXRuby {
 public:
  // Infos for `n` rubies of a range starting at `base`; answers the bytes
  // the inline form adds (infos may be null).
  static long ToRubyInfo(long base, const SKXRuby* rubys, long n, SKXRubyInfo* infos);
  // Cuts each base to end within the `len` bytes of `text` (which starts on
  // a character boundary at `base`), before its first control byte and, by
  // the script of `script` (offsets relative to `text`), never after the first
  // byte of a double-byte character: the inline part written after the base
  // must not part one. True when any was cut.
  static bool AdjustRubyTarget(long base, SKXRuby* rubys, long n, const char* text, long len,
                               const SKXCutScript& script = SKXCutScript{});
  // Writes "(ruby)" after each base; `text` must have room for the added
  // bytes. The bases are taken as they are: AdjustRubyTarget first.
  static void InsertRubyToText(long base, const SKXRuby* rubys, long n, char* text, long& len);
  // Removes the inline parts of rubies given in plain positions.
  static void DeleteRubyFromText(long base, const SKXRuby* rubys, long n, char* text, long& len);
  // Shifts `count` records of `stride` bytes, each starting with an
  // ascending 32-bit offset, between plain and inline coordinates.
  static void InsertRubyToPos(long base, const SKXRuby* rubys, long n, void* positions, long count, long stride);
  static void DeleteRubyFromPos(long base, const SKXRuby* rubys, long n, void* positions, long count, long stride);
  // Recognises the inline ruby that `infos` describe in `text`. Infos out of
  // order, outside the text, beyond the limits or without their parentheses
  // are skipped. Answers the inline bytes recognised; the rubies (plain
  // positions, if `rubys` is given, room for n) and their number.
  static long FromRubyInfo(const SKXRubyInfo* infos, long n, const char* text, long textLen, SKXRuby* rubys,
                           long* count);
};

// The procedural forms of UKXRuby for plain arrays.
long UKXRuby_FromRubyInfo(const SKXRubyInfo* infos, std::int32_t n, const char* text, long textLen, SKXRuby* rubys,
                          long* count);
void UKXRuby_DeleteRubyFromText(long base, const SKXRuby* rubys, std::int32_t n, char* text, long& length);
void UKXRuby_DeleteRubyFromPos(long base, const SKXRuby* rubys, std::int32_t n, void* positions, long count,
                               long stride);
