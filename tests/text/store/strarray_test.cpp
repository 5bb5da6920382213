#include "text/store/strarray.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/alloc_sweep.h"
#include "platform/exception.h"
#include "platform/memory.h"
#include "text/base/memory.h"
#include "text/runs/runs.h"
#include "text/codes/script.h"

namespace {

std::string Text(const CKXStrArray& s) {
  std::string out(static_cast<size_t>(s.GetLength()), '\0');
  long n = s.GetLength();
  s.GetText(out.data(), n);
  out.resize(static_cast<size_t>(n));
  return out;
}

std::vector<long> ChunkLens(const CKXStrArray& s) {
  std::vector<long> v;
  for (long k = 1; k <= s.GetCount(); ++k) {
    SKXStr c;
    s.GetAt(k, c);
    v.push_back(c.len);
  }
  return v;
}

// Every chunk within its limits, and (for a text in `script`) no chunk
// ending on the first byte of a double-byte character.
void ExpectChunksSound(const CKXStrArray& s, const std::string& model, short script) {
  std::vector<long> lens = ChunkLens(s);
  ASSERT_FALSE(lens.empty());
  long at = 0;
  for (size_t k = 0; k < lens.size(); ++k) {
    ASSERT_LE(lens[k], CKXStrArray::kMaxChunk);
    if (lens.size() > 1) {
      ASSERT_GT(lens[k], 0) << "empty chunk " << k;
    }
    at += lens[k];
    if (at < static_cast<long>(model.size())) {
      ASSERT_NE(KxTextCharByte(model.data(), static_cast<std::int32_t>(at - 1), script), kByteFirst)
          << "chunk " << k << " ends on a lead byte";
    }
  }
  ASSERT_EQ(at, static_cast<long>(model.size()));
}

// Random Shift_JIS-like text: ASCII, half-width kana and double-byte pairs,
// with some carriage returns.
std::string RandomJapanese(std::mt19937& rng, long n) {
  std::string s;
  std::uniform_int_distribution<int> kind(0, 9), lead(0x81, 0x9F), trail(0x40, 0xFC), ascii(0x20, 0x7E);
  while (static_cast<long>(s.size()) < n) {
    int k = kind(rng);
    if (k < 5) {
      s += char(lead(rng));
      int t = trail(rng);
      s += char(t == 0x7F ? 0x80 : t);
    } else if (k == 9) {
      s += '\r';
    } else {
      s += char(ascii(rng));
    }
  }
  return s;
}

long Boundary(const std::string& model, long pos) {
  if (pos > 0 && pos < static_cast<long>(model.size()) &&
      KxTextCharByte(model.data(), static_cast<std::int32_t>(pos), 1) == kByteLast)
    --pos;
  return pos;
}

TEST(CharacterStore, RandomEditsMatchAStringModel) {
  std::mt19937 rng(7);
  CKXStrArray store;
  std::string model;
  for (int step = 0; step < 400; ++step) {
    std::uniform_int_distribution<int> op(0, 9);
    int o = op(rng);
    long len = static_cast<long>(model.size());
    if (o < 6 || len == 0) {
      long size = std::uniform_int_distribution<long>(1, o == 0 ? 40000 : 300)(rng);
      std::string ins = RandomJapanese(rng, size);
      long pos = Boundary(model, std::uniform_int_distribution<long>(0, len)(rng));
      store.Insert(pos, ins.data(), static_cast<long>(ins.size()));
      model.insert(size_t(pos), ins);
    } else if (o < 9) {
      long a = Boundary(model, std::uniform_int_distribution<long>(0, len)(rng));
      long span = std::uniform_int_distribution<long>(0, o == 8 ? len : 500)(rng);
      long b = Boundary(model, std::min(len, a + span));
      store.Delete(b, a);  // either order
      model.erase(size_t(a), size_t(b - a));
    } else {
      CKXStrArray copy;
      long a = Boundary(model, std::uniform_int_distribution<long>(0, len)(rng));
      long b = Boundary(model, std::uniform_int_distribution<long>(a, len)(rng));
      store.Copy(a, b, &copy);
      ASSERT_EQ(Text(copy), model.substr(size_t(a), size_t(b - a)));
      ExpectChunksSound(copy, model.substr(size_t(a), size_t(b - a)), 1);
      long at = Boundary(model, std::uniform_int_distribution<long>(0, len)(rng));
      store.Insert(at, &copy);
      model.insert(size_t(at), model.substr(size_t(a), size_t(b - a)));
    }
    ASSERT_EQ(store.GetLength(), static_cast<long>(model.size()));
    // Probes first, while the chunk starts behind the edit are still stale,
    // then the whole text.
    for (int probe = 0; probe < 8 && !model.empty(); ++probe) {
      long at = std::uniform_int_distribution<long>(0, long(model.size()) - 1)(rng);
      short type = KxTextCharByte(model.data(), static_cast<std::int32_t>(at), 1);
      ASSERT_EQ(store.GetCharByte(at, 1), type);
      auto u = [&](long i) { return static_cast<unsigned char>(model[size_t(i)]); };
      unsigned short want = type == kByteLast                          ? (u(at - 1) << 8 | u(at))
                            : type == kByteFirst && at + 1 < long(model.size()) ? (u(at) << 8 | u(at + 1))
                                                                                : u(at);
      ASSERT_EQ(store.GetChar(at, 1), want);
      size_t cr = model.find('\r', size_t(at));
      ASSERT_EQ(store.GetNextCR(at), cr == std::string::npos ? long(model.size()) : long(cr));
      const long before = std::uniform_int_distribution<long>(0, long(model.size()) + 1)(rng);
      const size_t back = before == 0 ? std::string::npos : model.rfind('\r', size_t(before - 1));
      ASSERT_EQ(store.GetPrevCR(before), back == std::string::npos ? -1L : long(back)) << "before " << before;
    }
    ASSERT_EQ(Text(store), model) << "step " << step;
    ExpectChunksSound(store, model, 1);
  }
}

TEST(CharacterStore, PrevCRLooksBackAcrossChunks) {
  // Returns at the first byte of a chunk, the last byte of the one before
  // and past the end; an empty chunk in between is stepped over.
  std::string text(40000, 'a');
  text[0] = '\r';
  text[16319] = '\r';
  CKXStrArray s;
  s.SetText(text.data(), long(text.size()));
  EXPECT_EQ(s.GetPrevCR(0), -1);
  EXPECT_EQ(s.GetPrevCR(1), 0);
  EXPECT_EQ(s.GetPrevCR(16319), 0);
  EXPECT_EQ(s.GetPrevCR(16320), 16319);
  EXPECT_EQ(s.GetPrevCR(40000), 16319);
  EXPECT_EQ(s.GetPrevCR(1 << 30), 16319);
  s.Delete(16320, 16320 + 16320);
  EXPECT_EQ(s.GetPrevCR(s.GetLength()), 16319);
  s.Delete(0, 1);
  EXPECT_EQ(s.GetPrevCR(16318), -1);
  EXPECT_EQ(s.GetPrevCR(16319), 16318);
  CKXStrArray empty;
  EXPECT_EQ(empty.GetPrevCR(5), -1);
}

TEST(CharacterStore, SetTextCutsAt16320AndNeverInsideACharacter) {
  std::string text(40000, 'a');
  CKXStrArray s;
  s.SetText(text.data(), 40000);
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{16320, 16320, 7360}));

  text[16319] = char(0x82);
  text[16320] = char(0xA0);
  s.SetText(text.data(), 40000);
  EXPECT_EQ(ChunkLens(s)[0], 16319);
  EXPECT_EQ(s.GetChar(16320, 1), 0x82A0);
  EXPECT_EQ(s.GetChar(16319, 1), 0x82A0);
  EXPECT_EQ(s.GetChar(40000, 1), 0);
  EXPECT_EQ(s.GetChar(-1, 1), 0);

  // In Roman text the same byte is a character of its own: no reason to cut early.
  s.SetText(text.data(), 40000, SKXCutScript{0});
  EXPECT_EQ(ChunkLens(s)[0], 16320);
}

