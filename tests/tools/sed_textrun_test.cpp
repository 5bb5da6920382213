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

namespace {

constexpr char kPlaceholder[] = "\x81\xFC";

// A text with characters outside Shift_JIS (é, €, an emoji) on every line,
// so that the editor keeps side records for it.
SKXSedText RichText(int lines) {
  std::string bytes;
  std::vector<SKXUniChar> uni;
  const std::uint32_t values[] = {0xE9, 0x20AC, 0x1F600};
  for (int k = 0; k < lines; ++k) {
    bytes += "ab ";
    uni.push_back(SKXUniChar{std::int32_t(bytes.size()), values[k % 3]});
    bytes += kPlaceholder;
    bytes += " cd\r";
  }
  SKXSedText t;
  t.text->SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, uni.data(),
                  long(uni.size()));
  return t;
}

class RoomRunSED : public QuietRunSED {
 public:
  size_t SideRoom() const {
    size_t n = 0;
    for (const auto& s : mSide) n += s.capacity();
    return n;
  }
};

}  // namespace

// One editor over many styled targets, as the window runs a series: every
// run succeeds and the side records take no more room after the first.
TEST(SedTextRun, StyledTargetsOfASeriesKeepTheirRoom) {
  RoomRunSED sed;
  sed.SetSeriesLimits(100000000, 1L << 30);
  sed.StartSeries();
  size_t room = 0;
  for (int k = 0; k < 100; ++k) {
    SKXSedText in = RichText(3), out;
    ASSERT_TRUE(RunOnce(sed, "s/ab/AB/", in, out)) << "target " << k;
    EXPECT_FALSE(sed.Limited());
    EXPECT_EQ(out.text->GetUniCharsCount(), 3);
    if (k == 1) room = sed.SideRoom();
    if (k > 1) {
      ASSERT_EQ(sed.SideRoom(), room) << "target " << k;
    }
  }
  EXPECT_GT(room, 0u);
}

// Joining a styled text into one line needs room for its units only
// against the byte bound; the line length bound still stops a line that
// keeps growing, and that stop reads as the bound.
TEST(SedTextRun, StyledTextJoinsIntoOneLineWithinTheBounds) {
  constexpr int kLines = 4000;  // 8 units a line
  for (const char* script : {":a\rN\r$!ba\rs/\\n/ /g", "H\r$!d\rx\rs/\\n/ /g"}) {
    QuietRunSED sed;
    // Room for the outputs and the units of the line buffers, not for
    // their side records as well.
    sed.SetSeriesLimits(0, 1L << 20);
    sed.StartSeries();
    SKXSedText in = RichText(kLines), out;
    EXPECT_TRUE(RunOnce(sed, script, in, out)) << script;
    EXPECT_FALSE(sed.Limited()) << script;
    EXPECT_EQ(out.text->GetUniCharsCount(), kLines) << script;
  }
  for (const char* script : {":a\rG\rba", ":a\rH\rx\rG\rba", ":a\rH\rba"}) {
    for (bool rich : {false, true}) {
      QuietRunSED sed;
      sed.SetMaxLine(1L << 16);
      sed.SetSeriesLimits(0, 1L << 30);
      sed.StartSeries();
      SKXSedText in = rich ? RichText(1) : Text("ab cd\r"), out;
      EXPECT_FALSE(RunOnce(sed, script, in, out)) << script;
      EXPECT_TRUE(sed.Limited()) << script << (rich ? " (styled)" : "");
    }
  }
}

// A series that writes each target's output to its file holds none of them
// once written: a plain substitution whose outputs together pass the byte
// bound finishes every target, while a runaway over the same series still
// stops; outputs the series keeps in memory (texts, write files held for
// the batch) still count.
TEST(SedTextRun, OutputsWrittenToFilesLeaveTheSeriesBytes) {
  constexpr int kTargets = 12;
  constexpr long kOutput = 10000;  // bytes of each target and its output
  const long bound = 3 * kSedLineLimit * long(sizeof(SEDunit)) + 4 * kOutput;
  const std::string dir = tooltest::TempDir("kx_sed_textrun_written");
  std::string lines;
  std::string want;
  while (long(lines.size()) < kOutput) {
    lines += "abcd efgh\n";
    want += "ABCD efgh\n";
  }
  std::vector<std::string> targets;
  for (int k = 0; k < kTargets; ++k) {
    targets.push_back(dir + "/t" + std::to_string(k) + ".txt");
    tooltest::WriteBytes(targets.back(), lines);
  }
  auto series = [&](const std::string& script, const std::string& suffix, int& finished) {
    QuietRunSED sed;
    sed.HoldNotes(true);
    sed.SetSeriesLimits(100000000, bound);
    sed.StartSeries();
    CKXSafeBatch batch;
    sed.SetBatch(&batch);
    SKXSedText s = Text(script);
    finished = 0;
    for (const std::string& t : targets) {
      if (!sed.DoStreamEdit({SKXSedStream::Text(&s)}, {SKXSedStream::File(t)}, SKXSedStream::File(t + suffix),
                            false, false))
        break;
      ++finished;
    }
    EXPECT_TRUE(sed.WriteHeldFiles()) << script;
    EXPECT_EQ(batch.Commit(), 0) << script;
    return sed.Limited();
  };
  int finished = 0;
  EXPECT_FALSE(series("s/abcd/ABCD/", ".out", finished));
  EXPECT_EQ(finished, kTargets);
  for (const std::string& t : targets) EXPECT_EQ(tooltest::ReadBytes(t + ".out"), want) << t;
  // Written over the targets themselves, as the overwrite kind does.
  EXPECT_FALSE(series("s/abcd/ABCD/", "", finished));
  EXPECT_EQ(finished, kTargets);
  for (const std::string& t : targets) EXPECT_EQ(tooltest::ReadBytes(t), want) << t;
  // A runaway still ends at the bound, on the first target.
  EXPECT_TRUE(series(":a\rp\rba", ".loop", finished));
  EXPECT_EQ(finished, 0);
  EXPECT_FALSE(std::filesystem::exists(targets[0] + ".loop"));
  // A write file of the script is held in memory until the series ends:
  // one per target, they still add up to the bound.
  std::vector<std::string> writes;
  for (int k = 0; k < kTargets; ++k) writes.push_back("w " + dir + "/w" + std::to_string(k) + ".txt");
  QuietRunSED sed;
  sed.HoldNotes(true);
  sed.SetSeriesLimits(0, bound);
  sed.StartSeries();
  CKXSafeBatch batch;
  sed.SetBatch(&batch);
  bool limited = false;
  for (int k = 0; k < kTargets && !limited; ++k) {
    SKXSedText s = Text(writes[size_t(k)]);
    if (!sed.DoStreamEdit({SKXSedStream::Text(&s)}, {SKXSedStream::File(targets[size_t(k)])},
                          SKXSedStream::File(targets[size_t(k)] + ".w"), true, false))
      limited = sed.Limited();
  }
  EXPECT_TRUE(limited);
  std::filesystem::remove_all(dir);
}
