// The FreeType backend of the font registry: families from fontconfig and
// from font files named by path; metrics and advances in design units,
// straight from the font tables (FreeType reads them; nothing is hinted).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "platform/exception.h"
#include "platform/fonts.h"
#include "platform/script.h"
#include "platform/types.h"

namespace {

constexpr long kFontErr = FourCC("font");

struct Library {
  FT_Library lib = nullptr;
  Library() {
    if (FT_Init_FreeType(&lib) != 0) throw LException(kFontErr);
  }
  ~Library() { FT_Done_FreeType(lib); }
};

// Where a family's regular face lives.
struct Source {
  std::string path;
  int index = 0;
  std::string postScript;
  bool japanese = false;
  int rank = 0;   // lower is nearer to an upright regular face
};

class FreeTypeFace : public KxFontFace {
 public:
  FreeTypeFace(std::shared_ptr<Library> lib, FT_Face face, std::string path, int index)
      : lib_(std::move(lib)), face_(face), path_(std::move(path)), index_(index) {
    advances_.assign(std::size_t(face_->num_glyphs > 0 ? face_->num_glyphs : 0), -1);
    upm_ = face_->units_per_EM;
    ascender_ = std::max<int>(0, face_->ascender);
    descender_ = std::max<int>(0, -face_->descender);
    lineGap_ = std::max<int>(0, face_->height - (face_->ascender - face_->descender));
  }
  ~FreeTypeFace() override { FT_Done_Face(face_); }

  int UnitsPerEm() const override { return upm_; }
  int Ascender() const override { return ascender_; }
  int Descender() const override { return descender_; }
  int LineGap() const override { return lineGap_; }
  std::uint32_t GlyphCount() const override { return std::uint32_t(advances_.size()); }
  std::uint16_t GlyphOf(char32_t cp) const override {
    const FT_UInt g = FT_Get_Char_Index(face_, FT_ULong(cp));
    return g < advances_.size() ? std::uint16_t(g) : 0;
  }
  bool FileLocation(std::string& path, int& index) const override {
    path = path_;
    index = index_;
    return true;
  }
  int Advance(std::uint16_t glyph) const override {
    if (glyph >= advances_.size()) return 0;
    int& a = advances_[glyph];
    if (a < 0) {
      FT_Fixed v = 0;
      if (FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &v) != 0 || v < 0) v = 0;
      a = int(std::min<FT_Fixed>(v, 0x7FFFFFF));
    }
    return a;
  }

 private:
  std::shared_ptr<Library> lib_;
  FT_Face face_;
  std::string path_;
  int index_;
  mutable std::vector<int> advances_;   // design units, -1 until read
  int upm_, ascender_, descender_, lineGap_;
};

std::string FcString(FcPattern* p, const char* object) {
  FcChar8* s = nullptr;
  return FcPatternGetString(p, object, 0, &s) == FcResultMatch && s ? reinterpret_cast<char*>(s) : "";
}

int FcInt(FcPattern* p, const char* object, int fallback) {
  int v = 0;
  return FcPatternGetInteger(p, object, 0, &v) == FcResultMatch ? v : fallback;
}

