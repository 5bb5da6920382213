// The printout of a text: one panel per page of the text engine's page
// layout, each drawn by the engine's PrintPage onto a sheet of the
// printout's page set-up.
#pragma once

#include <cstdint>

#include "platform/framework/printout.h"
#include "platform/types.h"

class CKXTextEngine;

// The printout layout the document prints through.
constexpr std::int16_t kKxTextPrintoutLayout = 1500;

class CKXTextPrintout : public LPrintout {
 public:
  static constexpr OSType kClassID = FourCC("kxpr");

  CKXTextPrintout() = default;
  explicit CKXTextPrintout(const KxLayoutPaneRecord& record) : LPrintout(record) {}
  // The printout of a layout whose first record is of this class; null
  // when there is no such layout or the class is not registered.
  static CKXTextPrintout* CreateCKXTextPrintout(std::int16_t layoutID);

  void SetTextEngine(CKXTextEngine* engine) { mTextEngine = engine; }
  CKXTextEngine* GetTextEngine() const { return mTextEngine; }

  // One across; down, the engine's page count (1 without an engine).
  void CountPanels(std::int32_t& horiz, std::int32_t& vert) override;
  // The page of the panel on the whole sheet; nothing without an engine or
  // past the last page.
  void PrintPanelSelf(const PanelSpec& panel) override;
  using LPrintout::CountPanels;

 private:
  CKXTextEngine* mTextEngine = nullptr;
  std::int32_t mPanelsDown = 1;
};
