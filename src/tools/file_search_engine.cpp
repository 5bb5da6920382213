#include "tools/file_search_engine.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "formats/rtf_convert.h"
#include "platform/folders.h"
#include "platform/textconv.h"
#include "text/codes/jcode.h"
#include "text/find/find_pattern.h"
#include "text/store/text.h"
#include "tools/file_list.h"
#include "tools/file_text.h"

namespace {

constexpr char kCR = 13;
constexpr std::uint8_t kIconText = 5;
constexpr std::size_t kRowRoom = 250;   // items before the line's note
constexpr std::size_t kMaxFolderName = 60;
constexpr std::size_t kMaxFileName = 180;
constexpr short kJapaneseScript = 1;

bool EndsRTF(const std::string& name) {
  if (name.size() <= 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return end == ".rtf";
}

// UTF-8 as UTF-16 code units in either byte order.
void AddUTF16Forms(const std::string& utf8, std::vector<std::string>& forms) {
  std::string le, be;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (i + std::size_t(n) > utf8.size()) return;
    std::uint32_t u = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n; ++k) u = u << 6 | (static_cast<unsigned char>(utf8[i + std::size_t(k)]) & 0x3F);
    i += std::size_t(n);
    auto put = [&](std::uint16_t unit) {
      le += char(unit & 0xFF);
      le += char(unit >> 8);
      be += char(unit >> 8);
      be += char(unit & 0xFF);
    };
    if (u >= 0x10000) {
      put(std::uint16_t(0xD800 + ((u - 0x10000) >> 10)));
      put(std::uint16_t(0xDC00 + ((u - 0x10000) & 0x3FF)));
    } else {
      put(std::uint16_t(u));
    }
  }
  forms.push_back(le);
  forms.push_back(be);
}

}  // namespace

CKXFileSearcher::CKXFileSearcher(SKXSearchQuery query, CancelFn cancel, RowFn row)
    : mQuery(std::move(query)), mCancel(std::move(cancel)), mRow(std::move(row)) {
  const short folding = kKXFindIgnoreCase | kKXFindIgnoreWidth | kKXFindIgnoreKana | kKXFindRegexp;
  const bool plain = !(mQuery.options & folding) && mQuery.pattern.find(kCR) == std::string::npos &&
                     mQuery.pattern.find('\n') == std::string::npos;
  if (!plain || mQuery.pattern.empty()) return;
  // How each encoding a file may be in spells the pattern.
  mForms.push_back(mQuery.pattern);
  const std::string utf8 = KxScriptTextToUTF8(mQuery.pattern);
  mForms.push_back(utf8);
  CKXJCode euc;
  euc.SJIStoEUC(reinterpret_cast<const unsigned char*>(mQuery.pattern.data()), long(mQuery.pattern.size()));
  mForms.emplace_back(reinterpret_cast<const char*>(euc.GetTextPtr()), std::size_t(euc.GetTextSize()));
  AddUTF16Forms(utf8, mForms);
  std::sort(mForms.begin(), mForms.end());
  mForms.erase(std::unique(mForms.begin(), mForms.end()), mForms.end());
}

bool CKXFileSearcher::MayHold(const std::uint8_t* bytes, std::size_t size) const {
  if (mForms.empty()) return true;
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  // JIS text spells the pattern through its escapes: decoded always.
  if (text.find('\x1B') != std::string_view::npos) return true;
  for (const std::string& form : mForms)
    if (!form.empty() && text.find(form) != std::string_view::npos) return true;
  return false;
}

bool CKXFileSearcher::Cancelled() {
  if (!mStopped && mCancel && mCancel()) mStopped = true;
  return mStopped;
}

bool CKXFileSearcher::Run(const std::string& folder) {
  if (mQuery.pattern.empty()) return false;
  if (UKXFind_Start(mQuery.pattern.data(), long(mQuery.pattern.size()), mQuery.options, kJapaneseScript) < 1) {
    UKXFind_End();
    return false;
  }
  mEntered.clear();
  mStopped = false;
  try {
    std::string name = folder;
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos && name.size() > 1) name = name.substr(slash + 1);
    Folder(folder, name, 1);
  } catch (...) {
    UKXFind_End();
    throw;
  }
  UKXFind_End();
  mBuffer = std::vector<std::uint8_t>();
  return true;
}

