// The page-form list blob of the preference file, and single page-style
// records of documents.
//
// Input: a form-list blob as the preferences hold it (96-byte records, no
// header). Properties: at most 67 forms are taken; every form read is
// valid (validating it again changes nothing) with a name of at most 31
// bytes; writing the list and reading it back gives the same bytes; the
// first 46 bytes read as a page style come out valid and round-trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "layout/facilities.h"
#include "layout/text_edit_ex.h"
#include "layout/text_form.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxLayoutFacilities(), CoreInit(), true);
  (void)started;
  UKXTextForm::SetFormData(reinterpret_cast<const char*>(data), long(size));
  const long count = UKXTextForm::GetListCount();
  if (count > kKxMaxUserForms || count != std::min<long>(long(size) / kKxTextFormSize, kKxMaxUserForms)) std::abort();
  for (short item = 1; item <= UKXTextForm::GetFormCount(); ++item) {
    SKXFormStyl f;
    unsigned char name[kKxFormNameField];
    if (!UKXTextForm::GetFormStyl(item, f) || !UKXTextForm::GetFormName(item, name)) std::abort();
    if (!KxValidateFormStyl(f) || name[0] > kKxFormNameMax) std::abort();
    const PointL paper = KxFormEffectivePaper(f);
    if (paper.v < 1 || paper.v > kKxPaperMax || paper.h < 1 || paper.h > kKxPaperMax) std::abort();
  }
  std::vector<char> first(static_cast<std::size_t>(UKXTextForm::GetFormSize()));
  if (UKXTextForm::GetFormData(first.data(), long(first.size())) != long(first.size())) std::abort();
  UKXTextForm::SetFormData(first.data(), long(first.size()));
  std::vector<char> second(static_cast<std::size_t>(UKXTextForm::GetFormSize()));
  UKXTextForm::GetFormData(second.data(), long(second.size()));
  if (first != second) std::abort();
  UKXTextForm::Terminate();

  if (size >= std::size_t(kKxPageStylSize)) {
    SKXPageStyl s;
    KxReadPageStyl(data, s, KxByteOrder::kBig);
    SKXPageStyl again = s;
    if (!KxValidatePageStyl(again)) std::abort();
    std::uint8_t bytes[kKxPageStylSize];
    KxWritePageStyl(s, bytes, KxByteOrder::kBig);
    SKXPageStyl back;
    KxReadPageStyl(bytes, back, KxByteOrder::kBig);
    if (!(back == s)) std::abort();
  }
  return 0;
}
