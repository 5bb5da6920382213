#include "platform/fonts.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "platform/core.h"
#include "platform/script.h"
#include "platform/utf16.h"

namespace {

// Classic font numbers that stored documents carry, with what they named.
struct ClassicFont {
  short number;
  const char* name;
  KxFontGeneric generic;
};
constexpr ClassicFont kClassicFonts[] = {
    {2, "New York", KxFontGeneric::kSerif},
    {3, "Geneva", KxFontGeneric::kSans},
    {4, "Monaco", KxFontGeneric::kMono},
    {5, "Venice", KxFontGeneric::kSerif},
    {6, "London", KxFontGeneric::kSerif},
    {7, "Athens", KxFontGeneric::kSerif},
    {8, "San Francisco", KxFontGeneric::kSans},
    {9, "Toronto", KxFontGeneric::kSans},
    {11, "Cairo", KxFontGeneric::kSymbol},
    {12, "Los Angeles", KxFontGeneric::kSans},
    {13, "Zapf Dingbats", KxFontGeneric::kSymbol},
    {14, "Bookman", KxFontGeneric::kSerif},
    {15, "Helvetica Narrow", KxFontGeneric::kSans},
    {16, "Palatino", KxFontGeneric::kSerif},
    {18, "Zapf Chancery", KxFontGeneric::kSerif},
    {20, "Times", KxFontGeneric::kSerif},
    {21, "Helvetica", KxFontGeneric::kSans},
    {22, "Courier", KxFontGeneric::kMono},
    {23, "Symbol", KxFontGeneric::kSymbol},
    {33, "Avant Garde", KxFontGeneric::kSans},
    {34, "New Century Schoolbook", KxFontGeneric::kSerif},
    {16384, "Osaka", KxFontGeneric::kJapaneseGothic},
};

constexpr short kRomanFallbackFont = 3;   // an unknown Roman number measures as Geneva

bool IsJapaneseGeneric(KxFontGeneric g) {
  return g == KxFontGeneric::kJapaneseGothic || g == KxFontGeneric::kJapaneseMincho;
}

// Numbers of unknown fonts that can only have been Japanese fonts.
bool InJapaneseRange(short font) { return font < 0 || (font >= 0x4000 && font <= 0x41FF); }

std::string AsciiLower(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return r;
}

std::uint32_t Fnv1a(const std::string& s) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : s) h = (h ^ c) * 16777619u;
  return h;
}

std::int32_t ClampShort(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, 0, 32767));
}

// floor(units * size / upm + 1/2) for units, size >= 0.
std::int64_t ScaleHalfUp(std::int64_t units, std::int64_t size, std::int64_t upm) {
  return (2 * units * size + upm) / (2 * upm);
}

// A classic number's family is looked for when the number is first asked
// about: each look costs the font matcher a fraction of a millisecond, and
// most texts use none of them.
constexpr int kUnsettled = -2;

struct Entry {
  short script = 0;
  int face = -1;           // index into Registry::faces: the family it measures with
};

struct Face {
  std::string family;
  std::string postScript;
  bool japanese = false;
  bool opened = false;
  std::unique_ptr<KxFontFace> font;   // null when it could not be opened
};

class Registry {
 public:
  void Install(std::unique_ptr<KxFontBackend> backend) {
    ++generation_;
    lastValid_ = false;
    entries_.clear();
    faces_.clear();
    faceOf_.clear();
    app_ = -1;
    installed_.clear();
    byName_.clear();
    byPostScript_.clear();
    backend_ = std::move(backend);
    if (backend_) Build();
  }

  void Drop() { Install(nullptr); }

  void Ensure() {
    if (!backend_) Install(KxFreeTypeFontBackend(true, {}));
  }

  const Entry* Find(short font) {
    Ensure();
    // Layout asks about the same font for every line and character: the
    // last answer is kept (entries stay put until the next Install).
    if (lastValid_ && lastFont_ == font) return lastEntry_;
    auto it = entries_.find(font);
    lastEntry_ = it == entries_.end() ? nullptr : Settle(font, it->second);
    lastFont_ = font;
    lastValid_ = true;
    return lastEntry_;
  }

  // The entry a number measures with; never null once built.
  const Entry* Resolve(short font) {
    if (const Entry* e = Find(font)) return e;
    const short fallback = InJapaneseRange(font) ? kKxApplicationFont : kRomanFallbackFont;
    auto it = entries_.find(fallback);
    return it == entries_.end() ? nullptr : Settle(fallback, it->second);
  }

