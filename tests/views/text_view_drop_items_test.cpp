// Drops of several items at once (files from a file manager): each item
// lands after the one before, in the order of the drop.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "text_view_fixture.h"

namespace {
using kxtest::TextPaneTest;

class TextViewDropItemsTest : public TextPaneTest {
 protected:
  void TearDown() override {
    for (const std::string& p : mFiles) std::remove(p.c_str());
    TextPaneTest::TearDown();
  }
  std::string File(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "kx_items_" + std::to_string(::getpid()) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fputs(text.c_str(), f);
      std::fclose(f);
    }
    mFiles.push_back(path);
    return path;
  }
  // One item a path, as the host makes them from a file list.
  static KxDragData Files(const std::vector<std::string>& paths) {
    KxDragData data;
    for (std::size_t k = 0; k < paths.size(); ++k) {
      const auto ref = static_cast<KxDragItemRef>(k + 1);
      data.AddItem(ref);
      const std::vector<std::uint8_t> hfs = KxMakeHFSFlavor(FourCC("TEXT"), 0, paths[k]);
      data.SetFlavor(ref, FourCC("hfs "), hfs.data(), hfs.size());
    }
    return data;
  }
  bool DropAt(const KxDragData& data, long offset) {
    const SPoint32 at = PortOfOffset(0, offset);
    return CKXDragView::ReceiveHostDrop(panes.window, data, Point{std::int16_t(at.v), std::int16_t(at.h)});
  }

 private:
  std::vector<std::string> mFiles;
};

TEST_F(TextViewDropItemsTest, FilesDroppedTogetherKeepTheirOrder) {
  Open("one two", 400, 200);
  const std::string a = File("f1.txt", "AAA"), b = File("f 2.txt", "BBB"), c = File("f3.txt", "CCC");
  ASSERT_TRUE(DropAt(Files({a, b, c}), 4));
  EXPECT_EQ(engine->Text(), "one AAABBBCCCtwo");

  // An item that brings nothing (a folder) leaves the place where it was.
  const std::string folder = ::testing::TempDir();
  ASSERT_TRUE(DropAt(Files({c, folder, a}), 0));
  EXPECT_EQ(engine->Text(), "CCCAAAone AAABBBCCCtwo");

  // At the end of the text as well, and the last item stays selected as
  // a single drop leaves it.
  ASSERT_TRUE(DropAt(Files({b, a}), 22));
  EXPECT_EQ(engine->Text(), "CCCAAAone AAABBBCCCtwoBBBAAA");
  const SKXRange sel = engine->GetSelectionRange();
  EXPECT_EQ(sel.start, 25);
  EXPECT_EQ(sel.length, 3);
  EXPECT_EQ(OracleMismatch(), "");
}

}  // namespace
