// Flavor exchange: a range of styled text in and out of any data tube.
// Copy, cut and drag write through SendFlavorTo; paste, drop and opening a
// plain-text file read through ReceiveDataFrom. The tube's kind decides
// what is written and which flavors are preferred.
//
// The exchange works over an editing layer (the text engine derives from
// one): it sends from the layer's text, or from a text given instead, and
// it receives either into a caller's text (appended, with the content mask
// of what came) or over a range of the layer's own text.
//
// What travels: "TEXT" is the range's byte text with its ruby inline; the
// run flavors of text_flavors.h refer to it. Clipboard and drag transfers
// add "utxt" (UTF-16 in host order, no byte-order mark) and "GIDR".
// Pictures travel as "PICT" flavors numbered by sequence on the clipboard,
// in files and in drags (a drag may end in another copy of the program), as
// picture-table IDs only in descriptors. With the RTF
// converter installed, clipboard and drag transfers also carry "RTF " for
// other programs, and RTF from them is read before their plain text.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/data_tube.h"
#include "layout/kxtext_api.h"
#include "platform/types.h"
#include "text/base/range.h"
#include "text/runs/runs.h"

class CKXText;
class CKXTextFlavorWriter;
class CKXTextLayer;

constexpr OSType kKxFlavorUtxt = FourCC("utxt");
constexpr OSType kKxFlavorRTF = FourCC("RTF ");
constexpr OSType kKxFlavorJPEG = FourCC("JPEG");
constexpr OSType kKxFlavorHFS = FourCC("hfs ");

// A picture that came alone (a "PICT" or "JPEG" flavor, or a dropped
// picture file) and could not be made into a picture of the text: the
// toolbox's code for image data that does not decode. A paste or drop of
// it is refused with this error rather than taken for nothing.
constexpr OSErr kKxErrPictureUnreadable = -8969;

// Content masks of a read into a caller's text.
constexpr short kKxMaskText = 1;
constexpr short kKxMaskStyl = 2;
constexpr short kKxMaskDeco = 4;
constexpr short kKxMaskPara = 8;

class CKXFlavorExchange : public CKXFlavorSender {
 public:
  // `layer` may be null for an exchange that only sends from `source`.
  explicit CKXFlavorExchange(CKXTextLayer* layer, CKXText* source = nullptr);

  // The plain-text encoding of file tubes (kKxCodeSJIS ... kKxCodeUTF8).
  void SetTextEncoding(short code) { mEncoding = code; }
  short GetTextEncoding() const { return mEncoding; }
  // How a Unicode file spells itself: UTF-16 big-endian rather than
  // little-endian, with or without a byte-order mark (UTF-8: with one).
  // Reading a file records it; writing spells the file so.
  struct SUnicodeForm {
    bool bigEndian = false;
    bool mark = true;   // UTF-16 by default has one, UTF-8 none
  };
  void SetUnicodeForm(const SUnicodeForm& form) { mForm = form; mFormSet = true; }
  // What the last file read said; the default spelling when none was read.
  SUnicodeForm GetUnicodeForm() const { return mForm; }
  bool HasUnicodeForm() const { return mFormSet; }
  // The file holds the text alone, with no record of its runs beside it:
  // in Shift_JIS, ISO-2022-JP and EUC-JP, runs in a script other than
  // Japanese are then written as their characters (what the encoding lacks
  // as its placeholder), not as their own bytes, which only the runs could
  // read back. Off, the bytes go as the text holds them.
  void SetTextAlone(bool alone) { mTextAlone = alone; }
  // The script of the style that text without style runs of its own (from
  // another program) takes where it lands; its Unicode is spelt in that
  // script. Unset (-1), the layer's current style says, or else Japanese.
  void SetLandingScript(short script) { mLandingScript = script; }
  // The characters of such runs the last file write could only spell as
  // placeholders.
  long GetUnwritten() const { return mUnwritten; }
  // The line-end type of plain text in files: the layer's when there is
  // one.
  short GetLineEndType() const;
  void SetLineEndType(short type);

  void AddFlavorTypesTo(const SKXRange& range, CKXDataTube& tube) override;
  // True for the types it knows, even when it wrote nothing.
  bool SendFlavorTo(OSType type, const SKXRange& range, CKXDataTube& tube) override;
  // The first flavor the exchange can read, "null" when none. Run flavors
  // give way to another program's "utxt" beside them: its text is read, and
  // runs that do not fit are dropped.
  OSType PickFlavorFrom(CKXDataTube& tube);
  // With a text, the data are appended to it and the content mask stored
  // through `mask`; without one the layer's text changes: the range is
  // replaced, or for a file tube over the whole text the whole text is set.
  // From a clipboard or drag tube, a picture that could not be read with
  // nothing else coming throws kKxErrPictureUnreadable.
  void ReceiveDataFrom(const SKXRange& range, CKXDataTube& tube, KXTextHandle text, short* mask);

