// The macro editor: its pop-up maps against the window's own items, row
// texts, paste and clear against a list model, and the window on the
// headless host (keys shown and committed, capped fields, capture, store,
// files, a list changed elsewhere).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "common/test_main.h"
#include "engine/macro_recorder.h"
#include "fake_target.h"
#include "macro_builder.h"
#include "macros/macro_editor.h"
#include "macros/macro_file.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/layout.h"
#include "platform/host/headless.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/base/memory.h"
#include "views/dialog_box.h"
#include "views/edit_field.h"
#include "views/view_classes.h"

using namespace kxme;

namespace {

std::vector<std::string> LayoutItems(std::int32_t pane) {
  KxLayout layout(kLayout);
  const KxLayoutPaneRecord* record = layout.FindPaneByID(pane);
  std::string items;
  if (record) KxLayout::GetAttribute(*record, "items", items);
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at <= items.size()) {
    const std::size_t bar = items.find('|', at);
    out.push_back(items.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  return out;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

}  // namespace

TEST(MacroEditorMaps, EveryOfferedCodeShowsOnARealItemAndComesBack) {
  const std::vector<int> subjects = {11, 12, 13, 21, 22, 23, 31, 32, 33, 41};
  const std::vector<int> registers = Join({{0}, Range(51, 58), Range(61, 68)});
  const struct {
    std::int32_t popup;
    std::vector<int> codes;
  } kOffered[] = {
      {kSource, Join({{0, 1}, subjects, Range(51, 58), Range(61, 68)})},
      {kLeftSubject, Join({{0}, subjects, Range(51, 58), Range(61, 68)})},
      {kValueRegister, registers},
      {kRegister, registers},
      {kSearch, Join({{1}, Range(51, 58)})},
      {kExtOperation, Join({Range(73, 79), {81, 82}})},
  };
  for (const auto& p : kOffered) {
    const std::vector<std::string> items = LayoutItems(p.popup);
    std::set<int> used;
    for (int code : p.codes) {
      const int item = KindIndex(p.popup, code);
      ASSERT_GE(item, 1) << p.popup << " code " << code;
      ASSERT_LE(std::size_t(item), items.size()) << p.popup << " code " << code;
      EXPECT_NE(items[std::size_t(item - 1)], "-") << p.popup << " code " << code;
      EXPECT_TRUE(used.insert(item).second) << p.popup << " item shared " << item;
      EXPECT_EQ(IndexKind(p.popup, item), code) << p.popup << " item " << item;
    }
    // Separators stand for nothing.
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == "-" && p.popup != kSearch) { EXPECT_EQ(IndexKind(p.popup, int(i + 1)), 0) << p.popup; }
  }
  // "None" is no register, both ways.
  for (std::int32_t popup : {kLeftSubject, kValueRegister, kRegister}) {
    EXPECT_EQ(IndexKind(popup, 1), 0);
    EXPECT_EQ(KindIndex(popup, 0), 1);
  }
  EXPECT_EQ(KindIndex(kSearch, 0), 1);   // a mode of 0 reads as the text

  for (int item = 1; item <= 9; ++item)
    if (item != 3) { EXPECT_EQ(CalcIndex(IndexCalc(item)), item); }
  EXPECT_EQ(CalcIndex(0), 1);
  for (int kind = 0; kind <= 3; ++kind) EXPECT_EQ(IndexJump(JumpIndex(kind)), kind);
  EXPECT_EQ(LayoutItems(kJump1)[std::size_t(JumpIndex(kMacroJumpStop) - 1)], LayoutItems(kJump2)[5]);

  const std::vector<std::string> keys = LayoutItems(kKeyPopup);
  ASSERT_EQ(int(keys.size()), kKeyItemCount);
  for (int item = 1; item <= kKeyItemCount; ++item) {
    unsigned char c = 0, m = 0;
    const bool sets = IndexKeyCode(item, c, m);
    EXPECT_EQ(sets, keys[std::size_t(item - 1)] != "-") << item;
    if (sets) { EXPECT_EQ(KeyCodeIndex(c, m), item) << item; }
  }
  // Shift is no part of the item; the Part's exceptions.
  EXPECT_EQ(KeyCodeIndex(28, 5), 5);
  EXPECT_EQ(KeyCodeIndex(30, 2), 3);
  EXPECT_EQ(KeyCodeIndex(31, 4), 4);
  EXPECT_EQ(KeyCodeIndex(8, 6), 19);
  EXPECT_EQ(KeyCodeIndex(3, 0), 0);
  EXPECT_EQ(KeyCodeIndex(13, 0), 0);
}

namespace {

RowWords TableWords() {
  RowWords w;
  w.item = [](std::int32_t pane, int item) {
    const std::vector<std::string> items = LayoutItems(pane);
    if (item < 1 || std::size_t(item) > items.size() || items[std::size_t(item - 1)] == "-") return std::string();
    return items[std::size_t(item - 1)];
  };
  w.title = [](std::int32_t pane) { return "T" + std::to_string(pane); };
  w.word = [](int item) { return "<" + std::to_string(item) + ">"; };
  w.command = [](long command) { return command == 5 ? std::string("Save") : std::string(); };
  return w;
}

std::string Row(long line, MacroBuilder& b, const RowWords& words) {
  CKXTMacroEditArray lines;
  EXPECT_EQ(lines.AnalyzeMacro(b.code.data(), long(b.code.size())), noErr);
  SKXTMacroEdit r{};
  lines.GetAt(1, r);
  std::string row = RowText(line, r, words);
  std::replace(row.begin(), row.end(), '\0', '|');
  return row;
}

}  // namespace

TEST(MacroEditorRows, RowsFollowTheTable) {
  const RowWords w = TableWords();
  const std::string kinds[] = {"", "メニュー", "テキスト", "キー", "ジャンプ", "ラベル", "値", "比較", "検索", "ダイアログ", "拡張"};
  auto head = [&](const char* number, int kind) {
    return std::string(number) + KxUTF8ToScriptText(kinds[kind]) + " |";
  };
  auto sj = [](const std::string& utf8) { return KxUTF8ToScriptText(utf8); };
  MacroBuilder b;
  EXPECT_EQ(Row(7, MacroBuilder().Command(5), w), head("7   ", 1) + "Save");
  EXPECT_EQ(Row(12345, MacroBuilder().Command(5), w), head("1234", 1) + "Save");
  EXPECT_EQ(Row(1, MacroBuilder().Key(28, 4), w), head("1   ", 3) + sj("Alt+←"));
  EXPECT_EQ(Row(1, MacroBuilder().Key(31, 6), w), head("1   ", 3) + sj("Ctrl+Alt+↓"));
  EXPECT_EQ(Row(1, MacroBuilder().Key(29, 1, 3), w), head("1   ", 3) + sj("→") + "+T3330T33313");
  EXPECT_EQ(Row(1, MacroBuilder().Text("\r"), w), head("1   ", 2) + "\r");
  EXPECT_EQ(Row(1, MacroBuilder().Goto(1, "\r"), w), head("1   ", 4) + "<1><20>");
  EXPECT_EQ(Row(1, MacroBuilder().Goto(2, "\t"), w), head("1   ", 4) + "<2><21>");
  EXPECT_EQ(Row(1, MacroBuilder().Goto(3), w), head("1   ", 4) + sj("停止"));
  EXPECT_EQ(Row(1, MacroBuilder().Value(51, 11, 1, "x"), w), head("1   ", 6) + sj("文字1") + "<9>x");
  EXPECT_EQ(Row(1, MacroBuilder().Value(61, 20, 0), w), head("1   ", 6) + sj("数値1テキストに挿入"));
  EXPECT_EQ(Row(1, MacroBuilder().Value(61, 99, 62), w), head("1   ", 6) + sj("数値1") + "<14>" + sj("数値2"));
  EXPECT_EQ(Row(1, MacroBuilder().Compare(21, 9, 1, "5", 1, "3", 3, ""), w),
            head("1   ", 7) + sj("開始行番号") + " < 5<3><1>3<4>" + sj("停止"));
  EXPECT_EQ(Row(1, MacroBuilder().Compare(0, 0, 1, "", 0, "", 0, ""), w), head("1   ", 7) + sj("なし"));
  EXPECT_EQ(Row(1, MacroBuilder().Find(1, 4 | 1 | 16, "\t", 2, "L", 0, ""), w),
            head("1   ", 8) + "<21>+<15><18><19><5><2>L");
  EXPECT_EQ(Row(1, MacroBuilder().Find(52, 0, "", 0, "", 0, ""), w), head("1   ", 8) + sj("文字2"));
  EXPECT_EQ(Row(1, MacroBuilder().Dialog(0, 51, "p", 1, "2", 0, ""), w),
            head("1   ", 9) + "T3374[p]+" + sj("文字1") + "<7><1>2");
  EXPECT_EQ(Row(1, MacroBuilder().Dialog(1, 0, "", 1, "2", 0, ""), w), head("1   ", 9) + "T3375");
  EXPECT_EQ(Row(1, MacroBuilder().Extend(77, 52), w), head("1   ", 10) + sj("書類名を取得+文字2"));
}


TEST(MacroEditorRows, LongFieldsStayWithinTheRowOnCharacters) {
  RowWords w = TableWords();
  // Long words and the longest texts of every kind.
  w.word = [](int) { return std::string(200, 'w'); };
  w.title = [](std::int32_t) { return std::string(180, 't'); };
  std::string wide;
  for (int i = 0; i < 127; ++i) wide += "\x88\x9f";   // 254 bytes of two-byte characters
  wide += "a";
  std::vector<MacroBuilder> all(9);
  all[0].Text(std::string(40000 / 2, 'a') + wide);
  all[1].Goto(1, wide);
  all[2].Label(wide);
  all[3].Value(51, 12, 1, wide);
  all[4].Compare(51, 0, 1, wide, 1, wide, 2, wide);
  all[5].Find(1, 31, wide, 2, wide, 1, wide);
  all[6].Dialog(0, 51, wide, 1, wide, 2, wide);
  all[7].Key(29, 1, 32767);
  all[8].Extend(79, 68);
  for (MacroBuilder& b : all) {
    CKXTMacroEditArray lines;
    ASSERT_EQ(lines.AnalyzeMacro(b.code.data(), long(b.code.size())), noErr);
    SKXTMacroEdit r{};
    lines.GetAt(1, r);
    const std::string row = RowText(99999, r, w);
    EXPECT_LE(row.size(), kMaxRow) << r.opcode;
    if (r.opcode == kMacroText) { EXPECT_LE(row.size(), kMaxTextRow); }
    // Never half a character at the end.
    const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
    std::size_t i = row.find('\0') + 1;
    while (i < row.size()) i += lead[std::uint8_t(row[i])] ? 2 : 1;
    EXPECT_EQ(i, row.size()) << r.opcode;
  }
}

namespace {

// A line with an id and a line-number target, so that the model follows
// lines and targets apart.
struct ModelLine {
  int id;
  long target;
};

void Fill(CKXTMacroEditArray& lines, const std::vector<ModelLine>& model) {
  MacroBuilder b;
  // The search text carries the id; the first jump target the number.
  for (const ModelLine& m : model) b.Find(1, 0, std::to_string(m.id), 1, std::to_string(m.target), 0, "");
  ASSERT_EQ(lines.AnalyzeMacro(b.code.data(), long(b.code.size())), noErr);
}

std::vector<ModelLine> Read(const CKXTMacroEditArray& lines) {
  std::vector<ModelLine> out;
  SKXTMacroEdit r;
  for (long n = 1; n <= lines.GetCount(); ++n) {
    lines.GetAt(n, r);
    out.push_back({std::stoi(std::string(r.text, std::size_t(r.textLength))),
                   UKXTextMacro::ReadNumber(r.target1Text, r.target1Length)});
  }
  return out;
}

bool operator==(const ModelLine& a, const ModelLine& b) { return a.id == b.id && a.target == b.target; }
void PrintTo(const ModelLine& m, std::ostream* out) { *out << m.id << "->" << m.target; }

}  // namespace

TEST(MacroEditorLines, PasteAndClearMatchTheListModel) {
  std::mt19937 random(76);
  const long steps = KxRandomSteps(200);
  for (long step = 0; step < steps; ++step) {
    const int count = int(random() % 8) + 1;
    std::vector<ModelLine> model;
    for (int i = 0; i < count; ++i) model.push_back({i + 1, long(random() % (count + 2))});
    CKXTMacroEditArray lines;
    Fill(lines, model);

    // Clear a random selection: the lines go, targets after a deleted line
    // move back by one each.
    std::vector<long> selected;
    for (int i = 1; i <= count; ++i)
      if (random() % 3 == 0) selected.push_back(i);
    std::shuffle(selected.begin(), selected.end(), random);
    std::vector<ModelLine> expect;
    for (const ModelLine& m : model) {
      if (std::count(selected.begin(), selected.end(), long(m.id))) continue;
      long below = 0;
      for (long d : selected) below += d < m.target;
      expect.push_back({m.id, m.target - below});
    }
    ClearLines(lines, selected);
    ASSERT_EQ(Read(lines), expect) << "step " << step;

    // Paste copied lines (with targets of their own) before or after a row.
    std::vector<ModelLine> pasted;
    const int n = int(random() % 3) + 1;
    for (int i = 0; i < n; ++i) pasted.push_back({100 + i, long(random() % 10)});
    CKXTMacroEditArray source;
    Fill(source, pasted);
    std::vector<char> code(std::size_t(source.GetMacroSize()));
    source.CreateMacro(code.data(), long(code.size()));
    const long position = long(random() % (expect.size() + 1)) + 1;
    std::vector<ModelLine> after;
    for (ModelLine m : expect) after.push_back({m.id, m.target >= position ? m.target + n : m.target});
    after.insert(after.begin() + (position - 1), pasted.begin(), pasted.end());
    ASSERT_EQ(PasteLines(lines, code.data(), long(code.size()), position), n);
    ASSERT_EQ(Read(lines), after) << "step " << step;
  }
}

// ---- the window on the headless host

class MacroEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    KxRegisterMacroEditorClasses();
    KxSetKeySource(&keys);
    gKXTextMacros->DeleteAll();
  }
  void TearDown() override {
    if (CKXTextMacroEditor::GetEditor()) CKXTextMacroEditor::GetEditor()->DoClose();
    KxSetKeySource(nullptr);
    gKXTextMacros->DeleteAll();
    if (char** old = UKXTextMacro::SetMacroData(nullptr, 0)) KxMemHFree(old);
  }
  void Store(const std::string& name, const std::vector<char>& code) {
    SKXTMacro m{};
    m.name[0] = std::uint8_t(name.size());
    std::memcpy(m.name + 1, name.data(), name.size());
    m.size = std::int32_t(code.size());
    m.code = KxMemHAlloc(long(code.size()), true);
    std::memcpy(*m.code, code.data(), code.size());
    gKXTextMacros->InsertAt(CKXTMacroArray::kAppend, m);
  }
  std::vector<char> Code(long n) {
    SKXTMacro m{};
    gKXTextMacros->GetAt(n, m);
    return m.code ? std::vector<char>(*m.code, *m.code + m.size) : std::vector<char>();
  }
  CKXTextMacroEditor& Open(long macro) {
    EXPECT_TRUE(CKXTextMacroEditor::ShowMacroEditor(nullptr));
    CKXTextMacroEditor& e = *CKXTextMacroEditor::GetEditor();
    if (macro) Choose(kMacroPopup, macro + 2);
    return e;
  }
  template <class T>
  T& Pane(std::int32_t id) {
    T* p = dynamic_cast<T*>(CKXTextMacroEditor::GetEditor()->FindPaneByID(id));
    EXPECT_NE(p, nullptr) << id;
    return *p;
  }
  void Choose(std::int32_t id, std::int32_t value) { Pane<LControl>(id).SetValue(value); }
  void Select(std::vector<std::int32_t> rows) {
    for (auto& r : rows) --r;
    Pane<KXMacroListBox>(kList).ChooseRows(rows);
  }
  void Field(std::int32_t id, const std::string& text) {
    Pane<KXEditField>(id).SetText(text.data(), text.size());
  }

  KxHeadlessHost host;
  KxFakeKeys keys;
};