void CKXFileSearcher::Folder(const std::string& path, const std::string& name, int depth) {
  if (Cancelled() || depth > kKxSearchMaxDepth) return;
  std::uint64_t device = 0, inode = 0;
  // A folder entered once is not entered again, however it is reached.
  if (!KxFolderIdentity(path, device, inode) || !mEntered.insert({device, inode}).second) return;
  std::vector<KxDirEntry> entries;
  if (KxReadFolder(path, entries) != 0) return;
  std::sort(entries.begin(), entries.end(),
            [](const KxDirEntry& a, const KxDirEntry& b) { return KxEntryNameLess(a.name, b.name); });
  const std::string base = path == "/" ? "" : path;
  std::set<std::string> sidecars;
  for (const KxDirEntry& e : entries)
    if (e.name.size() > 2 && e.name.compare(0, 2, "._") == 0) sidecars.insert(e.name.substr(2));
  for (const KxDirEntry& e : entries) {
    if (e.name.empty() || e.name[0] == '.' || e.kind != KxEntryKind::kFile) continue;
    const std::string file = base + "/" + e.name;
    const bool hasSidecar = sidecars.count(e.name) != 0;
    const OSType type = KxFileToolType(file, e.name, hasSidecar);
    if (type != FourCC("TEXT") && type != FourCC("ttro") && type != FourCC(".KXT")) continue;
    try {
      File(file, e.name, name, depth);
    } catch (...) {
      // A file that fails is passed over; the walk goes on.
    }
    if (Cancelled()) return;
  }
  if (!mQuery.subfolders) return;
  for (const KxDirEntry& e : entries) {
    // Links to folders are not followed, as grep -r does not.
    if (e.name.empty() || e.name[0] == '.' || e.kind != KxEntryKind::kFolder || e.link) continue;
    Folder(base + "/" + e.name, e.name, depth + 1);
    if (Cancelled()) return;
  }
}

void CKXFileSearcher::File(const std::string& path, const std::string& name, const std::string& folderName,
                           int depth) {
  std::int64_t size = 0;
  if (KxReadFileAt(path, 0, std::max<std::size_t>(mQuery.wholeMax, 16), mBuffer, size) != 0) return;
  std::string text;
  if (!EndsRTF(name) && size > std::int64_t(mBuffer.size())) {
    Pieces(path, name, folderName, depth, size);
    return;
  }
  if (EndsRTF(name)) {
    // RTF is searched in its plain text: its characters may stand in escapes.
    CKXText plain;
    short flags = 0;
    CKXTextRTFMac rtf;
    if (!rtf.DoRTFtoTextRef(reinterpret_cast<const char*>(mBuffer.data()), long(mBuffer.size()), &plain, &flags,
                            nullptr))
      return;
    const long size = plain.GetTextSize();
    text.assign(std::size_t(std::max(0L, size)), '\0');
    if (size > 0) plain.CopyBytes(0, size, text.data(), size);
  } else {
    if (!MayHold(mBuffer.data(), mBuffer.size())) return;
    if (!KxDecodePlainText(mBuffer.data(), mBuffer.size(), text)) return;
  }
  ++mDecoded;
  SearchText(text, 0, path, name, folderName, depth);
}

namespace {

// Where a piece of raw text in `code` may end: after its last line end,
// else on a character boundary; never at 0 (the walk always advances).
std::size_t PieceEnd(short code, const std::uint8_t* b, std::size_t n, bool littleEndian) {
  if (code == kKxCodeUTF16) {
    for (std::size_t i = n & ~std::size_t(1); i >= 2; i -= 2) {
      const std::uint8_t lo = littleEndian ? b[i - 2] : b[i - 1], hi = littleEndian ? b[i - 1] : b[i - 2];
      if (lo == 0x0A && hi == 0) return i;
    }
    return (n & ~std::size_t(1)) ? (n & ~std::size_t(1)) : n;
  }
  for (std::size_t i = n; i > 0; --i)
    if (b[i - 1] == 0x0A) return i;
  std::size_t cut = n;
  if (code == kKxCodeUTF8) {
    while (cut > 0 && (b[cut - 1] & 0xC0) == 0x80) --cut;
    if (cut > 0 && b[cut - 1] >= 0xC0) --cut;   // a lead byte without its tail
  } else if (code == kKxCodeSJIS) {
    cut = std::size_t(KxSJISCharBoundary(b, long(n)));
  } else if (code == kKxCodeEUC) {
    while (cut > 0 && b[cut - 1] >= 0x80) --cut;
  }
  return cut > 0 ? cut : n;
}

}  // namespace

