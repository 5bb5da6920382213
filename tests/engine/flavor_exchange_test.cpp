// Flavor exchange through the four tubes: random styled ranges sent by one
// exchange and received by another come back identical, whatever carries
// them; and what the tubes promise at their edges (kinds, items, pictures,
// encodings, line ends, drops of files) holds.
#include "engine/flavor_exchange.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/styled_sample.h"
#include "engine/text_flavors.h"
#include "layer_fixture.h"
#include "engine/text_layer.h"
#include "layout/pict_jpeg.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/host/headless.h"
#include "platform/script.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/runs/runs.h"
#include "text/store/text.h"

namespace {

namespace fs = std::filesystem;
using kxtest::Bytes;
using kxtest::BuildSource;
using kxtest::ExpectSame;
using kxtest::MakePict;
using kxtest::PictBytes;

struct TempDir {
  fs::path path;
  TempDir() {
    char name[] = "/tmp/kx_exchange_XXXXXX";
    path = mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

// A file tube bound to an engine, as the document's is.
class EngineFileTube : public CKXFileTube {
 public:
  EngineFileTube(const std::string& path, CKXFlavorSender* engine, const SKXRange& range)
      : CKXFileTube(path, kKxFileReadWrite), mEngine(engine), mRange(range) {}
  void AddFlavor(OSType type) override { mEngine->SendFlavorTo(type, mRange, *this); }

 private:
  CKXFlavorSender* mEngine;
  SKXRange mRange;
};

// One transfer: sends the whole of `src` through a tube of `kind` and
// receives it into `dest` (a caller's text); answers the content mask.
short Transfer(CKXText& src, CKXText& dest, short kind, const TempDir& dir, SKXRange all = SKXRange{0, -1}) {
  CKXFlavorExchange sender(nullptr, &src);
  CKXFlavorExchange receiver(nullptr, &dest);
  const KXTextHandle into = KXHandleAccess::Wrap(&dest);
  short mask = -1;
  switch (kind) {
    case kKxTubeClipboard: {
      { CKXTextClipboardTube out(&sender, all); }
      CKXTextClipboardTube in;
      receiver.ReceiveDataFrom(all, in, into, &mask);
      break;
    }
    case kKxTubeDrag: {
      KxDragData drag;
      { CKXTextDragTube out(&drag, 7, &sender, all); }
      CKXTextDragTube in(&drag, 7);
      receiver.ReceiveDataFrom(all, in, into, &mask);
      break;
    }
    case kKxTubeDesc: {
      AEDesc desc;
      { CKXTextDescTube out(&desc, &sender, all); }
      CKXDescTube in(&desc, true);
      receiver.ReceiveDataFrom(all, in, into, &mask);
      break;
    }
    default: {
      const std::string path = dir.File("t.txt");
      {
        EngineFileTube out(path, &sender, all);
        sender.AddFlavorTypesTo(all, out);
        out.Close();
      }
      CKXFileTube in(path, kKxFileRead);
      receiver.ReceiveDataFrom(all, in, into, &mask);
      break;
    }
  }
  return mask;
}

// The plain-text file `exchange` saves at `path`, as its bytes.
std::string SaveText(CKXFlavorExchange& exchange, const std::string& path) {
  {
    CKXFileTube out(path, kKxFileReadWrite);
    exchange.SendFlavorTo(kKxFlavorText, SKXRange{0, -1}, out);
  }
  std::vector<std::uint8_t> file;
  EXPECT_EQ(KxReadFile(path, file), 0);
  return std::string(file.begin(), file.end());
}

// The text `exchange` opens from the file at `path` into `dest`.
void OpenText(CKXFlavorExchange& exchange, const std::string& path, CKXText& dest, short* mask = nullptr) {
  CKXFileTube in(path, kKxFileRead);
  exchange.ReceiveDataFrom(SKXRange{0, -1}, in, KXHandleAccess::Wrap(&dest), mask);
}

// The same, from a file of `bytes` written at `path` first.
void OpenBytes(CKXFlavorExchange& exchange, const std::string& path, const std::string& bytes, CKXText& dest) {
  ASSERT_EQ(KxWriteFileSafely(path, bytes.data(), bytes.size()), 0);
  OpenText(exchange, path, dest);
}

TEST(FlavorExchange, RandomRangesComeBackThroughEveryTube) {
  KxHeadlessHost host;
  TempDir dir;
  std::mt19937 rng(4023);
  const char* steps = std::getenv("KX_RANDOM_STEPS");
  const long count = steps ? std::atol(steps) : 60;
  for (long step = 0; step < count; ++step) {
    for (short kind : {kKxTubeClipboard, kKxTubeDrag, kKxTubeDesc, kKxTubeFile}) {
      SCOPED_TRACE("step " + std::to_string(step) + " kind " + std::to_string(kind));
      // A plain file tube holds one resource of each type: one picture.
      CKXText src;
      BuildSource(src, rng, 10 + int(rng() % 50), kind != kKxTubeFile);
      // A range from a line start to a random end, against the store's own
      // copy of it.
      const long len = src.GetLength();
      std::vector<long> starts{0};
      for (long k = 1; k < len; ++k)
        if (Bytes(src, k - 1, k) == "\r") starts.push_back(k);
      const long from = step % 3 == 0 ? 0 : starts[rng() % starts.size()];
      long to = step % 3 == 0 ? len : from + long(rng() % std::uint32_t(len - from + 1));
      while (to < len && to > from && (src.GetCharByte(to) == kByteLast)) --to;  // whole characters
      if (to == from) continue;  // an empty range offers nothing
      CKXText expected;
      src.CopyText(from, to, &expected, CKXText::kWhatAll);
      CKXText dest;
      const short mask = Transfer(src, dest, kind, dir, SKXRange{std::int32_t(from), std::int32_t(to - from)});
      ASSERT_EQ(dest.Check(), "");
      ExpectSame(expected, dest);
      EXPECT_GE(mask, 0);
    }
  }
}

TEST(FlavorExchange, TubesAtTheirEdges) {
  KxHeadlessHost host;
  TempDir dir;
  // A forwarding tube without an inner tube.
  CKXDataTube bare;
  EXPECT_EQ(bare.GetFlavorForType(), kKxTubeForward);
  EXPECT_EQ(bare.FlavorCount(), 0);
  EXPECT_EQ(bare.CountItems(), 0);
  EXPECT_FALSE(bare.FlavorExists(kKxFlavorAny));
  // A descriptor tube over a null descriptor.
  AEDesc null;
  CKXDescTube desc(&null, true);
  EXPECT_EQ(desc.FlavorCount(), 0);
  EXPECT_FALSE(desc.FlavorExists(kKxFlavorAny));
  // Flavor types of the clipboard count from 1.
  ScrapRef scrap = nullptr;
  ASSERT_EQ(UKXScrap::GetCurrentScrap(&scrap), noErr);
  OSType type = 0;
  EXPECT_EQ(UKXScrap::GetScrapFlavorType(scrap, 0, &type), paramErr);
  // Two pictures through one clipboard tube: "PICT" and the code above it.
  {
    CKXTextClipboardTube out(nullptr, SKXRange{0, 0});
    out.SetFlavorData(kKxFlavorPict, "ab", 2, kKxWholeFlavor);
    out.SetFlavorData(kKxFlavorPict, "cde", 3, kKxWholeFlavor);
  }
  std::vector<std::uint8_t> got;
  EXPECT_TRUE(host.GetClipboard(FourCC("PICT"), got) && got.size() == 2);
  EXPECT_TRUE(host.GetClipboard(FourCC("PICU"), got) && got.size() == 3);
  // A file tube over an empty file has "****"; it reads from offset 0
  // however often it is read, and a maximum below the size moves that many.
  const std::string path = dir.File("e.txt");
  ASSERT_EQ(KxWriteFileSafely(path, "", 0), 0);
  {
    CKXFileTube empty(path, kKxFileRead);
    EXPECT_TRUE(empty.FlavorExists(kKxFlavorAny));
    EXPECT_EQ(empty.GetFlavorSize(kKxFlavorText), 0);
  }
  ASSERT_EQ(KxWriteFileSafely(path, "hello", 5), 0);
  {
    CKXFileTube file(path, kKxFileRead);
    char buf[8] = {};
    EXPECT_EQ(file.GetFlavorData(kKxFlavorText, buf, 3), 3);
    EXPECT_EQ(file.GetFlavorData(kKxFlavorText, buf, 8), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    // Read-only: no write.
    EXPECT_THROW(file.SetFlavorData(kKxFlavorText, "x", 1, kKxWholeFlavor), LException);
  }
  // Nothing changed, nothing written: no sidecar appears.
  { CKXFileTube file(path, kKxFileReadWrite); }
  EXPECT_FALSE(fs::exists(dir.File("._e.txt")));
}

TEST(FlavorExchange, ItemsWithoutReadableDataEndTheSearch) {
  // Items forwarded their item count to the drag: picking recursed forever
  // when no item held anything readable.
  KxDragData drag;
  for (KxDragItemRef ref : {1u, 2u, 3u}) {
    drag.AddItem(ref);
    drag.SetFlavor(ref, FourCC("zzzz"), "x", 1);
  }
  CKXDragTube tube(&drag, 1);
  CKXFlavorExchange exchange(nullptr, nullptr);
  EXPECT_EQ(exchange.PickFlavorFrom(tube), kKxFlavorNull);
  CKXDataTube item = tube.NthItem(2, nullptr);
  EXPECT_EQ(item.CountItems(), 0);
  EXPECT_EQ(item.GetFlavorForType(), kKxTubeDrag);
  EXPECT_TRUE(item.FlavorExists(FourCC("zzzz")));
  // The item's own reference is used for the call and given back after.
  EXPECT_EQ(tube.GetItem(), 1u);
  // A drag of a text in its second item is found and read.
  drag.SetFlavor(2, kKxFlavorText, "abc", 3);
  EXPECT_EQ(exchange.PickFlavorFrom(tube), kKxFlavorText);
  CKXText dest;
  short mask = 0;
  CKXFlavorExchange receiver(nullptr, &dest);
  receiver.ReceiveDataFrom(SKXRange{0, 0}, tube, KXHandleAccess::Wrap(&dest), &mask);
  EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), "abc");
  EXPECT_EQ(mask, kKxMaskText);
}

TEST(FlavorExchange, ClipboardChoices) {
  KxHeadlessHost host;
  CKXText src;
  // One picture byte alone goes as the picture alone.
  SKXDeco d{0, {0, 0, 0, CKXDecoArray::SetPicture(MakePict(3))}, 0};
  src.SetText("\xCA", 1, nullptr, 0, &d, 1, nullptr, 0, nullptr, 0);
  CKXFlavorExchange sender(nullptr, &src);
  { CKXTextClipboardTube out(&sender, SKXRange{0, 1}); }
  EXPECT_EQ(host.ClipboardTypes(), std::vector<OSType>{kKxFlavorPict});
  CKXText dest;
  short mask = 0;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&dest), mask);
  EXPECT_EQ(mask, 5);
  ASSERT_EQ(dest.GetLength(), 1);
  SKXDeco back{};
  ASSERT_EQ(dest.GetSelDecos(0, 1, &back, 1), 1);
  EXPECT_EQ(PictBytes(back.deco.pictID), PictBytes(d.deco.pictID));

