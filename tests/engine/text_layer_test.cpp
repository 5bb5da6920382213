// Line ends of plain text, the deleted-text buffer, type-ahead and the
// memory purge of the editing layer.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>
#include <string>

#include "layer_fixture.h"
#include "platform/keys.h"

namespace {
using kxtest::Diff;
using kxtest::Snapshot;
using kxtest::Take;
using kxtest::TestLayer;

std::string Text(const TestLayer& layer) {
  std::string s(std::size_t(KXText_GetLength(layer.GetEdit())), '\0');
  KXText_GetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return s;
}

void SetText(TestLayer& layer, const std::string& s) {
  KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
}

std::string Check(std::string s, short& type) {
  long removed = 0;
  type = CKXTextLayer::CheckTextType(s.data(), long(s.size()), removed);
  s.resize(s.size() - std::size_t(removed));
  return s;
}

TEST(TextLayer, CheckTextTypeMakesCROnly) {
  const struct {
    const char* in;
    const char* out;
    short type;
  } kCases[] = {{"a\r\nb\r\n", "a\rb\r", 1}, {"a\nb\n\nc", "a\rb\r\rc", 2}, {"a\rb\x1a", "a\rb", 1},
                {"a\r\nb\nc", "a\rb\nc", 1},  {"", "", 0},                 {"\n\r\n", "\r\r", 1}};
  for (const auto& c : kCases) {
    short type = -1;
    EXPECT_EQ(Check(c.in, type), c.out) << c.in;
    EXPECT_EQ(type, c.type) << c.in;
  }
}

// Runs between line ends go as a whole: the answers, bytes and entries are
// those of a byte-by-byte reading, on random mixes of CR, LF, Ctrl-Z
// (last or not), long runs without a line end and side entries.
TEST(TextLayer, CheckTextTypeMatchesAByteByByteReading) {
  auto byteByByte = [](std::string& bytes, long& removed, std::vector<SKXUniChar>& entries) {
    const long len = long(bytes.size());
    removed = 0;
    if (len <= 0) return CKXTextLayer::kLineEndCR;
    short type = CKXTextLayer::kLineEndCR;
    long write = -1;
    char prev = 0;
    std::size_t e = 0;
    for (long i = 0; i < len; ++i) {
      for (; e < entries.size() && entries[e].offset <= i; ++e) entries[e].offset -= std::int32_t(removed);
      const char c = bytes[std::size_t(i)];
      if (c == 0x1A && i == len - 1) {
        ++removed;
        type = CKXTextLayer::kLineEndCRLF;
        break;
      }
      if (c == '\n' && prev == '\r') {
        ++removed;
        if (write < 0) write = i;
        type = CKXTextLayer::kLineEndCRLF;
      } else if (c == '\n' && type != CKXTextLayer::kLineEndCRLF) {
        bytes[std::size_t(i)] = '\r';
        type = CKXTextLayer::kLineEndLF;
      } else if (write >= 0) {
        bytes[std::size_t(write++)] = c;
      }
      prev = c;
    }
    for (; e < entries.size(); ++e) entries[e].offset -= std::int32_t(removed);
    return type;
  };
  std::mt19937 rng(4211);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    std::vector<SKXUniChar> entries;
    const int pieces = pick(0, 30);
    for (int k = 0; k < pieces; ++k) {
      switch (pick(0, 6)) {
        case 0: text += '\r'; break;
        case 1: text += '\n'; break;
        case 2: text += "\r\n"; break;
        case 3: text += '\x1A'; break;
        case 4: text += std::string(std::size_t(pick(1, 300)), char('a' + pick(0, 25))); break;
        default:
          entries.push_back(SKXUniChar{std::int32_t(text.size()), std::uint32_t(k)});
          text += "\x82\xA0";
      }
    }
    std::string want = text;
    std::vector<SKXUniChar> wantEntries = entries;
    long wantRemoved = 0;
    const short wantType = byteByByte(want, wantRemoved, wantEntries);
    long removed = 0;
    const short type = CKXTextLayer::CheckTextType(text.data(), long(text.size()), removed, entries.data(),
                                                   long(entries.size()));
    ASSERT_EQ(type, wantType) << round;
    ASSERT_EQ(removed, wantRemoved) << round;
    ASSERT_EQ(text.substr(0, text.size() - std::size_t(removed)), want.substr(0, want.size() - std::size_t(removed)))
        << round;
    for (std::size_t k = 0; k < entries.size(); ++k) ASSERT_EQ(entries[k].offset, wantEntries[k].offset) << round;
  }
}

