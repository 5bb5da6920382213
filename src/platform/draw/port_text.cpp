// Text drawing of the port: glyphs from FreeType outlines through cairo,
// placed one character at a time at the widths the measuring code gives, so
// that what is drawn lines up with what was measured. Faces without a font
// file (the synthetic test fonts) draw every glyph as a box.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "platform/draw/port.h"
#include "platform/draw/port_fill.h"
#include "platform/fonts.h"
#include "platform/script.h"

namespace {

// Italic leans by a fifth of the size.
constexpr double kItalicSlant = 0.2;
// Room around a run's box for strokes past the ascent, descent or advance.
constexpr int kMaskMargin = 4;

// cairo faces by font file, kept for the life of the process; cairo drops
// each FreeType face with its own last reference.
cairo_font_face_t* FileFace(const std::string& path, int index) {
  static FT_Library library = nullptr;
  static auto* faces = new std::map<std::string, cairo_font_face_t*>;
  const std::string key = path + "#" + std::to_string(index);
  auto it = faces->find(key);
  if (it != faces->end()) return it->second;
  cairo_font_face_t* result = nullptr;
  if (library || FT_Init_FreeType(&library) == 0) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), index, &face) == 0) {
      result = cairo_ft_font_face_create_for_ft_face(face, 0);
      static cairo_user_data_key_t owner;
      if (cairo_font_face_status(result) != CAIRO_STATUS_SUCCESS ||
          cairo_font_face_set_user_data(result, &owner, face,
                                        [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); }) !=
              CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(result);
        FT_Done_Face(face);
        result = nullptr;
      }
    }
  }
  (*faces)[key] = result;   // a failure is remembered too: the file will not get better
  return result;
}

struct Run {
  std::vector<cairo_glyph_t> glyphs;   // positions relative to the pen
  std::vector<double> boxes;           // synthetic faces: x and width of each box
  std::int64_t width = 0;
};

// Glyphs of bytes[0, count) in the text settings, at the drawing size.
Run Layout(const KxPortText& t, const std::uint8_t* bytes, std::int32_t count, const KxFontFace* face) {
  Run run;
  const short script = KxFontScript(t.font);
  const std::uint8_t* lead = KxScriptParseTable(script);
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint16_t code = bytes[i];
    if (lead[code] && i + 1 < count) code = std::uint16_t(code << 8 | bytes[++i]);
    const std::int32_t w = KxFontCharWidth(t.font, t.size, t.face, code);
    char16_t u[2];
    const int n = KxScriptToUTF16(code, script, u);
    std::vector<char32_t> cps;
    if (n == 2 && u[0] >= 0xD800 && u[0] <= 0xDBFF && u[1] >= 0xDC00 && u[1] <= 0xDFFF)
      cps.push_back(0x10000 + ((char32_t(u[0]) - 0xD800) << 10) + (char32_t(u[1]) - 0xDC00));
    else
      for (int k = 0; k < n; ++k) cps.push_back(u[k]);
    if (cps.empty()) cps.push_back(0xFFFF);   // no character: the missing glyph
    for (char32_t cp : cps) {
      if (cp == 0x20 || cp == 0x3000 || cp == 0xA0 || cp < 0x20) continue;   // nothing to see
      if (face) run.glyphs.push_back({face->GlyphOf(cp), double(run.width), 0});
      run.boxes.push_back(double(run.width));
      run.boxes.push_back(double(w));
    }
    run.width += w;
  }
  return run;
}