short FontScriptForTest(short font) { return font == 7 ? 0 : 1; }

TEST(CharacterStore, CutsFollowTheScriptOfTheRunAtTheCut) {
  KxFontScriptFn old = KxSetFontScriptHook(FontScriptForTest);
  std::string text(40000, 'a');
  text[16319] = char(0x82);
  text[32639] = char(0x82);
  // Roman font over the first half, Japanese over the rest.
  SKXStyl runs[2] = {};
  runs[0].styl.font = 7;
  runs[1].offset = 20000;
  runs[1].styl.font = 1;
  CKXStylCutScript cut(runs, 2);
  CKXStrArray s;
  s.SetText(text.data(), 40000, cut.Get());
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{16320, 16319, 7361}));
  KxSetFontScriptHook(old);
}

TEST(CharacterStore, InsertSplitsOnlyWhenTheChunkWouldOverflow) {
  std::string big(16380, 'x');
  CKXStrArray s;
  s.SetText(big.data(), 16380);  // 16320 + 60
  s.Delete(16320, 16380);
  s.Insert(16320, big.data(), 60);
  ASSERT_EQ(ChunkLens(s), (std::vector<long>{16380}));
  s.Insert(100, "0123", 4);
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{16384}));
  s.Delete(100, 104);
  s.Insert(100, "0123456789", 10);
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{110, 16280}));
  std::string model = big;
  model.insert(100, "0123456789");
  EXPECT_EQ(Text(s), model);
}

