// The text document in the application on the headless host: opening from
// the command line, typing, saving, reverting, closing and quitting with
// the save question; failures that must leave file and document alone;
// backups once per opening; auto-save; the Save As format choices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "app/application.h"
#include "app/fspec.h"
#include "app/globals.h"
#include "app/prefs_records.h"
#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/linebreak.h"
#include "layout/text_edit.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/framework/commander.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/menu.h"
#include "platform/resources.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/text_view.h"
#include "platform/keys.h"
#include "platform/toolbox/pict.h"
#include "text/store/converters.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

namespace {

namespace fs = std::filesystem;

using kxtest::Slurp;
using kxtest::Spit;
std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

constexpr CommandT kSave = 5, kSaveAs = 6, kRevert = 7, kClose = 4;

class TextDocTest : public kxtest::DocAppTest {
 protected:
  void Type(const std::string& s) {
    for (char c : s) host.PostKey(std::uint8_t(c), 0);
    Drain();
  }
  // Typed and taken back, saved and closed: the file at p must hold bytes.
  void ExpectSavesUnchanged(const fs::path& p, const std::string& bytes) {
    Type("z");
    Command(kKxCmdUndo);
    Command(kSave);
    EXPECT_EQ(Slurp(p), bytes);
    host.QueueAnswer(KxAnswer::kDontSave);
    Command(kClose);
  }
};

TEST_F(TextDocTest, OpenTypeSaveRevertClose) {
  const fs::path p = dir / "notes.txt";
  Spit(p, "hello\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), "hello\n");
  EXPECT_FALSE(d->IsModifiedNow());
  Type("ab");
  EXPECT_TRUE(d->IsModified());
  EXPECT_EQ(d->TextBytes(), "abhello\n");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "abhello\n");
  EXPECT_FALSE(d->IsModified());
  Type("X");
  host.QueueAnswer(KxAnswer::kOK);   // discard the changes
  Command(kRevert);
  EXPECT_EQ(d->TextBytes(), "abhello\n");
  EXPECT_FALSE(d->IsModified());
  Type("Y");
  host.QueueAnswer(KxAnswer::kCancel);
  Command(kClose);
  ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
  host.QueueAnswer(KxAnswer::kSave);
  Command(kClose);
  EXPECT_TRUE(KxTextDocHooks::All().empty());
  EXPECT_EQ(Slurp(p), "Yabhello\n");
}

// Input-method text reaches the document's text through its view: a
// composition shows inline, its commit is one undoable edit.
TEST_F(TextDocTest, InputMethodTextIsTypedIntoTheDocument) {
  const fs::path p = dir / "kana.txt";
  Spit(p, "ab\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  host.PostPreedit("\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98");   // かんじ
  Drain();
  EXPECT_EQ(d->TextBytes().size(), 3u + 6u);
  host.PostCommit("\xE6\xBC\xA2\xE5\xAD\x97");   // 漢字
  Drain();
  EXPECT_EQ(d->TextBytes(), "\x8A\xBF\x8E\x9A" "ab\n");
  EXPECT_TRUE(d->IsModified());
  Command(11);   // undo
  EXPECT_EQ(d->TextBytes(), "ab\n");
}

// Copy and paste go through the host's clipboard: a copy in one document
// pastes into another, and the clipboard holds the text as Unicode for
// other programs.
TEST_F(TextDocTest, CopyAndPasteGoThroughTheClipboard) {
  const fs::path a = dir / "a.txt", b = dir / "b.txt";
  Spit(a, "hello");
  Spit(b, "!");
  ASSERT_NE(Open(a), nullptr);
  Command(16);   // select all
  Command(13);   // copy
  KxClipboardStore snapshot;
  host.GetClipboardSnapshot(snapshot);
  std::vector<std::uint8_t> utxt;
  snapshot.Get(FourCC("utxt"), utxt);
  EXPECT_EQ(utxt, (std::vector<std::uint8_t>{'h', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0}));   // host order
  CKXTextDocument* second = Open(b);
  ASSERT_NE(second, nullptr);
  Command(14);   // paste
  EXPECT_EQ(second->TextBytes(), "hello!");
}

// The menu keys reach the document: Command-S saves the typed text.
TEST_F(TextDocTest, MenuKeySaves) {
  const fs::path p = dir / "k.txt";
  Spit(p, "k\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Type("z");
  host.Clock().Advance(600);
  app->ProcessNextEvent();
  host.PostKey('s', 0x01, kKxEventCommandKey);
  Drain();
  EXPECT_EQ(Slurp(p), "zk\n");
  EXPECT_FALSE(d->IsModified());
}

}  // namespace

namespace {

// A save that fails at any step of the writer, in either layout: the alert
// shows, the old file (and its sidecar) stay byte-identical, nothing is
// left behind, the document stays modified; closing it answered Save keeps
// it open when the file chooser is then cancelled.
TEST_F(TextDocTest, FailedSavesKeepFileAndDocument) {
  using kx_filetest::KxSafeStep;
  for (bool container : {false, true})
    for (KxSafeStep step : {kx_filetest::kStepCreate, kx_filetest::kStepWrite, kx_filetest::kStepSync,
                            kx_filetest::kStepRename}) {
      SCOPED_TRACE(std::to_string(container) + " step " + std::to_string(step));
      const fs::path p = dir / (container ? "c.KXT" : "c.txt");
      fs::remove(p);
      Spit(p, "old\n");
      CKXTextDocument* d = Open(p);
      ASSERT_NE(d, nullptr);
      if (container) {
        d->SetFormat(SKXSaveFormat{true, 0});
        Command(kSave);   // now a container with its sidecar (if any)
        Type("c");
        Command(kSave);
      }
      const std::set<std::string> before = Listing(dir);
      std::map<std::string, std::string> bytes;
      for (const auto& n : before) bytes[n] = fs::is_regular_file(dir / n) ? Slurp(dir / n) : "";
      Type("new");
      const std::size_t alerts = host.Alerts().size();
      kx_filetest::FailStep(step, ENOSPC);
      Command(kSave);
      EXPECT_EQ(host.Alerts().size(), alerts + 1);
      EXPECT_TRUE(d->IsModified());
      EXPECT_EQ(Listing(dir), before);
      for (const auto& n : before) {
        if (fs::is_regular_file(dir / n)) {
          EXPECT_EQ(Slurp(dir / n), bytes[n]) << n;
        }
      }
      // Close, answer Save: the save fails again, the chooser is cancelled.
      kx_filetest::FailStep(step, ENOSPC);
      host.QueueAnswer(KxAnswer::kSave);
      host.QueueAnswer(KxAnswer::kCancel);
      Command(kClose);
      kx_filetest::Reset();
      ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
      EXPECT_TRUE(d->IsModified());
      host.QueueAnswer(KxAnswer::kDontSave);
      Command(kClose);
      ASSERT_TRUE(KxTextDocHooks::All().empty());
    }
}

// Quitting with a modified document whose save fails stops the quit.
TEST_F(TextDocTest, FailedSaveStopsTheQuit) {
  const fs::path p = dir / "q.txt";
  Spit(p, "q\n");
  ASSERT_NE(Open(p), nullptr);
  Type("w");
  kx_filetest::FailStep(kx_filetest::kStepWrite, EFBIG);
  host.QueueAnswer(KxAnswer::kSave);
  host.QueueAnswer(KxAnswer::kCancel);
  EXPECT_FALSE(hooks.CloseAllDocuments(kAEAsk));
  EXPECT_EQ(KxTextDocHooks::All().size(), 1u);
  EXPECT_EQ(Slurp(p), "q\n");
}

// Quitting asks about the windows as they stand, front to back, whatever
// order the documents were opened in.
TEST_F(TextDocTest, QuitAsksFrontWindowFirst) {
  std::map<std::string, CKXTextDocument*> docs;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    Spit(dir / name, "x\n");
    docs[name] = Open(dir / name);
    ASSERT_NE(docs[name], nullptr);
    Type("w");
  }
  docs["a.txt"]->MakeCurrent();   // now a, c, b from the front
  Drain();
  host.QueueAnswer(KxAnswer::kSave);
  host.QueueAnswer(KxAnswer::kSave);
  host.QueueAnswer(KxAnswer::kCancel);
  EXPECT_FALSE(hooks.CloseAllDocuments(kAEAsk));
  EXPECT_EQ(Slurp(dir / "a.txt"), "wx\n");
  EXPECT_EQ(Slurp(dir / "c.txt"), "wx\n");
  EXPECT_EQ(Slurp(dir / "b.txt"), "x\n");
  ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
  EXPECT_EQ(KxTextDocHooks::All()[0], docs["b.txt"]);
}

// A revert that cannot read changes nothing: the text, its undo history and
// the modified state stay, and the next save writes the typed text.
// Opening a file that cannot be read makes no document at all.
TEST_F(TextDocTest, FailedRevertAndOpenChangeNothing) {
  const fs::path p = dir / "r.txt";
  Spit(p, "file\n");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Type("typed ");
  fs::remove(p);
  fs::create_directory(p);   // unreadable as a document
  const std::size_t alerts = host.Alerts().size();
  host.QueueAnswer(KxAnswer::kOK);
  Command(kRevert);
  EXPECT_GT(host.Alerts().size(), alerts);
  EXPECT_EQ(d->TextBytes(), "typed file\n");
  EXPECT_TRUE(d->IsModified());
  Command(kKxCmdUndo);
  EXPECT_EQ(d->TextBytes(), "file\n");
  Command(kKxCmdRedo);
  EXPECT_EQ(d->TextBytes(), "typed file\n");
  fs::remove(p);
  Command(kSave);
  EXPECT_EQ(Slurp(p), "typed file\n");

  const fs::path folder = dir / "folder.txt";
  fs::create_directory(folder);
  EXPECT_FALSE(hooks.OpenDocument(folder.string()));
  EXPECT_EQ(KxTextDocHooks::All().size(), 1u);
}

// A ".jpg" of any content holds one picture at most: a file that does not
// decode is refused with an alert at once, and what was open stays.
TEST_F(TextDocTest, UnreadablePictureFileIsRefused) {
  const fs::path text = dir / "kept.txt";
  Spit(text, "kept\n");
  CKXTextDocument* d = Open(text);
  ASSERT_NE(d, nullptr);
  Type("x");
  const fs::path jpeg = dir / "note.jpg";
  Spit(jpeg, "not a jpeg!\n");
  const std::size_t alerts = host.Alerts().size();
  EXPECT_FALSE(hooks.OpenDocument(jpeg.string()));
  ASSERT_EQ(host.Alerts().size(), alerts + 1);
  EXPECT_NE(host.Alerts().back().text.find("note.jpg"), std::string::npos);
  ASSERT_EQ(KxTextDocHooks::All().size(), 1u);
  EXPECT_EQ(d->TextBytes(), "xkept\n");
  EXPECT_TRUE(d->IsModified());
  EXPECT_EQ(Slurp(jpeg), "not a jpeg!\n");
}

// Stands in for the RTF converter that a higher area installs: bytes in,
// bytes out, marked so that a test sees which way they went.
class MarkingRTF : public KxTextConverter {
 public:
  bool Import(const void* data, long length, CKXText& text, short* flags, RTFKXDoc*) override {
    const std::string s = "in:" + std::string(static_cast<const char*>(data), std::size_t(length));
    text.InsertText(text.GetLength(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (flags) *flags = kKxImportRead;
    return true;
  }
  bool Export(const CKXText& text, long start, long end, short, const RTFKXDoc*, std::string& out) override {
    if (end < 1) end = text.GetLength();
    std::string s(std::size_t(end - start), '\0');
    text.GetSelText(start, end, s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    out = "out:" + s;
    return true;
  }
};

// RTF and picture files open as untitled copies: saving asks for a name
// and the file itself is never written; a new name ending in ".rtf" is
// written through the converter.
TEST_F(TextDocTest, ForeignFilesOpenAsUntitledCopies) {
  MarkingRTF converter;
  KxRegisterConverter(FourCC("RTF "), ".rtf", &converter);
  const fs::path rtf = dir / "letter.rtf";
  Spit(rtf, "{\\rtf1 Hi}");
  CKXTextDocument* d = Open(rtf);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), "in:{\\rtf1 Hi}");
  EXPECT_FALSE(d->IsSpecified());
  EXPECT_EQ(d->Path(), "");
  EXPECT_EQ(d->TitleText().rfind("\xE5\x90\x8D", 0), 0u);   // untitled
  Type("x");
  const std::size_t asked = host.DialogRequests().size();
  Command(kSave);   // cancelled: nothing queued
  ASSERT_EQ(host.DialogRequests().size(), asked + 1);
  EXPECT_EQ(host.DialogRequests().back().kind, KxDialogKind::kSave);
  EXPECT_EQ(Slurp(rtf), "{\\rtf1 Hi}");
  host.QueueAnswer(KxAnswer::kOK, (dir / "copy.rtf").string());
  Command(kSave);
  EXPECT_EQ(Slurp(dir / "copy.rtf"), "out:xin:{\\rtf1 Hi}");
  EXPECT_EQ(Slurp(rtf), "{\\rtf1 Hi}");
  EXPECT_EQ(Listing(dir), (std::set<std::string>{"letter.rtf", "copy.rtf"}));
  KxRegisterConverter(FourCC("RTF "), ".rtf", nullptr);

  // Without a converter an RTF file is refused, never opened empty.
  const std::size_t alerts = host.Alerts().size();
  EXPECT_FALSE(hooks.OpenDocument((dir / "letter.rtf").string()));
  EXPECT_EQ(host.Alerts().size(), alerts + 1);

  std::vector<std::uint32_t> px(4, 0x00FF00);
  const std::vector<std::uint8_t> pict = KxPictFromPixels(2, 2, px.data());
  std::string pictFile(512, '\0');
  pictFile.append(pict.begin(), pict.end());
  const fs::path pp = dir / "scan.pict";
  Spit(pp, pictFile);
  CKXTextDocument* p = Open(pp);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->TextBytes(), "\xCA");
  EXPECT_FALSE(p->IsSpecified());
  Command(kSave);
  EXPECT_EQ(host.DialogRequests().back().kind, KxDialogKind::kSave);
  EXPECT_EQ(Slurp(pp), pictFile);
}

// A missing file on the command line opens empty and is saved there.
TEST_F(TextDocTest, MissingFileOpensEmptyAndSavesThere) {
  const fs::path p = dir / "new.txt";
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBytes(), "");
  EXPECT_FALSE(fs::exists(p));
  Type("fresh");
  // Nothing on disk to revert to until the first save.
  auto revertable = [&] {
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name;
    d->FindCommandStatus(7, enabled, usesMark, mark, name);
    return bool(enabled);
  };
  EXPECT_FALSE(revertable());
  Command(kSave);
  EXPECT_EQ(Slurp(p), "fresh");
  Type("!");
  EXPECT_TRUE(revertable());
  // A link to a missing file is missing too: the save creates the target
  // and the link stays. A loop of links is no missing file.
  fs::create_symlink("target.txt", dir / "link.txt");
  CKXTextDocument* linked = Open(dir / "link.txt");
  ASSERT_NE(linked, nullptr);
  Type("through");
  Command(kSave);
  EXPECT_EQ(Slurp(dir / "target.txt"), "through");
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  fs::create_symlink("loop.txt", dir / "loop.txt");
  EXPECT_EQ(Open(dir / "loop.txt"), nullptr);
}

// With three generations every explicit save rotates: saves B, C, D, E
// leave D in "[1]", C in "[2]", B in "[3]", and A is gone.
TEST_F(TextDocTest, BackupsRotateOnEveryExplicitSave) {
  CKXTextDocument::GetSettings().backups = true;
  CKXTextDocument::GetSettings().backupGenerations = 3;
  const fs::path p = dir / "Notes";
  Spit(p, "A");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  for (const char* c : {"B", "C", "D", "E"}) {
    Type(c);
    Command(kSave);
  }
  EXPECT_EQ(Slurp(p), "BCDEA");   // typed at the caret
  EXPECT_EQ(Slurp(dir / "[1]Notes"), "BCDA");
  EXPECT_EQ(Slurp(dir / "[2]Notes"), "BCA");
  EXPECT_EQ(Slurp(dir / "[3]Notes"), "BA");
  EXPECT_FALSE(fs::exists(dir / "[4]Notes"));
  EXPECT_EQ(Listing(dir).size(), 4u);
}

// A backup that cannot be made (a folder stands where generation 1 goes)
// never stops a save, and the user hears of it once.
TEST_F(TextDocTest, AFailedBackupSavesAndIsReportedOnce) {
  CKXTextDocument::GetSettings().backups = true;
  CKXTextDocument::GetSettings().backupGenerations = 1;
  const fs::path p = dir / "kept.txt";
  Spit(p, "A");
  fs::create_directory(dir / "[1]kept.txt");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Type("B");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "BA");
  EXPECT_FALSE(d->IsModified());
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_NE(host.Alerts()[0].text.find("\u300Ckept.txt\u300Dは保存しましたが、バックアップを作れませんでした"), std::string::npos)
      << host.Alerts()[0].text;
  Type("C");
  Command(kSave);
  EXPECT_EQ(Slurp(p), "BCA");   // typed at the caret
  EXPECT_EQ(host.Alerts().size(), 1u) << "reported once";
}

