// Documents through the file tube: the flavor map, both layouts on disk,
// pictures of every kind, and files that other programs (or other
// machines) left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "common/test_main.h"
#include "document/doc_file.h"
#include "document/doc_prefs.h"
#include "document/doc_records.h"
#include "document/file_tube.h"
#include "engine/text_flavors.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/runs/runs.h"
#include "text/store/converters.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr EKXLayout kLayouts[] = {EKXLayout::kClassic, EKXLayout::kContainer};

class FileTube : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kxtube_" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  static void WriteBytes(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
  static Bytes ReadBytes(const std::string& path) {
    Bytes b;
    KxReadFile(path, b);
    return b;
  }
  fs::path dir;
};

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
OSType Four(const char* s) {
  return (OSType(std::uint8_t(s[0])) << 24) | (OSType(std::uint8_t(s[1])) << 16) | (OSType(std::uint8_t(s[2])) << 8) |
         OSType(std::uint8_t(s[3]));
}

// A picture of `kind` in its in-memory form, with the frame the data model
// gives it.
Bytes MakePicture(short kind, std::uint8_t seed) {
  const Bytes& dummy = CKXTextFileTube::GetDummyPict();
  Bytes out;
  auto le32 = [](Bytes& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(std::uint32_t(v) >> (8 * i));
  };
  std::int16_t h = 0, w = 0;
  switch (kind) {
    case kKxPictPICT: {
      std::vector<std::uint32_t> px(6, 0xFF0000u + seed);
      return KxPictFromPixels(2, 3, px.data());
    }
    case kKxPictWBMP:
    case kKxPictWDIB: {
      Bytes win(kind == kKxPictWBMP ? 54 : 40, seed);
      const std::size_t at = kind == kKxPictWBMP ? 14 : 0;
      le32(win, at + 4, 33);
      le32(win, at + 8, -21);  // a top-down bitmap
      out = dummy;
      out.insert(out.end(), win.begin(), win.end());
      h = 21;
      w = 33;
      break;
    }
    case kKxPictWMFP:
    case kKxPictWEMF: {
      Bytes wsiz(8);
      le32(wsiz, 0, 20 * 50);
      le32(wsiz, 4, 20 * 30);
      out = dummy;
      out.insert(out.end(), wsiz.begin(), wsiz.end());
      out.insert(out.end(), 17, seed);
      h = 30;
      w = 50;
      break;
    }
    case kKxPictJPEG: {
      // No decoder here: the tube keeps the bytes behind the placeholder.
      out = dummy;
      out.resize((out.size() + 15) & ~std::size_t(15), 0);
      out.insert(out.end(), sJPEGIDString, sJPEGIDString + 16);
      const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, seed, 1, 2, 3, 0xFF, 0xD9};
      out.insert(out.end(), jpeg.begin(), jpeg.end());
      h = std::int16_t(KxGetU16BE(dummy.data() + 6) - KxGetU16BE(dummy.data() + 2));
      w = std::int16_t(KxGetU16BE(dummy.data() + 8) - KxGetU16BE(dummy.data() + 4));
      break;
    }
    default:
      break;
  }
  KxPutU16BE(out.data(), std::uint16_t(2 * kind + 1));
  KxPutU16BE(out.data() + 2, 0);
  KxPutU16BE(out.data() + 4, 0);
  KxPutU16BE(out.data() + 6, std::uint16_t(h));
  KxPutU16BE(out.data() + 8, std::uint16_t(w));
  return out;
}

