#include "text/base/memory.h"

#include <cstring>

#include "platform/core.h"
#include "platform/exception.h"

namespace {

// Filled in this order; the reserve is full exactly when gReserve[3] is set.
char** gReserve[4] = {nullptr, nullptr, nullptr, nullptr};
unsigned char gPrinting = 0;
KxMemoryRecoverer* gRecoverer = nullptr;

constexpr long kSmallBlock = 512;
constexpr long kLowMaxBlock = 0x1FFFF;
constexpr long kRefillMaxBlock = 0x30001;

bool ReserveFull() { return gReserve[3] != nullptr; }

[[noreturn]] void ThrowFailure() {
  OSErr err = MemError();
  throw LException(err != noErr ? err : memFullErr);
}

// The allocation steps shared by handles and fixed blocks.
template <typename T, typename New>
T Allocate(long size, unsigned char throwOnFail, New make) {
  if (size < 0 || size > kKxMaxOffset) {
    if (throwOnFail) throw LException(memFullErr);
    return nullptr;
  }
  if (ReserveFull()) {
    T block = make(Size(size));
    if (block) {
      if (size > kSmallBlock && MaxBlock() <= kLowMaxBlock) KxMemEmergencyFree();
      return block;
    }
    KxMemEmergencyFree();
  }
  if (T block = make(Size(size))) return block;
  KxMemRecovery();
  T block = make(Size(size));
  if (!block && throwOnFail) ThrowFailure();
  return block;
}

void RefillAfterFree(long freedSize) {
  if (!ReserveFull() && freedSize > kSmallBlock && MaxBlock() >= kRefillMaxBlock)
    KxMemEmergencyAlloc();
}

}  // namespace

void KxMemSetRecoverer(KxMemoryRecoverer* recoverer) { gRecoverer = recoverer; }

void KxMemInitialize() {
  for (auto& r : gReserve) r = nullptr;
  gPrinting = 0;
  for (int i = 0; i < 4; ++i) KxMemEmergencyAlloc();
}

void KxMemTerminate() { KxMemEmergencyFree(); }

void KxMemEmergencyAlloc() {
  if (gPrinting) return;
  for (auto& r : gReserve) {
    if (!r) {
      r = NewHandle(kKxMemReserveBlock);
      return;
    }
  }
}

void KxMemEmergencyFree() {
  for (auto& r : gReserve) {
    if (r) DisposeHandle(r);
    r = nullptr;
  }
}

Boolean KxMemRecovery() {
  KxMemEmergencyFree();
  return gRecoverer ? gRecoverer->INeedMemory() : false;
}

void KxMemThrowError() { throw LException(memFullErr); }

void KxMemPrinting(unsigned char on) {
  gPrinting = on;
  if (on) {
    KxMemEmergencyFree();
    return;
  }
  for (int i = 0; i < 4 && !ReserveFull() && MaxBlock() >= kRefillMaxBlock; ++i)
    KxMemEmergencyAlloc();
}

int KxMemReserveCount() {
  int n = 0;
  for (auto* r : gReserve) n += r != nullptr;
  return n;
}

char** KxMemHAlloc(long size, unsigned char throwOnFail) {
  return Allocate<char**>(size, throwOnFail, [](Size s) { return NewHandle(s); });
}

char** KxMemHAllocSlab(long size, unsigned char throwOnFail) {
  return Allocate<char**>(size, throwOnFail, [](Size s) { return KxNewSlabHandle(s); });
}

char* KxMemAlloc(long size, unsigned char throwOnFail) {
  return Allocate<char*>(size, throwOnFail, [](Size s) { return NewPtr(s); });
}

void KxMemHFree(char** handle) {
  if (!handle) return;
  long size = ReserveFull() ? 0 : GetHandleSize(handle);
  DisposeHandle(handle);
  RefillAfterFree(size);
}

void KxMemFree(char* pointer) {
  if (!pointer) return;
  long size = ReserveFull() ? 0 : GetPtrSize(pointer);
  DisposePtr(pointer);
  RefillAfterFree(size);
}

