// The character store of a styled text and its Unicode side table.
//
// The bytes (in the script encoding of each style run's font) live in a
// list of chunks of at most 16384 bytes, filled to 16320 so that a chunk has
// room for small insertions, and never cut between the two bytes of a
// double-byte character. Characters the script encoding cannot hold are
// stored as the script's placeholder, with their Unicode value in the side
// table under the placeholder's offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/base/array.h"
#include "text/base/points.h"
#include "text/codes/script.h"
#include "text/codes/unichar.h"
#include "text/runs/runs.h"

// Whether the `avail` bytes at `b` (up to 2 are looked at) begin with a
// placeholder of any script: the byte 0xA0, or the pair 0x81FC or 0xA3BF.
bool KxIsPlaceholderAt(const unsigned char* b, long avail);

class CKXStrUCArray : public CKXPointArray {
 public:
  CKXStrUCArray() : CKXPointArray(sizeof(SKXUniChar)) {}

  static void Initialize() {}
  static void Terminate() {}

  virtual void SetTextUniChars(const SKXUniChar* items, long n);
  virtual void GetTextUniChars(SKXUniChar* out, long n) const;
  virtual void GetTextUniChars(long from, SKXUniChar* out, long n) const;
  virtual long GetTextUniCharsCount(long from, long to) const;
  virtual void SetUniCharAt(long index, unsigned long value);
  virtual unsigned long GetUniCharAt(long index) const;
  virtual void InsertUniCharAt(long index, long offset, unsigned long value);
};

// A chunk.
struct SKXStr {
  Handle bytes;
  std::int16_t alloc;  // multiple of 128
  std::int16_t len;    // at most 16384
};

// Insertions and deletions of bytes are all-or-nothing: whatever they need
// (new chunk blocks, a bigger block, room in the chunk list and in the side
// table) is allocated before the first byte moves, so that running out of
// memory leaves the store as it was.
class CKXStrArray : public CKXArrayL, public CKXRunText {
 public:
  static constexpr long kMaxChunk = 16384;
  static constexpr long kFillChunk = 16320;
  static constexpr long kBlockStep = 128;

  CKXStrArray();
  virtual ~CKXStrArray();

  static void Initialize() { CKXStrUCArray::Initialize(); }
  static void Terminate() { CKXStrUCArray::Terminate(); }
  // The placeholder character of a script: 0x81FC for Japanese, 0xA3BF for
  // the Chinese and Korean scripts (2, 3, 25), else the byte 0xA0.
  static unsigned short GetUnicodeChar(short script);
  // The one-byte placeholder, written in every script for values below U+2000.
  static constexpr unsigned short kKxSingleBytePlaceholder = 0xA0;

  void InitStrArray();

  virtual void SetItems(const CKXStrArray* src);
  // Trades contents with `other` (chunks, side table, length), without a
  // copy: a whole document's text changes hands when it is opened. False,
  // and nothing traded, while either is locked.
  bool SwapContents(CKXStrArray& other);
  virtual void GetAt(long index, SKXStr& chunk) const;
  virtual void SetAt(long index, const SKXStr& chunk);
  virtual void DeleteAt(long index);
  virtual void InsertAt(long index, const SKXStr& chunk);
  virtual void DeleteAll();
  virtual void SetText(const char* text, long n, const SKXCutScript& cut = {});
  virtual void GetText(char* buf, long& n) const;
  virtual void GetSelText(long from, long to, char* buf, long& n) const;
  virtual void Insert(long pos, const char* bytes, long n, const SKXCutScript& cut = {});
  virtual void Insert(long pos, const CKXStrArray* src, const SKXCutScript& cut = {});
  virtual void Delete(long from, long to);
  virtual void Copy(long from, long to, CKXStrArray* dest) const;
  virtual long GetNextCR(long pos) const;
  // The last carriage return before pos, or -1.
  long GetPrevCR(long pos) const;

  // Find over the chunks (text/findstore.h): lengths are 32-bit, 0 for no
  // match; styleRuns (or null) gives each position's script, decoRuns (or
  // null) the inline pictures, which nothing matches.
  std::int32_t Find(long pos, const char* pattern, long patLen, long& found, short options, short script,
                    CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr) const;
  std::int32_t FindRegexp(long pos, const char* pattern, long patLen, long& found, short options,
                          short script, CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr) const;
  std::int32_t CheckFind(long from, long to, const char* pattern, long patLen, short options, short script,
                         CKXArrayL* styleRuns, CKXArrayL* decoRuns = nullptr) const;
  long CheckReplaceRE(long from, long to, const char* pattern, long patLen, short options, const char* repl,
                      long replLen, char**& out, short script, CKXArrayL* styleRuns,
                      CKXArrayL* decoRuns = nullptr, std::vector<SKXUniChar>* sides = nullptr) const;
  unsigned short GetChar(long offset, short script) const override;
  virtual short GetCharByte(long offset, short script) const;
  // The same, with `floor` (at most offset) known to start a character: the
  // scan for the character boundary stops there.
  unsigned short GetChar(long offset, short script, long floor) const;
  short GetCharByte(long offset, short script, long floor) const;

