// The dialogs' message dispatch: each range reaches its dialog's handler,
// the gaps and the ends just outside reach none; a modeless dialog holds
// the dialog-open state for as long as its window lives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_dialog.h"
#include "app/application.h"
#include "app/globals.h"
#include "platform/host/headless.h"
#include "views/dialog_box.h"
#include "platform/framework/framework_classes.h"
#include "views/view_classes.h"

namespace {

class RecordingApp : public CKXTextApp {
 public:
  std::vector<std::string> calls;
  bool PrefDialogCommand(CommandT m, void*) override { return Note("pref", m); }
  bool MacroDialogCommand(CommandT m, void*) override { return Note("macro", m); }
  bool CustomizeDialogCommand(CommandT m, void*) override { return Note("customize", m); }
  bool OptPrefDialogCommand(CommandT m, void*) override { return Note("option", m); }

 private:
  bool Note(const char* who, CommandT m) {
    calls.push_back(std::string(who) + " " + std::to_string(m));
    return true;
  }
};

class DialogDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
  }
  void TearDown() override { KxSetGlobalDefaults(); }
  KxHeadlessHost host;
  KxAppHooks hooks;
};

TEST_F(DialogDispatchTest, EachRangeReachesItsDialogAndNothingElseDoes) {
  RecordingApp app;
  struct Case {
    CommandT message;
    const char* expected;   // null: not handled
  };
  const Case cases[] = {
      {-2001, "pref"},      {-2099, "pref"},      {-2100, nullptr},     {-2360, nullptr},
      {-2361, "macro"},     {-2365, "macro"},     {-2366, nullptr},     {-2900, nullptr},
      {-2901, "customize"}, {-3019, "customize"}, {-3020, nullptr},     {-3021, "option"},
      {-3022, "option"},    {-3023, nullptr},     {-2000, nullptr},     {-4000, nullptr},
  };
  for (const Case& c : cases) {
    app.calls.clear();
    const bool handled = app.DialogObeyCommand(c.message, nullptr);
    SCOPED_TRACE(c.message);
    EXPECT_EQ(handled, c.expected != nullptr);
    if (c.expected)
      EXPECT_EQ(app.calls, std::vector<std::string>{std::string(c.expected) + " " + std::to_string(c.message)});
    else
      EXPECT_TRUE(app.calls.empty());
  }
}

TEST_F(DialogDispatchTest, MessagesArriveAsCommandsThroughTheApplication) {
  RecordingApp app;
  EXPECT_TRUE(app.ProcessCommand(-3021));
  EXPECT_TRUE(app.ProcessCommand(-2363));
  EXPECT_EQ(app.calls, (std::vector<std::string>{"option -3021", "macro -2363"}));
}

TEST_F(DialogDispatchTest, TheOpenStateLastsAsLongAsTheWindowHoweverItEnds) {
  CKXTextApp app(&hooks);
  ASSERT_FALSE(gDialogOpen);
  {
    // A button: the state ends at once, the window once the event is over.
    KxModelessDialog dialog;
    ASSERT_TRUE(dialog.Open(3000, &app));
    EXPECT_TRUE(gDialogOpen);
    const std::size_t windows = host.WindowList().size();
    dialog.Close();
    EXPECT_FALSE(gDialogOpen);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(host.WindowList().size(), windows);
    KxModelessDialog::DeleteClosed();
    EXPECT_EQ(host.WindowList().size(), windows - 1);
  }
  {
    // The close box deletes the window itself.
    KxModelessDialog dialog;
    ASSERT_TRUE(dialog.Open(2360, &app));
    dialog.Window()->AttemptClose();
    EXPECT_FALSE(gDialogOpen);
    EXPECT_FALSE(dialog.IsOpen());
  }
  {
    // Quit closes what is open; a closed window deleted by someone else
    // leaves nothing behind to delete twice.
    KxModelessDialog dialog, other;
    ASSERT_TRUE(dialog.Open(3000, &app));
    ASSERT_TRUE(other.Open(2360, &app));
    LWindow* window = other.Window();
    other.Close();
    EXPECT_TRUE(gDialogOpen);   // the first one is still open
    delete window;
    KxModelessDialog::CloseAll();
    EXPECT_FALSE(gDialogOpen);
    KxModelessDialog::DeleteClosed();
    EXPECT_TRUE(host.WindowList().empty());
  }
  // A layout that does not exist opens nothing.
  KxModelessDialog missing;
  EXPECT_FALSE(missing.Open(32000, &app));
  EXPECT_FALSE(gDialogOpen);
}

}  // namespace
