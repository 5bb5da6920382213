#include "platform/host/host.h"

#include "platform/host/headless.h"

namespace {
KxHost* gHost = nullptr;
}

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
