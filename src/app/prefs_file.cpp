#include "app/prefs_file.h"
#include "app/spelling_language.h"
#include "app/word_services.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/globals.h"
#include "app/histories.h"
#include "app/menu_keys.h"
#include "app/recent_menu.h"
#include "layout/linebreak.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/resources.h"
#include "text/codes/sjis_utf8.h"
#include "text/store/transform.h"

namespace {

constexpr std::size_t kChunkHead = 8;
constexpr unsigned char kDelete = 0x7F;   // a control character, like those below the space
constexpr std::size_t kLineBreakSize = 44;
// The widest reform the settings dialog takes: its field holds five digits.
constexpr long kLargestReformWidth = 99999;
constexpr std::size_t kToolHead = 16;       // stored head of a file tool
constexpr std::size_t kToolHeadUsed = 12;   // what of it is the tool's; the rest held its list
constexpr std::size_t kStreamEditorMin = kKxStreamEditorSize + 12;
constexpr std::size_t kStreamEditorHandles = 192;   // bytes 192-203 held the three blocks
constexpr std::size_t kStreamEditorHandlesEnd = 204;

// Names of the files (string list 202).
constexpr short kFileNames = 202;
constexpr short kNamePreferences = 1;
constexpr short kNameFactoryFolder = 6;

// Chunks that facilities above this area keep.
constexpr OSType kOwnedTags[] = {FourCC("KMRT"), FourCC("UCPT"), FourCC("UCNT"), FourCC("WSrv"), FourCC("CFRT"),
                                 FourCC("SPLG")};

// Slots of the factory copies, by tag.
constexpr OSType kFactoryTags[kKxFactorySlots] = {FourCC("MKDT"), FourCC("CK2T"), FourCC("AKDT"), FourCC("FKDT"), FourCC("KMRT"), FourCC("TFRT"),
                                                  FourCC("HDHT"), FourCC("FTHT"), FourCC("UCPT"), FourCC("UCNT"), FourCC("CFRT")};

struct Owned {
  KxPrefChunkOwner* owner = nullptr;
  KxBlock asRead;
};
std::map<OSType, Owned>& OwnedChunks() {
  static std::map<OSType, Owned> chunks;
  return chunks;
}
bool IsOwnedTag(OSType tag) { return std::find(std::begin(kOwnedTags), std::end(kOwnedTags), tag) != std::end(kOwnedTags); }

void SetOwnedData(OSType tag, const std::uint8_t* data, std::size_t size) {
  Owned& o = OwnedChunks()[tag];
  if (o.owner) o.owner->SetChunkData(data, size);
  else o.asRead.assign(data, data + size);
}

// The user's file as read when it was damaged, until a copy of it is kept.
struct DamagedFile {
  bool damaged = false;
  std::string userPath;
  std::string copyPath;   // set once the copy exists
  KxBlock bytes;          // held only while no copy exists
};
DamagedFile& Damage() {
  static DamagedFile damage;
  return damage;
}

// The copy goes under the first free damaged name: a file damaged again
// later must not replace the copy of an earlier one. It is written whole
// under a name of its own first, then renamed without replacing anything.
int KeepDamagedCopy() {
  DamagedFile& d = Damage();
  if (!d.damaged || !d.copyPath.empty()) return 0;
  const std::string temp = d.userPath + ".damaged-new";
  std::error_code ec;
  std::filesystem::remove(temp, ec);   // a leftover of an interrupted run, never a copy
  if (int err = KxWriteFileSafely(temp, d.bytes.data(), d.bytes.size())) return err;
  std::string aside;
  if (int err = KxRenameToDamagedName(temp, d.userPath, aside)) {
    std::filesystem::remove(temp, ec);
    return err;
  }
  d.copyPath = aside;
  KxBlock().swap(d.bytes);
  return 0;
}

// The user's file that was there but could not be read (no permission, a
// folder in its place): it is never written over, since the settings in it
// may come back once the user mends it.
struct UnreadableFile {
  std::string userPath;
  int err = 0;
};
UnreadableFile& Unreadable() {
  static UnreadableFile unreadable;
  return unreadable;
}

// Tags nobody here knows, as read, in order.
std::vector<KxPrefChunk>& UnknownChunks() {
  static std::vector<KxPrefChunk> chunks;
  return chunks;
}

std::string TagText(OSType tag) {
  std::string s(4, ' ');
  for (int k = 0; k < 4; ++k) {
    const unsigned char c = static_cast<unsigned char>(tag >> (24 - 8 * k));
    s[std::size_t(k)] = c >= 32 && c < 127 ? char(c) : '?';
  }
  return s;
}

KxBlock Bytes(const std::uint8_t* data, std::size_t size) { return KxBlock(data, data + size); }

// ---- line-break settings -------------------------------------------------------------

void WriteLineBreak(std::uint8_t* out) {
  std::memset(out, 0, kLineBreakSize);
  short type = 0;
  UKXText::GetShiftType(type, out + 2);
  KxPutU16BE(out, std::uint16_t(type));
  long width = 0;
  short kinsoku = 0;
  UKXText::GetReformMode(&width, &kinsoku, out + 40, out + 41, out + 42);
  KxPutU32BE(out + 34, std::uint32_t(std::clamp<long>(width, INT32_MIN, INT32_MAX)));
  KxPutU16BE(out + 38, std::uint16_t(kinsoku));
}

void ReadLineBreak(const std::uint8_t* d, std::size_t n) {
  // A field the chunk does not wholly hold keeps its setting: a short chunk
  // must not leave a reform width of 0 and every option off.
  struct Field {
    std::size_t at, size;
  };
  static constexpr Field kFields[] = {{0, 2}, {2, UKXText::kShiftStringSize}, {34, 4}, {38, 2}, {40, 1}, {41, 1}, {42, 1}};
  std::uint8_t rec[kLineBreakSize];
  WriteLineBreak(rec);
  for (const Field& f : kFields)
    if (f.at + f.size <= n) std::memcpy(rec + f.at, d + f.at, f.size);
  const short type = short(KxGetU16BE(rec));
  // No wider than the reform settings' field can show and take.
  const long width = std::clamp<long>(std::int32_t(KxGetU32BE(rec + 34)), 1, kLargestReformWidth);
  const short kinsoku = short(KxGetU16BE(rec + 38));
  UKXText::SetShiftType(type, rec + 2);
  UKXText::SetReformMode(width, kinsoku, rec[40], rec[41], rec[42]);
}

// ---- lists -----------------------------------------------------------------------------

KxBlock FspecList(const std::uint8_t* d, std::size_t n, int max) {
  KxBlock list = Bytes(d, n);
  UKXFSpec::Truncate(list, max);
  return list;
}

KxBlock FontList(const std::uint8_t* d, std::size_t n, short& count) {
  count = short(std::min<std::size_t>(n / kKxFontregSize, std::size_t(kKxMaxFontreg)));
  return Bytes(d, std::size_t(count) * kKxFontregSize);
}

void ReadFileTool(SKXFileToolPref& tool, const std::uint8_t* d, std::size_t n) {
  if (n < kToolHead) return;
  // The tool's own 12 bytes only: the rest of the head held the list.
  std::copy(d, d + kToolHeadUsed, tool.head.begin());
  tool.list = FspecList(d + kToolHead, n - kToolHead, INT16_MAX);
}

void ReadStreamEditor(const std::uint8_t* d, std::size_t n) {
  if (n < kStreamEditorMin) return;
  SKXStreamEditorPref se;
  std::copy(d, d + kKxStreamEditorSize, se.record.begin());
  std::fill(se.record.begin() + kStreamEditorHandles, se.record.begin() + kStreamEditorHandlesEnd, 0);
  // Each block is a u32 length and its bytes; a length beyond the chunk
  // ends the reading there and leaves that block and the later ones empty.
  std::size_t at = kKxStreamEditorSize;
  KxBlock* blocks[] = {&se.scriptBytes, &se.list196, &se.list192};
  for (KxBlock* b : blocks) {
    if (n - at < 4) break;
    const std::uint32_t length = KxGetU32BE(d + at);
    at += 4;
    if (length > n - at) break;
    *b = Bytes(d + at, length);
    at += length;
  }
  UKXFSpec::Truncate(se.list196, INT16_MAX);
  UKXFSpec::Truncate(se.list192, INT16_MAX);
  gStreamEditor = std::move(se);
}

// ---- writing ---------------------------------------------------------------------------

void Put(KxBlock& out, OSType tag, const std::uint8_t* data, std::size_t size) {
  const std::size_t at = out.size();
  out.resize(at + kChunkHead + size);
  SetTypeSizeData(tag, size, data, out.data() + at);
}
void Put(KxBlock& out, OSType tag, const KxBlock& data) { Put(out, tag, data.data(), data.size()); }
void PutIf(KxBlock& out, OSType tag, const KxBlock& data) {
  if (!data.empty()) Put(out, tag, data);
}

void PutFileTool(KxBlock& out, OSType tag, const SKXFileToolPref& tool) {
  if (tool.list.empty()) return;
  KxBlock data(kToolHead, 0);
  std::copy(tool.head.begin(), tool.head.end(), data.begin());
  data.insert(data.end(), tool.list.begin(), tool.list.end());
  Put(out, tag, data);
}

void PutStreamEditor(KxBlock& out) {
  const SKXStreamEditorPref& se = gStreamEditor;
  if (se.scriptBytes.empty() && se.list196.empty() && se.list192.empty()) return;
  KxBlock data(se.record.begin(), se.record.end());
  std::fill(data.begin() + kStreamEditorHandles, data.begin() + kStreamEditorHandlesEnd, 0);
  for (const KxBlock* b : {&se.scriptBytes, &se.list196, &se.list192}) {
    std::uint8_t length[4];
    KxPutU32BE(length, std::uint32_t(b->size()));
    data.insert(data.end(), length, length + 4);
    data.insert(data.end(), b->begin(), b->end());
  }
  Put(out, FourCC("SEDT"), data);
}

int MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return ec ? ec.value() : 0;
}

