// Pictures of pixels and JPEG data as pictures: round trips, the 1-bit
// form, every truncation refused, decoders that lie about their size.
#include "layout/pict_jpeg.h"

#include <gtest/gtest.h>

#include <random>

#include "layout/draw_picture.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"

namespace {

TEST(PictPixels, RoundTripsAndRefusesEveryTruncation) {
  std::mt19937 rng(7);
  struct Case {
    std::int32_t w, h;
    bool blackAndWhite;
  } cases[] = {{1, 1, false}, {3, 2, false}, {5, 4, true}, {70, 3, true}, {2100, 2, true}, {17, 9, false},
               // Colour rows of more than 4,095 pixels go in strips.
               {4095, 1, false}, {4096, 2, false}, {8191, 2, false}};
  for (const Case& c : cases) {
    std::vector<std::uint32_t> px(std::size_t(c.w * c.h));
    for (auto& p : px) p = c.blackAndWhite ? (rng() & 1 ? 0xFFFFFF : 0) : rng() & 0xFFFFFF;
    const std::vector<std::uint8_t> pict = KxPictFromPixels(c.w, c.h, px.data());
    ASSERT_FALSE(pict.empty());
    EXPECT_EQ(pict.size() % 2, 0u);
    KxPictPixels back;
    ASSERT_TRUE(KxPictToPixels(pict.data(), pict.size(), back)) << c.w;
    EXPECT_EQ(back.width, c.w);
    EXPECT_EQ(back.height, c.h);
    EXPECT_EQ(back.rgb, px);
    // A 1-bit picture takes about a bit a pixel.
    if (c.blackAndWhite) {
      EXPECT_LT(pict.size(), std::size_t(c.w * c.h) / 4 + 200);
    }
    for (std::size_t n = 0; n < pict.size(); n += (n < 200 ? 1 : 37))
      EXPECT_FALSE(KxPictToPixels(pict.data(), n, back)) << n;
  }
  EXPECT_TRUE(KxPictFromPixels(0, 5, nullptr).empty());
  std::uint32_t one = 0;
  EXPECT_TRUE(KxPictFromPixels(5000, 5000, &one).empty());   // beyond the pixel limit
}

// Decoders standing in for the formats area's.
bool HugeDecoder(const unsigned char*, long, KxPicturePixels& out) {
  out.width = 65535;
  out.height = 65535;
  out.rgb.assign(16, 0);   // far fewer bytes than claimed
  return true;
}
bool ScanDecoder(const unsigned char*, long, KxPicturePixels& out) {
  out.width = 20;
  out.height = 10;
  out.rgb.assign(20 * 10 * 3, 0xFF);
  for (int i = 0; i < 20; ++i) out.rgb[std::size_t(i * 3)] = out.rgb[std::size_t(i * 3 + 1)] = out.rgb[std::size_t(i * 3 + 2)] = 0;
  return true;
}
bool ColorDecoder(const unsigned char*, long, KxPicturePixels& out) {
  ScanDecoder(nullptr, 0, out);
  out.rgb[5] = 0x80;
  return true;
}
bool FailingDecoder(const unsigned char*, long, KxPicturePixels&) { return false; }
bool ThrowingDecoder(const unsigned char*, long, KxPicturePixels&) { throw std::runtime_error("bad"); }

TEST(PictFromJPEG, SizesAreCheckedAndBlackAndWhiteGoesOneBit) {
  const KxPictureConverter saved = KxGetPictureConverter(kKxPictureKindJPEG);
  const unsigned char data[4] = {0xFF, 0xD8, 0xFF, 0xD9};
  struct Case {
    KxPictureConverter decoder;
    bool made;
    std::size_t maxSize;
  } cases[] = {
      {nullptr, false, 0},         {HugeDecoder, false, 0},     {FailingDecoder, false, 0},
      {ThrowingDecoder, false, 0}, {ScanDecoder, true, 200},    {ColorDecoder, true, 2000},
  };
  for (const Case& c : cases) {
    KxSetPictureConverter(kKxPictureKindJPEG, c.decoder);
    Handle h = UKXPict::GetPictureFromJPEG(data, sizeof data);
    EXPECT_EQ(h != nullptr, c.made);
    if (!h) continue;
    const long size = KxMemHSize(h);
    EXPECT_LE(std::size_t(size), c.maxSize);
    KxPictPixels px;
    ASSERT_TRUE(KxPictToPixels(reinterpret_cast<const std::uint8_t*>(*h), std::size_t(size), px));
    EXPECT_EQ(px.width, 20);
    EXPECT_EQ(px.height, 10);
    EXPECT_EQ(px.rgb[0], 0u);
    EXPECT_EQ(px.rgb[20], 0xFFFFFFu);
    KxMemHFree(h);
  }
  KxSetPictureConverter(kKxPictureKindJPEG, saved);
}

}  // namespace
