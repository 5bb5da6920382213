#include "platform/framework/framework_classes.h"

#include "platform/framework/dialog.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/framework/printout.h"
#include "platform/framework/registrar.h"
#include "platform/framework/scroller.h"

namespace {
template <class T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}
}  // namespace

void KxRegisterFrameworkClasses() {
  URegistrar::RegisterClass(FourCC("pane"), Create<LPane>);
  URegistrar::RegisterClass(FourCC("view"), Create<LView>);
  URegistrar::RegisterClass(FourCC("wind"), Create<LWindow>);
  URegistrar::RegisterClass(FourCC("dlog"), Create<LDialogBox>);
  URegistrar::RegisterClass(FourCC("scrl"), Create<LScroller>);
  URegistrar::RegisterClass(FourCC("pbut"), Create<LStdButton>);
  URegistrar::RegisterClass(FourCC("cbox"), Create<LStdCheckBox>);
  URegistrar::RegisterClass(FourCC("rbut"), Create<LStdRadioButton>);
  URegistrar::RegisterClass(FourCC("radg"), Create<LRadioGroup>);
  URegistrar::RegisterClass(FourCC("popm"), Create<LStdPopupMenu>);
  URegistrar::RegisterClass(FourCC("capt"), Create<LCaption>);
  URegistrar::RegisterClass(FourCC("edit"), Create<LEditField>);
  URegistrar::RegisterClass(FourCC("lbox"), Create<LListBox>);
  URegistrar::RegisterClass(FourCC("tabg"), Create<LTabGroup>);
  URegistrar::RegisterClass(FourCC("sbar"), Create<LScrollBar>);
  URegistrar::RegisterClass(FourCC("prnt"), Create<LPrintout>);
}
