// Attachments: objects that ride on a host (a commander, a pane) and see the
// messages the host executes before the host itself does; each can let the
// host go on or answer in its place. The undoers are attachments of windows.
#pragma once

#include <cstdint>
#include <vector>

using MessageT = std::int32_t;

// An attachment made for this message sees every message.
constexpr MessageT kKxMsgAnyMessage = 0;

class LAttachable;

class LAttachment {
 public:
  explicit LAttachment(MessageT message = kKxMsgAnyMessage, bool executeHost = true)
      : mMessage(message), mExecuteHost(executeHost), mDefaultExecuteHost(executeHost) {}
  // Leaves its host first, so that a deleted attachment is never executed.
  virtual ~LAttachment();
  LAttachment(const LAttachment&) = delete;
  LAttachment& operator=(const LAttachment&) = delete;

  // Runs ExecuteSelf for the attachment's message (or every message) and
  // answers whether the host should still execute the message itself.
  bool Execute(MessageT message, void* param);

  MessageT GetMessage() const { return mMessage; }
  void SetMessage(MessageT message) { mMessage = message; }
  bool GetExecuteHost() const { return mExecuteHost; }
  void SetExecuteHost(bool executeHost) { mExecuteHost = executeHost; }
  LAttachable* GetOwnerHost() const { return mOwnerHost; }

 protected:
  // Sets mExecuteHost false to answer in the host's place.
  virtual void ExecuteSelf(MessageT message, void* param) = 0;

 private:
  friend class LAttachable;
  MessageT mMessage;
  bool mExecuteHost;
  bool mDefaultExecuteHost;
  LAttachable* mOwnerHost = nullptr;
};

class LAttachable {
 public:
  LAttachable() = default;
  // Deletes the attachments it owns and lets go of the others.
  virtual ~LAttachable();
  LAttachable(const LAttachable&) = delete;
  LAttachable& operator=(const LAttachable&) = delete;

  // Adds an attachment before `before` (at the end when null or not found,
  // or while the attachments are being executed).
  // An attachment has one host at a time: it leaves its previous one.
  void AddAttachment(LAttachment* attachment, LAttachment* before = nullptr,
                     bool ownsAttachment = true);
  // Takes the attachment off without deleting it; the caller owns it.
  void RemoveAttachment(LAttachment* attachment);
  // Runs every attachment in order; true when all let the host execute.
  // Attachments added or removed meanwhile are safe: a removed one is not
  // run, an added one runs from the next message on.
  bool ExecuteAttachments(MessageT message, void* param);
  std::size_t CountAttachments() const;

 private:
  struct Slot {
    LAttachment* attachment;
    bool owned;
  };
  void Compact();
  std::vector<Slot> mAttachments;   // null slots wait for Compact
  int mExecuting = 0;               // nesting depth of ExecuteAttachments
};
