// Detection and conversion of the Japanese plain-text encodings.
//
// Text is stored in Shift_JIS; plain text arrives as Shift_JIS, JIS
// (ISO-2022-JP, with MIME encoded words in mail text), EUC-JP, UTF-8 or
// UTF-16. Detection counts byte patterns that only one encoding allows and
// stops early; the converters between the Japanese encodings are
// arithmetic on the JIS rows, with one table for CP932's IBM extension
// codes, which lie past them. Every converter writes into the object's byte
// array.
#pragma once

#include <vector>

#include "platform/types.h"
#include "text/base/array.h"

// Code type numbers of plain text.
constexpr short kKxCodeAuto = -1;
constexpr short kKxCodeSJIS = 0;
constexpr short kKxCodeJIS = 1;
constexpr short kKxCodeEUC = 2;
constexpr short kKxCodeUTF16 = 3;
constexpr short kKxCodeUTF8 = 4;
constexpr short kKxCodeAozora = 10;

// The Shift_JIS placeholder for a character the encoding cannot hold.
constexpr unsigned short kKxSJISPlaceholder = 0x81FC;

class CKXJCode {
 public:
  // The open dialog's forced choice (-1 automatic).
  static short sCodeType;
  // Unicode services are available: UTF-16 and UTF-8 detection.
  static unsigned char sUseUNICODE;
  // Automatic Japanese code conversion: JIS and EUC-JP detection.
  static unsigned char sUseCVKANJI;
  // The detectors pass over runs of ASCII in steps; off, they go byte by
  // byte, which the tests hold the steps to.
  static inline bool sSkipAscii = true;

  CKXJCode();
  virtual ~CKXJCode();
  CKXJCode(const CKXJCode&) = delete;
  CKXJCode& operator=(const CKXJCode&) = delete;

  // Detection. A null buffer or a length below 1 is empty text.
  static short AutoCheck(const unsigned char* p, long n);
  static Boolean CheckJIS(const unsigned char* p, long n);
  static Boolean CheckEUC(const unsigned char* p, long n);
  static Boolean CheckUTF8(const unsigned char* p, long n);
  // Length 1-4 of the well-formed UTF-8 sequence at p, 0 when p starts none
  // (overlong forms, encoded surrogates and values above U+10FFFF are not
  // well-formed).
  static long IsUTF8Char(const unsigned char* p, long left);
  // The length 2-4 of the sequence lead byte c begins, 0 for a byte that
  // leads none.
  static long UTF8LeadLength(unsigned char c);
  // The bytes of p[0, n) that read as no character in `code` (UTF-8 or
  // EUC-JP; 0 for the others): what a read replaces or passes on as it is.
  static long CountUndecodable(short code, const unsigned char* p, long n);
  static Boolean CheckUNICODEWin(const unsigned char* p, long n);
  static void InvertWORDHiLo(unsigned char* p, long n);

  // Converters: each replaces the output (the Unicode ones append).
  Boolean SJIStoJIS(const unsigned char* p, long n);
  Boolean JIStoSJIS(const unsigned char* p, long n);
  Boolean SJIStoEUC(const unsigned char* p, long n);
  Boolean EUCtoSJIS(const unsigned char* p, long n);
  Boolean UNICODEtoUTF8(const unsigned char* p, long n);
  Boolean UTF8toUNICODE(const unsigned char* p, long n, unsigned char withMark);
  // The same reading straight into UTF-16 units in the host's order, with
  // no mark added (a mark in the bytes stays a unit). `out` holds n units,
  // the most n bytes can give; answers how many were written.
  static long UTF8toUnits(const unsigned char* p, long n, char16_t* out);

  // MIME encoded-word bodies; dst needs room for n bytes.
  static long DecodeBASE64(const unsigned char* src, long n, unsigned char* dst);
  static long DecodeQuoted(const unsigned char* src, long n, unsigned char* dst);

  // The output: locked on the first call and kept locked until the next
  // conversion or the end of the object.
  unsigned char* GetTextPtr();
  long GetTextSize() const { return mText.GetCount(); }
  const TKXArray<unsigned char>& GetText() const { return mText; }

  // JIS X 0212 characters (EUC-JP 0x8F row cell) have no Shift_JIS code,
  // except those CP932 holds as IBM extensions (written as those codes):
  // EUCtoSJIS writes the placeholder and, when a hook is set, tells it the
  // placeholder's output offset and the two bytes, so that the caller can
  // keep the character in a side entry (the Unicode bridge).
  using JIS0212Hook = void (*)(void* context, long offset, unsigned char row, unsigned char cell);
  void SetJIS0212Hook(JIS0212Hook hook, void* context) {
    mJIS0212Hook = hook;
    mJIS0212Context = context;
  }

 private:
  class Writer;
  void ReleaseTextPtr();

  TKXArray<unsigned char> mText;
  bool mTextLocked = false;
  JIS0212Hook mJIS0212Hook = nullptr;
  void* mJIS0212Context = nullptr;
};

// The length of the longest start of p[0, n) that ends between two
// characters whatever follows: up to and with its last byte below 0x40,
// which is neither half of a pair. 0 when there is no such byte. Cutting
// Shift_JIS text there lets it be converted piece by piece (to EUC-JP or
// Unicode) with the same result as whole.
long KxSJISCharBoundary(const unsigned char* p, long n);

// Shift_JIS to EUC-JP as CKXJCode::SJIStoEUC converts it, into `buffer`,
// which is grown as needed and never shrunk (one buffer serves every piece
// of a file); answers the number of bytes written from buffer.data() on.
long KxSJISToEUC(const unsigned char* p, long n, std::vector<unsigned char>& buffer);

// One Shift_JIS pair to its JIS row and cell bytes, in place.
void sjis_to_jis(unsigned short& s1, unsigned short& s2);
