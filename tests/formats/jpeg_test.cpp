#include "formats/jpeg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "formats/jpeg_idct.h"
#include "platform/memory.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A small JPEG writer over our own Huffman tables: every DC size 0-16 has a
// code of dcLength bits (code = size, and 17 for an invalid size), every AC run/size symbol one of
// acLength bits (code = its index in AcSymbols()), so that tests can write
// any coefficients, long codes, restart markers and broken streams.
std::vector<int> AcSymbols() {
  std::vector<int> s = {0x00, 0xF0};
  for (int run = 0; run < 16; ++run)
    for (int size = 1; size <= 10; ++size) s.push_back(run << 4 | size);
  s.push_back(0x50);  // a size of 0 with a run other than 0 or 15: invalid
  return s;
}

struct SComp {
  int id, hv, tq;
};

class CJpegWriter {
 public:
  Bytes d;
  int dcLength = 5, acLength = 8;

  void Marker(int m) { d.insert(d.end(), {0xFF, static_cast<unsigned char>(m)}); }
  void Segment(int marker, const Bytes& body) {
    Marker(marker);
    Word(int(body.size()) + 2);
    d.insert(d.end(), body.begin(), body.end());
  }
  void Word(int w) { d.insert(d.end(), {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)}); }

  // SOI, quantisation table 0 (all q), the two tables, the frame and the scan.
  void Header(int width, int height, const std::vector<SComp>& comps, int restart = 0, int q = 1) {
    Marker(0xD8);
    Bytes dqt = {0x00};
    dqt.insert(dqt.end(), 64, static_cast<unsigned char>(q));
    Segment(0xDB, dqt);
    Bytes dht = {0x00};
    for (int l = 1; l <= 16; ++l) dht.push_back(l == dcLength ? 18 : 0);
    for (int s = 0; s <= 17; ++s) dht.push_back(static_cast<unsigned char>(s));  // 17 is invalid
    dht.push_back(0x10);
    std::vector<int> ac = AcSymbols();
    for (int l = 1; l <= 16; ++l) dht.push_back(l == acLength ? static_cast<unsigned char>(ac.size()) : 0);
    for (int s : ac) dht.push_back(static_cast<unsigned char>(s));
    Segment(0xC4, dht);
    if (restart) Segment(0xDD, {static_cast<unsigned char>(restart >> 8), static_cast<unsigned char>(restart)});
    Bytes sof = {8, static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                 static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width),
                 static_cast<unsigned char>(comps.size())};
    for (const SComp& c : comps) sof.insert(sof.end(), {static_cast<unsigned char>(c.id), static_cast<unsigned char>(c.hv), static_cast<unsigned char>(c.tq)});
    Segment(0xC0, sof);
    Bytes sos = {static_cast<unsigned char>(comps.size())};
    for (const SComp& c : comps) sos.insert(sos.end(), {static_cast<unsigned char>(c.id), 0x00});
    sos.insert(sos.end(), {0, 63, 0});
    Segment(0xDA, sos);
    mPred.assign(comps.size(), 0);
  }

  void Bits(unsigned value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      mByte = (mByte << 1) | ((value >> i) & 1);
      if (++mCount == 8) {
        d.push_back(static_cast<unsigned char>(mByte));
        if (mByte == 0xFF) d.push_back(0);
        mByte = mCount = 0;
      }
    }
  }
  static int SizeOf(int v) {
    int a = v < 0 ? -v : v, s = 0;
    while (a) ++s, a >>= 1;
    return s;
  }
  void Value(int v, int s) { Bits(unsigned(v < 0 ? v + (1 << s) - 1 : v), s); }

  // One block, coefficients in natural order; DC as an absolute value.
  void Block(int comp, const std::int32_t* c) {
    int diff = c[0] - mPred[comp];
    mPred[comp] = c[0];
    int s = SizeOf(diff);
    Bits(unsigned(s), dcLength);
    Value(diff, s);
    std::vector<int> ac = AcSymbols();
    int run = 0;
    for (int k = 1; k < 64; ++k) {
      int v = c[kKXJpegZigzag[k]];
      if (v == 0) {
        ++run;
        continue;
      }
      for (; run > 15; run -= 16) Bits(1, acLength);  // ZRL is symbol 1
      int sym = run << 4 | SizeOf(v);
      int index = 0;
      while (ac[index] != sym) ++index;
      Bits(unsigned(index), acLength);
      Value(v, SizeOf(v));
      run = 0;
    }
    if (run) Bits(0, acLength);  // EOB
  }
  void Symbol(unsigned code, int n) { Bits(code, n); }
  void Flush() {
    while (mCount) Bits(1, 1);
  }
  void Restart(int n) {
    Flush();
    Marker(0xD0 + (n & 7));
    for (int& p : mPred) p = 0;
  }
  void End() {
    Flush();
    Marker(0xD9);
  }

 private:
  std::vector<int> mPred;
  unsigned mByte = 0;
  int mCount = 0;
};

struct SBlock {
  int comp;
  long row, column;
  std::vector<std::int32_t> c;
  bool operator==(const SBlock& o) const { return comp == o.comp && row == o.row && column == o.column && c == o.c; }
};

class CRecordingDecoder : public CKXJpegDecoder {
 public:
  std::vector<SBlock> blocks;

 protected:
  void BlockDecoded(int comp, long row, long column, const std::int32_t* c) override {
    blocks.push_back({comp, row, column, std::vector<std::int32_t>(c, c + 64)});
  }
};

struct SResult {
  long set = 0, decode = 0;
  CKXJpegDecoder::EError error = CKXJpegDecoder::kNoError;
  long code = 0;
};

