// The private run flavors: a range of styled text leaves the program as its
// byte text plus one flavor per run array, and comes back the same way.
//
//   "styl"  style runs:       16-bit count, runs of 20 bytes
//   "styw"  decoration runs:  16-bit count, runs of 10 bytes
//   "styx"  paragraph runs:   16-bit count, runs of 84 bytes
//   "styu"  side entries:     32-bit count, entries of 8 bytes
//   "styy"  ruby infos:       32-bit count, infos of 6 bytes
//   "usro"  the sender's path: 1028 bytes, the length least significant first
//
// Every record is written and read field by field, big-endian (the flat
// forms of text/runs/runs.h, text/runs/ruby.h and text/store/strarray.h).
// Run offsets refer to the transfer's byte text, in which every ruby of the
// range stands inline, "(ruby)" right after its base; "styy" says where.
// "GIDR" travels as the Unicode bridge makes it (CKXUnicode, which checks
// it when it is read); marks travel in no flavor.
//
// A writer makes the flavors of one range; a reader takes the flavors of
// one transfer, checks each against its real size and the text it comes
// with, and inserts the text with all its runs at an offset. Neither knows
// any tube: a tube moves the bytes as they are.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "text/store/text.h"

using KxFlavorBytes = std::vector<unsigned char>;

constexpr OSType kKxFlavorText = FourCC("TEXT");
constexpr OSType kKxFlavorStyl = FourCC("styl");
constexpr OSType kKxFlavorDeco = FourCC("styw");
constexpr OSType kKxFlavorPara = FourCC("styx");
constexpr OSType kKxFlavorUniChars = FourCC("styu");
constexpr OSType kKxFlavorRubyInfo = FourCC("styy");
constexpr OSType kKxFlavorLaunchInfo = FourCC("usro");
constexpr OSType kKxFlavorGlyphs = FourCC("GIDR");
constexpr OSType kKxFlavorPict = FourCC("PICT");

// The count of "styl", "styw" and "styx" is a signed 16-bit field: a range
// with more runs than this leaves that flavor out rather than wrap.
constexpr long kKxFlavorMaxRuns16 = 32767;
// "usro": a fixed block, a 4-byte length and at most 1024 bytes of path.
constexpr long kKxLaunchInfoSize = 1028;
constexpr long kKxLaunchInfoMaxPath = 1024;

enum class EKXFlavorMake {
  kMade,     // the flavor was made
  kNothing,  // the range has nothing for it (an empty range, no such runs)
  kTooMany,  // more runs than a 16-bit count holds: the flavor is left out
};

enum class EKXFlavorRead {
  kRead,     // the layout is sound and holds records
  kEmpty,    // sound, with a count of 0
  kBroken,   // the count does not fit the data (or is negative): refused
  kUnknown,  // not a flavor of this file
};

// How decoration runs name their pictures. Transfers that carry the
// pictures themselves (clipboard, files) number them by sequence, from 1,
// in the order of the "PICT" flavors; transfers inside the program (drags,
// descriptors) keep the picture table's IDs.
enum class EKXPictureRefs { kSequence, kTableID };

// The layout rules of the private flavors, for the tubes and the reader.
class CKXTextFlavorData {
 public:
  static bool IsRunFlavor(OSType type);
  // Checks a private flavor's count against its real size, in 64-bit
  // arithmetic; answers the count through `count` when sound. Bytes after
  // the last record are ignored.
  static EKXFlavorRead CheckFlavorData(OSType type, const unsigned char* data, long size, long* count = nullptr);
  // "usro" for the given path (UTF-8); false (nothing made) for an empty
  // path or one longer than 1024 bytes.
  static bool MakeLaunchInfo(const std::string& path, KxFlavorBytes& out);
  // The path of a received "usro"; false when its length does not fit.
  static bool ReadLaunchInfo(const unsigned char* data, long size, std::string& path);
};

// Makes the flavors of one range of a text. The text must outlive the
// writer and stay unchanged while it is used.
class CKXTextFlavorWriter {
 public:
  // The range is ordered and clamped to the text.
  CKXTextFlavorWriter(const CKXText& text, long from, long to);

  long GetFrom() const { return mFrom; }
  long GetTo() const { return mTo; }
  bool HasRuby() const { return !mRubys.empty(); }
  // The range is one picture byte whose run carries a picture of the table.
  bool IsLonePicture() const;

