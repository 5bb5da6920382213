// Pictures of pixels: a version-2 picture record (the size word and frame
// of platform's picture header, then opcodes) holding one pixel copy, 32-bit
// direct pixels or a 1-bit bitmap (a colour picture wider than 4,095 pixels:
// one copy for each strip of that width, side by side). Pictures made from JPEG data are written
// this way, and the preview pane reads them back. Records come from files
// and the clipboard: the reader checks every length against the record and
// answers false for anything it cannot read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The most pixels a picture of pixels may hold (either way it is made or
// read): 16 M pixels, 64 MB as 32-bit pixels.
constexpr std::int64_t kKxPictMaxPixels = std::int64_t(4096) * 4096;
// Frame sides fit the 16-bit rectangle of the header.
constexpr std::int32_t kKxPictMaxSide = 32767;

struct KxPictPixels {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> rgb;   // 0x00RRGGBB, rows from the top
};

// The record of width x height pixels; a 1-bit bitmap when every pixel is
// black or white. Empty when the size is 0 or beyond the limits.
std::vector<std::uint8_t> KxPictFromPixels(std::int32_t width, std::int32_t height, const std::uint32_t* rgb);
// The pixels of a record of `length` bytes, the size of its frame (white
// where no copy draws); false for a record too short for its header, an
// empty or oversized frame, an opcode it does not know or data that does
// not fit the record.
bool KxPictToPixels(const std::uint8_t* record, std::size_t length, KxPictPixels& out);
// The frame's width and height from the header; false for a record shorter
// than the header or an empty or oversized frame.
bool KxPictFrameSize(const std::uint8_t* record, std::size_t length, std::int32_t& width, std::int32_t& height);
