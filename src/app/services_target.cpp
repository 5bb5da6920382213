// Kept apart from the exchange itself: the text view's header and the
// flavor layouts name some flavor codes alike.
#include "app/services.h"
#include "platform/framework/commander.h"
#include "views/text_view.h"

CKXTextEngine* KxServicesTargetEngine() {
  auto* view = dynamic_cast<CKXTextView*>(LCommander::GetTarget());
  return view ? view->GetTextEngine() : nullptr;
}
