// kxedit --window --ruler: the ruler where the document window puts it
// (above the text, 40 px in while --lines shows the margin; at the right
// edge with --vertical), and a stand-in document that records what reaches
// it. Steps:
//   mouse click X Y [COUNT] [MODS]   COUNT clicks (1-3), each a press and a
//                              release at the same place
//   popup N                    chooses item N (from 1) of the last pop-up as
//                              the host's menu-choice event; popup 0 closes
//   print popup                `N E M TEXT` per item of the last pop-up
//   print ruler                the ruler's state, its copy of the paragraph
//                              and every place that takes clicks now
//   print calls                what reached the document since last asked
//   print beeps                `beeps N`
//   mouse hold X Y TICKS [MODS]   the button down at X Y for TICKS ticks of
//                              the virtual clock, then up there
// --format-bar shows the ruler's format bar; --screen W,H sets the main
// screen the bar's layout is chosen from.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/framework/events.h"
#include "platform/framework/window.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"
#include "platform/textconv.h"
#include "views/split_view.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

namespace kxruler {

// The window's document: records each call, and shows or hides the format
// bar as the real document does.
class Document : public CKXTextDoc {
 public:
  explicit Document(KxTextPanes& panes) : mPanes(panes) {}
  void OpenParagraphDialog(short field) override { mCalls.push_back("OpenParagraphDialog " + std::to_string(field)); }
  void OpenTabsDialog(short tab, short kind) override {
    mCalls.push_back("OpenTabsDialog " + std::to_string(tab) + " " + std::to_string(kind));
  }
  void RulerToolsWindow(bool show, bool redraw) override {
    mCalls.push_back(std::string("RulerToolsWindow ") + (show ? "1" : "0") + (redraw ? " 1" : " 0"));
    KxSwitchFormBar(mPanes, show, redraw);
  }
  void ObeyDocumentCommand(long command) override { mCalls.push_back("ObeyCommand " + std::to_string(command)); }
  void PrintCalls() {
    for (const std::string& c : mCalls) std::printf("%s\n", c.c_str());
    mCalls.clear();
  }

 private:
  KxTextPanes& mPanes;
  std::vector<std::string> mCalls;
};

class Steps {
 public:
  Steps(KxTextPanes& panes, bool ruler, bool formBar, bool vertical, KxGtkHost* gtk)
      : mPanes(panes), mDocument(panes), mGtk(gtk) {
    if (ruler) mRuler = KxAddTextRuler(panes, vertical);
    if (mRuler && formBar) KxSwitchFormBar(panes, true, false);
    if (mRuler) mRuler->SetDocument(&mDocument);
    for (CKXTextView* v : panes.view)
      if (v) v->SetDocument(&mDocument);
    panes.window->UpdatePort();
  }
  ~Steps() {
    for (CKXTextView* v : mPanes.view)
      if (v) v->SetDocument(nullptr);
    if (mRuler) mRuler->SetDocument(nullptr);
  }
  Steps(const Steps&) = delete;
  Steps& operator=(const Steps&) = delete;

  // 0 done, 1 bad, -1 not a ruler step.
  int Step(const std::string& verb, const std::vector<std::string>& a, std::string& why) {
    if (verb == "popup") return Popup(a, why);
    if (verb != "print" || a.size() != 1) return -1;
    if (a[0] == "ruler") return PrintRuler();
    if (a[0] == "calls") return mDocument.PrintCalls(), 0;
    if (a[0] == "popup") return PrintPopup();
    if (a[0] == "beeps") {
      auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost());
      std::printf("beeps %d\n", headless ? headless->Beeps() : (mGtk ? mGtk->Beeps() : 0));
      return 0;
    }
    return -1;
  }

