// Window-modal dialogs on the headless host and the plain fallback every
// host has: queued replies come first, then queued answers (a path is the
// file chosen), else cancelled; a save over an existing file reports the
// replacement; the run loop turns until the poll answers.
#include "platform/host/host_dialogs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "platform/host/headless.h"

namespace {

KxDialogRequest Request(KxDialogKind kind) {
  KxDialogRequest q;
  q.kind = kind;
  q.choices.push_back({"Encoding:", {"a", "b", "c"}, 2});
  q.filter = 1;
  return q;
}

TEST(HostDialogs, HeadlessAnswersInQueueOrder) {
  KxHeadlessHost host;
  KxDialogReply queued;
  queued.answer = KxAnswer::kOK;
  queued.paths = {"/x/1", "/x/2"};
  queued.filter = 3;
  host.QueueDialogReply(queued);
  host.QueueAnswer(KxAnswer::kOK, "/x/3");
  host.QueueAnswer(KxAnswer::kOK);   // a chooser needs a path: cancelled
  host.QueueAnswer(KxAnswer::kDontSave);
  struct Step {
    KxDialogKind kind;
    KxAnswer answer;
    std::vector<std::string> paths;
    int filter;
  } const steps[] = {
      {KxDialogKind::kOpen, KxAnswer::kOK, {"/x/1", "/x/2"}, 3},
      {KxDialogKind::kOpen, KxAnswer::kOK, {"/x/3"}, 1},
      {KxDialogKind::kChooseFolder, KxAnswer::kCancel, {}, 1},
      {KxDialogKind::kSaveChanges, KxAnswer::kDontSave, {}, 1},
      {KxDialogKind::kSaveChanges, KxAnswer::kCancel, {}, 1},   // nothing queued: nothing closes unasked
      {KxDialogKind::kSave, KxAnswer::kCancel, {}, 1},
  };
  for (const Step& s : steps) {
    const KxDialogReply r = KxRunDialog(Request(s.kind), nullptr);
    EXPECT_EQ(r.answer, s.answer);
    EXPECT_EQ(r.paths, s.paths);
    EXPECT_EQ(r.filter, s.filter);
    if (s.filter == 1) {
      EXPECT_EQ(r.choices, std::vector<int>{2});   // the popups as shown
    }
  }
  EXPECT_EQ(host.DialogRequests().size(), std::size(steps));
  EXPECT_EQ(host.PendingAnswers(), 0u);
}

TEST(HostDialogs, SavingOverAnExistingFileIsAReplacement) {
  KxHeadlessHost host;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kx_host_dialogs_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "there.txt") << "x";
  for (const char* name : {"there.txt", "new.txt"}) {
    host.QueueAnswer(KxAnswer::kOK, (dir / name).string());
    const KxDialogReply r = KxRunDialog(Request(KxDialogKind::kSave), nullptr);
    EXPECT_EQ(r.answer, KxAnswer::kOK);
    EXPECT_EQ(r.replacing, std::string(name) == "there.txt") << name;
  }
  std::filesystem::remove_all(dir);
}

// A host that only has the plain choosers, and answers a dialog after a
// few turns of the caller's loop.
class PlainHost : public KxHeadlessHost {
 public:
  int polls = 0;
  bool PollDialog(std::uint32_t dialog, KxDialogReply& reply) override {
    if (++polls < 3) return false;
    return KxHost::PollDialog(dialog, reply);
  }
  std::uint32_t BeginDialog(const KxDialogRequest& request) override { return KxHost::BeginDialog(request); }
};

TEST(HostDialogs, ThePlainFallbackAndTheCallersLoop) {
  PlainHost host;
  host.QueueAnswer(KxAnswer::kOK, "/y/file");
  int turns = 0;
  KxDialogReply r = KxRunDialog(Request(KxDialogKind::kOpen), [&] { ++turns; });
  EXPECT_EQ(turns, 2);
  EXPECT_EQ(r.answer, KxAnswer::kOK);
  EXPECT_EQ(r.paths, std::vector<std::string>{"/y/file"});
  EXPECT_EQ(r.choices, std::vector<int>{2});
  host.polls = 0;
  host.QueueAnswer(KxAnswer::kSave);
  EXPECT_EQ(KxRunDialog(Request(KxDialogKind::kSaveChanges), [] {}).answer, KxAnswer::kSave);
  host.polls = 0;
  EXPECT_EQ(KxRunDialog(Request(KxDialogKind::kSave), [] {}).answer, KxAnswer::kCancel);
  // A dialog the host does not know answers cancelled rather than never.
  KxDialogReply unknown;
  unknown.answer = KxAnswer::kOK;
  EXPECT_TRUE(host.KxHost::PollDialog(987654, unknown));
  EXPECT_EQ(unknown.answer, KxAnswer::kCancel);
}

