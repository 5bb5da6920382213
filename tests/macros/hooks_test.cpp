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
