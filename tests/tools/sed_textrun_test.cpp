// The stream editor of the window over a series of runs: bounds on steps
// and bytes that hold for the whole series, and notes held for the caller.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tools/sed_text.h"
#include "tool_test_files.h"

namespace {

using tooltest::QuietRunSED;

SKXSedText Text(const std::string& bytes) {
  SKXSedText t;
  t.text->SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return t;
}

bool RunOnce(QuietRunSED& sed, const std::string& script, SKXSedText& in, SKXSedText& out) {
  SKXSedText s = Text(script);
  return sed.DoStreamEdit({SKXSedStream::Text(&s)}, {SKXSedStream::Text(&in)}, SKXSedStream::Text(&out), false,
                          false);
}

}  // namespace

// Scripts that never leave their loop end at the series' bounds, whether
// they only jump, fill the output, double the line or copy a growing one;
// a run stopped there says so (Limited) and writes no output file.
TEST(SedTextRun, RunawayScriptsEndAtTheSeriesBounds) {
  constexpr long kSteps = 200000, kBytes = 1L << 22;
  const std::string path = (std::filesystem::temp_directory_path() / "kx_sed_textrun_runaway.txt").string();
  std::filesystem::remove(path);
  for (const char* script : {":a\rba", ":a\rp\rba", ":a\rs/x/xx/g\rba", ":a\rs/x/xx/\rba"}) {
    QuietRunSED sed;
    sed.SetSeriesLimits(kSteps, kBytes);
    sed.StartSeries();
    SKXSedText s = Text(script), in = Text("x\r");
    EXPECT_FALSE(sed.DoStreamEdit({SKXSedStream::Text(&s)}, {SKXSedStream::Text(&in)}, SKXSedStream::File(path),
                                  false, false))
        << script;
    EXPECT_TRUE(sed.Limited()) << script;
    EXPECT_FALSE(sed.Broken()) << script;
    EXPECT_FALSE(std::filesystem::exists(path)) << script;
  }
  // Ordinary work well within them is untouched.
  QuietRunSED sed;
  sed.SetSeriesLimits(kSteps, kBytes);
  sed.StartSeries();
  std::string lines;
  for (int k = 0; k < 5000; ++k) lines += "abc abc abc\r";
  SKXSedText in = Text(lines), out;
  EXPECT_TRUE(RunOnce(sed, "s/a/b/g", in, out));
  EXPECT_FALSE(sed.Limited());
  EXPECT_EQ(out.text->GetLength(), long(lines.size()));
}

// The bounds count the whole series: runs that each fit alone stop once
// together they pass the bound, until StartSeries begins a new one.
TEST(SedTextRun, SeriesBoundsCountEveryRunOfTheSeries) {
  QuietRunSED sed;
  sed.SetSeriesLimits(2500, 0);
  sed.StartSeries();
  std::string lines;
  for (int k = 0; k < 1000; ++k) lines += "line\r";
  SKXSedText in = Text(lines), out;
  EXPECT_TRUE(RunOnce(sed, "p", in, out));
  EXPECT_TRUE(RunOnce(sed, "p", in, out));
  EXPECT_FALSE(RunOnce(sed, "p", in, out));
  EXPECT_TRUE(sed.Limited());
  sed.StartSeries();
  EXPECT_TRUE(RunOnce(sed, "p", in, out));
  // Bytes alike: each output is 10,000 bytes.
  QuietRunSED bytes;
  bytes.SetSeriesLimits(0, 25000 + 3 * kSedLineLimit * long(sizeof(SEDunit)));
  bytes.StartSeries();
  EXPECT_TRUE(RunOnce(bytes, "p", in, out));
  EXPECT_TRUE(RunOnce(bytes, "p", in, out));
  EXPECT_FALSE(RunOnce(bytes, "p", in, out));
  EXPECT_TRUE(bytes.Limited());
}

// Held, the notes wait for the caller instead of being shown; the note of
// an error whose argument is empty ends at its text.
TEST(SedTextRun, HeldNotesWaitForTheCaller) {
  QuietRunSED sed;
  sed.SetMessageList(210, 11);
  sed.HoldNotes(true);
  SKXSedText in = Text("a\r"), out;
  EXPECT_FALSE(RunOnce(sed, "b nowhere", in, out));
  EXPECT_TRUE(sed.notes.empty());
  const std::vector<std::string> held = sed.TakeNotes();
  ASSERT_EQ(held.size(), 1u);
  EXPECT_NE(held[0].find("nowhere"), std::string::npos);
  EXPECT_TRUE(sed.TakeNotes().empty());
}
