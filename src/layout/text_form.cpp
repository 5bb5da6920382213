// Page form records, the paper table, the built-in forms and the form list.
#include "layout/text_form.h"

#include <algorithm>
#include <cstring>

#include "platform/bytefields.h"
#include "platform/resources.h"
#include "text/base/array.h"

// The list's entries (one relocatable block, 1-based).
class TKXFormArray : public TKXArray<SKXTextForm> {};

TKXFormArray* UKXTextForm::sFormArray = nullptr;
unsigned char UKXTextForm::sDefaultName[kKxBuiltinForms][kKxFormDefaultNameMax + 1] = {};

const SKXPaperSize gKXFormPaperSize[kKxPaperKinds] = {
    {842, 595},   // A4 upright
    {595, 842},   // A4 across
    {729, 516},   // JIS B5 upright
    {516, 729},   // JIS B5 across
    {791, 612},   // US Letter upright
    {612, 791},   // US Letter across
    {1009, 612},  // US Legal upright
    {612, 1009},  // US Legal across
    {1191, 842},  // A3 upright
    {842, 1191},  // A3 across
    {1032, 729},  // JIS B4 upright
    {729, 1032},  // JIS B4 across
    {842, 595},   // other: the default size of a custom paper
};

namespace {

constexpr RGBColor kGuideOrange{0xFFFF, 0xC000, 0x8000};
constexpr RGBColor kGuideGrey{0xC000, 0xC000, 0xC000};
constexpr RGBColor kGuideBlue{0x8000, 0x8000, 0xFFFF};
constexpr std::int16_t kStandardMargin = 34;
constexpr std::int16_t kMaxGuideStyle = 10;

SKXFormStyl Plain(std::int16_t id, std::int16_t kind) {
  SKXFormStyl f;
  f.formID = id;
  f.paperKind = kind;
  f.paperHeight = gKXFormPaperSize[kind].height;
  f.paperWidth = gKXFormPaperSize[kind].width;
  f.marginTop = f.marginLeft = f.marginBottom = f.marginRight = kStandardMargin;
  f.columns = 1;
  return f;
}

SKXFormStyl Manuscript(std::int16_t id, std::int16_t kind, std::int16_t t, std::int16_t l, std::int16_t b,
                       std::int16_t r, std::int16_t gap, std::int16_t linePitch, std::int16_t charPitch) {
  SKXFormStyl f = Plain(id, kind);
  f.marginTop = t, f.marginLeft = l, f.marginBottom = b, f.marginRight = r;
  f.centerGap = gap;
  f.vertical = f.paperView = f.fixedLine = f.fixedChar = f.guideView = 1;
  f.linePitch = linePitch;
  f.charPitch = charPitch;
  f.guideStyle = 1;
  f.guideColor = kGuideOrange;
  f.guideFlag2 = 1;
  return f;
}

SKXFormStyl Guided(std::int16_t id, std::int16_t kind, std::int16_t style, RGBColor color) {
  SKXFormStyl f = Plain(id, kind);
  f.paperView = f.guideView = 1;
  f.guideStyle = style;
  f.guideColor = color;
  f.guideFlag2 = 1;
  return f;
}

SKXFormStyl MakeBuiltin(int n) {
  switch (n) {
    case 0: return Plain(0, 0);
    case 1: return Plain(1, 0);
    case 2: return Manuscript(2, 1, 65, 62, 34, 68, 26, 34, 24);
    case 3: return Manuscript(3, 3, 61, 56, 40, 60, 28, 29, 20);
    case 4: {
      SKXFormStyl f = Guided(4, 0, 6, kGuideGrey);
      f.fixedLine = 1;
      f.linePitch = 24;
      return f;
    }
    case 5: {
      SKXFormStyl f = Guided(5, 0, 7, kGuideBlue);
      f.guideFlag1 = 1;
      f.docPaper = f.docView = 1;
      return f;
    }
    case 6: {
      SKXFormStyl f = Guided(6, 0, 8, kGuideBlue);
      f.leftIndent = 120;
      return f;
    }
    default: {
      SKXFormStyl f = Guided(7, 1, 9, kGuideBlue);
      f.vertical = 1;
      f.leftIndent = 84;
      return f;
    }
  }
}

struct Reader {
  const std::uint8_t* p;
  KxByteOrder order;
  std::uint16_t U16(int at) const {
    return order == KxByteOrder::kBig ? KxGetU16BE(p + at) : std::uint16_t(p[at] | p[at + 1] << 8);
  }
  std::int16_t I16(int at) const { return std::int16_t(U16(at)); }
  std::int32_t I32(int at) const {
    const std::uint32_t v = order == KxByteOrder::kBig
                                ? KxGetU32BE(p + at)
                                : std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8 |
                                      std::uint32_t(p[at + 2]) << 16 | std::uint32_t(p[at + 3]) << 24;
    return std::int32_t(v);
  }
};

struct Writer {
  std::uint8_t* p;
  KxByteOrder order;
  void U16(int at, std::uint16_t v) const {
    if (order == KxByteOrder::kBig) {
      KxPutU16BE(p + at, v);
    } else {
      p[at] = std::uint8_t(v);
      p[at + 1] = std::uint8_t(v >> 8);
    }
  }
  void I16(int at, std::int16_t v) const { U16(at, std::uint16_t(v)); }
  void I32(int at, std::int32_t v) const {
    const std::uint32_t u = std::uint32_t(v);
    if (order == KxByteOrder::kBig) {
      KxPutU32BE(p + at, u);
    } else {
      for (int k = 0; k < 4; ++k) p[at + k] = std::uint8_t(u >> (8 * k));
    }
  }
};

std::uint8_t Flag(std::uint8_t v) { return v ? 1 : 0; }

long ClampNonNegative(long v, long hi) { return std::clamp(v, 0L, std::max(0L, hi)); }

}  // namespace

