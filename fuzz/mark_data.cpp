// The marks' flat form as stored with documents and scrap books: any block
// must be either refused or read into marks that write back out unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/core.h"
#include "platform/types.h"
#include "text/facilities.h"
#include "text/runs/marks.h"

#include "sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxTextFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  // An exact-size copy, so that reading past the end is caught.
  std::vector<char> block(data, data + size);
  CKXMarkArray marks;
  if (!marks.SetMarkData(block.data(), static_cast<long>(block.size()))) return 0;
  // No text comes with the block: its offsets need only fit the offset range.
  KxFuzzRequireSound(marks.Check(kKxMaxOffset, false), "marks read");

  long flatSize = marks.GetMarkDataSize();
  std::vector<char> flat(static_cast<std::size_t>(flatSize));
  if (marks.GetMarkData(flat.data(), flatSize) != marks.GetMarkCount()) std::abort();

  CKXMarkArray again;
  if (!again.SetMarkData(flat.data(), flatSize)) std::abort();
  std::vector<char> flat2(static_cast<std::size_t>(again.GetMarkDataSize()));
  again.GetMarkData(flat2.data(), static_cast<long>(flat2.size()));
  if (flat2 != flat) std::abort();

  // The input's bytes as ranks: re-levelling must stay in bounds.
  again.SetRankData(block.data(), static_cast<long>(block.size()));
  again.ReCalcRank();
  for (long i = 1; i <= again.GetMarkCount(); ++i) {
    unsigned char name[256];
    again.GetMarkStringAt(i, name);
  }
  KxFuzzRequireSound(again.Check(kKxMaxOffset, false), "marks re-ranked");
  again.Delete(0, 7, 1);
  KxFuzzRequireSound(again.Check(kKxMaxOffset, false), "marks after a deletion");
  return 0;
}
