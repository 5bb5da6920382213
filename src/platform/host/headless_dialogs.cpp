// The headless host's window-modal dialogs: scripted answers.
#include "platform/files.h"
#include "platform/host/headless.h"

namespace {
bool IsFileChooser(KxDialogKind kind) {
  return kind == KxDialogKind::kOpen || kind == KxDialogKind::kSave || kind == KxDialogKind::kChooseFolder;
}
}  // namespace

void KxHeadlessHost::QueueDialogReply(KxDialogReply reply) { mDialogReplies.push_back(std::move(reply)); }

bool KxHeadlessHost::TakeQueuedReply(const KxDialogRequest& request, KxDialogReply& reply) {
  if (!mDialogReplies.empty()) {
    reply = std::move(mDialogReplies.front());
    mDialogReplies.pop_front();
  } else {
    reply = KxDialogReply{};
    reply.filter = request.filter;
    for (const KxDialogChoice& c : request.choices) reply.choices.push_back(c.selected);
    if (mAnswers.empty() || mAnswers.front().colour) return false;
    Answer a = std::move(mAnswers.front());
    mAnswers.pop_front();
    reply.answer = a.answer;
    if (IsFileChooser(request.kind)) {
      if (a.answer == KxAnswer::kOK && !a.path.empty())
        reply.paths.push_back(std::move(a.path));
      else
        reply.answer = KxAnswer::kCancel;
    }
  }
  // As a desktop chooser does: the overwrite was confirmed when the file exists.
  if (request.kind == KxDialogKind::kSave && reply.answer == KxAnswer::kOK && !reply.paths.empty() &&
      KxPathExists(reply.paths.front()))
    reply.replacing = true;
  return true;
}

std::uint32_t KxHeadlessHost::BeginDialog(const KxDialogRequest& request) {
  mDialogRequests.push_back(request);
  const std::uint32_t id = mNextDialog++;
  KxDialogReply reply;
  if (TakeQueuedReply(request, reply)) {
    mDialogsAnswered[id] = std::move(reply);
  } else if (HasScript() && !ScriptEnded()) {
    // A script answers from inside the dialog's loop: its next steps run
    // while the dialog waits.
    mDialogsOpen[id] = request;
  } else {
    // Nothing queued: cancelled, so that nothing closes or opens unasked.
    mDialogsAnswered[id] = std::move(reply);
  }
  return id;
}

bool KxHeadlessHost::PollDialog(std::uint32_t dialog, KxDialogReply& reply) {
  if (auto open = mDialogsOpen.find(dialog); open != mDialogsOpen.end()) {
    if (!TakeQueuedReply(open->second, reply)) {
      if (!ScriptEnded()) return false;
      reply = KxDialogReply{};   // the script ended inside the dialog: cancelled
    }
    mDialogsOpen.erase(open);
    return true;
  }
  auto it = mDialogsAnswered.find(dialog);
  if (it == mDialogsAnswered.end()) {
    reply = KxDialogReply{};
    return true;
  }
  reply = std::move(it->second);
  mDialogsAnswered.erase(it);
  return true;
}

bool KxHeadlessHost::ChooseColour(KxWindowID, const std::string&, RGBColor& colour) {
  if (mAnswers.empty()) return false;   // nothing queued: cancelled
  const Answer a = mAnswers.front();
  mAnswers.pop_front();
  if (!a.colour) return false;
  colour = a.rgb;
  return true;
}