// A container as a machine of the other byte order writes it.
Bytes ForeignContainer(const std::vector<std::tuple<OSType, short, Bytes>>& items) {
  const KxByteOrder o = kKxNativeOrder == KxByteOrder::kBig ? KxByteOrder::kLittle : KxByteOrder::kBig;
  auto put16 = [o](Bytes& b, std::uint16_t v) {
    if (o == KxByteOrder::kBig) {
      b.push_back(std::uint8_t(v >> 8));
      b.push_back(std::uint8_t(v));
    } else {
      b.push_back(std::uint8_t(v));
      b.push_back(std::uint8_t(v >> 8));
    }
  };
  auto put32 = [&](Bytes& b, std::uint32_t v) {
    if (o == KxByteOrder::kBig) {
      put16(b, std::uint16_t(v >> 16));
      put16(b, std::uint16_t(v));
    } else {
      put16(b, std::uint16_t(v));
      put16(b, std::uint16_t(v >> 16));
    }
  };
  Bytes out;
  std::vector<std::tuple<OSType, short, std::uint32_t, std::uint32_t>> where;
  for (const auto& [type, id, data] : items) {
    where.emplace_back(type, id, std::uint32_t(out.size()), std::uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  // One map per type (the items are given grouped by type, IDs rising).
  std::vector<std::tuple<OSType, std::uint32_t, std::uint32_t>> maps;
  for (std::size_t i = 0; i < where.size();) {
    const OSType type = std::get<0>(where[i]);
    std::size_t j = i;
    while (j < where.size() && std::get<0>(where[j]) == type) ++j;
    const std::uint32_t at = std::uint32_t(out.size());
    put32(out, type);
    put16(out, std::uint16_t(j - i));
    for (std::size_t k = i; k < j; ++k) {
      put16(out, std::uint16_t(std::get<1>(where[k])));
      put32(out, std::get<2>(where[k]));
      put32(out, std::get<3>(where[k]));
    }
    maps.emplace_back(type, at, std::uint32_t(out.size()) - at);
    i = j;
  }
  for (const auto& [type, at, size] : maps) {
    put32(out, type);
    put32(out, at);
    put32(out, size);
  }
  put16(out, std::uint16_t(maps.size()));
  put16(out, kKxResVersion);
  put32(out, kKxResMagic);
  return out;
}

SKXDocSettings SampleSettings() {
  SKXDocSettings s;
  s.window.fontSize = 14;
  s.window.fontName = "IPAMincho";
  s.window.bounds = {40, 50, 400, 600};
  s.window.selStart = 2;
  s.window.selEnd = 5;
  s.pref.scale = 150;
  s.pref.headerText = "page";
  s.pref.vertical = 1;
  s.marks = {{0, 3, "first"}, {4, 7, "second"}};
  s.rank.rect[0] = -3;
  s.rank.rect[2] = 200;
  s.rank.levels = {0, 2};
  s.hasRank = true;
  s.lineRestarts = {1, 5, 9};
  s.printRecord.assign(120, 7);
  s.usesForm = true;
  for (std::size_t i = 0; i < s.forms.size(); ++i) s.forms[i] = std::uint8_t(i * 3);
  return s;
}

void WriteStyled(const std::string& path, const std::string& text, const SKXDocSettings& s, EKXLayout layout,
                 int backups = 0) {
  SKXDocument doc;
  doc.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  doc.settings = s;
  doc.creator = FourCC("KXTE");
  std::string message;
  ASSERT_EQ(KxWriteDocument(path, doc, layout, message, backups), 0) << message;
}

std::string TextOf(const SKXDocument& doc) {
  std::string s(std::size_t(doc.text->GetLength()), '\0');
  doc.text->GetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return s;
}

TEST(FileTubeNames, TypesFromNamesAndTypes) {
  struct Case {
    OSType type;
    const char* name;
    OSType want;
  } cases[] = {{0, "photo.JPG", FourCC("JPEG")},          {0, "notes.text", FourCC("TEXT")},
               {FourCC("ZIP "), "archive.zip", FourCC("TEXT")}, {FourCC("ttro"), "readme", FourCC("ttro")},
               {FourCC("TEXT"), "letter.rtf", FourCC("RTF ")},  {FourCC("TEXT"), "scan.tiff", FourCC("TIFF")},
               {0, "a.tif", FourCC("TIFF")},                   {FourCC("TEXT"), ".rtf", FourCC("TEXT")},
               {FourCC("JPEG"), "x.txt", FourCC("JPEG")},       {FourCC("RTF "), "x.txt", FourCC("RTF ")},
               {0, "dir.jpg/plain", FourCC("TEXT")},            {0, "clip.PICT", FourCC("PICT")}};
  for (const Case& c : cases)
    EXPECT_EQ(CKXTextFileTube::TextFileTypeCheck(c.type, c.name), c.want) << c.name;
  struct Name {
    const char* name;
    OSType want;
  } names[] = {{"a.htm", FourCC("TEXT")}, {"ab.html", FourCC("TEXT")}, {"x.txt", FourCC("TEXT")},
               {"x.zip", 0},              {"a.jp", 0},                 {"photo.jpeg", FourCC("JPEG")},
               {"song.aif", FourCC("AIFF")}};
  for (const Name& n : names) EXPECT_EQ(CKXTextFileTube::GetFlavorTypeFromName(n.name), n.want) << n.name;
}

TEST(FileTubeNames, StoredTypesMapBackToFlavors) {
  struct Case {
    const char* stored;
    short id;
    const char* flavor;
  } cases[] = {{"deco", 128, "styw"}, {"para", 128, "styx"}, {"MPSR", 1007, "MARK"}, {"MPSR", 1005, "MPSR"},
               {"KXSR", 1000, "KXSR"}, {"KXSR", 1001, "MTPR"}, {"KXSR", 1002, "LINE"}, {"KXSR", 1003, "FORM"},
               {"KXSR", 1007, "RANK"}, {"deco", 129, "deco"},  {"styl", 128, "styl"}};
  for (const Case& c : cases) {
    EXPECT_EQ(CKXTextFlavorFile::FileFlavorType(Four(c.stored), c.id), Four(c.flavor)) << c.stored << c.id;
  }
}

// Every record set through a tube is stored where the map says, in the
// layout's byte order, and reads back as it was given.
TEST_F(FileTube, RecordsStoredInEachLayout) {
  const SKXDocSettings s = SampleSettings();
  for (EKXLayout layout : kLayouts) {
    const std::string path = Path(layout == EKXLayout::kClassic ? "classic.txt" : "container.kxt");
    CKXTextFileTube w;
    std::string message;
    ASSERT_EQ(w.OpenWrite(path, FourCC("TEXT"), FourCC("KXTE"), layout, message), 0);
    const Bytes text = Str("abcdefgh");
    ASSERT_TRUE(w.PutFlavor(FourCC("TEXT"), text.data(), long(text.size())));
    ASSERT_EQ(WriteDocPref(w, s), "");
    ASSERT_EQ(w.Commit(message), 0) << message;

    // What lies in the file, against records made directly.
    Bytes mpsrBig, kxsrBig, markBig, rankClassic, lineBig;
    KxWriteMPSR(s.window, KxByteOrder::kBig, mpsrBig);
    KxWriteKXSR(s.pref, KxByteOrder::kBig, kxsrBig);
    KxWriteMARK(s.marks, KxByteOrder::kBig, markBig);
    KxWriteClassicRANK(s.rank, rankClassic);
    KxWriteLINE(s.lineRestarts, KxByteOrder::kBig, lineBig);
    if (layout == EKXLayout::kClassic) {
      EXPECT_EQ(ReadBytes(path), text);
      KxResFork fork;
      ASSERT_EQ(KxReadResourceFork(path, fork), 0);
      auto item = [&](const char* t, short id) {
        const KxResForkItem* it = fork.Find(Four(t), id);
        return it ? it->data : Bytes{0xEE};
      };
      EXPECT_EQ(item("MPSR", 1005), mpsrBig);
      EXPECT_EQ(item("KXSR", 1000), kxsrBig);
      EXPECT_EQ(item("MPSR", 1007), markBig);
      EXPECT_EQ(item("KXSR", 1007), rankClassic);
      EXPECT_EQ(item("KXSR", 1002), lineBig);
      EXPECT_EQ(item("KXSR", 1001), s.printRecord);
      EXPECT_EQ(item("KXSR", 1003), Bytes(s.forms.begin(), s.forms.end()));  // stored big-endian
    } else {
      EXPECT_FALSE(fs::exists(KxSidecarPath(path)));
      CKXMemResource raw(ReadBytes(path));
      raw.OpenResInfo();
      ASSERT_TRUE(raw.IsOpen());
      auto res = [&](OSType t, short id) {
        Bytes b(std::size_t(raw.GetResSize(t, id)));
        if (!b.empty()) raw.ReadResource(b.data(), long(b.size()), t, id);
        return b;
      };
      EXPECT_EQ(res(FourCC("TEXT"), 1), text);
      Bytes mpsr;
      SKXWindowRec noRects = s.window;
      noRects.bounds = {};
      noRects.stdState = {};
      KxWriteMPSR(noRects, kKxNativeOrder, mpsr);
      EXPECT_EQ(res(kKxRecMPSR, 1005), mpsr);
      Bytes rank, kxsr;
      KxWriteRANK(s.rank, kKxNativeOrder, rank);
      KxWriteKXSR(s.pref, kKxNativeOrder, kxsr);
      EXPECT_EQ(res(kKxRecKXSR, 1007), rank);
      EXPECT_EQ(res(kKxRecKXSR, 1000), kxsr);
      EXPECT_EQ(res(kKxRecKXSR, 1001), s.printRecord);
    }

    CKXTextFileTube r;
    ASSERT_EQ(r.OpenRead(path, message), 0) << message;
    EXPECT_EQ(r.ResourceExists(), layout == EKXLayout::kContainer);
    SKXDocSettings back;
    ReadDocPref(r, back);
    EXPECT_EQ(back.window.fontName, "IPAMincho");
    EXPECT_EQ(back.window.bounds.bottom, layout == EKXLayout::kClassic ? 400 : 0);
    EXPECT_EQ(back.pref.headerText, "page");
    EXPECT_EQ(back.pref.scale, 150);
    ASSERT_EQ(back.marks.size(), 2u);
    EXPECT_EQ(back.marks[1].name, "second");
    EXPECT_EQ(back.rank.levels, s.rank.levels);
    EXPECT_EQ(back.rank.rect[0], -3);
    EXPECT_EQ(back.lineRestarts, s.lineRestarts);
    EXPECT_EQ(back.printRecord, s.printRecord);
    EXPECT_EQ(back.forms, s.forms);
  }
}

TEST_F(FileTube, EveryPictureKindThroughBothLayouts) {
  for (EKXLayout layout : kLayouts) {
    const std::string path = Path(layout == EKXLayout::kClassic ? "p.txt" : "p.kxt");
    std::vector<Bytes> pictures;
    for (short kind = 0; kind < kKxPictKinds; ++kind) pictures.push_back(MakePicture(kind, std::uint8_t(kind + 1)));
    CKXTextFileTube w;
    std::string message;
    ASSERT_EQ(w.OpenWrite(path, FourCC("TEXT"), 0, layout, message), 0);
    w.PutFlavor(FourCC("TEXT"), "x", 1);
    for (const Bytes& p : pictures) ASSERT_TRUE(w.PutFlavor(FourCC("PICT"), p.data(), long(p.size())));
    ASSERT_EQ(w.Commit(message), 0) << message;

    CKXTextFileTube r;
    ASSERT_EQ(r.OpenRead(path, message), 0);
    const short first = layout == EKXLayout::kClassic ? 1000 : 1;
    std::vector<std::pair<OSType, short>> stored;
    for (const auto& s : r.ListStored())
      if (s.type != FourCC("TEXT") && s.type != kKxTextCheckType) stored.emplace_back(s.type, s.id);
    for (short kind = 0; kind < kKxPictKinds; ++kind) {
      const std::pair<OSType, short> want{sTypePict[kind], short(first + kind)};
      EXPECT_NE(std::find(stored.begin(), stored.end(), want), stored.end()) << kind;
    }
    EXPECT_NE(std::find(stored.begin(), stored.end(), std::pair<OSType, short>{kKxTypeWSIZ, short(first + 3)}), stored.end());
    for (short kind = 0; kind < kKxPictKinds; ++kind) {
      ASSERT_TRUE(r.PictureExists()) << kind;
      EXPECT_EQ(r.GetPictureSize(), long(pictures[std::size_t(kind)].size())) << kind;
      Bytes back;
      ASSERT_TRUE(r.GetFlavorData(FourCC("PICT"), back));
      EXPECT_EQ(back, pictures[std::size_t(kind)]) << "kind " << kind;
    }
    EXPECT_FALSE(r.PictureExists());
  }
}

TEST_F(FileTube, PictureKindReadOnlyFromBytesThatExist) {
  CKXTextFileTube w;
  std::string message;
  ASSERT_EQ(w.OpenWrite(Path("k.kxt"), FourCC("TEXT"), 0, EKXLayout::kContainer, message), 0);
  // Says JPEG but has no marker; says WMFP but is shorter than its header.
  Bytes fakeJpeg = {0, 11, 0, 0, 0, 0, 0, 5, 0, 5, 1, 2, 3};
  Bytes shortMeta = {0, 7, 1, 2};
  Bytes markerUnaligned = MakePicture(kKxPictPICT, 1);
  markerUnaligned.insert(markerUnaligned.begin() + 3, sJPEGIDString, sJPEGIDString + 16);
  KxPutU16BE(markerUnaligned.data(), 11);
  for (const Bytes* p : {&fakeJpeg, &shortMeta, &markerUnaligned}) w.PutFlavor(FourCC("PICT"), p->data(), long(p->size()));
  ASSERT_EQ(w.Commit(message), 0);
  CKXTextFileTube r;
  ASSERT_EQ(r.OpenRead(Path("k.kxt"), message), 0);
  for (const Bytes* p : {&fakeJpeg, &shortMeta, &markerUnaligned}) {
    Bytes back;
    ASSERT_TRUE(r.GetFlavorData(FourCC("PICT"), back));
    EXPECT_EQ(back, *p);  // stored whole, as a plain PICT
  }
}

// A PICT whose size field happens to read 3, 5, 7, 9 or 11 is no picture
// of another kind: saved into a picture file it is the whole data file,
// and in a document it comes back byte for byte.
TEST_F(FileTube, PictSizeFieldNamesAKindOnlyWithItsForm) {
  for (std::uint16_t field : {3, 5, 7, 9, 11}) {
    SCOPED_TRACE(field);
    Bytes pict = MakePicture(kKxPictPICT, std::uint8_t(field));
    pict.resize(std::max<std::size_t>(pict.size(), 64), 0x11);
    KxPutU16BE(pict.data(), field);
    const std::string path = Path("p" + std::to_string(field) + ".pict");
    CKXTextFileTube w;
    std::string message;
    ASSERT_EQ(w.OpenWrite(path, 0, 0, EKXLayout::kClassic, message), 0);
    ASSERT_TRUE(w.PutFlavor(FourCC("PICT"), pict.data(), long(pict.size())));
    ASSERT_EQ(w.Commit(message), 0) << message;
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), std::size_t(kKxPictFileHeader) + pict.size());
    EXPECT_TRUE(std::equal(pict.begin(), pict.end(), file.begin() + kKxPictFileHeader));
    EXPECT_FALSE(fs::exists(KxSidecarPath(path)));
    CKXTextFileTube r;
    ASSERT_EQ(r.OpenRead(path, message), 0);
    Bytes back;
    ASSERT_TRUE(r.GetFlavorData(FourCC("PICT"), back));
    EXPECT_EQ(back, pict);
    for (EKXLayout layout : kLayouts) {
      const std::string doc = Path("d" + std::to_string(field) + (layout == EKXLayout::kClassic ? ".txt" : ".kxt"));
      CKXTextFileTube dw;
      ASSERT_EQ(dw.OpenWrite(doc, FourCC("TEXT"), 0, layout, message), 0);
      dw.PutFlavor(FourCC("TEXT"), "\xCA", 1);
      ASSERT_TRUE(dw.PutFlavor(FourCC("PICT"), pict.data(), long(pict.size())));
      ASSERT_EQ(dw.Commit(message), 0) << message;
      CKXTextFileTube dr;
      ASSERT_EQ(dr.OpenRead(doc, message), 0);
      ASSERT_TRUE(dr.GetFlavorData(FourCC("PICT"), back));
      EXPECT_EQ(back, pict);
      bool storedAsPict = false;
      for (const auto& item : dr.ListStored()) storedAsPict = storedAsPict || item.type == FourCC("PICT");
      EXPECT_TRUE(storedAsPict);
    }
  }
}

