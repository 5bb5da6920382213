// Draws into a PNG with the headless port.
//
//   kxdraw [--width N] [--vertical] [--scale PCT] [--ctrl] [--font NAME]
//          [--size PT] [--smooth] [--gtk [--hold MS] [--screenshot PNG]]
//          -o OUT.png FILE
//   kxdraw [same options] --demo -o OUT.png
//   kxdraw --toolkit [--gtk ...] -o OUT.png
//
// FILE (read with encoding detection, line ends made CR) is laid out in one
// style in an edit object N points wide (600 by default) and drawn line by
// line on a white ground, antialiasing off unless --smooth; the image is
// as long as the text (across in vertical writing, columns from the right).
// --demo draws a styled text built here instead: every decoration line,
// nets, raised, lowered and small text, a horizontal group, tab leaders,
// ruby and a picture. --toolkit draws a sheet of the drawing primitives
// (pen sizes and modes, patterns, XOR lines, inversion and highlighting,
// rounded rectangles, regions, bevels, the colour schemes, text and an
// offscreen) and, below them, the layout's toolkit: every line kind, every
// net at two port origins, the colour table, the control symbols, and a
// vertical line of IPA Gothic with its vertical forms beside the same text
// upright.
//
// --paper draws the text in paper view: whole sheets on their grey
// surround with header and footer bands, the text area's frame and the
// guides of the form. --form N applies built-in page form N (0-7; 2 and 3
// are vertical manuscript paper with a centre gap), --header and --footer
// set a band's template (<PAGE>, <PMAX>, <NAME>, <DATE>, <TIME>; 12
// points, centred, 20 high), --page N draws only page N and its
// surround, else every page (vertical pages run right to left). --guide S
// sets the guide style (0-10) of the form, --sheet W,H the paper's size
// in points; --boxes draws with the synthetic box fonts, as the golden
// pictures do (scripts/golden-paper).
//
// --print lays the file out as --paper does and prints it through the
// text printout into the PDF OUT: one page per page of the layout, each
// the size of the paper, drawn as printing draws (no surround, frame,
// guides or markups), the printable area at the hard margins; --pages
// FIRST,LAST prints only those (clamped). It prints `pages N` on success;
// a range without pages prints `pages 0`, writes nothing and exits 1. With
// --gtk the GTK print operation exports the PDF instead (no dialog).
//
// --gtk shows the same drawing in a real window for --hold milliseconds (or
// until the window is closed); --screenshot saves what that window shows,
// read back from the display, as a PNG written the same way as OUT.png, so
// that the two files are equal byte for byte when the screen shows exactly
// what was drawn. Without a display --gtk fails with exit 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "driver_text.h"
#include "layout/draw_lines.h"
#include "layout/draw_picture.h"
#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/text_edit.h"
#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/draw/print.h"
#include "views/text_printout.h"
#include "macros/facilities.h"
#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/draw/offscreen.h"
#include "platform/draw/port.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/gtk/gtk_host.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

constexpr int kSheetWidth = 640;
constexpr int kSheetHeight = 960;
constexpr int kToolkitTop = 480;   // the layout toolkit's half of the sheet
constexpr std::int16_t kWindowLeft = 40;
constexpr std::int16_t kWindowTop = 60;
constexpr long kMaxHoldMs = 24L * 60 * 60 * 1000;

const char* const kUsage =
    "usage: kxdraw [--width N] [--vertical] [--scale PCT] [--ctrl] [--font NAME] [--size PT] [--paper]\n"
    "              [--form N] [--header TEMPLATE] [--footer TEMPLATE] [--page N] [--smooth]\n"
    "              [--guide S] [--sheet W,H] [--boxes] [--gtk [--hold MS] [--screenshot PNG]] -o OUT.png [FILE]\n"
    "       kxdraw --print [--pages FIRST,LAST] [--gtk] [--form N] [--sheet W,H] [--vertical] [--header T]\n"
    "              [--footer T] [--font NAME] [--size PT] [--boxes] -o OUT.pdf FILE\n"
    "       kxdraw [options] --demo -o OUT.png\n"
    "       kxdraw --toolkit -o OUT.png\n";

Rect R(int left, int top, int right, int bottom) {
  return Rect{std::int16_t(top), std::int16_t(left), std::int16_t(bottom), std::int16_t(right)};
}

void Label(int h, int v, const char* text) {
  MoveTo(h, v);
  DrawText(text, 0, std::int32_t(std::strlen(text)));
}

