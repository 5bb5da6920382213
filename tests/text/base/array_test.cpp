#include "text/base/array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/exception.h"
#include "platform/memory.h"
#include "text/base/memory.h"

namespace {

struct Item20 {
  char bytes[20];
};

Item20 Make20(char c) {
  Item20 it;
  std::memset(it.bytes, c, sizeof it.bytes);
  return it;
}

std::vector<long> Values(const CKXArray& a) {
  std::vector<long> out;
  for (long i = 1; i <= a.GetCount(); ++i) {
    long v = 0;
    EXPECT_TRUE(a.FetchItemAt(i, &v));
    out.push_back(v);
  }
  return out;
}

TEST(HandleArray, NewArrayIsEmptyWithZeroByteBlock) {
  CKXArray a(20);
  EXPECT_EQ(a.GetCount(), 0);
  ASSERT_NE(a.GetHandle(), nullptr);
  EXPECT_EQ(KxMemHSize(a.GetHandle()), 0);
  Item20 out;
  EXPECT_FALSE(a.FetchItemAt(CKXArray::kLastIndex, &out));
  EXPECT_THROW(CKXArray(129), LException);
  EXPECT_THROW(CKXArray(0), LException);
}

TEST(HandleArray, AllocationFollowsGranuleWithHysteresis) {
  CKXArray a(20);
  Item20 x = Make20('x');
  a.InsertItemsAt(1, 1, &x);
  EXPECT_EQ(a.GetAlloc(), 6);
  a.InsertItemsAt(5, a.GetCount() + 1, &x);
  EXPECT_EQ(a.GetAlloc(), 6);
  a.InsertItemsAt(1, a.GetCount() + 1, &x);
  EXPECT_EQ(a.GetCount(), 7);
  EXPECT_EQ(a.GetAlloc(), 12);
  EXPECT_EQ(KxMemHSize(a.GetHandle()), 12 * 20);
  a.RemoveItemsAt(1, 1);
  EXPECT_EQ(a.GetAlloc(), 6);
  a.RemoveItemsAt(6, 1);
  EXPECT_EQ(a.GetCount(), 0);
  EXPECT_EQ(a.GetAlloc(), 0);
}

TEST(HandleArray, InsertPlacesCopiesAndMovesTail) {
  CKXArray a(sizeof(long));
  long v1 = 1, v2 = 2, x = 9;
  a.InsertItemsAt(1, 1, &v1);
  a.InsertItemsAt(1, 2, &v2);
  a.InsertItemsAt(3, 0, &x);
  EXPECT_EQ(Values(a), (std::vector<long>{9, 9, 9, 1, 2}));
  a.InsertItemsAt(1, 99, &x);
  EXPECT_EQ(Values(a), (std::vector<long>{9, 9, 9, 1, 2, 9}));
  long mid = 5;
  a.InsertItemsAt(1, 4, &mid);
  EXPECT_EQ(Values(a), (std::vector<long>{9, 9, 9, 5, 1, 2, 9}));
  // Null item: slots exist and the caller fills them.
  a.InsertItemsAt(2, 1, nullptr);
  EXPECT_EQ(a.GetCount(), 9);
  long seven = 7;
  a.SetItemAt(1, &seven);
  a.SetItemAt(2, &seven);
  EXPECT_EQ(Values(a), (std::vector<long>{7, 7, 9, 9, 9, 5, 1, 2, 9}));
}

TEST(HandleArray, RemoveChecksIndexAndCutsAtTail) {
  CKXArray a(sizeof(long));
  for (long v = 1; v <= 5; ++v) a.InsertItemsAt(1, a.GetCount() + 1, &v);
  a.RemoveItemsAt(1, 6);
  a.RemoveItemsAt(1, 0);
  a.RemoveItemsAt(0, 2);
  EXPECT_EQ(Values(a), (std::vector<long>{1, 2, 3, 4, 5}));
  a.RemoveItemsAt(10, 3);
  EXPECT_EQ(Values(a), (std::vector<long>{1, 2}));
  a.RemoveItemsAt(1, CKXArray::kLastIndex);
  EXPECT_EQ(Values(a), (std::vector<long>{1}));
  long v = 0;
  EXPECT_FALSE(a.FetchItemAt(0, &v));
  EXPECT_FALSE(a.FetchItemAt(2, &v));
  EXPECT_TRUE(a.FetchItemAt(CKXArray::kLastIndex, &v));
  EXPECT_EQ(v, 1);
  long w = 42;
  a.SetItemAt(2, &w);  // out of range: nothing
  a.SetItemAt(CKXArray::kLastIndex, &w);
  EXPECT_EQ(Values(a), (std::vector<long>{42}));
}

TEST(HandleArray, NestedLocksKeepBlockLockedUntilOutermostUnlock) {
  CKXArray a(4);
  a.Lock();
  a.Lock();
  EXPECT_EQ(HGetState(a.GetHandle()) & 0x80, 0x80);
  a.Unlock();
  EXPECT_EQ(HGetState(a.GetHandle()) & 0x80, 0x80);
  a.Unlock();
  EXPECT_EQ(HGetState(a.GetHandle()) & 0x80, 0);
  a.Unlock();  // unbalanced unlock is harmless
  EXPECT_EQ(a.GetLockCount(), 0u);
}

TEST(HandleArray, GrowingWhileLockedKeepsLockAndPointer) {
  CKXArray a(4);
  std::int32_t v = 3;
  a.InsertItemsAt(1, 1, &v);
  a.Lock();
  for (int i = 0; i < 1000; ++i) a.InsertItemsAt(1, a.GetCount() + 1, &v);
  EXPECT_EQ(HGetState(a.GetHandle()) & 0x80, 0x80);
  auto* p = static_cast<std::int32_t*>(a.GetItemPtr(1));
  EXPECT_EQ(p, reinterpret_cast<std::int32_t*>(*a.GetHandle()));
  EXPECT_EQ(p[1000], 3);
  a.Unlock();
}

TEST(HandleArray, FailedInsertLeavesArrayUnchanged) {
  CKXArray a(4);
  std::int32_t v = 1;
  for (int i = 0; i < 32; ++i) a.InsertItemsAt(1, a.GetCount() + 1, &v);
  kx_memtest::FailAll(true);
  KxMemEmergencyFree();
  EXPECT_THROW(a.InsertItemsAt(1000, 1, &v), LException);
  kx_memtest::Reset();
  KxMemInitialize();
  EXPECT_EQ(a.GetCount(), 32);
  EXPECT_EQ(a.GetAlloc(), 32);
}

TEST(HandleArray, TypedArrayAddsAndDeletesAll) {
  TKXArray<unsigned char> bytes;
  for (int i = 0; i < 300; ++i) bytes.AddItem(static_cast<unsigned char>(i));
  EXPECT_EQ(bytes.GetCount(), 300);
  unsigned char c = 0;
  ASSERT_TRUE(bytes.FetchItemAt(300, &c));
  EXPECT_EQ(c, 299 & 0xFF);
  bytes.DeleteAll();
  EXPECT_EQ(bytes.GetCount(), 0);
  bytes.DeleteAll();
}

}  // namespace