  // The plain-text paths of a file tube when no buffer for the whole text
  // can be had: they fail cleanly (memFullErr) and leave the file as it
  // was, since a file written or read in pieces could not be kept whole.
  void EmergencyWriteText(CKXDataTube& tube, const SKXRange& range);
  void EmergencyReadText(CKXDataTube& tube, const SKXRange& range);

 private:
  CKXText& Source() const;
  SKXRange Crop(const SKXRange& range) const;
  bool UnicodeFile(CKXDataTube& tube, short kind) const;

  void SendText(const SKXRange& range, CKXDataTube& tube, short kind);
  // The text to a file tube that takes it piece by piece, when it needs
  // no respelling, ruby or line-end growth; false when it goes whole.
  bool StreamText(const CKXTextFlavorWriter& writer, const SKXRange& range, CKXDataTube& tube);
  void SendRuns(OSType type, const SKXRange& range, CKXDataTube& tube, short kind);
  void SendDecos(const SKXRange& range, CKXDataTube& tube, short kind);
  void SendUnicode(const SKXRange& range, CKXDataTube& tube);
  void SendRTF(const SKXRange& range, CKXDataTube& tube, short kind);
  void SendJPEG(const SKXRange& range, CKXDataTube& tube, short kind);

  void ReceiveInto(const SKXRange& range, CKXDataTube& tube, KXTextHandle text, short* mask, int depth);
  // Another program's styled text as RTF, through the installed converter;
  // false when nothing came of it (the other flavors are read instead).
  bool ReceiveRTF(const SKXRange& range, CKXDataTube& tube, short kind, KXTextHandle text, short* mask);
  // A plain-text file's Shift_JIS bytes read as Aozora notation.
  void ReceiveAozora(const SKXRange& range, const std::vector<std::uint8_t>& data, KXTextHandle text, short* mask);
  // Inserts `source` (owned by the caller) as the received data.
  void Deliver(const SKXRange& range, short kind, CKXText& received, KXTextHandle text, short* mask,
               short gotMask);
  // Registers `picture` (a new handle, owned from here on) and inserts it
  // as its one placeholder byte; a null picture, or one the table has no
  // ID for, inserts nothing and is noted as refused.
  void InsertPicture(const SKXRange& range, short kind, PicHandle picture, KXTextHandle text, short* mask);
  // "PICT" record bytes or "JPEG" data that came alone, made into a
  // picture as Insert JPEG Picture makes one and inserted.
  void ReceivePicture(const SKXRange& range, short kind, OSType type, std::vector<std::uint8_t> data,
                      KXTextHandle text, short* mask);

  CKXTextLayer* mLayer;
  CKXText* mSource;
  short mEncoding = 0;
  short mLineEndType = 0;
  SUnicodeForm mForm;
  bool mFormSet = false;
  bool mTextAlone = false;
  long mUnwritten = 0;
  short mLandingScript = -1;
  bool mPictureRefused = false;   // the current read met a picture it could not take
};

// The reader of plain-text files opened as Aozora notation: replaces
// `text` with the Shift_JIS bytes made into styled text (ruby, emphasis,
// indents, breaks) in `style`; false when no note was converted. The
// formats area installs it; without one such a file reads as plain text.
using KxAozoraReader = bool (*)(CKXText& text, const char* bytes, long length, const SStyl& style);
void KxSetAozoraReader(KxAozoraReader reader);

// The layer's scrap hooks over the clipboard, for the text engine's
// TextPutScrap and TextGetScrap: every flavor of a whole text goes on the
// clipboard; a read appends what the clipboard holds to `text` and
// answers its content mask (0 with nothing readable). `landingScript`: the
// script of the style the text takes where it goes (-1: Japanese). A paste
// throws kKxErrPictureUnreadable for a picture it cannot read, so that it
// is told and changes nothing; a read for showing the clipboard shows
// nothing then.
void KxPutTextOnClipboard(KXTextHandle text);
void KxGetTextFromClipboard(KXTextHandle text, short& kind, short landingScript = -1);
void KxPasteTextFromClipboard(KXTextHandle text, short& kind, short landingScript);
