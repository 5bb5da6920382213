#include "text/runs/ruby.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/runs/runs.h"

namespace {

SKXRuby Ruby(long pos, int base, const char* text) {
  SKXRuby r{};
  r.pos = static_cast<std::int32_t>(pos);
  r.baseLen = static_cast<unsigned char>(base);
  r.rubyLen = static_cast<unsigned char>(std::strlen(text));
  std::memcpy(r.text, text, r.rubyLen);
  return r;
}

std::vector<SKXRuby> All(const CKXRubyArray& a) {
  std::vector<SKXRuby> v(static_cast<size_t>(a.GetCount()));
  a.GetRubys(v.data(), a.GetCount());
  return v;
}

const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

TEST(RubyArray, SetRubyLimitsAndZeroFills) {
  CKXRubyArray a;
  a.SetRuby(0, 200, U("abc"), 3);
  std::vector<SKXRuby> v = All(a);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].baseLen, 127);
  const char* longRuby = "0123456789012345678901234567890123456789";
  a.SetRuby(300, 302, U(longRuby), 40);
  ASSERT_TRUE(a.GetRubyAt(2, v[0]));
  EXPECT_EQ(v[0].rubyLen, 30);
  a.SetRuby(400, 402, U(longRuby), 2);
  ASSERT_TRUE(a.GetRubyAt(3, v[0]));
  for (int k = 2; k < 30; ++k) EXPECT_EQ(v[0].text[k], 0) << k;  // never the caller's bytes beyond rubyLen
}

TEST(RubyArray, SetRubyReplacesEveryOverlapAndKeepsOrder) {
  CKXRubyArray a;
  a.SetRuby(50, 55, U("c"), 1);
  a.SetRuby(10, 15, U("a"), 1);
  a.SetRuby(30, 35, U("b"), 1);
  std::vector<SKXRuby> v = All(a);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].pos, 10);
  EXPECT_EQ(v[1].pos, 30);
  EXPECT_EQ(v[2].pos, 50);

  // Overlaps the tail of the 10 ruby and the head of the 30 one.
  a.SetRuby(12, 32, U("x"), 1);
  v = All(a);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].pos, 12);
  EXPECT_EQ(v[0].baseLen, 20);
  EXPECT_EQ(v[1].pos, 50);

  long from = 20, to = 0, len = 0;
  unsigned char text[30];
  ASSERT_TRUE(a.GetRuby(from, to, text, len));
  EXPECT_EQ(from, 12);
  EXPECT_EQ(to, 32);
  EXPECT_EQ(text[0], 'x');
  from = 40;
  EXPECT_FALSE(a.GetRuby(from, to, text, len));

  a.SetRuby(0, 100, nullptr, 0);  // zero length only removes
  EXPECT_EQ(a.GetCount(), 0);
}

TEST(RubyArray, EditsMoveAndCutRubies) {
  CKXDecoArray d;
  d.SetRuby(10, 15, U("ab"), 2);
  d.SetRuby(20, 30, U("cd"), 2);
  SKXDeco plain{};
  d.Insert(0, &plain, 1, 5);  // text inserted before both
  SKXRuby r;
  ASSERT_TRUE(d.GetRubyAt(1, r));
  EXPECT_EQ(r.pos, 15);
  d.Delete(27, 40, 100);  // the tail of the second base goes
  ASSERT_TRUE(d.GetRubyAt(2, r));
  EXPECT_EQ(r.pos, 25);
  EXPECT_EQ(r.baseLen, 2);
  d.Delete(14, 21, 87);  // the whole first base
  EXPECT_EQ(d.GetRubysCount(), 1);
  d.Delete(18, 20, 80);
  EXPECT_EQ(d.GetRubysCount(), 0);
  EXPECT_EQ(d.GetRubyArray(), nullptr);  // the last one takes the array with it
}

