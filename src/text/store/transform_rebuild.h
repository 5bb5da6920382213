// Rebuilding a styled text in one pass. The source is read once (bytes and
// every run list); the caller walks it from the start and says, piece by
// piece, which source bytes are kept and which are replaced, removed or
// preceded by new bytes. The new text's runs follow from that:
// - kept bytes keep their style, decoration and side entry;
// - new bytes take the style and decoration of the first source byte they
//   replace, or of the byte they are put before (the last byte at the end),
//   never a picture ID; side entries of replaced bytes are dropped;
// - each paragraph takes the paragraph style of the source paragraph its
//   first byte comes from, so a broken paragraph keeps its style on every
//   part and joined paragraphs take the style of the first;
// - a ruby keeps covering the characters of its base, with what was put
//   between them, cut to 127 bytes at a character boundary.
#pragma once

#include <cstdint>
#include <vector>

#include "text/runs/runs.h"

class CKXText;
namespace UKXText {
struct KXTextPieces;
}

class CKXTextRebuild {
 public:
  explicit CKXTextRebuild(const CKXText& src);

  long Length() const { return static_cast<long>(mBytes.size()); }
  const unsigned char* Bytes() const { return mBytes.data(); }
  // The script of the source byte at `pos`; positions asked should mostly
  // increase (the lookup starts from the last run found).
  short ScriptAt(long pos) {
    return pos >= mScriptFrom && pos < mScriptTo ? mScript : LookUpScript(pos);
  }
  const SStyl& StylAt(long pos);
  // Whether the source byte at `pos` is an inline picture, or carries a
  // Unicode side entry.
  bool IsPicture(long pos) const { return !mPictures.empty() && FindPicture(pos); }
  bool HasSideEntry(long pos) const { return !mUni.empty() && FindSideEntry(pos); }

  // Gives the side entry of the source byte at `pos`, not yet kept, another
  // value; the byte itself is kept as it is.
  void SetSideEntry(long pos, std::uint32_t value);
  // Keeps the source bytes from where the last piece ended to `to`.
  void Keep(long to) {
    if (to > mDone) KeepMore(to);
  }
  // Replaces the source bytes from where the last piece ended to `to` (none:
  // an insertion there) by `n` new bytes.
  void Put(long to, const char* bytes, long n);
  // Each piece put from now on is also noted in `pieces` (null: none).
  void RecordPieces(UKXText::KXTextPieces* pieces) { mPieces = pieces; }
  // Room for a new text of about n bytes.
  void Reserve(long n) { mOut.reserve(size_t(n)); }
  // Keeps the rest and puts the new version into `text` (the source) when
  // anything changed; answers whether it did.
  bool Apply(CKXText& text);

 private:
  void KeepMore(long to);
  short LookUpScript(long pos);
  bool FindPicture(long pos) const;
  bool FindSideEntry(long pos) const;
  void PushRuns(long src, long out, long n, bool kept);
  // Source offset up to which pieces change no run, ruby or side entry.
  void UpdateQuiet();
  bool Quiet(long to, const char* bytes, long n) const;
  void MapRubys(long a, long b, long out, long n, bool kept);
  void CloseRuby(long end);

  std::vector<unsigned char> mBytes;
  std::vector<SKXStyl> mStyls;
  std::vector<short> mScripts;  // of each style run
  std::vector<SKXDeco> mDecos;
  std::vector<SKXPara> mParas;
  std::vector<SKXUniChar> mUni;
  std::vector<SKXRuby> mRubys;
  std::vector<long> mPictures;  // offsets of picture bytes

  long mDone = 0;  // source bytes before this are dealt with
  bool mChanged = false;
  long mScriptRun = 0, mScriptFrom = 0, mScriptTo = 0;
  short mScript = 0;
  long mQuietEnd = 0;
  // The source runs whose elements end the new style and decoration lists
  // (-1: none; decorations of new bytes count as -2 - index).
  long mPushedStyl = -1, mPushedDeco = -1;
  long mStylRun = 0, mDecoRun = 0, mParaRun = 0, mUniNext = 0, mRubyNext = 0;
  bool mRubyOpen = false;
  long mRubyStart = 0;
  bool mParaPending = true;  // the next byte put out starts a paragraph

  std::vector<char> mOut;
  UKXText::KXTextPieces* mPieces = nullptr;
  std::vector<SKXStyl> mOutStyls;
  std::vector<SKXDeco> mOutDecos;
  std::vector<SKXPara> mOutParas;
  std::vector<SKXUniChar> mOutUni;
  std::vector<SKXRuby> mOutRubys;
};