  // A run whose picture the table no longer has travels with none, and the
  // pictures after it still land on their own runs.
  const short kept = CKXDecoArray::SetPicture(MakePict(9));
  SKXDeco two[3] = {{0, {0, 0, 0, 31000}, 0}, {1, {0, 0, 0, kept}, 0}, {2, {8, 0, 0, 0}, 0}};
  CKXText pictures;
  pictures.SetText("\xCA\xCAz", 3, nullptr, 0, two, 3, nullptr, 0, nullptr, 0);
  CKXFlavorExchange pictureSender(nullptr, &pictures);
  { CKXTextClipboardTube out(&pictureSender, SKXRange{0, -1}); }
  CKXText pictureDest;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&pictureDest), mask);
  SKXDeco runs[3] = {};
  ASSERT_EQ(pictureDest.GetSelDecos(0, 3, runs, 3), 3);
  EXPECT_EQ(runs[0].deco.pictID, 0);
  EXPECT_EQ(PictBytes(runs[1].deco.pictID), PictBytes(kept));
  EXPECT_EQ(runs[2].deco.lineBits, 8);

  // More style runs than a 16-bit count holds: "styl" stays off, the text
  // and its side entries still go.
  std::string many(40000, 'a');
  std::vector<SKXStyl> styls(40000);
  for (std::int32_t k = 0; k < 40000; ++k) styls[size_t(k)] = {k, {0, 0, 0, 0, 0, std::int16_t(10 + k % 2), {}}};
  CKXText big;
  big.SetText(many.data(), 40000, styls.data(), 40000, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXFlavorExchange bigSender(nullptr, &big);
  { CKXTextClipboardTube out(&bigSender, SKXRange{0, -1}); }
  std::vector<std::uint8_t> got;
  EXPECT_FALSE(host.GetClipboard(kKxFlavorStyl, got));
  EXPECT_TRUE(host.GetClipboard(kKxFlavorText, got) && got.size() == 40000);

  // Text from another program arrives as "utxt" alone: read through the
  // Unicode bridge, a character the script lacks kept in a side entry.
  host.ClearClipboard();
  const std::uint8_t utxt[] = {'H', 0, 'i', 0, 0x42, 0x30, 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE};
  host.PutClipboard(kKxFlavorUtxt, utxt, sizeof utxt);
  CKXText fromUtxt;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&fromUtxt), mask);
  EXPECT_EQ(Bytes(fromUtxt, 0, 4), "Hi\x82\xA0");
  EXPECT_GE(fromUtxt.GetSelUniCharsCount(0, fromUtxt.GetLength()), 1);
  // "utxt" whose characters all fit the script: the clipboard's "TEXT"
  // (with its runs) is taken instead.
  host.PutClipboard(kKxFlavorText, "TEXT!", 5);
  CKXText fromText;
  host.ClearClipboard();
  host.PutClipboard(kKxFlavorText, "Hi", 2);
  host.PutClipboard(kKxFlavorUtxt, utxt, 4);
  const std::uint8_t styl[] = {0, 1, 0, 0, 0, 0, 0, 15, 0, 12, 0, 0, 1, 0, 0, 9, 0, 0, 0, 0, 0, 0};
  host.PutClipboard(kKxFlavorStyl, styl, sizeof styl);
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&fromText), mask);
  EXPECT_EQ(Bytes(fromText, 0, fromText.GetLength()), "Hi");
  EXPECT_EQ(mask, 3);

  // Another program's picture arrives as JPEG alone: it becomes one picture
  // byte, made as Insert JPEG makes it; bytes that do not decode give nothing.
  host.ClearClipboard();
  host.PutClipboard(kKxFlavorJPEG, "\xFF\xD8jpeg", 6);
  KxSetJPEGPictureMaker([](const void* jpeg, long size) -> Handle {
    return size == 6 && std::memcmp(jpeg, "\xFF\xD8jpeg", 6) == 0 ? reinterpret_cast<Handle>(MakePict(4)) : nullptr;
  });
  CKXText fromJpeg;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&fromJpeg), mask);
  EXPECT_EQ(mask, 5);
  ASSERT_EQ(Bytes(fromJpeg, 0, fromJpeg.GetLength()), "\xCA");
  SKXDeco jpegRun{};
  ASSERT_EQ(fromJpeg.GetSelDecos(0, 1, &jpegRun, 1), 1);
  EXPECT_EQ(PictBytes(jpegRun.deco.pictID), PictBytes(CKXDecoArray::SetPicture(MakePict(4))));
  host.ClearClipboard();
  host.PutClipboard(kKxFlavorJPEG, "junk", 4);
  CKXText fromJunk;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&fromJunk), mask);
  EXPECT_EQ(fromJunk.GetLength(), 0);
  KxSetJPEGPictureMaker(nullptr);

  // Going out, other programs' Unicode text leaves the pictures out (their
  // placeholder byte reads as a katakana); the program's own flavours keep them.
  SKXDeco mixed[3] = {{0, {}, 0}, {1, {0, 0, 0, CKXDecoArray::SetPicture(MakePict(6))}, 0}, {2, {}, 0}};
  CKXText withPicture;
  withPicture.SetText("a\xCA\x82\xA0", 4, nullptr, 0, mixed, 3, nullptr, 0, nullptr, 0);
  CKXFlavorExchange mixedSender(nullptr, &withPicture);
  { CKXTextClipboardTube out(&mixedSender, SKXRange{0, -1}); }
  std::vector<std::uint8_t> units;
  ASSERT_TRUE(host.GetClipboard(kKxFlavorUtxt, units));
  EXPECT_EQ(units, (std::vector<std::uint8_t>{'a', 0, 0x42, 0x30}));
  EXPECT_TRUE(host.GetClipboard(kKxFlavorText, units) && units.size() == 4);
}