// A stand-in for the JPEG converter: "\xFF\xD8", a mode byte, the width
// and height (32-bit big-endian). Mode 0 decodes into width x height
// pixels, 1 gives one pixel short, 2 fails, 3 throws.
bool FakeJPEGToPixels(const unsigned char* data, long length, KxPicturePixels& out) {
  if (length < 11 || data[2] == 2) return false;
  if (data[2] == 3) throw std::runtime_error("broken");
  out.width = std::int32_t(KxGetU32BE(data + 3));
  out.height = std::int32_t(KxGetU32BE(data + 7));
  out.rgb.assign(std::size_t(std::max<std::int64_t>(std::int64_t(out.width) * out.height * 3 - data[2] * 3, 0)), 9);
  return true;
}
Bytes FakeJPEG(std::uint8_t mode, std::uint32_t width, std::uint32_t height, std::size_t tail = 0) {
  Bytes b(11 + tail, 0x5A);
  b[0] = 0xFF, b[1] = 0xD8, b[2] = mode;
  KxPutU32BE(b.data() + 3, width);
  KxPutU32BE(b.data() + 7, height);
  return b;
}

// A JPEG picture in memory is its JPEG behind the placeholder picture under
// its frame, never its pixels, and a document of such pictures (and others,
// and a run whose picture is gone) reads back the same pictures in place.
TEST_F(FileTube, JPEGPicturesHoldNoPixels) {
  const KxPictureConverter before = KxGetPictureConverter(kKxPictureKindJPEG);
  KxSetPictureConverter(kKxPictureKindJPEG, FakeJPEGToPixels);
  const std::size_t head = (CKXTextFileTube::GetDummyPict().size() + 15) / 16 * 16 + 16;
  auto form = [](const Bytes& jpeg) { return CKXTextFileTube::GetPictureFromJPEG(jpeg.data(), long(jpeg.size())); };
  const Bytes photo = FakeJPEG(0, 3264, 2448, 3000), wide = FakeJPEG(0, 32767, 1, 100);
  for (const Bytes* jpeg : {&photo, &wide}) {
    const Bytes pict = form(*jpeg);
    ASSERT_EQ(pict.size(), head + jpeg->size());
    std::int32_t w = 0, h = 0;
    ASSERT_TRUE(KxPictFrameSize(pict.data(), pict.size(), w, h));
    EXPECT_EQ(Bytes({0, 11, 0, 0, 0, 0}), Bytes(pict.begin(), pict.begin() + 6));
    EXPECT_EQ(std::uint32_t(w), KxGetU32BE(jpeg->data() + 3));
    EXPECT_EQ(std::uint32_t(h), KxGetU32BE(jpeg->data() + 7));
    EXPECT_EQ(KxPictJPEGDataOffset(pict.data(), long(pict.size())), long(head));
    EXPECT_TRUE(std::equal(jpeg->begin(), jpeg->end(), pict.begin() + std::ptrdiff_t(head)));
  }
  // What the decoded picture refused is refused still.
  for (const Bytes& bad : {FakeJPEG(0, 32768, 1), FakeJPEG(0, 4097, 4096), FakeJPEG(0, 0, 5), FakeJPEG(1, 20, 10),
                           FakeJPEG(2, 20, 10), FakeJPEG(3, 20, 10)})
    EXPECT_TRUE(form(bad).empty()) << KxGetU32BE(bad.data() + 3) << " x " << KxGetU32BE(bad.data() + 7);

  const std::vector<Bytes> inserted = {form(photo), MakePicture(kKxPictPICT, 3), form(FakeJPEG(0, 17, 9)), form(photo)};
  for (EKXLayout layout : kLayouts) {
    SKXDocument doc;
    std::string text;
    std::vector<SKXDeco> runs;
    for (std::size_t k = 0; k <= inserted.size(); ++k) {
      SKXDeco pict{std::int32_t(text.size() + 2), {}, 0};
      pict.deco.pictID = 32000;   // the last names a picture the table does not have
      if (k < inserted.size()) {
        PicHandle h = KxMemHAlloc(long(inserted[k].size()), true);
        std::memcpy(*h, inserted[k].data(), inserted[k].size());
        pict.deco.pictID = CKXDecoArray::SetPicture(h);
      }
      runs.insert(runs.end(), {SKXDeco{std::int32_t(text.size()), {}, 0}, pict});
      text += "ab\xCA";
    }
    doc.text->InsertText(0, text.data(), long(text.size()), nullptr, 0, runs.data(), long(runs.size()), nullptr, 0,
                         nullptr, 0);
    const std::string path = Path(layout == EKXLayout::kClassic ? "p.txt" : "p.kxt");
    std::string message;
    ASSERT_EQ(KxWriteDocument(path, doc, layout, message), 0) << message;
    SKXDocument back;
    ASSERT_EQ(KxReadDocument(path, back, message), 0) << message;
    ASSERT_EQ(TextOf(back), text);
    std::vector<SKXDeco> got(runs.size() + 2);
    got.resize(std::size_t(back.text->GetDecos(got.data(), long(got.size()))));
    std::vector<Bytes> pictures;
    for (const SKXDeco& run : got) {
      short w = 0, h = 0;
      if (const PicHandle pict = CKXDecoArray::GetPicture(run.deco.pictID, w, h)) {
        EXPECT_EQ(run.offset % 3, 2);
        pictures.emplace_back(*pict, *pict + KxMemHSize(pict));
      }
    }
    EXPECT_EQ(pictures, inserted);
  }
  KxSetPictureConverter(kKxPictureKindJPEG, before);
}