// Decodes from an exactly sized heap copy, so that a read past the end is caught.
SResult Decode(const Bytes& data, CKXJpegDecoder& d) {
  std::vector<char> copy(data.begin(), data.end());
  SResult r;
  r.set = d.SetJpegData(copy.empty() ? nullptr : copy.data(), long(copy.size()));
  r.decode = r.set == 0 ? d.DoDecode() : 0;
  r.error = d.GetLastError(&r.code);
  return r;
}

Bytes ReadFixture(const std::string& name) {
  std::ifstream in(KxSourceDir() + "/tests/data/formats/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::int32_t> Dc(int dc) {
  std::vector<std::int32_t> c(64, 0);
  c[0] = dc;
  return c;
}

// ---------------------------------------------------------------- the reader

TEST(JpegDataStream, BitsSkipStuffingStopAtMarkersAndByteReadsResumeWhereTheBitsEnded) {
  const unsigned char data[] = {0xAB, 0xFF, 0x00, 0x12, 0x34, 0xFF, 0xFF, 0xD0, 0x01};
  CKXJpegDataStream s(data, sizeof data);
  EXPECT_EQ(0xA, s.GetBits(4));
  EXPECT_EQ(0xFF, s.GetByte());  // the rest of 0xAB is dropped; bytes come raw
  EXPECT_EQ(0x00, s.GetByte());
  EXPECT_EQ(0x1234, s.GetBits(16));
  EXPECT_EQ(-0xFF, s.GetBits(3));  // 0xFF 0xFF: a marker, not data
  EXPECT_EQ(0xD0, s.GetMarker());  // the fill byte is passed over
  EXPECT_EQ(0x01, s.GetByte());
  EXPECT_THROW(s.GetWord(), EKXJpegBufferError);
  EXPECT_THROW(s.GetBits(1), EKXJpegBufferError);
  CKXJpegDataStream t(data, 3);
  EXPECT_EQ(0xAB, t.GetBits(8));
  EXPECT_EQ(0xFF, t.GetBits(8));  // stuffed
  EXPECT_THROW(t.GetBits(1), EKXJpegBufferError);
}

// ---------------------------------------------------------------- the IDCT

TEST(JpegIdct, FastEqualsDirectSumOnRandomAndStructuredBlocks) {
  std::mt19937 rng(20261206);
  std::int32_t f[64], fast[64], direct[64];
  long blocks = 0;
  auto compare = [&] {
    ASSERT_TRUE(KxJpegInverseDCTDirect(f, direct));
    ASSERT_TRUE(KxJpegInverseDCT(f, fast));
    ASSERT_EQ(0, std::memcmp(fast, direct, sizeof fast)) << "block " << blocks;
    ++blocks;
  };
  // Random blocks of every density and of small to extreme magnitudes.
  for (int i = 0; i < 10000; ++i) {
    int density = 1 + int(rng() % 64);
    int magnitude = std::vector<int>{4, 64, 1024, 65536, 1 << 24}[rng() % 5];
    for (int k = 0; k < 64; ++k)
      f[k] = int(rng() % 64) < density ? int(rng() % (2 * magnitude + 1)) - magnitude : 0;
    compare();
  }
  // One coefficient, and the pairs whose sums land on or near integers.
  for (int k = 0; k < 64; ++k)
    for (int v : {1, -1, 8, -8, 16, -24, 255, -2040, 32767 * 8}) {
      std::memset(f, 0, sizeof f);
      f[k] = v;
      compare();
      for (int j = 0; j < 64; j += 9) {
        f[j] += v;
        compare();
      }
    }
}

TEST(JpegIdct, DcTermUsesTheStatedConstantAndTruncatesTowardZero) {
  std::int32_t f[64] = {0}, s[64];
  // 0.25 * C(0)^2 * 8 is a shade above 1 because C(0) is a shade above 1/sqrt(2).
  f[0] = 8;
  ASSERT_TRUE(KxJpegInverseDCT(f, s));
  EXPECT_EQ(129, s[0]);
  f[0] = -8;  // 128 - 1.000000003 = 126.999999997
  ASSERT_TRUE(KxJpegInverseDCT(f, s));
  EXPECT_EQ(126, s[63]);
  f[0] = -8 * 200;  // -72.0000006: no clamping, and toward zero rather than down
  ASSERT_TRUE(KxJpegInverseDCT(f, s));
  EXPECT_EQ(-72, s[10]);
  // A sample beyond 32 bits is refused, not wrapped.
  for (int i = 0; i < 64; ++i) f[i] = 32767 * 65535;
  EXPECT_FALSE(KxJpegInverseDCT(f, s));
}

// ---------------------------------------------------------------- decoding

TEST(JpegDecoder, WrittenCoefficientsComeBackInEveryLayout) {
  std::mt19937 rng(7);
  struct SLayout {
    std::vector<SComp> comps;
    int width, height, restart, dcLength, acLength;
  };
  const std::vector<SLayout> layouts = {
      {{{1, 0x11, 0}}, 24, 16, 0, 5, 8},
      {{{1, 0x22, 0}, {2, 0x11, 0}, {3, 0x11, 0}}, 17, 9, 0, 5, 8},
      {{{1, 0x21, 0}, {2, 0x11, 0}, {3, 0x11, 0}}, 33, 8, 1, 10, 12},  // codes past the fast table
      {{{1, 0x41, 0}, {2, 0x11, 0}, {3, 0x11, 0}}, 40, 20, 3, 5, 8},
      {{{1, 0x12, 0}, {2, 0x12, 0}, {3, 0x11, 0}}, 9, 30, 2, 5, 16},
  };
  for (const SLayout& l : layouts) {
    CJpegWriter w;
    w.dcLength = l.dcLength;
    w.acLength = l.acLength;
    w.Header(l.width, l.height, l.comps, l.restart);
    int hmax = 0, vmax = 0;
    for (auto& c : l.comps) hmax = std::max(hmax, c.hv >> 4), vmax = std::max(vmax, c.hv & 15);
    if (l.comps.size() == 1) hmax = vmax = 1;
    long mcuCols = ((l.width + 7) / 8 + hmax - 1) / hmax, mcuRows = ((l.height + 7) / 8 + vmax - 1) / vmax;
    std::vector<SBlock> expected;
    long mcus = 0;
    for (long my = 0; my < mcuRows; ++my)
      for (long mx = 0; mx < mcuCols; ++mx) {
        if (l.restart && mcus && mcus % l.restart == 0) w.Restart(int(mcus / l.restart - 1));
        ++mcus;
        for (int ci = 0; ci < int(l.comps.size()); ++ci) {
          int h = l.comps.size() == 1 ? 1 : l.comps[ci].hv >> 4, v = l.comps.size() == 1 ? 1 : l.comps[ci].hv & 15;
          for (int b = 0; b < v; ++b)
            for (int a = 0; a < h; ++a) {
              std::vector<std::int32_t> c(64, 0);
              c[0] = int(rng() % 2001) - 1000;
              for (int k = 1; k < 64; ++k)
                if (rng() % 4 == 0) c[k] = int(rng() % 1023) - 511;  // many 0xFF bytes to stuff
              w.Block(ci, c.data());
              long row = my * v + b, col = mx * h + a;
              long bw = ((l.width * h + hmax - 1) / hmax + 7) / 8, bh = ((l.height * v + vmax - 1) / vmax + 7) / 8;
              if (row < bh && col < bw) expected.push_back({ci, row, col, c});
            }
        }
      }
    w.End();
    CRecordingDecoder d;
    SResult r = Decode(w.d, d);
    ASSERT_EQ(0, r.set);
    ASSERT_EQ(0, r.decode) << "error " << r.error << " code " << r.code;
    EXPECT_TRUE(d.blocks == expected) << l.width << "x" << l.height;
  }
}

// The sample of a flat block whose DC coefficient (quantiser 8) is `dc`.
double FlatSample(int dc) {
  std::int32_t f[64] = {0}, s[64];
  f[0] = dc * 8;
  KxJpegInverseDCTDirect(f, s);
  return double(s[0]);
}

// A colour value as the decoder stores it: clamped, truncated.
int Truncated(double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v); }