std::string FileName(short index) {
  Str255 name;
  GetIndString(name, kFileNames, index);
  return std::string(reinterpret_cast<const char*>(name + 1), name[0]);
}

}  // namespace

// ---- chunks ------------------------------------------------------------------------------

std::vector<KxPrefChunk> KxParsePrefChunks(const std::uint8_t* data, std::size_t size, bool* complete) {
  std::vector<KxPrefChunk> out;
  std::size_t at = 0;
  bool whole = true;
  while (at < size) {
    if (size - at < kChunkHead) {
      whole = false;
      break;
    }
    const OSType tag = KxGetU32BE(data + at);
    const std::size_t n = KxGetU32BE(data + at + 4);
    at += kChunkHead;
    // A chunk that claims more than is left is the last one, cut short:
    // what of it is there is read, nothing beyond the stream.
    if (n > size - at) {
      out.push_back({tag, Bytes(data + at, size - at)});
      whole = false;
      break;
    }
    out.push_back({tag, Bytes(data + at, n)});
    at += n;
  }
  if (complete) *complete = whole;
  return out;
}

std::size_t SetTypeSizeData(OSType tag, std::size_t size, const void* data, std::uint8_t* out) {
  KxPutU32BE(out, tag);
  KxPutU32BE(out + 4, std::uint32_t(size));
  if (!data) return kChunkHead;
  if (size) std::memcpy(out + kChunkHead, data, size);
  return size + kChunkHead;
}