// Plain text whose line ends are all of one kind comes back byte for byte:
// CheckTextType reads the kind and makes CR of it, ChangeTextType writes it
// again. Ctrl-Z is left out: a final one is dropped for good. Side entries
// on the two-byte characters still stand on them afterwards.
TEST(TextLayer, ChangeTextTypeUndoesCheckForUniformLineEnds) {
  std::mt19937 rng(3107);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  static const char* kEnds[] = {"\r", "\r\n", "\n"};
  for (int round = 0; round < 600; ++round) {
    const short kind = short(pick(0, 2));
    std::string file;
    std::vector<SKXUniChar> entries;
    for (int n = pick(0, 40); n-- > 0;) {
      const int c = pick(0, 9);
      if (c == 0) {
        file += kEnds[kind];
      } else if (c == 1) {  // a two-byte character
        entries.push_back(SKXUniChar{std::int32_t(file.size()), std::uint32_t(file.size()) << 16});
        file += char(0x82), file += char(0xA0 + pick(0, 80));
      } else {
        file += char(pick(0, 2) ? 'a' + pick(0, 25) : pick(0x20, 0xFF));
      }
    }
    const bool hasEnd = file.find_first_of("\r\n") != std::string::npos;
    std::string text = file;
    long removed = 0;
    const short seen =
        CKXTextLayer::CheckTextType(text.data(), long(text.size()), removed, entries.data(), long(entries.size()));
    text.resize(text.size() - std::size_t(removed));
    for (const SKXUniChar& e : entries)
      EXPECT_EQ(text.substr(std::size_t(e.offset), 2), file.substr(e.value >> 16, 2)) << round;
    EXPECT_EQ(text.find('\n'), std::string::npos) << round;
    EXPECT_EQ(seen, hasEnd ? kind : CKXTextLayer::kLineEndCR) << round;
    long added = 0;
    const std::string cr = text;
    CKXTextLayer::ChangeTextType(text, seen, added);
    EXPECT_EQ(text, file) << round;
    EXPECT_EQ(long(text.size()), long(cr.size()) + added) << round;
  }
}

// Growing its own buffer, ChangeTextType has room for every CR however many
// come (a flavor may bring CRs inside ruby text that a caller's count of
// line ends misses).
TEST(TextLayer, ChangeTextTypeToCRLFGrowsAsItNeeds) {
  const struct {
    const char* in;
    short type;
    const char* out;
    long added;
  } kCases[] = {{"a\rb\r", 1, "a\r\nb\r\n", 2}, {"\r\r\r", 1, "\r\n\r\n\r\n", 3}, {"", 1, "", 0},
                {"a\rb", 2, "a\nb", 0},         {"a\rb", 0, "a\rb", 0}};
  for (const auto& c : kCases) {
    std::string s = c.in;
    long added = -1;
    CKXTextLayer::ChangeTextType(s, c.type, added);
    EXPECT_EQ(s, c.out) << c.in;
    EXPECT_EQ(added, c.added) << c.in;
  }
  std::string many(100000, '\r');
  long added = 0;
  CKXTextLayer::ChangeTextType(many, 1, added);
  EXPECT_EQ(added, 100000);
  EXPECT_EQ(many.size(), 200000u);
  EXPECT_EQ(many.find("\r\r"), std::string::npos);
}

