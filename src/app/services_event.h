// The application's in-process event target: handlers installed for an
// event class and a set of kinds, and events sent to them. An event is a
// descriptor event (its class, its kind as the event ID, a record of
// parameters) that also owns the scraps its parameters name, so that what a
// handler reads and writes stays with the event and never touches the
// desktop's clipboard.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/ae/desc.h"
#include "platform/host/clipboard_store.h"
#include "platform/types.h"

// The answer of an event that no handler took.
constexpr OSStatus kKxEventNotHandled = -9874;
// A scrap reference: the number (from 1, big-endian) of one of the event's
// own scraps.
constexpr DescType kKxTypeScrapRef = FourCC("scrp");

class KxTargetEvent : public AppleEvent {
 public:
  KxTargetEvent(AEEventClass eventClass, std::uint32_t kind) : AppleEvent(eventClass, kind) {}
  KxTargetEvent(const KxTargetEvent&) = delete;
  KxTargetEvent& operator=(const KxTargetEvent&) = delete;

  std::uint32_t GetKind() const { return GetEventID(); }

  // A new empty scrap owned by the event, named by the parameter `key`.
  KxClipboardStore& AddScrap(AEKeyword key);
  // The scrap the parameter names; null when there is no such parameter or
  // it names none of the event's scraps.
  KxClipboardStore* GetScrap(AEKeyword key);

  // An empty type list under `key`.
  void AddTypeList(AEKeyword key);
  // Appends a type to the list under `key`; false (nothing changed) when
  // there is no such parameter or it is no list.
  bool AppendType(AEKeyword key, OSType type);
  // The types of the list under `key` (empty without one).
  std::vector<OSType> GetTypes(AEKeyword key) const;

 private:
  std::deque<KxClipboardStore> mScraps;   // addresses stay while the event lives
};

using KxEventHandlerProc = OSStatus (*)(void* callRef, KxTargetEvent& event, void* userData);
struct KxEventTypeSpec {
  AEEventClass eventClass;
  std::uint32_t eventKind;
};
using KxEventHandlerRef = std::uint32_t;   // 0: none

class KxAppEventTarget {
 public:
  // Installs `handler` for the given class and kind pairs; answers its
  // reference (never 0).
  static KxEventHandlerRef Install(KxEventHandlerProc handler, const std::vector<KxEventTypeSpec>& specs,
                                   void* userData);
  // Removes an installed handler; an unknown reference does nothing.
  static void Remove(KxEventHandlerRef ref);
  // Hands the event to the newest handler installed for its class and kind;
  // kKxEventNotHandled when there is none or it declines.
  static OSStatus Send(KxTargetEvent& event);
};
