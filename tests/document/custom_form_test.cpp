// The custom page forms: the dialog's numbered controls against the panes
// of its layout, the form table as the menu and the preference file see
// it, adding and deleting forms, and the document a dialog is bound to.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "app/app_commands.h"
#include "app/globals.h"
#include "app/prefs_file.h"
#include "doc_app_fixture.h"
#include "document/custom_form.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "platform/framework/menu.h"
#include "platform/resources.h"
#include "views/controls.h"
#include "views/edit_field.h"
#include "platform/host/headless.h"
#include "document/text_doc.h"
#include "views/text_colm_view.h"

namespace {

using K = KxFormControlKind;

class CustomFormTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    kxtest::DocAppTest::SetUp();
    UKXTextCustomForm::Terminate();
    UKXTextCustomForm::Initialize();
    gFactorySettingsData[10].clear();
    gPreference.measureUnit = 0;
  }
  void TearDown() override {
    for (CKXTextCustomForm* d : std::vector<CKXTextCustomForm*>(CKXTextCustomForm::OpenDialogs())) delete d;
    SetDialogOpen(false);
    UKXTextCustomForm::Terminate();
    UKXTextCustomForm::Initialize();
    gFactorySettingsData[10].clear();
    kxtest::DocAppTest::TearDown();
  }
  // A 96-byte table record named `name` with form ID `id`.
  static void Record(std::vector<char>& blob, short id, const char* name) {
    SKXTextForm f;
    f.form = UKXTextForm::GetDefaultForm(4);
    f.form.formID = id;
    f.name[0] = std::uint8_t(std::strlen(name));
    std::memcpy(f.name + 1, name, f.name[0]);
    std::uint8_t bytes[kKxTextFormSize];
    KxWriteTextForm(f, bytes, KxByteOrder::kBig);
    blob.insert(blob.end(), bytes, bytes + kKxTextFormSize);
  }
  static std::vector<CommandT> FormMenuCommands() {
    std::vector<CommandT> out;
    const LMenu* menu = LMenuBar::GetCurrentMenuBar()->FetchMenu(kKxFormMenu);
    for (std::int16_t i = 1; menu && i <= menu->CountItems(); ++i)
      if (menu->GetItem(i)->command >= kKxFormCommands.first) out.push_back(menu->GetItem(i)->command);
    return out;
  }
};

// ---- the controls --------------------------------------------------------------------------------------

TEST_F(CustomFormTest, EveryControlNumberReachesItsPaneByKindAndNothingElseAnswers) {
  gPreference.measureUnit = 2;   // hundredths of a point: the field shows the value / 100
  CKXTextCustomForm* d = CKXTextCustomForm::ShowCustomForm(nullptr);
  ASSERT_NE(d, nullptr);
  const std::set<short> values = {6, 8, 9, 16, 18, 24, 25, 26, 27, 29, 31, 32, 34, 35, 36};
  const std::set<short> numbers = {10, 11, 12, 13, 14, 15, 17, 19, 20, 21, 22, 28, 30};
  for (short n = -2; n <= 80; ++n) {
    SCOPED_TRACE(n);
    const K kind = KxFormControlKindOf(n);
    if (values.count(n)) {
      EXPECT_EQ(kind, K::kValue);
    } else if (numbers.count(n)) {
      EXPECT_EQ(kind, K::kNumber);
    } else if (n < 2 || n > 73) {
      EXPECT_EQ(kind, K::kNone);
    }
    LPane* pane = d->FindPaneByID(PaneIDT(3800 + n));
    // The mapping alone: the form logic does not react to these values.
    if (auto* b = dynamic_cast<LBroadcaster*>(pane)) b->StopBroadcasting();
    if (kind == K::kNone) {
      // Nothing answers, even where a pane with that number exists.
      d->SetValueControl(n, 1);
      EXPECT_EQ(d->GetValueControl(n), 0);
      EXPECT_EQ(d->IsStaticControl(n), 0);
      if (pane) {
        const bool enabled = pane->IsEnabled();
        d->EnableControl(n, !enabled, 1);
        EXPECT_EQ(pane->IsEnabled(), enabled);
      }
      continue;
    }
    if (kind == K::kValue) {
      ASSERT_NE(pane, nullptr);
      d->SetValueControl(n, 2);
      EXPECT_EQ(pane->GetValue(), std::min<std::int32_t>(2, dynamic_cast<LControl*>(pane)->GetMaxValue()));
      EXPECT_EQ(d->GetValueControl(n), pane->GetValue());
    } else if (kind == K::kNumber) {
      auto* field = dynamic_cast<KXEditField*>(pane);
      ASSERT_NE(field, nullptr);
      d->SetValueControl(n, 1234);
      EXPECT_EQ(field->GetText(), "12.34");
      EXPECT_EQ(d->GetValueControl(n), 1234);
    }
    // Every control of the table and every label enables with its pane.
    if (pane) {
      d->EnableControl(n, 0, 1);
      EXPECT_FALSE(pane->IsEnabled());
      EXPECT_EQ(d->IsEnableControl(n), 0);
      d->EnableControl(n, 1, 1);
      EXPECT_TRUE(pane->IsEnabled());
      EXPECT_EQ(d->IsEnableControl(n), n == 17 || n == 20 ? 1 : 0);
    }
    // The static byte: the paper's sides only.
    d->SetStaticControl(n, 1);
    EXPECT_EQ(d->IsStaticControl(n), n == 10 || n == 11 ? 1 : 0);
    d->SetStaticControl(n, 0);
    EXPECT_EQ(d->IsStaticControl(n), 0);
  }
}

