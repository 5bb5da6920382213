#include "document/doc_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "document/text_doc_hdft.h"
#include "engine/flavor_exchange.h"
#include "engine/text_flavors.h"
#include "engine/text_layer.h"
#include "layout/text_form.h"
#include "text/codes/jcode.h"
#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/runs/runs.h"
#include "text/store/converters.h"

namespace {

constexpr OSType kRunFlavors[] = {kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars, kKxFlavorRubyInfo};

bool IsTextFileType(OSType type);

// The flavor that holds the text: the data file of the classic layout
// (RTF there is the converter's), "TEXT" 1 of the container. A picture
// file's data file is its picture: the text goes beside it.
OSType TextFlavor(const CKXTextFileTube& tube) {
  const OSType type = tube.GetFileType();
  if (tube.ResourceExists() || (!IsTextFileType(type) && type != FourCC("RTF "))) return kKxFlavorText;
  return type;
}

bool IsPictureFileType(OSType type) { return type == FourCC("JPEG") || type == FourCC("PICT"); }

// The file types whose data file is text.
bool IsTextFileType(OSType type) {
  return type == FourCC("TEXT") || type == FourCC("ttro") || type == FourCC("sEXT") || type == FourCC(".KXT");
}

std::string LeafName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A picture file is a document holding its one picture. A picture that
// does not decode is refused: an empty document would say the file was.
int ReadPictureFile(const std::string& path, CKXTextFileTube& tube, SKXDocument& doc, std::string& message) {
  KxFlavorBytes pict;
  if (doc.type == FourCC("JPEG")) {
    std::vector<std::uint8_t> jpeg;
    tube.GetFlavorData(doc.type, jpeg);
    pict = CKXTextFileTube::GetPictureFromJPEG(jpeg.data(), long(jpeg.size()));
  } else if (tube.PictureExists()) {
    tube.GetFlavorData(kKxFlavorPict, pict);
  }
  // Size field and frame at the least, and a frame a picture can have.
  const std::vector<KxFlavorBytes> list{pict};
  PicHandle handle = pict.size() < 10 ? nullptr : KxPicturesFromList(list)(1);
  if (!handle) {
    message = "\u300C" + LeafName(path) + "\u300Dは読み込めるピクチャではありません。";
    return EILSEQ;
  }
  const short id = CKXDecoArray::SetPicture(handle);
  if (id <= 0) {
    // No ID free: the handle stays ours.
    KxMemHFree(handle);
    message = "\u300C" + LeafName(path) + "\u300Dは大きすぎて表示できません。";
    return ENOMEM;
  }
  const char placeholder = char(kKxPictureByte);
  SKXDeco deco{};
  deco.deco.pictID = id;
  doc.text = std::make_unique<CKXText>();
  doc.text->InsertText(0, &placeholder, 1, nullptr, 0, &deco, 1, nullptr, 0, nullptr, 0);
  return 0;
}

// The least paper side and text-area extent an RTF file may set (an inch,
// half an inch): anything smaller is no page to lay a text out on.
constexpr std::int32_t kLeastPaper = 72, kLeastTextArea = 36;

std::int16_t Short(long v) { return std::int16_t(std::clamp<long>(v, INT16_MIN, INT16_MAX)); }

// The page of a stored record; `turned` when it is in vertical writing's
// frame (the printed paper turned a quarter turn clockwise).
SKXDocPage PageOfPref(const SDocPref& p, bool turned) {
  SKXDocPage page;
  const long height = p.paperV, width = p.paperH;
  const Rect stored{p.textArea.top, p.textArea.left, Short(height - p.textArea.bottom),
                    Short(width - p.textArea.right)};
  page.paperHeight = std::int32_t(turned ? width : height);
  page.paperWidth = std::int32_t(turned ? height : width);
  page.margins = turned ? Rect{stored.left, stored.bottom, stored.right, stored.top} : stored;
  page.columns = p.columns;
  page.gap = p.gap;
  page.header = KxBandFromBlock(p.header);
  page.footer = KxBandFromBlock(p.footer);
  page.headerText = p.headerText.substr(0, 255);
  page.footerText = p.footerText.substr(0, 255);
  return page;
}

void PutBand(const SKXBandSettings& band, const std::string& text, std::int16_t& distance, unsigned char* out,
             SStyl& style, std::uint8_t& justify) {
  const std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = std::uint8_t(n);
  std::memcpy(out + 1, text.data(), n);
  distance = band.bandHeight;
  style = band.style;
  justify = band.alignment;
}

// The converter's page record of a page.
RTFKXDoc RecordOf(const SKXDocPage& page) {
  RTFKXDoc d;
  d.paperHeight = page.paperHeight;
  d.paperWidth = page.paperWidth;
  d.textTop = page.margins.top;
  d.textLeft = page.margins.left;
  d.textBottom = page.paperHeight - page.margins.bottom;
  d.textRight = page.paperWidth - page.margins.right;
  d.columns = page.columns;
  d.columnGap = page.gap;
  PutBand(page.header, page.headerText, d.headerDistance, d.headerText, d.headerStyl, d.headerJustify);
  PutBand(page.footer, page.footerText, d.footerDistance, d.footerText, d.footerStyl, d.footerJustify);
  return d;
}

// A band as an RTF file gave it: its last line ends dropped (RTF ends
// every paragraph with one), justified text aligned left (a band has no
// justification), no negative size or distance.
void TakeBand(const unsigned char* text, const SStyl& style, std::uint8_t justify, std::int16_t distance,
              SKXBandSettings& band, std::string& out) {
  out.assign(reinterpret_cast<const char*>(text + 1), text[0]);
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
  band = SKXBandSettings{};
  band.style = style;
  band.style.height = band.style.ascent = 0;
  band.style.filler = 0;
  band.style.size = std::max<std::int16_t>(style.size, 0);
  band.alignment = justify == 1 || justify == 2 ? justify : std::uint8_t(0);
  band.bandHeight = std::max<std::int16_t>(distance, 0);
}

// The page an RTF file's record describes, checked: a paper side outside
// the program's papers, or a text area that leaves no room to write, is
// the fallback's (its margins held inside the paper); columns that do not
// fit are one.
SKXDocPage PageOfRecord(const RTFKXDoc& d, const SKXDocPage& fallback) {
  SKXDocPage page = fallback;
  auto side = [](std::int32_t v, std::int32_t otherwise) {
    return v >= kLeastPaper && v <= kKxPaperMax ? v : otherwise;
  };
  page.paperWidth = side(d.paperWidth, fallback.paperWidth);
  page.paperHeight = side(d.paperHeight, fallback.paperHeight);
  const long w = page.paperWidth, h = page.paperHeight;
  long top = fallback.margins.top, left = fallback.margins.left, bottom = fallback.margins.bottom,
       right = fallback.margins.right;
  if (d.textLeft >= 0 && d.textTop >= 0 && d.textRight <= w && d.textBottom <= h &&
      long(d.textRight) - d.textLeft >= kLeastTextArea && long(d.textBottom) - d.textTop >= kLeastTextArea) {
    top = d.textTop, left = d.textLeft, bottom = h - d.textBottom, right = w - d.textRight;
  }
  KxClampMarginPair(h, top, bottom);
  KxClampMarginPair(w, left, right);
  page.margins = Rect{Short(top), Short(left), Short(bottom), Short(right)};
  page.columns = std::int16_t(std::clamp<long>(d.columns, 1, kKxMaxColumns));
  const long text = w - left - right;
  page.gap = std::int16_t(std::clamp<long>(d.columnGap, 0, text));
  if (page.columns > 1 && (text - (page.columns - 1) * long(page.gap)) / page.columns < 1) page.columns = 1;
  TakeBand(d.headerText, d.headerStyl, d.headerJustify, d.headerDistance, page.header, page.headerText);
  TakeBand(d.footerText, d.footerStyl, d.footerJustify, d.footerDistance, page.footer, page.footerText);
  return page;
}

// RTF through the installed converter, with its styles.
int ReadRTFFile(const std::string& path, CKXTextFileTube& tube, SKXDocument& doc, std::string& message) {
  KxTextConverter* rtf = KxConverterForFlavor(FourCC("RTF "));
  if (!rtf) {
    message = "\u300C" + LeafName(path) + "\u300Dは RTF ですが、このプログラムでは RTF を読み込めません。";
    return ENOTSUP;
  }
  std::vector<std::uint8_t> bytes;
  tube.GetFlavorData(doc.type, bytes);
  doc.text = std::make_unique<CKXText>();
  short flags = 0;
  // What the file does not say stays as a new document has it.
  const SKXDocPage fallback = PageOfPref(doc.settings.pref, false);
  RTFKXDoc record = RecordOf(fallback);
  if (!rtf->Import(bytes.data(), long(bytes.size()), *doc.text, &flags, &record)) {
    doc.text = std::make_unique<CKXText>();
    message = "\u300C" + LeafName(path) + "\u300Dを RTF として読み込めませんでした。";
    return EILSEQ;
  }
  doc.page = PageOfRecord(record, fallback);
  doc.hasPage = true;
  doc.cut = (flags & kKxImportCut) != 0;
  if (doc.cut) doc.notice = "\u300C" + LeafName(path) + "\u300Dは途中で終わっています。読み込めたところまでのテキストを表示します。";
  return 0;
}

// The settings moved onto the characters of the text read. Settings with
// every offset at the start need no bytes; others get a copy of the text.
void AdjustToText(SKXDocument& doc) {
  const long length = doc.text->GetLength();
  const SKXDocSettings& s = doc.settings;
  if (s.marks.empty() && s.window.selStart == 0 && s.window.selEnd == 0 && s.window.topLeft == 0) {
    AdjustDocPref(doc.settings, nullptr, length, KxDocumentScript(doc));
    return;
  }
  std::vector<std::uint8_t> plain(std::size_t(length) + 1, 0);
  doc.text->GetText(reinterpret_cast<char*>(plain.data()), length, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  AdjustDocPref(doc.settings, plain.data(), length, KxDocumentScript(doc));
}

// A plain text straight from the file into the store, piece by piece, so
// that the whole file is never held beside the text: the same text as the
// flavor reader makes of it (a plain text keeps every byte). Pieces end
// just after a byte below 0x40, which is neither half of a double-byte
// character, so that every piece starts a character.
int ReadPlainText(const std::string& path, const CKXTextFileTube& tube, SKXDocument& doc, std::string& message) {
  constexpr std::size_t kPiece = std::size_t(1) << 20;
  const std::size_t size = tube.DeferredDataFileSize();
  std::vector<std::uint8_t> buffer(std::min(size, kPiece) + 1);
  doc.text = std::make_unique<CKXText>();
  CKXText& text = *doc.text;
  std::size_t at = 0, held = 0;
  bool end = false;
  while (!end) {
    std::size_t got = 0;
    const std::size_t want = std::min(kPiece, size - std::min(size, at));
    // Room for what is read, no more: a short file fills no megabyte.
    if (buffer.size() < held + want) buffer.resize(held + want);
    if (int err = tube.ReadDataFileAt(at, buffer.data() + held, want, got)) {
      doc.text = std::make_unique<CKXText>();
      message = "\u300C" + LeafName(path) + "\u300Dを読み込めませんでした (" + KxErrorText(err) + ")。";
      return err;
    }
    at += got;
    const std::size_t kept = held;   // bytes held back: none of them below 0x40
    held += got;
    end = got < kPiece || at >= size;
    std::size_t cut = held;
    if (!end) {
      // Only the new bytes are looked at, so that a text with nowhere to
      // cut is scanned once, not once per piece.
      while (cut > kept && buffer[cut - 1] >= 0x40) --cut;
      if (cut == kept) cut = 0;
    }
    if (cut > 0) {
      text.InsertText(text.GetLength(), reinterpret_cast<const char*>(buffer.data()), long(cut), nullptr, 0,
                      nullptr, 0, nullptr, 0, nullptr, 0);
      std::memmove(buffer.data(), buffer.data() + cut, held - cut);
      held -= cut;
    }
  }
  AdjustToText(doc);
  return 0;
}

// A styled text spelt in another encoding or with other line ends, back
// to the script's own bytes with CR: false when it does not come back to
// the length its styles were counted in (another program changed it).
bool ReadTextSpelling(const SKXTextSpelling& spelling, const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& out) {
  if (spelling.encoding == kKxCodeJIS || spelling.encoding == kKxCodeEUC) {
    CKXJCode conv;
    const bool changed = spelling.encoding == kKxCodeJIS ? conv.JIStoSJIS(bytes.data(), long(bytes.size()))
                                                     : conv.EUCtoSJIS(bytes.data(), long(bytes.size()));
    if (changed)
      out.assign(conv.GetTextPtr(), conv.GetTextPtr() + conv.GetTextSize());
    else
      out = bytes;
  } else if (spelling.encoding == kKxCodeSJIS) {
    out = bytes;
  } else {
    return false;  // a Unicode text keeps no styles beside it
  }
  if (spelling.lineEnd != CKXTextLayer::kLineEndCR && !out.empty()) {
    long removed = 0;
    CKXTextLayer::CheckTextType(reinterpret_cast<char*>(out.data()), long(out.size()), removed);
    out.resize(out.size() - std::size_t(removed));
  }
  return out.size() == spelling.length;
}

// Decoration runs that name the table's pictures (a picture the table does
// not have named 0) made to name them as a file does: by number, from 1, in
// the order of the runs, each run a number of its own. `ids` gets the
// table's ID of each number.
void NumberPictures(KxFlavorBytes& decos, std::vector<std::int16_t>& ids) {
  constexpr long kCountSize = 2;
  long count = 0;
  if (CKXTextFlavorData::CheckFlavorData(kKxFlavorDeco, decos.data(), long(decos.size()), &count) !=
      EKXFlavorRead::kRead)
    return;
  for (long k = 0; k < count; ++k) {
    unsigned char* at = decos.data() + kCountSize + k * kKxDecoRunFlatSize;
    SKXDeco run{};
    KxGetDecoRunFlat(at, run, true);
    if (run.deco.pictID == 0) continue;
    ids.push_back(run.deco.pictID);
    run.deco.pictID = std::int16_t(ids.size());
    KxPutDecoRunFlat(at, run, true);
  }
}

// The runs, pictures and settings of [from, to) of `text`, beside the text
// put into `tube` already. Each picture goes to the tube from the picture
// table itself: gathered into copies first, every picture of the document
// was held twice at a save.
int PutRuns(CKXTextFileTube& tube, const CKXText& text, long from, long to, const SKXDocSettings& settings,
            std::string& message) {
  const CKXTextFlavorWriter writer(text, from, to);
  KxFlavorBytes bytes;
  std::vector<std::int16_t> pictures;
  for (OSType type : kRunFlavors) {
    const EKXFlavorMake made = writer.MakeFlavor(type, bytes);
    if (made == EKXFlavorMake::kTooMany) {
      message = "書類の書式の区切りが、ファイルに入る数 (32767) を超えています。";
      return EOVERFLOW;
    }
    if (made != EKXFlavorMake::kMade) continue;
    if (type == kKxFlavorDeco) NumberPictures(bytes, pictures);
    tube.PutFlavor(type, bytes.data(), long(bytes.size()));
  }
  for (std::int16_t id : pictures) {
    short width = 0, height = 0;
    const PicHandle pict = CKXDecoArray::GetPicture(id, width, height);
    tube.PutFlavor(kKxFlavorPict, pict ? *pict : nullptr, pict ? KxMemHSize(pict) : 0);
  }
  const std::string err = WriteDocPref(tube, settings);
  if (!err.empty()) {
    message = err;
    return EOVERFLOW;
  }
  return 0;
}

}  // namespace

int KxExportRTF(const CKXText& text, const SKXDocPage* page, std::vector<std::uint8_t>& out, std::string& message) {
  out.clear();
  KxTextConverter* rtf = KxConverterForFlavor(FourCC("RTF "));
  std::string bytes;
  RTFKXDoc record;
  if (page) {
    record = RecordOf(*page);
    text.GetParaStylDefault(record.defaultPara);
  }
  if (!rtf || !rtf->Export(text, 0, text.GetLength(), 0, page ? &record : nullptr, bytes)) {
    message = rtf ? "テキストを RTF で書き込めませんでした。" : "このプログラムでは RTF を書き込めません。";
    return ENOTSUP;
  }
  out.assign(bytes.begin(), bytes.end());
  return 0;
}

SKXDocPage KxDocPageOf(const SKXDocSettings& settings) {
  return PageOfPref(settings.pref, settings.pref.vertical != 0);
}

void KxSetDocPage(SKXDocSettings& settings, const SKXDocPage& page) {
  SDocPref& p = settings.pref;
  const bool turned = p.vertical != 0;
  // The printer's hard margins stay what they were, held inside the new
  // paper.
  long hardTop = p.printArea.top, hardLeft = p.printArea.left;
  long hardBottom = Short(long(p.paperV) - p.printArea.bottom), hardRight = Short(long(p.paperH) - p.printArea.right);
  const long v = std::clamp<long>(page.paperHeight, 1, kKxPaperMax);
  const long h = std::clamp<long>(page.paperWidth, 1, kKxPaperMax);
  const long height = turned ? h : v, width = turned ? v : h;
  KxClampMarginPair(height, hardTop, hardBottom);
  KxClampMarginPair(width, hardLeft, hardRight);
  // Vertical writing stores the printed page turned a quarter turn
  // clockwise: its top is the printed right edge.
  const Rect& m = page.margins;
  long top = turned ? m.right : m.top, left = turned ? m.top : m.left, bottom = turned ? m.left : m.bottom,
       right = turned ? m.bottom : m.right;
  KxClampMarginPair(height, top, bottom);
  KxClampMarginPair(width, left, right);
  p.paperV = Short(height);
  p.paperH = Short(width);
  p.textArea = Rect{Short(top), Short(left), Short(height - bottom), Short(width - right)};
  p.printArea = Rect{Short(hardTop), Short(hardLeft), Short(height - hardBottom), Short(width - hardRight)};
  p.columns = std::int16_t(std::clamp<long>(page.columns, 1, kKxMaxColumns));
  p.gap = std::max<std::int16_t>(page.gap, 0);
  // A band's distance is held to the room between the printed margin at
  // its edge and the hard margins.
  const Rect hard{Short(hardTop), Short(hardLeft), Short(hardBottom), Short(hardRight)};
  const long printedTop = turned ? left : top, printedBottom = turned ? right : bottom;
  auto band = [&hard](const SKXBandSettings& b, const std::string& text, long margin, SKXHdFtBlock& block,
                      std::string& out) {
    if (text.empty()) return;
    SKXBandSettings held = b;
    held.bandHeight = std::int16_t(KxLimitBandDistance(b.bandHeight, KxBandRoom(std::int32_t(margin), hard)));
    out = text.substr(0, kKxBandTextMax);
    block = KxBandToBlock(held, out.size());
  };
  band(page.header, page.headerText, printedTop, p.header, p.headerText);
  band(page.footer, page.footerText, printedBottom, p.footer, p.footerText);
  settings.hasPref = true;
}

bool KxRTFLosesPage(const SKXDocPage& page) {
  // RTF gives lengths in twips, and its writers and readers hold them in
  // 16 bits: beyond 1638 pt the writer clamps them.
  constexpr std::int64_t kMost = INT16_MAX / 20, kLeast = INT16_MIN / 20;
  auto over = [](std::int64_t pt) { return pt > kMost || pt < kLeast; };
  const Rect& m = page.margins;
  return over(page.paperWidth) || over(page.paperHeight) || over(m.top) || over(m.left) || over(m.bottom) ||
         over(m.right) || (page.columns > 1 && over(page.gap));
}

bool KxRTFLosesFromText(const CKXText& text) {
  if (text.GetRubysCount() > 0) return true;
  // The words the writer has: underlines 1 (word), 2 (double) and 4
  // (dotted), strike-throughs 1 and 2, positions 1, 2, 5 and 6.
  constexpr std::uint16_t kInterline = 0x0007, kUpper = 0x0E00, kColour = 0xF000;
  const long decos = text.GetDecoCount();
  if (decos > 0) {
    std::vector<SKXDeco> runs(std::size_t(decos), SKXDeco{});
    const long got = text.GetDecos(runs.data(), decos);
    for (long i = 0; i < got; ++i) {
      const SDeco& d = runs[std::size_t(i)].deco;
      const int under = d.lineBits >> 3 & 7, centre = d.lineBits >> 6 & 7, position = d.flags & 7;
      if (d.pictID != 0 || (d.lineBits & (kInterline | kUpper)) != 0 || (d.net & 0x0F) != 0) return true;
      if (under == 3 || under > 4 || centre > 2 || (d.flags & 0x08) != 0) return true;
      if (position == 3 || position == 4 || position == 7) return true;
      if ((d.lineBits & kColour) != 0 && (under != 0 || centre != 0)) return true;
    }
  }
  const long paras = text.GetParaCount();
  if (paras > 0) {
    std::vector<SKXPara> runs(std::size_t(paras), SKXPara{});
    const long got = text.GetParas(runs.data(), paras);
    for (long i = 0; i < got; ++i)
      if (runs[std::size_t(i)].para.charSpace != 0) return true;
  }
  return false;
}

bool KxReadsAsPlainText(const std::string& path) {
  CKXTextFileTube tube;
  std::string message;
  if (tube.OpenRead(path, message, true) != 0) return false;
  if (tube.ResourceExists() || !IsTextFileType(tube.GetFileType())) return false;
  // A sidecar that does not fit its text is left out: plain text again.
  return tube.ListStored().empty() || !tube.Notice().empty();
}

bool KxIsForeignDocument(OSType type) { return !IsTextFileType(type); }

short KxDocumentScript(const SKXDocument& doc) {
  return doc.text->GetLength() > 0 ? doc.text->GetScriptType(0) : short(1);
}

int KxReadDocument(const std::string& path, SKXDocument& doc, std::string& message, bool plainText) {
  CKXTextFileTube tube;
  if (int err = tube.OpenRead(path, message, true)) return err;
  doc.type = doc.fileType = tube.GetFileType();
  doc.creator = tube.GetCreator();
  doc.layout = tube.ResourceExists() ? EKXLayout::kContainer : EKXLayout::kClassic;
  // A container holds our text whatever its name says.
  if (tube.ResourceExists() && KxIsForeignDocument(doc.type)) doc.type = FourCC("TEXT");
  doc.notice = tube.Notice();
  // A stale or damaged sidecar still says the document was more than text.
  doc.plain = !tube.ResourceExists() && tube.ListStored().empty() && tube.Notice().empty();
  // Only a plain text is read in pieces (below, or by the caller); anything
  // else is read whole now, so that a failed read is reported, never taken
  // for an empty file.
  if (!(doc.plain && IsTextFileType(doc.type)))
    if (int err = tube.ReadDeferred(message)) return err;
  if (!tube.ResourceExists() && !IsTextFileType(doc.type)) {
    // Not text: read whole through its converter, or refused. It holds
    // no settings of ours: a new document's.
    doc.plain = false;
    doc.settings = KxNewDocumentSettings();
    int err = ENOTSUP;
    if (IsPictureFileType(doc.type))
      err = ReadPictureFile(path, tube, doc, message);
    else if (doc.type == FourCC("RTF "))
      err = ReadRTFFile(path, tube, doc, message);
    else
      message = "\u300C" + LeafName(path) + "\u300Dはこのプログラムで開ける書類ではありません。";
    if (err == 0) doc.type = FourCC("TEXT");
    return err;
  }
  doc.stale = !doc.plain && !tube.Notice().empty();
  // Settings before the text, applied after it.
  ReadDocPref(tube, doc.settings, KxNewDocumentSettings());
  if ((doc.plain || doc.stale) && !plainText) return 0;
  if (doc.plain && tube.IsDataFileDeferred()) return ReadPlainText(path, tube, doc, message);

  // The text's bytes move from the file to the reader uncopied.
  std::vector<std::uint8_t> bytes;
  tube.TakeFlavorData(TextFlavor(tube), bytes);
  bool runs = true;
  if (tube.GetTextSpelling(doc.spelling)) {
    std::vector<std::uint8_t> text;
    if (ReadTextSpelling(doc.spelling, bytes, text)) {
      bytes.swap(text);
    } else {
      // The styles would land on the wrong characters: the text alone.
      runs = false;
      doc.stale = true;
      doc.spelling = SKXTextSpelling{};
      doc.settings = KxNewDocumentSettings();
      doc.notice = "\u300C" + LeafName(path) + "\u300Dはほかのプログラムで変更されています。プレーンテキストとして読み込みます。";
      if (!plainText) return 0;
    }
  }
  CKXTextFlavorReader reader;
  reader.SetText(std::move(bytes));
  reader.SetWholeText(true);
  for (OSType type : kRunFlavors) {
    if (!runs || !tube.FlavorExists(type) || !tube.GetFlavorData(type, bytes)) continue;
    reader.ReadFlavor(type, bytes.data(), long(bytes.size()));
  }
  std::vector<KxFlavorBytes> pictures;
  // Every picture the decorations may name, in order; a run naming one
  // that is not there loses its picture.
  // The pictures end at the first number that is not there.
  while (runs && tube.PictureExists() && pictures.size() < 0x7FFF) {
    KxFlavorBytes pict;
    if (!tube.GetFlavorData(kKxFlavorPict, pict)) break;
    pictures.push_back(std::move(pict));
  }
  reader.SetPictureFetch(KxPicturesFromList(pictures, true));
  doc.text = std::make_unique<CKXText>();
  reader.InsertInto(*doc.text, 0);

  // Without inline ruby the reader's bytes are the text as inserted: no
  // copy of it is needed to check the settings' offsets.
  const long length = doc.text->GetLength();
  if (!reader.HasRubyInfo() && long(reader.GetText().size()) == length)
    AdjustDocPref(doc.settings, reader.GetText().data(), length, KxDocumentScript(doc));
  else
    AdjustToText(doc);
  return 0;
}

int KxWriteDocument(const std::string& path, const SKXDocument& doc, EKXLayout layout, std::string& message,
                    int backupGenerations, CKXSafeBatch* batch) {
  CKXTextFileTube tube;
  if (int err = tube.OpenWrite(path, doc.type, doc.creator, layout, message)) return err;
  const CKXText& text = *doc.text;
  CKXTextFlavorWriter writer(text, 0, text.GetLength());
  KxFlavorBytes bytes;
  const long from = writer.GetFrom(), to = writer.GetTo();
  const SKXTextSpelling& spelt = doc.spelling;
  if (tube.GetFileType() == FourCC("RTF ") && !tube.ResourceExists()) {
    // An RTF file holds RTF, never the bare text; its page is the one it
    // was read with, or the settings'.
    const SKXDocPage page = doc.hasPage ? doc.page : KxDocPageOf(doc.settings);
    if (int err = KxExportRTF(text, doc.hasPage || doc.settings.hasPref ? &page : nullptr, bytes, message)) return err;
    tube.PutFlavor(TextFlavor(tube), std::move(bytes));
  } else if (!tube.ResourceExists() && !doc.plain && (spelt.encoding != 0 || spelt.lineEnd != 0)) {
    // A styled text spelt in another encoding or with other line ends
    // stays so, spelt as the exchange spells any text file; the record
    // beside its runs says how, and how long the text the runs count in is
    // (with its ruby inline).
    std::uint64_t length = std::uint64_t(to - from);
    if (writer.HasRuby()) {
      writer.MakeText(bytes);
      length = bytes.size();
    }
    CKXFlavorExchange exchange(nullptr, doc.text.get());
    exchange.SetTextEncoding(short(spelt.encoding));
    exchange.SetLineEndType(spelt.lineEnd);
    exchange.SendFlavorTo(kKxFlavorText, SKXRange{std::int32_t(from), std::int32_t(to - from)}, tube);
    tube.SetTextSpelling(SKXTextSpelling{spelt.encoding, spelt.lineEnd, length});
  } else if (writer.HasRuby() ||
             !tube.PutDataFileFrom(TextFlavor(tube), to - from, [&text, from, to](long at, std::uint8_t* buf, long n) {
               // The text is written from the store itself, piece by piece.
               return text.CopyBytes(from + at, std::min(to, from + at + n), reinterpret_cast<char*>(buf), n);
             })) {
    writer.MakeText(bytes);
    tube.PutFlavor(TextFlavor(tube), std::move(bytes));
  }
  if (doc.plain && layout == EKXLayout::kClassic) {
    DeleteDocPref(tube);
    return tube.Commit(message, backupGenerations, batch);
  }
  if (tube.GetFileType() == FourCC("RTF ")) {
    const std::string err = WriteDocPref(tube, doc.settings);
    if (!err.empty()) {
      message = err;
      return EOVERFLOW;
    }
  } else if (doc.hasPage) {
    // The page read with the document (an RTF file's) is its settings'
    // page, as in a document window.
    SKXDocSettings settings = doc.settings;
    KxSetDocPage(settings, doc.page);
    if (int err = PutRuns(tube, text, from, to, settings, message)) return err;
  } else if (int err = PutRuns(tube, text, from, to, doc.settings, message)) {
    return err;
  }
  return tube.Commit(message, backupGenerations, batch);
}

