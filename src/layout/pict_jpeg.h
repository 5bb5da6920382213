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
