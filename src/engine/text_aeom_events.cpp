// CKXTextAEOM: the events and properties that reach a text node. Every
// change is one of the engine's undoable commands over the node's range.
#include <algorithm>
#include <memory>

#include "engine/data_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_aeom.h"
#include "engine/text_flavors.h"
#include "engine/text_layer_run.h"
#include "layout/draw_toolkit.h"
#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"
#include "platform/fonts.h"

namespace {

// Enumerator bases of the line and net values: the value is the
// enumerator minus the base. Line kinds, line colours, nets and net
// colours are 4-bit fields of the decoration run.
constexpr std::int32_t kLineTypeBase = 0x6E30;
constexpr std::int32_t kLineColorBase = 0x6C30;
constexpr std::int32_t kNetBase = 48;
constexpr std::int32_t kFieldMax = 15;
// Colour-table enumerators start at '0'; the table has entries 0-23.
constexpr std::int32_t kColorTableBase = 48;
constexpr std::int32_t kColorTableLast = 23;
constexpr std::int32_t kComponentMax = 0xFFFF;

struct CodeValue {
  OSType code;
  short value;
};
constexpr CodeValue kFaces[] = {{FourCC("bold"), 1},  {FourCC("ital"), 2},  {FourCC("undl"), 4}, {FourCC("outl"), 8},
                                {FourCC("shad"), 16}, {FourCC("cond"), 32}, {FourCC("pexp"), 64}};
constexpr CodeValue kExtStyles[] = {{FourCC("est1"), 1}, {FourCC("est2"), 2}, {FourCC("est3"), 5}, {FourCC("est4"), 6}};
// Transforms of the selection: character types and shifts, line reforms.
constexpr short kCharTypeCapitalize = 20, kCharTypeHiraKata = 8, kCharTypeUpperLower = 9, kCharTypeZenHan = 7;

template <std::size_t N>
short LookUp(const CodeValue (&table)[N], OSType code) {
  for (const CodeValue& e : table)
    if (e.code == code) return e.value;
  return 0;
}

// An enumerator minus its base, refused outside 0..max.
std::int32_t FieldValue(const AEDesc& value, std::int32_t base, std::int32_t max) {
  const std::int64_t v = std::int64_t(value.AsCode()) - base;
  if (v < 0 || v > max) throw LException(errAECoercionFail);
  return std::int32_t(v);
}

// The first "TEXT" or "obj " of a list of types, or the one type asked for.
DescType PickRequestedType(const AEDesc& requested) {
  if (!requested.IsList()) return requested.IsNull() ? typeNull : requested.AsCode();
  for (long i = 1; i <= requested.CountItems(); ++i) {
    const DescType t = requested.GetNth(i).AsCode();
    if (t == typeChar || t == typeObjectSpecifier) return t;
  }
  return typeNull;
}

struct TextOwner {
  KXTextHandle h;
  TextOwner() : h(KXText_New()) {
    if (!h) throw LException(memFullErr);
  }
  ~TextOwner() { KXText_Dispose(h); }
  TextOwner(const TextOwner&) = delete;
  TextOwner& operator=(const TextOwner&) = delete;
};

// What a value puts into the text for `r`, read before anything changes.
// A number is put in as its digits. A value that gives nothing to read
// (a truth value, a list, a record without text) is refused: taken as an
// empty text it would delete what it was meant to replace.
void ReceiveValue(CKXTextEngine& engine, const SKXRange& r, const AEDesc& value, TextOwner& into, short& mask) {
  const DescType type = value.GetType();
  const bool number = !value.IsList() && !value.IsRecord() && (type == typeShortInteger || type == typeLongInteger);
  AEDesc data = number ? AECoerceDesc(value, typeChar) : value;
  CKXDescTube tube(&data, false);
  CKXFlavorExchange exchange(&engine);
  exchange.ReceiveDataFrom(r, tube, into.h, &mask);
  if (KXText_GetLength(into.h) == 0 && !tube.FlavorExists(kKxFlavorText) && !tube.FlavorExists(kKxFlavorUtxt))
    throw LException(errAECoercionFail);
}

}  // namespace

SKXRange CKXTextAEOM::SelectWorkRange() {
  CKXTextEngine& engine = Engine();
  if (!IsWholeText()) engine.SetSelectionRange(CroppedRange(), false);
  return engine.GetSelectionRange();
}

