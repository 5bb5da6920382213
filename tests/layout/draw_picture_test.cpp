// Picture records: the header read against the record's size, the JPEG data
// found behind its marker, converters reached through the registry, and the
// empty box for everything else.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "layout/draw_picture.h"
#include "platform/draw/draw_fixture.h"
#include "platform/memory.h"
#include "platform/toolbox/pict.h"

namespace {

std::string Record(std::uint16_t size, int h, int w, const std::string& body) {
  std::string r(10, '\0');
  r[0] = char(size >> 8), r[1] = char(size);
  r[6] = char(h >> 8), r[7] = char(h), r[8] = char(w >> 8), r[9] = char(w);
  return r + body;
}

std::string JPEGRecord(const std::string& data, int pad = 6) {
  return Record(kKxPictJPEGSize, 2, 2, std::string(size_t(pad), 'p') + std::string(sJPEGIDString, 16) + data);
}

// A converter that answers a 2 x 2 picture (red, green / blue, white) for
// data starting "OK", and nothing otherwise.
bool FakeConvert(const unsigned char* data, long length, KxPicturePixels& out) {
  if (length < 2 || data[0] != 'O' || data[1] != 'K') return false;
  out.width = out.height = 2;
  out.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  return true;
}

class DrawPicture : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    KxSetPictureConverter(kKxPictureKindJPEG, FakeConvert);
  }
  void TearDown() override {
    KxSetPictureConverter(kKxPictureKindJPEG, nullptr);
    DrawTest::TearDown();
  }
  bool Draw(const std::string& r) { return KxTextDrawPictureData(4, 4, 20, 10, r.data(), long(r.size()), 0); }
  // The empty box: framed in black, net 5 inside in colour 3.
  bool IsBox() const { return Px(4, 4) == kBlack && Px(23, 13) == kBlack && Px(5, 5) != kBlack; }
};

TEST_F(DrawPicture, HeaderFieldsAreReadOnlyInsideTheRecord) {
  const std::string r = Record(0x1234, 300, 400, "");
  std::uint16_t size = 0;
  Rect frame{};
  EXPECT_TRUE(KXPictPtrGetSize(r.data(), 10, size));
  EXPECT_EQ(size, 0x1234);
  EXPECT_TRUE(KXPictPtrGetRect(r.data(), 10, frame));
  EXPECT_EQ(frame.bottom, 300);
  EXPECT_EQ(frame.right, 400);
  EXPECT_FALSE(KXPictPtrGetSize(r.data(), 9, size));
  EXPECT_FALSE(KXPictPtrGetRect(nullptr, 10, frame));
  std::string w(10, '\0');
  EXPECT_TRUE(KXPictPtrSetRect(w.data(), 10, Rect{-1, 2, 3, 4}));
  EXPECT_TRUE(KXPictPtrSetSize(w.data(), 10, 11));
  EXPECT_EQ(w.substr(0, 4), std::string("\x00\x0b\xff\xff", 4));
  EXPECT_FALSE(KXPictPtrSetSize(w.data(), 1, 11));
  Handle h = NewHandle(9);
  EXPECT_FALSE(KXPictGetSize(h, size));
  SetHandleSize(h, 10);
  std::memcpy(*h, r.data(), 10);
  EXPECT_TRUE(KXPictGetRect(h, frame));
  EXPECT_EQ(frame.bottom, 300);
  DisposeHandle(h);
}

TEST_F(DrawPicture, JPEGDataIsFoundOnlyBehindAnAlignedMarker) {
  EXPECT_EQ(KxPictJPEGDataOffset(JPEGRecord("OK").data(), long(JPEGRecord("OK").size())), 32);
  const std::string late = JPEGRecord("OK", 22);   // preview of 32 bytes
  EXPECT_EQ(KxPictJPEGDataOffset(late.data(), long(late.size())), 48);
  const std::string crooked = JPEGRecord("OK", 7);   // the marker off the 16-byte grid
  EXPECT_EQ(KxPictJPEGDataOffset(crooked.data(), long(crooked.size())), -1);
  const std::string cut = JPEGRecord("").substr(0, 31);   // marker runs past the end
  EXPECT_EQ(KxPictJPEGDataOffset(cut.data(), long(cut.size())), -1);
  std::string other = JPEGRecord("OK");
  other[1] = 9;
  EXPECT_EQ(KxPictJPEGDataOffset(other.data(), long(other.size())), -1);
}

