// The macros area's start-up puts its recorder behind the engine's door:
// what the engine, the key handler and the application tell
// CKXMacroRecorder lands in the recording, and function keys run the macro
// bound to them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/macro_recorder.h"
#include "fake_target.h"
#include "macro_builder.h"
#include "macros/macro.h"
#include "macros/macro_list.h"
#include "text/base/memory.h"

TEST(MacroHooks, StartUpInstallsTheRecorderThatLowerAreasReach) {
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  EXPECT_FALSE(recorder.IsRecording());
  recorder.AddMacroKeyCode('q', 0);   // not recording: dropped
  recorder.StartRecording();
  EXPECT_TRUE(recorder.IsRecording());
  recorder.AddMacroKeyCode('a', 0);
  recorder.AddMacroString("bc", 2);
  recorder.AddMacroCommand(33);
  recorder.StopRecording();
  EXPECT_EQ(UKXTextMacro::mMacroRecording, 0);
  MacroBuilder expect;
  expect.Text("abc").Command(33);
  ASSERT_EQ(UKXTextMacro::mMacroSize, expect.size());
  EXPECT_EQ(std::vector<char>(*UKXTextMacro::mMacroData, *UKXTextMacro::mMacroData + UKXTextMacro::mMacroSize),
            expect.code);
}

TEST(MacroHooks, AFunctionKeyRunsTheMacroBoundToItAndModifiers) {
  FakeTarget view;
  FakeHost host;
  host.view = &view;
  KxMacroSetHost(&host);
  MacroBuilder bound;
  bound.Header(1, 1, 3, 4).Text("x");   // option-F3
  SKXTMacro m{};
  m.name[0] = 1;
  m.name[1] = 'm';
  m.size = std::int32_t(bound.size());
  m.code = KxMemHAlloc(bound.size(), true);
  std::memcpy(*m.code, bound.data(), std::size_t(bound.size()));
  const long before = gKXTextMacros->GetCount();
  gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, m);
  CKXMacroRecorder::Get().RunFunctionMacro(3, 0);   // other modifiers: nothing bound
  EXPECT_TRUE(view.calls.empty());
  CKXMacroRecorder::Get().RunFunctionMacro(3, 4);
  EXPECT_EQ(view.calls, std::vector<std::string>{"insert x"});
  gKXTextMacros->DeleteAt(before + 1);
  KxMacroSetHost(nullptr);
}

TEST(MacroHooks, TheRecordedMacroAndUserMacrosRunThroughTheHook) {
  FakeTarget view;
  FakeHost host;
  host.view = &view;
  KxMacroSetHost(&host);
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  recorder.StartRecording();
  EXPECT_FALSE(recorder.HasRecordedMacro());   // nothing recorded yet
  recorder.AddMacroString("hi", 2);
  recorder.StopRecording();
  ASSERT_TRUE(recorder.HasRecordedMacro());
  view.calls.clear();
  recorder.RunRecordedMacro();
  EXPECT_EQ(view.calls, std::vector<std::string>{"insert hi"});
  const long count = gKXTextMacros->GetCount();
  EXPECT_FALSE(recorder.RunUserMacro(0));
  EXPECT_FALSE(recorder.RunUserMacro(count + 1));
  KxMacroSetHost(nullptr);
}

// The record command run by a macro does nothing: the last recording stays,
// recording does not start, and one going on is neither stopped nor fed.
TEST(MacroHooks, TheRecordCommandDoesNothingWhileAMacroRuns) {
  struct Recording : FakeTarget {
    void MenuCommand(long command) override {
      FakeTarget::MenuCommand(command);
      CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
      if (command != 1146) return;
      if (recorder.IsRecording()) recorder.StopRecording();
      else recorder.StartRecording();
    }
  } view;
  FakeHost host;
  host.view = &view;
  KxMacroSetHost(&host);
  auto recorded = [] {
    return std::vector<char>(*UKXTextMacro::mMacroData, *UKXTextMacro::mMacroData + UKXTextMacro::mMacroSize);
  };
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  recorder.StartRecording();
  recorder.AddMacroString("kept", 4);
  recorder.StopRecording();
  const std::vector<char> kept = recorded();
  view.calls.clear();

  MacroBuilder b;
  b.Command(1146).Text("x").Command(1146);
  EXPECT_EQ(UKXTextMacro::ExecuteMacro(b.data(), b.size()), noErr);
  EXPECT_EQ(view.calls, (std::vector<std::string>{"command 1146", "insert x", "command 1146"}));
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_EQ(recorded(), kept);

  MacroBuilder once;
  once.Command(1146).Text("y");
  recorder.StartRecording();
  recorder.AddMacroString("r", 1);
  EXPECT_EQ(UKXTextMacro::ExecuteMacro(once.data(), once.size()), noErr);
  EXPECT_TRUE(recorder.IsRecording());
  recorder.StopRecording();
  EXPECT_EQ(recorded(), MacroBuilder().Text("r").code);
  KxMemHFree(UKXTextMacro::SetMacroData(nullptr, 0));
  KxMacroSetHost(nullptr);
}