bool HasJapanese(FcPattern* p) {
  FcLangSet* ls = nullptr;
  return FcPatternGetLangSet(p, FC_LANG, 0, &ls) == FcResultMatch && ls &&
         FcLangSetHasLang(ls, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// The Japanese set as fontconfig defines it for installed fonts: the kana
// and the first level kanji of JIS X 0208, a few missing allowed.
bool CoversJapanese(FT_Face face) {
  if (!face->charmap || face->charmap->encoding != FT_ENCODING_UNICODE) return false;
  int wanted = 0, missing = 0;
  for (std::uint16_t code = 0x829F; code <= 0x9872; ++code) {
    if ((code & 0xFF) < 0x40 || (code & 0xFF) > 0xFC || (code >= 0x8397 && code < 0x889F)) continue;
    char16_t u[2];
    if (KxScriptToUTF16(code, kScriptJapanese, u) != 1) continue;
    ++wanted;
    if (FT_Get_Char_Index(face, FT_ULong(u[0])) == 0) ++missing;
  }
  return wanted > 0 && missing * 100 <= wanted;
}

int FaceRank(FcPattern* p) {
  return std::abs(FcInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR) - FC_WEIGHT_REGULAR) * 4 +
         std::abs(FcInt(p, FC_WIDTH, FC_WIDTH_NORMAL) - FC_WIDTH_NORMAL) * 2 +
         (FcInt(p, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN ? 1000 : 0);
}

class FreeTypeBackend : public KxFontBackend {
 public:
  FreeTypeBackend(bool useFontconfig, const std::vector<std::string>& files)
      : lib_(std::make_shared<Library>()) {
    if (useFontconfig) {
      config_ = FcInitLoadConfigAndFonts();
      if (config_) ListFontconfig();
    }
    for (const std::string& f : files) AddFile(f);
  }
  ~FreeTypeBackend() override {
    if (config_) FcConfigDestroy(config_);
  }

  std::vector<KxFontFamilyDesc> Families() override {
    std::vector<KxFontFamilyDesc> r;
    for (const auto& [family, s] : sources_) r.push_back({family, s.postScript, s.japanese});
    return r;
  }

  std::unique_ptr<KxFontFace> Open(const std::string& family) override {
    auto it = sources_.find(family);
    if (it == sources_.end()) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(lib_->lib, it->second.path.c_str(), it->second.index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
      FT_Done_Face(face);
      return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);   // keeps FreeType's choice when absent
    return std::make_unique<FreeTypeFace>(lib_, face, it->second.path, it->second.index);
  }

  std::string Nearest(const std::string& wanted, KxFontGeneric generic) override {
    if (sources_.count(wanted)) return wanted;
    if (!config_) return "";
    static const char* const kGeneric[] = {"sans-serif", "serif", "monospace", "sans-serif",
                                           "sans-serif", "serif"};
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(wanted.c_str()));
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(kGeneric[int(generic)]));
    if (generic == KxFontGeneric::kJapaneseGothic || generic == KxFontGeneric::kJapaneseMincho)
      FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(config_, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result;
    FcPattern* m = FcFontMatch(config_, p, &result);
    std::string family = m ? FcString(m, FC_FAMILY) : "";
    if (m) FcPatternDestroy(m);
    FcPatternDestroy(p);
    return sources_.count(family) ? family : "";
  }

  std::string ApplicationFamily() override {
    if (sources_.count("IPAGothic")) return "IPAGothic";
    return Nearest("", KxFontGeneric::kJapaneseGothic);
  }
  std::string SystemFamily() override {
    return sources_.count("IPAPGothic") ? "IPAPGothic" : ApplicationFamily();
  }

 private:
  void Offer(const std::string& family, Source s, bool replace) {
    if (family.empty()) return;
    auto it = sources_.find(family);
    if (it == sources_.end() || replace || s.rank < it->second.rank ||
        (s.rank == it->second.rank && std::make_pair(s.path, s.index) <
                                          std::make_pair(it->second.path, it->second.index)))
      sources_[family] = std::move(s);
  }

  void ListFontconfig() {
    FcPattern* pat = FcPatternCreate();
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_POSTSCRIPT_NAME, FC_FILE, FC_INDEX, FC_WEIGHT,
                                       FC_WIDTH, FC_SLANT, FC_LANG, nullptr);
    FcFontSet* fs = FcFontList(config_, pat, os);
    if (fs) {
      for (int i = 0; i < fs->nfont; ++i) {
        FcPattern* p = fs->fonts[i];
        Source s{FcString(p, FC_FILE), FcInt(p, FC_INDEX, 0), FcString(p, FC_POSTSCRIPT_NAME),
                 HasJapanese(p), FaceRank(p)};
        if (!s.path.empty()) Offer(FcString(p, FC_FAMILY), std::move(s), false);
      }
      FcFontSetDestroy(fs);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(pat);
  }

  // A file named by path ("path#index" for one face of a collection).
  void AddFile(const std::string& name) {
    std::string path = name;
    int index = 0;
    const auto hash = name.rfind('#');
    if (hash != std::string::npos && hash + 1 < name.size() &&
        name.find_first_not_of("0123456789", hash + 1) == std::string::npos) {
      path = name.substr(0, hash);
      index = std::atoi(name.c_str() + hash + 1);
    }
    FT_Face face = nullptr;
    if (FT_New_Face(lib_->lib, path.c_str(), index, &face) != 0) return;
    // FreeType's own names: fontconfig's query of a file mishandles some
    // malformed name tables.
    if (FT_IS_SCALABLE(face) && face->family_name && face->family_name[0]) {
      const char* ps = FT_Get_Postscript_Name(face);
      FT_Select_Charmap(face, FT_ENCODING_UNICODE);
      Offer(face->family_name, Source{path, index, ps ? ps : "", CoversJapanese(face), 0}, true);
    }
    FT_Done_Face(face);
  }

  std::shared_ptr<Library> lib_;
  FcConfig* config_ = nullptr;
  std::map<std::string, Source> sources_;
};

}  // namespace

std::unique_ptr<KxFontBackend> KxFreeTypeFontBackend(bool useFontconfig,
                                                     const std::vector<std::string>& files) {
  return std::make_unique<FreeTypeBackend>(useFontconfig, files);
}