TEST(HostDialogs, ThePlainDiscardQuestionNamesTheDocumentInJapanese) {
  PlainHost host;
  KxDialogRequest q = Request(KxDialogKind::kDiscardChanges);
  q.name = "メモ.txt";
  host.QueueAnswer(KxAnswer::kOK);
  EXPECT_EQ(KxRunDialog(q, [] {}).answer, KxAnswer::kOK);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kCaution);
  EXPECT_EQ(host.Alerts()[0].text, "\u300Cメモ.txt\u300Dの変更を破棄しますか？");
}

}  // namespace

namespace {

// A scripted run: the host asks the script for a step whenever it has no
// event; the steps are the test's own lambdas, each run once in order.
struct Script {
  std::vector<std::function<void()>> steps;
  std::size_t next = 0;
  KxHost::ScriptTurn operator()() {
    if (next == steps.size()) return KxHost::ScriptTurn::kEnded;
    steps[next++]();
    return KxHost::ScriptTurn::kStep;
  }
};

}  // namespace

TEST(HostDialogs, AScriptAnswersFromInsideTheDialogsLoopAndItsEndCancels) {
  KxHeadlessHost host;
  Script script;
  int turnsBeforeAnswer = 0;
  std::vector<KxAnswer> answers;
  // Step 1 opens the save question: the steps after it run inside its loop;
  // step 2 only looks, step 3 answers. Then a second question, and the
  // script ends inside it.
  script.steps = {
      [&] {
        answers.push_back(KxRunDialog(Request(KxDialogKind::kSaveChanges), [&] {
                            EventRecord e;
                            host.WaitNextEvent(e, 3);
                            ++turnsBeforeAnswer;
                          }).answer);
        answers.push_back(KxRunDialog(Request(KxDialogKind::kSaveChanges), [&] {
                            EventRecord e;
                            host.WaitNextEvent(e, 3);
                          }).answer);
      },
      [&] { EXPECT_TRUE(answers.empty()); },
      [&] { host.QueueAnswer(KxAnswer::kSave); },
  };
  host.SetScriptFeeder(std::ref(script));
  for (int guard = 0; guard < 100 && !host.ScriptEnded(); ++guard) {
    EventRecord e;
    host.WaitNextEvent(e, 3);
  }
  EXPECT_EQ(answers, (std::vector<KxAnswer>{KxAnswer::kSave, KxAnswer::kCancel}));
  EXPECT_EQ(turnsBeforeAnswer, 2);   // one turn a step: the poll after step 3 sees the answer
  EXPECT_TRUE(host.ShouldStop());
  // Without a script the question is answered at once, cancelled.
  host.SetScriptFeeder(nullptr);
  EXPECT_FALSE(host.ShouldStop());
  EXPECT_EQ(KxRunDialog(Request(KxDialogKind::kSaveChanges), nullptr).answer, KxAnswer::kCancel);
}

TEST(HostDialogs, HeadlessColourChooserTakesOnlyAColourAnswer) {
  KxHeadlessHost host;
  RGBColor c{1, 2, 3};
  EXPECT_FALSE(host.ChooseColour(kKxNoWindow, "t", c));   // nothing queued: cancelled
  host.QueueColourAnswer(RGBColor{10, 20, 65535});
  host.QueueAnswer(KxAnswer::kCancel);
  host.QueueAnswer(KxAnswer::kOK, "/x");
  EXPECT_TRUE(host.ChooseColour(kKxNoWindow, "t", c));
  EXPECT_EQ(c.red, 10);
  EXPECT_EQ(c.green, 20);
  EXPECT_EQ(c.blue, 65535);
  EXPECT_FALSE(host.ChooseColour(kKxNoWindow, "t", c));   // `answer cancel`
  EXPECT_FALSE(host.ChooseColour(kKxNoWindow, "t", c));   // a file's answer is no colour
  EXPECT_EQ(c.blue, 65535);
  // A colour answer is not taken by a file chooser either.
  host.QueueColourAnswer(RGBColor{0, 0, 0});
  EXPECT_EQ(KxRunDialog(Request(KxDialogKind::kOpen), nullptr).answer, KxAnswer::kCancel);
}
