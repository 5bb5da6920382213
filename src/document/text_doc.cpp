#include "document/text_doc.h"

#include "engine/text_event.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/contextual_menu.h"
#include "app/customize_dialog.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/prefs_records.h"
#include "document/char_code.h"
#include "document/custom_form.h"
#include "document/doc_file.h"
#include "document/file_tube.h"
#include "document/find_assist.h"
#include "document/find_rules.h"
#include "document/text_doc_arrange.h"
#include "document/text_doc_hdft.h"
#include "engine/event_handler.h"
#include "engine/flavor_exchange.h"
#include "engine/text_action.h"
#include "engine/text_flavors.h"
#include "engine/text_engine.h"
#include "engine/text_unicode_range.h"
#include "engine/text_undoer.h"
#include "layout/kxtext_api.h"
#include "layout/kxtext_handle.h"
#include "layout/text_edit_ex.h"
#include "layout/linebreak.h"
#include "layout/text_edit.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/textconv.h"
#include "text/base/geometry.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"
#include "text/store/text.h"
#include "views/mark_list.h"
#include "views/message_box.h"
#include "views/text_window.h"
#include "views/view_classes.h"

namespace {

constexpr CommandT kCmdSave = 5, kCmdSaveAs = 6, kCmdRevert = 7;
constexpr CommandT kCmdVertical = 1408, kCmdParagraph = 1416, kCmdTabs = 1417, kCmdGoToPage = 1221, kCmdPageLayout = 1411;
constexpr CommandT kCmdHeader = 1412, kCmdFooter = 1413;
constexpr OSType kTypeText = FourCC("TEXT");
constexpr OSType kFormatNative = FourCC(".KXT");
constexpr OSType kFormatRTF = FourCC("RTF ");
constexpr OSType kFormatUTF16 = FourCC("utxt");
constexpr OSType kFormatUTF8 = FourCC("UTF8");
constexpr std::uint32_t kTicksPerSecond = 60;

int gUntitledCount = 0;

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char a = s[s.size() - suffix.size() + i], b = suffix[i];
    if (std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b))) return false;
  }
  return true;
}

std::string LeafOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// A path as a document keeps it: absolute and without "." and ".." parts
// (as given when the working folder cannot be had).
std::string WholePath(const std::string& path) {
  std::error_code ec;
  const std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
  return ec ? path : full;
}

// The message after the count of characters a save could not write, and
// the one after a save as RTF that could not write all of the document.
constexpr std::int16_t kUnwritableMessage = 11;
constexpr std::int16_t kRTFLostMessage = 12;

std::string ToPascalTitle(const std::string& utf8, Str255 out) {
  std::string t = KxMenuTextFromUTF8(utf8);
  if (t.size() > 255) t.resize(255);
  out[0] = static_cast<unsigned char>(t.size());
  std::memcpy(out + 1, t.data(), t.size());
  return t;
}

// Any failure while reading or writing, as the error the document reports.
[[noreturn]] void Rethrow() {
  try {
    throw;
  } catch (const LException&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw LException(memFullErr);
  } catch (...) {
    throw LException(ioErr);
  }
}

}  // namespace

// ---- Save As formats -----------------------------------------------------------------------------

