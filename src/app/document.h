// The program's document base: how a document closes and quits (asking
// whether to save changes), how Save As asks for a file and a format and
// saves under it, how revert is confirmed, how document windows are stacked
// and tiled, and how documents are found by window, index and file.
//
// Saving is all-or-nothing for the user: a save that fails is reported, the
// document stays open and modified, and its file keeps its old contents (the
// safe writer renames the new contents over the old only once written).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/nav_dialogs.h"
#include "platform/ae/model_object.h"
#include "platform/framework/document.h"

class LWindow;

// Where stacked and tiled windows go. Pure geometry, so that the
// arrangement can be checked without windows.
struct KxTileGrid {
  int columns = 1;
  int rows = 1;
};
// Stacking: the area less 80 pixels at the bottom and 16 at the right,
// in cycles of five, each 4 pixels right and 20 down from the one before.
std::vector<Rect> KxStackLayout(const Rect& standard, int count);
// Tiling `count` windows of minimum content size (minWidth, minHeight):
// the columns and rows chosen, and each window's bounds in order; windows
// beyond the last cell start again at the first. `oneColumn`: the shift key.
// `frameHeight`: the height a window has outside its content (title bar,
// menu bar, bottom edge); 0 for the usual title bar.
KxTileGrid KxTileGridFor(const Rect& standard, int minWidth, int minHeight, int count, bool oneColumn,
                         int frameHeight = 0);
std::vector<Rect> KxTileLayout(const Rect& standard, int minWidth, int minHeight, int count, bool oneColumn,
                               int frameHeight = 0);
// A window's bounds held inside the standard area grown by 3 pixels: cut
// to its size, then moved inside.
Rect KxHoldInside(const Rect& bounds, const Rect& standard);

class CKXDocument : public LSingleDoc, public LModelObject {
 public:
  explicit CKXDocument(LCommander* super);
  ~CKXDocument() override;

  // Closing and quitting.
  void AttemptClose() override;
  // Whether the document may close: asks to save changes; false when the
  // user cancelled or the save did not happen.
  virtual bool AttemptCloseSelf();
  // `saveOption`: kKxSaveYes, kKxSaveNo or kKxSaveAsk. True (and the
  // document deleted) when it may quit.
  bool AttemptQuitSelf(OSType saveOption) override;
  // 1 save, 2 cancel, 3 don't save.
  std::int16_t AskSaveChanges(bool quitting) override;
  bool AskConfirmRevert() override;
  // Asks for a file and saves under it; true only when the user chose one
  // and the save succeeded.
  bool AskSaveAs(FSSpec& fileSpec, bool recordIt) override;
  // Saves under a new file (throws LException when the save fails, leaving
  // the document on its old file, or untitled, and modified).
  virtual void DoAESave(const FSSpec& fileSpec, OSType type);
  void MakeCurrent() override;

  // Lookups. Windows count front to back, documents in the order made;
  // indexes are 1-based, out-of-range ones give null (or 0).
  static CKXDocument* FindWindowDocument(const LWindow* window);
  static CKXDocument* FindWindowDocument(int n);
  static CKXDocument* FindIndexDocument(int n);
  static CKXDocument* FindFSSpecDocument(const FSSpec& fileSpec);
  static int FindWindowIndex(const LWindow* window);
  // The next document in the list (the one before with `backward`),
  // wrapping around at either end.
  virtual CKXDocument* FindNextDocument(bool backward);

  // Arrangement of every document window (this one made current after).
  virtual void TileWindow(bool oneColumn);
  virtual void StackWindow();
  virtual void DoSetBounds(const Rect& bounds);
  // The area windows are arranged in: the host's screen.
  virtual Rect GetStandardArea() const;

  virtual bool GetFileSpec(FSSpec& fileSpec) const;
  virtual bool IsEditable() const { return true; }
  virtual OSType GetFileCreator() const { return FourCC("KXAP"); }
  // kind 1: stationery, 2: read-only, else the editable type.
  virtual OSType GetFileTypeAs(int kind) const;
  OSType GetFileType() const override { return GetFileTypeAs(0); }
  // The file's name (UTF-8) when there is a file, else the window's title.
  virtual std::string CopyCFDescriptor() const;
  // Lets a document adjust the chosen name and type before saving.
  virtual void CheckSaveAs(FSSpec& /*fileSpec*/, OSType& /*type*/) {}
  // The Save As format items (none by default) and the one shown first.
  virtual std::vector<NavMenuItemSpec> GetSaveAsMenuItem(std::int32_t& selected) const;
  // The type of the index-th item (1-based); "TEXT" outside them.
  static OSType GetFileTypeFrom(const std::vector<NavMenuItemSpec>& items, std::int32_t index);
  // The extras of the Save As dialog (none by default), given the formats.
  virtual std::unique_ptr<KxNavExtras> MakeSaveExtras(const std::vector<NavMenuItemSpec>& /*formats*/) {
    return nullptr;
  }

  // The open dialog for files of `types`; several files chosen open
  // through one open-documents event. True when one file was chosen.
  static bool GetFileDialog(const std::vector<OSType>& types, FSSpec& outSpec, OSType& outType);
  static std::int32_t GetFileDialogFilterIndex() { return gNavPopupMenuSelectIndex; }

  // Scripting. The window's properties answer for the document: "pbnd"
  // (a list of left, top, right, bottom), "ppos" (left, top), "pvis",
  // "pzum", "prsz", "iszm", "hclb", "isfl", "ptit", "pmod"; "pidx" is the
  // window's index among document windows. A document with a window is
  // named by that index.
  void GetAEProperty(DescType property, const AEDesc& requestedType, AEDesc& outValue) override;
  void SetAEProperty(DescType property, const AEDesc& value, AEDesc& outResult) override;
  void MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) override;

  bool IsDialogOpen() const { return mDialogOpen; }
  bool GetStationery() const { return mStationery; }

  // The text of the failure report of a save (UTF-8).
  static std::string SaveFailureText(const std::string& name, long err);

 protected:
  // Tells the user that saving failed: into this document's file, or into
  // the file `name` a Save As chose.
  void ReportSaveFailure(long err) { ReportSaveFailureAs(TitleUTF8(), err); }
  virtual void ReportSaveFailureAs(const std::string& name, long err);

 private:
  friend class CKXNavDialogHandler;
  // The name the questions and the save dialog show; a document that keeps
  // its name in UTF-8 answers it whole, past what a menu string can spell.
  virtual std::string TitleUTF8() const;
  KxWindowID HostWindow() const;
  // The save of a close or quit: DoSave, else Save As; false when the
  // document was not saved.
  bool SaveForClose();

  bool mStationery = false;   // the next created file is stationery
  bool mDialogOpen = false;   // a dialog of this document is showing
};

// While a dialog of a document shows: the document's dialog flag is set (a
// second one is refused), and the handler is the target, so that no menu
// command but the dialog's own runs behind it.
class CKXNavDialogHandler : public LCommander {
 public:
  explicit CKXNavDialogHandler(CKXDocument* document);
  ~CKXNavDialogHandler() override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  bool ObeyCommand(CommandT command, void* param) override;
  // Keys do not reach the document behind the dialog.
  bool HandleKeyPress(const EventRecord& /*event*/) override { return true; }

  // The one command that stays enabled while a dialog shows.
  static constexpr CommandT kKxDialogCommand = -8388608;

 private:
  CKXDocument* mDocument;
};

// The application's name as dialogs show it (UTF-8).
std::string KxApplicationName();