 private:
  static bool AnyOpen() {
    return CKXTextColmView::IsPopupOpen() || CKXTextInfoView::IsScaleMenuOpen() || CKXTextWindow::IsInfoMenuOpen();
  }
  std::vector<KxPopupEntry> Shown() const {
    if (auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost())) return headless->LastPopup();
    return CKXTextColmView::LastPopupEntries();
  }
  static void Choose(std::int16_t index) {
    // As the application hands a pop-up's choice on.
    if (CKXTextColmView::IsPopupOpen())
      CKXTextColmView::ChoosePopupItem(std::int16_t(index + 1));
    else if (CKXTextInfoView::IsScaleMenuOpen())
      CKXTextInfoView::ChooseScaleItem(std::int16_t(index + 1));
    else if (CKXTextWindow::IsInfoMenuOpen())
      CKXTextWindow::ChooseInfoMenu(index);
  }
  int Popup(const std::vector<std::string>& a, std::string& why) {
    char* end = nullptr;
    const long n = a.size() == 1 ? std::strtol(a[0].c_str(), &end, 10) : -1;
    if (a.size() != 1 || !end || *end || n < 0) return why = "popup N", 1;
    if (!AnyOpen()) return why = "no pop-up menu is open", 1;
    if (n == 0) {
      CKXTextColmView::ForgetPopup();
      CKXTextInfoView::ForgetScaleMenu();
      CKXTextWindow::ForgetInfoMenu();
      return 0;
    }
    const std::vector<KxPopupEntry> entries = Shown();
    if (n > long(entries.size())) return why = "popup " + a[0] + ": no such item", 1;
    const KxPopupEntry& e = entries[std::size_t(n - 1)];
    if (e.separator || !e.enabled) return why = "popup " + a[0] + ": not enabled", 1;
    auto* headless = dynamic_cast<KxHeadlessHost*>(&KxCurrentHost());
    if (!headless) {
      Choose(std::int16_t(n - 1));
      return 0;
    }
    // The choice comes back through the host's queue, as a menu choice.
    headless->PostMenuChoice(kKxPopupMenuID, std::int16_t(n - 1));
    EventRecord ev;
    while (headless->WaitNextEvent(ev, 0))
      if (ev.what == kKxMenuChoiceEvt && std::int16_t(ev.message >> 16) == kKxPopupMenuID)
        Choose(std::int16_t(ev.message & 0xFFFF));
    return 0;
  }
  int PrintPopup() {
    int n = 0;
    for (const KxPopupEntry& e : Shown()) {
      ++n;
      if (e.separator)
        std::printf("%d 0 0 -\n", n);
      else
        std::printf("%d %d %u %s\n", n, e.enabled ? 1 : 0, unsigned(e.mark), KxScriptTextToUTF8(e.text).c_str());
    }
    return 0;
  }
  void PrintRect(const char* label, const Rect& r) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    SPoint32 tl{r.left, r.top}, br{r.right, r.bottom};
    mRuler->LocalToPortPoint(tl);
    mRuler->LocalToPortPoint(br);
    std::printf("%s %d %d %d %d\n", label, tl.h, tl.v, br.h, br.v);
  }
  int PrintRuler() {
    if (!mRuler) return 0;
    mPanes.window->UpdatePort();
    const KxGageScale s = KxGageScaleOf(mRuler->GetGageType(), mRuler->GetCharUnit(), 0);
    std::printf("ruler %d %d %d %d %d %d %d\n", mRuler->GetGageType(), s.unit, mRuler->GetLineOrigin(),
                mRuler->GetLineLength(), mRuler->GetFormShown() ? 1 : 0, mRuler->GetIndentMode() ? 1 : 0,
                mRuler->IsVertical() ? 1 : 0);
    const SParaStyl& p = mRuler->GetParaCopy();
    std::printf("para %d %d %d %d %d %d %d\n", p.firstIndent, p.leftIndent, p.rightIndent, p.lineSpace, p.charSpace,
                p.justify, p.tabCount);
    if (!mRuler->IsVisible()) return 0;
    PrintRect("unit", mRuler->GetUnitRect());
    PrintRect("line", mRuler->GetLineRect());
    for (int k = 0; k < 19; ++k) PrintRect(("control " + std::to_string(k)).c_str(), mRuler->GetFormRect(k));
    if (!mRuler->IndentMarksShown()) {
      for (int k = 0; k < 2; ++k)
        if (mRuler->MarginShown(k)) PrintRect(("margin " + std::to_string(k)).c_str(), mRuler->GetMarginRect(k));
      return 0;
    }
    PrintRect("first", mRuler->GetIndentRect(0));
    PrintRect("left", mRuler->GetIndentRect(1));
    PrintRect("right", mRuler->GetIndentRect(2));
    const int tabs = std::min<int>(p.tabCount, kKxGageTabs);
    for (int n = 1; n <= tabs; ++n) {
      if (p.tabPos[n - 1] < 1) continue;
      const unsigned kind = (p.tabKinds >> (2 * n - 2)) & 3;
      PrintRect(("tab " + std::to_string(n) + " " + std::to_string(kind) + " " + std::to_string(p.tabPos[n - 1])).c_str(),
                mRuler->GetTabRect(n - 1));
    }
    return 0;
  }

  KxTextPanes& mPanes;
  Document mDocument;
  KxGtkHost* mGtk;
  CKXTextColmView* mRuler = nullptr;
};

}  // namespace kxruler