void DrawSheet() {
  const RGBColor black{0, 0, 0}, red{0xDD6B, 0x08C2, 0x06A2}, blue{0, 0, 0xD4B0}, green{0, 0x8000, 0x11B0};
  TextFont(kKxApplicationFont);
  TextSize(12);

  // Pen sizes: frames and lines.
  Label(10, 20, "FrameRect / LineTo, pen 1-4");
  for (int i = 0; i < 4; ++i) {
    PenSize(i + 1, i + 1);
    Rect r = R(10 + i * 45, 30, 50 + i * 45, 70);
    FrameRect(&r);
    MoveTo(10 + i * 45, 80);
    LineTo(50 + i * 45, 110);
  }
  PenNormal();

  // Patterns from local (0, 0).
  Label(200, 20, "Patterns");
  const Pattern* pats[] = {&kKxBlackPat, &kKxDkGrayPat, &kKxGrayPat, &kKxLtGrayPat};
  for (int i = 0; i < 4; ++i) {
    Rect r = R(200 + i * 35, 30, 230 + i * 35, 70);
    FillRect(&r, pats[i]);
  }
  RGBForeColor(&blue);
  PenPat(&kKxGrayPat);
  Rect pr = R(200, 80, 340, 110);
  PaintRect(&pr);
  PenNormal();
  RGBForeColor(&black);

  // XOR lines over a painted block: crossings come out inverted.
  Label(360, 20, "XOR lines, InvertRect");
  RGBForeColor(&red);
  Rect block = R(360, 30, 460, 110);
  PaintRect(&block);
  RGBForeColor(&black);
  PenMode(patXor);
  PenSize(2, 2);
  for (int i = 0; i < 6; ++i) {
    MoveTo(350, 30 + i * 16);
    LineTo(470, 110 - i * 16);
  }
  PenNormal();
  Rect inv = R(480, 30, 620, 70);
  Label(484, 50, "inverted");
  InvertRect(&inv);
  Rect hil = R(480, 80, 620, 110);
  Label(484, 100, "highlighted");
  LMSetHiliteMode(LMGetHiliteMode() & std::uint8_t(~kHiliteModeOff));
  InvertRect(&hil);

  // Rounded rectangles.
  Label(10, 140, "Rounded rectangles");
  Rect rr1 = R(10, 150, 90, 200);
  FrameRoundRect(&rr1, 10, 10);
  RGBForeColor(&green);
  Rect rr2 = R(100, 150, 180, 200);
  PaintRoundRect(&rr2, 18, 18);
  RGBForeColor(&black);

  // Regions: union, difference, inset, frame; a region recorded from frames.
  Label(200, 140, "Regions");
  StKxRegion a, b, both, ring;
  SetRectRgn(a, 200, 150, 260, 210);
  SetRectRgn(b, 230, 170, 300, 230);
  UnionRgn(a, b, both);
  CopyRgn(both, ring);
  InsetRgn(ring, 6, 6);
  DiffRgn(both, ring, ring);
  RGBForeColor(&blue);
  PaintRgn(ring);
  RGBForeColor(&black);
  OpenRgn();
  Rect f1 = R(320, 150, 360, 180), f2 = R(340, 180, 400, 220);
  FrameRect(&f1);
  FrameRect(&f2);
  StKxRegion recorded;
  CloseRgn(recorded);
  PenSize(2, 2);
  FrameRgn(recorded);
  PenNormal();

  // Bevels.
  Label(420, 140, "Bevels");
  const RGBColor face = UKXColor::sClassicOSFace;
  RGBForeColor(&face);
  Rect bev = R(420, 150, 500, 190);
  PaintRect(&bev);
  RGBForeColor(&black);
  FrameRect(&bev);
  UKXColor::DrawFrameShadow(bev, true);
  Rect bev2 = R(520, 150, 600, 190);
  FrameRect(&bev2);
  UKXColor::DrawFrameShadow(bev2, false);

  // The colour schemes: face, light, shadow, accent of each.
  Label(10, 250, "Colour schemes 0-9: face, light, shadow, accent");
  for (short n = 0; n <= 9; ++n) {
    UKXColor::ColorVariation(n);
    const RGBColor swatch[] = {UKXColor::sViewFaceColor, UKXColor::sViewLightColor, UKXColor::sViewShadowColor,
                               UKXColor::sAccentColor};
    for (int k = 0; k < 4; ++k) {
      RGBForeColor(&swatch[k]);
      Rect s = R(10 + n * 60, 260 + k * 12, 60 + n * 60, 272 + k * 12);
      PaintRect(&s);
    }
  }
  UKXColor::ColorVariation(1);
  RGBForeColor(&black);

  // Text in the application font; Japanese as Shift_JIS bytes.
  Label(10, 340, "Text: Roman, bold, italic, underline");
  TextFace(kFaceBold);
  Label(10, 360, "Bold");
  TextFace(kFaceItalic);
  Label(60, 360, "Italic");
  TextFace(kFaceUnderline);
  Label(120, 360, "Underline");
  TextFace(0);
  const char kJapanese[] = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\xB6\x8E\x9A";
  Label(220, 360, kJapanese);
  TextMode(srcXor);
  RGBForeColor(&red);
  Rect under = R(370, 345, 470, 365);
  PaintRect(&under);
  Label(374, 360, "XOR text");
  TextMode(srcOr);
  RGBForeColor(&black);

  // An offscreen drawn then copied back.
  Label(10, 400, "Offscreen");
  {
    KxOffscreen off(RectL{410, 10, 470, 200});
    Rect o = R(10, 410, 200, 470);
    RGBForeColor(&UKXColor::sTangerineFace);
    PaintRect(&o);
    RGBForeColor(&black);
    PenSize(3, 3);
    FrameRect(&o);
    Label(20, 445, "drawn offscreen");
  }
  PenNormal();

  // Clipped drawing.
  Label(220, 400, "Clipped to a ring");
  {
    StKxRegion clip;
    SetRectRgn(clip, 220, 410, 300, 470);
    StKxRegion cut;
    SetRectRgn(cut, 240, 425, 280, 455);
    DiffRgn(clip, cut, clip);
    KxClipScope scope(clip);
    for (int v = 405; v < 480; v += 4) {
      MoveTo(215, v);
      LineTo(310, v + 20);
    }
  }
}