TEST(JpegDecoder, ChromaIsReplicatedAndConvertedWithTheStatedCoefficients) {
  // 4:2:0, 17 x 9: two MCUs of 16 x 16; every chroma block flat.
  CJpegWriter w;
  w.Header(17, 9, {{1, 0x22, 0}, {2, 0x11, 0}, {3, 0x11, 0}}, 0, 8);
  const int yDc[2] = {-4, 9}, cbDc[2] = {10, -20}, crDc[2] = {-6, 30};
  for (int m = 0; m < 2; ++m) {
    for (int i = 0; i < 4; ++i) w.Block(0, Dc(yDc[m]).data());
    w.Block(1, Dc(cbDc[m]).data());
    w.Block(2, Dc(crDc[m]).data());
  }
  w.End();
  CKXJpegDecoder d;
  ASSERT_EQ(0, Decode(w.d, d).decode);
  unsigned char *r, *g, *b;
  long width, height;
  d.GetPictData(&r, &g, &b, width, height);
  ASSERT_EQ(17, width);
  ASSERT_EQ(9, height);
  for (int x : {0, 15, 16}) {
    int m = x / 16;
    double yy = FlatSample(yDc[m]), cb = FlatSample(cbDc[m]), cr = FlatSample(crDc[m]);
    long at = 8 * 17 + x;  // last row
    EXPECT_EQ(Truncated(yy + 1.402 * (cr - 128)), r[at]) << x;
    EXPECT_EQ(Truncated(yy - 0.3441 * (cb - 128) - 0.7139 * (cr - 128)), g[at]) << x;
    EXPECT_EQ(Truncated(yy + 1.7718 * (cb - 128)), b[at]) << x;
  }
}

