// The stream editor window's rules: what each choice enables, the command
// of the find and replace fields, snippets, how a run is split over its
// targets, the settings record, lists reselected by name, and the names
// outputs take; the batch that writes many outputs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/files.h"
#include "tools/sed_history.h"
#include "tools/sed_text.h"
#include "tools/sed_window_model.h"

namespace fs = std::filesystem;

TEST(StreamEditorWindow, EnablingFollowsSourceTargetAndOutput) {
  // Source: fields, box, files, windows.
  for (short s = 0; s < 4; ++s) {
    EXPECT_EQ(KxSEDPaneEnabled(3916, s, 0, 0), s == 0) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3920, s, 0, 0), s == 0) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3924, s, 0, 0), s == 1) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3923, s, 0, 0), s == 1) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3925, s, 0, 0), s == 1) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3927, s, 0, 0), s <= 1) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3912, s, 0, 0), s >= 2) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3914, s, 0, 0), s == 2) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3928, s, 0, 0), s == 2) << s;
    EXPECT_EQ(KxSEDPaneEnabled(3929, s, 0, 0), s == 3) << s;
  }
  // Target: files, windows, clipboard.
  for (short t = 0; t < 3; ++t) {
    EXPECT_EQ(KxSEDPaneEnabled(3932, 0, t, 0), t <= 1) << t;
    EXPECT_EQ(KxSEDPaneEnabled(3934, 0, t, 0), t == 0) << t;
    EXPECT_EQ(KxSEDPaneEnabled(3936, 0, t, 0), t == 2) << t;
    EXPECT_EQ(KxSEDPaneEnabled(3937, 0, t, 0), t == 1) << t;
    EXPECT_EQ(KxSEDPaneEnabled(3941, 0, t, 0), t != 2) << t;
  }
  // Output: title for a new document, suffix for copies; the clipboard as
  // target forces the clipboard output whatever was chosen.
  for (short o = 0; o < 4; ++o) {
    EXPECT_EQ(KxSEDPaneEnabled(3942, 0, 0, o), o == 0) << o;
    EXPECT_EQ(KxSEDPaneEnabled(3944, 0, 0, o), o == 1) << o;
    EXPECT_FALSE(KxSEDPaneEnabled(3942, 0, 2, o)) << o;
    EXPECT_EQ(KxSEDEffectiveOutput(2, o), kKxSEDClipboard);
    EXPECT_EQ(KxSEDEffectiveOutput(0, o), o);
  }
  EXPECT_TRUE(KxSEDPaneEnabled(3901, 3, 2, 3));   // the run button always
}

TEST(StreamEditorWindow, ChangedLinesOnlyNeverEmptiesOverwrittenTargets) {
  // The option (which sets no-print for every source) is off and disabled
  // while the output overwrites: a script without "p" would empty every file.
  EXPECT_FALSE(KxSEDPaneEnabled(3945, 0, 0, kKxSEDOverwrite));
  EXPECT_FALSE(KxSEDChangedOnly(true, kKxSEDOverwrite));
  for (short o : {kKxSEDNewDocument, kKxSEDCopy, kKxSEDClipboard}) {
    EXPECT_TRUE(KxSEDPaneEnabled(3945, 1, 0, o));
    EXPECT_TRUE(KxSEDChangedOnly(true, o));
    EXPECT_FALSE(KxSEDChangedOnly(false, o));
  }
}

