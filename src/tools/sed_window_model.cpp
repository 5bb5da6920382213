#include "tools/sed_window_model.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "platform/bytefields.h"
#include "text/store/strarray.h"
#include "tools/file_text.h"
#include "tools/sed.h"
#include "tools/sed_history.h"

namespace {

// Offsets of the settings record.
constexpr std::size_t kBoundsAt = 0, kSourceAt = 8, kTargetAt = 10, kOutputAt = 12, kSelectionAt = 16,
                      kChangedAt = 17, kPatternAt = 18, kTitleAt = 32, kTitleMax = 63, kSuffixAt = 96,
                      kSuffixMax = 95;
constexpr short kSources = 4, kTargets = 3, kOutputs = 4;

short Kind(const std::uint8_t* at, short count) {
  const auto v = std::int16_t(KxGetU16BE(at));
  return v >= 0 && v < count ? v : 0;
}

void PutText(std::uint8_t* field, std::size_t max, const std::string& text) {
  const std::size_t n = KxSJISCut(text, max);
  std::fill(field, field + 1 + max, 0);
  field[0] = std::uint8_t(n);
  std::copy(text.begin(), text.begin() + std::ptrdiff_t(n), field + 1);
}

bool In(PaneIDT id, PaneIDT from, PaneIDT to) { return id >= from && id <= to; }

// A line end in a field (CR, LF or CR LF, as the history's line-end item
// puts one there) would end the one-line command: it is written as the
// escape for a line end instead. Bytes of double-byte characters are never
// CR or LF.
std::string EscapeLineEnds(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t k = 0; k < field.size(); ++k) {
    const char c = field[k];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && k + 1 < field.size() && field[k + 1] == '\n') ++k;
    out += "\\n";
  }
  return out;
}

}  // namespace

SKXSEDSettings KxSEDReadSettings(const std::uint8_t* r) {
  SKXSEDSettings s;
  s.bounds = Rect{std::int16_t(KxGetU16BE(r + kBoundsAt)), std::int16_t(KxGetU16BE(r + kBoundsAt + 2)),
                  std::int16_t(KxGetU16BE(r + kBoundsAt + 4)), std::int16_t(KxGetU16BE(r + kBoundsAt + 6))};
  s.source = Kind(r + kSourceAt, kSources);
  s.target = Kind(r + kTargetAt, kTargets);
  s.output = Kind(r + kOutputAt, kOutputs);
  s.selectionOnly = r[kSelectionAt] != 0;
  s.changedOnly = r[kChangedAt] != 0;
  s.pattern = r[kPatternAt];
  std::array<std::uint8_t, 256> record{};
  std::copy(r, r + record.size(), record.begin());
  s.title = KxStreamEditorTitle(record);
  s.suffix = KxStreamEditorSuffix(record);
  return s;
}

void KxSEDWriteSettings(const SKXSEDSettings& s, std::uint8_t* r) {
  KxPutU16BE(r + kBoundsAt, std::uint16_t(s.bounds.top));
  KxPutU16BE(r + kBoundsAt + 2, std::uint16_t(s.bounds.left));
  KxPutU16BE(r + kBoundsAt + 4, std::uint16_t(s.bounds.bottom));
  KxPutU16BE(r + kBoundsAt + 6, std::uint16_t(s.bounds.right));
  KxPutU16BE(r + kSourceAt, std::uint16_t(s.source));
  KxPutU16BE(r + kTargetAt, std::uint16_t(s.target));
  KxPutU16BE(r + kOutputAt, std::uint16_t(s.output));
  r[kSelectionAt] = s.selectionOnly ? 1 : 0;
  r[kChangedAt] = s.changedOnly ? 1 : 0;
  r[kPatternAt] = s.pattern;
  PutText(r + kTitleAt, kTitleMax, s.title);
  PutText(r + kSuffixAt, kSuffixMax, s.suffix);
}

