// Shared by the pane, window and dialog tests: a headless host, the
// synthetic fonts, the framework's classes, and pixel access to a window's
// backing store.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "platform/draw/color.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/registrar.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    UKXColor::ResetScheme();
  }
  void TearDown() override { SetPort(nullptr); }

  static std::uint32_t Px(LWindow& w, int x, int y) {
    cairo_surface_t* s = w.HostPort()->Surface();
    cairo_surface_flush(s);
    const unsigned char* d = cairo_image_surface_get_data(s);
    return reinterpret_cast<const std::uint32_t*>(d + y * cairo_image_surface_get_stride(s))[x] & 0xFFFFFF;
  }
  // Every event the host has, dispatched as the application would.
  void Drain() {
    EventRecord e;
    while (host.WaitNextEvent(e, 0)) {
      KxWindowClient* c = host.GetWindowClient(e.message);
      if (e.what == activateEvt && c) c->HostActivate((e.modifiers & kKxEventActiveFlag) != 0);
      if (e.what == updateEvt && c) c->HostUpdate(Rect{0, 0, 0, 0});
    }
  }
  static Point Global(LWindow& w, int h, int v) {
    const Rect b = w.GetGlobalBounds();
    return Point{std::int16_t(b.top + v), std::int16_t(b.left + h)};
  }

  KxHeadlessHost host;
};