// The font file of the vertical sample (Debian's fonts-ipafont-gothic).
const char* const kGothicFiles[] = {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"};

void DrawToolkitSheet() {
  const int top = kToolkitTop;
  RGBColor black{0, 0, 0};
  RGBForeColor(&black);
  MoveTo(0, top);
  LineTo(kSheetWidth, top);
  TextFont(kKxApplicationFont);
  TextSize(12);
  TextFace(0);

  // Line kinds 0-27, two columns of fourteen.
  Label(10, top + 18, "Line kinds 0-27");
  for (int kind = 0; kind < kKxLineKindCount; ++kind) {
    const int col = kind / 14, row = kind % 14;
    const int x = 10 + col * 150, y = top + 30 + row * 14;
    char number[4];
    std::snprintf(number, sizeof number, "%d", kind);
    Label(x, y + 6, number);
    KxTextDrawLine(x + 22, y + 2, 110, 1, kind, kind % 4 == 0 ? 3 : 0, 0);
  }

  // Nets 0-10 at two port origins: the patterns stay on the port's grid.
  Label(320, top + 18, "Nets 0-10, origin (0,0) and (-3,-5)");
  for (int pass = 0; pass < 2; ++pass) {
    const int dh = pass ? -3 : 0, dv = pass ? -5 : 0;
    SetOrigin(dh, dv);
    for (int net = 0; net < kKxNetCount; ++net) {
      const int x = 320 + net * 26 + dh, y = top + 28 + pass * 40 + dv;
      KxTextDrawNet(x, y, 22, 30, net, 0, 0, 0);
      KxTextDrawFrame(x, y, 22, 30, 10, 9, 0);
    }
  }
  SetOrigin(0, 0);

  // The colour table.
  Label(320, top + 128, "Colours 0-23");
  for (int n = 0; n < kKxColorCount; ++n) {
    const int x = 320 + (n % 12) * 26, y = top + 136 + (n / 12) * 30;
    KxTextDrawNet(x, y, 22, 20, 10, n, 0, 0);
    KxTextDrawFrame(x, y, 22, 20, 10, 9, 0);
    char number[4];
    std::snprintf(number, sizeof number, "%d", n);
    TextSize(9);
    Label(x + 2, y + 28, number);
    TextSize(12);
  }

  // Control symbols, across and down.
  Label(320, top + 218, "Control symbols: CR, tab, space, FF, ^A, ^[");
  const unsigned char controls[] = {13, 9, ' ', 12, 1, 27};
  for (int i = 0; i < 6; ++i) {
    const int x = 320 + i * 34;
    KxTextDrawFrame(x, top + 226, 30, 16, 10, 9, 0);
    KxTextDrawControl(x, top + 226, 30, 16, controls[i], 0);
  }
  CKXCharState::sVerticalDrawing = 1;
  for (int i = 0; i < 6; ++i) {
    const int x = 320 + i * 34;
    KxTextDrawFrame(x, top + 250, 16, 30, 10, 9, 0);
    KxTextDrawControl(x, top + 250, 16, 30, controls[i], 0);
  }
  CKXCharState::sVerticalDrawing = 0;

  // IPA Gothic down a column and the same text across.
  Label(10, top + 248, "IPA Gothic, vertical forms:");
  std::vector<std::string> files;
  for (const char* f : kGothicFiles)
    if (FILE* probe = std::fopen(f, "rb")) {
      std::fclose(probe);
      files.push_back(f);
      break;
    }
  if (files.empty()) {
    Label(10, top + 266, "(IPA Gothic is not installed)");
    return;
  }
  KxFontInstallBackend(KxFreeTypeFontBackend(false, files));
  short gothic;
  if (!KxFontNumberFromName("IPAGothic", gothic)) gothic = kKxApplicationFont;
  // 「あ、ァ。ー（ABC）ぁっ…」
  const char sample[] = "\x81\x75\x82\xA0\x81\x41\x83\x40\x81\x42\x81\x5B\x81\x69" "ABC"
                        "\x81\x6A\x82\x9F\x82\xC1\x81\x63\x81\x76";
  const std::int32_t n = std::int32_t(sizeof sample - 1);
  CKXCharState cs;
  cs.SetStyl(gothic, 14, 0);
  short ascent, descent;
  const std::int32_t height = cs.GetFontInfo(ascent, descent);
  KxTextDrawText(10, top + 258, ascent, height, sample, 0, n, 0);
  cs.SetVertical(1);
  KxTextDrawNet(250 - height, top + 270, height, 210, 1, 9, 0, 0);
  KxTextDrawText(250, top + 270, ascent, height, sample, 0, n, 0);
  cs.SetVertical(0);
  KxFontInstallBackend(nullptr);
}

// What --gtk asks for: set once from the command line.
struct GtkRequest {
  bool show = false;
  long holdMs = 0;
  const char* screenshot = nullptr;
} gGtk;

// The window of --gtk: it shows the drawing's port and notes a close.
class SheetWindow : public KxWindowClient {
 public:
  explicit SheetWindow(KxPort* port) : mPort(port) {}
  void HostActivate(bool) override {}
  KxPort* HostPort() override { return mPort; }
  void HostAttemptClose() override { closed = true; }
  bool closed = false;

 private:
  KxPort* mPort;
};

int WritePng(cairo_surface_t* surface, const char* path) {
  cairo_surface_flush(surface);
  const cairo_status_t s = cairo_surface_write_to_png(surface, path);
  if (s != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "kxdraw: %s: %s\n", path, cairo_status_to_string(s));
    return 1;
  }
  return 0;
}

