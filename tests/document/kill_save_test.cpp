// A save killed at any moment: a child process saves styled generations of
// one document over and over, the test kills it with SIGKILL at random
// times, and every state left on disk must open whole: the text is exactly
// one generation, and its runs fit that text (or were dropped because the
// sidecar no longer matched it). Both layouts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "document/doc_file.h"

namespace fs = std::filesystem;

namespace {

struct Generation {
  std::string text;
  std::vector<SKXStyl> styls;
};

// Generations differ in length and in where their runs start, so that runs
// of one laid over the text of another show.
std::vector<Generation> MakeGenerations() {
  std::vector<Generation> gens;
  for (int g = 0; g < 5; ++g) {
    Generation gen;
    for (int i = 0; i < 200 + 900 * g; ++i) gen.text += "gen" + std::to_string(g) + " line " + std::to_string(i) + "\r";
    const long len = long(gen.text.size());
    for (int r = 0; r < 4 + g; ++r) {
      SKXStyl s{};
      s.offset = std::int32_t(r == 0 ? 0 : len * r / (4 + g) + g);
      s.styl.font = 1;
      s.styl.size = std::int16_t(10 + r + g);
      s.styl.face = std::uint8_t(r & 1);
      gen.styls.push_back(s);
    }
    gens.push_back(std::move(gen));
  }
  return gens;
}

void Save(const std::string& path, const Generation& gen, EKXLayout layout) {
  SKXDocument doc;
  doc.text->SetText(gen.text.data(), long(gen.text.size()), gen.styls.data(), long(gen.styls.size()), nullptr, 0,
                    nullptr, 0, nullptr, 0);
  doc.creator = FourCC("KXTE");
  doc.settings.window.fontSize = 12;
  doc.settings.window.fontName = "IPAGothic";
  doc.settings.marks = {{0, 4, "top"}};
  std::string message;
  KxWriteDocument(path, doc, layout, message);
}

class KillWhileSaving : public ::testing::TestWithParam<EKXLayout> {};

TEST_P(KillWhileSaving, EveryStateOpensAsOneGeneration) {
  const EKXLayout layout = GetParam();
  const fs::path dir = fs::temp_directory_path() / ("kx_kill_" + std::to_string(getpid()) + "_" +
                                                    std::to_string(int(layout)));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "story.kxt").string();
  const std::vector<Generation> gens = MakeGenerations();
  Save(path, gens[0], layout);

  std::mt19937 rng(4711 + unsigned(layout));
  const long rounds = KxRandomSteps(25);
  int styledSeen = 0;
  for (long round = 0; round < rounds; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (unsigned i = unsigned(round);; ++i) Save(path, gens[i % gens.size()], layout);
    }
    usleep(useconds_t(std::uniform_int_distribution<int>(200, 40000)(rng)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(path, doc, message), 0) << "round " << round << ": " << message;
    EXPECT_EQ(doc.text->Check(), "") << "round " << round;
    std::string text(std::size_t(doc.text->GetLength()), '\0');
    std::vector<SKXStyl> styls(std::size_t(doc.text->GetStylCount()));
    doc.text->GetText(text.data(), long(text.size()), styls.data(), long(styls.size()), nullptr, 0, nullptr, 0,
                      nullptr, 0);
    const Generation* match = nullptr;
    for (const Generation& g : gens)
      if (g.text == text) match = &g;
    ASSERT_NE(match, nullptr) << "round " << round << ": the text is no whole generation (" << text.size()
                              << " bytes)";
    // The runs are that generation's, or none at all (one default run).
    if (styls.size() == match->styls.size()) {
      ++styledSeen;
      for (std::size_t i = 0; i < styls.size(); ++i) {
        EXPECT_EQ(styls[i].offset, match->styls[i].offset) << "round " << round;
        EXPECT_EQ(styls[i].styl.size, match->styls[i].styl.size) << "round " << round;
      }
    } else {
      EXPECT_EQ(styls.size(), 1u) << "round " << round << ": runs of another generation";
    }
  }
  // Most kills land between saves or inside one: the styles must survive in
  // the ordinary case, or the check above proves nothing.
  EXPECT_GT(styledSeen, 0);

  // Temporaries of killed saves stay hidden until they are ten minutes old
  // (another save may still be writing one); then the next save sweeps them.
  for (const auto& e : fs::directory_iterator(dir))
    fs::last_write_time(e.path(), fs::last_write_time(e.path()) - std::chrono::minutes(11));
  Save(path, gens[1], layout);
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "story.kxt" || name == "._story.kxt") << "left behind: " << name;
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Layouts, KillWhileSaving, ::testing::Values(EKXLayout::kClassic, EKXLayout::kContainer));

}  // namespace
