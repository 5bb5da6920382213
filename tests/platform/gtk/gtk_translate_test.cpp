// What the GTK host translates without a display: key symbols (by their
// X11 values) to key codes and characters, modifier masks both ways, click
// counting, wheel lines, and script bytes to UTF-8.
#include "platform/gtk/gtk_translate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/framework/events.h"

namespace {

constexpr std::uint16_t kUp = kKxEventButtonState;

struct KeyCase {
  const char* what;
  unsigned keyval;
  std::uint16_t modifiers;
  std::uint8_t keyCode;
  std::uint8_t charCode;
};

TEST(GtkTranslate, KeysGetTheProgramsCodesAndCharacters) {
  const KeyCase cases[] = {
      {"F1", 0xFFBE, 0, 122, 0x10},
      {"F10, the toolkit's menu key", 0xFFC7, 0, 0x6D, 0x10},
      {"F15", 0xFFCC, 0, 0x71, 0x10},
      {"Escape", 0xFF1B, 0, 53, 27},
      {"Left", 0xFF51, 0, 0x7B, 28},
      {"Right", 0xFF53, 0, 0x7C, 29},
      {"Up", 0xFF52, 0, 0x7E, 30},
      {"Down", 0xFF54, 0, 0x7D, 31},
      {"keypad Up", 0xFF97, 0, 0x7E, 30},
      {"Home", 0xFF50, 0, 0x73, 1},
      {"End", 0xFF57, 0, 0x77, 4},
      {"Page Up", 0xFF55, 0, 0x74, 11},
      {"Page Down", 0xFF56, 0, 0x79, 12},
      {"Return", 0xFF0D, 0, 0x24, 13},
      {"keypad Enter", 0xFF8D, 0, 0x4C, 3},
      {"Backspace", 0xFF08, 0, 0x33, 8},
      {"forward Delete", 0xFFFF, 0, 0x75, 0x7F},
      {"Tab", 0xFF09, 0, 0x30, 9},
      {"shift-Tab", 0xFE20, kKxEventShiftKey, 0x30, 9},
      {"space", 0x20, 0, 0x31, ' '},
      {"n", 'n', 0, 0x2D, 'n'},
      {"command-n keeps the letter", 'n', kKxEventCommandKey, 0x2D, 'n'},
      {"shifted N, same key", 'N', kKxEventShiftKey, 0x2D, 'N'},
      {"a", 'a', 0, 0x00, 'a'},
      {"z", 'z', 0, 0x06, 'z'},
      {"1", '1', 0, 0x12, '1'},
      {"shifted 1", '!', kKxEventShiftKey, 0x12, '!'},
      {"period", '.', 0, 0x2F, '.'},
      {"keypad 1 is its own key", 0xFFB1, 0, 0x53, '1'},
      {"control-a types 0x01", 'a', kKxEventControlKey, 0x00, 0x01},
      {"control-[ types escape", '[', kKxEventControlKey, 0x21, 0x1B},
      {"control-1 stays a digit", '1', kKxEventControlKey, 0x12, '1'},
  };
  for (const KeyCase& c : cases) {
    KxGtkKey key;
    ASSERT_TRUE(KxGtkTranslateKey(c.keyval, c.modifiers, key)) << c.what;
    EXPECT_EQ(key.keyCode, c.keyCode) << c.what;
    EXPECT_EQ(key.charCode, c.charCode) << c.what;
    EXPECT_FALSE(key.modifierKey) << c.what;
  }
}

TEST(GtkTranslate, ModifierKeysAndKeysWithoutACharacter) {
  // Modifier keys only move the key map.
  const unsigned modifierKeys[] = {0xFFE1, 0xFFE2, 0xFFE3, 0xFFE4, 0xFFE9, 0xFFEB, 0xFFE5};
  for (unsigned keyval : modifierKeys) {
    KxGtkKey key;
    ASSERT_TRUE(KxGtkTranslateKey(keyval, 0, key)) << std::hex << keyval;
    EXPECT_TRUE(key.modifierKey) << std::hex << keyval;
    EXPECT_EQ(key.charCode, 0) << std::hex << keyval;
  }
  // Keys that are no key of the program's: a dead key, letters past ASCII,
  // a kana and an ideograph (typed as text), an unknown symbol, the null
  // symbol.
  const unsigned nothing[] = {0xFE51, 0xE9, 0x20AC, 0xA5, 0x1003042, 0x1006F22, 0xFFFFFE, 0};
  for (unsigned keyval : nothing) {
    KxGtkKey key;
    EXPECT_FALSE(KxGtkTranslateKey(keyval, 0, key)) << std::hex << keyval;
  }
}

TEST(GtkTranslate, ModifierMasksBothWays) {
  struct Case {
    unsigned mask;
    std::uint16_t modifiers;
  } cases[] = {
      {0, kUp},
      {kKxGdkControlMask, kKxEventCommandKey | kUp},
      {kKxGdkAltMask, kKxEventOptionKey | kUp},
      {kKxGdkSuperMask, kKxEventControlKey | kUp},
      {kKxGdkShiftMask, kKxEventShiftKey | kUp},
      {kKxGdkLockMask, kKxEventAlphaLock | kUp},
      {kKxGdkButton1Mask, 0},
      {kKxGdkControlMask | kKxGdkShiftMask | kKxGdkButton1Mask, kKxEventCommandKey | kKxEventShiftKey},
  };
  for (const Case& c : cases) EXPECT_EQ(KxGtkModifiers(c.mask), c.modifiers) << std::hex << c.mask;
  // Every combination of the four key bits comes back as it went.
  const std::uint16_t bits[] = {kKxEventCommandKey, kKxEventShiftKey, kKxEventOptionKey, kKxEventControlKey};
  for (unsigned combo = 0; combo < 16; ++combo) {
    std::uint16_t m = 0;
    for (int b = 0; b < 4; ++b)
      if (combo & (1u << b)) m |= bits[b];
    EXPECT_EQ(KxGtkModifiers(KxGtkMaskFromModifiers(m)), m | kUp) << combo;
  }
}

TEST(GtkTranslate, ClicksCountWithinTheDoubleClickTimeAndDistance) {
  struct Step {
    std::uint32_t time;
    int h, v;
    unsigned button;
    int count;
  };
  const Step steps[] = {
      {1000, 10, 10, 1, 1},
      {1300, 12, 9, 1, 2},     // near and soon: a double click
      {1650, 15, 10, 1, 3},    // each press measured from the last
      {2100, 15, 10, 1, 1},    // 450 ms: too late
      {2200, 21, 10, 1, 1},    // 6 pixels away: too far
      {2300, 21, 10, 3, 1},    // another button starts again
      {2400, 21, 10, 3, 2},
      {0xFFFFFF00u, 0, 0, 1, 1},
      {0x40, 0, 0, 1, 2},      // the desktop's clock wrapped in between
  };
  KxClickCounter counter(400, 5);
  for (const Step& s : steps) EXPECT_EQ(counter.Press(s.time, s.h, s.v, s.button), s.count) << s.time;
  EXPECT_EQ(counter.Count(), 2);
}

TEST(GtkTranslate, WheelMovementBecomesWholeLinesWithoutLoss) {
  KxWheelAccumulator wheel;
  int right = 0, down = 0;
  wheel.AddSmooth(0, 1, right, down);   // one notch
  EXPECT_EQ(down, 3);
  EXPECT_EQ(right, 0);
  wheel.AddSmooth(-1, -1, right, down);
  EXPECT_EQ(down, -3);
  EXPECT_EQ(right, -3);
  // Small smooth steps add up to the same lines as one notch.
  int total = 0;
  for (int i = 0; i < 10; ++i) {
    wheel.AddSmooth(0, 0.1, right, down);
    total += down;
  }
  EXPECT_EQ(total, 3);
  // Nonsense deltas move nothing; a flood stops at the limit.
  wheel.Reset();
  wheel.AddSmooth(std::nan(""), std::numeric_limits<double>::infinity(), right, down);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(down, 0);
  wheel.AddSmooth(0, 1e12, right, down);
  EXPECT_EQ(down, KxWheelAccumulator::kMaxLines);
}

TEST(GtkTranslate, ScriptBytesBecomeUtf8AndNothingIsDropped) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"empty", "", ""},
      {"ASCII", "Open...", "Open..."},
      {"kanji and kana", "\x90\x56\x8B\x4B\x82\xA9", "\xE6\x96\xB0\xE8\xA6\x8F\xE3\x81\x8B"},   // 新規か
      {"the Mac-only copyright sign", "\xFD", "\xC2\xA9"},
      {"a lead byte at the end", "A\x82", "A\xEF\xBF\xBD"},
      {"a lead byte before an invalid trail", "\x82\x20Z", "\xEF\xBF\xBD Z"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KxGtkUtf8FromScript(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()), c.utf8)
        << c.what;
  // Dialog texts: UTF-8 stands, anything else is read as Shift_JIS.
  EXPECT_EQ(KxGtkUtf8FromText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(KxGtkUtf8FromText("\x93\xFA"), "\xE6\x97\xA5");   // 日
}

}  // namespace
