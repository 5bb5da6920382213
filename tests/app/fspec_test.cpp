// File references, their packed lists against a model, the resume run and
// the recent menus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "app/fspec.h"
#include "app/globals.h"
#include "app/recent_menu.h"
#include "platform/framework/menu.h"
#include "platform/textconv.h"

namespace {

namespace fs = std::filesystem;

SKXFSpec Ref(const std::string& path) {
  SKXFSpec s;
  EXPECT_TRUE(UKXFSpec::MakeFromPath(s, path)) << path;
  return s;
}

TEST(FSpec, EntrySizesRoundTheNameDownToEven) {
  for (auto [name, size] : {std::pair{"/abc", 16u}, std::pair{"/abcd", 16u}, std::pair{"/abcde", 18u}}) {
    KxBlock list;
    UKXFSpec::AddFSpec(Ref(name), list, 10);
    EXPECT_EQ(list.size(), size) << name;
  }
  SKXFSpec s;
  EXPECT_FALSE(UKXFSpec::MakeFromPath(s, "relative"));
  EXPECT_FALSE(UKXFSpec::MakeFromPath(s, "/" + std::string(255, 'x')));
  EXPECT_EQ(UKXFSpec::LeafName(Ref("/a/b/c.txt")), "c.txt");
}

TEST(FSpec, MostRecentInsertionAgreesWithAModel) {
  const char* steps = std::getenv("KX_RANDOM_STEPS");
  const int n = steps ? std::atoi(steps) : 2000;
  std::mt19937 rng(36);
  KxBlock list;
  std::vector<std::string> model;
  for (int i = 0; i < n; ++i) {
    const std::string path = "/f" + std::string(rng() % 7, 'x') + std::to_string(rng() % 12);
    const short max = short(1 + rng() % 6);
    const int op = int(rng() % 4);
    if (op < 2) {
      UKXFSpec::SetFSpec(Ref(path), list, max);
      auto it = std::find(model.begin(), model.end(), path);
      if (it != model.end()) {
        model.erase(it);
      } else if (int(model.size()) >= max) {
        model.pop_back();
      }
      model.insert(model.begin(), path);
    } else if (op == 2) {
      const bool added = UKXFSpec::AddFSpec(Ref(path), list, max);
      EXPECT_EQ(added, int(model.size()) < max);
      if (added) model.push_back(path);
    } else {
      const short k = short(rng() % 5);
      EXPECT_EQ(UKXFSpec::DeleteFSpec(k, list), k >= 1 && k <= short(model.size()));
      if (k >= 1 && k <= short(model.size())) model.erase(model.begin() + (k - 1));
    }
    ASSERT_EQ(UKXFSpec::GetCount(list), short(model.size())) << "step " << i;
    for (short k = 1; k <= short(model.size()); ++k) {
      SKXFSpec s;
      ASSERT_TRUE(UKXFSpec::GetFSpec(k, s, list));
      ASSERT_EQ(UKXFSpec::PathOf(s), model[std::size_t(k - 1)]) << "step " << i;
      const auto first = std::find(model.begin(), model.end(), model[std::size_t(k - 1)]);
      ASSERT_EQ(UKXFSpec::Find(s, list), short(first - model.begin() + 1));
    }
  }
}

TEST(FSpec, SortFoldsCaseAndPutsPrefixesFirst) {
  KxBlock list;
  for (const char* p : {"/b", "/A", "/ab", "/a", "/B1"}) UKXFSpec::AddFSpec(Ref(p), list, 10);
  ASSERT_TRUE(UKXFSpec::SortFSpec(list));
  std::vector<std::string> got;
  SKXFSpec s;
  for (short k = 1; UKXFSpec::GetFSpec(k, s, list); ++k) got.push_back(UKXFSpec::PathOf(s));
  EXPECT_EQ(got[2], "/ab");
  EXPECT_EQ(got[3], "/b");
  EXPECT_EQ(got[4], "/B1");
}

TEST(FSpec, DamagedListsReadUpToTheirLastCompleteEntry) {
  KxBlock list;
  UKXFSpec::AddFSpec(Ref("/one"), list, 10);
  UKXFSpec::AddFSpec(Ref("/two"), list, 10);
  for (std::size_t cut = 0; cut <= list.size(); ++cut) {
    KxBlock d(list.begin(), list.begin() + std::ptrdiff_t(cut));
    EXPECT_EQ(UKXFSpec::GetCount(d), cut < 16 ? 0 : cut < 32 ? 1 : 2) << cut;
  }
  KxBlock lying = list;
  lying[16 + 10] = 200;   // the second name claims 200 bytes
  EXPECT_EQ(UKXFSpec::GetCount(lying), 1);
  UKXFSpec::Truncate(lying, 10);
  EXPECT_EQ(lying.size(), 16u);
}

struct Doc : KxResumeDocument {
  std::vector<SKXRectL> bounds;
  void DoSetBounds(const SKXRectL& b) override { bounds.push_back(b); }
};

TEST(Resume, EachDocumentGetsTheBoundsOfItsOwnRecord) {
  const fs::path dir = fs::temp_directory_path() / ("kxresume_" + std::to_string(getpid()));
  fs::create_directories(dir);
  KxBlock list;
  const char* names[] = {"a", "fails", "a", "throws", "b", "missing", ""};
  for (int k = 0; k < 7; ++k) {
    const std::string path = k == 6 ? dir.string() : (dir / names[k]).string();
    if (std::string(names[k]) != "missing" && k != 6) std::ofstream(path) << "x";
    SKXFResume r;
    r.bounds = {k, k, k + 100, k + 100};
    r.fileRef = Ref(path);
    ASSERT_TRUE(UKXFResume::AddFResume(r, list, 100));
  }
  EXPECT_EQ(UKXFResume::GetCount(list), 7);
  struct Opener : KxResumeOpener {
    std::map<std::string, Doc> docs;
    KxResumeDocument* OpenForResume(const std::string& path) override {
      const std::string leaf = fs::path(path).filename().string();
      if (leaf == "fails") return nullptr;
      if (leaf == "throws") throw std::runtime_error("no");
      return &docs[leaf];   // a second open of "a" gives the same window
    }
  } opener;
  EXPECT_EQ(KxDoFileResume(list, opener), 3);
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(opener.docs["a"].bounds.size(), 2u);
  EXPECT_EQ(opener.docs["a"].bounds[1].top, 2);
  ASSERT_EQ(opener.docs["b"].bounds.size(), 1u);
  EXPECT_EQ(opener.docs["b"].bounds[0].top, 4);   // not shifted by the failures before it
  fs::remove_all(dir);
}

class RecentMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    KxSetGlobalDefaults();
    for (std::int16_t id = kKxRecentMenu; id <= kKxRecentMenu + kKxMaxRecentFolders; ++id)
      menus[id] = std::make_unique<LMenu>(id);
    URecentMenu::SetMenuSource([this](std::int16_t id) { return menus.count(id) ? menus[id].get() : nullptr; });
    dir = fs::temp_directory_path() / ("kxrecent_" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    URecentMenu::SetMenuSource(nullptr);
    fs::remove_all(dir);
    KxSetGlobalDefaults();
  }
  std::string File(const std::string& folder, const std::string& name) {
    fs::create_directories(dir / folder);
    const fs::path p = dir / folder / name;
    std::ofstream(p) << "text";
    return p.string();
  }
  std::map<std::int16_t, std::unique_ptr<LMenu>> menus;
  fs::path dir;
};