void CKXFileSearcher::Pieces(const std::string& path, const std::string& name, const std::string& folderName,
                             int depth, std::int64_t size) {
  // The first piece (already read) decides the encoding for them all.
  short code = CKXJCode::AutoCheck(mBuffer.data(), long(mBuffer.size()));
  if (code < kKxCodeSJIS || code > kKxCodeUTF8) code = kKxCodeSJIS;
  const bool bom = code == kKxCodeUTF16 && mBuffer.size() >= 2 &&
                   ((mBuffer[0] == 0xFF && mBuffer[1] == 0xFE) || (mBuffer[0] == 0xFE && mBuffer[1] == 0xFF));
  const bool little = bom && mBuffer[0] == 0xFF;
  const std::uint8_t mark[2] = {bom ? mBuffer[0] : std::uint8_t(0), bom ? mBuffer[1] : std::uint8_t(0)};
  std::int64_t pos = 0, docBase = 0;
  std::string text;
  std::vector<std::uint8_t> piece;
  ++mDecoded;
  while (pos < size && !Cancelled()) {
    if (pos > 0) {
      std::int64_t now = 0;
      if (KxReadFileAt(path, pos, mQuery.wholeMax, mBuffer, now) != 0 || mBuffer.empty()) return;
    }
    const bool last = pos + std::int64_t(mBuffer.size()) >= size;
    const std::size_t cut = last ? mBuffer.size() : PieceEnd(code, mBuffer.data(), mBuffer.size(), little);
    bool decoded;
    if (pos > 0 && bom) {
      // Later pieces of UTF-16 are read in the first one's byte order.
      piece.assign(mark, mark + 2);
      piece.insert(piece.end(), mBuffer.begin(), mBuffer.begin() + std::ptrdiff_t(cut));
      decoded = KxDecodePlainTextAs(code, piece.data(), piece.size(), text);
    } else {
      decoded = KxDecodePlainTextAs(code, mBuffer.data(), cut, text);
    }
    if (!decoded) return;
    const bool more = mQuery.allMatches;
    const std::size_t before = mRowsSent;
    SearchText(text, docBase, path, name, folderName, depth);
    if (mStopped || (!more && mRowsSent > before)) return;
    docBase += std::int64_t(text.size());
    pos += std::int64_t(cut);
  }
}

void CKXFileSearcher::SearchText(const std::string& text, std::int64_t base, const std::string& path,
                                 const std::string& name, const std::string& folderName, int depth) {
  const long length = long(text.size());
  CKXFindStyl scope(nullptr, kJapaneseScript);
  SKXFindStyl& styl = scope;
  KxFindStylSetBase(styl, 0, true);
  const short options = short(mQuery.options & ~kKXFindBackward);
  long pos = 0;
  long steps = 0;
  while (pos < length) {
    long found = -1;
    const short width = UKXFind_Find1stStep(text.data(), pos, length, options, found, styl);
    if (width < 1 || found < pos || found >= length) break;
    const std::int32_t matched = UKXFind_Find2ndStep(text.data(), found, length, options, styl);
    if (matched > 0) {
      const std::size_t lineStart = found > 0 ? text.rfind(kCR, std::size_t(found - 1)) : std::string::npos;
      const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
      std::size_t lineEnd = text.find(kCR, std::size_t(found));
      if (lineEnd == std::string::npos) lineEnd = text.size();
      SKXSearchRow row;
      row.path = path;
      row.offset = base + found;
      row.length = matched;
      row.cell = RowText(depth, KxUTF8ToScriptText(folderName), KxUTF8ToScriptText(name),
                         text.substr(from, lineEnd - from));
      if (!mRow(std::move(row))) {
        mStopped = true;
        return;
      }
      ++mRowsSent;
      if (!mQuery.allMatches) return;
      // On from the end of the matched line; always forward.
      pos = std::max<long>(long(lineEnd), found + 1);
    } else {
      pos = found + width;
    }
    if ((++steps & 0xFF) == 0 && Cancelled()) return;
  }
}

std::string CKXFileSearcher::RowText(int depth, const std::string& folderName, const std::string& fileName,
                                     const std::string& line) {
  std::string row(1, char(kIconText));
  if (depth >= 3) row += "...: ";
  if (depth >= 2) row += folderName.substr(0, KxSJISCut(folderName, kMaxFolderName)) + ": ";
  row += fileName.substr(0, KxSJISCut(fileName, kMaxFileName));
  if (!line.empty()) {
    // The names are cut first; the line takes what room is left.
    const std::size_t room = row.size() < kRowRoom ? kRowRoom - row.size() : 0;
    row += "  ";
    row += '\0';
    row += line.substr(0, KxSJISCut(line, room));
  }
  return row;
}
