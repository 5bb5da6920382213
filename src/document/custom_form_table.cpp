// The form table as the application keeps it: in the preference file, in
// the form menu, and as the add/delete dialog changes it.
#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/prefs_file.h"
#include "document/custom_form.h"
#include "platform/resources.h"
#include "text/codes/script.h"

namespace {

constexpr OSType kFormTag = FourCC("CFRT");
// The factory copy of the table (slot 10 of the factory slots).
constexpr std::size_t kFactoryFormSlot = 10;
// Without a table the menu shows built-ins 2-7, named by STR# 208 item n + 4.
constexpr short kMenuNameOffset = 4;

class FormChunk : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override {
    KxBlock out(std::size_t(std::max(UKXTextCustomForm::GetCustomFormSize(), 0L)));
    if (out.empty()) return out;
    out.resize(std::size_t(
        UKXTextCustomForm::GetCustomFormData(reinterpret_cast<char*>(out.data()), long(out.size()))));
    return out;
  }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override {
    UKXTextCustomForm::SetCustomFormData(reinterpret_cast<const char*>(data), long(size));
  }
};
FormChunk gFormChunk;

}  // namespace

void UKXTextCustomForm::Initialize() {
  UKXTextForm::Initialize();
  UKXTextForm::LoadDefaultNames();
}

void UKXTextCustomForm::Terminate() { UKXTextForm::Terminate(); }

long UKXTextCustomForm::GetCustomFormSize() { return UKXTextForm::GetFormSize(); }
long UKXTextCustomForm::GetCustomFormData(char* data, long size) { return UKXTextForm::GetFormData(data, size); }

void UKXTextCustomForm::SetCustomFormData(const char* data, long size) {
  // A chunk without one whole record leaves the table as it is.
  if (!data || size < kKxTextFormSize) return;
  UKXTextForm::SetFormData(data, size);
}

short UKXTextCustomForm::FindCustomFormItem(short formID) { return UKXTextForm::FindFormItem(formID); }
short UKXTextCustomForm::GetCustomFormCount() { return UKXTextForm::GetFormCount(); }
bool UKXTextCustomForm::GetCustomFormStyl(short item, SKXFormStyl& form) {
  return UKXTextForm::GetFormStyl(item, form);
}
bool UKXTextCustomForm::GetCustomFormName(short item, unsigned char* name32) {
  return UKXTextForm::GetFormName(item, name32);
}

std::vector<std::string> UKXTextCustomForm::MenuNames() {
  std::vector<std::string> names;
  const long count = UKXTextForm::HasList() ? UKXTextForm::GetListCount() : kKxSeededForms;
  for (long n = 1; n <= std::min(count, kKxMaxUserForms); ++n) {
    if (UKXTextForm::HasList()) {
      unsigned char name[kKxFormNameField] = {};
      UKXTextForm::GetFormName(short(n + 2), name);
      names.push_back(KxFormNameText(name));
    } else {
      Str255 s;
      GetIndString(s, kKxFormNameList, short(n + kMenuNameOffset));
      names.emplace_back(reinterpret_cast<const char*>(s + 1), s[0]);
    }
  }
  return names;
}

void UKXTextCustomForm::UpdateMenu() {
  UFormMenu::UpdateMenu(MenuNames());
  CKXTextApp::SetUpdateCommandStatus(true);
}

short UKXTextCustomForm::NewFormID(int month, int day) {
  long id = long(std::clamp(month, 1, 12)) * 1000 + long(std::clamp(day, 1, 31)) * 10 + 1;
  // The table holds at most 67 forms, so a free ID is never far.
  while (id < 32767 && UKXTextForm::HasList() && UKXTextForm::FindFormItem(short(id)) > 2) ++id;
  return short(id);
}

bool UKXTextCustomForm::AddNamedForm(const SKXFormStyl& form, const std::string& name, int month, int day) {
  if (!UKXTextForm::HasList()) UKXTextForm::MakeDefaultFormArray();
  if (UKXTextForm::GetListCount() >= kKxMaxUserForms) return false;
  unsigned char pstr[kKxFormNameField] = {};
  // The table cuts names by bytes: cut here on a character boundary first.
  pstr[0] = std::uint8_t(
      KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(name.data()), name.size(), kKxFormNameMax));
  std::memcpy(pstr + 1, name.data(), pstr[0]);
  SKXFormStyl f = form;
  f.formID = NewFormID(month, day);
  return UKXTextForm::AddForm(f, pstr);
}

void UKXTextCustomForm::DeleteRows(std::vector<long> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // Each removal shifts the rows after it up by one.
  long removed = 0;
  for (long row : rows)
    if (UKXTextForm::DeleteForm(row - removed)) ++removed;
}

void UKXTextCustomForm::SettleTable() {
  UKXTextForm::CheckDeleteFormArray();
  if (UKXTextForm::GetListCount() > 0) return;
  const KxBlock& factory = gFactorySettingsData[kFactoryFormSlot];
  if (long(factory.size()) >= kKxTextFormSize)
    UKXTextForm::SetFormData(reinterpret_cast<const char*>(factory.data()), long(factory.size()));
  UKXTextForm::CheckDeleteFormArray();
}

void UKXTextCustomForm::InstallChunk(bool install) { KxSetPrefChunkOwner(kFormTag, install ? &gFormChunk : nullptr); }
