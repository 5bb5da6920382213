// The scrap book: its engine, its file and its clips.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/app_commands.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "app/prefs_records.h"
#include "document/clipboard_window.h"
#include "document/doc_file.h"
#include "document/doc_records.h"
#include "document/file_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_action.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/store/text.h"

CKXTextEngine* CKXTextClipboard::sTextScrap = nullptr;
bool CKXTextClipboard::sTextScrapChanged = false;
CKXTextClipboard* CKXTextClipboard::sTextClipboard = nullptr;
Rect CKXTextClipboard::sBoundsClipboard{0, 0, 0, 0};

namespace {

// STR# 202: 2 the scrap book's earlier name, 4 its name, 6 the factory
// folder inside the data folder.
constexpr short kNamesList = 202;
constexpr short kEarlierScrapItem = 2;
constexpr short kScrapItem = 4;
constexpr short kFactoryFolderItem = 6;

std::string gPreferenceFolder;
std::string gDataFolder;
// A failed write is told once, until a write works again.
bool gWriteFailureShown = false;
// A scrap book file (under the current or the earlier name) that was not
// read whole at start-up: it goes aside before the first write, so that
// its clips survive; empty when there is none.
std::string gDamagedFile;
void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  KxRemoveSidecar(path);
}

// The marks as the file's record stores them, and the count it declares:
// what a whole read must give back. False when the record is not there.
bool StoredMarks(const std::string& path, long& declared, std::vector<SKXMarkRec>& marks) {
  CKXTextFileTube tube;
  std::string message;
  std::vector<std::uint8_t> bytes;
  if (tube.OpenRead(path, message) != 0 || !tube.FlavorExists(kKxRecMARK) || !tube.GetFlavorData(kKxRecMARK, bytes) ||
      bytes.size() < 2)
    return false;
  declared = KxGetU16N(bytes.data());
  KxReadMARK(bytes.data(), long(bytes.size()), kKxNativeOrder, marks);
  return true;
}

// Whether every clip the file stores reached `read`: none cut off by a
// damaged record, none dropped or clipped against a short text.
bool ReadWhole(const std::string& path, const SKXDocument& doc, const std::vector<SKXMarkRec>& read) {
  if (!doc.notice.empty() || doc.stale) return false;
  long declared = 0;
  std::vector<SKXMarkRec> stored;
  // A book with text but no clips is never written (the last clip's
  // delete removes the file): its record is what went missing.
  if (!StoredMarks(path, declared, stored)) return doc.text->GetLength() == 0;
  if (declared != long(stored.size()) || stored.size() != read.size()) return false;
  for (std::size_t k = 0; k < stored.size(); ++k)
    if (stored[k].start != read[k].start || stored[k].end != read[k].end) return false;
  return true;
}

// Whether a read gave the book clips (all of them or some).
bool GotClips(KxScrapRead read) { return read == KxScrapRead::kWhole || read == KxScrapRead::kPartial; }

// Moves the damaged file at `path` to the first free damaged name beside
// it and tells the user where; 0, or why it could not be moved.
int MoveDamagedAside(const std::string& path) {
  std::string aside;
  if (const int err = KxRenameToDamagedName(path, path, aside)) return err;
  KxCurrentHost().Alert(KxAlertKind::kNote, "スクラップブックのファイルを最後まで読み込めませんでした。上書きせずに\u300C" +
                                                aside + "\u300Dとして残しました。");
  return 0;
}

KXEditHandle ScrapEdit() {
  CKXTextEngine* scrap = CKXTextClipboard::GetScrapEngine();
  return scrap ? scrap->GetEdit() : KXEditHandle();
}

// The clip's range, held inside the text whatever the mark says.
bool ClipRange(long n, long& start, long& end) {
  KXEditHandle edit = ScrapEdit();
  if (!edit || n < 1 || n > KXTE_GetMarkCount(edit)) return false;
  KXTE_GetMarkRange(edit, n, start, end);
  const long length = CKXTextClipboard::GetScrapEngine()->GetTotalRange().length;
  start = std::clamp(start, 0L, length);
  end = std::clamp(end, start, length);
  return true;
}

}  // namespace