// The editor opens clear of the tool palette's room (its name field and
// register button at the top stay in sight), on the screen, also after it
// was closed off the screen.
TEST_F(MacroEditorTest, OpensClearOfThePalette) {
  static constexpr std::int16_t kRoom = 300;
  const KxPaletteSpaceFn before = KxSetPaletteSpaceHook([] { return Point{kRoom, 0}; });
  const Rect screen = KxCurrentHost().GetScreenBounds();
  auto placed = [&] {
    const Rect r = CKXTextMacroEditor::GetEditor()->GetGlobalBounds();
    EXPECT_GE(r.top, screen.top + kRoom);
    EXPECT_LE(r.bottom, screen.bottom);
    EXPECT_GE(r.left, screen.left);
    EXPECT_LE(r.right, screen.right);
  };
  CKXTextMacroEditor& e = Open(0);
  placed();
  const Rect b = e.GetGlobalBounds();
  e.DoSetBounds(Rect{-500, 5000, std::int16_t(-500 + b.bottom - b.top), std::int16_t(5000 + b.right - b.left)});
  e.DoClose();
  Open(0);
  placed();
  KxSetPaletteSpaceHook(before);
}

TEST_F(MacroEditorTest, KeysShownAndLeftUnchangedKeepTheirBytes) {
  MacroBuilder b;
  for (unsigned char c : {1, 3, 4, 8, 11, 12, 28, 29, 30, 31, 127})
    for (unsigned char m = 0; m < 8; ++m) b.Key(c, m, m == 5 ? 7 : 0);
  Store("keys", b.code);
  CKXTextMacroEditor& editor = Open(1);
  const long count = editor.Lines().GetCount();
  ASSERT_EQ(count, 88);
  for (long line = 1; line <= count; ++line) Select({std::int32_t(line)});
  Select({});
  ASSERT_TRUE(editor.MacroRenewalButton());
  EXPECT_EQ(Code(1), b.code);
  EXPECT_FALSE(editor.IsModified());

  // The shift box alone adds only shift; the pop-up sets its own key.
  Select({2});   // Home with shift off? character 1 modifiers 1
  Choose(kKeyShift, 0);
  Select({8 * 6 + 3});   // 28 with modifiers 2 (command)
  Choose(kKeyPopup, 20);   // Delete
  Field(kKeyCount, "40000");
  Select({});
  SKXTMacroEdit shown{};
  editor.Lines().GetAt(51, shown);
  EXPECT_EQ(shown.count, kMaxRepeat);   // the line holds what 16 bits can
  ASSERT_TRUE(editor.MacroRenewalButton());
  CKXTMacroEditArray back;
  std::vector<char> code = Code(1);
  ASSERT_EQ(back.AnalyzeMacro(code.data(), long(code.size())), noErr);
  SKXTMacroEdit r{};
  back.GetAt(2, r);
  EXPECT_EQ(r.value, 1);
  EXPECT_EQ(r.option, 0);
  back.GetAt(51, r);
  EXPECT_EQ(r.value, 127);
  EXPECT_EQ(r.option, 0);
  EXPECT_EQ(r.count, kMaxRepeat);   // the code keeps the count the row shows
}

