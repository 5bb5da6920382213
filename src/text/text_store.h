// The character store of a styled text, with edits that leave it as it was
// when memory runs out: whatever an edit needs is allocated first (the new
// chunks of the affected stretch are built aside), and only then are chunk
// descriptors swapped in, which cannot fail.
#pragma once

#include "text/strarray.h"

class CKXTextStore : public CKXStrArray {
 public:
  // Inserts `n` bytes at `pos` (side entries after it move by `n`).
  void InsertStrong(long pos, const char* bytes, long n, const SKXCutScript& cut);
  // Deletes from..to with its side entries. `cut` answers the script at
  // positions of the text before the deletion.
  void DeleteStrong(long from, long to, const SKXCutScript& cut);
  // Makes sure the side table exists with room for `n` more entries;
  // answers whether it had to be created.
  bool ReserveUniChars(long n);

 private:
  // Replaces chunks lo..hi by the chunks of `piece` (which gives them up).
  // Everything that can fail happens before the first change.
  void SwapChunks(long lo, long hi, CKXStrArray& piece);
  long ChunkLen(long index) const;
};