TEST_F(FileTube, PictureFileHeader) {
  const std::string path = Path("scan.pict");
  WriteBytes(path, Bytes(300, 1));
  CKXTextFileTube r;
  std::string message;
  ASSERT_EQ(r.OpenRead(path, message), 0);
  EXPECT_EQ(r.GetFileType(), FourCC("PICT"));
  EXPECT_FALSE(r.PictureExists());
  EXPECT_EQ(r.GetPictureSize(), 0);
  Bytes b(600, 0);
  b[512] = 0x12;
  WriteBytes(path, b);
  CKXTextFileTube r2;
  ASSERT_EQ(r2.OpenRead(path, message), 0);
  ASSERT_TRUE(r2.PictureExists());
  EXPECT_EQ(r2.GetPictureSize(), 88);
  Bytes back;
  ASSERT_TRUE(r2.GetFlavorData(FourCC("PICT"), back));
  EXPECT_EQ(back.size(), 88u);
  EXPECT_EQ(back[0], 0x12);
  EXPECT_FALSE(r2.PictureExists());  // one picture in a picture file
}

// A picture file is one picture: the data file is picture 1000 and no
// other number; its document holds the picture, or the file is refused.
TEST_F(FileTube, PictureFilesHoldOnePicture) {
  WriteBytes(Path("note.jpg"), Str("not a jpeg!\n"));
  CKXTextFileTube r;
  std::string message;
  ASSERT_EQ(r.OpenRead(Path("note.jpg"), message), 0);
  EXPECT_EQ(r.GetFileType(), FourCC("JPEG"));
  int pictures = 0;
  for (; pictures < 5 && r.PictureExists(); ++pictures) {
    Bytes b;
    ASSERT_TRUE(r.GetFlavorData(FourCC("PICT"), b));
  }
  EXPECT_EQ(pictures, 1);
  SKXDocument doc;
  EXPECT_NE(KxReadDocument(Path("note.jpg"), doc, message), 0);  // does not decode
  EXPECT_NE(message.find("note.jpg"), std::string::npos);

  Bytes pictFile(std::size_t(kKxPictFileHeader), 0);
  const Bytes pict = MakePicture(kKxPictPICT, 7);
  pictFile.insert(pictFile.end(), pict.begin(), pict.end());
  WriteBytes(Path("scan.pict"), pictFile);
  SKXDocument pd;
  ASSERT_EQ(KxReadDocument(Path("scan.pict"), pd, message), 0) << message;
  EXPECT_FALSE(pd.plain);
  EXPECT_TRUE(KxIsForeignDocument(pd.fileType));
  EXPECT_EQ(pd.type, FourCC("TEXT"));   // a styled text of ours now
  ASSERT_EQ(TextOf(pd), "\xCA");
  SKXDeco deco[2] = {};
  ASSERT_GE(pd.text->GetDecos(deco, 2), 1);
  EXPECT_GT(deco[0].deco.pictID, 0);

  // Nothing readable: refused, never an empty document.
  WriteBytes(Path("empty.pict"), Bytes(100, 0));
  WriteBytes(Path("clip.mov"), Str("moov"));
  for (const char* name : {"empty.pict", "clip.mov"}) {
    message.clear();
    EXPECT_NE(KxReadDocument(Path(name), doc, message), 0) << name;
    EXPECT_FALSE(message.empty()) << name;
  }
  EXPECT_FALSE(KxIsForeignDocument(FourCC("TEXT")));
  EXPECT_FALSE(KxIsForeignDocument(FourCC("ttro")));
}