TEST_F(MacroEditorTest, FieldsAreCappedOnCharactersAndCountsHeld) {
  Store("m", MacroBuilder().Label("a").Key(29).code);
  CKXTextMacroEditor& editor = Open(1);
  Select({1});
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\x88\x9f";
  Field(kLabelField, "xx" + wide);
  Select({2});
  Field(kKeyCount, "0");
  Select({});
  SKXTMacroEdit r{};
  editor.Lines().GetAt(1, r);
  EXPECT_EQ(r.textLength, 254);   // "xx" and 126 whole characters
  editor.Lines().GetAt(2, r);
  EXPECT_EQ(r.count, 1);

  // Function keys 1-12 only.
  Choose(kFunction, 1);
  Field(kFuncNumber, "13");
  editor.CheckMacroEdit(kFuncNumber, 0);
  EXPECT_GE(host.Beeps(), 1);
  EXPECT_EQ(editor.Lines().mHeader[2], 0);
  Field(kFuncNumber, "12");
  editor.CheckMacroEdit(kFuncNumber, 0);
  EXPECT_EQ(editor.Lines().mHeader[2], 12);
}

TEST_F(MacroEditorTest, CaptureStoresCommandsThatFitAndRefusesOthers) {
  Store("m", MacroBuilder().Command(5).code);
  CKXTextMacroEditor& editor = Open(1);
  Select({1});
  auto& list = Pane<KXMacroListBox>(kList);
  ASSERT_TRUE(list.IsCommandThrough());
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  list.FindCommandStatus(1150, enabled, usesMark, mark, name);
  EXPECT_TRUE(enabled);
  const int beeps = host.Beeps();
  list.ObeyCommand(-(239L * 65536 + 300), nullptr);   // a font item above 255
  EXPECT_EQ(host.Beeps(), beeps + 1);
  EXPECT_EQ(list.GetCommand(), 5);
  list.ObeyCommand(-(239L * 65536 + 7), nullptr);
  Select({});
  EXPECT_FALSE(list.IsCommandThrough());
  SKXTMacroEdit r{};
  editor.Lines().GetAt(1, r);
  EXPECT_EQ(UKXTextMacro::DecodeCommand(r.value), -(239L * 65536 + 7));
  EXPECT_TRUE(editor.IsModified());
}

