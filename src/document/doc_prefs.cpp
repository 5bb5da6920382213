#include "document/doc_prefs.h"

#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/prefs_records.h"
#include "document/file_tube.h"
#include "layout/fontstate.h"
#include "layout/text_edit_ex.h"
#include "platform/bytefields.h"
#include "platform/fonts.h"
#include "text/runs/marks.h"

namespace {

constexpr OSType kRTF = FourCC("RTF ");
// Mark names hold no byte below this one.
constexpr unsigned char kFirstNameByte = 0x20;

bool IsLeadSJIS(std::uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

long Clamp(long v, long length) { return std::clamp(v, 0L, length); }

// A print record the printing system would refuse: a scale outside 25 to
// 400 per cent where the record says it scales.
bool PrintRecordUsable(const std::vector<std::uint8_t>& r) {
  if (r.size() != std::size_t(kKxMTPRSize)) return false;
  const std::uint16_t kind = KxGetU16BE(r.data() + 46);
  const std::int16_t scale = std::int16_t(KxGetU16BE(r.data() + 50));
  return !(kind == 1 && (scale < 25 || scale > 400));
}

// A window record without a font size takes a new document's edit style.
void FillEditStyle(SKXWindowRec& window) {
  if (window.fontSize > 0) return;
  const SKXWindowRec fresh = KxNewDocumentSettings().window;
  window.fontSize = fresh.fontSize;
  window.fontName = fresh.fontName;
  window.spaceWidth = fresh.spaceWidth;
  if (window.tabWidth <= 0) window.tabWidth = fresh.tabWidth;
}

std::int16_t Short(std::int32_t v) { return std::int16_t(std::clamp<std::int32_t>(v, -32768, 32767)); }

// The largest settings the dialogs take: the other-size dialog's size, the
// three-digit tab width and line spacing fields of the preferences, the
// paragraph dialog's character spacing.
constexpr std::int16_t kLargestSize = 5000, kLargestTabWidth = 999, kLargestLineSpacing = 999;
constexpr std::int16_t kLargestCharSpacing = 100;

}  // namespace

SKXPreference KxUsablePreference(const SKXPreference& p) {
  SKXPreference u = p;
  u.size = std::min(p.size, kLargestSize);
  u.tabWidth = std::min(p.tabWidth, kLargestTabWidth);
  u.lineSpacing = std::clamp<std::int16_t>(p.lineSpacing, 0, kLargestLineSpacing);
  u.charSpacing = std::clamp<std::int16_t>(p.charSpacing, 0, kLargestCharSpacing);
  // The interval is the tab width measured in the font; one no stored tab
  // width could give is measured again.
  const std::int16_t size = u.size > 0 ? u.size : kKxDefaultFontSize;
  const std::int32_t widest = KxGetFontWidth(u.font, size, kLargestTabWidth);
  if (u.size != p.size || u.tabWidth != p.tabWidth || p.tabInterval < 0 || p.tabInterval > widest)
    u.tabInterval = Short(std::max(KxGetFontWidth(u.font, size, std::max<std::int16_t>(u.tabWidth, 0)), 0));
  return u;
}

SKXDocSettings KxNewDocumentSettings() {
  SKXPreference p = KxUsablePreference(gPreference);
  if (p.size <= 0) {
    // No preferences read (a tool, a test): the factory ones.
    p = SKXPreference();
    KxDefaultPreference(p, SKXPrefSystem());
  }
  SKXDocSettings d;
  d.window.fontSize = p.size > 0 ? p.size : std::int16_t(12);
  std::string name;
  if (KxFontFamilyName(p.font, name)) d.window.fontName = name.substr(0, 31);
  d.window.spaceWidth = Short(KxFontCharWidth(p.font, d.window.fontSize, 0, ' '));
  d.window.tabWidth = p.tabWidth;
  d.window.autoIndent = p.autoIndent;
  d.window.controlView = p.controlView;
  SDocPref& r = d.pref;
  r.lineSpace = p.lineSpacing;
  r.charSpace = p.charSpacing;
  r.mode = p.lineBreakMode;
  r.justify = p.justification;
  r.wrap = p.wrapAtWidth;
  r.wordWrap = p.wordWrap;
  r.paperView = p.paperView;
  r.guideView = p.guideView;
  r.vertical = p.vertical;
  r.keyScript = p.systemScript;
  // The page: the default paper with the preferences' margins.
  const SKXPageStyl page = KxDefaultPageStyl();
  r.paperV = Short(page.paperHeight);
  r.paperH = Short(page.paperWidth);
  const std::int32_t top = p.marginFirst, left = p.marginSecond;
  const std::int32_t bottom = p.marginBottom ? p.marginBottom : top, right = p.marginRight ? p.marginRight : left;
  if (top >= 0 && left >= 0 && top + bottom < page.paperHeight && left + right < page.paperWidth) {
    r.textArea = Rect{Short(top), Short(left), Short(page.paperHeight - bottom), Short(page.paperWidth - right)};
  } else {
    r.textArea = Rect{Short(page.textArea.top), Short(page.textArea.left), Short(page.textArea.bottom),
                      Short(page.textArea.right)};
  }
  r.printArea = Rect{Short(page.printArea.top), Short(page.printArea.left), Short(page.printArea.bottom),
                     Short(page.printArea.right)};
  r.columns = page.columns;
  r.gap = page.gap;
  return d;
}

void KxSnapToCharStarts(const std::uint8_t* text, long length, short script, std::vector<long*>& offsets) {
  for (long* o : offsets) *o = Clamp(*o, length);
  if (script != 1 || !text) return;  // single-byte scripts: every byte starts a character
  std::vector<long*> sorted(offsets);
  std::sort(sorted.begin(), sorted.end(), [](const long* a, const long* b) { return *a < *b; });
  long at = 0, start = 0;
  for (long* o : sorted) {
    while (at < *o) {
      start = at;
      at += (IsLeadSJIS(text[at]) && at + 1 < length) ? 2 : 1;
    }
    if (at != *o) *o = start;  // inside a double-byte character
  }
}

void DeleteDocPref(CKXTextFileTube& tube) {
  for (const OSType type : {FourCC("styl"), FourCC("styw"), FourCC("styx"), FourCC("styu"), FourCC("styy"), kKxRecMPSR,
                            kKxRecKXSR, kKxRecMTPR, kKxRecMARK, kKxRecLINE, kKxRecRANK, kKxRecFORM}) {
    if (tube.FlavorExists(type)) tube.DeleteFlavorData(type);
  }
}

std::string WriteDocPref(CKXTextFileTube& tube, const SKXDocSettings& doc) {
  if (tube.GetFileType() == kRTF) {
    DeleteDocPref(tube);
    return {};
  }
  std::vector<std::uint8_t> bytes;
  SKXWindowRec window = doc.window;
  FillEditStyle(window);
  KxWriteMPSR(window, kKxNativeOrder, bytes);
  tube.PutFlavor(kKxRecMPSR, bytes.data(), long(bytes.size()));

  std::string err = KxWriteKXSR(doc.pref, kKxNativeOrder, bytes);
  if (!err.empty()) return err;
  tube.PutFlavor(kKxRecKXSR, bytes.data(), long(bytes.size()));

  if (!doc.marks.empty()) {
    if (!(err = KxWriteMARK(doc.marks, kKxNativeOrder, bytes)).empty()) return err;
    tube.PutFlavor(kKxRecMARK, bytes.data(), long(bytes.size()));
  } else {
    tube.DeleteFlavorData(kKxRecMARK);
  }
  if (doc.printRecord.size() == std::size_t(kKxMTPRSize))
    tube.PutFlavor(kKxRecMTPR, doc.printRecord.data(), kKxMTPRSize);
  if (!doc.lineRestarts.empty()) {
    KxWriteLINE(doc.lineRestarts, kKxNativeOrder, bytes);
    tube.PutFlavor(kKxRecLINE, bytes.data(), long(bytes.size()));
  } else {
    tube.DeleteFlavorData(kKxRecLINE);
  }
  // The rank's head keeps the mark list's place, with or without marks.
  if (!doc.marks.empty() || doc.hasRank) {
    // One level per mark, whatever the rank held.
    SKXRankRec rank = doc.rank;
    rank.levels.resize(doc.marks.size(), 0);
    if (!(err = KxWriteRANK(rank, kKxNativeOrder, bytes)).empty()) return err;
    tube.PutFlavor(kKxRecRANK, bytes.data(), long(bytes.size()));
  } else {
    tube.DeleteFlavorData(kKxRecRANK);
  }
  if (doc.usesForm) {
    std::array<std::uint8_t, kKxFORMSize> forms = doc.forms;
    if (kKxNativeOrder != KxByteOrder::kBig) KxConvertFORM(forms.data(), kKxFORMSize);
    tube.PutFlavor(kKxRecFORM, forms.data(), kKxFORMSize);
  } else {
    tube.DeleteFlavorData(kKxRecFORM);
  }
  return {};
}

void ReadDocPref(CKXTextFileTube& tube, SKXDocSettings& doc, const SKXDocSettings& defaults) {
  doc = defaults;
  std::vector<std::uint8_t> bytes;
  if (tube.GetFlavorSize(kKxRecMPSR) == kKxMPSRSize && tube.GetFlavorData(kKxRecMPSR, bytes))
    doc.hasWindow = KxReadMPSR(bytes.data(), long(bytes.size()), kKxNativeOrder, doc.window);
  FillEditStyle(doc.window);
  if (tube.GetFlavorSize(kKxRecKXSR) >= kKxKXSRMinSize && tube.GetFlavorData(kKxRecKXSR, bytes))
    doc.hasPref = KxReadKXSR(bytes.data(), long(bytes.size()), kKxNativeOrder, doc.pref);
  if (tube.GetFlavorSize(kKxRecFORM) == kKxFORMSize && tube.GetFlavorData(kKxRecFORM, bytes) &&
      bytes.size() == std::size_t(kKxFORMSize)) {
    if (kKxNativeOrder != KxByteOrder::kBig) KxConvertFORM(bytes.data(), kKxFORMSize);
    std::copy(bytes.begin(), bytes.end(), doc.forms.begin());
    doc.usesForm = true;
  }
  if (tube.GetFlavorSize(kKxRecMARK) > 0 && tube.GetFlavorData(kKxRecMARK, bytes))
    KxReadMARK(bytes.data(), long(bytes.size()), kKxNativeOrder, doc.marks);
  if (tube.GetFlavorSize(kKxRecRANK) > kKxRankHeadSize - 1 && tube.GetFlavorData(kKxRecRANK, bytes))
    doc.hasRank = KxReadRANK(bytes.data(), long(bytes.size()), kKxNativeOrder, doc.rank);
  if (tube.FlavorExists(kKxRecLINE) && tube.GetFlavorData(kKxRecLINE, bytes))
    KxReadLINE(bytes.data(), long(bytes.size()), kKxNativeOrder, doc.lineRestarts);
  if (tube.GetFlavorSize(kKxRecMTPR) == kKxMTPRSize && tube.GetFlavorData(kKxRecMTPR, bytes)) {
    doc.printRecord = bytes;
    if (!PrintRecordUsable(doc.printRecord)) doc.printRecord.clear();
  }
}

void AdjustDocPref(SKXDocSettings& doc, const std::uint8_t* text, long length, short script) {
  if (length < 0) length = 0;
  // The rank belongs to the marks as they were read.
  if (doc.hasRank && doc.rank.levels.size() != doc.marks.size()) doc.hasRank = false;
  std::vector<long> bounds;
  bounds.reserve(doc.marks.size() * 2 + 3);
  for (const SKXMarkRec& m : doc.marks) {
    bounds.push_back(m.start);
    bounds.push_back(m.end);
  }
  long selStart = long(doc.window.selStart), selEnd = long(doc.window.selEnd), top = long(doc.window.topLeft);
  std::vector<long*> refs;
  for (long& b : bounds) refs.push_back(&b);
  refs.push_back(&selStart);
  refs.push_back(&selEnd);
  refs.push_back(&top);
  // Marks outside the text are dropped before anything is clamped.
  std::vector<bool> keep(doc.marks.size());
  for (std::size_t i = 0; i < doc.marks.size(); ++i)
    keep[i] = doc.marks[i].start >= 0 && doc.marks[i].start <= doc.marks[i].end && doc.marks[i].start <= length;
  KxSnapToCharStarts(text, length, script, refs);
  std::vector<SKXMarkRec> marks;
  std::vector<int> levels;
  long reached = 0, emptyAt = -1;
  for (std::size_t i = 0; i < doc.marks.size(); ++i) {
    const long s = bounds[2 * i], e = bounds[2 * i + 1];
    if (!keep[i] || s < reached) continue;  // outside, or out of order and overlapping
    if (s == e && s == emptyAt) continue;   // a second empty mark where one stands
    SKXMarkRec m = doc.marks[i];
    m.start = std::int32_t(s);
    m.end = std::int32_t(e);
    // A name holds no control byte (the list and the menus show it on one
    // line, and no dialog makes one): a space stands for each. No byte of
    // a double-byte character is one.
    for (char& c : m.name)
      if (static_cast<unsigned char>(c) < kFirstNameByte) c = ' ';
    marks.push_back(std::move(m));
    if (doc.hasRank) levels.push_back(doc.rank.levels[i]);
    reached = e;
    emptyAt = s == e ? s : -1;
  }
  const bool dropped = marks.size() != doc.marks.size();
  doc.marks = std::move(marks);
  if (doc.hasRank) {
    // The levels of the marks that went no longer shape the outline: the
    // rest are levelled again as deleting those marks would leave them.
    if (dropped) CKXMarkArray::ReLevel(levels);
    doc.rank.levels.assign(levels.begin(), levels.end());
  } else {
    // Without a rank of their own every mark is at the first level.
    doc.rank = SKXRankRec();
    doc.rank.levels.assign(doc.marks.size(), 0);
  }
  if (doc.pref.scale == 100) doc.pref.scale = 0;
  if (selStart > selEnd) std::swap(selStart, selEnd);
  doc.window.selStart = std::uint32_t(selStart);
  doc.window.selEnd = std::uint32_t(selEnd);
  doc.window.topLeft = std::uint32_t(top);
}

SKXHdFtBlock KxBandToBlock(const SKXBandSettings& band, std::size_t textLength) {
  SKXHdFtBlock b;
  b.word0 = band.bandHeight;
  b.textLength = std::uint16_t(std::min<std::size_t>(textLength, 0xFFFF));
  b.byte4 = band.style.face;
  b.byte5 = band.alignment;
  b.words[0] = band.style.font;
  b.words[1] = band.style.size;
  b.words[2] = std::int16_t(band.style.color.red);
  b.words[3] = std::int16_t(band.style.color.green);
  b.words[4] = std::int16_t(band.style.color.blue);
  b.byte16 = band.dateFormat;
  b.byte17 = band.timeFormat;
  return b;
}

SKXBandSettings KxBandFromBlock(const SKXHdFtBlock& b) {
  SKXBandSettings band;
  band.bandHeight = b.word0;
  band.style.face = b.byte4;
  band.alignment = b.byte5;
  band.style.font = b.words[0];
  band.style.size = b.words[1];
  band.style.color = RGBColor{std::uint16_t(b.words[2]), std::uint16_t(b.words[3]), std::uint16_t(b.words[4])};
  band.dateFormat = b.byte16;
  band.timeFormat = b.byte17;
  return band;
}

std::vector<char> KxRestartsToData(const std::vector<std::int32_t>& values) {
  std::vector<char> out(values.size() * 4);
  for (std::size_t k = 0; k < values.size(); ++k)
    KxPutU32BE(reinterpret_cast<std::uint8_t*>(out.data()) + 4 * k, std::uint32_t(values[k]));
  return out;
}

std::vector<std::int32_t> KxRestartsFromData(const char* data, long size) {
  std::vector<std::int32_t> out;
  if (!data) return out;
  for (long k = 0; k + 4 <= size; k += 4)
    out.push_back(std::int32_t(KxGetU32BE(reinterpret_cast<const std::uint8_t*>(data) + k)));
  return out;
}

void SetDocumentStyles(SKXDocSettings& doc, const SKXDocSettings& source, const std::uint8_t* text, long length,
                       short script) {
  doc.hasWindow = doc.hasWindow || source.hasWindow;
  doc.hasPref = source.hasPref;
  doc.pref = source.pref;
  doc.usesForm = source.usesForm;
  doc.forms = source.forms;
  doc.lineRestarts = source.lineRestarts;
  // The edit style lives in the window record.
  doc.window.fontSize = source.window.fontSize;
  doc.window.fontName = source.window.fontName;
  doc.window.spaceWidth = source.window.spaceWidth;
  doc.window.tabWidth = source.window.tabWidth;
  doc.window.autoIndent = source.window.autoIndent;
  doc.window.controlView = source.window.controlView;
  AdjustDocPref(doc, text, length, script);
}

bool SaveFileResume(const SKXRectL& bounds, const std::string& path, KxBlock& list, long max) {
  if (!gFileResume) return false;
  SKXFResume record;
  record.bounds = bounds;
  if (!UKXFSpec::MakeFromPath(record.fileRef, path)) return false;
  return UKXFResume::AddFResume(record, list, max);
}
