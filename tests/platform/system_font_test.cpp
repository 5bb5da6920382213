// The system-font scope.
#include "platform/toolbox/system_font.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(SystemFont, AScopeChangesOnlyWhatDiffersAndRestoresEvenOnAThrow) {
  short font, size;
  UFontUtils::FetchSystemFont(font, size);
  const int changes = UFontUtils::ChangeCount();
  { StSystemFontState same(font, size); }
  EXPECT_EQ(UFontUtils::ChangeCount(), changes);
  try {
    StSystemFontState other(short(font + 1), 9);
    short f, s;
    UFontUtils::FetchSystemFont(f, s);
    EXPECT_EQ(f, font + 1);
    EXPECT_EQ(s, 9);
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  short f, s;
  UFontUtils::FetchSystemFont(f, s);
  EXPECT_EQ(f, font);
  EXPECT_EQ(s, size);
  EXPECT_EQ(UFontUtils::ChangeCount(), changes + 2);
}

}  // namespace
