// The logic of the custom page-form dialog, over numbered controls that a
// deriving dialog class maps to its panes. The control operations do
// nothing here; the dialog supplies them (and tests supply a fake).
//
// Lengths pass through the controls in tenths of the measuring unit.
#pragma once

#include <cstdint>

#include "layout/text_form.h"

class CKXTextFormUtil {
 public:
  enum Control : short {
    kAddDelete = 3,
    kSave = 4,
    kFactory = 5,
    kFormMenu = 6,
    kOwnPaper = 8,
    kPaperKind = 9,
    kPaperHeight = 10,
    kPaperWidth = 11,
    kMarginTop = 12,
    kMarginBottom = 13,
    kMarginLeft = 14,
    kMarginRight = 15,
    kCenterGapOn = 16,
    kCenterGap = 17,
    kColumns = 18,
    kColumnGap = 19,
    kLeftIndent = 20,
    kFirstIndent = 21,
    kRightIndent = 22,
    kOwnView = 24,
    kVertical = 25,
    kPaperView = 26,
    kFixedLineOn = 27,
    kLinePitch = 28,
    kFixedCharOn = 29,
    kCharPitch = 30,
    kGuideView = 31,
    kGuideStyle = 32,
    kGuideColor = 33,
    kGuideFlag1 = 34,
    kGuideFlag2 = 35,
    kFixedFontOn = 36,
    kFontMenu = 37,
    kFontSize = 38,
    kSizeMenu = 39,
    kLinesText = 68,  // lines per page, beside the line pitch
    kCharsText = 70,  // characters per line, beside the character pitch
  };
  // Which field CheckMargin was called for.
  enum Margin : short { kNone = 0, kTop = 1, kBottom = 2, kLeft = 3, kRight = 4, kGap = 5 };
  enum Indent : short { kIndentAny = 0, kIndentLeft = 1, kIndentFirst = 2, kIndentRight = 3 };

  // Paper sides the dialog accepts; usable areas, columns and lines keep
  // at least these widths.
  static constexpr long kMaxPaperSide = 1616;
  static constexpr long kMinUsable = 85;
  static constexpr long kDefaultColumnGap = 15;
  static constexpr long kDefaultLinePitch = 30;
  static constexpr long kDefaultCharPitch = 20;

  explicit CKXTextFormUtil(short unit = 0);
  virtual ~CKXTextFormUtil() = default;

  virtual void OpenCustomForm();
  // Reads the controls back and settles the form to hand to the document.
  virtual void CloseCustomForm(std::uint8_t apply);
  // Refreshes the colour sample; answers whether the colour changed.
  virtual std::uint8_t SetGuidelineColor() { return 0; }
  virtual void UpdateFormPopup() {}
  virtual PointL GetFormPaperSize(short kind) { return KxFormPaperSize(kind); }
  virtual void EnableControl(short /*id*/, std::uint8_t /*enable*/, std::uint8_t /*refresh*/) {}
  virtual std::uint8_t IsEnableControl(short /*id*/) { return 0; }
  virtual void SetValueControl(short /*id*/, long /*value*/) {}
  virtual long GetValueControl(short /*id*/) { return 0; }
  virtual void SetColorControl(short /*id*/, RGBColor& /*color*/) {}
  virtual void GetColorControl(short /*id*/, RGBColor& /*color*/) {}
  virtual void SetStringControl(short /*id*/, unsigned char* /*pstr*/) {}
  virtual void SetStaticControl(short /*id*/, std::uint8_t /*on*/) {}
  virtual std::uint8_t IsStaticControl(short /*id*/) { return 0; }
  // Adds or deletes a user form; answers whether the list changed.
  virtual std::uint8_t DoFormAddDelete() { return 0; }

  // A control reported a change.
  void CustomFormCommand(short control);
  void CustomFormGetItems();
  void CustomFormSetItems();
  void CheckPaperSize(short control);
  // A paper side of the form's own size below its margins and the least
  // usable extent is refused for the least that holds them, with a beep.
  void HoldPaperToMargins();
  void CheckMargin(short which);
  void CheckColumn();
  void CheckIndent(short which);
  // The per-page counts; each first holds its pitch (when fixed) to what
  // one line or one character needs of the usable height or column width.
  void CalcFixedLineHeight();
  void CalcFixedCharWidth();
  // The enablement rules over the current control values.
  void CheckPageLayout();
  void SaveChangesForm();
  void FactorySettingForm();
  // Usable height and width in points (paper orientation swapped for
  // vertical writing); with grid, less the centre gap and for one column.
  long GetPageHeight(bool grid);
  long GetPageWidth(bool grid);

  // A length in the measuring unit `unit` as whole points, and back (the
  // document's dialogs share them).
  static long UnitToPoints(long value, short unit);
  static long PointsToUnit(long points, short unit);
  // A form record's fixed pitches held, as the dialog holds them, to the
  // usable height and column width of its own paper, margins, columns and
  // centre gap; answers whether they fitted already.
  static bool FitPitches(SKXFormStyl& f);

  void SetForm(const SKXFormStyl& f) { mForm = f; }
  const SKXFormStyl& GetForm() const { return mForm; }
  bool IsChanged() const { return mChanged != 0; }

 protected:
  long ToPoints(long value) const;
  long FromPoints(long points) const;
  long Points(short control) { return ToPoints(GetValueControl(control)); }
  void SetPoints(short control, long points) { SetValueControl(control, FromPoints(points)); }
  bool On(short control) { return GetValueControl(control) != 0; }
  // Lowers the pitch in `control` to at most `room` points as shown.
  void FitPitch(short control, long room);
  // Loads the form of a menu item into the controls.
  void LoadItem(short item);
  bool DiffersFromBuiltin(const SKXFormStyl& f) const;

  SKXFormStyl mForm{};
  std::uint8_t mBusy = 0;
  std::uint8_t mChanged = 0;
  short mUnit = 0;
};
