// Geometry, pages, settings and text access of the editing layer.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "layer_fixture.h"
#include "layout/kxte_api.h"
#include "layout/text_form.h"
#include "platform/memory.h"

namespace {
using kxtest::Diff;
using kxtest::Take;
using kxtest::TestLayer;

void SetText(TestLayer& layer, const std::string& s) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({0, 0}, false);
}

// The destination asked of the edit object (which lays its height out
// from the text).
class RecordingLayer : public TestLayer {
 public:
  void SetDestRect(const RectL& r) override {
    asked = r;
    TestLayer::SetDestRect(r);
  }
  RectL asked{};
};

TEST(TextLayerGeometry, ImageSizesNeverGiveAReversedDestination) {
  const struct {
    long width, height;
    std::int32_t destWidth, destHeight;
  } kCases[] = {
      {100, 5, 96, 1}, {100, 3, 96, 0}, {3, 100, 0, 96}, {0, 0, 0, 0}, {-50, -50, 0, 0}, {640, 480, 636, 476},
  };
  for (const auto& c : kCases) {
    RecordingLayer layer;
    layer.SetTextMargins({0, 0, 4, 4});
    layer.SetImageSize(c.width, c.height);
    EXPECT_EQ(layer.asked.right - layer.asked.left, c.destWidth) << c.width << "x" << c.height;
    EXPECT_EQ(layer.asked.bottom - layer.asked.top, c.destHeight) << c.width << "x" << c.height;
    RectL d{};
    layer.GetDestRect(d);
    EXPECT_EQ(d.right - d.left, c.destWidth) << c.width << "x" << c.height;
    long w = 0, h = 0;
    layer.GetImageSize(w, h);
    EXPECT_EQ(w, c.destWidth + 4);
    EXPECT_EQ(h, d.bottom - d.top + 4);
  }
}

TEST(TextLayerGeometry, MarginsMoveTheDestinationInBothWritings) {
  TestLayer layer;
  SetText(layer, "text");
  RectL before{};
  layer.GetDestRect(before);
  layer.SetTextMargins({10, 20, 4, 4});
  RectL d{};
  layer.GetDestRect(d);
  EXPECT_EQ(d.top, 10);
  EXPECT_EQ(d.left, 20);
  EXPECT_EQ(d.bottom - d.top, before.bottom - before.top);
  EXPECT_EQ(d.right - d.left, before.right - before.left);
  layer.SetVertical(true);
  Rect m{};
  layer.GetTextMargins(m);
  EXPECT_EQ(m.top, 10);
  EXPECT_EQ(m.left, 20);
  layer.SetTextMargins({1, 2, 3, 5});
  layer.GetTextMargins(m);
  EXPECT_EQ(m.top, 1);
  EXPECT_EQ(m.left, 2);
  EXPECT_EQ(m.bottom, 3);
  EXPECT_EQ(m.right, 5);
  layer.SetVertical(false);
  layer.GetTextMargins(m);
  EXPECT_EQ(m.right, 5);
}

TEST(TextLayerGeometry, PagesBelowOneOrBeyondTheCountAreRefused) {
  TestLayer layer;
  SetText(layer, "a page of text");
  layer.SetPaperView(true);
  const long count = KXTE_GetPageCount(layer.GetEdit());
  RectL view{};
  layer.GetViewRect(view);
  for (long page : {0L, -1L, count + 1}) {
    EXPECT_FALSE(layer.SetCurPage(page)) << page;
    EXPECT_FALSE(layer.PrintPage(page, {0, 0, 100, 100})) << page;
    RectL now{};
    layer.GetViewRect(now);
    EXPECT_EQ(now.top, view.top) << page;
    EXPECT_EQ(now.left, view.left) << page;
  }
  if (count >= 1) {
    EXPECT_TRUE(layer.SetCurPage(1));
    EXPECT_TRUE(layer.PrintPage(1, {0, 0, 100, 100}));
    RectL now{};
    layer.GetViewRect(now);
    layer.SetCurPage(1);
    RectL again{};
    layer.GetViewRect(again);
    EXPECT_EQ(again.top, now.top);  // printing put the view back
  }
}

TEST(TextLayerGeometry, PointsAndRanges) {
  TestLayer layer;
  SetText(layer, "abcdef");
  PointL p{};
  layer.RangeToPoint({3, 2}, p);
  EXPECT_TRUE(layer.PointInRange(p, {3, 2}));
  EXPECT_TRUE(layer.PointInRange(p, {3, 0}));
  EXPECT_FALSE(layer.PointInRange(p, {4, 2}));
  EXPECT_FALSE(layer.PointInRange(p, {0, 3}));
  const SKXRange r = layer.PointToRange(p);
  EXPECT_EQ(r.start, 3);
  EXPECT_EQ(r.length, 1);
}

