// Names Shift_JIS cannot carry: a window's UTF-8 title reaches the host
// beside its Shift_JIS descriptor and goes with the next descriptor; a menu
// item's UTF-8 text goes with the next text.
#include <gtest/gtest.h>

#include <string>

#include "platform/framework/menu.h"
#include "window_fixture.h"

namespace {

ConstStringPtr P(const char* s) { return reinterpret_cast<ConstStringPtr>(s); }

TEST_F(WindowTest, UnicodeTitleStandsBesideTheDescriptorUntilTheNextOne) {
  auto* window = new LWindow(Rect{50, 50, 150, 200}, P("\x05" "caf.t"), nullptr);
  const KxWindowID id = window->GetHostWindow();
  window->SetUnicodeTitle("caf\xC3\xA9\xE2\x9C\x93.t");
  EXPECT_EQ(host.GetWindowTitleUTF8(id), "caf\xC3\xA9\xE2\x9C\x93.t");
  EXPECT_EQ(window->GetUnicodeTitle(), "caf\xC3\xA9\xE2\x9C\x93.t");
  // What the program reads back stays the Shift_JIS title.
  Str255 title;
  window->GetDescriptor(title);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(title + 1), title[0]), "caf.t");
  EXPECT_EQ(host.GetWindowTitle(id), "caf.t");

  // A macro naming the window in Shift_JIS replaces the whole name.
  window->SetDescriptor(P("\x03" "new"));
  EXPECT_EQ(host.GetWindowTitleUTF8(id), "");
  EXPECT_EQ(window->GetUnicodeTitle(), "");
  EXPECT_EQ(host.GetWindowTitle(id), "new");

  window->SetUnicodeTitle("\xE2\x9C\x93");
  window->SetUnicodeTitle("");
  EXPECT_EQ(host.GetWindowTitleUTF8(id), "");
  EXPECT_EQ(host.GetWindowTitle(id), "new");
  delete window;
}

TEST(Menu, UnicodeTextGoesWithTheItemsNextText) {
  LMenu menu(1, P("\x01" "W"));
  menu.InsertItem(P("\x04" "caf."), 0);
  menu.InsertSeparator(1);
  menu.SetItemUnicodeText(1, "caf\xC3\xA9.");
  menu.SetItemUnicodeText(2, "x");
  menu.SetItemUnicodeText(9, "x");   // no such item
  EXPECT_EQ(menu.GetItem(1)->unicodeText, "caf\xC3\xA9.");
  EXPECT_EQ(menu.GetItem(1)->text, "caf.");
  EXPECT_EQ(menu.GetItem(2)->unicodeText, "");
  menu.SetItemText(1, P("\x02" "ok"));
  EXPECT_EQ(menu.GetItem(1)->unicodeText, "");
  EXPECT_EQ(menu.GetItem(1)->text, "ok");
}

}  // namespace
