// Styled documents through the editor: a random styled text (runs, ruby,
// side characters, pictures) with marks, line restarts, a page form, a
// print record and view settings is opened as the program opens a file,
// edited and saved; read back, every run and setting is as it was. Both
// layouts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "app/application.h"
#include "common/styled_sample.h"
#include "common/test_main.h"
#include "doc_app_fixture.h"
#include "document/doc_file.h"
#include "document/text_doc.h"
#include "platform/fonts.h"
#include "platform/framework/commander.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"

namespace {

namespace fs = std::filesystem;

SKXDocSettings Settings(std::mt19937& rng, long length) {
  SKXDocSettings s;
  s.window.fontSize = 14;
  s.window.fontName = "IPAMincho";
  s.window.bounds = {40, 50, 400, 600};
  s.pref.scale = 150;
  s.pref.headerText = "head";
  s.pref.footerText = "foot";
  const std::int32_t third = std::int32_t(length / 3);
  s.marks = {{0, 2, "top"}, {third, third, "middle"}};
  s.lineRestarts = {2, 5, 9 + int(rng() % 5)};
  s.printRecord.assign(120, std::uint8_t(rng()));
  s.usesForm = true;
  for (std::size_t i = 0; i < s.forms.size(); ++i) s.forms[i] = std::uint8_t(i * 7 + rng() % 3);
  return s;
}

class StyledRoundTrip : public kxtest::DocAppTest, public ::testing::WithParamInterface<EKXLayout> {};

TEST_P(StyledRoundTrip, EveryRunAndSettingSurvivesOpenEditAndSave) {
  const EKXLayout layout = GetParam();
  const long rounds = KxRandomSteps(4);
  for (long round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::mt19937 rng(unsigned(round) * 31 + unsigned(layout));
    const std::string path = (dir / ("story" + std::to_string(round) + ".kxt")).string();
    SKXDocument original;
    kxtest::BuildSource(*original.text, rng, 300, true);
    original.creator = FourCC("KXTE");
    original.settings = Settings(rng, original.text->GetLength());
    std::string message;
    ASSERT_EQ(KxWriteDocument(path, original, layout, message), 0) << message;
    // What the file holds, read as the program reads it: the reference.
    SKXDocument before;
    ASSERT_EQ(KxReadDocument(path, before, message), 0) << message;

    ASSERT_TRUE(hooks.OpenDocument(path));
    Drain();
    ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
    CKXTextDocument* doc = KxTextDocHooks::All().front();
    // An edit that leaves the text as it was, so that the save is a real one.
    CKXTextEngine* engine = doc->GetEngine();
    engine->SetSelectionRange({0, 0}, false);
    host.PostKey('x', 0);
    host.PostKey(0x08, 0);
    Drain();
    ASSERT_TRUE(doc->IsModified());
    doc->DoSave();

    SKXDocument after;
    ASSERT_EQ(KxReadDocument(path, after, message), 0) << message;
    EXPECT_EQ(after.layout, layout);
    kxtest::ExpectSame(*before.text, *after.text);
    EXPECT_EQ(after.settings.marks.size(), before.settings.marks.size());
    for (std::size_t k = 0; k < std::min(after.settings.marks.size(), before.settings.marks.size()); ++k) {
      EXPECT_EQ(after.settings.marks[k].start, before.settings.marks[k].start);
      EXPECT_EQ(after.settings.marks[k].end, before.settings.marks[k].end);
      EXPECT_EQ(after.settings.marks[k].name, before.settings.marks[k].name);
    }
    EXPECT_EQ(after.settings.lineRestarts, before.settings.lineRestarts);
    EXPECT_EQ(after.settings.printRecord, before.settings.printRecord);
    EXPECT_EQ(after.settings.usesForm, before.settings.usesForm);
    EXPECT_EQ(after.settings.forms, before.settings.forms);
    EXPECT_EQ(after.settings.pref.scale, before.settings.pref.scale);
    EXPECT_EQ(after.settings.pref.headerText, before.settings.pref.headerText);
    EXPECT_EQ(after.settings.pref.footerText, before.settings.pref.footerText);
    EXPECT_EQ(after.settings.window.fontSize, before.settings.window.fontSize);
    EXPECT_EQ(after.settings.window.fontName, before.settings.window.fontName);

    delete doc;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, StyledRoundTrip, ::testing::Values(EKXLayout::kClassic, EKXLayout::kContainer));

}  // namespace