TEST_F(MacroEditorTest, PasteKeepsPastedTargetsAndShiftPutsThemBefore) {
  Store("m", MacroBuilder().Goto(1, "2").Text("a").Goto(1, "1").code);
  CKXTextMacroEditor& editor = Open(1);
  Select({1});
  editor.CopyMacro();
  Select({3});
  keys.SetKey(0x38, true);   // shift: before the row
  editor.PasteMacro();
  keys.SetKey(0x38, false);
  SKXTMacroEdit r{};
  ASSERT_EQ(editor.Lines().GetCount(), 4);
  editor.Lines().GetAt(3, r);
  EXPECT_EQ(std::string(r.text, std::size_t(r.textLength)), "2");   // pasted: as copied
  editor.Lines().GetAt(4, r);
  EXPECT_EQ(std::string(r.text, std::size_t(r.textLength)), "1");
  Select({1, 2});
  editor.ClearMacro();
  ASSERT_EQ(editor.Lines().GetCount(), 2);
  EXPECT_TRUE(editor.IsModified());
}

TEST_F(MacroEditorTest, StoreReplacesByNameOrAppendsAndEditsSurviveAChangedList) {
  Store("a", MacroBuilder().Text("x").code);
  Store("b", MacroBuilder().Text("y").code);
  CKXTextMacroEditor& editor = Open(2);
  Select({1});
  Field(kTextField, "z");
  Select({});
  ASSERT_TRUE(editor.MacroRenewalButton());
  EXPECT_EQ(Code(2), MacroBuilder().Text("z").code);
  Field(kName, "c");
  ASSERT_TRUE(editor.MacroRenewalButton());
  ASSERT_EQ(gKXTextMacros->GetCount(), 3);
  EXPECT_EQ(Code(3), Code(2));
  EXPECT_EQ(editor.GetMacroNumber(), 3);

  // The macro dialog deletes macro 1 while the editor holds an unstored
  // edit of "c": the edit stays, now of macro 2.
  Select({1});
  Field(kTextField, "w");
  Select({});
  ASSERT_TRUE(editor.IsModified());
  gKXTextMacros->DeleteAt(1);
  gKXTextMacros->mChanged = 1;
  editor.Deactivate();
  editor.Activate();
  EXPECT_TRUE(editor.IsModified());
  EXPECT_EQ(editor.GetMacroNumber(), 2);
  // Then "c" goes too: the edit becomes a new macro.
  gKXTextMacros->DeleteAt(2);
  gKXTextMacros->mChanged = 1;
  editor.Deactivate();
  editor.Activate();
  ASSERT_TRUE(editor.MacroRenewalButton());
  ASSERT_EQ(gKXTextMacros->GetCount(), 2);
  EXPECT_EQ(Code(2), MacroBuilder().Text("w").code);
}

