// Reform breaks lines by the layout's line-break rules once the layout area
// has started.
#include <gtest/gtest.h>

#include <string>

#include "text/store/text.h"
#include "text/store/transform.h"

TEST(ReformWithLayoutRules, FullStopHangsOnTheLine) {
  long width;
  short kinsoku;
  unsigned char wordwrap, indent, removeAll;
  UKXText::GetReformMode(&width, &kinsoku, &wordwrap, &indent, &removeAll);
  UKXText::SetReformMode(4, 1, 1, 0, 1);
  const std::string s = "\x82\xA0\x82\xA2\x81\x42\x82\xA4 ab-cd";  // あい。う ab-cd
  CKXText t;
  t.SetText(s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_TRUE(UKXText::ReformKXText(&t, true));
  std::string out(size_t(t.GetLength()), '\0');
  t.CopyBytes(0, t.GetLength(), out.data(), t.GetLength());
  EXPECT_EQ(out, "\x82\xA0\x82\xA2\x81\x42\r\x82\xA4 \rab-\rcd");
  UKXText::SetReformMode(width, kinsoku, wordwrap, indent, removeAll);
}
