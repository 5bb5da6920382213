// kxedit: opens a file in a text engine shown by a view of a headless
// window (whose undoer keeps every step), runs a script of steps and prints
// what the script asks for.
//
//   kxedit [--width N] [--vertical] [--rules 0|1|2] [--wordwrap] [--font NAME]
//          [--size PT] [--encoding E] [--autoindent] [--timing] FILE [SCRIPT|-]
//
// Steps, one a line (# starts a comment):
//   type TEXT            types TEXT (UTF-8) character by character
//   key NAME [MODS]      a character, or left right up down home end pageup
//                        pagedown backspace delete return enter tab escape
//                        f1..f15; MODS joins cmd, option, shift and control
//                        with "+". Keys go through the text's event handler:
//                        its arrow, control-key (two strokes: "key q
//                        control" then "key r control") and function-key
//                        tables, Home and End, the turn of vertical writing
//   preedit TEXT         TEXT becomes the inline composition, one selected clause
//   commit TEXT          TEXT is confirmed over the composition or selection
//   select FROM TO       byte offsets
//   click X Y [COUNT] [shift]
//   cut, copy, paste     through a scrap of this process
//   undo, redo           through the window's undo history, any number of
//                        steps (a typing run, cut or paste is one step)
//   find PATTERN [OPTIONS]  selects the next match (OPTIONS: find bits)
//   replace-all PATTERN REPLACEMENT [OPTIONS]  one undoable step; "" is the
//                        empty replacement; with bit 16 "\1".."\9" and "&"
//                        in REPLACEMENT take the match's groups
//   command N            a text command by its menu number (cut 12, faces
//                        401-408, transforms 1113-1123, jumps 1212-1214,
//                        pages 1222-1225, marks 1230-1249, decorations
//                        1303-1370, view toggles 1404-1407)
//   services types|copy|paste TYPE=DATA...|kind N  (--window only) the
//                        Services exchange's events (kxedit_services.h)
//   print text|selection|styles|decos|paras|ruby|marks|lines|pages|result
//                        run lists: one run a line, the offset and then the
//                        record's fields in record order; result: the last
//                        result word in hexadecimal, then "broadcasts" and
//                        the engine's messages of the last step in order
//                        (10003 with its flag: 10003=1)
// Other steps of the full tool answer "not supported yet" (exit 2).
// Exit status: 0 done, 1 bad input (one line on stderr), 2 bad usage.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "driver_runs.h"
#include "driver_text.h"
#include "kxedit_window.h"
#include "kxedit_gages.h"
#include "kxedit_services.h"
#include "tell_step.h"
#include "engine/facilities.h"
#include "engine/text_event.h"
#include "engine/input_method_handler.h"
#include "engine/text_engine.h"
#include "engine/flavor_exchange.h"
#include "engine/text_layer.h"
#include "engine/text_undoer.h"
#include "layout/draw_toolkit.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/fonts.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kxedit [--width N] [--vertical] [--rules 0|1|2] [--wordwrap] [--font NAME] [--size PT] "
               "[--encoding auto|sjis|jis|euc|utf8|utf16] [--autoindent] [--timing] "
               "[--window [--gtk [--screenshot PNG]] [--split Y] [--lines] [--status] [--ruler [--format-bar] [--screen W,H]] [--readonly]] FILE [SCRIPT|-]\n");
  return 2;
}

using kxdriver::FromUnits;
using kxdriver::HandleOwner;
using kxdriver::Units;

// Text as UTF-8 with CR as a newline.
std::string ToUTF8(const std::string& sjis, const std::vector<SKXUniChar>& sides) {
  return kxdriver::TextToUTF8(sjis, sides);
}

bool ParseLong(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return *end == 0;
}

// Modifier words of a key step as the event's modifier bits.
bool ParseEventMods(const std::string& word, std::uint16_t& mods) {
  mods = 0;
  std::stringstream in(word);
  for (std::string m; std::getline(in, m, '+');) {
    if (m == "shift")
      mods |= kKxEventShiftKey;
    else if (m == "cmd")
      mods |= kKxEventCommandKey;
    else if (m == "option")
      mods |= kKxEventOptionKey;
    else if (m == "control")
      mods |= kKxEventControlKey;
    else
      return false;
  }
  return true;
}

// UTF-8 as the text's own bytes; false when it does not convert.
bool ToText(const std::string& utf8, std::string& sjis) {
  std::vector<SKXUniChar> sides;
  return FromUnits(Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(utf8.data()), long(utf8.size())), sjis,
                   sides);
}

// ---- steps on the editing layer --------------------------------------------------------------

