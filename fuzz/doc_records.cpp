// The settings records and the byte-order conversions over arbitrary
// bytes. The first byte picks the record, the second its byte order; the
// rest is the record. Whatever is read writes back and reads the same, and
// the in-place conversions that are their own inverse give the input back.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "document/doc_records.h"
#include "document/facilities.h"
#include "document/file_tube.h"
#include "platform/core.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

#define Check(ok) CheckAt(ok, __LINE__)
void CheckAt(bool ok, int line) {
  if (!ok) {
    std::fprintf(stderr, "doc_records: check at line %d failed\n", line);
    std::abort();
  }
}

bool SameWindow(const SKXWindowRec& a, const SKXWindowRec& b) {
  Bytes x, y;
  KxWriteMPSR(a, KxByteOrder::kBig, x);
  KxWriteMPSR(b, KxByteOrder::kBig, y);
  return x == y;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxDocumentFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int which = data[0] % 12;
  const KxByteOrder order = (data[1] & 1) ? KxByteOrder::kLittle : KxByteOrder::kBig;
  const Bytes rec(data + 2, data + size);
  const long n = long(rec.size());
  Bytes out;
  switch (which) {
    case 0: {
      SKXWindowRec w, again;
      if (!KxReadMPSR(rec.data(), n, order, w)) break;
      KxWriteMPSR(w, order, out);
      Check(KxReadMPSR(out.data(), long(out.size()), order, again) && SameWindow(w, again));
      break;
    }
    case 1: {
      SDocPref p, again;
      if (!KxReadKXSR(rec.data(), n, order, p)) break;
      Check(p.headerText.size() <= 255 && p.footerText.size() <= 255);
      Check(KxWriteKXSR(p, order, out).empty() && long(out.size()) <= kKxKXSRMaxSize);
      Check(KxReadKXSR(out.data(), long(out.size()), order, again));
      Check(again.headerText == p.headerText && again.footerText == p.footerText && again.scale == p.scale);
      break;
    }
    case 2: {
      std::vector<SKXMarkRec> marks, again;
      KxReadMARK(rec.data(), n, order, marks);
      Check(KxWriteMARK(marks, order, out).empty() && out.size() <= std::max<std::size_t>(rec.size(), 2));
      KxReadMARK(out.data(), long(out.size()), order, again);
      Check(again.size() == marks.size());
      for (std::size_t i = 0; i < marks.size(); ++i)
        Check(again[i].start == marks[i].start && again[i].end == marks[i].end && again[i].name == marks[i].name);
      break;
    }
    case 3:
    case 4: {
      SKXRankRec r, again;
      const bool classic = which == 4;
      if (!(classic ? KxReadClassicRANK(rec.data(), n, r) : KxReadRANK(rec.data(), n, order, r))) break;
      Check(long(r.levels.size()) + kKxRankHeadSize <= n);
      Check((classic ? KxWriteClassicRANK(r, out) : KxWriteRANK(r, order, out)).empty());
      Check(classic ? KxReadClassicRANK(out.data(), long(out.size()), again)
                    : KxReadRANK(out.data(), long(out.size()), order, again));
      Check(again.levels == r.levels && std::memcmp(again.rect, r.rect, sizeof r.rect) == 0);
      break;
    }
    case 5: {
      std::vector<std::int32_t> v, again;
      KxReadLINE(rec.data(), n, order, v);
      KxWriteLINE(v, order, out);
      KxReadLINE(out.data(), long(out.size()), order, again);
      Check(v == again);
      break;
    }
    default: {
      // Conversions in place: never past the record; those that only swap
      // fields give the input back when done twice.
      static const OSType types[] = {kKxRecMPSR, kKxRecKXSR, kKxRecMARK, kKxRecFORM, FourCC("styl"), kKxRecUCST,
                                     FourCC("styw"), FourCC("styx"), FourCC("styu"), FourCC("styy"), kKxRecRANK};
      const OSType type = types[(which - 6 + 6 * (data[1] >> 1)) % 11];
      Bytes b = rec;
      KxInvertRecord(type, b.data(), n, true);
      if (type == kKxRecMPSR || type == kKxRecKXSR || type == kKxRecMARK || type == kKxRecFORM ||
          type == FourCC("styl") || type == kKxRecUCST) {
        KxInvertRecord(type, b.data(), n, false);
        Check(b == rec);
      }
      CKXTextResFile hooks;
      hooks.AdjustResource(FourCC("styl"), 128, b.data(), n);
      hooks.AdjustResource(kKxRecMPSR, 1005, b.data(), n);
      break;
    }
  }
  return 0;
}
