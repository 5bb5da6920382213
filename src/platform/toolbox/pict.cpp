#include "platform/toolbox/pict.h"

#include <algorithm>

#include "platform/bytefields.h"

namespace {
// Header and opcodes of a version-2 picture.
constexpr std::size_t kHeaderSize = 10;   // size word and frame
constexpr std::uint16_t kOpNop = 0x0000, kOpClip = 0x0001, kOpVersion = 0x0011, kOpDefHilite = 0x001E,
                        kOpBitsRect = 0x0090, kOpPackBitsRect = 0x0098, kOpDirectBitsRect = 0x009A,
                        kOpShortComment = 0x00A0, kOpLongComment = 0x00A1, kOpEnd = 0x00FF,
                        kOpHeader = 0x0C00;
constexpr std::uint16_t kVersion2 = 0x02FF;
constexpr std::size_t kHeaderOpSize = 24;
constexpr std::uint32_t kResolution72 = 0x00480000;   // 72 dpi, fixed point
constexpr std::uint16_t kPixMapFlag = 0x8000;         // rowBytes of a pixel map
constexpr std::uint16_t kPackNone = 1;
constexpr std::uint16_t kRGBDirect = 16;
constexpr std::size_t kPackedCountLimit = 250;   // longer rows count their bytes in two
constexpr std::size_t kUnpackedRowLimit = 8;     // shorter rows are never packed
constexpr std::uint32_t kBlack = 0, kWhite = 0xFFFFFF;

struct Writer {
  std::vector<std::uint8_t> out;
  void U16(std::uint16_t v) {
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
  }
  void U32(std::uint32_t v) {
    U16(std::uint16_t(v >> 16));
    U16(std::uint16_t(v));
  }
  void R(std::int32_t w, std::int32_t h) { R(0, 0, h, w); }
  void R(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right) {
    U16(std::uint16_t(top));
    U16(std::uint16_t(left));
    U16(std::uint16_t(bottom));
    U16(std::uint16_t(right));
  }
};

struct Reader {
  const std::uint8_t* p;
  std::size_t n, at;
  bool Has(std::size_t k) const { return k <= n - at; }
  bool U16(std::uint16_t& v) {
    if (!Has(2)) return false;
    v = KxGetU16BE(p + at);
    at += 2;
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (!Has(4)) return false;
    v = KxGetU32BE(p + at);
    at += 4;
    return true;
  }
  bool Skip(std::size_t k) {
    if (!Has(k)) return false;
    at += k;
    return true;
  }
  bool Rect(std::int32_t r[4]) {
    for (int i = 0; i < 4; ++i) {
      std::uint16_t v;
      if (!U16(v)) return false;
      r[i] = std::int16_t(v);
    }
    return true;
  }
};

bool FrameOf(const std::int32_t r[4], std::int32_t& w, std::int32_t& h) {
  w = r[3] - r[1];
  h = r[2] - r[0];
  return w > 0 && h > 0 && w <= kKxPictMaxSide && h <= kKxPictMaxSide && std::int64_t(w) * h <= kKxPictMaxPixels;
}

// One row of PackBits data into `row`; false when it does not fill the row
// exactly or runs past `end`.
bool Unpack(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* row, std::size_t rowBytes) {
  std::size_t i = 0, o = 0;
  while (i < srcLen) {
    const std::uint8_t b = src[i++];
    if (b < 128) {
      const std::size_t k = std::size_t(b) + 1;
      if (k > srcLen - i || k > rowBytes - o) return false;
      std::copy_n(src + i, k, row + o);
      i += k;
      o += k;
    } else if (b > 128) {
      const std::size_t k = 257 - std::size_t(b);
      if (i >= srcLen || k > rowBytes - o) return false;
      std::fill_n(row + o, k, src[i++]);
      o += k;
    }
  }
  return o == rowBytes;
}

// Copies a bits op's rows onto the canvas at its destination.
void Place(KxPictPixels& canvas, const std::int32_t frame[4], const std::int32_t dst[4], std::int32_t row,
           const std::vector<std::uint32_t>& pixels) {
  const std::int32_t v = dst[0] - frame[0] + row;
  if (v < 0 || v >= canvas.height) return;
  for (std::int32_t x = 0; x < std::int32_t(pixels.size()); ++x) {
    const std::int32_t h = dst[1] - frame[1] + x;
    if (h >= 0 && h < canvas.width) canvas.rgb[std::size_t(v) * std::size_t(canvas.width) + std::size_t(h)] = pixels[std::size_t(x)];
  }
}

bool ReadBits(Reader& in, std::uint16_t op, const std::int32_t frame[4], KxPictPixels& canvas) {
  std::uint16_t rowBytesField = 0, pixelSize = 1, packType = 0;
  if (op == kOpDirectBitsRect && !in.Skip(4)) return false;   // base address
  if (!in.U16(rowBytesField)) return false;
  const bool pixMap = (rowBytesField & kPixMapFlag) != 0;
  const std::size_t rowBytes = rowBytesField & 0x3FFF;
  std::int32_t bounds[4], src[4], dst[4];
  if (!in.Rect(bounds)) return false;
  if (pixMap) {
    std::uint16_t version, pixelType, cmpCount, cmpSize;
    std::uint32_t packSize, hRes, vRes;
    if (!in.U16(version) || !in.U16(packType) || !in.U32(packSize) || !in.U32(hRes) || !in.U32(vRes) ||
        !in.U16(pixelType) || !in.U16(pixelSize) || !in.U16(cmpCount) || !in.U16(cmpSize) || !in.Skip(12))
      return false;
    // Direct 32-bit pixels, unpacked, are all this reader takes of pixel maps.
    if (pixelType != kRGBDirect || pixelSize != 32 || (packType != kPackNone && rowBytes >= kUnpackedRowLimit))
      return false;
    if (op == kOpBitsRect || op == kOpPackBitsRect) return false;   // would need a colour table
  } else if (op == kOpDirectBitsRect) {
    return false;
  }
  std::uint16_t mode;
  if (!in.Rect(src) || !in.Rect(dst) || !in.U16(mode)) return false;
  std::int32_t bw, bh, sw, sh, dw, dh;
  if (!FrameOf(bounds, bw, bh) || !FrameOf(src, sw, sh) || !FrameOf(dst, dw, dh)) return false;
  // One pixel to one pixel: the source is the bounds, the destination as large.
  if (sw != bw || sh != bh || dw != sw || dh != sh || src[0] != bounds[0] || src[1] != bounds[1]) return false;
  const std::size_t needed = pixMap ? std::size_t(bw) * 4 : (std::size_t(bw) + 7) / 8;
  if (rowBytes < needed) return false;
  const bool packed = !pixMap && op == kOpPackBitsRect && rowBytes >= kUnpackedRowLimit;
  std::vector<std::uint8_t> row(rowBytes);
  std::vector<std::uint32_t> pixels(std::size_t(bw), 0);
  const std::size_t start = in.at;
  for (std::int32_t y = 0; y < bh; ++y) {
    if (packed) {
      std::size_t count;
      std::uint16_t c16;
      if (rowBytes > kPackedCountLimit) {
        if (!in.U16(c16)) return false;
        count = c16;
      } else {
        if (!in.Has(1)) return false;
        count = in.p[in.at++];
      }
      if (!in.Has(count) || !Unpack(in.p + in.at, count, row.data(), rowBytes)) return false;
      in.at += count;
    } else {
      if (!in.Has(rowBytes)) return false;
      std::copy_n(in.p + in.at, rowBytes, row.data());
      in.at += rowBytes;
    }
    for (std::int32_t x = 0; x < bw; ++x) {
      const std::size_t ux = std::size_t(x);
      pixels[ux] = pixMap ? KxGetU24BE(row.data() + ux * 4 + 1)
                          : ((row[ux / 8] >> (7 - ux % 8)) & 1) ? kBlack : kWhite;
    }
    Place(canvas, frame, dst, y, pixels);
  }
  if ((in.at - start) % 2 && !in.Skip(1)) return false;   // ops stay word aligned
  return true;
}
}  // namespace

