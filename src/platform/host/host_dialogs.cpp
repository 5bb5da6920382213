#include "platform/host/host_dialogs.h"

#include <map>

#include "platform/files.h"

namespace {
// Replies of hosts that answer at once, until polled.
std::map<std::uint32_t, KxDialogReply>& Answered() {
  static std::map<std::uint32_t, KxDialogReply> answered;
  return answered;
}
std::uint32_t gNextDialog = 1;
}  // namespace

// The plain choosers and question of every host, answered at once.
std::uint32_t KxHost::BeginDialog(const KxDialogRequest& request) {
  KxDialogReply reply;
  reply.filter = request.filter;
  for (const KxDialogChoice& c : request.choices) reply.choices.push_back(c.selected);
  std::string path;
  switch (request.kind) {
    case KxDialogKind::kOpen:
    case KxDialogKind::kChooseFolder:
      if (ChooseFile(path)) {
        reply.answer = KxAnswer::kOK;
        reply.paths.push_back(path);
      }
      break;
    case KxDialogKind::kSave:
      if (ChooseSaveFile(request.name, path)) {
        reply.answer = KxAnswer::kOK;
        reply.paths.push_back(path);
        reply.replacing = KxPathExists(path);
      }
      break;
    case KxDialogKind::kSaveChanges: reply.answer = AskSaveChanges(request.name); break;
    case KxDialogKind::kDiscardChanges:
      reply.answer = Alert(KxAlertKind::kCaution, "\u300C" + request.name + "\u300Dの変更を破棄しますか？");
      break;
  }
  const std::uint32_t id = gNextDialog++;
  Answered()[id] = std::move(reply);
  return id;
}

bool KxHost::PollDialog(std::uint32_t dialog, KxDialogReply& reply) {
  auto it = Answered().find(dialog);
  if (it == Answered().end()) {
    reply = KxDialogReply{};   // unknown: cancelled
    return true;
  }
  reply = std::move(it->second);
  Answered().erase(it);
  return true;
}

KxDialogReply KxRunDialog(const KxDialogRequest& request, const std::function<void()>& turn) {
  KxHost& host = KxCurrentHost();
  KxDialogReply reply;
  const std::uint32_t id = host.BeginDialog(request);
  if (id == 0) return reply;
  while (!host.PollDialog(id, reply)) {
    if (turn) {
      turn();
    } else {
      EventRecord event;
      host.WaitNextEvent(event, 3);   // the dialog's own input runs inside the wait
    }
  }
  return reply;
}

bool KxDialogRequest::ChoiceEnabled(std::size_t choice, int filter) const {
  const std::vector<bool>& enabled =
      choice < choiceEnabled.size() && !choiceEnabled[choice].empty() ? choiceEnabled[choice] : choicesEnabled;
  if (enabled.empty()) return true;
  return filter >= 0 && std::size_t(filter) < enabled.size() && enabled[std::size_t(filter)];
}
