// AppleDouble sidecars and the resource forks inside them over arbitrary
// bytes (a bare fork too). What parses must build again, and the built
// bytes must parse to the same resources.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/appledouble.h"
#include "platform/resfork.h"

namespace {

bool SameItems(const KxResFork& a, const KxResFork& b) {
  if (a.Items().size() != b.Items().size()) return false;
  for (std::size_t i = 0; i < a.Items().size(); ++i) {
    const KxResForkItem& x = a.Items()[i];
    const KxResForkItem& y = b.Items()[i];
    if (x.type != y.type || x.id != y.id || x.attributes != y.attributes || x.hasName != y.hasName ||
        x.name != y.name || x.data != y.data)
      return false;
  }
  return true;
}

void CheckFork(const KxResFork& fork) {
  std::vector<std::uint8_t> built;
  if (fork.Build(built) != 0) return;  // a foreign fork can be too large for our layout
  KxResFork again;
  if (again.Parse(built.data(), built.size()) != 0 || !SameItems(fork, again)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  KxResFork bare;
  if (bare.Parse(data, size) == 0) CheckFork(bare);

  KxAppleDouble ad;
  if (ad.Parse(data, size) != 0) return 0;
  OSType type, creator;
  ad.GetTypeCreator(type, creator);
  KxResFork fork;
  const bool forkGood = ad.GetResourceFork(fork) == 0;
  if (forkGood) CheckFork(fork);
  // A rewrite keeps every entry and every byte of them.
  ad.SetTypeCreator(FourCC("TEXT"), FourCC("KXTE"));
  std::vector<std::uint8_t> built = ad.Build();
  KxAppleDouble back;
  if (back.Parse(built.data(), built.size()) != 0) std::abort();
  if (back.Entries().size() != ad.Entries().size()) std::abort();
  for (const auto& e : ad.Entries()) {
    const auto* f = back.Find(e.id);
    if (!f || f->data != e.data) std::abort();
  }
  if (!back.GetTypeCreator(type, creator) || type != FourCC("TEXT")) std::abort();
  return 0;
}