TEST_F(DrawPicture, ConvertedPicturesFillTheirRectangleAndTheRestIsTheBox) {
  EXPECT_TRUE(Draw(JPEGRecord("OK")));
  EXPECT_EQ(Px(4, 4), 0xFF0000u);     // top-left quarter red
  EXPECT_EQ(Px(14, 4), 0x00FF00u);    // top-right green
  EXPECT_EQ(Px(4, 13), 0x0000FFu);
  EXPECT_EQ(Px(23, 13), kWhite);
  EXPECT_EQ(Px(24, 13), kWhite);      // nothing outside
  EXPECT_EQ(Px(3, 4), kWhite);
  const std::string failing[] = {
      JPEGRecord("no"),                       // the converter refuses
      Record(3, 2, 2, "bitmap"),              // an empty placeholder
      Record(7, 2, 2, ""),
      Record(200, 2, 2, "a picture"),         // an ordinary picture: not drawn here
      std::string("\x00\x0b\x00", 3),         // shorter than a header
      JPEGRecord("OK", 7),                    // marker off the grid
  };
  for (const std::string& r : failing) {
    SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
    EXPECT_FALSE(Draw(r));
    EXPECT_TRUE(IsBox());
  }
  // A picture of pixels (a PICT file's) is drawn as it is.
  const std::uint32_t four[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  const std::vector<std::uint8_t> pict = KxPictFromPixels(2, 2, four);
  SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
  EXPECT_TRUE(Draw(std::string(pict.begin(), pict.end())));
  EXPECT_EQ(Px(4, 4), 0xFF0000u);
  EXPECT_EQ(Px(14, 4), 0x00FF00u);
  EXPECT_EQ(Px(4, 13), 0x0000FFu);
  // Without a converter JPEG records are boxes too.
  KxSetPictureConverter(kKxPictureKindJPEG, nullptr);
  EXPECT_EQ(KxGetPictureConverter(kKxPictureKindJPEG), nullptr);
  SetBytes(std::vector<std::uint8_t>(Bytes().size(), 0xFF));
  EXPECT_FALSE(Draw(JPEGRecord("OK")));
  EXPECT_TRUE(IsBox());
  EXPECT_FALSE(KxTextDrawPicture(4, 4, 20, 10, nullptr, 0));
}

// A converter that counts its calls, with FakeConvert's answers.
int sConversions = 0;
bool CountingConvert(const unsigned char* data, long length, KxPicturePixels& out) {
  ++sConversions;
  return FakeConvert(data, length, out);
}
// Every picture all blue.
bool BlueConvert(const unsigned char*, long, KxPicturePixels& out) {
  out.width = out.height = 1;
  out.rgb = {0, 0, 255};
  return true;
}

TEST_F(DrawPicture, DecodedPicturesAreKeptByTheirBytesAndConverter) {
  KxSetPictureConverter(kKxPictureKindJPEG, CountingConvert);
  sConversions = 0;
  const std::vector<std::uint8_t> white(Bytes().size(), 0xFF);
  for (int k = 0; k < 3; ++k) {
    SetBytes(white);
    EXPECT_TRUE(Draw(JPEGRecord("OKa")));
    EXPECT_EQ(Px(4, 4), 0xFF0000u);
    EXPECT_EQ(Px(4, 13), 0x0000FFu);
  }
  EXPECT_EQ(sConversions, 1);
  // The same length, another byte: another picture.
  EXPECT_TRUE(Draw(JPEGRecord("OKb")));
  EXPECT_EQ(sConversions, 2);
  // What a converter made is not another's.
  KxSetPictureConverter(kKxPictureKindJPEG, BlueConvert);
  EXPECT_TRUE(Draw(JPEGRecord("OKa")));
  EXPECT_EQ(Px(4, 4), 0x0000FFu);
  EXPECT_EQ(Px(14, 4), 0x0000FFu);
}

TEST_F(DrawPicture, OnlyThePartInsideTheClipIsDrawnAndItIsTheSame) {
  // Larger than the port, starting above and left of it.
  auto draw = [] { return KxTextDrawPictureData(-30, -20, 120, 90, JPEGRecord("OK").data(), long(JPEGRecord("OK").size()), 0); };
  const std::vector<std::uint8_t> white(Bytes().size(), 0xFF);
  SetBytes(white);
  ASSERT_TRUE(draw());
  std::vector<std::uint32_t> whole;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) whole.push_back(Px(x, y));
  SetBytes(white);
  {
    KxClipScope clip(RectL{10, 20, 40, 50});
    ASSERT_TRUE(draw());
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool inside = y >= 10 && y < 40 && x >= 20 && x < 50;
      ASSERT_EQ(Px(x, y), inside ? whole[std::size_t(y * kWidth + x)] : kWhite) << x << "," << y;
    }
  // Wholly outside the clip: nothing drawn, and no box.
  SetBytes(white);
  {
    KxClipScope clip(RectL{0, 0, 5, 5});
    EXPECT_TRUE(KxTextDrawPictureData(30, 30, 20, 10, JPEGRecord("OK").data(), long(JPEGRecord("OK").size()), 0));
  }
  EXPECT_EQ(CountInk(), 0);
}

}  // namespace