// ---- folders ------------------------------------------------------------------------------------

void CKXTextClipboard::SetFolders(const std::string& preferenceFolder, const std::string& dataFolder) {
  gPreferenceFolder = preferenceFolder;
  gDataFolder = dataFolder;
}

// Without a preference folder (no home folder) the book lives only in
// memory: no path, so nothing is read or written.
std::string CKXTextClipboard::ScrapPath() {
  return gPreferenceFolder.empty() ? std::string() : gPreferenceFolder + "/" + KxIndString(kNamesList, kScrapItem);
}

std::string CKXTextClipboard::EarlierScrapPath() {
  return gPreferenceFolder.empty() ? std::string()
                                   : gPreferenceFolder + "/" + KxIndString(kNamesList, kEarlierScrapItem);
}

std::string CKXTextClipboard::FactoryScrapPath() {
  return gDataFolder + "/" + KxIndString(kNamesList, kFactoryFolderItem) + "/" + KxIndString(kNamesList, kScrapItem);
}

bool CKXTextClipboard::KeepScrapBook() { return (gPreference.flags & kKxPrefFlagScrapBook) != 0; }

// ---- reading ------------------------------------------------------------------------------------

// The file's text and marks replace the scrap book's; when nothing could
// be read the scrap book is left as it was.
KxScrapRead CKXTextClipboard::ReadScrapFile(const std::string& path) {
  if (!KxPathExists(path)) return KxScrapRead::kMissing;
  if (!sTextScrap || !KxIsRegularFile(path)) return KxScrapRead::kUnreadable;
  SKXDocument doc;
  std::string message;
  bool whole = false;
  try {
    // The reader checks every run, picture and mark against the text.
    if (KxReadDocument(path, doc, message) != 0 || doc.plain) return KxScrapRead::kUnreadable;
    whole = ReadWhole(path, doc, doc.settings.marks);
    sTextScrap->TextTakeText(KXHandleAccess::Wrap(doc.text.get()));
  } catch (...) {
    return KxScrapRead::kUnreadable;
  }
  KXEditHandle edit = sTextScrap->GetEdit();
  while (KXTE_GetMarkCount(edit) > 0) KXTE_DeleteMark(edit, KXTE_GetMarkCount(edit));
  for (const SKXMarkRec& m : doc.settings.marks) {
    unsigned char name[256] = {std::uint8_t(std::min(m.name.size(), kKxClipNameBytes))};
    const std::size_t n = KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(m.name.data()), m.name.size(),
                                              kKxClipNameBytes);
    name[0] = std::uint8_t(n);
    std::memcpy(name + 1, m.name.data(), n);
    KXTE_InsertMark(edit, m.start, m.end, name);
  }
  sTextScrap->SetSelectionRange(SKXRange{0, 0}, false);
  if (KXTE_GetMarkCount(edit) != long(doc.settings.marks.size())) whole = false;
  return whole ? KxScrapRead::kWhole : KxScrapRead::kPartial;
}

bool CKXTextClipboard::ReadFactorySettings() {
  if (!sTextScrap) return false;
  const KxScrapRead read = ReadScrapFile(FactoryScrapPath());
  return GotClips(read) && sTextScrap->GetTotalRange().length > 0;
}

void CKXTextClipboard::InitializeScrap(bool onlyIfKept) {
  if (onlyIfKept && !KeepScrapBook()) return;
  if (sTextScrap) return;
  sTextScrap = new CKXTextEngine(false);
  sTextScrap->SetOwnFormat(true);
  sTextScrapChanged = false;
  gDamagedFile.clear();
  if (KxPathExists(ScrapPath())) {
    if (ReadScrapFile(ScrapPath()) != KxScrapRead::kWhole) gDamagedFile = ScrapPath();
  } else if (KxPathExists(EarlierScrapPath())) {
    // Only under the earlier name: written under the current one next time
    // (the first write removes the earlier file, so the factory clips must
    // not stand in for it).
    const KxScrapRead read = ReadScrapFile(EarlierScrapPath());
    if (GotClips(read)) sTextScrapChanged = true;
    if (read != KxScrapRead::kWhole) gDamagedFile = EarlierScrapPath();
    if (read == KxScrapRead::kUnreadable) ReadFactorySettings();
  } else {
    ReadFactorySettings();
  }
  UpdateMenu();
}