// Auto-save: armed at the first idle after a change, saves a modified
// specified document once the interval has passed, never an untitled one;
// with backups on, auto-saves rotate only the first time in an opening
// (the version from before the session stays), and an explicit save after
// them rotates as usual.
TEST_F(TextDocTest, AutoSaveAfterTheInterval) {
  auto& s = CKXTextDocument::GetSettings();
  s.autoSave = true;
  s.autoSaveSeconds = 300;
  s.backups = true;
  s.backupGenerations = 3;
  const fs::path p = dir / "auto.txt";
  Spit(p, "0");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  std::uint32_t now = 1000;
  for (int round = 1; round <= 4; ++round) {
    Type("x");
    d->DoAutoSaveAt(now);   // arms
    d->DoAutoSaveAt(now + 300 * 60 - 1);
    EXPECT_TRUE(d->IsModified());
    d->DoAutoSaveAt(now + 300 * 60);
    EXPECT_FALSE(d->IsModified()) << round;
    EXPECT_EQ(Slurp(p), std::string(std::size_t(round), 'x') + "0");
    now += 300 * 60 + 10;
  }
  EXPECT_EQ(Slurp(dir / "[1]auto.txt"), "0");
  EXPECT_FALSE(fs::exists(dir / "[2]auto.txt"));
  Type("y");
  Command(kSave);
  EXPECT_EQ(Slurp(dir / "[1]auto.txt"), "xxxx0");
  EXPECT_EQ(Slurp(dir / "[2]auto.txt"), "0");

  // A failing auto-save says so once, not at every interval; a save by
  // hand once the file can be written again wakes it up.
  // No write bit: refused for every user, root too.
  fs::permissions(p, fs::perms::owner_read | fs::perms::group_read);
  {
    const std::size_t alerts = host.Alerts().size();
    Type("z");
    for (int k = 0; k < 3; ++k) {
      d->DoAutoSaveAt(now);
      d->DoAutoSaveAt(now + 300 * 60);
      now += 300 * 60 + 10;
    }
    EXPECT_EQ(host.Alerts().size(), alerts + 1);
    EXPECT_TRUE(d->IsModified());
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
    Command(kSave);
    EXPECT_FALSE(d->IsModified());
    Type("w");
    d->DoAutoSaveAt(now);
    d->DoAutoSaveAt(now + 300 * 60);
    EXPECT_FALSE(d->IsModified());
    now += 300 * 60 + 10;
  }

  ASSERT_TRUE(hooks.NewDocument());
  CKXTextDocument* u = Front();
  ASSERT_NE(u, nullptr);
  Type("u");
  u->DoAutoSaveAt(now);
  u->DoAutoSaveAt(now + 1000000);
  EXPECT_TRUE(u->IsModified());
}