// Which markers make three components red, green and blue (taken as they
// are) rather than YCbCr, as libjpeg has it: never with JFIF's marker;
// Adobe's transform 0; without either, components named R, G and B.
TEST(JpegDecoder, RedGreenBlueSamplesAreTakenAsTheyAre) {
  const Bytes jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  auto adobe = [](int transform) {
    return Bytes{'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, static_cast<unsigned char>(transform)};
  };
  struct Case {
    const char* name;
    int ids[3];
    std::vector<std::pair<int, Bytes>> segments;
    bool rgb;
  };
  const Case cases[] = {
      {"Adobe, no transform", {1, 2, 3}, {{0xEE, adobe(0)}}, true},
      {"Adobe, YCbCr", {'R', 'G', 'B'}, {{0xEE, adobe(1)}}, false},
      {"named R, G, B", {'R', 'G', 'B'}, {}, true},
      {"named R, G, B with JFIF", {'R', 'G', 'B'}, {{0xE0, jfif}}, false},
      {"JFIF, then Adobe with no transform", {1, 2, 3}, {{0xE0, jfif}, {0xEE, adobe(0)}}, false},
      {"numbered", {1, 2, 3}, {}, false},
  };
  const int dc[3] = {-4, 9, 30};
  for (const Case& c : cases) {
    CJpegWriter w;
    w.Header(9, 3, {{c.ids[0], 0x11, 0}, {c.ids[1], 0x11, 0}, {c.ids[2], 0x11, 0}}, 0, 8);
    // The segments go in after SOI.
    Bytes extra;
    for (const auto& [marker, body] : c.segments) {
      CJpegWriter s;
      s.Segment(marker, body);
      extra.insert(extra.end(), s.d.begin(), s.d.end());
    }
    w.d.insert(w.d.begin() + 2, extra.begin(), extra.end());
    for (int m = 0; m < 2; ++m)
      for (int k = 0; k < 3; ++k) w.Block(k, Dc(dc[k]).data());
    w.End();
    for (bool plain : {false, true}) {
      CKXJpegDecoder d;
      d.SetPlainSteps(plain);
      ASSERT_EQ(0, Decode(w.d, d).decode) << c.name;
      unsigned char *r, *g, *b;
      long width, height;
      d.GetPictData(&r, &g, &b, width, height);
      const double s0 = FlatSample(dc[0]), s1 = FlatSample(dc[1]), s2 = FlatSample(dc[2]);
      const int want[3] = {c.rgb ? Truncated(s0) : Truncated(s0 + 1.402 * (s2 - 128)),
                           c.rgb ? Truncated(s1) : Truncated(s0 - 0.3441 * (s1 - 128) - 0.7139 * (s2 - 128)),
                           c.rgb ? Truncated(s2) : Truncated(s0 + 1.7718 * (s1 - 128))};
      const long at = 2 * 9 + 8;  // the last pixel
      EXPECT_EQ(want[0], r[at]) << c.name << (plain ? " plain" : "");
      EXPECT_EQ(want[1], g[at]) << c.name << (plain ? " plain" : "");
      EXPECT_EQ(want[2], b[at]) << c.name << (plain ? " plain" : "");
    }
  }
}

TEST(JpegDecoder, RestartMarkersAndFillBytesChangeNothing) {
  auto make = [](int restart, bool fill) {
    std::mt19937 rng(3);
    CJpegWriter w;
    w.Header(32, 16, {{1, 0x21, 0}, {2, 0x11, 0}, {3, 0x11, 0}}, restart, 2);
    for (int m = 0; m < 4; ++m) {
      if (restart && m) {
        w.Flush();
        if (fill) w.d.insert(w.d.end(), {0xFF, 0xFF});
        w.Restart(m - 1);
      }
      for (int i = 0; i < 4; ++i) {
        std::vector<std::int32_t> c(64, 0);
        for (int k = 0; k < 64; k += 1 + int(rng() % 5)) c[k] = int(rng() % 201) - 100;
        w.Block(i < 2 ? 0 : i - 1, c.data());
      }
    }
    w.End();
    return w.d;
  };
  std::vector<std::vector<unsigned char>> planes;
  for (auto data : {make(0, false), make(1, false), make(1, true)}) {
    CKXJpegDecoder d;
    SResult res = Decode(data, d);
    ASSERT_EQ(0, res.decode) << res.code;
    unsigned char *r, *g, *b;
    long width, height;
    d.GetPictData(&r, &g, &b, width, height);
    std::vector<unsigned char> all(r, r + width * height);
    all.insert(all.end(), g, g + width * height);
    all.insert(all.end(), b, b + width * height);
    planes.push_back(all);
  }
  EXPECT_EQ(planes[0], planes[1]);
  EXPECT_EQ(planes[0], planes[2]);
}

// ---------------------------------------------------------------- faults

struct SFault {
  const char* what;
  Bytes data;
  long set, decode;
  CKXJpegDecoder::EError error;
  long code;
};

Bytes Picture(const std::function<void(CJpegWriter&)>& edit = nullptr, int hv = 0x11) {
  CJpegWriter w;
  w.Header(8, 8, {{1, hv, 0}});
  w.Block(0, Dc(5).data());
  w.End();
  if (edit) edit(w);
  return w.d;
}

// The offset of the first marker m in the picture.
size_t At(const Bytes& d, int m) {
  for (size_t i = 0; i + 1 < d.size(); ++i)
    if (d[i] == 0xFF && d[i + 1] == m) return i;
  return 0;
}

Bytes Insert(Bytes d, int beforeMarker, const Bytes& what) {
  d.insert(d.begin() + long(At(d, beforeMarker)), what.begin(), what.end());
  return d;
}

TEST(JpegDecoder, DamagedHeadersAreRefused) {
  using E = CKXJpegDecoder;
  Bytes good = Picture();
  auto patch = [&](int marker, size_t offset, unsigned char value) {
    Bytes d = good;
    d[At(d, marker) + offset] = value;
    return d;
  };
  const size_t sof = 4;  // after marker and length: precision, height, width, count, first component
  const std::vector<SFault> faults = {
      {"no SOI", Bytes(good.begin() + 2, good.end()), -2, 0, E::kBufferError, 22},
      {"APP0 length 1", Insert(good, 0xDB, {0xFF, 0xE0, 0, 1}), -2, 0, E::kDataFormatError, 26},
      {"short JFIF", Insert(good, 0xDB, {0xFF, 0xE0, 0, 10, 'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 1}), -2, 0,
       E::kDataFormatError, 26},
      {"short JFXX", Insert(good, 0xDB, {0xFF, 0xE0, 0, 7, 'J', 'F', 'X', 'X', 0}), -2, 0, E::kDataFormatError, 26},
      {"COM length 0", Insert(good, 0xDB, {0xFF, 0xFE, 0, 0}), -2, 0, E::kDataFormatError, 26},
      {"APP5 length 1", Insert(good, 0xDB, {0xFF, 0xE5, 0, 1}), -2, 0, E::kDataFormatError, 26},
      {"H of 0", patch(0xC0, sof + 7, 0x01), -2, 0, E::kDataFormatError, 27},
      {"V of 5", patch(0xC0, sof + 7, 0x15), -2, 0, E::kDataFormatError, 27},
      {"quant table 4", patch(0xC0, sof + 8, 4), -2, 0, E::kDataFormatError, 28},
      {"two components", patch(0xC0, sof + 5, 2), -2, 0, E::kNotSupported, 0xC0},
      {"precision 12", patch(0xC0, sof, 12), -2, 0, E::kNotSupported, 0xC0},
      {"progressive", patch(0xC0, 1, 0xC2), -2, 0, E::kNotSupported, 0xC2},
      {"lossless", patch(0xC0, 1, 0xC3), -2, 0, E::kNotSupported, 0xC3},
      {"hierarchical", Insert(good, 0xC0, {0xFF, 0xDE, 0, 2}), -2, 0, E::kNotSupported, 0xDE},
      {"DQT table 4", patch(0xDB, 4, 0x04), -2, 0, E::kDataFormatError, 28},
      {"DQT short", Insert(good, 0xC4, {0xFF, 0xDB, 0, 3, 0}), -2, 0, E::kDataFormatError, 26},
      {"DHT class 2", patch(0xC4, 4, 0x20), -2, 0, E::kDataFormatError, 3},
      {"DHT number 4", patch(0xC4, 4, 0x04), -2, 0, E::kDataFormatError, 4},
      {"DHT over 256 values", Insert(good, 0xC0, {0xFF, 0xC4, 0, 19, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 2}),
       -2, 0, E::kIndexError, 8},
      {"DHT short", Insert(good, 0xC0, {0xFF, 0xC4, 0, 20, 0x01, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}), -2, 0,
       E::kDataFormatError, 2},
      {"scan selector", patch(0xDA, 5, 9), -2, 0, E::kDataFormatError, 29},
      {"scan DC table 3", patch(0xDA, 6, 0x30), -2, 0, E::kIndexError, 9},
      {"scan AC table 3", patch(0xDA, 6, 0x03), -2, 0, E::kIndexError, 10},
      {"scan length short", patch(0xDA, 3, 5), -2, 0, E::kDataFormatError, 26},
      {"RST in the headers", Insert(good, 0xC0, {0xFF, 0xD3}), -2, 0, E::kDataFormatError, 1},
      {"ends in a segment", Bytes(good.begin(), good.begin() + long(At(good, 0xC4)) + 10), -2, 0, E::kBufferError, 22},
      {"skip past the end", Insert(good, 0xDB, {0xFF, 0xE3, 0x40, 0}), -2, 0, E::kBufferError, 25},
      {"EOI before the scan", {0xFF, 0xD8, 0xFF, 0xD9}, 0, -2, E::kDataFormatError, 32},
  };
  for (const SFault& f : faults) {
    CKXJpegDecoder d;
    SResult r = Decode(f.data, d);
    EXPECT_EQ(f.set, r.set) << f.what;
    EXPECT_EQ(f.decode, r.decode) << f.what;
    EXPECT_EQ(f.error, r.error) << f.what;
    EXPECT_EQ(f.code, r.code) << f.what;
  }
  // A scan that names a component of a three-component frame twice.
  CJpegWriter w;
  w.Header(8, 8, {{1, 0x11, 0}, {2, 0x11, 0}, {3, 0x11, 0}});
  w.d[At(w.d, 0xDA) + 5 + 2 * 2] = 1;
  CKXJpegDecoder d;
  SResult r = Decode(w.d, d);
  EXPECT_EQ(-2, r.set);
  EXPECT_EQ(29, r.code);
}

TEST(JpegDecoder, HeadersAreReadIntoTheDecoder) {
  Bytes d = Insert(Picture(), 0xDB,
                   {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 0, 72, 0, 96, 0, 0,  //
                    0xFF, 0xFE, 0, 5, 'a', 'b', 'c', 0xFF, 0xFE, 0, 4, 'x', 'y'});
  CKXJpegDecoder dec;
  ASSERT_EQ(0, Decode(d, dec).decode);
  EXPECT_EQ(1, dec.GetJFIF().mKind);
  EXPECT_EQ(2, dec.GetJFIF().mVersionMinor);
  EXPECT_EQ(72, dec.GetJFIF().mXDensity);
  EXPECT_EQ(96, dec.GetJFIF().mYDensity);
  EXPECT_STREQ("xy", dec.GetComment());
  EXPECT_EQ(31, dec.GetAnalysisFlags());
}

TEST(JpegDecoder, DamagedScansAreRefusedAndThePlanesFreed) {
  using E = CKXJpegDecoder;
  struct SScanFault {
    const char* what;
    std::function<void(CJpegWriter&)> write;
    long decode;
    E::EError error;
    long code;
  };
  const std::vector<SScanFault> faults = {
      {"DC size 17", [](CJpegWriter& w) { w.Symbol(17, 5); }, -2, E::kDataFormatError, 30},
      {"DC past 16 bits",
       [](CJpegWriter& w) {
         for (int i = 0; i < 3; ++i) w.Block(0, Dc(20000 * (i + 1)).data());  // the writer's prediction runs along
       },
       -2, E::kDataFormatError, 31},
      {"zero size with run 5", [](CJpegWriter& w) { w.Symbol(0, 5), w.Symbol(162, 8); }, -2, E::kDataFormatError, 19},
      {"run past 63",
       [](CJpegWriter& w) {
         w.Symbol(0, 5);
         for (int i = 0; i < 4; ++i) w.Symbol(1, 8);  // ZRL x 4: 64 zeros from 1
       },
       -2, E::kDataFormatError, 20},
      {"marker inside", [](CJpegWriter& w) { w.Symbol(0, 5), w.Flush(), w.Marker(0xD4); }, -2, E::kDataFormatError, 18},
      {"cut short", [](CJpegWriter& w) { w.Symbol(0, 5); }, -1, E::kBufferError, 22},
  };
  for (const SScanFault& f : faults) {
    CJpegWriter w;
    w.Header(24, 8, {{1, 0x11, 0}});
    f.write(w);
    if (std::string(f.what) != "cut short") w.End();
    CKXJpegDecoder d;
    SResult r = Decode(w.d, d);
    EXPECT_EQ(0, r.set) << f.what;
    EXPECT_EQ(f.decode, r.decode) << f.what;
    EXPECT_EQ(f.error, r.error) << f.what;
    EXPECT_EQ(f.code, r.code) << f.what;
    unsigned char *pr, *pg, *pb;
    long width, height;
    d.GetPictData(&pr, &pg, &pb, width, height);
    EXPECT_EQ(nullptr, pr) << f.what;
  }
}

TEST(JpegDecoder, EveryCutOfARealPictureIsAnErrorWithoutOverreading) {
  for (const char* name : {"jpeg-420.jpg", "jpeg-restart.jpg", "jpeg-grey.jpg", "jpeg-17x9.jpg"}) {
    Bytes full = ReadFixture(name);
    ASSERT_FALSE(full.empty()) << name;
    {
      CKXJpegDecoder d;
      ASSERT_EQ(0, Decode(full, d).decode) << name;
    }
    for (size_t n = 0; n < full.size(); ++n) {
      CKXJpegDecoder d;
      SResult r = Decode(Bytes(full.begin(), full.begin() + long(n)), d);
      EXPECT_TRUE(r.set != 0 || r.decode != 0) << name << " cut at " << n;
      unsigned char *pr, *pg, *pb;
      long width, height;
      d.GetPictData(&pr, &pg, &pb, width, height);
      EXPECT_EQ(nullptr, pr);
    }
  }
}

TEST(JpegDecoder, PlanesThatCannotBeHadAreAMemoryError) {
  // 20000 x 20000 is above the pixel cap; 65535 x 65535 would overflow 32 bits.
  for (int side : {20000, 65535}) {
    CJpegWriter w;
    w.Header(side, side, {{1, 0x11, 0}});
    w.End();
    CKXJpegDecoder d;
    SResult r = Decode(w.d, d);
    EXPECT_EQ(-1, r.decode);
    EXPECT_EQ(CKXJpegDecoder::kMemoryError, r.error);
  }
  // A failing allocator.
  Bytes small = ReadFixture("jpeg-420.jpg");
  CKXJpegDecoder d;
  std::vector<char> copy(small.begin(), small.end());
  ASSERT_EQ(0, d.SetJpegData(copy.data(), long(copy.size())));
  kx_memtest::FailAll(true);
  long result = d.DoDecode();
  kx_memtest::Reset();
  EXPECT_EQ(-1, result);
  long code = 0;
  EXPECT_EQ(CKXJpegDecoder::kMemoryError, d.GetLastError(&code));
  EXPECT_EQ(11, code);
  unsigned char *pr, *pg, *pb;
  long width, height;
  d.GetPictData(&pr, &pg, &pb, width, height);
  EXPECT_EQ(nullptr, pr);
  // The same decoder succeeds once memory is back.
  EXPECT_EQ(0, d.SetJpegData(copy.data(), long(copy.size())));
  EXPECT_EQ(0, d.DoDecode());
}

TEST(JpegDecoder, ADecoderForgetsThePreviousPicture) {
  CKXJpegDecoder d;
  Bytes first = Insert(Picture(), 0xDB, {0xFF, 0xFE, 0, 3, 'a'});
  ASSERT_EQ(0, Decode(first, d).decode);
  // Tables and comment of the first picture must not make this one decodable.
  Bytes second = {0xFF, 0xD8, 0xFF, 0xD9};
  SResult r = Decode(second, d);
  EXPECT_EQ(0, r.set);
  EXPECT_EQ(-2, r.decode);
  EXPECT_EQ(nullptr, d.GetComment());
}

}  // namespace

// ---------------------------------------------------------------- fast paths

// The vector IDCT and colour conversion against their scalar steps on the
// same random inputs: the same bytes, not merely close ones.
TEST(JpegFastPaths, VectorIdctAndColourEqualTheScalarSteps) {
  std::mt19937 rng(59);
  const long steps = KxRandomSteps(20000);
  std::int32_t f[64], fast[64], scalar[64];
  for (long i = 0; i < steps; ++i) {
    const int density = 1 + int(rng() % 64);
    const int magnitude = std::vector<int>{2, 64, 2048, 1 << 20, 32767 * 65535}[rng() % 5];
    for (int k = 0; k < 64; ++k)
      f[k] = int(rng() % 64) < density ? int(rng() % (2u * unsigned(magnitude) + 1) - unsigned(magnitude)) : 0;
    if (rng() % 8 == 0) std::memset(f + 1, 0, sizeof f - sizeof f[0]);  // DC only
    const bool a = KxJpegInverseDCT(f, fast), b = KxJpegInverseDCTScalar(f, scalar);
    ASSERT_EQ(b, a) << "block " << i;
    if (a) {
      ASSERT_EQ(0, std::memcmp(fast, scalar, sizeof fast)) << "block " << i;
    }
  }
  // Rows of every length, with samples far outside 0-255 as the IDCT may give.
  for (long i = 0; i < steps / 20; ++i) {
    const long n = long(rng() % 40);
    const int spread = rng() % 2 ? 300 : 1 << 20;
    std::vector<std::int32_t> y(size_t(n) + 1), cb(size_t(n) + 1), cr(size_t(n) + 1);
    for (long x = 0; x < n; ++x)
      for (auto* v : {&y, &cb, &cr}) (*v)[size_t(x)] = int(rng() % unsigned(2 * spread)) - spread / 2;
    // Chroma for every pixel, or for every second one (4:2:0 and 4:2:2).
    for (bool half : {false, true}) {
      std::vector<unsigned char> one(size_t(n) * 3 + 3, 7), other(size_t(n) * 3 + 3, 7);
      KxJpegConvertRow(y.data(), cb.data(), cr.data(), one.data(), n, half, false);
      KxJpegConvertRow(y.data(), cb.data(), cr.data(), other.data(), n, half, true);
      ASSERT_EQ(one, other) << "row " << i << (half ? ", half chroma" : "");
    }
  }
}

class CBandDecoder : public CKXJpegDecoder {
 public:
  std::vector<unsigned char> rgb;
  long nextRow = 0;
  bool inOrder = true;

 protected:
  void RowsDecoded(const unsigned char* p, long top, long count) override {
    unsigned char *r, *g, *b;
    long width, height;
    GetPictData(&r, &g, &b, width, height);
    inOrder = inOrder && top == nextRow && count > 0 && top + count <= height && !r;
    nextRow = top + count;
    rgb.insert(rgb.end(), p, p + width * 3 * count);
  }
};

// Decoding by rows gives the planes' pixels, interleaved, in every layout,
// and fails where decoding into planes fails.
TEST(JpegFastPaths, RowsEqualThePlanesInterleaved) {
  for (const char* name : {"jpeg-420.jpg", "jpeg-422.jpg", "jpeg-411.jpg", "jpeg-mixed.jpg", "jpeg-grey.jpg",
                           "jpeg-restart.jpg", "jpeg-17x9.jpg", "jpeg-q5.jpg"}) {
    const Bytes full = ReadFixture(name);
    ASSERT_FALSE(full.empty()) << name;
    CKXJpegDecoder planes;
    ASSERT_EQ(0, Decode(full, planes).decode) << name;
    unsigned char *r, *g, *b;
    long width, height;
    planes.GetPictData(&r, &g, &b, width, height);
    std::vector<unsigned char> expected;
    for (long i = 0; i < width * height; ++i) expected.insert(expected.end(), {r[i], g[i], b[i]});

    std::vector<char> copy(full.begin(), full.end());
    CBandDecoder rows;
    ASSERT_EQ(0, rows.SetJpegData(copy.data(), long(copy.size())));
    ASSERT_EQ(0, rows.DoDecodeRows()) << name;
    EXPECT_TRUE(rows.inOrder) << name;
    EXPECT_EQ(height, rows.nextRow) << name;
    EXPECT_TRUE(rows.rgb == expected) << name;

    std::vector<char> cut(full.begin(), full.begin() + long(full.size() * 2 / 3));
    CBandDecoder broken;
    if (broken.SetJpegData(cut.data(), long(cut.size())) == 0) {
      EXPECT_NE(0, broken.DoDecodeRows()) << name;
    }
  }
}

namespace {

// Every pixel of a picture by each way of decoding: planes or rows, fast or
// plain steps (the plain ones only up to plainPixels: they are slow). Empty
// when the decode fails or is not tried.
struct SWays {
  std::vector<unsigned char> planes[2], rows[2];  // [plain]
  long width = 0, height = 0;
};

SWays DecodeEveryWay(const Bytes& data, long plainPixels = 1L << 30, long pixels = 1L << 30) {
  SWays ways;
  for (int plain = 0; plain < 2; ++plain) {
    std::vector<char> copy(data.begin(), data.end());
    CKXJpegDecoder d;
    d.SetPlainSteps(plain != 0);
    if (d.SetJpegData(copy.data(), long(copy.size())) != 0) continue;
    unsigned char *pr, *pg, *pb;
    d.GetPictData(&pr, &pg, &pb, ways.width, ways.height);
    if (ways.width * ways.height > (plain ? plainPixels : pixels)) break;
    if (d.DoDecode() == 0) {
      unsigned char *r, *g, *b;
      long width, height;
      d.GetPictData(&r, &g, &b, width, height);
      for (long i = 0; i < width * height; ++i) ways.planes[plain].insert(ways.planes[plain].end(), {r[i], g[i], b[i]});
    }
    CBandDecoder rows;
    rows.SetPlainSteps(plain != 0);
    if (rows.SetJpegData(copy.data(), long(copy.size())) == 0 && rows.DoDecodeRows() == 0) ways.rows[plain] = rows.rgb;
  }
  return ways;
}

}  // namespace

// The fast steps (IDCT into the planes, colour by rows, two rows sharing
// their chroma) against the plain ones: the IDCT's direct sum and the colour
// formulas pixel by pixel. Real pictures of every layout, then random ones
// with odd sizes, restart intervals and samples far outside 0-255.
TEST(JpegFastPaths, FastStepsGiveThePlainStepsBytes) {
  for (const char* name : {"444", "422", "440", "420", "411", "mixed", "grey", "grey-2x2", "optimised", "restart",
                           "q100", "q5", "1x1", "17x9", "4097x1"}) {
    const SWays w = DecodeEveryWay(ReadFixture(std::string("jpeg-") + name + ".jpg"));
    ASSERT_FALSE(w.planes[1].empty()) << name;
    EXPECT_TRUE(w.planes[0] == w.planes[1]) << name;
    EXPECT_TRUE(w.rows[0] == w.planes[1]) << name;
    EXPECT_TRUE(w.rows[1] == w.planes[1]) << name;
  }
  const std::vector<std::vector<SComp>> layouts = {
      {{1, 0x11, 0}},
      {{1, 0x11, 0}, {2, 0x11, 0}, {3, 0x11, 0}},
      {{1, 0x21, 0}, {2, 0x11, 0}, {3, 0x11, 0}},
      {{1, 0x22, 0}, {2, 0x11, 0}, {3, 0x11, 0}},
      {{1, 0x12, 0}, {2, 0x11, 0}, {3, 0x11, 0}},
      {{1, 0x41, 0}, {2, 0x11, 0}, {3, 0x11, 0}},
      {{1, 0x22, 0}, {2, 0x12, 0}, {3, 0x21, 0}},
      {{1, 0x11, 0}, {2, 0x22, 0}, {3, 0x11, 0}},  // luma below the largest factors
      {{1, 0x24, 0}, {2, 0x12, 0}, {3, 0x11, 0}},
  };
  std::mt19937 rng(5959);
  const long pictures = std::max(20L, KxRandomSteps(20000) / 100);
  for (long i = 0; i < pictures; ++i) {
    const std::vector<SComp>& comps = layouts[size_t(rng() % layouts.size())];
    const int width = 1 + int(rng() % 70), height = 1 + int(rng() % 40);
    const int restart = rng() % 3 == 0 ? 1 + int(rng() % 4) : 0;
    const int q = std::vector<int>{1, 3, 16, 60}[rng() % 4];
    const int density = 1 + int(rng() % 16);
    int hmax = 1, vmax = 1;
    if (comps.size() > 1)
      for (const SComp& c : comps) hmax = std::max(hmax, c.hv >> 4), vmax = std::max(vmax, c.hv & 15);
    const long mcus = long((width + 8 * hmax - 1) / (8 * hmax)) * ((height + 8 * vmax - 1) / (8 * vmax));
    CJpegWriter w;
    w.Header(width, height, comps, restart, q);
    for (long m = 0; m < mcus; ++m) {
      if (restart && m && m % restart == 0) w.Restart(int(m / restart - 1));
      for (int ci = 0; ci < int(comps.size()); ++ci) {
        const int blocks = comps.size() == 1 ? 1 : (comps[size_t(ci)].hv >> 4) * (comps[size_t(ci)].hv & 15);
        for (int k = 0; k < blocks; ++k) {
          std::vector<std::int32_t> c(64, 0);
          c[0] = int(rng() % 401) - 200;
          // Flat blocks, low frequencies only, or anything up to 511.
          const int reach = std::vector<int>{1, 16, 64}[rng() % 3];
          for (int z = 1; z < reach; ++z)
            if (int(rng() % 16) < density) c[size_t(kKXJpegZigzag[z])] = int(rng() % 1023) - 511;
          w.Block(ci, c.data());
        }
      }
    }
    w.End();
    const SWays ways = DecodeEveryWay(w.d);
    ASSERT_FALSE(ways.planes[1].empty()) << "picture " << i;
    ASSERT_TRUE(ways.planes[0] == ways.planes[1]) << "picture " << i << ", " << width << " x " << height;
    ASSERT_TRUE(ways.rows[0] == ways.planes[1]) << "picture " << i;
    ASSERT_TRUE(ways.rows[1] == ways.planes[1]) << "picture " << i;
  }
}

// The colour formulas give the same bytes by rows as pixel by pixel even
// where a sum lands within a rounding step of a whole number: such pixels
// are a few in a million of the samples an IDCT gives, so rows of many.
TEST(JpegFastPaths, ColourRowsKeepTheFormulasRoundingOverManyPixels) {
  std::mt19937 rng(1402);
  const long n = 4099;  // whole vectors and a tail
  const long rows = std::max(40L, KxRandomSteps(20000) * 50 / n);
  std::vector<std::int32_t> y(static_cast<size_t>(n)), cb(y), cr(y);
  std::vector<unsigned char> one(size_t(n) * 3), other(size_t(n) * 3);
  for (long i = 0; i < rows; ++i) {
    for (long x = 0; x < n; ++x) {
      y[size_t(x)] = int(rng() % 900) - 300;
      cb[size_t(x)] = int(rng() % 700) - 200;
      cr[size_t(x)] = int(rng() % 700) - 200;
    }
    const bool half = i % 2 != 0;
    KxJpegConvertRow(y.data(), cb.data(), cr.data(), one.data(), n, half, false);
    KxJpegConvertRow(y.data(), cb.data(), cr.data(), other.data(), n, half, true);
    ASSERT_TRUE(one == other) << "row " << i << (half ? ", half chroma" : "");
  }
}

// The real JPEG files of the shared data (cameras, editors, encoders, and
// damaged ones) up to 400,000 pixels: every way of decoding agrees, failures
// included; the plain steps on the smaller ones.
TEST(JpegFastPaths, RealFilesDecodeAlikeEveryWay) {
  const std::filesystem::path dir = KxSharedDir() + "/realdata/jpeg";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no real JPEG files at " << dir;
  long decoded = 0, plain = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!entry.is_regular_file() || (ext != ".jpg" && ext != ".jpeg")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SWays w = DecodeEveryWay(data, 30000, 400000);
    const std::string name = entry.path().string();
    EXPECT_TRUE(w.rows[0] == w.planes[0]) << name;
    if (w.planes[0].empty()) continue;
    ++decoded;
    if (w.width * w.height > 30000) continue;
    ++plain;
    EXPECT_TRUE(w.planes[1] == w.planes[0]) << name;
    EXPECT_TRUE(w.rows[1] == w.planes[0]) << name;
  }
  EXPECT_GT(plain, 0);
  std::printf("%ld real files decoded, %ld of them the plain way too\n", decoded, plain);
}