void KxSetPrefChunkOwner(OSType tag, KxPrefChunkOwner* owner) {
  if (!IsOwnedTag(tag)) return;
  Owned& o = OwnedChunks()[tag];
  o.owner = owner;
  // What was read before the owner came is handed over.
  if (owner && !o.asRead.empty()) {
    owner->SetChunkData(o.asRead.data(), o.asRead.size());
    o.asRead.clear();
  }
}

KxBlock KxPrefOwnedData(OSType tag) {
  auto it = OwnedChunks().find(tag);
  if (it == OwnedChunks().end()) return {};
  return it->second.owner ? it->second.owner->GetChunkData() : it->second.asRead;
}

// ---- folders ---------------------------------------------------------------------------------

std::string KxPreferenceFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    // Never the current folder: settings kept there would be found again
    // only when started from the same place.
    const std::string home = KxUserHomeFolder();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/kxtext";
}

std::string KxPreferenceFileName() { return FileName(kNamePreferences); }

std::string KxPreferencePath() {
  const std::string folder = KxPreferenceFolder();
  return folder.empty() ? std::string() : folder + "/" + KxPreferenceFileName();
}

std::string KxDataFolder() {
  if (const char* dir = std::getenv("KXTEXT_DATA_DIR"); dir && *dir) return dir;
  // An installed program: share/kxtext beside the binary's prefix.
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto share = exe.parent_path().parent_path() / "share" / "kxtext";
    if (std::filesystem::is_directory(share, ec)) return share.string();
  }
  return KX_RESOURCE_DIR;
}

