// Descriptors in memory: construction, items, keys and structure checks.
#include "platform/ae/desc.h"

#include <algorithm>
#include <cstring>

#include "platform/bytefields.h"
#include "platform/exception.h"

namespace {

[[noreturn]] void Fail(OSErr err) { throw LException(err); }


}  // namespace

long AEFixedDataSize(DescType type) {
  switch (type) {
    case typeNull:
    case typeTrue:
    case typeFalse:
    case typeCurrentContainer:
    case typeObjectBeingExamined:
      return 0;
    case typeBoolean:
      return 1;
    case typeShortInteger:
      return 2;
    case typeLongInteger:
    case typeEnumerated:
    case typeType:
    case typeKeyword:
    case typeAbsoluteOrdinal:
      return 4;
    case typeRGBColor:
      return 6;
    default:
      return -1;
  }
}

bool AEIsRecordType(DescType type) {
  return type != typeAEList && AEFixedDataSize(type) < 0 && type != typeChar && type != typeFilePath &&
         type != typeWildCard;
}

AEDesc::AEDesc(DescType type, const void* data, std::size_t size) { ReplaceData(type, data, size); }

AEDesc AEDesc::MakeList() {
  AEDesc d;
  d.mType = typeAEList;
  d.mKind = Kind::kList;
  return d;
}

AEDesc AEDesc::MakeRecord(DescType type) {
  if (!AEIsRecordType(type)) Fail(errAEWrongDataType);
  AEDesc d;
  d.mType = type;
  d.mKind = Kind::kRecord;
  return d;
}

AEDesc AEDesc::FromLong(std::int32_t v) {
  std::uint8_t b[4];
  KxPutU32BE(b, std::uint32_t(v));
  return AEDesc(typeLongInteger, b, 4);
}

AEDesc AEDesc::FromShort(std::int16_t v) {
  std::uint8_t b[2];
  KxPutU16BE(b, std::uint16_t(v));
  return AEDesc(typeShortInteger, b, 2);
}

AEDesc AEDesc::FromBoolean(bool v) {
  std::uint8_t b = v ? 1 : 0;
  return AEDesc(typeBoolean, &b, 1);
}

AEDesc AEDesc::FromText(std::string_view bytes) { return AEDesc(typeChar, bytes.data(), bytes.size()); }

AEDesc AEDesc::FromCode(DescType type, OSType code) {
  std::uint8_t b[4];
  KxPutU32BE(b, code);
  return AEDesc(type, b, 4);
}

void AEDesc::ReplaceData(DescType type, const void* data, std::size_t size) {
  long fixed = AEFixedDataSize(type);
  if (type == typeAEList || type == typeAERecord || (fixed >= 0 && std::size_t(fixed) != size))
    Fail(errAEWrongDataType);
  std::vector<std::uint8_t> bytes(size);
  if (size > 0) std::memcpy(bytes.data(), data, size);
  mType = type;
  mKind = Kind::kScalar;
  mData = std::move(bytes);
  mKeys.clear();
  mItems.clear();
}

void AEDesc::SetRecordType(DescType type) {
  if (mKind != Kind::kRecord || !AEIsRecordType(type)) Fail(errAEWrongDataType);
  mType = type;
}

long AEDesc::CountItems() const {
  if (IsNull()) return 0;
  if (mKind == Kind::kScalar) Fail(errAEWrongDataType);
  return long(mItems.size());
}

const AEDesc& AEDesc::GetNth(long index, AEKeyword* keyword) const {
  if (index < 1 || index > CountItems()) Fail(errAEIllegalIndex);
  if (keyword) *keyword = mKeys[std::size_t(index - 1)];
  return mItems[std::size_t(index - 1)];
}

AEDesc AEDesc::GetNthDesc(long index, DescType desired, AEKeyword* keyword) const {
  return AECoerceDesc(GetNth(index, keyword), desired);
}

void AEDesc::Append(const AEDesc& item, AEKeyword keyword) {
  if (mKind == Kind::kRecord) {
    PutKeyDesc(keyword, item);
    return;
  }
  if (mKind != Kind::kList) Fail(errAEWrongDataType);
  mItems.push_back(item);
  mKeys.push_back(0);
}

void AEDesc::PutNth(long index, const AEDesc& item) {
  long count = CountItems();
  if (index == count + 1 && mKind == Kind::kList) {
    Append(item);
    return;
  }
  if (index < 1 || index > count) Fail(errAEIllegalIndex);
  mItems[std::size_t(index - 1)] = item;
}

void AEDesc::DeleteNth(long index) {
  if (index < 1 || index > CountItems()) Fail(errAEIllegalIndex);
  mItems.erase(mItems.begin() + (index - 1));
  mKeys.erase(mKeys.begin() + (index - 1));
}