// A container is our styled text whatever its name: copied elsewhere it
// stays text, never a picture file without its picture.
TEST_F(FileTube, ContainerUnderAPictureNameIsText) {
  WriteStyled(Path("odd.pict"), "hello", SampleSettings(), EKXLayout::kContainer);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(Path("odd.pict"), doc, message), 0) << message;
  EXPECT_EQ(doc.layout, EKXLayout::kContainer);
  EXPECT_EQ(doc.type, FourCC("TEXT"));
  ASSERT_EQ(KxWriteDocument(Path("out.txt"), doc, EKXLayout::kClassic, message), 0) << message;
  SKXDocument back;
  ASSERT_EQ(KxReadDocument(Path("out.txt"), back, message), 0) << message;
  EXPECT_EQ(TextOf(back), "hello");
}

// Plain text copied into the container gets a new document's settings,
// and no window record is ever written with font size 0.
TEST_F(FileTube, CopiedPlainTextGetsANewDocumentsSettings) {
  WriteBytes(Path("plain.txt"), Str("hello\r"));
  const SKXDocSettings fresh = KxNewDocumentSettings();
  ASSERT_GT(fresh.window.fontSize, 0);
  ASSERT_GT(fresh.pref.paperV, 0);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(Path("plain.txt"), doc, message), 0);
  ASSERT_EQ(KxWriteDocument(Path("copy.kxt"), doc, EKXLayout::kContainer, message), 0) << message;
  SKXDocument bare;   // settings never filled in
  bare.text->SetText("x", 1, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  ASSERT_EQ(KxWriteDocument(Path("bare.kxt"), bare, EKXLayout::kContainer, message), 0) << message;
  for (const char* name : {"copy.kxt", "bare.kxt"}) {
    SCOPED_TRACE(name);
    CKXTextFileTube r;
    ASSERT_EQ(r.OpenRead(Path(name), message), 0);
    Bytes b;
    SKXWindowRec w;
    ASSERT_TRUE(r.GetFlavorData(kKxRecMPSR, b));
    ASSERT_TRUE(KxReadMPSR(b.data(), long(b.size()), kKxNativeOrder, w));
    EXPECT_EQ(w.fontSize, fresh.window.fontSize);
    EXPECT_EQ(w.fontName, fresh.window.fontName);
    EXPECT_EQ(w.spaceWidth, fresh.window.spaceWidth);
  }
  CKXTextFileTube r;
  ASSERT_EQ(r.OpenRead(Path("copy.kxt"), message), 0);
  Bytes b;
  SDocPref pref;
  ASSERT_TRUE(r.GetFlavorData(kKxRecKXSR, b));
  ASSERT_TRUE(KxReadKXSR(b.data(), long(b.size()), kKxNativeOrder, pref));
  EXPECT_EQ(pref.paperV, fresh.pref.paperV);
  EXPECT_EQ(pref.paperH, fresh.pref.paperH);
  EXPECT_GT(pref.textArea.bottom, pref.textArea.top);
  EXPECT_GT(pref.textArea.right, pref.textArea.left);
}

TEST_F(FileTube, ContainerFooterDecidesTheLayout) {
  WriteStyled(Path("a.txt"), "hello", SampleSettings(), EKXLayout::kContainer);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(Path("a.txt"), doc, message), 0);
  EXPECT_EQ(doc.layout, EKXLayout::kContainer);
  EXPECT_EQ(TextOf(doc), "hello");
  // Magic damaged: plain text, footer bytes included.
  Bytes b = ReadBytes(Path("a.txt"));
  Bytes damaged = b;
  damaged.back() ^= 0x20;
  WriteBytes(Path("b.txt"), damaged);
  ASSERT_EQ(KxReadDocument(Path("b.txt"), doc, message), 0);
  EXPECT_EQ(doc.layout, EKXLayout::kClassic);
  EXPECT_EQ(doc.text->GetLength(), long(damaged.size()));
  // Footer sound, maps unreadable: refused rather than read as text.
  Bytes maps = b;
  const std::size_t foot = maps.size() - 20;
  KxPutU16N(maps.data() + foot + 12, 30000);  // more maps than the file holds
  WriteBytes(Path("c.txt"), maps);
  EXPECT_NE(KxReadDocument(Path("c.txt"), doc, message), 0);
  EXPECT_FALSE(message.empty());
  // A text that ends as a container ends is not saved as a text file,
  // which would not open again, and the file there stays; as a container
  // it saves and reads back.
  const std::string tail(b.end() - 20, b.end());
  SKXDocument ends;
  ends.text->SetText(("text " + tail).data(), long(tail.size() + 5), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  WriteBytes(Path("d.txt"), Bytes{'o', 'l', 'd'});
  for (const bool plain : {true, false}) {
    ends.plain = plain;
    message.clear();
    EXPECT_NE(KxWriteDocument(Path("d.txt"), ends, EKXLayout::kClassic, message), 0);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(ReadBytes(Path("d.txt")), (Bytes{'o', 'l', 'd'}));
  }
  ASSERT_EQ(KxWriteDocument(Path("d.kxt"), ends, EKXLayout::kContainer, message), 0) << message;
  ASSERT_EQ(KxReadDocument(Path("d.kxt"), doc, message), 0) << message;
  EXPECT_EQ(TextOf(doc), "text " + tail);
}

TEST_F(FileTube, ForeignByteOrderKeepsMarksNotPlaces) {
  const KxByteOrder other = kKxNativeOrder == KxByteOrder::kBig ? KxByteOrder::kLittle : KxByteOrder::kBig;
  const SKXDocSettings s = SampleSettings();
  Bytes mpsr, kxsr, mark, rank, line;
  KxWriteMPSR(s.window, other, mpsr);
  KxWriteKXSR(s.pref, other, kxsr);
  KxWriteMARK(s.marks, other, mark);
  KxWriteRANK(s.rank, other, rank);
  KxWriteLINE(s.lineRestarts, other, line);
  const Bytes file = ForeignContainer({{kKxRecKXSR, 1000, kxsr}, {kKxRecKXSR, 1002, line}, {kKxRecKXSR, 1007, rank},
                                       {kKxRecMPSR, 1005, mpsr}, {kKxRecMPSR, 1007, mark},
                                       {FourCC("TEXT"), 1, Str("abcdefgh")}});
  WriteBytes(Path("foreign.kxt"), file);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(Path("foreign.kxt"), doc, message), 0) << message;
  EXPECT_EQ(TextOf(doc), "abcdefgh");
  const SKXDocSettings& got = doc.settings;
  ASSERT_EQ(got.marks.size(), 2u);
  EXPECT_EQ(got.marks[1].start, 4);
  EXPECT_EQ(got.marks[1].name, "second");
  EXPECT_TRUE(got.hasRank);
  EXPECT_EQ(got.rank.levels, s.rank.levels);
  EXPECT_EQ(got.rank.rect[2], 0);
  EXPECT_EQ(got.window.bounds.bottom, 0);
  EXPECT_EQ(got.window.fontName, "IPAMincho");
  EXPECT_EQ(got.window.selEnd, 5u);
  EXPECT_EQ(got.pref.headerText, "page");
  EXPECT_EQ(got.pref.scale, 150);
  EXPECT_EQ(got.lineRestarts, s.lineRestarts);
}

