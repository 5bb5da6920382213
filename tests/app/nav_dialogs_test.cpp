// The file dialogs and their extras: several files give one open event,
// long names stay whole, the format filters and the encoding and line-end
// choices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/document.h"
#include "app/nav_extras.h"
#include "platform/ae/required_events.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "text/codes/jcode.h"

namespace {

namespace fs = std::filesystem;

class NavTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kx_nav_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    UNavigationServices::SetOpenEventSink([this](const AppleEvent& e) { events.push_back(e); });
    CKXJCode::sCodeType = kKxCodeAuto;
  }
  void TearDown() override {
    UNavigationServices::SetOpenEventSink(nullptr);
    CKXJCode::sCodeType = kKxCodeAuto;
    KxSetCustomNavigation(false);
    fs::remove_all(dir);
  }
  std::string Make(const std::string& name) {
    const fs::path p = dir / name;
    std::ofstream(p) << "x";
    return p.string();
  }
  KxHeadlessHost host;
  fs::path dir;
  std::vector<AppleEvent> events;
};

KxDialogReply Chosen(std::vector<std::string> paths, int filter = 0, std::vector<int> choices = {}) {
  KxDialogReply r;
  r.answer = KxAnswer::kOK;
  r.paths = std::move(paths);
  r.filter = filter;
  r.choices = std::move(choices);
  return r;
}

TEST_F(NavTest, ThreeFilesChosenGiveOneOpenEventWithThreeItems) {
  const std::vector<std::string> files = {Make("a.txt"), Make("b.txt"), Make("c.rtf")};
  host.QueueDialogReply(Chosen(files));
  FSSpec fileSpec;
  OSType type = 0;
  EXPECT_EQ(UNavigationServices::OpenFileDialog("kxtext", 0, {}, nullptr, fileSpec, type, false), kKxUserCanceled);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].GetEventClass(), kCoreEventClass);
  EXPECT_EQ(events[0].GetEventID(), kAEOpenDocuments);
  EXPECT_EQ(AEGetFilePaths(events[0]), files);
  EXPECT_EQ(KxGetOpenCodeType(events[0]), kKxCodeAuto);
  ASSERT_EQ(host.DialogRequests().size(), 1u);
  EXPECT_TRUE(host.DialogRequests()[0].multiple);
}

TEST_F(NavTest, OneFileIsAnsweredDirectlyAndSingleTakesTheFirst) {
  const std::string a = Make("a.txt"), b = Make("b.txt");
  FSSpec fileSpec;
  OSType type = 0;
  host.QueueDialogReply(Chosen({a}));
  ASSERT_EQ(UNavigationServices::OpenFileDialog("kxtext", 0, {}, nullptr, fileSpec, type, false), noErr);
  EXPECT_EQ(fileSpec.Path(), a);
  EXPECT_EQ(type, FourCC("TEXT"));
  host.QueueDialogReply(Chosen({b, a}));
  ASSERT_EQ(UNavigationServices::OpenFileDialog("kxtext", 0, {}, nullptr, fileSpec, type, true), noErr);
  EXPECT_EQ(fileSpec.Path(), b);
  EXPECT_FALSE(host.DialogRequests().back().multiple);
  EXPECT_TRUE(events.empty());
  // Cancelled: nothing chosen, nothing sent.
  EXPECT_EQ(UNavigationServices::OpenFileDialog("kxtext", 0, {}, nullptr, fileSpec, type, false), kKxUserCanceled);
  EXPECT_TRUE(events.empty());
}

