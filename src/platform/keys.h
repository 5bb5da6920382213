// The platform's keyboard state: which keys are held now (by virtual key
// code, 0-127) and a look at the next key-down event without taking it.
//
// Everything goes through the installed KxKeySource. Without one, a plain
// key map answers that the host keeps up to date (all keys up until it
// does) and no event waits. Tests install a KxFakeKeys.
#pragma once

#include <cstdint>
#include <deque>

// 128 bits, one per virtual key code: bit (code & 7) of byte (code >> 3).
using KeyMap = unsigned char[16];

// Modifier bits of a key event, as the event records carry them.
constexpr std::uint16_t kKxEventCommandKey = 0x0100;
constexpr std::uint16_t kKxEventShiftKey = 0x0200;
constexpr std::uint16_t kKxEventOptionKey = 0x0800;
constexpr std::uint16_t kKxEventControlKey = 0x1000;

// A key-down event: message holds the character code in its low byte and the
// virtual key code in the next.
struct KxKeyEvent {
  std::uint32_t message = 0;
  std::uint16_t modifiers = 0;
};

class KxKeySource {
 public:
  virtual ~KxKeySource() = default;
  virtual void GetKeys(KeyMap map) = 0;
  // The next waiting key-down event, left in the queue; false when none.
  virtual bool PeekKeyDown(KxKeyEvent& event) = 0;
};

// A key map that its owner sets key by key; no events.
class KxKeyState : public KxKeySource {
 public:
  void GetKeys(KeyMap map) override;
  bool PeekKeyDown(KxKeyEvent&) override { return false; }
  // Codes outside 0-127 are ignored.
  void SetKey(int keyCode, bool down);
  void ReleaseAll();

 private:
  KeyMap mMap{};
};

// For tests: a settable key map and a queue of waiting key events.
class KxFakeKeys : public KxKeyState {
 public:
  bool PeekKeyDown(KxKeyEvent& event) override;
  void PushKeyDown(std::uint32_t message, std::uint16_t modifiers) {
    mQueue.push_back({message, modifiers});
  }
  void PopKeyDown() {
    if (!mQueue.empty()) mQueue.pop_front();
  }

 private:
  std::deque<KxKeyEvent> mQueue;
};

// Installs a key source (not owned); null restores the default key map.
void KxSetKeySource(KxKeySource* source);
KxKeySource& KxCurrentKeySource();
// The default key map, which the host updates.
KxKeyState& KxHostKeyState();

void GetKeys(KeyMap map);