void CKXTextAEOM::ReplyWithSpecifier(AppleEvent& reply) {
  AEDesc specifier;
  MakeSpecifier(specifier);
  // An event on many objects comes here once for each: the list grows
  // where it stands, so that its items are not all copied every time.
  AEDesc* list = reply.GetParams().FindKey(keyAEInsertHere);
  if (!list) {
    reply.PutParamDesc(keyAEInsertHere, AEDesc::MakeList());
    list = reply.GetParams().FindKey(keyAEInsertHere);
  } else if (!list->IsList()) {
    *list = AECoerceDesc(*list, typeAEList);
  }
  list->Append(specifier);
}

// ---- events

void CKXTextAEOM::HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number) {
  switch (number) {
    case kAENumCopy:
      HandleCopy();
      return;
    case kAENumCut:
      HandleCut(reply);
      return;
    case kAENumPaste:
      HandlePaste();
      return;
    case kAENumRedo:
      HandleRedo();
      return;
    case kAENumUndo:
      HandleUndo();
      return;
    case kAENumSelect:
      HandleSelect();
      return;
    case kAENumGetData:
    case kAENumGetDataSize:
      if (mProperty == pContents) {
        // The whole text reads the selection, or all of it when there is
        // none; an element reads its own text.
        SKXRange r = WorkRange();
        if (IsWholeText() && r.length <= 0) r = Engine().GetTotalRange();
        if (number == kAENumGetDataSize) {
          outResult = AEDesc::FromLong(std::max<std::int32_t>(r.length, 0));
          return;
        }
        if (r.length > 0) {
          outResult = AEDesc::FromText(RangeBytes(r));
          return;
        }
      }
      [[fallthrough]];
    case kAENumSetData: {
      LModelProperty property(mProperty, this, false);
      property.HandleAppleEvent(event, reply, outResult, number);
      return;
    }
    default:
      LModelObject::HandleAppleEvent(event, reply, outResult, number);
  }
}

void CKXTextAEOM::HandleCut(AppleEvent& reply) {
  const long before = TextLength();
  const SKXRange r = SelectWorkRange();
  Engine().DoCut();
  NoteEdit(r, before);
  GetSuperAEOM()->ResetCachedRange();
  ReplyWithSpecifier(reply);
}

void CKXTextAEOM::HandleDelete(AppleEvent& reply, AEDesc&) {
  const long before = TextLength();
  const SKXRange r = SelectWorkRange();
  Engine().DoDelete();
  NoteEdit(r, before);
  GetSuperAEOM()->ResetCachedRange();
  ReplyWithSpecifier(reply);
}

void CKXTextAEOM::HandleCopy() {
  SelectWorkRange();
  Engine().DoCopy();
}

void CKXTextAEOM::HandlePaste() {
  const long before = TextLength();
  const SKXRange r = SelectWorkRange();
  Engine().DoPaste(0);
  NoteEdit(r, before);
  GetSuperAEOM()->ResetCachedRange();
}

void CKXTextAEOM::HandleRedo() {
  Engine().Redo();
  GetSuperAEOM()->ResetCachedRange();
}

void CKXTextAEOM::HandleUndo() {
  Engine().Undo();
  GetSuperAEOM()->ResetCachedRange();
}

void CKXTextAEOM::HandleSelect() {
  if (!IsWholeText()) Engine().SetSelectionRange(CroppedRange(), true);
}

// ---- properties read

void CKXTextAEOM::GetAEProperty(DescType property, const AEDesc& requestedType, AEDesc& outValue) {
  if (property == kKxPropLength) {
    outValue = AEDesc::FromLong(CroppedRange().length);
  } else if (property == kKxPropOffset) {
    outValue = AEDesc::FromLong(CroppedRange().start);
  } else if (property == pContents || property == kKxPropSelection) {
    const SKXRange r = property == kKxPropSelection ? WorkRange() : CroppedRange();
    const DescType type = PickRequestedType(requestedType);
    if (type == typeChar) {
      outValue = AEDesc::FromText(RangeBytes(r));
    } else if (type == typeObjectSpecifier) {
      MakeSpecifier(outValue);
    } else if (type == typeNull || type == typeWildCard) {
      // The styled content: every flavor of the range as a record item.
      CKXFlavorExchange exchange(&Engine());
      outValue = AEDesc::MakeRecord();
      CKXTextDescTube tube(&outValue, &exchange, r);
    }
  } else if (IsNodeProperty(property)) {
    // Attributes answer the specifier of the text they belong to, not a
    // value: what a script reads back names the text, as it always has.
    MakeSpecifier(outValue);
  } else if (property == kKxPropBeginHilite || property == kKxPropLineID) {
    // nothing
  } else {
    LModelObject::GetAEProperty(property, requestedType, outValue);
  }
}

