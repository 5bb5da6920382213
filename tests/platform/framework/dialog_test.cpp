// Dialogs from layouts run by a script on the headless host: the modal
// loop's messages, field values, Tab between fields, the controls, alerts.
#include "platform/framework/dialog.h"

#include <cstdlib>
#include <string>

#include "platform/exception.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/layout.h"
#include "platform/framework/list_box.h"
#include "platform/framework/scroller.h"
#include "platform/textconv.h"
#include "window_fixture.h"

namespace {

constexpr ResIDT kControlsDialog = 3990;
constexpr std::uint8_t kKeyA = 0x00;

class DialogTest : public WindowTest {
 protected:
  void Type(const std::string& s) {
    for (char c : s) host.PostKey(std::uint8_t(c), kKeyA);
  }
  void Key(std::uint8_t keyCode, std::uint8_t ch, std::uint16_t mods = 0) { host.PostKey(ch, keyCode, mods); }
  void ClickAt(LWindow& w, LPane& pane, int dh = 3, int dv = 3) {
    const RectL f = pane.CalcPortFrameRect();
    host.PostMouse(true, Global(w, f.left + dh, f.top + dv));
    host.PostMouse(false, Global(w, f.left + dh, f.top + dv));
  }
  // Runs the loop until a message or the end of the script.
  MessageT Run(StDialogHandler& handler) {
    host.SetIdleLimit(3);
    for (int turns = 0; turns < 10000; ++turns)
      if (MessageT m = handler.DoDialog(); m == msg_OK || m == msg_Cancel) return m;
    return msg_Nothing;
  }
  template <class T>
  T& Pane(StDialogHandler& h, PaneIDT id) {
    T* p = dynamic_cast<T*>(h.GetDialog()->FindPaneByID(id));
    EXPECT_NE(p, nullptr) << id;
    return *p;
  }
};

TEST_F(DialogTest, AScriptedDialogReturnsOKWithItsFieldValues) {
  StDialogHandler handler(kControlsDialog, nullptr);
  LWindow& dialog = *handler.GetDialog();
  Key(kKxKeyBackspace, 8);           // "abc" -> "ab" (the caret starts at the end)
  Type("XY");
  Key(kKxKeyTab, '\t');              // to the number field
  Type("12a3");                      // the letter is refused with a beep
  host.PostEvent(EventRecord{});     // nothing
  ClickAt(dialog, Pane<LControl>(handler, 3995));   // check box on
  ClickAt(dialog, Pane<LControl>(handler, 3997));   // second radio button
  ClickAt(dialog, Pane<LControl>(handler, 900));
  EXPECT_EQ(Run(handler), msg_OK);
  EXPECT_EQ(Pane<LEditField>(handler, 3993).GetText(), "abXY");
  EXPECT_EQ(Pane<LEditField>(handler, 3994).GetValue(), 123);
  EXPECT_EQ(Pane<LControl>(handler, 3995).GetValue(), 1);
  EXPECT_EQ(Pane<LControl>(handler, 3996).GetValue(), 0);
  EXPECT_EQ(Pane<LControl>(handler, 3997).GetValue(), 1);
  EXPECT_EQ(Pane<LRadioGroup>(handler, 3998).GetCurrentRadioID(), 3997);
  EXPECT_EQ(Pane<LControl>(handler, 3999).GetValue(), 2);
  EXPECT_EQ(host.Beeps(), 1);
}

TEST_F(DialogTest, KeysPressTheDefaultAndCancelButtons) {
  struct Case {
    std::uint8_t keyCode, ch;
    std::uint16_t mods;
    MessageT want;
  } cases[] = {
      {kKxKeyReturn, '\r', 0, msg_OK},
      {kKxKeyEnter, 3, 0, msg_OK},
      {kKxKeyEscape, kKxCharEscape, 0, msg_Cancel},
      {0x2F, '.', kKxEventCommandKey, msg_Cancel},
  };
  for (const Case& c : cases) {
    StDialogHandler handler(kControlsDialog, nullptr);
    Key(c.keyCode, c.ch, c.mods);
    EXPECT_EQ(Run(handler), c.want) << int(c.keyCode);
  }
  // A script that ends without an answer cancels rather than waiting.
  StDialogHandler handler(kControlsDialog, nullptr);
  EXPECT_EQ(Run(handler), msg_Cancel);
}

TEST_F(DialogTest, TabMovesBetweenEditFields) {
  StDialogHandler handler(kControlsDialog, nullptr);
  auto& name = Pane<LEditField>(handler, 3993);
  auto& number = Pane<LEditField>(handler, 3994);
  host.SetIdleLimit(1);
  auto step = [&] {
    while (host.PendingEvents()) handler.DoDialog();
  };
  step();   // activation: the first field takes the keys
  EXPECT_EQ(LCommander::GetTarget(), &name);
  const struct {
    std::uint16_t mods;
    LEditField* want;
  } tabs[] = {{0, &number}, {0, &name}, {kKxEventShiftKey, &number}, {kKxEventShiftKey, &name}};
  for (const auto& t : tabs) {
    Key(kKxKeyTab, '\t', t.mods);
    step();
    EXPECT_EQ(LCommander::GetTarget(), t.want);
    EXPECT_EQ(t.want->GetSelStart(), 0u);   // the whole text selected
    EXPECT_EQ(t.want->GetSelEnd(), t.want->GetText().size());
  }
  // A disabled field is passed over.
  number.Disable();
  Key(kKxKeyTab, '\t');
  step();
  EXPECT_EQ(LCommander::GetTarget(), &name);
}

TEST_F(DialogTest, EditFieldsKeepLimitsAndWholeCharacters) {
  StDialogHandler handler(kControlsDialog, nullptr);
  auto& name = Pane<LEditField>(handler, 3993);
  auto& number = Pane<LEditField>(handler, 3994);
  // Two-byte characters go and come whole.
  name.SetText("a\x88\x9f" "b");   // a, a kanji, b
  name.SetSelection(3, 3);
  EXPECT_EQ(name.GetSelStart(), 3u);
  name.SetSelection(2, 2);   // inside the kanji: moved to its start
  EXPECT_EQ(name.GetSelStart(), 1u);
  name.SetSelection(3, 3);
  EventRecord bs{keyDown, KxKeyMessage(8, kKxKeyBackspace), 0, {0, 0}, 0};
  name.HandleKeyPress(bs);
  EXPECT_EQ(name.GetText(), "ab");
  // The maximum holds for typing, text and pastes.
  number.SetText("1234567");
  EXPECT_EQ(number.GetText(), "12345");
  EventRecord digit{keyDown, KxKeyMessage('9', 0x19), 0, {0, 0}, 0};
  const int beeps = host.Beeps();
  number.HandleKeyPress(digit);
  EXPECT_EQ(number.GetText(), "12345");
  EXPECT_EQ(host.Beeps(), beeps + 1);
  // Text cut to the maximum never ends inside a two-byte character.
  number.SetText("12\x88\x9f\x88\x9f");
  EXPECT_EQ(number.GetText(), "12\x88\x9f");
  // Cut and paste through the clipboard; a pasted line ends at CR.
  name.SetText("hello");
  name.SetSelection(1, 3);
  EXPECT_TRUE(name.ObeyCommand(kKxCmdCut, nullptr));
  EXPECT_EQ(name.GetText(), "hlo");
  host.PutClipboard(FourCC("TEXT"), "XY\rZ", 4);
  EXPECT_TRUE(name.ObeyCommand(kKxCmdPaste, nullptr));
  EXPECT_EQ(name.GetText(), "hXYlo");
  // Another program's text comes only as UTF-16: it pastes as Shift_JIS,
  // a character without a Shift_JIS form as the placeholder.
  const std::u16string other = u"\u65E5\u672C\U0001F600\r2";
  host.ClearClipboard();
  host.PutClipboard(FourCC("utxt"), other.data(), other.size() * sizeof(char16_t));
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 itemName{};
  name.FindCommandStatus(kKxCmdPaste, enabled, usesMark, mark, itemName);
  EXPECT_TRUE(enabled);
  name.SetText("");
  EXPECT_TRUE(name.ObeyCommand(kKxCmdPaste, nullptr));
  EXPECT_EQ(name.GetText(), "\x93\xFA\x96\x7B" + KxUTF8ToScriptText("\xF0\x9F\x98\x80"));
  // Values.
  number.SetValue(-42);
  EXPECT_EQ(number.GetValue(), -42);
  number.SetText("x");
  EXPECT_EQ(number.GetValue(), 0);
}

// A field holds what its layout asks, beyond 32767 bytes (the stream
// editor's script box); a paste that does not fit is cut with a beep.
TEST_F(DialogTest, EditFieldsHoldTheirLayoutsMaximum) {
  const KxLayout layout(3900);
  const KxLayoutPaneRecord* box = layout.FindPaneByID(3924);
  ASSERT_NE(box, nullptr);
  LEditField field(*box);
  EXPECT_EQ(field.GetMaxChars(), std::size_t(KxLayout::GetNumber(*box, "maxChars", 0)));
  const std::string big(100000, 'x');
  field.SetText(big);
  EXPECT_EQ(field.GetText().size(), big.size());
  StDialogHandler handler(kControlsDialog, nullptr);
  auto& number = Pane<LEditField>(handler, 3994);
  number.SetText("12");
  host.PutClipboard(FourCC("TEXT"), "3456789", 7);
  const int beeps = host.Beeps();
  EXPECT_TRUE(number.ObeyCommand(kKxCmdPaste, nullptr));
  EXPECT_EQ(number.GetText(), "12345");
  EXPECT_EQ(host.Beeps(), beeps + 1);
  host.PutClipboard(FourCC("TEXT"), "", 0);
  number.SetText("1");
  EXPECT_TRUE(number.ObeyCommand(kKxCmdPaste, nullptr));
  EXPECT_EQ(host.Beeps(), beeps + 1);
}

TEST_F(DialogTest, ListBoxesSelectAndBroadcastDoubleClicks) {
  StDialogHandler handler(kControlsDialog, nullptr);
  LWindow& dialog = *handler.GetDialog();
  auto& list = Pane<LListBox>(handler, 4000);
  EXPECT_EQ(list.GetValue(), -1);
  ClickAt(dialog, list, 5, 1 + 16 + 3);   // row 1
  host.SetIdleLimit(1);
  while (host.PendingEvents()) handler.DoDialog();
  EXPECT_EQ(list.GetValue(), 1);
  // A second click on the same row soon after: the double-click message.
  ClickAt(dialog, list, 5, 1 + 16 + 3);
  MessageT heard = 0;
  while (host.PendingEvents())
    if (MessageT m = handler.DoDialog()) heard = m;
  EXPECT_EQ(heard, 4000);
  // Keys move the selection; shift-click extends it.
  EventRecord down{keyDown, KxKeyMessage(kKxCharDownArrow, kKxKeyDown), 0, {0, 0}, 0};
  list.HandleKeyPress(down);
  EXPECT_EQ(list.GetValue(), 2);
  list.SetValue(-1);
  list.HandleKeyPress(down);
  EXPECT_EQ(list.GetValue(), 0);
  host.PostMouse(true, Global(dialog, list.CalcPortFrameRect().left + 5, list.CalcPortFrameRect().top + 1 + 48 + 3),
                 kKxEventShiftKey);
  host.PostMouse(false, Global(dialog, 0, 0));
  while (host.PendingEvents()) handler.DoDialog();
  EXPECT_EQ(list.GetSelectedRows(), (std::vector<std::int32_t>{0, 1, 2, 3}));
}

TEST_F(DialogTest, ScrollBarPartsScrollTheView) {
  StDialogHandler handler(kControlsDialog, nullptr);
  LWindow& dialog = *handler.GetDialog();
  auto& scroller = Pane<LScroller>(handler, 4001);
  LView& view = *scroller.GetScrollingView();
  LScrollBar& bar = *scroller.GetVScrollBar();
  SDimension32 barSize;
  bar.GetFrameSize(barSize);
  SPoint32 pos;
  host.SetIdleLimit(1);
  auto click = [&](int dv) {
    ClickAt(dialog, bar, 3, dv);
    while (host.PendingEvents()) handler.DoDialog();
    view.GetScrollPosition(pos);
    return pos.v;
  };
  EXPECT_EQ(click(barSize.height - 3), 4);    // down arrow: one unit
  EXPECT_EQ(click(barSize.height - 3), 8);
  EXPECT_EQ(click(3), 4);                     // up arrow
  const std::int32_t page = click(barSize.height - 20);   // below the thumb: a page
  EXPECT_GT(page, 4);
  scroller.ScrollBarAction(&bar, kControlPageUpPart);   // a page back: the frame less a unit
  view.GetScrollPosition(pos);
  EXPECT_EQ(pos.v, 4);
  EXPECT_EQ(bar.GetValue(), 1);
  // The thumb dragged to the bottom: the end of the image.
  const RectL thumb = bar.ThumbRect();
  const RectL frame = bar.CalcPortFrameRect();
  SPoint32 at{thumb.left + 2, thumb.top + 2};
  bar.LocalToPortPoint(at);
  host.PostMouse(true, Global(dialog, at.h, at.v));
  host.PostMouse(false, Global(dialog, at.h, frame.bottom + 100));
  while (host.PendingEvents()) handler.DoDialog();
  view.GetScrollPosition(pos);
  SDimension32 image, vf;
  view.GetImageSize(image);
  view.GetFrameSize(vf);
  EXPECT_EQ(pos.v, image.height - vf.height);
  EXPECT_EQ(bar.GetValue(), bar.GetMaxValue());
}

// A scroller whose owner asks for live scrolling: the view follows the
// thumb while it is dragged, not only when it is let go.
class LiveScroller : public LScroller {
 public:
  explicit LiveScroller(const KxLayoutPaneRecord& record) : LScroller(record) {}
  bool LiveThumb() const override { return sLive; }
  static inline bool sLive = false;
};

TEST_F(DialogTest, ALiveThumbScrollsWhileItIsDragged) {
  URegistrar::RegisterClass(FourCC("scrl"), [](const KxLayoutPaneRecord& r) -> LPane* { return new LiveScroller(r); });
  for (bool live : {true, false}) {
    SCOPED_TRACE(live);
    LiveScroller::sLive = live;
    StDialogHandler handler(kControlsDialog, nullptr);
    LWindow& dialog = *handler.GetDialog();
    auto& scroller = Pane<LScroller>(handler, 4001);
    LView& view = *scroller.GetScrollingView();
    LScrollBar& bar = *scroller.GetVScrollBar();
    host.SetIdleLimit(1);
    const RectL thumb = bar.ThumbRect();
    const RectL frame = bar.CalcPortFrameRect();
    SPoint32 at{thumb.left + 2, thumb.top + 2};
    bar.LocalToPortPoint(at);
    const std::int16_t middle = std::int16_t((frame.top + frame.bottom) / 2);
    host.PostMouse(true, Global(dialog, at.h, at.v));
    host.PostMouseMove(Global(dialog, at.h, middle));
    while (host.PendingEvents()) handler.DoDialog();
    SPoint32 pos;
    view.GetScrollPosition(pos);
    if (live) {
      EXPECT_GT(pos.v, 0);
      EXPECT_GT(bar.GetValue(), 0);
      EXPECT_LT(bar.GetValue(), bar.GetMaxValue());
    } else {
      EXPECT_EQ(pos.v, 0);
    }
    // Further down and let go there: both end at the bottom.
    host.PostMouseMove(Global(dialog, at.h, frame.bottom + 50));
    host.PostMouse(false, Global(dialog, at.h, frame.bottom + 50));
    while (host.PendingEvents()) handler.DoDialog();
    view.GetScrollPosition(pos);
    SDimension32 image, vf;
    view.GetImageSize(image);
    view.GetFrameSize(vf);
    EXPECT_EQ(pos.v, image.height - vf.height);
  }
  LiveScroller::sLive = false;
  URegistrar::RegisterClass(FourCC("scrl"), [](const KxLayoutPaneRecord& r) -> LPane* { return new LScroller(r); });
}

TEST_F(DialogTest, AlertsPutTheParameterTextsIn) {
  const unsigned char p0[] = "\x05" "a ^1!";
  const unsigned char p1[] = "\x01" "x";
  ParamText(p0, p1, nullptr, nullptr);
  EXPECT_EQ(KxAlertText(205), "a ^1!") << "what is put in is not searched again";
  host.QueueAnswer(KxAnswer::kCancel);
  EXPECT_EQ(UModalAlerts::StopAlert(205), kKxAlertCancel);
  EXPECT_EQ(UModalAlerts::NoteAlert(205), kKxAlertOK);
  ASSERT_EQ(host.Alerts().size(), 2u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kStop);
  EXPECT_EQ(host.Alerts()[1].text, "a ^1!");
  // Japanese text reaches the host as UTF-8; a missing alert shows empty.
  const unsigned char kanji[] = "\x02\x88\x9f";
  ParamText(kanji, nullptr, nullptr, nullptr);
  UModalAlerts::CautionAlert(205);
  EXPECT_EQ(host.Alerts().back().text, "\xE4\xBA\x9C");
  EXPECT_EQ(KxAlertText(31999), "");
}

TEST_F(DialogTest, LayoutsThatCannotBeBuiltAreRefused) {
  EXPECT_THROW(LWindow::CreateWindow(31999, nullptr), LException);
  URegistrar::UnregisterClass(FourCC("capt"));
  EXPECT_THROW(LWindow::CreateWindow(kControlsDialog, nullptr), LException);
  EXPECT_TRUE(host.WindowList().empty()) << "nothing is left behind";
}

TEST_F(DialogTest, ADialogDrawnHeadless) {
  StDialogHandler handler(kControlsDialog, nullptr);
  host.SetIdleLimit(1);
  while (!host.ShouldStop()) handler.DoDialog();
  LWindow& dialog = *handler.GetDialog();
  // Drawn: the face colour behind, black outlines of the buttons.
  EXPECT_EQ(Px(dialog, 2, 2), 0xEEEEEEu);
  const RectL ok = Pane<LControl>(handler, 900).CalcPortFrameRect();
  EXPECT_EQ(Px(dialog, (ok.left + ok.right) / 2, ok.top + 1), 0u);   // the default button's heavy outline
  if (const char* dir = std::getenv("KX_SHOT_DIR"))
    cairo_surface_write_to_png(dialog.HostPort()->Surface(), (std::string(dir) + "/dialog.png").c_str());
}

}  // namespace
