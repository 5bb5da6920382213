// The memory layer: every own allocation goes through here. It keeps an
// emergency reserve of four 32768-byte blocks, gives it up when memory runs
// short (or while printing), asks the application to free memory when an
// allocation still fails, retries once, and refills the reserve when memory
// comes back. Also the scope blocks CKXLock, CKXPtrBlock and CKXTempBlock.
#pragma once

#include "platform/memory.h"
#include "platform/types.h"

// What the layer needs of the application: a way to free memory (the
// application drops the undo state of every document). Without one
// installed, recovery answers false.
class KxMemoryRecoverer {
 public:
  virtual ~KxMemoryRecoverer() = default;
  virtual Boolean INeedMemory() = 0;
};
void KxMemSetRecoverer(KxMemoryRecoverer* recoverer);

constexpr long kKxMemReserveBlock = 32768;

void KxMemInitialize();
void KxMemTerminate();
void KxMemEmergencyAlloc();
void KxMemEmergencyFree();
Boolean KxMemRecovery();
[[noreturn]] void KxMemThrowError();
void KxMemPrinting(unsigned char on);

// Number of reserve blocks held now (0-4); the reserve is full at 4.
int KxMemReserveCount();

char** KxMemHAlloc(long size, unsigned char throwOnFail);
// The same for one of the many full blocks of a large text: placed in a slab
// (KxNewSlabHandle) to spare the page faults of filling it.
char** KxMemHAllocSlab(long size, unsigned char throwOnFail);
char* KxMemAlloc(long size, unsigned char throwOnFail);
void KxMemHFree(char** handle);
void KxMemFree(char* pointer);
// Resizes, possibly replacing the handle by a new one. True on success; on
// failure without throwOnFail the caller's handle and its contents are
// untouched.
Boolean KxMemHReAlloc(char**& handle, long newSize, unsigned char throwOnFail);
char* KxMemHLock(char** handle);
void KxMemHUnlock(char** handle);
long KxMemHSize(char** handle);

// Overlap-safe move; note the order: source first. Nothing for count < 1.
void KxMemMove(const void* source, void* destination, long count);
Boolean KxMemEqual(const void* a, const void* b, long count);
void KxMemClear(void* block, long count);
// Three-way compare (-1, 0, 1); with foldCase ASCII letters compare as upper case.
short KxMemCompare(const void* a, long aLen, const void* b, long bLen, unsigned char foldCase);

// A handle freed at the end of its scope (null: none).
struct StKxHandle {
  Handle h = nullptr;
  StKxHandle() = default;
  explicit StKxHandle(Handle handle) : h(handle) {}
  StKxHandle(const StKxHandle&) = delete;
  StKxHandle& operator=(const StKxHandle&) = delete;
  ~StKxHandle() {
    if (h) KxMemHFree(h);
  }
};

// Locks a handle for a scope and restores its state: an outer lock stays.
class CKXLock {
 public:
  explicit CKXLock(char** handle);
  ~CKXLock();
  CKXLock(const CKXLock&) = delete;
  CKXLock& operator=(const CKXLock&) = delete;
  char* Ptr() const { return mPtr; }
  operator char*() const { return mPtr; }

 private:
  char* mPtr;
  char** mHandle;
  unsigned char mLocked;
};

// A scratch block: 512 bytes inline, larger sizes from the heap. The block
// pointer is null when a heap allocation failed; callers check.
class CKXPtrBlock {
 public:
  CKXPtrBlock() = default;
  explicit CKXPtrBlock(long size) { SetBlock(size); }
  ~CKXPtrBlock();
  CKXPtrBlock(const CKXPtrBlock&) = delete;
  CKXPtrBlock& operator=(const CKXPtrBlock&) = delete;
  char* SetBlock(long size);
  char* Block() const { return mBlock; }
  operator char*() const { return mBlock; }

 protected:
  void FreeHeap();
  char mBuffer[512];
  char* mBlock = nullptr;
};

// A scratch block in temporary memory when it is larger than 512 bytes,
// otherwise as CKXPtrBlock.
class CKXTempBlock : public CKXPtrBlock {
 public:
  CKXTempBlock() = default;
  explicit CKXTempBlock(long size) { SetBlock(size); }
  ~CKXTempBlock();
  char* SetBlock(long size);

 private:
  void FreeTemp();
  char** mTempHandle = nullptr;
};

void KxTextMemoryFacilities();
