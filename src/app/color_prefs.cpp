#include "app/color_prefs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "app/prefs_file.h"
#include "layout/draw_toolkit.h"
#include "platform/bytefields.h"
#include "platform/draw/color.h"
#include "platform/textconv.h"
#include "text/codes/script.h"

namespace {

std::array<SKXColorPreference, kKxColorPrefSets> gSets;
KxBlock gNames;   // the packed name list

short Clamp(short n) { return std::clamp<short>(n, 1, kKxColorPrefSets); }

bool SameColour(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

bool SameColours(const SKXColorPreference& a, const SKXColorPreference& b) {
  return SameColour(a.text, b.text) && SameColour(a.face, b.face) && SameColour(a.tabMark, b.tabMark) &&
         SameColour(a.returnMark, b.returnMark) && SameColour(a.spaceMark, b.spaceMark) &&
         SameColour(a.accent, b.accent) && a.theme == b.theme;
}

void PutColour(std::uint8_t* p, const RGBColor& c) {
  KxPutU16BE(p, c.red);
  KxPutU16BE(p + 2, c.green);
  KxPutU16BE(p + 4, c.blue);
}
RGBColor GetColour(const std::uint8_t* p) { return RGBColor{KxGetU16BE(p), KxGetU16BE(p + 2), KxGetU16BE(p + 4)}; }

// The colour variations of user schemes read the store.
bool UserScheme(short n, KxUserColorScheme& out) {
  if (n < 1 || n > kKxColorPrefSets) return false;
  const SKXColorPreference& s = gSets[std::size_t(n - 1)];
  out = KxUserColorScheme{s.text, s.face, s.tabMark, s.returnMark, s.spaceMark, s.accent, s.theme};
  return true;
}

class SetsChunk : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override {
    KxBlock out(UKXColorPreference::GetColorPreferenceSize());
    if (!out.empty()) UKXColorPreference::GetColorPreferenceData(out.data(), out.size());
    return out;
  }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override {
    UKXColorPreference::SetColorPreferenceData(data, size);
  }
  bool Dumps() const override { return true; }
  std::string DumpChunk() const override { return UKXColorPreference::DumpSets(); }
};

class NamesChunk : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override { return UKXColorPreference::GetColorPrefNameData(); }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override {
    UKXColorPreference::SetColorPrefNameData(data, size);
  }
  bool Dumps() const override { return true; }
  std::string DumpChunk() const override { return UKXColorPreference::DumpNames(); }
};

SetsChunk gSetsChunk;
NamesChunk gNamesChunk;

void Reset() {
  for (short n = 1; n <= kKxColorPrefSets; ++n) UKXColorPreference::SetAt(n, UKXColorPreference::Default());
  gNames.clear();
}

}  // namespace