// A stored macro whose code does not decode (a damaged preference file)
// is reported with its bad line, both when the editor shows it (its list
// is empty) and when it is run (nothing of it runs).
TEST_F(MacroEditorTest, AStoredMacroThatDoesNotDecodeIsReportedWhenShownAndRun) {
  Store("good", MacroBuilder().Text("q").code);
  std::vector<char> bad = MacroBuilder().Text("a").Text("bc").code;
  bad.pop_back();   // the second text overruns the code
  Store("bad", bad);
  Open(1);
  EXPECT_EQ(host.Alerts().size(), 0u);
  Choose(kMacroPopup, 4);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].text.substr(0, 1), "2");
  CKXTextMacroEditor::GetEditor()->DoClose();

  FakeTarget view;
  FakeHost macroHost;
  macroHost.view = &view;
  KxMacroSetHost(&macroHost);
  EXPECT_TRUE(CKXMacroRecorder::Get().RunUserMacro(2));
  EXPECT_TRUE(view.calls.empty());
  ASSERT_EQ(host.Alerts().size(), 2u);
  EXPECT_EQ(host.Alerts()[1].text, host.Alerts()[0].text);
  EXPECT_TRUE(CKXMacroRecorder::Get().RunUserMacro(1));
  EXPECT_EQ(view.calls, std::vector<std::string>{"insert q"});
  EXPECT_EQ(host.Alerts().size(), 2u);
  KxMacroSetHost(nullptr);
}