// Shows the port in a window; 0, or 1 when there is no display or the
// screenshot cannot be taken or written.
int ShowInWindow(KxPort& port, long holdMs, const char* screenshot) {
  std::string why;
  std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
  if (!host) {
    std::fprintf(stderr, "kxdraw: --gtk: %s\n", why.c_str());
    return 1;
  }
  SheetWindow client(&port);
  const Rect bounds{kWindowTop, kWindowLeft, std::int16_t(kWindowTop + port.Height()),
                    std::int16_t(kWindowLeft + port.Width())};
  const unsigned char title[] = "\x06kxdraw";
  const KxWindowID window = host->CreateWindow(&client, bounds, title);
  int status = 0;
  if (!host->Flush()) {
    std::fprintf(stderr, "kxdraw: --gtk: the window did not come on the screen\n");
    status = 1;
  }
  const std::uint32_t start = TickCount();
  const std::uint32_t holdTicks = std::uint32_t(holdMs * 60 / 1000);
  EventRecord event;
  while (status == 0 && !client.closed && TickCount() - start < holdTicks) host->WaitNextEvent(event, 3);
  if (status == 0 && screenshot) {
    std::unique_ptr<KxPort> shot = host->Screenshot(window);
    if (!shot) {
      std::fprintf(stderr, "kxdraw: --screenshot: the window is not on the screen\n");
      status = 1;
    } else {
      status = WritePng(shot->Surface(), screenshot);
    }
  }
  host->DestroyWindow(window);
  return status;
}

// Writes the PNG and, with --gtk, shows the same port in a window.
int Finish(KxPort& port, const char* out) {
  if (const int status = WritePng(port.Surface(), out)) return status;
  return gGtk.show ? ShowInWindow(port, gGtk.holdMs, gGtk.screenshot) : 0;
}

// ---------------------------------------------------------------------------
// Laying out a text and drawing it

// A styled text built piece by piece.
class Demo {
 public:
  explicit Demo(short font, short size) : mFont(font), mSize(size) {}
  SStyl Styl(short size = 0, std::uint8_t face = 0, RGBColor color = RGBColor{0, 0, 0}) const {
    return SStyl{0, 0, mFont, face, 0, size ? size : mSize, color};
  }
  long Add(const std::string& bytes, const SStyl& st, const SDeco& deco = SDeco{}) {
    const long at = long(mText.size());
    mText += bytes;
    mStyls.push_back(SKXStyl{std::int32_t(at), st});
    mDecos.push_back(SKXDeco{std::int32_t(at), deco, 0});
    return at;
  }
  long Plain(const std::string& bytes) { return Add(bytes, Styl()); }
  void Build(CKXTextEdit& edit, short pictID, long pictAt) {
    if (pictAt >= 0) mDecos[size_t(pictAt)].deco.pictID = pictID;
    edit.SetText(mText.data(), long(mText.size()), mStyls.data(), long(mStyls.size()), mDecos.data(),
                 long(mDecos.size()), nullptr, 0, nullptr, 0);
  }
  long Size() const { return long(mText.size()); }
  size_t Runs() const { return mDecos.size(); }

 private:
  short mFont, mSize;
  std::string mText;
  std::vector<SKXStyl> mStyls;
  std::vector<SKXDeco> mDecos;
};

SDeco Lines(int under, int centre, int upper, int inter, int color = 0) {
  return SDeco{std::uint16_t(inter | under << 3 | centre << 6 | upper << 9 | color << 12), 0, 0, 0};
}

// A picture record that shows as a framed box (no converter kind).
PicHandle BoxPicture(short width, short height) {
  Handle h = KxMemHAlloc(kKxPictHeaderSize, 1);
  unsigned char* p = reinterpret_cast<unsigned char*>(*h);
  const std::int16_t fields[5] = {kKxPictHeaderSize, 0, 0, height, width};
  for (int i = 0; i < 5; ++i) {
    p[2 * i] = static_cast<unsigned char>(std::uint16_t(fields[i]) >> 8);
    p[2 * i + 1] = static_cast<unsigned char>(fields[i] & 0xFF);
  }
  return h;
}

