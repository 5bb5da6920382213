// The statement coder: round trips, lengths, malformed code, number texts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "macro_builder.h"
#include "macros/macro.h"
#include "text/base/memory.h"

namespace {

std::vector<SKXTMacroEdit> DecodeAll(std::vector<char>& code, bool copy, short* last = nullptr) {
  std::vector<SKXTMacroEdit> out;
  long pos = 0;
  short result;
  while ((result = UKXTextMacro::AnalyzeMacro(code.data(), long(code.size()), pos, *out.emplace(out.end()), copy)) > 0) {
  }
  out.pop_back();
  if (last) *last = result;
  return out;
}

std::vector<char> EncodeAll(const std::vector<SKXTMacroEdit>& records) {
  std::vector<char> out;
  for (const auto& r : records) {
    std::size_t at = out.size();
    out.resize(at + std::size_t(UKXTextMacro::GetMacroEditSize(r)));
    EXPECT_EQ(UKXTextMacro::CreateMacro(out.data() + at, r), long(out.size() - at)) << "opcode " << r.opcode;
  }
  return out;
}

// A random statement as the editor could hold it.
SKXTMacroEdit RandomRecord(std::mt19937& rng, std::deque<std::string>& texts, short previousOpcode) {
  auto pick = [&](int lo, int hi) { return int(std::uniform_int_distribution<int>(lo, hi)(rng)); };
  auto text = [&](int max, char*& p, std::int16_t& n) {
    int len = pick(0, max);
    std::string s;
    for (int i = 0; i < len; ++i) s += char(pick(0, 255));
    texts.push_back(s);
    p = len ? texts.back().data() : nullptr;
    n = std::int16_t(len);
  };
  auto target = [&](std::uint16_t& kind, std::int16_t& n, char*& p) {
    kind = std::uint16_t(pick(0, 5));
    if (kind == 1 || kind == 2) text(255, p, n);
  };
  static const short kOps[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 20, 21, 23, 99, 127, -1, -128};
  SKXTMacroEdit r{};
  do {
    r.opcode = kOps[pick(0, int(sizeof kOps / sizeof kOps[0]) - 1)];
  } while (r.opcode == kMacroRepeat && previousOpcode == kMacroKey);  // would belong to the key
  switch (r.opcode) {
    case 1: r.value = std::uint16_t(pick(0, 65535)); break;
    case 2: text(pick(0, 1) ? 40 : 2000, r.text, r.textLength); break;
    case 3:
      r.value = std::uint16_t(pick(0, 255));
      r.option = std::uint16_t(pick(0, 7));
      r.count = std::int16_t(pick(0, 1) ? pick(0, 1) : pick(2, 1000));
      break;
    case 4:
      r.value = std::uint16_t(pick(0, 6));
      if (r.value <= 2) text(255, r.text, r.textLength);
      break;
    case 5: text(255, r.text, r.textLength); break;
    case 6:
    case 7:
      r.value = std::uint16_t(pick(0, 255));
      r.option = std::uint16_t(pick(0, 255));
      r.count = std::int16_t(pick(0, 3) == 0 ? 1 : pick(0, 255));
      if (r.count == 1) text(255, r.text, r.textLength);
      if (r.opcode == 7) {
        target(r.target1Kind, r.target1Length, r.target1Text);
        target(r.target2Kind, r.target2Length, r.target2Text);
      }
      break;
    case 8:
      r.value = std::uint16_t(pick(0, 2) == 0 ? 1 : pick(0, 255));
      r.option = std::uint16_t(pick(0, 65535));
      if (r.value == 1) text(255, r.text, r.textLength);
      target(r.target1Kind, r.target1Length, r.target1Text);
      target(r.target2Kind, r.target2Length, r.target2Text);
      break;
    case 9:
      r.value = std::uint16_t(pick(0, 255));
      r.count = std::int16_t(pick(0, 255));
      text(255, r.text, r.textLength);
      target(r.target1Kind, r.target1Length, r.target1Text);
      target(r.target2Kind, r.target2Length, r.target2Text);
      break;
    case 10:
      r.value = std::uint16_t(pick(0, 255));
      r.count = std::int16_t(pick(0, 255));
      break;
    case 21: r.value = std::uint16_t(pick(0, 65535)); break;
    default: break;
  }
  return r;
}

bool SameText(const char* a, std::int16_t an, const char* b, std::int16_t bn) {
  return an == bn && (an == 0 || std::memcmp(a, b, std::size_t(an)) == 0);
}

}  // namespace

