#include "text/runs/pictures.h"

#include <gtest/gtest.h>

#include "platform/memory.h"
#include "text/base/memory.h"

namespace {

// A picture block with the given frame (big-endian header).
PicHandle MakePict(short top, short left, short bottom, short right, long size = 10) {
  PicHandle h = KxMemHAlloc(size, true);
  unsigned char* p = reinterpret_cast<unsigned char*>(*h);
  short fields[5] = {static_cast<short>(size), top, left, bottom, right};
  for (int k = 0; k < 5 && 2 * k + 1 < size; ++k) {
    p[2 * k] = static_cast<unsigned char>(static_cast<unsigned short>(fields[k]) >> 8);
    p[2 * k + 1] = static_cast<unsigned char>(fields[k] & 0xFF);
  }
  return h;
}

TEST(PictureTable, IDsCountUpAndDeletedOnesAreNotReusedAtOnce) {
  CKXPictArray t;
  EXPECT_EQ(t.SetPicture(nullptr), 0);
  EXPECT_EQ(t.SetPicture(MakePict(0, 0, 10, 20)), 1);
  EXPECT_EQ(t.SetPicture(MakePict(0, 0, 10, 20)), 2);
  EXPECT_EQ(t.SetPicture(MakePict(0, 0, 10, 20)), 3);
  t.DeletePicture(2);
  EXPECT_EQ(t.FindPictureIndex(2), 0);
  EXPECT_EQ(t.SetPicture(MakePict(0, 0, 10, 20)), 4);
  EXPECT_EQ(t.FindPictureIndex(4), 3);
  t.DeletePicture(99);  // unknown: nothing
  EXPECT_EQ(t.GetCount(), 3);
  t.DeleteAll();
  EXPECT_EQ(t.SetPicture(MakePict(0, 0, 1, 1)), 1);
}

TEST(PictureTable, FrameSizeFromTheHeader) {
  CKXPictArray t;
  short id = t.SetPicture(MakePict(-5, 10, 95, 210));
  short w = -1, h = -1;
  EXPECT_NE(t.GetPicture(id, &w, &h), nullptr);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(t.GetPicture(id, nullptr, nullptr), t.GetPicture(id, &w, nullptr));
  EXPECT_EQ(t.GetPicture(77, &w, &h), nullptr);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  // Too short for a header: the picture is there, its size is not.
  short shortId = t.SetPicture(MakePict(0, 0, 50, 50, 6));
  EXPECT_NE(t.GetPicture(shortId, &w, &h), nullptr);
  EXPECT_EQ(w, 0);
  // A frame wider than a short can say is clamped, not wrapped.
  short wide = t.SetPicture(MakePict(0, -32000, 10, 32000));
  t.GetPicture(wide, &w, &h);
  EXPECT_EQ(w, 32767);
  short upside = t.SetPicture(MakePict(10, 10, 0, 0));
  t.GetPicture(upside, &w, &h);
  EXPECT_EQ(w, 0);
}

TEST(PictureTable, DuplicateCopiesBytesUnderANewID) {
  CKXPictArray t;
  short id = t.SetPicture(MakePict(0, 0, 30, 40, 64));
  short copy = t.DuplicatePicture(id);
  EXPECT_EQ(copy, 2);
  PicHandle a = t.GetPicture(id, nullptr, nullptr);
  PicHandle b = t.GetPicture(copy, nullptr, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(KxMemHSize(b), 64);
  EXPECT_TRUE(KxMemEqual(*a, *b, 64));
  t.DeletePicture(id);
  EXPECT_NE(t.GetPicture(copy, nullptr, nullptr), nullptr);
  EXPECT_EQ(t.DuplicatePicture(id), 0);
}

TEST(PictureTable, WrapsToLowestFreeIDAndFailsWhenFull) {
  long live = kx_memtest::LiveBlocks();
  {
    CKXPictArray t;
    for (long k = 1; k <= CKXPictArray::kMaxPictureID; ++k) ASSERT_EQ(t.SetPicture(MakePict(0, 0, 1, 1)), k);
    PicHandle extra = MakePict(0, 0, 1, 1);
    EXPECT_EQ(t.FindEmptyID(), 0);
    EXPECT_EQ(t.SetPicture(extra), 0);  // the caller keeps the handle
    EXPECT_EQ(t.DuplicatePicture(5), 0);
    t.DeletePicture(7);
    t.DeletePicture(3);
    EXPECT_EQ(t.SetPicture(extra), 3);
    EXPECT_EQ(t.SetPicture(MakePict(0, 0, 1, 1)), 7);  // 4 is taken: the next free one
    PicHandle refused = MakePict(0, 0, 1, 1);
    EXPECT_EQ(t.SetPicture(refused), 0);
    KxMemHFree(refused);
    for (long k = 1; k <= t.GetCount(); ++k) ASSERT_EQ(t.GetOffsetAt(k), k);
  }
  EXPECT_EQ(kx_memtest::LiveBlocks(), live);  // the table freed every picture
}

}  // namespace
