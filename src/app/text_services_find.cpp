#include "app/find_strings.h"
#include "app/globals.h"
#include "app/histories.h"
#include "app/text_services.h"
#include "platform/types.h"
#include "text/base/geometry.h"

namespace {
void Record(const std::string& s, KxBlock& history) {
  if (s.empty()) return;
  Str255 p;
  const std::string cut = KxCutOnCharBoundary(s, kKxFindStringMax);
  p[0] = static_cast<unsigned char>(cut.size());
  std::copy(cut.begin(), cut.end(), p + 1);
  UFindReplMenu::InsertHistHandle(p, history);
  gPrefModify = true;
}
}  // namespace

std::string CKXAppTextServices::GetFindString() { return KxGetFindString(); }
void CKXAppTextServices::SetFindString(const std::string& s) { KxSetFindString(s); }
std::string CKXAppTextServices::GetReplaceString() { return KxGetReplString(); }
void CKXAppTextServices::SetReplaceString(const std::string& s) { KxSetReplString(s); }
short CKXAppTextServices::GetFindOptions() { return KxFindOptionsFromPrefs(); }
void CKXAppTextServices::AddFindHistory(const std::string& s) { Record(s, gFindHistHandle); }
void CKXAppTextServices::AddReplaceHistory(const std::string& s) { Record(s, gReplHistHandle); }
void CKXAppTextServices::ToolbarFindString(const std::string& s) { KxToolbarFindString(s); }
bool CKXAppTextServices::IsShiftDown() { return KxShiftKeyDown(); }
