// What the text views need of the application (the font and size menus,
// the modal state, the input-method mode), installed at the area's start-up
// so that the program's views reach the real menus. Higher areas that add
// their own services (macros, tools) derive from this class.
#pragma once

#include "views/text_view_commands.h"

class CKXAppTextServices : public CKXTextViewServices {
 public:
  bool IsDialogOpen() override;
  bool GetInlineMode() override;
  void SetInlineMode(bool on) override;
  // Items of the font menu (250) and the size menu (251).
  short GetFontNumber(std::int16_t item) override;
  short GetFontSize(std::int16_t item) override;
  bool IsMarkListOpen() override;
  std::uint8_t GetPaletteByte() override;
  void SetPaletteByte(std::uint8_t value) override;
  // The function-key bar's flag and bounds in the second record.
  bool GetFunctionBarShown() override;
  void SetFunctionBarShown(bool shown) override;
  Rect GetFunctionBarBounds() override;
  void SetFunctionBarBounds(const Rect& bounds) override;
  std::string GetCommandMenuText(CommandT command) override;
  // Find and replace (text_services_find.cpp): the shared strings, cut to
  // 255 bytes on a character boundary, the histories, the options from the
  // find bytes of the preferences, the toolbar's field, the Shift key.
  std::string GetFindString() override;
  void SetFindString(const std::string& s) override;
  std::string GetReplaceString() override;
  void SetReplaceString(const std::string& s) override;
  short GetFindOptions() override;
  void AddFindHistory(const std::string& s) override;
  void AddReplaceHistory(const std::string& s) override;
  void ToolbarFindString(const std::string& s) override;
  bool IsShiftDown() override;
  // The name-stamp text of the preferences; setting it rebuilds the paste
  // items of the Edit menu.
  std::string GetNameStamps() override;
  void SetNameStamps(const std::string& s) override;
  // From the scrap book, when one is installed.
  bool GetScrapText(long n, KXTextHandle text) override;
  // The form menu's item of a form ID.
  std::int16_t FindCustomFormItem(short formID) override;
  // Registered font n (from 1): its style and decoration.
  bool GetFontreg(long n, SStyl& styl, SDeco& deco) override;
  // A JPEG file chosen in an open dialog, made a picture (the installed
  // JPEG picture maker's form, else the decoded preview alone) and
  // registered with the text store: its ID, -1 when nothing was chosen,
  // -2 when the file gives no picture.
  long ChoosePicture() override;
  // The registered spelling checkers (word_services_app.cpp).
  long CountWordServices() override;
  void ExecuteWordServices(long n, CKXTextView* view) override;
};

// Where the scrap book's clips come from (the documents area installs it;
// null: none).
using KxScrapTextSource = bool (*)(long n, KXTextHandle text);
void KxSetScrapTextSource(KxScrapTextSource source);

// Installs the application's services (or, with false, the do-nothing ones).
void KxInstallAppTextServices(bool install);