// A composition is not saved as text. Auto-save waits for it to end; a
// save by hand ends it as the input method does (GTK's built-in one drops
// an unfinished code-point entry: it commits nothing on a reset).
TEST_F(TextDocTest, CompositionsAreNotSaved) {
  class DroppingHost : public KxHeadlessHost {
   public:
    DroppingHost() : KxHeadlessHost(false) {}
    bool ResetInputMethod(KxWindowID, std::string& committed) override {
      committed.clear();
      return true;
    }
  } im;
  auto& s = CKXTextDocument::GetSettings();
  s.autoSave = true;
  s.autoSaveSeconds = 300;
  const fs::path p = dir / "typing.txt";
  Spit(p, "abc");
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  CKXTextView* view = d->CurrentTextView();
  ASSERT_NE(view, nullptr);
  Type("x");
  view->InputMethodPreedit("u65e5");
  ASSERT_TRUE(view->InputMethodComposing());
  d->DoAutoSaveAt(1000);
  d->DoAutoSaveAt(1000 + 300 * 60);
  EXPECT_EQ(Slurp(p), "abc");
  KxSetHost(&im);
  Command(kSave);
  KxSetHost(&host);
  EXPECT_FALSE(view->InputMethodComposing());
  EXPECT_EQ(Slurp(p), "xabc");
  EXPECT_FALSE(fs::exists(dir / "._typing.txt"));
}

