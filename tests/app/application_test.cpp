// The application object on the headless host: its life-cycle order, the
// launch, quitting, menu keys, the delayed refresh, memory recovery, script
// requests and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/globals.h"
#include "engine/layer_fixture.h"
#include "engine/macro_recorder.h"
#include "platform/ae/ae_codes.h"
#include "platform/ae/required_events.h"
#include "platform/exception.h"
#include "platform/framework/document.h"
#include "platform/framework/menu.h"
#include "platform/host/headless.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"

namespace {

// A window that stands for a document's, for the window-count rules.
struct FakeClient : KxWindowClient {
  void HostActivate(bool) override {}
};

// A reopened document: says when it is brought to the front.
class ResumedDocument : public LDocument, public KxResumeDocument {
 public:
  ResumedDocument(std::string path, std::vector<std::string>& log)
      : LDocument(nullptr), mPath(std::move(path)), mLog(log) {}
  void DoSetBounds(const SKXRectL&) override {}
  void MakeCurrent() override { mLog.push_back("front " + mPath); }

 private:
  std::string mPath;
  std::vector<std::string>& mLog;
};

class RecordingHooks : public KxAppHooks, public CKXMacroRecorder {
 public:
  std::vector<std::string> log;
  bool closeAnswer = true;
  bool recording = false;
  bool throwOnWrite = false;
  bool toolWindowOpen = false;
  LModelObject* model = nullptr;
  std::vector<std::string> resumable;   // paths OpenForResume accepts
  std::vector<std::string> closeRecords;   // what closing documents add to the resume list
  std::vector<KxWindowID> windows;
  FakeClient client;

  void InitializeGlobals() override {
    log.push_back("globals");
    KxAppHooks::InitializeGlobals();
    KxSetGlobalDefaults();   // each test starts from the defaults
  }
  void RegisterClasses() override { log.push_back("classes"); }
  void InitializeServices() override { log.push_back("services"); }
  void ReadPreference() override { log.push_back("read prefs"); }
  void InitializeScrap() override { log.push_back("scrap"); }
  void InitializeColors(int variation) override { log.push_back("colours " + std::to_string(variation)); }
  void ShowToolPalette() override { log.push_back("palette"); }
  void ShowFunctionBar() override { log.push_back("function bar"); }
  void CloseToolWindows() override { log.push_back("close tools"); }
  void CloseFunctionBar() override { log.push_back("close bar"); }
  void WritePreference() override {
    log.push_back("write prefs");
    if (throwOnWrite) throw LException(-36);
  }
  void CloseToolPalette() override { log.push_back("close palette"); }
  void TerminateScrap() override { log.push_back("end scrap"); }
  void TerminateGlobals() override {
    log.push_back("end globals");
    KxAppHooks::TerminateGlobals();
  }
  void TerminateServices() override { log.push_back("end services"); }

  bool NewDocument() override {
    log.push_back("new");
    windows.push_back(KxCurrentHost().CreateWindow(&client, Rect{0, 0, 100, 100}, nullptr));
    documents.push_back({"untitled"});
    return true;
  }
  bool OpenDocument(const std::string& path) override {
    log.push_back("open " + path);
    if (refuseOpens) return false;
    documents.push_back({path});
    return true;
  }
  bool refuseOpens = false;
  std::vector<UWindowMenu::Document> Documents() override { return documents; }
  std::vector<UWindowMenu::Document> documents;
  KxResumeDocument* OpenForResume(const std::string& path) override {
    log.push_back("resume " + path);
    if (std::find(resumable.begin(), resumable.end(), path) == resumable.end()) return nullptr;
    resumed.push_back(std::make_unique<ResumedDocument>(path, log));
    return resumed.back().get();
  }
  std::vector<std::unique_ptr<ResumedDocument>> resumed;
  bool CloseAllDocuments(OSType) override {
    log.push_back("close all");
    // Documents that close before a cancel record themselves.
    for (const std::string& p : closeRecords) {
      SKXFResume r;
      r.bounds = SKXRectL{};
      if (gFileResume && UKXFSpec::MakeFromPath(r.fileRef, p)) UKXFResume::AddFResume(r, gFileResumeHandle, 50);
    }
    return closeAnswer;
  }
  bool RunTool(CommandT command) override {
    log.push_back("tool " + std::to_string(command));
    return true;
  }
  bool HasTool(CommandT) override { return true; }
  bool ToolWindowOpen() override { return toolWindowOpen; }
  void SelectDocument(int index) override { log.push_back("select " + std::to_string(index)); }
  LModelObject* FrontDocumentModel() override { return model; }
  bool IsRecording() const override { return recording; }
  void AddMacroCommand(long command) override { log.push_back("macro " + std::to_string(command)); }

