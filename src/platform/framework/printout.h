// Printouts at view level: a view the size of the printer's page that
// prints a view placed in it panel by panel. The printed view's image is
// divided into frame-sized panels, across then down, and each panel is
// scrolled into the frame and drawn onto one page.
#pragma once

#include <string>

#include "platform/draw/print.h"
#include "platform/framework/view.h"

struct PanelSpec {
  std::int32_t pageNumber;   // 1-based
  std::int32_t horizIndex;   // 1-based
  std::int32_t vertIndex;
};

class LPrintout : public LView, public KxPrintout {
 public:
  // Frame: the printer's page rectangle (KxGetPrinterInfo).
  LPrintout();
  explicit LPrintout(const KxLayoutPaneRecord& record);

  // The sheet it prints on; the frame becomes its printable area.
  void SetPageSetup(const KxPageSetup& setup);
  const KxPageSetup& GetPageSetup() const { return mSetup; }

  // The view whose image is printed (a view inside the printout; the first
  // one when none was set).
  void SetPrintedView(LView* view) { mPrintedView = view; }
  LView* GetPrintedView() const;

  // Panels across and down; the base counts frame-sized pieces of the
  // printed view's image (at least 1 each way).
  virtual void CountPanels(std::int32_t& horiz, std::int32_t& vert);
  virtual void PrintPanelSelf(const PanelSpec& panel);
  // Prints the panels of `range` on its sheet into a PDF file (see
  // KxPrintToPDF for results).
  int DoPrint(const std::string& pdfPath, const KxPrintRange& range = {}, std::int32_t* printed = nullptr);

  GrafPtr GetDrawPort() const override { return mPrintPort; }

  // KxPrintout.
  std::int32_t CountPanels() override;
  void DrawPanel(std::int32_t n) override;

 private:
  KxPageSetup mSetup;
  LView* mPrintedView = nullptr;
  GrafPtr mPrintPort = nullptr;   // the page while a panel prints
  std::int32_t mHoriz = 1, mVert = 1;
};
