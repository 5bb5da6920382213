// Text drawing of the port: glyphs from FreeType outlines through cairo,
// placed one character at a time at the widths the measuring code gives, so
// that what is drawn lines up with what was measured. Faces without a font
// file (the synthetic test fonts) draw every glyph as a box.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
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

struct Box {
  double x, y, w;   // synthetic faces: a box w wide from (x, y) on the baseline
};

struct Run {
  std::vector<cairo_glyph_t> glyphs;   // positions relative to the pen on the baseline
  std::vector<Box> boxes;
  std::int64_t width = 0;              // how far the pen moves
  std::int64_t low = 0, high = 0;      // the vertical offsets the glyphs reach
  // The characters the glyphs show, character by character, so that a PDF
  // carries the text (search, copy, text extraction) with its glyphs.
  std::string utf8;
  std::vector<cairo_text_cluster_t> clusters;
};

void AppendUTF8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6);
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | cp >> 12);
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | cp >> 18);
    out += char(0x80 | (cp >> 12 & 0x3F));
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Whether a code point may stand in the text of a cluster: no controls,
// no surrogate halves, no noncharacters.
bool Textual(char32_t cp) {
  return cp >= 0x20 && cp != 0x7F && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE &&
         cp != 0xFFFF;
}

// Glyphs of bytes[0, count) in the text settings, at the drawing size; with
// doubleWidth > 0 every double-byte character advances by that.
Run Layout(const KxPortText& t, const std::uint8_t* bytes, std::int32_t count, const KxFontFace* face,
           std::int32_t doubleWidth) {
  Run run;
  const short script = KxFontScript(t.font);
  const std::uint8_t* lead = KxScriptParseTable(script);
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint16_t code = bytes[i];
    const bool pair = lead[code] && i + 1 < count;
    if (pair) code = std::uint16_t(code << 8 | bytes[++i]);
    const std::int32_t w = pair && doubleWidth > 0 ? doubleWidth : KxFontCharWidth(t.font, t.size, t.face, code);
    char16_t u[2];
    const int n = KxScriptToUTF16(code, script, u);
    std::vector<char32_t> cps;
    if (n == 2 && u[0] >= 0xD800 && u[0] <= 0xDBFF && u[1] >= 0xDC00 && u[1] <= 0xDFFF)
      cps.push_back(0x10000 + ((char32_t(u[0]) - 0xD800) << 10) + (char32_t(u[1]) - 0xDC00));
    else
      for (int k = 0; k < n; ++k) cps.push_back(u[k]);
    if (cps.empty()) cps.push_back(0xFFFF);   // no character: the missing glyph
    const std::size_t glyphsBefore = run.glyphs.size(), bytesBefore = run.utf8.size();
    for (char32_t cp : cps) {
      if (Textual(cp)) AppendUTF8(run.utf8, cp);
      if (cp == 0x20 || cp == 0x3000 || cp == 0xA0 || cp < 0x20) continue;   // nothing to see
      if (face) run.glyphs.push_back({face->GlyphOf(cp), double(run.width), 0});
      run.boxes.push_back({double(run.width), 0, double(w)});
    }
    const int bytes = int(run.utf8.size() - bytesBefore), glyphs = int(run.glyphs.size() - glyphsBefore);
    if (bytes > 0 || glyphs > 0) run.clusters.push_back({bytes, glyphs});
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
        one.y += baseline;
      }
      // The text goes with the first strike only: a bold run's second
      // strike would read as every character twice.
      if (strike == 0 && !run.clusters.empty() &&
          cairo_surface_get_type(cairo_get_target(cr)) != CAIRO_SURFACE_TYPE_IMAGE)
        cairo_show_text_glyphs(cr, run.utf8.data(), int(run.utf8.size()), g.data(), int(g.size()),
                               run.clusters.data(), int(run.clusters.size()), cairo_text_cluster_flags_t(0));
      else
        cairo_show_glyphs(cr, g.data(), int(g.size()));
    } else {
      // A box the glyph's width and the line's ascent and descent.
      for (const Box& box : run.boxes) {
        const double bx = at + box.x, bw = box.w - 1;
        const double top = baseline + box.y - info.ascent, h = info.ascent + info.descent;
        if (bw < 1 || h < 2) continue;
        // Four paths of one rectangle each: on paper a lone rectangle is
        // fitted to whole pixels by the renderer (see FillVector).
        const double sides[4][4] = {
            {bx, top, bw, 1}, {bx, top + h - 1, bw, 1}, {bx, top + 1, 1, h - 2}, {bx + bw - 1, top + 1, 1, h - 2}};
        for (const auto& r : sides) {
          cairo_rectangle(cr, r[0], r[1], r[2], r[3]);
          cairo_fill(cr);
        }
      }
    }
  }
  if ((t.face & kFaceUnderline) && run.width > 1) {
    cairo_rectangle(cr, x, baseline + 1, double(run.width - 1), 1);
    cairo_fill(cr);
  }
}