// The Save As formats: the suffix, the container flag and the encoding
// each code leaves.
TEST(SaveAsFormat, CodesSetSuffixContainerAndEncoding) {
  const std::string longName(253, 'n');
  std::string jpLong;   // 84 three-byte characters: 252 bytes
  for (int i = 0; i < 84; ++i) jpLong += "\xE3\x81\x82";
  struct Case {
    std::string name;
    SKXSaveFormat before;
    OSType code;
    std::string name2;
    bool container;
    std::uint16_t encoding;
  } cases[] = {
      {"Notes", {false, 0}, FourCC(".KXT"), "Notes.KXT", true, 0},
      {"notes.kxt", {false, 0}, FourCC(".KXT"), "notes.kxt", true, 0},
      {"Letter", {true, 0}, FourCC("RTF "), "Letter.rtf", false, 0},
      {"u", {false, kKxEncodingUTF16}, FourCC("TEXT"), "u", false, kKxEncodingShiftJIS},
      {"e", {false, kKxEncodingEUC}, FourCC("TEXT"), "e", false, kKxEncodingEUC},
      {"c", {true, 0}, FourCC("utxt"), "c", false, kKxEncodingUTF16},
      {"c", {true, 0}, FourCC("UTF8"), "c", false, kKxEncodingUTF8},
      {"c", {true, 0}, FourCC("TEXT"), "c", false, 0},
      {std::string(60, 'a'), {false, 0}, FourCC(".KXT"), std::string(60, 'a') + ".KXT", true, 0},
      {longName, {false, 0}, FourCC(".KXT"), std::string(251, 'n') + ".KXT", true, 0},
      {jpLong, {false, 0}, FourCC(".KXT"), jpLong.substr(0, 249) + ".KXT", true, 0},
  };
  for (const Case& c : cases) {
    SKXSaveAsChoice choice{c.name, c.code, c.before};
    KxApplySaveAsFormat(choice, c.code, 255);
    EXPECT_EQ(choice.name, c.name2) << c.name.size();
    EXPECT_LE(choice.name.size(), 255u);
    EXPECT_EQ(choice.format.container, c.container) << c.name;
    EXPECT_EQ(choice.format.encoding, c.encoding) << c.name;
    EXPECT_EQ(choice.type, FourCC("TEXT"));
  }
}

