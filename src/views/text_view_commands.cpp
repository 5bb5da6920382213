// The text view's command table and the bodies of its commands.
#include "views/text_view_commands.h"

#include <algorithm>
#include <iterator>

#include "engine/data_tube.h"
#include "engine/macro_recorder.h"
#include "engine/flavor_exchange.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/kxtext_api.h"
#include "text/store/text.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/fonts.h"
#include "platform/host/host.h"
#include "text/codes/script.h"
#include "text/find/find.h"
#include "text/find/regexp.h"
#include "views/dialog_box.h"
#include "views/edit_field.h"
#include "views/mark_list.h"
#include "views/message_box.h"
#include "platform/framework/menu.h"
#include "platform/framework/window.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_view.h"

StFindEscape::StFindEscape() : mWas(KxSetFindCancelCheck(&Pressed)) { sNextLook = 0; }
StFindEscape::~StFindEscape() { KxSetFindCancelCheck(mWas); }

// The host is asked at most every few ticks, the first time at once.
bool StFindEscape::Pressed() {
  constexpr std::uint32_t kLookEvery = 10;   // ticks
  const std::uint32_t now = TickCount();
  if (sNextLook != 0 && std::int32_t(now - sNextLook) < 0) return false;
  sNextLook = now + kLookEvery;
  if (sNextLook == 0) sNextLook = 1;
  return KxCurrentHost().PeekForEscape();
}