// A text command by its menu number, as the text view obeys it; false for
// a number that is not a text command.
bool RunTextCommand(CKXTextLayer& layer, long cmd) {
  const KXEditHandle e = layer.GetEdit();
  auto between = [&](long lo, long hi) { return cmd >= lo && cmd <= hi; };
  if (cmd == 12) {
    layer.DoCut();
  } else if (cmd == 13) {
    layer.DoCopy();
  } else if (cmd == 14) {
    layer.DoPaste(0);
  } else if (cmd == 15) {
    layer.DoDelete();
  } else if (cmd == 16) {
    layer.SetSelectionRange(CKXTextLayer::sTextAll, false);
    layer.CompleteTyping();
  } else if (cmd == 301 || cmd == 302) {
    const short size = layer.GetCurFontSize();
    if (size > 0) layer.DoFontSize(short(size + (cmd == 301 ? 1 : -1)));
  } else if (cmd == 401) {
    layer.DoFontStyle(0);
  } else if (between(402, 408)) {
    layer.DoFontStyle(short(1 << (cmd - 402)));
  } else if (cmd == 1112) {
    KXTE_SetAutoIndent(e, KXTE_GetAutoIndent(e) ? 0 : 1);
  } else if (cmd == 1113 || cmd == 1114) {
    layer.DoCharShift(cmd == 1113);
  } else if (between(1115, 1117)) {
    layer.DoCharType(short(cmd - 1108));
  } else if (cmd == 1118) {
    layer.DoLineDup();
  } else if (cmd == 1119 || cmd == 1120) {
    layer.DoLineReform(cmd == 1119);
  } else if (cmd == 1122) {
    layer.SetCaretLine(!KXTE_GetCaretLine(e));
  } else if (cmd == 1123) {
    layer.DoCharType(20);
  } else if (cmd == 1125) {
    layer.SetSmartEdit(!layer.GetSmartEdit());
  } else if (cmd == 1212 || cmd == 1213) {
    layer.DoJump(cmd == 1212 ? 1 : -1, 0);
  } else if (cmd == 1214) {
    layer.DoSelection(layer.GetBeforeRange(), false);
  } else if (between(1222, 1225)) {
    const long cur = KXTE_GetCurPage(e), count = KXTE_GetPageCount(e);
    const long page = cmd == 1222 ? cur - 1 : cmd == 1223 ? cur + 1 : cmd == 1224 ? 1 : count;
    layer.SetCurPage(page);
  } else if (between(1230, 1249)) {
    if (cmd - 1229 <= KXTE_GetMarkCount(e)) layer.DoSelection(layer.GetMarkRange(cmd - 1229), false);
  } else if (between(1303, 1307)) {
    static const unsigned char kStyles[] = {8, 1, 2, 5, 6};
    layer.DoExtStyle(kStyles[cmd - 1303]);
  } else if (between(1310, 1320)) {
    RGBColor c{};
    KxGetRGBColor(int(cmd - 1310), c);
    layer.DoFontColor(c);
  } else if (between(1321, 1336)) {
    layer.DoLineType((unsigned short)(cmd - 1321));
  } else if (cmd == 1337) {
    layer.DoNetStyle(11);
  } else if (between(1338, 1348)) {
    layer.DoLineColor((unsigned short)(cmd - 1338));
  } else if (between(1349, 1359)) {
    layer.DoNetStyle((unsigned char)(cmd - 1349));
  } else if (between(1360, 1370)) {
    layer.DoNetColor((unsigned char)(cmd - 1360));
  } else if (cmd == 1404) {
    layer.SetCtrlView(!KXTE_GetCtrlView(e));
  } else if (cmd == 1405) {
    layer.SetLineTurn(!KXTE_GetLineTurn(e));
  } else if (cmd == 1406) {
    layer.SetGuideView(!KXTE_GetGuideView(e));
  } else if (cmd == 1407) {
    layer.SetPaperView(!KXTE_GetPaperView(e));
  } else {
    return false;
  }
  return true;
}

// One line per column-page: PAGE COLUMN FIRST-LINE LAST-LINE START END.
void PrintPages(KXEditHandle e) {
  CKXTextEditEx& edit = *KXHandleAccess::Edit(e);
  const long columnPages = edit.GetColumnPageCount();
  short c = 1, g = 0;
  edit.GetPageColumn(c, g);
  const long n = c > 1 ? c : 1;
  for (long k = 1; k <= columnPages; ++k) {
    long first = 0, last = 0;
    edit.GetColumnPage(k, first, last);
    const long start = edit.GetLineOffsetAt(first);
    const long end = last < edit.GetLineCount() ? edit.GetLineOffsetAt(last + 1) : edit.GetLength();
    std::printf("%ld %ld %ld %ld %ld %ld\n", (k - 1) / n + 1, (k - 1) % n + 1, first, last, start, end);
  }
}