// Save As native over a name whose suffixed file exists asks first;
// declining leaves that file alone and the document untitled and modified.
TEST_F(TextDocTest, SuffixedNameIsNotReplacedUnasked) {
  Spit(dir / "Notes.KXT", "precious");
  ASSERT_TRUE(hooks.NewDocument());
  CKXTextDocument* d = Front();
  Type("draft");
  FSSpec fileSpec = UFSSpec::MakeFSSpec((dir / "Notes").string());
  OSType type = FourCC(".KXT");
  host.QueueAnswer(KxAnswer::kCancel);
  d->CheckSaveAs(fileSpec, type);
  EXPECT_THROW(d->DoAESave(fileSpec, type), LException);
  EXPECT_EQ(Slurp(dir / "Notes.KXT"), "precious");
  EXPECT_TRUE(d->IsModified());
  EXPECT_FALSE(d->IsSpecified());
}

}  // namespace

#include <iconv.h>

namespace {

// The bytes iconv makes of UTF-8 text in another encoding.
std::string Iconv(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == iconv_t(-1)) return {};
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  char* o = out.data();
  const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (r == std::size_t(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

// Plain text in every encoding and line-end convention opens and saves
// back byte for byte, and reads as the same characters.
TEST_F(TextDocTest, PlainTextRoundTripsInEveryEncodingAndLineEnd) {
  // Half-width katakana have no place in ISO-2022-JP: that file leaves them out.
  const std::string lines[] = {"日本語のテキストです。かな、カナ、漢字。", "Western text, too: plain ASCII.",
                               "全角記号「」『』・ーと", "半角ｶﾅ"};
  const struct {
    const char* iconvName;
    std::uint16_t encoding;
  } encodings[] = {{"SHIFT_JIS", kKxEncodingShiftJIS}, {"EUC-JP", kKxEncodingEUC},
                   {"UTF-8", kKxEncodingUTF8}, {"ISO-2022-JP", kKxEncodingJIS}, {"UTF-16LE", kKxEncodingUTF16}};
  for (const auto& e : encodings)
    for (const char* eol : {"\n", "\r\n", "\r"}) {
      const bool jis = std::string(e.iconvName) == "ISO-2022-JP";
      std::string utf8, lf;
      for (const std::string& l : lines)
        if (!jis || l != lines[3]) {
          utf8 += l + eol;
          lf += l + "\n";
        }
      const bool utf16 = e.encoding == kKxEncodingUTF16;
      const std::string bytes = (utf16 ? std::string("\xFF\xFE") : std::string()) + Iconv(utf8, e.iconvName);
      ASSERT_FALSE(bytes.empty()) << e.iconvName;
      SCOPED_TRACE(std::string(e.iconvName) + " eol " + std::to_string(std::strlen(eol)));
      const fs::path p = dir / "rt.txt";
      Spit(p, bytes);
      CKXTextDocument* d = Open(p);
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->GetFormat().encoding, e.encoding);
      EXPECT_FALSE(d->GetFormat().container);
      EXPECT_EQ(d->TextBytes(), Iconv(lf, "SHIFT_JIS"));
      // Typed and taken back, then saved: every encoding keeps its line ends.
      Type("z");
      Command(kKxCmdUndo);
      Command(kSave);
      EXPECT_EQ(Slurp(p), bytes);
      EXPECT_EQ(Listing(dir), std::set<std::string>{"rt.txt"});
      host.QueueAnswer(KxAnswer::kDontSave);
      Command(kClose);
      ASSERT_TRUE(KxTextDocHooks::All().empty());
    }
}

// Text of ASCII alone, and an empty text, save as EUC-JP and ISO-2022-JP
// (where nothing needs converting) rather than failing.
TEST_F(TextDocTest, ASCIIAndEmptyTextsSaveInEUCAndJIS) {
  KxSetCustomNavigation(true);   // the save dialog's encoding popup
  for (const std::string text : {"plain\ntext\n", ""}) {
    const fs::path p = dir / "a.txt";
    Spit(p, text);
    ASSERT_NE(Open(p), nullptr);
    for (const int item : {1, 2}) {   // ISO-2022-JP, EUC-JP
      const fs::path out = dir / ("a" + std::to_string(item) + ".txt");
      KxDialogReply reply;
      reply.answer = KxAnswer::kOK;
      reply.paths = {out.string()};
      reply.filter = 0;
      reply.choices = {item, 2};
      host.QueueDialogReply(reply);
      Command(kSaveAs);
      EXPECT_EQ(Slurp(out), text) << item;
    }
    host.QueueAnswer(KxAnswer::kDontSave);
    Command(kClose);
  }
}

// The encoding chosen from the menu is the one a plain save writes, from
// Shift_JIS or from UTF-8 (whose mark is then not written), and the one
// Save As offers.
TEST_F(TextDocTest, TheEncodingAndOwnFormatMenusChooseWhatASaveWrites) {
  struct Case {
    std::string bytes;
    CommandT command;
    const char* iconvName;
  } cases[] = {
      {Iconv("日本語\r\nかな\r\n", "SHIFT_JIS"), 1453, "EUC-JP"},
      {Iconv("日本語\r\nかな\r\n", "SHIFT_JIS"), 1452, "ISO-2022-JP"},
      {"\xEF\xBB\xBF日本語\r\nかな\r\n", 1451, "SHIFT_JIS"},
  };
  for (const Case& c : cases) {
    const fs::path p = dir / "m.txt";
    Spit(p, c.bytes);
    CKXTextDocument* d = Open(p);
    ASSERT_NE(d, nullptr);
    Command(c.command);
    Type("z");
    Command(kKxCmdUndo);
    Command(kSave);
    EXPECT_EQ(Slurp(p), Iconv("日本語\r\nかな\r\n", c.iconvName)) << c.command;
    EXPECT_EQ(d->GetFormat().encoding, c.command - 1451);
    host.QueueAnswer(KxAnswer::kDontSave);
    Command(kClose);
  }
  // The own-format command: the plain file is written as a native document,
  // which reopens as one with its text; switched off again, plain text.
  const fs::path p = dir / "own.txt";
  const std::string sjis = Iconv("日本語\r\n", "SHIFT_JIS");
  Spit(p, sjis);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Command(1447);
  Type("z");
  Command(kKxCmdUndo);
  Command(kSave);
  EXPECT_NE(Slurp(p), sjis);
  Command(kClose);
  d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->GetFormat().container);
  EXPECT_EQ(d->TextBytes(), Iconv("日本語\n", "SHIFT_JIS"));
  Command(1447);
  Type("z");
  Command(kKxCmdUndo);
  Command(kSave);
  EXPECT_EQ(Slurp(p), Iconv("日本語\r", "SHIFT_JIS"));   // a native document's line ends
  Command(kClose);
}

// With "reopen the last documents" chosen, quitting records each document
// with a file and its window; the next start reopens them where they were.
// An untitled document leaves no record.
TEST_F(TextDocTest, QuittingRecordsTheDocumentsThatTheNextStartReopens) {
  const fs::path a = dir / "a.txt", b = dir / "b.txt";
  Spit(a, "first\n");
  Spit(b, "second\n");
  struct Restore {
    SKXPreference saved = gPreference;
    ~Restore() { gPreference = saved; }
  } restore;
  gPreference.startupAction = kKxStartupResume;
  gFileResumeHandle.clear();
  ASSERT_NE(Open(a), nullptr);
  CKXTextDocument* second = Open(b);
  ASSERT_NE(second, nullptr);
  second->DoSetBounds(Rect{120, 150, 420, 650});
  const Rect placed = second->GetWindow()->GetGlobalBounds();
  Command(2);   // an untitled one
  ASSERT_TRUE(app->DoQuit(kAENo));
  EXPECT_TRUE(KxTextDocHooks::All().empty());
  ASSERT_EQ(UKXFResume::GetCount(gFileResumeHandle), 2);
  app->StartUp();
  std::map<std::string, Rect> reopened;
  for (CKXTextDocument* d : KxTextDocHooks::All()) reopened[d->Path()] = d->GetWindow()->GetGlobalBounds();
  ASSERT_EQ(reopened.size(), 2u);
  ASSERT_TRUE(reopened.count(fs::absolute(a).lexically_normal().string()));
  const Rect again = reopened[fs::absolute(b).lexically_normal().string()];
  EXPECT_EQ(std::tie(again.top, again.left, again.bottom, again.right),
            std::tie(placed.top, placed.left, placed.bottom, placed.right));
  EXPECT_EQ(UKXFResume::GetCount(gFileResumeHandle), 0);
}

// A Unicode file keeps its spelling: UTF-16 big-endian, UTF-8 with a
// byte-order mark.
TEST_F(TextDocTest, UnicodeFilesKeepTheirByteOrderAndMark) {
  const std::string be = Iconv("日本語\r\nかな\r\n", "UTF-16BE");
  const std::string u8 = "日本語\nかな\n";
  for (const std::string& bytes : {"\xFE\xFF" + be, "\xEF\xBB\xBF" + u8}) {
    const fs::path p = dir / "u.txt";
    Spit(p, bytes);
    CKXTextDocument* d = Open(p);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->TextBytes(), Iconv("日本語\nかな\n", "SHIFT_JIS"));
    ExpectSavesUnchanged(p, bytes);
  }
}

