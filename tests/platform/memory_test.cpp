#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/memory.h"
#include "platform/resources.h"

namespace {

class HandleTest : public ::testing::Test {
 protected:
  void TearDown() override { kx_memtest::Reset(); }
};

TEST_F(HandleTest, ContentsSurviveGrowthAndShrinking) {
  Handle h = NewHandle(10);
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "0123456789", 10);
  for (Size s = 10; s < 200000; s += 128) {
    SetHandleSize(h, s);
    ASSERT_EQ(MemError(), noErr);
    ASSERT_EQ(GetHandleSize(h), s);
  }
  EXPECT_EQ(std::memcmp(*h, "0123456789", 10), 0);
  SetHandleSize(h, 4);
  EXPECT_EQ(GetHandleSize(h), 4);
  EXPECT_EQ(std::memcmp(*h, "0123", 4), 0);
  DisposeHandle(h);
}

TEST_F(HandleTest, LockBitAndLockedBlocksDoNotMove) {
  Handle h = NewHandle(16);
  EXPECT_EQ(HGetState(h) & 0x80, 0);
  HLock(h);
  EXPECT_NE(HGetState(h) & 0x80, 0);
  char* before = *h;
  SetHandleSize(h, 1 << 20);
  EXPECT_NE(MemError(), noErr);
  EXPECT_EQ(*h, before);
  EXPECT_EQ(GetHandleSize(h), 16);
  HUnlock(h);
  SetHandleSize(h, 1 << 20);
  EXPECT_EQ(MemError(), noErr);
  DisposeHandle(h);
}

TEST_F(HandleTest, InjectedFailuresAndMaxBlock) {
  long live = kx_memtest::LiveBlocks();
  kx_memtest::FailNth(2);
  Handle a = NewHandle(8);
  Handle b = NewHandle(8);
  EXPECT_EQ(MemError(), memFullErr);
  Handle c = NewHandle(8);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_NE(c, nullptr);

  kx_memtest::FailAll(true);
  SetHandleSize(a, 4096);  // past the capacity: an allocation
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(GetHandleSize(a), 8);
  SetHandleSize(a, 4);  // within the capacity: always succeeds
  EXPECT_EQ(MemError(), noErr);
  EXPECT_EQ(NewPtr(1), nullptr);
  kx_memtest::FailAll(false);

  kx_memtest::SetMaxBlock(1000);
  EXPECT_EQ(MaxBlock(), 1000);
  DisposeHandle(a);
  DisposeHandle(c);
  EXPECT_EQ(kx_memtest::LiveBlocks(), live);
}

TEST_F(HandleTest, NullAndNegativeArguments) {
  EXPECT_EQ(GetHandleSize(nullptr), 0);
  EXPECT_EQ(MemError(), nilHandleErr);
  EXPECT_EQ(NewHandle(-1), nullptr);
  Ptr p = NewPtrClear(300);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetPtrSize(p), 300);
  EXPECT_EQ(p[299], 0);
  DisposePtr(p);
}

// Slab blocks, several slabs' worth: each keeps its own bytes while others
// come and go, slots are reused, and every block is given back.
TEST_F(HandleTest, SlabBlocksKeepTheirBytesAcrossManySlabs) {
  const long live = kx_memtest::LiveBlocks();
  auto fill = [](Handle h, int tag) { std::memset(*h, tag, std::size_t(GetHandleSize(h))); };
  auto holds = [](Handle h, int tag) {
    for (Size i = 0; i < GetHandleSize(h); ++i)
      if ((*h)[i] != char(tag)) return false;
    return true;
  };
  std::vector<Handle> hs;
  for (int i = 0; i < 400; ++i) {  // over three slabs
    Handle h = KxNewSlabHandle(i % 3 == 0 ? Size(kKxSlabSlotBytes) : Size(1000 + i));
    ASSERT_NE(h, nullptr);
    fill(h, i);
    hs.push_back(h);
  }
  for (std::size_t i = 0; i < hs.size(); i += 2) DisposeHandle(hs[i]);
  for (std::size_t i = 0; i < hs.size(); i += 2) {
    hs[i] = KxNewSlabHandle(Size(kKxSlabSlotBytes));
    ASSERT_NE(hs[i], nullptr);
    fill(hs[i], 7 * int(i));
  }
  for (std::size_t i = 0; i < hs.size(); ++i) EXPECT_TRUE(holds(hs[i], i % 2 ? int(i) : 7 * int(i))) << i;
  for (Handle h : hs) DisposeHandle(h);
  EXPECT_EQ(kx_memtest::LiveBlocks(), live);

  // Sizes outside a slot get an ordinary block.
  Handle big = KxNewSlabHandle(Size(kKxSlabSlotBytes) + 1);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(GetHandleSize(big), Size(kKxSlabSlotBytes) + 1);
  DisposeHandle(big);
}

// Growing past the slot or shrinking well under it moves the block to the
// heap with its bytes; a locked block stays; the test controls apply.
TEST_F(HandleTest, SlabBlocksResizeLikeOtherHandles) {
  Handle h = KxNewSlabHandle(Size(kKxSlabSlotBytes));
  ASSERT_NE(h, nullptr);
  for (std::size_t i = 0; i < kKxSlabSlotBytes; ++i) (*h)[i] = char(i % 251);
  SetHandleSize(h, 100);  // a quarter of the slot or less: leaves it
  EXPECT_EQ(MemError(), noErr);
  SetHandleSize(h, 3 * Size(kKxSlabSlotBytes));
  ASSERT_EQ(MemError(), noErr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ((*h)[i], char(i % 251));
  DisposeHandle(h);

  h = KxNewSlabHandle(Size(kKxSlabSlotBytes) / 2);
  std::memcpy(*h, "slab", 4);
  HLock(h);
  char* at = *h;
  SetHandleSize(h, Size(kKxSlabSlotBytes));  // within the slot: no move needed
  EXPECT_EQ(MemError(), noErr);
  SetHandleSize(h, 2 * Size(kKxSlabSlotBytes));
  EXPECT_EQ(MemError(), memLockedErr);
  EXPECT_EQ(*h, at);
  HUnlock(h);
  kx_memtest::FailAll(true);
  SetHandleSize(h, 2 * Size(kKxSlabSlotBytes));
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(GetHandleSize(h), Size(kKxSlabSlotBytes));
  EXPECT_EQ(KxNewSlabHandle(10), nullptr);
  kx_memtest::FailAll(false);
  SetHandleSize(h, 2 * Size(kKxSlabSlotBytes));
  EXPECT_EQ(MemError(), noErr);
  EXPECT_EQ(std::memcmp(*h, "slab", 4), 0);
  DisposeHandle(h);
}

#if defined(__SANITIZE_ADDRESS__)
// A slot is fenced as a heap block is: writing past it is caught.
TEST_F(HandleTest, OverrunningASlabBlockIsCaught) {
  Handle h = KxNewSlabHandle(Size(kKxSlabSlotBytes));
  Handle next = KxNewSlabHandle(Size(kKxSlabSlotBytes));
  EXPECT_DEATH((*h)[kKxSlabSlotBytes + 8] = 1, "");
  char* freed = *next;
  DisposeHandle(next);
  EXPECT_DEATH(freed[0] = 1, "");
  DisposeHandle(h);
}
#endif

TEST(StringLists, MissingItemsAreEmpty) {
  Str255 s;
  GetIndString(s, 32000, 1);
  EXPECT_EQ(s[0], 0);
  EXPECT_FALSE(KxHasIndString(32000, 1));
}

}  // namespace