TEST(StreamEditorWindow, FieldCommandAndSnippets) {
  EXPECT_EQ(KxSEDFieldCommand("a/b", "c", false), std::string("s\x01" "a/b\x01" "c\x01g"));
  EXPECT_EQ(KxSEDFieldCommand("a", "", true), std::string("s\x01" "a\x01\x01gp"));
  // A line end in a field (the history's line-end item puts a CR there)
  // is the escape for one: the command stays one line. CR LF is one end.
  EXPECT_EQ(KxSEDFieldCommand("\x82\x42\r", "\x82\x42\r\n\n", false),
            std::string("s\x01\x82\x42\\n\x01\x82\x42\\n\\n\x01g"));
  EXPECT_EQ(KxSEDSnippetText("replace  s/A/B/g"), "s/A/B/g");
  EXPECT_EQ(KxSEDSnippetText("a  b  c d"), "c d");
  EXPECT_EQ(KxSEDSnippetText("\\d"), "\\d");
  EXPECT_EQ(KxSEDSnippetText("x  "), "");
  for (const char* r : {"&", "\\1", "\\9"}) EXPECT_TRUE(KxSEDSnippetForReplace(r)) << r;
  for (const char* f : {"\\0", "\\d", "&&", "\\10", "."}) EXPECT_FALSE(KxSEDSnippetForReplace(f)) << f;
  // Placeholders the fields made of characters outside Shift_JIS, by
  // whole characters: the trail byte 0xA0 of a kana is none.
  for (const char* p : {"caf\x81\xFC", "\xA0", "x\xA0y"}) EXPECT_TRUE(KxSEDFieldHasPlaceholder(p)) << p;
  for (const char* p : {"s/a/b/", "\x82\xA0", "\x81\xFB\xFC", "\\x81FC"}) EXPECT_FALSE(KxSEDFieldHasPlaceholder(p)) << p;
}

TEST(StreamEditorWindow, PerTargetRunsOnlyForCopiesAndOverwrite) {
  EXPECT_FALSE(KxSEDRunsPerTarget(1, kKxSEDCopy));
  EXPECT_TRUE(KxSEDRunsPerTarget(2, kKxSEDCopy));
  EXPECT_TRUE(KxSEDRunsPerTarget(3, kKxSEDOverwrite));
  EXPECT_FALSE(KxSEDRunsPerTarget(3, kKxSEDNewDocument));
  EXPECT_FALSE(KxSEDRunsPerTarget(3, kKxSEDClipboard));
}

TEST(StreamEditorWindow, SettingsRecordRoundTripAndClamps) {
  std::array<std::uint8_t, 256> r{};
  r.fill(0xEE);
  SKXSEDSettings s;
  s.bounds = Rect{10, 20, 300, 400};
  s.source = 3;
  s.target = 1;
  s.output = 2;
  s.selectionOnly = true;
  s.pattern = 2;
  s.title = std::string(70, 'T');                       // cut to 63
  s.suffix = "_" + std::string(95, '\x82') + "\xA0";    // Shift_JIS pairs, cut between them
  KxSEDWriteSettings(s, r.data());
  EXPECT_EQ(r[200], 0xEE);   // the handles and reserved bytes stay
  const SKXSEDSettings back = KxSEDReadSettings(r.data());
  EXPECT_EQ(back.bounds.bottom, 300);
  EXPECT_EQ(back.source, 3);
  EXPECT_EQ(back.target, 1);
  EXPECT_EQ(back.output, 2);
  EXPECT_TRUE(back.selectionOnly);
  EXPECT_FALSE(back.changedOnly);
  EXPECT_EQ(back.title, std::string(63, 'T'));
  EXPECT_EQ(back.suffix.size() % 2, 1u);   // "_" and whole pairs
  EXPECT_LE(back.suffix.size(), 95u);
  // Kinds out of range from a damaged file are read as 0; length bytes
  // that run past their fields are held to them.
  r[8] = 0x7F;
  r[10] = 0xFF;
  r[13] = 9;
  r[32] = 0xFF;
  r[96] = 0xFF;
  const SKXSEDSettings bad = KxSEDReadSettings(r.data());
  EXPECT_EQ(bad.source, 0);
  EXPECT_EQ(bad.target, 0);
  EXPECT_EQ(bad.output, 0);
  EXPECT_EQ(bad.title.size(), 63u);
  EXPECT_EQ(bad.suffix.size(), 95u);
}

