#include "app/fspec.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>

#include "platform/bytefields.h"

namespace {

constexpr std::size_t kNameAt = 10;        // length byte of a file reference
constexpr std::size_t kResumeNameAt = 34;  // length byte of a resume record

// Offsets of the complete entries of a packed list, at most `max`.
template <class SizeOf>
std::vector<std::size_t> Entries(const KxBlock& list, std::size_t nameAt, SizeOf sizeOf, std::size_t max) {
  std::vector<std::size_t> out;
  std::size_t at = 0;
  while (out.size() < max && list.size() - at > nameAt) {
    const std::size_t length = list[at + nameAt];
    if (length == 0) break;
    const std::size_t size = sizeOf(length);
    if (size > list.size() - at) break;
    out.push_back(at);
    at += size;
  }
  return out;
}

std::vector<std::size_t> Specs(const KxBlock& list, std::size_t max = SIZE_MAX) {
  return Entries(list, kNameAt, UKXFSpec::EntrySize, max);
}

std::size_t SpecEnd(const KxBlock& list, std::size_t at) { return at + UKXFSpec::EntrySize(list[at + kNameAt]); }

void Decode(const std::uint8_t* p, SKXFSpec& out) {
  out.kind = KxGetU32BE(p);
  out.parID = std::int32_t(KxGetU32BE(p + 4));
  out.vRefNum = std::int16_t(KxGetU16BE(p + 8));
  std::memset(out.name, 0, sizeof out.name);
  std::memcpy(out.name, p + kNameAt, std::size_t(p[kNameAt]) + 1);
}

KxBlock Encode(const SKXFSpec& fileRef) {
  KxBlock out(UKXFSpec::EntrySize(fileRef.name[0]), 0);
  KxPutU32BE(out.data(), fileRef.kind);
  KxPutU32BE(out.data() + 4, std::uint32_t(fileRef.parID));
  KxPutU16BE(out.data() + 8, std::uint16_t(fileRef.vRefNum));
  std::memcpy(out.data() + kNameAt, fileRef.name, std::size_t(fileRef.name[0]) + 1);
  return out;
}

bool SameName(const unsigned char* a, const unsigned char* b) { return a[0] == b[0] && std::memcmp(a + 1, b + 1, a[0]) == 0; }

// Names compare byte by byte, unsigned, a-z as A-Z; a prefix sorts first.
bool NameLess(const unsigned char* a, const unsigned char* b) {
  auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  const std::size_t n = std::min(a[0], b[0]);
  for (std::size_t k = 1; k <= n; ++k)
    if (fold(a[k]) != fold(b[k])) return fold(a[k]) < fold(b[k]);
  return a[0] < b[0];
}

}  // namespace

// ---- file references ---------------------------------------------------------------

void UKXFSpec::MakeFSpec(SKXFSpec& out, const unsigned char* name, short volume, long directory, unsigned long kind) {
  out.kind = std::uint32_t(kind);
  out.parID = std::int32_t(directory);
  out.vRefNum = volume;
  std::memset(out.name, 0, sizeof out.name);
  if (name) std::memcpy(out.name, name, std::size_t(name[0]) + 1);
}

bool UKXFSpec::MakeFromPath(SKXFSpec& out, const std::string& path, unsigned long kind) {
  if (path.empty() || path[0] != '/' || path.size() > 255) return false;
  Str255 name;
  name[0] = static_cast<unsigned char>(path.size());
  std::memcpy(name + 1, path.data(), path.size());
  MakeFSpec(out, name, 0, 0, kind);
  return true;
}

std::string UKXFSpec::PathOf(const SKXFSpec& fileRef) {
  return std::string(reinterpret_cast<const char*>(fileRef.name + 1), fileRef.name[0]);
}