TEST_F(CustomFormTest, FontSizeColourAndCaptionsKeepTheirOwnForms) {
  gPreference.measureUnit = 0;   // tenths of a millimetre: the field shows hundredths
  CKXTextCustomForm* d = CKXTextCustomForm::ShowCustomForm(nullptr);
  ASSERT_NE(d, nullptr);
  auto* top = dynamic_cast<KXEditField*>(d->FindPaneByID(3812));
  ASSERT_NE(top, nullptr);
  d->SetValueControl(12, 255);
  EXPECT_EQ(top->GetText(), "25.5");
  EXPECT_EQ(d->GetValueControl(12), 255);
  // The font popup by font number, the size popup by point size.
  const short second = UFontMenu::GetFontNumber(2);
  d->SetValueControl(37, second);
  EXPECT_EQ(d->GetValueControl(37), second);
  d->SetValueControl(39, 18);
  EXPECT_EQ(d->GetValueControl(39), 18);
  EXPECT_EQ(d->FindPaneByID(3839)->GetValue(), USizeMenu::GetSizeMenuItem(18));
  // Texts go to 28, 30, 68 and 70 only.
  unsigned char text[] = "\x02" "17";
  for (short n : {68, 69, 12}) d->SetStringControl(n, text);
  Str255 s;
  d->FindPaneByID(3868)->GetDescriptor(s);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(s + 1), s[0]), "17");
  d->FindPaneByID(3869)->GetDescriptor(s);
  EXPECT_NE(std::string(reinterpret_cast<char*>(s + 1), s[0]), "17");
  EXPECT_EQ(top->GetText(), "25.5");
  // The guide colour from the host's chooser; a cancel keeps it.
  host.QueueColourAnswer(RGBColor{0xFFFF, 0x8000, 0});
  EXPECT_EQ(d->SetGuidelineColor(), 1);
  RGBColor got{};
  d->GetColorControl(33, got);
  EXPECT_TRUE(got.red == 0xFFFF && got.green == 0x8000 && got.blue == 0);
  EXPECT_EQ(dynamic_cast<KXColButton*>(d->FindPaneByID(3833))->GetFillColor().green, 0x8000);
  host.QueueAnswer(KxAnswer::kCancel);
  EXPECT_EQ(d->SetGuidelineColor(), 0);
  d->GetColorControl(33, got);
  EXPECT_EQ(got.green, 0x8000);
}

// ---- the table -------------------------------------------------------------------------------------------

TEST_F(CustomFormTest, NewFormsTakeTheirIDFromTheDayAndTheNextFreeOne) {
  EXPECT_EQ(UKXTextCustomForm::NewFormID(3, 3), 3031);
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "first", 3, 3));
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "second", 3, 3));
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "third", 12, 31));
  SKXFormStyl f;
  ASSERT_TRUE(UKXTextForm::GetFormStyl(9, f));   // six seeded forms, then ours
  EXPECT_EQ(f.formID, 3031);
  ASSERT_TRUE(UKXTextForm::GetFormStyl(10, f));
  EXPECT_EQ(f.formID, 3032);
  ASSERT_TRUE(UKXTextForm::GetFormStyl(11, f));
  EXPECT_EQ(f.formID, 12311);
}

