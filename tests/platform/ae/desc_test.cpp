// Descriptors: coercion, comparison, list and record items, and the flat
// form with every kind of damage an outside descriptor may carry.
#include "platform/ae/desc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

#include "platform/ae/specifier.h"
#include "platform/bytefields.h"
#include "platform/exception.h"

namespace {

OSStatus ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const LException& e) {
    return OSStatus(e.GetErrorCode());
  }
  return noErr;
}

AEDesc Code(DescType t, const char (&c)[5]) { return AEDesc::FromCode(t, FourCC(c)); }

}  // namespace

TEST(AEDesc, Coercions) {
  struct Case {
    const char* what;
    AEDesc from;
    DescType to;
    AEDesc expect;   // null: the coercion fails
  } cases[] = {
      {"long to short", AEDesc::FromLong(-7), typeShortInteger, AEDesc::FromShort(-7)},
      {"long too big for short", AEDesc::FromLong(40000), typeShortInteger, AEDesc()},
      {"short to long", AEDesc::FromShort(-32768), typeLongInteger, AEDesc::FromLong(-32768)},
      {"text to long", AEDesc::FromText(" -12 "), typeLongInteger, AEDesc::FromLong(-12)},
      {"text with plus", AEDesc::FromText("+5"), typeLongInteger, AEDesc::FromLong(5)},
      {"text too big for long", AEDesc::FromText("2147483648"), typeLongInteger, AEDesc()},
      {"text not a number", AEDesc::FromText("1e3"), typeLongInteger, AEDesc()},
      {"empty text", AEDesc::FromText(""), typeLongInteger, AEDesc()},
      {"long to text", AEDesc::FromLong(-2147483647 - 1), typeChar, AEDesc::FromText("-2147483648")},
      {"bool to long", AEDesc::FromBoolean(true), typeLongInteger, AEDesc::FromLong(1)},
      {"true to bool", AEDesc(typeTrue, nullptr, 0), typeBoolean, AEDesc::FromBoolean(true)},
      {"long 0 to bool", AEDesc::FromLong(0), typeBoolean, AEDesc::FromBoolean(false)},
      {"long 2 to bool", AEDesc::FromLong(2), typeBoolean, AEDesc()},
      {"text to bool", AEDesc::FromText("1"), typeBoolean, AEDesc()},
      {"enum to type", Code(typeEnumerated, "bold"), typeType, Code(typeType, "bold")},
      {"property to keyword", Code(typeProperty, "pnam"), typeKeyword, Code(typeKeyword, "pnam")},
      {"enum to long", Code(typeEnumerated, "bold"), typeLongInteger, AEDesc()},
      {"short property to enum", AEDesc(typeProperty, "b", 1), typeEnumerated, AEDesc()},
      {"anything to wildcard", AEDesc::FromText("x"), typeWildCard, AEDesc::FromText("x")},
      {"null to text", AEDesc(), typeChar, AEDesc()},
      {"specifier to record",
       AEMakeIndexSpecifier(FourCC("item"), AEDesc(), 1), typeAERecord,
       [] {
         AEDesc r = AEMakeIndexSpecifier(FourCC("item"), AEDesc(), 1);
         r.SetRecordType(typeAERecord);
         return r;
       }()},
      {"specifier to range", AEMakeIndexSpecifier(FourCC("item"), AEDesc(), 1), typeRangeDescriptor, AEDesc()},
      {"record to text", AEDesc::MakeRecord(), typeChar, AEDesc()},
      {"list to long", AEDesc::MakeList(), typeLongInteger, AEDesc()},
  };
  for (const Case& c : cases) {
    if (c.expect.IsNull()) {
      EXPECT_EQ(ErrorOf([&] { AECoerceDesc(c.from, c.to); }), errAECoercionFail) << c.what;
      EXPECT_FALSE(AECanCoerce(c.from, c.to)) << c.what;
    } else {
      EXPECT_EQ(AECoerceDesc(c.from, c.to), c.expect) << c.what;
    }
  }
  // Anything becomes a one-item list.
  AEDesc list = AECoerceDesc(AEDesc::FromLong(3), typeAEList);
  ASSERT_EQ(list.CountItems(), 1);
  EXPECT_EQ(list.GetNth(1).AsLong(), 3);
  EXPECT_EQ(AEDesc::FromText("x").AsText(), "x");
  EXPECT_EQ(ErrorOf([] { AEDesc::FromText("bold").AsCode(); }), errAECoercionFail);
}