void BuildDemo(CKXTextEdit& edit, short font, short size) {
  Demo d(font, size);
  const RGBColor red{0xDD6B, 0x08C2, 0x06A2}, blue{0, 0, 0xD4B0}, green{0, 0x8000, 0x11B0};
  d.Add("Decorations", d.Styl(short(size + 6), kFaceBold, blue));
  d.Plain("\rUnder: ");
  const char* kinds[] = {"solid", "double", "thick", "dotted", "dots"};
  for (int k = 1; k <= 5; ++k) {
    d.Add(kinds[k - 1], d.Styl(), Lines(k, 0, 0, 0));
    d.Plain(" ");
  }
  d.Plain("\rCentre: ");
  for (int k = 1; k <= 4; ++k) {
    d.Add(kinds[k - 1], d.Styl(), Lines(0, k, 0, 0, k == 4 ? 1 : 0));
    d.Plain(" ");
  }
  d.Plain("\rUpper: ");
  for (int k = 1; k <= 5; ++k) {
    d.Add(kinds[k - 1], d.Styl(), Lines(0, 0, k, 0, 3));
    d.Plain(" ");
  }
  d.Plain("\rInterline: ");
  for (int k = 1; k <= 5; ++k) {
    d.Add(kinds[k - 1], d.Styl(), Lines(0, 0, 0, k, 2));
    d.Plain(" ");
  }
  d.Plain("\r" "\x96\x54\x93\x5F" ": ");   // 傍点
  d.Add("\x8B\xAD\x92\xB2\x82\xB7\x82\xE9" "\x82\xB1\x82\xC6", d.Styl(), Lines(0, 0, 5, 0, 1));   // 強調すること
  d.Plain("\rNets: ");
  d.Add(" light ", d.Styl(), SDeco{0, std::uint8_t(3 | 9 << 4), 0, 0});
  d.Plain(" ");
  d.Add(" grey ", d.Styl(), SDeco{0, std::uint8_t(6 | 4 << 4), 0, 0});
  d.Plain(" ");
  d.Add(" red text on yellow ", d.Styl(0, 0, red), SDeco{0, std::uint8_t(5 | 6 << 4), 0, 0});
  d.Plain("\rH");
  d.Add("2", d.Styl(), SDeco{0, 0, 6, 0});
  d.Plain("O, E = mc");
  d.Add("2", d.Styl(), SDeco{0, 0, 1, 0});
  d.Plain(", x");
  d.Add("i", d.Styl(), SDeco{0, 0, 4, 0});
  d.Plain(", up");
  d.Add("raised", d.Styl(0, 0, green), SDeco{0, 0, 1, 0});
  d.Plain(" down");
  d.Add("lowered", d.Styl(0, 0, green), SDeco{0, 0, 2, 0});
  d.Plain("\r" "\x95\xBD\x90\xAC");   // 平成
  d.Add("12", d.Styl(), SDeco{0, 0, 8, 0});
  d.Plain("\x94\x4E" " (" "\x8F\x63\x8F\x91\x82\xAB" ")");   // 年 (縦書き)
  const long tabLine = d.Plain("\r" "\x91\xE6\x88\xEA\x8F\xCD" "\t12\r");   // 第一章 <tab> 12
  const long rubyAt = d.Plain("\x93\xFA\x96\x7B\x8C\xEA" "\x82\xCC" "\x95\xB6\x8F\xCD" ", ");   // 日本語の文章
  const long rubyAt2 = d.Plain("\x93\x8C\x8A\x43\x93\xB9");   // 東海道
  d.Plain("\rPicture: ");
  const size_t pictRun = d.Runs();
  d.Add("\xCA", d.Styl());
  d.Plain(" in line.");
  short pictID = CKXDecoArray::SetPicture(BoxPicture(48, 32));
  d.Build(edit, pictID, long(pictRun));
  // Ruby: over 日本語, and a long reading over 東 that overhangs it.
  const char kNihongo[] = "\x82\xC9\x82\xD9\x82\xF1\x82\xB2";
  edit.SetRuby(rubyAt, rubyAt + 6, reinterpret_cast<const unsigned char*>(kNihongo), 8);
  const char kHigashi[] = "\x82\xD0\x82\xAA\x82\xB5";
  edit.SetRuby(rubyAt2, rubyAt2 + 2, reinterpret_cast<const unsigned char*>(kHigashi), 6);
  // A right tab with a dotted leader.
  const short stops[1] = {360};
  edit.SetParaTabs(tabLine + 1, tabLine + 2, 1, stops, 2, 1);
}

struct Options {
  long width = 600;
  long size = 0;
  long scale = 100;
  bool vertical = false, ctrl = false, smooth = false, demo = false;
  std::string font;
  // Paper view.
  bool paper = false, boxes = false;
  // Printing: --print, and the pages of --pages.
  bool print = false;
  long firstPage = 1, lastPage = 0x7FFFFFFF;
  long form = -1, page = 0, guide = -1;
  long sheetW = 0, sheetH = 0;
  const char* header = nullptr;
  const char* footer = nullptr;
};

// Band settings of --header and --footer.
constexpr short kBandHeight = 20;
constexpr short kBandSize = 12;
// Guides of --guide on a form without a colour.
constexpr RGBColor kGuideColor{0x4000, 0x8000, 0xFFFF};
// Room around the sheets in the picture.
constexpr long kPaperBorder = 6;
// The longest side an image surface takes.
constexpr long kMaxImageSide = 32767;

bool ParseNumber(const char* s, long low, long high, long& out) {
  char* end = nullptr;
  out = std::strtol(s, &end, 10);
  return *s && !*end && out >= low && out <= high;
}

// A UTF-8 argument as the text's bytes; false when it does not convert.
bool ArgumentBytes(const char* arg, std::string& bytes) {
  std::vector<std::uint8_t> raw(arg, arg + std::strlen(arg));
  std::vector<SKXUniChar> sides;
  return kxdriver::DecodeText(raw, kxdriver::EncodingCode("utf8"), bytes, sides);
}

// The name <NAME> stands for: the file's last path component.
std::string BaseName(const char* file) {
  if (!file) return {};
  const char* slash = std::strrchr(file, '/');
  return slash ? slash + 1 : file;
}

