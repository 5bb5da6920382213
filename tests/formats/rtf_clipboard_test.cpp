// RTF through the clipboard and drags with the real converter: copies
// offer it to other programs, other programs' RTF pastes with its
// character styles, the program's own copies still read through their own
// flavors, RTF from outside cannot break the text it lands in, and a
// dropped RTF file brings its paragraphs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/styled_sample.h"
#include "engine/flavor_exchange.h"
#include "engine/text_flavors.h"
#include "platform/files.h"
#include "platform/host/drag_data.h"
#include "platform/host/headless.h"
#include "text/store/text.h"

namespace {

using kxtest::Bytes;

std::string All(const CKXText& t) { return Bytes(t, 0, t.GetLength()); }

SStyl StylAt(const CKXText& t, long pos) {
  SKXStyl r{};
  t.GetSelStyls(pos, pos, &r, 1);
  return r.styl;
}

// What a paste of the clipboard brings, and its content mask.
std::string Paste(CKXText& dest, short& mask) {
  mask = -1;
  KxGetTextFromClipboard(KXHandleAccess::Wrap(&dest), mask);
  EXPECT_EQ(dest.Check(), "");
  return All(dest);
}

void PutOnly(KxHeadlessHost& host, OSType type, const std::string& bytes) {
  host.ClearClipboard();
  host.PutClipboard(type, bytes.data(), bytes.size());
}

TEST(RTFClipboard, CopiesOfferRTFWithoutParagraphs) {
  KxHeadlessHost host;
  CKXText src;
  SStyl plain{}, bold{};
  plain.font = bold.font = 1;
  plain.size = bold.size = 12;
  plain.color = {0x1234, 0, 0};
  bold.face = 1;
  const SKXStyl styls[] = {{0, bold}, {4, plain}};
  SKXPara centred{6, {}};
  centred.para.justify = 1;
  src.SetText("Bold\rcentred", 12, styls, 2, nullptr, 0, &centred, 1, nullptr, 0);
  CKXFlavorExchange sender(nullptr, &src);
  { CKXTextClipboardTube out(&sender, SKXRange{0, -1}); }
  std::vector<std::uint8_t> got;
  ASSERT_TRUE(host.GetClipboard(kKxFlavorRTF, got));
  const std::string rtf(got.begin(), got.end());
  EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u) << rtf;
  EXPECT_NE(rtf.find("\\b"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("\\pard"), std::string::npos) << rtf;
  EXPECT_EQ(host.ClipboardTypes().back(), kKxFlavorRTF);
  // The program's own copy pastes through its own flavors: fonts 0 and 1
  // and the low byte of a colour stay as they were.
  CKXText back;
  short mask = 0;
  EXPECT_EQ(Paste(back, mask), "Bold\rcentred");
  EXPECT_EQ(StylAt(back, 5).font, 1);
  EXPECT_EQ(StylAt(back, 5).color.red, 0x1234);
  // Drags carry it too.
  KxDragData drag;
  { CKXTextDragTube out(&drag, 1, &sender, SKXRange{0, 4}); }
  CKXDragTube dragged(&drag, 1);
  EXPECT_TRUE(dragged.FlavorExists(kKxFlavorRTF));
}

TEST(RTFClipboard, OtherProgramsRTFPastesWithItsStyles) {
  KxHeadlessHost host;
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\qc\\f0 plain {\\b bold}\\par next}";
  PutOnly(host, kKxFlavorRTF, rtf);
  CKXFlavorExchange picker(nullptr, nullptr);
  CKXTextClipboardTube tube;
  EXPECT_EQ(picker.PickFlavorFrom(tube), kKxFlavorRTF);
  CKXText dest;
  short mask = 0;
  EXPECT_EQ(Paste(dest, mask), "plain bold\rnext");
  EXPECT_TRUE(StylAt(dest, 7).face & 1);
  EXPECT_FALSE(StylAt(dest, 2).face & 1);
  EXPECT_EQ(mask & (kKxMaskText | kKxMaskStyl | kKxMaskPara), kKxMaskText | kKxMaskStyl);
  // Dropped from another program it comes the same way.
  KxDragData drag;
  drag.AddItem(1);
  drag.SetFlavor(1, kKxFlavorRTF, rtf.data(), rtf.size());
  CKXDragTube dropped(&drag, 1);
  CKXText fromDrop;
  CKXFlavorExchange(nullptr, &fromDrop)
      .ReceiveDataFrom(SKXRange{0, 0}, dropped, KXHandleAccess::Wrap(&fromDrop), &mask);
  EXPECT_EQ(All(fromDrop), "plain bold\rnext");
  // Beside the program's own flavors RTF is passed over.
  host.PutClipboard(kKxFlavorText, "own", 3);
  CKXText own;
  EXPECT_EQ(Paste(own, mask), "own");
}

TEST(RTFClipboard, BrokenRTFLeavesASoundText) {
  // Cut short, with junk bytes and escapes, nested past any limit, with
  // numbers out of range: what can be read arrives, in a sound text.
  KxHeadlessHost host;
  const char junk[] = "{\\rtf1 a\0b\xFF\\'zz\\u-99999 c}";
  const std::pair<std::string, std::string> cases[] = {
      {"{\\rtf1{\\b cut", "cut"},
      {std::string(junk, sizeof junk - 1), "ab\xFFzz"},
      {"{\\rtf1" + std::string(200000, '{') + "deep", "deep"},
      {"{\\rtf1{\\fonttbl\\f9999999999 X;}\\f9999999999\\fs-5 x\\bin99999 y}", "x"}};
  for (const auto& [rtf, start] : cases) {
    PutOnly(host, kKxFlavorRTF, rtf);
    CKXText dest;
    short mask = 0;
    EXPECT_EQ(Paste(dest, mask).substr(0, start.size()), start) << rtf.substr(0, 40);
  }
}

TEST(RTFClipboard, DroppedRTFFileKeepsItsParagraphs) {
  KxHeadlessHost host;
  const std::string path = (std::filesystem::temp_directory_path() / "kx_rtf_clipboard_drop.rtf").string();
  const std::string rtf = "{\\rtf1\\ansi\\qc one\\par two}";
  ASSERT_EQ(KxWriteFileSafely(path, rtf.data(), rtf.size()), 0);
  KxDragData drag;
  drag.AddItem(1);
  const std::vector<std::uint8_t> hfs = KxMakeHFSFlavor(0, 0, path);
  drag.SetFlavor(1, kKxFlavorHFS, hfs.data(), hfs.size());
  CKXDragTube tube(&drag, 1);
  CKXText dest;
  short mask = 0;
  CKXFlavorExchange receiver(nullptr, &dest);
  receiver.ReceiveDataFrom(SKXRange{0, 0}, tube, KXHandleAccess::Wrap(&dest), &mask);
  std::filesystem::remove(path);
  EXPECT_EQ(All(dest), "one\rtwo");
  EXPECT_TRUE(mask & kKxMaskPara);
}

}  // namespace
