// Page forms: the paper table, records and their validation, the form list
// and its blob, applying a form to an edit object, and the dialog rules
// through a fake dialog that records what the logic does to its controls.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "layout/text_form_util.h"
#include "platform/host/headless.h"
#include "text_edit_fixture.h"

namespace {

// Each test starts and ends without a list.
struct FormList : ::testing::Test {
  void SetUp() override { UKXTextForm::Terminate(); }
  void TearDown() override { UKXTextForm::Terminate(); }
};

std::vector<char> Blob(const std::vector<SKXTextForm>& forms) {
  std::vector<char> out(forms.size() * kKxTextFormSize);
  for (size_t k = 0; k < forms.size(); ++k)
    KxWriteTextForm(forms[k], reinterpret_cast<std::uint8_t*>(out.data()) + k * kKxTextFormSize, KxByteOrder::kBig);
  return out;
}

SKXTextForm Named(const SKXFormStyl& f, const char* name) {
  SKXTextForm t;
  t.form = f;
  t.name[0] = std::uint8_t(std::strlen(name));
  std::memcpy(t.name + 1, name, t.name[0]);
  return t;
}

TEST(PaperTable, KindsWithinFivePoints) {
  struct Case {
    long v, h;
    short kind;
  } const cases[] = {
      {842, 595, 0},   {845, 597, 0},   {848, 595, kKxPaperOther}, {595, 842, 1},  {792, 612, 4},
      {1008, 612, 6},  {729, 1032, 11}, {65536 + 842, 65536 + 595, kKxPaperOther},
      {-65536 + 842, 595, kKxPaperOther}, {0, 0, kKxPaperOther},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KxFormPaperType(PointL{std::int32_t(c.v), std::int32_t(c.h)}), c.kind) << c.v << " x " << c.h;
  EXPECT_EQ(KxFormPaperSize(13).v, 842);
  EXPECT_EQ(KxFormPaperSize(-1).h, 595);
  EXPECT_EQ(KxFormPaperSize(7).h, 1009);
}

TEST(FormRecord, RoundTripsAndNamesAreClamped) {
  for (short k = 0; k < kKxBuiltinForms; ++k) {
    SKXTextForm t = Named(UKXTextForm::GetDefaultForm(k), "form");
    std::uint8_t bytes[kKxTextFormSize];
    for (KxByteOrder order : {KxByteOrder::kBig, KxByteOrder::kLittle}) {
      KxWriteTextForm(t, bytes, order);
      SKXTextForm back;
      KxReadTextForm(bytes, back, order);
      EXPECT_TRUE(back.form == t.form) << k;
      EXPECT_EQ(std::memcmp(back.name, t.name, kKxFormNameField), 0);
    }
  }
  // A name length byte of 200 reads 31 bytes and no more.
  std::uint8_t bytes[kKxTextFormSize + 8];
  std::memset(bytes, 'z', sizeof bytes);
  KxWriteFormStyl(UKXTextForm::GetDefaultForm(2), bytes, KxByteOrder::kBig);
  bytes[kKxFormStylSize] = 200;
  SKXTextForm back;
  KxReadTextForm(bytes, back, KxByteOrder::kBig);
  EXPECT_EQ(back.name[0], kKxFormNameMax);
  EXPECT_EQ(back.name[31], 'z');
}

TEST(FormRecord, ValidationOnTheWayIn) {
  SKXFormStyl f = UKXTextForm::GetDefaultForm(4);
  EXPECT_TRUE(KxValidateFormStyl(f));
  f.paperHeight = kKxFormPaperLong;
  f.paperHeightL = 2000;
  f.paperWidthL = 900;
  f.columns = 9;
  f.columnGap = -3;
  f.marginTop = 1500;
  f.marginBottom = 800;
  f.guideStyle = 40;
  f.vertical = 7;
  EXPECT_FALSE(KxValidateFormStyl(f));
  EXPECT_EQ(f.paperHeight, 2000);
  EXPECT_EQ(f.paperWidth, 900);
  EXPECT_EQ(f.columns, kKxMaxColumns);
  EXPECT_EQ(f.columnGap, 0);
  EXPECT_LT(f.marginTop + f.marginBottom, f.paperHeight);
  EXPECT_EQ(f.guideStyle, 0);
  EXPECT_EQ(f.vertical, 1);
  SKXFormStyl huge{};
  huge.paperHeight = -6;
  huge.paperWidth = kKxFormPaperLong;
  huge.paperWidthL = 1 << 30;
  KxValidateFormStyl(huge);
  EXPECT_EQ(PointL(KxFormEffectivePaper(huge)).v, 1);
  EXPECT_EQ(PointL(KxFormEffectivePaper(huge)).h, kKxPaperMax);
}

// A fixed pitch beyond the page put each line or character on a page of
// its own, outside the text area: every page came out blank.
TEST(FormRecord, FixedPitchesAreHeldToThePage) {
  struct Case {
    const char* what;
    short builtin;
    std::uint8_t fixedLine, fixedChar;
    std::int16_t bottom, columns, columnGap, linePitch, charPitch;
    std::int16_t eLine, eChar;
  } const cases[] = {
      // A4 upright, margins 34: 774 high, 527 wide.
      {"fitting pitches stay", 4, 1, 1, 34, 1, 0, 774, 527, 774, 527},
      {"a line pitch of 500 mm", 4, 1, 0, 34, 1, 0, 1417, 20, 774, 20},
      {"pitches that are off stay", 4, 0, 0, 34, 1, 0, 1417, 1134, 1417, 1134},
      {"a character pitch against one of three columns", 4, 0, 1, 34, 3, 10, 30, 1134, 30, (527 - 20) / 3},
      // Vertical, A4 across: lines advance over 842 - 62 - 68 less the
      // 26-point centre gap, characters run down 595 - 65 - 34.
      {"vertical with a centre gap", 2, 1, 1, 34, 1, 0, 32767, 32767, 712 - 26, 496},
      // Margins that leave one point: a pitch of one point, never 0.
      {"no room", 4, 1, 0, 842 - 34 - 1, 1, 0, 30, 20, 1, 20},
  };
  for (const Case& c : cases) {
    SKXFormStyl f = UKXTextForm::GetDefaultForm(c.builtin);
    f.marginBottom = c.bottom;
    f.fixedLine = c.fixedLine, f.fixedChar = c.fixedChar;
    f.columns = c.columns, f.columnGap = c.columnGap;
    f.linePitch = c.linePitch, f.charPitch = c.charPitch;
    const bool fitted = c.eLine == c.linePitch && c.eChar == c.charPitch;
    EXPECT_EQ(CKXTextFormUtil::FitPitches(f), fitted) << c.what;
    EXPECT_EQ(f.linePitch, c.eLine) << c.what;
    EXPECT_EQ(f.charPitch, c.eChar) << c.what;
  }
}

TEST_F(FormList, MenuItemsWithAndWithoutAList) {
  EXPECT_EQ(UKXTextForm::GetFormCount(), 8);
  EXPECT_EQ(UKXTextForm::FindFormItem(0), 1);
  EXPECT_EQ(UKXTextForm::FindFormItem(1), 2);
  EXPECT_EQ(UKXTextForm::FindFormItem(5), 6);
  EXPECT_EQ(UKXTextForm::FindFormItem(999), 2);
  SKXFormStyl f;
  EXPECT_TRUE(UKXTextForm::GetFormStyl(8, f));
  EXPECT_EQ(f.formID, 7);
  EXPECT_FALSE(UKXTextForm::GetFormStyl(9, f));
  unsigned char name[kKxFormNameField];
  ASSERT_TRUE(UKXTextForm::GetFormName(3, name));
  EXPECT_GT(name[0], 0);  // from the string list

  UKXTextForm::MakeDefaultFormArray();
  EXPECT_EQ(UKXTextForm::GetFormCount(), 8);
  EXPECT_TRUE(UKXTextForm::AddForm(UKXTextForm::GetDefaultForm(4), reinterpret_cast<const unsigned char*>("\3own")));
  EXPECT_EQ(UKXTextForm::GetFormCount(), 9);
  ASSERT_TRUE(UKXTextForm::GetFormName(9, name));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "own");
  EXPECT_EQ(UKXTextForm::FindFormItem(3), 4);