// Lays the text out in paper view with the page options; 0, or 2 for a
// band template that does not fit.
int SetUpPaper(CKXTextEditEx& edit, const Options& o, const std::string& text, const std::vector<SKXUniChar>& sides,
               short font, short size, const char* file) {
  SKXStyl run{0, SStyl{0, 0, font, 0, 0, size, RGBColor{0, 0, 0}}};
  edit.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, sides.data(), long(sides.size()));
  SKXLineStyl ls = edit.GetLineStyl();
  ls.controlView = o.ctrl ? 1 : 0;
  edit.SetLineStyl(ls, 0);
  if (o.form >= 0) edit.SetFormStyl(UKXTextForm::GetDefaultForm(short(o.form)), 1);
  if (o.guide >= 0) {
    // Guides need a form: the plain one when none is set.
    SKXFormStyl f;
    edit.GetFormStyl(f);
    if (f.formID == 0) f = UKXTextForm::GetDefaultForm(0);
    f.guideStyle = std::int16_t(o.guide);
    f.guideView = 1;
    if (f.guideColor.red == 0 && f.guideColor.green == 0 && f.guideColor.blue == 0) f.guideColor = kGuideColor;
    edit.SetFormStyl(f, 1);
  }
  if (o.sheetW > 0) edit.SetPaperSize(PointL{std::int32_t(o.sheetH), std::int32_t(o.sheetW)}, 1);
  if (o.vertical) edit.SetVertical(1);
  edit.SetPaperView(1);
  edit.SetGuideView(1);
  const SStyl band{0, 0, font, 0, 0, kBandSize, RGBColor{0, 0, 0}};
  for (int k = 0; k < 2; ++k) {
    const char* arg = k ? o.footer : o.header;
    if (!arg) continue;
    std::string bytes;
    if (!ArgumentBytes(arg, bytes) || bytes.size() > size_t(kKxHdFtMaxTemplate)) {
      std::fprintf(stderr, "kxdraw: %s: not a template of at most %ld bytes\n", k ? "--footer" : "--header",
                   kKxHdFtMaxTemplate);
      return 2;
    }
    if (k)
      edit.SetFooterStyle(kBandHeight, bytes.data(), long(bytes.size()), band, kKxHdFtCenter, 0, 0);
    else
      edit.SetHeaderStyle(kBandHeight, bytes.data(), long(bytes.size()), band, kKxHdFtCenter, 0, 0);
  }
  // The file name as the program hands it over: UTF-8 to Shift_JIS with
  // side entries for what Shift_JIS lacks.
  const std::string name = BaseName(file);
  std::string nameBytes;
  std::vector<SKXUniChar> nameSides;
  if (!KxHdFtNameFromUTF8(name.data(), long(name.size()), nameBytes, nameSides)) {
    nameBytes.clear();
    nameSides.clear();
  }
  edit.SetName(nameBytes.data(), long(nameBytes.size()), nameSides.data(), long(nameSides.size()));
  if (o.scale != 100) edit.SetEditScale(short(o.scale));
  edit.RecalcPageSize();
  edit.CalcText();
  return 0;
}

int DrawPaperView(const Options& o, const std::string& text, const std::vector<SKXUniChar>& sides, short font,
                  short size, const char* file, const char* out) {
  CKXTextEditEx edit(RectL{0, 0, 0, 600}, RectL{0, 0, 1000, 600}, KxDefaultPageStyl());
  if (const int status = SetUpPaper(edit, o, text, sides, font, size, file)) return status;
  const long pages = std::max(1L, edit.GetPageCount());
  if (o.page > pages) {
    std::fprintf(stderr, "kxdraw: --page %ld: the text has %ld pages\n", o.page, pages);
    return 1;
  }
  auto scaled = [&](long v) { return long(KxScaleLong(std::int32_t(v), short(o.scale), false)); };
  // The whole image in shown space: pages one under the other, or right
  // to left in vertical writing.
  const PointL paper = edit.GetPaperSize();
  const bool vertical = edit.GetLineStyl().vertical != 0;
  const long along = pages * (vertical ? paper.h : paper.v) + (pages - 1) * kKxPageSpacing;
  const long imageW = scaled(vertical ? along : paper.h), imageH = scaled(vertical ? paper.v : along);
  edit.SetViewRect(RectL{0, 0, std::int32_t(imageH), std::int32_t(imageW)});
  // What is drawn: one sheet or all of them, with a border of surround.
  RectL area{0, 0, std::int32_t(imageH), std::int32_t(imageW)};
  if (o.page > 0) {
    const PointL at = edit.GetPagePoint(o.page);
    area = RectL{at.v, at.h, std::int32_t(at.v + scaled(paper.v)), std::int32_t(at.h + scaled(paper.h))};
  }
  const long border = scaled(kPaperBorder);
  area = RectL{std::int32_t(area.top - border), std::int32_t(area.left - border), std::int32_t(area.bottom + border),
               std::int32_t(area.right + border)};
  const long w = long(area.right) - area.left, h = long(area.bottom) - area.top;
  if (w > kMaxImageSide || h > kMaxImageSide) {
    std::fprintf(stderr, "kxdraw: %ld x %ld pixels is too large an image; draw one page with --page\n", w, h);
    return 1;
  }
  std::unique_ptr<KxPort> port = KxPort::NewImage(std::int32_t(w), std::int32_t(h));
  StKxPortSaver saver(port.get());
  UKXColor::InitColorUtils();
  CKXQuartzDrawing::sEnableQuartzDrawing = o.smooth ? 1 : 0;
  // The sheets far down a long text lie millions of points away: the
  // port's origin stays at the area's corner through the edit object.
  edit.SetQDOffset(PointL{area.top, area.left});
  edit.SetDrawPort(port.get());
  edit.Draw(area);
  edit.SetDrawPort(nullptr);
  return Finish(*port, out);
}

