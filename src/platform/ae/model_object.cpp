// Default behaviour of model objects, tokens and properties.
#include "platform/ae/model_object.h"

#include <algorithm>
#include <utility>

#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"

// ---- LModelToken

LModelToken::LModelToken(const LModelToken& other) : mIsList(other.mIsList) {
  for (const Entry& e : other.mEntries) Add(e.object);
}

LModelToken& LModelToken::operator=(const LModelToken& other) {
  if (this != &other) {
    LModelToken copy(other);
    Clear();
    std::swap(mEntries, copy.mEntries);
    mIsList = copy.mIsList;
  }
  return *this;
}

LModelToken::LModelToken(LModelToken&& other) noexcept
    : mEntries(std::move(other.mEntries)), mIsList(other.mIsList) {
  other.mEntries.clear();
  other.mIsList = false;
}

LModelToken& LModelToken::operator=(LModelToken&& other) noexcept {
  if (this != &other) {
    Clear();
    std::swap(mEntries, other.mEntries);
    mIsList = other.mIsList;
    other.mIsList = false;
  }
  return *this;
}

LModelToken::~LModelToken() { Clear(); }

void LModelToken::Add(LModelObject* object) {
  if (!object) return;
  // Room first, before the use is taken, so that nothing below throws; it
  // doubles, so that "every character" of a long text is not copied over
  // once an element.
  if (mEntries.size() == mEntries.capacity()) mEntries.reserve(std::max<std::size_t>(16, 2 * mEntries.capacity()));
  bool counted = object->IsLazy();
  if (counted) object->AddTokenUse();
  mEntries.push_back({object, counted});
}

LModelObject* LModelToken::Single() const {
  if (mEntries.empty()) throw LException(errAENoSuchObject);
  if (IsList()) throw LException(errAEEventNotHandled);
  return mEntries[0].object;
}

void LModelToken::Clear() {
  std::vector<Entry> entries;
  std::swap(entries, mEntries);
  mIsList = false;
  // Released last to first: later objects may hold uses of earlier ones.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->counted) it->object->RemoveTokenUse();
}

// ---- LModelObject

LModelObject::LModelObject(LModelObject* superModel, DescType kind) : mModelKind(kind) {
  SetSuperModel(superModel);
}

LModelObject::~LModelObject() { SetSuperModel(nullptr); }

void LModelObject::SetSuperModel(LModelObject* superModel) {
  LModelObject* old = mSuperModel;
  bool held = mHoldsSuper;
  mSuperModel = superModel;
  mHoldsSuper = superModel && superModel->IsLazy();
  if (mHoldsSuper) superModel->AddTokenUse();
  if (held) old->RemoveTokenUse();
}

void LModelObject::AddTokenUse() { ++mTokenUses; }

void LModelObject::RemoveTokenUse() {
  if (mTokenUses > 0 && --mTokenUses == 0 && mLazy) delete this;
}

long LModelObject::CountSubModels(DescType) { return 0; }

void LModelObject::GetSubModelByPosition(DescType, std::int32_t, LModelToken&) {
  throw LException(errAENoSuchObject);
}

void LModelObject::GetSubModelByName(DescType, const AEDesc&, LModelToken&) { throw LException(errAENoSuchObject); }

std::int32_t LModelObject::GetPositionOfSubModel(DescType, const LModelObject*) {
  throw LException(errAEEventNotHandled);
}

void LModelObject::GetModelByRelativePosition(DescType kind, OSType position, LModelToken& outToken) {
  if (position != kAENext && position != kAEPrevious) throw LException(errAEBadKeyForm);
  LModelObject* super = GetSuperModel();
  if (!super) throw LException(errAENoSuchObject);
  std::int64_t at = super->GetPositionOfSubModel(kind, this) + (position == kAENext ? 1 : -1);
  if (at < 1 || at > super->CountSubModels(kind)) throw LException(errAENoSuchObject);
  super->GetSubModelByPosition(kind, std::int32_t(at), outToken);
}

void LModelObject::GetSubModelByComplexKey(DescType kind, DescType keyForm, const AEDesc& keyData,
                                           LModelToken& outToken) {
  LModelDirector* director = LModelDirector::GetDirector();
  if (director && keyForm == formRange) {
    director->ResolveRange(this, kind, keyData, outToken);
  } else if (director && keyForm == formTest) {
    director->ResolveTest(this, kind, keyData, outToken);
  } else {
    throw LException(errAEEventNotHandled);
  }
}

