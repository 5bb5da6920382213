#include "app/nav_extras.h"

#include <array>

#include "platform/files.h"
#include "text/codes/jcode.h"

namespace {

bool gCustomNavigation = false;

constexpr OSType kTypeText = FourCC("TEXT");
constexpr OSType kTypeReadOnly = FourCC("ttro");
constexpr OSType kTypeStationery = FourCC("sEXT");
constexpr OSType kTypeRTF = FourCC("RTF ");
constexpr OSType kCreatorOwn = FourCC("KXTE");

// The last four characters as compared: ASCII letters folded to lower
// case, and one- and two-letter endings padded with leading blanks.
std::array<char, 4> Ending(std::string_view name) {
  std::array<char, 4> e{};
  for (std::size_t i = 0; i < 4; ++i) {
    char c = name[name.size() - 4 + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    e[i] = c;
  }
  if (e[2] == '.') return {' ', ' ', e[2], e[3]};
  if (e[1] == '.') return {' ', e[1], e[2], e[3]};
  return e;
}

bool Is(const std::array<char, 4>& e, const char (&four)[5]) { return std::string_view(e.data(), 4) == four; }

// The character before the last four is a dot.
bool DotBefore(std::string_view name) { return name.size() >= 5 && name[name.size() - 5] == '.'; }

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const kFilterNames[kKxOpenFilterCount] = {
    "All Readable Documents", "Text Files", "kxtext Documents", "Read-Only Documents",
    "Aozora Text (.txt)",     "Text Files", "All Files",
};
// The encoding popup of the open dialog: automatic detection, then the
// code types 0-4 in order.
const char* const kOpenEncodings[] = {"Automatic", "Shift_JIS", "JIS", "EUC-JP", "UTF-16", "UTF-8"};
constexpr int kOpenEncodingsWithoutUnicode = 4;
const char* const kSaveEncodings[] = {"Shift_JIS", "ISO-2022-JP (JIS)", "EUC-JP", "UTF-16", "UTF-8"};
constexpr int kSaveEncodingCount = 5;
const char* const kLineEnds[] = {"CR (Mac)", "CR LF (Windows)", "LF (Unix)"};
constexpr int kLineEndCount = 3;

}  // namespace

bool IsTextFileName(std::string_view name, bool onlyTxt) {
  if (name.size() <= 3) return false;
  const std::array<char, 4> e = Ending(name);
  if (Is(e, ".txt")) return true;
  if (onlyTxt) return false;
  if ((Is(e, "text") || Is(e, "html") || Is(e, "java")) && DotBefore(name)) return true;
  static constexpr const char* kEndings[] = {".rtf", ".kxt", ".ite", ".htm", "  .h", "  .c", ".cpp", ".cxx",
                                             " .cp", ".css", ".csv", ".log", " .pl", " .js", ".bas", ".pas",
                                             ".asm"};
  for (const char* ending : kEndings)
    if (std::string_view(e.data(), 4) == ending) return true;
  return false;
}

bool IsTextFileName(ConstStringPtr name, bool onlyTxt) {
  if (!name) return false;
  return IsTextFileName(std::string_view(reinterpret_cast<const char*>(name + 1), name[0]), onlyTxt);
}

bool KxOpenFilterShows(int choice, const std::string& name, OSType type, OSType creator) {
  switch (choice) {
    case kKxFilterReadable:
      return type == kTypeText || type == kTypeReadOnly || type == kTypeStationery || type == kTypeRTF ||
             IsTextFileName(name, false);
    case kKxFilterTextNames:
    case kKxFilterTextNames2: return IsTextFileName(name, false);
    case kKxFilterOwnDocuments:
      return (creator == kCreatorOwn && (type == kTypeText || type == kTypeStationery || type == kTypeRTF)) ||
             IsTextFileName(name, false);
    case kKxFilterReadOnly: return creator == kCreatorOwn && type == kTypeReadOnly;
    case kKxFilterAozora: return IsTextFileName(name, true);
    default: return true;
  }
}

void KxOpenNavExtras::Start(KxDialogRequest& request) {
  request.filters.clear();
  for (int choice = 0; choice < kKxOpenFilterCount; ++choice)
    request.filters.push_back({kFilterNames[choice], [choice](const std::string& path) {
                                 OSType type = 0, creator = 0;
                                 KxGetFileTypeCreator(path, type, creator);
                                 return KxOpenFilterShows(choice, BaseName(path), type, creator);
                               }});
  request.filter = kKxFilterReadable;
  if (!mEncoding) return;
  KxDialogChoice encoding{"Encoding:", {}, 0};
  const int count = mUnicode ? int(std::size(kOpenEncodings)) : kOpenEncodingsWithoutUnicode;
  for (int i = 0; i < count; ++i) encoding.items.push_back(kOpenEncodings[i]);
  request.choices.push_back(std::move(encoding));
}

void KxOpenNavExtras::Accept(const KxDialogReply& reply) {
  int item = reply.choices.empty() ? 0 : reply.choices.front();
  const int count = mUnicode ? int(std::size(kOpenEncodings)) : kOpenEncodingsWithoutUnicode;
  if (item < 0 || item >= count) item = 0;
  // Item 0 is automatic detection (-1), the others the code types in order.
  CKXJCode::sCodeType = short(item - 1);
  if (reply.filter == kKxFilterAozora) CKXJCode::sCodeType = kKxCodeAozora;
}

void KxOpenNavExtras::Terminate(const KxDialogReply& reply) {
  // A cancelled dialog forces nothing on the next file read.
  if (reply.answer != KxAnswer::kOK) CKXJCode::sCodeType = kKxCodeAuto;
}

bool KxIsPlainTextFormat(OSType code) {
  return code == kKxPlainTextFormat || code == FourCC("utxt") || code == FourCC("UTF8");
}

namespace {
// The save dialog's popups, in their order.
enum KxSaveChoiceIndex : std::size_t { kSaveChoiceEncoding = 0, kSaveChoiceLineEnds = 1, kSaveChoiceCount = 2 };

// Whether a popup can be changed under format item `filter`: the line ends
// under every plain-text format, the encoding under "TEXT" only (the
// Unicode formats name their own, and the others write no plain text).
bool SaveChoiceEnabled(const std::vector<NavMenuItemSpec>& formats, std::size_t choice, int filter) {
  if (formats.empty()) return true;
  if (filter < 0 || std::size_t(filter) >= formats.size()) return false;
  const OSType code = formats[std::size_t(filter)].menuType;
  return choice == kSaveChoiceEncoding ? code == kKxPlainTextFormat : KxIsPlainTextFormat(code);
}
}  // namespace

void KxSaveNavExtras::Start(KxDialogRequest& request) {
  if (!mFolder.empty()) request.folder = mFolder;
  if (!mPopups) return;
  KxDialogChoice encoding{"Encoding:", {}, 0};
  for (int i = 0; i < kSaveEncodingCount; ++i) encoding.items.push_back(kSaveEncodings[i]);
  KxDialogChoice lineEnds{"Line ends:", {}, 0};
  for (int i = 0; i < kLineEndCount; ++i) lineEnds.items.push_back(kLineEnds[i]);
  if (mDocument) {
    // The document's own settings, Unicode ones included: showing another
    // would save a Unicode document in an encoding that may not hold it.
    if (mDocument->encoding >= 0 && mDocument->encoding < kSaveEncodingCount) encoding.selected = mDocument->encoding;
    if (mDocument->lineEnd >= 0 && mDocument->lineEnd < kLineEndCount) lineEnds.selected = mDocument->lineEnd;
  }
  request.choicesEnabled.clear();
  request.choiceEnabled.assign(kSaveChoiceCount, {});
  for (int f = 0; f < int(mFormats.size()); ++f) {
    request.choicesEnabled.push_back(SaveChoiceEnabled(mFormats, kSaveChoiceLineEnds, f));
    request.choiceEnabled[kSaveChoiceEncoding].push_back(SaveChoiceEnabled(mFormats, kSaveChoiceEncoding, f));
  }
  request.choices.push_back(std::move(encoding));
  request.choices.push_back(std::move(lineEnds));
}

void KxSaveNavExtras::Accept(const KxDialogReply& reply) {
  if (!mDocument || !mPopups || reply.choices.size() < kSaveChoiceCount) return;
  // The encoding is never on where the line ends are off.
  if (!SaveChoiceEnabled(mFormats, kSaveChoiceLineEnds, reply.filter)) return;
  const int encoding = reply.choices[kSaveChoiceEncoding], lineEnd = reply.choices[kSaveChoiceLineEnds];
  if (SaveChoiceEnabled(mFormats, kSaveChoiceEncoding, reply.filter) && encoding >= 0 && encoding < kSaveEncodingCount)
    mDocument->encoding = short(encoding);
  if (lineEnd >= 0 && lineEnd < kLineEndCount) mDocument->lineEnd = short(lineEnd);
  mDocument->chosen = true;
}

void KxSetCustomNavigation(bool on) { gCustomNavigation = on; }
bool KxUseCustomNavigation() { return gCustomNavigation; }
bool KxIsSelectAozoraText() { return gNavPopupMenuSelectIndex == kKxFilterAozora; }