SKXFormStyl UKXTextForm::sDefaultForm[kKxBuiltinForms] = {
    MakeBuiltin(0), MakeBuiltin(1), MakeBuiltin(2), MakeBuiltin(3),
    MakeBuiltin(4), MakeBuiltin(5), MakeBuiltin(6), MakeBuiltin(7)};

bool operator==(const SKXFormStyl& a, const SKXFormStyl& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---- paper table --------------------------------------------------------------------------------

PointL KxFormPaperSize(short kind) {
  if (kind < 0 || kind >= kKxPaperKinds) kind = 0;
  return PointL{gKXFormPaperSize[kind].height, gKXFormPaperSize[kind].width};
}

short KxFormPaperType(const PointL& size) {
  // Whole 32-bit values: a 16-bit view would take 65536 + 842 for 842.
  const long v = size.v, h = size.h;
  for (short k = 0; k < kKxPaperOther; ++k) {
    const long dv = v - gKXFormPaperSize[k].height, dh = h - gKXFormPaperSize[k].width;
    if (dv >= -kKxPaperTolerance && dv <= kKxPaperTolerance && dh >= -kKxPaperTolerance && dh <= kKxPaperTolerance)
      return k;
  }
  return kKxPaperOther;
}

PointL KxFormEffectivePaper(const SKXFormStyl& f) {
  if (f.paperHeight == kKxFormPaperLong || f.paperWidth == kKxFormPaperLong)
    return PointL{f.paperHeightL, f.paperWidthL};
  return PointL{f.paperHeight, f.paperWidth};
}

// ---- validation ----------------------------------------------------------------------------------

void KxClampMarginPair(long extent, long& first, long& second) {
  const long room = std::max(0L, extent - 1);
  first = ClampNonNegative(first, room);
  second = ClampNonNegative(second, room - first);
}

bool KxValidateFormStyl(SKXFormStyl& f) {
  const SKXFormStyl before = f;
  // Valid papers fit the short fields; the long ones are only read.
  const PointL paper = KxFormEffectivePaper(f);
  const long h = std::clamp(long(paper.v), 1L, kKxPaperMax);
  const long w = std::clamp(long(paper.h), 1L, kKxPaperMax);
  f.paperHeight = std::int16_t(h);
  f.paperWidth = std::int16_t(w);
  f.paperHeightL = f.paperWidthL = 0;
  if (f.paperKind < 0 || f.paperKind >= kKxPaperKinds) f.paperKind = kKxPaperOther;
  long t = f.marginTop, b = f.marginBottom, l = f.marginLeft, r = f.marginRight;
  KxClampMarginPair(h, t, b);
  KxClampMarginPair(w, l, r);
  f.marginTop = std::int16_t(t), f.marginBottom = std::int16_t(b);
  f.marginLeft = std::int16_t(l), f.marginRight = std::int16_t(r);
  f.columns = std::clamp<std::int16_t>(f.columns, 1, kKxMaxColumns);
  f.columnGap = std::max<std::int16_t>(f.columnGap, 0);
  f.centerGap = std::max<std::int16_t>(f.centerGap, 0);
  f.linePitch = std::max<std::int16_t>(f.linePitch, 0);
  f.charPitch = std::max<std::int16_t>(f.charPitch, 0);
  f.size = std::max<std::int16_t>(f.size, 0);
  if (f.guideStyle < 0 || f.guideStyle > kMaxGuideStyle) f.guideStyle = 0;
  for (std::uint8_t* b8 : {&f.vertical, &f.paperView, &f.fixedLine, &f.fixedChar, &f.fixedFont, &f.guideView,
                           &f.guideFlag1, &f.guideFlag2, &f.docPaper, &f.docView})
    *b8 = Flag(*b8);
  return f == before;
}

// ---- records -------------------------------------------------------------------------------------

void KxReadFormStyl(const std::uint8_t* p, SKXFormStyl& f, KxByteOrder order) {
  const Reader r{p, order};
  f.formID = r.I16(0);
  f.paperKind = r.I16(2);
  f.paperHeight = r.I16(4);
  f.paperWidth = r.I16(6);
  f.marginTop = r.I16(8);
  f.marginLeft = r.I16(10);
  f.marginBottom = r.I16(12);
  f.marginRight = r.I16(14);
  f.centerGap = r.I16(16);
  f.columns = r.I16(18);
  f.columnGap = r.I16(20);
  f.firstIndent = r.I16(22);
  f.leftIndent = r.I16(24);
  f.rightIndent = r.I16(26);
  f.vertical = p[28];
  f.paperView = p[29];
  f.fixedLine = p[30];
  f.fixedChar = p[31];
  f.fixedFont = p[32];
  f.guideView = p[33];
  f.linePitch = r.I16(34);
  f.charPitch = r.I16(36);
  f.font = r.I16(38);
  f.size = r.I16(40);
  f.guideStyle = r.I16(42);
  f.guideColor = RGBColor{r.U16(44), r.U16(46), r.U16(48)};
  f.guideFlag1 = p[50];
  f.guideFlag2 = p[51];
  f.reserved1 = p[52];
  f.reserved2 = p[53];
  f.docPaper = p[54];
  f.docView = p[55];
  f.paperHeightL = r.I32(56);
  f.paperWidthL = r.I32(60);
  KxValidateFormStyl(f);
}

void KxWriteFormStyl(const SKXFormStyl& f, std::uint8_t* p, KxByteOrder order) {
  const Writer w{p, order};
  w.I16(0, f.formID);
  w.I16(2, f.paperKind);
  w.I16(4, f.paperHeight);
  w.I16(6, f.paperWidth);
  w.I16(8, f.marginTop);
  w.I16(10, f.marginLeft);
  w.I16(12, f.marginBottom);
  w.I16(14, f.marginRight);
  w.I16(16, f.centerGap);
  w.I16(18, f.columns);
  w.I16(20, f.columnGap);
  w.I16(22, f.firstIndent);
  w.I16(24, f.leftIndent);
  w.I16(26, f.rightIndent);
  p[28] = f.vertical;
  p[29] = f.paperView;
  p[30] = f.fixedLine;
  p[31] = f.fixedChar;
  p[32] = f.fixedFont;
  p[33] = f.guideView;
  w.I16(34, f.linePitch);
  w.I16(36, f.charPitch);
  w.I16(38, f.font);
  w.I16(40, f.size);
  w.I16(42, f.guideStyle);
  w.U16(44, f.guideColor.red);
  w.U16(46, f.guideColor.green);
  w.U16(48, f.guideColor.blue);
  p[50] = f.guideFlag1;
  p[51] = f.guideFlag2;
  p[52] = f.reserved1;
  p[53] = f.reserved2;
  p[54] = f.docPaper;
  p[55] = f.docView;
  w.I32(56, f.paperHeightL);
  w.I32(60, f.paperWidthL);
}

void KxReadTextForm(const std::uint8_t* p, SKXTextForm& f, KxByteOrder order) {
  KxReadFormStyl(p, f.form, order);
  std::memset(f.name, 0, sizeof f.name);
  const std::uint8_t* n = p + kKxFormStylSize;
  const int len = std::min<int>(n[0], kKxFormNameMax);
  f.name[0] = std::uint8_t(len);
  std::memcpy(f.name + 1, n + 1, size_t(len));
}

void KxWriteTextForm(const SKXTextForm& f, std::uint8_t* p, KxByteOrder order) {
  KxWriteFormStyl(f.form, p, order);
  std::uint8_t* n = p + kKxFormStylSize;
  std::memset(n, 0, kKxFormNameField);
  const int len = std::min<int>(f.name[0], kKxFormNameMax);
  n[0] = std::uint8_t(len);
  std::memcpy(n + 1, f.name + 1, size_t(len));
}

// ---- the form list -------------------------------------------------------------------------------

void UKXTextForm::Initialize() {
  sFormArray = nullptr;
  sDefaultForm[0] = MakeBuiltin(0);
}

void UKXTextForm::Terminate() {
  delete sFormArray;
  sFormArray = nullptr;
}

void UKXTextForm::SetFormDefaultName(short n, const unsigned char* pstr) {
  if (n < 1 || n > kKxBuiltinForms || !pstr) return;
  unsigned char* out = sDefaultName[n - 1];
  std::memset(out, 0, kKxFormDefaultNameMax + 1);
  const int len = std::min<int>(pstr[0], kKxFormDefaultNameMax);
  out[0] = std::uint8_t(len);
  std::memcpy(out + 1, pstr + 1, size_t(len));
}

void UKXTextForm::LoadDefaultNames() {
  for (short n = 1; n <= kKxBuiltinForms; ++n) {
    Str255 s;
    GetIndString(s, kKxFormNameList, short(kKxFormNameFirstItem + n - 1));
    SetFormDefaultName(n, s);
  }
}

const SKXFormStyl& UKXTextForm::GetDefaultForm(short index) {
  return sDefaultForm[std::clamp<short>(index, 0, kKxBuiltinForms - 1)];
}

void UKXTextForm::SetDefaultForm(const SKXFormStyl& f) {
  SKXFormStyl form = f;
  KxValidateFormStyl(form);
  form.formID = 0;
  sDefaultForm[0] = form;
}

void UKXTextForm::MakeDefaultFormArray() {
  if (!sFormArray) sFormArray = new TKXFormArray;
  sFormArray->DeleteAll();
  for (short k = kKxBuiltinForms - kKxSeededForms; k < kKxBuiltinForms; ++k) {
    SKXTextForm item;
    item.form = sDefaultForm[k];
    std::memcpy(item.name, sDefaultName[k], sizeof sDefaultName[k]);
    sFormArray->AddItem(item);
  }
}

void UKXTextForm::SetFormData(const char* blob, long size) {
  if (!sFormArray) MakeDefaultFormArray();
  if (!sFormArray) return;
  sFormArray->DeleteAll();
  if (!blob || size <= 0) return;
  const long records = std::min(size / kKxTextFormSize, kKxMaxUserForms);
  const auto* p = reinterpret_cast<const std::uint8_t*>(blob);
  for (long k = 0; k < records; ++k) {
    SKXTextForm item;
    KxReadTextForm(p + k * kKxTextFormSize, item, KxByteOrder::kBig);
    sFormArray->AddItem(item);
  }
}

long UKXTextForm::GetFormData(char* buffer, long size) {
  if (!sFormArray || !buffer || size <= 0) return 0;
  const long n = std::min(size / kKxTextFormSize, sFormArray->GetCount());
  auto* p = reinterpret_cast<std::uint8_t*>(buffer);
  for (long k = 0; k < n; ++k) {
    SKXTextForm item;
    sFormArray->FetchItemAt(k + 1, &item);
    KxWriteTextForm(item, p + k * kKxTextFormSize, KxByteOrder::kBig);
  }
  return n * kKxTextFormSize;
}

long UKXTextForm::GetFormSize() { return sFormArray ? sFormArray->GetCount() * kKxTextFormSize : 0; }

long UKXTextForm::GetListCount() { return sFormArray ? sFormArray->GetCount() : 0; }

bool UKXTextForm::HasList() { return sFormArray != nullptr; }

short UKXTextForm::GetFormCount() {
  const long n = GetListCount();
  return n == 0 ? kKxBuiltinForms : short(n + 2);
}

short UKXTextForm::FindFormItem(short id) {
  if (id == 0 || id == 1) return short(id + 1);
  if (sFormArray) {
    for (long k = 1; k <= sFormArray->GetCount(); ++k) {
      SKXTextForm item;
      sFormArray->FetchItemAt(k, &item);
      if (item.form.formID == id) return short(k + 2);
    }
  } else {
    for (short k = kKxBuiltinForms - kKxSeededForms; k < kKxBuiltinForms; ++k)
      if (sDefaultForm[k].formID == id) return short(k + 1);
  }
  return 2;
}

bool UKXTextForm::GetFormStyl(short item, SKXFormStyl& f) {
  if (item >= 3 && GetListCount() > 0) {
    SKXTextForm entry;
    if (!sFormArray->FetchItemAt(item - 2, &entry)) return false;
    f = entry.form;
    return true;
  }
  if (item < 1 || item > kKxBuiltinForms) return false;
  f = sDefaultForm[item - 1];
  return true;
}

bool UKXTextForm::GetFormName(short item, unsigned char* name32) {
  if (!name32) return false;
  if (item >= 3 && GetListCount() > 0) {
    SKXTextForm entry;
    if (!sFormArray->FetchItemAt(item - 2, &entry)) return false;
    std::memcpy(name32, entry.name, kKxFormNameField);
    return true;
  }
  if (item < 1 || item > kKxBuiltinForms) return false;
  std::memset(name32, 0, kKxFormNameField);
  std::memcpy(name32, sDefaultName[item - 1], kKxFormDefaultNameMax + 1);
  return true;
}

bool UKXTextForm::SetFormStyl(short item, const SKXFormStyl& f) {
  SKXTextForm entry;
  if (item < 3 || !sFormArray || !sFormArray->FetchItemAt(item - 2, &entry)) return false;
  entry.form = f;
  KxValidateFormStyl(entry.form);
  sFormArray->SetItemAt(item - 2, &entry);
  return true;
}

bool UKXTextForm::AddForm(const SKXFormStyl& f, const unsigned char* pstr) {
  if (!sFormArray) MakeDefaultFormArray();
  if (sFormArray->GetCount() >= kKxMaxUserForms) return false;
  SKXTextForm entry;
  entry.form = f;
  KxValidateFormStyl(entry.form);
  if (pstr) {
    const int len = std::min<int>(pstr[0], kKxFormNameMax);
    entry.name[0] = std::uint8_t(len);
    std::memcpy(entry.name + 1, pstr + 1, size_t(len));
  }
  sFormArray->AddItem(entry);
  return true;
}

bool UKXTextForm::DeleteForm(long index) {
  if (!sFormArray || index < 1 || index > sFormArray->GetCount()) return false;
  sFormArray->RemoveItemsAt(1, index);
  return true;
}

void UKXTextForm::CheckDeleteFormArray() {
  if (!sFormArray) return;
  bool drop = sFormArray->GetCount() == 0;
  if (sFormArray->GetCount() == kKxSeededForms) {
    drop = true;
    for (long k = 1; k <= kKxSeededForms && drop; ++k) {
      SKXTextForm entry;
      sFormArray->FetchItemAt(k, &entry);
      drop = entry.form == sDefaultForm[kKxBuiltinForms - kKxSeededForms + k - 1];
    }
  }
  if (drop) {
    delete sFormArray;
    sFormArray = nullptr;
  }
}
