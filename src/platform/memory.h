// Relocatable handles and fixed blocks over the C++ heap.
//
// A handle is a pointer to a master pointer; the block it points to may move
// when the handle grows. Each handle keeps spare capacity that grows
// geometrically under its logical size, so that code which grows a block a
// little at a time (arrays grow 128 bytes per step) stays linear.
//
// For tests the allocator can be told to fail, and MaxBlock() can be given a
// fixed answer.
#pragma once

#include <cstddef>

#include "platform/types.h"

Handle NewHandle(Size size);
Handle NewHandleClear(Size size);
// The largest block KxNewSlabHandle places in a slab.
constexpr std::size_t kKxSlabSlotBytes = 16384;
// A handle of 1 to kKxSlabSlotBytes bytes whose block is a slot of a 2 MB
// slab the system may back with a huge page: filling 50 MB of equal 16 KB
// blocks from the heap takes 12,800 page faults. Other sizes get an
// ordinary block. The handle behaves as any other; growing past its slot,
// or shrinking to under a quarter of it, moves the block to the heap.
Handle KxNewSlabHandle(Size size);
Handle TempNewHandle(Size size, OSErr* err);
void DisposeHandle(Handle h);
void SetHandleSize(Handle h, Size size);
Size GetHandleSize(Handle h);
void HLock(Handle h);
void HUnlock(Handle h);
// State byte: 0x80 when locked.
signed char HGetState(Handle h);
void HSetState(Handle h, signed char state);

Ptr NewPtr(Size size);
Ptr NewPtrClear(Size size);
void DisposePtr(Ptr p);
Size GetPtrSize(Ptr p);

// Asks the system to back the whole 2 MB pages inside a large block with
// huge pages: filling 50 MB then takes a few dozen page faults, not 12,800.
// A hint only; nothing changes where the system has none.
void KxPreferHugePages(void* block, std::size_t size);

// The largest block that could still be allocated. Without a test setting,
// a constant large value (the heap has no such figure).
Size MaxBlock();
// Result of the last memory call.
OSErr MemError();

// Test controls.
namespace kx_memtest {
// The n-th allocation from now fails (1 = the next); 0 turns failing off.
// An allocation is a new handle or pointer, or a handle growing past its
// capacity.
void FailNth(long n);
// Every allocation fails while on.
void FailAll(bool on);
// What MaxBlock() answers; a negative value restores the default.
void SetMaxBlock(long bytes);
// Live handles and pointers, for leak checks in tests.
long LiveBlocks();
// Restores every default.
void Reset();
}  // namespace kx_memtest