// Another program's text comes as "utxt" beside run flavors it may have
// made badly (a count the bytes cannot hold, noise), or runs with no "TEXT"
// for them to describe at all: the text is what a paste or a drop takes,
// and runs that do not fit are dropped. They once hid the text, and Paste
// stayed off.
TEST(FlavorExchange, RunFlavorsNeverHideAnotherProgramsText) {
  KxHeadlessHost host;
  const std::vector<std::uint8_t> utxt = {'s', 0, 'h', 0, 'o', 0, 'r', 0, 't', 0};
  std::vector<std::uint8_t> tooManyStyls(14, 0);
  tooManyStyls[0] = 0x7F;
  tooManyStyls[1] = 0xFF;
  const std::vector<std::uint8_t> allOnes(64, 0xFF);
  std::vector<std::uint8_t> noise(300);
  std::mt19937 rng(17);
  for (std::uint8_t& b : noise) b = static_cast<std::uint8_t>(rng());
  const std::vector<std::uint8_t> soundStyl = {0, 1, 0, 0, 0, 0, 0, 15, 0, 12, 0, 0, 1, 0, 0, 9, 0, 0, 0, 0, 0, 0};
  using Flavors = std::vector<std::pair<OSType, std::vector<std::uint8_t>>>;
  const std::pair<const char*, Flavors> cases[] = {
      {"styl counting 32767 runs in 12 bytes", {{kKxFlavorStyl, tooManyStyls}}},
      {"styy of 0xFF bytes", {{kKxFlavorRubyInfo, allOnes}}},
      {"styx and styw of noise", {{kKxFlavorPara, noise}, {kKxFlavorDeco, noise}}},
      {"every run flavor broken", {{kKxFlavorStyl, noise}, {kKxFlavorDeco, allOnes}, {kKxFlavorPara, tooManyStyls},
                                   {kKxFlavorUniChars, allOnes}, {kKxFlavorRubyInfo, noise}}},
      {"a sound styl", {{kKxFlavorStyl, soundStyl}}},
  };
  for (const auto& [what, runs] : cases) {
    SCOPED_TRACE(what);
    host.ClearClipboard();
    host.PutClipboard(kKxFlavorUtxt, utxt.data(), utxt.size());
    KxDragData drag;
    drag.AddItem(1);
    drag.SetFlavor(1, kKxFlavorUtxt, utxt.data(), utxt.size());
    for (const auto& [type, bytes] : runs) {
      host.PutClipboard(type, bytes.data(), bytes.size());
      drag.SetFlavor(1, type, bytes.data(), bytes.size());
    }
    CKXFlavorExchange picker(nullptr, nullptr);
    CKXTextClipboardTube board;
    EXPECT_EQ(picker.PickFlavorFrom(board), kKxFlavorUtxt);
    CKXText pasted;
    short mask = -1;
    KxGetTextFromClipboard(KXHandleAccess::Wrap(&pasted), mask);
    EXPECT_EQ(Bytes(pasted, 0, pasted.GetLength()), "short");
    EXPECT_EQ(pasted.Check(), "");

    CKXDragTube dropped(&drag, 1);
    EXPECT_EQ(picker.PickFlavorFrom(dropped), kKxFlavorUtxt);
    CKXText fromDrop;
    CKXFlavorExchange(nullptr, &fromDrop).ReceiveDataFrom(SKXRange{0, 0}, dropped,
                                                          KXHandleAccess::Wrap(&fromDrop), &mask);
    EXPECT_EQ(Bytes(fromDrop, 0, fromDrop.GetLength()), "short");
    EXPECT_EQ(fromDrop.Check(), "");
  }

  // The program's own "TEXT" with a broken "styl": the text alone.
  host.ClearClipboard();
  host.PutClipboard(kKxFlavorText, "short", 5);
  host.PutClipboard(kKxFlavorStyl, tooManyStyls.data(), tooManyStyls.size());
  CKXTextClipboardTube own;
  EXPECT_EQ(CKXFlavorExchange(nullptr, nullptr).PickFlavorFrom(own), kKxFlavorText);
  CKXText plain;
  short mask = -1;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&plain), mask);
  EXPECT_EQ(Bytes(plain, 0, plain.GetLength()), "short");
  EXPECT_EQ(mask, kKxMaskText);

  // Runs with no text of any kind paste nothing, and say so by no error.
  host.ClearClipboard();
  host.PutClipboard(kKxFlavorStyl, soundStyl.data(), soundStyl.size());
  CKXText nothing;
  EXPECT_NO_THROW(KxGetTextFromClipboard(KXHandleAccess::Wrap(&nothing), mask));
  EXPECT_EQ(nothing.GetLength(), 0);
}

