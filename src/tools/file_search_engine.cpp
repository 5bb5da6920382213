#include "tools/file_search_engine.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>

#include "document/doc_file.h"
#include "formats/rtf_convert.h"
#include "platform/exception.h"
#include "platform/folders.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "platform/utf16.h"
#include "text/base/posarray.h"
#include "text/codes/jcode.h"
#include "text/codes/unicode.h"
#include "text/find/find.h"
#include "text/find/find_pattern.h"
#include "text/find/regexp.h"
#include "text/runs/runs.h"
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

// An AppleDouble sidecar ("._name"): a file's resource fork and Finder
// information, not a text of its own.
bool IsSidecarName(const std::string& name) { return name.size() > 2 && name.compare(0, 2, "._") == 0; }

// The most spellings of a pattern looked for in Unicode text; a pattern
// with more ways to be spelt is searched for in every Unicode file.
constexpr std::size_t kMaxSpellings = 16;

// Code points that Unicode text may spell a Shift_JIS code with besides the
// one the code reads as (the JIS names of the few symbols cp932 names
// otherwise: U+301C for 0x8160, ...), by code. Built once.
const std::multimap<std::uint16_t, char32_t>& OtherForms() {
  static const std::multimap<std::uint16_t, char32_t> forms = [] {
    std::multimap<std::uint16_t, char32_t> m;
    for (char32_t cp = 1; cp <= 0x10FFFF; ++cp) {
      if (KxIsSurrogate(cp) || !KxScriptIsOtherForm(cp, kJapaneseScript)) continue;
      const std::int32_t code = KxScriptFromUnicode(cp, kJapaneseScript);
      if (code > 0 && code <= 0xFFFF) m.emplace(std::uint16_t(code), cp);
    }
    return m;
  }();
  return forms;
}

// Code points that the composed form may change, alone or with what
// follows them (combining marks, compatibility characters): Unicode text
// without any is converted one code point at a time. Built once.
const std::vector<bool>& MayCompose() {
  static const std::vector<bool> table = [] {
    std::vector<bool> t(0x110000, false);
    std::vector<char16_t> out;
    for (char32_t cp = 0x80; cp <= 0x10FFFF; ++cp) {
      if (KxIsSurrogate(cp)) continue;
      const char16_t units[2] = {cp < 0x10000 ? char16_t(cp) : KxHighSurrogate(cp), KxLowSurrogate(cp)};
      t[cp] = KxNormalizeNFC(units, cp < 0x10000 ? 1 : 2, out, nullptr);
    }
    return t;
  }();
  return table;
}

// Whether Unicode text (UTF-8, or UTF-16 after its byte-order mark) holds a
// code point the composed form may change.
bool HoldsComposing(short code, const std::uint8_t* b, std::size_t n) {
  const std::vector<bool>& composes = MayCompose();
  if (code == kKxCodeUTF8) {
    for (std::size_t i = 0; i < n;) {
      if (b[i] < 0x80) {
        ++i;
        continue;
      }
      char16_t units[4];
      const long len = std::max(1L, CKXJCode::IsUTF8Char(b + i, long(n - i)));
      const long count = CKXJCode::UTF8toUnits(b + i, len, units);
      const char32_t cp = count == 2 ? KxJoinSurrogates(units[0], units[1]) : units[0];
      if (count > 0 && cp < composes.size() && composes[cp]) return true;
      i += std::size_t(len);
    }
    return false;
  }
  const bool little = n >= 2 && b[0] == 0xFF && b[1] == 0xFE;
  auto unit = [&](std::size_t k) {
    return little ? std::uint32_t(b[k] | b[k + 1] << 8) : std::uint32_t(b[k] << 8 | b[k + 1]);
  };
  for (std::size_t k = 2; k + 1 < n; k += 2) {
    char32_t cp = unit(k);
    if (KxIsHighSurrogate(cp) && k + 3 < n && KxIsLowSurrogate(unit(k + 2))) {
      cp = KxJoinSurrogates(cp, unit(k + 2));
      k += 2;
    }
    if (composes[cp]) return true;
  }
  return false;
}

