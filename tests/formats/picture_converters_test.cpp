// The JPEG converter that the formats area installs for the layout: a JPEG
// picture record drawn through the registry shows the decoded pixels.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/jpeg.h"
#include "formats/picture_converters.h"
#include "layout/draw_picture.h"
#include "layout/pict_jpeg.h"
#include "text/base/memory.h"
#include "platform/draw/port.h"

namespace {

std::string ReadFixture(const char* name) {
  const char* dir = std::getenv("KX_SOURCE_DIR");
  std::ifstream in(std::string(dir ? dir : ".") + "/tests/data/formats/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PictureConverters, JPEGRecordsDrawTheirDecodedPixels) {
  ASSERT_NE(KxGetPictureConverter(kKxPictureKindJPEG), nullptr) << "installed at start-up";
  const std::string jpeg = ReadFixture("jpeg-17x9.jpg");
  ASSERT_FALSE(jpeg.empty());
  KxPicturePixels px;
  ASSERT_TRUE(KxConvertJPEGToPixels(reinterpret_cast<const unsigned char*>(jpeg.data()), long(jpeg.size()), px));
  EXPECT_EQ(px.width, 17);
  EXPECT_EQ(px.height, 9);
  EXPECT_FALSE(KxConvertJPEGToPixels(reinterpret_cast<const unsigned char*>(jpeg.data()), 20, px));

  std::string record(32, '\0');
  record[1] = char(kKxPictJPEGSize);
  record[7] = 9, record[9] = 17;
  record.replace(16, 16, sJPEGIDString, 16);
  record += jpeg;
  auto port = KxPort::NewImage(40, 30);
  StKxPortSaver saver(port.get());
  ASSERT_TRUE(KxTextDrawPictureData(0, 0, 17, 9, record.data(), long(record.size()), 0));
  // Pixel for pixel what the converter gives, at the same size.
  cairo_surface_flush(port->Surface());
  const unsigned char* d = cairo_image_surface_get_data(port->Surface());
  const int stride = cairo_image_surface_get_stride(port->Surface());
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) {
      const std::uint32_t got = reinterpret_cast<const std::uint32_t*>(d + y * stride)[x] & 0xFFFFFF;
      const std::uint8_t* in = &px.rgb[size_t(y * 17 + x) * 3];
      ASSERT_EQ(got, std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2]) << x << "," << y;
    }
  // A record cut inside the JPEG data is the box, not a crash.
  const std::string cut = record.substr(0, record.size() / 2);
  EXPECT_FALSE(KxTextDrawPictureData(0, 0, 17, 9, cut.data(), long(cut.size()), 0));
}

// The converter streams the decoder's rows: the pixels are the planes'
// interleaved, in every layout; a picture cut short gives none.
TEST(PictureConverters, JPEGPixelsAreTheDecodedPlanesInterleaved) {
  for (const char* name : {"jpeg-420.jpg", "jpeg-grey.jpg", "jpeg-mixed.jpg", "jpeg-4097x1.jpg"}) {
    std::string jpeg = ReadFixture(name);
    ASSERT_FALSE(jpeg.empty()) << name;
    CKXJpegDecoder planes;
    ASSERT_EQ(0, planes.SetJpegData(jpeg.data(), long(jpeg.size())));
    ASSERT_EQ(0, planes.DoDecode());
    unsigned char *r, *g, *b;
    long width, height;
    planes.GetPictData(&r, &g, &b, width, height);
    std::vector<std::uint8_t> expected;
    for (long i = 0; i < width * height; ++i) expected.insert(expected.end(), {r[i], g[i], b[i]});
    KxPicturePixels px;
    ASSERT_TRUE(KxConvertJPEGToPixels(reinterpret_cast<const unsigned char*>(jpeg.data()), long(jpeg.size()), px));
    EXPECT_EQ(width, px.width) << name;
    EXPECT_EQ(height, px.height) << name;
    EXPECT_TRUE(px.rgb == expected) << name;
    EXPECT_FALSE(KxConvertJPEGToPixels(reinterpret_cast<const unsigned char*>(jpeg.data()),
                                       long(jpeg.size() * 3 / 4), px)) << name;
    EXPECT_TRUE(px.rgb.empty()) << name;
  }
}

// A long thin strip (1 x 10000) is a small picture: it converts, becomes a
// picture of pixels, and draws where it shows; the pixel count still bounds
// what a picture may hold.
TEST(PictureConverters, LongThinStripsAreReadAndDrawn) {
  const std::string jpeg = ReadFixture("jpeg-1x10000.jpg");
  ASSERT_FALSE(jpeg.empty());
  KxPicturePixels px;
  ASSERT_TRUE(KxConvertJPEGToPixels(reinterpret_cast<const unsigned char*>(jpeg.data()), long(jpeg.size()), px));
  EXPECT_EQ(px.width, 1);
  EXPECT_EQ(px.height, 10000);
  Handle pict = UKXPict::GetPictureFromJPEG(jpeg.data(), long(jpeg.size()));
  ASSERT_NE(pict, nullptr);
  auto port = KxPort::NewImage(10, 100);
  StKxPortSaver saver(port.get());
  EXPECT_TRUE(KxTextDrawPicture(0, -5000, 1, 10000, pict, 0));
  KxMemHFree(pict);
  // Reddest at the top, bluest at the bottom: row 5000 is halfway.
  cairo_surface_flush(port->Surface());
  const std::uint32_t mid = *reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(port->Surface()));
  EXPECT_NEAR(int(mid >> 16 & 0xFF), 128, 12);
  EXPECT_NEAR(int(mid & 0xFF), 128, 12);
}

}  // namespace
