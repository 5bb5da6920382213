#include "platform/memory.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#define KX_SLAB_REDZONES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KX_SLAB_REDZONES 1
#endif
#endif
#ifdef KX_SLAB_REDZONES
#include <sanitizer/asan_interface.h>
#endif

namespace {

// A handle points at the first member of this record; the record itself
// never moves, the block it owns does.
struct HandleRec {
  char* ptr;
  Size size;
  Size capacity;
  signed char state;
  bool inSlab;  // the block is a slab slot, not a heap block
};
static_assert(offsetof(HandleRec, ptr) == 0);

// Fixed blocks carry their size in a header in front of the block.
constexpr std::size_t kPtrHeader = 16;

constexpr signed char kLockedBit = static_cast<signed char>(0x80);

OSErr gMemErr = noErr;
long gFailCountdown = 0;
bool gFailAll = false;
long gMaxBlock = -1;
long gLiveBlocks = 0;

HandleRec* Rec(Handle h) { return reinterpret_cast<HandleRec*>(h); }

// --- slabs -------------------------------------------------------------------------------
//
// Slots of kKxSlabSlotBytes in 2 MB blocks aligned on 2 MB, which the
// system may back with one huge page each. A slot's slab is found from its
// address.
// Under the address sanitizer each slot is followed by a poisoned gap, and
// slots not handed out are poisoned, so that overrunning a slot is caught as
// it would be on the heap.

constexpr std::size_t kSlabBytes = std::size_t(2) << 20;
#ifdef KX_SLAB_REDZONES
constexpr std::size_t kSlotStride = kKxSlabSlotBytes + 4096;
#else
constexpr std::size_t kSlotStride = kKxSlabSlotBytes;
#endif
constexpr int kSlabSlots = int(kSlabBytes / kSlotStride);

void Poison(char* p, std::size_t n) {
#ifdef KX_SLAB_REDZONES
  ASAN_POISON_MEMORY_REGION(p, n);
#else
  (void)p;
  (void)n;
#endif
}

void Unpoison(char* p, std::size_t n) {
#ifdef KX_SLAB_REDZONES
  ASAN_UNPOISON_MEMORY_REGION(p, n);
#else
  (void)p;
  (void)n;
#endif
}

struct Slab {
  char* base;
  int used = 0;   // slots handed out
  int fresh = 0;  // slots from here on were never handed out
  int nFree = 0;
  unsigned char freeSlots[kSlabSlots];
  Slab* prev = nullptr;  // the list of slabs with a slot to give
  Slab* next = nullptr;
};

std::unordered_map<std::uintptr_t, Slab*> gSlabs;
Slab* gOpenSlabs = nullptr;
// One emptied slab is kept, so that a block freed and taken again at a
// slab's edge does not map and unmap 2 MB each time.
Slab* gSpareSlab = nullptr;

void LinkOpen(Slab* s) {
  s->prev = nullptr;
  s->next = gOpenSlabs;
  if (gOpenSlabs) gOpenSlabs->prev = s;
  gOpenSlabs = s;
}

void UnlinkOpen(Slab* s) {
  if (s->prev) s->prev->next = s->next;
  if (s->next) s->next->prev = s->prev;
  if (gOpenSlabs == s) gOpenSlabs = s->next;
  s->prev = s->next = nullptr;
}

Slab* MapSlab() {
  // Twice the size, then the unaligned ends go back.
  void* raw = mmap(nullptr, 2 * kSlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t b = (a + kSlabBytes - 1) & ~(kSlabBytes - 1);
  if (b > a) munmap(raw, b - a);
  const std::uintptr_t end = a + 2 * kSlabBytes;
  if (end > b + kSlabBytes) munmap(reinterpret_cast<void*>(b + kSlabBytes), end - (b + kSlabBytes));
  char* base = reinterpret_cast<char*>(b);
  auto* s = new (std::nothrow) Slab;
  if (!s) {
    munmap(base, kSlabBytes);
    return nullptr;
  }
  s->base = base;
  try {
    gSlabs.emplace(b, s);
  } catch (...) {
    delete s;
    munmap(base, kSlabBytes);
    return nullptr;
  }
  madvise(base, kSlabBytes, MADV_HUGEPAGE);
  Poison(base, kSlabBytes);
  return s;
}

void UnmapSlab(Slab* s) {
  Unpoison(s->base, kSlabBytes);
  munmap(s->base, kSlabBytes);
  gSlabs.erase(reinterpret_cast<std::uintptr_t>(s->base));
  delete s;
}

// A slot, or null when no slab can be mapped.
char* TakeSlot() {
  if (!gOpenSlabs) {
    Slab* s = gSpareSlab ? gSpareSlab : MapSlab();
    gSpareSlab = nullptr;
    if (!s) return nullptr;
    LinkOpen(s);
  }
  Slab* s = gOpenSlabs;
  const int slot = s->nFree > 0 ? s->freeSlots[--s->nFree] : s->fresh++;
  if (++s->used == kSlabSlots) UnlinkOpen(s);
  char* p = s->base + std::size_t(slot) * kSlotStride;
  Unpoison(p, kKxSlabSlotBytes);
  return p;
}

void GiveSlot(char* p) {
  Slab* s = gSlabs.at(reinterpret_cast<std::uintptr_t>(p) & ~(kSlabBytes - 1));
  Poison(p, kKxSlabSlotBytes);
  if (s->used == kSlabSlots) LinkOpen(s);
  s->freeSlots[s->nFree++] = static_cast<unsigned char>(std::size_t(p - s->base) / kSlotStride);
  if (--s->used > 0) return;
  UnlinkOpen(s);
  if (gSpareSlab) UnmapSlab(gSpareSlab);
  gSpareSlab = s;
}

// Moves a slab block to the heap with room for `capacity` bytes; false
// (nothing changed) when the heap has none.
bool LeaveSlab(HandleRec* rec, Size capacity) {
  char* p = static_cast<char*>(std::malloc(std::size_t(capacity > 0 ? capacity : 1)));
  if (!p) return false;
  std::memcpy(p, rec->ptr, std::size_t(rec->size < capacity ? rec->size : capacity));
  GiveSlot(rec->ptr);
  rec->ptr = p;
  rec->capacity = capacity > 0 ? capacity : 1;
  rec->inSlab = false;
  return true;
}

// Asks the test controls whether this allocation may go ahead.
bool AllocationAllowed() {
  if (gFailAll) return false;
  if (gFailCountdown > 0 && --gFailCountdown == 0) return false;
  return true;
}

bool ValidSize(Size size) { return size >= 0; }

}  // namespace

void KxPreferHugePages(void* block, std::size_t size) {
  constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
  const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

Handle NewHandle(Size size) {
  if (!ValidSize(size) || !AllocationAllowed()) {
    gMemErr = memFullErr;
    return nullptr;
  }
  auto* rec = new (std::nothrow) HandleRec{nullptr, 0, 0, 0, false};
  if (!rec) {
    gMemErr = memFullErr;
    return nullptr;
  }
  if (size > 0) {
    rec->ptr = static_cast<char*>(std::malloc(std::size_t(size)));
    if (!rec->ptr) {
      delete rec;
      gMemErr = memFullErr;
      return nullptr;
    }
  }
  rec->size = size;
  rec->capacity = size;
  ++gLiveBlocks;
  gMemErr = noErr;
  return &rec->ptr;
}

Handle KxNewSlabHandle(Size size) {
  if (size <= 0 || size > Size(kKxSlabSlotBytes)) return NewHandle(size);
  if (!AllocationAllowed()) {
    gMemErr = memFullErr;
    return nullptr;
  }
  auto* rec = new (std::nothrow) HandleRec{nullptr, size, Size(kKxSlabSlotBytes), 0, true};
  if (rec) rec->ptr = TakeSlot();
  if (!rec || !rec->ptr) {
    delete rec;
    gMemErr = memFullErr;
    return nullptr;
  }
  ++gLiveBlocks;
  gMemErr = noErr;
  return &rec->ptr;
}

Handle NewHandleClear(Size size) {
  Handle h = NewHandle(size);
  if (h && size > 0) std::memset(*h, 0, std::size_t(size));
  return h;
}

Handle TempNewHandle(Size size, OSErr* err) {
  Handle h = NewHandle(size);
  if (err) *err = gMemErr;
  return h;
}

void DisposeHandle(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  HandleRec* rec = Rec(h);
  if (rec->inSlab)
    GiveSlot(rec->ptr);
  else
    std::free(rec->ptr);
  delete rec;
  --gLiveBlocks;
  gMemErr = noErr;
}

void SetHandleSize(Handle h, Size size) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  HandleRec* rec = Rec(h);
  if (!ValidSize(size)) {
    gMemErr = memFullErr;
    return;
  }
  if (size <= rec->capacity) {
    // Give memory back only when most of the block has gone unused, and
    // never move a locked block.
    if (!(rec->state & kLockedBit) && rec->capacity > 4096 && size < rec->capacity / 4) {
      if (rec->inSlab) {
        LeaveSlab(rec, size);
      } else if (char* p = static_cast<char*>(std::realloc(rec->ptr, std::size_t(size > 0 ? size : 1)))) {
        rec->ptr = p;
        rec->capacity = size > 0 ? size : 1;
      }
    }
    rec->size = size;
    gMemErr = noErr;
    return;
  }
  if (rec->state & kLockedBit) {
    gMemErr = memLockedErr;  // a locked block cannot move
    return;
  }
  if (!AllocationAllowed()) {
    gMemErr = memFullErr;
    return;
  }
  long long grown = (long long)rec->capacity + rec->capacity / 2;
  long long capacity = size > grown ? size : grown;
  if (capacity > kKxMaxOffset) capacity = kKxMaxOffset;
  if (rec->inSlab) {
    if (!LeaveSlab(rec, Size(capacity)) && !LeaveSlab(rec, size)) {
      gMemErr = memFullErr;
      return;
    }
    rec->size = size;
    gMemErr = noErr;
    return;
  }
  char* p = static_cast<char*>(std::realloc(rec->ptr, std::size_t(capacity)));
  if (!p && capacity > size) {
    capacity = size;
    p = static_cast<char*>(std::realloc(rec->ptr, std::size_t(capacity)));
  }
  if (!p) {
    gMemErr = memFullErr;
    return;
  }
  rec->ptr = p;
  rec->capacity = Size(capacity);
  rec->size = size;
  gMemErr = noErr;
}

Size GetHandleSize(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return 0;
  }
  gMemErr = noErr;
  return Rec(h)->size;
}