TEST_F(FileTube, StaleSidecarIsNoticedAndKept) {
  const std::string path = Path("s.txt");
  WriteStyled(path, "styled text", SampleSettings(), EKXLayout::kClassic);
  ASSERT_TRUE(fs::exists(KxSidecarPath(path)));
  WriteBytes(path, Str("rewritten by an editor"));
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(path, doc, message), 0);
  EXPECT_FALSE(doc.notice.empty());
  EXPECT_EQ(TextOf(doc), "rewritten by an editor");
  EXPECT_TRUE(doc.settings.marks.empty());
  EXPECT_TRUE(fs::exists(KxSidecarPath(path)));
  // The next save makes the sidecar right again.
  doc.settings = SampleSettings();
  ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kClassic, message), 0);
  SKXDocument again;
  ASSERT_EQ(KxReadDocument(path, again, message), 0);
  EXPECT_TRUE(again.notice.empty());
  EXPECT_EQ(again.settings.marks.size(), 2u);
}

// A styled text written as EUC-JP with CR LF meets its runs again; one
// that does not read back to the length its runs count in (an encoded
// word of mail, which reading JIS decodes) is read as plain text rather
// than with its styles on the wrong characters.
TEST_F(FileTube, TextSpellingBringsRunsBackOrLeavesThemOut) {
  struct Case {
    std::string text;        // Shift_JIS with CR
    std::uint16_t encoding;
    std::string file;        // what the data file holds
    bool runs;
  } cases[] = {
      {"\x82\xa0\x82\xa2\x82\xa4\rab", 2, "\xa4\xa2\xa4\xa4\xa4\xa6\r\nab", true},
      {"=?ISO-2022-JP?B?GyRCJCIbKEI=?= ab", 1, "=?ISO-2022-JP?B?GyRCJCIbKEI=?= ab", false},
  };
  for (const Case& c : cases) {
    const std::string path = Path("spelt.txt");
    SKXDocument doc;
    doc.text->SetText(c.text.data(), long(c.text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    SKXStyl first{};
    ASSERT_EQ(doc.text->GetStyls(&first, 1), 1);
    SStyl bold = first.styl;
    bold.face = 1;
    doc.text->SetStyl(2, 4, bold);
    doc.settings = SampleSettings();
    doc.spelling = SKXTextSpelling{c.encoding, 1, 0};
    std::string message;
    ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kClassic, message), 0) << message;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.file);

    SKXDocument back;
    ASSERT_EQ(KxReadDocument(path, back, message), 0) << message;
    EXPECT_EQ(back.stale, !c.runs);
    if (c.runs) {
      EXPECT_EQ(TextOf(back), c.text);
      EXPECT_EQ(back.spelling.encoding, 2);
      EXPECT_EQ(back.spelling.lineEnd, 1);
      SKXStyl runs[3] = {};
      ASSERT_EQ(back.text->GetStyls(runs, 3), 3);
      EXPECT_EQ(runs[1].offset, 2);
      EXPECT_EQ(runs[1].styl.face, 1);
      EXPECT_EQ(back.settings.marks.size(), 2u);
    } else {
      EXPECT_FALSE(back.notice.empty());
      EXPECT_LE(back.text->GetStylCount(), 1);
      EXPECT_TRUE(back.settings.marks.empty());
    }
  }
}

// An RTF converter that keeps the bytes as they are, for the plumbing
// around the real one (which a higher area installs).
class VerbatimRTF : public KxTextConverter {
 public:
  bool Import(const void* data, long length, CKXText& text, short* flags, RTFKXDoc*) override {
    text.InsertText(text.GetLength(), static_cast<const char*>(data), length, nullptr, 0, nullptr, 0, nullptr, 0,
                    nullptr, 0);
    if (flags) *flags = kKxImportRead;
    return true;
  }
  bool Export(const CKXText& text, long start, long end, short, const RTFKXDoc*, std::string& out) override {
    if (end < 1) end = text.GetLength();
    out.assign(std::size_t(end - start), '\0');
    text.GetSelText(start, end, out.data(), long(out.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    return true;
  }
};
struct ScopedRTF {
  VerbatimRTF converter;
  ScopedRTF() { KxRegisterConverter(FourCC("RTF "), ".rtf", &converter); }
  ~ScopedRTF() { KxRegisterConverter(FourCC("RTF "), ".rtf", nullptr); }
};

TEST_F(FileTube, RtfAndPlainSavesLeaveNoRecords) {
  ScopedRTF rtf;
  struct Case {
    const char* name;
    bool plain;
    bool foreign;
    bool sidecarAfter;
  } cases[] = {{"a.rtf", false, false, false}, {"b.rtf", false, true, true}, {"c.txt", true, false, false}};
  for (const Case& c : cases) {
    const std::string path = Path(c.name);
    WriteStyled(path, "text", SampleSettings(), EKXLayout::kClassic);
    if (c.foreign) {
      KxResFork fork;
      ASSERT_EQ(KxReadResourceFork(path, fork), 0);
      fork.Put(FourCC("icns"), 128, "icon", 4);
      ASSERT_EQ(KxWriteResourceFork(path, fork), 0);
    }
    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(path, doc, message), 0);
    doc.plain = c.plain;
    ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kClassic, message), 0) << message;
    EXPECT_EQ(fs::exists(KxSidecarPath(path)), c.sidecarAfter) << c.name;
    KxResFork fork;
    ASSERT_EQ(KxReadResourceFork(path, fork), 0);
    for (const KxResForkItem& item : fork.Items()) {
      EXPECT_TRUE(item.type == kKxTextCheckType || item.type == FourCC("icns")) << c.name;
    }
  }
}

TEST_F(FileTube, ContainerOverASidecarKeepsTypeAndCreator) {
  const std::string path = Path("doc.txt");
  WriteStyled(path, "text", SampleSettings(), EKXLayout::kClassic);
  ASSERT_EQ(KxSetFileTypeCreator(path, FourCC("ttro"), FourCC("ABCD")), 0);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(path, doc, message), 0);
  ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kContainer, message), 0);
  KxResFork fork;
  ASSERT_EQ(KxReadResourceFork(path, fork), 0);
  EXPECT_TRUE(fork.Empty());
  OSType type = 0, creator = 0;
  EXPECT_TRUE(KxGetFileTypeCreator(path, type, creator));
  EXPECT_EQ(type, FourCC("ttro"));
  EXPECT_EQ(creator, FourCC("ABCD"));
  SKXDocument back;
  ASSERT_EQ(KxReadDocument(path, back, message), 0);
  EXPECT_EQ(back.layout, EKXLayout::kContainer);
  EXPECT_EQ(TextOf(back), "text");
}