  bool Logged(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
};

// A target below the application: records the commands and keys that reach
// it, handles the edit commands, and can ask for memory while it runs.
class RecordingTarget : public LCommander {
 public:
  explicit RecordingTarget(CKXTextApp& app) : LCommander(&app) {}
  std::vector<CommandT> commands;
  std::vector<std::uint8_t> keys;
  bool askForMemory = false;
  bool recovered = false;

  bool ObeyCommand(CommandT command, void* param) override {
    if (command == kKxCmdUndo || command == kKxCmdRedo || command == kKxCmdCut) {
      commands.push_back(command);
      if (askForMemory) {
        recovered = KxMemRecovery();
      }
      return true;
    }
    commands.push_back(command);
    return LCommander::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    if (command == kKxCmdUndo || command == kKxCmdRedo || command == kKxCmdCut) {
      enabled = true;
      return;
    }
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
  bool HandleKeyPress(const EventRecord& event) override {
    keys.push_back(KxEventChar(event));
    return true;
  }
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override { app = std::make_unique<CKXTextApp>(&hooks); }
  void TearDown() override {
    target.reset();
    app.reset();
    KxSetGlobalDefaults();   // nothing leaks into other tests
  }
  void Drain() {
    while (host.PendingEvents() > 0) app->ProcessNextEvent();
  }
  void Key(std::uint8_t ch, std::uint8_t code, std::uint16_t mods) {
    host.PostKey(ch, code, mods);
    Drain();
  }
  RecordingTarget& Target() {
    if (!target) {
      target = std::make_unique<RecordingTarget>(*app);
      LCommander::SwitchTarget(target.get());
    }
    return *target;
  }

  KxHeadlessHost host;
  RecordingHooks hooks;
  std::unique_ptr<CKXTextApp> app;
  std::unique_ptr<RecordingTarget> target;
};

TEST_F(AppTest, ConstructionAndDestructionRunTheirStepsInOrder) {
  EXPECT_EQ(hooks.log, (std::vector<std::string>{"globals", "classes", "services", "read prefs", "scrap"}));
  hooks.log.clear();
  gPreference2.colorVariation = 12;
  gPreference.toolPalette = 1;
  gPreference2.functionBar = 1;
  app->Prepare();
  EXPECT_EQ(hooks.log, (std::vector<std::string>{"colours 12", "palette", "function bar"}));
  gPreference.toolPalette = 0;
  gPreference2.functionBar = 0;
  gPreference2.colorVariation = 25;   // out of range: the default
  hooks.log.clear();
  app->Prepare();
  EXPECT_EQ(hooks.log, (std::vector<std::string>{"colours 0"}));
  hooks.log.clear();
  hooks.throwOnWrite = true;   // a failing step stops none of the others
  app.reset();
  EXPECT_EQ(hooks.log, (std::vector<std::string>{"close tools", "close bar", "write prefs", "close palette",
                                                 "end scrap", "end globals", "end services"}));
}

TEST_F(AppTest, InitializeKeepsDetectionOnWhateverTheOpenDialogShows) {
  gFilePref.ownDialogs = 0;   // the default: no extras in the open dialog
  CKXJCode::sUseCVKANJI = 0;
  CKXJCode::sUseUNICODE = 0;
  app->Prepare();
  EXPECT_EQ(CKXJCode::sUseCVKANJI, 1);
  EXPECT_EQ(CKXJCode::sUseUNICODE, 1);
  EXPECT_FALSE(CKXTextApp::sOpenDialogExtras);
  // EUC-JP and JIS text is recognised, not taken for Shift_JIS.
  const unsigned char euc[] = {0xA4, 0xB3, 0xA4, 0xF3, 0xA4, 0xCB, 0xA4, 0xC1, 0xA4, 0xCF};
  const unsigned char jis[] = {0x1B, '$', 'B', '$', '3', '$', 's', 0x1B, '(', 'B'};
  EXPECT_EQ(CKXJCode::AutoCheck(euc, sizeof euc), kKxCodeEUC);
  EXPECT_EQ(CKXJCode::AutoCheck(jis, sizeof jis), kKxCodeJIS);
  // An Aozora choice lasts one open.
  CKXJCode::sCodeType = kKxCodeAozora;
  app->ChooseDocument();
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);
}

struct StartCase {
  int action;
  bool resumeListHasFile;
  std::vector<std::string> files;
  std::vector<std::string> expected;   // the launch's entries of the log
};

TEST(AppStartUp, EachActionTakesOneStepAndFilesTakeNone) {
  // A file of the resume list that exists (a missing one is skipped).
  const std::string kept = ::testing::TempDir() + "kept.txt";
  { std::FILE* f = std::fopen(kept.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
  const std::vector<StartCase> cases = {
      {0, false, {}, {"new"}},
      {1, false, {}, {"open /tmp/chosen.txt"}},
      {2, false, {}, {"tool 1004"}},
      {3, true, {}, {"resume " + kept, "new"}},   // the file could not be reopened
      {3, false, {}, {"new"}},                         // nothing to resume: a window all the same
      // Outside 0-3 the stored setting reads as 0: without a window there
      // would be no menu bar to act from.
      {4, false, {}, {"new"}},
      {0, false, {"/tmp/a.txt", "/tmp/b.txt"}, {"open /tmp/a.txt", "open /tmp/b.txt"}},
      {3, true, {"/tmp/a.txt"}, {"open /tmp/a.txt"}},
  };
  for (const StartCase& c : cases) {
    KxHeadlessHost host;
    RecordingHooks hooks;
    CKXTextApp app(&hooks);
    gPreference.startupAction = std::int16_t(c.action);
    if (c.resumeListHasFile) {
      SKXFResume r;
      r.bounds = SKXRectL{};
      ASSERT_TRUE(UKXFSpec::MakeFromPath(r.fileRef, kept));
      UKXFResume::AddFResume(r, gFileResumeHandle, 50);
    }
    host.QueueAnswer(KxAnswer::kOK, "/tmp/chosen.txt");
    hooks.log.clear();
    app.Launch(c.files);
    std::erase_if(hooks.log, [](const std::string& e) {   // Initialize's own steps
      return e.rfind("colours", 0) == 0 || e == "palette" || e == "function bar";
    });
    EXPECT_EQ(hooks.log, c.expected) << "action " << c.action << " with " << c.files.size() << " files";
  }
  KxSetGlobalDefaults();
}

// Without a document the program has no menu bar to quit from: a start-up
// open dialog that is cancelled, or whose file does not open, leaves an
// untitled document, as an empty resume list does.
TEST(AppStartUp, AnOpenDialogThatOpensNothingLeavesANewDocument) {
  for (bool opens : {false, true}) {
    KxHeadlessHost host;
    RecordingHooks hooks;
    CKXTextApp app(&hooks);
    gPreference.startupAction = kKxStartupOpenDialog;
    gPreference.toolPalette = 0;
    if (opens) host.QueueAnswer(KxAnswer::kOK, "/tmp/chosen.txt");
    else host.QueueAnswer(KxAnswer::kCancel);
    hooks.log.clear();
    app.Launch({});
    std::erase_if(hooks.log, [](const std::string& e) { return e.rfind("colours", 0) == 0; });
    EXPECT_EQ(hooks.log, opens ? std::vector<std::string>{"open /tmp/chosen.txt"} : std::vector<std::string>{"new"});
    EXPECT_EQ(host.WindowList().size(), opens ? 0u : 1u);
  }
  KxSetGlobalDefaults();
}

TEST(AppStartUp, FilesThatAllFailToOpenLeaveANewDocument) {
  for (bool refuse : {false, true}) {
    KxHeadlessHost host;
    RecordingHooks hooks;
    CKXTextApp app(&hooks);
    gPreference.startupAction = kKxStartupResume;
    gPreference.toolPalette = 0;
    hooks.refuseOpens = refuse;
    hooks.log.clear();
    app.Launch({"/tmp/a-folder"});
    std::erase_if(hooks.log, [](const std::string& e) { return e.rfind("colours", 0) == 0; });
    const std::vector<std::string> expected =
        refuse ? std::vector<std::string>{"open /tmp/a-folder", "new"} : std::vector<std::string>{"open /tmp/a-folder"};
    EXPECT_EQ(hooks.log, expected);
  }
  KxSetGlobalDefaults();
}

// The resume list runs from the front window back; the reopened windows
// stack that way again (each open comes to the front, so the first one
// reopened would end at the back).
TEST(AppStartUp, ReopenedDocumentsStackAsTheyWereAtTheQuit) {
  std::vector<std::string> paths;
  for (const char* name : {"front.txt", "middle.txt", "back.txt"}) {
    paths.push_back(::testing::TempDir() + name);
    std::FILE* f = std::fopen(paths.back().c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  KxHeadlessHost host;
  RecordingHooks hooks;
  {
    CKXTextApp app(&hooks);
    gPreference.startupAction = kKxStartupResume;
    gPreference.toolPalette = 0;
    hooks.resumable = paths;
    for (const std::string& p : paths) {
      SKXFResume r;
      r.bounds = SKXRectL{};
      ASSERT_TRUE(UKXFSpec::MakeFromPath(r.fileRef, p));
      UKXFResume::AddFResume(r, gFileResumeHandle, 50);
    }
    hooks.log.clear();
    app.Launch({});
    std::erase_if(hooks.log, [](const std::string& e) { return e.rfind("colours", 0) == 0; });
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"resume " + paths[0], "resume " + paths[1], "resume " + paths[2],
                                                   "front " + paths[2], "front " + paths[1], "front " + paths[0]}));
    hooks.resumed.clear();
  }
  for (const std::string& p : paths) std::remove(p.c_str());
  KxSetGlobalDefaults();
}

TEST_F(AppTest, ACancelledQuitLeavesTheResumeListAsItWas) {
  app->Prepare();
  gPreference.startupAction = kKxStartupResume;
  SKXFResume r;
  r.bounds = SKXRectL{};
  ASSERT_TRUE(UKXFSpec::MakeFromPath(r.fileRef, "/tmp/old.txt"));
  UKXFResume::AddFResume(r, gFileResumeHandle, 50);
  const KxBlock before = gFileResumeHandle;

  hooks.closeRecords = {"/tmp/closed-first.txt"};
  hooks.closeAnswer = false;
  EXPECT_FALSE(app->DoQuit(kAEAsk));
  EXPECT_EQ(gFileResumeHandle, before);
  EXPECT_FALSE(gFileResume);
  EXPECT_FALSE(app->IsQuitting());

  hooks.closeAnswer = true;
  EXPECT_TRUE(app->DoQuit(kAEAsk));
  EXPECT_TRUE(app->IsQuitting());
  ASSERT_EQ(UKXFResume::GetCount(gFileResumeHandle), 1);
  SKXFResume got;
  ASSERT_TRUE(UKXFResume::GetFResume(1, got, gFileResumeHandle));
  EXPECT_EQ(UKXFSpec::PathOf(got.fileRef), "/tmp/closed-first.txt");
}

TEST_F(AppTest, TheQuitEventAnswersACancel) {
  app->Prepare();
  hooks.closeAnswer = false;
  EXPECT_EQ(app->HandleAppleEvent(AEMakeQuit(kAEAsk)), -128);
  hooks.closeAnswer = true;
  EXPECT_EQ(app->HandleAppleEvent(AEMakeQuit(kAENo)), noErr);
}

TEST_F(AppTest, ClosingTheLastWindowQuits) {
  app->Launch({});   // start-up action 0: one untitled window
  ASSERT_EQ(hooks.windows.size(), 1u);
  app->ProcessNextEvent();
  Drain();
  app->ProcessNextEvent();
  EXPECT_FALSE(app->IsQuitting());
  KxCurrentHost().DestroyWindow(hooks.windows[0]);
  Drain();
  app->ProcessNextEvent();
  EXPECT_TRUE(app->IsQuitting());
  EXPECT_TRUE(hooks.Logged("close all"));
}

struct KeyCase {
  std::uint8_t ch;
  std::uint8_t keyCode;
  std::uint16_t mods;
  CommandT command;   // 0: no command; the key goes to the target
};

TEST_F(AppTest, MenuKeysChooseExactItemsFirstThenTheUnshiftedOne) {
  app->Prepare();
  RecordingTarget& t = Target();
  const std::uint16_t cmd = kKxEventCommandKey, shift = kKxEventShiftKey;
  const KeyCase cases[] = {
      {'z', 0x06, cmd, kKxCmdUndo},
      {'Z', 0x06, cmd | shift, kKxCmdRedo},   // its own item wins over the fallback
      {'X', 0x07, cmd | shift, kKxCmdCut},    // no shifted item: the unshifted one
      {'x', 0x07, 0, 0},                      // no command key: typed
      {'x', 0x07, cmd | kKxEventOptionKey, 0},
  };
  for (const KeyCase& c : cases) {
    t.commands.clear();
    t.keys.clear();
    Key(c.ch, c.keyCode, c.mods);
    if (c.command) {
      EXPECT_EQ(t.commands, std::vector<CommandT>{c.command}) << c.ch;
      EXPECT_TRUE(t.keys.empty());
    } else {
      EXPECT_TRUE(t.commands.empty()) << c.ch;
      EXPECT_EQ(t.keys, std::vector<std::uint8_t>{c.ch});
    }
  }
}

TEST_F(AppTest, CommandArrowsNeverReachTheMenus) {
  app->Prepare();
  RecordingTarget& t = Target();
  // Even an item that claims an arrow as its key is not chosen by it.
  LMenu* edit = app->GetMenuBar()->FetchMenu(kKxEditMenu);
  ASSERT_NE(edit, nullptr);
  const std::uint8_t arrows[] = {kKxCharLeftArrow, kKxCharRightArrow, kKxCharUpArrow, kKxCharDownArrow};
  for (std::uint8_t arrow : arrows) {
    edit->SetKey(edit->IndexFromCommand(kKxCmdCut), arrow, 0);
    t.commands.clear();
    t.keys.clear();
    Key(arrow, 0x7B, kKxEventCommandKey);
    EXPECT_TRUE(t.commands.empty());
    EXPECT_EQ(t.keys, std::vector<std::uint8_t>{arrow});
  }
}

TEST_F(AppTest, MenuCommandsAreRecordedWhileAMacroRecords) {
  CKXMacroRecorder::Install(&hooks);
  app->Prepare();
  Target();
  hooks.recording = true;
  Key('z', 0x06, kKxEventCommandKey);
  host.PostMenuChoice(kKxEditMenu, 1);
  Drain();
  hooks.recording = false;
  Key('z', 0x06, kKxEventCommandKey);
  CKXMacroRecorder::Install(nullptr);
  EXPECT_EQ(std::count(hooks.log.begin(), hooks.log.end(), "macro 11"), 2);
}

TEST_F(AppTest, TwoRefreshRequestsInOneBlinkGiveOneRefreshFourBlinksAfterTheLast) {
  app->Prepare();
  const std::uint32_t blink = host.Clock().blink;
  const std::uint32_t before = app->MenuRefreshCount();
  CKXTextApp::SetUpdateCommandStatus(true);
  host.Clock().Advance(blink / 2);
  CKXTextApp::SetUpdateCommandStatus(true);
  const std::uint32_t due = host.Clock().ticks + 4 * blink;
  std::uint32_t refreshedAt = 0;
  while (host.Clock().ticks <= due + 2 * app->GetSleepTime()) {
    const std::uint32_t count = app->MenuRefreshCount();
    app->ProcessNextEvent();   // an idle turn: the clock moves by the wait
    if (app->MenuRefreshCount() != count && refreshedAt == 0) refreshedAt = host.Clock().ticks;
  }
  EXPECT_EQ(app->MenuRefreshCount() - before, 1u);
  EXPECT_GT(refreshedAt, due);
  EXPECT_LE(refreshedAt, due + app->GetSleepTime());
  // Cancelled, a request gives none.
  CKXTextApp::SetUpdateCommandStatus(true);
  CKXTextApp::SetUpdateCommandStatus(false);
  const std::uint32_t count = app->MenuRefreshCount();
  for (int i = 0; i < 40; ++i) app->ProcessNextEvent();
  EXPECT_EQ(app->MenuRefreshCount(), count);
}

// The memory layer reaches the texts through the application: their undo
// states go, and without an application nothing is freed.
TEST_F(AppTest, MemoryRecoveryDropsTheUndoStatesOfTheTexts) {
  kxtest::TestLayer layer;
  layer.DoKey('x', 0);
  ASSERT_NE(layer.GetAction(), nullptr);
  app->Prepare();
  RecordingTarget& t = Target();
  t.askForMemory = true;
  host.PostMenuChoice(kKxEditMenu, 1);   // undo, which runs out of memory
  Drain();
  ASSERT_EQ(t.commands, std::vector<CommandT>{kKxCmdUndo});
  EXPECT_TRUE(t.recovered);
  EXPECT_EQ(layer.GetAction(), nullptr);
  target.reset();
  app.reset();
  layer.DoKey('y', 0);
  EXPECT_FALSE(KxMemRecovery());
  EXPECT_NE(layer.GetAction(), nullptr);
  while (KxMemReserveCount() < 4) KxMemEmergencyAlloc();
}

TEST_F(AppTest, WithADialogOpenEveryApplicationCommandIsDisabled) {
  app->Prepare();
  const CommandT commands[] = {kKxCmdNew,        kKxCmdOpen,       kKxCmdQuit,         kKxCmdShowClipboard,
                               kKxCmdPreferences, kKxCmdFileBrowser, kKxCmdPrefDialog,  kKxCmdToolPalette,
                               kKxCmdMacroEditor, 4000,              kKxCmdFileSearch,  1610};
  hooks.toolWindowOpen = true;
  for (bool open : {false, true}) {
    SetDialogOpen(open);
    EXPECT_EQ(app->GetSleepTime(), open ? kKxFastSleepTicks : kKxNormalSleepTicks);
    for (CommandT c : commands) {
      Boolean enabled = !open, usesMark = false;
      std::uint16_t mark = 0;
      Str255 name = {0};
      app->ProcessCommandStatus(c, enabled, usesMark, mark, name);
      EXPECT_EQ(bool(enabled), !open) << c;
    }
  }
  SetDialogOpen(false);
}

TEST_F(AppTest, WindowCommandsAreTheApplicationsOnlyWithAToolWindowOpen) {
  app->Prepare();
  EXPECT_FALSE(app->ObeyCommand(1610, nullptr));
  hooks.toolWindowOpen = true;
  EXPECT_TRUE(app->ObeyCommand(1612, nullptr));
  EXPECT_TRUE(hooks.Logged("select 3"));
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 99;
  Str255 name = {0};
  app->FindCommandStatus(1699, enabled, usesMark, mark, name);
  EXPECT_TRUE(enabled && usesMark);
  EXPECT_EQ(mark, kKxNoMark);
}

// A document as scripts see it: records the requests forwarded to it.
class FakeDocumentModel : public LModelObject {
 public:
  FakeDocumentModel() : LModelObject(nullptr, FourCC("docu")) {}
  int requests = 0;
  void GetModelToken(DescType, DescType, const AEDesc&, LModelToken& outToken) override {
    ++requests;
    outToken.Add(this);
  }
};

TEST_F(AppTest, TextRequestsWithoutADocumentAnswerNoSuchObject) {
  app->Prepare();
  const AEDesc index = AEDesc::FromLong(1);
  const AEDesc selection = AEDesc::FromCode(typeType, FourCC("sele"));
  struct Request {
    DescType kind;
    DescType form;
    const AEDesc* key;
  };
  const Request requests[] = {{FourCC("cha "), formAbsolutePosition, &index},
                              {FourCC("cwor"), formAbsolutePosition, &index},
                              {FourCC("cpar"), formAbsolutePosition, &index},
                              {FourCC("prop"), formPropertyID, &selection}};
  for (const Request& r : requests) {
    LModelToken token;
    try {
      app->GetModelToken(r.kind, r.form, *r.key, token);
      ADD_FAILURE() << "no error";
    } catch (const LException& e) {
      EXPECT_EQ(e.GetErrorCode(), errAENoSuchObject);
    }
  }
  FakeDocumentModel document;
  hooks.model = &document;
  for (const Request& r : requests) {
    LModelToken token;
    app->GetModelToken(r.kind, r.form, *r.key, token);
  }
  EXPECT_EQ(document.requests, 4);
}

struct LineCase {
  std::vector<const char*> args;
  int status;
  std::vector<std::string> files;
  const char* outputStart;
};

TEST(AppCommandLine, OptionsAndFiles) {
  // Files come back as whole paths from the current folder.
  const std::string here = std::filesystem::current_path().string() + "/";
  const LineCase cases[] = {
      {{}, -1, {}, ""},
      {{"a.txt", "b.txt"}, -1, {here + "a.txt", here + "b.txt"}, ""},
      {{"--help"}, 0, {}, "usage: kxtext"},
      {{"a.txt", "--version"}, 0, {}, "kxtext "},
      {{"--", "-dash.txt"}, -1, {here + "-dash.txt"}, ""},
      {{"--frobnicate"}, 2, {}, "kxtext: unknown option"},
      {{"", "x"}, -1, {here + "x"}, ""},
      {{"./sub/../y.txt", "/abs/z.txt"}, -1, {here + "y.txt", "/abs/z.txt"}, ""},
  };
  for (const LineCase& c : cases) {
    std::vector<const char*> argv = {"kxtext"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::vector<std::string> files;
    std::string output;
    EXPECT_EQ(KxParseCommandLine(int(argv.size()), argv.data(), files, output), c.status);
    if (c.status < 0) {
      EXPECT_EQ(files, c.files);
    }
    EXPECT_EQ(output.rfind(c.outputStart, 0), 0u) << output;
  }
}

}  // namespace