  // An unchanged seed list is dropped; one changed byte keeps it.
  EXPECT_TRUE(UKXTextForm::DeleteForm(7));
  SKXFormStyl changed = UKXTextForm::GetDefaultForm(6);
  changed.leftIndent = 121;
  UKXTextForm::SetFormStyl(7, changed);
  UKXTextForm::CheckDeleteFormArray();
  EXPECT_TRUE(UKXTextForm::HasList());
  UKXTextForm::SetFormStyl(7, UKXTextForm::GetDefaultForm(6));
  UKXTextForm::CheckDeleteFormArray();
  EXPECT_FALSE(UKXTextForm::HasList());
}

TEST_F(FormList, BlobsRoundTripAndAreCapped) {
  std::vector<SKXTextForm> forms;
  for (int k = 0; k < 70; ++k) {
    SKXFormStyl f = UKXTextForm::GetDefaultForm(short(2 + k % 6));
    f.formID = std::int16_t(100 + k);
    forms.push_back(Named(f, "user"));
  }
  std::vector<char> blob = Blob(forms);
  blob.push_back(7);  // a partial record is dropped
  UKXTextForm::SetFormData(blob.data(), long(blob.size()));
  EXPECT_EQ(UKXTextForm::GetListCount(), kKxMaxUserForms);
  EXPECT_EQ(UKXTextForm::GetFormCount(), kKxMaxUserForms + 2);
  EXPECT_FALSE(UKXTextForm::AddForm(UKXTextForm::GetDefaultForm(2), nullptr));
  EXPECT_EQ(UKXTextForm::GetFormSize(), kKxMaxUserForms * kKxTextFormSize);
  std::vector<char> out(size_t(UKXTextForm::GetFormSize()));
  EXPECT_EQ(UKXTextForm::GetFormData(out.data(), long(out.size())), long(out.size()));
  EXPECT_EQ(0, std::memcmp(out.data(), blob.data(), out.size()));
  // A buffer for two records gets two.
  EXPECT_EQ(UKXTextForm::GetFormData(out.data(), 2 * kKxTextFormSize + 5), 2 * kKxTextFormSize);
  UKXTextForm::SetFormData(nullptr, 0);
  EXPECT_EQ(UKXTextForm::GetFormCount(), 8);
}