TEST(MacroCode, RandomStatementListsSurviveEncodeDecodeEncode) {
  std::mt19937 rng(17);
  for (int round = 0; round < 300; ++round) {
    std::deque<std::string> texts;
    std::vector<SKXTMacroEdit> records;
    int n = std::uniform_int_distribution<int>(0, 30)(rng);
    short previous = 0;
    if (round % 3 == 0) {
      SKXTMacroEdit header = MacroBuilder::Rec(kMacroHeader, 1, 1);
      header.count = 5;
      header.target1Kind = 4;
      records.push_back(header);
    }
    for (int i = 0; i < n; ++i) {
      records.push_back(RandomRecord(rng, texts, previous));
      previous = records.back().opcode;
    }
    std::vector<char> first = EncodeAll(records);
    ASSERT_EQ(UKXTextMacro::CheckMacroCode(first.data(), long(first.size())), noErr);
    for (bool copy : {false, true}) {
      short last = 9;
      std::vector<SKXTMacroEdit> decoded = DecodeAll(first, copy, &last);
      EXPECT_EQ(last, 0);
      ASSERT_EQ(decoded.size(), records.size());
      for (std::size_t i = 0; i < records.size(); ++i) {
        const auto &a = records[i], &b = decoded[i];
        EXPECT_EQ(a.opcode, b.opcode);
        EXPECT_TRUE(SameText(a.text, a.textLength, b.text, b.textLength)) << "statement " << i;
        EXPECT_TRUE(SameText(a.target1Text, a.target1Length, b.target1Text, b.target1Length));
        EXPECT_TRUE(SameText(a.target2Text, a.target2Length, b.target2Text, b.target2Length));
        if (a.opcode <= kMacroExtend && a.opcode >= kMacroCommand) {
          EXPECT_EQ(a.value, b.value);
          EXPECT_EQ(a.option, b.option);
          if (a.opcode != kMacroKey || a.count >= 2) {
            EXPECT_EQ(a.count, b.count);
          }
        }
      }
      std::vector<char> second = EncodeAll(decoded);
      EXPECT_EQ(first, second) << "round " << round;
      if (copy)
        for (auto& r : decoded) UKXTextMacro::FreeTexts(r);
    }
  }
}

TEST(MacroCode, DecodingStopsAtTheEndStatementAndAtTheSize) {
  MacroBuilder b;
  b.Command(5).Raw({0, 0, 0}).Command(6);
  auto records = DecodeAll(b.code, false);
  ASSERT_EQ(records.size(), 1u);
  // A key at the very end, with no byte after it, is one press.
  MacroBuilder k;
  k.Key(29);
  records = DecodeAll(k.code, false);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].count, 0);
  // A key followed by a repeat takes the repeat with it.
  MacroBuilder r;
  r.Key(28, 1, 7).Key(29);
  records = DecodeAll(r.code, false);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].count, 7);
  EXPECT_EQ(r.size(), 11);
}

TEST(MacroCode, StatementsOfNoMeaningAreSkippedWhole) {
  MacroBuilder b;
  b.Raw({15, 0, 5, 1, 2, 3, 4, 5}).Command(9);
  auto records = DecodeAll(b.code, false);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].opcode, 15);
  EXPECT_EQ(records[0].value, 5);
  EXPECT_EQ(records[1].value, 9);
  char out[8];
  EXPECT_EQ(UKXTextMacro::CreateMacro(out, records[0]), 3);
  EXPECT_EQ(std::string(out, 3), std::string("\x0f\0\0", 3));
  // Opcodes above 127 read as negative and still skip by their length.
  MacroBuilder high;
  high.Raw({200, 0, 1, 9}).Command(3);
  records = DecodeAll(high.code, false);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].opcode, -56);
}