std::string KxFactorySettingsPath() {
  return KxDataFolder() + "/" + FileName(kNameFactoryFolder) + "/" + FileName(kNamePreferences);
}

// ---- reading ---------------------------------------------------------------------------------

void KxForgetStoredChunks() {
  UnknownChunks().clear();
  for (auto& [tag, o] : OwnedChunks()) o.asRead.clear();
  Damage() = DamagedFile{};
  Unreadable() = UnreadableFile{};
}

bool KxApplyPreferenceStream(const std::uint8_t* data, std::size_t size) {
  UnknownChunks().clear();
  bool complete = true;
  std::vector<KxPrefChunk> chunks = KxParsePrefChunks(data, size, &complete);
  // Cut inside a chunk's data, the last chunk ends with the stream; cut
  // inside a header, the header's bytes are left over and every chunk is whole.
  std::size_t used = 0;
  for (const KxPrefChunk& c : chunks) used += kChunkHead + c.data.size();
  const bool lastCut = !complete && used == size;
  for (KxPrefChunk& c : chunks) {
    const std::uint8_t* d = c.data.data();
    const std::size_t n = c.data.size();
    switch (c.tag) {
      case FourCC("KXTP"):
        KxReadRecord(gPreference, d, n);
        gInlineMode = gPreference.inlineInput;
        break;
      case FourCC("KXP2"):
        KxReadRecord(gPreference2, d, n);
        if (gPreference2.rulerToolsValid == 0) gPreference2.rulerTools = gPreference2.rulerToolsValid = 1;
        break;
      case FourCC("FPRF"): KxReadRecord(gFilePref, d, n); break;
      case FourCC("CK2T"): std::copy(d, d + std::min(n, gCtrlkeys.size()), gCtrlkeys.begin()); break;
      case FourCC("AKDT"): std::copy(d, d + std::min(n, gArrowkeys.size()), gArrowkeys.begin()); break;
      case FourCC("LRDT"): ReadLineBreak(d, n); break;
      case FourCC("JWCT"):
        if (n < 1) break;
        gJWrapChars = {};
        gJWrapCharSize = short(std::min(n, kKxJWrapCharsStored));
        std::copy(d, d + gJWrapCharSize, gJWrapChars.begin());
        CKXTextLayout::SetJWrapChars(reinterpret_cast<const char*>(gJWrapChars.data()), gJWrapCharSize);
        break;
      case FourCC("MKDT"): gMenukeyHandle = UCustomMenu::ValidKeys(d, n); break;
      case FourCC("FHDT"): gFindHistHandle = c.data; UFindReplMenu::Truncate(gFindHistHandle); break;
      case FourCC("RHDT"): gReplHistHandle = c.data; UFindReplMenu::Truncate(gReplHistHandle); break;
      case FourCC("HDHT"): gHeadHistHandle = c.data; UHeadFootMenu::Truncate(gHeadHistHandle); break;
      case FourCC("FTHT"): gFootHistHandle = c.data; UHeadFootMenu::Truncate(gFootHistHandle); break;
      case FourCC("FRDT"): gFileResumeHandle = c.data; UKXFResume::Truncate(gFileResumeHandle); break;
      case FourCC("NSPT"):
        if (n >= 1) gNameStampHandle = c.data;
        break;
      case FourCC("TFRT"): gFontregHandle = FontList(d, n, gFontregCount); break;
      case FourCC("RFRT"):
        gRecentFileHandle = FspecList(d, n, kKxMaxRecentFiles);
        gRecentFileCount = UKXFSpec::GetCount(gRecentFileHandle);
        break;
      case FourCC("RDRT"):
        gRecentDirHandle = FspecList(d, n, kKxMaxRecentFolders);
        gRecentDirCount = UKXFSpec::GetCount(gRecentDirHandle);
        URecentMenu::UpdateRecent();
        break;
      case FourCC("FBDT"): ReadFileTool(gFileBrowse, d, n); break;
      case FourCC("FSDT"): ReadFileTool(gFileSearch, d, n); break;
      case FourCC("FKDT"):
        if (n == kKxFunckeySize) gFunckeyHandle = c.data;
        break;
      case FourCC("SEDT"): ReadStreamEditor(d, n); break;
      default:
        if (IsOwnedTag(c.tag)) {
          if (n >= 1) SetOwnedData(c.tag, d, n);
        } else if (!lastCut || &c != &chunks.back()) {
          // A chunk cut off by the damage is not kept: written back, it
          // would stand in the file as junk for good.
          UnknownChunks().push_back(std::move(c));
        }
        break;
    }
  }
  return complete;
}