  virtual void NewUniChars();
  virtual void DisposeUniChars();
  virtual long GetUniCharsCount() const;
  virtual void GetUniChars(SKXUniChar* out, long n) const;
  virtual void SetUniChars(const SKXUniChar* items, long n);
  virtual long GetSelUniCharsCount(long from, long to) const;
  virtual long GetSelUniChars(long from, long to, SKXUniChar* out, long max) const;
  virtual void SetSelUniChars(long from, long to, const SKXUniChar* items, long n);
  virtual unsigned long GetUniChar(long offset) const;
  virtual bool IsUniCharExist(long from, long to) const;
  virtual void AdjustUniChars(long from, long to);
  // Makes room for `n` more side entries (creating the table when missing),
  // so that adding them after an edit cannot run out of memory; answers
  // whether the table had to be created.
  bool ReserveUniChars(long n);
  // The side entry at offset when bytes are a placeholder there (the
  // script's own, or the single byte 0xA0); else 0.
  unsigned long GetUniCharIfExists(long offset, const char* bytes, long nbytes, short script) const;

  // The chunk and position of `offset`: the first chunk in which offset <
  // its length; the end of the text maps to the end of the last chunk.
  void GetIndexPos(long offset, long& chunk, long& pos) const;
  // The offsets [from, to) of the chunk GetIndexPos answers for `offset`:
  // the bytes its character reads (GetCharByte, GetChar) look back over.
  void GetChunkSpan(long offset, long& from, long& to) const;
  long GetLength() const { return mLength; }

  // The store's rules as code: every chunk holds 0 to kMaxChunk bytes in a
  // block at least that large, the chunks add up to the length, and side
  // entries sit on distinct rising offsets inside the text. Answers a
  // description of the first broken rule, "" when sound.
  std::string Check() const;
  const CKXStrUCArray* GetUniCharArray() const { return mUniChars; }

 protected:
  void CalcTextSize();
  // Chunk starts, rebuilt from the first changed chunk on demand and only
  // as far as asked: typing near the start of a long text must not add up
  // every chunk behind it.
  void Invalidate(long fromChunk) const;
  void RefreshStarts() const;
  // Valid starts at least up to the chunk holding `offset` (or all of them).
  void RefreshStartsTo(long offset) const;
  // The offset of chunk `index` (1-based, up to mCount + 1 for the end).
  long ChunkStart(long index) const;
  // Adds an empty chunk (one 128-byte block) at `index`.
  void NewChunkAt(long index);
  // Bytes to insert: `n` bytes that start `base` bytes into the insertion.
  struct SPiece {
    const char* bytes;
    long n;
    long base;
  };
  // Inserts the pieces one after another at the advancing position `pos`,
  // with `nUni` side entries (offsets relative to `pos`) for the new bytes.
  void InsertPieces(long pos, const SPiece* pieces, long count, const SKXCutScript& cut,
                    const SKXUniChar* uni, long nUni);
  // The overflow case: chunk `chunk` (the insertion at its position `at`)
  // becomes as many chunks as the insertion needs.
  void SplitInsert(long chunk, long at, const SPiece* pieces, long count, const SKXCutScript& cut);
  static void InsertTextStr(SKXStr& s, long at, const char* bytes, long n);
  // Moves the bytes after `to` down to `from`; the block keeps its size.
  static void DeleteTextStr(SKXStr& s, long from, long to);
  // Shrinks the block to the next multiple of 128 above its length when
  // more than 128 bytes are spare.
  static void FitBlock(SKXStr& s);
  // A deletion in two phases. The plan works out, without changing
  // anything, which chunks keep what and which two meet and are joined; the
  // apply step first makes room for the join (the only allocation), then
  // changes the chunks, so that running out of memory leaves them as they
  // were.
  struct SDeletePlan {
    long from = 0, to = 0;
    long ci = 0, pi = 0, cj = 0, pj = 0;  // chunk and position of from and to
    bool whole = false;                   // the whole text goes
    bool firstStays = false, lastStays = false;
    long k = 0, next = 0;                 // the chunks that meet: k before, next after
    bool join = false;                    // they fit in one and are joined
    long joinedLen = 0;
  };
  SDeletePlan PlanDelete(long from, long to) const;
  void ApplyDelete(const SDeletePlan& plan);
  // Bytes of chunk `index`, unlocked: valid until the next allocation.
  const unsigned char* ChunkBytes(long index, long& len) const;

  CKXStrUCArray* mUniChars = nullptr;
  long mLength = 0;
  mutable std::vector<long> mStarts;
  mutable long mValidStarts = 0;
  // The chunk GetIndexPos last answered: the layout reads on byte by byte.
  mutable long mLastChunk = 0;
};