TEST_F(CustomFormTest, NamesAreCutOnACharacterBoundary) {
  // 30 bytes, then a two-byte character whose second byte would be the 32nd.
  const std::string name = std::string(30, 'a') + "\x82\xa0" + "b";
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), name, 1, 1));
  unsigned char stored[kKxFormNameField] = {};
  ASSERT_TRUE(UKXTextForm::GetFormName(9, stored));
  EXPECT_EQ(stored[0], 30);
  // A two-byte character that fits whole stays.
  const std::string fits = std::string(29, 'a') + "\x82\xa0" + "b";
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), fits, 1, 1));
  ASSERT_TRUE(UKXTextForm::GetFormName(10, stored));
  EXPECT_EQ(stored[0], 31);
}

TEST_F(CustomFormTest, TheTableStopsAt67AndTheMenuShowsCommandsUpTo1999) {
  std::vector<char> blob;
  for (short k = 1; k <= 70; ++k) Record(blob, short(2000 + k), ("form " + std::to_string(k)).c_str());
  UKXTextCustomForm::SetCustomFormData(blob.data(), long(blob.size()));
  EXPECT_EQ(UKXTextForm::GetListCount(), 67);
  EXPECT_EQ(UKXTextCustomForm::MenuNames().size(), 67u);
  EXPECT_EQ(UKXTextCustomForm::MenuNames().back(), "form 67");
  UKXTextCustomForm::UpdateMenu();
  const std::vector<CommandT> commands = FormMenuCommands();
  ASSERT_EQ(commands.size(), 67u);
  EXPECT_EQ(commands.front(), 1933);
  EXPECT_EQ(commands.back(), 1999);
  // The 68th is refused and the table stays whole.
  EXPECT_FALSE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "more", 5, 5));
  EXPECT_EQ(UKXTextForm::GetListCount(), 67);
  // The preference chunk holds what the table holds.
  EXPECT_EQ(KxPrefOwnedData(FourCC("CFRT")).size(), std::size_t(67 * kKxTextFormSize));
  // A short or empty chunk leaves the table alone.
  UKXTextCustomForm::SetCustomFormData(blob.data(), 95);
  EXPECT_EQ(UKXTextForm::GetListCount(), 67);
}

TEST_F(CustomFormTest, DeletingEveryFormFallsBackToFactoryFormsOrTheBuiltIns) {
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "mine", 2, 2));
  ASSERT_EQ(UKXTextForm::GetListCount(), 7);
  UKXTextCustomForm::DeleteRows({7, 1, 3, 2, 5, 4, 6, 6});
  UKXTextCustomForm::SettleTable();
  EXPECT_FALSE(UKXTextForm::HasList());
  UKXTextCustomForm::UpdateMenu();
  EXPECT_EQ(FormMenuCommands(), (std::vector<CommandT>{1933, 1934, 1935, 1936, 1937, 1938}));
  const std::vector<std::string> names = UKXTextCustomForm::MenuNames();
  ASSERT_EQ(names.size(), 6u);
  for (short n = 1; n <= 6; ++n) {
    Str255 s;
    GetIndString(s, 208, short(n + 4));
    EXPECT_EQ(names[std::size_t(n - 1)], std::string(reinterpret_cast<char*>(s + 1), s[0]));
  }

  // With factory forms, an emptied table takes them.
  std::vector<char> factory;
  Record(factory, 4001, "factory one");
  Record(factory, 4002, "factory two");
  gFactorySettingsData[10].assign(factory.begin(), factory.end());
  ASSERT_TRUE(UKXTextCustomForm::AddNamedForm(UKXTextForm::GetDefaultForm(4), "gone", 2, 2));
  UKXTextCustomForm::DeleteRows({1, 2, 3, 4, 5, 6, 7});
  UKXTextCustomForm::SettleTable();
  EXPECT_EQ(UKXTextCustomForm::MenuNames(), (std::vector<std::string>{"factory one", "factory two"}));
}

// ---- the bound document ----------------------------------------------------------------------------------

TEST_F(CustomFormTest, WithoutADocumentTheDefaultFormAndThePaperTable) {
  CKXTextCustomForm* d = CKXTextCustomForm::ShowCustomForm(nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->GetTextDoc(), nullptr);
  EXPECT_TRUE(d->GetForm() == UKXTextForm::GetDefaultForm(0));
  for (short kind = 0; kind < kKxPaperKinds; ++kind) {
    const PointL size = d->GetFormPaperSize(kind);
    EXPECT_EQ(size.v, KxFormPaperSize(kind).v);
    EXPECT_EQ(size.h, KxFormPaperSize(kind).h);
    EXPECT_GT(size.v, 0);
  }
  d->SetValueControl(CKXTextFormUtil::kPaperKind, 3);   // B5 縦
  // OK edits the application's default form; the dialog going marks the
  // preferences for writing.
  gPrefModify = false;
  d->SetValueControl(CKXTextFormUtil::kMarginTop, 300);
  d->CloseCustomForm(1);
  LWindow::DeleteClosedWindows();
  EXPECT_TRUE(gPrefModify);
  EXPECT_TRUE(CKXTextCustomForm::OpenDialogs().empty());
  EXPECT_EQ(UKXTextForm::GetDefaultForm(0).paperHeight, KxFormPaperSize(2).v);
  EXPECT_EQ(UKXTextForm::GetDefaultForm(0).marginTop, CKXTextFormUtil::UnitToPoints(300, 0));
  EXPECT_FALSE(gDialogOpen);
}