TEST(CharacterStore, DeletingEmptiesAndJoinsChunks) {
  std::string text(40000, 'b');
  CKXStrArray s;
  s.SetText(text.data(), 40000);
  s.Delete(16320, 32640);  // the whole middle chunk
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{16320, 7360}));
  s.Delete(3000, 16320);  // the first two now fit in one
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{3000 + 7360}));
  s.Delete(0, s.GetLength());
  EXPECT_EQ(ChunkLens(s), (std::vector<long>{0}));
  EXPECT_EQ(s.GetLength(), 0);
  CKXStrArray empty;
  s.Copy(0, 0, &empty);
  empty.Insert(0, "ok", 2);  // an empty copy is still usable
  EXPECT_EQ(Text(empty), "ok");
}

TEST(UnicodeSideTable, EntriesFollowTheBytes) {
  CKXStrArray s;
  std::string text(30, 'a');
  s.SetText(text.data(), 30);
  SKXUniChar u{0, 0x20BB70};  // relative to the range
  s.SetSelUniChars(10, 11, &u, 1);
  s.Insert(10, "xyz", 3);
  EXPECT_EQ(s.GetUniChar(13), 0x20BB70u);
  s.Insert(14, "q", 1);
  EXPECT_EQ(s.GetUniChar(13), 0x20BB70u);
  s.Delete(0, 5);
  EXPECT_EQ(s.GetUniChar(8), 0x20BB70u);
  EXPECT_TRUE(s.IsUniCharExist(0, 0));
  s.Delete(5, 12);
  EXPECT_EQ(s.GetUniCharsCount(), 0);
  EXPECT_FALSE(s.IsUniCharExist(0, 0));
}