// ---- writing ------------------------------------------------------------------------------------

bool CKXTextClipboard::UpdateScrap(bool factoryLater) {
  if (!sTextScrap || !sTextScrapChanged) return true;
  sTextScrapChanged = false;
  KXEditHandle edit = sTextScrap->GetEdit();
  const std::string path = ScrapPath();
  if (path.empty()) return true;
  if (!gDamagedFile.empty() && KxPathExists(gDamagedFile)) {
    if (const int err = MoveDamagedAside(gDamagedFile)) {
      // Not moved: nothing is written over it.
      sTextScrapChanged = true;
      if (!gWriteFailureShown) {
        gWriteFailureShown = true;
        KxCurrentHost().Alert(KxAlertKind::kStop, "スクラップブックを保存できませんでした。壊れたファイルを別の名前で"
                                                  "残せませんでした (" +
                                                      KxErrorText(err) + ")。ファイルはそのままにしてあります。");
      }
      return false;
    }
  }
  gDamagedFile.clear();
  if (KXTE_GetMarkCount(edit) == 0) {
    // No clips left: the factory clips come back, and the user's file goes.
    if (factoryLater) sTextScrapChanged = true;
    else if (ReadFactorySettings()) UpdateMenu();
    if (KxPathExists(path)) RemoveFile(path);
    return true;
  }
  SKXDocument doc;
  doc.type = FourCC("TEXT");
  doc.creator = FourCC("KXTE");
  doc.settings = KxNewDocumentSettings();
  for (long k = 1; k <= KXTE_GetMarkCount(edit); ++k) {
    long start = 0, end = 0;
    unsigned char name[256] = {};
    KXTE_GetMarkRange(edit, k, start, end);
    KXTE_GetMarkString(edit, k, name);
    doc.settings.marks.push_back(
        SKXMarkRec{std::int32_t(start), std::int32_t(end), std::string(reinterpret_cast<char*>(name + 1), name[0])});
  }
  std::string message;
  int err = 0;
  try {
    sTextScrap->TextCopy(sTextScrap->GetTotalRange(), KXHandleAccess::Wrap(doc.text.get()), kKxSaveAll);
    std::error_code ec;
    std::filesystem::create_directories(gPreferenceFolder, ec);
    err = KxWriteDocument(path, doc, EKXLayout::kContainer, message);
  } catch (...) {
    err = err ? err : EIO;
  }
  if (err != 0) {
    // The old file is untouched; the clips stay to be written again.
    sTextScrapChanged = true;
    if (!gWriteFailureShown) {
      gWriteFailureShown = true;
      const std::string why = !message.empty() ? message : KxErrorText(err);
      KxCurrentHost().Alert(KxAlertKind::kStop,
                            "スクラップブックを保存できませんでした (" + why + ")。スクラップブックのファイルはそのままにしてあります。");
    }
    return false;
  }
  gWriteFailureShown = false;
  // Only now that the current file holds the clips does the earlier one go.
  if (KxPathExists(EarlierScrapPath())) RemoveFile(EarlierScrapPath());
  return true;
}

void CKXTextClipboard::TerminateScrap() {
  if (!sTextScrap) return;
  UpdateScrap();
  delete sTextScrap;
  sTextScrap = nullptr;
  sTextScrapChanged = false;
  UpdateMenu();
}

// ---- clips --------------------------------------------------------------------------------------

long CKXTextClipboard::CountClips() {
  KXEditHandle edit = ScrapEdit();
  return edit ? KXTE_GetMarkCount(edit) : 0;
}

