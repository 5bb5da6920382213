// The resolver and the event dispatcher. Events from outside and the ones
// the program sends itself (so that they can be recorded) take the same
// path: the handler table, keyed by event class and ID, gives each event its
// number and either an installed handler or the object-model handling
// (resolve the direct object, then ask each object).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "platform/ae/model_object.h"

class LModelDirector {
 public:
  // A handler reports failure by throwing LException; the code goes into the
  // reply under keyErrorNumber.
  using Handler = std::function<void(const AppleEvent& event, AppleEvent& reply, long number)>;
  // Sees every event the program sends itself, before it runs.
  using Recorder = std::function<void(const AppleEvent& event)>;

  // `application` is the root of the object model (not owned). The newest
  // director is the current one until it is destroyed.
  explicit LModelDirector(LModelObject* application);
  ~LModelDirector();
  LModelDirector(const LModelDirector&) = delete;
  LModelDirector& operator=(const LModelDirector&) = delete;

  static LModelDirector* GetDirector() { return sDirector; }
  LModelObject* GetApplication() const { return mApplication; }

  // Resolves a specifier through the current director: errAENoSuchObject
  // without one. Specifiers may use the current container and the object
  // being examined while a range or whose-test is resolved.
  static void Resolve(const AEDesc& specifier, LModelToken& outToken);
  void ResolveSpecifier(const AEDesc& specifier, LModelToken& outToken);
  // The object an insertion location ("insl", or a plain specifier meaning
  // its end) names; `holder` keeps it alive.
  LModelObject* ResolveInsertionLocation(const AEDesc& location, OSType& outPosition, LModelToken& holder);

  // The generic key forms, used by LModelObject::GetSubModelByComplexKey.
  void ResolveRange(LModelObject* container, DescType kind, const AEDesc& range, LModelToken& outToken);
  void ResolveTest(LModelObject* container, DescType kind, const AEDesc& test, LModelToken& outToken);
  bool EvaluateTest(const AEDesc& test, LModelObject* examined);
  // A pseudo-random position in 1..count for kAEAny.
  std::int32_t PickAny(std::int32_t count);
  void SetRandomSeed(std::uint32_t seed) { mRandom.seed(seed); }

  // The table. An empty handler means the object-model handling. The
  // director starts with the object-model events and the required events
  // (open application, open documents, print, quit) numbered; the
  // application installs its handlers over them.
  void InstallHandler(AEEventClass eventClass, AEEventID eventID, long number, Handler handler = {});
  void RemoveHandler(AEEventClass eventClass, AEEventID eventID);
  long GetEventNumber(AEEventClass eventClass, AEEventID eventID) const;   // 0 when absent

  // Runs an event; the error code is returned and put into the reply.
  OSStatus Dispatch(const AppleEvent& event, AppleEvent& reply);
  // The program's own events: recorded, then (unless `execute` is false)
  // dispatched like any other.
  OSStatus Send(const AppleEvent& event, AppleEvent* reply = nullptr, bool execute = true);
  void SetRecorder(Recorder recorder) { mRecorder = std::move(recorder); }

 private:
  struct Entry {
    long number;
    Handler handler;
  };
  struct DepthGuard;

  void ResolveInto(const AEDesc& desc, LModelToken& outToken);
  void HandleModelEvent(const AppleEvent& event, AppleEvent& reply, long number);
  bool CompareTerm(const AEDesc& comparison);

  static LModelDirector* sDirector;
  LModelDirector* mPrevious;
  LModelObject* mApplication;
  std::map<std::pair<AEEventClass, AEEventID>, Entry> mTable;
  Recorder mRecorder;
  std::vector<LModelObject*> mContainers;   // current containers of ranges and tests
  std::vector<LModelObject*> mExamined;     // objects being examined by whose-tests
  int mDepth = 0;                           // nesting of resolution and tests
  std::minstd_rand mRandom;
};

// Deepest nesting of specifiers and tests the resolver follows.
constexpr int kAEMaxResolveDepth = 2 * kAEMaxDepth;