// Whether Shift_JIS text holds, on a character, a code that stands for
// what Unicode text had no code for: 0x81FC, or the single byte 0xA0 for a
// character below U+2000.
bool HoldsPlaceholder(const std::string& sjis) {
  constexpr std::uint16_t kLatinLetter = 0x00E9;   // é, which the Japanese codes lack
  const std::uint8_t* parse = KxScriptParseTable(kJapaneseScript);
  const std::uint16_t wide = KxUnicodePlaceholder(kJapaneseScript);
  const std::uint16_t narrow = KxUnicodePlaceholderFor(kLatinLetter, kJapaneseScript);
  for (std::size_t i = 0; i < sjis.size();) {
    const std::uint8_t c = std::uint8_t(sjis[i]);
    const bool pair = parse[c] && i + 1 < sjis.size();
    const std::uint16_t code = pair ? std::uint16_t(c << 8 | std::uint8_t(sjis[i + 1])) : c;
    if (code == wide || code == narrow) return true;
    i += pair ? 2 : 1;
  }
  return false;
}

// Whether a regular expression has anything that takes a character: one
// that has not ("(", "^$") finds nothing, an empty match being no match.
bool CanMatch(const std::string& pattern) {
  const CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kJapaneseScript);
  // A walk with a stack of its own: nesting as deep as the pattern is long.
  std::vector<const SKXRegexp*> todo{&re.GetRoot()};
  while (!todo.empty()) {
    const SKXRegexp* node = todo.back();
    todo.pop_back();
    switch (node->type) {
      case kKXReLiteral:
      case kKXReAny:
      case kKXReSet:
      case kKXReRange:
      case kKXReWord:
      case kKXReSpace:
      case kKXReDigit:
        return true;
      default:
        for (const SKXRegexp& child : node->children) todo.push_back(&child);
    }
  }
  return false;
}

void PutUTF16(std::string& out, char16_t unit, bool little) {
  out += char(little ? unit & 0xFF : unit >> 8);
  out += char(little ? unit >> 8 : unit & 0xFF);
}

}  // namespace

CKXFileSearcher::CKXFileSearcher(SKXSearchQuery query, CancelFn cancel, RowFn row)
    : mQuery(std::move(query)), mCancel(std::move(cancel)), mRow(std::move(row)) {
  const short folding = kKXFindIgnoreCase | kKXFindIgnoreWidth | kKXFindIgnoreKana | kKXFindRegexp;
  mPlain = !(mQuery.options & folding) && !mQuery.pattern.empty() &&
           mQuery.pattern.find(kCR) == std::string::npos && mQuery.pattern.find('\n') == std::string::npos;
  if (mPlain) SpellInUnicode();
}

void CKXFileSearcher::SpellInUnicode() {
  const std::string& pattern = mQuery.pattern;
  // Only a pattern that Unicode text gives back as it is, and that holds
  // nothing standing for an unknown character, has spellings to look for.
  const std::string utf8 = KxScriptTextToUTF8(pattern);
  std::string back;
  if (HoldsPlaceholder(pattern) ||
      !KxDecodePlainTextAs(kKxCodeUTF8, reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), back) ||
      back != pattern) {
    mUnicodeAny = true;
    return;
  }
  const std::uint8_t* parse = KxScriptParseTable(kJapaneseScript);
  const auto& others = OtherForms();
  std::vector<std::u16string> spellings{u""};
  for (std::size_t i = 0; i < pattern.size();) {
    const std::uint8_t c = std::uint8_t(pattern[i]);
    const bool pair = parse[c] && i + 1 < pattern.size();
    const std::uint16_t code = pair ? std::uint16_t(c << 8 | std::uint8_t(pattern[i + 1])) : c;
    i += pair ? 2 : 1;
    std::vector<std::u16string> ways;
    char16_t units[2];
    const int n = KxScriptToUTF16(code, kJapaneseScript, units);
    if (n < 1) {
      mUnicodeAny = true;
      return;
    }
    ways.emplace_back(units, std::size_t(n));
    for (auto [at, end] = others.equal_range(code); at != end; ++at) {
      const char32_t cp = at->second;
      ways.push_back(cp < 0x10000 ? std::u16string(1, char16_t(cp))
                                  : std::u16string{KxHighSurrogate(cp), KxLowSurrogate(cp)});
    }
    if (spellings.size() * ways.size() > kMaxSpellings) {
      mUnicodeAny = true;
      return;
    }
    std::vector<std::u16string> next;
    for (const std::u16string& s : spellings)
      for (const std::u16string& w : ways) next.push_back(s + w);
    spellings.swap(next);
  }
  for (const std::u16string& s : spellings) {
    mUTF8Forms.push_back(KxUTF16ToUTF8(s));
    std::string le, be;
    for (char16_t u : s) {
      PutUTF16(le, u, true);
      PutUTF16(be, u, false);
    }
    mUTF16LEForms.push_back(le);
    mUTF16BEForms.push_back(be);
  }
}

