#include "text/runs/runs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/fonts.h"
#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/store/strarray.h"

namespace {

PicHandle MakePict() {
  PicHandle h = KxMemHAlloc(10, true);
  std::memset(*h, 0, 10);
  (*h)[7] = 20;  // bottom
  (*h)[9] = 30;  // right
  return h;
}

std::vector<SKXDeco> Decos(const CKXDecoArray& a) {
  std::vector<SKXDeco> v(static_cast<size_t>(a.GetCount()));
  a.GetTextDecos(v.data(), a.GetCount());
  return v;
}

SKXDeco Deco(long offset, short pict, unsigned short lineBits = 0) {
  return SKXDeco{static_cast<std::int32_t>(offset), SDeco{lineBits, 0, 0, pict}, 0};
}

TEST(RunArrays, NewArraysAndDeletingTheWholeText) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  CKXStylArray s;
  KxFontInstallBackend(nullptr);
  ASSERT_EQ(s.GetCount(), 1);
  SStyl st;
  s.GetStylAt(1, st);
  EXPECT_EQ(st.font, 1);
  EXPECT_EQ(st.size, 12);
  EXPECT_EQ(st.face, 0);
  EXPECT_EQ(st.ascent, 9);        // 3/4 of the size
  EXPECT_EQ(st.height, 9 + 3 + 1);  // with descent and leading

  CKXParaArray p;
  EXPECT_EQ(p.GetCount(), 0);

  SKXStyl runs[3] = {{0, st}, {5, st}, {9, st}};
  runs[1].styl.face = 1;
  s.SetTextStyls(runs, 3);
  ASSERT_EQ(s.GetCount(), 3);
  s.Delete(0, 12, 12);
  EXPECT_EQ(s.GetCount(), 1);
  EXPECT_EQ(s.GetOffsetAt(1), 0);

  CKXDecoArray d;
  SKXDeco dr[2] = {Deco(0, 0, 0x0009), Deco(4, 0, 0x0010)};
  d.SetTextDecos(dr, 2);
  d.Delete(0, 8, 8);
  ASSERT_EQ(d.GetCount(), 1);
  SDeco dd;
  d.GetDecoAt(1, dd);
  EXPECT_EQ(dd.lineBits, 0x0008);  // interline kind gone, underline kept
}

TEST(RunArrays, FaceAndDecorationCodes) {
  SStyl s{}, src{};
  src.face = 1;
  s.face = 1;
  CKXStylArray::SetStylType(s, kKXStylTypeFace, src);
  EXPECT_EQ(s.face, 0);
  CKXStylArray::SetStylType(s, kKXStylTypeFace, src);
  EXPECT_EQ(s.face, 1);
  CKXStylArray::SetStylType(s, kKXStylTypeFaceOn, src);
  EXPECT_EQ(s.face, 1);
  s.face = kFaceExtend | 1;
  src.face = kFaceCondense;
  CKXStylArray::SetStylType(s, kKXStylTypeFace, src);
  EXPECT_EQ(s.face, kFaceCondense | 1);
  src.face = 0;
  CKXStylArray::SetStylType(s, kKXStylTypeFaceOn, src);
  EXPECT_EQ(s.face, 0);
  s.height = 9;
  src.size = 24;
  CKXStylArray::SetStylType(s, kKXStylTypeSize, src);
  EXPECT_EQ(s.size, 24);
  EXPECT_EQ(s.height, 0);
  CKXStylArray::SetStylType(s, 99, src);  // unknown: unchanged
  EXPECT_EQ(s.size, 24);

  SDeco d{2 << 3, 0, 0, 0}, v{2, 0x05, 3, 0};
  CKXDecoArray::SetDecoType(d, kKXDecoTypeUnderLine, v);
  EXPECT_EQ(d.lineBits, 0);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeUnderLine, v);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeSet + kKXDecoTypeUnderLine, v);
  EXPECT_EQ(d.lineBits, 2 << 3);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeNetColor, v);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeNetStyle, v);
  EXPECT_EQ(d.net, 0x55);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeStyle, v);
  CKXDecoArray::SetDecoType(d, kKXDecoTypeStyle, v);
  EXPECT_EQ(d.flags, 0);
  d.lineBits = 0x1FFF;
  v.lineBits = 0;
  CKXDecoArray::SetDecoType(d, kKXDecoTypeInterLine, v);
  EXPECT_EQ(d.lineBits, 0x1007);
}

SParaStyl Tabs(std::vector<short> pos) {
  SParaStyl p{};
  p.tabCount = static_cast<std::uint8_t>(pos.size());
  for (size_t k = 0; k < pos.size(); ++k) p.tabPos[k] = pos[k];
  return p;
}