TEST_F(MacroEditorTest, FilesThatCannotBeWrittenOrReadAreReported) {
  const std::string folder = ::testing::TempDir() + "kxme-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  Store("m", MacroBuilder().Text("q").code);
  CKXTextMacroEditor& editor = Open(1);
  ASSERT_TRUE(Pane<LPane>(kWrite).IsEnabled());
  // A file where a folder should be: the write fails.
  std::ofstream(folder + "/plain") << "x";
  host.QueueAnswer(KxAnswer::kOK, folder + "/plain/m");
  editor.MacroFileWriteButton();
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_TRUE(Pane<LPane>(kWrite).IsEnabled());
  // Written, then read back as a new macro with the same bytes.
  const std::string path = folder + "/名前";
  host.QueueAnswer(KxAnswer::kOK, path);
  editor.MacroFileWriteButton();
  EXPECT_EQ(host.Alerts().size(), 1u);
  EXPECT_FALSE(Pane<LPane>(kWrite).IsEnabled());
  OSType type = 0, creator = 0;
  EXPECT_TRUE(KxGetFileTypeCreator(path, type, creator));
  EXPECT_EQ(type, FourCC("MACR"));
  host.QueueAnswer(KxAnswer::kOK, path);
  editor.MacroFileReadButton();
  ASSERT_EQ(gKXTextMacros->GetCount(), 2);
  EXPECT_EQ(Code(2), Code(1));
  SKXTMacro m{};
  gKXTextMacros->GetAt(2, m);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(m.name + 1), m.name[0]), KxUTF8ToScriptText("名前"));
  host.QueueAnswer(KxAnswer::kOK, folder + "/missing");
  editor.MacroFileReadButton();
  EXPECT_EQ(host.Alerts().size(), 2u);
  std::filesystem::remove_all(folder);
}