// ---- properties written

void CKXTextAEOM::SetAEProperty(DescType property, const AEDesc& value, AEDesc& outResult) {
  bool attribute = true;
  switch (property) {
    case kKxPropFont:
      HandleFont(value);
      break;
    case kKxPropPointSize:
      HandlePointSize(value);
      break;
    case kKxPropTextStyles:
      HandleTextStyles(value);
      break;
    case kKxPropColor:
    case kKxPropTextColor:
      HandleTextColor(value);
      break;
    case kKxPropLineType:
      HandleLineType(value);
      break;
    case kKxPropLineColor:
      HandleLineColor(value);
      break;
    case kKxPropNetPattern:
      HandleNetPattern(value);
      break;
    case kKxPropNetColor:
      HandleNetColor(value);
      break;
    case kKxPropExtStyle:
      HandleExtStyle(value);
      break;
    case kKxPropSelection:
      HandleSelection(value);
      break;
    default:
      attribute = false;
  }
  if (attribute) {
    GetSuperAEOM()->ResetCachedRange();
    return;
  }
  if (property == pContents) {
    SetContents(value);
  } else if (property == kKxPropBeginHilite) {
    if (!IsWholeText()) Engine().DoSelection(CroppedRange(), false);
  } else if (property == kKxPropLineID) {
    // ignored
  } else {
    LModelObject::SetAEProperty(property, value, outResult);
  }
}

void CKXTextAEOM::SetContents(const AEDesc& value) {
  CKXTextEngine& engine = Engine();
  const SKXRange r = IsWholeText() ? engine.GetSelectionRange() : CroppedRange();
  TextOwner received;
  short mask = 0;
  ReceiveValue(engine, r, value, received, mask);
  const long before = TextLength();
  engine.DoDrop(r, received.h, mask, kxlayer::kActReplace);
  NoteEdit(r, before);
  // A range of text resolved before keeps covering what replaced it.
  CKXTextAEOM* top = GetSuperAEOM();
  if (top->mCache.valid && top->mCache.value.start == r.start && top->mCache.value.length == r.length) {
    const std::int64_t grown = std::int64_t(top->mCache.value.length) + engine.GetSelectionRange().length - r.length;
    top->mCache.value.length = std::int32_t(std::max<std::int64_t>(grown, 0));
    top->Restamp();
  } else {
    top->ResetCachedRange();
  }
}

void CKXTextAEOM::HandleFont(const AEDesc& value) {
  short font = 0;
  // A name no installed or classic family has is refused: the text keeps
  // its font rather than falling back to the system's.
  if (!KxFontNumberFromName(value.AsText(), font)) throw LException(errAENoSuchObject);
  SelectWorkRange();
  Engine().DoFontNumber(font);
}

void CKXTextAEOM::HandlePointSize(const AEDesc& value) {
  const short size = value.AsShort();
  if (size <= 0) throw LException(errAECoercionFail);
  SelectWorkRange();
  Engine().DoFontSize(size);
}

void CKXTextAEOM::HandleTextStyles(const AEDesc& value) {
  const short face = LookUp(kFaces, value.AsCode());
  SelectWorkRange();
  Engine().DoFontStyle(face);
}

void CKXTextAEOM::HandleTextColor(const AEDesc& value) {
  RGBColor color{0, 0, 0};
  if (value.GetType() == typeRGBColor && !value.IsList() && !value.IsRecord()) {
    const auto d = value.GetData();
    if (d.size() != 6) throw LException(errAECorruptData);
    color.red = std::uint16_t(d[0] << 8 | d[1]);
    color.green = std::uint16_t(d[2] << 8 | d[3]);
    color.blue = std::uint16_t(d[4] << 8 | d[5]);
  } else if (value.IsList()) {
    std::uint16_t* parts[3] = {&color.red, &color.green, &color.blue};
    const long n = std::min<long>(value.CountItems(), 3);
    for (long i = 1; i <= n; ++i) {
      const std::int32_t c = value.GetNth(i).AsLong();
      if (c < 0 || c > kComponentMax) throw LException(errAECoercionFail);
      *parts[i - 1] = std::uint16_t(c);
    }
  } else if (value.GetType() == typeEnumerated) {
    KxGetRGBColor(FieldValue(value, kColorTableBase, kColorTableLast), color);
  } else {
    return;
  }
  SelectWorkRange();
  Engine().DoFontColor(color);
}