LModelObject* LModelObject::GetModelProperty(DescType property) { return new LModelProperty(property, this); }

void LModelObject::GetModelToken(DescType kind, DescType keyForm, const AEDesc& keyData, LModelToken& outToken) {
  switch (keyForm) {
    case formPropertyID: {
      LModelObject* property = GetModelProperty(keyData.AsCode());
      outToken.Add(property);
      return;
    }
    case formAbsolutePosition: {
      std::int32_t index = 0;
      if (keyData.GetType() == typeAbsoluteOrdinal) {
        OSType ordinal = keyData.AsCode();
        long count = CountSubModels(kind);
        if (ordinal == kAEAll) {
          outToken.MarkList();
          for (long i = 1; i <= count; ++i) GetSubModelByPosition(kind, std::int32_t(i), outToken);
          return;
        }
        if (count < 1) throw LException(errAENoSuchObject);
        if (ordinal == kAEFirst) {
          index = 1;
        } else if (ordinal == kAELast) {
          index = std::int32_t(count);
        } else if (ordinal == kAEMiddle) {
          index = std::int32_t((count + 1) / 2);
        } else if (ordinal == kAEAny) {
          LModelDirector* director = LModelDirector::GetDirector();
          index = director ? director->PickAny(std::int32_t(count)) : 1;
        } else {
          throw LException(errAEBadKeyForm);
        }
      } else {
        index = keyData.AsLong();
        if (index < 0) {
          // -1 is the last element, -count the first.
          std::int64_t from = std::int64_t(CountSubModels(kind)) + 1 + index;
          if (from < 1) throw LException(errAENoSuchObject);
          index = std::int32_t(from);
        }
        if (index == 0) throw LException(errAENoSuchObject);
      }
      GetSubModelByPosition(kind, index, outToken);
      return;
    }
    case formName:
      GetSubModelByName(kind, keyData, outToken);
      return;
    case formRelativePosition:
      GetModelByRelativePosition(kind, keyData.AsCode(), outToken);
      return;
    default:
      GetSubModelByComplexKey(kind, keyForm, keyData, outToken);
      return;
  }
}

bool LModelObject::CompareToModel(OSType, LModelObject*) { throw LException(errAEEventNotHandled); }

bool LModelObject::CompareToDescriptor(OSType, const AEDesc&) { throw LException(errAEEventNotHandled); }

void LModelObject::MakeSpecifier(AEDesc& outSpecifier) {
  AEDesc container;   // the application
  if (GetSuperModel()) GetSuperModel()->MakeSpecifier(container);
  MakeSelfSpecifier(container, outSpecifier);
}

void LModelObject::MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) {
  LModelObject* super = GetSuperModel();
  if (!super) {
    outSpecifier = container;
    return;
  }
  outSpecifier = AEMakeIndexSpecifier(GetModelKind(), container, super->GetPositionOfSubModel(GetModelKind(), this));
}

void LModelObject::GetAEProperty(DescType property, const AEDesc&, AEDesc& outValue) {
  if (property == pClass) {
    outValue = AEDesc::FromCode(typeType, GetModelKind());
  } else if (property == pContents) {
    MakeSpecifier(outValue);
  } else {
    throw LException(errAENoSuchObject);
  }
}

void LModelObject::SetAEProperty(DescType property, const AEDesc&, AEDesc&) {
  if (property == pClass) throw LException(errAEEventNotHandled);
  throw LException(errAENoSuchObject);
}

void LModelObject::GetImportantAEProperties(AERecord& outRecord) {
  outRecord.PutKeyDesc(pClass, AEDesc::FromCode(typeType, GetModelKind()));
}

void LModelObject::HandleAppleEventAll(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult,
                                       long number) {
  HandleAppleEvent(event, reply, outResult, number);
}