// The text engine of the script (its scrap is the host's clipboard). Every
// result word is noted.
class EditEngine : public CKXTextEngine {
 public:
  explicit EditEngine(std::uint16_t& last) : CKXTextEngine(false), mLast(last) {}
  EditEngine(const EditEngine&) = delete;
  EditEngine& operator=(const EditEngine&) = delete;

  void TextEditResult(std::uint16_t result) override {
    mLast = result;
    CKXTextEngine::TextEditResult(result);
  }

 private:
  std::uint16_t& mLast;
};

// The view stand-in: a commander under its window (so that the engine's
// actions reach the window's undoer), drawing through the engine and
// following its image size; a scroll of the view moves the edit object's
// view with it.
class EngineView : public LView, public LCommander, public LListener {
 public:
  EngineView(CKXTextEngine& engine, LWindow& window, std::int32_t width, std::int32_t height)
      : LCommander(&window), mEngine(engine) {
    mFrameSize = {width, height};
    mImageSize = {width, height};
    PutInside(&window, 0, 0);
    engine.AddListener(this);
    engine.SetHandlerView(this);
    FitImage();
  }
  ~EngineView() override { mEngine.SetHandlerView(nullptr); }
  EngineView(const EngineView&) = delete;
  EngineView& operator=(const EngineView&) = delete;

  void ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) override {
    LView::ScrollImageBy(dh, dv, refresh);
    mEngine.ScrollView(dh, dv, refresh);
  }
  void DrawSelf() override {
    SPoint32 pos{};
    GetScrollPosition(pos);
    mEngine.DrawArea(pos, SDimension32{mFrameSize.width, mFrameSize.height});
  }
  void ListenToMessage(MessageT message, void* param) override {
    if (message == kKxMsgImageSizeChanged) FitImage();
    if (message == kKxMsgModifiedChanged && param)
      heard.push_back("10003=" + std::to_string(*static_cast<const bool*>(param) ? 1 : 0));
    else
      heard.push_back(std::to_string(message));
  }
  std::vector<std::string> heard;

 private:
  void FitImage() {
    SDimension32 size{};
    mEngine.GetImageSize(size);
    ResizeImageTo(std::max(size.width, mFrameSize.width), std::max(size.height, mFrameSize.height), false);
  }
  CKXTextEngine& mEngine;
};

// `clipboard TYPE`: the flavor's bytes in hexadecimal, an empty line when
// the clipboard has none. TYPE is a four-character code; a shorter one is
// padded with spaces ("RTF").
int ClipboardStep(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0].size() > 4) return 1;
  std::string code = args[0];
  code.resize(4, ' ');
  OSType type = 0;
  for (char c : code) type = (type << 8) | static_cast<unsigned char>(c);
  std::vector<std::uint8_t> bytes;
  KxClipboardStore snapshot;
  KxCurrentHost().GetClipboardSnapshot(snapshot);
  snapshot.Get(type, bytes);
  std::string line;
  char hex[4];
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    std::snprintf(hex, sizeof hex, k ? " %02x" : "%02x", bytes[k]);
    line += hex;
  }
  std::puts(line.c_str());
  return 0;
}

// `paste-file FILE`: the file dropped at the selection, as a drop of one
// file from the desktop.
int PasteFileStep(CKXTextLayer& layer, const std::string& path, std::string& error) {
  KxDragData drag;
  drag.AddItem(1);
  const std::vector<std::uint8_t> hfs = KxMakeHFSFlavor(0, 0, path);
  drag.SetFlavor(1, kKxFlavorHFS, hfs.data(), hfs.size());
  if (!KxIsRegularFile(path)) {
    error = "paste-file: no such file " + path;
    return 1;
  }
  KXTextHandle text = KXText_New();
  if (!text) return 1;
  short mask = 0;
  try {
    CKXDragTube tube(&drag, 1);
    CKXFlavorExchange exchange(&layer);
    exchange.ReceiveDataFrom(layer.GetSelectionRange(), tube, text, &mask);
    layer.DoDrop(layer.GetSelectionRange(), text, mask, 0);
  } catch (const LException& e) {
    KXText_Dispose(text);
    error = "paste-file: error " + std::to_string(e.GetErrorCode());
    return 1;
  }
  KXText_Dispose(text);
  return 0;
}

// Text values of `tell` steps, UTF-8 to the text's bytes and back.
bool TellToText(const std::string& utf8, std::string& bytes) {
  std::vector<SKXUniChar> sides;
  return FromUnits(Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(utf8.data()), long(utf8.size())), bytes,
                   sides);
}
std::string TellToUTF8(const std::string& bytes) { return ToUTF8(bytes, {}); }