TEST(RunArrays, TabInsertAndDelete) {
  SParaStyl src = Tabs({100});
  long kinds = 0;
  CKXParaArray::SetParaTabType(kinds, 1, 2);
  src.tabKinds = static_cast<std::uint32_t>(kinds);

  SParaStyl p = Tabs({50, 99, 200});
  CKXParaArray::SetParaType(p, kKXParaTypeTabInsert, src);
  EXPECT_EQ(p.tabCount, 3);
  EXPECT_EQ(p.tabPos[1], 100);
  EXPECT_EQ(CKXParaArray::GetParaTabType(p.tabKinds, 2), 2);

  p = Tabs({50, 200});
  p.tabKinds = 3u << 2;  // the 200 tab is decimal
  CKXParaArray::SetParaType(p, kKXParaTypeTabInsert, src);
  EXPECT_EQ(p.tabCount, 3);
  EXPECT_EQ(p.tabPos[1], 100);
  EXPECT_EQ(p.tabPos[2], 200);
  EXPECT_EQ(CKXParaArray::GetParaTabType(p.tabKinds, 3), 3);
  CKXParaArray::SetParaType(p, kKXParaTypeTabDelete, src);
  EXPECT_EQ(p.tabCount, 2);
  EXPECT_EQ(p.tabPos[1], 200);
  EXPECT_EQ(p.tabPos[2], 0);
  EXPECT_EQ(CKXParaArray::GetParaTabType(p.tabKinds, 3), 0);

  std::vector<short> sixteen;
  for (short k = 1; k <= 16; ++k) sixteen.push_back(k * 10);
  p = Tabs(sixteen);
  SParaStyl before = p;
  src.tabPos[0] = 5;
  CKXParaArray::SetParaType(p, kKXParaTypeTabInsert, src);
  EXPECT_TRUE(CKXParaArray::IsSamePara(p, before));
}

TEST(RunArrays, IncomingParagraphsAreClampedSoEqualRunsMerge) {
  SKXPara runs[2] = {};
  runs[0].para.tabCount = 40;  // from a damaged file
  runs[0].para.tabPos[0] = 72;
  runs[1].offset = 10;
  runs[1].para.tabCount = 16;
  runs[1].para.tabPos[0] = 72;
  runs[1].para.reserved[3] = 9;
  CKXParaArray p;
  p.SetTextParas(runs, 2);
  ASSERT_EQ(p.GetCount(), 1);
  SParaStyl got;
  p.GetParaAt(1, got);
  EXPECT_EQ(got.tabCount, 16);

  // A style for an insertion point, then removing runs over a range.
  SParaStyl centre{};
  centre.justify = 1;
  SKXPara item{0, centre};
  p.Insert(20, &item, 1, 0);
  ASSERT_EQ(p.GetCount(), 2);
  EXPECT_EQ(p.GetOffsetAt(2), 20);
  p.DeletePart(20, 30);  // 20..30 joins the run before; the rest keeps its style
  ASSERT_EQ(p.GetCount(), 2);
  EXPECT_EQ(p.GetOffsetAt(2), 30);
}

TEST(RunArrays, FlatFormsAreBigEndianFieldByField) {
  SKXStyl r{};
  r.offset = 0x01020304;
  r.styl.font = 0x0A0B;
  r.styl.face = 0x21;
  r.styl.size = 12;
  r.styl.color.blue = 0xFFEE;
  unsigned char flat[kKxParaRunFlatSize];
  KxPutStylRunFlat(flat, r, true);
  EXPECT_EQ(flat[0], 1);
  EXPECT_EQ(flat[4 + 4], 0x0A);
  EXPECT_EQ(flat[4 + 6], 0x21);
  EXPECT_EQ(flat[4 + 9], 12);
  EXPECT_EQ(flat[4 + 14], 0xFF);
  SKXStyl back;
  KxGetStylRunFlat(flat, back, true);
  EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);

  SKXDeco d = Deco(7, 0x1234, 0xABCD);
  d.deco.net = 0x56;
  KxPutDecoRunFlat(flat, d, false);
  EXPECT_EQ(flat[4], 0xCD);
  EXPECT_EQ(flat[6], 0x56);
  EXPECT_EQ(flat[8], 0x34);
  SKXDeco dback;
  KxGetDecoRunFlat(flat, dback, false);
  EXPECT_EQ(std::memcmp(&dback, &d, sizeof d), 0);

  SKXPara p{};
  p.offset = 3;
  p.para.tabCount = 2;
  p.para.tabPos[1] = 0x0102;
  p.para.tabLeaders = 0x0000000F;
  KxPutParaRunFlat(flat, p, true);
  EXPECT_EQ(flat[4 + 11], 2);
  EXPECT_EQ(flat[4 + 18], 1);
  EXPECT_EQ(flat[4 + 51], 0x0F);
  SKXPara pback;
  KxGetParaRunFlat(flat, pback, true);
  EXPECT_EQ(std::memcmp(&pback, &p, sizeof p), 0);
}

// Pictures belong to the decoration runs that carry them.
class PictureOwnership : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(gKXPictManager, nullptr); }
  void TearDown() override { gKXPictManager->DeleteAll(); }
  static long Pictures() { return gKXPictManager->GetCount(); }
};