void KxApplySaveAsFormat(SKXSaveAsChoice& choice, OSType code, std::size_t nameMax) {
  std::string suffix;
  if (code == kFormatNative) {
    choice.type = kTypeText;
    choice.format.container = true;
    suffix = ".KXT";
  } else {
    // Only the native format writes the container.
    choice.format.container = false;
    if (code == kFormatRTF) {
      choice.type = kTypeText;
      suffix = ".rtf";
    }
  }
  if (choice.type == kTypeText && choice.format.encoding > kKxEncodingEUC) choice.format.encoding = kKxEncodingShiftJIS;
  if (code == kFormatUTF16) {
    choice.type = kTypeText;
    choice.format.encoding = kKxEncodingUTF16;
  } else if (code == kFormatUTF8) {
    choice.type = kTypeText;
    choice.format.encoding = kKxEncodingUTF8;
  }
  if (suffix.empty() || EndsWithNoCase(choice.name, suffix)) return;
  std::string name = choice.name;
  if (name.size() + suffix.size() > nameMax) {
    std::size_t cut = nameMax > suffix.size() ? nameMax - suffix.size() : 0;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  choice.name = name + suffix;
}

// ---- The document --------------------------------------------------------------------------------

CKXTextDocument::Settings& CKXTextDocument::GetSettings() {
  static Settings settings;
  return settings;
}

std::string CKXTextDocument::NextUntitledTitle() {
  // "名称未設定" and the counter.
  return "\xE5\x90\x8D\xE7\xA7\xB0\xE6\x9C\xAA\xE8\xA8\xAD\xE5\xAE\x9A " + std::to_string(++gUntitledCount);
}

CKXTextDocument::CKXTextDocument(LCommander* super, const std::string& path) : CKXDocument(super) {
  mEngine = new CKXTextEngine(false);
  mEngine->AddUser(this);
  // Keys, clicks and input-method text of the views go through the text's
  // event handler: its key tables, then the engine.
  auto* events = new CKXTextEvent;
  events->AddUser(this);
  events->SetTextEngine(mEngine);
  mHandler = events;
  try {
    mPanes = KxMakeTextPanes(*mEngine, mHandler, 640, 480, 0, false, this, kKxDocWindowLayout);
    mTextWindow = dynamic_cast<CKXTextWindow*>(mPanes.window);
    if (!mTextWindow) throw LException(paramErr);
    // The ruler, the margin and the status bar show as the preferences ask.
    AddBars();
    ArrangePanes(RulerHeight());
  } catch (...) {
    // A window half built goes, its views let go of the engine first.
    for (CKXTextView* v : mPanes.view)
      if (v) {
        v->SetEventHandler(nullptr);
        v->SetTextEngine(nullptr);
      }
    mEngine->SetHandlerView(nullptr);
    delete mPanes.window;
    mPanes = KxTextPanes{};
    mTextWindow = nullptr;
    mHandler->RemoveUser(this);
    mEngine->RemoveUser(this);
    throw;
  }
  SetWindow(mPanes.window);
  StartFromPreferences();
  mTextWindow->SetDocument(this);   // the window joins a split grown too small
  mPanes.bar->SetDocument(this);     // the split bar splits and joins
  mTextWindow->SetWindowDoc(mWindowLink.get());   // its information menu
  for (CKXTextView* v : mPanes.view)
    if (v) {
      v->SetDocument(this);
      // A contextual click (or the Menu key) on the text opens its menu.
      v->AddAttachment(new CKXTextContextualMenu(v));
    }
  if (!path.empty()) mFile = std::make_unique<LFile>(UFSSpec::MakeFSSpec(WholePath(path)));
}

CKXTextDocument::~CKXTextDocument() {
  // While the program quits with "reopen the last documents" chosen, each
  // document with a file leaves a record of its file and window.
  // A record that cannot be made is left out; the quit goes on.
  if (gFileResume && IsSpecified() && GetWindow()) {
    try {
      LWindow* w = GetWindow();
      const Rect b = w->IsZoomed() ? w->GetUserBounds() : w->GetGlobalBounds();
      SKXFResume record{};
      record.bounds = SKXRectL{b.top, b.left, b.bottom, b.right};
      if (UKXFSpec::MakeFromPath(record.fileRef, Path()))
        UKXFResume::AddFResume(record, gFileResumeHandle, std::numeric_limits<short>::max());
    } catch (...) {
    }
  }
  CKXTextCharCode::DocumentClosing(this);
  CKXTextCustomForm::DocumentClosing(this);
  LeaveMarkList();
  ForgetFindPalette();
  CKXTextFindAssist::CommanderClosing(this);
  CloseAllDocDialogs();
  for (CKXTextView* v : mPanes.view)
    if (v) {
      v->SetDocument(nullptr);
      v->SetEventHandler(nullptr);
      v->SetTextEngine(nullptr);
    }
  mEngine->SetHandlerView(nullptr);
  delete mWindow;   // before the engine its views use
  mWindow = nullptr;
  mHandler->SetTextEngine(nullptr);
  mHandler->RemoveUser(this);
  mEngine->RemoveUser(this);
  mEngine = nullptr;
}

void CKXTextDocument::StartFromPreferences() {
  // The line and edit styles a document starts with are the preferences'
  // (a file's own stored settings, when it has any, replace them as it is
  // read). Vertical writing for new documents switches the window, not the
  // line style. Stored numbers no dialog would take are brought in range.
  const SKXPreference p = KxUsablePreference(gPreference);
  const KXEditHandle edit = mEngine->GetEdit();
  SKXLineStyl line{};
  KXTE_GetLineStyl(edit, line);
  line.tabInterval = p.tabInterval;
  line.lineSpace = p.lineSpacing;
  line.charSpace = p.charSpacing;
  line.mode = p.lineBreakMode <= kKxMaxLineBreakMode ? p.lineBreakMode : 0;
  line.justify = p.justification <= kKxMaxJustification ? p.justification : 0;
  line.wrap = p.wrapAtWidth != 0;
  line.wordWrap = p.wordWrap != 0;
  line.controlView = p.controlView != 0;
  SKXEditStyl style{};
  KXTE_GetEditStyl(edit, style);
  if (p.font >= 0) style.font = p.font;
  if (p.size > 0) style.size = p.size;
  if (p.tabWidth > 0) style.tabWidth = p.tabWidth;
  style.autoIndent = p.autoIndent != 0;
  style.caretLine = p.caretLine != 0;
  style.paperView = p.paperView != 0;
  style.guideView = p.guideView != 0;
  // Through the engine's start-up path: the text is still empty, so its one
  // style run and the typing style take the preferred font and size (a
  // plain text read later keeps that run; a styled file brings its own).
  mEngine->SetStartup(line, style, nullptr, nullptr);
  // The fonts typing takes as the keyboard script changes: the first is
  // the one for the text's own script (that of its edit font).
  const std::int16_t system = p.systemScriptFont >= 0 ? p.systemScriptFont : 0;
  const std::int16_t roman = p.romanScriptFont >= 0 ? p.romanScriptFont : 0;
  if (mEngine->GetScriptType() == kScriptRoman)
    mEngine->SetKeyScript(roman, system);
  else
    mEngine->SetKeyScript(system, roman);
  // The page too: the default paper with the preferences' margins (the
  // engine's own fallback paper is no size a printer offers).
  SKXPageStyl page{};
  KXTE_GetPageStyl(edit, page);
  // The printer's unprintable edges stay as they are.
  const RectL hard{page.printArea.top, page.printArea.left, page.paperHeight - page.printArea.bottom,
                   page.paperWidth - page.printArea.right};
  PageFromPref(KxNewDocumentSettings().pref, page);
  page.printArea = RectL{hard.top, hard.left, page.paperHeight - hard.bottom, page.paperWidth - hard.right};
  mEngine->SetPageStyl(page);
  if (gPreference2.startupColorOn) mEngine->SetStartupColor(gPreference2.startupColor);
}

void CKXTextDocument::PlaceNewWindow() {
  // Stacked in document-list order (cycles of five, each a step right and
  // down), sized to the screen's area, capped by the preferred size.
  std::vector<CKXTextDocument*> docs = KxTextDocHooks::All();
  const auto it = std::find(docs.begin(), docs.end(), this);
  if (it == docs.end()) return;
  const std::vector<Rect> places = KxStackLayout(GetStandardArea(), int(docs.size()));
  Rect r = places[std::size_t(it - docs.begin())];
  int width = 0, height = 0;
  if (KxPrefWindowSize(gPreference, width, height)) {
    r.right = std::int16_t(std::min<int>(r.right, r.left + width));
    r.bottom = std::int16_t(std::min<int>(r.bottom, r.top + height));
  }
  DoSetBounds(r);
}

std::string CKXTextDocument::Path() const { return mFile ? mFile->GetFileSpec().Path() : std::string(); }

void CKXTextDocument::FileRenamed(const std::string& path) {
  if (!mFile || path.empty()) return;
  mFile = std::make_unique<LFile>(UFSSpec::MakeFSSpec(WholePath(path)));
  mTitle = LeafOf(path);
  UpdateTitle();
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

bool CKXTextDocument::FinishCreateSelf() {
  InitializeSpelling();
  mEngine->SetTextChanged(false);
  const std::string path = Path();
  if (!KxPathMissing(path)) {
    // The window takes its place and wraps to it before the file is read:
    // a large text is laid out once, at the width it is shown in, not once
    // as read and again at the window's width.
    PlaceNewWindow();
    for (CKXTextView* v : mPanes.view)
      if (v) v->SetWrapToFrame(true);
    try {
      DoRevert();
    } catch (const LException&) {
      // Reported by the revert; a document that could not be read is no
      // document (it would write its empty text over the file).
      return false;
    }
    if (mUntitledCopy) {
      mFile.reset();
      mTitle = NextUntitledTitle();
      SetSpecified(false);
    } else {
      SetSpecified(true);
    }
  } else if (!path.empty()) {
    // A new file: empty, saved there on the first save.
    mTitle = LeafOf(path);
    SetSpecified(true);
  } else {
    mTitle = NextUntitledTitle();
    SetSpecified(false);
  }
  mEngine->SetTextChanged(mConverted);
  LDocument::SetModified(mConverted);
  UpdateTitle();
  // A file that says where its window was keeps that place.
  if (!StoredBounds()) PlaceNewWindow();
  // Vertical writing when the preferences ask for it for new documents, or
  // when the text read is laid out so; a file's stored writing has turned
  // the window already.
  if (!mStylesRead && (gPreference.vertical != 0 || KXTE_GetVertical(mEngine->GetEdit()) != 0))
    VerticalWindow(true, false);
  // A plain or new text wraps to its window, and re-wraps when it resizes.
  for (CKXTextView* v : mPanes.view)
    if (v) v->SetWrapToFrame(true);
  mPanes.window->SetLatentSub(mPanes.view[0]);
  // Panes are made active; the window is not yet. Made inactive with it,
  // they all take part in its first activation (the text's event handler
  // included, which draws the selection and takes clicks only once
  // activated).
  mPanes.window->Deactivate();
  mPanes.window->Show();
  mPanes.window->Select();
  LCommander::SwitchTarget(mPanes.view[0]);
  RestoreScroll();
  mPanes.window->UpdatePort();
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
  ShowReadNotice();
  return true;
}

void CKXTextDocument::ShowReadNotice() {
  if (mReadNotice.empty()) return;
  const std::string notice = std::move(mReadNotice);
  mReadNotice.clear();
  KxCurrentHost().Alert(KxAlertKind::kNote, notice);
}

bool CKXTextDocument::IsModifiedNow() const { return mEngine->GetTextChanged(); }

void CKXTextDocument::SetModified(bool modified) {
  const bool was = LDocument::IsModified();
  if (modified != mEngine->GetTextChanged()) mEngine->SetTextChanged(modified);
  LDocument::SetModified(modified);
  UpdateModifiedMark();
  if (was != modified) {
    mAutoSaveDeadline = 0;
    mAutoSaveFailed = false;
    CKXTextApp::SetUpdateCommandStatus(true);
    if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
  }
}

void CKXTextDocument::GetDescriptor(Str255 out) const { ToPascalTitle(mTitle, out); }

void CKXTextDocument::SetDescriptor(ConstStringPtr name) {
  // Macros and the stream editor name documents in Shift_JIS; the title
  // is kept as UTF-8, as the Window menu and the tools list it.
  const std::string sjis(reinterpret_cast<const char*>(name + 1), name[0]);
  mTitle = KxScriptTextToUTF8(sjis);
  UpdateTitle();
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

void CKXTextDocument::UpdateTitle() {
  Str255 title;
  ToPascalTitle(mTitle, title);
  mPanes.window->SetDescriptor(title);
  // The desktop shows the whole name even where Shift_JIS lacks some of it.
  mPanes.window->SetUnicodeTitle(KxMenuTextUnicode(mTitle));
  mEngine->SetDescriptor(title, mTitle);
  UpdateModifiedMark();
}

void CKXTextDocument::UpdateModifiedMark() {
  // A document without a file has nothing saved to match: always marked.
  if (mPanes.window) mPanes.window->SetModifiedMark(!mFile || LDocument::IsModified());
}

bool CKXTextDocument::IsEditable() const { return mEngine->IsEditable(); }

std::string CKXTextDocument::TextBytes() const {
  const SKXRange all = mEngine->GetTotalRange();
  std::string s(std::size_t(all.length), '\0');
  mEngine->TextGetThruPtr(all, s.data(), all.length);
  for (char& c : s)
    if (c == '\r') c = '\n';
  return s;
}

// ---- Reading ------------------------------------------------------------------------------------

// The marks of the records into the text's edit object, with their ranks,
// as the engine puts back a whole set: each one as it was saved, and the
// mark list and menu hear of them.
void CKXTextDocument::ApplyMarks(const SKXDocSettings& settings) {
  KXMarkSet marks;
  marks.reserve(settings.marks.size());
  for (std::size_t k = 0; k < settings.marks.size(); ++k) {
    const SKXMarkRec& m = settings.marks[k];
    SKXSavedMark saved;
    saved.start = m.start;
    saved.length = std::max<std::int32_t>(0, m.end - m.start);
    if (settings.hasRank && k < settings.rank.levels.size()) saved.rank = settings.rank.levels[k];
    const std::size_t n = std::min<std::size_t>(m.name.size(), 255);
    saved.name.push_back(std::uint8_t(n));
    saved.name.insert(saved.name.end(), m.name.begin(), m.name.begin() + std::ptrdiff_t(n));
    marks.push_back(std::move(saved));
  }
  mEngine->SetMarks(marks);
}

// The marks as they stand now into the records to be written.
void CKXTextDocument::TakeMarks(SKXDocSettings& settings) const {
  KXEditHandle edit = mEngine->GetEdit();
  const long count = KXTE_GetMarkCount(edit);
  settings.marks.clear();
  std::vector<std::int8_t> levels;
  bool ranked = false;
  for (long k = 1; k <= count; ++k) {
    long start = 0, end = 0;
    KXTE_GetMarkRange(edit, k, start, end);
    unsigned char name[256] = {};
    KXTE_GetMarkString(edit, k, name);
    settings.marks.push_back(
        SKXMarkRec{std::int32_t(start), std::int32_t(end), std::string(reinterpret_cast<char*>(name + 1), name[0])});
    const short rank = KXTE_GetMarkRank(edit, k);
    levels.push_back(std::int8_t(rank));
    ranked = ranked || rank != 0;
  }
  // The mark list's place is kept with the levels, even without marks.
  const SKXRankRec& r = settings.rank;
  const bool listState = r.shown || r.flag2 || r.rect[0] || r.rect[1] || r.rect[2] || r.rect[3];
  settings.hasRank = (settings.hasRank || ranked || listState) && (count > 0 || listState);
  if (settings.hasRank) settings.rank.levels = levels;
}

void CKXTextDocument::ReadInto(const std::string& path) {
  SKXDocument doc;
  std::string message;
  mReadMessage.clear();
  // Taken before the read: a change made while it runs is no change seen.
  const KxFileStamp stamp = KxStampOf(path);
  mFolder = std::filesystem::path(path).parent_path().string();
  if (int err = KxReadDocument(path, doc, message, false)) {
    mReadMessage = message;
    throw LException(err);
  }
  // A sidecar that no longer fits its text is left out: the text is read
  // as any plain text is, and the user hears why its styles are missing.
  if (doc.stale) doc.plain = true;
  mReadNotice = doc.notice;
  SKXSaveFormat format;
  std::unique_ptr<CKXText> fresh;
  short lineEnd = CKXTextLayer::kLineEndCR;
  bool aozora = false;
  short fileCode = kKxCodeAuto;
  if (!doc.plain) {
    fresh = std::move(doc.text);
    format.container = doc.layout == EKXLayout::kContainer;
    format.styled = !format.container && !KxIsForeignDocument(doc.fileType);
    // A styled text keeps the encoding and line ends it was written in.
    if (format.styled) {
      format.encoding = doc.spelling.encoding;
      lineEnd = doc.spelling.lineEnd;
      fileCode = short(format.encoding);
    }
  } else {
    // Plain text: its encoding is found from its bytes, its line ends by
    // the exchange (which tells the layer; put back unless this read wins).
    CKXTextFileTube tube;
    if (int err = tube.OpenRead(path, message)) {
      mReadMessage = message;
      throw LException(err);
    }
    // The encoding the file is known to be in (a revert's), else the one
    // the open dialog forced, else the one its bytes show. Aozora notation
    // is Shift_JIS, which the exchange converts.
    short code = mFileCode != kKxCodeAuto ? mFileCode : CKXJCode::sCodeType;
    aozora = code == kKxCodeAozora;
    if (code < kKxCodeSJIS || code > kKxCodeUTF8)
      code = aozora ? kKxCodeSJIS : CKXJCode::AutoCheck(tube.GetDataFork().data(), tube.GetDataForkSize());
    if (code < kKxCodeSJIS || code > kKxCodeUTF8) code = kKxCodeSJIS;
    // UTF-16 comes in pairs of bytes: a last odd byte is no character, and
    // the user hears that it is left out (a save will not write it back).
    if (code == kKxCodeUTF16 && tube.GetDataForkSize() % 2 != 0) {
      if (!mReadNotice.empty()) mReadNotice += "\n";
      mReadNotice += "\u300C" + LeafOf(path) +
                     "\u300Dの最後の 1 バイトは UTF-16 の文字になりません。このバイトは読み込まず、保存しても書き込まれません。";
    }
    // Bytes that are no character in the encoding (a file forced into the
    // wrong one, or a damaged one) show as other characters: the user hears
    // of them before a save writes those instead.
    if (const long bad = CKXJCode::CountUndecodable(code, tube.GetDataFork().data(), tube.GetDataForkSize())) {
      if (!mReadNotice.empty()) mReadNotice += "\n";
      mReadNotice += "\u300C" + LeafOf(path) + "\u300Dの " + std::to_string(bad) + " バイトは " +
                     (code == kKxCodeUTF8 ? "UTF-8" : "EUC-JP") +
                     " の文字になりません。保存すると、元のバイトには戻りません。";
    }
    const short before = mEngine->GetLineEndType();
    fresh = std::make_unique<CKXText>();
    CKXFlavorExchange exchange(mEngine);
    exchange.SetTextEncoding(aozora ? kKxCodeAozora : code);
    short mask = 0;
    try {
      exchange.ReceiveDataFrom(SKXRange{0, 0}, tube, KXHandleAccess::Wrap(fresh.get()), &mask);
    } catch (...) {
      mEngine->SetLineEndType(before);
      Rethrow();
    }
    // The characters come in the exchange's own style; a plain text shows in
    // the document's default size (the preferred one, or the one the user
    // gave the whole text), as a new document does, and in its default font
    // when that font writes the script the text was read in (the bytes of
    // one script are other characters in another) or the text is all ASCII.
    if (fresh->GetStylCount() <= 1) {
      SKXEditStyl edit{};
      KXTE_GetEditStyl(mEngine->GetEdit(), edit);
      SKXStyl run{};
      fresh->GetStyls(&run, 1);
      const short wanted = edit.font > 0 ? edit.font : kKxApplicationFont;
      const short font = fresh->IsAsciiOnly() ? wanted : KxFontKeepingScript(wanted, run.styl.font);
      CKXStylArray runs;
      runs.InitStylArray(font, edit.size > 0 ? edit.size : kKxDefaultFontSize, 0);
      runs.GetStylAt(1, run.styl);
      fresh->SetStyls(&run, 1);
    }
    lineEnd = mEngine->GetLineEndType();
    format.encoding = std::uint16_t(code);
    fileCode = code;
    format.hasUnicodeForm = exchange.HasUnicodeForm();
    format.unicodeForm = exchange.GetUnicodeForm();
  }
  // Everything read: the text changes now, as one step. Its stored styles
  // go first, so that it is laid out once, under them. The characters are
  // handed over, not copied: a large text is held once, not twice. A plain
  // text keeps the styles it was shown with.
  mStylesRead = !doc.plain && doc.settings.hasPref;
  if (!doc.plain) ApplyStyles(doc.settings);
  if (doc.hasPage) ApplyPage(doc.page);
  mEngine->TextTakeText(KXHandleAccess::Wrap(fresh.get()));
  // A plain text is shown in the start-up colour, as a new document is.
  if (doc.plain && gPreference2.startupColorOn) mEngine->SetStartupColor(gPreference2.startupColor);
  mEngine->SetLineEndType(lineEnd);
  mEngine->SetSelectionRange(SKXRange{0, 0}, true);
  SetFormat(format);
  mFileCode = fileCode;
  mSettings = doc.plain ? KxNewDocumentSettings() : doc.settings;
  ApplyMarks(mSettings);
  mPendingTopLeft = -1;
  if (doc.plain) {
    ApplyFormSettings(mSettings);
  } else {
    ApplyWindowSettings(mSettings);
    // Offsets were held to the text's characters as it was read.
    const SKXWindowRec& w = mSettings.window;
    if (w.selStart != 0 || w.selEnd != 0)
      mEngine->SetSelectionRange(SKXRange{std::int32_t(w.selStart), std::int32_t(w.selEnd - w.selStart)}, false);
    if (w.topLeft != 0 || mSettings.pref.vertical != 0) mPendingTopLeft = long(w.topLeft);
    if (mSettings.printRecord.size() == std::size_t(kKxMTPRSize))
      SetStoredPrintRecord(mSettings.printRecord);
    else
      mStoredPrintRecord.clear();
  }
  // RTF, pictures and stationery are read as a copy: saving asks for a
  // name, and the file itself is never written.
  mUntitledCopy = !format.container && (KxIsForeignDocument(doc.fileType) || doc.fileType == FourCC("sEXT"));
  // Text converted from Aozora notation is a new document: saving it over
  // its source would lose the notation.
  mConverted = aozora;
  if (aozora) mUntitledCopy = true;
  if (doc.fileType == FourCC("ttro")) mEngine->SetAttributes(mEngine->GetAttributes() & ~kKxEngineEditable);
  mDiskStamp = stamp;
}

void CKXTextDocument::DoRevert() {
  const std::string path = Path();
  if (path.empty()) return;
  try {
    ReadInto(path);
  } catch (...) {
    long err = ioErr;
    try {
      Rethrow();
    } catch (const LException& e) {
      err = e.GetErrorCode();
    }
    const std::string why = err > 0 ? KxErrorText(int(err)) : "エラー " + std::to_string(err);
    KxCurrentHost().Alert(KxAlertKind::kStop,
                          !mReadMessage.empty()
                              ? mReadMessage
                              : "書類\u300C" + LeafOf(path) + "\u300Dを読み込めませんでした (" + why + ")。");
    throw LException(err);
  }
  // The old actions name offsets of the old text: a fresh history.
  mTextWindow->RenewUndoer();
  if (const Rect* bounds = StoredBounds()) CKXDocument::DoSetBounds(*bounds);
  // A window being made scrolls once it is placed and shown.
  if (mPanes.window->IsVisible()) RestoreScroll();
  mTitle = LeafOf(path);
  UpdateTitle();
  mBackedUp = false;   // a new opening of the file
  mEngine->SetTextChanged(false);
  SetModified(false);
  mPanes.window->Refresh();
}

void CKXTextDocument::ApplyPage(const SKXDocPage& page) {
  const KXEditHandle edit = mEngine->GetEdit();
  mEngine->SetPaperSize(PointL{page.paperHeight, page.paperWidth}, false);
  KXTE_SetPageColumn(edit, page.columns, page.gap);
  mEngine->SetPageMargin(page.margins, true);
  Rect margins{}, hard{};
  KXTE_GetPageMargin(edit, margins);
  KXTE_GetHardMargin(edit, hard);
  auto band = [&](bool footer, const SKXBandSettings& b, const std::string& text) {
    if (text.empty()) return;
    const std::int32_t room = KxBandRoom(footer ? margins.bottom : margins.top, hard);
    const std::size_t n = std::min<std::size_t>(text.size(), kKxBandTextMax);
    (footer ? KXTE_SetFooterStyle : KXTE_SetHeaderStyle)(edit, short(KxLimitBandDistance(b.bandHeight, room)),
                                                         text.data(), std::uint8_t(n), b.style, b.alignment,
                                                         b.dateFormat, b.timeFormat);
  };
  band(false, page.header, page.headerText);
  band(true, page.footer, page.footerText);
}

// ---- Writing ------------------------------------------------------------------------------------

SKXSaveFormat CKXTextDocument::GetFormat() const {
  SKXSaveFormat format = mFormat;
  if (mEngine) format.container = mEngine->GetOwnFormat();
  const std::uint16_t encoding = mEngine ? mEngine->GetTextEncoding() : format.encoding;
  if (encoding != format.encoding) {
    format.encoding = encoding;
    format.hasUnicodeForm = false;  // another encoding is spelt the usual way
  }
  return format;
}

void CKXTextDocument::SetFormat(const SKXSaveFormat& format) {
  mFormat = format;
  if (!mEngine) return;
  mEngine->SetTextEncoding(format.encoding);
  mEngine->SetOwnFormat(format.container);
}

void CKXTextDocument::DoSave() {
  // A composition is not text yet: the input method ends it first (its
  // commit, or nothing), so the file never holds what was being typed.
  if (!mAutoSaving)
    for (CKXTextView* v : mPanes.view)
      if (v) v->EndComposition();
  mFormat = GetFormat();
  SaveMarkListState();
  const std::string path = Path();
  if (path.empty()) throw LException(fnfErr);
  if (mSaveAsDeclined) {
    mSaveAsDeclined = false;
    throw LException(kKxUserCanceled);
  }
  // Another program saved the file since this window read or wrote it:
  // writing over it would lose that program's changes without a word. A
  // Save As onto it is the user's choice; a file gone is written anew.
  if (!mSavingAs && mDiskStamp.known) {
    const KxFileStamp now = KxStampOf(path);
    if (now.known && now != mDiskStamp) {
      mSaveMessage = "このウインドウで読み込んだ後に、ほかのプログラムがファイルを変更しました。上書きすると"
                     "その変更が失われます。このテキストを残すには\u300C別名で保存\u300Dを使ってください"
                     "（同じ名前を選ぶとファイルを置き換えます）。";
      throw LException(EBUSY);
    }
  }
  const Settings& s = GetSettings();
  // Every save the user asks for rotates the backups. An auto-save rotates
  // only while nothing has in this opening, so that it can never cycle the
  // version from before the session out of them.
  const bool rotate = !mAutoSaving || !mBackedUp;
  const int generations = s.backups && IsSpecified() && rotate && KxPathExists(path) ? s.backupGenerations : 0;
  KxTakeBackupFailure();
  std::string message;
  mSaveMessage.clear();
  long lost = 0;
  // A text that holds more than its characters keeps the rest beside it
  // (the sidecar); a Unicode text cannot, and the user hears so.
  const bool unicode = mFormat.encoding >= kKxEncodingUTF16;
  const bool holds = HoldsMoreThanText();
  const bool more = mFormat.styled || holds;
  // A name ending in ".rtf" is an RTF file, which holds the styles itself.
  const bool rtf = CKXTextFileTube::TextFileTypeCheck(kTypeText, path) == kFormatRTF;
  bool dropped = false, rtfLost = false;
  try {
    if (mFormat.container || (more && !unicode && !rtf)) {
      SKXDocument doc;
      doc.type = kTypeText;
      doc.creator = GetFileCreator();
      // A styled text file keeps its encoding and line ends.
      if (!mFormat.container) doc.spelling = SKXTextSpelling{mFormat.encoding, mEngine->GetLineEndType(), 0};
      TakeSettings(doc.settings);
      mEngine->TextCopy(mEngine->GetTotalRange(), KXHandleAccess::Wrap(doc.text.get()), kKxSaveAll);
      const EKXLayout layout = mFormat.container ? EKXLayout::kContainer : EKXLayout::kClassic;
      if (int err = KxWriteDocument(path, doc, layout, message, generations)) throw LException(err);
      if (!mFormat.container) mFormat.styled = true;
    } else {
      CKXTextFileTube tube;
      if (int err = tube.OpenWrite(path, kTypeText, GetFileCreator(), EKXLayout::kClassic, message))
        throw LException(err);
      if (rtf) {
        // The text goes through the converter, with its styles and its
        // page, or the save fails. What RTF has no words for is told.
        CKXText copy;
        mEngine->TextCopy(mEngine->GetTotalRange(), KXHandleAccess::Wrap(&copy), kKxSaveAll);
        SKXDocSettings settings;
        TakeSettings(settings);
        const SKXDocPage page = KxDocPageOf(settings);
        rtfLost = KxRTFLosesFromText(copy) || KxRTFLosesPage(page) || !settings.marks.empty() ||
                  settings.pref.vertical != 0;
        std::vector<std::uint8_t> rtf;
        if (int err = KxExportRTF(copy, &page, rtf, message)) throw LException(err);
        tube.PutFlavor(kFormatRTF, rtf.data(), long(rtf.size()));
      } else {
        lost = KxCountUnwritable(mEngine->GetEdit(), short(mFormat.encoding));
        CKXFlavorExchange exchange(mEngine);
        exchange.SetTextEncoding(short(mFormat.encoding));
        // Nothing beside the file says which bytes are in which script:
        // text in another script's font is written as its characters.
        exchange.SetTextAlone(true);
        // A Unicode file keeps its byte order and mark.
        if (mFormat.hasUnicodeForm) exchange.SetUnicodeForm(mFormat.unicodeForm);
        exchange.SendFlavorTo(kTypeText, CKXTextLayer::sTextAll, tube);
        lost += exchange.GetUnwritten();
        // Records left from an earlier sidecar would outlive the text they
        // were about.
        DeleteDocPref(tube);
        dropped = unicode && holds;
        mFormat.styled = false;
      }
      if (int err = tube.Commit(message, generations)) throw LException(err);
    }
  } catch (...) {
    // The writer's own words say more than the code that came with them.
    mSaveMessage = message;
    Rethrow();
  }
  if (generations > 0) mBackedUp = true;
  // A backup that could not be made never stops a save; the user hears of
  // it once per document.
  if (KxTakeBackupFailure() && !mBackupFailureShown) {
    mBackupFailureShown = true;
    KxCurrentHost().Alert(KxAlertKind::kCaution, "書類\u300C" + LeafOf(path) +
                                                     "\u300Dは保存しましたが、バックアップを作れませんでした。");
  }
  mDiskStamp = KxStampOf(path);
  mTitle = LeafOf(path);
  UpdateTitle();
  // What the file could not hold is still only in the window: the document
  // stays changed, so that closing it asks to save (in another encoding or
  // format) rather than dropping it.
  const bool unsaid = lost > 0 || dropped || rtfLost;
  mEngine->SetTextChanged(unsaid);
  SetModified(unsaid);
  SetSpecified(true);
  // The file is now spelt in the document's encoding.
  if (!rtf && !mFormat.container) mFileCode = short(mFormat.encoding);
  // The file holds what its encoding can: the user hears what it could not
  // (the text in the window still has it, for a save in Unicode).
  if (lost > 0 && !mAutoSaving) KXMessageBox::NumNote(kUnwritableMessage, lost);
  if (rtfLost && !mAutoSaving) KXMessageBox::Alert(kKxAlertNote, kRTFLostMessage);
  if (dropped && !mAutoSaving)
    KxCurrentHost().Alert(KxAlertKind::kNote, "\u300C" + LeafOf(path) +
                                                  "\u300Dのスタイル、ルビ、ピクチャ、マークは Unicode の"
                                                  "テキストファイルには残せませんでした。ウインドウには残っています。"
                                                  "残すには kxtext 書類で保存してください。");
}

bool CKXTextDocument::HoldsMoreThanText() const {
  // What a plain text read back would lose. The font, size and colour of
  // a text in one style are the window's, as for any plain text.
  const CKXText& text = *KXHandleAccess::Edit(mEngine->GetEdit());
  if (text.GetRubysCount() > 0 || text.GetStylCount() > 1) return true;
  SKXStyl styl{};
  if (text.GetStylCount() == 1 && text.GetStyls(&styl, 1) == 1 && styl.styl.face != 0) return true;
  const long decos = text.GetDecoCount();
  if (decos > 0) {
    std::vector<SKXDeco> runs(std::size_t(decos), SKXDeco{});
    const long got = text.GetDecos(runs.data(), decos);
    for (long i = 0; i < got; ++i) {
      const SDeco& d = runs[std::size_t(i)].deco;
      if (d.lineBits != 0 || d.net != 0 || d.flags != 0 || d.pictID != 0) return true;
    }
  }
  const long paras = text.GetParaCount();
  if (paras > 0) {
    SParaStyl plain{};
    text.GetParaStylDefault(plain);
    std::vector<SKXPara> runs(std::size_t(paras), SKXPara{});
    const long got = text.GetParas(runs.data(), paras);
    for (long i = 0; i < got; ++i)
      if (std::memcmp(&runs[std::size_t(i)].para, &plain, sizeof plain) != 0) return true;
  }
  KXMarkSet marks;
  mEngine->GetMarks(marks);
  if (!marks.empty()) return true;
  // A header or footer is written text of the document too.
  SKXDocSettings settings;
  TakeSettings(settings);
  if (!settings.pref.headerText.empty() || !settings.pref.footerText.empty()) return true;
  // So is a page the user laid out: a plain text read back would start on
  // a new document's. Compared as printed, whatever the writing.
  const SDocPref fresh = KxNewDocumentSettings().pref;
  SKXPageStyl page{}, start{};
  KXTE_GetPageStyl(mEngine->GetEdit(), page);
  PageFromPref(fresh, start);
  return PrintedPage(page, settings.pref.vertical != 0) != PrintedPage(start, fresh.vertical != 0);
}

std::array<long, 9> CKXTextDocument::PrintedPage(const SKXPageStyl& page, bool vertical) {
  const RectL& a = page.textArea;
  const long top = a.top, left = a.left, bottom = page.paperHeight - a.bottom, right = page.paperWidth - a.right;
  // A vertical page is stored a quarter turn clockwise.
  if (vertical)
    return {page.paperWidth, page.paperHeight, left, bottom, right, top, page.columns, page.gap, page.pageOffset};
  return {page.paperHeight, page.paperWidth, top, left, bottom, right, page.columns, page.gap, page.pageOffset};
}

void CKXTextDocument::DoAutoSave() { DoAutoSaveAt(TickCount()); }

void CKXTextDocument::DoAutoSaveAt(std::uint32_t now) {
  const Settings& s = GetSettings();
  if (!s.autoSave || mAutoSaveFailed) return;
  if (mAutoSaveDeadline == 0) {
    if (s.autoSaveSeconds > 0) mAutoSaveDeadline = std::max<std::uint32_t>(1, now + s.autoSaveSeconds * kTicksPerSecond);
    return;
  }
  if (std::int32_t(now - mAutoSaveDeadline) < 0) return;
  mAutoSaveDeadline = 0;
  if (!LDocument::IsModified() || !IsSpecified() || !mFile) return;
  // Never in the middle of a composition: the next interval saves.
  for (CKXTextView* v : mPanes.view)
    if (v && v->InputMethodComposing()) return;
  try {
    mAutoSaving = true;
    DoSave();
    mAutoSaving = false;
  } catch (const LException& e) {
    mAutoSaving = false;
    // Once per failure: a stop alert at every interval would keep
    // interrupting the typing it is meant to protect. Auto-save rests until
    // the document is saved (or otherwise leaves its modified state).
    mAutoSaveFailed = true;
    ReportSaveFailure(e.GetErrorCode());
  }
}

std::unique_ptr<KxNavExtras> CKXTextDocument::MakeSaveExtras(const std::vector<NavMenuItemSpec>& formats) {
  // A Save As begins: what an earlier save said is no answer to its dialog.
  mSaveMessage.clear();
  mSaveChoice = KxSaveTextSettings{};
  mSaveChoice.encoding = short(std::min<std::uint16_t>(GetFormat().encoding, kKxEncodingUTF8));
  const short lineEnd = mEngine->GetLineEndType();
  if (lineEnd >= kKxLineEndCR && lineEnd <= kKxLineEndLF) mSaveChoice.lineEnd = lineEnd;
  if (!CKXJCode::sUseCVKANJI && !CKXJCode::sUseUNICODE) return nullptr;
  const std::string path = Path();
  const std::string folder = !path.empty() ? std::filesystem::path(path).parent_path().string() : mFolder;
  // The popups are among the extras the file preference shows or hides.
  return std::make_unique<KxSaveNavExtras>(&mSaveChoice, formats, folder, KxUseCustomNavigation());
}

bool CKXTextDocument::AskSaveAs(FSSpec& fileSpec, bool recordIt) {
  // The dialog's choices are applied before the file is written; a save
  // that fails, is refused or is declined must not leave them for the next
  // Save to write the old file in.
  const SKXSaveFormat format = GetFormat();
  const short lineEnd = mEngine->GetLineEndType();
  const short fileCode = mFileCode;
  mSavingAs = true;
  struct Scope {
    bool& flag;
    ~Scope() { flag = false; }
  } savingAs{mSavingAs};
  if (CKXDocument::AskSaveAs(fileSpec, recordIt)) return true;
  SetFormat(format);
  mEngine->SetLineEndType(lineEnd);
  mFileCode = fileCode;
  mSaveAsDeclined = false;
  return false;
}

void CKXTextDocument::CheckSaveAs(FSSpec& fileSpec, OSType& type) {
  mFormat = GetFormat();
  const OSType code = type;
  SKXSaveAsChoice choice{fileSpec.name, type, mFormat};
  KxApplySaveAsFormat(choice, type, 255);
  // Plain text in the encoding the popup chose; the Unicode formats name
  // their own.
  if (mSaveChoice.chosen && code == kTypeText) choice.format.encoding = std::uint16_t(mSaveChoice.encoding);
  mSaveAsDeclined = false;
  if (choice.name != fileSpec.name) {
    // The dialog asked about the name as typed; the suffix names another
    // file, which is not replaced unasked.
    FSSpec suffixed = fileSpec;
    suffixed.name = choice.name;
    if (KxPathExists(suffixed.Path()) &&
        KxCurrentHost().Alert(KxAlertKind::kCaution, "\u300C" + choice.name +
                                                         "\u300Dはすでにあります。置き換えますか？") != KxAnswer::kOK) {
      mSaveAsDeclined = true;
      return;
    }
  }
  fileSpec.name = choice.name;
  type = choice.type;
  // Another encoding is spelt the usual way.
  if (choice.format.encoding != mFormat.encoding) choice.format.hasUnicodeForm = false;
  SetFormat(choice.format);
  if (mSaveChoice.chosen && KxIsPlainTextFormat(code)) mEngine->SetLineEndType(mSaveChoice.lineEnd);
  mSaveChoice.chosen = false;
}

std::vector<NavMenuItemSpec> CKXTextDocument::GetSaveAsMenuItem(std::int32_t& selected) const {
  static const struct {
    OSType code;
    const char* label;
  } kFormats[] = {
      {FourCC("TEXT"), "Text"}, {kFormatNative, "kxtext document"}, {kFormatRTF, "RTF"},
      {kFormatUTF16, "Unicode (UTF-16)"},   {kFormatUTF8, "Unicode (UTF-8)"},
  };
  std::vector<NavMenuItemSpec> items;
  for (const auto& f : kFormats) items.push_back(NavMenuItemSpec{0, GetFileCreator(), f.code, f.label});
  OSType current = FourCC("TEXT");
  const SKXSaveFormat format = GetFormat();
  if (format.container) current = kFormatNative;
  else if (format.encoding == kKxEncodingUTF16) current = kFormatUTF16;
  else if (format.encoding == kKxEncodingUTF8) current = kFormatUTF8;
  else if (EndsWithNoCase(Path(), ".rtf")) current = kFormatRTF;
  selected = 1;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].menuType == current) selected = std::int32_t(i + 1);
  return items;
}

// ---- Commands -----------------------------------------------------------------------------------

namespace {
// A dialog that holds the program until it closes: this document's file
// dialog, or any dialog that set the program's dialog-open state (this
// document's line, mark, format and layout dialogs among them). Until it
// goes, the document runs none of its commands, so that a key equivalent
// cannot save, close or cover the document behind it.
bool DialogShowing(const CKXTextDocument& doc) { return doc.IsDialogOpen() || gDialogOpen; }
}  // namespace

bool CKXTextDocument::ObeyCommand(CommandT command, void* param) {
  if (kKxDialogMessages.Contains(command) && DialogObeyCommand(MessageT(command), DialogOfMessage(MessageT(command))))
    return true;
  if (DialogShowing(*this)) return CKXDocument::ObeyCommand(command, param);
  if (ObeyBarCommand(command)) return true;
  if (KxObeyArrangeCommand(*this, command)) return true;
  switch (command) {
    case kKxCmdClose: AttemptClose(); return true;
    case kCmdSave:
      if (IsSpecified() && mFile) {
        try {
          DoSave();
        } catch (const LException& e) {
          ReportSaveFailure(e.GetErrorCode());
        }
        return true;
      }
      [[fallthrough]];
    case kCmdSaveAs: {
      FSSpec fileSpec;
      AskSaveAs(fileSpec, true);
      return true;
    }
    case kKxCmdMarkList: ToggleMarkList(); return true;
    case kKxCmdPageSetup: HandlePageSetup(); return true;
    case kKxCmdPrint: HandlePrint(); return true;
    case kCmdParagraph: OpenParagraphDialog(0); return true;
    case kCmdTabs: OpenTabsDialog(0, 0); return true;
    case kCmdGoToPage: OpenPageDialog(); return true;
    case kCmdPageLayout: OpenPageLayoutDialog(); return true;
    case kCmdHeader: OpenBandDialog(false); return true;
    case kCmdFooter: OpenBandDialog(true); return true;
    case kCmdVertical: {
      VerticalWindow(KXTE_GetVertical(mEngine->GetEdit()) == 0, true);
      // The selection again, so that it comes into view in the new writing.
      mEngine->SetSelectionRange(mEngine->GetSelectionRange(), true);
      return true;
    }
    case kKxCmdCharTable:
      // Caps Lock with Control and Option, without Command and Shift, asks
      // for the name stamp instead.
      if (KxCapsLockDown() && KxControlKeyDown() && KxOptionKeyDown() && !KxCommandKeyDown() && !KxShiftKeyDown()) {
        if (CKXTextView* view = CurrentTextView()) view->NameDialog();
        return true;
      }
      CKXTextCharCode::ShowCharCode(this);
      return true;
    case kKxCmdGoToLine: OpenLineDialog(); return true;
    case kKxCmdMarkDialog: OpenMarkDialog(); return true;
    case kKxCmdSizeDialog: OpenSizeDialog(); return true;
    case kKxCmdColourPicker: ChooseTextColour(); return true;
    case kKxCmdFontregDialog: OpenFontregDialog(); return true;
    case kKxCmdRubyDialog: OpenRubyDialog(); return true;
    case kKxCmdTextFormatDialog: OpenTextFormatDialog(); return true;
    case kKxCmdFind: OpenFindDialog(false); return true;
    case kKxCmdFindReplace: OpenFindDialog(true); return true;
    case kCmdRevert:
      if (IsSpecified() && mFile && AskConfirmRevert()) {
        try {
          DoRevert();
          ShowReadNotice();
        } catch (const LException&) {
          // Reported; the document is as it was.
        }
      }
      return true;
    default: break;
  }
  if (ObeySpellCheckCommand(command)) return true;
  if (ObeyFormCommand(command)) return true;
  if (kKxWindowCommands.Contains(command)) {
    if (CKXDocument* d = FindIndexDocument(int(command - kKxWindowCommands.first + 1))) d->MakeCurrent();
    return true;
  }
  return CKXDocument::ObeyCommand(command, param);
}

void CKXTextDocument::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                        std::uint16_t& mark, Str255 name) {
  if (DialogShowing(*this)) {
    // Off, except what the key settings can pick while they pick (the
    // choice reaches them through the application).
    if (!KxCustomizeFindCommand(command, enabled)) enabled = false;
    return;
  }
  if (KxFindArrangeCommandStatus(command, enabled)) return;
  switch (command) {
    case kKxCmdClose:
    case kKxCmdPageSetup:
    case kKxCmdPrint:
    case kKxCmdFind:
    case kKxCmdFindReplace:
    case kKxCmdCharTable:
    case kCmdSaveAs: enabled = true; return;
    case kCmdSave: enabled = LDocument::IsModified() || !IsSpecified(); return;
    // Only to a file on disk: a name opened empty has none to go back to.
    case kCmdRevert: enabled = IsSpecified() && LDocument::IsModified() && !KxPathMissing(Path()); return;
    default: break;
  }
  if (FindSpellCheckCommandStatus(command, enabled, usesMark, mark)) return;
  if (kKxWindowCommands.Contains(command)) {
    enabled = true;
    usesMark = true;
    mark = FindIndexDocument(int(command - kKxWindowCommands.first + 1)) == this ? 18 : 0;
    return;
  }
  CKXDocument::FindCommandStatus(command, enabled, usesMark, mark, name);
}