class Runner {
 public:
  Runner(CKXTextEdit& e, KXEditHandle h, EditEngine& engine, EngineView* view, std::uint16_t& last,
         CKXTextEvent& handler, kxwindow::Session* window = nullptr)
      : mEdit(e), mHandle(h), mLast(last), mLayer(engine), mView(view), mHandler(handler), mWindow(window) {}
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;
  // 0 done, 1 bad input, 2 unsupported.
  int Step(const std::string& line, long lineNo);

 private:
  int Bad(long lineNo, const std::string& what) {
    std::fprintf(stderr, "kxedit: line %ld: %s\n", lineNo, what.c_str());
    return 1;
  }
  int Unsupported(long lineNo, const std::string& what) {
    std::fprintf(stderr, "kxedit: line %ld: %s: not supported yet\n", lineNo, what.c_str());
    return 2;
  }
  int Print(const std::string& what);
  // In a window the steps reach the text as its view passes them on, and
  // the view refuses edits of a read-only text (--readonly).
  bool Refused() const { return mWindow && !mLayer.IsEditable(); }
  int ReplaceAll(const std::vector<std::string>& args, long lineNo);
  CKXTextEdit& mEdit;
  KXEditHandle mHandle;
  std::uint16_t& mLast;  // the last result word
  EditEngine& mLayer;
  EngineView* mView;             // null in a window
  CKXTextEvent& mHandler;
  kxwindow::Session* mWindow;    // null without one
};