TEST(StreamEditorWindow, ListsReselectByNameInLinearTime) {
  bool same = false;
  const std::vector<std::string> old{"a", "b", "c", "d"};
  EXPECT_EQ(KxSEDReselect(old, {1, 3}, old, same), (std::vector<std::int32_t>{1, 3}));
  EXPECT_TRUE(same);
  EXPECT_EQ(KxSEDReselect(old, {1, 3, 99, -1}, {"0", "b", "c", "x", "d"}, same), (std::vector<std::int32_t>{1, 4}));
  EXPECT_FALSE(same);
  EXPECT_TRUE(KxSEDReselect(old, {}, {"a"}, same).empty());
  // 10,000 names, every other one selected, the list rebuilt reversed.
  std::vector<std::string> many, reversed;
  std::vector<std::int32_t> chosen;
  for (int i = 0; i < 10000; ++i) many.push_back("f" + std::to_string(i) + ".txt");
  for (int i = 0; i < 10000; i += 2) chosen.push_back(i);
  reversed.assign(many.rbegin(), many.rend());
  const std::vector<std::int32_t> rows = KxSEDReselect(many, chosen, reversed, same);
  ASSERT_EQ(rows.size(), 5000u);
  for (std::int32_t row : rows) EXPECT_EQ(std::stoi(reversed[std::size_t(row)].substr(1)) % 2, 0);
}

TEST(StreamEditorWindow, OutputNamesStayInTheFolderAndNeverHitAnotherFile) {
  std::string why;
  const std::set<std::string> targets{"a.txt", "a.New.txt", "b"};
  std::set<std::string> written;
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "b", "", "", {"b"}, written, why), "b.New");   // no "."
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, ".rc", "", "_x", {".rc"}, written, why), ".rc_x");
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "日本.テキスト", "", "_新", {}, written, why), "日本_新.テキスト");
  EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "a.txt", "", "", {"a.txt"}, written, why), "Newa.txt");
  EXPECT_EQ(KxSEDOutputName(kKxSEDOverwrite, "a.txt", "", "", targets, written, why), "a.txt");
  // The copy of a.txt would be another target of the run; a title that is
  // a target; names leaving the folder; a name already written.
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "a.txt", "", "", targets, written, why), "");
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "a.txt", "b", "", targets, written, why), "");
  for (const char* bad : {"../x", "a/b", "..", "."})
    EXPECT_EQ(KxSEDOutputName(kKxSEDNewDocument, "a.txt", bad, "", {}, written, why), "") << bad;
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "c.txt", "", "/..", {}, written, why), "");
  written.insert("c.New.txt");
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, "c.txt", "", "", {}, written, why), "");
  // Long names are refused whole, never cut.
  EXPECT_EQ(KxSEDOutputName(kKxSEDCopy, std::string(250, 'n') + ".txt", "", "_suffix", {}, {}, why), "");
}

namespace {
std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(StreamEditorWindow, RunsOverManyFilesJoinOneBatch) {
  const std::string d = (fs::temp_directory_path() / ("kx_sedbatch_" + std::to_string(getpid()))).string();
  fs::remove_all(d);
  fs::create_directories(d);
  // More files than a process may hold open at once.
  const int count = 1100;
  for (int i = 0; i < count; ++i) std::ofstream(d + "/f" + std::to_string(i) + ".txt") << "abc\r\nx" << i << "\r\n";
  SKXSedText script;
  const std::string s = "s/b/B/g";
  script.text->SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  const long before = kx_filetest::BatchSyncs();
  {
    CKXSafeBatch batch;
    CKXTextRunSED sed;
    sed.SetBatch(&batch);
    for (int i = 0; i < count; ++i) {
      const std::string path = d + "/f" + std::to_string(i) + ".txt";
      ASSERT_TRUE(sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(path)},
                                   SKXSedStream::File(path), false, false));
    }
    EXPECT_EQ(Read(d + "/f7.txt"), "abc\r\nx7\r\n");   // nothing replaced before the commit
    EXPECT_EQ(batch.Commit(), 0);
  }
  EXPECT_EQ(kx_filetest::BatchSyncs() - before, 2);   // one file system, one folder
  for (int i : {0, 7, count - 1}) EXPECT_EQ(Read(d + "/f" + std::to_string(i) + ".txt"), "aBc\r\nx" + std::to_string(i) + "\r\n");
  // Two versions of one file in a batch are refused.
  {
    CKXSafeBatch batch;
    EXPECT_EQ(batch.Add(d + "/f1.txt", "1", 1), 0);
    EXPECT_EQ(batch.Add(d + "/f1.txt", "2", 1), EEXIST);
    EXPECT_EQ(batch.Commit(), 0);
  }
  EXPECT_EQ(Read(d + "/f1.txt"), "1");
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(d)) entries += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, std::size_t(count));   // no temporary file stays
  fs::remove_all(d);
}
