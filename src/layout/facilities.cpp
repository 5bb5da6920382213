#include "layout/facilities.h"

#include "layout/draw_picture.h"
#include "layout/draw_unicode.h"
#include "layout/linebreak.h"
#include "layout/text_form.h"
#include "platform/core.h"
#include "text/facilities.h"
#include "text/store/transform.h"

namespace {
// Reform breaks lines by the same rules as the layout.
long ReformJWrap(const CKXText& t, long start, long b, short mode) { return CKXTextLayoutOf(t).CheckJWrap(start, b, mode); }
long ReformWordwrap(const CKXText& t, long start, long b) { return CKXTextLayoutOf(t).CheckWordwrap(start, b); }
void InstallReformChecks() { UKXText::SetBreakChecks({ReformJWrap, ReformWordwrap}); }
void RemoveReformChecks() { UKXText::SetBreakChecks({}); }
void StartPageForms() {
  UKXTextForm::Initialize();
  UKXTextForm::LoadDefaultNames();
}
}  // namespace

void KxLayoutFacilities() {
  KxTextFacilities();
  KxRegisterFacility(kRankLayout, "reform break checks", InstallReformChecks, RemoveReformChecks);
  KxLayoutUnicodeDrawingFacilities();
  KxRegisterFacility(kRankCustomForm, "page forms", StartPageForms, UKXTextForm::Terminate);
}