class FormEdit : private kxtest::SyntheticFont, public CKXTextEditEx {
 public:
  FormEdit() : CKXTextEditEx(RectL{0, 0, 0, 500}, RectL{0, 0, 400, 400}, KxDefaultPageStyl()) {
    const std::string s = "some text\rmore";
    SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CalcText();
  }
};

TEST(ApplyForm, ManuscriptFormsSetTheWholePage) {
  FormEdit e;
  const SKXFormStyl& manuscript = UKXTextForm::GetDefaultForm(2);
  EXPECT_EQ(e.SetFormStyl(manuscript, 1) & 0x890, 0x890);
  EXPECT_EQ(e.GetLineStyl().vertical, 1);
  EXPECT_TRUE(e.IsPaperView());
  EXPECT_EQ(e.GetPaperSize().v, 595);
  EXPECT_EQ(e.GetPaperSize().h, 842);
  Rect m;
  e.GetPageMargin(m);
  EXPECT_EQ((std::vector<int>{m.top, m.left, m.bottom, m.right}), (std::vector<int>{65, 62, 34, 68}));
  SKXLineExtStyl ext;
  EXPECT_EQ(e.GetLineExtStyl(ext), 1);
  EXPECT_EQ(ext.linePitch, 34);
  EXPECT_EQ(ext.charPitch, 24);
  EXPECT_GT(e.GetCenterGapOffset(), 0);
  EXPECT_EQ(e.CheckPages(), nullptr);
  // The same form again does nothing.
  EXPECT_EQ(e.SetFormStyl(manuscript, 1), 0);
  // A plain form turns vertical writing off and the grid away.
  EXPECT_NE(e.SetFormStyl(UKXTextForm::GetDefaultForm(0), 1), 0);
  EXPECT_EQ(e.GetLineStyl().vertical, 0);
  EXPECT_EQ(e.GetLineExtStyl(ext), 0);
}