int Runner::Step(const std::string& line, long lineNo) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb.empty() || verb[0] == '#') return 0;
  if (verb != "print" && mView) mView->heard.clear();
  std::vector<std::string> args;
  for (std::string a; in >> a;) args.push_back(a);
  if (mWindow) {
    std::string why;
    const int done = mWindow->Step(verb, args, why);
    if (done == 1) return Bad(lineNo, why.empty() ? verb : why);
    if (done == 2) {
      std::fprintf(stderr, "kxedit: line %ld: %s\n", lineNo, why.c_str());
      return 2;
    }
    if (done == 0) {
      mWindow->Settle();
      return 0;
    }
  }
  if (verb == "type") {
    if (line.size() <= 5) return 0;
    const std::string utf8 = line.substr(5);
    std::string sjis;
    std::vector<SKXUniChar> sides;
    if (!FromUnits(Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(utf8.data()), long(utf8.size())), sjis,
                   sides))
      return Bad(lineNo, "text does not convert");
    if (Refused()) return 0;   // as keys from the keyboard: taken, and dropped
    // Byte by byte as keys (a lead byte waits for its second); a character
    // without a code of its own goes in with its side entry.
    size_t side = 0;
    for (size_t k = 0; k < sjis.size();) {
      const bool lead = KxTextCharFirst((unsigned char)sjis[k], kScriptJapanese) && k + 1 < sjis.size();
      const long n = lead ? 2 : 1;
      if (side < sides.size() && sides[side].offset == long(k)) {
        const SKXUniChar u{0, sides[side++].value};
        mLayer.DoString(sjis.data() + k, n, &u, 1);
      } else {
        for (long b = 0; b < n; ++b) mLayer.DoKey((unsigned char)sjis[k + size_t(b)], 0);
      }
      k += size_t(n);
    }
    return 0;
  }
  if (verb == "key") {
    if (args.empty() || args.size() > 2) return Bad(lineNo, "key NAME [MODS]");
    std::uint16_t mods = 0;
    if (args.size() == 2 && !ParseEventMods(args[1], mods)) return Bad(lineNo, "unknown modifiers " + args[1]);
    const std::string& name = args[0];
    static const struct {
      const char* name;
      unsigned char code;
      unsigned char keyCode;
    } kKeys[] = {{"left", kKxCharLeftArrow, kKxKeyLeft},     {"right", kKxCharRightArrow, kKxKeyRight},
                 {"up", kKxCharUpArrow, kKxKeyUp},           {"down", kKxCharDownArrow, kKxKeyDown},
                 {"home", kKxCharHome, kKxKeyHome},          {"end", kKxCharEnd, kKxKeyEnd},
                 {"backspace", kKxCharBackspace, kKxKeyBackspace}, {"delete", kKxCharDelete, kKxKeyForwardDelete},
                 {"return", kKxCharReturn, kKxKeyReturn},    {"enter", 3, kKxKeyEnter},
                 {"tab", 9, kKxKeyTab},                      {"escape", kKxCharEscape, kKxKeyEscape},
                 {"pageup", kKxCharPageUp, kKxKeyPageUp},    {"pagedown", kKxCharPageDown, kKxKeyPageDown}};
    static const unsigned char kFunctionKeys[15] = {kKxKeyF1,  kKxKeyF2,  kKxKeyF3,  kKxKeyF4,  kKxKeyF5,
                                                    kKxKeyF6,  kKxKeyF7,  kKxKeyF8,  kKxKeyF9,  kKxKeyF10,
                                                    kKxKeyF11, kKxKeyF12, kKxKeyF13, kKxKeyF14, kKxKeyF15};
    EventRecord event;
    event.what = keyDown;
    event.modifiers = mods;
    event.when = 1;
    bool known = false;
    for (const auto& k : kKeys)
      if (name == k.name) {
        event.message = KxKeyMessage(k.code, k.keyCode);
        known = true;
      }
    long number = 0;
    if (!known && name.size() > 1 && name[0] == 'f' && ParseLong(name.substr(1), number) && number >= 1 &&
        number <= 15) {
      event.message = KxKeyMessage(16, kFunctionKeys[number - 1]);
      known = true;
    }
    if (!known && name.size() == 1 && (unsigned char)name[0] >= 0x20 && (unsigned char)name[0] < 0x7F) {
      unsigned char c = (unsigned char)name[0];
      // The control key turns a letter into its control character.
      if ((mods & kKxEventControlKey) && std::isalpha(c)) c = (unsigned char)(std::toupper(c) - 64);
      event.message = KxKeyMessage(c, 0);
      known = true;
    }
    if (!known) return Bad(lineNo, "unknown key " + name);
    mHandler.DoEvent(event);
    event.what = keyUp;
    mHandler.DoEvent(event);
    return 0;
  }
  if (verb == "preedit" || verb == "commit") {
    const std::string utf8 = line.size() > verb.size() + 1 ? line.substr(verb.size() + 1) : std::string();
    CKXTextTSMHandler& tsm = mHandler.GetTSMHandler();
    if (verb == "preedit")
      tsm.Preedit(utf8, utf8.empty() ? std::vector<CKXTextTSMHandler::Clause>{}
                                     : std::vector<CKXTextTSMHandler::Clause>{{0, long(utf8.size()), true}},
                  -1);
    else
      tsm.Commit(utf8);
    return 0;
  }
  // Every other step edits or moves without the input method: a
  // composition in progress is confirmed first.
  if (verb != "print") mHandler.GetTSMHandler().FixBeforeEdit(), mHandler.ActivateInline();
  if (verb == "services") {
    std::string why;
    const int done = kxservices::Step(args, mWindow ? &mWindow->Panes() : nullptr, why);
    if (done == 1) return Bad(lineNo, why);
    if (done == 0) mWindow->Settle();
    return done;
  }
  if (verb == "select") {
    long a, b;
    if (args.size() != 2 || !ParseLong(args[0], a) || !ParseLong(args[1], b)) return Bad(lineNo, "select FROM TO");
    if (a < 0 || b < 0 || a > mEdit.GetLength() || b > mEdit.GetLength())
      return Bad(lineNo, "offset outside the text (length " + std::to_string(mEdit.GetLength()) + ")");
    mLayer.CompleteTyping();  // a typing run ends where the caret is moved
    mLayer.TextEditResult(KXTE_SetSelect(mHandle, a, b));
    return 0;
  }
  if (verb == "click") {
    long x, y, count = 1;
    bool shift = false;
    if (args.size() < 2 || args.size() > 4 || !ParseLong(args[0], x) || !ParseLong(args[1], y))
      return Bad(lineNo, "click X Y [COUNT] [shift]");
    for (size_t k = 2; k < args.size(); ++k) {
      if (args[k] == "shift")
        shift = true;
      else if (!ParseLong(args[k], count) || count < 1 || count > 3)
        return Bad(lineNo, "click count is 1, 2 or 3");
    }
    // A press and a release at a point of the view.
    EventRecord event;
    event.modifiers = shift ? 0x0200 : 0;
    std::int32_t h = 0, v = 0;
    mLayer.PointToLocal(PointL{std::int32_t(y), std::int32_t(x)}, h, v);
    mLayer.Click(SPoint32{h, v}, event, short(count));
    const std::uint16_t press = mLast;
    mLayer.Click(SPoint32{h, v}, event, -2);
    mLast |= press;
    return 0;
  }
  if (verb == "cut" || verb == "copy" || verb == "paste") {
    if (!args.empty()) return Bad(lineNo, verb + " takes no arguments");
    if (verb != "copy" && Refused()) return 0;   // the command is disabled
    if (verb == "cut")
      mLayer.DoCut();
    else if (verb == "copy")
      mLayer.DoCopy();
    else
      mLayer.DoPaste(0);
    return 0;
  }
  if (verb == "clipboard")
    return ClipboardStep(args) == 0 ? 0 : Bad(lineNo, "clipboard TYPE (a four-character code)");
  if (verb == "paste-file") {
    if (line.size() <= 11) return Bad(lineNo, "paste-file FILE");
    if (Refused()) return 0;   // the view takes no drop
    std::string error;
    return PasteFileStep(mLayer, line.substr(11), error) == 0 ? 0 : Bad(lineNo, error);
  }
  if (verb == "undo" || verb == "redo") {
    if (!args.empty()) return Bad(lineNo, verb + " takes no arguments");
    if (verb == "undo")
      mLayer.Undo();
    else
      mLayer.Redo();
    return 0;
  }
  if (verb == "find") {
    long options = 0;
    if (args.empty() || args.size() > 2 || (args.size() == 2 && !ParseLong(args[1], options)) || options < 0 ||
        options > 31)
      return Bad(lineNo, "find PATTERN [OPTIONS 0-31]");
    std::string pattern;
    if (!ToText(args[0], pattern)) return Bad(lineNo, "pattern does not convert");
    mLayer.CompleteTyping();
    mLayer.TextEditResult(KXTE_Find(mHandle, pattern.data(), long(pattern.size()), short(options), kScriptJapanese));
    return 0;
  }
  if (verb == "print") {
    if (args.size() != 1) return Bad(lineNo, "print WHAT");
    return Print(args[0]) == 0 ? 0
                               : Bad(lineNo, "print text|selection|styles|decos|paras|ruby|marks|lines|pages|result");
  }
  if (verb == "replace-all") return ReplaceAll(args, lineNo);
  if (verb == "command") {
    long cmd = 0;
    if (args.size() != 1 || !ParseLong(args[0], cmd)) return Bad(lineNo, "command N");
    mLayer.CompleteTyping();
    return RunTextCommand(mLayer, cmd) ? 0 : Bad(lineNo, "no text command " + args[0]);
  }
  if (verb == "tell") {
    std::string error;
    if (kxtell::RunTell(mLayer, line.size() > 5 ? line.substr(5) : std::string(), TellToText, TellToUTF8, error))
      return Bad(lineNo, error);
    return 0;
  }
  static const char* const kLater[] = {"save"};
  for (const char* v : kLater)
    if (verb == v) return Unsupported(lineNo, verb);
  return Bad(lineNo, "unknown step " + verb);
}

