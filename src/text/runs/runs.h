// The run records of a styled text and the three arrays that hold them:
// character styles, decorations (which also own the ruby and the inline
// pictures of their runs) and paragraph styles.
//
// The records travel unchanged through copy and paste, undo, the run flavors
// and the document files, so their field order and widths are fixed. In
// memory they are plain structs; across a boundary they are read and written
// field by field in an explicit byte order (the Kx...Flat functions). Every
// filler byte and unused tab slot is kept zero, because equal neighbouring
// runs are found by comparing elements byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "text/runs/pictures.h"
#include "text/base/posarray.h"
#include "text/codes/script.h"
#include "text/codes/unicode_types.h"
#include "text/runs/ruby.h"

// --- records -------------------------------------------------------------------------

struct SStyl {
  std::int16_t height;  // line height in pixels; 0 = not yet measured
  std::int16_t ascent;
  std::int16_t font;
  std::uint8_t face;    // kFaceBold ... kFaceExtend (platform/types.h)
  std::uint8_t filler;  // always 0
  std::int16_t size;
  RGBColor color;
};
static_assert(sizeof(SStyl) == 16);
static_assert(offsetof(SStyl, font) == 4 && offsetof(SStyl, face) == 6 && offsetof(SStyl, size) == 8 &&
              offsetof(SStyl, color) == 10);

struct SKXStyl {
  std::int32_t offset;
  SStyl styl;
};
static_assert(sizeof(SKXStyl) == 20 && offsetof(SKXStyl, styl) == 4);

struct SDeco {
  // Bits 0-2 interline kind, 3-5 underline, 6-8 centre line, 9-11 upper
  // line (0 none, 1 solid, 2 double, 3 thick, 4 dotted, 5 emphasis dots),
  // 12-15 line colour index.
  std::uint16_t lineBits;
  std::uint8_t net;    // low nibble net style, high nibble net colour index
  std::uint8_t flags;  // low 3 bits vertical position; 0x08 horizontal group in vertical text
  std::int16_t pictID;  // 0 = no picture
};
static_assert(sizeof(SDeco) == 6);

// In memory the run is padded to 12 bytes (the pad is always 0); the flat
// form is 10 bytes.
struct SKXDeco {
  std::int32_t offset;
  SDeco deco;
  std::int16_t pad;
};
static_assert(sizeof(SKXDeco) == 12 && offsetof(SKXDeco, deco) == 4);

constexpr int kKxMaxTabs = 16;

struct SParaStyl {
  std::int16_t firstIndent;
  std::int16_t leftIndent;
  std::int16_t rightIndent;
  std::int16_t lineSpace;
  std::int16_t charSpace;
  std::uint8_t justify;   // 0 left, 1 centre, 2 right, 3 justified
  std::uint8_t tabCount;  // at most 16
  std::uint32_t tabKinds;  // 2 bits per tab: tab n in bits 2n-2, 2n-1
  std::int16_t tabPos[kKxMaxTabs];  // ascending; 0 beyond tabCount
  std::uint32_t tabLeaders;  // 2 bits per tab
  std::uint8_t reserved[28];
};
static_assert(sizeof(SParaStyl) == 80);
static_assert(offsetof(SParaStyl, justify) == 10 && offsetof(SParaStyl, tabKinds) == 12 &&
              offsetof(SParaStyl, tabPos) == 16 && offsetof(SParaStyl, tabLeaders) == 48 &&
              offsetof(SParaStyl, reserved) == 52);

struct SKXPara {
  std::int32_t offset;
  SParaStyl para;
};
static_assert(sizeof(SKXPara) == 84 && offsetof(SKXPara, para) == 4);

// --- flat forms ------------------------------------------------------------------------

constexpr long kKxStylRunFlatSize = 20;
constexpr long kKxDecoRunFlatSize = 10;
constexpr long kKxParaRunFlatSize = 84;
// Elements alone (as they sit 4 bytes into a flat run).
constexpr long kKxStylFlatSize = 16;
constexpr long kKxDecoFlatSize = 6;
constexpr long kKxParaFlatSize = 80;

