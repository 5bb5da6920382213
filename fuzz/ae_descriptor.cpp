// Apple-event descriptors from outside: byte 0 picks an event, the rest is a
// descriptor in flat form. The descriptor must either be refused as corrupt
// or read into a sound one that writes back to the same bytes. It is then
// resolved as a specifier, evaluated as a whose-test and sent as the direct
// parameter and insertion location of the chosen event against a small tree
// model. Failures must be AE error codes, and no lazy object may outlive the
// input. Every descriptor inside it is also coerced to each kind, compared
// with itself and with a number and a text under each operator, read as a
// specifier and an insertion location, and built into specifiers that must
// flatten and read back to themselves.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "../tests/platform/ae/tree_model.h"
#include "platform/ae/required_events.h"

namespace {

constexpr AEEventID kEvents[] = {kAEGetData, kAECountElements, kAEDoObjectsExist, kAEDelete,
                                 kAEClone,   kAEMove,          kAECreateElement,  kAESetData};

bool IsAEError(long err) {
  switch (err) {
    case errAECoercionFail:
    case errAEDescNotFound:
    case errAECorruptData:
    case errAEWrongDataType:
    case errAEEventNotHandled:
    case errAEIllegalIndex:
    case errAENoSuchObject:
    case errAEBadKeyForm:
    case errAECantHandleClass:
      return true;
    default:
      return false;
  }
}

void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr DescType kTargets[] = {typeWildCard,     typeAEList,       typeAERecord,      typeShortInteger,
                                 typeLongInteger,  typeBoolean,      typeChar,          typeEnumerated,
                                 typeType,         typeProperty,     typeKeyword,       typeAbsoluteOrdinal,
                                 typeObjectSpecifier, typeInsertionLoc, typeRangeDescriptor, typeCompDescriptor,
                                 typeLogicalDescriptor, typeTrue,    typeFalse,         typeNull};
constexpr OSType kOperators[] = {kAEEquals,  kAELessThan,  kAELessThanEquals, kAEGreaterThan,
                                 kAEGreaterThanEquals, kAEBeginsWith, kAEEndsWith, kAEContains, kAEAND};

// A built descriptor flattens and reads back as itself.
void RoundTrip(const AEDesc& d) {
  const std::vector<std::uint8_t> flat = AEFlattenDesc(d);
  Check(AEUnflattenDesc(flat) == d);
}

void Visit(const AEDesc& d, int depth, int& budget) {
  if (depth > 6 || --budget < 0) return;
  for (DescType to : kTargets) {
    const bool can = AECanCoerce(d, to);
    try {
      const AEDesc c = AECoerceDesc(d, to);
      Check(can);
      c.Check();
    } catch (const LException& e) {
      Check(!can && e.GetErrorCode() == errAECoercionFail);
    }
  }
  const AEDesc others[] = {d, AEDesc::FromLong(7), AEDesc::FromText("7"), AEDesc::FromBoolean(true)};
  for (OSType op : kOperators)
    for (const AEDesc& other : others) {
      try {
        (void)AECompareDescs(op, d, other);
        (void)AECompareDescs(op, other, d);
      } catch (const LException& e) {
        Check(IsAEError(e.GetErrorCode()));
      }
    }
  try {
    const AEObjectSpecifierFields f = AEParseObjectSpecifier(d);
    RoundTrip(AEMakeObjectSpecifier(f.want, f.container, f.keyForm, f.keyData));
  } catch (const LException& e) {
    Check(IsAEError(e.GetErrorCode()));
  }
  try {
    const AEInsertionLocation at = AEParseInsertionLocation(d);
    RoundTrip(AEMakeInsertionLocation(at.object, at.position));
  } catch (const LException& e) {
    Check(IsAEError(e.GetErrorCode()));
  }
  RoundTrip(AEMakeIndexSpecifier(tree::cItem, d, -2));
  RoundTrip(AEMakeOrdinalSpecifier(tree::cItem, d, kAEAll));
  RoundTrip(AEMakeNameSpecifier(tree::cItem, d, "n"));
  RoundTrip(AEMakePropertySpecifier(FourCC("pnam"), d));
  RoundTrip(AEMakeRelativeSpecifier(tree::cItem, d, kAENext));
  RoundTrip(AEMakeRangeSpecifier(tree::cItem, AEMakeCurrentContainer(), d, d));
  AEDesc terms = AEDesc::MakeList();
  terms.Append(AEMakeComparison(kAEEquals, AEMakeObjectBeingExamined(), d));
  RoundTrip(AEMakeTestSpecifier(tree::cItem, d, AEMakeLogical(kAENOT, terms)));
  if (d.IsList() || d.IsRecord())
    for (long i = 1; i <= d.CountItems(); ++i) Visit(d.GetNth(i), depth + 1, budget);
}

void Run(std::uint8_t selector, std::span<const std::uint8_t> bytes) {
  AEDesc desc;
  try {
    desc = AEUnflattenDesc(bytes);
  } catch (const LException& e) {
    Check(e.GetErrorCode() == errAECorruptData);
    return;
  }
  std::vector<std::uint8_t> again = AEFlattenDesc(desc);
  Check(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));

  int budget = 64;
  Visit(desc, 0, budget);

  tree::Fixture f;
  try {
    LModelToken token;
    LModelDirector::Resolve(desc, token);
    for (std::size_t i = 0; i < token.Count(); ++i) {
      AEDesc specifier;
      token.Get(i)->MakeSpecifier(specifier);
    }
  } catch (const LException& e) {
    Check(IsAEError(e.GetErrorCode()));
  }
  Check(tree::sLive == 0);

  try {
    LModelToken items;
    f.docs->GetModelToken(tree::cItem, formTest, desc, items);
  } catch (const LException& e) {
    Check(IsAEError(e.GetErrorCode()));
  }
  Check(tree::sLive == 0);

  AppleEvent event(kAECoreSuite, kEvents[selector % std::size(kEvents)]);
  event.PutParamDesc(keyDirectObject, desc);
  event.PutParamDesc(keyAEInsertHere, desc);
  event.PutParamDesc(keyAEData, desc);
  event.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, selector & 0x80 ? tree::cFolder : tree::cItem));
  AppleEvent reply = AppleEvent::MakeReply();
  OSStatus err = f.director.Dispatch(event, reply);
  Check(err == noErr || IsAEError(err));
  Check(tree::sLive == 0);

  AppleEvent open(kCoreEventClass, kAEOpenDocuments);
  open.PutParamDesc(keyDirectObject, desc);
  try {
    for (const std::string& path : AEGetFilePaths(open)) Check(!path.empty() && path.find('\0') == std::string::npos);
  } catch (const LException& e) {
    Check(IsAEError(e.GetErrorCode()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  Run(data[0], std::span<const std::uint8_t>(data + 1, size - 1));
  return 0;
}
