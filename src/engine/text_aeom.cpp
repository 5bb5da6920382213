// CKXTextAEOM: nodes, elements, ranges, insertion points, comparisons and
// specifiers. Events and properties are in text_aeom_events.cpp.
#include "engine/text_aeom.h"

#include <algorithm>
#include <cstring>

#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"

namespace {

constexpr DescType kElementClasses[] = {kKxClassChar, kKxClassWord, kKxClassLine, kKxClassPara};
constexpr DescType kNodeProperties[] = {kKxPropColor,     kKxPropExtStyle,  kKxPropFont,      kKxPropLineType,
                                        kKxPropLineColor, kKxPropNetPattern, kKxPropNetColor, kKxPropPointSize,
                                        kKxPropTextColor, kKxPropSelection, kKxPropTextStyles};

// Range ends may be specifiers (relative to the container) or bare
// indices and ordinals.
bool NamesObject(const AEDesc& d) {
  const DescType t = d.GetType();
  return t == typeObjectSpecifier || t == typeCurrentContainer || t == typeObjectBeingExamined;
}

CKXTextAEOM* TextNode(LModelObject* object) { return dynamic_cast<CKXTextAEOM*>(object); }

}  // namespace

CKXTextAEOM::CKXTextAEOM(LModelObject* super, DescType kind) : LSharableModel(super, kind) {}

CKXTextAEOM::CKXTextAEOM(CKXTextEngine* engine, const SKXRange& range, LModelObject* super, DescType kind,
                         DescType property)
    : LSharableModel(super, kind), mEngine(engine), mRange(range), mProperty(property) {
  // A node made under a text node follows the edits made through the
  // model from now on: an event over a list of nodes changes one after the
  // other, and the later ones still name the text they were made for.
  CKXTextAEOM* top = nullptr;
  for (LModelObject* m = super; m; m = m->GetSuperModel())
    if (CKXTextAEOM* node = TextNode(m)) top = node;
  if (top) {
    mLog = top->SharedLog();
    mSeen = mLog->End();
  }
}

CKXTextEngine& CKXTextAEOM::Engine() const {
  if (!mEngine) throw LException(errAENoSuchObject);
  return *mEngine;
}

SKXRange CKXTextAEOM::CroppedRange() const { return Engine().CropRange(LiveRange()); }

SKXRange CKXTextAEOM::WorkRange() const {
  return IsWholeText() ? Engine().GetSelectionRange() : CroppedRange();
}

std::string CKXTextAEOM::RangeBytes(const SKXRange& range) const {
  const SKXRange r = Engine().CropRange(range);
  std::string bytes(std::size_t(std::max<std::int32_t>(r.length, 0)), '\0');
  if (!bytes.empty()) bytes.resize(std::size_t(Engine().TextGetThruPtr(r, bytes.data(), long(bytes.size()))));
  return bytes;
}

CKXTextAEOM* CKXTextAEOM::GetSuperAEOM() {
  CKXTextAEOM* top = this;
  for (LModelObject* m = GetSuperModel(); m; m = m->GetSuperModel())
    if (CKXTextAEOM* node = TextNode(m)) top = node;
  return top;
}

// ---- following edits

SKXRange CKXTextAEOM::MapRange(const SKXRange& range, const SEdit& edit) {
  const std::int64_t from = edit.start, to = from + edit.removed;
  const std::int64_t delta = std::int64_t(edit.inserted) - edit.removed;
  const auto mapStart = [&](std::int64_t p) {
    if (p < from || (p == from && edit.removed > 0)) return p;
    if (p >= to) return p + delta;
    return from + edit.inserted;
  };
  const auto mapEnd = [&](std::int64_t p) {
    if (p <= from) return p;
    if (p >= to) return p + delta;
    return from;
  };
  const std::int64_t start = mapStart(range.start);
  const std::int64_t end = range.length > 0 ? std::max(mapEnd(UKXRange::End(range)), start) : start;
  const auto clamp = [](std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, 0, kKxMaxOffset)); };
  return {clamp(start), clamp(end - start)};
}

SKXRange CKXTextAEOM::LiveRange() const {
  if (!mLog || IsWholeText()) return mRange;
  const SEditLog& log = *mLog;
  for (std::uint64_t i = std::max(mSeen, log.base); i < log.End(); ++i)
    mRange = MapRange(mRange, log.edits[std::size_t(i - log.base)]);
  mSeen = log.End();
  return mRange;
}

const std::shared_ptr<CKXTextAEOM::SEditLog>& CKXTextAEOM::SharedLog() {
  if (!mLog) {
    mLog = std::make_shared<SEditLog>();
  } else if (mLog.use_count() == 1 && !mLog->edits.empty()) {
    // Only this node is left to follow the entries.
    LiveRange();
    mLog->base = mLog->End();
    mLog->edits.clear();
  }
  return mLog;
}

