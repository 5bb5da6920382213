#include "platform/utf16.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf16, PairsJoinAndSplitOverTheWholeRange) {
  for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 0x3FF) {
    const char16_t high = KxHighSurrogate(cp), low = KxLowSurrogate(cp);
    ASSERT_TRUE(KxIsHighSurrogate(high) && KxIsLowSurrogate(low)) << std::hex << unsigned(cp);
    ASSERT_EQ(KxJoinSurrogates(high, low), cp);
  }
  EXPECT_EQ(KxJoinSurrogates(0xD842, 0xDFB7), char32_t(0x20BB7));
  EXPECT_EQ(KxJoinSurrogates(0xDBFF, 0xDFFF), char32_t(0x10FFFF));
  // No pair: swapped, lone, or a plain unit.
  EXPECT_EQ(KxJoinSurrogates(0xDC00, 0xD800), char32_t(0));
  EXPECT_EQ(KxJoinSurrogates(0xD800, 0x0041), char32_t(0));
  EXPECT_EQ(KxJoinSurrogates(0x0041, 0xDC00), char32_t(0));
  EXPECT_FALSE(KxIsSurrogate(0xD7FF));
  EXPECT_FALSE(KxIsSurrogate(0xE000));
}

}  // namespace