TEST(UnicodeSideTable, CopyInsertAndAdjust) {
  CKXStrArray s;
  const char bytes[] = "ab\x81\xFC" "cd\xA0" "e";
  s.SetText(bytes, 8);
  SKXUniChar list[2] = {{2, 0x20B9F000}, {6, 0x00E90000}};
  s.SetUniChars(list, 2);
  CKXStrArray part;
  s.Copy(1, 7, &part);
  ASSERT_EQ(part.GetUniCharsCount(), 2);
  EXPECT_EQ(part.GetUniChar(1), 0x20B9F000u);
  s.Insert(0, &part);
  EXPECT_EQ(s.GetUniCharsCount(), 4);
  EXPECT_EQ(s.GetUniChar(5), 0x00E90000u);
  EXPECT_EQ(s.GetUniChar(8), 0x20B9F000u);
  EXPECT_EQ(s.GetUniCharIfExists(8, "\x81\xFC", 2, 1), 0x20B9F000u);
  EXPECT_EQ(s.GetUniCharIfExists(8, "\x81\xFB", 2, 1), 0u);
  // The single byte 0xA0 is a placeholder in Japanese text too: the bridge
  // writes it for values below U+2000 in every script.
  EXPECT_EQ(s.GetUniCharIfExists(5, "\xA0", 1, 1), 0x00E90000u);
  EXPECT_EQ(s.GetUniCharIfExists(5, "\xA0", 1, 0), 0x00E90000u);
  EXPECT_EQ(s.GetUniCharIfExists(4, "\xA0", 1, 1), 0u);   // no entry there

  // Overwrite a placeholder with ordinary text: Adjust drops its entry.
  s.Delete(8, 10);
  s.Insert(8, "zz", 2);
  s.AdjustUniChars(0, 0);
  EXPECT_EQ(s.GetUniCharsCount(), 3);
  EXPECT_EQ(s.GetUniChar(8), 0u);
  s.Delete(0, s.GetLength());
  EXPECT_EQ(s.GetUniCharArray(), nullptr);
}

TEST(UnicodeSideTable, IncomingListsAreChecked) {
  CKXStrArray s;
  s.SetText("abcdef", 6);
  SKXUniChar list[5] = {{3, 1}, {1, 2}, {3, 3}, {5, 4}, {6, 5}};  // out of order, repeated, past the end
  s.SetUniChars(list, 5);
  EXPECT_EQ(s.GetUniCharsCount(), 2);
  EXPECT_EQ(s.GetUniChar(3), 1u);
  EXPECT_EQ(s.GetUniChar(5), 4u);
  SKXUniChar rel[2] = {{0, 9}, {4, 9}};  // second entry beyond the 2-byte range
  s.SetSelUniChars(1, 3, rel, 2);
  EXPECT_EQ(s.GetSelUniCharsCount(0, 6), 3);

  unsigned char flat[8];
  KxPutUniCharFlat(flat, SKXUniChar{0x01020304, 0x30420000}, true);
  EXPECT_EQ(flat[0], 1);
  EXPECT_EQ(flat[4], 0x30);
  SKXUniChar back;
  KxGetUniCharFlat(flat, back, true);
  EXPECT_EQ(back.offset, 0x01020304);
  EXPECT_EQ(back.value, 0x30420000u);
  EXPECT_EQ(CKXStrArray::GetUnicodeChar(1), 0x81FC);
  EXPECT_EQ(CKXStrArray::GetUnicodeChar(25), 0xA3BF);
  EXPECT_EQ(CKXStrArray::GetUnicodeChar(0), 0xA0);
}

// ---- memory ---------------------------------------------------------------------------------

// Turns the first failed allocation into a lasting shortage, so that the
// memory layer's retry fails too.
struct StoreState {
  std::string text;
  std::vector<long> chunks;
  std::vector<SKXUniChar> uni;
  bool operator==(const StoreState& o) const {
    if (uni.size() != o.uni.size()) return false;
    for (size_t k = 0; k < uni.size(); ++k)
      if (uni[k].offset != o.uni[k].offset || uni[k].value != o.uni[k].value) return false;
    return text == o.text && chunks == o.chunks;
  }
};

StoreState State(const CKXStrArray& s) {
  StoreState st{Text(s), ChunkLens(s), std::vector<SKXUniChar>(size_t(s.GetUniCharsCount()))};
  s.GetUniChars(st.uni.data(), long(st.uni.size()));
  return st;
}

struct Scenario {
  const char* name;
  std::function<void(CKXStrArray&)> setup;
  std::function<void(CKXStrArray&)> edit;
};

