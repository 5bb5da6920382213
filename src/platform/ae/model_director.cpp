// Resolution of specifiers, whose-tests and the dispatch of events.
#include "platform/ae/model_director.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/ae/specifier.h"
#include "platform/exception.h"

LModelDirector* LModelDirector::sDirector = nullptr;

// Counts nesting of resolution and tests: a specifier built to recurse
// forever (or just very deep) is refused instead of exhausting the stack.
struct LModelDirector::DepthGuard {
  explicit DepthGuard(int& depth) : mDepth(depth) {
    if (mDepth >= kAEMaxResolveDepth) throw LException(errAECorruptData);
    ++mDepth;
  }
  ~DepthGuard() { --mDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  int& mDepth;
};

namespace {

// Pushes an object on a context stack for the length of a scope.
class StPush {
 public:
  StPush(std::vector<LModelObject*>& stack, LModelObject* object) : mStack(stack) { mStack.push_back(object); }
  ~StPush() { mStack.pop_back(); }
  StPush(const StPush&) = delete;
  StPush& operator=(const StPush&) = delete;

 private:
  std::vector<LModelObject*>& mStack;
};

bool NamesObject(const AEDesc& d) {
  DescType t = d.GetType();
  return t == typeObjectSpecifier || t == typeObjectBeingExamined || t == typeCurrentContainer;
}

// The operator that gives the same answer with the two sides exchanged.
OSType Mirrored(OSType op) {
  if (op == kAEEquals) return op;
  if (op == kAELessThan) return kAEGreaterThan;
  if (op == kAELessThanEquals) return kAEGreaterThanEquals;
  if (op == kAEGreaterThan) return kAELessThan;
  if (op == kAEGreaterThanEquals) return kAELessThanEquals;
  throw LException(errAEEventNotHandled);
}

struct TableRow {
  AEEventClass eventClass;
  AEEventID eventID;
  long number;
};

constexpr TableRow kDefaultTable[] = {
    {kCoreEventClass, kAEOpenApplication, kAENumOpenApplication},
    {kCoreEventClass, kAEOpenDocuments, kAENumOpenDocuments},
    {kCoreEventClass, kAEPrintDocuments, kAENumPrintDocuments},
    {kCoreEventClass, kAEQuitApplication, kAENumQuit},
    {kAECoreSuite, kAEClone, kAENumClone},
    {kAECoreSuite, kAEClose, kAENumClose},
    {kAECoreSuite, kAECountElements, kAENumCountElements},
    {kAECoreSuite, kAECreateElement, kAENumCreateElement},
    {kAECoreSuite, kAEDelete, kAENumDelete},
    {kAECoreSuite, kAEDoObjectsExist, kAENumDoObjectsExist},
    {kAECoreSuite, kAEGetData, kAENumGetData},
    {kAECoreSuite, kAEGetDataSize, kAENumGetDataSize},
    {kAECoreSuite, kAEMove, kAENumMove},
    {kAECoreSuite, kAESetData, kAENumSetData},
    {kAECoreSuite, kAESave, kAENumSave},
    {kAEMiscStandards, kAECopy, kAENumCopy},
    {kAEMiscStandards, kAECut, kAENumCut},
    {kAEMiscStandards, kAEPaste, kAENumPaste},
    {kAEMiscStandards, kAERedo, kAENumRedo},
    {kAEMiscStandards, kAEUndo, kAENumUndo},
    {kAEMiscStandards, kAESelect, kAENumSelect},
};

}  // namespace

LModelDirector::LModelDirector(LModelObject* application) : mPrevious(sDirector), mApplication(application) {
  for (const TableRow& row : kDefaultTable) InstallHandler(row.eventClass, row.eventID, row.number);
  sDirector = this;
}

LModelDirector::~LModelDirector() {
  if (sDirector == this) sDirector = mPrevious;
}

// ---- Resolution

void LModelDirector::Resolve(const AEDesc& specifier, LModelToken& outToken) {
  if (!sDirector) throw LException(errAENoSuchObject);
  sDirector->ResolveSpecifier(specifier, outToken);
}

void LModelDirector::ResolveSpecifier(const AEDesc& specifier, LModelToken& outToken) {
  LModelToken token;   // filled apart, so that a failure leaves outToken as it was
  ResolveInto(specifier, token);
  outToken = std::move(token);
}

void LModelDirector::ResolveInto(const AEDesc& desc, LModelToken& outToken) {
  DepthGuard guard(mDepth);
  switch (desc.GetType()) {
    case typeNull:
      if (!desc.IsNull()) throw LException(errAECoercionFail);
      outToken.Add(mApplication);
      return;
    case typeCurrentContainer:
      if (mContainers.empty()) throw LException(errAENoSuchObject);
      outToken.Add(mContainers.back());
      return;
    case typeObjectBeingExamined:
      if (mExamined.empty()) throw LException(errAENoSuchObject);
      outToken.Add(mExamined.back());
      return;
    case typeObjectSpecifier: {
      AEObjectSpecifierFields specifier = AEParseObjectSpecifier(desc);
      LModelToken containers;
      ResolveInto(specifier.container, containers);
      if (containers.IsList()) outToken.MarkList();
      for (std::size_t i = 0; i < containers.Count(); ++i) {
        // Key data may name objects relative to this container (range ends).
        StPush push(mContainers, containers.Get(i));
        containers.Get(i)->GetModelToken(specifier.want, specifier.keyForm, specifier.keyData, outToken);
      }
      return;
    }
    default:
      throw LException(errAECoercionFail);
  }
}

LModelObject* LModelDirector::ResolveInsertionLocation(const AEDesc& location, OSType& outPosition,
                                                      LModelToken& holder) {
  AEInsertionLocation where = AEParseInsertionLocation(location);
  if (where.position != kAEBefore && where.position != kAEAfter && where.position != kAEBeginning &&
      where.position != kAEEnd && where.position != kAEReplace)
    throw LException(errAEBadKeyForm);
  LModelToken token;
  ResolveSpecifier(where.object, token);
  LModelObject* object = token.Single();
  holder.Add(object);
  outPosition = where.position;
  return object;
}

void LModelDirector::ResolveRange(LModelObject* container, DescType kind, const AEDesc& range,
                                  LModelToken& outToken) {
  if (!range.IsRecord() || range.GetType() != typeRangeDescriptor) throw LException(errAECoercionFail);
  StPush push(mContainers, container);
  std::int32_t ends[2];
  const AEKeyword keys[2] = {keyAERangeStart, keyAERangeStop};
  for (int i = 0; i < 2; ++i) {
    AEDesc end = range.GetKeyDesc(keys[i]);
    LModelToken token;
    if (NamesObject(end)) {
      ResolveInto(end, token);
    } else {
      // A bare index or ordinal counts among the container's elements.
      container->GetModelToken(kind, formAbsolutePosition, end, token);
    }
    ends[i] = container->GetPositionOfSubModel(kind, token.Single());
  }
  std::int32_t first = std::min(ends[0], ends[1]);
  std::int32_t last = std::max(ends[0], ends[1]);
  LModelToken result;
  result.MarkList();
  for (std::int64_t i = first; i <= last; ++i) container->GetSubModelByPosition(kind, std::int32_t(i), result);
  for (std::size_t i = 0; i < result.Count(); ++i) outToken.Add(result.Get(i));
  outToken.MarkList();
}

void LModelDirector::ResolveTest(LModelObject* container, DescType kind, const AEDesc& test, LModelToken& outToken) {
  long count = container->CountSubModels(kind);
  LModelToken result;
  result.MarkList();
  for (long i = 1; i <= count; ++i) {
    LModelToken element;
    container->GetSubModelByPosition(kind, std::int32_t(i), element);
    LModelObject* object = element.Single();
    if (EvaluateTest(test, object)) result.Add(object);
  }
  for (std::size_t i = 0; i < result.Count(); ++i) outToken.Add(result.Get(i));
  outToken.MarkList();
}

bool LModelDirector::EvaluateTest(const AEDesc& test, LModelObject* examined) {
  DepthGuard guard(mDepth);
  StPush push(mExamined, examined);
  if (test.IsRecord() && test.GetType() == typeCompDescriptor) return CompareTerm(test);
  if (!test.IsRecord() || test.GetType() != typeLogicalDescriptor) throw LException(errAECoercionFail);
  OSType op = test.GetKeyDesc(keyAELogicalOperator).AsCode();
  AEDesc terms = test.GetKeyDesc(keyAELogicalTerms, typeAEList);
  long n = terms.CountItems();
  if (op == kAENOT) {
    if (n != 1) throw LException(errAEEventNotHandled);
    return !EvaluateTest(terms.GetNth(1), examined);
  }
  if (op != kAEAND && op != kAEOR) throw LException(errAEEventNotHandled);
  for (long i = 1; i <= n; ++i) {
    bool r = EvaluateTest(terms.GetNth(i), examined);
    if (op == kAEAND && !r) return false;
    if (op == kAEOR && r) return true;
  }
  return op == kAEAND;
}

bool LModelDirector::CompareTerm(const AEDesc& comparison) {
  OSType op = comparison.GetKeyDesc(keyAECompOperator).AsCode();
  AEDesc one = comparison.GetKeyDesc(keyAEObject1);
  AEDesc two = comparison.GetKeyDesc(keyAEObject2);
  if (!NamesObject(one)) {
    if (!NamesObject(two)) return AECompareDescs(op, one, two);
    std::swap(one, two);
    op = Mirrored(op);
  }
  LModelToken left;
  try {
    ResolveInto(one, left);
  } catch (const LException& e) {
    if (e.GetErrorCode() == errAENoSuchObject) return false;   // nothing there passes
    throw;
  }
  LModelToken right;
  bool rightIsObject = NamesObject(two);
  if (rightIsObject) ResolveInto(two, right);
  if (left.Count() == 0) return false;
  // Every object named on the left must pass.
  for (std::size_t i = 0; i < left.Count(); ++i) {
    bool r = rightIsObject ? left.Get(i)->CompareToModel(op, right.Single())
                           : left.Get(i)->CompareToDescriptor(op, two);
    if (!r) return false;
  }
  return true;
}

std::int32_t LModelDirector::PickAny(std::int32_t count) {
  if (count < 1) throw LException(errAENoSuchObject);
  return std::int32_t(mRandom() % std::uint32_t(count)) + 1;
}

// ---- The table and dispatch

void LModelDirector::InstallHandler(AEEventClass eventClass, AEEventID eventID, long number, Handler handler) {
  mTable[{eventClass, eventID}] = Entry{number, std::move(handler)};
}

void LModelDirector::RemoveHandler(AEEventClass eventClass, AEEventID eventID) {
  mTable.erase({eventClass, eventID});
}

long LModelDirector::GetEventNumber(AEEventClass eventClass, AEEventID eventID) const {
  auto it = mTable.find({eventClass, eventID});
  return it == mTable.end() ? 0 : it->second.number;
}

OSStatus LModelDirector::Dispatch(const AppleEvent& event, AppleEvent& reply) {
  OSStatus err = noErr;
  try {
    auto it = mTable.find({event.GetEventClass(), event.GetEventID()});
    if (it == mTable.end()) throw LException(errAEEventNotHandled);
    Entry entry = it->second;   // a handler may change the table
    if (entry.handler) {
      entry.handler(event, reply, entry.number);
    } else {
      HandleModelEvent(event, reply, entry.number);
    }
  } catch (const LException& e) {
    err = OSStatus(e.GetErrorCode());
  } catch (const std::bad_alloc&) {
    err = memFullErr;
  }
  if (err != noErr) reply.PutParamDesc(keyErrorNumber, AEDesc::FromLong(err));
  return err;
}

OSStatus LModelDirector::Send(const AppleEvent& event, AppleEvent* reply, bool execute) {
  if (mRecorder) mRecorder(event);
  if (!execute) return noErr;
  AppleEvent ownReply = AppleEvent::MakeReply();
  return Dispatch(event, reply ? *reply : ownReply);
}

void LModelDirector::HandleModelEvent(const AppleEvent& event, AppleEvent& reply, long number) {
  AEDesc result;
  const AEDesc* direct = event.GetParams().FindKey(keyDirectObject);
  if (direct && direct->IsNull()) direct = nullptr;   // null names the application
  LModelToken objects;
  if (number == kAENumDoObjectsExist) {
    // resolved below, where no such object is an answer
  } else if (direct && NamesObject(*direct)) {
    ResolveSpecifier(*direct, objects);
  } else if (number == kAENumCountElements || number == kAENumCreateElement || !direct) {
    objects.Add(mApplication);
  }

  switch (number) {
    case kAENumCountElements: {
      DescType kind = event.GetParamDesc(keyAEObjectClass).AsCode();
      std::int64_t total = 0;
      for (std::size_t i = 0; i < objects.Count(); ++i) total += objects.Get(i)->CountSubModels(kind);
      if (total > kKxMaxOffset) throw LException(errAECoercionFail);
      result = AEDesc::FromLong(std::int32_t(total));
      break;
    }
    case kAENumDoObjectsExist: {
      bool exists = false;
      if (direct && NamesObject(*direct)) {
        LModelToken probe;
        try {
          ResolveSpecifier(*direct, probe);
          exists = probe.Count() > 0;
        } catch (const LException& e) {
          if (e.GetErrorCode() != errAENoSuchObject) throw;
        }
      }
      result = AEDesc::FromBoolean(exists);
      break;
    }
    case kAENumCreateElement: {
      DescType kind = event.GetParamDesc(keyAEObjectClass).AsCode();
      LModelToken holder;
      OSType position = kAEEnd;
      LModelObject* object = mApplication;
      if (event.HasParam(keyAEInsertHere))
        object = ResolveInsertionLocation(event.GetParamDesc(keyAEInsertHere), position, holder);
      LModelObject* target = object->GetInsertionTarget(position);
      holder.Add(target);
      target->HandleCreateElementEvent(kind, position, object, event, result);
      break;
    }
    default: {
      if (!direct || NamesObject(*direct)) {
        // Several objects answer with a list; deletion runs last to first so
        // that positions of the ones still to come stay valid.
        bool backwards = number == kAENumDelete;
        AEDesc results = AEDesc::MakeList();
        bool anyResult = false;
        std::size_t n = objects.Count();
        for (std::size_t k = 0; k < n; ++k) {
          LModelObject* object = objects.Get(backwards ? n - 1 - k : k);
          AEDesc one;
          object->HandleAppleEventAll(event, reply, one, number);
          anyResult = anyResult || !one.IsNull();
          results.Append(one);
        }
        if (backwards) {
          AEDesc reversed = AEDesc::MakeList();
          for (long i = results.CountItems(); i >= 1; --i) reversed.Append(results.GetNth(i));
          results = reversed;
        }
        if (!anyResult) {
          // nothing to answer
        } else if (objects.IsList()) {
          result = results;
        } else if (results.CountItems() == 1) {
          result = results.GetNth(1);
        }
      } else {
        // A direct parameter that is data, not an object (open documents
        // with a list of files): the application takes the whole event.
        mApplication->HandleAppleEventAll(event, reply, result, number);
      }
      break;
    }
  }
  if (!result.IsNull() && !reply.HasParam(keyDirectObject)) reply.PutParamDesc(keyDirectObject, result);
}