const AEDesc* AEDesc::FindKey(AEKeyword key) const {
  if (mKind != Kind::kRecord) return nullptr;
  for (std::size_t i = 0; i < mKeys.size(); ++i)
    if (mKeys[i] == key) return &mItems[i];
  return nullptr;
}

AEDesc* AEDesc::FindKey(AEKeyword key) {
  return const_cast<AEDesc*>(static_cast<const AEDesc&>(*this).FindKey(key));
}

AEDesc AEDesc::GetKeyDesc(AEKeyword key, DescType desired) const {
  if (mKind != Kind::kRecord) Fail(errAEWrongDataType);
  const AEDesc* item = FindKey(key);
  if (!item) Fail(errAEDescNotFound);
  return AECoerceDesc(*item, desired);
}

void AEDesc::PutKeyDesc(AEKeyword key, const AEDesc& item) {
  if (mKind != Kind::kRecord) Fail(errAEWrongDataType);
  for (std::size_t i = 0; i < mKeys.size(); ++i) {
    if (mKeys[i] == key) {
      mItems[i] = item;
      return;
    }
  }
  mItems.push_back(item);
  mKeys.push_back(key);
}

void AEDesc::PutKeyPtr(AEKeyword key, DescType type, const void* data, std::size_t size) {
  PutKeyDesc(key, AEDesc(type, data, size));
}

void AEDesc::DeleteKey(AEKeyword key) {
  if (mKind != Kind::kRecord) Fail(errAEWrongDataType);
  for (std::size_t i = 0; i < mKeys.size(); ++i) {
    if (mKeys[i] == key) {
      mItems.erase(mItems.begin() + long(i));
      mKeys.erase(mKeys.begin() + long(i));
      return;
    }
  }
}

std::int32_t AEDesc::AsLong() const {
  AEDesc d = AECoerceDesc(*this, typeLongInteger);
  return std::int32_t(KxGetU32BE(d.mData.data()));
}

std::int16_t AEDesc::AsShort() const {
  AEDesc d = AECoerceDesc(*this, typeShortInteger);
  return std::int16_t(KxGetU16BE(d.mData.data()));
}

bool AEDesc::AsBoolean() const { return AECoerceDesc(*this, typeBoolean).mData[0] != 0; }

OSType AEDesc::AsCode() const {
  switch (mType) {
    case typeEnumerated:
    case typeType:
    case typeProperty:
    case typeKeyword:
    case typeAbsoluteOrdinal:
      if (mKind == Kind::kScalar && mData.size() == 4) return KxGetU32BE(mData.data());
      break;
    default:
      break;
  }
  Fail(errAECoercionFail);
}

std::string AEDesc::AsText() const {
  AEDesc d = AECoerceDesc(*this, typeChar);
  return std::string(d.mData.begin(), d.mData.end());
}

namespace {

void CheckAt(const AEDesc& d, int depth) {
  if (depth > kAEMaxDepth) throw LException(errAECorruptData);
  switch (d.GetKind()) {
    case AEDesc::Kind::kScalar: {
      long fixed = AEFixedDataSize(d.GetType());
      if (d.GetType() == typeAEList || d.GetType() == typeAERecord) throw LException(errAECorruptData);
      if (fixed >= 0 && std::size_t(fixed) != d.GetDataSize()) throw LException(errAECorruptData);
      if (d.GetType() == typeBoolean && d.GetData()[0] > 1) throw LException(errAECorruptData);
      return;
    }
    case AEDesc::Kind::kList:
      if (d.GetType() != typeAEList) throw LException(errAECorruptData);
      break;
    case AEDesc::Kind::kRecord: {
      if (!AEIsRecordType(d.GetType())) throw LException(errAECorruptData);
      // One item per keyword: sorted, so that large records stay cheap.
      std::vector<AEKeyword> keys;
      for (long i = 1; i <= d.CountItems(); ++i) d.GetNth(i, &keys.emplace_back());
      std::sort(keys.begin(), keys.end());
      if (std::adjacent_find(keys.begin(), keys.end()) != keys.end()) throw LException(errAECorruptData);
      break;
    }
  }
  for (long i = 1; i <= d.CountItems(); ++i) CheckAt(d.GetNth(i), depth + 1);
}

}  // namespace

void AEDesc::Check() const { CheckAt(*this, 0); }

AppleEvent::AppleEvent(AEEventClass eventClass, AEEventID eventID)
    : mClass(eventClass), mID(eventID), mParams(AEDesc::MakeRecord(typeAppleEvent)) {}

OSStatus AppleEvent::GetErrorNumber() const {
  const AEDesc* err = mParams.FindKey(keyErrorNumber);
  if (!err) return noErr;
  return err->AsLong();
}