  // The family a known number measures with; null for unknown numbers and
  // when there are no families.
  const Face* FamilyOf(short font) {
    const Entry* e = Find(font);
    return e && e->face >= 0 ? &faces_[std::size_t(e->face)] : nullptr;
  }

  KxFontFace* FaceOf(const Entry* e) {
    if (!e || e->face < 0) return nullptr;
    Face& f = faces_[std::size_t(e->face)];
    if (!f.opened) {
      f.opened = true;
      f.font = backend_->Open(f.family);
      if (f.font && f.font->UnitsPerEm() <= 0) f.font.reset();
    }
    return f.font.get();
  }

  const std::vector<short>& Installed() {
    Ensure();
    return installed_;
  }

  bool NumberFromName(const std::string& name, short& font) {
    Ensure();
    auto it = byName_.find(AsciiLower(name));
    if (it == byName_.end()) return false;
    font = it->second;
    return true;
  }

  bool NumberFromPostScript(const std::string& name, short& font) {
    Ensure();
    auto it = byPostScript_.find(name);
    if (it == byPostScript_.end()) return false;
    font = it->second;
    return true;
  }

  std::uint32_t Generation() {
    Ensure();
    return generation_;
  }

 private:
  void Build() {
    std::vector<KxFontFamilyDesc> families = backend_->Families();
    std::sort(families.begin(), families.end(),
              [](const KxFontFamilyDesc& a, const KxFontFamilyDesc& b) { return a.family < b.family; });
    families.erase(std::unique(families.begin(), families.end(),
                               [](const KxFontFamilyDesc& a, const KxFontFamilyDesc& b) {
                                 return a.family == b.family;
                               }),
                   families.end());
    for (const KxFontFamilyDesc& d : families) {
      if (d.family.empty()) continue;
      faceOf_[d.family] = int(faces_.size());
      faces_.push_back(Face{d.family, d.postScript, d.japanese, false, nullptr});
    }

    // Installed families: hashed numbers, probing upwards within their range.
    std::vector<bool> taken(65536, false);
    taken[std::uint16_t(kKxSystemFont)] = taken[std::uint16_t(kKxApplicationFont)] = true;
    for (const ClassicFont& c : kClassicFonts) taken[std::uint16_t(c.number)] = true;
    for (std::size_t i = 0; i < faces_.size(); ++i) {
      const Face& f = faces_[i];
      const int base = f.japanese ? 0x4100 : 0x0400;
      const int span = f.japanese ? 0x100 : 0x4000 - 0x0400;
      const std::uint32_t h = Fnv1a(f.family);
      for (int probe = 0; probe < span; ++probe) {
        const int n = base + int((h + std::uint32_t(probe)) % std::uint32_t(span));
        if (taken[std::size_t(n)]) continue;
        taken[std::size_t(n)] = true;
        AddEntry(short(n), int(i), f.japanese ? kScriptJapanese : kScriptRoman, "");
        installed_.push_back(short(n));
        break;
      }
    }

    // Fonts 1 and 0, then the classic numbers.
    app_ = ChooseFamily(backend_->ApplicationFamily(), true);
    AddEntry(kKxApplicationFont, app_, kScriptJapanese, "");
    const std::string sys = backend_->SystemFamily();
    AddEntry(kKxSystemFont, sys.empty() || !faceOf_.count(sys) ? app_ : faceOf_[sys], kScriptJapanese, "");
    for (const ClassicFont& c : kClassicFonts)
      AddEntry(c.number, kUnsettled, IsJapaneseGeneric(c.generic) ? kScriptJapanese : kScriptRoman, c.name);
  }

  // The entry with its family found, for a classic number the first time.
  Entry* Settle(short number, Entry& e) {
    if (e.face != kUnsettled) return &e;
    e.face = app_;
    for (const ClassicFont& c : kClassicFonts) {
      if (c.number != number) continue;
      const std::string near = backend_->Nearest(c.name, c.generic);
      if (!IsJapaneseGeneric(c.generic))
        e.face = ChooseFamily(near, false);
      else if (faceOf_.count(near) && faces_[std::size_t(faceOf_[near])].japanese)
        e.face = faceOf_[near];
    }
    return &e;
  }

  // A family given by the backend, else the first family of the wanted kind
  // by name, else the first family; -1 when there are none.
  int ChooseFamily(const std::string& given, bool japanese) {
    if (!given.empty() && faceOf_.count(given)) return faceOf_[given];
    for (std::size_t i = 0; i < faces_.size(); ++i)
      if (faces_[i].japanese == japanese) return int(i);
    return faces_.empty() ? -1 : 0;
  }

