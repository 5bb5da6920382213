// JPEG data as a picture of pixels (platform/toolbox/pict.h), decoded by
// the JPEG converter that the formats area installs.
#pragma once

#include "platform/types.h"

class UKXPict {
 public:
  // A new handle holding the picture (a 1-bit bitmap when every pixel is
  // black or white); null when no converter is installed, the data does not
  // decode, the picture is larger than kKxPictMaxPixels, or memory fails.
  static Handle GetPictureFromJPEG(const void* data, long length);
};

// What makes JPEG bytes a picture for the text store, wherever a JPEG comes
// in (a chosen file, the clipboard): the documents area installs the form
// that keeps the JPEG itself, so that a save writes the JPEG rather than its
// pixels; without one, the decoded picture. Answers a new handle of the
// memory layer, which the caller then owns, or null when the bytes do not
// decode.
using KxJPEGPictureMaker = Handle (*)(const void* jpeg, long size);
void KxSetJPEGPictureMaker(KxJPEGPictureMaker maker);
Handle KxMakeJPEGPicture(const void* jpeg, long size);
