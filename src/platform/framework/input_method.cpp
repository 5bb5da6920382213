#include "platform/framework/input_method.h"

#include "platform/framework/commander.h"
#include "platform/framework/dialog.h"
#include "platform/textconv.h"

bool KxDeliverInputMethodPreedit(const std::string& utf8) {
  auto* client = dynamic_cast<KxInputMethodClient*>(LCommander::GetTarget());
  if (!client) return LCommander::GetTarget() != nullptr;   // nothing to show it in
  client->InputMethodPreedit(utf8);
  return true;
}

bool KxDeliverInputMethodCommit(const std::string& utf8) {
  LCommander* target = LCommander::GetTarget();
  if (!target) return false;
  if (auto* client = dynamic_cast<KxInputMethodClient*>(target)) {
    client->InputMethodCommit(utf8);
    return true;
  }
  for (char c : KxUTF8ToScriptText(utf8)) {
    EventRecord e;
    e.what = keyDown;
    e.message = KxKeyMessage(std::uint8_t(c), 0);
    // The target may change while keys are handled; each goes to the one of the moment.
    if (LCommander* t = LCommander::GetTarget()) t->ProcessKeyPress(e);
  }
  return true;
}

KxInputMethodClient* KxInputMethodTarget() { return dynamic_cast<KxInputMethodClient*>(LCommander::GetTarget()); }

bool KxDeliverInputMethodPreeditClauses(const std::string& utf8, const std::vector<KxInputMethodClient::Clause>& clauses,
                                        long caret) {
  auto* client = KxInputMethodTarget();
  if (!client) return LCommander::GetTarget() != nullptr;
  client->InputMethodPreeditClauses(utf8, clauses, caret);
  return true;
}