TEST(ApplyForm, DocumentSettingsWinWhereTheFormAsks) {
  FormEdit e;
  e.SetPaperSize(PointL{600, 400}, 1);
  e.SetPageMargin(Rect{20, 21, 22, 23}, 1);
  SKXFormStyl f = UKXTextForm::GetDefaultForm(5);  // takes paper and view from the document
  e.SetFormStyl(f, 1);
  EXPECT_EQ(e.GetPaperSize().v, 600);
  Rect m;
  e.GetPageMargin(m);
  EXPECT_EQ(m.left, 21);
  SKXFormStyl d;
  e.GetFormStylDefault(d);
  EXPECT_EQ(d.paperKind, kKxPaperOther);
  EXPECT_EQ(d.paperHeight, 600);
  SParaStyl para;
  e.SetFormStyl(UKXTextForm::GetDefaultForm(6), 0);
  e.GetParaStylDefault(para);
  EXPECT_EQ(para.leftIndent, 120);
}

// A dialog whose controls are a table of values and flags.
class FakeDialog : public CKXTextFormUtil {
 public:
  std::map<short, long> values;
  std::map<short, bool> enabled, statics;
  std::map<short, std::string> strings;
  std::uint8_t addDeleteAnswer = 0;
  using CKXTextFormUtil::FromPoints;
  using CKXTextFormUtil::SetPoints;
  void EnableControl(short id, std::uint8_t on, std::uint8_t) override { enabled[id] = on != 0; }
  std::uint8_t IsEnableControl(short id) override { return enabled[id]; }
  void SetValueControl(short id, long v) override { values[id] = v; }
  long GetValueControl(short id) override { return values[id]; }
  void SetStringControl(short id, unsigned char* p) override { strings[id] = std::string((char*)p + 1, p[0]); }
  void SetStaticControl(short id, std::uint8_t on) override { statics[id] = on != 0; }
  std::uint8_t IsStaticControl(short id) override { return statics[id]; }
  std::uint8_t DoFormAddDelete() override { return addDeleteAnswer; }
  // Sets a control as the user would and sends its message.
  void User(short id, long v) {
    values[id] = v;
    CustomFormCommand(id);
  }
  long Pt(short id) { return ToPoints(values[id]); }
};

// Points as the controls show them in the default unit.
struct Opened : FakeDialog {
  explicit Opened(short formIndex) {
    SetForm(UKXTextForm::GetDefaultForm(formIndex));
    OpenCustomForm();
  }
};