// Characters Shift_JIS lacks, after CR LF line ends, stay themselves
// through an open and a save: their side entries move with their bytes
// when the line ends become CRs.
TEST_F(TextDocTest, CharactersOutsideShiftJISSurviveCRLFLineEnds) {
  const std::string utf8 = "一行目\r\n栰と😀\r\n終わり\u6830";
  for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, utf8, "\xFF\xFE" + Iconv(utf8, "UTF-16LE"),
                                   "\xFE\xFF" + Iconv(utf8, "UTF-16BE")}) {
    const fs::path p = dir / "crlf.txt";
    Spit(p, bytes);
    ASSERT_NE(Open(p), nullptr);
    ExpectSavesUnchanged(p, bytes);
  }
}

// Save As: the dialog starts in the document's folder with the document's
// own format, encoding and line ends; what the user leaves alone stays,
// what the popups change is written.
TEST_F(TextDocTest, SaveAsOffersEncodingsAndLineEndsPresetToTheDocument) {
  KxSetCustomNavigation(true);   // the popups are among the dialogs' extras
  const std::string sjis = Iconv("一行目\r\n二行目\r\n", "SHIFT_JIS");
  const fs::path p = dir / "crlf.txt";
  Spit(p, sjis);
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  KxDialogReply reply;
  reply.answer = KxAnswer::kOK;
  reply.paths = {(dir / "u8.txt").string()};
  reply.filter = 4;   // Unicode (UTF-8)
  reply.choices = {0, 1};
  host.QueueDialogReply(reply);
  Command(kSaveAs);
  const KxDialogRequest& q = host.DialogRequests().back();
  EXPECT_EQ(q.folder, dir.string());
  ASSERT_EQ(q.choices.size(), 2u);
  EXPECT_EQ(q.choices[0].selected, 0);   // Shift_JIS
  EXPECT_EQ(q.choices[1].selected, 1);   // CR LF
  EXPECT_EQ(q.filters[std::size_t(q.filter)].name, "Text");
  EXPECT_EQ(Slurp(dir / "u8.txt"), "一行目\r\n二行目\r\n");
  EXPECT_EQ(Slurp(p), sjis);

  // Saved again through the popups: EUC-JP with LF.
  reply.paths = {(dir / "euc.txt").string()};
  reply.filter = 0;
  reply.choices = {2, 2};
  host.QueueDialogReply(reply);
  Command(kSaveAs);
  EXPECT_EQ(Slurp(dir / "euc.txt"), Iconv("一行目\n二行目\n", "EUC-JP"));
  EXPECT_EQ(d->GetFormat().encoding, kKxEncodingEUC);

  // An EUC-JP or ISO-2022-JP document shows its own encoding under "Text".
  for (const auto& [name, code, item] : {std::tuple{"EUC-JP", "e.txt", 2}, std::tuple{"ISO-2022-JP", "j.txt", 1}}) {
    const fs::path f = dir / code;
    Spit(f, Iconv("日本語\n", name));
    ASSERT_NE(Open(f), nullptr);
    Command(kSaveAs);   // cancelled
    const KxDialogRequest& r = host.DialogRequests().back();
    EXPECT_EQ(r.filters[std::size_t(r.filter)].name, "Text") << name;
    EXPECT_EQ(r.choices[0].selected, item) << name;
    EXPECT_EQ(r.choices[1].selected, 2) << name;
    for (const KxFileFilter& filter : r.filters) EXPECT_EQ(filter.name.find("Shift_JIS"), std::string::npos);
  }
}

}  // namespace

