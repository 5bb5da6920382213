// The process-wide picture table.
//
// An inline picture stands in the text as the byte 0xCA whose decoration
// carries a picture ID; the pictures themselves live here, keyed by ID
// (1..32767) and kept sorted by it. The table owns the picture handles.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "text/base/posarray.h"

// The byte an inline picture stands on in the text.
constexpr unsigned char kKxPictureByte = 0xCA;

// A picture: a handle whose block starts with the picture header (a 16-bit
// size and the big-endian frame rectangle).
using PicHandle = char**;

struct SKXPict {
  std::int32_t id;  // the entry's key in place of a text offset
  std::int32_t pad;
  PicHandle pict;
};

// The frame rectangle from the picture's header, read big-endian field by
// field; false when the block is too short to hold it.
bool KxReadPictFrame(PicHandle pict, Rect& frame);

class CKXPictArray : public CKXPosArray {
 public:
  static constexpr long kMaxPictureID = 32767;

  CKXPictArray();
  ~CKXPictArray() override;

  virtual void GetPictAt(long index, SKXPict& pict) const;
  virtual void SetPictAt(long index, const SKXPict& pict);
  virtual void InsertPictAt(long index, const SKXPict& pict);
  // Adds a picture and answers its new ID; the table then owns the handle.
  // 0 for a null handle, and 0 when all 32767 IDs are in use, in which case
  // the caller keeps the handle.
  virtual short SetPicture(PicHandle pict);
  // The picture and its frame size (for each non-null pointer); null and
  // sizes 0 for an unknown ID.
  virtual PicHandle GetPicture(short id, short* width, short* height) const;
  // A copy of the picture under a new ID; 0 for an unknown ID or when no ID
  // is free.
  virtual short DuplicatePicture(short id);
  virtual void DeletePicture(short id);
  virtual long FindPictureIndex(short id) const;

  void FreeElementsAt(long index, long n) override;
  void DeleteAll() override;

  long GetLastID() const { return mLastID; }

  // The lowest ID not in use (the first index k whose entry's ID is not k),
  // or 0 when every ID is taken.
  long FindEmptyID() const;

 private:
  long IDAt(long index) const { return GetOffsetAt(index); }

  long mLastID = 0;
};

// The table shared by every text, created and destroyed by the decoration
// array's start-up and shut-down; null outside them.
extern CKXPictArray* gKXPictManager;