namespace {

CKXTextViewServices gDefaultServices;
CKXTextViewServices* gServices = &gDefaultServices;

CKXTextViewServices& Services() { return *gServices; }

constexpr long kMaxFindBytes = 255;
constexpr CommandT kCmdLineWrap = 1405, kCmdPaperView = 1407;
constexpr unsigned char kPictureByte = 0xCA;  // the one byte that stands for a picture

// ---- Small status helpers ------------------------------------------------------------------------

void Enable(KxTextCommandStatus& s) { s.enabled = true; }
void EnableIf(KxTextCommandStatus& s, bool on) { s.enabled = on; }
void Check(KxTextCommandStatus& s, bool on) {
  s.enabled = true;
  s.usesMark = true;
  s.mark = on ? kKxMarkCheck : kKxMarkNone;
}
// A value of a menu of values: checked when it is the selection's value;
// when the selection carries several, mark 45 on each value it carries.
void ValueMark(KxTextCommandStatus& s, bool mixed, bool equal, bool among) {
  s.enabled = true;
  s.usesMark = true;
  s.mark = mixed ? (among ? kKxMarkMixed : kKxMarkNone) : (equal ? kKxMarkCheck : kKxMarkNone);
}

bool SelectionEmpty(const CKXTextEngine& e) { return e.GetSelectionRange().length == 0; }
bool PaperView(const CKXTextEngine& e) { return KXTE_GetPaperView(e.GetEdit()) != 0; }
bool Vertical(const CKXTextEngine& e) { return KXTE_GetVertical(e.GetEdit()) != 0; }

std::string SelectionBytes(const CKXTextEngine& e) {
  const SKXRange r = e.GetSelectionRange();
  const long n = std::min<long>(r.length, kMaxFindBytes);
  std::string s(std::size_t(n), '\0');
  if (n > 0) s.resize(std::size_t(std::max(0L, e.TextGetThruPtr({r.start, std::int32_t(n)}, s.data(), n))));
  return s;
}

OSType BestClipboardFlavor(CKXTextEngine& e) {
  CKXClipboardTube tube;
  CKXFlavorExchange exchange(&e);
  return exchange.PickFlavorFrom(tube);
}

bool ClipboardHas(OSType type) {
  CKXClipboardTube tube;
  return tube.FlavorExists(type);
}

// ---- Statuses shared by several rows --------------------------------------------------------------

void StEnabled(KxTextCommandTarget&, long, KxTextCommandStatus& s) { Enable(s); }
void StSelection(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { EnableIf(s, !SelectionEmpty(t.engine)); }
void StNoSelection(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { EnableIf(s, SelectionEmpty(t.engine)); }
void StPaperView(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { EnableIf(s, PaperView(t.engine)); }
void StFindString(KxTextCommandTarget&, long, KxTextCommandStatus& s) {
  EnableIf(s, !Services().GetFindString().empty());
}
void StFindSelection(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  EnableIf(s, t.engine.IsFindSelection());
}

// ---- Clipboard -----------------------------------------------------------------------------------

// Whether the clipboard holds style ("styl") and ruler ("styx") data; the
// menu asks for 1131 before 1132-1134.
bool sPasteStyleEnabled = false;
bool sPasteRulerEnabled = false;

void DoCut(KxTextCommandTarget& t, long) { t.engine.DoCut(); }
void DoCopy(KxTextCommandTarget& t, long) { t.engine.DoCopy(); }
void DoPaste(KxTextCommandTarget& t, long cmd) {
  try {
    t.engine.DoPaste(cmd == 14 ? 0 : 1);
  } catch (const LException& e) {
    // A picture on the clipboard that cannot be read is told as Insert
    // JPEG Picture tells it; the text stays as it was.
    if (e.GetErrorCode() != kKxErrPictureUnreadable) throw;
    KXMessageBox::Stop(kKxStopNoPicture);
  }
}
void DoClear(KxTextCommandTarget& t, long) { t.engine.DoDelete(); }
void DoSelectAll(KxTextCommandTarget& t, long) {
  t.engine.SetSelectionRange(t.engine.GetTotalRange(), false);
  t.engine.CompleteTyping();
}
// Other programs' copies arrive as Unicode text alone ("utxt"), as RTF
// (text, when the converter reads it) or as JPEG.
void StPaste(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  const OSType best = BestClipboardFlavor(t.engine);
  EnableIf(s, best == FourCC("TEXT") || best == FourCC("PICT") || best == FourCC("utxt") || best == FourCC("JPEG") ||
                  best == FourCC("RTF "));
}
void StPasteText(KxTextCommandTarget&, long, KxTextCommandStatus& s) {
  EnableIf(s, ClipboardHas(FourCC("TEXT")) || ClipboardHas(FourCC("utxt")));
  sPasteStyleEnabled = ClipboardHas(FourCC("styl"));
  sPasteRulerEnabled = ClipboardHas(FourCC("styx"));
}
void DoPasteStyleCmd(KxTextCommandTarget& t, long cmd) {
  if (cmd == 1132) t.engine.DoPasteStyle();
  else if (cmd == 1133) t.engine.DoPasteRuler();
  else t.engine.DoPasteRulerStyle();
}
void StPasteStyle(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  if (cmd == 1132) EnableIf(s, !SelectionEmpty(t.engine) && sPasteStyleEnabled);
  else if (cmd == 1133) EnableIf(s, sPasteRulerEnabled);
  else EnableIf(s, sPasteStyleEnabled && sPasteRulerEnabled);
}
void DoPageBreak(KxTextCommandTarget& t, long) { t.engine.DoPastePageBreak(); }

// Inserts as typed text: undoable typing, seen by a recording macro.
void InsertTyped(KxTextCommandTarget& t, const std::string& bytes) {
  if (bytes.empty()) return;
  if (t.view) {
    t.view->InsertString(const_cast<char*>(bytes.data()), long(bytes.size()));
  } else {
    t.engine.InsertString(bytes.data(), long(bytes.size()));
  }
}
void DoPasteStamp(KxTextCommandTarget& t, long cmd) {
  if (cmd == 1138) InsertTyped(t, Services().GetNameStamps());
  else if (cmd == 1139) InsertTyped(t, Services().GetDateText());
  else InsertTyped(t, Services().GetTimeText());
}
void DoPasteJPEG(KxTextCommandTarget& t, long) {
  const long index = Services().ChoosePicture();
  if (index == -1) return;
  if (index < 1 || index > 0x7FFF) {
    KXMessageBox::Stop(kKxStopNoPicture);
    return;
  }
  SKXDeco run{};
  run.offset = 0;
  run.deco.pictID = std::int16_t(index);
  const char byte = char(kPictureByte);
  t.engine.DoInsert(&byte, 1, nullptr, 0, &run, 1, nullptr, 0, nullptr, 0, nullptr, 0);
}
void DoScrapHistory(KxTextCommandTarget& t, long cmd) {
  // The clip goes in whole, as a styled paste would put it.
  CKXText clip;
  if (Services().GetScrapText(cmd - 1519, KXHandleAccess::Wrap(&clip))) t.engine.InsertText(KXHandleAccess::Wrap(&clip));
}

// ---- Sizes and faces -----------------------------------------------------------------------------

void DoSizeStep(KxTextCommandTarget& t, long cmd) {
  const short size = t.engine.GetCurFontSize();
  if (size <= 0) return;  // several sizes: nothing to step from
  if (cmd == 301 && size <= kKxLargestGrowableSize) t.engine.DoFontSize(short(size + 1));
  if (cmd == 302 && size > 2) t.engine.DoFontSize(short(size - 1));
}
void StSizeStep(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short size = t.engine.GetCurFontSize();
  EnableIf(s, cmd == 301 ? size >= 1 && size <= kKxLargestGrowableSize : size > 2);
}
void DoFace(KxTextCommandTarget& t, long cmd) {
  t.engine.DoFontStyle(cmd == 401 ? 0 : short(1 << (cmd - 402)));
}
void StFace(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short face = t.engine.GetCurFontStyle();
  if (cmd == 401) return Check(s, face == 0);
  const auto bit = static_cast<unsigned char>(1 << (cmd - 402));
  if (face == 256) return ValueMark(s, true, false, t.engine.CheckCurFontStyle(bit));
  Check(s, (face & bit) != 0);
}

// ---- Edit settings and transforms ----------------------------------------------------------------

void DoInlineMode(KxTextCommandTarget& t, long) {
  Services().SetInlineMode(!Services().GetInlineMode());
  Services().RestartInline(t.view);
}
void StInlineMode(KxTextCommandTarget&, long, KxTextCommandStatus& s) { Check(s, Services().GetInlineMode()); }
void DoAutoIndent(KxTextCommandTarget& t, long) {
  KXTE_SetAutoIndent(t.engine.GetEdit(), KXTE_GetAutoIndent(t.engine.GetEdit()) ? 0 : 1);
}
void StAutoIndent(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  Check(s, KXTE_GetAutoIndent(t.engine.GetEdit()) != 0);
}
void DoTransform(KxTextCommandTarget& t, long cmd) {
  switch (cmd) {
    case 1113: t.engine.DoCharShift(true); break;
    case 1114: t.engine.DoCharShift(false); break;
    case 1115: case 1116: case 1117: t.engine.DoCharType(short(cmd - 1108)); break;
    case 1118: t.engine.DoLineDup(); break;
    case 1119: t.engine.DoLineReform(true); break;
    case 1120: t.engine.DoLineReform(false); break;
    case 1123: t.engine.DoCharType(20); break;
    default: break;
  }
}
void DoCaretLine(KxTextCommandTarget& t, long) { t.engine.SetCaretLine(!KXTE_GetCaretLine(t.engine.GetEdit())); }
void StCaretLine(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  Check(s, KXTE_GetCaretLine(t.engine.GetEdit()) != 0);
}

void DoReadOnly(KxTextCommandTarget& t, long) {
  std::uint16_t attributes = t.engine.GetAttributes();
  if (!(attributes & kKxEngineEditable)) {
    attributes |= kKxEngineEditable;
  } else if (t.engine.GetTextChanged()) {
    // Unsaved changes would be frozen out of reach of a save: refused.
    KXMessageBox::Stop(kKxStopModifiedReadOnly);
    if (t.view) t.view->UpdatePort();
    return;
  } else {
    attributes &= std::uint16_t(~kKxEngineEditable);
  }
  t.engine.SetAttributes(attributes);
  CKXTextMarkList::UpdateReadOnly();
  if (t.view) {
    std::uint8_t modified = 0;
    t.view->ListenToMessage(kKxMsgModifiedChanged, &modified);
  }
  Services().FixColmForm(t.view);
}
void StReadOnly(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { Check(s, !t.engine.IsEditable()); }
void DoSmartEdit(KxTextCommandTarget& t, long) { t.engine.SetSmartEdit(!t.engine.GetSmartEdit()); }
void StSmartEdit(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { Check(s, t.engine.GetSmartEdit()); }

// ---- Macros --------------------------------------------------------------------------------------

void DoRecord(KxTextCommandTarget&, long) {
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (recorder.IsRecording()) recorder.StopRecording();
  else recorder.StartRecording();
}
void DoRunRecorded(KxTextCommandTarget&, long) { CKXMacroRecorder::Get().RunRecordedMacro(); }
void StRunRecorded(KxTextCommandTarget&, long, KxTextCommandStatus& s) {
  const CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  EnableIf(s, recorder.HasRecordedMacro() && !recorder.IsRecording());
}
void DoUserMacro(KxTextCommandTarget&, long cmd) { CKXMacroRecorder::Get().RunUserMacro(cmd - 1149); }

// ---- Find and replace ----------------------------------------------------------------------------

// The place of the last failing find that beeped: a repeat of the same
// find there is silent. Keyed on the pattern and options as well, so that
// a failing find for a new pattern beeps.
struct FindMemo {
  bool set = false;
  SKXRange selection{-1, 0};
  bool backward = false;
  std::string pattern;
  short options = 0;
};
FindMemo sDontFind;

short FindOptions() {
  short options = Services().GetFindOptions();
  if (Services().IsShiftDown() && !Services().IsMacroRunning()) options ^= kKxFindBackward;
  return options;
}

void Find(KxTextCommandTarget& t) {
  const std::string find = Services().GetFindString();
  const short options = FindOptions();
  const SKXRange before = t.engine.GetSelectionRange();
  if (t.engine.DoFind(find.data(), long(find.size()), options)) {
    sDontFind = FindMemo{};
    return;
  }
  const bool backward = (options & kKxFindBackward) != 0;
  if (sDontFind.set && sDontFind.selection.start == before.start && sDontFind.selection.length == before.length &&
      sDontFind.backward == backward && sDontFind.pattern == find && sDontFind.options == options)
    return;
  sDontFind = FindMemo{true, before, backward, find, options};
  KxCurrentHost().Beep();
}

void Replace(KxTextCommandTarget& t) {
  const std::string find = Services().GetFindString(), repl = Services().GetReplaceString();
  const short options = FindOptions();
  if (options & kKxFindRegExp)
    t.engine.DoReplaceRE(find.data(), long(find.size()), repl.data(), long(repl.size()), options);
  else
    t.engine.DoReplace(repl.data(), long(repl.size()));
}

// Items of string list 204: a regular expression that its text makes too
// slow to match stopped a find, or a replace-all (which then changed nothing).
constexpr std::int16_t kMessageFindTooComplex = 13, kMessageReplaceAllTooComplex = 14;

void RunFindCmd(KxTextCommandTarget& t, long cmd) {
  switch (cmd) {
    case 1202: Find(t); break;
    case 1203:
    case 1204:
      if (!t.engine.IsFindSelection()) break;
      {
        const std::string s = SelectionBytes(t.engine);
        Services().SetFindString(s);
        Services().AddFindHistory(s);
        Services().ToolbarFindString(s);
        if (cmd == 1204) Services().ToolsFindString(s);
      }
      if (cmd == 1203) Find(t);
      break;
    case 1205: Replace(t); break;
    case 1206:
      Replace(t);
      Find(t);
      break;
    case 1207: {
      const std::string find = Services().GetFindString(), repl = Services().GetReplaceString();
      const long count = t.engine.DoReplaceAll(find.data(), long(find.size()), repl.data(), long(repl.size()),
                                               FindOptions() & ~kKxFindBackward);
      if (count > 0) {
        // The note is modal: the window shows the replaced text behind it.
        if (t.view) t.view->UpdatePort();
        KXMessageBox::NumNote(kKxNoteReplaced, count);
      }
      break;
    }
    case 1208:
      if (!t.engine.IsFindSelection()) break;
      {
        const std::string s = SelectionBytes(t.engine);
        Services().SetReplaceString(s);
        Services().AddReplaceHistory(s);
        Services().ToolbarFindString(s);
      }
      break;
    default: break;
  }
}

// A search ends by an exception when its expression takes too long over
// the text (the user is told: nothing was found, or nothing replaced, as a
// replace-all finds every match before it changes anything) or when the
// user stopped it (nothing to tell). Other errors go on up.
void DoFindCmd(KxTextCommandTarget& t, long cmd) {
  StFindEscape escape;
  try {
    RunFindCmd(t, cmd);
  } catch (const LException& e) {
    if (e.GetErrorCode() == kKXFindTooComplex)
      KXMessageBox::Stop(cmd == 1207 ? kMessageReplaceAllTooComplex : kMessageFindTooComplex);
    else if (e.GetErrorCode() != kKXFindCancelled)
      throw;
  }
}

void StReplace(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  const std::string find = Services().GetFindString();
  bool replaceable = false;
  try {
    replaceable = t.engine.IsReplSelection(find.data(), long(find.size()), FindOptions());
  } catch (const LException& e) {
    // A selection that the expression cannot be matched against in time is
    // no match to replace.
    if (e.GetErrorCode() != kKXFindTooComplex) throw;
  }
  EnableIf(s, replaceable);
}

// ---- Jumps, pages and marks ----------------------------------------------------------------------

void DoJumpCmd(KxTextCommandTarget& t, long cmd) { t.engine.DoJump(cmd == 1212 ? 1 : -1, 0); }
void DoBeforeRange(KxTextCommandTarget& t, long) { t.engine.DoSelection(t.engine.GetBeforeRange(), false); }
void DoPage(KxTextCommandTarget& t, long cmd) {
  const KXEditHandle e = t.engine.GetEdit();
  const long current = KXTE_GetCurPage(e);
  // The last page is the page count: the layer takes only page numbers.
  const long page = cmd == 1222 ? current - 1 : cmd == 1223 ? current + 1 : cmd == 1224 ? 1 : KXTE_GetPageCount(e);
  t.engine.SetCurPage(page);
}
void StWordServices(KxTextCommandTarget&, long, KxTextCommandStatus& s) {
  EnableIf(s, Services().CountWordServices() > 0);
}
void StMarkList(KxTextCommandTarget&, long, KxTextCommandStatus& s) { Check(s, Services().IsMarkListOpen()); }

long MarkOf(long cmd) { return cmd >= 3000 ? cmd - 2999 : cmd - 1229; }
bool MarkExists(const CKXTextEngine& e, long n) { return n >= 1 && n <= KXTE_GetMarkCount(e.GetEdit()); }
// A mark beyond the count would read as the range 0..0 and send the caret
// to the start: disabled and ignored.
void DoMark(KxTextCommandTarget& t, long cmd) {
  const long n = MarkOf(cmd);
  if (MarkExists(t.engine, n)) t.engine.DoSelection(t.engine.GetMarkRange(n), false);
}
void StMark(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) { EnableIf(s, MarkExists(t.engine, MarkOf(cmd))); }

// ---- Decorations and colours ---------------------------------------------------------------------

constexpr unsigned char kExtStyles[] = {8, 1, 2, 5, 6};  // 1303-1307

void DoExtStyleCmd(KxTextCommandTarget& t, long cmd) { t.engine.DoExtStyle(kExtStyles[cmd - 1303]); }
void StExtStyle(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short value = kExtStyles[cmd - 1303], cur = t.engine.GetCurDecoStyle();
  ValueMark(s, cur == -1, cur == value, cur == -1 && t.engine.CheckCurDecoStyle(value));
}
void StDefaultColor(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  Check(s, t.engine.GetCurFontColor() == -1);
}
void DoColor(KxTextCommandTarget& t, long cmd) {
  RGBColor c{};
  KxGetRGBColor(int(cmd - 1310), c);
  t.engine.DoFontColor(c);
}
void StColor(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short n = short(cmd - 1310), cur = t.engine.GetCurFontColor();
  ValueMark(s, cur == -2, cur == n, cur == -2 && t.engine.CheckCurFontColor(n));
}
void DoLineTypeCmd(KxTextCommandTarget& t, long cmd) { t.engine.DoLineType(static_cast<unsigned short>(cmd - 1321)); }
void StLineType(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short word = t.engine.GetCurLineStyle();
  if (cmd == 1321) return Check(s, word == 0);
  // Upper (bits 9-11), centre (6-8) and under (3-5) lines, five kinds each.
  const short group = cmd <= 1326 ? 4 : cmd <= 1331 ? 2 : 1;
  const short shift = cmd <= 1326 ? 9 : cmd <= 1331 ? 6 : 3;
  const short value = short(cmd - (cmd <= 1326 ? 1321 : cmd <= 1331 ? 1326 : 1331));
  const bool mixed = word == -1;
  ValueMark(s, mixed, !mixed && ((word >> shift) & 7) == value, mixed && t.engine.CheckCurLineStyle(group, value));
}
void DoLineColorCmd(KxTextCommandTarget& t, long cmd) {
  t.engine.DoLineColor(static_cast<unsigned short>(cmd - 1338));
}
void StLineColor(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short n = short(cmd - 1338), cur = t.engine.GetCurLineColor();
  ValueMark(s, cur == -1, cur == n, cur == -1 && t.engine.CheckCurLineColor(n));
}
short NetValue(long cmd) { return cmd == 1337 ? 11 : short(cmd - 1349); }
void DoNetStyleCmd(KxTextCommandTarget& t, long cmd) { t.engine.DoNetStyle(static_cast<unsigned char>(NetValue(cmd))); }
void StNetStyle(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short n = NetValue(cmd), cur = t.engine.GetCurNetStyle();
  ValueMark(s, cur == -1, cur == n, cur == -1 && t.engine.CheckCurNetStyle(n));
}
void DoNetColorCmd(KxTextCommandTarget& t, long cmd) {
  t.engine.DoNetColor(static_cast<unsigned char>(cmd - 1360));
}
void StNetColor(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short n = short(cmd - 1360), cur = t.engine.GetCurNetColor();
  ValueMark(s, cur == -1, cur == n, cur == -1 && t.engine.CheckCurNetColor(n));
}
void DoFontreg(KxTextCommandTarget& t, long cmd) {
  SStyl styl{};
  SDeco deco{};
  if (Services().GetFontreg(cmd - 1370, styl, deco)) t.engine.DoTextStyl(&styl, &deco);
}

// ---- View settings -------------------------------------------------------------------------------

void StPaneShown(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  Check(s, !Services().IsPaneHidden(t.view, cmd));
}
void DoViewToggle(KxTextCommandTarget& t, long cmd) {
  const KXEditHandle e = t.engine.GetEdit();
  switch (cmd) {
    case 1404: t.engine.SetCtrlView(!KXTE_GetCtrlView(e)); break;
    case 1405: t.engine.SetLineTurn(!KXTE_GetLineTurn(e)); break;
    case 1406: t.engine.SetGuideView(!KXTE_GetGuideView(e)); break;
    case 1407:
      t.engine.SetPaperView(!KXTE_GetPaperView(e));
      if (t.view && Vertical(t.engine)) {
        SPoint32 pos{};
        t.view->GetScrollPosition(pos);
        if (pos.v != 0) t.view->ScrollPinnedImageBy(0, -pos.v, true);
      }
      Services().UpdateInfoView(t.view);
      break;
    default: break;
  }
}
void StViewToggle(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const KXEditHandle e = t.engine.GetEdit();
  const bool on = cmd == 1404 ? KXTE_GetCtrlView(e) : cmd == 1405 ? KXTE_GetLineTurn(e)
                : cmd == 1406 ? KXTE_GetGuideView(e) : KXTE_GetPaperView(e);
  Check(s, on);
}
void StVertical(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { Check(s, Vertical(t.engine)); }
void StFormatBar(KxTextCommandTarget& t, long, KxTextCommandStatus& s) {
  s.enabled = Services().IsRulerShown(t.view);
  s.usesMark = true;
  s.mark = Services().IsFormatBarShown(t.view) ? kKxMarkCheck : kKxMarkNone;
}

// 1426 is 100 %, stored as 0.
constexpr short kScales[] = {25, 33, 50, 66, 75, 0, 120, 125, 133, 150, 200, 300, 400};
void DoScale(KxTextCommandTarget& t, long cmd) {
  const short percent = kScales[cmd - 1421];
  if (percent == KXTE_GetEditScale(t.engine.GetEdit())) return;
  Services().SetEditScale(t.engine, percent);
  if (t.view && Vertical(t.engine)) t.view->UpdateView();
}
void StScale(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const short percent = kScales[cmd - 1421], cur = KXTE_GetEditScale(t.engine.GetEdit());
  Check(s, percent == 0 ? cur == 0 || cur == 100 : cur == percent);
}

// The line ends, the encoding and the own format take effect when the
// document is saved next: a new choice counts as a change, so that Save is
// offered and closing asks, as a change of wrapping does.
void SaveFormChanged(KxTextCommandTarget& t) { t.engine.SetTextChanged(true); }
void DoLineEnd(KxTextCommandTarget& t, long cmd) {
  if (t.engine.GetLineEndType() == cmd - 1441) return;
  t.engine.SetLineEndType(short(cmd - 1441));
  SaveFormChanged(t);
}
void StLineEnd(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  Check(s, t.engine.GetLineEndType() == cmd - 1441);
}
void DoOwnFormat(KxTextCommandTarget& t, long) {
  t.engine.SetOwnFormat(!t.engine.GetOwnFormat());
  SaveFormChanged(t);
}
void StOwnFormat(KxTextCommandTarget& t, long, KxTextCommandStatus& s) { Check(s, t.engine.GetOwnFormat()); }
void DoEncoding(KxTextCommandTarget& t, long cmd) {
  if (t.engine.GetTextEncoding() == cmd - 1451) return;
  t.engine.SetTextEncoding(std::uint16_t(cmd - 1451));
  SaveFormChanged(t);
}
void StEncoding(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  Check(s, t.engine.GetTextEncoding() == cmd - 1451);
}

void DoWordService(KxTextCommandTarget& t, long cmd) { Services().ExecuteWordServices(cmd - 1900, t.view); }
void StForms(KxTextCommandTarget& t, long cmd, KxTextCommandStatus& s) {
  const std::int16_t item = Services().FindCustomFormItem(KXTE_GetFormStylID(t.engine.GetEdit()));
  Check(s, item > 0 && cmd == item + 1930);
}

// ---- The table -----------------------------------------------------------------------------------
// Rows without an action pass the command up; rows flagged read-only-off
// are the read-only filter.

constexpr bool kRO = true;    // disabled while read-only
constexpr bool kRefit = true; // views refit and redraw afterwards

const KxTextCommandRow kTable[] = {
    {12, 12, DoCut, StSelection, kRO, false},
    {13, 13, DoCopy, StSelection, false, false},
    {14, 14, DoPaste, StPaste, kRO, false},
    {15, 15, DoClear, StSelection, kRO, false},
    {16, 16, DoSelectAll, StEnabled, false, false},
    {235, 236, nullptr, StEnabled, false, false},
    {238, 243, nullptr, StEnabled, false, false},
    {244, 244, nullptr, StPaperView, false, false},
    {245, 254, nullptr, StEnabled, false, false},
    {301, 302, DoSizeStep, StSizeStep, kRO, false},
    {303, 303, nullptr, StEnabled, kRO, false},
    {401, 408, DoFace, StFace, kRO, false},
    {1111, 1111, DoInlineMode, StInlineMode, false, false},
    {1112, 1112, DoAutoIndent, StAutoIndent, false, false},
    {1113, 1114, DoTransform, StEnabled, kRO, kRefit},
    {1115, 1117, DoTransform, StSelection, kRO, kRefit},
    {1118, 1118, DoTransform, StNoSelection, kRO, kRefit},
    {1119, 1119, DoTransform, StEnabled, kRO, kRefit},
    {1120, 1120, DoTransform, StSelection, kRO, kRefit},
    {1122, 1122, DoCaretLine, StCaretLine, false, false},
    {1123, 1123, DoTransform, StSelection, kRO, kRefit},
    {1124, 1124, DoReadOnly, StReadOnly, false, false},
    {1125, 1125, DoSmartEdit, StSmartEdit, kRO, false},
    {1131, 1131, DoPaste, StPasteText, kRO, false},
    // 1134 changes the text's runs like 1132 and 1133: filtered with them.
    {1132, 1134, DoPasteStyleCmd, StPasteStyle, kRO, false},
    {1136, 1136, DoPageBreak, StEnabled, kRO, false},
    {1137, 1137, nullptr, StEnabled, kRO, false},
    {1138, 1140, DoPasteStamp, StEnabled, kRO, false},
    {1141, 1141, DoPasteJPEG, StEnabled, kRO, false},
    {1146, 1146, DoRecord, StEnabled, kRO, false},
    {1147, 1147, DoRunRecorded, StRunRecorded, kRO, false},
    {1150, 1199, DoUserMacro, StEnabled, kRO, false},
    {1201, 1201, nullptr, StEnabled, false, false},
    {1202, 1202, DoFindCmd, StFindString, false, false},
    {1203, 1204, DoFindCmd, StFindSelection, false, false},
    {1205, 1206, DoFindCmd, StReplace, kRO, false},
    {1207, 1207, DoFindCmd, StFindString, kRO, false},
    {1208, 1208, DoFindCmd, StFindSelection, kRO, false},
    {1209, 1209, nullptr, StEnabled, kRO, false},
    {1211, 1211, nullptr, StEnabled, false, false},
    {1212, 1213, DoJumpCmd, StEnabled, false, false},
    {1214, 1214, DoBeforeRange, StEnabled, false, false},
    {1220, 1220, nullptr, StEnabled, kRO, false},
    {1221, 1221, nullptr, StPaperView, false, false},
    {1222, 1225, DoPage, StPaperView, false, false},
    {1226, 1226, nullptr, StEnabled, false, false},
    {1227, 1227, nullptr, StWordServices, false, false},
    {1229, 1229, nullptr, StMarkList, false, false},
    {1230, 1249, DoMark, StMark, false, false},
    {1302, 1302, nullptr, [](KxTextCommandTarget& t, long, KxTextCommandStatus& s) { EnableIf(s, t.engine.CheckCurRuby()); },
     false, false},
    {1303, 1307, DoExtStyleCmd, StExtStyle, kRO, false},
    {1308, 1308, nullptr, StEnabled, false, false},
    {1309, 1309, nullptr, StDefaultColor, kRO, false},
    {1310, 1320, DoColor, StColor, kRO, false},
    {1321, 1336, DoLineTypeCmd, StLineType, kRO, false},
    {1337, 1337, DoNetStyleCmd, StNetStyle, kRO, false},
    {1338, 1348, DoLineColorCmd, StLineColor, kRO, false},
    {1349, 1359, DoNetStyleCmd, StNetStyle, kRO, false},
    {1360, 1370, DoNetColorCmd, StNetColor, kRO, false},
    {1371, 1399, DoFontreg, StEnabled, kRO, false},
    {1401, 1403, nullptr, StPaneShown, false, false},
    {1404, 1407, DoViewToggle, StViewToggle, false, false},
    {1408, 1408, nullptr, StVertical, false, false},
    {1409, 1409, nullptr, StFormatBar, false, false},
    {1410, 1411, nullptr, StEnabled, false, false},
    {1412, 1413, nullptr, StEnabled, kRO, false},
    {1416, 1417, nullptr, StEnabled, kRO, false},
    {1421, 1433, DoScale, StScale, false, false},
    {1441, 1443, DoLineEnd, StLineEnd, kRO, false},
    {1447, 1447, DoOwnFormat, StOwnFormat, kRO, false},
    {1451, 1453, DoEncoding, StEncoding, kRO, false},
    {1520, 1599, DoScrapHistory, StEnabled, kRO, false},
    {1901, 1930, DoWordService, StEnabled, kRO, false},
    // Forms lay the document out anew; the form dialog edits the list too.
    {1931, 1931, nullptr, StForms, kRO, false},
    {1932, 1932, nullptr, StForms, false, false},
    {1933, 1999, nullptr, StForms, kRO, false},
    {3000, 3999, DoMark, StMark, false, false},
};

}  // namespace

void CKXTextViewServices::Install(CKXTextViewServices* services) {
  gServices = services ? services : &gDefaultServices;
}
CKXTextViewServices& CKXTextViewServices::Get() { return *gServices; }

// The date and time as the view's GetDate and GetTime give them: from the
// program's clock, in the system's formats.
std::string CKXTextViewServices::GetDateText() {
  DateTimeRec now{};
  ::GetTime(now);
  Str255 s{};
  DateString(now, abbrevDate, s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}
std::string CKXTextViewServices::GetTimeText() {
  DateTimeRec now{};
  ::GetTime(now);
  Str255 s{};
  TimeString(now, false, s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

const KxTextCommandRow* KxTextCommandTable(std::size_t& count) {
  count = std::size(kTable);
  return kTable;
}

const KxTextCommandRow* KxFindTextCommand(long cmd) {
  const auto* end = std::end(kTable);
  const auto* row = std::lower_bound(std::begin(kTable), end, cmd,
                                     [](const KxTextCommandRow& r, long c) { return r.last < c; });
  return row != end && row->first <= cmd ? row : nullptr;
}

KxTextCommandOutcome KxObeyTextCommand(KxTextCommandTarget& target, long cmd) {
  const KxTextCommandRow* row = KxFindTextCommand(cmd);
  if (!row || !row->obey) return KxTextCommandOutcome::kPassUp;
  if (row->readOnlyOff && !target.engine.IsEditable()) return KxTextCommandOutcome::kDone;
  row->obey(target, cmd);
  if (row->refits) target.engine.BroadcastMessage(kKxMsgViewSettingsChanged, nullptr);
  return KxTextCommandOutcome::kDone;
}

KxTextCommandOutcome KxTextCommandStatusOf(KxTextCommandTarget& target, long cmd, KxTextCommandStatus& status) {
  const KxTextCommandRow* row = KxFindTextCommand(cmd);
  if (!row) return KxTextCommandOutcome::kPassUp;
  row->status(target, cmd, status);
  if (row->readOnlyOff && !target.engine.IsEditable()) status.enabled = false;
  return KxTextCommandOutcome::kDone;
}

KxTextCommandOutcome KxObeySyntheticCommand(KxTextCommandTarget& target, std::int16_t menu, std::int16_t item) {
  if (menu != kKxFontMenuID && menu != kKxSizeMenuID) return KxTextCommandOutcome::kPassUp;
  if (!target.engine.IsEditable()) return KxTextCommandOutcome::kDone;
  if (menu == kKxFontMenuID) {
    const short font = Services().GetFontNumber(item);
    if (font >= 0) target.engine.DoFontNumber(font);
  } else {
    const short size = Services().GetFontSize(item);
    if (size > 0) target.engine.DoFontSize(size);
  }
  return KxTextCommandOutcome::kDone;
}

namespace {
// The font menu's family for font number `font`: the installed family it
// draws with.
short FontMenuFamily(short font) {
  short installed = 0;
  return KxInstalledFamilyOf(HiraginoFontCheck(font), installed) ? installed : font;
}
}  // namespace

KxTextCommandOutcome KxSyntheticCommandStatus(KxTextCommandTarget& target, std::int16_t menu, std::int16_t item,
                                              KxTextCommandStatus& status) {
  if (menu == 128 || (menu >= 220 && menu <= 230)) return KxTextCommandOutcome::kPassUp;
  status = {};
  if (menu == kKxFontMenuID) {
    const short font = Services().GetFontNumber(item), cur = target.engine.GetCurFontNumber();
    // The menu lists installed families: a text in the default font (or a
    // classic number) shows under the family it draws with, as the format
    // dialogs' font pop-ups show it.
    const bool among = font >= 0 && (target.engine.CheckCurFontNumber(font) ||
                                     (FontMenuFamily(kKxSystemFont) == font && target.engine.CheckCurFontNumber(kKxSystemFont)) ||
                                     (FontMenuFamily(kKxApplicationFont) == font &&
                                      target.engine.CheckCurFontNumber(kKxApplicationFont)));
    ValueMark(status, cur == -1, font >= 0 && (cur == font || (cur >= 0 && FontMenuFamily(cur) == font)),
              cur == -1 && among);
  } else if (menu == kKxSizeMenuID) {
    const short size = Services().GetFontSize(item), cur = target.engine.GetCurFontSize();
    ValueMark(status, cur == -1, size > 0 && cur == size, cur == -1 && size > 0 && target.engine.CheckCurFontSize(size));
  } else {
    return KxTextCommandOutcome::kDone;  // any other synthetic command: disabled
  }
  if (!target.engine.IsEditable()) status.enabled = false;
  return KxTextCommandOutcome::kDone;
}

void KxResetFindMemo() { sDontFind = FindMemo{}; }

// ---- The view's two operations -------------------------------------------------------------------

bool CKXTextView::ObeyCommand(CommandT command, void* param) {
  CKXTextViewServices& services = Services();
  if (!mTextEngine || services.IsDialogOpen()) return CKXEventView::ObeyCommand(command, param);
  if (services.IsSheetOpen(this)) return true;
  KxTextCommandTarget target{*mTextEngine, this};
  std::int16_t menu = 0, item = 0;
  if (IsSyntheticCommand(command, menu, item)) {
    if (KxObeySyntheticCommand(target, menu, item) == KxTextCommandOutcome::kDone) return true;
    return CKXEventView::ObeyCommand(command, param);
  }
  // Undo would break an open composition apart.
  if (command == 11 && services.IsInlineInput(this)) return true;
  if (KxObeyTextCommand(target, command) == KxTextCommandOutcome::kDone) {
    // Wrapping or paper view switched: a text that wraps to the window
    // takes its width again.
    if (command == kCmdLineWrap || command == kCmdPaperView) FitImageToFrame();
    return true;
  }
  return CKXEventView::ObeyCommand(command, param);
}

void CKXTextView::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                    Str255 name) {
  if (!mTextEngine || Services().IsDialogOpen())
    return CKXEventView::FindCommandStatus(command, enabled, usesMark, mark, name);
  KxTextCommandTarget target{*mTextEngine, this};
  KxTextCommandStatus status;
  std::int16_t menu = 0, item = 0;
  // The items of one menu pass ask the same selection about fonts, sizes,
  // faces, colours and lines: its runs are read once for all of them.
  struct Batch {
    const CKXTextLayer& engine;
    ~Batch() { engine.SetQueryBatch(0); }
  } batch{*mTextEngine};
  mTextEngine->SetQueryBatch(LMenuBar::StatusPass());
  const KxTextCommandOutcome outcome = IsSyntheticCommand(command, menu, item)
                                           ? KxSyntheticCommandStatus(target, menu, item, status)
                                           : KxTextCommandStatusOf(target, command, status);
  if (outcome == KxTextCommandOutcome::kPassUp)
    return CKXEventView::FindCommandStatus(command, enabled, usesMark, mark, name);
  enabled = status.enabled;
  usesMark = status.usesMark;
  mark = status.mark;
}

bool CKXTextView::NameDialog() {
  constexpr ResIDT kNameLayout = 3780;
  constexpr PaneIDT kNameField = 3781;
  KXModalDialog handler(kNameLayout, this);
  LWindow* dialog = handler.GetDialog();
  if (!dialog) return false;
  auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(kNameField));
  if (!field) return false;
  // The field's typing is undone in the dialog, not later in the text.
  if (auto* box = dynamic_cast<KXDialogBox*>(dialog)) box->UndoSupport();
  const std::string stamps = Services().GetNameStamps();
  // Never half a character: the field holds fewer bytes than a stored
  // stamp may.
  const std::size_t shown = KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(stamps.data()),
                                                stamps.size(), field->GetMaxChars());
  field->SetText(stamps.data(), shown);
  field->SelectAll();
  dialog->Select();
  LCommander::SwitchTarget(field);
  for (;;) {
    const MessageT m = handler.DoDialog();
    if (m == msg_Cancel) return false;
    if (m == msg_OK) {
      // A stamp longer than the field is kept whole unless it was edited.
      if (field->GetText() != stamps.substr(0, shown)) Services().SetNameStamps(field->GetText());
      return true;
    }
  }
}

// ---- The window's bars, as the view's window holds them -------------------------------------------

namespace {
LPane* WindowPane(CKXTextView* view, PaneIDT id) {
  LWindow* w = view ? LWindow::FetchWindowOf(view) : nullptr;
  return w ? w->FindPaneByID(id) : nullptr;
}
}  // namespace

bool CKXTextViewServices::IsPaneHidden(CKXTextView* view, long cmd) {
  // 1401 the ruler, 1402 the line numbers, 1403 the status bar.
  const PaneIDT ids[3] = {kKxColmViewID, kKxLineViewID, kKxInfoViewID};
  if (cmd < kKxCmdShowRuler || cmd > kKxCmdShowStatus) return false;
  LPane* pane = WindowPane(view, ids[cmd - kKxCmdShowRuler]);
  return pane && !pane->IsVisible();
}

bool CKXTextViewServices::IsRulerShown(CKXTextView* view) {
  LPane* ruler = WindowPane(view, kKxColmViewID);
  return !ruler || ruler->IsVisible();
}

bool CKXTextViewServices::IsFormatBarShown(CKXTextView* view) {
  auto* ruler = dynamic_cast<CKXTextColmView*>(WindowPane(view, kKxColmViewID));
  return ruler && ruler->GetFormShown();
}
