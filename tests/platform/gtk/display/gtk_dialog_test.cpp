// Modal dialogs and input-method text on the GTK host (under Xvfb): the
// dialog is a modal window transient for the window it came in front of, run
// by the dialog handler's loop; Enter and Escape press its buttons; keys go
// through the window's input-method context, whose compositions reach the
// target through the input-method entry points. Input is synthesized into
// the toolkit's own queue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw/port.h"
#include "platform/draw/print.h"
#include "platform/framework/commander.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/input_method.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/host_dialogs.h"

namespace {

// The input dialog (resources/layouts/3350.txt): edit field 3354, OK 900
// the default button, Cancel 901 the cancel button.
constexpr ResIDT kInputDialog = 3350;
constexpr PaneIDT kField = 3354;
constexpr MessageT kOK = 900, kCancel = 901;

// X11 key symbols.
constexpr unsigned kKeyReturn = 0xFF0D, kKeyKPEnter = 0xFF8D, kKeyEscape = 0xFF1B, kKeySpace = 0x20,
                   kKeyDeadAcute = 0xFE51, kKeyDeadDiaeresis = 0xFE57, kKeyDeadTilde = 0xFE53;
constexpr int kMaxTurns = 200;

class OwnerClient : public KxWindowClient {
 public:
  OwnerClient() : port(KxPort::NewImage(200, 100)) {}
  std::unique_ptr<KxPort> port;
  int downs = 0;
  void HostActivate(bool) override {}
  bool HostMouseDown(const EventRecord&) override {
    ++downs;
    return true;
  }
  KxPort* HostPort() override { return port.get(); }
};

// A target that edits inline: what the input method gave it, in order.
class IMTarget : public LCommander, public KxInputMethodClient {
 public:
  IMTarget() : LCommander(nullptr) {}
  std::vector<std::string> log;
  bool composing = false;
  void InputMethodPreedit(const std::string& utf8) override {
    log.push_back("preedit " + utf8);
    composing = !utf8.empty();
  }
  void InputMethodCommit(const std::string& utf8) override {
    log.push_back("commit " + utf8);
    composing = false;
  }
  bool InputMethodComposing() const override { return composing; }
};

class GtkDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Choosers keep their settings in memory, not in the desktop's store.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    std::string why;
    sHost = KxGtkHost::Open(&why).release();
    ASSERT_NE(sHost, nullptr) << why;
    KxRegisterFrameworkClasses();
  }
  static void TearDownTestSuite() {
    delete sHost;
    sHost = nullptr;
  }
  void SetUp() override { ASSERT_NE(sHost, nullptr); }
  void TearDown() override {
    for (KxWindowID id : sHost->WindowList()) sHost->DestroyWindow(id);
  }

  KxWindowID OpenOwner() {
    const unsigned char title[] = "\x05owner";
    const KxWindowID id = sHost->CreateWindow(&owner, Rect{40, 40, 140, 240}, title);
    EXPECT_TRUE(sHost->Flush());
    return id;
  }
  // Runs the dialog's loop until it answers a message or the turns run out.
  static MessageT RunUntilMessage(StDialogHandler& handler) {
    for (int i = 0; i < kMaxTurns; ++i)
      if (const MessageT m = handler.DoDialog(); m != msg_Nothing) return m;
    return msg_Nothing;
  }
  // Runs the dialog's loop until everything queued so far is handled.
  static void Drain(StDialogHandler& handler) {
    for (int i = 0; i < kMaxTurns && sHost->PendingEvents() > 0; ++i) handler.DoDialog();
  }

  static KxGtkHost* sHost;
  OwnerClient owner;
};

KxGtkHost* GtkDialogTest::sHost = nullptr;

