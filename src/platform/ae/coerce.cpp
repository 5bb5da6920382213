// Coercion of descriptors between the types the program uses, and the
// value comparisons of whose-tests.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/ae/desc.h"
#include "platform/bytefields.h"
#include "platform/exception.h"

namespace {

bool IsCodeType(DescType t) {
  return t == typeEnumerated || t == typeType || t == typeProperty || t == typeKeyword ||
         t == typeAbsoluteOrdinal;
}

bool IsIntegerType(DescType t) {
  return t == typeShortInteger || t == typeLongInteger || t == typeBoolean || t == typeTrue ||
         t == typeFalse;
}

// Decimal text: optional sign, digits, nothing else (spaces around allowed).
std::optional<std::int64_t> ParseDecimal(std::span<const std::uint8_t> data) {
  std::string s(data.begin(), data.end());
  std::size_t b = s.find_first_not_of(' ');
  std::size_t e = s.find_last_not_of(' ');
  if (b == std::string::npos) return std::nullopt;
  const char* first = s.data() + b;
  const char* last = s.data() + e + 1;
  if (*first == '+') ++first;
  std::int64_t v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return v;
}

// The type of a scalar; 0 for lists and records, whatever type they carry,
// so that their (empty) data is never read as a number or text.
DescType ScalarType(const AEDesc& d) { return d.GetKind() == AEDesc::Kind::kScalar ? d.GetType() : 0; }

// The integer a scalar stands for, when it is a number or a numeric text.
std::optional<std::int64_t> IntegerValue(const AEDesc& d) {
  if (d.GetKind() != AEDesc::Kind::kScalar) return std::nullopt;
  auto data = d.GetData();
  switch (d.GetType()) {
    case typeShortInteger:
      return std::int16_t(KxGetU16BE(data.data()));
    case typeLongInteger:
      return std::int32_t(KxGetU32BE(data.data()));
    case typeBoolean:
      return data[0] != 0 ? 1 : 0;
    case typeTrue:
      return 1;
    case typeFalse:
      return 0;
    case typeChar:
      return ParseDecimal(data);
    default:
      return std::nullopt;
  }
}

std::optional<AEDesc> TryCoerce(const AEDesc& d, DescType to) {
  if (to == typeWildCard || to == d.GetType()) return d;
  if (to == typeAEList) {
    AEDesc list = AEDesc::MakeList();
    list.Append(d);
    return list;
  }
  if (d.IsRecord()) {
    // A record becomes a plain record and back, never one special kind another.
    if (to == typeAERecord || (d.GetType() == typeAERecord && AEIsRecordType(to))) {
      AEDesc r = d;
      r.SetRecordType(to);
      return r;
    }
    return std::nullopt;
  }
  if (d.IsList()) return std::nullopt;
  if (IsCodeType(d.GetType()) && IsCodeType(to)) {
    // A property's size is not fixed: only four bytes make a code.
    if (d.GetData().size() != 4) return std::nullopt;
    return AEDesc(to, d.GetData().data(), 4);
  }
  if (IsIntegerType(d.GetType()) || d.GetType() == typeChar) {
    std::optional<std::int64_t> v = IntegerValue(d);
    if (!v) return std::nullopt;
    switch (to) {
      case typeShortInteger:
        if (*v < std::numeric_limits<std::int16_t>::min() || *v > std::numeric_limits<std::int16_t>::max())
          return std::nullopt;
        return AEDesc::FromShort(std::int16_t(*v));
      case typeLongInteger:
        if (*v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
          return std::nullopt;
        return AEDesc::FromLong(std::int32_t(*v));
      case typeBoolean:
        if (d.GetType() == typeChar || (*v != 0 && *v != 1)) return std::nullopt;
        return AEDesc::FromBoolean(*v != 0);
      case typeChar:
        if (d.GetType() != typeShortInteger && d.GetType() != typeLongInteger) return std::nullopt;
        return AEDesc::FromText(std::to_string(*v));
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

int CompareBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  std::size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool Ordered(OSType op, int c) {
  if (op == kAEEquals) return c == 0;
  if (op == kAELessThan) return c < 0;
  if (op == kAELessThanEquals) return c <= 0;
  if (op == kAEGreaterThan) return c > 0;
  if (op == kAEGreaterThanEquals) return c >= 0;
  throw LException(errAECoercionFail);
}

bool IsOperator(OSType op) {
  return op == kAEEquals || op == kAELessThan || op == kAELessThanEquals || op == kAEGreaterThan ||
         op == kAEGreaterThanEquals || op == kAEBeginsWith || op == kAEEndsWith || op == kAEContains;
}

bool TextOp(OSType op, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  if (op == kAEBeginsWith)
    return a.size() >= b.size() && std::equal(b.begin(), b.end(), a.begin());
  if (op == kAEEndsWith)
    return a.size() >= b.size() && std::equal(b.begin(), b.end(), a.end() - long(b.size()));
  if (op == kAEContains)
    return std::search(a.begin(), a.end(), b.begin(), b.end()) != a.end();
  return Ordered(op, CompareBytes(a, b));
}

}  // namespace

AEDesc AECoerceDesc(const AEDesc& desc, DescType toType) {
  std::optional<AEDesc> r = TryCoerce(desc, toType);
  if (!r) throw LException(errAECoercionFail);
  return std::move(*r);
}

bool AECanCoerce(const AEDesc& desc, DescType toType) { return TryCoerce(desc, toType).has_value(); }

bool AECompareDescs(OSType op, const AEDesc& a, const AEDesc& b) {
  if (!IsOperator(op)) throw LException(errAEEventNotHandled);
  if (op == kAEContains && a.IsList()) {
    for (long i = 1; i <= a.CountItems(); ++i)
      if (AECompareDescs(kAEEquals, a.GetNth(i), b)) return true;
    return false;
  }
  DescType ta = ScalarType(a), tb = ScalarType(b);
  // Numbers compare by value, also against numeric text.
  if (IsIntegerType(ta) || IsIntegerType(tb)) {
    std::optional<std::int64_t> x = IntegerValue(a), y = IntegerValue(b);
    if (!x || !y) {
      if (op == kAEEquals) return false;
      throw LException(errAECoercionFail);
    }
    return Ordered(op, *x < *y ? -1 : *x > *y ? 1 : 0);
  }
  if (ta == typeChar || tb == typeChar) {
    if (ta != tb) {
      if (op == kAEEquals) return false;
      throw LException(errAECoercionFail);
    }
    return TextOp(op, a.GetData(), b.GetData());
  }
  if (IsCodeType(ta) && IsCodeType(tb)) {
    if (op != kAEEquals) throw LException(errAECoercionFail);
    return a.AsCode() == b.AsCode();
  }
  if (op != kAEEquals) throw LException(errAECoercionFail);
  return a == b;
}
