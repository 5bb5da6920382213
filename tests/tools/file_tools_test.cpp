// The file tools: what a folder lists and in which order, the navigator's
// keys, the stored folder path, the information dialog's changes on disk
// and the preview's data.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/appledouble.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"
#include "tools/file_browse.h"
#include "tools/file_search.h"
#include "tools/file_info.h"
#include "tools/file_text.h"
#include "views/view_classes.h"

namespace fs = std::filesystem;

namespace {

std::string TempDir(const std::string& name) {
  const std::string dir = (fs::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Typed(const std::string& path, OSType type, OSType creator = 0) {
  ASSERT_EQ(KxSetFileTypeCreator(path, type, creator), 0);
}

std::vector<std::string> Names(const KxFileEntries& list) {
  std::vector<std::string> out;
  for (const SKXFileEntry& e : list)
    out.push_back((e.IsParent() ? "parent:" : "") + e.name + (e.kind == kKxKindFolder ? "/" : ""));
  return out;
}

// 83 kanji and "ab.txt": a name of exactly 255 bytes.
std::string LongName() {
  std::string n;
  for (int i = 0; i < 83; ++i) n += "\xE6\xBC\xA2";
  return n + "ab.txt";
}

}  // namespace

TEST(FileList, ListsWhatCanBeOpenedInNameOrder) {
  const std::string d = TempDir("kx_file_list");
  for (const char* f : {"a.txt", "A.txt", "b.RTF", ".hidden.txt", "note", "pic.jpg", "x.bin"}) Write(d + "/" + f, "x");
  Write(d + "/" + LongName(), "x");
  Typed(d + "/a.txt", FourCC("ttro"));   // read-only text through its sidecar
  Typed(d + "/note", FourCC("TEXT"));
  for (const char* f : {"  ^", "sub", "Zdir", ".git", "hidden"}) fs::create_directory(d + "/" + f);
  Typed(d + "/hidden", FourCC("fold"));
  {
    // The folder's Finder flags say invisible.
    KxAppleDouble side;
    ASSERT_EQ(KxReadSidecar(d + "/hidden", side), 0);
    std::vector<std::uint8_t> info = side.Find(KxAppleDouble::kFinderInfoID)->data;
    info[8] = 0x40;
    side.Set(KxAppleDouble::kFinderInfoID, info);
    ASSERT_EQ(KxWriteSidecar(d + "/hidden", side), 0);
  }
  ASSERT_EQ(mkfifo((d + "/fifo.txt").c_str(), 0600), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = d + "/sock.txt";
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  fs::create_symlink("loop", d + "/loop");
  fs::create_symlink("a.txt", d + "/link.txt");
  fs::create_symlink("sub", d + "/sublink");

  const SKXFileEntry folder = KxFolderEntry(d);
  // Folders: the parent entry by its flag, a real "  ^" beside it.
  EXPECT_EQ(Names(KxCreateFileList(folder, true, kKxListFolders)),
            (std::vector<std::string>{"parent:  ^/", "  ^/", "sub/", "sublink/", "Zdir/"}));
  EXPECT_EQ(Names(KxCreateFileList(folder, true, kKxListFoldersOnly)),
            (std::vector<std::string>{"  ^/", "sub/", "sublink/", "Zdir/"}));
  // Text: "ttro" too, RTF as text, links as their files, the 255-byte name
  // whole; no pipe, socket, loop or dot name.
  const KxFileEntries text = KxCreateFileList(folder, false, kKxTypeText);
  EXPECT_EQ(Names(text), (std::vector<std::string>{"A.txt", "a.txt", "b.RTF", "link.txt", "note", LongName()}));
  EXPECT_EQ(text[1].kind, FourCC("ttro"));
  EXPECT_EQ(text[2].kind, kKxTypeText);
  EXPECT_EQ(text[5].path, d + "/" + LongName());
  EXPECT_EQ(Names(KxCreateFileList(folder, false, FourCC("JPEG"))), (std::vector<std::string>{"pic.jpg"}));
  // All types: a name that implies none is still not listed.
  EXPECT_EQ(KxCreateFileList(folder, false, kKxTypeAll).size(), 7u);
  // A suffix leaves out folders that do not end with it as well.
  EXPECT_EQ(Names(KxCreateFileList(folder, true, kKxTypeText, ".TXT")),
            (std::vector<std::string>{"A.txt", "a.txt", "link.txt", LongName()}));
  close(sock);
  fs::remove_all(d);
}

TEST(FileList, FolderThatCannotBeReadHoldsOnlyTheParent) {
  const std::string d = TempDir("kx_file_list_gone");
  const SKXFileEntry gone = KxFolderEntry(d + "/gone");
  EXPECT_EQ(Names(KxCreateFileList(gone, true, kKxListFolders)), (std::vector<std::string>{"parent:  ^/"}));
  EXPECT_TRUE(KxCreateFileList(gone, false, kKxTypeText).empty());
  if (geteuid() != 0) {
    fs::create_directory(d + "/shut");
    Write(d + "/shut/a.txt", "x");
    chmod((d + "/shut").c_str(), 0);
    EXPECT_EQ(Names(KxCreateFileList(KxFolderEntry(d + "/shut"), true, kKxListFolders)),
              (std::vector<std::string>{"parent:  ^/"}));
    chmod((d + "/shut").c_str(), 0700);
  }
  fs::remove_all(d);
}

TEST(FileList, StoredPathKeepsWhatFitsAndRefusesWhatDoesNotNest) {
  std::string deep = "/t";
  KxFileEntries path{KxTopEntry(), KxFolderEntry("/", kKxKindVolume), KxFolderEntry("/t")};
  while (deep.size() < 300) {
    deep += "/" + std::string(40, 'd');
    path.push_back(KxFolderEntry(deep));
  }
  const KxFileEntries back = KxUnpackFolderPath(KxPackFolderPath(path));
  ASSERT_GE(back.size(), 3u);
  EXPECT_LE(back.back().path.size(), 255u);
  EXPECT_GT(back.back().path.size() + 41, 255u);   // the deepest that fits
  for (std::size_t i = 0; i < back.size(); ++i) EXPECT_EQ(back[i].path, path[i].path);
  // A folder that is not inside the one before ends the path there.
  KxFileEntries odd{KxTopEntry(), KxFolderEntry("/", kKxKindVolume), KxFolderEntry("/a"), KxFolderEntry("/b/c")};
  EXPECT_EQ(KxUnpackFolderPath(KxPackFolderPath(odd)).size(), 3u);
  // A block that does not start at the top is no path.
  KxFileEntries headless(odd.begin() + 1, odd.end());
  EXPECT_TRUE(KxUnpackFolderPath(KxPackFolderPath(headless)).empty());
}

// A remembered frame is fitted into the window's standard bounds before it
// is used: one left off the screen (another screen's, or the palette's
// strip) comes back onto it.
TEST(FileTool, RememberedFramesAreFittedToTheScreen) {
  KxHeadlessHost host(false);
  KxSetHost(&host);
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxRegisterToolClasses();
  const Rect screen = host.GetScreenBounds();
  const Rect away{-400, 3000, -100, 3500};
  SKXFileBrowsePref pref = KxGetFileBrowsePref();
  pref.bounds = away;
  KxSetFileBrowsePref(pref);
  std::uint8_t* h = gFileSearch.head.data();
  for (const std::int16_t v : {away.top, away.left, away.bottom, away.right}) {
    KxPutU16BE(h, std::uint16_t(v));
    h += 2;
  }
  CKXTextFileBrowse::ShowFileBrowse(nullptr);
  CKXTextFileSearch::ShowFileSearch(nullptr);
  int windows = 0;
  for (const KxWindowID id : host.WindowList()) {
    auto* w = dynamic_cast<LWindow*>(host.GetWindowClient(id));
    if (!w) continue;
    ++windows;
    const Rect r = w->GetGlobalBounds();
    EXPECT_GE(r.top, screen.top);
    EXPECT_GE(r.left, screen.left);
    EXPECT_LE(r.bottom, screen.bottom);
    EXPECT_LE(r.right, screen.right);
  }
  EXPECT_EQ(windows, 2);
  CKXTextFileBrowse::CloseFileBrowse();
  CKXTextFileSearch::CloseFileSearch();
}

// Ctrl+Up and Ctrl+Down in the navigator's list, from each selection.
TEST(FileTool, NavigatorKeys) {
  KxHeadlessHost host(false);
  KxSetHost(&host);
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxRegisterToolClasses();
  const std::string d = TempDir("kx_file_nav");
  fs::create_directories(d + "/one/deeper");
  fs::create_directory(d + "/two");
  auto* tool = dynamic_cast<CKXTextFileTool*>(LWindow::CreateWindow(kKxFileBrowseLayout, nullptr));
  ASSERT_NE(tool, nullptr);
  ASSERT_TRUE(tool->GoToFolder(d));
  auto* list = dynamic_cast<KXFileListBox*>(tool->FindPaneByID(kKxBrowseFolderList));
  ASSERT_NE(list, nullptr);
  const std::size_t depth = tool->GetFolderMenu().size();
  struct Row {
    std::int32_t selected;
    std::uint8_t key;
    bool command;
    std::int32_t selectedAfter;   // when the folder stays
    int depthChange;
  };
  const Row table[] = {
      {-1, kKxKeyDown, false, 0, 0},  {-1, kKxKeyDown, true, 0, 0},  {0, kKxKeyUp, false, -1, 0},
      {1, kKxKeyUp, false, 0, 0},     {0, kKxKeyDown, false, 1, 0},  {1, kKxKeyDown, true, -1, +1},
      {0, kKxKeyDown, true, -1, -1},  {2, kKxKeyUp, true, -1, -1},
  };
  for (const Row& r : table) {
    ASSERT_TRUE(tool->GoToFolder(d));
    list->StopBroadcasting();
    list->SetValue(r.selected);
    list->StartBroadcasting();
    EventRecord e;
    e.what = keyDown;
    e.message = std::uint32_t(r.key) << 8;
    e.modifiers = r.command ? kKxEventCommandKey : 0;
    list->HandleKeyPress(e);
    const int change = int(tool->GetFolderMenu().size()) - int(depth);
    EXPECT_EQ(change, r.depthChange) << r.selected << " " << int(r.key) << " " << r.command;
    if (r.depthChange == 0) {
      EXPECT_EQ(list->GetValue(), r.selectedAfter) << r.selected << " " << int(r.key);
    }
  }
  // At the top, Ctrl+Up does nothing and no parent entry shows.
  tool->ChangeFolderMenu(1);
  for (const SKXFileEntry& e : tool->GetFolderList()) EXPECT_FALSE(e.IsParent());
  EventRecord up;
  up.what = keyDown;
  up.message = std::uint32_t(kKxKeyUp) << 8;
  up.modifiers = kKxEventCommandKey;
  list->HandleKeyPress(up);
  EXPECT_EQ(tool->GetFolderMenu().size(), 1u);
  EXPECT_FALSE(tool->GoToFolder(d + "/missing"));
  tool->DoClose();
  KxSetHost(nullptr);
  fs::remove_all(d);
}

TEST(FileInfo, ChangesOnDisk) {
  const std::string d = TempDir("kx_file_info");
  Write(d + "/a.txt", "A");
  Write(d + "/b.txt", "B");
  Typed(d + "/a.txt", FourCC("TEXT"), FourCC("KXTE"));
  Typed(d + "/b.txt", FourCC("TEXT"), FourCC("ttxt"));
  const std::string sideB = Read(KxSidecarPath(d + "/b.txt"));
  // Renaming onto an existing name replaces nothing.
  SKXInfoEdit edit;
  edit.name = "b.txt";
  SKXInfoResult r = KxApplyFileInfo(d + "/a.txt", KxReadFinderInfo(d + "/a.txt"), false, edit);
  EXPECT_TRUE(r.failed);
  EXPECT_FALSE(r.changed);
  EXPECT_EQ(Read(d + "/a.txt"), "A");
  EXPECT_EQ(Read(d + "/b.txt"), "B");
  EXPECT_EQ(Read(KxSidecarPath(d + "/b.txt")), sideB);
  EXPECT_EQ(KxReadFinderInfo(d + "/a.txt").creator, FourCC("KXTE"));
  for (const std::string& bad : std::vector<std::string>{"", ".", "..", "x/y", std::string("x\0y", 3)}) EXPECT_FALSE(KxValidFileName(bad));
  // Type, creator and flags round-trip through the sidecar; the kept
  // flags stay; a rename takes the sidecar along.
  SKXFinderInfo before = KxReadFinderInfo(d + "/a.txt");
  before.flags = 0x0001;
  ASSERT_EQ(KxWriteFinderInfo(d + "/a.txt", before), 0);
  edit = SKXInfoEdit{};
  edit.type = "ttro";
  edit.creator = "abc";   // not four bytes: kept
  edit.boxes = 0x4000 | 0x0100;
  edit.name = "c.txt";
  r = KxApplyFileInfo(d + "/a.txt", before, false, edit);
  EXPECT_TRUE(r.changed);
  EXPECT_FALSE(r.failed);
  EXPECT_FALSE(fs::exists(KxSidecarPath(d + "/a.txt")));
  const SKXFinderInfo after = KxReadFinderInfo(d + "/c.txt");
  EXPECT_EQ(after.type, FourCC("ttro"));
  EXPECT_EQ(after.creator, FourCC("KXTE"));
  EXPECT_EQ(after.flags, 0x4101);
  // Locking clears every write bit; a rename that fails after an unlock
  // locks again.
  edit = SKXInfoEdit{};
  edit.type = "ttro";
  edit.boxes = 0x4100;
  edit.locked = true;
  r = KxApplyFileInfo(d + "/c.txt", after, false, edit);
  KxFileFacts facts;
  ASSERT_EQ(KxGetFileFacts(d + "/c.txt", facts), 0);
  EXPECT_TRUE(facts.locked);
  EXPECT_EQ(facts.mode & 0222, 0u);
  edit.locked = false;
  edit.name = "b.txt";
  r = KxApplyFileInfo(d + "/c.txt", after, true, edit);
  EXPECT_TRUE(r.failed);
  ASSERT_EQ(KxGetFileFacts(d + "/c.txt", facts), 0);
  EXPECT_TRUE(facts.locked);
  // Unlocking and renaming in one visit leaves the file unlocked.
  edit.name = "d.txt";
  r = KxApplyFileInfo(d + "/c.txt", after, true, edit);
  EXPECT_TRUE(r.changed && !r.failed);
  ASSERT_EQ(KxGetFileFacts(d + "/d.txt", facts), 0);
  EXPECT_FALSE(facts.locked);
  fs::remove_all(d);
}

// Cuts and boundaries of Shift_JIS text: never inside a double-byte
// character, and a walk that stays linear on a long text (the search's open
// selects a match deep in a file through it).
TEST(FileText, SJISCutsAndBoundaries) {
  const std::string mixed = "a\x93\xFA\x96\x7B" "b\x82\xA0";  // a 日 本 b あ
  EXPECT_EQ(KxSJISCut(mixed, 100), mixed.size());
  EXPECT_EQ(KxSJISCut(mixed, 2), 1u);
  EXPECT_EQ(KxSJISCut(mixed, 3), 3u);
  EXPECT_EQ(KxSJISCut(mixed, 6), 6u);
  EXPECT_EQ(KxSJISBoundary(mixed, 0, 0), 0u);
  EXPECT_EQ(KxSJISBoundary(mixed, 0, 2), 3u);  // inside 日: on to its end
  EXPECT_EQ(KxSJISBoundary(mixed, 0, 3), 3u);
  EXPECT_EQ(KxSJISBoundary(mixed, 3, 4), 5u);
  EXPECT_EQ(KxSJISBoundary(mixed, 0, 99), mixed.size());
  // A lone lead byte at the end is one character.
  EXPECT_EQ(KxSJISBoundary("ab\x93", 0, 3), 3u);
  EXPECT_EQ(KxSJISCut("ab\x93", 2), 2u);
  // A trail byte that looks like a lead byte (0x93 0x93) is not one.
  std::string longText;
  while (longText.size() < (std::size_t(8) << 20)) longText += "\x93\x93";
  longText += "x";
  EXPECT_EQ(KxSJISBoundary(longText, 0, longText.size() - 2), longText.size() - 1);
  EXPECT_EQ(KxSJISBoundary(longText, 0, longText.size() - 4), longText.size() - 3);
}

TEST(FilePreview, DataOfEachKind) {
  const std::string d = TempDir("kx_file_preview");
  OSType type = 0;
  std::vector<std::uint8_t> data;
  // The same text in UTF-8 and EUC-JP previews the same.
  Write(d + "/u.txt", "\xE6\x97\xA5\xE6\x9C\xAC\r\nabc\n");
  Write(d + "/e.txt", "\xC6\xFC\xCB\xDC\r\nabc\n");
  KxLoadPreview(d + "/u.txt", "u.txt", kKxTypeText, type, data);
  const std::vector<std::uint8_t> utf8 = data;
  KxLoadPreview(d + "/e.txt", "e.txt", kKxTypeText, type, data);
  EXPECT_EQ(data, utf8);
  EXPECT_EQ(std::string(data.begin(), data.end()), "\x93\xFA\x96\x7B\rabc\r");
  // A long text is cut before a double-byte character that would not fit.
  std::string sjis = "a";
  while (sjis.size() < 40000) sjis += "\x93\xFA";
  Write(d + "/long.txt", sjis);
  KxLoadPreview(d + "/long.txt", "long.txt", kKxTypeText, type, data);
  EXPECT_EQ(data.size(), 32767u);
  Write(d + "/long2.txt", sjis.substr(1));
  KxLoadPreview(d + "/long2.txt", "long2.txt", kKxTypeText, type, data);
  EXPECT_EQ(data.size(), 32766u);
  // A UTF-8 text longer than what a preview reads, cut there inside a
  // character, still previews as UTF-8.
  std::string big;
  while (big.size() < 150000) big += "\xE3\x81\x82";   // あ
  Write(d + "/big-u.txt", big);
  KxLoadPreview(d + "/big-u.txt", "big-u.txt", kKxTypeText, type, data);
  std::string a;
  while (a.size() < 32766) a += "\x82\xA0";
  EXPECT_EQ(std::string(data.begin(), data.end()), a);
  // RTF (the capital ending too) previews its whole plain text.
  std::string rtf = "{\\rtf1 ";
  while (rtf.size() < 40000) rtf += "abcdefgh ";
  Write(d + "/r.RTF", rtf + "}");
  KxLoadPreview(d + "/r.RTF", "r.RTF", kKxTypeText, type, data);
  EXPECT_EQ(type, kKxTypeText);
  EXPECT_GT(data.size(), 32767u);
  // A picture file too short for its header and frame shows nothing.
  Write(d + "/p.pct", std::string(100, '\x01'));
  KxLoadPreview(d + "/p.pct", "p.pct", FourCC("PICT"), type, data);
  EXPECT_EQ(type, 0u);
  EXPECT_TRUE(data.empty());
  Write(d + "/q.pct", std::string(520, '\0'));
  KxLoadPreview(d + "/q.pct", "q.pct", FourCC("PICT"), type, data);
  EXPECT_EQ(type, 0u);
  // A pipe in place of a file is no text and does not hang.
  ASSERT_EQ(mkfifo((d + "/fifo.txt").c_str(), 0600), 0);
  KxLoadPreview(d + "/fifo.txt", "fifo.txt", kKxTypeText, type, data);
  EXPECT_EQ(type, 0u);
  fs::remove_all(d);
}

// Names as the lists show them: never empty or cut short, whatever bytes
// they have; the entry keeps the name and path the file system has.
TEST(FileList, NamesShowReadably) {
  const std::string d = TempDir("kx_file_names");
  const std::string bad = "x\xFF\xFEy.txt", cafe = "caf\xC3\xA9.txt", nfd = "\xE3\x81\x8B\xE3\x82\x99.txt",
                    wave = "\xE3\x80\x9C.txt";   // か and a combining mark; U+301C
  for (const std::string& n : {bad, cafe, nfd, wave}) Write(d + "/" + n, "t");
  const KxFileEntries list = KxCreateFileList(KxFolderEntry(d), false, kKxTypeText);
  ASSERT_EQ(list.size(), 4u);
  std::vector<std::string> shown, paths;
  for (const SKXFileEntry& e : list) {
    shown.push_back(KxDisplayName(e));
    paths.push_back(e.path.substr(d.size() + 1));
  }
  EXPECT_EQ(paths, (std::vector<std::string>{cafe, bad, wave, nfd}));
  EXPECT_EQ(shown, (std::vector<std::string>{"caf\x81\xAC.txt", "x\x81\xAC\x81\xACy.txt", "\x81\x60.txt",
                                             "\x82\xAA.txt"}));   // が, composed
  EXPECT_EQ(KxEntryCell(list[1]), "\x05" "x\x81\xAC\x81\xACy.txt");
  fs::remove_all(d);
}

// Coming back to the browser lists the folder anew, and so does choosing
// the current folder in the path pop-up; the selected file stays selected.
TEST(FileTool, BrowserListsAnewWhenAskedAgain) {
  KxHeadlessHost host(false);
  KxSetHost(&host);
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxRegisterToolClasses();
  const std::string d = TempDir("kx_file_relist");
  Write(d + "/b.txt", "b");
  Write(d + "/d.txt", "d");
  CKXTextFileBrowse::ShowFileBrowse(nullptr);
  CKXTextFileBrowse* browse = CKXTextFileBrowse::Get();
  ASSERT_NE(browse, nullptr);
  ASSERT_TRUE(browse->GoToFolder(d));
  auto* list = dynamic_cast<LListBox*>(browse->FindPaneByID(kKxBrowseFileList));
  ASSERT_NE(list, nullptr);
  list->SetValue(1);   // d.txt
  auto cells = [&] {
    std::vector<std::string> out;
    for (std::int32_t r = 0; r < list->CountRows(); ++r) out.push_back(list->GetCell(r).substr(1));
    return out;
  };
  Write(d + "/a.txt", "a");
  fs::remove(d + "/b.txt");
  browse->HostActivate(false);
  browse->HostActivate(true);
  EXPECT_EQ(cells(), (std::vector<std::string>{"a.txt", "d.txt"}));
  EXPECT_EQ(list->GetSelectedRows(), std::vector<std::int32_t>{1});
  Write(d + "/c.txt", "c");
  browse->ListenToMessage(kKxBrowseFolderPopup, nullptr);   // the current folder, item 1
  EXPECT_EQ(cells(), (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
  EXPECT_EQ(list->GetSelectedRows(), std::vector<std::int32_t>{2});
  EXPECT_EQ(browse->GetFolderMenu().back().path, d);
  CKXTextFileBrowse::CloseFileBrowse();
  KxSetHost(nullptr);
  fs::remove_all(d);
}