Boolean KxMemHReAlloc(char**& handle, long newSize, unsigned char throwOnFail) {
  if (!handle) {
    handle = KxMemHAlloc(newSize, throwOnFail);
    return handle != nullptr;
  }
  if (newSize < 0 || newSize > kKxMaxOffset) {
    if (throwOnFail) throw LException(memFullErr);
    return false;
  }
  long oldSize = GetHandleSize(handle);
  SetHandleSize(handle, Size(newSize));
  if (MemError() == noErr) {
    if (newSize - oldSize > kSmallBlock && MaxBlock() <= kLowMaxBlock) KxMemEmergencyFree();
    return true;
  }
  // In place failed: try a new block and copy.
  KxMemEmergencyFree();
  char** fresh = NewHandle(Size(newSize));
  if (!fresh) {
    KxMemRecovery();
    SetHandleSize(handle, Size(newSize));
    if (MemError() == noErr) return true;
    fresh = NewHandle(Size(newSize));
    if (!fresh) {
      if (throwOnFail) ThrowFailure();
      return false;
    }
  }
  {
    CKXLock from(handle);
    CKXLock to(fresh);
    KxMemMove(from.Ptr(), to.Ptr(), oldSize < newSize ? oldSize : newSize);
  }
  DisposeHandle(handle);
  handle = fresh;
  return true;
}

char* KxMemHLock(char** handle) {
  if (!handle) return nullptr;
  HLock(handle);
  return *handle;
}

void KxMemHUnlock(char** handle) {
  if (handle) HUnlock(handle);
}

long KxMemHSize(char** handle) { return handle ? GetHandleSize(handle) : 0; }

void KxMemMove(const void* source, void* destination, long count) {
  if (count < 1) return;
  std::memmove(destination, source, std::size_t(count));
}

Boolean KxMemEqual(const void* a, const void* b, long count) {
  if (count < 1) return true;
  return std::memcmp(a, b, std::size_t(count)) == 0;
}

void KxMemClear(void* block, long count) {
  if (count > 0) std::memset(block, 0, std::size_t(count));
}

short KxMemCompare(const void* a, long aLen, const void* b, long bLen, unsigned char foldCase) {
  auto* pa = static_cast<const unsigned char*>(a);
  auto* pb = static_cast<const unsigned char*>(b);
  long n = aLen < bLen ? aLen : bLen;
  for (long i = 0; i < n; ++i) {
    unsigned char ca = pa[i], cb = pb[i];
    if (foldCase) {
      if (ca >= 'a' && ca <= 'z') ca -= 0x20;
      if (cb >= 'a' && cb <= 'z') cb -= 0x20;
    }
    if (ca != cb) return ca > cb ? 1 : -1;
  }
  if (aLen == bLen) return 0;
  return aLen > bLen ? 1 : -1;
}

CKXLock::CKXLock(char** handle) : mPtr(nullptr), mHandle(handle), mLocked(0) {
  if (!handle) return;
  signed char state = HGetState(handle);
  if (MemError() != noErr) throw LException(MemError());
  if (!(state & 0x80)) {
    HLock(handle);
    mLocked = 1;
  }
  mPtr = *handle;
}

CKXLock::~CKXLock() {
  if (mLocked) HUnlock(mHandle);
}

void CKXPtrBlock::FreeHeap() {
  if (mBlock && mBlock != mBuffer) KxMemFree(mBlock);
  mBlock = nullptr;
}

char* CKXPtrBlock::SetBlock(long size) {
  FreeHeap();
  if (size > long(sizeof mBuffer)) {
    mBlock = KxMemAlloc(size, false);
  } else {
    std::memset(mBuffer, 0, sizeof mBuffer);
    mBlock = mBuffer;
  }
  return mBlock;
}

CKXPtrBlock::~CKXPtrBlock() { FreeHeap(); }

void CKXTempBlock::FreeTemp() {
  if (mTempHandle) {
    HUnlock(mTempHandle);
    DisposeHandle(mTempHandle);
    mTempHandle = nullptr;
    mBlock = nullptr;
  }
}

char* CKXTempBlock::SetBlock(long size) {
  FreeTemp();
  FreeHeap();
  if (size > long(sizeof mBuffer)) {
    OSErr err = noErr;
    mTempHandle = TempNewHandle(Size(size), &err);
    if (mTempHandle && err == noErr) {
      HLock(mTempHandle);
      mBlock = *mTempHandle;
      return mBlock;
    }
    if (mTempHandle) DisposeHandle(mTempHandle);  // a block that came with an error is not used
    mTempHandle = nullptr;
  }
  return CKXPtrBlock::SetBlock(size);
}

CKXTempBlock::~CKXTempBlock() { FreeTemp(); }

void KxTextMemoryFacilities() {
  KxRegisterFacility(kRankMemory, "memory", KxMemInitialize, KxMemTerminate);
}
