// Plain text saved from the store piece by piece against the same text
// saved whole, as every carrier but a file takes it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "document/file_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_layer.h"
#include "platform/files.h"
#include "platform/script.h"
#include "text/codes/jcode.h"
#include "text/store/text.h"

namespace fs = std::filesystem;

namespace {

// Flavors only whole: the text goes through one copy of it.
class WholeTube : public CKXTextFileTube {
 public:
  bool SetFlavorFrom(OSType, long, PieceReader) override { return false; }
};

class StreamSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kxstream_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The file `text` saves as through `tube`; "" with a failure noted.
  std::string Save(CKXTextFileTube& tube, const std::string& name, CKXText& text, short code, short lineEnd,
                   bool alone) {
    const std::string path = (dir / name).string();
    std::string message;
    if (tube.OpenWrite(path, FourCC("TEXT"), 0, EKXLayout::kClassic, message) != 0) {
      ADD_FAILURE() << message;
      return "";
    }
    CKXFlavorExchange exchange(nullptr, &text);
    exchange.SetTextEncoding(code);
    exchange.SetLineEndType(lineEnd);
    exchange.SetTextAlone(alone);
    exchange.SendFlavorTo(FourCC("TEXT"), SKXRange{0, std::int32_t(text.GetLength())}, tube);
    if (tube.Commit(message) != 0) {
      ADD_FAILURE() << message;
      return "";
    }
    std::vector<std::uint8_t> bytes;
    KxReadFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path dir;
};

// Texts of Japanese and ASCII with CRs, some with a run in a Roman font
// (bytes past ASCII there are respelt) and some past the writer's 1 MB
// piece, in each encoding and line end: both ways write the same file.
TEST_F(StreamSave, PiecesWriteWhatTheWholeCopyWrites) {
  constexpr short kRoman = 3;
  ASSERT_EQ(KxFontToScriptType(kRoman), kScriptRoman);
  std::mt19937 rng(5);
  int streamed = 0;
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    const std::size_t size = round % 8 == 7 ? (std::size_t(5) << 19) + rng() % 1000 : rng() % 3000;
    while (bytes.size() < size) {
      switch (rng() % 5) {
        case 0: bytes += '\r'; break;
        case 1: bytes += "\x82\xA0"; break;
        case 2: bytes += char(0xA1 + rng() % 0x3F); break;  // a half-width kana, or a Roman letter
        default: bytes += char(0x20 + rng() % 0x5F);
      }
    }
    CKXText text;
    text.SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    if (round % 3 == 1 && bytes.size() > 10) {
      // A Roman run of ASCII alone, or with the bytes past it.
      const long from = long(rng() % (bytes.size() / 2)), to = from + 5;
      text.SetStylFont(from, to, kRoman);
    }
    const short code = short(std::vector<short>{kKxCodeSJIS, kKxCodeSJIS, kKxCodeEUC, kKxCodeUTF8}[rng() % 4]);
    const short lineEnd = short(rng() % 3);
    const bool alone = rng() % 4 != 0;
    CKXTextFileTube pieces;
    WholeTube whole;
    const std::string a = Save(pieces, "a.txt", text, code, lineEnd, alone);
    const std::string b = Save(whole, "b.txt", text, code, lineEnd, alone);
    ASSERT_TRUE(a == b) << "round " << round << ": " << a.size() << " bytes against " << b.size();
    if (code == kKxCodeSJIS && lineEnd != CKXTextLayer::kLineEndCRLF) ++streamed;
  }
  EXPECT_GT(streamed, 5);
}

// The text changes between the flavor given and the file written: the
// save fails and the old file stays.
TEST_F(StreamSave, TextChangedBeforeTheWriteFailsTheSave) {
  const std::string path = (dir / "kept.txt").string();
  const std::vector<std::uint8_t> old{'o', 'l', 'd'};
  ASSERT_EQ(KxWriteFileSafely(path, old.data(), old.size()), 0);
  const std::string bytes(3 << 20, 'x');
  CKXText text;
  text.SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextFileTube tube;
  std::string message;
  ASSERT_EQ(tube.OpenWrite(path, FourCC("TEXT"), 0, EKXLayout::kClassic, message), 0);
  CKXFlavorExchange exchange(nullptr, &text);
  exchange.SetTextEncoding(kKxCodeSJIS);
  exchange.SetLineEndType(CKXTextLayer::kLineEndLF);
  exchange.SendFlavorTo(FourCC("TEXT"), SKXRange{0, std::int32_t(text.GetLength())}, tube);
  text.SetText("short", 5, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_NE(tube.Commit(message), 0);
  std::vector<std::uint8_t> now;
  KxReadFile(path, now);
  EXPECT_EQ(now, old);
}

}  // namespace