TEST_F(MacroEditorTest, APopupClickedChoosesThroughTheHostsMenu) {
  CKXTextMacroEditor& editor = Open(0);
  auto& kinds = Pane<LStdPopupMenu>(kNewPopup);
  SMouseDownEvent click{};
  kinds.ClickSelf(click);
  ASSERT_EQ(host.Popups(), 1);
  ASSERT_EQ(host.LastPopup().size(), 10u);
  EXPECT_TRUE(LStdPopupMenu::ChooseWaiting(7));   // the eighth entry: a find line
  ASSERT_EQ(editor.Lines().GetCount(), 1);
  SKXTMacroEdit r{};
  editor.Lines().GetAt(1, r);
  EXPECT_EQ(r.opcode, kMacroFind);
  EXPECT_EQ(kinds.GetValue(), 0);   // back to no item
  EXPECT_FALSE(LStdPopupMenu::ChooseWaiting(2));   // nothing waits now
  // A separator chooses nothing; a hidden pop-up takes no choice.
  Pane<LStdPopupMenu>(kJump1).ClickSelf(click);
  EXPECT_TRUE(LStdPopupMenu::ChooseWaiting(1));
  EXPECT_EQ(Pane<LStdPopupMenu>(kJump1).GetValue(), 1);
  Pane<LStdPopupMenu>(kValueRegister).ClickSelf(click);
  EXPECT_TRUE(LStdPopupMenu::ChooseWaiting(3));
  EXPECT_EQ(Pane<LStdPopupMenu>(kValueRegister).GetValue(), 1);
}

// A Unicode text line left as shown keeps its bytes; edited, it becomes a
// text line of what its field holds.
TEST_F(MacroEditorTest, UnicodeTextKeepsItsCharactersUnlessEdited) {
  const std::vector<char> code = MacroBuilder().UnicodeText("é€😀").Text("x").code;
  Store("u", code);
  CKXTextMacroEditor& editor = Open(1);
  ASSERT_EQ(editor.Lines().GetCount(), 2);
  Select({1});
  SKXTMacroEdit line{};
  editor.Lines().GetAt(1, line);
  const std::string shown = UnicodeLineText(line);
  ASSERT_EQ(shown.size(), 5u);   // a placeholder of one byte for é, of two for € and 😀
  EXPECT_EQ(Pane<KXEditField>(kTextField).GetText(), shown);
  Select({2});
  Select({});
  ASSERT_TRUE(editor.MacroRenewalButton());
  EXPECT_EQ(Code(1), code);
  EXPECT_FALSE(editor.IsModified());

  Select({1});
  Field(kTextField, "edited");
  Select({});
  ASSERT_TRUE(editor.MacroRenewalButton());
  EXPECT_EQ(Code(1), MacroBuilder().Text("edited").Text("x").code);
}