TEST_F(CustomFormTest, ADocumentThatClosesIsForgottenAndAppliedFormsMatchTheMenu) {
  std::ofstream(dir / "a.txt") << "one\rtwo\rthree";
  std::ofstream(dir / "b.txt") << "one\rtwo\rthree";
  CKXTextDocument* a = Open(dir / "a.txt");
  ASSERT_NE(a, nullptr);
  CKXTextDocument* b = Open(dir / "b.txt");
  ASSERT_NE(b, nullptr);
  // The menu's third form on one document; the same form through the dialog on the other.
  b->ObeyFormCommand(1935);
  CKXTextCustomForm* d = CKXTextCustomForm::ShowCustomForm(a);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(gDialogOpen);
  d->SetValueControl(CKXTextFormUtil::kFormMenu, 5);
  d->CustomFormCommand(CKXTextFormUtil::kFormMenu);
  d->CloseCustomForm(1);
  SKXFormStyl fa, fb;
  KXTE_GetFormStyl(a->GetEngine()->GetEdit(), fa);
  KXTE_GetFormStyl(b->GetEngine()->GetEdit(), fb);
  EXPECT_EQ(fa.formID, 4);
  EXPECT_TRUE(fa == fb);
  EXPECT_EQ(KXTE_GetPaperSize(a->GetEngine()->GetEdit()).v, KXTE_GetPaperSize(b->GetEngine()->GetEdit()).v);
  EXPECT_FALSE(gDialogOpen);

  // A dialog whose document closes edits the default form from then on.
  d = CKXTextCustomForm::ShowCustomForm(a);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->GetTextDoc(), a);
  delete a;
  EXPECT_EQ(d->GetTextDoc(), nullptr);
  EXPECT_EQ(d->GetFormPaperSize(0).v, KxFormPaperSize(0).v);
  d->CloseCustomForm(1);   // no document to reach: the default form takes it
  EXPECT_EQ(UKXTextForm::GetDefaultForm(0).guideStyle, UKXTextForm::GetDefaultForm(4).guideStyle);
  EXPECT_FALSE(gDialogOpen);
}

// The format bar's page-form pop-up lists what the form menu lists, the form
// in use checked; its label names that form; a choice applies it.
TEST_F(CustomFormTest, TheFormatBarOffersTheKeptFormsAndNamesTheOneInUse) {
  std::vector<char> blob;
  Record(blob, 3001, "first kept");
  Record(blob, 3002, "second kept");
  UKXTextCustomForm::SetCustomFormData(blob.data(), long(blob.size()));
  UKXTextCustomForm::UpdateMenu();
  std::ofstream(dir / "a.txt") << "one\rtwo";
  CKXTextDocument* a = Open(dir / "a.txt");
  ASSERT_NE(a, nullptr);
  CKXTextColmView* ruler = a->GetColmView();
  ASSERT_NE(ruler, nullptr);
  if (!ruler->GetFormShown()) a->RulerToolsWindow(true, false);
  auto popup = [&] {
    ruler->DoClickFormAt(kKxFormPage, EventRecord{}, false);
    std::vector<std::string> texts;
    std::vector<bool> checked;
    for (const KxPopupEntry& e : host.LastPopup()) {
      texts.push_back(e.text);
      checked.push_back(e.mark != 0);
    }
    return std::pair{texts, checked};
  };
  auto [texts, checked] = popup();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[2], "first kept");
  EXPECT_EQ(texts[3], "second kept");
  EXPECT_TRUE(checked[0]);   // no form yet
  // The fourth item sends 1934: the second kept form.
  host.PostMenuChoice(kKxPopupMenuID, 3);   // items count from 0 here
  Drain();
  SKXFormStyl f;
  KXTE_GetFormStyl(a->GetEngine()->GetEdit(), f);
  EXPECT_EQ(f.formID, 3002);
  std::tie(texts, checked) = popup();
  EXPECT_EQ(checked, (std::vector<bool>{false, false, false, true}));
}

}  // namespace