TEST_F(NavTest, EveryFileChosenWithTheAozoraFilterIsReadAsAozora) {
  const std::vector<std::string> files = {Make("a.txt"), Make("b.TXT"), Make("c.txt")};
  KxSetCustomNavigation(true);
  host.QueueDialogReply(Chosen(files, kKxFilterAozora, {2}));   // Shift_JIS chosen, then the Aozora filter
  FSSpec fileSpec;
  OSType type = 0;
  EXPECT_FALSE(CKXDocument::GetFileDialog({}, fileSpec, type));
  EXPECT_TRUE(KxIsSelectAozoraText());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(AEGetFilePaths(events[0]).size(), 3u);
  EXPECT_EQ(KxGetOpenCodeType(events[0]), kKxCodeAozora);
  // The open dialog offered the seven filters and the encoding popup.
  const KxDialogRequest& q = host.DialogRequests().back();
  EXPECT_EQ(q.filters.size(), std::size_t(kKxOpenFilterCount));
  ASSERT_EQ(q.choices.size(), 1u);
  EXPECT_EQ(q.choices[0].items.size(), 6u);
  // The Aozora filter shows .txt names only, whatever their case.
  EXPECT_TRUE(q.filters[kKxFilterAozora].accepts(files[1]));
  EXPECT_FALSE(q.filters[kKxFilterAozora].accepts(Make("d.text")));
  EXPECT_TRUE(q.filters[kKxFilterReadable].accepts(dir / "d.text"));
}

TEST_F(NavTest, TheEncodingChosenIsForcedAndACancelForcesNothing) {
  KxOpenNavExtras extras;
  struct Case {
    int item;
    int filter;
    short code;
  } cases[] = {{0, 0, kKxCodeAuto}, {1, 0, kKxCodeSJIS}, {3, 6, kKxCodeEUC}, {5, 1, kKxCodeUTF8},
               {9, 0, kKxCodeAuto}, {-4, 0, kKxCodeAuto}, {2, kKxFilterAozora, kKxCodeAozora}};
  for (const Case& c : cases) {
    extras.Accept(Chosen({"/x"}, c.filter, {c.item}));
    EXPECT_EQ(CKXJCode::sCodeType, c.code) << c.item;
  }
  KxDialogReply cancelled;
  extras.Terminate(cancelled);
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);
  KxOpenNavExtras noUnicode(false);
  KxDialogRequest q;
  noUnicode.Start(q);
  EXPECT_EQ(q.choices[0].items.size(), 4u);
  noUnicode.Accept(Chosen({"/x"}, 0, {5}));   // beyond its four items: automatic
  EXPECT_EQ(CKXJCode::sCodeType, kKxCodeAuto);
}

TEST_F(NavTest, ALongUTF8NameIsKeptWhole) {
  std::string name;
  while (name.size() + 3 <= 96) name += "\xE3\x81\x82";   // あ
  name += ".txt";
  ASSERT_EQ(name.size(), 100u);
  const fs::path target = dir / name;
  KxDialogReply reply = Chosen({target.string()});
  FSSpec fileSpec;
  bool replacing = true, stationery = true;
  ASSERT_EQ(UNavigationServices::CompleteSave(reply, fileSpec, replacing, stationery), noErr);
  EXPECT_EQ(fileSpec.name, name);
  EXPECT_EQ(fileSpec.folder, dir.string());
  EXPECT_FALSE(replacing);
  EXPECT_FALSE(stationery);
  // A name the folder cannot hold is an error, never a shorter name.
  std::string tooLong;
  while (tooLong.size() <= 255) tooLong += "\xE3\x81\x84";
  reply = Chosen({(dir / tooLong).string()});
  EXPECT_EQ(UNavigationServices::CompleteSave(reply, fileSpec, replacing, stationery), kKxBadNameErr);
  EXPECT_EQ(fileSpec.name, name);   // untouched
  EXPECT_EQ(UNavigationServices::CompleteSave(Chosen({"/"}), fileSpec, replacing, stationery), kKxBadNameErr);
  EXPECT_EQ(UNavigationServices::CompleteSave(KxDialogReply{}, fileSpec, replacing, stationery), kKxUserCanceled);
}

// A document saved under a long name: the file has that whole name.
class LongNameDoc : public CKXDocument {
 public:
  LongNameDoc() : CKXDocument(nullptr) {}
  void DoSave() override {
    const int err = KxWriteFileSafely(mFile->GetFileSpec().Path(), "text", 4);
    if (err) throw LException(err);
  }
};