  // The transfer's byte text: the range with its ruby inline. Every run
  // offset of the other flavors refers to it.
  void MakeText(KxFlavorBytes& out) const;
  // "styl", "styx", "styu", "styy", or "styw" with the table's picture IDs.
  EKXFlavorMake MakeFlavor(OSType type, KxFlavorBytes& out) const;
  EKXFlavorMake MakeStyl(KxFlavorBytes& out) const;
  EKXFlavorMake MakePara(KxFlavorBytes& out) const;
  EKXFlavorMake MakeUniChars(KxFlavorBytes& out) const;
  EKXFlavorMake MakeRubyInfo(KxFlavorBytes& out) const;
  // Decoration runs. With kSequence the bytes of each picture are appended
  // to `pictures` (one "PICT" flavor each) and the run names its sequence
  // number; a run whose picture the table no longer has names 0, so that
  // the numbers of the others stay right.
  EKXFlavorMake MakeDeco(KxFlavorBytes& out, EKXPictureRefs refs, std::vector<KxFlavorBytes>* pictures) const;

 private:
  // Offsets relative to the range start, moved past the inline ruby.
  template <typename Run>
  void ToTransfer(std::vector<Run>& runs) const;

  const CKXText& mText;
  long mFrom = 0;
  long mTo = 0;
  // The range's rubies (positions relative to mFrom), their bases cut to
  // the range and before control bytes, exactly as the inline text holds
  // them.
  std::vector<SKXRuby> mRubys;
};

// Answers a new picture handle (owned by the caller) for a decoration run's
// reference, or null when there is none.
using KxPictureFetch = std::function<PicHandle(long ref)>;
// References are table IDs: a copy of that picture of the table.
KxPictureFetch KxPicturesFromTable();
// References are sequence numbers from 1 into `pictures` (which must
// outlive the fetch): a copy of those bytes, or null for a record whose
// header or frame KxPictFrameSize refuses. A document's own pictures pass
// with `stored`, unchecked: refused there, a picture the drawing cannot
// show would be gone from the file at the next save.
KxPictureFetch KxPicturesFromList(const std::vector<KxFlavorBytes>& pictures, bool stored = false);

// Gathers the flavors of one received transfer, then inserts its text with
// every run that came. Nothing outside is trusted: counts are checked when
// a flavor is read, offsets, tab counts, side entries, ruby infos and
// pictures when the text is inserted, and what does not fit is dropped.
class CKXTextFlavorReader {
 public:
  // The transfer's byte text (with inline ruby, as the sender wrote it).
  void SetText(const unsigned char* bytes, long n);
  // The same, taking the bytes over (left empty) instead of copying them.
  void SetText(KxFlavorBytes&& bytes);
  // The byte text as set (with its inline ruby): what InsertInto inserts
  // when no ruby infos came.
  const KxFlavorBytes& GetText() const { return mBytes; }
  // Takes one of "styl", "styw", "styx", "styu", "styy"; a broken flavor
  // leaves what the reader had of that type untouched.
  EKXFlavorRead ReadFlavor(OSType type, const unsigned char* data, long size);
  // Where decoration runs get their pictures; without a fetch every picture
  // reference is dropped.
  void SetPictureFetch(KxPictureFetch fetch) { mFetch = std::move(fetch); }

  // Inserts the text at `pos` (clamped) with its runs and ruby; answers the
  // number of bytes inserted (the text without its inline ruby).
  long InsertInto(CKXText& text, long pos) const;
  // The bytes are a whole file's text (no insertion into another text):
  // they are kept to the last byte.
  void SetWholeText(bool whole) { mWholeText = whole; }

  bool HasStyls() const { return !mStyls.empty(); }
  bool HasDecos() const { return !mDecos.empty(); }
  bool HasParas() const { return !mParas.empty(); }
  bool HasUniChars() const { return !mUniChars.empty(); }
  bool HasRubyInfo() const { return !mRubyInfos.empty(); }

 private:
  KxFlavorBytes mBytes;
  std::vector<SKXStyl> mStyls;
  std::vector<SKXDeco> mDecos;
  std::vector<SKXPara> mParas;
  std::vector<SKXUniChar> mUniChars;
  std::vector<SKXRubyInfo> mRubyInfos;
  KxPictureFetch mFetch;
  bool mWholeText = false;
};