int Runner::ReplaceAll(const std::vector<std::string>& args, long lineNo) {
  long options = 0;
  if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && !ParseLong(args[2], options)) || options < 0 ||
      options > 31)
    return Bad(lineNo, "replace-all PATTERN REPLACEMENT [OPTIONS 0-31]");
  std::string pattern, repl;
  if (!ToText(args[0], pattern)) return Bad(lineNo, "pattern does not convert");
  if (args[1] != "\"\"" && !ToText(args[1], repl)) return Bad(lineNo, "replacement does not convert");
  if (Refused()) return 0;   // the command is disabled
  mLayer.CompleteTyping();
  // Options as find's: with the regular-expression bit the replacement
  // takes the match's groups too.
  mLayer.DoReplaceAll(pattern.data(), long(pattern.size()), repl.data(), long(repl.size()), options);
  return 0;
}

int Runner::Print(const std::string& what) {
  if (kxdriver::PrintRunList(mHandle, what)) return 0;
  if (what == "pages") {
    PrintPages(mHandle);
    return 0;
  }
  {
    if (what == "text") {
      std::string bytes(size_t(mEdit.GetLength()), '\0');
      mEdit.CopyBytes(0, mEdit.GetLength(), bytes.data(), long(bytes.size()));
      std::vector<SKXUniChar> sides(size_t(mEdit.GetUniCharsCount()));
      if (!sides.empty()) mEdit.GetUniChars(sides.data(), long(sides.size()));
      std::fputs(kxdriver::TextToUTF8(bytes, sides, kxdriver::ScriptRuns(mHandle)).c_str(), stdout);
      std::fputs("\n", stdout);
    } else if (what == "lines") {
      for (long i = 1; i <= mEdit.GetLineCount(); ++i)
        std::printf("%ld %u\n", mEdit.GetLineOffsetAt(i), unsigned(mEdit.GetLineCodeAt(i)));
    } else if (what == "result") {
      std::printf("%x\n", unsigned(mLast));
      std::printf("broadcasts");
      if (mView)
        for (const std::string& m : mView->heard) std::printf(" %s", m.c_str());
      std::printf("\n");
    } else {
      return 1;
    }
    return 0;
  }
}