TEST_F(FormList, DialogKeepsPaperAndMarginsUsable) {
  Opened d(0);
  EXPECT_EQ(d.values[CKXTextFormUtil::kFormMenu], 1);
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kPaperHeight), 842);
  EXPECT_TRUE(d.statics[CKXTextFormUtil::kPaperHeight]);
  // Other paper: the sides become editable and are held at 1616.
  d.User(CKXTextFormUtil::kPaperKind, kKxPaperOther + 1);
  EXPECT_FALSE(d.statics[CKXTextFormUtil::kPaperWidth]);
  d.values[CKXTextFormUtil::kPaperWidth] = d.values[CKXTextFormUtil::kPaperHeight] * 3;
  d.CustomFormCommand(CKXTextFormUtil::kPaperWidth);
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kPaperWidth), CKXTextFormUtil::kMaxPaperSide);
  // Editing a menu item 1 form turns it into the document's own setup.
  EXPECT_EQ(d.values[CKXTextFormUtil::kFormMenu], 2);

  struct Case {
    short edited;
    long top, bottom, left, right;  // asked for
    long eTop, eBottom, eLeft, eRight;
  } const cases[] = {
      // Paper 842 x 1616: the height must keep 85 points.
      {CKXTextFormUtil::kMarginTop, 700, 34, 34, 34, 700, 34, 34, 34},
      {CKXTextFormUtil::kMarginTop, 750, 34, 34, 34, 723, 34, 34, 34},
      {CKXTextFormUtil::kMarginBottom, 34, 800, 34, 34, 34, 723, 34, 34},
      {CKXTextFormUtil::kMarginTop, 50, 800, 34, 34, 0, 757, 34, 34},  // what top cannot give, bottom does
      {CKXTextFormUtil::kMarginLeft, 34, 34, 1600, 10, 34, 34, 1521, 10},
  };
  for (const Case& c : cases) {
    d.SetPoints(CKXTextFormUtil::kMarginTop, c.top);
    d.SetPoints(CKXTextFormUtil::kMarginBottom, c.bottom);
    d.SetPoints(CKXTextFormUtil::kMarginLeft, c.left);
    d.SetPoints(CKXTextFormUtil::kMarginRight, c.right);
    d.CustomFormCommand(c.edited);
    EXPECT_EQ((std::vector<long>{d.Pt(12), d.Pt(13), d.Pt(14), d.Pt(15)}),
              (std::vector<long>{c.eTop, c.eBottom, c.eLeft, c.eRight}))
        << c.top << " " << c.bottom;
  }
  // A change on another field: half from the top, the rest from the bottom.
  d.SetPoints(CKXTextFormUtil::kMarginTop, 400);
  d.SetPoints(CKXTextFormUtil::kMarginBottom, 400);
  d.CheckMargin(CKXTextFormUtil::kNone);
  EXPECT_EQ(d.Pt(12) + d.Pt(13), 842 - 85);
  EXPECT_EQ(d.Pt(12), 400 - 22);
}

// A paper of the form's own size smaller than its margins and the least
// usable extent is refused at OK for the least that holds them, with a
// beep (it became a paper of a point or two with no margins, a line a
// page); a standard paper keeps its size and its margins give way.
TEST_F(FormList, DialogRefusesAPaperSmallerThanItsMargins) {
  using U = CKXTextFormUtil;
  auto* host = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost());
  ASSERT_NE(host, nullptr);
  struct Case {
    long height, width;
    bool vertical;
    long eHeight, eWidth;
    bool beep;
  } const cases[] = {
      {28, 28, false, 34 + 34 + 85, 34 + 34 + 85, true},
      {0, 500, false, 34 + 34 + 85, 500, true},
      {500, 152, true, 500, 153, true},
      {153, 153, false, 153, 153, false},
  };
  for (const Case& c : cases) {
    Opened d(0);
    d.User(U::kOwnPaper, 1);
    d.User(U::kPaperKind, kKxPaperOther + 1);
    d.values[U::kVertical] = c.vertical;
    d.SetPoints(U::kPaperHeight, c.height);
    d.CustomFormCommand(U::kPaperHeight);
    d.SetPoints(U::kPaperWidth, c.width);
    d.CustomFormCommand(U::kPaperWidth);
    const int beeps = host->Beeps();
    d.CustomFormGetItems();
    const SKXFormStyl& f = d.GetForm();
    EXPECT_EQ(f.paperHeight, c.eHeight) << c.height << " x " << c.width;
    EXPECT_EQ(f.paperWidth, c.eWidth) << c.height << " x " << c.width;
    EXPECT_EQ((std::vector<long>{f.marginTop, f.marginBottom, f.marginLeft, f.marginRight}),
              (std::vector<long>{34, 34, 34, 34}));
    EXPECT_EQ(host->Beeps() - beeps, c.beep ? 1 : 0) << c.height << " x " << c.width;
  }
  // A standard paper with margins too wide for it keeps its size.
  Opened d(0);
  d.User(U::kOwnPaper, 1);
  d.SetPoints(U::kMarginTop, 500);
  d.SetPoints(U::kMarginBottom, 500);
  d.CustomFormGetItems();
  EXPECT_EQ(d.GetForm().paperHeight, 842);
  EXPECT_EQ(d.GetForm().marginTop + d.GetForm().marginBottom, 842 - 85);
}