void HLock(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  Rec(h)->state |= kLockedBit;
  gMemErr = noErr;
}

void HUnlock(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  Rec(h)->state = static_cast<signed char>(Rec(h)->state & ~kLockedBit);
  gMemErr = noErr;
}

signed char HGetState(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return 0;
  }
  gMemErr = noErr;
  return Rec(h)->state;
}

void HSetState(Handle h, signed char state) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  Rec(h)->state = state;
  gMemErr = noErr;
}

Ptr NewPtr(Size size) {
  if (!ValidSize(size) || !AllocationAllowed()) {
    gMemErr = memFullErr;
    return nullptr;
  }
  char* raw = static_cast<char*>(std::malloc(kPtrHeader + std::size_t(size)));
  if (!raw) {
    gMemErr = memFullErr;
    return nullptr;
  }
  Size stored = size;
  std::memcpy(raw, &stored, sizeof stored);
  ++gLiveBlocks;
  gMemErr = noErr;
  return raw + kPtrHeader;
}

Ptr NewPtrClear(Size size) {
  Ptr p = NewPtr(size);
  if (p && size > 0) std::memset(p, 0, std::size_t(size));
  return p;
}

void DisposePtr(Ptr p) {
  if (!p) {
    gMemErr = nilHandleErr;
    return;
  }
  std::free(p - kPtrHeader);
  --gLiveBlocks;
  gMemErr = noErr;
}

Size GetPtrSize(Ptr p) {
  if (!p) {
    gMemErr = nilHandleErr;
    return 0;
  }
  Size size;
  std::memcpy(&size, p - kPtrHeader, sizeof size);
  gMemErr = noErr;
  return size;
}

Size MaxBlock() { return Size(gMaxBlock >= 0 ? gMaxBlock : kKxMaxOffset); }

OSErr MemError() { return gMemErr; }

namespace kx_memtest {
void FailNth(long n) { gFailCountdown = n > 0 ? n : 0; }
void FailAll(bool on) { gFailAll = on; }
void SetMaxBlock(long bytes) { gMaxBlock = bytes; }
long LiveBlocks() { return gLiveBlocks; }
void Reset() {
  gFailCountdown = 0;
  gFailAll = false;
  gMaxBlock = -1;
  gMemErr = noErr;
}
}  // namespace kx_memtest