// Lays the text out as --paper does and prints it through the text
// printout into a PDF, on a sheet of the layout's paper with its hard
// margins: with the headless PDF writer, or with --gtk through the GTK
// host's print operation.
int PrintText(const Options& o, const std::string& text, const std::vector<SKXUniChar>& sides, short font,
              short size, const char* file, const char* out) {
  CKXTextEngine engine(false);
  CKXTextEditEx* edit = KXHandleAccess::Edit(engine.GetEdit());
  if (!edit) return 1;
  // The sheet --paper lays out on, not the engine's own start-up paper.
  edit->SetPageStyl(KxDefaultPageStyl(), 1);
  if (const int status = SetUpPaper(*edit, o, text, sides, font, size, file)) return status;
  UKXColor::InitColorUtils();
  CKXQuartzDrawing::sEnableQuartzDrawing = o.smooth ? 1 : 0;
  std::unique_ptr<CKXTextPrintout> printout(CKXTextPrintout::CreateCKXTextPrintout(kKxTextPrintoutLayout));
  if (!printout) printout = std::make_unique<CKXTextPrintout>();
  printout->SetTextEngine(&engine);
  const PointL paper = KXTE_GetPaperSize(engine.GetEdit());
  Rect hard;
  KXTE_GetHardMargin(engine.GetEdit(), hard);
  KxPageSetup sheet;
  sheet.paperWidth = paper.h, sheet.paperHeight = paper.v;
  sheet.hardTop = hard.top, sheet.hardLeft = hard.left, sheet.hardBottom = hard.bottom, sheet.hardRight = hard.right;
  KxValidatePageSetup(sheet);
  printout->SetPageSetup(sheet);
  KxPrintRange range;
  range.first = std::int32_t(o.firstPage);
  range.last = std::int32_t(o.lastPage);
  std::int32_t printed = 0;
  int err = 0;
  {
    // Printing takes the memory reserve, as the document's print does.
    struct Printing {
      Printing() { KxMemPrinting(1); }
      ~Printing() { KxMemPrinting(0); }
    } printing;
    if (gGtk.show) {
      std::string why;
      std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
      if (!host) {
        std::fprintf(stderr, "kxdraw: --gtk: %s\n", why.c_str());
        return 1;
      }
      err = host->ExportPDF(*printout, sheet, range, out, &printed, &why);
      if (err && err != ERANGE) {
        std::fprintf(stderr, "kxdraw: %s: %s\n", out, why.c_str());
        return 1;
      }
    } else {
      err = printout->DoPrint(out, range, &printed);
    }
  }
  if (err == ERANGE) {
    std::printf("pages 0\n");
    std::fflush(stdout);
    std::fprintf(stderr, "kxdraw: --pages %ld,%ld: the text has %d pages\n", o.firstPage, o.lastPage,
                 printout->CountPanels());
    return 1;
  }
  if (err) {
    std::fprintf(stderr, "kxdraw: %s: %s\n", out, KxErrorText(err).c_str());
    return 1;
  }
  std::printf("pages %d\n", printed);
  std::fflush(stdout);
  return 0;
}

int DrawText(const Options& o, const char* file, const char* out) {
  if (o.boxes) {
    KxFontInstallBackend(KxSyntheticFontBackend());
  } else {
    try {
      KxFontInstallBackend(KxFreeTypeFontBackend(true, {}));
    } catch (const LException&) {
      KxFontInstallBackend(KxSyntheticFontBackend());
    }
  }
  short font = kKxApplicationFont;
  if (!o.font.empty() && !KxFontNumberFromName(o.font, font)) {
    std::fprintf(stderr, "kxdraw: unknown font %s\n", o.font.c_str());
    return 2;
  }
  const short size = short(o.size ? o.size : 12);
  std::string text;
  std::vector<SKXUniChar> sides;
  if (file) {
    std::vector<std::uint8_t> raw;
    if (KxReadFile(file, raw)) {
      std::fprintf(stderr, "kxdraw: cannot read %s\n", file);
      return 1;
    }
    if (!kxdriver::DecodeText(raw, kKxCodeAuto, text, sides)) {
      std::fprintf(stderr, "kxdraw: %s does not convert\n", file);
      return 1;
    }
  }

  if (o.print) return PrintText(o, text, sides, font, size, file, out);
  if (o.paper) return DrawPaperView(o, text, sides, font, size, file, out);
  const std::int32_t width = std::int32_t(o.width);
  CKXTextEdit edit(RectL{0, 0, 0, width}, RectL{0, 0, 1000, width});
  SKXLineStyl style;
  style.vertical = o.vertical ? 1 : 0;
  style.controlView = o.ctrl ? 1 : 0;
  edit.SetLineStyl(style, 0);
  SKXEditStyl es;
  es.font = font;
  es.size = size;
  edit.SetEditStyl(es, 0);
  if (o.demo) {
    BuildDemo(edit, font, size);
  } else {
    SKXStyl run{0, SStyl{0, 0, font, 0, 0, size, RGBColor{0, 0, 0}}};
    edit.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, sides.data(), long(sides.size()));
  }
  const RectL dest = o.vertical ? RectL{0, 0, width, 1000} : RectL{0, 0, 1000, width};
  edit.Resize(dest, nullptr);
  if (o.scale != 100) edit.SetEditScale(short(o.scale));
  const long height = std::max(1L, long(edit.ToDestRect().bottom) - edit.ToDestRect().top);
  auto scaled = [&](long v) { return std::clamp<long>(KxScaleLong(std::int32_t(v), short(o.scale), false), 1, 32767); };
  const long across = scaled(height), along = scaled(width);
  const std::int32_t imageW = std::int32_t(o.vertical ? across : along);
  const std::int32_t imageH = std::int32_t(o.vertical ? along : across);
  const RectL view{0, 0, imageH, imageW};

  edit.SetViewRect(view);

  std::unique_ptr<KxPort> port = KxPort::NewImage(imageW, imageH);
  StKxPortSaver saver(port.get());
  UKXColor::InitColorUtils();
  CKXQuartzDrawing::sEnableQuartzDrawing = o.smooth ? 1 : 0;
  edit.SetDrawPort(port.get());
  edit.Draw(view);
  edit.SetDrawPort(nullptr);
  return Finish(*port, out);
}

}  // namespace

