// Broadcasters send numbered messages to the listeners that joined them.
// Both sides know each other, so either may die first; a listener may join
// or leave (or die) while a message is being sent.
#pragma once

#include <vector>

#include "platform/framework/attachment.h"

class LListener;

class LBroadcaster {
 public:
  LBroadcaster() = default;
  virtual ~LBroadcaster();
  LBroadcaster(const LBroadcaster&) = delete;
  LBroadcaster& operator=(const LBroadcaster&) = delete;

  void AddListener(LListener* listener);
  void RemoveListener(LListener* listener);
  bool HasListener(const LListener* listener) const;
  // Sends to each listener that is listening, in the order they joined.
  // Listeners that join meanwhile hear the next message.
  virtual void BroadcastMessage(MessageT message, void* param = nullptr);
  void StartBroadcasting() { mIsBroadcasting = true; }
  void StopBroadcasting() { mIsBroadcasting = false; }
  bool IsBroadcasting() const { return mIsBroadcasting; }

 private:
  friend class LListener;
  std::vector<LListener*> mListeners;   // null slots wait until no broadcast runs
  int mBroadcasting = 0;
  bool mIsBroadcasting = true;
};

class LListener {
 public:
  LListener() = default;
  virtual ~LListener();
  LListener(const LListener&) = delete;
  LListener& operator=(const LListener&) = delete;

  virtual void ListenToMessage(MessageT message, void* param) = 0;
  void StartListening() { mIsListening = true; }
  void StopListening() { mIsListening = false; }
  bool IsListening() const { return mIsListening; }
  bool HasBroadcaster(const LBroadcaster* broadcaster) const;

 private:
  friend class LBroadcaster;
  std::vector<LBroadcaster*> mBroadcasters;
  bool mIsListening = true;
};