std::string KxDamagedPreferencePath(const std::string& userPath) { return KxDamagedName(userPath, 1); }

bool KxPreferenceFileDamaged(std::string* copyPath) {
  if (copyPath) *copyPath = Damage().copyPath;
  return Damage().damaged;
}

int KxPreferenceFileUnreadable(std::string* path) {
  if (path) *path = Unreadable().userPath;
  return Unreadable().err;
}

bool KxReadPreference(const std::string& userPath, const std::string& factoryPath) {
  std::vector<std::uint8_t> stream;
  const int readErr = userPath.empty() ? ENOENT : KxReadFile(userPath, stream);
  const bool read = readErr == 0;
  Damage() = DamagedFile{};
  Unreadable() = UnreadableFile{};
  // No file is a first run; anything else in its way is kept as it is.
  if (readErr != 0 && readErr != ENOENT) Unreadable() = UnreadableFile{userPath, readErr};
  if (read && !KxApplyPreferenceStream(stream.data(), stream.size())) {
    // What could be read is in use; the rest lives only in the file, which
    // the next change of any setting would write over.
    DamagedFile& d = Damage();
    d.damaged = true;
    d.userPath = userPath;
    d.bytes = std::move(stream);
    KeepDamagedCopy();
  }
  KxReadFactorySettings(factoryPath, read);
  return read;
}

void KxApplyFactoryStream(const std::uint8_t* data, std::size_t size, bool userFileRead) {
  for (const KxPrefChunk& c : KxParsePrefChunks(data, size)) {
    const std::size_t n = c.data.size();
    if (n < 1) continue;
    const auto slot = std::find(std::begin(kFactoryTags), std::end(kFactoryTags), c.tag);
    if (slot == std::end(kFactoryTags)) continue;
    gFactorySettingsData[std::size_t(slot - std::begin(kFactoryTags))] = c.data;
    const std::uint8_t* d = c.data.data();
    switch (c.tag) {
      case FourCC("MKDT"):
        if (gMenukeyHandle.empty()) gMenukeyHandle = UCustomMenu::ValidKeys(d, n);
        break;
      case FourCC("CK2T"):
        if (!userFileRead) std::copy(d, d + std::min(n, gCtrlkeys.size()), gCtrlkeys.begin());
        break;
      case FourCC("AKDT"):
        if (!userFileRead) std::copy(d, d + std::min(n, gArrowkeys.size()), gArrowkeys.begin());
        break;
      case FourCC("FKDT"):
        if (gFunckeyHandle.empty() && n == kKxFunckeySize) gFunckeyHandle = c.data;
        break;
      case FourCC("TFRT"):
        if (gFontregHandle.empty()) gFontregHandle = FontList(d, n, gFontregCount);
        break;
      case FourCC("HDHT"):
        if (gHeadHistHandle.empty()) {
          gHeadHistHandle = c.data;
          UHeadFootMenu::Truncate(gHeadHistHandle);
        }
        break;
      case FourCC("FTHT"):
        if (gFootHistHandle.empty()) {
          gFootHistHandle = c.data;
          UHeadFootMenu::Truncate(gFootHistHandle);
        }
        break;
      default:   // the owned chunks
        if (KxPrefOwnedData(c.tag).empty()) SetOwnedData(c.tag, d, n);
        break;
    }
  }
}