namespace UKXColorPreference {

void Initialize() {
  Reset();
  KxSetUserColorSchemeHook(UserScheme);
  KxSetPrefChunkOwner(FourCC("UCPT"), &gSetsChunk);
  KxSetPrefChunkOwner(FourCC("UCNT"), &gNamesChunk);
}

void Terminate() {
  KxSetPrefChunkOwner(FourCC("UCPT"), nullptr);
  KxSetPrefChunkOwner(FourCC("UCNT"), nullptr);
  KxSetUserColorSchemeHook(nullptr);
  Reset();
}

SKXColorPreference Default() {
  SKXColorPreference d;
  d.text = RGBColor{0, 0, 0};
  d.face = RGBColor{0xEEEE, 0xEEEE, 0xEEEE};
  d.tabMark = d.returnMark = d.accent = RGBColor{0x8000, 0x8000, 0x8000};
  d.spaceMark = RGBColor{0, 0, 0};
  d.theme = 1;
  return d;
}

void GetAt(short n, SKXColorPreference& out) { out = gSets[std::size_t(Clamp(n) - 1)]; }

void SetAt(short n, const SKXColorPreference& in) {
  n = Clamp(n);
  SKXColorPreference& s = gSets[std::size_t(n - 1)];
  s = in;
  s.number = n;
  s.changed = SameColours(in, Default()) ? 0 : 1;
}

bool GetColorPrefNameAt(short n, std::string& name) {
  // Entries are sound: the list is checked whenever it is replaced.
  for (std::size_t at = 0; at + 2 <= gNames.size();) {
    const std::uint8_t set = gNames[at], length = gNames[at + 1];
    if (set < 1 || set > kKxColorPrefSets || at + 2 + length > gNames.size()) return false;
    if (set == n) {
      name.assign(reinterpret_cast<const char*>(&gNames[at + 2]), length);
      return true;
    }
    at += 2 + std::size_t(length);
  }
  return false;
}

void SetColorPrefNameAt(short n, const std::string& name) {
  n = Clamp(n);
  KxBlock kept;
  for (std::size_t at = 0; at + 2 <= gNames.size();) {
    const std::size_t length = gNames[at + 1];
    if (at + 2 + length > gNames.size()) break;
    if (gNames[at] != n) kept.insert(kept.end(), gNames.begin() + long(at), gNames.begin() + long(at + 2 + length));
    at += 2 + length;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(name.data());
  const std::size_t length = KxCutToCharBoundary(p, name.size(), kKxColorPrefNameMax);
  kept.push_back(std::uint8_t(n));
  kept.push_back(std::uint8_t(length));
  kept.insert(kept.end(), p, p + length);
  gNames = std::move(kept);
}

std::size_t GetColorPreferenceSize() {
  return kKxColorPrefSize * std::size_t(std::count_if(gSets.begin(), gSets.end(), [](auto& s) { return s.changed; }));
}

std::size_t GetColorPreferenceData(std::uint8_t* buffer, std::size_t size) {
  std::size_t at = 0;
  for (const SKXColorPreference& s : gSets) {
    if (!s.changed) continue;
    if (at + kKxColorPrefSize > size) break;
    WriteRecord(s, buffer + at);
    at += kKxColorPrefSize;
  }
  return at;
}

void SetColorPreferenceData(const std::uint8_t* data, std::size_t size) {
  for (short n = 1; n <= kKxColorPrefSets; ++n) SetAt(n, Default());
  for (std::size_t at = 0; data && at + kKxColorPrefSize <= size; at += kKxColorPrefSize) {
    const SKXColorPreference s = ReadRecord(data + at);
    if (s.number >= 1 && s.number <= kKxColorPrefSets) SetAt(s.number, s);
  }
}

KxBlock GetColorPrefNameData() { return gNames; }

void SetColorPrefNameData(const std::uint8_t* data, std::size_t size) {
  gNames.clear();
  for (std::size_t at = 0; data && at + 2 <= size;) {
    const std::uint8_t set = data[at], length = data[at + 1];
    if (set < 1 || set > kKxColorPrefSets || at + 2 + length > size) break;
    SetColorPrefNameAt(set, std::string(reinterpret_cast<const char*>(data + at + 2), length));
    at += 2 + std::size_t(length);
  }
}

void WriteRecord(const SKXColorPreference& in, std::uint8_t* out) {
  PutColour(out, in.text);
  PutColour(out + 6, in.face);
  PutColour(out + 12, in.tabMark);
  PutColour(out + 18, in.returnMark);
  PutColour(out + 24, in.spaceMark);
  PutColour(out + 30, in.accent);
  out[36] = in.theme;
  out[37] = in.changed;
  KxPutU16BE(out + 38, std::uint16_t(in.number));
}

SKXColorPreference ReadRecord(const std::uint8_t* in) {
  SKXColorPreference s;
  s.text = GetColour(in);
  s.face = GetColour(in + 6);
  s.tabMark = GetColour(in + 12);
  s.returnMark = GetColour(in + 18);
  s.spaceMark = GetColour(in + 24);
  s.accent = GetColour(in + 30);
  s.theme = in[36];
  s.changed = in[37];
  s.number = std::int16_t(KxGetU16BE(in + 38));
  return s;
}

std::string DumpSets() {
  std::string out;
  char line[256];
  const auto c = [](const RGBColor& k) { return std::to_string(k.red) + " " + std::to_string(k.green) + " " + std::to_string(k.blue); };
  for (const SKXColorPreference& s : gSets) {
    if (!s.changed) continue;
    std::snprintf(line, sizeof line, "UCPT.set %d = text %s face %s tab %s return %s space %s accent %s theme %u\n",
                  s.number, c(s.text).c_str(), c(s.face).c_str(), c(s.tabMark).c_str(), c(s.returnMark).c_str(),
                  c(s.spaceMark).c_str(), c(s.accent).c_str(), unsigned(s.theme));
    out += line;
  }
  return out;
}

std::string DumpNames() {
  std::string out;
  for (std::size_t at = 0; at + 2 <= gNames.size(); at += 2 + std::size_t(gNames[at + 1])) {
    const std::string name(reinterpret_cast<const char*>(&gNames[at + 2]),
                           std::min<std::size_t>(gNames[at + 1], gNames.size() - at - 2));
    out += "UCNT.name " + std::to_string(gNames[at]) + " = " + KxScriptTextToUTF8(name) + "\n";
  }
  return out;
}

}  // namespace UKXColorPreference

short CheckColor(RGBColor& colour, bool forDisplay) {
  const RGBColor black{0, 0, 0}, nearBlack{1, 1, 1}, white{0xFFFF, 0xFFFF, 0xFFFF};
  if (forDisplay) {
    if (SameColour(colour, black)) colour = white;
    else if (SameColour(colour, nearBlack)) colour = black;
  } else {
    if (SameColour(colour, white)) colour = black;
    else if (SameColour(colour, black)) colour = nearBlack;
  }
  return KxGetRGBColorType(colour);
}
