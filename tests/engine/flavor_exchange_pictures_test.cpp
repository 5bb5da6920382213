// Pictures that come alone: records from outside are checked, one that
// cannot be read fails a paste or a drop instead of doing nothing, dropped
// picture files land as pictures, and a lone picture kept as its JPEG
// leaves as that JPEG too.
#include "engine/flavor_exchange.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "common/styled_sample.h"
#include "engine/text_flavors.h"
#include "layout/draw_picture.h"
#include "layout/pict_jpeg.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/host/headless.h"
#include "text/base/memory.h"
#include "text/store/text.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The size word, the frame (top, left, bottom, right), then `tail`.
Bytes Record(int size, int top, int left, int bottom, int right, const Bytes& tail = {1, 2}) {
  Bytes r;
  for (int v : {size, top, left, bottom, right}) r.insert(r.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
  r.insert(r.end(), tail.begin(), tail.end());
  return r;
}

const Bytes kJPEG = {0xFF, 0xD8, 0xFF, 0xE0, 'o', 'k'};   // decodes, as the maker below has it

Handle FakeMaker(const void* jpeg, long size) {
  return size == long(kJPEG.size()) && std::memcmp(jpeg, kJPEG.data(), kJPEG.size()) == 0
             ? reinterpret_cast<Handle>(kxtest::MakePict(7))
             : nullptr;
}

// What one paste (kind 0) or drop (kind 1) of a single flavor makes of an
// empty text: the error it throws and the text's bytes.
std::pair<long, std::string> Receive(short kind, OSType type, const Bytes& data) {
  KxCurrentHost().ClearClipboard();
  KxDragData drag;
  drag.AddItem(1);
  CKXText dest;
  long error = 0;
  try {
    if (kind == kKxTubeClipboard) {
      KxCurrentHost().PutClipboard(type, data.data(), data.size());
      short mask = 0;
      KxPasteTextFromClipboard(KXHandleAccess::Wrap(&dest), mask, 0);
    } else {
      drag.SetFlavor(1, type, data.data(), data.size());
      CKXDragTube tube(&drag, 1);
      CKXFlavorExchange(nullptr, &dest).ReceiveDataFrom({0, 0}, tube, KXHandleAccess::Wrap(&dest), nullptr);
    }
  } catch (const LException& e) {
    error = e.GetErrorCode();
  }
  std::string bytes(std::size_t(dest.GetLength()), '\0');
  dest.CopyBytes(0, dest.GetLength(), bytes.data(), dest.GetLength());
  return {error, bytes};
}

TEST(FlavorExchangePictures, APictureAloneLandsOrFailsThePasteOrDrop) {
  KxHeadlessHost host;
  KxSetJPEGPictureMaker(FakeMaker);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kx_pictures_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto file = [&](const std::string& name, Bytes bytes, bool pictHeader = false) {
    if (pictHeader) bytes.insert(bytes.begin(), 512, 0);
    const std::string path = (dir / name).string();
    EXPECT_EQ(KxWriteFileSafely(path, bytes.data(), bytes.size()), 0);
    return KxMakeHFSFlavor(0, 0, path);
  };
  struct Case {
    OSType type;
    Bytes data;
    bool reads;
  };
  const Case cases[] = {
      {kKxFlavorPict, Record(0, 0, 0, 20, 30), true},
      {kKxFlavorPict, {0, 1, 2}, false},                            // shorter than its header
      {kKxFlavorPict, Record(0, 100, 100, -32768, -32768), false},  // turned over
      {kKxFlavorPict, Record(0, 0, 0, 32767, 32767), false},        // beyond any picture's pixels
      {kKxFlavorJPEG, kJPEG, true},
      {kKxFlavorJPEG, {0xFF, 0xD8, 0xFF, 0xC2}, false},             // a JPEG the decoder does not take
      {kKxFlavorHFS, file("a.JPG", kJPEG), true},
      {kKxFlavorHFS, file("b.jpg", {0xFF, 0xD8}), false},
      {kKxFlavorHFS, file("c.pict", Record(0, 0, 0, 20, 30), true), true},
      {kKxFlavorHFS, file("d.pict", Record(0, 0, 0, 20, 30)), false},  // no header: its frame is not there
  };
  const long pictures = gKXPictManager->GetCount();
  for (const Case& c : cases)
    for (short kind : {kKxTubeClipboard, kKxTubeDrag}) {
      if (c.type == kKxFlavorHFS && kind == kKxTubeClipboard) continue;
      const auto [error, text] = Receive(kind, c.type, c.data);
      const std::string what = "case " + std::to_string(&c - cases) + " kind " + std::to_string(kind);
      EXPECT_EQ(error, c.reads ? 0 : kKxErrPictureUnreadable) << what;
      EXPECT_EQ(text, c.reads ? "\xCA" : "") << what;
    }
  // What landed went with its text; nothing refused stayed in the table.
  EXPECT_EQ(gKXPictManager->GetCount(), pictures);

  // Shown rather than pasted, a picture that cannot be read is nothing.
  host.PutClipboard(kKxFlavorJPEG, "\xFF\xD8", 2);
  CKXText shown;
  short kind = -1;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&shown), kind);
  EXPECT_EQ(shown.GetLength(), 0);
  EXPECT_EQ(kind, 0);
  KxSetJPEGPictureMaker(nullptr);
  host.ClearClipboard();
  std::filesystem::remove_all(dir);
}

TEST(FlavorExchangePictures, ALonePictureKeptAsJPEGGoesOutAsThatJPEGToo) {
  KxHeadlessHost host;
  Bytes form = Record(kKxPictJPEGSize, 0, 0, 20, 30, Bytes(6, 0));
  form.insert(form.end(), sJPEGIDString, sJPEGIDString + sizeof sJPEGIDString);
  form.insert(form.end(), kJPEG.begin(), kJPEG.end());
  for (const Bytes& record : {form, Record(0, 0, 0, 20, 30)}) {
    PicHandle h = KxMemHAlloc(long(record.size()), false);
    std::memcpy(*h, record.data(), record.size());
    SKXDeco run{0, {0, 0, 0, CKXDecoArray::SetPicture(h)}, 0};
    CKXText src;
    src.SetText("\xCA", 1, nullptr, 0, &run, 1, nullptr, 0, nullptr, 0);
    CKXFlavorExchange sender(nullptr, &src);
    { CKXTextClipboardTube out(&sender, SKXRange{0, -1}); }
    Bytes pict, jpeg;
    EXPECT_TRUE(host.GetClipboard(kKxFlavorPict, pict) && pict == record);
    // A picture of pixels has no JPEG to give.
    EXPECT_EQ(host.GetClipboard(kKxFlavorJPEG, jpeg), record == form);
    EXPECT_EQ(jpeg, record == form ? kJPEG : Bytes());
  }
  host.ClearClipboard();
}

}  // namespace
