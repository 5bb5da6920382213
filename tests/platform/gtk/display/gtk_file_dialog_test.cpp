// The GTK host's file choosers and document questions (under Xvfb): each
// opens window-modal on its document window (transient for it, grabbing in
// a window group shared with it only, so another window still takes
// clicks), shows its filters and popups, and answers through the poll.
// Screenshots of each dialog go to $KX_GTK_SHOT_DIR (else the working
// folder).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/draw/port.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/host_dialogs.h"

namespace {

class Client : public KxWindowClient {
 public:
  Client() : port(KxPort::NewImage(200, 100)) {}
  std::unique_ptr<KxPort> port;
  void HostActivate(bool) override {}
  bool HostMouseDown(const EventRecord&) override { return true; }
  KxPort* HostPort() override { return port.get(); }
};

std::string ShotPath(const std::string& name) {
  const char* dir = std::getenv("KX_GTK_SHOT_DIR");
  const std::filesystem::path folder = dir ? std::filesystem::path(dir) : std::filesystem::current_path() / "gtk_dialog_shots";
  std::filesystem::create_directories(folder);
  return (folder / (name + ".png")).string();
}

class GtkFileDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Choosers keep their settings in memory, not in the desktop's store.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    // A folder of our own: a shared one changes under the chooser's list.
    sFolder = (std::filesystem::temp_directory_path() / ("kx_gtk_dialogs_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(sFolder + "/sub");
    for (const char* name : {"a.txt", "b.txt", "notes.rtf", "picture.jpg"}) std::ofstream(sFolder + "/" + name) << "x";
    std::string why;
    sHost = KxGtkHost::Open(&why).release();
    ASSERT_NE(sHost, nullptr) << why;
  }
  static void TearDownTestSuite() {
    delete sHost;
    sHost = nullptr;
    std::filesystem::remove_all(sFolder);
  }
  void SetUp() override {
    ASSERT_NE(sHost, nullptr);
    const unsigned char other[] = "\x05other";
    const unsigned char title[] = "\x08" "document";
    otherID = sHost->CreateWindow(&otherClient, Rect{60, 400, 260, 700}, other);
    docID = sHost->CreateWindow(&docClient, Rect{60, 40, 360, 380}, title);
    ASSERT_TRUE(sHost->Flush());
    while (sHost->PendingEvents()) {
      EventRecord e;
      sHost->WaitNextEvent(e, 0);
    }
  }
  void TearDown() override {
    for (KxWindowID id : sHost->WindowList()) sHost->DestroyWindow(id);
  }

  // Shows the request on the document window, checks how the desktop holds
  // it, keeps its picture, answers it and polls for the reply.
  KxDialogReply ShowAndAnswer(KxDialogRequest request, const KxDialogReply& answer, const std::string& shot,
                              KxGtkHost::ShownDialog* seen = nullptr) {
    request.parent = docID;
    if (request.folder.empty()) request.folder = sFolder;
    const std::uint32_t id = sHost->BeginDialog(request);
    EXPECT_NE(id, 0u);
    KxDialogReply reply;
    EXPECT_FALSE(sHost->PollDialog(id, reply));   // nobody answered yet
    EXPECT_TRUE(sHost->WaitDialogShown());
    KxGtkHost::ShownDialog shown;
    EXPECT_TRUE(sHost->GetShownDialog(shown));
    EXPECT_TRUE(shown.mapped);
    EXPECT_TRUE(shown.modal);
    EXPECT_TRUE(shown.windowModal);
    EXPECT_EQ(shown.transientFor, docID);
    if (seen) *seen = shown;
    EXPECT_TRUE(sHost->SaveDialogScreenshot(ShotPath(shot)));
    // Window-modal: the other window still takes a click, the document
    // window behind the dialog does not.
    while (sHost->PendingEvents()) {
      EventRecord e;
      sHost->WaitNextEvent(e, 0);
    }
    sHost->SynthesizeButton(otherID, Point{20, 20}, true, 5000);
    sHost->SynthesizeButton(otherID, Point{20, 20}, false, 5050);
    EXPECT_GT(sHost->PendingEvents(), 0u);
    while (sHost->PendingEvents()) {
      EventRecord e;
      sHost->WaitNextEvent(e, 0);
    }
    sHost->SynthesizeButton(docID, Point{20, 20}, true, 6000);
    sHost->SynthesizeButton(docID, Point{20, 20}, false, 6050);
    std::size_t behind = 0;
    while (sHost->PendingEvents()) {
      EventRecord e;
      sHost->WaitNextEvent(e, 0);
      if (e.what == mouseDown) ++behind;
    }
    EXPECT_EQ(behind, 0u);
    EXPECT_TRUE(sHost->AnswerShownDialog(answer));
    // The caller's loop: turns until the poll answers.
    for (int turn = 0; turn < 200 && !sHost->PollDialog(id, reply); ++turn) {
      EventRecord e;
      sHost->WaitNextEvent(e, 1);
    }
    KxGtkHost::ShownDialog after;
    EXPECT_FALSE(sHost->GetShownDialog(after));
    return reply;
  }

  static KxGtkHost* sHost;
  static std::string sFolder;
  Client docClient, otherClient;
  KxWindowID docID = kKxNoWindow, otherID = kKxNoWindow;
};

KxGtkHost* GtkFileDialogTest::sHost = nullptr;
std::string GtkFileDialogTest::sFolder;

KxDialogReply Answer(KxAnswer a, std::vector<std::string> paths = {}, int filter = 0, std::vector<int> choices = {}) {
  KxDialogReply r;
  r.answer = a;
  r.paths = std::move(paths);
  r.filter = filter;
  r.choices = std::move(choices);
  return r;
}

TEST_F(GtkFileDialogTest, SaveChangesQuestionAnswersEachButton) {
  for (KxAnswer a : {KxAnswer::kSave, KxAnswer::kDontSave, KxAnswer::kCancel}) {
    KxDialogRequest q;
    q.kind = KxDialogKind::kSaveChanges;
    q.title = "kxtext";
    q.name = "letter.txt";
    q.quitting = a == KxAnswer::kDontSave;
    const KxDialogReply r = ShowAndAnswer(q, Answer(a), "save_changes_" + std::to_string(int(a)));
    EXPECT_EQ(r.answer, a);
  }
}

TEST_F(GtkFileDialogTest, DiscardQuestionConfirmsOrCancels) {
  for (KxAnswer a : {KxAnswer::kOK, KxAnswer::kCancel}) {
    KxDialogRequest q;
    q.kind = KxDialogKind::kDiscardChanges;
    q.name = "letter.txt";
    EXPECT_EQ(ShowAndAnswer(q, Answer(a), "discard_" + std::to_string(int(a))).answer, a);
  }
}

TEST_F(GtkFileDialogTest, OpenChooserWithFiltersAndEncodingPopup) {
  KxDialogRequest q;
  q.kind = KxDialogKind::kOpen;
  q.multiple = true;
    for (const char* name : {"All Readable Documents", "Text Files", "All Files"})
    q.filters.push_back({name, [](const std::string&) { return true; }});
  q.filter = 0;
  q.choices.push_back({"Encoding:", {"Automatic", "Shift_JIS", "JIS", "EUC-JP", "UTF-16", "UTF-8"}, 0});
  KxGtkHost::ShownDialog shown;
  const KxDialogReply r =
      ShowAndAnswer(q, Answer(KxAnswer::kOK, {sFolder + "/a.txt", sFolder + "/b.txt", sFolder + "/notes.rtf"}, 2, {3}), "open", &shown);
  EXPECT_EQ(shown.filters, 3);
  EXPECT_EQ(shown.choices, 1);
  EXPECT_EQ(r.answer, KxAnswer::kOK);
  EXPECT_EQ(r.paths.size(), 3u);
  EXPECT_EQ(r.filter, 2);
  EXPECT_EQ(r.choices, std::vector<int>{3});
  // Cancelled: nothing chosen, the popups as they were shown.
  const KxDialogReply c = ShowAndAnswer(q, Answer(KxAnswer::kCancel), "open_cancelled");
  EXPECT_EQ(c.answer, KxAnswer::kCancel);
  EXPECT_TRUE(c.paths.empty());
}

TEST_F(GtkFileDialogTest, SaveChooserConfirmsOverwritingAndEnablesPopupsByFormat) {
  KxDialogRequest q;
  q.kind = KxDialogKind::kSave;
  q.name = "untitled.txt";
    q.filters.push_back({"Plain Text", [](const std::string&) { return true; }});
  q.filters.push_back({"RTF", [](const std::string&) { return true; }});
  q.choicesEnabled = {true, false};
  q.choices.push_back({"Encoding:", {"Shift_JIS", "JIS", "EUC-JP", "UTF-16", "UTF-8"}, 4});
  q.choices.push_back({"Line ends:", {"CR", "CR LF", "LF"}, 2});
  KxGtkHost::ShownDialog shown;
  const KxDialogReply r = ShowAndAnswer(q, Answer(KxAnswer::kOK, {sFolder + "/x.txt"}, 0, {1, 0}), "save", &shown);
  EXPECT_TRUE(shown.overwriteConfirmation);
  EXPECT_EQ(shown.choices, 2);
  EXPECT_TRUE(shown.choicesSensitive);
  EXPECT_EQ(r.paths, std::vector<std::string>{sFolder + "/x.txt"});
  EXPECT_EQ(r.choices, (std::vector<int>{1, 0}));
  // The RTF format turns the popups off.
  q.filter = 1;
  q.parent = docID;
  q.folder = sFolder;
  const std::uint32_t id = sHost->BeginDialog(q);
  ASSERT_TRUE(sHost->WaitDialogShown());
  ASSERT_TRUE(sHost->GetShownDialog(shown));
  EXPECT_FALSE(shown.choicesSensitive);
  ASSERT_TRUE(sHost->ChooseShownFilter(0));
  ASSERT_TRUE(sHost->GetShownDialog(shown));
  EXPECT_TRUE(shown.choicesSensitive);
  EXPECT_TRUE(sHost->SaveDialogScreenshot(ShotPath("save_rtf_then_text")));
  ASSERT_TRUE(sHost->AnswerShownDialog(Answer(KxAnswer::kCancel)));
  KxDialogReply reply;
  EXPECT_TRUE(sHost->PollDialog(id, reply));
  EXPECT_EQ(reply.answer, KxAnswer::kCancel);
  EXPECT_EQ(reply.choices, (std::vector<int>{4, 2}));
}

TEST_F(GtkFileDialogTest, FolderChooser) {
  KxDialogRequest q;
  q.kind = KxDialogKind::kChooseFolder;
  q.title = "Choose a folder to search";
  KxGtkHost::ShownDialog shown;
  const KxDialogReply r = ShowAndAnswer(q, Answer(KxAnswer::kOK, {sFolder + "/sub"}), "folder", &shown);
  EXPECT_EQ(shown.title, "Choose a folder to search");
  EXPECT_EQ(r.paths, std::vector<std::string>{sFolder + "/sub"});
}

}  // namespace

namespace {

TEST_F(GtkFileDialogTest, ADialogWhoseWindowClosesEndsCancelled) {
  for (KxDialogKind kind : {KxDialogKind::kSaveChanges, KxDialogKind::kOpen}) {
    KxDialogRequest q;
    q.kind = kind;
    q.name = "gone.txt";
    q.folder = sFolder;
    q.parent = docID;
    const std::uint32_t id = sHost->BeginDialog(q);
    ASSERT_TRUE(sHost->WaitDialogShown());
    sHost->DestroyWindow(docID);
    KxDialogReply reply;
    reply.answer = KxAnswer::kOK;
    bool answered = false;
    for (int turn = 0; turn < 200 && !(answered = sHost->PollDialog(id, reply)); ++turn) {
      EventRecord e;
      sHost->WaitNextEvent(e, 1);
    }
    EXPECT_TRUE(answered);
    EXPECT_EQ(reply.answer, KxAnswer::kCancel);
    const unsigned char title[] = "\x08" "document";
    docID = sHost->CreateWindow(&docClient, Rect{60, 40, 360, 380}, title);
  }
}

}  // namespace