namespace {

// A native document reopens as one; saved as UTF-8, UTF-16 or plain text
// it is plain text on disk (no container), in that encoding.
TEST_F(TextDocTest, NativeDocumentsLeaveTheContainerForOtherFormats) {
  const fs::path p = dir / "n.KXT";
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  Type("styled");
  d->SetFormat(SKXSaveFormat{true, 0});
  Command(kSave);
  Command(kClose);
  ASSERT_TRUE(KxTextDocHooks::All().empty());
  d = Open(p);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->GetFormat().container);
  EXPECT_EQ(d->TextBytes(), "styled");
  EXPECT_FALSE(d->IsModified());
  const struct {
    OSType code;
    const char* leaf;
    std::string bytes;
  } cases[] = {{FourCC("UTF8"), "u8", "styled"},
               {FourCC("utxt"), "u16", Iconv("styled", "UTF-16BE")},
               {FourCC("TEXT"), "sj", "styled"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.leaf);
    d->SetFormat(SKXSaveFormat{true, 0});
    FSSpec fileSpec = UFSSpec::MakeFSSpec((dir / c.leaf).string());
    OSType type = c.code;
    d->CheckSaveAs(fileSpec, type);
    EXPECT_FALSE(d->GetFormat().container);
    d->DoAESave(fileSpec, type);
    const std::string got = Slurp(dir / c.leaf);
    // UTF-16 goes out in host order after its byte-order mark.
    const bool u16 = c.code == FourCC("utxt");
    EXPECT_TRUE(got == c.bytes || (u16 && got == "\xFF\xFE" + Iconv("styled", "UTF-16LE"))) << got.size();
  }
}

// The Edit menu's Undo and Redo items name the step and count the stack,
// both sides alike; an empty side shows its list's first text, disabled.
TEST_F(TextDocTest, UndoAndRedoItemsNameTheirSteps) {
  const fs::path p = dir / "u.txt";
  Spit(p, "x\n");
  ASSERT_NE(Open(p), nullptr);
  auto item = [&](std::int16_t index, bool& enabled) {
    app->UpdateMenus();
    const LMenu* edit = LMenuBar::GetCurrentMenuBar()->FetchMenu(130);
    enabled = edit->GetItem(index)->enabled;
    return edit->GetItem(index)->text;
  };
  auto ind = [](short list, short index) {
    Str255 s;
    GetIndString(s, list, index);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  };
  const std::string typing = ind(150, 7), nothingToRedo = ind(150, 1), nothingToUndo = ind(151, 1);
  ASSERT_FALSE(typing.empty());
  bool on = true;
  EXPECT_EQ(item(2, on), nothingToRedo);
  EXPECT_FALSE(on);
  Type("a b");
  EXPECT_EQ(item(1, on), typing + "1");
  EXPECT_TRUE(on);
  Command(kKxCmdUndo);
  EXPECT_EQ(item(2, on), typing + "1");
  EXPECT_TRUE(on);
  EXPECT_EQ(item(1, on), nothingToUndo);
  EXPECT_FALSE(on);
  Command(kKxCmdRedo);
  EXPECT_EQ(item(2, on), nothingToRedo);
  EXPECT_FALSE(on);
  EXPECT_EQ(item(1, on), typing + "1");
}

// New and plain documents start from the preferences' line and edit
// styles (rule mode, word wrap, tabs, views), and their windows stack:
// each a step right and down from the one before, inside the screen.
TEST_F(TextDocTest, NewDocumentsStartFromThePreferencesAndStack) {
  const SKXPreference saved = gPreference;
  gPreference.lineBreakMode = 1;
  gPreference.wordWrap = 1;
  gPreference.caretLine = 1;
  gPreference.lineSpacing = 3;
  gPreference.justification = 9;   // out of range: left
  ASSERT_TRUE(hooks.NewDocument());
  const fs::path p = dir / "plain.txt";
  Spit(p, "plain\n");
  ASSERT_NE(Open(p), nullptr);
  gPreference = saved;
  const std::vector<CKXTextDocument*> docs = KxTextDocHooks::All();
  ASSERT_EQ(docs.size(), 2u);
  for (CKXTextDocument* d : docs) {
    SKXLineStyl line{};
    KXTE_GetLineStyl(d->GetEngine()->GetEdit(), line);
    EXPECT_EQ(line.mode, 1);
    EXPECT_EQ(line.wordWrap, 1);
    EXPECT_EQ(line.lineSpace, 3);
    EXPECT_EQ(line.justify, 0);
    SKXEditStyl style{};
    KXTE_GetEditStyl(d->GetEngine()->GetEdit(), style);
    EXPECT_EQ(style.caretLine, 1);
  }
  const Rect a = docs[0]->GetWindow()->GetGlobalBounds(), b = docs[1]->GetWindow()->GetGlobalBounds();
  const Rect screen = host.GetScreenBounds();
  EXPECT_EQ(b.left - a.left, 4);
  EXPECT_EQ(b.top - a.top, 20);
  for (const Rect& r : {a, b}) {
    EXPECT_GE(r.top, screen.top);
    EXPECT_GE(r.left, screen.left);
    EXPECT_LE(r.bottom, screen.bottom);
    EXPECT_LE(r.right, screen.right);
    EXPECT_GT(r.right - r.left, 640);   // the screen's width, not a fixed small window
  }
}

