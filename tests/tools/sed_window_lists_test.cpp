// The stream editor window's lists follow the disk: coming back to the
// window lists both sides' folders and files anew, the selected names kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/text_doc.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"
#include "tools/file_tool.h"
#include "tools/sed_window.h"
#include "views/view_classes.h"

namespace fs = std::filesystem;

namespace {

constexpr PaneIDT kScriptList = 3912, kScriptFolders = 3914, kTargetList = 3932, kTargetFolders = 3934;

std::vector<std::string> Cells(LListBox* list) {
  std::vector<std::string> out;
  for (std::int32_t r = 0; r < list->CountRows(); ++r) out.push_back(list->GetCell(r).substr(1));
  return out;
}

}  // namespace

TEST(StreamEditorWindow, ListsOfBothSidesFollowTheDiskOnActivation) {
  KxHeadlessHost host(false);
  KxSetHost(&host);
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxRegisterToolClasses();
  KxRegisterDocumentToolClasses();
  KxRegisterStreamEditorClasses();
  const std::string d = (fs::temp_directory_path() / ("kx_sedlists_" + std::to_string(getpid()))).string();
  fs::remove_all(d);
  for (const char* sub : {"/s/old", "/s/keep", "/t/gone", "/t/keep"}) fs::create_directories(d + sub);
  std::ofstream(d + "/t/b.txt") << "b";

  CKXTextStreamEditor::ShowStreamEditor(nullptr);
  CKXTextFileTool* tool = CKXTextFileTool::FindByFolderList(kScriptFolders);
  ASSERT_NE(tool, nullptr);
  ASSERT_TRUE(tool->GoToFolder(d + "/s"));
  ASSERT_EQ(CKXTextFileTool::FindByFolderList(kTargetFolders), tool);
  ASSERT_TRUE(tool->GoToFolder(d + "/t"));
  auto* scriptFolders = dynamic_cast<LListBox*>(tool->FindPaneByID(kScriptFolders));
  auto* targetFolders = dynamic_cast<LListBox*>(tool->FindPaneByID(kTargetFolders));
  auto* targets = dynamic_cast<LListBox*>(tool->FindPaneByID(kTargetList));
  ASSERT_TRUE(scriptFolders && targetFolders && targets && tool->FindPaneByID(kScriptList));
  EXPECT_EQ(Cells(targetFolders), (std::vector<std::string>{"  ^", "gone", "keep"}));
  targetFolders->StopBroadcasting();   // selected by the keys: nothing entered
  targetFolders->SetSelectedRows({2});
  targetFolders->StartBroadcasting();
  targets->SetSelectedRows({0});

  // Meanwhile, elsewhere: folders made, removed and renamed on both sides.
  fs::create_directories(d + "/s/new");
  fs::rename(d + "/s/old", d + "/s/zold");
  fs::create_directories(d + "/t/a");
  fs::create_directories(d + "/t/b");
  fs::remove(d + "/t/gone");
  std::ofstream(d + "/t/a.txt") << "a";
  tool->HostActivate(false);
  tool->HostActivate(true);
  EXPECT_EQ(Cells(scriptFolders), (std::vector<std::string>{"  ^", "keep", "new", "zold"}));
  EXPECT_EQ(Cells(targetFolders), (std::vector<std::string>{"  ^", "a", "b", "keep"}));
  EXPECT_EQ(targetFolders->GetSelectedRows(), std::vector<std::int32_t>{3});
  EXPECT_EQ(Cells(targets), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(targets->GetSelectedRows(), std::vector<std::int32_t>{1});
  // Each side still enters its own folders, and stays where it was.
  EXPECT_EQ(tool->GetFolderMenu().back().path, d + "/t");
  ASSERT_EQ(CKXTextFileTool::FindByFolderList(kScriptFolders), tool);
  ASSERT_TRUE(tool->GoToFolder(d + "/s/new"));
  ASSERT_EQ(CKXTextFileTool::FindByFolderList(kTargetFolders), tool);
  EXPECT_EQ(tool->GetFolderMenu().back().path, d + "/t");
  EXPECT_EQ(Cells(targetFolders), (std::vector<std::string>{"  ^", "a", "b", "keep"}));

  CKXTextStreamEditor::CloseStreamEditor();
  KxSetHost(nullptr);
  fs::remove_all(d);
}