bool CKXFileSearcher::MayHold(short code, const std::uint8_t* bytes, std::size_t size) const {
  if (!mPlain) return true;
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  switch (code) {
    case kKxCodeSJIS:
      // Decoding only turns line ends, which the pattern has none of.
      return text.find(mQuery.pattern) != std::string_view::npos;
    case kKxCodeUTF8:
    case kKxCodeUTF16:
      return MayHoldUnicode(code, bytes, size);
    default:
      return true;
  }
}

bool CKXFileSearcher::MayHoldUnicode(short code, const std::uint8_t* bytes, std::size_t size) const {
  if (mUnicodeAny) return true;
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  const bool little = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const std::vector<std::string>& forms = code == kKxCodeUTF8 ? mUTF8Forms : little ? mUTF16LEForms : mUTF16BEForms;
  for (const std::string& form : forms) {
    if (code == kKxCodeUTF8) {
      if (text.find(form) != std::string_view::npos) return true;
      continue;
    }
    // UTF-16: only at a unit's start, after the mark.
    for (std::size_t at = text.find(form, 2); at != std::string_view::npos; at = text.find(form, at + 1))
      if (at % 2 == 0) return true;
  }
  // Composing may make the pattern's characters out of others.
  return HoldsComposing(code, bytes, size);
}

bool CKXFileSearcher::Cancelled() {
  if (!mStopped && mCancel && mCancel()) mStopped = true;
  return mStopped;
}

CKXFileSearcher* CKXFileSearcher::sRunning = nullptr;

bool CKXFileSearcher::PollCancel() { return sRunning && sRunning->Cancelled(); }

bool CKXFileSearcher::Run(const std::string& folder) {
  if (mQuery.pattern.empty()) return false;
  if ((mQuery.options & kKXFindRegexp) && !CanMatch(mQuery.pattern)) return false;
  if (UKXFind_Start(mQuery.pattern.data(), long(mQuery.pattern.size()), mQuery.options, kJapaneseScript) < 1) {
    UKXFind_End();
    return false;
  }
  mEntered.clear();
  mStopped = mTooComplex = false;
  mStepsLeft = kKXFindStepAllowance;
  // However long one text takes, the find steps ask the check the walk
  // asks, and a stop they meet ends the whole search.
  struct Polling {
    CKXFileSearcher* outer;
    KxFindCancelCheck was;
    ~Polling() {
      KxSetFindCancelCheck(was);
      sRunning = outer;
    }
  } polling{sRunning, KxSetFindCancelCheck(&PollCancel)};
  sRunning = this;
  try {
    std::string name = folder;
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos && name.size() > 1) name = name.substr(slash + 1);
    Walk(folder, name);
  } catch (...) {
    UKXFind_End();
    throw;
  }
  UKXFind_End();
  mBuffer = std::vector<std::uint8_t>();
  return true;
}

