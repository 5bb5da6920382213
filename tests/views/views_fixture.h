// Shared by the views tests: a headless host, the synthetic fonts, the
// framework's and the program's pane classes, and the controls dialog.
#pragma once

#include <gtest/gtest.h>

#include "platform/draw/color.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"
#include "views/dialog_box.h"
#include "views/view_classes.h"

constexpr ResIDT kProgramControls = 3960;

class ViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    UKXColor::ResetScheme();
  }
  void TearDown() override { SetPort(nullptr); }

  // Every event the host has, through the dialog's loop.
  void Drain(StDialogHandler& h) {
    for (int guard = 0; guard < 10000 && host.PendingEvents() > 0; ++guard) h.DoDialog();
  }
  void Click(StDialogHandler& h, PaneIDT id, int dh = 3, int dv = 3) {
    LPane* p = h.GetDialog()->FindPaneByID(id);
    ASSERT_NE(p, nullptr) << id;
    const RectL f = p->CalcPortFrameRect();
    const Rect b = h.GetDialog()->GetGlobalBounds();
    const Point at{std::int16_t(b.top + f.top + dv), std::int16_t(b.left + f.left + dh)};
    host.PostMouse(true, at);
    host.PostMouse(false, at);
    Drain(h);
  }
  static KXDialogBox& Dialog(StDialogHandler& h) { return *dynamic_cast<KXDialogBox*>(h.GetDialog()); }
  template <class T>
  T& Pane(StDialogHandler& h, PaneIDT id) {
    T* p = dynamic_cast<T*>(h.GetDialog()->FindPaneByID(id));
    EXPECT_NE(p, nullptr) << id;
    return *p;
  }

  KxHeadlessHost host;
};
