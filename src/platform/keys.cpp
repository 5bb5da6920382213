#include "platform/keys.h"

#include <cstring>

namespace {
KxKeyState gHostKeys;
KxKeySource* gSource = nullptr;
}  // namespace

void KxKeyState::GetKeys(KeyMap map) { std::memcpy(map, mMap, sizeof mMap); }

void KxKeyState::SetKey(int keyCode, bool down) {
  if (keyCode < 0 || keyCode > 127) return;
  unsigned char bit = static_cast<unsigned char>(1u << (keyCode & 7));
  if (down)
    mMap[keyCode >> 3] |= bit;
  else
    mMap[keyCode >> 3] &= static_cast<unsigned char>(~bit);
}

void KxKeyState::ReleaseAll() { std::memset(mMap, 0, sizeof mMap); }

bool KxFakeKeys::PeekKeyDown(KxKeyEvent& event) {
  if (mQueue.empty()) return false;
  event = mQueue.front();
  return true;
}

void KxSetKeySource(KxKeySource* source) { gSource = source; }
KxKeySource& KxCurrentKeySource() { return gSource ? *gSource : gHostKeys; }
KxKeyState& KxHostKeyState() { return gHostKeys; }

void GetKeys(KeyMap map) { KxCurrentKeySource().GetKeys(map); }