void CKXFileSearcher::Walk(const std::string& folder, const std::string& name) {
  // A walk with a stack of its own: however deep the folders go (only the
  // file system bounds it, as links to folders are not followed), no match
  // is left out for want of room on the call stack.
  struct Level {
    std::string path;
    int depth;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> levels;
  auto enter = [&](const std::string& path, const std::string& folderName, int depth) {
    std::vector<std::string> subfolders;
    if (Folder(path, folderName, depth, subfolders)) levels.push_back(Level{path, depth, std::move(subfolders)});
  };
  enter(folder, name, 1);
  while (!levels.empty() && !Cancelled()) {
    Level& top = levels.back();
    if (top.next == top.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    const std::string sub = top.subfolders[top.next++];
    const std::string path = (top.path == "/" ? "" : top.path) + "/" + sub;
    enter(path, sub, top.depth + 1);
  }
}

bool CKXFileSearcher::Folder(const std::string& path, const std::string& name, int depth,
                             std::vector<std::string>& subfolders) {
  if (Cancelled()) return false;
  std::uint64_t device = 0, inode = 0;
  // A folder entered once is not entered again, however it is reached.
  if (!KxFolderIdentity(path, device, inode) || !mEntered.insert({device, inode}).second) return false;
  std::vector<KxDirEntry> entries;
  if (KxReadFolder(path, entries) != 0) return false;
  std::sort(entries.begin(), entries.end(),
            [](const KxDirEntry& a, const KxDirEntry& b) { return KxEntryNameLess(a.name, b.name); });
  const std::string base = path == "/" ? "" : path;
  std::set<std::string> sidecars;
  for (const KxDirEntry& e : entries)
    if (IsSidecarName(e.name)) sidecars.insert(e.name.substr(2));
  for (const KxDirEntry& e : entries) {
    // Invisible files are searched; a sidecar is part of its file, no file
    // of its own.
    if (e.name.empty() || IsSidecarName(e.name) || e.kind != KxEntryKind::kFile) continue;
    const std::string file = base + "/" + e.name;
    const bool hasSidecar = sidecars.count(e.name) != 0;
    const OSType type = KxFileToolType(file, e.name, hasSidecar);
    if (type != FourCC("TEXT") && type != FourCC("ttro") && type != FourCC(".KXT")) continue;
    try {
      File(file, e.name, name, depth);
    } catch (const LException& x) {
      // The user's stop and the steps of the whole search used up end the
      // walk; a file that fails otherwise is passed over.
      if (x.GetErrorCode() == kKXFindCancelled) mStopped = true;
      if (x.GetErrorCode() == kKXFindTooComplex) mStopped = mTooComplex = true;
    } catch (...) {
    }
    if (Cancelled()) return false;
  }
  if (!mQuery.subfolders) return true;
  for (const KxDirEntry& e : entries) {
    // Invisible folders (a dot name, or the flag in a sidecar) and folders
    // whose name is locked are not entered; links to folders are not
    // followed, as grep -r does not.
    if (e.name.empty() || e.name[0] == '.' || e.kind != KxEntryKind::kFolder || e.link) continue;
    if (sidecars.count(e.name) &&
        (KxFolderFinderFlags(base + "/" + e.name) & (kKxFinderInvisible | kKxFinderNameLocked)))
      continue;
    subfolders.push_back(e.name);
  }
  return true;
}

void CKXFileSearcher::File(const std::string& path, const std::string& name, const std::string& folderName,
                           int depth) {
  const bool rtfFile = EndsRTF(name);
  if (!rtfFile && Document(path, name, folderName, depth)) return;
  std::int64_t size = 0;
  if (KxReadFileAt(path, 0, std::max<std::size_t>(mQuery.wholeMax, 16), mBuffer, size) != 0) return;
  if (!rtfFile && size > std::int64_t(mBuffer.size())) {
    Pieces(path, name, folderName, depth, size);
    return;
  }
  if (rtfFile) {
    // RTF is searched in its plain text: its characters may stand in escapes.
    CKXText plain;
    short flags = 0;
    CKXTextRTFMac rtf;
    if (!rtf.DoRTFtoTextRef(reinterpret_cast<const char*>(mBuffer.data()), long(mBuffer.size()), &plain, &flags,
                            nullptr))
      return;
    ++mDecoded;
    SearchStyled(plain, path, name, folderName, depth);
    return;
  }
  std::string text;
  const short code = KxDetectPlainCode(mBuffer.data(), mBuffer.size());
  if (mQuery.precheck && !MayHold(code, mBuffer.data(), mBuffer.size())) return;
  if (!KxDecodePlainTextAs(code, mBuffer.data(), mBuffer.size(), text)) return;
  ++mDecoded;
  // The plain pattern's bytes, wherever they are, before the search that
  // takes the text character by character.
  if (mPlain && mQuery.precheck && text.find(mQuery.pattern) == std::string::npos) return;
  SearchText(text, 0, path, name, folderName, depth);
}

bool CKXFileSearcher::Document(const std::string& path, const std::string& name, const std::string& folderName,
                               int depth) {
  SKXDocument doc;
  std::string message;
  // A plain text is left unread here: it is decoded as opening decodes it.
  if (KxReadDocument(path, doc, message, false) != 0) return true;   // opens as nothing: passed over
  if (doc.plain || doc.stale) return false;
  ++mDecoded;
  SearchStyled(*doc.text, path, name, folderName, depth);
  return true;
}

void CKXFileSearcher::SearchStyled(const CKXText& text, const std::string& path, const std::string& name,
                                   const std::string& folderName, int depth) {
  const long size = text.GetTextSize();
  std::string bytes(std::size_t(std::max(0L, size)), '\0');
  if (size > 0) text.CopyBytes(0, size, bytes.data(), size);
  if (mPlain && mQuery.precheck && bytes.find(mQuery.pattern) == std::string::npos) return;
  // The runs as the document's own find takes them: the script of each
  // run, and the pictures, which no pattern matches.
  std::vector<SKXStyl> styls(std::size_t(std::max(0L, text.GetStylCount())));
  if (!styls.empty()) styls.resize(std::size_t(std::max(0L, text.GetStyls(styls.data(), long(styls.size())))));
  std::vector<SKXDeco> decos(std::size_t(std::max(0L, text.GetDecoCount())));
  if (!decos.empty()) decos.resize(std::size_t(std::max(0L, text.GetDecos(decos.data(), long(decos.size())))));
  CKXPosArray styleRuns(sizeof(SKXStyl)), decoRuns(sizeof(SKXDeco));
  if (!styls.empty()) styleRuns.SetItems(styls.data(), long(styls.size()));
  if (!decos.empty()) decoRuns.SetItems(decos.data(), long(decos.size()));
  SearchText(bytes, 0, path, name, folderName, depth, &styleRuns, &decoRuns);
}

namespace {

// Where a piece of raw text in `code` may end: after its last line end,
// else on a character boundary, never between a CR and the LF that may
// follow it (decoded apart, they would be two line ends), nor inside a
// surrogate pair; never at 0 (the walk always advances).
std::size_t PieceEnd(short code, const std::uint8_t* b, std::size_t n, bool littleEndian) {
  if (code == kKxCodeUTF16) {
    auto unit = [&](std::size_t i) {   // the unit ending at byte i
      return littleEndian ? std::uint32_t(b[i - 2] | b[i - 1] << 8) : std::uint32_t(b[i - 2] << 8 | b[i - 1]);
    };
    for (std::size_t i = n & ~std::size_t(1); i >= 2; i -= 2)
      if (unit(i) == 0x0A) return i;
    std::size_t cut = n & ~std::size_t(1);
    if (cut >= 4 && (unit(cut) == std::uint32_t(kCR) || KxIsHighSurrogate(unit(cut)))) cut -= 2;
    return cut ? cut : n;
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
  if (cut > 1 && b[cut - 1] == std::uint8_t(kCR)) --cut;   // no trail byte is a CR
  return cut > 0 ? cut : n;
}

// The most of a piece's text that the next piece's search takes with it,
// as a share of a piece: an expression's match is bound by its line
// (it never reaches past a CR), but a line may be longer than any piece.
constexpr std::size_t kCarryShare = 4;

// What of a piece's text the next piece's search takes with it: from the
// start of the line that holds the last `reach` bytes, so that a match
// reaching past the cut is found whole, and an expression sees its line
// from its start. A longer line is taken from a character some `most` bytes
// before the end, the matches from the next character on (`until`) being
// left to the next piece: its search never starts at the cut line's
// middle, which it would take for a line's start.
long CarryFrom(const std::string& text, std::size_t reach, std::size_t most, long& until) {
  const std::size_t want = text.size() > reach ? text.size() - reach : 0;
  const std::size_t cr = want > 0 ? text.rfind(kCR, want - 1) : std::string::npos;
  const std::size_t from = cr == std::string::npos ? 0 : cr + 1;
  most = std::max(most, reach);
  if (text.size() - from <= most) {
    until = long(from);
    return until;
  }
  // A character is at most two bytes: the boundary at or after at - 2 lies
  // before the one at or after at.
  const std::size_t at = text.size() - most;
  until = long(KxSJISBoundary(text, from, at));
  return long(at >= from + 2 ? KxSJISBoundary(text, from, at - 2) : from);
}

}  // namespace

short CKXFileSearcher::PiecesCode(const std::string& path, std::int64_t size) {
  // The first piece decides, as the start of a longer file (a character
  // its end cuts in two does not count against UTF-8)...
  const short start = KxDetectPlainCode(mBuffer.data(), mBuffer.size(), false);
  if (start == kKxCodeUTF16) return start;
  const short other = KxDetectPlainCode(mBuffer.data(), mBuffer.size(), false, false);
  // ...but whether it is UTF-8 is a matter of the whole file, as opening
  // reads it whole: every piece takes the same encoding.
  CKXUTF8Scan scan;
  std::int64_t pos = std::int64_t(mBuffer.size());
  if (scan.Add(mBuffer.data(), mBuffer.size()) && pos < size) {
    while (pos < size) {
      if (Cancelled()) return -1;
      std::int64_t now = 0;
      if (KxReadFileAt(path, pos, mQuery.wholeMax, mBuffer, now) != 0 || mBuffer.empty()) break;
      pos += std::int64_t(mBuffer.size());
      if (!scan.Add(mBuffer.data(), mBuffer.size())) break;
    }
    // The first piece again, for the search.
    std::int64_t now = 0;
    if (KxReadFileAt(path, 0, mQuery.wholeMax, mBuffer, now) != 0 || mBuffer.empty()) return -1;
  }
  return scan.IsUTF8() ? kKxCodeUTF8 : other;
}

void CKXFileSearcher::Pieces(const std::string& path, const std::string& name, const std::string& folderName,
                             int depth, std::int64_t size) {
  const short code = PiecesCode(path, size);
  if (code < 0) return;
  const bool bom = code == kKxCodeUTF16 && mBuffer.size() >= 2 &&
                   ((mBuffer[0] == 0xFF && mBuffer[1] == 0xFE) || (mBuffer[0] == 0xFE && mBuffer[1] == 0xFF));
  const bool little = bom && mBuffer[0] == 0xFF;
  const std::uint8_t mark[2] = {bom ? mBuffer[0] : std::uint8_t(0), bom ? mBuffer[1] : std::uint8_t(0)};
  // pos: the next piece in the file; docBase: the opened text's offset of
  // text[0], which starts with what the piece before passed on.
  std::int64_t pos = 0, docBase = 0;
  std::string text, carry;
  std::vector<std::uint8_t> piece;
  Span span;
  const std::size_t reach = MatchReach(), most = mQuery.wholeMax / kCarryShare;
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
      // Only the file's first bytes may hold a mark that opening drops.
      decoded = KxDecodePlainTextAs(code, mBuffer.data(), cut, text, pos == 0);
    }
    if (!decoded) return;
    text.insert(0, carry);
    const long keep = last ? 0 : CarryFrom(text, reach, most, span.until);
    if (last) span.until = -1;
    const bool more = mQuery.allMatches;
    const std::size_t before = mRowsSent;
    SearchText(text, docBase, path, name, folderName, depth, nullptr, nullptr, &span);
    if (mStopped || (!more && mRowsSent > before) || last) return;
    // The matches from `until` on are searched again, whole, with the next
    // piece; the search goes on where this one left off.
    carry.assign(text, std::size_t(keep));
    docBase += keep;
    span.from -= keep;
    pos += std::int64_t(cut);
  }
}

std::size_t CKXFileSearcher::MatchReach() const {
  // An expression's match ends by its line's CR: the line is all it needs.
  if (mQuery.options & kKXFindRegexp) return 1;
  // A find character takes at most two bytes, and a half-width kana is read
  // with the voiced mark after it.
  const long count = UKXFind::CountFindChar(reinterpret_cast<const unsigned char*>(mQuery.pattern.data()),
                                            long(mQuery.pattern.size()), mQuery.options, kJapaneseScript);
  return 2 * std::size_t(std::max(count, 1L)) + 2;
}

void CKXFileSearcher::SearchText(const std::string& text, std::int64_t base, const std::string& path,
                                 const std::string& name, const std::string& folderName, int depth,
                                 CKXArrayL* styleRuns, CKXArrayL* decoRuns, Span* span) {
  const long length = long(text.size());
  const long until = span && span->until >= 0 ? std::min(span->until, length) : length;
  CKXFindStyl scope(styleRuns, kJapaneseScript, decoRuns);
  SKXFindStyl& styl = scope;
  KxFindStylSetBase(styl, 0, true);
  // One allowance of steps for the whole search, each text adding what its
  // bytes earn: a pattern too slow for the files ends the search rather
  // than taking the allowance again in every file.
  styl.search.stepsLeft = mStepsLeft;
  struct KeepSteps {
    std::int64_t& left;
    const SKXFindStyl& styl;
    ~KeepSteps() { left = styl.search.stepsLeft; }
  } keep{mStepsLeft, styl};
  const short options = short(mQuery.options & ~kKXFindBackward);
  long pos = span ? std::clamp(span->from, 0L, length) : 0;
  if (span && span->lineOpen) {
    // The line of the last row goes on: the next row is another line's.
    const std::size_t cr = text.find(kCR, std::size_t(pos));
    span->lineOpen = cr == std::string::npos;
    pos = span->lineOpen ? length : long(cr);
  }
  // Where the next piece's search goes on: past what this one searched.
  struct GoOn {
    Span* span;
    const long& pos;
    long until;
    ~GoOn() {
      if (span) span->from = std::max(pos, until);
    }
  } goOn{span, pos, until};
  long steps = 0;
  while (pos < until) {
    long found = -1;
    const short width = UKXFind_Find1stStep(text.data(), pos, length, options, found, styl);
    if (width < 1 || found < pos || found >= until) break;
    const std::int32_t matched = UKXFind_Find2ndStep(text.data(), found, length, options, styl);
    if (matched > 0) {
      const std::size_t lineStart = found > 0 ? text.rfind(kCR, std::size_t(found - 1)) : std::string::npos;
      const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
      std::size_t lineEnd = text.find(kCR, std::size_t(found));
      if (lineEnd == std::string::npos) {
        lineEnd = text.size();
        if (span && span->until >= 0) span->lineOpen = true;
      }
      SKXSearchRow row;
      row.path = path;
      row.offset = base + found;
      row.length = matched;
      row.cell = RowText(depth, KxNameToScriptText(folderName), KxNameToScriptText(name),
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
    // The zero byte parts the note from the names: one in the line shows
    // as a blank, as the list shows every control character, and never
    // cuts the row short (in the list or on the clipboard).
    std::string note = line.substr(0, KxSJISCut(line, room));
    std::replace(note.begin(), note.end(), '\0', ' ');
    row += note;
  }
  return row;
}
