// Preference files: the chunk walk, every record and list reader, the
// factory merge and the writer.
//
// Input: a preference stream as it lies on disk. It is read as the user's
// file and then merged as factory settings. Properties: the stream written
// from what was read parses completely, and reading that stream again and
// writing it gives the same bytes (reading normalises once, then is stable).
#include <cstdint>
#include <cstdlib>

#include "app/globals.h"
#include "app/prefs_file.h"
#include "document/facilities.h"
#include "platform/core.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (KxDocumentFacilities(), CoreInit(), true);
  (void)started;
  KxSetGlobalDefaults();
  KxApplyPreferenceStream(data, size);
  KxApplyFactoryStream(data, size, false);
  const KxBlock first = KxBuildPreferenceStream();
  bool complete = false;
  KxParsePrefChunks(first.data(), first.size(), &complete);
  if (!complete) std::abort();
  KxSetGlobalDefaults();
  KxApplyPreferenceStream(first.data(), first.size());
  KxApplyFactoryStream(data, size, false);
  if (KxBuildPreferenceStream() != first) std::abort();
  (void)KxDumpPreferences();
  return 0;
}