TEST_F(FormList, DialogColumnsIndentsAndCounts) {
  Opened d(0);
  struct Case {
    long width, columns, gap;
    long eColumns, eGap;
  } const cases[] = {
      {200, 2, 0, 2, 15}, {150, 2, 0, 1, 0}, {595 - 68, 9, 10, 5, 10}, {500, 0, 10, 1, 10},
  };
  for (const Case& c : cases) {
    d.SetPoints(CKXTextFormUtil::kMarginLeft, 0);
    d.SetPoints(CKXTextFormUtil::kMarginRight, 595 - c.width);
    d.SetPoints(CKXTextFormUtil::kColumnGap, c.gap);
    d.User(CKXTextFormUtil::kColumns, c.columns);
    EXPECT_EQ(d.values[CKXTextFormUtil::kColumns], c.eColumns) << c.width;
    EXPECT_EQ(d.Pt(CKXTextFormUtil::kColumnGap), c.eGap) << c.width;
  }
  // Indents leave a line of 85 points; the edited one gives way.
  d.SetPoints(CKXTextFormUtil::kMarginRight, 595 - 200);
  d.User(CKXTextFormUtil::kColumns, 1);
  d.SetPoints(CKXTextFormUtil::kLeftIndent, 110);
  d.SetPoints(CKXTextFormUtil::kRightIndent, 10);
  d.CustomFormCommand(CKXTextFormUtil::kLeftIndent);
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kLeftIndent), 105);
  d.SetPoints(CKXTextFormUtil::kRightIndent, 300);
  d.CustomFormCommand(CKXTextFormUtil::kLeftIndent);
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kRightIndent), 0);  // nothing fits: all three cleared
  // Fixed pitches: a zero pitch becomes the default, the counts follow.
  d.SetPoints(CKXTextFormUtil::kLinePitch, 0);
  d.User(CKXTextFormUtil::kFixedLineOn, 1);
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kLinePitch), CKXTextFormUtil::kDefaultLinePitch);
  EXPECT_EQ(d.strings[CKXTextFormUtil::kLinesText], std::to_string((842 - 68) / 30));
  d.User(CKXTextFormUtil::kFixedCharOn, 1);
  EXPECT_EQ(d.strings[CKXTextFormUtil::kCharsText], std::to_string(200 / 20));
}

// A pitch is held to the usable height or column width whenever it or the
// area changes, and when the form is read back at OK without a message.
TEST_F(FormList, DialogHoldsFixedPitchesToThePage) {
  using U = CKXTextFormUtil;
  // Within one unit step below the room (the field shows whole units).
  auto near = [](long got, long room) { return got <= room && got >= room - 3; };
  Opened d(4);   // A4, margins 34, fixed line pitch 24
  d.SetPoints(U::kLinePitch, 1417);
  d.CustomFormCommand(U::kLinePitch);
  EXPECT_TRUE(near(d.Pt(U::kLinePitch), 774)) << d.Pt(U::kLinePitch);
  EXPECT_EQ(d.strings[U::kLinesText], "1");
  // A larger top margin shrinks the room: the pitch follows.
  d.SetPoints(U::kMarginTop, 400);
  d.CustomFormCommand(U::kMarginTop);
  EXPECT_TRUE(near(d.Pt(U::kLinePitch), 842 - 400 - 34)) << d.Pt(U::kLinePitch);
  // The character pitch against one of two columns.
  d.SetPoints(U::kColumnGap, 15);
  d.User(U::kColumns, 2);
  d.SetPoints(U::kCharPitch, 1134);
  d.User(U::kFixedCharOn, 1);
  EXPECT_TRUE(near(d.Pt(U::kCharPitch), (527 - 15) / 2)) << d.Pt(U::kCharPitch);
  EXPECT_EQ(d.strings[U::kCharsText], "1");
  // A fitting pitch is left as typed.
  d.SetPoints(U::kLinePitch, 40);
  d.CustomFormCommand(U::kLinePitch);
  EXPECT_EQ(d.Pt(U::kLinePitch), 40);
  // Set without a message: OK reads it fitted.
  d.SetPoints(U::kLinePitch, 5000);
  d.SetPoints(U::kCharPitch, 5000);
  d.CloseCustomForm(1);
  EXPECT_TRUE(near(d.GetForm().linePitch, 842 - 400 - 34)) << d.GetForm().linePitch;
  EXPECT_TRUE(near(d.GetForm().charPitch, (527 - 15) / 2)) << d.GetForm().charPitch;
}