int main(int argc, char** argv) {
  bool toolkit = false;
  bool pagesGiven = false;
  const char* out = nullptr;
  const char* file = nullptr;
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(a, "--toolkit")) {
      toolkit = true;
    } else if (!std::strcmp(a, "--demo")) {
      o.demo = true;
    } else if (!std::strcmp(a, "-o") && hasValue) {
      out = argv[++i];
    } else if (!std::strcmp(a, "--width") && hasValue) {
      if (!ParseNumber(argv[++i], 1, 32767, o.width)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--scale") && hasValue) {
      if (!ParseNumber(argv[++i], 10, 800, o.scale)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--size") && hasValue) {
      if (!ParseNumber(argv[++i], 1, 1000, o.size)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--font") && hasValue) {
      o.font = argv[++i];
    } else if (!std::strcmp(a, "--paper")) {
      o.paper = true;
    } else if (!std::strcmp(a, "--print")) {
      o.print = true;
    } else if (!std::strcmp(a, "--pages") && hasValue) {
      const char* v = argv[++i];
      const char* comma = std::strchr(v, ',');
      if (!comma || !ParseNumber(std::string(v, comma).c_str(), 1, 0x7FFFFFFF, o.firstPage) ||
          !ParseNumber(comma + 1, 1, 0x7FFFFFFF, o.lastPage))
        return std::fputs(kUsage, stderr), 2;
      pagesGiven = true;
    } else if (!std::strcmp(a, "--boxes")) {
      o.boxes = true;
    } else if (!std::strcmp(a, "--form") && hasValue) {
      if (!ParseNumber(argv[++i], 0, kKxBuiltinForms - 1, o.form)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--guide") && hasValue) {
      if (!ParseNumber(argv[++i], 0, 10, o.guide)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--sheet") && hasValue) {
      const char* v = argv[++i];
      const char* comma = std::strchr(v, ',');
      if (!comma || !ParseNumber(std::string(v, comma).c_str(), 1, kKxPaperMax, o.sheetW) ||
          !ParseNumber(comma + 1, 1, kKxPaperMax, o.sheetH))
        return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--page") && hasValue) {
      if (!ParseNumber(argv[++i], 1, 1000000, o.page)) return std::fputs(kUsage, stderr), 2;
    } else if (!std::strcmp(a, "--header") && hasValue) {
      o.header = argv[++i];
    } else if (!std::strcmp(a, "--footer") && hasValue) {
      o.footer = argv[++i];
    } else if (!std::strcmp(a, "--vertical")) {
      o.vertical = true;
    } else if (!std::strcmp(a, "--ctrl")) {
      o.ctrl = true;
    } else if (!std::strcmp(a, "--smooth")) {
      o.smooth = true;
    } else if (!std::strcmp(a, "--gtk")) {
      gGtk.show = true;
    } else if (!std::strcmp(a, "--hold") && hasValue) {
      char* end = nullptr;
      gGtk.holdMs = std::strtol(argv[++i], &end, 10);
      if (*argv[i] == 0 || *end != 0 || gGtk.holdMs < 0 || gGtk.holdMs > kMaxHoldMs) {
        std::fprintf(stderr, "kxdraw: --hold: %s is not a number of milliseconds\n", argv[i]);
        return 2;
      }
    } else if (!std::strcmp(a, "--screenshot") && hasValue) {
      gGtk.screenshot = argv[++i];
    } else if (a[0] != '-' && !file) {
      file = a;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const int sources = (toolkit ? 1 : 0) + (o.demo ? 1 : 0) + (file ? 1 : 0);
  if (!out || sources != 1) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Printing prints a file, with the page options of paper view; --gtk
  // then prints through the GTK host.
  if (pagesGiven && !o.print) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (o.print && (!file || o.paper || o.demo || toolkit || o.page > 0 || gGtk.holdMs || gGtk.screenshot)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // The page options belong to paper view, which draws a file.
  if (!o.paper && !o.print && (o.form >= 0 || o.page > 0 || o.guide >= 0 || o.sheetW > 0 || o.header || o.footer)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (o.paper && !file) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if ((gGtk.holdMs || gGtk.screenshot) && !gGtk.show) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!toolkit) return KxDriverMain("kxdraw", KxMacrosFacilities, [&] { return DrawText(o, file, out); });
  return KxDriverMain("kxdraw", KxMacrosFacilities, [&] {
    std::unique_ptr<KxPort> port = KxPort::NewImage(kSheetWidth, kSheetHeight);
    StKxPortSaver saver(port.get());
    UKXColor::InitColorUtils();
    DrawSheet();
    PenNormal();
    DrawToolkitSheet();
    return Finish(*port, out);
  });
}