void CKXTextAEOM::HandleLineType(const AEDesc& value) {
  const auto kind = std::uint16_t(FieldValue(value, kLineTypeBase, kFieldMax));
  SelectWorkRange();
  Engine().DoLineType(kind);
}

void CKXTextAEOM::HandleLineColor(const AEDesc& value) {
  const auto color = std::uint16_t(FieldValue(value, kLineColorBase, kFieldMax));
  SelectWorkRange();
  Engine().DoLineColor(color);
}

void CKXTextAEOM::HandleNetPattern(const AEDesc& value) {
  const auto net = std::uint8_t(FieldValue(value, kNetBase, kFieldMax));
  SelectWorkRange();
  Engine().DoNetStyle(net);
}

void CKXTextAEOM::HandleNetColor(const AEDesc& value) {
  const auto color = std::uint8_t(FieldValue(value, kNetBase, kFieldMax));
  SelectWorkRange();
  Engine().DoNetColor(color);
}

void CKXTextAEOM::HandleExtStyle(const AEDesc& value) {
  const auto style = std::uint8_t(LookUp(kExtStyles, value.AsCode()));
  SelectWorkRange();
  Engine().DoExtStyle(style);
}

void CKXTextAEOM::HandleSelection(const AEDesc& value) {
  CKXTextEngine& engine = Engine();
  const long before = TextLength();
  if (value.GetType() == typeChar) {
    const std::string bytes = value.AsText();
    const SKXRange r = SelectWorkRange();
    engine.DoReplace(bytes.data(), long(bytes.size()));
    NoteEdit(r, before);
    return;
  }
  if (value.GetType() != typeProperty && value.GetType() != typeType) return;
  const OSType code = value.AsCode();
  static constexpr OSType kKnown[] = {FourCC("capi"), FourCC("hrkt"), FourCC("uplw"), FourCC("znhn"), FourCC("sftl"),
                                      FourCC("sftr"), FourCC("lnji"), FourCC("lnrf"), FourCC("lndp")};
  if (std::find(std::begin(kKnown), std::end(kKnown), code) == std::end(kKnown)) return;
  const SKXRange r = SelectWorkRange();
  if (code == FourCC("capi"))
    engine.DoCharType(kCharTypeCapitalize);
  else if (code == FourCC("hrkt"))
    engine.DoCharType(kCharTypeHiraKata);
  else if (code == FourCC("uplw"))
    engine.DoCharType(kCharTypeUpperLower);
  else if (code == FourCC("znhn"))
    engine.DoCharType(kCharTypeZenHan);
  else if (code == FourCC("sftl"))
    engine.DoCharShift(true);
  else if (code == FourCC("sftr"))
    engine.DoCharShift(false);
  else if (code == FourCC("lnji"))
    engine.DoLineReform(false);
  else if (code == FourCC("lnrf"))
    engine.DoLineReform(true);
  else
    engine.DoLineDup();
  // A transform rewrites the range; a doubled line goes in after it: either
  // way what follows moves by the change.
  NoteEdit(r, before);
}

// ---- creating, moving and cloning elements

void CKXTextAEOM::HandleCreateElementEvent(DescType kind, OSType position, LModelObject* target,
                                           const AppleEvent& event, AEDesc& outResult) {
  if (!IsElementClass(kind)) {
    LModelObject::HandleCreateElementEvent(kind, position, target, event, outResult);
    return;
  }
  AEDesc data;
  if (event.HasParam(keyAEData)) {
    data = event.GetParamDesc(keyAEData);
  } else if (event.HasParam(keyAEPropData)) {
    data = event.GetParamDesc(keyAEPropData).GetKeyDesc(pContents);
  } else {
    throw LException(errAEDescNotFound);
  }
  CKXTextAEOM* where = dynamic_cast<CKXTextAEOM*>(target);
  if (!where || where->mEngine != mEngine) throw LException(errAEEventNotHandled);
  LModelToken holder;   // frees a node made for the insertion point
  LModelObject* element = where->GetInsertionElement(position);
  if (element != where) holder.Add(element);
  CKXTextAEOM* insertion = dynamic_cast<CKXTextAEOM*>(element);
  if (!insertion) throw LException(errAEEventNotHandled);
  CKXTextEngine& engine = Engine();
  const SKXRange r = insertion->CroppedRange();
  TextOwner received;
  short mask = 0;
  ReceiveValue(engine, r, data, received, mask);
  const long before = TextLength();
  engine.DoDrop(r, received.h, mask, kxlayer::kActReplace);
  NoteEdit(r, before);
  GetSuperAEOM()->ResetCachedRange();
  const SKXRange made = engine.GetSelectionRange();
  if (!IsWholeText()) SetRangeNow(made);
  if (!insertion->IsWholeText()) insertion->SetRangeNow(made);
  AEDesc container;
  CKXTextAEOM* top = GetSuperAEOM();
  if (top->GetSuperModel()) top->GetSuperModel()->MakeSpecifier(container);
  MakeTextSelection(container, kind, made, engine.GetTotalRange(), &engine, outResult);
}