// Plain-text files in each encoding: what is written reads back the same,
// line ends included; byte-order marks are taken only where they are real.
TEST(FlavorExchange, PlainTextFilesInEveryEncoding) {
  KxHeadlessHost host;
  TempDir dir;
  const std::string text = "ab\r\x82\xA0\x82\xA2\rc";
  struct Case {
    short code;
    short lineEnd;
    std::string expectStart;  // the file's first bytes
    short lineEndAfter;
  };
  const Case cases[] = {
      {kKxCodeSJIS, CKXTextLayer::kLineEndCR, "ab\r", CKXTextLayer::kLineEndCR},
      {kKxCodeSJIS, CKXTextLayer::kLineEndCRLF, "ab\r\n", CKXTextLayer::kLineEndCRLF},
      {kKxCodeEUC, CKXTextLayer::kLineEndLF, "ab\n\xA4\xA2", CKXTextLayer::kLineEndLF},
      {kKxCodeJIS, CKXTextLayer::kLineEndCR, "ab\r\x1B$B", CKXTextLayer::kLineEndCR},
      // Unicode files keep their line ends too.
      {kKxCodeUTF8, CKXTextLayer::kLineEndCRLF, "ab\r\n\xE3\x81\x82", CKXTextLayer::kLineEndCRLF},
      {kKxCodeUTF16, CKXTextLayer::kLineEndCRLF, std::string("\xFF\xFE" "a\0b\0\r\0\n\0", 10),
       CKXTextLayer::kLineEndCRLF},
      {kKxCodeUTF8, CKXTextLayer::kLineEndLF, "ab\n\xE3\x81\x82", CKXTextLayer::kLineEndLF},
      {kKxCodeUTF16, CKXTextLayer::kLineEndCR, std::string("\xFF\xFE" "a\0b\0\r\0", 8), CKXTextLayer::kLineEndCR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    CKXText src;
    src.SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CKXFlavorExchange sender(nullptr, &src);
    sender.SetTextEncoding(c.code);
    sender.SetLineEndType(c.lineEnd);
    const std::string path = dir.File("p.txt");
    const std::string file = SaveText(sender, path);
    EXPECT_EQ(sender.GetLineEndType(), c.lineEndAfter);
    EXPECT_EQ(file.substr(0, c.expectStart.size()), c.expectStart);
    CKXText dest;
    CKXFlavorExchange receiver(nullptr, &dest);
    receiver.SetTextEncoding(c.code);
    short mask = 0;
    OpenText(receiver, path, dest, &mask);
    EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), text);
    EXPECT_EQ(receiver.GetLineEndType(), c.lineEnd == CKXTextLayer::kLineEndCR ? CKXTextLayer::kLineEndCR
                                                                                   : c.lineEndAfter);
  }
  // Text of ASCII alone saves as itself in every byte encoding.
  for (short code : {kKxCodeSJIS, kKxCodeEUC, kKxCodeJIS, kKxCodeUTF8}) {
    SCOPED_TRACE(code);
    const std::string ascii = "plain\rtext";
    CKXText src;
    src.SetText(ascii.data(), long(ascii.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CKXFlavorExchange sender(nullptr, &src);
    sender.SetTextEncoding(code);
    sender.SetLineEndType(CKXTextLayer::kLineEndLF);
    EXPECT_EQ(SaveText(sender, dir.File("a.txt")), "plain\ntext");
  }
  // An empty text saves as an empty file (UTF-16 as its mark alone), and a
  // text long enough to be converted in pieces comes back whole, pairs of
  // surrogates included wherever the pieces meet.
  for (short code : {kKxCodeUTF8, kKxCodeUTF16, kKxCodeSJIS, kKxCodeEUC, kKxCodeJIS}) {
    SCOPED_TRACE(code);
    CKXText empty;
    CKXFlavorExchange sender(nullptr, &empty);
    sender.SetTextEncoding(code);
    EXPECT_EQ(SaveText(sender, dir.File("e.txt")), code == kKxCodeUTF16 ? "\xFF\xFE" : "");
  }
  for (int shift = 0; shift < 5; ++shift) {
    // Five units a round ("abc" and a pair), shifted so that some pair
    // meets every possible edge of a piece.
    std::string utf8(std::size_t(shift), 'x');
    for (int k = 0; k < 60000; ++k) utf8 += "abc\xF0\x9F\x98\x80";
    utf8 += "\r\nend";
    const std::string path = dir.File("long.txt");
    CKXText text;
    CKXFlavorExchange receiver(nullptr, &text);
    receiver.SetTextEncoding(kKxCodeUTF8);
    OpenBytes(receiver, path, utf8, text);
    EXPECT_TRUE(SaveText(receiver, path) == utf8) << "shift " << shift;
  }
  // Empty files and files of ASCII alone open in every encoding.
  for (short code : {kKxCodeSJIS, kKxCodeEUC, kKxCodeJIS, kKxCodeUTF8}) {
    for (const std::string bytes : {"", "abc\ndef"}) {
      SCOPED_TRACE(code);
      CKXText dest;
      CKXFlavorExchange receiver(nullptr, &dest);
      receiver.SetTextEncoding(code);
      OpenBytes(receiver, dir.File("r.txt"), bytes, dest);
      EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), bytes.empty() ? "" : "abc\rdef");
    }
  }
  // UTF-16 without a mark keeps its first character; a text of one byte
  // reads as nothing rather than underflowing.
  struct Raw {
    std::string bytes;
    std::string text;
  };
  const Raw raws[] = {{std::string("\0a\0b", 4), "ab"},
                      {std::string("\xFE\xFF\0a", 4), "a"},
                      {std::string("\xFF\xFE" "a\0", 4), "a"},
                      {"a", ""},
                      {"", ""}};
  for (const Raw& r : raws) {
    CKXText dest;
    CKXFlavorExchange receiver(nullptr, &dest);
    receiver.SetTextEncoding(kKxCodeUTF16);
    OpenBytes(receiver, dir.File("u.txt"), r.bytes, dest);
    EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), r.text);
  }
}