TEST(MacroCode, LayoutsAndLengths) {
  MacroBuilder b;
  b.Goto(3);
  EXPECT_EQ(b.code, std::vector<char>({4, 0, 1, 3}));
  MacroBuilder v;
  v.Value(61, 11, 21);
  EXPECT_EQ(v.code, std::vector<char>({6, 0, 3, 61, 11, 21}));
  MacroBuilder e;
  e.Extend(78, 51);
  EXPECT_EQ(e.code, std::vector<char>({10, 0, 2, 78, 51}));
  MacroBuilder c;
  c.Compare(61, 0, 1, "9", 1, "12", 2, "ab");
  EXPECT_EQ(c.code, std::vector<char>({7, 0, 13, 61, 0, 1, 1, '9', 1, 2, '1', '2', 2, 2, 'a', 'b'}));
  MacroBuilder f;
  f.Find(1, 0x0102, "x", 0, "", 3, "");
  EXPECT_EQ(f.code, std::vector<char>({8, 0, 7, 1, 1, 2, 1, 'x', 0, 3}));
  MacroBuilder k;
  k.Key(28, 1, 1500);  // a count above the recorder's 1000 is kept
  EXPECT_EQ(k.code, std::vector<char>({3, 28, 1, 21, 0, 2, 5, char(0xDC)}));
  // Decoded as stored; a count beyond what the line holds is held to it.
  for (auto [high, low, want] : {std::tuple{0x13, 0x88, 5000}, std::tuple{0xFF, 0xFF, 32767}}) {
    const char code[] = {3, 28, 1, 21, 0, 2, char(high), char(low)};
    long position = 0;
    SKXTMacroEdit r{};
    ASSERT_EQ(UKXTextMacro::AnalyzeMacro(const_cast<char*>(code), 8, position, r, false), 1);
    EXPECT_EQ(r.count, want);
    EXPECT_EQ(position, 8);
  }
}

TEST(MacroCode, MalformedStatementsAreRefused) {
  const std::vector<std::vector<int>> bad = {
      {1, 0},                       // command cut short
      {2, 0, 5, 'a', 'b'},          // text longer than the code
      {4, 0, 0},                    // goto without its kind
      {4, 0, 2, 1, 5, 'x'},         // goto text overruns its statement
      {5, 0, 1, 9},                 // label name overruns
      {6, 0, 4, 51, 11, 1, 8},      // value text overruns
      {7, 0, 3, 61, 0, 21},         // compare without targets
      {8, 0, 4, 1, 0, 0, 0},        // find text length missing... targets missing
      {9, 0, 4, 0, 51, 0, 1},       // second target missing
      {9, 0, 5, 0, 51, 0, 1, 4},    // target text overruns
      {10, 0, 1, 78},               // extended cut short
      {3, 28, 0, 21, 0},            // key with a repeat cut short
      {3, 28, 0, 21, 0, 1, 5},      // repeat too short for its count
      {22, 0, 4, 1, 1},             // header cut short
      {30, 255, 255, 0},            // length past the end
  };
  for (const auto& bytes : bad) {
    std::vector<char> code(bytes.begin(), bytes.end());
    long badAt = -1;
    EXPECT_EQ(UKXTextMacro::CheckMacroCode(code.data(), long(code.size()), &badAt), kMacroBadCodeErr)
        << "first byte " << bytes[0] << " size " << bytes.size();
    EXPECT_EQ(badAt, 0);
    long pos = 0;
    SKXTMacroEdit r;
    EXPECT_EQ(UKXTextMacro::AnalyzeMacro(code.data(), long(code.size()), pos, r, true), -1);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(r.text, nullptr);
  }
  // Bad code after good statements is found where it starts.
  MacroBuilder b;
  b.Command(1).Text("ab").Raw({5, 0, 9});
  long badAt = -1;
  EXPECT_EQ(UKXTextMacro::CheckMacroCode(b.data(), b.size(), &badAt), kMacroBadCodeErr);
  EXPECT_EQ(badAt, 8);
  // Bytes after an end statement are never looked at.
  MacroBuilder ended;
  ended.Command(1).Raw({0, 0, 0, 5, 0, 9});
  EXPECT_EQ(UKXTextMacro::CheckMacroCode(ended.data(), ended.size()), noErr);
}