TEST_F(FileTube, BackupsKeepTheirSidecars) {
  const std::string path = Path("b.txt");
  SKXDocSettings first = SampleSettings();
  first.pref.headerText = "one";
  WriteStyled(path, "version one", first, EKXLayout::kClassic, 1);
  const Bytes firstSidecar = ReadBytes(KxSidecarPath(path));
  WriteStyled(path, "version two", SampleSettings(), EKXLayout::kClassic, 1);
  const std::string backup = Path(KxBackupName("b.txt", 1));
  ASSERT_TRUE(fs::exists(backup));
  EXPECT_EQ(ReadBytes(KxSidecarPath(backup)), firstSidecar);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(backup, doc, message), 0);
  EXPECT_TRUE(doc.notice.empty());
  EXPECT_EQ(doc.settings.pref.headerText, "one");
}

TEST_F(FileTube, CountsThatDoNotFitFailTheSave) {
  const std::string path = Path("many.txt");
  WriteBytes(path, Str("old"));
  SKXDocument doc;
  const std::string text(70000, 'a');
  doc.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  for (int i = 0; i < 65536; ++i) doc.settings.marks.push_back({i, i + 1, ""});
  for (EKXLayout layout : kLayouts) {
    std::string message;
    EXPECT_NE(KxWriteDocument(path, doc, layout, message), 0);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(ReadBytes(path), Str("old"));
    EXPECT_FALSE(fs::exists(KxSidecarPath(path)));
  }
  // The rank's count is narrower: 32768 marks fit "MARK" but not "RANK".
  doc.settings.marks.resize(32768);
  std::string message;
  EXPECT_NE(KxWriteDocument(path, doc, EKXLayout::kContainer, message), 0);
  EXPECT_EQ(ReadBytes(path), Str("old"));
}

TEST_F(FileTube, ReadsIntoAShortBufferClearTheRest) {
  WriteStyled(Path("k.kxt"), "abc", SampleSettings(), EKXLayout::kContainer);
  CKXTextFileTube r;
  std::string message;
  ASSERT_EQ(r.OpenRead(Path("k.kxt"), message), 0);
  const long size = r.GetFlavorSize(kKxRecKXSR);
  ASSERT_EQ(size, 84);
  std::vector<std::uint8_t> buf(100, 0xAA);
  EXPECT_EQ(r.GetFlavorData(kKxRecKXSR, buf.data(), 40), 40);
  EXPECT_EQ(buf[40], 0xAA);  // nothing past the caller's size
  EXPECT_EQ(r.GetFlavorData(kKxRecKXSR, buf.data(), 100), 84);
  for (long i = size; i < 100; ++i) EXPECT_EQ(buf[std::size_t(i)], 0) << i;
}

}  // namespace

namespace {

TEST_F(FileTube, MacSidecarEntriesSurviveASave) {
  const std::string path = Path("mac.txt");
  WriteBytes(path, Str("text from a Mac\r"));
  fs::copy_file(KxSourceDir() + "/tests/data/document/mac-sidecar", KxSidecarPath(path));
  KxAppleDouble before;
  ASSERT_EQ(KxReadSidecar(path, before), 0);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(path, doc, message), 0) << message;
  doc.settings.marks = {{0, 4, "text"}};
  ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kClassic, message), 0) << message;
  KxAppleDouble after;
  ASSERT_EQ(KxReadSidecar(path, after), 0);
  for (const KxAppleDouble::Entry& e : before.Entries()) {
    if (e.id == KxAppleDouble::kResourceForkID) continue;
    const KxAppleDouble::Entry* kept = after.Find(e.id);
    ASSERT_NE(kept, nullptr) << e.id;
    EXPECT_EQ(kept->data, e.data) << e.id;
  }
  SKXDocument back;
  ASSERT_EQ(KxReadDocument(path, back, message), 0);
  ASSERT_EQ(back.settings.marks.size(), 1u);
  EXPECT_EQ(back.settings.marks[0].name, "text");
}

}  // namespace

namespace {

// A plain file is kept to its last byte, even when that byte would begin a
// two-byte character (a cut file, or bytes of another encoding read as
// they are): nothing follows the end of a whole text to join it.
TEST_F(FileTube, PlainFilesKeepTheirLastByte) {
  for (const std::string& bytes : {std::string("abc\x82"), std::string("\xE6\x97\xA5\n\xE6\x9C\x80\xE5\xBE\x8C")}) {
    const std::string in = Path("in.txt"), out = Path("out.txt");
    WriteBytes(in, Str(bytes));
    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(in, doc, message), 0) << message;
    EXPECT_EQ(doc.text->GetLength(), long(bytes.size()));
    ASSERT_EQ(KxWriteDocument(out, doc, EKXLayout::kClassic, message), 0) << message;
    EXPECT_EQ(ReadBytes(out), Str(bytes));
  }
}

}  // namespace