TEST(FlavorExchange, DroppedFiles) {
  KxHeadlessHost host;
  TempDir dir;
  const std::string path = dir.File("dropped.txt");
  ASSERT_EQ(KxWriteFileSafely(path, "one\r\ntwo", 8), 0);
  struct Case {
    std::string path;
    std::string expect;
  };
  const Case cases[] = {
      {path, "one\rtwo"},            // a text file reads as if opened
      {dir.path.string(), ""},        // a folder is no file
      {dir.File("missing.txt"), ""},  // nor is a missing one
  };
  for (const Case& c : cases) {
    KxDragData drag;
    drag.AddItem(1);
    const std::vector<std::uint8_t> hfs = KxMakeHFSFlavor(0, 0, c.path);
    drag.SetFlavor(1, kKxFlavorHFS, hfs.data(), hfs.size());
    CKXDragTube tube(&drag, 1);
    CKXText dest;
    CKXFlavorExchange receiver(nullptr, &dest);
    receiver.ReceiveDataFrom(SKXRange{0, 0}, tube, KXHandleAccess::Wrap(&dest), nullptr);
    EXPECT_EQ(Bytes(dest, 0, dest.GetLength()), c.expect) << c.path;
  }
  // Records too short, too long or with a NUL in the path are refused.
  OSType type = 0;
  std::string p;
  EXPECT_FALSE(KxReadHFSFlavor(nullptr, 0, type, p));
  const std::vector<std::uint8_t> withNul = KxMakeHFSFlavor(0, 0, std::string("a\0b", 3));
  EXPECT_FALSE(KxReadHFSFlavor(withNul.data(), long(withNul.size()), type, p));
  const std::vector<std::uint8_t> tooLong = KxMakeHFSFlavor(0, 0, std::string(kKxHFSMaxPath + 1, 'a'));
  EXPECT_FALSE(KxReadHFSFlavor(tooLong.data(), long(tooLong.size()), type, p));
}

}  // namespace