void CKXTextDocument::ReportSaveFailureAs(const std::string& name, long err) {
  std::string why;
  why.swap(mSaveMessage);
  if (err == kKxUserCanceled) return;
  if (why.empty()) {
    CKXDocument::ReportSaveFailureAs(name, err);
    return;
  }
  KxCurrentHost().Alert(KxAlertKind::kStop, "書類\u300C" + name + "\u300Dを保存できませんでした。" + why +
                                                "書類は変更を保ったまま開いています。");
}

void CKXTextDocument::Close() {
  delete this;
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

// ---- The application's view of the documents ---------------------------------------------------

std::vector<CKXTextDocument*> KxTextDocHooks::All() {
  std::vector<CKXTextDocument*> out;
  for (LDocument* d : LDocument::GetDocumentList())
    if (auto* t = dynamic_cast<CKXTextDocument*>(d); t && t->GetEngine()) out.push_back(t);
  return out;
}

void KxTextDocHooks::RegisterClasses() {
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxInstallTextWindowHooks();
  KxInstallMarkListMenuHook();
  KxRegisterDocDialogClasses();
  KxRegisterDocumentToolClasses();
  KxRegisterFindAssistClass();
  KxInstallSpellingRoute();
}

bool KxTextDocHooks::MarkListOpen() { return CKXTextMarkList::IsMarkList(); }

void KxTextDocHooks::ReadPreference() {
  KxAppHooks::ReadPreference();
  TakeDocumentSettings();
}

bool KxTextDocHooks::NewDocument() {
  auto* doc = new CKXTextDocument(CKXTextApp::GetTextApp(), "");
  if (!doc->FinishCreateSelf()) {
    delete doc;
    return false;
  }
  return true;
}

void CKXTextDocument::DoSetBounds(const SKXRectL& bounds) {
  auto pin = [](std::int32_t v) { return short(std::clamp<std::int32_t>(v, -32768, 32767)); };
  DoSetBounds(Rect{pin(bounds.top), pin(bounds.left), pin(bounds.bottom), pin(bounds.right)});
}

CKXTextDocument* KxTextDocHooks::Open(const std::string& path) {
  const std::string full = WholePath(path);
  // A plain text asked for as Aozora notation becomes a converted copy,
  // whichever window shows the file itself.
  const bool converting = CKXJCode::sCodeType == kKxCodeAozora && KxReadsAsPlainText(full);
  for (CKXTextDocument* d : All())
    if (!converting && KxSameFile(d->Path(), full)) {
      d->MakeCurrent();
      return d;
    }
  auto* doc = new CKXTextDocument(CKXTextApp::GetTextApp(), path);
  if (!doc->FinishCreateSelf()) {
    delete doc;
    return nullptr;
  }
  return doc;
}

bool KxTextDocHooks::OpenDocument(const std::string& path) { return Open(path) != nullptr; }

KxResumeDocument* KxTextDocHooks::OpenForResume(const std::string& path) { return Open(path); }

bool KxTextDocHooks::CloseAllDocuments(OSType saveOption) {
  OSType option = kKxSaveAsk;
  if (saveOption == kAEYes) option = kKxSaveYes;
  else if (saveOption == kAENo) option = kKxSaveNo;
  // Front to back, as the windows stand: the user is asked about the one
  // in front first, and the resume list keeps the stacking order. A
  // document whose window the host does not list goes last.
  const std::vector<CKXTextDocument*> all = All();
  std::vector<CKXTextDocument*> docs;
  for (KxWindowID id : KxCurrentHost().WindowList())
    for (CKXTextDocument* d : all)
      if (d->GetWindow() && d->GetWindow()->GetHostWindow() == id) docs.push_back(d);
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (std::find(docs.begin(), docs.end(), *it) == docs.end()) docs.push_back(*it);
  for (CKXTextDocument* d : docs)
    if (!d->AttemptQuitSelf(option)) return false;
  return true;
}

std::vector<UWindowMenu::Document> KxTextDocHooks::Documents() {
  std::vector<UWindowMenu::Document> out;
  for (CKXTextDocument* d : All())
    out.push_back({KxMenuTextFromUTF8(d->TitleText()), d->LDocument::IsModified(), !d->IsEditable(),
                   KxMenuTextUnicode(d->TitleText())});
  return out;
}

std::string KxTextDocHooks::FrontText() {
  LWindow* front = LWindow::FetchFrontWindow();
  for (CKXTextDocument* d : All())
    if (d->GetWindow() == front) return d->TextBytes();
  return {};
}

void KxTextDocHooks::SelectDocument(int index) {
  const auto docs = All();
  if (index >= 1 && std::size_t(index) <= docs.size()) docs[std::size_t(index - 1)]->MakeCurrent();
}
