// Pictures in drags: a drag may end in another copy of the program, whose
// picture table holds other pictures under the same IDs, so the pictures
// travel with the drag and a drop never takes them from the table.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/styled_sample.h"
#include "engine/data_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_flavors.h"
#include "layout/kxtext_api.h"
#include "text/runs/pictures.h"
#include "text/runs/runs.h"
#include "text/store/text.h"

namespace {

using kxtest::Bytes;
using kxtest::MakePict;
using kxtest::PictBytes;

// For its lifetime the table's entry `id` holds another picture, as the
// receiving copy's table would.
class StOtherPicture {
 public:
  StOtherPicture(short id, PicHandle other) : mIndex(gKXPictManager->FindPictureIndex(id)) {
    gKXPictManager->GetPictAt(mIndex, mSaved);
    SKXPict swapped = mSaved;
    swapped.pict = other;
    gKXPictManager->SetPictAt(mIndex, swapped);
  }
  ~StOtherPicture() {
    SKXPict now;
    gKXPictManager->GetPictAt(mIndex, now);
    KxMemHFree(now.pict);
    gKXPictManager->SetPictAt(mIndex, mSaved);
  }
  StOtherPicture(const StOtherPicture&) = delete;
  StOtherPicture& operator=(const StOtherPicture&) = delete;

 private:
  long mIndex;
  SKXPict mSaved{};
};

// "a", picture, "b", picture, "c": the drag of all of it as a drop from
// elsewhere brings it.
KxDragData DragOf(const CKXText& source) {
  KxDragData drag;
  CKXFlavorExchange sender(nullptr, const_cast<CKXText*>(&source));
  { CKXTextDragTube out(&drag, 1, &sender, SKXRange{0, -1}); }
  drag.fromThisProgram = false;
  return drag;
}

void Drop(KxDragData& drag, CKXText& dest) {
  CKXFlavorExchange receiver(nullptr, &dest);
  CKXTextDragTube in(&drag, 1);
  short mask = 0;
  receiver.ReceiveDataFrom(SKXRange{0, 0}, in, KXHandleAccess::Wrap(&dest), &mask);
}

TEST(FlavorExchangeDrag, PicturesComeWithTheDropNotFromTheTable) {
  const short first = CKXDecoArray::SetPicture(MakePict(3));
  const short second = CKXDecoArray::SetPicture(MakePict(5));
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  SKXDeco runs[5] = {{0, {}, 0}, {1, {0, 0, 0, first}, 0}, {2, {}, 0}, {3, {0, 0, 0, second}, 0}, {4, {}, 0}};
  CKXText source;
  source.SetText("a\xCA" "b\xCA" "c", 5, nullptr, 0, runs, 5, nullptr, 0, nullptr, 0);
  const std::string firstBytes = PictBytes(first), secondBytes = PictBytes(second);
  KxDragData drag = DragOf(source);

  // In the receiving copy both IDs name pictures of its own.
  CKXText dest;
  {
    StOtherPicture otherFirst(first, MakePict(40));
    StOtherPicture otherSecond(second, MakePict(50));
    Drop(drag, dest);
  }
  EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), "a\xCA" "b\xCA" "c");
  SKXDeco got[5];
  ASSERT_EQ(dest.GetSelDecos(0, 5, got, 5), 5);
  ASSERT_NE(got[1].deco.pictID, 0) << "the first picture came";
  ASSERT_NE(got[3].deco.pictID, 0) << "the second picture came";
  EXPECT_EQ(PictBytes(got[1].deco.pictID), firstBytes);
  EXPECT_EQ(PictBytes(got[3].deco.pictID), secondBytes) << "each picture keeps its own place";

  // A drag whose pictures did not come along (another program naming
  // IDs): the table's pictures of those IDs are not taken.
  const KxDragData whole = DragOf(source);
  KxDragData bare;
  bare.AddItem(1);
  for (const KxDragData::Flavor& f : whole.NthItem(1)->flavors)
    if ((f.type >> 8) != (FourCC("PICT") >> 8)) bare.SetFlavor(1, f.type, f.bytes.data(), f.bytes.size());
  CKXText none;
  Drop(bare, none);
  SKXDeco noneRuns[5];
  const long n = none.GetSelDecos(0, none.GetLength(), noneRuns, 5);
  for (long k = 0; k < n; ++k) EXPECT_EQ(noneRuns[k].deco.pictID, 0) << "run " << k;
}

}  // namespace