namespace {

std::string LayerText(CKXTextLayer& layer) {
  const SKXRange all = layer.GetTotalRange();
  std::string s(static_cast<size_t>(all.length), '\0');
  layer.TextGetThruPtr(all, s.data(), all.length);
  return s;
}

// Without a caller's text the layer's own text changes: the range is
// replaced, or a file read over the whole text sets the whole text; what
// is sent comes from the layer's text.
TEST(FlavorExchange, TheLayersOwnText) {
  KxHeadlessHost host;
  TempDir dir;
  kxtest::TestLayer layer;
  layer.TextReplaceByPtr(layer.CropRange(CKXTextLayer::sTextAll), "hello world", 11);
  CKXFlavorExchange exchange(&layer);
  { CKXTextClipboardTube out(&exchange, SKXRange{0, 5}); }
  std::vector<std::uint8_t> got;
  ASSERT_TRUE(host.GetClipboard(kKxFlavorText, got));
  EXPECT_EQ(std::string(got.begin(), got.end()), "hello");
  CKXTextClipboardTube in;
  exchange.ReceiveDataFrom(SKXRange{6, 5}, in, nullptr, nullptr);
  EXPECT_EQ(LayerText(layer), "hello hello");

  const std::string path = dir.File("w.txt");
  ASSERT_EQ(KxWriteFileSafely(path, "a\r\nb\r\n", 6), 0);
  CKXFileTube file(path, kKxFileRead);
  exchange.ReceiveDataFrom(CKXTextLayer::sTextAll, file, nullptr, nullptr);
  EXPECT_EQ(LayerText(layer), "a\rb\r");
  EXPECT_EQ(layer.GetLineEndType(), CKXTextLayer::kLineEndCRLF);
  EXPECT_EQ(layer.GetSelectionRange().start, 0);
}

}  // namespace