TEST(TextLayer, CommandDeleteFillsTheBufferAndCommandOptionEnterPutsItBack) {
  TestLayer layer;
  KXText_SetText(layer.GetEdit(), "one two", 7, nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({7, 0}, false);
  layer.DoKey(8, 4);  // backspace a word with option
  layer.DoKey(8, 2);  // and the rest of the line with command
  EXPECT_FALSE(layer.GetDeletedText().empty());
  const std::string deleted = layer.GetDeletedText();
  layer.DoKey(3, 6);
  char buf[16] = {};
  const long n = KXText_GetText(layer.GetEdit(), buf, 16, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(std::string(buf, std::size_t(n)), deleted);
}

TEST(TextLayer, CommandOptionEnterWithNothingDeletedChangesNothing) {
  TestLayer layer;
  SetText(layer, "abc");
  layer.SetSelectionRange({1, 0}, false);
  layer.DoKey(3, 6);
  EXPECT_EQ(Text(layer), "abc");
  EXPECT_EQ(layer.GetAction(), nullptr);
}

// Keys that wait in the queue are held back and go in as one string; any
// other event first puts the held keys in.
TEST(TextLayer, TypeAheadHoldsKeysUntilNoneWaits) {
  struct Case {
    const char* name;
    void (*after)(TestLayer&);  // what comes after 'a' and 'b' were held
    const char* text;
    long changes;  // edits of the text
  };
  const Case kCases[] = {
      {"a third key with none waiting", [](TestLayer& l) { l.DoKey('c', 0); }, "abc", 1},
      {"idle", [](TestLayer& l) { l.Idle(); }, "ab", 1},
      {"a click", [](TestLayer& l) { l.Click(0, 0, 0, 1, 0); }, "ab", 1},
      {"undo", [](TestLayer& l) { l.Undo(); }, "", 2},  // the held keys go in, then out
      {"a command key", [](TestLayer& l) { l.DoKey('c', 2); }, "abc", 2},
      {"a line end", [](TestLayer& l) { l.DoKey(13, 0); }, "ab\r", 2},
      {"a menu command", [](TestLayer& l) { l.DoCut(); }, "ab", 1},
  };
  for (const Case& c : kCases) {
    TestLayer layer;
    KxFakeKeys keys;
    KxSetKeySource(&keys);
    keys.PushKeyDown('b', 0);
    layer.DoKey('a', 0);
    layer.DoKey('b', 0);  // 'b' itself still waits in the queue
    EXPECT_EQ(Text(layer), "") << c.name;
    keys.PopKeyDown();
    const long changes = layer.changes;
    c.after(layer);
    KxSetKeySource(nullptr);
    EXPECT_EQ(Text(layer), c.text) << c.name;
    EXPECT_EQ(layer.changes - changes, c.changes) << c.name;
    // However they went in, the held keys and what followed are one action.
    if (*c.text) {
      layer.Undo();
      EXPECT_EQ(Text(layer), "") << c.name;
    } else {
      layer.Redo();
      EXPECT_EQ(Text(layer), "ab") << c.name;
    }
  }
  // A key followed by a waiting command key is not held.
  TestLayer layer;
  KxFakeKeys keys;
  KxSetKeySource(&keys);
  keys.PushKeyDown('v', kKxEventCommandKey);
  layer.DoKey('a', 0);
  KxSetKeySource(nullptr);
  EXPECT_EQ(Text(layer), "a");
}

// Smart spaces: cut and delete take one space along, paste and drop add
// the ones the text needs; undo gives back exactly what stood there.
TEST(TextLayer, SmartSpacesAndTheirUndo) {
  struct Case {
    const char* name;
    const char* text;
    SKXRange sel;
    void (*edit)(TestLayer&);
    const char* result;
  };
  const Case kCases[] = {
      {"cut a middle word", "a b c", {2, 1}, [](TestLayer& l) { l.DoCut(); }, "a c"},
      {"delete the first word", "ab cd", {0, 2}, [](TestLayer& l) { l.DoDelete(); }, "cd"},
      {"delete the last word", "ab cd", {3, 2}, [](TestLayer& l) { l.DoDelete(); }, "ab"},
      {"forward delete of a selection", "a b c", {2, 1}, [](TestLayer& l) { l.DoKey(127, 0); }, "a c"},
      {"backspace over a selection", "a b c", {2, 1}, [](TestLayer& l) { l.DoKey(8, 0); }, "a c"},
      {"paste between words", "ab", {1, 0},
       [](TestLayer& l) {
         const KXTextHandle t = KXText_New();
         KXText_SetText(t, "x", 1, nullptr, 0, nullptr, 0, nullptr, 0);
         l.SetScrap(t);
         KXText_Dispose(t);
         l.DoPaste(0);
       },
       "a x b"},
      {"drop after a space", "ab cd", {3, 0},
       [](TestLayer& l) {
         const KXTextHandle t = KXText_New();
         KXText_SetText(t, "x", 1, nullptr, 0, nullptr, 0, nullptr, 0);
         l.DoDrop({3, 0}, t, 0, 0);
         KXText_Dispose(t);
       },
       "ab x cd"},
      {"move a word", "ab cd ef", {3, 2}, [](TestLayer& l) { l.DoMove({3, 2}, {8, 0}); }, "ab ef cd"},
  };
  for (const Case& c : kCases) {
    TestLayer layer;
    // Spaces in a style of their own, to be given back in that style.
    std::vector<SKXStyl> runs;
    for (std::int32_t k = 0; c.text[k]; ++k)
      runs.push_back({k, {0, 0, 1, 0, 0, short(c.text[k] == ' ' ? 9 : 18), {0, 0, 0}}});
    KXText_SetText(layer.GetEdit(), c.text, long(std::strlen(c.text)), runs.data(), std::int32_t(runs.size()),
                   nullptr, 0, nullptr, 0);
    KXTE_CalcText(layer.GetEdit());
    layer.SetSmartEdit(true);
    layer.SetSelectionRange(c.sel, false);
    const Snapshot before = Take(layer);
    c.edit(layer);
    EXPECT_EQ(Text(layer), c.result) << c.name;
    const Snapshot after = Take(layer);
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << c.name;
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << c.name;
  }
}

TEST(TextLayer, AControlKeyAfterHeldKeysIsNotLost) {
  TestLayer layer;
  KxFakeKeys keys;
  KxSetKeySource(&keys);
  keys.PushKeyDown('b', 0);
  layer.DoKey('a', 0);  // held back: another key waits
  keys.PopKeyDown();
  layer.DoKey(13, 0);  // return: the held key goes in first, then the return
  KxSetKeySource(nullptr);
  char buf[8] = {};
  const long n = KXText_GetText(layer.GetEdit(), buf, 8, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(std::string(buf, std::size_t(n)), "a\r");
}

TEST(TextLayer, APurgeDuringACommandWaitsForItToReturn) {
  TestLayer layer;
  KXText_SetText(layer.GetEdit(), "abc def", 7, nullptr, 0, nullptr, 0, nullptr, 0);
  layer.SetSelectionRange({0, 3}, false);
  layer.DoCut();
  ASSERT_NE(layer.GetAction(), nullptr);
  // A shortage inside the next command's edit would free the action the
  // command is building on.
  layer.SetSelectionRange({1, 2}, false);
  layer.onResult = [](std::uint16_t) { CKXTextLayer::PurgeUndoStates(); };
  layer.DoDelete();
  layer.onResult = nullptr;
  EXPECT_EQ(layer.GetAction(), nullptr);
  EXPECT_TRUE(CKXTextLayer::PurgeUndoStates() == false);
}

}  // namespace
