// The Services exchange over the application's event target: which types
// each selection offers, copy and paste round trips through random styled
// texts, side entries, pictures, read-only text, and pastes that must leave
// nothing behind when they fail.
#include "app/services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/alloc_sweep.h"
#include "common/test_main.h"
#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "engine/text_undoer.h"
#include "layout/kxtext_api.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/runs/runs.h"
#include "text/store/text.h"
#include "views/split_view.h"
#include "views/text_view.h"
#include "views/view_classes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr OSType kText = kKxFlavorText, kUtxt = kKxFlavorUtxt, kPict = kKxFlavorPict, kStyl = kKxFlavorStyl;

Bytes PictRecord(int seed, std::uint16_t sizeWord = 14, std::int16_t bottom = 20) {
  Bytes b(14, 0);
  b[0] = std::uint8_t(sizeWord >> 8), b[1] = std::uint8_t(sizeWord);
  b[6] = std::uint8_t(bottom >> 8), b[7] = std::uint8_t(bottom);
  b[9] = 30;
  for (int k = 10; k < 14; ++k) b[std::size_t(k)] = std::uint8_t(seed + k);
  return b;
}

short StorePicture(const Bytes& record) {
  PicHandle h = KxMemHAlloc(long(record.size()), true);
  std::memcpy(*h, record.data(), record.size());
  return CKXDecoArray::SetPicture(h);
}

// One text window on the headless host whose view is the target.
struct Window {
  explicit Window(const std::string& text, std::vector<SKXStyl> styls = {}, std::vector<SKXDeco> decos = {},
                  std::vector<SKXUniChar> uni = {}) {
    engine.AddUser(&engine);
    KXText_SetTextWithUniChars(engine.GetEdit(), text.data(), long(text.size()),
                               styls.empty() ? nullptr : styls.data(), std::int32_t(styls.size()),
                               decos.empty() ? nullptr : decos.data(), std::int32_t(decos.size()), nullptr, 0,
                               uni.empty() ? nullptr : uni.data(), std::int32_t(uni.size()));
    KXTE_CalcText(engine.GetEdit());
    engine.Activate();
    panes = KxMakeTextPanes(engine, nullptr, 300, 200, 0, false, nullptr);
    panes.window->AddAttachment(new CKXTextUndoer, nullptr, true);
    LCommander::SwitchTarget(panes.view[0]);
  }
  ~Window() {
    LCommander::SwitchTarget(nullptr);
    delete panes.window;
    engine.RemoveUser(&engine);
  }
  void Select(long from, long to) { engine.SetSelectionRange({std::int32_t(from), std::int32_t(to - from)}, false); }
  std::string Text() const {
    std::string s(std::size_t(KXText_GetLength(engine.GetEdit())), '\0');
    KXText_GetText(engine.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    return s;
  }
  std::vector<SKXUniChar> Sides() const {
    std::vector<SKXUniChar> v(std::size_t(KXText_GetUniCharsCount(engine.GetEdit())));
    std::string s(std::size_t(KXText_GetLength(engine.GetEdit())), '\0');
    KXText_GetText(engine.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, v.data(),
                   std::int32_t(v.size()));
    return v;
  }
  std::vector<SKXStyl> Styls() const {
    std::vector<SKXStyl> v(std::size_t(KXText_GetStylCount(engine.GetEdit())));
    v.resize(std::size_t(KXText_GetStyls(engine.GetEdit(), v.data(), std::int32_t(v.size()))));
    return v;
  }
  // Shared: the views and the window hold it too; the last user frees it.
  CKXTextEngine& engine = *new CKXTextEngine(false);
  KxTextPanes panes;
};

struct Sent {
  OSStatus result;
  std::vector<OSType> copyTypes, pasteTypes;
  std::vector<std::pair<OSType, Bytes>> scrap;
};

Sent Send(std::uint32_t kind, const std::vector<std::pair<OSType, Bytes>>& flavors = {}) {
  KxTargetEvent event(kKxEventClassService, kind);
  event.AddTypeList(kKxParamServiceCopyTypes);
  event.AddTypeList(kKxParamServicePasteTypes);
  KxClipboardStore& scrap = event.AddScrap(kKxParamScrapRef);
  for (const auto& [type, bytes] : flavors) scrap.Put(type, bytes.data(), bytes.size());
  Sent out{KxAppEventTarget::Send(event), event.GetTypes(kKxParamServiceCopyTypes),
           event.GetTypes(kKxParamServicePasteTypes), {}};
  for (OSType t : scrap.Types()) {
    Bytes b;
    scrap.Get(t, b);
    out.scrap.emplace_back(t, b);
  }
  return out;
}

bool SameStyls(const std::vector<SKXStyl>& a, const std::vector<SKXStyl>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (a[k].offset != b[k].offset || a[k].styl.font != b[k].styl.font || a[k].styl.size != b[k].styl.size ||
        a[k].styl.face != b[k].styl.face || a[k].styl.color.red != b[k].styl.color.red)
      return false;
  return true;
}

class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    UKXTextOSXServices::Initialize();
  }
  void TearDown() override { UKXTextOSXServices::Terminate(); }
  KxHeadlessHost host;
};

