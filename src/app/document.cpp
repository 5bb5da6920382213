#include "app/document.h"

#include "views/dialog_box.h"
#include "views/text_window.h"

#include <algorithm>

#include "platform/ae/specifier.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/framework/dialog.h"
#include "platform/framework/window.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "app/nav_extras.h"
#include "app/recent_menu.h"

namespace {

constexpr OSType kTypeText = FourCC("TEXT");
constexpr OSType kTypeStationery = FourCC("sEXT");
constexpr OSType kTypeReadOnly = FourCC("ttro");
constexpr int kFileTypeStationery = 1;
constexpr int kFileTypeReadOnly = 2;

// Stacking: the margin left free below and right of the stack, the
// offset of each window from the one before, and the windows per cycle.
constexpr int kStackBottomMargin = 80;
constexpr int kStackRightMargin = 16;
constexpr int kStackStepRight = 4;
constexpr int kStackStepDown = 20;
constexpr int kStackCycle = 5;
// Tiling: the window frame around the content (title bar and sides).
constexpr int kFrameHeight = 21;
constexpr int kFrameWidth = 3;
// How far a window may lie outside the standard area.
constexpr int kBoundsSlack = 3;
// Below this the function-key bar's room is not taken: the documents
// would have no height left.
constexpr int kMinStandardHeight = 100;

// The application's name: message list 200 item 1.
constexpr short kKxAppTextsList = 200;
constexpr short kKxAppNameItem = 1;

std::int16_t S16(int v) { return std::int16_t(std::clamp(v, -32768, 32767)); }

Rect MakeRect(int top, int left, int bottom, int right) { return Rect{S16(top), S16(left), S16(bottom), S16(right)}; }

std::vector<CKXDocument*> Documents() {
  std::vector<CKXDocument*> out;
  for (LDocument* d : LDocument::GetDocumentList())
    if (auto* doc = dynamic_cast<CKXDocument*>(d)) out.push_back(doc);
  return out;
}

// Document windows in front-to-back order, with their documents.
std::vector<CKXDocument*> DocumentsFrontToBack() {
  std::vector<CKXDocument*> out;
  const std::vector<CKXDocument*> docs = Documents();
  for (KxWindowID id : KxCurrentHost().WindowList())
    for (CKXDocument* doc : docs)
      if (doc->GetWindow() && doc->GetWindow()->GetHostWindow() == id) out.push_back(doc);
  return out;
}

std::string P2S(ConstStringPtr p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

}  // namespace

std::string KxApplicationName() {
  Str255 name;
  GetIndString(name, kKxAppTextsList, kKxAppNameItem);
  return name[0] ? KxScriptTextToUTF8(P2S(name)) : std::string("kxtext");
}

// ---- Geometry

std::vector<Rect> KxStackLayout(const Rect& standard, int count) {
  const Rect area = MakeRect(standard.top, standard.left, standard.bottom - kStackBottomMargin,
                             standard.right - kStackRightMargin);
  std::vector<Rect> out;
  for (int i = 0; i < count; ++i) {
    const int k = i % kStackCycle;
    out.push_back(MakeRect(area.top + kStackStepDown * k, area.left + kStackStepRight * k,
                           area.bottom + kStackStepDown * k, area.right + kStackStepRight * k));
  }
  return out;
}

KxTileGrid KxTileGridFor(const Rect& standard, int minWidth, int minHeight, int count, bool oneColumn,
                         int frameHeight) {
  if (frameHeight <= 0) frameHeight = kFrameHeight;
  const int minW = minWidth + kFrameWidth, minH = minHeight + frameHeight;
  const int areaW = standard.right - standard.left;
  const int areaH = standard.bottom + frameHeight - standard.top;
  const int maxRows = std::max(1, minH > 0 ? areaH / minH : 1);
  const int maxCols = std::max(1, minW > 0 ? areaW / minW : 1);
  const int n = std::max(count, 1);
  int cols;
  if (n == 1 || maxCols == 1)
    cols = 1;
  else if (n <= 2 * maxRows || maxCols == 2)
    cols = 2;
  else if (n <= 3 * maxRows)
    cols = 3;
  else if (maxCols >= 4 && n <= 4 * maxRows)
    cols = 4;
  else
    cols = maxCols > 4 ? 5 : maxCols;
  if (oneColumn && n > 1) cols = 1;
  const int rows = std::min(maxRows, (n + cols - 1) / cols);
  return KxTileGrid{cols, rows};
}

std::vector<Rect> KxTileLayout(const Rect& standard, int minWidth, int minHeight, int count, bool oneColumn,
                               int frameHeight) {
  if (frameHeight <= 0) frameHeight = kFrameHeight;
  const KxTileGrid grid = KxTileGridFor(standard, minWidth, minHeight, count, oneColumn, frameHeight);
  const int areaW = standard.right - standard.left;
  const int areaH = standard.bottom + frameHeight - standard.top;
  const int cellW = areaW / grid.columns, cellH = areaH / grid.rows;
  const int cells = grid.columns * grid.rows;
  std::vector<Rect> out;
  for (int i = 0; i < count; ++i) {
    const int cell = i % cells;
    const int top = standard.top + (cell / grid.columns) * cellH;
    const int left = standard.left + (cell % grid.columns) * cellW;
    out.push_back(MakeRect(top, left, top + cellH - frameHeight, left + cellW - kFrameWidth));
  }
  return out;
}

Rect KxHoldInside(const Rect& bounds, const Rect& standard) {
  const int aTop = standard.top - kBoundsSlack, aLeft = standard.left - kBoundsSlack;
  const int aBottom = standard.bottom + kBoundsSlack, aRight = standard.right + kBoundsSlack;
  int top = bounds.top, left = bounds.left;
  int width = std::min(bounds.right - bounds.left, aRight - aLeft);
  int height = std::min(bounds.bottom - bounds.top, aBottom - aTop);
  if (left < aLeft) left = aLeft;
  if (top < aTop) top = aTop;
  if (left + width > aRight) left = aRight - width;
  if (top + height > aBottom) top = aBottom - height;
  return MakeRect(top, left, top + height, left + width);
}

// ---- CKXDocument

namespace {
// The document's class and the properties its window answers.
constexpr DescType kClassDocument = FourCC("docu");
constexpr DescType kPropBounds = FourCC("pbnd");
constexpr DescType kPropPosition = FourCC("ppos");
constexpr DescType kPropVisible = FourCC("pvis");
constexpr DescType kPropZoomed = FourCC("pzum");
constexpr DescType kPropResizable = FourCC("prsz");
constexpr DescType kPropZoomable = FourCC("iszm");
constexpr DescType kPropCloseable = FourCC("hclb");
constexpr DescType kPropFloating = FourCC("isfl");
constexpr DescType kPropTitle = FourCC("ptit");
constexpr DescType kPropModified = FourCC("pmod");
constexpr DescType kPropIndex = FourCC("pidx");
constexpr DescType kPropName = FourCC("pnam");

AEDesc LongList(std::initializer_list<int> values) {
  AEDesc list = AEDesc::MakeList();
  for (int v : values) list.Append(AEDesc::FromLong(v));
  return list;
}
// The 1-based item of a list of numbers.
int ListLong(const AEDesc& list, long index) { return list.GetNthDesc(index, typeLongInteger).AsLong(); }
}  // namespace

CKXDocument::CKXDocument(LCommander* super) : LSingleDoc(super), LModelObject(nullptr, kClassDocument) {}
CKXDocument::~CKXDocument() = default;

std::string CKXDocument::TitleUTF8() const {
  Str255 title;
  GetDescriptor(title);
  return KxScriptTextToUTF8(P2S(title));
}

KxWindowID CKXDocument::HostWindow() const { return mWindow ? mWindow->GetHostWindow() : kKxNoWindow; }

std::string CKXDocument::SaveFailureText(const std::string& name, long err) {
  std::string why = err > 0 ? KxErrorText(int(err)) : "エラー " + std::to_string(err);
  return "書類\u300C" + name + "\u300Dを保存できませんでした (" + why + ")。書類は変更を保ったまま開いています。";
}

void CKXDocument::ReportSaveFailureAs(const std::string& name, long err) {
  KxCurrentHost().Alert(KxAlertKind::kStop, SaveFailureText(name, err));
}

void CKXDocument::AttemptClose() {
  if (AttemptCloseSelf()) Close();
}

bool CKXDocument::SaveForClose() {
  // A save whose file could not hold everything leaves the document
  // changed: it stays open with what only its window still has.
  if (IsSpecified() && mFile) {
    try {
      DoSave();
      return !IsModified();
    } catch (const LException& e) {
      ReportSaveFailure(e.GetErrorCode());
    }
    // Offer another file, as for an untitled document.
  }
  FSSpec fileSpec;
  return AskSaveAs(fileSpec, false) && !IsModified();
}

bool CKXDocument::AttemptCloseSelf() {
  if (!IsModified()) return true;
  switch (AskSaveChanges(false)) {
    case kKxSaveChangesSave: return SaveForClose();
    case kKxSaveChangesDontSave: return true;
    default: return false;
  }
}

bool CKXDocument::AttemptQuitSelf(OSType saveOption) {
  // A dialog of this document is showing: its handler lives on the stack
  // of the operation that asked, and would outlive the document. The quit
  // is refused, as when the user cancels it. So it is while any alert
  // shows: the operation that raised it (an open that failed, a save)
  // may hold this document.
  if (mDialogOpen || KxCurrentHost().ShowingModal()) return false;
  if (!IsModified() || saveOption == kKxSaveNo) {
    delete this;
    return true;
  }
  if (saveOption == kKxSaveAsk) {
    switch (AskSaveChanges(true)) {
      case kKxSaveChangesCancel: return false;
      case kKxSaveChangesDontSave: delete this; return true;
      default: break;
    }
  }
  if (!SaveForClose()) return false;
  delete this;
  return true;
}

std::int16_t CKXDocument::AskSaveChanges(bool quitting) {
  if (mDialogOpen) return kKxSaveChangesCancel;
  const std::string title = TitleUTF8();
  MakeCurrent();
  CKXNavDialogHandler handler(this);
  return UNavigationServices::AskSaveChanges(HostWindow(), title, KxApplicationName(), quitting);
}

bool CKXDocument::AskConfirmRevert() {
  if (mDialogOpen) return false;
  CKXNavDialogHandler handler(this);
  return UNavigationServices::AskDiscardChanges(HostWindow(), TitleUTF8(), KxApplicationName()) == 1;
}

bool CKXDocument::AskSaveAs(FSSpec& fileSpec, bool /*recordIt*/) {
  if (mDialogOpen) return false;
  OSType type = GetFileTypeAs(IsEditable() ? 0 : kFileTypeReadOnly);
  std::int32_t selected = 0;
  const std::vector<NavMenuItemSpec> items = GetSaveAsMenuItem(selected);
  bool replacing = false, stationery = false;
  OSErr err;
  {
    CKXNavDialogHandler handler(this);
    std::unique_ptr<KxNavExtras> extras = MakeSaveExtras(items);
    err = UNavigationServices::SaveFileDialog(HostWindow(), TitleUTF8(), KxApplicationName(), type,
                                              GetFileCreator(), extras.get(), fileSpec, replacing, stationery, items,
                                              &selected);
  }
  if (err == kKxUserCanceled) return false;
  if (err == kKxBadNameErr) {
    // Nothing was written: the name is at fault, not the document.
    KxCurrentHost().Alert(KxAlertKind::kStop, "書類\u300C" + TitleUTF8() +
                                                  "\u300Dは保存しませんでした。ファイル名は 255 バイトまでで、"
                                                  "\u300C.\u300Dや\u300C..\u300Dにはできません。");
    return false;
  }
  if (err != noErr) {
    ReportSaveFailure(err);
    return false;
  }
  if (!items.empty() && selected > 0) type = GetFileTypeFrom(items, selected);
  if (stationery) mStationery = true;
  // A file being replaced stays until the new contents are written: the
  // save renames them over it.
  CheckSaveAs(fileSpec, type);
  // Two windows on one file: whichever saved last would silently undo the
  // other's changes.
  if (CKXDocument* other = FindFSSpecDocument(fileSpec); other && other != this) {
    KxCurrentHost().Alert(KxAlertKind::kStop, "\u300C" + fileSpec.name +
                                                  "\u300Dは別のウインドウで開いています。先にそのウインドウを"
                                                  "閉じるか、別の名前を選んでください。");
    return false;
  }
  try {
    DoAESave(fileSpec, type);
  } catch (const LException& e) {
    // The file that could not be written is the one chosen, not the old one.
    ReportSaveFailureAs(fileSpec.name, e.GetErrorCode());
    return false;
  }
  // The file chosen joins the recent list, as a file opened does.
  URecentMenu::SetRecentPath(fileSpec.Path());
  return true;
}

void CKXDocument::DoAESave(const FSSpec& fileSpec, OSType type) {
  std::unique_ptr<LFile> oldFile = std::move(mFile);
  const bool wasSpecified = IsSpecified();
  const std::string path = fileSpec.Path();
  const bool exists = KxPathExists(path);
  if (type == kKxAnyType) type = GetFileTypeAs(IsEditable() ? 0 : kFileTypeReadOnly);
  mFile = std::make_unique<LFile>(fileSpec);
  // Not specified: the save makes no backup of another file.
  SetSpecified(false);
  try {
    DoSave();
  } catch (...) {
    mFile = std::move(oldFile);
    SetSpecified(wasSpecified);
    throw;
  }
  SetSpecified(true);
  if (!exists) {
    // A new file is typed by its name; a type the name does not imply
    // (read-only, stationery) goes into its sidecar.
    if (mStationery) type = kTypeStationery;
    mStationery = false;
    if (type != kTypeText && KxTypeFromNameEnding(fileSpec.name) != type) KxSetFileTypeCreator(path, type, GetFileCreator());
  }
}

void CKXDocument::MakeCurrent() {
  if (!mWindow) return;
  if (!mWindow->IsFront()) mWindow->Select();
  mWindow->RestoreTarget();
}

CKXDocument* CKXDocument::FindWindowDocument(const LWindow* window) {
  if (!window) return nullptr;
  for (CKXDocument* doc : Documents())
    if (doc->GetWindow() == window) return doc;
  return nullptr;
}

CKXDocument* CKXDocument::FindWindowDocument(int n) {
  const std::vector<CKXDocument*> docs = DocumentsFrontToBack();
  return n >= 1 && std::size_t(n) <= docs.size() ? docs[std::size_t(n) - 1] : nullptr;
}

CKXDocument* CKXDocument::FindIndexDocument(int n) {
  const std::vector<CKXDocument*> docs = Documents();
  return n >= 1 && std::size_t(n) <= docs.size() ? docs[std::size_t(n) - 1] : nullptr;
}

CKXDocument* CKXDocument::FindFSSpecDocument(const FSSpec& fileSpec) {
  for (CKXDocument* doc : Documents())
    if (doc->UsesFileSpec(fileSpec)) return doc;
  return nullptr;
}

int CKXDocument::FindWindowIndex(const LWindow* window) {
  const std::vector<CKXDocument*> docs = DocumentsFrontToBack();
  for (std::size_t i = 0; i < docs.size(); ++i)
    if (docs[i]->GetWindow() == window) return int(i) + 1;
  return 0;
}

CKXDocument* CKXDocument::FindNextDocument(bool backward) {
  const std::vector<CKXDocument*> docs = Documents();
  const auto it = std::find(docs.begin(), docs.end(), this);
  if (it == docs.end()) return nullptr;
  const std::size_t i = std::size_t(it - docs.begin()), n = docs.size();
  return docs[backward ? (i + n - 1) % n : (i + 1) % n];
}

Rect CKXDocument::GetStandardArea() const {
  // Documents stand clear of the tool palette's strip or column.
  // The palette's room counts from the work area's edge; a window's
  // content stands as far inside its own frame as the screen bounds are
  // inside the work area.
  KxHost& host = KxCurrentHost();
  Rect area = host.GetScreenBounds();
  const Rect work = host.GetWorkArea();
  const Point palette = KxPaletteSpace();
  const int top = work.top + palette.v + (area.top - work.top), left = work.left + palette.h + (area.left - work.left);
  if (palette.v > 0 && area.bottom - top > palette.v) area.top = std::int16_t(std::max<int>(area.top, top));
  if (palette.h > 0 && area.right - left > palette.h) area.left = std::int16_t(std::max<int>(area.left, left));
  // The function-key bar's row stays free as it does for a zoomed window;
  // a bar above the documents lies in the palette's strip when there is one.
  Rect bar{};
  const KxTextWindowHooks& hooks = KxGetTextWindowHooks();
  if (hooks.functionBarBounds && hooks.functionBarBounds(bar) && !(palette.v > 0 && bar.top < area.top)) {
    const Rect room = KxLeaveRoomForPalettes(area, SDimension32{0, 0}, true, bar);
    if (room.bottom - room.top >= kMinStandardHeight) area = room;
  }
  return area;
}

void CKXDocument::DoSetBounds(const Rect& bounds) {
  if (mWindow) mWindow->DoSetBounds(KxHoldInside(bounds, GetStandardArea()));
}

void CKXDocument::StackWindow() {
  std::vector<CKXDocument*> docs;
  for (CKXDocument* doc : Documents())
    if (doc->GetWindow()) docs.push_back(doc);
  const std::vector<Rect> places = KxStackLayout(GetStandardArea(), int(docs.size()));
  for (std::size_t i = 0; i < docs.size(); ++i) docs[i]->DoSetBounds(places[i]);
  MakeCurrent();
}

void CKXDocument::TileWindow(bool oneColumn) {
  std::vector<CKXDocument*> docs;
  for (CKXDocument* doc : Documents())
    if (doc->GetWindow()) docs.push_back(doc);
  if (docs.empty() || !mWindow) return;
  Rect minMax;
  mWindow->GetMinMaxSize(minMax);
  // A host whose windows carry a menu bar of their own (or a taller title
  // bar) reports it in the frame: each row leaves that much room above
  // the next, or a window would cover the title bar below it.
  KxHost& host = KxCurrentHost();
  const Rect frame = host.GetWindowFrame(mWindow->GetHostWindow());
  const Rect content = host.GetWindowBounds(mWindow->GetHostWindow());
  const int frameHeight = std::max(0, (content.top - frame.top) + (frame.bottom - content.bottom));
  const std::vector<Rect> places =
      KxTileLayout(GetStandardArea(), minMax.left, minMax.top, int(docs.size()), oneColumn,
                   std::max(frameHeight, kFrameHeight));
  for (std::size_t i = 0; i < docs.size(); ++i) docs[i]->DoSetBounds(places[i]);
  MakeCurrent();
}

void CKXDocument::GetAEProperty(DescType property, const AEDesc& requestedType, AEDesc& outValue) {
  if (property == kPropIndex) {
    outValue = AEDesc::FromLong(FindWindowIndex(mWindow));
    return;
  }
  if (mWindow) {
    const Rect b = mWindow->GetGlobalBounds();
    Str255 title;
    switch (property) {
      case kPropBounds: outValue = LongList({b.left, b.top, b.right, b.bottom}); return;
      case kPropPosition: outValue = LongList({b.left, b.top}); return;
      case kPropVisible:
      case kPropResizable:
      case kPropZoomable:
      case kPropCloseable: outValue = AEDesc::FromBoolean(true); return;
      case kPropFloating: outValue = AEDesc::FromBoolean(false); return;
      case kPropZoomed: outValue = AEDesc::FromBoolean(mWindow->IsZoomed()); return;
      case kPropModified: outValue = AEDesc::FromBoolean(IsModified()); return;
      case kPropTitle:
        mWindow->GetDescriptor(title);
        outValue = AEDesc::FromText(P2S(title));
        return;
      default: break;
    }
  }
  LModelObject::GetAEProperty(property, requestedType, outValue);
}

void CKXDocument::SetAEProperty(DescType property, const AEDesc& value, AEDesc& outResult) {
  if (!mWindow) {
    LModelObject::SetAEProperty(property, value, outResult);
    return;
  }
  const Rect b = mWindow->GetGlobalBounds();
  switch (property) {
    case kPropBounds:
      if (value.CountItems() != 4) throw LException(errAEWrongDataType);
      DoSetBounds(MakeRect(ListLong(value, 2), ListLong(value, 1), ListLong(value, 4), ListLong(value, 3)));
      return;
    case kPropPosition: {
      if (value.CountItems() != 2) throw LException(errAEWrongDataType);
      const int left = ListLong(value, 1), top = ListLong(value, 2);
      DoSetBounds(MakeRect(top, left, top + b.bottom - b.top, left + b.right - b.left));
      return;
    }
    case kPropZoomed: mWindow->DoSetZoom(value.AsBoolean()); return;
    case kPropVisible: return;   // document windows are always shown
    case kPropName: {
      const std::string text = value.AsText();
      // Refused rather than cut, which could split a character.
      if (text.size() > 255) throw LException(errAEWrongDataType);
      Str255 title;
      title[0] = std::uint8_t(text.size());
      std::copy_n(text.data(), title[0], title + 1);
      mWindow->SetDescriptor(title);
      return;
    }
    default: LModelObject::SetAEProperty(property, value, outResult);
  }
}

void CKXDocument::MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) {
  if (mWindow) {
    outSpecifier = AEMakeIndexSpecifier(kClassDocument, container, FindWindowIndex(mWindow));
    return;
  }
  LModelObject::MakeSelfSpecifier(container, outSpecifier);
}