TEST_F(NavTest, SaveAsUnderALongNameAndAReportedBadName) {
  std::string name(96, 'n');
  name = "\xC3\xA9" + name.substr(2) + ".txt";
  ASSERT_EQ(name.size(), 100u);
  auto* doc = new LongNameDoc;
  host.QueueAnswer(KxAnswer::kOK, (dir / name).string());
  FSSpec fileSpec;
  ASSERT_TRUE(doc->AskSaveAs(fileSpec, false));
  EXPECT_TRUE(fs::exists(dir / name));
  EXPECT_EQ(fs::directory_iterator(dir)->path().filename().string(), name);
  host.QueueAnswer(KxAnswer::kOK, (dir / std::string(300, 'x')).string());
  EXPECT_FALSE(doc->AskSaveAs(fileSpec, false));
  ASSERT_FALSE(host.Alerts().empty());
  EXPECT_EQ(host.Alerts().back().kind, KxAlertKind::kStop);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  delete doc;
}

TEST(TextFileName, EndingsAsTheFiltersSeeThem) {
  struct Case {
    const char* name;
    bool text, onlyTxt;
  } cases[] = {
      {"a.c", false, false},      {"ab.c", true, false},     {"x.h", false, false},     {"xy.h", true, false},
      {"notes.TXT", true, true},  {"notes.txt", true, true}, {".txt", true, true},      {"txt", false, false},
      {"a.text", true, false},    {"text", false, false},    {"atext", false, false},   {"page.HTML", true, false},
      {"pagehtml", false, false}, {"a.htm", true, false},    {"a.rtf", true, false},    {"a.cp", true, false},
      {"a.cpp", true, false},     {"a.js", true, false},     {"a.pl", true, false},     {"a.java", true, false},
      {"ajava", false, false},    {"a.kxt", true, false},    {"a.doc", false, false},   {"a.c.bak", false, false},
      {"a.CSV", true, false},     {"a.Log", true, false},    {"README", false, false},  {"x.asm", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTextFileName(std::string_view(c.name), false), c.text) << c.name;
    EXPECT_EQ(IsTextFileName(std::string_view(c.name), true), c.onlyTxt) << c.name;
  }
  const unsigned char pascal[] = {4, 'a', 'b', '.', 'c'};
  EXPECT_TRUE(IsTextFileName(pascal, false));
  EXPECT_FALSE(IsTextFileName(static_cast<ConstStringPtr>(nullptr), false));
}

TEST(OpenFilter, ChoicesShowTheirFiles) {
  const OSType text = FourCC("TEXT"), ro = FourCC("ttro"), own = FourCC("KXTE"), jpeg = FourCC("JPEG");
  struct Case {
    const char* name;
    OSType type, creator;
    bool shown[kKxOpenFilterCount];
  } cases[] = {
      {"a.txt", text, 0, {true, true, true, false, true, true, true}},
      {"notes", text, 0, {true, false, false, false, false, false, true}},
      {"notes", text, own, {true, false, true, false, false, false, true}},
      {"notes", ro, own, {true, false, false, true, false, false, true}},
      {"a.text", 0, 0, {true, true, true, false, false, true, true}},
      {"pic.jpg", jpeg, 0, {false, false, false, false, false, false, true}},
  };
  for (const Case& c : cases)
    for (int choice = 0; choice < kKxOpenFilterCount; ++choice)
      EXPECT_EQ(KxOpenFilterShows(choice, c.name, c.type, c.creator), c.shown[choice]) << c.name << " " << choice;
}

