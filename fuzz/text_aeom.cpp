// The scripting model of text under random descriptors from a script.
// Input: a stream of steps. Each step is one opcode byte, then a
// specifier built by RandomSpecifier() from the bytes that follow:
//   specifier byte % 8: 0 the whole text; 1 an element by index (class byte,
//   container specifier, signed index byte); 2 an ordinal (class, container,
//   ordinal byte); 3 a range (class, container, two ends each an index or
//   an ordinal); 4 a whose-test (class, container, operator byte, value);
//   5 a relative position (reference specifier, position byte); 6 a property
//   (property byte, container); 7 a raw descriptor in flat form (16-bit
//   big-endian length, bytes), used as it comes.
// Values: a type byte (text, long, enumerator, colour, list, flat), then
// their bytes. Opcode % 6: get data, data size, set a property, delete,
// move/clone to an insertion location, count; an opcode with the high bit
// set instead sends, by (opcode & 0x7F) % 7, create element (class,
// insertion location, value) or the standard cut, copy, paste, undo, redo
// and select to the specifier.
//
// The selection the steps start from comes from the input's length: a caret
// or a selection anywhere in the text, for the whole text's insertion
// points and replacements.
//
// Whatever comes, the text must pass its own check, the selection stay
// inside the text, and every error come back as an error code.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/facilities.h"
#include "engine/text_aeom.h"
#include "layout/text_edit.h"
#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/core.h"
#include "platform/exception.h"
#include "platform/fonts.h"

namespace {
const std::string kText = "alpha beta\rgamma \x82\xA0\x82\xA2 \x93\x60\rdelta. epsilon";
constexpr DescType kClasses[] = {kKxClassChar, kKxClassWord, kKxClassLine, kKxClassPara, kKxClassText, FourCC("xxxx")};
constexpr DescType kProps[] = {pContents,        kKxPropFont,       kKxPropPointSize, kKxPropTextStyles,
                               kKxPropColor,     kKxPropLineType,   kKxPropLineColor, kKxPropNetPattern,
                               kKxPropNetColor,  kKxPropExtStyle,   kKxPropSelection, kKxPropLength,
                               kKxPropOffset,    kKxPropBeginHilite, kKxClassWord,    kAEBefore};
constexpr OSType kOrdinals[] = {kAEFirst, kAELast, kAEMiddle, kAEAny, kAEAll};
constexpr OSType kPositions[] = {kAEBefore, kAEAfter, kAEBeginning, kAEEnd, kAENext, kAEPrevious, kAEReplace};
constexpr OSType kOps[] = {kAEEquals, kAELessThan, kAEBeginsWith, kAEEndsWith, kAEContains, kAEGreaterThan};
constexpr int kMaxDepth = 6;

class Reader {
 public:
  Reader(const std::uint8_t* d, std::size_t n) : mData(d), mSize(n) {}
  bool More() const { return mPos < mSize; }
  std::uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  std::string Bytes(std::size_t n) {
    n = std::min(n, mSize - mPos);
    std::string s(reinterpret_cast<const char*>(mData + mPos), n);
    mPos += n;
    return s;
  }