namespace {

AEDesc RequestedType(const AppleEvent& event) {
  const AEDesc* t = event.GetParams().FindKey(keyAERequestedType);
  return t ? *t : AEDesc::FromCode(typeType, typeWildCard);
}

// A value in the type the event asked for, when it named one type; a list
// of types, or none, leaves the choice to the object that answered.
void CoerceToRequested(AEDesc& value, const AEDesc& requested) {
  if (requested.GetType() != typeType || value.IsNull()) return;
  DescType type = requested.AsCode();
  if (type == typeWildCard || type == typeNull || type == value.GetType()) return;
  value = AECoerceDesc(value, type);
}

// The size the value takes as data: its bytes, or its flat form without the
// stream head for a list or record.
std::int32_t DataSize(const AEDesc& value) {
  std::size_t size = value.GetKind() == AEDesc::Kind::kScalar ? value.GetDataSize() : AEFlattenDesc(value).size() - 6;
  if (size > std::size_t(kKxMaxOffset)) throw LException(errAECoercionFail);
  return std::int32_t(size);
}

}  // namespace

void LModelObject::HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number) {
  switch (number) {
    case kAENumGetData:
      GetAEProperty(pContents, RequestedType(event), outResult);
      CoerceToRequested(outResult, RequestedType(event));
      return;
    case kAENumGetDataSize: {
      AEDesc value;
      GetAEProperty(pContents, RequestedType(event), value);
      outResult = AEDesc::FromLong(DataSize(value));
      return;
    }
    case kAENumSetData:
      SetAEProperty(pContents, event.GetParamDesc(keyAEData), outResult);
      return;
    case kAENumDelete:
      HandleDelete(reply, outResult);
      return;
    case kAENumClone:
      HandleClone(event, outResult);
      return;
    case kAENumMove:
      HandleMove(event, outResult);
      return;
    default:
      throw LException(errAEEventNotHandled);
  }
}

LModelObject* LModelObject::GetInsertionTarget(OSType) { return this; }

LModelObject* LModelObject::GetInsertionElement(OSType) { return this; }

void LModelObject::HandleCreateElementEvent(DescType, OSType, LModelObject*, const AppleEvent&, AEDesc&) {
  throw LException(errAEEventNotHandled);
}

void LModelObject::HandleDelete(AppleEvent&, AEDesc&) { throw LException(errAEEventNotHandled); }

void LModelObject::HandleClone(const AppleEvent&, AEDesc&) { throw LException(errAEEventNotHandled); }

void LModelObject::HandleMove(const AppleEvent&, AEDesc&) { throw LException(errAEEventNotHandled); }

// ---- LModelProperty

LModelProperty::LModelProperty(DescType property, LModelObject* superModel, bool beLazy)
    : LModelObject(superModel, cProperty), mPropertyID(property) {
  SetLaziness(beLazy);
}

AEDesc LModelProperty::GetValue() {
  if (!GetSuperModel()) throw LException(errAENoSuchObject);
  AEDesc value;
  GetSuperModel()->GetAEProperty(mPropertyID, AEDesc::FromCode(typeType, typeWildCard), value);
  return value;
}

bool LModelProperty::CompareToModel(OSType op, LModelObject* other) {
  auto* property = dynamic_cast<LModelProperty*>(other);
  if (!property) throw LException(errAEEventNotHandled);
  return AECompareDescs(op, GetValue(), property->GetValue());
}

bool LModelProperty::CompareToDescriptor(OSType op, const AEDesc& value) {
  return AECompareDescs(op, GetValue(), value);
}

void LModelProperty::MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) {
  outSpecifier = AEMakePropertySpecifier(mPropertyID, container);
}

void LModelProperty::HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number) {
  LModelObject* super = GetSuperModel();
  if (!super) throw LException(errAENoSuchObject);
  switch (number) {
    case kAENumGetData:
      super->GetAEProperty(mPropertyID, RequestedType(event), outResult);
      CoerceToRequested(outResult, RequestedType(event));
      return;
    case kAENumGetDataSize: {
      AEDesc value;
      super->GetAEProperty(mPropertyID, RequestedType(event), value);
      outResult = AEDesc::FromLong(DataSize(value));
      return;
    }
    case kAENumSetData:
      super->SetAEProperty(mPropertyID, event.GetParamDesc(keyAEData), outResult);
      return;
    default:
      LModelObject::HandleAppleEvent(event, reply, outResult, number);
  }
}