TEST_F(FormList, DialogEnablementTable) {
  struct Case {
    long ownPaper, ownView, fixedLine, fixedChar, gapOn, fixedFont, guide, guideItem;
    std::vector<std::pair<short, bool>> expect;
  } const cases[] = {
      {1, 1, 1, 0, 1, 0, 1, 2, {{9, true}, {16, true}, {17, true}, {20, true}, {28, true}, {30, false}, {33, true}}},
      {0, 1, 1, 0, 1, 0, 0, 2, {{9, false}, {16, false}, {17, false}, {20, false}, {62, false}, {32, false}}},
      {1, 0, 1, 1, 1, 1, 1, 1, {{16, false}, {20, true}, {25, false}, {28, false}, {37, false}, {33, false}}},
      {1, 1, 0, 1, 0, 1, 1, 3, {{16, false}, {20, false}, {64, false}, {30, true}, {37, true}, {73, true}}},
  };
  for (const Case& c : cases) {
    Opened d(4);
    d.values[CKXTextFormUtil::kOwnPaper] = c.ownPaper;
    d.values[CKXTextFormUtil::kOwnView] = c.ownView;
    d.values[CKXTextFormUtil::kFixedLineOn] = c.fixedLine;
    d.values[CKXTextFormUtil::kFixedCharOn] = c.fixedChar;
    d.values[CKXTextFormUtil::kCenterGapOn] = c.gapOn;
    d.values[CKXTextFormUtil::kFixedFontOn] = c.fixedFont;
    d.values[CKXTextFormUtil::kGuideView] = c.guide;
    d.values[CKXTextFormUtil::kGuideStyle] = c.guideItem;
    d.CustomFormCommand(CKXTextFormUtil::kOwnPaper);
    for (const auto& [id, on] : c.expect) EXPECT_EQ(d.enabled[id], on) << "control " << id;
  }
}

TEST_F(FormList, DialogSavesAndRestoresBuiltins) {
  Opened d(4);
  d.User(CKXTextFormUtil::kFormMenu, 5);  // built-in 4
  EXPECT_FALSE(d.IsChanged());
  d.User(CKXTextFormUtil::kMarginTop, d.FromPoints(40));
  EXPECT_TRUE(d.IsChanged());
  EXPECT_TRUE(d.enabled[CKXTextFormUtil::kSave]);
  // Closing unsaved keeps the change for this document only.
  FakeDialog copy = d;
  copy.CloseCustomForm(1);
  EXPECT_EQ(copy.GetForm().formID, 1);
  EXPECT_EQ(copy.GetForm().marginTop, 40);
  // Saving stores it in a new list; factory settings drop the list again.
  d.User(CKXTextFormUtil::kSave, 1);
  EXPECT_FALSE(d.IsChanged());
  ASSERT_TRUE(UKXTextForm::HasList());
  SKXFormStyl stored;
  ASSERT_TRUE(UKXTextForm::GetFormStyl(5, stored));
  EXPECT_EQ(stored.marginTop, 40);
  EXPECT_TRUE(d.enabled[CKXTextFormUtil::kFactory]);
  d.User(CKXTextFormUtil::kFactory, 1);
  EXPECT_FALSE(UKXTextForm::HasList());
  EXPECT_EQ(d.Pt(CKXTextFormUtil::kMarginTop), 34);
  EXPECT_FALSE(d.enabled[CKXTextFormUtil::kFactory]);
  d.CloseCustomForm(1);
  EXPECT_TRUE(d.GetForm() == UKXTextForm::GetDefaultForm(4));
}

}  // namespace
