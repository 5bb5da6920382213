#include <gtest/gtest.h>

#include <cstring>

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

TEST(StringLists, MissingItemsAreEmpty) {
  Str255 s;
  GetIndString(s, 32000, 1);
  EXPECT_EQ(s[0], 0);
  EXPECT_FALSE(KxHasIndString(32000, 1));
}

}  // namespace