TEST(AEDesc, Comparisons) {
  AEDesc abc = AEDesc::FromText("abc"), ab = AEDesc::FromText("ab"), bc = AEDesc::FromText("bc");
  struct Case {
    OSType op;
    AEDesc a, b;
    int expect;   // 1 true, 0 false, else the error
  } cases[] = {
      {kAEEquals, abc, abc, 1},
      {kAEEquals, abc, ab, 0},
      {kAEBeginsWith, abc, ab, 1},
      {kAEBeginsWith, ab, abc, 0},
      {kAEEndsWith, abc, bc, 1},
      {kAEEndsWith, bc, abc, 0},
      {kAEContains, abc, AEDesc::FromText("b"), 1},
      {kAEContains, abc, AEDesc::FromText(""), 1},
      {kAELessThan, ab, abc, 1},
      {kAEGreaterThanEquals, abc, ab, 1},
      {kAELessThan, AEDesc::FromShort(-2), AEDesc::FromLong(1), 1},
      {kAEGreaterThan, AEDesc::FromLong(10), AEDesc::FromText("9"), 1},
      {kAEEquals, AEDesc::FromBoolean(true), AEDesc::FromLong(1), 1},
      {kAEEquals, AEDesc::FromLong(1), AEDesc::FromText("x"), 0},
      {kAELessThan, AEDesc::FromLong(1), AEDesc::FromText("x"), errAECoercionFail},
      {kAEEquals, Code(typeEnumerated, "bold"), Code(typeType, "bold"), 1},
      {kAELessThan, Code(typeEnumerated, "bold"), Code(typeType, "bold"), errAECoercionFail},
      {kAEBeginsWith, AEDesc::FromLong(12), AEDesc::FromLong(1), errAECoercionFail},
      {kAEContains, AECoerceDesc(AEDesc::FromLong(4), typeAEList), AEDesc::FromLong(4), 1},
      {FourCC("????"), abc, abc, errAEEventNotHandled},
  };
  for (const Case& c : cases) {
    int got = 0;
    OSStatus err = ErrorOf([&] { got = AECompareDescs(c.op, c.a, c.b) ? 1 : 0; });
    EXPECT_EQ(err ? err : got, c.expect) << std::hex << c.op;
  }
}

TEST(AEDesc, ListsAndRecords) {
  AEDesc list = AEDesc::MakeList();
  list.Append(AEDesc::FromLong(1));
  list.PutNth(2, AEDesc::FromLong(2));
  list.PutNth(1, AEDesc::FromText("one"));
  EXPECT_EQ(list.CountItems(), 2);
  EXPECT_EQ(list.GetNth(1).AsText(), "one");
  EXPECT_EQ(list.GetNthDesc(2, typeChar).AsText(), "2");
  EXPECT_EQ(ErrorOf([&] { list.GetNth(0); }), errAEIllegalIndex);
  EXPECT_EQ(ErrorOf([&] { list.GetNth(3); }), errAEIllegalIndex);
  EXPECT_EQ(ErrorOf([&] { list.PutNth(4, AEDesc()); }), errAEIllegalIndex);
  list.DeleteNth(1);
  EXPECT_EQ(list.GetNth(1).AsLong(), 2);

  AEDesc rec = AEDesc::MakeRecord();
  rec.PutKeyPtr(FourCC("aaaa"), typeChar, "x", 1);
  rec.PutKeyDesc(FourCC("bbbb"), AEDesc::FromLong(5));
  rec.PutKeyDesc(FourCC("aaaa"), AEDesc::FromText("y"));   // replaces
  EXPECT_EQ(rec.CountItems(), 2);
  AEKeyword key = 0;
  EXPECT_EQ(rec.GetNth(1, &key).AsText(), "y");
  EXPECT_EQ(key, FourCC("aaaa"));
  EXPECT_EQ(rec.GetKeyDesc(FourCC("bbbb"), typeChar).AsText(), "5");
  EXPECT_EQ(ErrorOf([&] { rec.GetKeyDesc(FourCC("cccc")); }), errAEDescNotFound);
  rec.DeleteKey(FourCC("aaaa"));
  EXPECT_FALSE(rec.HasKey(FourCC("aaaa")));

  EXPECT_EQ(AEDesc().CountItems(), 0);
  EXPECT_EQ(ErrorOf([] { AEDesc::FromLong(1).CountItems(); }), errAEWrongDataType);
  EXPECT_EQ(ErrorOf([] { AEDesc(typeLongInteger, "abc", 3); }), errAEWrongDataType);
  EXPECT_EQ(ErrorOf([] { AEDesc::MakeRecord(typeAEList); }), errAEWrongDataType);
  EXPECT_EQ(ErrorOf([] { AEDesc::MakeRecord(typeBoolean); }), errAEWrongDataType);
  EXPECT_EQ(ErrorOf([] { AEDesc::MakeRecord().SetRecordType(typeChar); }), errAEWrongDataType);
  EXPECT_EQ(ErrorOf([&] { list.PutKeyDesc(1, AEDesc()); }), errAEWrongDataType);
}

