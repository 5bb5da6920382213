#include "platform/draw/glyph_choice.h"

#include <hb.h>

#include <map>
#include <string>

#include "platform/fonts.h"

namespace {

// HarfBuzz fonts by file, kept for the life of the process (as the cairo
// faces of the same files are).
hb_font_t* FileFont(const std::string& path, int index) {
  static auto* fonts = new std::map<std::string, hb_font_t*>;
  const std::string key = path + "#" + std::to_string(index);
  auto it = fonts->find(key);
  if (it != fonts->end()) return it->second;
  hb_font_t* font = nullptr;
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.c_str());
  if (blob) {
    hb_face_t* face = hb_face_create(blob, unsigned(index));
    hb_blob_destroy(blob);
    if (hb_face_get_glyph_count(face) > 0) font = hb_font_create(face);
    hb_face_destroy(face);
  }
  (*fonts)[key] = font;   // a failure is remembered: the file will not get better
  return font;
}

bool ChooseByCodePoint(const KxFontFace& face, const char16_t* units, std::int32_t count,
                       std::vector<KxChosenGlyph>& glyphs) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t cluster = i;
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (char32_t(units[++i]) - 0xDC00);
    glyphs.push_back({face.GlyphOf(cp), cluster});
  }
  return true;
}

}  // namespace

bool KxChooseGlyphs(short font, const char16_t* units, std::int32_t count, bool vertical,
                    std::vector<KxChosenGlyph>& glyphs) {
  glyphs.clear();
  if (!units || count <= 0) return false;
  const KxFontFace* face = KxFontDrawingFace(font);
  if (!face) return false;
  std::string path;
  int index = 0;
  bool ok;
  // A file HarfBuzz cannot read (a Type 1 font) goes by the face's own map.
  hb_font_t* hb = face->FileLocation(path, index) ? FileFont(path, index) : nullptr;
  if (!hb) {
    ok = ChooseByCodePoint(*face, units, count, glyphs);
  } else {
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf16(buf, reinterpret_cast<const std::uint16_t*>(units), count, 0, count);
    hb_buffer_guess_segment_properties(buf);
    // The vertical forms are asked for by feature on a horizontal buffer:
    // only the glyph choice changes, no vertical metrics are involved.
    hb_feature_t features[2] = {{HB_TAG('v', 'e', 'r', 't'), 1, 0, ~0u}, {HB_TAG('v', 'r', 't', '2'), 1, 0, ~0u}};
    hb_shape(hb, buf, vertical ? features : nullptr, vertical ? 2 : 0);
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    ok = n > 0;
    for (unsigned i = 0; i < n && ok; ++i) {
      if (info[i].codepoint > 0xFFFF) ok = false;
      else glyphs.push_back({std::uint16_t(info[i].codepoint), std::int32_t(info[i].cluster)});
    }
    hb_buffer_destroy(buf);
  }
  if (!ok) glyphs.clear();
  return ok;
}