void KxGetStylFlat(const unsigned char* p, SStyl& s, bool bigEndian);
void KxPutStylFlat(unsigned char* p, const SStyl& s, bool bigEndian);
void KxGetDecoFlat(const unsigned char* p, SDeco& d, bool bigEndian);
void KxPutDecoFlat(unsigned char* p, const SDeco& d, bool bigEndian);
void KxGetParaFlat(const unsigned char* p, SParaStyl& s, bool bigEndian);
void KxPutParaFlat(unsigned char* p, const SParaStyl& s, bool bigEndian);
void KxGetStylRunFlat(const unsigned char* p, SKXStyl& r, bool bigEndian);
void KxPutStylRunFlat(unsigned char* p, const SKXStyl& r, bool bigEndian);
void KxGetDecoRunFlat(const unsigned char* p, SKXDeco& r, bool bigEndian);
void KxPutDecoRunFlat(unsigned char* p, const SKXDeco& r, bool bigEndian);
void KxGetParaRunFlat(const unsigned char* p, SKXPara& r, bool bigEndian);
void KxPutParaRunFlat(unsigned char* p, const SKXPara& r, bool bigEndian);

// --- checks of incoming runs -------------------------------------------------------------

// Zeroes filler, pad and reserved bytes; clamps the tab count to 16 and
// zeroes tab slots, kinds and leaders beyond it.
void KxNormalizeStyl(SStyl& s);
void KxNormalizeDeco(SKXDeco& d);
void KxNormalizePara(SParaStyl& p);
// Clean a run list from outside for a text (or range) of `textLen` bytes:
// the first run is put at 0, runs out of order, repeated or at or beyond the
// end are dropped, elements are normalised and equal neighbours merged.
// Answer the number of runs kept (at the front); at least 1 when n > 0.
long KxCheckStylRuns(SKXStyl* runs, long n, long textLen);
long KxCheckParaRuns(SKXPara* runs, long n, long textLen);
// The characters that runs describe, as the checks read them; the
// character store answers it.
class CKXRunText {
 public:
  virtual ~CKXRunText() = default;
  // The character at offset (lead byte * 256 + trail for two bytes).
  virtual unsigned short GetChar(long offset, short script) const = 0;
};
// As above; and with `text` (the bytes the runs describe) a picture ID is
// kept only on a run that is exactly one 0xCA byte.
long KxCheckDecoRuns(SKXDeco* runs, long n, long textLen, const CKXRunText* text);

// The script runs of style runs (KxFontToScriptType of each run's font).
std::vector<SKXScriptRun> KxScriptRunsOf(const SKXStyl* styls, long stylCount);

// --- style runs ---------------------------------------------------------------------------

// Attribute type codes.
constexpr short kKXStylTypeFont = 1;
constexpr short kKXStylTypeFace = 2;
constexpr short kKXStylTypeSize = 4;
constexpr short kKXStylTypeColor = 8;
constexpr short kKXStylTypeHeight = 16;
constexpr short kKXStylTypeAscent = 32;
constexpr short kKXStylTypeFaceOn = 18;

class CKXStylArray : public CKXPosArray {
 public:
  CKXStylArray();

  static void Initialize() {}
  static void Terminate() {}

  // One run at 0: font (kKxApplicationFont or kKxSystemFont stand for the
  // current application or system font), size and face, black, measured.
  void InitStylArray(short font, short size, unsigned char face);
  // Height = ascent + descent + leading and ascent of the style's font.
  static void SetHeightAscent(SStyl& s);
  // Changes one attribute of `s` from `src` by type code.
  static void SetStylType(SStyl& s, short code, const SStyl& src);
  // The script of the run containing `offset`.
  short GetScriptAt(long offset) const;

