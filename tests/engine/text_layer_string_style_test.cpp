// Text the layer inserts as typed (a macro's text, a date, held-back keys)
// takes the typing style a character command set with nothing selected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layer_fixture.h"
#include "platform/keys.h"

namespace {
using kxtest::Take;
using kxtest::TestLayer;

constexpr std::uint8_t kItalic = 2;

void SetText(TestLayer& layer, const std::string& s, const std::vector<SKXStyl>& styls = {}) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), styls.empty() ? nullptr : styls.data(),
                 std::int32_t(styls.size()), nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
}

// The face of each byte, as letters: p plain, i italic, ? other.
std::string Faces(const TestLayer& layer) {
  const kxtest::Snapshot s = Take(layer);
  std::string out(s.bytes.size(), '?');
  for (std::size_t k = 0; k < s.styls.size(); ++k) {
    const std::size_t from = std::size_t(s.styls[k].offset);
    const std::size_t to = k + 1 < s.styls.size() ? std::size_t(s.styls[k + 1].offset) : out.size();
    const std::uint8_t face = s.styls[k].styl.face;
    for (std::size_t p = from; p < to && p < out.size(); ++p) out[p] = face == 0 ? 'p' : face == kItalic ? 'i' : '?';
  }
  return out;
}

TEST(TextLayerStringStyle, TextInsertedAsTypedTakesThePendingTypingStyle) {
  struct Case {
    const char* what;
    void (*insert)(TestLayer&);
  };
  const Case cases[] = {
      {"a string", [](TestLayer& l) { l.DoString("xyz", 3); }},
      {"a string with side entries", [](TestLayer& l) { l.DoString("xyz", 3, nullptr, 0); }},
      {"held-back keys",
       [](TestLayer& l) {
         KxFakeKeys keys;
         KxSetKeySource(&keys);
         keys.PushKeyDown('y', 0);
         l.DoKey('x', 0);
         l.DoKey('y', 0);
         keys.PopKeyDown();
         KxSetKeySource(nullptr);
         l.DoKey('z', 0);
       }},
  };
  for (const Case& c : cases) {
    TestLayer layer;
    SetText(layer, "abc");
    layer.SetSelectionRange({3, 0}, false);
    layer.DoFontStyle(kItalic);
    c.insert(layer);
    EXPECT_EQ(Faces(layer), "pppiii") << c.what;
    // One typing action: undo takes the text away.
    layer.Undo();
    EXPECT_EQ(Take(layer).bytes, "abc") << c.what;
  }
}

TEST(TextLayerStringStyle, WithNoPendingStyleTextTakesTheStyleBeforeTheCaret) {
  const std::vector<SKXStyl> plainItalic = {{0, {0, 0, 0, 0, 0, 12, {0, 0, 0}}},
                                            {2, {0, 0, 0, kItalic, 0, 12, {0, 0, 0}}}};
  TestLayer layer;
  SetText(layer, "abcd", plainItalic);
  layer.SetSelectionRange({4, 0}, false);
  layer.DoString("x", 1);
  layer.SetSelectionRange({1, 0}, false);
  layer.DoString("y", 1);
  EXPECT_EQ(Take(layer).bytes, "aybcdx");
  EXPECT_EQ(Faces(layer), "pppiii");
  // Over a selection the text takes the style of the text it replaces.
  layer.SetSelectionRange({3, 2}, false);
  layer.DoString("zz", 2);
  EXPECT_EQ(Take(layer).bytes, "aybzzx");
  EXPECT_EQ(Faces(layer), "pppiii");
}

}  // namespace
