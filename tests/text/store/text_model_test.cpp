// A randomized editing model: random edits of a styled text are mirrored on
// a plain byte string (with the side entries per byte), and after every step
// the runs must agree with the text: style and decoration runs cover it
// without equal neighbours, paragraph runs sit on paragraph starts, side
// entries sit where the model has them, rubies lie inside the text, and
// every picture is one 0xCA byte whose ID the picture table holds once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/base/memory.h"
#include "text/runs/pictures.h"
#include "text/store/text.h"

namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

struct Model {
  std::string bytes;
  std::vector<std::uint32_t> uni;  // side entry value at each byte, or 0

  std::vector<long> Boundaries() const {
    std::vector<long> b;
    for (long k = 0; k < static_cast<long>(bytes.size());) {
      b.push_back(k);
      k += IsLead(static_cast<unsigned char>(bytes[size_t(k)])) ? 2 : 1;
    }
    b.push_back(static_cast<long>(bytes.size()));
    return b;
  }
  void Insert(long pos, const std::string& s, const std::vector<std::uint32_t>& u) {
    bytes.insert(size_t(pos), s);
    uni.insert(uni.begin() + pos, u.begin(), u.end());
  }
  void Delete(long from, long to) {
    bytes.erase(size_t(from), size_t(to - from));
    uni.erase(uni.begin() + from, uni.begin() + to);
  }
};

