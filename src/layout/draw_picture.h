// Pictures inside the text: the picture record's header, the converters
// that turn stored picture data into pixels, and drawing a picture into a
// rectangle.
//
// A picture record (big-endian, as stored): u16 size field, then the frame
// rectangle as four i16 (top, left, bottom, right), then the picture data.
// A record of another kind marks it in the size field as 2 x kind + 1: 3, 5,
// 7, 9 Windows bitmaps and metafiles (shown as an empty box), 11 JPEG, whose
// record holds a preview padded to a multiple of 16 bytes, the 16 bytes
// "*JPEG-DATA-START" and then the JPEG data.
//
// Records come from documents and the clipboard: every field is read only
// after checking it lies inside the record.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/longrect.h"
#include "platform/types.h"

constexpr long kKxPictHeaderSize = 10;
constexpr std::uint16_t kKxPictJPEGSize = 11;
extern const char sJPEGIDString[16];   // "*JPEG-DATA-START", no terminator

// The header of a record of `length` bytes; false (nothing written) when the
// record is shorter than the header.
bool KXPictPtrGetSize(const void* record, long length, std::uint16_t& size);
bool KXPictPtrGetRect(const void* record, long length, Rect& frame);
bool KXPictPtrSetSize(void* record, long length, std::uint16_t size);
bool KXPictPtrSetRect(void* record, long length, const Rect& frame);
// The same on a handle, its size the record's length.
bool KXPictGetSize(Handle pict, std::uint16_t& size);
bool KXPictGetRect(Handle pict, Rect& frame);

// Where the JPEG data of a JPEG record starts (after the marker); -1 when the
// record is not one or has no marker at a multiple of 16 bytes.
long KxPictJPEGDataOffset(const void* record, long length);

// Pixels a converter makes: width x height, three bytes (red, green, blue)
// per pixel, rows from the top.
struct KxPicturePixels {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgb;
};
// Converts stored data of one kind to pixels; false when it cannot.
using KxPictureConverter = bool (*)(const unsigned char* data, long length, KxPicturePixels& out);
// The converter of a kind ('JPEG'): installed by the formats area at
// start-up, null when none is (the picture then shows as the empty box).
void KxSetPictureConverter(OSType kind, KxPictureConverter converter);
KxPictureConverter KxGetPictureConverter(OSType kind);

constexpr OSType kKxPictureKindJPEG = 0x4A504547;   // 'JPEG'
// The largest picture drawn from pixels, each way (the drawing surfaces'
// own limit) and in all; larger ones are boxes. A long thin strip is as
// cheap as a small square.
constexpr std::int32_t kKxPictureMaxSide = 32767;
constexpr std::int64_t kKxPictureMaxPixels = std::int64_t(8192) * 8192;

// Draws the picture into the rectangle (x, y, w, h) at a scale: JPEG records
// through their converter, stretched to the rectangle; any other record, and
// any record that is short, malformed or cannot be converted, as the empty
// box (net 5 in colour 3, framed with the plain pen). Answers true when the
// picture itself was drawn.
bool KxTextDrawPicture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Handle pict, short scale);
bool KxTextDrawPictureData(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const void* record,
                           long length, short scale);