int Run(int argc, char** argv) {
  long width = 600, size = 0;
  SKXLineStyl style;
  std::string font, encoding = "auto";
  bool timing = false, autoIndent = false;
  bool windowMode = false, gtk = false, gageLines = false, gageStatus = false, ruler = false, readOnly = false;
  bool formBar = false, screenGiven = false;
  long screenW = 1024, screenH = 768;
  std::string screenshot;
  long split = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    long n = 0;
    if (a == "--width") {
      if (!value(v) || !ParseLong(v, width) || width < 1 || width > 1000000) return Usage();
    } else if (a == "--vertical") {
      style.vertical = 1;
    } else if (a == "--rules") {
      if (!value(v) || !ParseLong(v, n) || n < 0 || n > 2) return Usage();
      style.mode = std::uint8_t(n);
    } else if (a == "--wordwrap") {
      style.wordWrap = 1;
    } else if (a == "--font") {
      if (!value(font)) return Usage();
    } else if (a == "--size") {
      if (!value(v) || !ParseLong(v, size) || size < 1 || size > 1000) return Usage();
    } else if (a == "--encoding") {
      if (!value(encoding)) return Usage();
    } else if (a == "--autoindent") {
      autoIndent = true;
    } else if (a == "--timing") {
      timing = true;
    } else if (a == "--window") {
      windowMode = true;
    } else if (a == "--gtk") {
      gtk = true;
    } else if (a == "--screenshot") {
      if (!value(screenshot)) return Usage();
    } else if (a == "--split") {
      if (!value(v) || !ParseLong(v, split) || split < 1 || split > 10000) return Usage();
    } else if (a == "--lines") {
      gageLines = true;
    } else if (a == "--status") {
      gageStatus = true;
    } else if (a == "--ruler") {
      ruler = true;
    } else if (a == "--readonly") {
      readOnly = true;
    } else if (a == "--format-bar") {
      formBar = true;
    } else if (a == "--screen") {
      const auto comma = (value(v) ? v.find(',') : std::string::npos);
      if (comma == std::string::npos || !ParseLong(v.substr(0, comma), screenW) ||
          !ParseLong(v.substr(comma + 1), screenH) || screenW < 100 || screenW > 32000 || screenH < 100 ||
          screenH > 32000)
        return Usage();
      screenGiven = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return Usage();
    } else {
      files.push_back(a);
    }
  }
  if (files.empty() || files.size() > 2) return Usage();
  if (!windowMode && (gtk || split || !screenshot.empty() || gageLines || gageStatus || ruler || readOnly || formBar ||
                      screenGiven))
    return Usage();
  // As kxapp's: the headless host's screen; the desktop has its own.
  if (screenGiven && gtk) return Usage();
  if (!screenshot.empty() && !gtk) return Usage();
  const short code = kxdriver::EncodingCode(encoding);
  if (code == -2) return Usage();

  // The synthetic box fonts keep line geometry the same on every machine;
  // a font they do not have is looked up among the installed ones.
  KxFontInstallBackend(KxSyntheticFontBackend());
  short fontNumber = 1;
  if (!font.empty() && !KxFontNumberFromName(font, fontNumber)) {
    try {
      KxFontInstallBackend(KxFreeTypeFontBackend(true, {}));
    } catch (const LException&) {
      KxFontInstallBackend(KxSyntheticFontBackend());
    }
    if (!KxFontNumberFromName(font, fontNumber)) {
      std::fprintf(stderr, "kxedit: unknown font %s\n", font.c_str());
      return 2;
    }
  }

  const auto t0 = std::chrono::steady_clock::now();
  std::vector<unsigned char> raw;
  if (KxReadFile(files[0].c_str(), raw)) {
    std::fprintf(stderr, "kxedit: cannot read %s\n", files[0].c_str());
    return 1;
  }
  std::string text;
  std::vector<SKXUniChar> sides;
  if (!kxdriver::DecodeText(raw, code, text, sides)) {
    std::fprintf(stderr, "kxedit: %s does not convert\n", files[0].c_str());
    return 1;
  }
  std::vector<unsigned char>().swap(raw);  // a large file is not held three times over

  // The engine makes its own edit object; the driver shapes it as the
  // options say. The window keeps the undo history.
  std::uint16_t last = 0;
  EditEngine engine(last);
  const RectL viewRect{0, 0, 1000, std::int32_t(width)};
  engine.Initialize(SKXPageStyl{}, viewRect);
  KXTE_SetDestRect(engine.GetEdit(), RectL{0, 0, 0, std::int32_t(width)});
  CKXTextEdit& edit = *KXHandleAccess::Edit(engine.GetEdit());
  edit.SetLineStyl(style, 0);
  SKXEditStyl es;
  es.font = fontNumber;
  es.size = short(size ? size : 12);
  es.autoIndent = autoIndent ? 1 : 0;
  edit.SetEditStyl(es, 0);
  {
    SKXStyl run{0, SStyl{0, 0, fontNumber, 0, 0, short(size ? size : 12), RGBColor{0, 0, 0}}};
    edit.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, sides.data(), long(sides.size()));
    std::string().swap(text);
  }
  const RectL dest = style.vertical ? RectL{0, 0, std::int32_t(width), 1000} : RectL{0, 0, 1000, std::int32_t(width)};
  edit.Resize(dest, nullptr);
  edit.Activate();
  // Closing the window drops its history before the engine goes.
  struct WindowOwner {
    LWindow* w;
    ~WindowOwner() { delete w; }
  } window{nullptr};
  EngineView* view = nullptr;
  // Keys, clicks and input-method text reach the engine through its event
  // handler, in a window too.
  engine.AddUser(&engine);   // the engine lives on this stack frame
  struct HandlerOwner {
    CKXTextEvent* h = new CKXTextEvent;
    HandlerOwner() { h->AddUser(this); }
    ~HandlerOwner() {
      h->SetTextEngine(nullptr);
      h->RemoveUser(this);
    }
    HandlerOwner(const HandlerOwner&) = delete;
    HandlerOwner& operator=(const HandlerOwner&) = delete;
  } handler;
  handler.h->SetTextEngine(&engine);
  handler.h->ActivateInline();
  // A window of text views: the engine stays the driver's (the views are
  // users besides it); the session goes before the engine and the handler.
  std::unique_ptr<kxwindow::Session> session;
  if (windowMode) {
    constexpr std::int32_t kWindowHeight = 400, kBarWidth = 15;
    std::unique_ptr<KxGtkHost> host;
    if (gtk) {
      std::string why;
      host = KxGtkHost::Open(&why);
      if (!host) {
        std::fprintf(stderr, "kxedit: --gtk: %s\n", why.c_str());
        return 1;
      }
    }
    const std::int32_t w = std::int32_t(std::min<long>(width, 1600)) + kBarWidth;
    if (split >= kWindowHeight) {
      std::fprintf(stderr, "kxedit: --split %ld leaves no room below\n", split);
      return 2;
    }
    session = std::make_unique<kxwindow::Session>(engine, *handler.h, w, kWindowHeight, std::int32_t(split),
                                                  style.vertical != 0, std::move(host));
    kxgages::Add(session->Panes(), gageLines, gageStatus, style.vertical != 0);
    if (readOnly) engine.SetAttributes(std::uint16_t(engine.GetAttributes() & ~kKxEngineEditable));
    if (auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost()))
      headless->SetScreenBounds(Rect{0, 0, std::int16_t(screenH), std::int16_t(screenW)});
    session->AddRuler(ruler || formBar, formBar, style.vertical != 0);
  } else {
    window.w = new LWindow(Rect{40, 0, 1040, std::int16_t(std::min<long>(width, 30000))},
                           reinterpret_cast<ConstStringPtr>("\x06kxedit"), nullptr);
    window.w->AddAttachment(new CKXTextUndoer, nullptr, true);
    view = new EngineView(engine, *window.w, std::int32_t(width), 1000);
  }
  if (timing) {
    // The table from Unicode to the text's codes is built on the first
    // `type`: a one-time cost of reading the script, built before the clock
    // starts so that the script time is the steps' own.
    std::string warmText;
    std::vector<SKXUniChar> warmSides;
    kxdriver::FromUnits({u'a'}, warmText, warmSides);
  }
  const auto t1 = std::chrono::steady_clock::now();

  int status = 0;
  if (files.size() == 2) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (files[1] != "-") {
      file.open(files[1]);
      if (!file) {
        std::fprintf(stderr, "kxedit: cannot read %s\n", files[1].c_str());
        return 1;
      }
      in = &file;
    }
    Runner runner(edit, engine.GetEdit(), engine, view, last, *handler.h, session.get());
    long lineNo = 0;
    for (std::string line; std::getline(*in, line);) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      status = runner.Step(line, lineNo);
      if (status) break;
    }
  }
  if (session && status == 0 && !screenshot.empty()) status = session->Screenshot(screenshot);
  // A composition the script left open is confirmed while its window still
  // stands: confirming draws the caret into the window's port.
  if (session) handler.h->DeactivateInline();
  session.reset();
  const auto t2 = std::chrono::steady_clock::now();
  if (timing) {
    std::fprintf(stderr, "load %.6f\n", std::chrono::duration<double>(t1 - t0).count());
    std::fprintf(stderr, "script %.6f\n", std::chrono::duration<double>(t2 - t1).count());
  }
  std::fflush(stdout);
  return status;
}

}  // namespace

int main(int argc, char** argv) { return KxDriverMain("kxedit", KxEngineFacilities, [&] { return Run(argc, argv); }); }