// Fails the n-th allocation of the edit for every n (a failed growth in
// place is still rescued by a fresh block, so every allocation failing at
// once comes first): a failed edit leaves the store exactly as it was,
// without a lost block; one that gets through matches the unhindered edit.
void ExpectAllOrNothing(const Scenario& sc, bool needsMemory) {
  CKXStrArray reference;
  sc.setup(reference);
  sc.edit(reference);
  const StoreState want = State(reference);
  std::optional<CKXStrArray> s;
  StoreState before;
  const int failures = KxSweepAllocations(
      0, 63,
      [&] {
        s.emplace();
        sc.setup(*s);
        before = State(*s);
      },
      [&] { sc.edit(*s); },
      [&](const KxSweepStep& step) {
        EXPECT_EQ(s->Check(), "") << sc.name << ": failing allocation " << step.nth;
        if (step.threw) {
          EXPECT_TRUE(State(*s) == before) << sc.name << ": failing allocation " << step.nth;
          EXPECT_EQ(step.leaked, 0) << sc.name << ": failing allocation " << step.nth;
        } else {
          EXPECT_TRUE(State(*s) == want) << sc.name << ": failing allocation " << step.nth;
        }
      });
  s.reset();
  if (needsMemory) {
    EXPECT_GT(failures, 0) << sc.name;
  }
}

std::string Japanese(long n, unsigned seed) {
  std::mt19937 rng(seed);
  return RandomJapanese(rng, n).substr(0, size_t(n));
}

void SetWithSideEntries(CKXStrArray& s, const std::string& text) {
  s.SetText(text.data(), long(text.size()));
  SKXUniChar u[3] = {{5, 0x20BB7000}, {16000, 0x1F600}, {30000, 0x2603}};
  long n = 0;
  for (const auto& e : u)
    if (e.offset < long(text.size())) u[n++] = e;
  s.SetUniChars(u, n);
}

TEST(CharacterStore, EditsAreAllOrNothingWhenMemoryRunsOut) {
  const std::string big = Japanese(40000, 11);
  const std::string insert = Japanese(20000, 12);
  auto plain = [&](CKXStrArray& s) { SetWithSideEntries(s, big); };
  CKXStrArray source;  // several chunks, with side entries of its own
  SetWithSideEntries(source, Japanese(36000, 13));

  const Scenario needing[] = {
      {"split insert", plain, [&](CKXStrArray& s) { s.Insert(16001, insert.data(), long(insert.size())); }},
      {"insert at the end", plain, [&](CKXStrArray& s) { s.Insert(40000, insert.data(), long(insert.size())); }},
      {"insert a store", plain, [&](CKXStrArray& s) { s.Insert(Boundary(big, 20000), &source); }},
      {"insert a store beside no side table", [](CKXStrArray& s) { s.SetText("abcdef", 6); },
       [&](CKXStrArray& s) { s.Insert(3, &source); }},
      {"insert into a store without chunks", [](CKXStrArray& s) { s.DeleteAll(); },
       [&](CKXStrArray& s) { s.Insert(0, "abc", 3); }},
      {"grow a block in place", [](CKXStrArray& s) { s.SetText("abc", 3); },
       [&](CKXStrArray& s) { s.Insert(1, insert.data(), 300); }},
      // Chunk 1 (100 bytes) and the last chunk meet once the middle one goes.
      {"delete and join", [&](CKXStrArray& s) {
         s.SetText(big.data(), 40000, SKXCutScript{0});
         s.Delete(100, 16320);
       },
       [](CKXStrArray& s) { s.Delete(100, 16420); }},
  };
  for (const auto& sc : needing) ExpectAllOrNothing(sc, true);

  // These need no memory at all: they must get through whatever happens.
  const Scenario free[] = {
      {"delete across chunks", plain, [](CKXStrArray& s) { s.Delete(10, 30000); }},
      {"delete everything", plain, [](CKXStrArray& s) { s.Delete(0, 40000); }},
      {"delete inside a chunk", plain, [](CKXStrArray& s) { s.Delete(3, 7); }},
  };
  for (const auto& sc : free) {
    CKXStrArray s;
    sc.setup(s);
    kx_memtest::FailAll(true);
    EXPECT_NO_THROW(sc.edit(s)) << sc.name;
    kx_memtest::Reset();
  }
}

}  // namespace
