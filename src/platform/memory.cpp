#include "platform/memory.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// A handle points at the first member of this record; the record itself
// never moves, the block it owns does.
struct HandleRec {
  char* ptr;
  Size size;
  Size capacity;
  signed char state;
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
  auto* rec = new (std::nothrow) HandleRec{nullptr, 0, 0, 0};
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
      if (char* p = static_cast<char*>(std::realloc(rec->ptr, std::size_t(size > 0 ? size : 1)))) {
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
