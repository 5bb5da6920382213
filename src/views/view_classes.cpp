#include "views/view_classes.h"

#include "platform/framework/registrar.h"
#include "views/colour_popup.h"
#include "views/controls.h"
#include "views/dialog_box.h"
#include "views/edit_field.h"
#include "views/mark_list.h"
#include "views/preview.h"
#include "views/scroller.h"
#include "views/split_view.h"
#include "views/text_scroller.h"
#include "views/text_function_bar.h"
#include "views/text_toolbar.h"
#include "views/text_view.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_line_view.h"
#include "views/text_printout.h"
#include "views/text_window.h"

namespace {
template <class T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}
}  // namespace

void KxRegisterViewClasses() {
  URegistrar::RegisterClass(CKXTextPrintout::kClassID, Create<CKXTextPrintout>);
  URegistrar::RegisterClass(FourCC("kxdb"), Create<KXDialogBox>);
  URegistrar::RegisterClass(FourCC("kxef"), Create<KXEditField>);
  URegistrar::RegisterClass(FourCC("kxej"), Create<KXEditJField>);
  URegistrar::RegisterClass(FourCC("kxes"), Create<KXEditSField>);
  URegistrar::RegisterClass(FourCC("kxlb"), Create<KXListBox>);
  URegistrar::RegisterClass(KXColourPopup::kClassID, Create<KXColourPopup>);
  URegistrar::RegisterClass(FourCC("kxgb"), Create<KXGroupBox>);
  URegistrar::RegisterClass(FourCC("kxip"), Create<KXIconPane>);
  URegistrar::RegisterClass(FourCC("kxpv"), Create<KXPreview>);
  URegistrar::RegisterClass(FourCC("kxtb"), Create<KXTabButton>);
  URegistrar::RegisterClass(FourCC("kxbu"), Create<KXColButton>);
  URegistrar::RegisterClass(FourCC("kxsc"), Create<CKXScroller>);
  // The text panes; the text scroller takes "kxsc" over from its base,
  // since every text window names its scroller so.
  URegistrar::RegisterClass(FourCC("kxsc"), Create<CKXTextScroller>);
  URegistrar::RegisterClass(FourCC("kxtv"), Create<CKXTextView>);
  URegistrar::RegisterClass(FourCC("kxsv"), Create<CKXTextSplitView>);
  // The document window, its status bar and its line-number margins.
  URegistrar::RegisterClass(FourCC("aewn"), Create<CKXTextWindow>);
  URegistrar::RegisterClass(FourCC("kxiv"), Create<CKXTextInfoView>);
  URegistrar::RegisterClass(FourCC("kxlv"), Create<CKXTextLineView>);
  URegistrar::RegisterClass(kKxColmViewClass, Create<CKXTextColmView>);
  // The mark list.
  URegistrar::RegisterClass(CKXTextMarkList::kClassID, Create<CKXTextMarkList>);
  URegistrar::RegisterClass(CKXTextMarkView::kClassID, Create<CKXTextMarkView>);
  URegistrar::RegisterClass(CKXTextMarkScroller::kClassID, Create<CKXTextMarkScroller>);
  URegistrar::RegisterClass(CKXTextMarkButton::kClassID, Create<CKXTextMarkButton>);
  // The tool palette.
  URegistrar::RegisterClass(CKXTextToolbar::kClassID, Create<CKXTextToolbar>);
  URegistrar::RegisterClass(CKXTextFunctionBar::kClassID, Create<CKXTextFunctionBar>);
}