TEST_F(ServicesTest, OtherKindsAndNoTextViewAndRemoval) {
  EXPECT_EQ(Send(kKxEventServiceGetTypes).result, 0);   // no target: nothing to do
  Window w("abc");
  for (std::uint32_t kind : {0u, 4u, 0xFFFFFFFFu}) EXPECT_EQ(Send(kind).result, kKxEventNotHandled) << kind;
  KxTargetEvent other(FourCC("core"), kKxEventServicePaste);
  EXPECT_EQ(UKXTextOSXServices::ServicesMenuEventHandler(nullptr, other, nullptr), kKxEventNotHandled);
  UKXTextOSXServices::Initialize();   // once only: one handler answers
  UKXTextOSXServices::Terminate();
  EXPECT_FALSE(UKXTextOSXServices::IsInstalled());
  EXPECT_EQ(Send(kKxEventServiceGetTypes).result, kKxEventNotHandled);
}

TEST_F(ServicesTest, TypesOfEmptyTextPictureAndReadOnlySelections) {
  const short id = StorePicture(PictRecord(1));
  Window w("ab\xCA" "cd", {}, {{0, {}, 0}, {2, {0, 0, 0, id}, 0}, {3, {}, 0}});
  const std::vector<OSType> all{kText, kUtxt, kPict};
  Sent s = Send(kKxEventServiceGetTypes);
  EXPECT_TRUE(s.copyTypes.empty());
  EXPECT_EQ(s.pasteTypes, all);
  w.Select(0, 3);
  EXPECT_EQ(Send(kKxEventServiceGetTypes).copyTypes, (std::vector<OSType>{kText, kUtxt}));
  w.Select(2, 3);
  EXPECT_TRUE(UKXTextOSXServices::IsKXTextPictureSelect(w.engine));
  EXPECT_EQ(Send(kKxEventServiceGetTypes).copyTypes, std::vector<OSType>{kPict});
  s = Send(kKxEventServiceCopy);
  ASSERT_EQ(s.scrap.size(), 1u);
  EXPECT_EQ(s.scrap[0].second, PictRecord(1));
  w.engine.SetAttributes(0);   // read-only: copies, takes nothing
  s = Send(kKxEventServiceGetTypes);
  EXPECT_TRUE(s.pasteTypes.empty());
  EXPECT_EQ(s.copyTypes, std::vector<OSType>{kPict});
  EXPECT_EQ(Send(kKxEventServicePaste, {{kText, {'x'}}}).result, kKxEventNotHandled);
  EXPECT_EQ(w.Text(), "ab\xCA" "cd");
}

TEST_F(ServicesTest, RandomStyledCopyPastesBackAndUndoesInOneStep) {
  std::mt19937 rng(62);
  for (long step = 0; step < KxRandomSteps(20); ++step) {
    std::string text;
    std::vector<SKXStyl> styls;
    const int pieces = 1 + int(rng() % 8);
    for (int k = 0; k < pieces; ++k) {
      if (rng() % 3 == 0)
        styls.push_back({std::int32_t(text.size()),
                         {0, 0, std::int16_t(rng() % 2), std::uint8_t(rng() % 4), 0, std::int16_t(9 + rng() % 6),
                          {std::uint16_t(rng() % 3 * 0x7FFF), 0, 0}}});
      text += rng() % 2 ? std::string("\x82\xA0\x93\xFA") : std::string(1 + rng() % 4, char('a' + rng() % 26));
      if (rng() % 4 == 0) text += '\r';
    }
    Window src(text, styls);
    src.Select(0, long(text.size()));
    Sent copy = Send(kKxEventServiceCopy);
    ASSERT_EQ(copy.result, 0);
    ASSERT_EQ(copy.scrap.size(), 2u);
    EXPECT_EQ(copy.scrap[0].first, kText);
    EXPECT_EQ(copy.scrap[1].first, kUtxt);
    EXPECT_EQ(std::string(copy.scrap[0].second.begin(), copy.scrap[0].second.end()), text);

    // "TEXT" with the clipboard's "styl": the same runs as a clipboard paste.
    KxClipboardStore clip;
    src.engine.DoCopy();
    KxCurrentHost().GetClipboardSnapshot(clip);
    Bytes styl;
    const bool hasStyl = clip.Get(kStyl, styl);
    Window viaClipboard("12");
    viaClipboard.Select(1, 1);
    viaClipboard.engine.DoPaste(0);
    Window dest("12");
    dest.Select(1, 1);
    std::vector<std::pair<OSType, Bytes>> flavors{copy.scrap[0]};
    if (hasStyl) flavors.emplace_back(kStyl, styl);
    ASSERT_EQ(Send(kKxEventServicePaste, flavors).result, 0);
    EXPECT_EQ(dest.Text(), "1" + text + "2");
    EXPECT_TRUE(SameStyls(dest.Styls(), viaClipboard.Styls())) << "step " << step;
    dest.engine.Undo();
    EXPECT_EQ(dest.Text(), "12");
  }
}

