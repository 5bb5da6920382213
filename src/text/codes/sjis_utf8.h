// Shift_JIS straight to UTF-8, for converting whole files: the same bytes
// as the Unicode bridge (UKXUnicode::ConvertFromText in the Japanese script,
// without side entries) followed by UTF-8 (CKXJCode::UNICODEtoUTF8 of its
// units), without the UTF-16 text in between.
#pragma once

#include <vector>

// Converts p[0, n) into `buffer`, which is grown as needed and never shrunk
// (so that one buffer serves every piece of a file without being cleared
// again); answers the number of bytes written from buffer.data() on.
long KxSJISToUTF8(const unsigned char* p, long n, std::vector<unsigned char>& buffer);

// The same through the Unicode bridge itself, appended to `out`: the
// reference the fast converter must equal, and its way past any character
// it has no table entry for.
void KxSJISToUTF8ByBridge(const unsigned char* p, long n, std::vector<unsigned char>& out);

// Conversions that went past the table (for tests that must reach both
// ways): characters taken from the table and stretches converted through
// the bridge, since the start of the process.
struct SKXSJISToUTF8Counts {
  long tableChars = 0;
  long bridgeRuns = 0;
};
SKXSJISToUTF8Counts KxSJISToUTF8Counts();
