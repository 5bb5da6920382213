// The resource container over arbitrary bytes: open, read every resource,
// write one more, close, and read the result back. Whatever the input, the
// written resource and every old one that could be read must come back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/facilities.h"
#include "document/resource.h"
#include "platform/bytefields.h"
#include "platform/core.h"
#include "text/base/memory.h"

namespace {

// Converts 'LONG' resources as 32-bit words, so that a container in the
// other byte order exercises the conversion hooks.
class FuzzResource : public CKXMemResource {
 public:
  using CKXMemResource::CKXMemResource;
  void InvertResource(ResType type, short, void* buffer, long size) override {
    if (type != FourCC("LONG")) return;
    auto* p = static_cast<std::uint8_t*>(buffer);
    for (long i = 0; i + 4 <= size; i += 4) KxPutU32N(p + i, KxSwap32(KxGetU32N(p + i)));
  }
  using CKXResource::InvertResource;
};

struct Seen {
  ResType type;
  short id;
  std::string bytes;
};

std::vector<Seen> ReadAll(CKXResource& r) {
  std::vector<Seen> seen;
  for (short t = 1; t <= r.CountResTypes(); ++t) {
    const ResType type = r.GetIndResType(t);
    for (short k = 1; k <= r.CountResources(type); ++k) {
      const short id = r.GetIndResID(type, k);
      Handle h = r.ReadResource(type, id);
      if (!h) continue;
      seen.push_back({type, id, std::string(*h, static_cast<std::size_t>(KxMemHSize(h)))});
      KxMemHFree(h);
      char small[16];
      r.ReadIndResource(small, sizeof small, type, k);
    }
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxDocumentFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzResource r(std::vector<std::uint8_t>(data, data + size));
  r.OpenResInfo();
  const bool inverted = r.IsInverted();
  std::vector<Seen> before = ReadAll(r);
  std::string added = "added by the fuzzer";
  const bool wrote = r.WriteResource(added.data(), static_cast<long>(added.size()), FourCC("TEXT"), 0);
  const bool closed = r.CloseResInfo();
  if (!wrote || !closed) return 0;

  FuzzResource again(r.Bytes());
  again.OpenResInfo();
  if (!again.IsOpen() || again.IsInverted()) std::abort();
  std::vector<Seen> after = ReadAll(again);
  bool found = false;
  for (const Seen& s : after) found = found || (s.type == FourCC("TEXT") && s.bytes == added);
  if (!found) std::abort();
  // Old resources survive the rewrite (converted to our order once).
  for (const Seen& old : before) {
    bool same = false;
    for (const Seen& s : after) same = same || (s.type == old.type && s.id == old.id && s.bytes == old.bytes);
    if (!same && !(inverted && old.type == FourCC("LONG"))) std::abort();
  }
  return 0;
}