bool CKXDocument::GetFileSpec(FSSpec& fileSpec) const {
  if (!mFile) return false;
  fileSpec = mFile->GetFileSpec();
  return true;
}

OSType CKXDocument::GetFileTypeAs(int kind) const {
  switch (kind) {
    case kFileTypeStationery: return kTypeStationery;
    case kFileTypeReadOnly: return kTypeReadOnly;
    default: return kTypeText;
  }
}

std::string CKXDocument::CopyCFDescriptor() const {
  if (IsSpecified() && mFile) return mFile->GetFileSpec().name;
  return TitleUTF8();
}

std::vector<NavMenuItemSpec> CKXDocument::GetSaveAsMenuItem(std::int32_t& selected) const {
  selected = 0;
  return {};
}

OSType CKXDocument::GetFileTypeFrom(const std::vector<NavMenuItemSpec>& items, std::int32_t index) {
  if (index < 1 || std::size_t(index) > items.size()) return kTypeText;
  return items[std::size_t(index) - 1].menuType;
}

bool CKXDocument::GetFileDialog(const std::vector<OSType>& types, FSSpec& outSpec, OSType& outType) {
  gNavPopupMenuSelectIndex = 0;
  // The format filters always; the encoding popup as the preference says.
  KxOpenNavExtras extras(true, KxUseCustomNavigation());
  return UNavigationServices::OpenFileDialog(KxApplicationName(), FourCC("KXTE"), types, &extras, outSpec, outType,
                                             false) == noErr;
}

// ---- CKXNavDialogHandler

CKXNavDialogHandler::CKXNavDialogHandler(CKXDocument* document) : LCommander(document), mDocument(document) {
  mDocument->mDialogOpen = true;
  SwitchTarget(this);
}

CKXNavDialogHandler::~CKXNavDialogHandler() {
  mDocument->mDialogOpen = false;
  if (GetTarget() != this) return;
  // Back to the document's window (the commander that was the target may
  // have gone while the dialog showed; the document cannot have).
  if (LWindow* window = mDocument->GetWindow())
    window->RestoreTarget();
  else
    SwitchTarget(mDocument);
}

void CKXNavDialogHandler::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark,
                                            std::uint16_t& mark, Str255 name) {
  if (command == kKxDialogCommand) {
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
    return;
  }
  enabled = false;
}

bool CKXNavDialogHandler::ObeyCommand(CommandT command, void* param) {
  if (command == kKxDialogCommand) return LCommander::ObeyCommand(command, param);
  return true;   // nothing runs behind the dialog
}