TEST(RubyInline, RoundTrip) {
  // "KANJI" (5 bytes) at 0 with a 4-byte ruby, a 2-byte base at 10.
  SKXRuby rubys[2] = {Ruby(0, 5, "kana"), Ruby(10, 2, "yo")};
  std::string plain = "KANJIabcdeXYtail";
  long len = static_cast<long>(plain.size());
  long added = UKXRuby::ToRubyInfo(0, rubys, 2, nullptr);
  EXPECT_EQ(added, 10);
  std::vector<char> buf(plain.begin(), plain.end());
  buf.resize(plain.size() + size_t(added));
  UKXRuby::InsertRubyToText(0, rubys, 2, buf.data(), len);
  std::string inl(buf.data(), size_t(len));
  EXPECT_EQ(inl, "KANJI(kana)abcdeXY(yo)tail");

  SKXRubyInfo infos[2];
  UKXRuby::ToRubyInfo(0, rubys, 2, infos);
  EXPECT_EQ(infos[0].pos, 0);
  EXPECT_EQ(infos[0].baseLen, 5);
  EXPECT_EQ(infos[0].inlineLen, 6);
  EXPECT_EQ(infos[1].pos, 16);

  SKXRuby back[2];
  long count = 0;
  EXPECT_EQ(UKXRuby::FromRubyInfo(infos, 2, inl.data(), len, back, &count), 10);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(std::memcmp(back, rubys, sizeof rubys), 0);
  UKXRuby::DeleteRubyFromText(0, back, 2, buf.data(), len);
  EXPECT_EQ(std::string(buf.data(), size_t(len)), plain);

  // Positions: 0, inside the first base, after it, after both.
  std::int32_t pos[4] = {0, 3, 7, 14};
  UKXRuby::InsertRubyToPos(0, rubys, 2, pos, 4, 4);
  EXPECT_EQ(pos[2], 13);
  EXPECT_EQ(pos[3], 24);
  UKXRuby::DeleteRubyFromPos(0, rubys, 2, pos, 4, 4);
  EXPECT_EQ(pos[1], 3);
  EXPECT_EQ(pos[2], 7);
  EXPECT_EQ(pos[3], 14);
}

TEST(RubyInline, FromRubyInfoDropsBadInfos) {
  std::string inl = "AB(x)CD(yy)EF";
  SKXRubyInfo infos[] = {
      {0, 2, 3, 0},    // good
      {0, 2, 3, 0},    // repeated: out of order
      {5, 0, 4, 0},    // no base
      {5, 2, 1, 0},    // inline shorter than the parentheses
      {12, 2, 4, 0},   // past the end
      {5, 2, 4, 0},    // good
  };
  SKXRuby out[6];
  long count = 0;
  EXPECT_EQ(UKXRuby::FromRubyInfo(infos, 6, inl.data(), long(inl.size()), out, &count), 7);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(out[1].pos, 2);  // plain position
  EXPECT_EQ(std::string(out[1].text, out[1].rubyLen), "yy");

  // A ruby text longer than the field is not taken.
  std::string longer = "AB(" + std::string(31, 'r') + ")";
  SKXRubyInfo big{0, 2, 33, 0};
  EXPECT_EQ(UKXRuby::FromRubyInfo(&big, 1, longer.data(), long(longer.size()), out, &count), 0);
  EXPECT_EQ(count, 0);

  unsigned char flat[6];
  KxPutRubyInfoFlat(flat, SKXRubyInfo{0x102, 5, 6, 0}, true);
  EXPECT_EQ(flat[2], 1);
  EXPECT_EQ(flat[3], 2);
  SKXRubyInfo info;
  KxGetRubyInfoFlat(flat, info, true);
  EXPECT_EQ(info.pos, 0x102);
  EXPECT_EQ(info.inlineLen, 6);
}