TEST_F(RecentMenu, FilesAndFoldersFillTheMenuAndTheirSubmenus) {
  URecentMenu::SetRecent(Ref(File("d1", "a.txt")));
  File("d1", "note.bin");
  URecentMenu::SetRecent(Ref(File("d1", "b.txt")));
  EXPECT_EQ(gRecentFileCount, 2);
  EXPECT_EQ(gRecentDirCount, 1);
  LMenu& m = *menus[kKxRecentMenu];
  // b.txt, a.txt, separator, d1, separator, clear.
  ASSERT_EQ(m.CountItems(), 6);
  Str255 t;
  m.GetItemText(1, t);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t + 1), t[0]), "b.txt");
  EXPECT_EQ(m.GetItem(4)->submenuID, kKxRecentSubmenu);
  EXPECT_EQ(m.CommandFromIndex(6), kKxCmdClearRecent);
  EXPECT_EQ(menus[kKxRecentSubmenu]->CountItems(), 1);   // a.txt only: b.txt came later
  SKXFSpec got;
  EXPECT_TRUE(URecentMenu::GetRecent(kKxRecentMenu, 2, got));
  EXPECT_EQ(UKXFSpec::LeafName(got), "a.txt");
  gPrefModify = false;
  SKXFSpec newest;
  ASSERT_TRUE(URecentMenu::GetRecent(kKxRecentMenu, 1, newest));
  URecentMenu::SetRecent(newest);
  EXPECT_FALSE(gPrefModify);   // already first: nothing changes
  URecentMenu::ClearRecent();
  EXPECT_EQ(m.CountItems(), 1);
  EXPECT_EQ(m.CommandFromIndex(1), kKxCmdClearRecent);
}

TEST_F(RecentMenu, JapaneseNamesShowAsMenuText) {
  URecentMenu::SetRecent(Ref(File("日本", "語の名前.txt")));
  Str255 t;
  menus[kKxRecentMenu]->GetItemText(1, t);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t + 1), t[0]), KxUTF8ToScriptText("語の名前.txt"));
  menus[kKxRecentMenu]->GetItemText(3, t);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t + 1), t[0]), KxUTF8ToScriptText("日本"));
  menus[kKxRecentSubmenu]->GetItemText(1, t);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t + 1), t[0]), KxUTF8ToScriptText("語の名前.txt"));
}

TEST_F(RecentMenu, ElevenFoldersNeverReachPastTheTenSubmenus) {
  gFilePref.recentFolders = 40;   // a hostile limit
  gFilePref.recentFiles = 0;      // no files recorded, folders still are
  for (int k = 0; k < 11; ++k) URecentMenu::SetRecent(Ref(File("f" + std::to_string(k), "x.txt")));
  EXPECT_EQ(gRecentFileCount, 0);
  EXPECT_EQ(gRecentDirCount, kKxMaxRecentFolders);
  EXPECT_EQ(menus[kKxRecentMenu]->CountItems(), kKxMaxRecentFolders + 2);
  SKXFSpec first;
  UKXFSpec::GetFSpec(1, first, gRecentDirHandle);
  EXPECT_EQ(UKXFSpec::LeafName(first), "f10");
  for (int k = 0; k < kKxMaxRecentFolders; ++k) EXPECT_EQ(UKXFSpec::GetCount(gRecentSubHandle[std::size_t(k)]), 1);
  // A vanished folder leaves the list when the list is loaded again.
  fs::remove_all(dir / "f10");
  URecentMenu::UpdateRecent();
  EXPECT_EQ(gRecentDirCount, kKxMaxRecentFolders - 1);
}

}  // namespace
