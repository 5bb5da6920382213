// A text window on the headless host for the text-view tests: a text
// engine (synthetic font, no printer) shown by one or two panes, with the
// pixels of each pane and a from-scratch redraw to compare them with.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/exception.h"
#include "views/split_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "views_fixture.h"

namespace kxtest {

// The engine of the tests, held by the test besides its views.
class PaneEngine : public CKXTextEngine {
 public:
  PaneEngine() : CKXTextEngine(false) { AddUser(this); }
  void SetText(const std::string& bytes) {
    KXText_SetText(GetEdit(), bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    KXTE_CalcText(GetEdit());
    KXTE_SetSelect(GetEdit(), 0, 0);
  }
  std::string Text() const {
    std::string s(std::size_t(KXText_GetLength(GetEdit())), '\0');
    KXText_GetText(GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    return s;
  }
  void Select(long from, long to) { SetSelectionRange({std::int32_t(from), std::int32_t(to - from)}, false); }
};

// Numbered lines of words, long enough to scroll both ways.
inline std::string ManyLines(int lines, int wordsPerLine = 6) {
  std::string s;
  for (int k = 0; k < lines; ++k) {
    for (int w = 0; w < wordsPerLine; ++w) s += "line" + std::to_string(k) + "w" + std::to_string(w) + " ";
    s += '\r';
  }
  return s;
}

class TextPaneTest : public ViewsTest {
 public:
  void TearDown() override {
    CKXDragView::SetDragRunner(nullptr);
    delete panes.window;
    panes = {};
    if (engine) engine->RemoveUser(engine);
    engine = nullptr;
    ViewsTest::TearDown();
  }
  void SetUp() override { ViewsTest::SetUp(); }
  // A window of width x height; split > 0 splits it there.
  void Open(const std::string& text, std::int32_t width = 400, std::int32_t height = 300, std::int32_t split = 0,
            bool vertical = false, short scale = 0, bool wrap = false) {
    engine = new PaneEngine;
    if (vertical) KXTE_SetVertical(engine->GetEdit(), 1);
    if (!wrap) KXTE_SetLineTurn(engine->GetEdit(), 0);
    engine->SetText(text);
    if (scale) KXTE_SetEditScale(engine->GetEdit(), scale);
    engine->Activate();
    panes = KxMakeTextPanes(*engine, nullptr, width, height, split, vertical, nullptr);
    panes.window->UpdatePort();
  }
  KxPort& Port() { return *panes.window->HostPort(); }
  // The pixels of a port rectangle, row by row.
  std::vector<std::uint32_t> Pixels(const RectL& r) {
    cairo_surface_t* s = Port().Surface();
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    std::vector<std::uint32_t> out;
    for (std::int32_t v = std::max(0, r.top); v < std::min(r.bottom, Port().Height()); ++v)
      for (std::int32_t h = std::max(0, r.left); h < std::min(r.right, Port().Width()); ++h) {
        std::uint32_t px;
        std::memcpy(&px, data + std::size_t(v) * stride + std::size_t(h) * 4, 4);
        out.push_back(px & 0x00FFFFFF);
      }
    return out;
  }
  // Paints what is pending, keeps every pane's pixels, redraws the whole
  // window from scratch and answers the first pane that differs ("" when
  // none).
  std::string OracleMismatch() {
    panes.window->UpdatePort();
    std::vector<std::vector<std::uint32_t>> before;
    for (CKXTextView* v : panes.view)
      if (v) before.push_back(Pixels(v->CalcRevealedRect()));
    panes.window->Refresh();
    panes.window->UpdatePort();
    std::size_t k = 0;
    for (CKXTextView* v : panes.view) {
      if (!v) continue;
      const auto after = Pixels(v->CalcRevealedRect());
      if (after != before[k]) {
        std::size_t diff = 0;
        for (std::size_t i = 0; i < after.size(); ++i) diff += after[i] != before[k][i];
        return "pane " + std::to_string(k) + ": " + std::to_string(diff) + " pixels differ";
      }
      ++k;
    }
    return "";
  }
  SPoint32 ScrollOfPublic(int pane) { return ScrollOf(pane); }
  SPoint32 ScrollOf(int pane) {
    SPoint32 p;
    panes.view[pane]->GetScrollPosition(p);
    return p;
  }
  Point GlobalOf(SPoint32 port) {
    const Rect b = panes.window->GetGlobalBounds();
    return Point{std::int16_t(b.top + port.v), std::int16_t(b.left + port.h)};
  }
  // The port point of an offset's caret in a pane.
  SPoint32 PortOfOffset(int pane, long offset) {
    CKXTextView& v = *panes.view[pane];
    SPoint32 image;
    engine->Range2Image(SKXRange{std::int32_t(offset), 0}, true, image);
    SPoint32 port{image.h + 1, image.v + 2};
    v.LocalToPortPoint(port);
    return port;
  }

  PaneEngine* engine = nullptr;
  KxTextPanes panes;
};

}  // namespace kxtest
