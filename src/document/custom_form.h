// The page forms the user keeps: the application's side of the form table
// (its place in the preference file, the form menu, adding and deleting
// forms) and the custom page-form dialog (layout 3800) with its add/delete
// list (layout 3850), which the form logic reaches through numbered
// controls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/text_form.h"
#include "layout/text_form_util.h"
#include "views/dialog_box.h"

class CKXTextDocument;
class LCommander;
class LPane;

constexpr ResIDT kKxCustomFormLayout = 3800;
constexpr ResIDT kKxFormListLayout = 3850;
// The form dialog's panes are 3800 + control number.
constexpr PaneIDT kKxCustomFormBase = 3800;
constexpr PaneIDT kKxCustomFormOK = 3801;
constexpr PaneIDT kKxCustomFormCancel = 3802;
constexpr PaneIDT kKxCustomFormUnit = 3850;
// The add/delete list dialog.
constexpr PaneIDT kKxFormListOK = 3851;
constexpr PaneIDT kKxFormListCancel = 3852;
constexpr PaneIDT kKxFormListDelete = 3853;
constexpr PaneIDT kKxFormListRows = 3854;
constexpr PaneIDT kKxFormListName = 3855;
// Messages of the program's own texts for the forms (string list 3800).
constexpr short kKxFormTextList = 3800;
constexpr short kKxFormTextFull = 1;

class UKXTextCustomForm {
 public:
  static void Initialize();
  static void Terminate();
  // The table as the preference file's chunk holds it.
  static long GetCustomFormSize();
  static long GetCustomFormData(char* data, long size);
  static void SetCustomFormData(const char* data, long size);
  static short FindCustomFormItem(short formID);
  static short GetCustomFormCount();
  static bool GetCustomFormStyl(short item, SKXFormStyl& form);
  static bool GetCustomFormName(short item, unsigned char* name32);
  // The form menu's generated items: form n is names[n - 1] (script text),
  // the table's names, or the six built-in ones without a table; at most 67.
  static std::vector<std::string> MenuNames();
  static void UpdateMenu();

  // The ID a form added on that day takes: month x 1000 + day x 10 + 1,
  // counted up past the IDs in use.
  static short NewFormID(int month, int day);
  // Appends `form` named `name` (script text, cut to 31 bytes on a
  // character boundary) with a new ID for that day; false when the table is
  // full (nothing added).
  static bool AddNamedForm(const SKXFormStyl& form, const std::string& name, int month, int day);
  // Removes the forms at these table rows (from 1, in any order).
  static void DeleteRows(std::vector<long> rows);
  // After the table changed: dropped when empty or only the built-ins, then
  // the factory forms when it is empty and they exist.
  static void SettleTable();

  // The preference chunk's owner ("CFRT").
  static void InstallChunk(bool install);
};

// The dialog. Controls by number n are panes 3800 + n; the table of kinds
// decides which operations each answers.
class CKXTextCustomForm : public KXDialogBox, public CKXTextFormUtil {
 public:
  static constexpr OSType kClassID = FourCC("kxcu");
  explicit CKXTextCustomForm(const KxLayoutPaneRecord& record);
  ~CKXTextCustomForm() override;

  // A new dialog bound to `doc` (null: the application's default form).
  static CKXTextCustomForm* ShowCustomForm(CKXTextDocument* doc);
  // A document that goes: every dialog bound to it forgets it.
  static void DocumentClosing(CKXTextDocument* doc);
  // Closes every open dialog without applying (the program is ending).
  static void CloseAll();
  // The open dialogs, oldest first.
  static const std::vector<CKXTextCustomForm*>& OpenDialogs();

  void SetTextDoc(CKXTextDocument* doc);
  CKXTextDocument* GetTextDoc() const { return mDoc; }

  void OpenCustomForm() override;
  void CloseCustomForm(std::uint8_t apply) override;
  std::uint8_t SetGuidelineColor() override;
  void UpdateFormPopup() override;
  PointL GetFormPaperSize(short kind) override;
  void EnableControl(short n, std::uint8_t enable, std::uint8_t refresh) override;
  std::uint8_t IsEnableControl(short n) override;
  void SetValueControl(short n, long value) override;
  long GetValueControl(short n) override;
  void SetColorControl(short n, RGBColor& color) override;
  void GetColorControl(short n, RGBColor& color) override;
  void SetStringControl(short n, unsigned char* text) override;
  void SetStaticControl(short n, std::uint8_t on) override;
  std::uint8_t IsStaticControl(short n) override;
  std::uint8_t DoFormAddDelete() override;

  void ListenToMessage(MessageT message, void* param) override;
  void AttemptClose() override;
  void HostAttemptClose() override;

 protected:
  void FinishCreateSelf() override;

 private:
  LPane* Control(short n);
  bool mClosing = false;
  RGBColor mGuideColor{0, 0, 0};
  CKXTextDocument* mDoc = nullptr;
};

// What a control number is in the dialog.
enum class KxFormControlKind {
  kNone,
  kValue,     // popups, check boxes: the control value
  kNumber,    // number fields in hundredths of the unit
  kColour,    // the guide-line colour button
  kFont,      // the font popup by font number
  kInteger,   // the size field
  kSize,      // the size popup by point size
  kUnit,      // the unit caption
  kCaption,   // the per-page counts
  kLabel,     // other panes, enabled with their controls
};
KxFormControlKind KxFormControlKindOf(short n);

void KxRegisterCustomFormClasses();