void KxReadFactorySettings(const std::string& factoryPath, bool userFileRead) {
  std::vector<std::uint8_t> stream;
  if (KxReadFile(factoryPath, stream) != 0) return;
  KxApplyFactoryStream(stream.data(), stream.size(), userFileRead);
}

// ---- writing ---------------------------------------------------------------------------------

KxBlock KxBuildPreferenceStream() {
  KxBlock out;
  std::uint8_t rec[kKxPreference2Size];
  KxWriteRecord(gPreference, rec);
  Put(out, FourCC("KXTP"), rec, kKxPreferenceSize);
  KxWriteRecord(gPreference2, rec);
  Put(out, FourCC("KXP2"), rec, kKxPreference2Size);
  KxWriteRecord(gFilePref, rec);
  Put(out, FourCC("FPRF"), rec, kKxFilePrefSize);
  WriteLineBreak(rec);
  Put(out, FourCC("LRDT"), rec, kLineBreakSize);
  // Unchanged key tables are not stored, so a later change of the built-in
  // tables reaches users who never customised them.
  if (gCtrlkeys != gCtrlkeyDef) Put(out, FourCC("CK2T"), gCtrlkeys.data(), gCtrlkeys.size());
  if (gArrowkeys != gArrowkeyDef) Put(out, FourCC("AKDT"), gArrowkeys.data(), gArrowkeys.size());
  PutIf(out, FourCC("MKDT"), gMenukeyHandle);
  const std::size_t fonts = std::min(gFontregHandle.size() / kKxFontregSize,
                                     std::size_t(std::clamp<short>(gFontregCount, 0, kKxMaxFontreg)));
  if (fonts > 0) Put(out, FourCC("TFRT"), gFontregHandle.data(), fonts * kKxFontregSize);
  PutIf(out, FourCC("FHDT"), gFindHistHandle);
  PutIf(out, FourCC("RHDT"), gReplHistHandle);
  PutIf(out, FourCC("HDHT"), gHeadHistHandle);
  PutIf(out, FourCC("FTHT"), gFootHistHandle);
  PutIf(out, FourCC("RFRT"), gRecentFileHandle);
  PutIf(out, FourCC("RDRT"), gRecentDirHandle);
  PutIf(out, FourCC("FRDT"), gFileResumeHandle);
  PutFileTool(out, FourCC("FBDT"), gFileBrowse);
  PutFileTool(out, FourCC("FSDT"), gFileSearch);
  PutIf(out, FourCC("KMRT"), KxPrefOwnedData(FourCC("KMRT")));
  if (gJWrapCharSize > 0)
    Put(out, FourCC("JWCT"), gJWrapChars.data(), std::min<std::size_t>(std::size_t(gJWrapCharSize), kKxJWrapCharsStored));
  PutIf(out, FourCC("UCPT"), KxPrefOwnedData(FourCC("UCPT")));
  PutIf(out, FourCC("UCNT"), KxPrefOwnedData(FourCC("UCNT")));
  PutIf(out, FourCC("WSrv"), KxPrefOwnedData(FourCC("WSrv")));
  if (gFunckeyHandle.size() == kKxFunckeySize) Put(out, FourCC("FKDT"), gFunckeyHandle);
  PutIf(out, FourCC("CFRT"), KxPrefOwnedData(FourCC("CFRT")));
  PutIf(out, FourCC("SPLG"), KxPrefOwnedData(FourCC("SPLG")));
  PutIf(out, FourCC("NSPT"), gNameStampHandle);
  PutStreamEditor(out);
  for (const KxPrefChunk& c : UnknownChunks()) Put(out, c.tag, c.data);
  return out;
}

int KxWritePreference(const std::string& userPath, bool force) {
  if (!gPrefModify && !force) return 0;
  if (userPath.empty()) return ENOENT;
  if (Unreadable().err && Unreadable().userPath == userPath) return Unreadable().err;
  const KxBlock stream = KxBuildPreferenceStream();
  const std::string folder = std::filesystem::path(userPath).parent_path().string();
  if (!folder.empty())
    if (int err = MakeFolder(folder)) return err;
  if (Damage().userPath == userPath)
    if (int err = KeepDamagedCopy()) return err;
  if (int err = KxWriteFileSafely(userPath, stream.data(), stream.size())) return err;
  gPrefModify = false;
  return 0;
}