TEST_F(GtkDialogTest, DialogIsModalAboveItsOwnerAndKeysPressItsButtons) {
  struct Case {
    const char* what;
    unsigned keyval;
    std::uint16_t modifiers;
    MessageT answer;
  } const cases[] = {
      {"Return", kKeyReturn, 0, kOK},
      {"keypad Enter", kKeyKPEnter, 0, kOK},
      {"Escape", kKeyEscape, 0, kCancel},
      {"command-period", '.', kKxEventCommandKey, kCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const KxWindowID ownerID = OpenOwner();
    StDialogHandler handler(kInputDialog, nullptr);
    LWindow& dialog = *handler.GetDialog();
    dialog.Select();
    const KxWindowID dialogID = dialog.GetHostWindow();
    EXPECT_TRUE(sHost->IsModal(dialogID));
    EXPECT_EQ(sHost->TransientFor(dialogID), ownerID);
    EXPECT_FALSE(sHost->IsModal(ownerID));
    ASSERT_TRUE(sHost->Flush());
    Drain(handler);
    sHost->SynthesizeKey(dialogID, c.keyval, c.modifiers);
    EXPECT_EQ(RunUntilMessage(handler), c.answer);
    sHost->DestroyWindow(ownerID);
  }
  // A click on the owner while the dialog is up reaches neither window.
  const KxWindowID ownerID = OpenOwner();
  StDialogHandler handler(kInputDialog, nullptr);
  handler.GetDialog()->Select();
  ASSERT_TRUE(sHost->Flush());
  Drain(handler);
  sHost->SynthesizeButton(ownerID, Point{20, 20}, true, 1000);
  sHost->SynthesizeButton(ownerID, Point{20, 20}, false, 1050);
  Drain(handler);
  EXPECT_EQ(owner.downs, 0);
}

TEST_F(GtkDialogTest, KeysPassThroughTheInputMethodContext) {
  struct Case {
    const char* what;
    std::vector<unsigned> keys;
    std::string field;   // the edit field's text afterwards
  } const cases[] = {
      // Plain keys come back from the context as themselves: still key presses.
      {"plain letters", {'a', 'B', kKeySpace, '7'}, "aB 7"},
      // Dead keys compose: what the context commits is typed into the field.
      {"dead acute, space", {kKeyDeadAcute, kKeySpace}, "'"},
      {"dead diaeresis, space", {kKeyDeadDiaeresis, kKeySpace}, "\""},
      {"letter between compositions", {kKeyDeadTilde, kKeySpace, 'x', kKeyDeadAcute, kKeySpace}, "~x'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StDialogHandler handler(kInputDialog, nullptr);
    LWindow& dialog = *handler.GetDialog();
    dialog.Select();
    auto* field = dynamic_cast<LEditField*>(dialog.FindPaneByID(kField));
    ASSERT_NE(field, nullptr);
    LCommander::SwitchTarget(field);
    field->SetText("");
    ASSERT_TRUE(sHost->Flush());
    Drain(handler);
    for (unsigned k : c.keys) sHost->SynthesizeKey(dialog.GetHostWindow(), k, 0);
    Drain(handler);
    EXPECT_EQ(field->GetText(), c.field);
  }
}

TEST_F(GtkDialogTest, CodePointEntryShowsItsCompositionAndCommitsOnce) {
  StDialogHandler handler(kInputDialog, nullptr);
  LWindow& dialog = *handler.GetDialog();
  dialog.Select();
  ASSERT_TRUE(sHost->Flush());
  Drain(handler);
  IMTarget target;
  LCommander::SwitchTarget(&target);
  const KxWindowID id = dialog.GetHostWindow();
  // Ctrl+Shift+U starts the entry of a code point, the digits follow with
  // Ctrl+Shift held, and space ends it.
  constexpr std::uint16_t kHeld = kKxEventCommandKey | kKxEventShiftKey;
  for (unsigned k : {unsigned('U'), unsigned('3'), unsigned('0'), unsigned('4'), unsigned('2'), kKeySpace})
    sHost->SynthesizeKey(id, k, kHeld);
  Drain(handler);
  const std::vector<std::string> expected = {"preedit u", "preedit u3", "preedit u30", "preedit u304",
                                             "preedit u3042", "preedit ", "commit \xE3\x81\x82"};
  EXPECT_EQ(target.log, expected);
  EXPECT_FALSE(target.composing);
  LCommander::SwitchTarget(nullptr);
}

}  // namespace

// The colour chooser: modal and transient for the window it was asked for,
// answered (here by the scripted user, once it shows) with the colour
// chosen; cancelling leaves the starting colour as it was.
TEST_F(GtkDialogTest, ColourChooserIsModalToItsWindowAndAnswersTheColour) {
  const KxWindowID ownerID = OpenOwner();
  const RGBColor pick{0xFFFF, 0x8000, 0x0000};
  sHost->AnswerNextColourChooser(&pick);
  RGBColor colour{0, 0, 0xFFFF};
  ASSERT_TRUE(sHost->ChooseColour(ownerID, "Paper", colour));
  // Through the toolkit's doubles: within one step of 1/65535.
  EXPECT_EQ(colour.red, 0xFFFF);
  EXPECT_NEAR(colour.green, 0x8000, 1);
  EXPECT_EQ(colour.blue, 0);
  const KxGtkHost::ShownColourChooser shown = sHost->LastColourChooser();
  EXPECT_TRUE(shown.modal);
  EXPECT_EQ(shown.transientFor, ownerID);
  EXPECT_EQ(shown.title, "Paper");
  EXPECT_FALSE(shown.shown);

  sHost->AnswerNextColourChooser(nullptr);
  RGBColor kept{1, 2, 3};
  EXPECT_FALSE(sHost->ChooseColour(ownerID, "Paper", kept));
  EXPECT_EQ(kept.red, 1);
  EXPECT_EQ(kept.green, 2);
  EXPECT_EQ(kept.blue, 3);
  sHost->DestroyWindow(ownerID);
}

namespace {
class OnePage : public KxPrintout {
 public:
  std::int32_t CountPanels() override { return 1; }
  void DrawPanel(std::int32_t) override {}
};

// Runs a window-modal dialog through the poll, as the program's loop does.
KxDialogReply RunBegun(KxGtkHost& host, const KxDialogRequest& request) {
  const std::uint32_t id = host.BeginDialog(request);
  KxDialogReply reply;
  reply.answer = KxAnswer::kOK;
  for (int i = 0; i < 2000; ++i) {
    if (host.PollDialog(id, reply)) return reply;
    EventRecord e;
    host.WaitNextEvent(e, 3);
  }
  ADD_FAILURE() << "the dialog never answered";
  return reply;
}
}  // namespace

// Every loop that waits for a dialog of the toolkit ends, cancelled, however
// the dialog goes away: Escape, the close box, or its window destroyed from
// outside. Nothing touches the dialog once the toolkit has let it go (the
// toolkit would complain of an invalid instance), and the colour chooser
// leaves the colour as it was.
TEST_F(GtkDialogTest, EveryDialogLoopEndsCancelledHoweverTheDialogCloses) {
  const KxWindowID ownerID = OpenOwner();
  struct Loop {
    const char* what;
    std::function<bool()> runCancelled;   // runs the dialog; true when it answered as cancelled
  } const loops[] = {
      {"colour chooser",
       [&] {
         RGBColor colour{1, 2, 3};
         return !sHost->ChooseColour(ownerID, "Paper", colour) && colour.red == 1 && colour.green == 2 &&
                colour.blue == 3;
       }},
      {"save question", [] { return sHost->AskSaveChanges("doc.txt") == KxAnswer::kCancel; }},
      {"alert", [] { return sHost->Alert(KxAlertKind::kNote, "note") == KxAnswer::kOK; }},
      {"open chooser", [] {
         std::string path;
         return !sHost->ChooseFile(path) && path.empty();
       }},
      {"window-modal save question",
       [&] {
         KxDialogRequest q;
         q.kind = KxDialogKind::kSaveChanges;
         q.parent = ownerID;
         q.name = "doc.txt";
         return RunBegun(*sHost, q).answer == KxAnswer::kCancel;
       }},
      {"window-modal revert question",
       [&] {
         KxDialogRequest q;
         q.kind = KxDialogKind::kDiscardChanges;
         q.parent = ownerID;
         q.name = "doc.txt";
         return RunBegun(*sHost, q).answer == KxAnswer::kCancel;
       }},
      {"page set-up",
       [] {
         KxPageSetup setup;
         const KxPageSetup before = setup;
         return !sHost->RunPageSetup(setup) && setup == before;
       }},
      {"print dialog",
       [] {
         OnePage page;
         KxPrintRecord record;
         std::string why;
         return sHost->RunPrint(page, record, why) == KxPrintResult::kCancelled;
       }},
  };
  const struct {
    const char* what;
    KxGtkHost::Dismissal how;
  } closings[] = {{"Escape", KxGtkHost::Dismissal::kEscape},
                  {"close box", KxGtkHost::Dismissal::kCloseBox},
                  {"destroyed", KxGtkHost::Dismissal::kDestroyed}};
  for (const Loop& loop : loops)
    for (const auto& closing : closings) {
      SCOPED_TRACE(std::string(loop.what) + ", " + closing.what);
      const int complaints = sHost->ToolkitComplaints();
      sHost->DismissNextDialog(closing.how);
      EXPECT_TRUE(loop.runCancelled());
      EXPECT_EQ(sHost->ToolkitComplaints(), complaints);
    }
  sHost->DestroyWindow(ownerID);
}

// The save question's buttons answer to their mnemonics (Alt+N: don't
// save), in the program's language as in the toolkit's.
TEST_F(GtkDialogTest, SaveQuestionButtonsTakeTheirMnemonics) {
  const KxWindowID ownerID = OpenOwner();
  const struct {
    unsigned key;
    KxAnswer answer;
  } keys[] = {{'n', KxAnswer::kDontSave}, {'s', KxAnswer::kSave}, {'c', KxAnswer::kCancel}};
  for (const auto& k : keys) {
    KxDialogRequest q;
    q.kind = KxDialogKind::kSaveChanges;
    q.parent = ownerID;
    q.name = "doc.txt";
    sHost->PressKeyInNextDialog(k.key, kKxEventOptionKey);
    EXPECT_EQ(RunBegun(*sHost, q).answer, k.answer) << char(k.key);
  }
  sHost->PressKeyInNextDialog('n', kKxEventOptionKey);
  EXPECT_EQ(sHost->AskSaveChanges("doc.txt"), KxAnswer::kDontSave);
  sHost->DestroyWindow(ownerID);
}