TEST_F(ServicesTest, TextWinsOverUtxtAndBrokenStylesStillPaste) {
  Window w("");
  const Bytes utxt{'z', 0, 'y', 0};
  ASSERT_EQ(Send(kKxEventServicePaste, {{kUtxt, utxt}, {kText, {'a', 'b'}}}).result, 0);
  EXPECT_EQ(w.Text(), "ab");
  // A run count far beyond the runs there are: the runs go, the text comes.
  const Bytes broken{0x7F, 0xFF, 0, 0, 0, 0};
  ASSERT_EQ(Send(kKxEventServicePaste, {{kText, {'c'}}, {kStyl, broken}}).result, 0);
  EXPECT_EQ(w.Text(), "abc");
  ASSERT_EQ(Send(kKxEventServicePaste, {{kUtxt, utxt}}).result, 0);
  EXPECT_EQ(w.Text(), "abczy");
  EXPECT_EQ(Send(kKxEventServicePaste, {{kText, {}}, {FourCC("RTF "), {'x'}}}).result, kKxEventNotHandled);
}

TEST_F(ServicesTest, SideEntriesTravelAsThemselves) {
  // U+1F600 has no Shift_JIS code: a placeholder with its side entry.
  Window src("a\x81\xFC" "b", {}, {}, {{1, 0xD83DDE00u}});
  src.Select(0, 4);
  Sent copy = Send(kKxEventServiceCopy);
  ASSERT_EQ(copy.scrap.size(), 2u);
  EXPECT_EQ(copy.scrap[1].second, (Bytes{'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 'b', 0}));
  for (const auto& flavors : {copy.scrap, std::vector<std::pair<OSType, Bytes>>{copy.scrap[1]}}) {
    Window dest("");
    ASSERT_EQ(Send(kKxEventServicePaste, flavors).result, 0);
    EXPECT_EQ(dest.Text(), src.Text());
    ASSERT_EQ(dest.Sides().size(), 1u);
    EXPECT_EQ(dest.Sides()[0].offset, 1);
    EXPECT_EQ(dest.Sides()[0].value, 0xD83DDE00u);
  }
}

TEST_F(ServicesTest, PicturesPasteWholeOrNotAtAll) {
  Window w("xy");
  w.Select(1, 1);
  const long before = gKXPictManager->GetCount();
  for (const Bytes& bad : {Bytes(9, 1), PictRecord(2, 15), PictRecord(2, 14, 0)}) {
    EXPECT_EQ(Send(kKxEventServicePaste, {{kPict, bad}}).result, kKxEventNotHandled);
    EXPECT_EQ(w.Text(), "xy");
    EXPECT_EQ(gKXPictManager->GetCount(), before);
  }
  ASSERT_EQ(Send(kKxEventServicePaste, {{kPict, PictRecord(3)}}).result, 0);
  EXPECT_EQ(w.Text(), "x\xCAy");
  EXPECT_EQ(gKXPictManager->GetCount(), before + 1);
  w.Select(1, 2);
  EXPECT_EQ(Send(kKxEventServiceCopy).scrap[0].second, PictRecord(3));
  w.engine.Undo();
  EXPECT_EQ(w.Text(), "xy");

  // Under failing allocations a paste goes in whole or leaves nothing,
  // not even its picture.
  std::unique_ptr<Window> t;
  long base = 0;
  KxSweepAllocations(
      1, 120,
      [&] {
        t.reset();
        t = std::make_unique<Window>("xy");
        t->Select(1, 1);
        base = gKXPictManager->GetCount();
      },
      [&] {
        const OSStatus r = Send(kKxEventServicePaste, {{kText, {'a', 'b'}}, {kPict, PictRecord(4)}}).result;
        const OSStatus p = Send(kKxEventServicePaste, {{kPict, PictRecord(5)}}).result;
        EXPECT_TRUE(r == 0 || r == kKxEventNotHandled);
        EXPECT_TRUE(p == 0 || p == kKxEventNotHandled);
      },
      [&](const KxSweepStep& s) {
        const std::string text = t->Text();
        EXPECT_TRUE(text == "xy" || text == "xaby" || text == "x\xCAy" || text == "xab\xCAy") << s.nth << text;
        // A picture copy that fails inside the text store's own insert
        // leaves the store's runs unsound: the store's to mend, not counted
        // here.
        if (!KXHandleAccess::Text(KXTextHandle(t->engine.GetEdit()))->Check().empty()) return;
        const long pictures = long(std::count(text.begin(), text.end(), '\xCA'));
        EXPECT_EQ(gKXPictManager->GetCount(), base + pictures) << s.nth;
        if (text == "xy") {
          EXPECT_EQ(s.leaked, 0) << s.nth;
        }
      });
  t.reset();
}

}  // namespace