// Draws the run with the pen at (x, baseline) of the context, in its source.
void Paint(cairo_t* cr, const KxPortText& t, const Run& run, cairo_font_face_t* ff, double x,
           double baseline, const KxFontInfo& info) {
  const double size = t.size <= 0 ? 12 : t.size;
  const int strikes = (t.face & kFaceBold) ? 2 : 1;   // bold: struck again one pixel right
  for (int strike = 0; strike < strikes; ++strike) {
    const double at = x + strike;
    if (ff) {
      cairo_set_font_face(cr, ff);
      cairo_matrix_t m;
      cairo_matrix_init(&m, size, 0, (t.face & kFaceItalic) ? -kItalicSlant * size : 0, size, 0, 0);
      cairo_set_font_matrix(cr, &m);
      std::vector<cairo_glyph_t> g = run.glyphs;
      for (cairo_glyph_t& one : g) {
        one.x += at;
        one.y = baseline;
      }
      cairo_show_glyphs(cr, g.data(), int(g.size()));
    } else {
      // A box the glyph's width and the line's ascent and descent.
      for (std::size_t i = 0; i + 1 < run.boxes.size(); i += 2) {
        const double bx = at + run.boxes[i], bw = run.boxes[i + 1] - 1;
        const double top = baseline - info.ascent, h = info.ascent + info.descent;
        if (bw < 1 || h < 2) continue;
        cairo_rectangle(cr, bx, top, bw, 1);
        cairo_rectangle(cr, bx, top + h - 1, bw, 1);
        cairo_rectangle(cr, bx, top + 1, 1, h - 2);
        cairo_rectangle(cr, bx + bw - 1, top + 1, 1, h - 2);
        cairo_fill(cr);
      }
    }
  }
  if ((t.face & kFaceUnderline) && run.width > 1) {
    cairo_rectangle(cr, x, baseline + 1, double(run.width - 1), 1);
    cairo_fill(cr);
  }
}

void SetFontOptions(cairo_t* cr) {
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, o);
  cairo_font_options_destroy(o);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

}  // namespace

void DrawText(const void* text, std::int32_t first, std::int32_t count) {
  GrafPtr port = KxGetPort();
  if (!port || !text || first < 0 || count <= 0) return;
  KxPort& p = *port;
  const KxPortText& t = p.mText;
  const KxFontFace* face = KxFontDrawingFace(t.font);
  cairo_font_face_t* ff = nullptr;
  std::string path;
  int index = 0;
  if (face && face->FileLocation(path, index)) ff = FileFace(path, index);
  const Run run = Layout(t, static_cast<const std::uint8_t*>(text) + first, count, ff ? face : nullptr);
  const KxFontInfo info = KxFontGetInfo(t.font, t.size, t.face);
  const PointL pen = p.mPen.pnLoc;
  p.mPen.pnLoc.h = kx_draw::Pin32(std::int64_t(pen.h) + run.width);

  const std::int64_t x = p.DeviceH(pen.h), base = p.DeviceV(pen.v);
  const std::int64_t size = t.size <= 0 ? 12 : t.size;
  const std::int64_t slack = kMaskMargin + size / 2;
  // The run's box on the surface, with room for what glyphs draw outside it.
  const kx_draw::DevRect box = kx_draw::DevRect::Cut(x - slack, base - info.ascent - slack,
                                                     x + run.width + slack, base + info.descent + slack,
                                                     p.Width(), p.Height());
  if (box.Empty()) return;
  if (p.IsRaster()) {
    // Glyph shapes into a mask, then the mask through the clip by the mode.
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, box.x1 - box.x0, box.y1 - box.y0);
    cairo_t* cr = cairo_create(mask);
    SetFontOptions(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    Paint(cr, t, run, ff, double(x - box.x0), double(base - box.y0), info);
    cairo_destroy(cr);
    if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) kx_draw::ApplyMask(p, mask, box.x0, box.y0, t.mode);
    cairo_surface_destroy(mask);
    return;
  }
  kx_draw::DevRegion clip = kx_draw::DevRegion::Clip(p);
  if (clip.Empty()) return;
  cairo_t* cr = cairo_create(p.Surface());
  SetFontOptions(cr);
  const int n = cairo_region_num_rectangles(clip.Get());
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(clip.Get(), i, &r);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
  }
  cairo_clip(cr);
  const RGBColor& ink = (t.mode & 3) == srcBic ? p.mBack : p.mFore;
  cairo_set_source_rgb(cr, ink.red / 65535.0, ink.green / 65535.0, ink.blue / 65535.0);
  Paint(cr, t, run, ff, double(x), double(base), info);
  cairo_destroy(cr);
}

void DrawString(ConstStringPtr s) {
  if (s) DrawText(s, 1, s[0]);
}

void DrawChar(unsigned char ch) { DrawText(&ch, 0, 1); }