void SetFontOptions(cairo_t* cr, bool smooth = false) {
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_antialias(o, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, o);
  cairo_font_options_destroy(o);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

}  // namespace

namespace {

// Where a run goes: upright with its pen at `pen`, or turned a quarter
// clockwise into the column left..left+height from `top` down, its baseline
// `ascent` in from the column's right edge.
struct Placement {
  bool turned = false;
  PointL pen{0, 0};
  std::int32_t left = 0, top = 0, ascent = 0, height = 0;
};

void DrawRun(KxPort& p, const Run& run, cairo_font_face_t* ff, const Placement& at) {
  const KxPortText& t = p.mText;
  const KxFontInfo info = KxFontGetInfo(t.font, t.size, t.face);
  const std::int64_t size = t.size <= 0 ? 12 : t.size;
  const std::int64_t slack = kMaskMargin + size / 2;
  // The run's box on the surface, with room for what glyphs draw outside it;
  // and the matrix from run coordinates (pen at 0, baseline at 0) to it.
  std::int64_t left, top, right, bottom;
  cairo_matrix_t toDevice;
  if (!at.turned) {
    const std::int64_t x = p.DeviceH(at.pen.h), base = p.DeviceV(at.pen.v);
    left = x - slack, top = base + run.low - info.ascent - slack;
    right = x + run.width + slack, bottom = base + run.high + info.descent + slack;
    cairo_matrix_init_translate(&toDevice, double(x), double(base));
  } else {
    // A run pixel (u, v) (v from the baseline, down) lands on column pixel
    // (right edge - ascent - v - 1, top + u): the ascent faces right.
    const std::int64_t colRight = p.DeviceH(std::int64_t(at.left) + at.height), y = p.DeviceV(at.top);
    left = colRight - at.height - slack, top = y - slack;
    right = colRight + slack, bottom = y + run.width + slack;
    cairo_matrix_init(&toDevice, 0, 1, -1, 0, double(colRight - at.ascent), double(y));
  }
  const kx_draw::DevRect box = kx_draw::DevRect::Cut(left, top, right, bottom, p.Width(), p.Height());
  if (box.Empty()) return;
  if (p.IsRaster()) {
    // Glyph shapes into a mask, then the mask through the clip by the mode.
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, box.x1 - box.x0, box.y1 - box.y0);
    cairo_t* cr = cairo_create(mask);
    SetFontOptions(cr, t.smooth && ff);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_translate(cr, -box.x0, -box.y0);
    cairo_transform(cr, &toDevice);
    Paint(cr, t, run, ff, 0, 0, info);
    cairo_destroy(cr);
    if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS)
      kx_draw::ApplyMask(p, mask, box.x0, box.y0, t.mode, t.smooth && ff);
    cairo_surface_destroy(mask);
    return;
  }
  // No XOR on paper (see FillVector): a drag caret drawn as XOR text stays off it.
  if ((t.mode & 3) == srcXor) return;
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
  cairo_transform(cr, &toDevice);
  Paint(cr, t, run, ff, 0, 0, info);
  cairo_destroy(cr);
}

// The port font's face and, when it has a file, its cairo face.
const KxFontFace* PortFace(const KxPortText& t, cairo_font_face_t*& ff) {
  const KxFontFace* face = KxFontDrawingFace(t.font);
  ff = nullptr;
  std::string path;
  int index = 0;
  if (face && face->FileLocation(path, index)) ff = FileFace(path, index);
  return face;
}

}  // namespace

void DrawText(const void* text, std::int32_t first, std::int32_t count) { KxDrawTextCells(text, first, count, 0); }

void KxDrawTextCells(const void* text, std::int32_t first, std::int32_t count, std::int32_t doubleWidth) {
  GrafPtr port = KxGetPort();
  if (!port || !text || first < 0 || count <= 0) return;
  KxPort& p = *port;
  cairo_font_face_t* ff;
  const KxFontFace* face = PortFace(p.mText, ff);
  const Run run = Layout(p.mText, static_cast<const std::uint8_t*>(text) + first, count, ff ? face : nullptr, doubleWidth);
  Placement at;
  at.pen = p.mPen.pnLoc;
  p.mPen.pnLoc.h = kx_draw::Pin32(std::int64_t(at.pen.h) + run.width);
  DrawRun(p, run, ff, at);
}