std::vector<std::uint8_t> KxPictFromPixels(std::int32_t width, std::int32_t height, const std::uint32_t* rgb) {
  const std::int32_t frame[4] = {0, 0, height, width};
  std::int32_t w, h;
  if (!rgb || !FrameOf(frame, w, h)) return {};
  const std::size_t count = std::size_t(w) * std::size_t(h);
  const bool bitmap = std::all_of(rgb, rgb + count, [](std::uint32_t p) {
    p &= 0xFFFFFF;
    return p == kBlack || p == kWhite;
  });
  Writer o;
  o.U16(0);   // size, set at the end
  o.R(w, h);
  o.U16(kOpVersion);
  o.U16(kVersion2);
  o.U16(kOpHeader);
  o.U16(0xFFFE);
  o.U16(0);
  o.U32(kResolution72);
  o.U32(kResolution72);
  o.R(w, h);
  o.U32(0);
  o.U16(kOpDefHilite);
  o.U16(kOpClip);
  o.U16(10);
  o.R(w, h);
  if (bitmap) {
    const std::size_t rowBytes = ((std::size_t(w) + 15) / 16) * 2;
    const bool packed = rowBytes >= kUnpackedRowLimit;
    o.U16(packed ? kOpPackBitsRect : kOpBitsRect);
    o.U16(std::uint16_t(rowBytes));
    o.R(w, h);
    o.R(w, h);
    o.R(w, h);
    o.U16(0);   // srcCopy
    const std::size_t start = o.out.size();
    std::vector<std::uint8_t> row(rowBytes);
    for (std::int32_t y = 0; y < h; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (std::int32_t x = 0; x < w; ++x)
        if ((rgb[std::size_t(y) * std::size_t(w) + std::size_t(x)] & 0xFFFFFF) == kBlack)
          row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
      if (!packed) {
        o.out.insert(o.out.end(), row.begin(), row.end());
        continue;
      }
      // Literal runs of up to 128 bytes.
      std::vector<std::uint8_t> pack;
      for (std::size_t i = 0; i < rowBytes; i += 128) {
        const std::size_t k = std::min<std::size_t>(128, rowBytes - i);
        pack.push_back(std::uint8_t(k - 1));
        pack.insert(pack.end(), row.begin() + std::ptrdiff_t(i), row.begin() + std::ptrdiff_t(i + k));
      }
      if (rowBytes > kPackedCountLimit)
        o.U16(std::uint16_t(pack.size()));
      else
        o.out.push_back(std::uint8_t(pack.size()));
      o.out.insert(o.out.end(), pack.begin(), pack.end());
    }
    if ((o.out.size() - start) % 2) o.out.push_back(0);
  } else {
    // A row of 32-bit pixels holds at most 4,095 of them (the rowBytes
    // field has 14 bits): a wider picture is copied in strips side by side.
    constexpr std::int32_t kStrip = 0x3FFF / 4;
    // Exactly what is written: each strip's 70-byte opcode and header, the
    // pixels and the end opcode (short of it the vector doubled at its
    // last bytes: twice the picture for a moment).
    constexpr std::size_t kStripHeader = 70;
    o.out.reserve(o.out.size() + count * 4 + std::size_t((w + kStrip - 1) / kStrip) * kStripHeader + 2);
    for (std::int32_t left = 0; left < w; left += kStrip) {
      const std::int32_t sw = std::min(kStrip, w - left), right = left + sw;
      o.U16(kOpDirectBitsRect);
      o.U32(0xFF);
      o.U16(std::uint16_t(std::size_t(sw) * 4 | kPixMapFlag));
      o.R(0, left, h, right);
      o.U16(0);
      o.U16(kPackNone);
      o.U32(0);
      o.U32(kResolution72);
      o.U32(kResolution72);
      o.U16(kRGBDirect);
      o.U16(32);
      o.U16(3);
      o.U16(8);
      o.U32(0);
      o.U32(0);
      o.U32(0);
      o.R(0, left, h, right);
      o.R(0, left, h, right);
      o.U16(0);
      for (std::int32_t y = 0; y < h; ++y) {
        const std::uint32_t* row = rgb + std::size_t(y) * std::size_t(w) + std::size_t(left);
        for (std::int32_t x = 0; x < sw; ++x) o.U32(row[x] & 0xFFFFFF);
      }
    }
  }
  o.U16(kOpEnd);
  KxPutU16BE(o.out.data(), std::uint16_t(o.out.size()));   // the low 16 bits, as version 2 keeps them
  return o.out;
}