namespace {

// A specifier with every kind inside it: record, list, scalars, nesting.
AEDesc Sample() {
  AEDesc terms = AEDesc::MakeList();
  terms.Append(AEMakeComparison(kAEEquals, AEMakePropertySpecifier(FourCC("pnam"), AEMakeObjectBeingExamined()),
                                AEDesc::FromText("\x82\xa0 name")));
  terms.Append(AEMakeComparison(kAELessThan, AEDesc::FromShort(3), AEDesc::FromBoolean(true)));
  return AEMakeTestSpecifier(FourCC("item"), AEMakeIndexSpecifier(FourCC("fold"), AEDesc(), -2),
                             AEMakeLogical(kAEOR, terms));
}

std::vector<std::uint8_t> Head() { return {'K', 'X', 'A', 'D', 0, 1}; }

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  std::uint8_t x[4];
  KxPutU32BE(x, v);
  b.insert(b.end(), x, x + 4);
}

OSStatus UnflattenError(const std::vector<std::uint8_t>& bytes) {
  return ErrorOf([&] { AEUnflattenDesc(bytes); });
}

}  // namespace

TEST(AEDescFlat, RoundTripAndEveryTruncation) {
  AEDesc sample = Sample();
  std::vector<std::uint8_t> flat = AEFlattenDesc(sample);
  EXPECT_EQ(AEUnflattenDesc(flat), sample);
  // Every prefix is an error (each is missing some field), never a read past the end.
  for (std::size_t n = 0; n < flat.size(); ++n) {
    std::vector<std::uint8_t> cut(flat.begin(), flat.begin() + long(n));
    EXPECT_EQ(UnflattenError(cut), errAECorruptData) << n;
  }
  flat.push_back(0);
  EXPECT_EQ(UnflattenError(flat), errAECorruptData);   // trailing byte
}