TEST(RubyInline, ExportingARangeLeavesTheStoredRubyAlone) {
  CKXDecoArray d;
  d.SetRuby(2, 8, U("rb"), 2);
  // The base holds a carriage return: the exported copy cuts it there.
  char buf[64] = "ab12\r45678";
  long len = 10;
  ASSERT_EQ(d.GetSelRubysInsertSize(0, 10), 4);
  d.GetSelRubysInsertText(0, 10, buf, len);
  EXPECT_EQ(std::string(buf, size_t(len)), "ab12(rb)\r45678");
  SKXRuby r;
  ASSERT_TRUE(d.GetRubyAt(1, r));
  EXPECT_EQ(r.baseLen, 6);

  SKXRubyInfo info[2];
  EXPECT_EQ(d.GetSelRubysInfo(1, 10, info, 2), 1);
  EXPECT_EQ(info[0].pos, 1);
}

TEST(RubyInline, IncomingRubyListsAreChecked) {
  CKXDecoArray d;
  SKXRuby in[] = {Ruby(0, 3, "a"), Ruby(2, 3, "overlap"), Ruby(10, 0, "nobase"), Ruby(20, 4, "ok")};
  in[3].text[5] = 'z';  // garbage beyond rubyLen
  d.SetSelRubys(0, 22, in, 4, 100);
  ASSERT_EQ(d.GetRubysCount(), 1);  // the one at 20 runs past the 22-byte range
  d.SetSelRubys(0, 30, in, 4, 100);
  ASSERT_EQ(d.GetRubysCount(), 2);
  SKXRuby r;
  d.GetRubyAt(2, r);
  EXPECT_EQ(r.text[5], 0);
}

TEST(RubyArray, BytesInsertedInsideABaseJoinIt) {
  CKXDecoArray d;
  d.SetRuby(10, 14, U("ab"), 2);
  d.SetRuby(20, 22, U("c"), 1);
  SKXDeco plain{};
  d.Insert(12, &plain, 1, 1);  // inside: the base takes the byte
  d.Insert(10, &plain, 1, 2);  // at the start and at the end: the base moves or stays
  d.Insert(17, &plain, 1, 2);
  d.Paste(13, 15, &plain, 1, 100);  // runs over its middle leave it whole
  std::vector<SKXRuby> v = All(*d.GetRubyArray());
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].pos, 12);
  EXPECT_EQ(v[0].baseLen, 5);
  EXPECT_EQ(v[1].pos, 25);

  d.Insert(13, &plain, 1, kKxRubyMaxBase - 5);  // to the limit, not past it
  EXPECT_EQ(All(*d.GetRubyArray())[0].baseLen, kKxRubyMaxBase);
  d.Insert(13, &plain, 1, 1);
  EXPECT_EQ(d.GetRubysCount(), 1);
  // Rubies that would nest in another base take its place.
  CKXRubyArray a;
  a.SetRuby(0, 4, U("o"), 1);
  SKXRuby inner = Ruby(0, 1, "i");
  a.Insert(2, &inner, 1, 3);
  v = All(a);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].pos, 2);
}

TEST(RubyInline, BasesEndOnCharacterBoundaries) {
  // Shift_JIS KAN, X, JI: a base of 4 bytes ends after the lead byte of JI.
  const std::string text = "\x8A\xBFX\x8E\x9A";
  CKXDecoArray d;
  SKXRuby stored = Ruby(0, 4, "kana");
  d.SetSelRubys(0, 5, &stored, 1, 5);
  char buf[32] = {};
  std::memcpy(buf, text.data(), text.size());
  long len = long(text.size());
  d.GetSelRubysInsertText(0, 5, buf, len);
  EXPECT_EQ(std::string(buf, size_t(len)), "\x8A\xBFX(kana)\x8E\x9A");
  // In a Roman font 0x8E is a character of its own.
  EXPECT_FALSE(UKXRuby::AdjustRubyTarget(0, &stored, 1, text.data(), long(text.size()), SKXCutScript{0}));
}

}  // namespace
