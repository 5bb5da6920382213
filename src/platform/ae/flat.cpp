// The flat form of descriptors (layout in desc.h). The reader trusts
// nothing: each field is checked against the bytes that remain before use.
#include <limits>

#include "platform/ae/desc.h"
#include "platform/bytefields.h"
#include "platform/exception.h"

namespace {

constexpr OSType kFlatMagic = FourCC("KXAD");
constexpr std::uint16_t kFlatVersion = 1;
constexpr std::size_t kHeadSize = 6;            // magic, version
constexpr std::size_t kDescHeadSize = 4 + 1 + 4;   // type, kind, size or count
constexpr std::size_t kRecordItemMin = 4 + kDescHeadSize;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t b[4];
  KxPutU32BE(b, v);
  out.insert(out.end(), b, b + 4);
}

std::uint32_t CheckedU32(std::size_t n) {
  if (n > std::numeric_limits<std::uint32_t>::max()) throw LException(errAECorruptData);
  return std::uint32_t(n);
}

void Write(std::vector<std::uint8_t>& out, const AEDesc& d) {
  PutU32(out, d.GetType());
  out.push_back(std::uint8_t(d.GetKind()));
  if (d.GetKind() == AEDesc::Kind::kScalar) {
    auto data = d.GetData();
    PutU32(out, CheckedU32(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return;
  }
  long count = d.CountItems();
  PutU32(out, CheckedU32(std::size_t(count)));
  for (long i = 1; i <= count; ++i) {
    AEKeyword key = 0;
    const AEDesc& item = d.GetNth(i, &key);
    if (d.IsRecord()) PutU32(out, key);
    Write(out, item);
  }
}

}  // namespace

class AEFlatReader {
 public:
  explicit AEFlatReader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}

  AEDesc ReadStream() {
    Need(kHeadSize);
    if (KxGetU32BE(Here()) != kFlatMagic || KxGetU16BE(Here() + 4) != kFlatVersion) Bad();
    mPos += kHeadSize;
    AEDesc d = ReadDesc(0);
    if (mPos != mBytes.size()) Bad();   // trailing bytes
    d.Check();
    return d;
  }

 private:
  [[noreturn]] static void Bad() { throw LException(errAECorruptData); }
  const std::uint8_t* Here() const { return mBytes.data() + mPos; }
  std::size_t Left() const { return mBytes.size() - mPos; }
  void Need(std::size_t n) const {
    if (n > Left()) Bad();
  }
  std::uint32_t U32() {
    Need(4);
    std::uint32_t v = KxGetU32BE(Here());
    mPos += 4;
    return v;
  }

  AEDesc ReadDesc(int depth) {
    if (depth > kAEMaxDepth) Bad();
    DescType type = U32();
    Need(1);
    std::uint8_t kind = *Here();
    mPos += 1;
    std::uint32_t n = U32();
    AEDesc d;
    switch (kind) {
      case std::uint8_t(AEDesc::Kind::kScalar): {
        Need(n);
        long fixed = AEFixedDataSize(type);
        if (type == typeAEList || type == typeAERecord || (fixed >= 0 && std::uint32_t(fixed) != n)) Bad();
        d.ReplaceData(type, Here(), n);
        mPos += n;
        return d;
      }
      case std::uint8_t(AEDesc::Kind::kList): {
        if (type != typeAEList) Bad();
        // Every item takes at least a head: a count the bytes cannot hold is a lie.
        if (n > Left() / kDescHeadSize) Bad();
        d = AEDesc::MakeList();
        d.mItems.reserve(n);
        d.mKeys.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) d.Append(ReadDesc(depth + 1));
        return d;
      }
      case std::uint8_t(AEDesc::Kind::kRecord): {
        if (!AEIsRecordType(type) || n > Left() / kRecordItemMin) Bad();
        d = AEDesc::MakeRecord(type);
        d.mItems.reserve(n);
        d.mKeys.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
          AEKeyword key = U32();
          // Appended directly: duplicate keywords are found by Check().
          d.mItems.push_back(ReadDesc(depth + 1));
          d.mKeys.push_back(key);
        }
        return d;
      }
      default:
        Bad();
    }
  }

  std::span<const std::uint8_t> mBytes;
  std::size_t mPos = 0;
};

std::vector<std::uint8_t> AEFlattenDesc(const AEDesc& desc) {
  desc.Check();   // what we write, we can read back
  std::vector<std::uint8_t> out;
  PutU32(out, kFlatMagic);
  out.push_back(std::uint8_t(kFlatVersion >> 8));
  out.push_back(std::uint8_t(kFlatVersion));
  Write(out, desc);
  return out;
}

AEDesc AEUnflattenDesc(std::span<const std::uint8_t> bytes) { return AEFlatReader(bytes).ReadStream(); }