std::int32_t KxDrawTextTurned(const void* text, std::int32_t first, std::int32_t count, std::int32_t left,
                              std::int32_t top, std::int32_t ascent, std::int32_t height) {
  const std::int32_t doubleWidth = 0;
  GrafPtr port = KxGetPort();
  if (!port || !text || first < 0 || count <= 0) return 0;
  KxPort& p = *port;
  cairo_font_face_t* ff;
  const KxFontFace* face = PortFace(p.mText, ff);
  const Run run = Layout(p.mText, static_cast<const std::uint8_t*>(text) + first, count, ff ? face : nullptr, doubleWidth);
  Placement at;
  at.turned = true;
  at.left = left, at.top = top, at.ascent = ascent, at.height = height;
  const std::int32_t width = kx_draw::Pin32(run.width);
  p.mPen.pnLoc.v = kx_draw::Pin32(std::int64_t(top) + run.width);
  DrawRun(p, run, ff, at);
  return width;
}

void KxDrawGlyphs(const KxGlyphAt* glyphs, std::int32_t count) { KxDrawGlyphs(glyphs, count, nullptr, 0); }

void KxDrawGlyphs(const KxGlyphAt* glyphs, std::int32_t count, const KxGlyphCluster* clusters,
                  std::int32_t clusterCount) {
  GrafPtr port = KxGetPort();
  if (!port || !glyphs || count <= 0) return;
  KxPort& p = *port;
  const KxPortText& t = p.mText;
  cairo_font_face_t* ff;
  const KxFontFace* face = PortFace(t, ff);
  Run run;
  std::int64_t lo = 0, hi = 0, right = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const KxGlyphAt& g = glyphs[i];
    if (!face || g.glyph >= face->GlyphCount()) continue;
    const std::int32_t w = KxFontGlyphWidth(t.font, t.size, t.face, g.glyph);
    if (ff) run.glyphs.push_back({g.glyph, double(g.x), double(g.y)});
    run.boxes.push_back({double(g.x), double(g.y), double(w)});
    lo = std::min<std::int64_t>(lo, g.y);
    hi = std::max<std::int64_t>(hi, g.y);
    right = std::max<std::int64_t>(right, std::int64_t(g.x) + w);
  }
  if (run.boxes.empty()) return;
  // The text, when the clusters cover exactly the glyphs handed in.
  std::int64_t covered = 0;
  for (std::int32_t c = 0; clusters && c < clusterCount; ++c) covered += std::max(0, clusters[c].glyphCount);
  if (ff && clusters && covered == count) {
    std::int32_t g = 0;
    for (std::int32_t c = 0; c < clusterCount; ++c) {
      const KxGlyphCluster& k = clusters[c];
      const std::size_t before = run.utf8.size();
      const std::int32_t units = std::clamp(k.unitCount, 0, 2);
      if (units == 2 && k.units[0] >= 0xD800 && k.units[0] <= 0xDBFF && k.units[1] >= 0xDC00 && k.units[1] <= 0xDFFF) {
        AppendUTF8(run.utf8, 0x10000 + ((char32_t(k.units[0]) - 0xD800) << 10) + (char32_t(k.units[1]) - 0xDC00));
      } else {
        for (std::int32_t u = 0; u < units; ++u)
          if (Textual(k.units[u])) AppendUTF8(run.utf8, k.units[u]);
      }
      // Only the glyphs that are drawn count.
      int kept = 0;
      for (std::int32_t n = 0; n < std::max(0, k.glyphCount); ++n, ++g)
        if (glyphs[g].glyph < face->GlyphCount()) ++kept;
      const int bytes = int(run.utf8.size() - before);
      if (bytes > 0 || kept > 0) run.clusters.push_back({bytes, kept});
    }
  }
  run.low = lo, run.high = hi;
  run.width = right;
  // The box of the drawing runs from the pen; glyphs placed left of it are
  // caught by the margin only, so callers place them at or right of it.
  const KxPortText saved = t;
  p.mText.face = static_cast<unsigned char>(t.face & ~kFaceUnderline);   // no underline under single glyphs
  Placement at;
  at.pen = p.mPen.pnLoc;
  DrawRun(p, run, ff, at);
  p.mText = saved;
}

void DrawString(ConstStringPtr s) {
  if (s) DrawText(s, 1, s[0]);
}

void DrawChar(unsigned char ch) { DrawText(&ch, 0, 1); }