TEST(AEDescFlat, MalformedDescriptors) {
  auto scalar = [](DescType type, std::uint32_t size, std::vector<std::uint8_t> data) {
    auto b = Head();
    Put32(b, type);
    b.push_back(0);
    Put32(b, size);
    b.insert(b.end(), data.begin(), data.end());
    return b;
  };
  auto container = [](DescType type, std::uint8_t kind, std::uint32_t count) {
    auto b = Head();
    Put32(b, type);
    b.push_back(kind);
    Put32(b, count);
    return b;
  };
  auto twoKeys = [&](AEKeyword second) {
    auto b = container(typeAERecord, 2, 2);
    for (AEKeyword k : {FourCC("aaaa"), second}) {
      Put32(b, k);
      Put32(b, typeNull);
      b.push_back(0);
      Put32(b, 0);
    }
    return b;
  };
  auto nested = [&](int depth) {
    auto b = Head();
    for (int i = 0; i < depth; ++i) {
      Put32(b, typeAEList);
      b.push_back(1);
      Put32(b, 1);
    }
    Put32(b, typeNull);
    b.push_back(0);
    Put32(b, 0);
    return b;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    OSStatus err;
  } cases[] = {
      {"good scalar", scalar(typeChar, 2, {'h', 'i'}), noErr},
      {"wrong magic", [] { auto b = Head(); b[0] = 'k'; return b; }(), errAECorruptData},
      {"wrong version", [] { auto b = Head(); b[5] = 2; return b; }(), errAECorruptData},
      {"size past the end", scalar(typeChar, 3, {'h', 'i'}), errAECorruptData},
      {"huge size", scalar(typeChar, 0xFFFFFFFF, {'h'}), errAECorruptData},
      {"long of 3 bytes", scalar(typeLongInteger, 3, {1, 2, 3}), errAECorruptData},
      {"null with data", scalar(typeNull, 1, {0}), errAECorruptData},
      {"boolean 2", scalar(typeBoolean, 1, {2}), errAECorruptData},
      {"scalar typed list", scalar(typeAEList, 0, {}), errAECorruptData},
      {"scalar typed record", scalar(typeAERecord, 0, {}), errAECorruptData},
      {"unknown kind", [] { auto b = Head(); Put32(b, typeChar); b.push_back(3); Put32(b, 0); return b; }(),
       errAECorruptData},
      {"list count beyond the bytes", container(typeAEList, 1, 0x7FFFFFFF), errAECorruptData},
      {"record count beyond the bytes", container(typeAERecord, 2, 1000), errAECorruptData},
      {"list kind with record type", container(typeAERecord, 1, 0), errAECorruptData},
      {"record kind with list type", container(typeAEList, 2, 0), errAECorruptData},
      {"record typed as a number", container(typeLongInteger, 2, 0), errAECorruptData},
      {"record typed as text", container(typeChar, 2, 0), errAECorruptData},
      {"empty list", container(typeAEList, 1, 0), noErr},
      {"empty specifier record", container(typeObjectSpecifier, 2, 0), noErr},
      {"two keys", twoKeys(FourCC("bbbb")), noErr},
      {"duplicate keys", twoKeys(FourCC("aaaa")), errAECorruptData},
      {"deepest allowed", nested(kAEMaxDepth), noErr},
      {"too deep", nested(kAEMaxDepth + 1), errAECorruptData},
      {"far too deep", nested(100000), errAECorruptData},
  };
  for (const Case& c : cases) EXPECT_EQ(UnflattenError(c.bytes), c.err) << c.what;

  // What cannot be read back is not written.
  AEDesc deep;
  for (int i = 0; i <= kAEMaxDepth; ++i) {
    AEDesc outer = AEDesc::MakeList();
    outer.Append(deep);
    deep = outer;
  }
  EXPECT_EQ(ErrorOf([&] { AEFlattenDesc(deep); }), errAECorruptData);
}

// Random damage to a good flat form: either refused with errAECorruptData,
// or read into a sound descriptor that writes back to the same bytes.
TEST(AEDescFlat, RandomDamage) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  long steps = env ? std::atol(env) : 2000;
  std::vector<std::uint8_t> flat = AEFlattenDesc(Sample());
  std::mt19937 rng(27);
  for (long s = 0; s < steps; ++s) {
    std::vector<std::uint8_t> bytes = flat;
    int edits = 1 + int(rng() % 3);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = rng() % bytes.size();
      switch (rng() % 3) {
        case 0: bytes[at] = std::uint8_t(rng()); break;
        case 1: bytes.erase(bytes.begin() + long(at)); break;
        default: bytes.insert(bytes.begin() + long(at), std::uint8_t(rng())); break;
      }
      if (bytes.empty()) bytes.push_back(0);
    }
    try {
      AEDesc d = AEUnflattenDesc(bytes);
      d.Check();
      EXPECT_EQ(AEFlattenDesc(d), bytes) << "step " << s;
    } catch (const LException& e) {
      EXPECT_EQ(e.GetErrorCode(), errAECorruptData) << "step " << s;
    }
  }
}