// ---- dump ------------------------------------------------------------------------------------

namespace {

std::string VFormatted(const char* fmt, va_list ap) {
  char buf[600];
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  return buf;
}

void Line(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Line(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  out += VFormatted(fmt, ap);
  va_end(ap);
  out += '\n';
}

// Line's text without its line end, to be followed by more.
std::string Formatted(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Formatted(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = VFormatted(fmt, ap);
  va_end(ap);
  return text;
}

std::string Hex(const std::uint8_t* d, std::size_t n, std::size_t max = 64) {
  std::string s;
  char b[4];
  for (std::size_t k = 0; k < std::min(n, max); ++k) {
    std::snprintf(b, sizeof b, "%02X", d[k]);
    s += b;
  }
  if (n > max) s += "...";
  return s;
}

void DumpSpecs(std::string& out, const char* tag, const KxBlock& list) {
  SKXFSpec fileRef;
  for (short i = 1; UKXFSpec::GetFSpec(i, fileRef, list); ++i)
    Line(out, "%s[%d] = kind %08X dir %d vol %d name \"%s\"", tag, i, fileRef.kind, fileRef.parID, fileRef.vRefNum,
         UKXFSpec::PathOf(fileRef).c_str());
}

// A stored history text (length-prefixed Shift_JIS) as the dump prints
// it: UTF-8, bytes that make no character as U+FFFD, and the control
// characters, which would end the line or the output, as \xHH.
std::string HistText(const unsigned char* s) {
  std::vector<unsigned char> utf8;
  const long n = KxSJISToUTF8(s + 1, s[0], utf8);
  std::string out;
  for (long k = 0; k < n; ++k) {
    const unsigned char c = utf8[std::size_t(k)];
    if (c < ' ' || c == kDelete)
      out += Formatted("\\x%02X", c);
    else
      out += char(c);
  }
  return out;
}

void DumpStrings(std::string& out, const char* tag, const KxBlock& h) {
  unsigned char s[256];
  for (unsigned short i = 1; UFindReplMenu::GetHistString(i, h, s); ++i)
    out += Formatted("%s[%u] = \"", tag, i) + HistText(s) + "\"\n";
}

void DumpHeadFoot(std::string& out, const char* tag, const KxBlock& h) {
  SHFHist head;
  unsigned char s[256];
  for (unsigned short i = 1; UHeadFootMenu::GetHistString(i, h, head, s); ++i)
    out += Formatted("%s[%u] = distance %d style %s align %u date %u time %u text \"", tag, i, head.distance,
                     Hex(head.styl, sizeof head.styl).c_str(), head.alignment, head.dateFormat, head.timeFormat) +
           HistText(s) + "\"\n";
}

void DumpBlock(std::string& out, const char* tag, const KxBlock& b) {
  if (!b.empty()) Line(out, "%s = %zu bytes %s", tag, b.size(), Hex(b.data(), b.size()).c_str());
}

}  // namespace

std::string KxDumpPreferences() {
  std::string out;
  KxDumpRecord(gPreference, out);
  KxDumpRecord(gPreference2, out);
  KxDumpRecord(gFilePref, out);
  std::uint8_t lr[kLineBreakSize];
  WriteLineBreak(lr);
  Line(out, "LRDT.shift type = %d", std::int16_t(KxGetU16BE(lr)));
  Line(out, "LRDT.shift string = %s", Hex(lr + 2, 32).c_str());
  Line(out, "LRDT.reform width = %d", std::int32_t(KxGetU32BE(lr + 34)));
  Line(out, "LRDT.kinsoku = %d", std::int16_t(KxGetU16BE(lr + 38)));
  Line(out, "LRDT.word wrap = %u", lr[40]);
  Line(out, "LRDT.indent = %u", lr[41]);
  Line(out, "LRDT.remove all = %u", lr[42]);
  Line(out, "CK2T = %s%s", Hex(gCtrlkeys.data(), gCtrlkeys.size(), 104).c_str(),
       gCtrlkeys == gCtrlkeyDef ? " (built in)" : "");
  Line(out, "AKDT = %s%s", Hex(gArrowkeys.data(), gArrowkeys.size()).c_str(),
       gArrowkeys == gArrowkeyDef ? " (built in)" : "");
  for (std::size_t at = 0; at + 4 <= gMenukeyHandle.size(); at += 4)
    Line(out, "MKDT[%zu] = command %d key %u modifiers %u", at / 4 + 1, std::int16_t(KxGetU16BE(&gMenukeyHandle[at])),
         gMenukeyHandle[at + 2], gMenukeyHandle[at + 3]);
  for (short i = 0; i < gFontregCount && std::size_t(i + 1) * kKxFontregSize <= gFontregHandle.size(); ++i) {
    const std::uint8_t* f = &gFontregHandle[std::size_t(i) * kKxFontregSize];
    Line(out, "TFRT[%d] = name \"%.*s\" style %s", i + 1, int(std::min<std::uint8_t>(f[0], 31)),
         reinterpret_cast<const char*>(f + 1), Hex(f + 32, kKxFontregSize - 32).c_str());
  }
  DumpStrings(out, "FHDT", gFindHistHandle);
  DumpStrings(out, "RHDT", gReplHistHandle);
  DumpHeadFoot(out, "HDHT", gHeadHistHandle);
  DumpHeadFoot(out, "FTHT", gFootHistHandle);
  DumpSpecs(out, "RFRT", gRecentFileHandle);
  DumpSpecs(out, "RDRT", gRecentDirHandle);
  SKXFResume r;
  for (short i = 1; UKXFResume::GetFResume(i, r, gFileResumeHandle); ++i)
    Line(out, "FRDT[%d] = bounds %d %d %d %d name \"%s\"", i, r.bounds.top, r.bounds.left, r.bounds.bottom,
         r.bounds.right, UKXFSpec::PathOf(r.fileRef).c_str());
  for (auto [tag, tool] : {std::pair{"FBDT", &gFileBrowse}, std::pair{"FSDT", &gFileSearch}}) {
    Line(out, "%s.head = %s", tag, Hex(tool->head.data(), tool->head.size()).c_str());
    DumpSpecs(out, tag, tool->list);
  }
  for (OSType tag : kOwnedTags) {
    if (tag == FourCC("WSrv")) {
      // The spelling checkers by field, one line each.
      const KxBlock data = KxPrefOwnedData(tag);
      int n = 0;
      for (const KxWordService& s : UWordServices::Decode(data.data(), data.size()))
        out += UWordServices::DumpLine(++n, s) + "\n";
      continue;
    }
    if (tag == FourCC("SPLG")) {
      const KxBlock data = KxPrefOwnedData(tag);
      out += KxDumpSpellLanguage(data.data(), data.size());
      continue;
    }
    const auto it = OwnedChunks().find(tag);
    if (it != OwnedChunks().end() && it->second.owner && it->second.owner->Dumps())
      out += it->second.owner->DumpChunk();
    else
      DumpBlock(out, TagText(tag).c_str(), KxPrefOwnedData(tag));
  }
  if (gJWrapCharSize > 0) Line(out, "JWCT = %s", Hex(gJWrapChars.data(), std::size_t(gJWrapCharSize), 200).c_str());
  for (std::size_t at = 0; at + 2 <= gFunckeyHandle.size(); at += 2)
    if (const std::int16_t cmd = std::int16_t(KxGetU16BE(&gFunckeyHandle[at])))
      Line(out, "FKDT[plane %zu F%zu] = %d", at / 24, at % 24 / 2 + 1, cmd);
  DumpBlock(out, "NSPT", gNameStampHandle);
  Line(out, "SEDT.record = %s", Hex(gStreamEditor.record.data(), gStreamEditor.record.size(), 256).c_str());
  DumpBlock(out, "SEDT.block 1", gStreamEditor.scriptBytes);
  DumpSpecs(out, "SEDT.block 2", gStreamEditor.list196);
  DumpSpecs(out, "SEDT.block 3", gStreamEditor.list192);
  for (const KxPrefChunk& c : UnknownChunks())
    Line(out, "chunk \"%s\" = %zu bytes %s", TagText(c.tag).c_str(), c.data.size(), Hex(c.data.data(), c.data.size()).c_str());
  return out;
}