void CKXTextAEOM::SetRangeNow(const SKXRange& range) {
  mRange = range;
  if (mLog) mSeen = mLog->End();
}

long CKXTextAEOM::TextLength() const { return Engine().GetTotalRange().length; }

void CKXTextAEOM::NoteEdit(const SKXRange& r, long lengthBefore) {
  const std::int64_t delta = std::int64_t(TextLength()) - lengthBefore;
  // Same length: nothing moved.
  if (delta == 0) return;
  SEdit edit{r.start, std::max<std::int32_t>(r.length, 0), 0};
  // An edit that took more than the range (a space beside a cut word) is
  // taken as one that ended that much further on.
  if (edit.removed + delta < 0) edit.removed = std::int32_t(-delta);
  edit.inserted = std::int32_t(edit.removed + delta);
  LogEdit(edit);
}

void CKXTextAEOM::LogEdit(const SEdit& edit) { GetSuperAEOM()->SharedLog()->edits.push_back(edit); }

// ---- the range cache

bool CKXTextAEOM::CacheStampMatches() const {
  return mEngine && mCache.textLength == mEngine->GetTotalRange().length && mCache.action == mEngine->GetAction();
}

void CKXTextAEOM::Restamp() {
  if (!mEngine) return;
  mCache.textLength = mEngine->GetTotalRange().length;
  mCache.action = mEngine->GetAction();
}

bool CKXTextAEOM::LookUpCachedRange(const SKXRange& resolved, SKXRange& out) const {
  if (!mCache.valid || !CacheStampMatches()) return false;
  if (mCache.key.start != resolved.start || mCache.key.length != resolved.length) return false;
  out = mEngine->CropRange(mCache.value);
  return true;
}

void CKXTextAEOM::StoreCachedRange(const SKXRange& resolved) {
  mCache.valid = true;
  mCache.key = mCache.value = resolved;
  Restamp();
}

// ---- nodes

bool CKXTextAEOM::IsElementClass(DescType kind) {
  return std::find(std::begin(kElementClasses), std::end(kElementClasses), kind) != std::end(kElementClasses);
}

bool CKXTextAEOM::IsNodeProperty(DescType property) {
  return std::find(std::begin(kNodeProperties), std::end(kNodeProperties), property) != std::end(kNodeProperties);
}

CKXTextAEOM* CKXTextAEOM::MakeNewModel(const SKXRange& range, DescType kind, LModelObject* super) {
  if (!super) super = GetSuperModel();
  CKXTextAEOM* node = nullptr;
  if (IsElementClass(kind))
    node = new CKXTextAEOM(mEngine, range, super, kind, pContents);
  else if (IsNodeProperty(kind))
    node = new CKXTextAEOM(mEngine, range, super, kKxClassChar, kind);
  else
    throw LException(errAECantHandleClass);
  node->SetLaziness(true);
  return node;
}

long CKXTextAEOM::CountSubModels(DescType kind) {
  if (!IsElementClass(kind)) return LModelObject::CountSubModels(kind);
  return Engine().CountParts(CroppedRange(), kind);
}

void CKXTextAEOM::GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& outToken) {
  if (!IsElementClass(kind)) {
    LModelObject::GetSubModelByPosition(kind, index, outToken);
    return;
  }
  if (index < 1) throw LException(errAENoSuchObject);
  SKXRange part{0, 0};
  const OSType found = Engine().FindNthPart(CroppedRange(), kind, index, &part);
  if (found == kKxPartKindNull) throw LException(errAENoSuchObject);
  outToken.Add(MakeNewModel(part, IsElementClass(found) ? found : kind, this));
}

void CKXTextAEOM::GetModelByRelativePosition(DescType kind, OSType position, LModelToken& outToken) {
  const SKXRange r = WorkRange();
  std::int32_t at;
  if (position == kAEBeginning || position == kAEBefore || position == kAEPrevious)
    at = r.start;
  else if (position == kAEEnd || position == kAEAfter || position == kAENext)
    at = std::int32_t(UKXRange::End(r));
  else {
    LModelObject::GetModelByRelativePosition(kind, position, outToken);
    return;
  }
  outToken.Add(MakeNewModel({at, 0}, kKxClassChar, this));
}

