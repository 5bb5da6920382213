// Apple-event descriptors held in memory: typed data, lists and records
// (object specifiers, ranges and the like are records of their own type),
// and the events that carry them. Values copy like strings; nothing needs
// disposing. Operations that fail throw LException with an AE error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ae/ae_codes.h"

class AEDesc {
 public:
  enum class Kind : std::uint8_t { kScalar = 0, kList = 1, kRecord = 2 };

  AEDesc() = default;   // typeNull, no data
  AEDesc(DescType type, const void* data, std::size_t size);   // a scalar

  static AEDesc MakeList();
  static AEDesc MakeRecord(DescType type = typeAERecord);
  static AEDesc FromLong(std::int32_t v);
  static AEDesc FromShort(std::int16_t v);
  static AEDesc FromBoolean(bool v);
  static AEDesc FromText(std::string_view bytes);   // typeChar
  // A four-character code as data: typeEnumerated, typeType, typeProperty,
  // typeKeyword or typeAbsoluteOrdinal.
  static AEDesc FromCode(DescType type, OSType code);

  DescType GetType() const { return mType; }
  Kind GetKind() const { return mKind; }
  bool IsNull() const { return mKind == Kind::kScalar && mType == typeNull; }
  bool IsList() const { return mKind == Kind::kList; }
  bool IsRecord() const { return mKind == Kind::kRecord; }

  // The data of a scalar (empty for lists and records).
  std::span<const std::uint8_t> GetData() const { return mData; }
  std::size_t GetDataSize() const { return mData.size(); }
  // Makes this a scalar of the given type and data.
  void ReplaceData(DescType type, const void* data, std::size_t size);
  // Retypes a record (to "obj ", "insl", ... or back to "reco").
  void SetRecordType(DescType type);

  // Lists and records, items counted from 1. CountItems is 0 for a null
  // descriptor; other scalars throw errAEWrongDataType.
  long CountItems() const;
  const AEDesc& GetNth(long index, AEKeyword* keyword = nullptr) const;   // errAEIllegalIndex
  AEDesc GetNthDesc(long index, DescType desired, AEKeyword* keyword = nullptr) const;
  // Appends to a list (any keyword is dropped) or a record (the keyword replaces
  // an item of the same keyword).
  void Append(const AEDesc& item, AEKeyword keyword = 0);
  void PutNth(long index, const AEDesc& item);   // index count + 1 appends
  void DeleteNth(long index);

  // Records.
  const AEDesc* FindKey(AEKeyword key) const;
  AEDesc* FindKey(AEKeyword key);   // for changing an item where it stands
  bool HasKey(AEKeyword key) const { return FindKey(key) != nullptr; }
  // The item coerced to `desired`: errAEDescNotFound when missing.
  AEDesc GetKeyDesc(AEKeyword key, DescType desired = typeWildCard) const;
  void PutKeyDesc(AEKeyword key, const AEDesc& item);
  void PutKeyPtr(AEKeyword key, DescType type, const void* data, std::size_t size);
  void DeleteKey(AEKeyword key);

  // Values through coercion (errAECoercionFail when not possible).
  std::int32_t AsLong() const;
  std::int16_t AsShort() const;
  bool AsBoolean() const;
  OSType AsCode() const;      // enumerator, type, property, keyword or ordinal
  std::string AsText() const; // the bytes of typeChar

  // Structure and size checks: kinds match types, fixed-size scalars have
  // their size, nesting stays within kAEMaxDepth. Throws errAECorruptData.
  void Check() const;
  bool operator==(const AEDesc& other) const = default;

 private:
  friend class AEFlatReader;
  DescType mType = typeNull;
  Kind mKind = Kind::kScalar;
  std::vector<std::uint8_t> mData;
  std::vector<AEKeyword> mKeys;   // one per item; 0 in lists
  std::vector<AEDesc> mItems;
};

using AERecord = AEDesc;
using AEDescList = AEDesc;

// Deepest nesting of lists and records accepted from outside (a specifier
// takes two levels per container).
constexpr int kAEMaxDepth = 32;

// The data size a scalar type must have, or -1 when any size is allowed.
long AEFixedDataSize(DescType type);
// Whether a record may carry the type: not a list's, nor one of a scalar
// with a known layout, so that a type alone never promises data a record lacks.
bool AEIsRecordType(DescType type);

// An event: its class and ID and a record of parameters.
class AppleEvent {
 public:
  AppleEvent(AEEventClass eventClass, AEEventID eventID);
  static AppleEvent MakeReply() { return AppleEvent(kCoreEventClass, kAEAnswer); }

  AEEventClass GetEventClass() const { return mClass; }
  AEEventID GetEventID() const { return mID; }
  const AERecord& GetParams() const { return mParams; }
  AERecord& GetParams() { return mParams; }

  bool HasParam(AEKeyword key) const { return mParams.HasKey(key); }
  AEDesc GetParamDesc(AEKeyword key, DescType desired = typeWildCard) const {
    return mParams.GetKeyDesc(key, desired);
  }
  void PutParamDesc(AEKeyword key, const AEDesc& d) { mParams.PutKeyDesc(key, d); }
  // The error code a reply carries under keyErrorNumber, noErr without one.
  OSStatus GetErrorNumber() const;

 private:
  AEEventClass mClass;
  AEEventID mID;
  AERecord mParams;
};

// Coercion between the types the program uses: numbers, booleans, text,
// four-character codes, record types, and anything into a one-item list.
// Throws errAECoercionFail.
AEDesc AECoerceDesc(const AEDesc& desc, DescType toType);
bool AECanCoerce(const AEDesc& desc, DescType toType);

// Whose-test comparison of two values: numbers by value, text by bytes,
// codes and other data by equality. Unknown operators throw
// errAEEventNotHandled, values that cannot be compared errAECoercionFail.
bool AECompareDescs(OSType op, const AEDesc& a, const AEDesc& b);

// The flat form of a descriptor, for drags, files and the clipboard.
// Big-endian, field by field:
//   stream   := magic "KXAD" (4), version (2) = 1, desc
//   desc     := type (4), kind (1: 0 scalar, 1 list, 2 record), body
//   scalar   := size (4), data
//   list     := count (4), desc * count
//   record   := count (4), (keyword (4), desc) * count
// Unflatten checks every size and count against the bytes left, nesting
// against kAEMaxDepth and the result with Check(); anything else, trailing
// bytes included, is errAECorruptData.
std::vector<std::uint8_t> AEFlattenDesc(const AEDesc& desc);
AEDesc AEUnflattenDesc(std::span<const std::uint8_t> bytes);
