#include "tools/sed_history.h"

#include <algorithm>
#include <climits>

#include "platform/bytefields.h"
#include "tools/file_info.h"
#include "tools/file_text.h"

namespace {
constexpr std::size_t kHead = 2;
constexpr std::size_t kTitleAt = 32, kTitleMax = 63, kSuffixAt = 96, kSuffixMax = 95;

// Offsets of the complete entries.
std::vector<std::size_t> Entries(const KxBlock& h, std::size_t max = SIZE_MAX) {
  std::vector<std::size_t> at;
  std::size_t p = 0;
  while (at.size() < max && h.size() - p >= kHead) {
    const std::size_t n = KxGetU16BE(h.data() + p);
    if (n > h.size() - p - kHead) break;
    at.push_back(p);
    p += kHead + n;
  }
  return at;
}

std::size_t EntryEnd(const KxBlock& h, std::size_t at) { return at + kHead + KxGetU16BE(h.data() + at); }
}  // namespace

namespace UKXSEDHistMenu {

short GetInfoHistHandle(long& offset, std::uint16_t& length, short n, const KxBlock& h) {
  offset = 0;
  length = 0;
  if (n < 1) return 0;
  const std::vector<std::size_t> at = Entries(h, std::size_t(n));
  if (at.empty()) return 0;
  offset = long(at.back());
  length = KxGetU16BE(h.data() + at.back());
  return short(at.size());
}

short Count(const KxBlock& h) { return short(std::min<std::size_t>(Entries(h).size(), SHRT_MAX)); }

long GetTextHistHandle(std::string& out, std::size_t max, short n, const KxBlock& h) {
  out.clear();
  long offset = 0;
  std::uint16_t length = 0;
  if (n < 1 || GetInfoHistHandle(offset, length, n, h) != n) return 0;
  const std::size_t take = std::min<std::size_t>(length, max);
  out.assign(reinterpret_cast<const char*>(h.data()) + offset + kHead, take);
  return long(take);
}

void DeleteHistHandle(short n, KxBlock& h) {
  const std::vector<std::size_t> at = Entries(h);
  if (n < 1 || std::size_t(n) > at.size()) return;
  h.resize(at[std::size_t(n - 1)]);
}

void AdjustHistHandle(short n, KxBlock& h) {
  const std::vector<std::size_t> at = Entries(h);
  if (n < 2 || std::size_t(n) > at.size()) return;
  const std::size_t from = at[std::size_t(n - 1)], to = EntryEnd(h, from);
  KxBlock entry(h.begin() + std::ptrdiff_t(from), h.begin() + std::ptrdiff_t(to));
  h.erase(h.begin() + std::ptrdiff_t(from), h.begin() + std::ptrdiff_t(to));
  h.insert(h.begin(), entry.begin(), entry.end());
}

bool InsertHistHandle(const std::string& text, KxBlock& h, bool append) {
  if (text.size() > kKxSEDHistEntryMax) return false;
  // Only complete entries are kept: a damaged tail goes.
  std::vector<std::size_t> at = Entries(h);
  h.resize(at.empty() ? 0 : EntryEnd(h, at.back()));
  KxBlock entry(kHead + text.size());
  KxPutU16BE(entry.data(), std::uint16_t(text.size()));
  std::copy(text.begin(), text.end(), entry.begin() + kHead);
  if (append) {
    h.insert(h.end(), entry.begin(), entry.end());
    return true;
  }
  for (std::size_t i = 0; i < at.size(); ++i)
    if (KxGetU16BE(h.data() + at[i]) == text.size() &&
        std::equal(text.begin(), text.end(), h.begin() + std::ptrdiff_t(at[i] + kHead))) {
      AdjustHistHandle(short(i + 1), h);
      return true;
    }
  if (at.size() >= std::size_t(kKxSEDHistMax)) h.resize(at[std::size_t(kKxSEDHistMax - 1)]);
  h.insert(h.begin(), entry.begin(), entry.end());
  return true;
}

std::vector<std::string> MenuItems(const KxBlock& h) {
  std::vector<std::string> items;
  for (std::size_t at : Entries(h)) {
    const std::size_t n = KxGetU16BE(h.data() + at);
    std::string line(reinterpret_cast<const char*>(h.data()) + at + kHead, n);
    const auto control = std::find_if(line.begin(), line.end(), [](char c) { return std::uint8_t(c) < 32; });
    line.erase(control, line.end());
    line.resize(KxSJISCut(line, kKxSEDHistItemMax));
    items.push_back(std::move(line));
  }
  return items;
}

}  // namespace UKXSEDHistMenu

std::string KxStreamEditorTitle(const std::array<std::uint8_t, 256>& r) {
  const std::size_t n = std::min<std::size_t>(r[kTitleAt], kTitleMax);
  return std::string(reinterpret_cast<const char*>(r.data()) + kTitleAt + 1, n);
}

std::string KxStreamEditorSuffix(const std::array<std::uint8_t, 256>& r) {
  const std::size_t n = std::min<std::size_t>(r[kSuffixAt], kSuffixMax);
  return std::string(reinterpret_cast<const char*>(r.data()) + kSuffixAt + 1, n);
}

std::string KxSEDOutputName(short kind, const std::string& target, const std::string& title,
                            const std::string& suffix, const std::set<std::string>& targets,
                            const std::set<std::string>& written, std::string& why) {
  std::string name;
  if (kind == kKxSEDNewDocument) {
    name = title.empty() ? "New" + target : title;
  } else if (kind == kKxSEDCopy) {
    const std::string add = suffix.empty() ? ".New" : suffix;
    const std::size_t dot = target.rfind('.');
    name = dot == std::string::npos || dot == 0 ? target + add : target.substr(0, dot) + add + target.substr(dot);
  } else if (kind == kKxSEDOverwrite) {
    name = target;
  } else {
    why = "ファイルには出力しません";
    return {};
  }
  if (!KxValidFileName(name)) {
    why = "\u300C" + name + "\u300Dはファイル名にできません";
    return {};
  }
  if (kind != kKxSEDOverwrite && targets.count(name)) {
    why = "\u300C" + name + "\u300Dは処理の対象です";
    return {};
  }
  if (written.count(name)) {
    why = "\u300C" + name + "\u300Dはこの処理で書き込みました";
    return {};
  }
  return name;
}
