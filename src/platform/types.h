// Basic types of the platform layer. The program was written against a
// classic desktop toolbox; these are our own definitions of the few types
// its code is phrased in, with the same widths.
#pragma once

#include <cstdint>

using OSErr = std::int16_t;
using OSStatus = std::int32_t;
using OSType = std::uint32_t;   // four-character code, first character in the high byte
using ResType = OSType;
using Boolean = unsigned char;
using Ptr = char*;
using Handle = char**;
using Size = std::int32_t;
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;
using Str255 = unsigned char[256];   // length byte, then up to 255 bytes
using Str63 = unsigned char[64];
using Str31 = unsigned char[32];

// The largest offset, length, count or block size: what the signed 32-bit
// fields of stored records and of the memory layer hold. As an end offset
// it stands for "to the end of the text".
constexpr long kKxMaxOffset = 0x7FFFFFFF;

constexpr OSErr noErr = 0;
constexpr OSErr ioErr = -36;       // a read or write failed
constexpr OSErr fnfErr = -43;      // no such file
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr nilHandleErr = -109;
constexpr OSErr memWZErr = -111;
constexpr OSErr memLockedErr = -117;

// The point size that a size of 0 or less stands for, in styles and fonts.
constexpr short kKxDefaultFontSize = 12;

// Face bits of a style: the face byte of style records, and what fonts
// measure and ports draw.
constexpr unsigned char kFaceBold = 0x01;
constexpr unsigned char kFaceItalic = 0x02;
constexpr unsigned char kFaceUnderline = 0x04;
constexpr unsigned char kFaceOutline = 0x08;
constexpr unsigned char kFaceShadow = 0x10;
constexpr unsigned char kFaceCondense = 0x20;
constexpr unsigned char kFaceExtend = 0x40;

struct Point {
  std::int16_t v;
  std::int16_t h;
};

struct Rect {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

struct RGBColor {
  std::uint16_t red;
  std::uint16_t green;
  std::uint16_t blue;
};

// Builds a four-character code at compile time: FourCC("TEXT").
constexpr OSType FourCC(const char (&s)[5]) {
  return (OSType(std::uint8_t(s[0])) << 24) | (OSType(std::uint8_t(s[1])) << 16) |
         (OSType(std::uint8_t(s[2])) << 8) | OSType(std::uint8_t(s[3]));
}
