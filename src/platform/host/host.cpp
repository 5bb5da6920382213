#include "platform/host/host.h"

#include "platform/host/headless.h"

namespace {
KxHost* gHost = nullptr;
KxInlineInputQuery gInlineQuery;
}  // namespace

void KxSetInlineInputQuery(KxInlineInputQuery query) { gInlineQuery = std::move(query); }

bool KxInlineInputWanted() { return !gInlineQuery || gInlineQuery(); }

void KxSetHost(KxHost* host) { gHost = host; }

KxHost& KxCurrentHost() {
  if (gHost) return *gHost;
  static KxHeadlessHost fallback(false);
  return fallback;
}

KxWindowID KxHost::FrontWindow() const {
  const std::vector<KxWindowID> list = WindowList();
  return list.empty() ? kKxNoWindow : list.front();
}

bool KxHost::IsFloatingWindow(KxWindowID window) const {
  if (window == kKxNoWindow) return false;
  for (KxWindowID w : FloatingWindowList())
    if (w == window) return true;
  return false;
}

void KxHost::SetScriptFeeder(ScriptFeeder feeder) {
  mFeeder = std::move(feeder);
  mScriptEnded = false;
}

KxHost::ScriptTurn KxHost::FeedScript() {
  if (!mFeeder || mScriptEnded) return ScriptTurn::kEnded;
  const ScriptTurn turn = mFeeder();
  if (turn == ScriptTurn::kEnded) mScriptEnded = true;
  return turn;
}