void CKXTextAEOM::HandleClone(const AppleEvent& event, AEDesc& outResult) { HandleMoveOrClone(false, event, outResult); }

void CKXTextAEOM::HandleMove(const AppleEvent& event, AEDesc& outResult) { HandleMoveOrClone(true, event, outResult); }

void CKXTextAEOM::HandleMoveOrClone(bool move, const AppleEvent& event, AEDesc& outResult) {
  CKXTextEngine& engine = Engine();
  const SKXRange source = WorkRange();
  CKXTextAEOM* destination = this;
  SKXRange to = source;
  LModelToken holder;
  if (event.HasParam(keyAEInsertHere)) {
    LModelDirector* director = LModelDirector::GetDirector();
    if (!director) throw LException(errAENoSuchObject);
    OSType position = kAEEnd;
    LModelObject* object = director->ResolveInsertionLocation(event.GetParamDesc(keyAEInsertHere), position, holder);
    LModelObject* target = object->GetInsertionTarget(position);
    holder.Add(target);
    destination = dynamic_cast<CKXTextAEOM*>(target);
    // Text moves within its own engine only.
    if (!destination || destination->mEngine != mEngine) throw LException(errAEEventNotHandled);
    destination->FindInsertionRange(position, to, nullptr);
  }
  if (source.length <= 0) return;
  const std::int64_t sourceEnd = UKXRange::End(source);
  const long before = TextLength();
  if (move && to.length > 0) {
    // Onto a range: the text is taken out and put over the range, as a
    // clone puts its copy there.
    const bool same = to.start == source.start && to.length == source.length;
    if (!same && to.start < sourceEnd && UKXRange::End(to) > source.start) throw LException(kKxErrAEImpossibleRange);
    if (same) {
      engine.SetSelectionRange(source, false);
    } else {
      TextOwner copy;
      engine.TextCopy(source, copy.h, 0);
      engine.SetSelectionRange(source, false);
      engine.DoDelete();
      NoteEdit(source, before);
      const long removed = before - TextLength();
      if (to.start >= sourceEnd) to.start = std::int32_t(std::max<std::int64_t>(to.start - removed, 0));
      const long beforeDrop = TextLength();
      engine.DoDrop(to, copy.h, 0, 0);
      NoteEdit(to, beforeDrop);
    }
  } else if (move) {
    // Into the text being moved: nowhere for it to go.
    if (to.start > source.start && to.start < sourceEnd) throw LException(kKxErrAEImpossibleRange);
    // One action, so that one undo puts the text back.
    const CKXTextAction* action = engine.GetAction();
    engine.DoMove(source, to);
    if (engine.GetAction() != action) {
      // Out of its place and into the new one; the length stays.
      const SKXRange moved = engine.GetSelectionRange();
      LogEdit({source.start, source.length, 0});
      LogEdit({moved.start, 0, moved.length});
    }
  } else {
    TextOwner copy;
    engine.TextCopy(source, copy.h, 0);
    engine.DoDrop(to, copy.h, 0, 0);
    NoteEdit(to, before);
  }
  GetSuperAEOM()->ResetCachedRange();
  const SKXRange placed = engine.GetSelectionRange();
  if (!destination->IsWholeText()) destination->SetRangeNow(placed);
  AEDesc container;
  CKXTextAEOM* top = GetSuperAEOM();
  if (top->GetSuperModel()) top->GetSuperModel()->MakeSpecifier(container);
  MakeTextSelection(container, GetModelKind(), placed, engine.GetTotalRange(), &engine, outResult);
}