  virtual void GetTextStyls(SKXStyl* out, long n) const;
  virtual void GetTextStyls(long from, SKXStyl* out, long n) const;
  virtual void SetTextStyls(const SKXStyl* runs, long n);
  virtual void GetStylAt(long index, SStyl& s) const;
  virtual void SetStylAt(long index, const SStyl& s);
  virtual void InsertStylAt(long index, long offset, const SStyl& s);
  virtual void InsertStylAt(long index, long offset, const SStyl& s, long len, long limit);
  virtual long Find(long, SStyl&, long&, short) { return 0; }

  void SetItems(const void* items, long n) override;
  using CKXPosArray::SetItems;
  void Insert(long pos, const void* items, long n, long len) override;
  using CKXPosArray::Insert;
  void Delete(long from, long to, long textLen) override;
};

// Chunk cuts inside inserted bytes judged by the fonts of their style runs;
// the runs' offsets are relative to the inserted bytes and must outlive the
// returned value's use.
class CKXStylCutScript {
 public:
  CKXStylCutScript(const SKXStyl* runs, long n) : mRuns(runs), mCount(n) {}
  SKXCutScript Get() const { return SKXCutScript{1, &At, this}; }

 private:
  static short At(const void* self, long offset);
  const SKXStyl* mRuns;
  long mCount;
};

// --- decoration runs -----------------------------------------------------------------------

constexpr short kKXDecoTypeInterLine = 0;
constexpr short kKXDecoTypeUnderLine = 1;
constexpr short kKXDecoTypeCenterLine = 2;
constexpr short kKXDecoTypeUpperLine = 4;
constexpr short kKXDecoTypeLineColor = 8;
constexpr short kKXDecoTypeNetStyle = 16;
constexpr short kKXDecoTypeNetColor = 32;
constexpr short kKXDecoTypeStyle = 64;
constexpr short kKXDecoTypePicture = 128;
constexpr short kKXDecoTypeSet = 256;  // added to 1, 2, 4 and 64

class CKXDecoArray : public CKXPosArray {
 public:
  CKXDecoArray();
  ~CKXDecoArray() override;

  // Create and destroy the process-wide picture table.
  static void Initialize();
  static void Terminate();

  void InitDecoArray(unsigned short lineBits, unsigned char net, unsigned char flags);
  static void SetDecoType(SDeco& d, short code, const SDeco& src);

  virtual void GetTextDecos(SKXDeco* out, long n) const;
  virtual void GetTextDecos(long from, SKXDeco* out, long n) const;
  virtual void SetTextDecos(const SKXDeco* runs, long n);
  virtual void GetDecoAt(long index, SDeco& d) const;
  virtual void SetDecoAt(long index, const SDeco& d);
  virtual void InsertDecoAt(long index, long offset, const SDeco& d);
  virtual void InsertDecoAt(long index, long offset, const SDeco& d, long len, long limit);
  virtual long Find(long, SDeco&, long&, short) { return 0; }
  // The picture of run `index` and its frame size.
  virtual PicHandle GetPictureAt(long index, short& width, short& height) const;

  // Ruby.
  virtual void NewRubys();
  virtual void DisposeRubys();
  virtual void InsertRubys(long pos, long len);
  virtual void InsertRubys(long pos, const CKXPosArray* src, long len);
  virtual void DeleteRubys(long from, long to, long textLen);
  virtual void CopyRubys(long from, long to, CKXPosArray* dest) const;
  virtual void SetRubys(const SKXRuby* items, long n);
  virtual long GetRubys(SKXRuby* out, long max) const;
  virtual long GetRubysCount() const;
  virtual bool GetRubyAt(long index, SKXRuby& ruby) const;
  virtual bool IsRubyExist(long from, long to) const;
  virtual void SetRuby(long from, long to, const unsigned char* text, long len);
  virtual bool GetRuby(long& from, long& to, unsigned char* text, long& len) const;
  virtual long GetSelRubysCount(long from, long to) const;
  virtual long GetSelRubysFirstNumber(long from, long to) const;
  virtual long GetSelRubys(long from, long to, SKXRuby* out, long max) const;
  virtual void SetSelRubys(long from, long to, const SKXRuby* items, long n, long textLen);
  virtual long GetSelRubysInfo(long from, long to, SKXRubyInfo* out, long max) const;
  virtual long GetSelRubysInsertSize(long from, long to) const;
  virtual void GetSelRubysInsertText(long from, long to, char* buf, long& len) const;
  virtual void GetSelRubysInsertPos(long from, long to, void* positions, long n, long stride) const;
  const CKXRubyArray* GetRubyArray() const { return mRubys; }