// The document window carries the line-number margin and the status bar
// as the preferences ask: present, shown, beside the text (which makes
// room) and following its caret; absent or hidden when not asked for.
TEST_F(TextDocTest, WindowShowsTheMarginAndStatusBarThePreferencesAskFor) {
  const SKXPreference saved = gPreference;
  const fs::path p = dir / "lines.txt";
  Spit(p, "one\ntwo\nthree\n");
  for (const auto& [lines, status] : {std::pair{1, 1}, {0, 1}, {1, 0}, {0, 0}}) {
    SCOPED_TRACE("lines " + std::to_string(lines) + ", status " + std::to_string(status));
    gPreference.showLineView = std::uint8_t(lines);
    gPreference.showInfoView = std::uint8_t(status);
    CKXTextDocument* d = Open(p);
    ASSERT_NE(d, nullptr);
    LWindow* w = d->GetWindow();
    ASSERT_NE(dynamic_cast<CKXTextWindow*>(w), nullptr);
    auto shown = [&](PaneIDT id) {
      LPane* pane = w->FindPaneByID(id);
      return pane && pane->IsVisible();
    };
    EXPECT_EQ(shown(kKxLineViewID), lines != 0);
    EXPECT_EQ(shown(kKxInfoViewID), status != 0);
    EXPECT_FALSE(shown(kKxLineView2ID));   // no split
    LPane* scroller = w->FindPaneByID(kKxTextScrollerID);
    ASSERT_NE(scroller, nullptr);
    const RectL text = scroller->CalcPortFrameRect();
    if (LPane* margin = w->FindPaneByID(kKxLineViewID); margin && lines) {
      const RectL m = margin->CalcPortFrameRect();
      EXPECT_LE(m.right, text.left);   // the text starts beside the margin, not under it
      EXPECT_GT(m.bottom - m.top, 0);
    }
    if (auto* bar = dynamic_cast<CKXTextInfoView*>(w->FindPaneByID(kKxInfoViewID)); bar && status) {
      const RectL b = bar->CalcPortFrameRect();
      EXPECT_EQ(b.bottom, text.bottom);   // along the horizontal scroll bar
      host.PostKey(kKxCharDownArrow, 0x7D);
      host.PostKey(kKxCharDownArrow, 0x7D);
      Drain();
      long line = 0, column = 0;
      bar->GetShownLineColm(line, column);
      EXPECT_EQ(line, 3);   // the bar follows this document's caret
    }
    Command(kClose);
    EXPECT_TRUE(KxTextDocHooks::All().empty());
  }
  gPreference = saved;
}

// New windows show the format bar when the preferences ask for it and the
// ruler shows; a native document keeps the bar's state it was saved with,
// whatever the preferences say when it is opened again.
TEST_F(TextDocTest, FormatBarFollowsThePreferencesAndTheSavedViewMode) {
  const SKXPreference saved = gPreference;
  const SKXPreference2 saved2 = gPreference2;
  const fs::path p = dir / "bar.txt";
  Spit(p, "bar\n");
  for (const auto& [ruler, tools] : {std::pair{1, 1}, {1, 0}, {0, 1}}) {
    SCOPED_TRACE("ruler " + std::to_string(ruler) + ", tools " + std::to_string(tools));
    gPreference.showRuler = std::uint8_t(ruler);
    gPreference2.rulerTools = std::uint8_t(tools);
    CKXTextDocument* d = Open(p);
    ASSERT_NE(d, nullptr);
    CKXTextColmView* bar = d->GetColmView();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetFormShown(), ruler && tools);
    EXPECT_EQ((d->GetViewMode() & kKxViewModeFormBar) != 0, ruler && tools);
    Command(kClose);
  }
  gPreference.showRuler = 1;
  gPreference2.rulerTools = 1;
  const fs::path n = dir / "bar.KXT";
  CKXTextDocument* d = Open(n);
  ASSERT_NE(d, nullptr);
  Type("x");
  Command(1409);   // hidden by hand
  ASSERT_FALSE(d->GetColmView()->GetFormShown());
  d->SetFormat(SKXSaveFormat{true, 0});
  Command(kSave);
  Command(kClose);
  d = Open(n);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->GetColmView()->GetFormShown());
  Command(1409);
  EXPECT_TRUE(d->GetColmView()->GetFormShown());
  gPreference = saved;
  gPreference2 = saved2;
}

// A choice in the status bar's scale menu comes back from the host as a
// pop-up choice and sets the document's scale; a contextual menu opened
// afterwards takes the next pop-up choice for itself.
TEST_F(TextDocTest, StatusBarScaleMenuChoiceReachesTheDocument) {
  const SKXPreference saved = gPreference;
  gPreference.showInfoView = 1;
  const fs::path p = dir / "scale.txt";
  Spit(p, "scale\n");
  CKXTextDocument* d = Open(p);
  gPreference = saved;
  ASSERT_NE(d, nullptr);
  auto* bar = dynamic_cast<CKXTextInfoView*>(d->GetWindow()->FindPaneByID(kKxInfoViewID));
  ASSERT_NE(bar, nullptr);
  const KXEditHandle edit = d->GetEngine()->GetEdit();
  const std::int16_t before = KxScaleMenuItem(KXTE_GetEditScale(edit));
  ASSERT_GE(before, 1);
  const std::int16_t index = before == 1 ? 1 : 0;   // another item, counted from 0
  bar->DoInfoMenu();
  EXPECT_TRUE(CKXTextInfoView::IsScaleMenuOpen());
  host.PostMenuChoice(kKxPopupMenuID, index);
  Drain();
  EXPECT_FALSE(CKXTextInfoView::IsScaleMenuOpen());
  EXPECT_EQ(KxScaleMenuItem(KXTE_GetEditScale(edit)), index + 1);
  // The information menu's pending choice is dropped by a later scale menu.
  dynamic_cast<CKXTextWindow*>(d->GetWindow())->InfoMenus(Point{10, 10});
  EXPECT_TRUE(CKXTextWindow::IsInfoMenuOpen());
  bar->DoInfoMenu();
  EXPECT_FALSE(CKXTextWindow::IsInfoMenuOpen());
  host.PostMenuChoice(kKxPopupMenuID, std::int16_t(before - 1));
  Drain();
  EXPECT_EQ(KxScaleMenuItem(KXTE_GetEditScale(edit)), before);
}

}  // namespace