namespace {

// A text over several of the writer's 1 MB pieces, with two-byte characters
// across every piece boundary.
std::string LargeText() {
  std::string s;
  const std::string line = "\x93\xFA\x96\x7B\x8C\xEA text \x82\xA0\r";
  while (s.size() < (3u << 20) + 5) s += line;
  return s;
}

// The text goes to the file from the store piece by piece: the same bytes
// as whole, in both layouts, alone or with a sidecar whose check must
// match, and through a batch.
TEST_F(FileTube, LargeTextsAreWrittenByPieces) {
  const std::string text = LargeText();
  for (EKXLayout layout : kLayouts) {
    for (bool styled : {false, true}) {
      const std::string path = Path(std::string(styled ? "s" : "p") + (layout == EKXLayout::kClassic ? "c" : "k") + ".txt");
      WriteStyled(path, text, styled ? SampleSettings() : SKXDocSettings(), layout);
      SKXDocument doc;
      std::string message;
      ASSERT_EQ(KxReadDocument(path, doc, message), 0) << message;
      EXPECT_TRUE(doc.notice.empty()) << doc.notice;
      EXPECT_EQ(TextOf(doc), text);
      if (layout == EKXLayout::kClassic) {
        EXPECT_EQ(ReadBytes(path), Str(text));
      }
      if (styled) {
        EXPECT_EQ(doc.settings.marks.size(), 2u);
      }
    }
  }
  const std::string path = Path("batch.txt");
  SKXDocument doc;
  doc.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  doc.settings = SampleSettings();
  std::string message;
  {
    CKXSafeBatch batch;
    ASSERT_EQ(KxWriteDocument(path, doc, EKXLayout::kClassic, message, 0, &batch), 0) << message;
    EXPECT_FALSE(fs::exists(path));
    ASSERT_EQ(batch.Commit(), 0);
  }
  EXPECT_EQ(ReadBytes(path), Str(text));
  SKXDocument again;
  ASSERT_EQ(KxReadDocument(path, again, message), 0) << message;
  EXPECT_TRUE(again.notice.empty()) << again.notice;
}

// A source that ends before its size fails the save; the old file stays
// whole and no temporary is left.
TEST_F(FileTube, ShortSourceFailsTheSave) {
  const std::string path = Path("short.txt");
  WriteBytes(path, Str("old text"));
  for (bool withSidecar : {false, true}) {
    CKXTextFileTube tube;
    std::string message;
    ASSERT_EQ(tube.OpenWrite(path, FourCC("TEXT"), FourCC("KXTE"), EKXLayout::kClassic, message), 0);
    const std::string text = LargeText();
    ASSERT_TRUE(tube.PutDataFileFrom(FourCC("TEXT"), long(text.size()), [&](long at, std::uint8_t* buf, long n) {
      n = std::min<long>(n, long(text.size()) - at - 10);  // ten bytes short
      std::memcpy(buf, text.data() + at, std::size_t(n));
      return n;
    }));
    EXPECT_EQ(tube.GetFlavorSize(FourCC("TEXT")), long(text.size()));
    if (withSidecar) tube.PutFlavor(kKxRecMARK, "\0\0", 2);
    EXPECT_NE(tube.Commit(message), 0);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(ReadBytes(path), Str("old text"));
    for (const auto& entry : fs::directory_iterator(dir))
      EXPECT_EQ(entry.path().filename().string().find(".kxsave-"), std::string::npos) << entry.path();
  }
  // Only the classic data file goes by pieces.
  CKXTextFileTube container;
  std::string message;
  ASSERT_EQ(container.OpenWrite(path, FourCC("TEXT"), 0, EKXLayout::kContainer, message), 0);
  EXPECT_FALSE(container.PutDataFileFrom(FourCC("TEXT"), 1, [](long, std::uint8_t*, long) { return 1L; }));
}

// Reading moves the data file out of the tube once; a second read of it
// finds nothing rather than an empty text.
TEST_F(FileTube, TakenDataFileIsGone) {
  const std::string path = Path("t.txt");
  WriteBytes(path, Str("some text"));
  CKXTextFileTube tube;
  std::string message;
  ASSERT_EQ(tube.OpenRead(path, message), 0);
  Bytes bytes;
  ASSERT_TRUE(tube.TakeFlavorData(FourCC("TEXT"), bytes));
  EXPECT_EQ(bytes, Str("some text"));
  EXPECT_FALSE(tube.GetFlavorData(FourCC("TEXT"), bytes));
  EXPECT_TRUE(bytes.empty());
}

// A caller that reads plain text in its own encoding is spared the text;
// a styled document is read whole all the same.
TEST_F(FileTube, PlainTextLeftToTheCaller) {
  const std::string plain = Path("plain.txt"), styled = Path("styled.txt");
  WriteBytes(plain, Str("plain text"));
  WriteStyled(styled, "styled text", SampleSettings(), EKXLayout::kClassic);
  SKXDocument doc;
  std::string message;
  ASSERT_EQ(KxReadDocument(plain, doc, message, false), 0) << message;
  EXPECT_TRUE(doc.plain);
  EXPECT_EQ(doc.text->GetLength(), 0);
  SKXDocument other;
  ASSERT_EQ(KxReadDocument(styled, other, message, false), 0) << message;
  EXPECT_FALSE(other.plain);
  EXPECT_EQ(TextOf(other), "styled text");
  EXPECT_EQ(other.settings.marks.size(), 2u);
}

}  // namespace

namespace {

// A plain text is read from the file straight into the store in pieces:
// the same text, runs and all, as inserting it whole, also where no piece
// can end for megabytes (double-byte text without a line end) and where
// a lone lead byte ends the file. Only a plain classic file is read so.
TEST_F(FileTube, PlainTextsAreReadInPieces) {
  std::string kana;
  for (int k = 0; k < 700000; ++k) kana += "\x82\xA0";  // no byte below 0x40
  for (const std::string& bytes : {LargeText() + kana + "end\x82", kana, std::string()}) {
    const std::string path = Path("big.txt");
    WriteBytes(path, Str(bytes));
    {
      CKXTextFileTube tube;
      std::string message;
      ASSERT_EQ(tube.OpenRead(path, message, true), 0);
      EXPECT_TRUE(tube.IsDataFileDeferred());
      EXPECT_EQ(tube.DeferredDataFileSize(), bytes.size());
    }
    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(path, doc, message), 0) << message;
    EXPECT_TRUE(doc.plain);
    EXPECT_EQ(doc.text->Check(), "");
    ASSERT_EQ(TextOf(doc), bytes);
    CKXText whole;
    whole.InsertText(0, bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    for (OSType flavor : {FourCC("styl"), FourCC("styw"), FourCC("styx")}) {
      KxFlavorBytes a, b;
      CKXTextFlavorWriter(*doc.text, 0, doc.text->GetLength()).MakeFlavor(flavor, a);
      CKXTextFlavorWriter(whole, 0, whole.GetLength()).MakeFlavor(flavor, b);
      EXPECT_EQ(a, b);
    }
  }
  // A sidecar, a container: read whole as before.
  const std::string styled = Path("styled.txt"), container = Path("container.kxt");
  WriteStyled(styled, "styled", SampleSettings(), EKXLayout::kClassic);
  WriteStyled(container, "contained", SampleSettings(), EKXLayout::kContainer);
  for (const std::string& path : {styled, container}) {
    CKXTextFileTube tube;
    std::string message;
    ASSERT_EQ(tube.OpenRead(path, message, true), 0);
    EXPECT_FALSE(tube.IsDataFileDeferred()) << path;
  }
}

// Whatever needs a deferred file's bytes whole gets them.
TEST_F(FileTube, DeferredTextReadWholeWhenAsked) {
  const std::string path = Path("d.txt");
  WriteBytes(path, Str("deferred text"));
  CKXTextFileTube tube;
  std::string message;
  ASSERT_EQ(tube.OpenRead(path, message, true), 0);
  ASSERT_TRUE(tube.IsDataFileDeferred());
  EXPECT_EQ(tube.GetFlavorSize(FourCC("TEXT")), 13);
  EXPECT_FALSE(tube.IsDataFileDeferred());
  Bytes bytes;
  ASSERT_TRUE(tube.GetFlavorData(FourCC("TEXT"), bytes));
  EXPECT_EQ(bytes, Str("deferred text"));
}

// Neither a pipe (which would wait for a writer for ever) nor a file
// larger than any text is read: each is refused at once, by its name.
TEST_F(FileTube, PipesAndHugeFilesAreRefusedByName) {
  alarm(20);
  ASSERT_EQ(mkfifo(Path("pipe.txt").c_str(), 0644), 0);
  WriteBytes(Path("huge.txt"), Str("x"));
  std::filesystem::resize_file(Path("huge.txt"), 3ull << 30);  // sparse: no disk
  for (bool deferred : {false, true}) {
    CKXTextFileTube pipe, huge;
    std::string message;
    EXPECT_EQ(pipe.OpenRead(Path("pipe.txt"), message, deferred), EINVAL);
    EXPECT_EQ(message, "\u300Cpipe.txt\u300Dは名前付きパイプで、ファイルではないため開けません。");
    EXPECT_EQ(huge.OpenRead(Path("huge.txt"), message, deferred), EFBIG);
    EXPECT_NE(message.find("\u300Chuge.txt\u300Dは大きすぎて開けません"), std::string::npos) << message;
  }
  SKXDocument doc;
  std::string message;
  EXPECT_EQ(KxReadDocument(Path("huge.txt"), doc, message, false), EFBIG);
  alarm(0);
}

}  // namespace