std::string UKXFSpec::LeafName(const SKXFSpec& fileRef) {
  std::string path = PathOf(fileRef);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

bool UKXFSpec::SameFile(const SKXFSpec& a, const SKXFSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && SameName(a.name, b.name);
}

short UKXFSpec::GetCount(const KxBlock& list) { return short(std::min<std::size_t>(Specs(list).size(), INT16_MAX)); }

short UKXFSpec::Find(const SKXFSpec& fileRef, const KxBlock& list) {
  const auto at = Specs(list, INT16_MAX);
  SKXFSpec entry;
  for (std::size_t i = 0; i < at.size(); ++i) {
    Decode(list.data() + at[i], entry);
    if (SameFile(entry, fileRef)) return short(i + 1);
  }
  return 0;
}

bool UKXFSpec::GetFSpec(short index, SKXFSpec& out, const KxBlock& list) {
  if (index < 1) return false;
  const auto at = Specs(list, std::size_t(index));
  if (std::size_t(index) > at.size()) return false;
  Decode(list.data() + at[std::size_t(index) - 1], out);
  return true;
}

bool UKXFSpec::SetFSpec(const SKXFSpec& fileRef, KxBlock& list, short max) {
  if (fileRef.name[0] == 0) return false;
  Truncate(list, INT16_MAX);
  const auto at = Specs(list);
  if (const short found = Find(fileRef, list)) {
    if (found > 1) {
      const std::size_t from = at[std::size_t(found) - 1], to = SpecEnd(list, from);
      std::rotate(list.begin(), list.begin() + std::ptrdiff_t(from), list.begin() + std::ptrdiff_t(to));
    }
    return true;
  }
  // Everything that can fail, before the list changes.
  KxBlock entry = Encode(fileRef);
  std::size_t keep = list.size();
  if (!at.empty() && std::ptrdiff_t(at.size()) >= max) keep = at.back();
  KxBlock next;
  next.reserve(entry.size() + keep);
  next.insert(next.end(), entry.begin(), entry.end());
  next.insert(next.end(), list.begin(), list.begin() + std::ptrdiff_t(keep));
  list.swap(next);
  return true;
}

bool UKXFSpec::AddFSpec(const SKXFSpec& fileRef, KxBlock& list, short max) {
  if (fileRef.name[0] == 0) return false;
  Truncate(list, INT16_MAX);
  if (GetCount(list) >= max) return false;
  const KxBlock entry = Encode(fileRef);
  list.insert(list.end(), entry.begin(), entry.end());
  return true;
}

bool UKXFSpec::DeleteFSpec(short index, KxBlock& list) {
  if (index < 1) return false;
  const auto at = Specs(list, std::size_t(index));
  if (std::size_t(index) > at.size()) return false;
  const std::size_t from = at[std::size_t(index) - 1];
  list.erase(list.begin() + std::ptrdiff_t(from), list.begin() + std::ptrdiff_t(SpecEnd(list, from)));
  Truncate(list, INT16_MAX);
  return true;
}

bool UKXFSpec::SortFSpec(KxBlock& list) {
  Truncate(list, INT16_MAX);
  const auto at = Specs(list);
  if (at.size() < 2) return false;
  std::vector<KxBlock> entries;
  entries.reserve(at.size());
  for (std::size_t a : at) entries.emplace_back(list.begin() + std::ptrdiff_t(a), list.begin() + std::ptrdiff_t(SpecEnd(list, a)));
  // The exchange sort of the stored lists: equal names keep the order it gives.
  for (std::size_t i = 0; i + 1 < entries.size(); ++i)
    for (std::size_t j = i + 1; j < entries.size(); ++j)
      if (NameLess(entries[j].data() + kNameAt, entries[i].data() + kNameAt)) entries[i].swap(entries[j]);
  KxBlock next;
  next.reserve(list.size());
  for (const KxBlock& e : entries) next.insert(next.end(), e.begin(), e.end());
  list.swap(next);
  return true;
}

void UKXFSpec::Truncate(KxBlock& list, int max) {
  const auto at = Specs(list, std::size_t(std::max(max, 0)) + 1);
  std::size_t end = 0;
  for (std::size_t i = 0; i < at.size() && int(i) < max; ++i) end = SpecEnd(list, at[i]);
  list.resize(end);
}

// ---- resume records ------------------------------------------------------------------

namespace {
std::vector<std::size_t> Resumes(const KxBlock& list, std::size_t max = SIZE_MAX) {
  return Entries(list, kResumeNameAt, UKXFResume::RecordSize, max);
}
}  // namespace

short UKXFResume::GetCount(const KxBlock& list) { return short(std::min<std::size_t>(Resumes(list).size(), INT16_MAX)); }

bool UKXFResume::GetFResume(short index, SKXFResume& out, const KxBlock& list) {
  if (index < 1) return false;
  const auto at = Resumes(list, std::size_t(index));
  if (std::size_t(index) > at.size()) return false;
  const std::uint8_t* p = list.data() + at[std::size_t(index) - 1];
  out.bounds.top = std::int32_t(KxGetU32BE(p));
  out.bounds.left = std::int32_t(KxGetU32BE(p + 4));
  out.bounds.bottom = std::int32_t(KxGetU32BE(p + 8));
  out.bounds.right = std::int32_t(KxGetU32BE(p + 12));
  Decode(p + 24, out.fileRef);
  return true;
}

bool UKXFResume::AddFResume(const SKXFResume& record, KxBlock& list, long max) {
  if (record.fileRef.name[0] == 0) return false;
  Truncate(list);
  if (GetCount(list) >= max) return false;
  KxBlock entry(RecordSize(record.fileRef.name[0]), 0);
  std::uint8_t* p = entry.data();
  KxPutU32BE(p, std::uint32_t(record.bounds.top));
  KxPutU32BE(p + 4, std::uint32_t(record.bounds.left));
  KxPutU32BE(p + 8, std::uint32_t(record.bounds.bottom));
  KxPutU32BE(p + 12, std::uint32_t(record.bounds.right));
  const KxBlock fileRef = Encode(record.fileRef);
  std::copy(fileRef.begin(), fileRef.begin() + std::ptrdiff_t(std::min(fileRef.size(), entry.size() - 24)), p + 24);
  list.insert(list.end(), entry.begin(), entry.end());
  return true;
}

void UKXFResume::Truncate(KxBlock& list) {
  const auto at = Resumes(list);
  list.resize(at.empty() ? 0 : at.back() + RecordSize(list[at.back() + kResumeNameAt]));
}

int KxDoFileResume(KxBlock& list, KxResumeOpener& opener) {
  int placed = 0;
  const short count = UKXFResume::GetCount(list);
  for (short i = 1; i <= count; ++i) {
    SKXFResume record;
    if (!UKXFResume::GetFResume(i, record, list)) break;
    const std::string path = UKXFSpec::PathOf(record.fileRef);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) continue;
    try {
      // The document this open gave, not the n-th of the window list: a
      // failed or repeated open must not shift later bounds.
      KxResumeDocument* doc = opener.OpenForResume(path);
      if (!doc) continue;
      const SKXRectL& b = record.bounds;
      if (b.bottom > b.top && b.right > b.left) doc->DoSetBounds(b);
      ++placed;
    } catch (const std::exception&) {
    } catch (...) {
    }
  }
  list.clear();
  return placed;
}
