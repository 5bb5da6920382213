#include "platform/framework/broadcaster.h"

#include <algorithm>

LBroadcaster::~LBroadcaster() {
  for (LListener* l : mListeners)
    if (l) std::erase(l->mBroadcasters, this);
}

void LBroadcaster::AddListener(LListener* listener) {
  if (!listener || HasListener(listener)) return;
  mListeners.push_back(listener);
  listener->mBroadcasters.push_back(this);
}

void LBroadcaster::RemoveListener(LListener* listener) {
  if (!listener) return;
  for (LListener*& l : mListeners)
    if (l == listener) l = nullptr;
  std::erase(listener->mBroadcasters, this);
  if (mBroadcasting == 0) std::erase(mListeners, nullptr);
}

bool LBroadcaster::HasListener(const LListener* listener) const {
  return listener && std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end();
}

void LBroadcaster::BroadcastMessage(MessageT message, void* param) {
  if (!mIsBroadcasting) return;
  const std::size_t count = mListeners.size();
  ++mBroadcasting;
  struct Done {
    LBroadcaster* self;
    ~Done() {
      if (--self->mBroadcasting == 0) std::erase(self->mListeners, nullptr);
    }
  } done{this};
  for (std::size_t i = 0; i < count; ++i) {
    LListener* l = mListeners[i];
    if (l && l->IsListening()) l->ListenToMessage(message, param);
  }
}

LListener::~LListener() {
  // Copy: RemoveListener edits mBroadcasters.
  std::vector<LBroadcaster*> broadcasters = mBroadcasters;
  for (LBroadcaster* b : broadcasters) b->RemoveListener(this);
}

bool LListener::HasBroadcaster(const LBroadcaster* broadcaster) const {
  return std::find(mBroadcasters.begin(), mBroadcasters.end(), broadcaster) != mBroadcasters.end();
}