  void AddEntry(short number, int face, short script, const std::string& classicName) {
    if (!classicName.empty()) byName_.emplace(AsciiLower(classicName), number);
    // An installed family's own name and PostScript name point to its own
    // number (registered first), never to 0, 1 or a classic number.
    if (classicName.empty() && number != kKxSystemFont && number != kKxApplicationFont) {
      const Face& f = faces_[std::size_t(face)];
      byName_.emplace(AsciiLower(f.family), number);
      if (!f.postScript.empty()) byPostScript_.emplace(f.postScript, number);
    }
    entries_[number] = Entry{script, face};
    lastValid_ = false;
  }

  std::uint32_t generation_ = 0;
  bool lastValid_ = false;
  short lastFont_ = 0;
  const Entry* lastEntry_ = nullptr;
  std::unique_ptr<KxFontBackend> backend_;
  std::vector<Face> faces_;
  std::unordered_map<std::string, int> faceOf_;
  int app_ = -1;   // the application font's family
  std::unordered_map<short, Entry> entries_;
  std::vector<short> installed_;
  std::unordered_map<std::string, short> byName_;
  std::unordered_map<std::string, short> byPostScript_;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

KxFontFace* ResolveFace(short font) {
  Registry& r = TheRegistry();
  return r.FaceOf(r.Resolve(font));
}

std::int64_t EffectiveSize(short size) { return size <= 0 ? kKxDefaultFontSize : size; }

// Width of one glyph with the face's delta, unclamped.
std::int64_t GlyphWidth(const KxFontFace* f, std::int64_t size, int delta, std::uint16_t glyph) {
  const std::int64_t w = ScaleHalfUp(f->Advance(glyph), size, f->UnitsPerEm()) + delta;
  return w < 0 ? 0 : w;
}

std::int32_t UTF16Width(const KxFontFace* f, std::int64_t s, int delta, const char16_t* text,
                        std::int32_t count) {
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    char32_t cp = text[i];
    if (char32_t pair = i + 1 < count ? KxJoinSurrogates(cp, text[i + 1]) : 0) {
      cp = pair;
      ++i;
    }
    // An unpaired surrogate has no glyph: the missing-character box.
    const bool unpaired = KxIsSurrogate(cp);
    total += GlyphWidth(f, s, delta, unpaired ? 0 : f->GlyphOf(cp));
    if (total > INT32_MAX) return INT32_MAX;
  }
  return std::int32_t(total);
}

short RegistryScript(short font) { return KxFontScript(font); }

}  // namespace

void KxFontInstallBackend(std::unique_ptr<KxFontBackend> backend) {
  TheRegistry().Install(std::move(backend));
}

void KxFontsFacilities() {
  KxRegisterFacility(
      kRankMemory - 10, "fonts", [] { KxSetFontScriptHook(RegistryScript); },
      [] {
        KxSetFontScriptHook(nullptr);
        TheRegistry().Drop();
      });
}

bool KxFontIsKnown(short font) { return TheRegistry().Find(font) != nullptr; }

bool KxRealFont(short font, short size) { return size >= 1 && ResolveFace(font) != nullptr; }

std::vector<short> KxFontNumbers() { return TheRegistry().Installed(); }

bool KxFontFamilyName(short font, std::string& family) {
  const Face* f = TheRegistry().FamilyOf(font);
  if (!f) return false;
  family = f->family;
  return true;
}

bool KxFontPostScriptName(short font, std::string& name) {
  const Face* f = TheRegistry().FamilyOf(font);
  if (!f || f->postScript.empty()) return false;
  name = f->postScript;
  return true;
}

bool KxFontNumberFromName(const std::string& family, short& font) {
  return TheRegistry().NumberFromName(family, font);
}

bool KxFontNumberFromPostScriptName(const std::string& name, short& font) {
  return TheRegistry().NumberFromPostScript(name, font);
}

bool KxInstalledFamilyOf(short font, short& installed) {
  std::string family;
  return KxFontFamilyName(font, family) && KxFontNumberFromName(family, installed);
}

short KxFontScript(short font) {
  if (const Entry* e = TheRegistry().Find(font)) return e->script;
  return InJapaneseRange(font) ? kScriptJapanese : kScriptRoman;
}