TEST(TextLayerGeometry, TextAccessThroughHandles) {
  TestLayer layer;
  SetText(layer, "hello world");
  Handle h = NewHandle(5);
  char* const block = *h;
  layer.TextGetThruHandle({6, 5}, h);
  EXPECT_EQ(*h, block);  // the right size already: not reallocated
  EXPECT_EQ(std::string(*h, 5), "world");
  layer.TextGetThruHandle({0, -1}, h);
  EXPECT_EQ(GetHandleSize(h), 11);
  EXPECT_EQ(std::string(*h, 11), "hello world");
  SetHandleSize(h, 3);
  std::memcpy(*h, "big", 3);
  layer.TextReplaceByHandle({6, 5}, h);
  DisposeHandle(h);
  EXPECT_EQ(Take(layer).bytes, "hello big");
  char buf[4] = {};
  EXPECT_EQ(layer.TextGetThruPtr(CKXTextLayer::sTextAll, buf, 4), 4);  // never past the capacity
  EXPECT_EQ(std::string(buf, 4), "hell");

  const long changes = layer.changes;
  layer.TextSetText("new", 3, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(Take(layer).bytes, "new");
  EXPECT_GT(layer.changes, changes);
}

TEST(TextLayerGeometry, StartupColorOnlyForASingleStyleRun) {
  TestLayer layer;
  const SKXStyl two[2] = {{0, {0, 0, 0, 0, 0, 12, {0, 0, 0}}}, {2, {0, 0, 0, 1, 0, 12, {0, 0, 0}}}};
  KXText_SetText(layer.GetEdit(), "abcd", 4, two, 2, nullptr, 0, nullptr, 0);
  const auto before = Take(layer);
  layer.SetStartupColor({0xFFFF, 0, 0});
  EXPECT_EQ(Diff(Take(layer), before), "");
  SetText(layer, "abcd");
  layer.SetStartupColor({0xFFFF, 0, 0});
  ASSERT_EQ(Take(layer).styls.size(), 1u);
  EXPECT_EQ(Take(layer).styls[0].styl.color.red, 0xFFFF);
  SStyl cur{};
  KXTE_GetCurStyl(layer.GetEdit(), cur);
  EXPECT_EQ(cur.color.red, 0xFFFF);
}

// A form from a file or the preferences with a pitch beyond its page laid
// every line or character on a page of its own, outside the text area:
// blank pages. Applied or taken at start-up, the pitches fit the page the
// form lays out, the document's own paper where the form takes that.
TEST(TextLayerGeometry, FormPitchesBeyondThePageAreHeldToIt) {
  SKXFormStyl outsize = UKXTextForm::GetDefaultForm(4);   // A4, margins 34: 774 x 527
  outsize.linePitch = 1417;
  outsize.fixedChar = 1;
  outsize.charPitch = 1134;
  auto pitches = [](TestLayer& layer) {
    SKXFormStyl f;
    KXTE_GetFormStyl(layer.GetEdit(), f);
    return std::pair<int, int>(f.linePitch, f.charPitch);
  };
  {
    TestLayer layer;
    SetText(layer, "abc\rdef");
    layer.SetFormStyl(outsize);
    EXPECT_EQ(pitches(layer), (std::pair<int, int>(774, 527)));
    // Pitches that fit are left alone.
    SKXFormStyl fits = outsize;
    fits.linePitch = 40, fits.charPitch = 20;
    layer.SetFormStyl(fits);
    EXPECT_EQ(pitches(layer), (std::pair<int, int>(40, 20)));
  }
  {
    // The form takes the document's paper: 400 x 300 less its margins.
    TestLayer layer;
    SetText(layer, "abc");
    layer.SetPaperSize(PointL{400, 300}, true);
    layer.SetPageMargin(Rect{20, 30, 40, 50}, true);
    SKXFormStyl f = outsize;
    f.docPaper = 1;
    layer.SetFormStyl(f);
    EXPECT_EQ(pitches(layer), (std::pair<int, int>(400 - 20 - 40, 300 - 30 - 50)));
  }
  {
    // The start-up form of a new document.
    TestLayer layer;
    SKXLineStyl line{};
    SKXEditStyl edit{};
    KXTE_GetLineStyl(layer.GetEdit(), line);
    KXTE_GetEditStyl(layer.GetEdit(), edit);
    layer.SetStartup(line, edit, nullptr, &outsize);
    EXPECT_EQ(pitches(layer), (std::pair<int, int>(774, 527)));
  }
}

}  // namespace