TEST(SaveExtras, TheDocumentsSettingsRoundTripUnderThePlainTextFormatOnly) {
  const std::vector<NavMenuItemSpec> formats = {{0, 0, kKxPlainTextFormat, "Text"}, {0, 0, FourCC("RTF "), "RTF"}};
  for (short encoding = 0; encoding < 5; ++encoding)
    for (short lineEnd = 0; lineEnd < 3; ++lineEnd) {
      KxSaveTextSettings doc{encoding, lineEnd};
      KxSaveNavExtras extras(&doc, formats);
      KxDialogRequest q;
      extras.Start(q);
      ASSERT_EQ(q.choices.size(), 2u);
      // A Unicode document shows its own encoding, never another one.
      EXPECT_EQ(q.choices[0].selected, encoding);
      EXPECT_EQ(q.choices[1].selected, lineEnd);
      EXPECT_EQ(q.choicesEnabled, (std::vector<bool>{true, false}));
      extras.Accept(Chosen({"/x"}, 1, {(encoding + 1) % 5, (lineEnd + 1) % 3}));   // RTF: the popups are off
      EXPECT_EQ(doc.encoding, encoding);
      EXPECT_EQ(doc.lineEnd, lineEnd);
      extras.Accept(Chosen({"/x"}, 0, {(encoding + 1) % 5, (lineEnd + 1) % 3}));
      EXPECT_EQ(doc.encoding, (encoding + 1) % 5);
      EXPECT_EQ(doc.lineEnd, (lineEnd + 1) % 3);
      extras.Accept(Chosen({"/x"}, 0, {7, -1}));   // out of range: kept
      EXPECT_EQ(doc.encoding, (encoding + 1) % 5);
    }
  KxSaveNavExtras none(nullptr, {});
  KxDialogRequest q;
  none.Start(q);
  EXPECT_EQ(q.choices[0].selected, 0);
  EXPECT_TRUE(q.choicesEnabled.empty());
  none.Accept(Chosen({"/x"}, 0, {1, 1}));   // no document: nothing to store
}

TEST_F(NavTest, SaveDialogFormatChoiceAndQuestions) {
  const std::vector<NavMenuItemSpec> formats = {{0, 0, kKxPlainTextFormat, "Text"}, {0, 0, FourCC("RTF "), "RTF"}};
  host.QueueDialogReply(Chosen({(dir / "f.rtf").string()}, 1));
  FSSpec fileSpec;
  bool replacing = false, stationery = false;
  std::int32_t selected = 1;
  ASSERT_EQ(UNavigationServices::SaveFileDialog(kKxNoWindow, "f", "kxtext", 0, 0, nullptr, fileSpec, replacing, stationery,
                                                formats, &selected),
            noErr);
  EXPECT_EQ(selected, 2);
  EXPECT_EQ(host.DialogRequests().back().filter, 0);
  EXPECT_EQ(host.DialogRequests().back().filters.size(), 2u);
  // Replacing comes from the chooser's confirmation of an existing file.
  host.QueueAnswer(KxAnswer::kOK, Make("exists.txt"));
  ASSERT_EQ(UNavigationServices::SaveFileDialog(kKxNoWindow, "f", "kxtext", 0, 0, nullptr, fileSpec, replacing, stationery,
                                                {}, nullptr),
            noErr);
  EXPECT_TRUE(replacing);
  struct Q {
    KxAnswer answer;
    std::int16_t save, discard;
  } questions[] = {{KxAnswer::kSave, 1, 2}, {KxAnswer::kDontSave, 3, 2}, {KxAnswer::kCancel, 2, 2}, {KxAnswer::kOK, 1, 1}};
  for (const Q& q : questions) {
    host.QueueAnswer(q.answer);
    EXPECT_EQ(UNavigationServices::AskSaveChanges(kKxNoWindow, "d", "kxtext", true), q.save);
    host.QueueAnswer(q.answer);
    EXPECT_EQ(UNavigationServices::AskDiscardChanges(kKxNoWindow, "d", "kxtext"), q.discard);
  }
  EXPECT_TRUE(host.DialogRequests()[2].quitting);
  OSType type = 0;
  host.QueueAnswer(KxAnswer::kOK, dir.string());
  ASSERT_EQ(UNavigationServices::DoSelectObject(nullptr, fileSpec, type, "Choose"), noErr);
  EXPECT_EQ(fileSpec.Path(), dir.string());
  EXPECT_EQ(type, kKxFolderType);
  EXPECT_EQ(UNavigationServices::DoSelectObject(nullptr, fileSpec, type, "Choose"), kKxUserCanceled);
}

}  // namespace