int KxFaceWidthDelta(unsigned char face) {
  int d = 0;
  if (face & kFaceBold) d += 1;
  if (face & kFaceOutline) d += 1;
  if (face & kFaceShadow) d += 2;
  if (face & kFaceCondense) d -= 1;
  if (face & kFaceExtend) d += 1;
  return d;
}

KxFontInfo KxFontGetInfo(short font, short size, unsigned char face) {
  const KxFontFace* f = ResolveFace(font);
  if (!f) return {0, 0, 0};
  const std::int64_t s = EffectiveSize(size);
  const int upm = f->UnitsPerEm();
  std::int64_t descent = ScaleHalfUp(std::max(0, f->Descender()), s, upm);
  if (face & kFaceOutline) descent += 1;
  if (face & kFaceShadow) descent += 2;
  return {ClampShort(ScaleHalfUp(std::max(0, f->Ascender()), s, upm)), ClampShort(descent),
          ClampShort(ScaleHalfUp(std::max(0, f->LineGap()), s, upm))};
}

std::int32_t KxFontCharWidth(short font, short size, unsigned char face, std::uint16_t code) {
  const KxFontFace* f = ResolveFace(font);
  if (!f) return 0;
  const std::int64_t s = EffectiveSize(size);
  const int delta = KxFaceWidthDelta(face);
  char16_t u[2];
  const int n = KxScriptToUTF16(code, KxFontScript(font), u);
  if (n == 0) return ClampShort(GlyphWidth(f, s, delta, 0));
  // Two units are a surrogate pair or a character with a combining mark.
  return ClampShort(UTF16Width(f, s, delta, u, n));
}

std::int32_t KxFontUTF16Width(short font, short size, unsigned char face, const char16_t* text,
                              std::int32_t count) {
  const KxFontFace* f = ResolveFace(font);
  if (!f || !text || count <= 0) return 0;
  return UTF16Width(f, EffectiveSize(size), KxFaceWidthDelta(face), text, count);
}

std::int32_t KxFontGlyphWidth(short font, short size, unsigned char face, std::uint16_t glyph) {
  const KxFontFace* f = ResolveFace(font);
  if (!f || glyph >= f->GlyphCount()) return 0;
  return ClampShort(GlyphWidth(f, EffectiveSize(size), KxFaceWidthDelta(face), glyph));
}

const KxFontFace* KxFontDrawingFace(short font) { return ResolveFace(font); }

std::uint32_t KxFontGeneration() { return TheRegistry().Generation(); }

// ---------------------------------------------------------------------------
// The synthetic backend

namespace {

bool SyntheticWide(char32_t cp) {
  return (cp >= 0x2E80 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF01 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6);
}

class SyntheticFace : public KxFontFace {
 public:
  explicit SyntheticFace(bool japanese) : japanese_(japanese) {}
  int UnitsPerEm() const override { return 1000; }
  int Ascender() const override { return 750; }
  int Descender() const override { return 250; }
  int LineGap() const override { return 100; }
  std::uint32_t GlyphCount() const override { return 0x10000; }
  std::uint16_t GlyphOf(char32_t cp) const override {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp > 0xFFFF) return 0;
    if (KxIsSurrogate(cp)) return 0;
    if (!japanese_ && cp >= 0x2E80) return 0;
    return std::uint16_t(cp);
  }
  int Advance(std::uint16_t glyph) const override { return SyntheticWide(glyph) ? 1000 : 500; }

 private:
  bool japanese_;
};

constexpr const char* kSyntheticGothic = "KX Synthetic Gothic";
constexpr const char* kSyntheticRoman = "KX Synthetic Roman";

class SyntheticBackend : public KxFontBackend {
 public:
  std::vector<KxFontFamilyDesc> Families() override {
    return {{kSyntheticGothic, "KXSyntheticGothic", true}, {kSyntheticRoman, "KXSyntheticRoman", false}};
  }
  std::unique_ptr<KxFontFace> Open(const std::string& family) override {
    if (family == kSyntheticGothic) return std::make_unique<SyntheticFace>(true);
    if (family == kSyntheticRoman) return std::make_unique<SyntheticFace>(false);
    return nullptr;
  }
  std::string Nearest(const std::string&, KxFontGeneric generic) override {
    return IsJapaneseGeneric(generic) ? kSyntheticGothic : kSyntheticRoman;
  }
  std::string ApplicationFamily() override { return kSyntheticGothic; }
  std::string SystemFamily() override { return kSyntheticGothic; }
};

}  // namespace

std::unique_ptr<KxFontBackend> KxSyntheticFontBackend() { return std::make_unique<SyntheticBackend>(); }
