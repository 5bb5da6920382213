#include "tools/facilities.h"

#include "app/text_services.h"
#include "formats/facilities.h"
#include "platform/core.h"
#include "tools/file_search.h"
#include "tools/sed_window.h"

namespace {
// The text views' services with the tool windows that follow the find
// string.
class CKXToolTextServices : public CKXAppTextServices {
 public:
  void ToolsFindString(const std::string&) override {
    CKXTextFileSearch::FindString();
    CKXTextStreamEditor::FindString();
  }
};
}  // namespace

void KxToolsFacilities() {
  KxFormatsFacilities();
  KxRegisterFacility(kRankTools, "tool text services",
                     [] {
                       static CKXToolTextServices services;
                       CKXTextViewServices::Install(&services);
                     },
                     [] { KxInstallAppTextServices(true); });
}