TEST_F(PictureOwnership, CopiesGetTheirOwnAndDeletingReleases) {
  short id = CKXDecoArray::SetPicture(MakePict());
  CKXDecoArray src;
  SKXDeco runs[3] = {Deco(0, 0), Deco(4, id), Deco(5, 0)};
  src.SetTextDecos(runs, 3);  // flat records: the ID is taken over
  EXPECT_EQ(Pictures(), 1);

  CKXDecoArray copy;
  src.Copy(2, 8, &copy);
  std::vector<SKXDeco> c = Decos(copy);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_NE(c[1].deco.pictID, 0);
  EXPECT_NE(c[1].deco.pictID, id);
  EXPECT_EQ(Pictures(), 2);

  CKXDecoArray other;
  other.Insert(0, &src, 9);  // runs from another array: pictures duplicated
  EXPECT_EQ(Pictures(), 3);

  src.Delete(4, 5, 9);  // the picture byte: its run goes, and its picture
  EXPECT_EQ(gKXPictManager->FindPictureIndex(id), 0);
  EXPECT_EQ(Pictures(), 2);

  short w, h;
  EXPECT_NE(copy.GetPictureAt(2, w, h), nullptr);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 20);

  copy.Delete(0, 6, 6);  // the whole text releases every picture of it
  EXPECT_EQ(Pictures(), 1);
  std::vector<SKXDeco> left = Decos(copy);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].deco.pictID, 0);
}

TEST_F(PictureOwnership, SplittingNeverSharesAPicture) {
  short id = CKXDecoArray::SetPicture(MakePict());
  CKXDecoArray d;
  SKXDeco runs[2] = {Deco(0, 0), Deco(3, id)};  // a damaged list: the picture run is 5 bytes
  d.SetTextDecos(runs, 2);
  SKXDeco item = Deco(0, 0, 8);
  d.Insert(5, &item, 1, 2);  // inside the picture run
  std::vector<SKXDeco> v = Decos(d);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[1].deco.pictID, id);
  EXPECT_EQ(v[3].deco.pictID, 0);
  d.DeleteAll();
  EXPECT_EQ(Pictures(), 0);

  // With the text at hand, a picture is accepted only on one 0xCA byte.
  CKXStrArray text;
  text.SetText("ab\xCA" "cd", 5);
  SKXDeco in[4] = {Deco(0, 0), Deco(2, 7), Deco(3, 8), Deco(4, 0)};
  long n = KxCheckDecoRuns(in, 4, 5, &text);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(in[1].deco.pictID, 7);
  EXPECT_EQ(in[2].offset, 3);
  EXPECT_EQ(in[2].deco.pictID, 0);
  // A picture run that comes first starts at 0 (and is then no longer one
  // byte); an ID named twice stays with its first run.
  text.SetText("\xCA\xCA" "a\xCA", 4);
  SKXDeco twice[4] = {Deco(1, 7), Deco(2, 0), Deco(3, 7), Deco(4, 0)};
  ASSERT_EQ(KxCheckDecoRuns(twice, 4, 4, &text), 2);
  EXPECT_EQ(twice[0].deco.pictID, 0);
  EXPECT_EQ(twice[1].deco.pictID, 7);
  SKXDeco again[4] = {Deco(0, 7), Deco(1, 0), Deco(3, 7), Deco(4, 0)};
  ASSERT_EQ(KxCheckDecoRuns(again, 4, 4, &text), 2);
  EXPECT_EQ(again[0].deco.pictID, 7);
  EXPECT_EQ(again[1].deco.pictID, 0);
}

TEST_F(PictureOwnership, ReferringArraysNeitherCopyNorRelease) {
  short id = CKXDecoArray::SetPicture(MakePict());
  CKXDecoArray src;
  SKXDeco runs[2] = {Deco(0, 0), Deco(1, id)};
  src.SetTextDecos(runs, 2);
  {
    CKXDecoArray view;
    view.SetReferToPicture(1);
    view.SetItems(&src);
    EXPECT_EQ(Decos(view)[1].deco.pictID, id);
    EXPECT_EQ(Pictures(), 1);
  }
  EXPECT_EQ(Pictures(), 1);  // the referring array left it alone
}

TEST(RunArrays, RubyTravelsWithDecorationCopies) {
  CKXDecoArray d;
  d.SetRuby(4, 8, reinterpret_cast<const unsigned char*>("ru"), 2);
  CKXDecoArray part;
  d.Copy(2, 6, &part);
  ASSERT_EQ(part.GetRubysCount(), 1);
  SKXRuby r;
  part.GetRubyAt(1, r);
  EXPECT_EQ(r.pos, 2);
  EXPECT_EQ(r.baseLen, 2);  // cut to the copied range
  EXPECT_EQ(d.GetSelRubysCount(0, 100), 1);
  SKXRuby orig;
  d.GetRubyAt(1, orig);
  EXPECT_EQ(orig.baseLen, 4);

  CKXDecoArray dest;
  dest.Insert(0, &part, 4);  // ruby comes along
  EXPECT_EQ(dest.GetRubysCount(), 1);
  dest.Paste(0, 4, &d, 20);  // d's ruby lies beyond the 4 pasted bytes
  EXPECT_FALSE(dest.IsRubyExist(0, 0));
  dest.Paste(0, 4, &part, 20);
  EXPECT_TRUE(dest.IsRubyExist(0, 4));
}

}  // namespace