short KxSEDEffectiveOutput(short target, short output) {
  return target == kKxSEDTargetClipboard ? short(kKxSEDClipboard) : output;
}

bool KxSEDChangedOnly(bool option, short output) { return option && output != kKxSEDOverwrite; }

bool KxSEDPaneEnabled(PaneIDT id, short source, short target, short output) {
  const short out = KxSEDEffectiveOutput(target, output);
  if (In(id, 3915, 3921)) return source == kKxSEDFromFields;
  if (In(id, 3922, 3925)) return source == kKxSEDFromBox;
  if (id == 3926 || id == 3927) return source == kKxSEDFromFields || source == kKxSEDFromBox;
  if (id == 3912) return source == kKxSEDFromFiles || source == kKxSEDFromWindows;
  if (In(id, 3913, 3914) || id == 3928) return source == kKxSEDFromFiles;
  if (id == 3929) return source == kKxSEDFromWindows;
  if (id == 3932) return target == kKxSEDTargetFiles || target == kKxSEDTargetWindows;
  if (In(id, 3933, 3934)) return target == kKxSEDTargetFiles;
  if (In(id, 3935, 3936)) return target == kKxSEDTargetClipboard;
  if (In(id, 3937, 3938)) return target == kKxSEDTargetWindows;
  if (id == 3941) return target != kKxSEDTargetClipboard;
  if (id == 3940 || id == 3942) return out == kKxSEDNewDocument;
  if (In(id, 3943, 3944)) return out == kKxSEDCopy;
  if (id == 3945) return out != kKxSEDOverwrite;
  return true;
}

std::string KxSEDFieldCommand(const std::string& find, const std::string& replace, bool changedOnly) {
  std::string s = "s\x01" + EscapeLineEnds(find) + "\x01" + EscapeLineEnds(replace) + "\x01g";
  if (changedOnly) s += 'p';
  return s;
}

bool KxSEDFieldHasPlaceholder(const std::string& sjis) {
  const auto* b = reinterpret_cast<const unsigned char*>(sjis.data());
  const std::size_t n = sjis.size();
  for (std::size_t k = 0; k < n;) {
    const long width = SEDLeadByte(b[k]) && k + 1 < n && SEDTrailByte(b[k + 1]) ? 2 : 1;
    if (KxIsPlaceholderAt(b + k, width)) return true;
    k += std::size_t(width);
  }
  return false;
}

std::string KxSEDSnippetText(const std::string& item) {
  const std::size_t at = item.rfind("  ");
  return at == std::string::npos ? item : item.substr(at + 2);
}

bool KxSEDSnippetForReplace(const std::string& snippet) {
  return snippet == "&" || (snippet.size() == 2 && snippet[0] == '\\' && snippet[1] >= '1' && snippet[1] <= '9');
}

bool KxSEDRunsPerTarget(std::size_t targets, short output) {
  return targets > 1 && (output == kKxSEDCopy || output == kKxSEDOverwrite);
}

std::vector<std::int32_t> KxSEDReselect(const std::vector<std::string>& oldNames,
                                        const std::vector<std::int32_t>& oldSelected,
                                        const std::vector<std::string>& newNames, bool& same) {
  same = oldNames == newNames;
  if (same) return oldSelected;
  std::unordered_set<std::string> chosen;
  chosen.reserve(oldSelected.size());
  for (std::int32_t row : oldSelected)
    if (row >= 0 && std::size_t(row) < oldNames.size()) chosen.insert(oldNames[std::size_t(row)]);
  std::vector<std::int32_t> rows;
  for (std::size_t i = 0; i < newNames.size() && !chosen.empty(); ++i)
    if (chosen.count(newNames[i])) rows.push_back(std::int32_t(i));
  return rows;
}

bool KxSEDPatternMatches(const std::string& name, const std::string& pattern) {
  if (pattern.empty() || pattern == ".*") return true;
  return name.size() >= pattern.size() && name.compare(name.size() - pattern.size(), pattern.size(), pattern) == 0;
}