std::int32_t CKXTextAEOM::GetPositionOfSubModel(DescType kind, const LModelObject* sub) {
  const auto* node = dynamic_cast<const CKXTextAEOM*>(sub);
  if (!IsElementClass(kind) || !node) return LModelObject::GetPositionOfSubModel(kind, sub);
  if (node->mEngine != mEngine) throw LException(errAENoSuchObject);
  long first = 0, last = 0;
  const OSType found = Engine().FindSubRangePartIndices(CroppedRange(), kind, node->CroppedRange(), first, last);
  if (found == kKxPartKindNull || first < 1) throw LException(errAENoSuchObject);
  return std::int32_t(first);
}

void CKXTextAEOM::GetSubModelByComplexKey(DescType kind, DescType keyForm, const AEDesc& keyData,
                                          LModelToken& outToken) {
  if (keyForm != formRange) {
    LModelObject::GetSubModelByComplexKey(kind, keyForm, keyData, outToken);
    return;
  }
  if (!keyData.IsRecord() || keyData.GetType() != typeRangeDescriptor) throw LException(errAECoercionFail);
  // The two ends, each one text node of this engine. A bare index counts
  // among this node's elements of the wanted class (characters for text).
  LModelToken ends[2];
  CKXTextAEOM* nodes[2] = {nullptr, nullptr};
  const AEKeyword keys[2] = {keyAERangeStart, keyAERangeStop};
  for (int i = 0; i < 2; ++i) {
    const AEDesc end = keyData.GetKeyDesc(keys[i]);
    if (NamesObject(end))
      LModelDirector::Resolve(end, ends[i]);
    else
      GetModelToken(IsElementClass(kind) ? kind : kKxClassChar, formAbsolutePosition, end, ends[i]);
    nodes[i] = TextNode(ends[i].Single());
    if (!nodes[i] || nodes[i]->mEngine != mEngine) throw LException(errAENoSuchObject);
  }
  const SKXRange a = nodes[0]->CroppedRange(), b = nodes[1]->CroppedRange();
  // Ends given in either order cover the same text.
  const std::int64_t from = std::min<std::int64_t>(a.start, b.start);
  const std::int64_t to = std::max(UKXRange::End(a), UKXRange::End(b));
  SKXRange result{std::int32_t(from), std::int32_t(to - from)};
  const DescType common = nodes[0]->GetModelKind() == nodes[1]->GetModelKind() ? nodes[0]->GetModelKind()
                                                                                : kKxClassChar;
  if (kind == kKxClassText && result.length > 0) {
    CKXTextAEOM* top = GetSuperAEOM();
    SKXRange cached{0, 0};
    if (top->LookUpCachedRange(result, cached))
      result = cached;
    else
      top->StoreCachedRange(result);
  }
  auto* node = new CKXTextAEOM(mEngine, result, this, IsElementClass(common) ? common : kKxClassChar, pContents);
  node->SetLaziness(true);
  outToken.Add(node);
}

LModelObject* CKXTextAEOM::GetModelProperty(DescType property) {
  if (property == kAEBeginning || property == kAEBefore || property == kAEAfter || property == kAEEnd)
    return GetInsertionElement(property);
  if (IsElementClass(property)) {
    SKXRange part{0, 0};
    CKXTextEngine& engine = Engine();
    if (engine.FindPart(engine.GetTotalRange(), property, CroppedRange(), &part) == kKxPartKindNull)
      throw LException(errAENoSuchObject);
    return MakeNewModel(part, property, this);
  }
  // A property of this node's own text (the selection for the whole text).
  if (IsNodeProperty(property)) return MakeNewModel(LiveRange(), property, this);
  return LModelObject::GetModelProperty(property);
}

void CKXTextAEOM::FindInsertionRange(OSType position, SKXRange& out, bool* atContainer) {
  const SKXRange r = WorkRange();
  bool container = true;
  if (position == kAEBeginning) {
    out = {r.start, 0};
  } else if (position == kAEEnd) {
    out = {std::int32_t(UKXRange::End(r)), 0};
  } else if (position == kAEBefore) {
    out = {r.start, 0}, container = false;
  } else if (position == kAEAfter) {
    out = {std::int32_t(UKXRange::End(r)), 0}, container = false;
  } else if (position == kAEReplace) {
    out = r;
  } else {
    throw LException(errAEBadKeyForm);
  }
  if (atContainer) *atContainer = container;
}

LModelObject* CKXTextAEOM::GetInsertionElement(OSType position) {
  SKXRange r{0, 0};
  FindInsertionRange(position, r, nullptr);
  // Against the node's own text: for the whole text only a replacement of
  // all of it is the node itself, every other place a node of its own.
  const SKXRange own = CroppedRange();
  if (r.start == own.start && r.length == own.length) return this;
  auto* node = new CKXTextAEOM(mEngine, r, this, r.length > 0 ? GetModelKind() : kKxClassChar, pContents);
  node->SetLaziness(true);
  return node;
}