#include "common/alloc_sweep.h"

namespace {

// Saving plain text under every failing allocation: the file holds either
// the whole new text or, when the save gave up, the old one, never a part.
TEST(FlavorExchange, FailedSavesLeaveTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("s.txt");
  const std::string text = "ab\r\x82\xA0\x82\xA2\rcd";
  const std::string old = "old contents";
  std::unique_ptr<CKXText> src;
  // Unicode files keep CR LF as well.
  const std::string expected = "ab\r\n\xE3\x81\x82\xE3\x81\x84\r\ncd";
  int gaveUp = 0, saved = 0;
  for (short code : {kKxCodeUTF8, kKxCodeEUC}) {
    KxSweepAllocations(
        1, 40,
        [&] {
          ASSERT_EQ(KxWriteFileSafely(path, old.data(), old.size()), 0);
          src = std::make_unique<CKXText>();
          src->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
        },
        [&] {
          CKXFlavorExchange sender(nullptr, src.get());
          sender.SetTextEncoding(code);
          sender.SetLineEndType(CKXTextLayer::kLineEndCRLF);
          CKXFileTube out(path, kKxFileReadWrite);
          try {
            sender.SendFlavorTo(kKxFlavorText, SKXRange{0, -1}, out);
          } catch (const std::bad_alloc&) {
            throw LException(memFullErr);
          }
        },
        [&](const KxSweepStep& step) {
          std::vector<std::uint8_t> file;
          ASSERT_EQ(KxReadFile(path, file), 0);
          const std::string got(file.begin(), file.end());
          if (step.threw) {
            ++gaveUp;
            EXPECT_EQ(got, old) << step.nth;
          } else {
            ++saved;
            if (code == kKxCodeUTF8) EXPECT_EQ(got, expected) << step.nth;
            else EXPECT_EQ(got.substr(0, 4), "ab\r\n") << step.nth;
          }
        });
  }
  EXPECT_GT(saved, 0);
  EXPECT_GT(gaveUp, 0);
}

}  // namespace