std::string TextBytes(const CKXText& t) {
  std::string s(size_t(t.GetLength()), '\0');
  t.GetText(s.data(), t.GetLength(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  return s;
}

std::vector<std::uint32_t> SideEntries(const CKXText& t) {
  std::vector<std::uint32_t> u(size_t(t.GetLength()), 0);
  std::vector<SKXUniChar> list(size_t(t.GetUniCharsCount()));
  t.GetUniChars(list.data(), static_cast<long>(list.size()));
  for (const SKXUniChar& e : list) {
    EXPECT_LT(e.offset, t.GetLength());
    if (e.offset >= 0 && e.offset < t.GetLength()) u[size_t(e.offset)] = e.value;
  }
  return u;
}

long PicturesIn(const CKXText& t) {
  std::vector<SKXDeco> d(size_t(t.GetDecoCount()));
  t.GetDecos(d.data(), static_cast<long>(d.size()));
  long n = 0;
  for (const SKXDeco& r : d) n += r.deco.pictID != 0;
  return n;
}

// The text against the model, then the text's own rules.
std::string Broken(const CKXText& t, const Model& m) {
  if (TextBytes(t) != m.bytes) return "bytes differ from the model";
  if (SideEntries(t) != m.uni) return "side entries differ from the model";
  return t.Check();
}

TEST(TextModel, RandomEditsKeepEveryRunInStep) {
  // KX_TEXT_MODEL_SEED picks another walk when run by hand.
  const char* seed = std::getenv("KX_TEXT_MODEL_SEED");
  std::mt19937 rng(seed ? static_cast<unsigned>(std::atoi(seed)) : 20261206u);
  auto pick = [&](long n) { return static_cast<long>(rng() % static_cast<unsigned long>(n)); };
  CKXText t;
  CKXText clip;
  Model m;
  Model clipModel;
  SStyl styls[3] = {};
  for (int k = 0; k < 3; ++k) {
    styls[k].font = static_cast<short>(k % 2);
    styls[k].size = static_cast<short>(10 + 2 * k);
    styls[k].face = static_cast<unsigned char>(k == 2 ? 1 : 0);
  }
  SDeco decos[2] = {};
  decos[1].lineBits = 1 << 3;

  for (int step = 0; step < 4000; ++step) {
    std::vector<long> b = m.Boundaries();
    long from = b[size_t(pick(static_cast<long>(b.size())))];
    long to = b[size_t(pick(static_cast<long>(b.size())))];
    if (from > to) std::swap(from, to);
    if (to - from > 40) to = *std::lower_bound(b.begin(), b.end(), from + pick(40));
    long op = pick(m.bytes.size() > 300 ? 19 : 16);
    std::string what;
    switch (op) {
      case 0:
      case 1: {  // typing
        static const char* pieces[] = {"ab", "c", "\r", "\x82\xA0", "de f", "\r\r", "x\x82\xA0y"};
        std::string s = pieces[pick(7)];
        const SStyl* st = pick(2) ? &styls[pick(3)] : nullptr;
        const SDeco* de = pick(3) == 0 ? &decos[pick(2)] : nullptr;
        t.InsertString(from, s.data(), static_cast<long>(s.size()), st, de, nullptr, 0);
        m.Insert(from, s, std::vector<std::uint32_t>(s.size(), 0));
        what = "insert";
        break;
      }
      case 2: {
        std::uint32_t v = 0x4E000000u + static_cast<std::uint32_t>(pick(100)) * 65536u;
        t.InsertUniChar(from, v, nullptr, nullptr);
        m.Insert(from, "\x81\xFC", {v, 0});
        what = "unichar";
        break;
      }
      case 3: {
        SDeco d{};
        PicHandle h = KxMemHAlloc(10, true);
        std::memset(*h, 0, 10);
        d.pictID = CKXDecoArray::SetPicture(h);
        char c = static_cast<char>(kKxPictureByte);
        t.InsertString(from, &c, 1, nullptr, &d, nullptr, 0);
        m.Insert(from, "\xCA", {0});
        what = "picture";
        break;
      }
      case 4:
        t.CopyText(from, to, &clip, CKXText::kWhatAll);
        clipModel.bytes = m.bytes.substr(size_t(from), size_t(to - from));
        clipModel.uni.assign(m.uni.begin() + from, m.uni.begin() + to);
        what = "copy";
        break;
      case 5: {
        static const short modes[] = {0, 1, 2, 4, 8, 3, 5, 9, 14, 15};
        short mode = modes[pick(10)];
        t.PasteText(from, to, &clip, mode);
        if (mode == 0 || (mode & 1)) {
          m.Delete(from, to);
          m.Insert(from, clipModel.bytes, clipModel.uni);
        }
        what = "paste " + std::to_string(mode);
        break;
      }
      case 6:
        t.SetStylFace(from, to, static_cast<unsigned char>(1 << pick(3)), static_cast<unsigned char>(pick(2)));
        what = "face";
        break;
      case 7:
        t.SetDecoUnderLine(from, to, static_cast<unsigned short>(1 + pick(2)), static_cast<unsigned char>(pick(2)));
        what = "underline";
        break;
      case 8:
        t.SetParaJustify(from, to, static_cast<unsigned char>(pick(3)));
        what = "justify";
        break;
      case 9: {
        SParaStyl p{};
        p.leftIndent = static_cast<short>(pick(3) * 10);
        t.SetPara(from, to, p);
        what = "para";
        break;
      }
      case 10: {
        const unsigned char r[] = "rb";
        t.SetRuby(from, to, r, pick(3));
        what = "ruby";
        break;
      }
      case 11:
        t.SetStyl(from, to, styls[pick(3)]);
        what = "style";
        break;
      case 12:
        t.CutText(from, to, &clip);
        clipModel.bytes = m.bytes.substr(size_t(from), size_t(to - from));
        clipModel.uni.assign(m.uni.begin() + from, m.uni.begin() + to);
        m.Delete(from, to);
        what = "cut";
        break;
      case 13: {  // a flat insertion with its own runs, as from a file or the clipboard
        std::string s = "ab\rcd\x82\xA0" "e";
        SKXStyl sr[2] = {{0, styls[2]}, {3, styls[1]}};
        SKXDeco dr[2] = {{0, decos[1], 0}, {2, decos[0], 0}};
        SParaStyl right{};
        right.justify = 2;
        SKXPara pr[2] = {{0, {}}, {3, right}};
        t.InsertText(from, s.data(), static_cast<long>(s.size()), sr, 2, dr, 2, pr, pick(3), nullptr, 0);
        m.Insert(from, s, std::vector<std::uint32_t>(s.size(), 0));
        what = "insert text";
        break;
      }
      case 14:
        t.SetParaTabInsert(from, to, static_cast<short>(10 * pick(20)), pick(4));
        what = "tab";
        break;
      case 15: {
        SParaStyl a{}, b{};
        b.justify = static_cast<unsigned char>(pick(3));
        t.ReplacePara(from, to, 8, a, b);
        what = "replace para";
        break;
      }
      default:
        t.DeleteString(from, to);
        m.Delete(from, to);
        what = "delete";
        break;
    }
    std::string broken = Broken(t, m);
    ASSERT_EQ(broken, "") << "step " << step << ": " << what << " " << from << ".." << to;
    ASSERT_EQ(gKXPictManager->GetCount(), PicturesIn(t) + PicturesIn(clip)) << "step " << step << ": " << what;
  }
}

}  // namespace