// Reports of bad code name the line the editor would show: header and
// repeat statements are no lines of their own.
TEST(MacroCode, TheBadLineIsNumberedAsTheEditorNumbersLines) {
  MacroBuilder good;
  good.Header(1, 1, 3, 4).Text("a").Key(28, 0, 3).Command(1);
  EXPECT_EQ(UKXTextMacro::BadMacroLine(good.data(), good.size()), 0);
  EXPECT_EQ(UKXTextMacro::BadMacroLine(good.data(), 0), 0);
  MacroBuilder late;
  late.Header(1, 1, 3, 4).Key(28, 0, 3).Text("ab").Raw({5, 0, 9});
  EXPECT_EQ(UKXTextMacro::BadMacroLine(late.data(), late.size()), 3);
  const std::vector<char> first = {2, 0, 5, 'a', 'b'};
  EXPECT_EQ(UKXTextMacro::BadMacroLine(first.data(), long(first.size())), 1);
}
TEST(MacroCode, NumberTexts) {
  auto read = [](const std::string& s) { return UKXTextMacro::ReadNumber(s.data(), long(s.size())); };
  EXPECT_EQ(read(" 12"), 12);
  EXPECT_EQ(read("1 2"), 1);
  EXPECT_EQ(read("-3"), -3);
  EXPECT_EQ(read("3-"), 3);
  EXPECT_EQ(read("abc"), 0);
  EXPECT_EQ(read("  42abc"), 42);
  EXPECT_EQ(read("12345678901234"), 1234567890);  // only 10 characters are read
  EXPECT_EQ(read("9999999999"), INT32_MAX);        // saturates rather than overflowing
  EXPECT_EQ(read("-999999999"), -999999999);
  EXPECT_EQ(read("-9999999999"), -999999999);
  EXPECT_EQ(read("2147483648"), INT32_MAX);
  EXPECT_EQ(UKXTextMacro::ReadNumber(nullptr, 4), 0);
  char out[12];
  EXPECT_EQ(std::string(out, std::size_t(UKXTextMacro::NumberText(INT32_MIN, out))), "-2147483648");
  EXPECT_EQ(std::string(out, std::size_t(UKXTextMacro::NumberText(0, out))), "0");
}

TEST(MacroCode, SyntheticMenuCommands) {
  EXPECT_EQ(UKXTextMacro::EncodeCommand(1150), 1150);
  EXPECT_EQ(UKXTextMacro::EncodeCommand(-(239L * 65536 + 5)), 239 * 256 + 5);
  EXPECT_EQ(UKXTextMacro::DecodeCommand(239 * 256 + 5), -(239L * 65536 + 5));
  for (long menu : {128L, 200L, 255L})
    for (long item : {1L, 77L, 255L}) {
      long command = -(menu * 65536 + item);
      EXPECT_EQ(UKXTextMacro::DecodeCommand(UKXTextMacro::EncodeCommand(command)), command);
    }
  // Menus below 128 come back as the plain command number.
  EXPECT_EQ(UKXTextMacro::DecodeCommand(UKXTextMacro::EncodeCommand(-(100L * 65536 + 3))), 100 * 256 + 3);
  EXPECT_EQ(UKXTextMacro::EncodeCommand(LONG_MIN), 0);  // no overflow on negation
}