std::string CKXTextClipboard::ClipName(long n) {
  KXEditHandle edit = ScrapEdit();
  if (!edit || n < 1 || n > KXTE_GetMarkCount(edit)) return {};
  unsigned char name[256] = {};
  KXTE_GetMarkString(edit, n, name);
  return std::string(reinterpret_cast<char*>(name + 1), name[0]);
}

bool CKXTextClipboard::GetScrapText(long n, KXTextHandle text) {
  long start = 0, end = 0;
  if (!text || !ClipRange(n, start, end) || end <= start) return false;
  sTextScrap->TextCopy(SKXRange{std::int32_t(start), std::int32_t(end - start)}, text, kKxSaveAll);
  return KXText_GetLength(text) > 0;
}

bool CKXTextClipboard::AddClip(const std::string& name, KXTextHandle text) {
  // An empty clip would be a mark of no length at the end of the book,
  // which the next clip's mark, starting at the same place, would swallow.
  if (!sTextScrap || name.empty() || !text || KXText_GetLength(text) <= 0) return false;
  const std::size_t n =
      KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(name.data()), name.size(), kKxClipNameBytes);
  if (n == 0) return false;
  unsigned char pname[256] = {std::uint8_t(n)};
  std::memcpy(pname + 1, name.data(), n);
  const long end = sTextScrap->GetTotalRange().length;
  sTextScrap->TextInsert(SKXRange{std::int32_t(end), 0}, text, kKxSaveAll);
  const long after = sTextScrap->GetTotalRange().length;
  KXTE_InsertMark(sTextScrap->GetEdit(), end, after, pname);
  sTextScrap->SetSelectionRange(SKXRange{std::int32_t(after), 0}, false);
  sTextScrapChanged = true;
  UpdateMenu();
  return true;
}

bool CKXTextClipboard::DeleteClip(long n) {
  long start = 0, end = 0;
  if (!ClipRange(n, start, end)) return false;
  KXTE_DeleteMark(sTextScrap->GetEdit(), n);
  if (end > start) sTextScrap->TextDelete(SKXRange{std::int32_t(start), std::int32_t(end - start)});
  sTextScrapChanged = true;
  UpdateMenu();
  return true;
}

bool CKXTextClipboard::PutClipOnClipboard(long n) {
  CKXText copy;
  if (!GetScrapText(n, KXHandleAccess::Wrap(&copy))) return false;
  KxPutTextOnClipboard(KXHandleAccess::Wrap(&copy));
  return true;
}

// ---- menus and the clipboard's kind ---------------------------------------------------------------

std::vector<std::string> CKXTextClipboard::MenuClipNames() {
  std::vector<std::string> names;
  if (!sTextScrap || !KeepScrapBook()) return names;
  const long count = std::min<long>(CountClips(), kKxClipMenuMax);
  for (long k = 1; k <= count; ++k) {
    std::string name = ClipName(k);
    // An item needs a text; a clip named nothing shows its number.
    names.push_back(name.empty() ? std::to_string(k) : name);
  }
  return names;
}

void CKXTextClipboard::UpdateMenu() { UEditMenu::UpdateClipboardMenu(MenuClipNames()); }

short CKXTextClipboard::GetClipboardType() {
  KxHost& host = KxCurrentHost();
  // A flavor of no bytes (another program's empty copy) holds nothing.
  auto holds = [&host](OSType type) {
    std::vector<std::uint8_t> data;
    return host.GetClipboard(type, data) && !data.empty();
  };
  // Other programs' text comes as Unicode alone.
  const bool text = holds(FourCC("TEXT")) || holds(FourCC("utxt"));
  if (text && holds(FourCC("styl"))) return kKxClipStyled;
  if (text) return kKxClipPlain;
  // Other programs' pictures come as JPEG.
  if (holds(FourCC("PICT")) || holds(FourCC("JPEG"))) return kKxClipPicture;
  return kKxClipNone;
}
