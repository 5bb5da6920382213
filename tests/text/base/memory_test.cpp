#include "text/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/exception.h"

namespace {

class CountingRecoverer : public KxMemoryRecoverer {
 public:
  Boolean INeedMemory() override {
    ++calls;
    if (freeOnCall) kx_memtest::FailNth(0);
    return answer;
  }
  int calls = 0;
  bool freeOnCall = false;
  Boolean answer = true;
};

// Each test starts from a full reserve and default allocator.
class MemoryLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    kx_memtest::Reset();
    KxMemTerminate();
    KxMemInitialize();
  }
  void TearDown() override {
    KxMemSetRecoverer(nullptr);
    kx_memtest::Reset();
    KxMemPrinting(false);
    KxMemTerminate();
    KxMemInitialize();
  }
};

TEST_F(MemoryLayer, ReserveKeptForSmallAndReleasedWhenMemoryIsLow) {
  EXPECT_EQ(KxMemReserveCount(), 4);
  char** small = KxMemHAlloc(512, false);
  EXPECT_EQ(KxMemReserveCount(), 4);
  kx_memtest::SetMaxBlock(0x1FFFF);
  char** small2 = KxMemHAlloc(100, false);
  EXPECT_EQ(KxMemReserveCount(), 4);  // small blocks never release it
  char** big = KxMemHAlloc(513, false);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(KxMemReserveCount(), 0);  // all four at once

  // Refill: one block back per free of a block above 512 bytes, when room returns.
  kx_memtest::SetMaxBlock(0x30001);
  KxMemHFree(small);
  EXPECT_EQ(KxMemReserveCount(), 0);
  KxMemHFree(big);
  EXPECT_EQ(KxMemReserveCount(), 1);
  KxMemHFree(small2);
  EXPECT_EQ(KxMemReserveCount(), 1);
}

TEST_F(MemoryLayer, FailureReleasesReserveThenRecoversAndRetriesOnce) {
  CountingRecoverer app;
  KxMemSetRecoverer(&app);
  // First try (reserve full) and second try fail; the retry after recovery succeeds.
  kx_memtest::FailNth(1);
  char** h = KxMemHAlloc(64, false);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KxMemReserveCount(), 0);
  EXPECT_EQ(app.calls, 0);  // the second try already succeeded
  KxMemHFree(h);

  kx_memtest::FailAll(true);
  EXPECT_EQ(KxMemAlloc(64, false), nullptr);
  EXPECT_EQ(app.calls, 1);  // exactly one recovery, one retry
  try {
    KxMemHAlloc(64, true);
    FAIL() << "expected a throw";
  } catch (const LException& e) {
    EXPECT_EQ(e.GetErrorCode(), memFullErr);
  }
  EXPECT_EQ(app.calls, 2);
}

TEST_F(MemoryLayer, NegativeSizeThrowsMemoryFullWhenAsked) {
  EXPECT_EQ(KxMemHAlloc(-5, false), nullptr);
  EXPECT_THROW(KxMemAlloc(-5, true), LException);
}

TEST_F(MemoryLayer, PrintingModeHoldsNoReserve) {
  KxMemPrinting(true);
  EXPECT_EQ(KxMemReserveCount(), 0);
  char** h = KxMemHAlloc(4096, false);
  KxMemHFree(h);
  EXPECT_EQ(KxMemReserveCount(), 0);
  KxMemPrinting(false);
  EXPECT_EQ(KxMemReserveCount(), 4);
}

TEST_F(MemoryLayer, ReAllocKeepsContentsAndFailureLeavesHandleAlone) {
  char** h = nullptr;
  ASSERT_TRUE(KxMemHReAlloc(h, 10, false));
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "abcdefghij", 10);
  ASSERT_TRUE(KxMemHReAlloc(h, 100000, false));
  EXPECT_EQ(KxMemHSize(h), 100000);
  EXPECT_EQ(std::memcmp(*h, "abcdefghij", 10), 0);

  char** before = h;
  kx_memtest::FailAll(true);
  EXPECT_FALSE(KxMemHReAlloc(h, 10000000, false));
  EXPECT_EQ(h, before);
  EXPECT_EQ(KxMemHSize(h), 100000);
  EXPECT_EQ(std::memcmp(*h, "abcdefghij", 10), 0);
  EXPECT_THROW(KxMemHReAlloc(h, 10000000, true), LException);
  kx_memtest::FailAll(false);

  // A locked block cannot grow in place: the layer moves it to a new handle.
  HLock(h);
  char** locked = h;
  ASSERT_TRUE(KxMemHReAlloc(h, 1 << 22, false));
  EXPECT_NE(h, locked);
  EXPECT_EQ(std::memcmp(*h, "abcdefghij", 10), 0);
  KxMemHFree(h);
}

TEST_F(MemoryLayer, NestedLocksLeaveTheOuterLock) {
  char** h = KxMemHAlloc(16, true);
  {
    CKXLock outer(h);
    EXPECT_NE(HGetState(h) & 0x80, 0);
    {
      CKXLock inner(h);
      EXPECT_EQ(inner.Ptr(), *h);
    }
    EXPECT_NE(HGetState(h) & 0x80, 0);
  }
  EXPECT_EQ(HGetState(h) & 0x80, 0);
  CKXLock none(nullptr);
  EXPECT_EQ(none.Ptr(), nullptr);
  KxMemHFree(h);
}

TEST_F(MemoryLayer, ScratchBlocks) {
  CKXPtrBlock small(100);
  ASSERT_NE(small.Block(), nullptr);
  EXPECT_EQ(small.Block()[511], 0);
  CKXPtrBlock big(100000);
  ASSERT_NE(big.Block(), nullptr);
  big.Block()[99999] = 1;
  big.SetBlock(10);  // back to the inline buffer, the heap block freed
  CKXTempBlock temp(70000);
  ASSERT_NE(temp.Block(), nullptr);
  temp.Block()[69999] = 2;
  temp.SetBlock(3);
  EXPECT_NE(temp.Block(), nullptr);
}

TEST(MemoryBytes, CompareMoveEqual) {
  EXPECT_EQ(KxMemCompare("abc", 3, "ABC", 3, true), 0);
  EXPECT_EQ(KxMemCompare("abc", 3, "ABC", 3, false), 1);
  EXPECT_EQ(KxMemCompare("ab", 2, "abc", 3, false), -1);
  EXPECT_EQ(KxMemCompare("\x80", 1, "\x7f", 1, false), 1);
  EXPECT_EQ(KxMemCompare("[", 1, "{", 1, true), -1);  // only letters fold
  char buf[6] = "hello";
  KxMemMove(buf, buf + 1, 0);
  KxMemMove(buf, buf + 1, -3);
  EXPECT_STREQ(buf, "hello");
  KxMemMove(buf, buf + 1, 4);
  EXPECT_STREQ(buf, "hhell");
  EXPECT_TRUE(KxMemEqual("a", "b", 0));
  EXPECT_FALSE(KxMemEqual("ab", "ac", 2));
}

}  // namespace
