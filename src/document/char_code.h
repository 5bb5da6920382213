// The character code table: a small window over a document that shows the
// 256 single-byte codes of the document's current font as a 16 x 16 grid;
// a click on an enabled cell types that code into the document. Every
// command 1137 opens a new table.
#pragma once

#include <array>
#include <cstdint>
#include <set>

#include "platform/framework/broadcaster.h"
#include "platform/framework/view.h"
#include "views/dialog_box.h"

class CKXTextDocument;
class LCommander;

constexpr std::int16_t kKxCharCodeLayout = 3770;
constexpr PaneIDT kKxCharGrid = 3771;     // the grid; also its message
constexpr PaneIDT kKxCharFontName = 3773; // the font's name

// The grid ("kxc2"). Code c lies in column c / 16 and row c % 16.
class CKXTextCharView : public LView, public LBroadcaster {
 public:
  static constexpr OSType kClassID = FourCC("kxc2");
  static constexpr int kCells = 16;
  static constexpr short kGridFontSize = 12;

  explicit CKXTextCharView(const KxLayoutPaneRecord& record);

  void SetFont(short font) { mFont = font; }
  short GetFont() const { return mFont; }
  std::int16_t GetCellSize() const { return mCellSize; }
  bool IsCodeEnabled(int code) const { return code >= 0 && code < 256 && mEnabled[std::size_t(code)]; }
  std::uint8_t GetLastCode() const { return mLastCode; }

  // The cell size from the font's metrics, the frame fitted to it, and
  // the enabled codes (control codes only with Option held).
  void InitCharView();
  // Which codes a font of `script` offers: code 0, 127 and every byte that
  // starts a double-byte character of the script are never enabled; the
  // control codes 1-31 (except 8, 9, 13 and 17-20) only with `controls`.
  static std::array<bool, 256> EnabledCodes(short script, bool controls);
  // The code of a local point (-1 outside the grid); the cell of a code.
  int CodeAt(const SPoint32& local) const;
  RectL CellRect(int code) const;

  void DrawSelf() override;
  void ClickSelf(const SMouseDownEvent& event) override;
  // The cell size, and the enabled codes as hexadecimal ranges ("20-7E A1").
  std::int32_t GetValue() const override { return mCellSize; }
  void GetDescriptor(Str255 out) const override;

 private:
  void DrawCell(int code);
  void InvertCell(int code);

  short mFont = 1;
  std::int16_t mCellSize = 20;
  std::array<bool, 256> mEnabled{};
  std::uint8_t mLastCode = 32;
};

// The window ("kxc1").
class CKXTextCharCode : public KXDialogBox {
 public:
  static constexpr OSType kClassID = FourCC("kxc1");
  explicit CKXTextCharCode(const KxLayoutPaneRecord& record);
  ~CKXTextCharCode() override;

  // A new table for `super` (its document when it is one), placed and shown.
  static CKXTextCharCode* ShowCharCode(LCommander* super);
  static CKXTextCharCode* GetNewest() { return sCharCode; }
  // A closing document leaves every table that types into it.
  static void DocumentClosing(CKXTextDocument* doc);
  // Closes every table (the program quits).
  static void CloseAll();
  static const Rect& GetSavedBounds() { return sBounds; }
  static void ForgetSavedBounds() { sBounds = Rect{0, 0, 0, 0}; }

  void SetTextDoc(CKXTextDocument* doc);
  CKXTextDocument* GetTextDoc() const { return mDoc; }
  CKXTextCharView* GetCharView() const { return mView; }
  // Types the grid's last code into the document.
  void ListenToMessage(MessageT message, void* param) override;
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;

 protected:
  void FinishCreateSelf() override;

 private:
  CKXTextDocument* mDoc = nullptr;
  CKXTextCharView* mView = nullptr;

  static CKXTextCharCode* sCharCode;
  static Rect sBounds;
  static std::set<CKXTextCharCode*>& Open();
};