bool KxPictFrameSize(const std::uint8_t* record, std::size_t length, std::int32_t& width, std::int32_t& height) {
  if (!record || length < kHeaderSize) return false;
  Reader in{record, length, 2};
  std::int32_t frame[4];
  return in.Rect(frame) && FrameOf(frame, width, height);
}

bool KxPictToPixels(const std::uint8_t* record, std::size_t length, KxPictPixels& out) {
  std::int32_t w, h;
  if (!KxPictFrameSize(record, length, w, h)) return false;
  Reader in{record, length, 2};
  std::int32_t frame[4];
  in.Rect(frame);
  std::uint16_t op, version;
  if (!in.U16(op) || op != kOpVersion || !in.U16(version) || version != kVersion2) return false;
  KxPictPixels canvas;
  canvas.width = w;
  canvas.height = h;
  canvas.rgb.assign(std::size_t(w) * std::size_t(h), kWhite);
  bool drew = false;
  while (in.U16(op)) {
    switch (op) {
      case kOpNop:
      case kOpDefHilite:
        break;
      case kOpHeader:
        if (!in.Skip(kHeaderOpSize)) return false;
        break;
      case kOpClip: {
        std::uint16_t size;
        if (!in.U16(size) || size < 10 || !in.Skip(size - 2u)) return false;
        if (size % 2 && !in.Skip(1)) return false;
        break;
      }
      case kOpShortComment:
        if (!in.Skip(2)) return false;
        break;
      case kOpLongComment: {
        std::uint16_t kind, size;
        if (!in.U16(kind) || !in.U16(size) || !in.Skip(size)) return false;
        if (size % 2 && !in.Skip(1)) return false;
        break;
      }
      case kOpBitsRect:
      case kOpPackBitsRect:
      case kOpDirectBitsRect:
        if (!ReadBits(in, op, frame, canvas)) return false;
        drew = true;
        break;
      case kOpEnd:
        if (!drew) return false;
        out = std::move(canvas);
        return true;
      default:
        return false;
    }
  }
  return false;   // no end
}