// ---- comparisons

bool CKXTextAEOM::CompareToModel(OSType op, LModelObject* other) {
  CKXTextAEOM* node = TextNode(other);
  if (!node) throw LException(errAEEventNotHandled);
  const std::string a = RangeBytes(CroppedRange());
  const std::string b = node->RangeBytes(node->CroppedRange());
  return CompareSelf(op, a.data(), long(a.size()), b.data(), long(b.size()));
}

bool CKXTextAEOM::CompareToDescriptor(OSType op, const AEDesc& value) {
  // Numbers, codes and records are no text: their raw bytes would compare
  // by accident of layout.
  const std::string b = AECoerceDesc(value, typeChar).AsText();
  const std::string a = RangeBytes(CroppedRange());
  return CompareSelf(op, a.data(), long(a.size()), b.data(), long(b.size()));
}

bool CKXTextAEOM::CompareSelf(OSType op, const char* a, long aLen, const char* b, long bLen) {
  const long shorter = std::min(aLen, bLen);
  const int c = shorter > 0 ? std::memcmp(a, b, std::size_t(shorter)) : 0;
  switch (op) {
    case kAEEquals:
      return c == 0 && aLen == bLen;
    case kAELessThan:
      return c < 0;
    case kAELessThanEquals:
      return c <= 0;
    case kAEGreaterThan:
      return c > 0;
    case kAEGreaterThanEquals:
      return c >= 0;
    case kAEBeginsWith:
      return aLen >= bLen && c == 0;
    case kAEEndsWith:
      return aLen >= bLen && (bLen == 0 || std::memcmp(a + (aLen - bLen), b, std::size_t(bLen)) == 0);
    default:
      throw LException(errAEEventNotHandled);
  }
}

// ---- specifiers

void CKXTextAEOM::MakeTextSelection(const AEDesc& container, DescType kind, const SKXRange& range,
                                    const SKXRange& within, CKXTextEngine* engine, AEDesc& out) {
  if (!engine) throw LException(errAENoSuchObject);
  if (!IsElementClass(kind)) kind = kKxClassChar;
  const std::int64_t withinEnd = UKXRange::End(within);
  if (range.length <= 0) {
    AEDesc reference;
    OSType position = kAEPrevious;
    if (range.start <= within.start) {
      reference = AEMakeIndexSpecifier(kKxClassChar, container, 1);
    } else if (range.start >= withinEnd) {
      reference = AEMakeOrdinalSpecifier(kKxClassChar, container, kAELast);
      position = kAENext;
    } else {
      // The character that starts at the insertion point.
      const long before = engine->CountParts({within.start, range.start - within.start}, kKxClassChar);
      reference = AEMakeIndexSpecifier(kKxClassChar, container, std::int32_t(before + 1));
    }
    out = AEMakeObjectSpecifier(kKxClassInsertion, reference, formRelativePosition,
                                AEDesc::FromCode(typeEnumerated, position));
    return;
  }
  long first = 0, last = 0;
  OSType found = engine->FindSubRangePartIndices(within, kind, range, first, last);
  if (found != kind && IsElementClass(found)) {
    kind = found;
    found = engine->FindSubRangePartIndices(within, kind, range, first, last);
  }
  if (found == kKxPartKindNull || first < 1) throw LException(errAENoSuchObject);
  if (first == last) {
    out = AEMakeIndexSpecifier(kind, container, std::int32_t(first));
    return;
  }
  const AEDesc here = AEMakeCurrentContainer();
  out = AEMakeRangeSpecifier(kKxClassText, container, AEMakeIndexSpecifier(kind, here, std::int32_t(first)),
                             AEMakeIndexSpecifier(kind, here, std::int32_t(last)));
}

void CKXTextAEOM::MakeSpecifier(AEDesc& outSpecifier) {
  // Text nodes are named by their place in the whole text, whatever node
  // they were found through.
  CKXTextAEOM* top = GetSuperAEOM();
  AEDesc container;
  if (top->GetSuperModel()) top->GetSuperModel()->MakeSpecifier(container);
  if (IsWholeText() && Engine().GetSelectionRange().length <= 0) {
    // The text itself.
    if (top == this)
      outSpecifier = container;
    else
      LModelObject::MakeSpecifier(outSpecifier);
    return;
  }
  MakeSelfSpecifier(container, outSpecifier);
}

void CKXTextAEOM::MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) {
  CKXTextEngine& engine = Engine();
  MakeTextSelection(container, GetModelKind(), WorkRange(), engine.GetTotalRange(), &engine, outSpecifier);
}
