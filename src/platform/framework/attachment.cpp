#include "platform/framework/attachment.h"

#include <algorithm>
#include <memory>

LAttachment::~LAttachment() {
  if (mOwnerHost) mOwnerHost->RemoveAttachment(this);
}

bool LAttachment::Execute(MessageT message, void* param) {
  if (mMessage != kKxMsgAnyMessage && mMessage != message) return true;
  mExecuteHost = mDefaultExecuteHost;
  ExecuteSelf(message, param);
  return mExecuteHost;
}

LAttachable::~LAttachable() {
  // Detach everything first, so that an owned attachment's destructor does
  // not come back into this list.
  std::vector<Slot> slots;
  slots.swap(mAttachments);
  for (Slot& s : slots)
    if (s.attachment) s.attachment->mOwnerHost = nullptr;
  for (Slot& s : slots)
    if (s.attachment && s.owned) delete s.attachment;
}

void LAttachable::AddAttachment(LAttachment* attachment, LAttachment* before, bool ownsAttachment) {
  if (!attachment) return;
  if (attachment->mOwnerHost) attachment->mOwnerHost->RemoveAttachment(attachment);
  // While the list runs, slots must not move: the new one goes last.
  auto at = mExecuting > 0 ? mAttachments.end()
                           : std::find_if(mAttachments.begin(), mAttachments.end(), [before](const Slot& s) {
                               return before && s.attachment == before;
                             });
  mAttachments.insert(at, Slot{attachment, ownsAttachment});
  attachment->mOwnerHost = this;
}

void LAttachable::RemoveAttachment(LAttachment* attachment) {
  for (Slot& s : mAttachments) {
    if (s.attachment == attachment) {
      s.attachment = nullptr;
      attachment->mOwnerHost = nullptr;
    }
  }
  if (mExecuting == 0) Compact();
}

void LAttachable::Compact() {
  std::erase_if(mAttachments, [](const Slot& s) { return s.attachment == nullptr; });
}

bool LAttachable::ExecuteAttachments(MessageT message, void* param) {
  bool executeHost = true;
  // Index loop over the count at the start: the list may change underneath.
  const std::size_t count = mAttachments.size();
  ++mExecuting;
  struct Done {
    LAttachable* self;
    ~Done() {
      if (--self->mExecuting == 0) self->Compact();
    }
  } done{this};
  for (std::size_t i = 0; i < count && i < mAttachments.size(); ++i) {
    LAttachment* a = mAttachments[i].attachment;
    if (a && !a->Execute(message, param)) executeHost = false;
  }
  return executeHost;
}

std::size_t LAttachable::CountAttachments() const {
  return std::size_t(std::count_if(mAttachments.begin(), mAttachments.end(),
                                   [](const Slot& s) { return s.attachment != nullptr; }));
}
