#include "views/text_printout.h"

#include <algorithm>
#include <memory>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_edit_ex.h"
#include "platform/draw/port.h"
#include "platform/framework/layout.h"
#include "platform/framework/registrar.h"

namespace {

// While one page prints: the edit object draws into the printing port, and
// whatever happens its own port and printing mode come back (the engine
// leaves printing mode itself only when the page is drawn whole).
class StPrintingEdit {
 public:
  explicit StPrintingEdit(KXEditHandle edit) : mEdit(KXHandleAccess::Edit(edit)), mHandle(edit) {
    if (!mEdit) return;
    mOldPort = mEdit->GetDrawPort();
    mEdit->SetDrawPort(KxGetPort());
  }
  ~StPrintingEdit() {
    if (!mEdit) return;
    KXTE_SetPrinting(mHandle, 0);
    mEdit->SetDrawPort(mOldPort);
  }
  StPrintingEdit(const StPrintingEdit&) = delete;
  StPrintingEdit& operator=(const StPrintingEdit&) = delete;

 private:
  CKXTextEditEx* mEdit;
  KXEditHandle mHandle;
  KxPort* mOldPort = nullptr;
};

}  // namespace

CKXTextPrintout* CKXTextPrintout::CreateCKXTextPrintout(std::int16_t layoutID) {
  KxLayout layout(layoutID);
  const KxLayoutPaneRecord* record = layout.GetWindow();
  if (!record) return nullptr;
  std::unique_ptr<LPane> pane(URegistrar::CreateObject(*record));
  auto* printout = dynamic_cast<CKXTextPrintout*>(pane.get());
  if (printout) pane.release();
  return printout;
}

void CKXTextPrintout::CountPanels(std::int32_t& horiz, std::int32_t& vert) {
  horiz = 1;
  vert = mTextEngine ? std::int32_t(std::max(1L, KXTE_GetPageCount(mTextEngine->GetEdit()))) : 1;
  mPanelsDown = vert;
}

void CKXTextPrintout::PrintPanelSelf(const PanelSpec& panel) {
  if (!mTextEngine || panel.pageNumber < 1 || panel.pageNumber > KXTE_GetPageCount(mTextEngine->GetEdit())) return;
  // The page lies on the whole sheet, its paper's corner at the sheet's:
  // the port's clip keeps the drawing inside the printable area.
  const RectL sheet = GetPageSetup().Paper();
  {
    StPrintingEdit printing(mTextEngine->GetEdit());
    mTextEngine->PrintPage(panel.pageNumber, sheet);
  }
  LView::OutOfFocus(nullptr);
}
