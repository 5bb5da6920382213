// Picture converters that the layout reaches through its registry
// (layout/draw_picture.h).
#pragma once

#include "layout/draw_picture.h"

// JPEG data to pixels through the decoder; false for data it cannot decode.
bool KxConvertJPEGToPixels(const unsigned char* data, long length, KxPicturePixels& out);
// Registers the installation at start-up.
void KxPictureConverterFacilities();
