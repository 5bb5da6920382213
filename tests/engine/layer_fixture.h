// A layer for tests: the synthetic font, a scrap of its own, and marks and
// markups kept beside the text and moved with its edits, as an edit object
// keeps them; a snapshot holds everything an undo must give back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/text_layer.h"
#include "platform/fonts.h"
#include "platform/memory.h"

namespace kxtest {

struct SyntheticFontFirst {
  SyntheticFontFirst() { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

class TestLayer : private SyntheticFontFirst, public CKXTextLayer {
 public:
  TestLayer() {
    const RectL dest{0, 0, 400, 200};
    Initialize(RectL{0, 0, 400, 200}, &dest);
    KXTE_Activate(GetEdit());
  }
  ~TestLayer() override {
    if (mScrap) KXText_Dispose(mScrap);
  }

  bool HasMarks() const override { return !mMarkSet.empty(); }
  void GetMarks(KXMarkSet& out) const override { out = mMarkSet; }
  void SetMarks(const KXMarkSet& in) override { mMarkSet = in; }

  // Marks inside removed text go; those over its edge are cut; later ones move.
  void TextChanged(long from, long removed, long inserted) override {
    ++changes;
    const long to = from + removed, delta = inserted - removed;
    KXMarkSet kept;
    for (SKXSavedMark m : mMarkSet) {
      const long s = m.start, e = long(m.start) + m.length;
      if (removed > 0 && s >= from && e <= to && !(m.length == 0 && (s == from || s == to))) continue;
      auto map = [&](long p) { return p <= from ? p : p >= to ? p + delta : from; };
      m.start = std::int32_t(map(s));
      m.length = std::int32_t(std::max(0L, map(e) - m.start));
      kept.push_back(m);
    }
    mMarkSet.swap(kept);
  }
  void TextPutScrap(KXTextHandle text, short) override {
    if (!mScrap) mScrap = KXText_New();
    KXText_SetDuplicate(mScrap, text);
  }
  void TextGetScrap(KXTextHandle text, short& kind) override {
    kind = scrapKind;
    if (mScrap) KXText_SetDuplicate(text, mScrap);
  }
  void SetScrap(KXTextHandle text) { TextPutScrap(text, 0); }
  void TextEditResult(std::uint16_t result) override {
    if (onResult) onResult(result);
  }

  KXMarkSet mMarkSet;
  KXTextHandle mScrap;
  short scrapKind = 0;
  long changes = 0;
  void (*onResult)(std::uint16_t) = nullptr;
};

// Everything an edit may touch, pictures by their content.
struct Snapshot {
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<std::string> pictures;  // one per decoration run
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> uni;
  std::vector<SKXRuby> rubys;
  KXMarkSet marks;
};

inline bool SameBytes(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

template <typename T>
bool SameRecords(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || SameBytes(a.data(), b.data(), a.size() * sizeof(T)));
}

inline Snapshot Take(const TestLayer& layer) {
  const KXTextHandle t = layer.GetEdit();
  Snapshot s;
  s.bytes.resize(std::size_t(KXText_GetLength(t)));
  s.styls.resize(std::size_t(KXText_GetStylCount(t)));
  s.decos.resize(std::size_t(KXText_GetDecoCount(t)));
  s.paras.resize(std::size_t(KXText_GetParaCount(t)));
  s.uni.resize(std::size_t(KXText_GetUniCharsCount(t)));
  KXText_GetText(t, s.bytes.data(), long(s.bytes.size()), s.styls.data(), std::int32_t(s.styls.size()),
                 s.decos.data(), std::int32_t(s.decos.size()), s.paras.data(), std::int32_t(s.paras.size()),
                 s.uni.data(), std::int32_t(s.uni.size()));
  s.rubys.resize(std::size_t(KXText_GetRubysCount(t)));
  KXText_GetRubys(t, s.rubys.data(), std::int32_t(s.rubys.size()));
  for (SKXDeco& d : s.decos) {
    std::string pict;
    if (d.deco.pictID) {
      short w = 0, h = 0;
      if (PicHandle p = UKXText_GetPicture(d.deco.pictID, w, h)) pict.assign(*p, std::size_t(GetHandleSize(p)));
      d.deco.pictID = 1;
    }
    s.pictures.push_back(pict);
  }
  s.marks = layer.mMarkSet;
  return s;
}

// The first difference, or empty.
inline std::string Diff(const Snapshot& a, const Snapshot& b) {
  if (a.bytes != b.bytes) return "bytes";
  if (!SameRecords(a.styls, b.styls)) return "style runs";
  if (!SameRecords(a.decos, b.decos)) return "decoration runs";
  if (a.pictures != b.pictures) return "pictures";
  if (!SameRecords(a.paras, b.paras)) return "paragraph runs";
  if (!SameRecords(a.uni, b.uni)) return "side entries";
  if (!SameRecords(a.rubys, b.rubys)) return "ruby";
  if (a.marks != b.marks) return "marks";
  return {};
}

// The text and its paragraph runs, for a failure message.
inline std::string Show(const Snapshot& s) {
  std::string out = "\"";
  for (const char c : s.bytes) out += c == '\r' ? std::string("\\r") : (unsigned char)c >= 0x80 ? std::string("~") : std::string(1, c);
  out += "\" paras";
  for (const SKXPara& p : s.paras) out += " " + std::to_string(p.offset) + ":" + std::to_string(p.para.leftIndent) + "/" + std::to_string(p.para.firstIndent);
  out += " ruby";
  for (const SKXRuby& r : s.rubys) out += " " + std::to_string(r.pos) + "+" + std::to_string(r.baseLen) + "/" + std::to_string(r.rubyLen);
  if (s.bytes.size() < 40) {
    out += " styls";
    for (const SKXStyl& t : s.styls) out += " " + std::to_string(t.offset) + ":" + std::to_string(t.styl.font) + "/" + std::to_string(t.styl.size) + "/" + std::to_string(t.styl.face) + "/" + std::to_string(t.styl.color.red) + "/h" + std::to_string(t.styl.height);
  }
  return out;
}

}  // namespace kxtest