  AEDesc Value(int depth) {
    switch (Byte() % 6) {
      case 0: return AEDesc::FromText(Bytes(Byte() % 8));
      case 1: return AEDesc::FromLong(std::int32_t(std::int8_t(Byte())) * 1000);
      case 2: return AEDesc::FromCode(typeEnumerated, 0x6E30 + Byte() - 64);
      case 3: {
        std::string c = Bytes(6);
        c.resize(6, '\0');   // a colour has its size or is no colour at all
        return AEDesc(typeRGBColor, c.data(), c.size());
      }
      case 4: {
        AEDesc list = AEDesc::MakeList();
        for (int i = Byte() % 4; i > 0 && depth < kMaxDepth; --i) list.Append(Value(depth + 1));
        return list;
      }
      default: return Flat();
    }
  }
  AEDesc Flat() {
    const std::size_t n = std::size_t(Byte()) << 8 | Byte();
    const std::string s = Bytes(n);
    try {
      return AEUnflattenDesc({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
    } catch (const LException&) {
      return AEDesc();
    }
  }
  AEDesc End(int depth) {
    if (Byte() % 2) return AEMakeIndexSpecifier(Class(), AEMakeCurrentContainer(), std::int8_t(Byte()));
    if (depth < kMaxDepth && Byte() % 4 == 0) return RandomSpecifier(depth + 1);
    return AEDesc::FromCode(typeAbsoluteOrdinal, kOrdinals[Byte() % 5]);
  }
  DescType Class() { return kClasses[Byte() % 6]; }

  AEDesc RandomSpecifier(int depth) {
    if (depth >= kMaxDepth) return AEDesc();
    switch (Byte() % 8) {
      case 0: return AEDesc();
      case 1: {
        const DescType kind = Class();
        return AEMakeIndexSpecifier(kind, RandomSpecifier(depth + 1), std::int8_t(Byte()));
      }
      case 2: {
        const DescType kind = Class();
        const AEDesc container = RandomSpecifier(depth + 1);
        return AEMakeOrdinalSpecifier(kind, container, kOrdinals[Byte() % 5]);
      }
      case 3: {
        const DescType kind = Class();
        const AEDesc container = RandomSpecifier(depth + 1);
        const AEDesc a = End(depth), b = End(depth);
        return AEMakeRangeSpecifier(kind, container, a, b);
      }
      case 4: {
        const DescType kind = Class();
        const AEDesc container = RandomSpecifier(depth + 1);
        const OSType op = kOps[Byte() % 6];
        return AEMakeTestSpecifier(kind, container, AEMakeComparison(op, AEMakeObjectBeingExamined(), Value(depth + 1)));
      }
      case 5: {
        const AEDesc reference = RandomSpecifier(depth + 1);
        return AEMakeObjectSpecifier(kKxClassInsertion, reference, formRelativePosition,
                                     AEDesc::FromCode(typeEnumerated, kPositions[Byte() % 7]));
      }
      case 6: {
        const DescType property = kProps[Byte() % 16];
        return AEMakePropertySpecifier(property, RandomSpecifier(depth + 1));
      }
      default: return Flat();
    }
  }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPos = 0;
};

void CheckEngine(const CKXTextEngine& e) {
  const CKXTextEdit& edit = *KXHandleAccess::Edit(e.GetEdit());
  if (const char* broken = edit.Check()) {
    std::fprintf(stderr, "edit object: %s\n", broken);
    std::abort();
  }
  const SKXRange all = e.GetTotalRange(), sel = e.GetSelectionRange();
  if (sel.start < 0 || sel.length < 0 || std::int64_t(sel.start) + sel.length > all.length) {
    std::fprintf(stderr, "selection outside the text\n");
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxEngineFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 12) return 0;
  CKXTextEngine e(false);
  KXText_SetText(e.GetEdit(), kText.data(), long(kText.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(e.GetEdit());
  KXTE_Activate(e.GetEdit());
  const std::int32_t at = std::int32_t(size % (kText.size() + 1)), length = std::int32_t(size / 7 % 8);
  e.SetSelectionRange(e.CropRange({at, length}), false);
  CKXTextAEOM root(&e, CKXTextLayer::sTextAll, nullptr, kKxClassText, pContents);
  LModelDirector director(&root);
  Reader in(data, size);
  for (int step = 0; in.More() && step < 32; ++step) {
    const std::uint8_t op = in.Byte();
    AppleEvent reply = AppleEvent::MakeReply();
    const AEDesc specifier = in.RandomSpecifier(0);
    if (op & 0x80) {
      static constexpr AEEventID kMisc[] = {kAECut, kAECopy, kAEPaste, kAEUndo, kAERedo, kAESelect};
      const int k = (op & 0x7F) % 7;
      if (k == 0) {
        AppleEvent create(kAECoreSuite, kAECreateElement);
        create.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, in.Class()));
        create.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(specifier, kPositions[in.Byte() % 7]));
        create.PutParamDesc(keyAEData, in.Value(0));
        director.Dispatch(create, reply);
      } else {
        AppleEvent misc(kAEMiscStandards, kMisc[k - 1]);
        misc.PutParamDesc(keyDirectObject, specifier);
        director.Dispatch(misc, reply);
      }
      CheckEngine(e);
      continue;
    }
    static constexpr AEEventID kEvents[] = {kAEGetData, kAEGetDataSize, kAESetData, kAEDelete, kAEMove, kAECountElements};
    AppleEvent event(kAECoreSuite, kEvents[op % 6]);
    event.PutParamDesc(keyDirectObject, specifier);
    if (op % 6 == 0 && in.Byte() % 2) event.PutParamDesc(keyAERequestedType, AEDesc::FromCode(typeType, typeChar));
    if (op % 6 == 2) event.PutParamDesc(keyAEData, in.Value(0));
    if (op % 6 == 4) {
      if (in.Byte() % 2) event = [&] {
          AppleEvent clone(kAECoreSuite, kAEClone);
          clone.PutParamDesc(keyDirectObject, specifier);
          return clone;
        }();
      event.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(in.RandomSpecifier(1), kPositions[in.Byte() % 7]));
    }
    if (op % 6 == 5) event.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, in.Class()));
    director.Dispatch(event, reply);
    CheckEngine(e);
  }
  return 0;
}