  // Pictures, through the process-wide table.
  static short SetPicture(PicHandle pict);
  static PicHandle GetPicture(short id, short& width, short& height);
  static short DuplicatePicture(short id);
  // The frame size, swapped for vertical writing.
  static PicHandle GetPictureSize(short id, short& a, short& b, bool swap);

  // While set, runs refer to pictures owned elsewhere: nothing is released
  // or duplicated.
  void SetReferToPicture(unsigned char on) { mReferToPicture = on; }
  unsigned char GetReferToPicture() const { return mReferToPicture; }

  void SetItems(const void* items, long n) override;
  void SetItems(const CKXPosArray* other) override;
  // A split never shares a picture: it stays with the run's first byte.
  void DivideAt(long index, long offset) override;
  void DeleteAll() override;
  void Copy(long from, long to, CKXPosArray* dest) const override;
  void Paste(long from, long to, const CKXPosArray* src, long textLen) override;
  void Paste(long from, long to, const void* items, long n, long textLen) override;
  void Insert(long pos, const CKXPosArray* src, long len) override;
  void Insert(long pos, const void* items, long n, long len) override;
  void Delete(long from, long to, long textLen) override;
  void NewElementsAt(long index, long n) override;
  // Releases the pictures of the runs that go (unless they are referred to).
  void FreeElementsAt(long index, long n) override;

 private:
  void ReleasePicture(short id) const;

  CKXRubyArray* mRubys = nullptr;
  unsigned char mCopyingElements = 0;
  unsigned char mReferToPicture = 0;
};

// --- paragraph runs ---------------------------------------------------------------------------

constexpr short kKXParaTypeIndent = 1;
constexpr short kKXParaTypeLineSpace = 2;
constexpr short kKXParaTypeCharSpace = 4;
constexpr short kKXParaTypeJustify = 8;
constexpr short kKXParaTypeTabs = 16;
constexpr short kKXParaTypeTabInsert = 32;
constexpr short kKXParaTypeTabDelete = 64;

class CKXParaArray : public CKXPosArray {
 public:
  CKXParaArray();

  static void Initialize() {}
  static void Terminate() {}

  void InitParaArray() { DeleteAll(); }
  static bool IsSamePara(const SParaStyl& a, const SParaStyl& b);
  static void SetParaType(SParaStyl& p, short mask, const SParaStyl& src);
  // The 2-bit kind of tab n (1-based).
  static long GetParaTabType(long kinds, short n);
  static void SetParaTabType(long& kinds, short n, long kind);

  virtual void GetTextParas(SKXPara* out, long n) const;
  virtual void GetTextParas(long from, SKXPara* out, long n) const;
  virtual void SetTextParas(const SKXPara* runs, long n);
  virtual void GetParaAt(long index, SParaStyl& p) const;
  virtual void SetParaAt(long index, const SParaStyl& p);
  virtual void InsertParaAt(long index, long offset, const SParaStyl& p);
  virtual void InsertParaAt(long index, long offset, const SParaStyl& p, long len, long limit);
  // Removes the paragraph runs over from..to whole.
  virtual void DeletePart(long from, long to);

  bool IsSameAt(long i, long j) const override;
  void SetItems(const void* items, long n) override;
  using CKXPosArray::SetItems;
  void Copy(long from, long to, CKXPosArray* dest) const override;
  void Insert(long pos, const CKXPosArray* src, long len) override;
  void Insert(long pos, const void* items, long n, long len) override;
  void Delete(long from, long to, long textLen) override;
};

// Registers the start-up and shut-down of the run arrays and the store.
void KxTextRunsFacilities();
