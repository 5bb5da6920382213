// The stored print record: any bytes either name a sane sheet or none, and
// a sheet written back reads back the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "document/doc_records.h"
#include "document/print_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> record(data, data + size);
  KxPageSetup setup;
  if (!KxPageSetupFromMTPR(record, setup)) return 0;
  KxPageSetup checked = setup;
  if (!KxValidatePageSetup(checked)) std::abort();
  const std::vector<std::uint8_t> before = record;
  KxWriteMTPRSetup(record, setup);
  for (std::size_t i = 0; i < record.size(); ++i)
    if ((i < 4 || i >= 24) && record[i] != before[i]) std::abort();
  KxPageSetup again;
  if (!KxPageSetupFromMTPR(record, again) || !(again == setup)) std::abort();
  return 0;
}
