#include "text/store/transform_rebuild.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "text/codes/script.h"
#include "text/store/text.h"
#include "text/store/transform.h"

namespace {

// The run containing `pos`, searched from `cursor` onwards (positions
// mostly increase) and kept there.
template <typename Run>
long RunAt(const std::vector<Run>& v, long& cursor, long pos) {
  const long n = static_cast<long>(v.size());
  if (n == 0) return 0;
  if (cursor >= n || v[size_t(cursor)].offset > pos) {
    auto it = std::upper_bound(v.begin(), v.end(), pos, [](long p, const Run& r) { return p < r.offset; });
    cursor = std::max(0L, static_cast<long>(it - v.begin()) - 1);
  }
  while (cursor + 1 < n && v[size_t(cursor + 1)].offset <= pos) ++cursor;
  return cursor;
}

// Appends a run, replacing one at the same offset and merging with an equal
// neighbour, so the lists come out as the run arrays keep them.
template <typename Run, typename Elem>
void PushRun(std::vector<Run>& v, long offset, const Elem& e, Elem Run::*field) {
  if (!v.empty() && v.back().offset == offset) v.pop_back();
  if (!v.empty() && std::memcmp(&(v.back().*field), &e, sizeof(Elem)) == 0) return;
  Run r{};
  r.offset = static_cast<std::int32_t>(offset);
  r.*field = e;
  v.push_back(r);
}

}  // namespace

CKXTextRebuild::CKXTextRebuild(const CKXText& src) {
  const long len = src.GetLength();
  mBytes.resize(size_t(len));
  if (len > 0) src.CopyBytes(0, len, reinterpret_cast<char*>(mBytes.data()), len);
  mStyls.resize(size_t(std::max(src.GetStylCount(), 1L)));
  mStyls.resize(size_t(std::max(src.GetStyls(mStyls.data(), static_cast<long>(mStyls.size())), 1L)));
  mStyls[0].offset = 0;
  for (const SKXStyl& s : mStyls) mScripts.push_back(KxFontToScriptType(s.styl.font));
  mDecos.resize(size_t(std::max(src.GetDecoCount(), 1L)));
  mDecos.resize(size_t(std::max(src.GetDecos(mDecos.data(), static_cast<long>(mDecos.size())), 1L)));
  mDecos[0].offset = 0;
  for (const SKXDeco& d : mDecos)
    if (d.deco.pictID != 0) mPictures.push_back(d.offset);
  if (src.GetParaCount() > 0) {
    mParas.resize(size_t(src.GetParaCount()));
    mParas.resize(size_t(src.GetParas(mParas.data(), static_cast<long>(mParas.size()))));
  }
  mUni.resize(size_t(src.GetUniCharsCount()));
  mUni.resize(size_t(src.GetUniChars(mUni.data(), static_cast<long>(mUni.size()))));
  mRubys.resize(size_t(src.GetRubysCount()));
  mRubys.resize(size_t(src.GetRubys(mRubys.data(), static_cast<long>(mRubys.size()))));
  mOut.reserve(size_t(len + len / 8 + 16));
}

short CKXTextRebuild::LookUpScript(long pos) {
  const long i = RunAt(mStyls, mScriptRun, pos);
  mScriptFrom = mStyls[size_t(i)].offset;
  mScriptTo = i + 1 < static_cast<long>(mStyls.size()) ? mStyls[size_t(i + 1)].offset : LONG_MAX;
  mScript = mScripts[size_t(i)];
  return mScript;
}

const SStyl& CKXTextRebuild::StylAt(long pos) { return mStyls[size_t(RunAt(mStyls, mScriptRun, pos))].styl; }

bool CKXTextRebuild::FindPicture(long pos) const {
  return std::binary_search(mPictures.begin(), mPictures.end(), pos);
}

bool CKXTextRebuild::FindSideEntry(long pos) const {
  auto it = std::lower_bound(mUni.begin(), mUni.end(), pos,
                             [](const SKXUniChar& u, long p) { return u.offset < p; });
  return it != mUni.end() && it->offset == pos;
}

void CKXTextRebuild::SetSideEntry(long pos, std::uint32_t value) {
  if (pos < mDone) return;
  auto it = std::lower_bound(mUni.begin(), mUni.end(), pos,
                             [](const SKXUniChar& u, long p) { return u.offset < p; });
  if (it == mUni.end() || it->offset != pos || it->value == value) return;
  it->value = value;
  mChanged = true;
}

void CKXTextRebuild::PushRuns(long src, long out, long n, bool kept) {
  if (n <= 0) return;
  const long end = src + n;
  // Runs are pushed only where the source run changes: most pieces are one
  // character inside the run of the piece before.
  long i = RunAt(mStyls, mStylRun, src);
  if (i != mPushedStyl) PushRun(mOutStyls, out, mStyls[size_t(i)].styl, &SKXStyl::styl);
  mPushedStyl = i;
  for (; kept && mPushedStyl + 1 < static_cast<long>(mStyls.size()) && mStyls[size_t(mPushedStyl + 1)].offset < end;) {
    ++mPushedStyl;
    PushRun(mOutStyls, out + mStyls[size_t(mPushedStyl)].offset - src, mStyls[size_t(mPushedStyl)].styl,
            &SKXStyl::styl);
  }

  i = RunAt(mDecos, mDecoRun, src);
  const long tag = kept || mDecos[size_t(i)].deco.pictID == 0 ? i : -2 - i;
  if (tag != mPushedDeco) {
    SDeco d = mDecos[size_t(i)].deco;
    if (!kept) d.pictID = 0;  // new bytes never take over a picture
    PushRun(mOutDecos, out, d, &SKXDeco::deco);
  }
  mPushedDeco = tag;
  for (; kept && i + 1 < static_cast<long>(mDecos.size()) && mDecos[size_t(i + 1)].offset < end;) {
    ++i;
    PushRun(mOutDecos, out + mDecos[size_t(i)].offset - src, mDecos[size_t(i)].deco, &SKXDeco::deco);
    mPushedDeco = i;
  }

  if (mParas.empty()) return;
  auto para = [&](long at, long from) {
    PushRun(mOutParas, at, mParas[size_t(RunAt(mParas, mParaRun, from))].para, &SKXPara::para);
  };
  if (mParaPending) para(out, src);
  const char* base = mOut.data();
  for (const char* p = base + out; (p = static_cast<const char*>(std::memchr(p, '\r', size_t(base + out + n - p))));) {
    ++p;
    if (p == base + out + n) break;
    para(p - base, kept ? src + (p - base - out) : src);
  }
  mParaPending = base[out + n - 1] == '\r';
}

void CKXTextRebuild::CloseRuby(long end) {
  const SKXRuby& r = mRubys[size_t(mRubyNext)];
  long len = end - mRubyStart;
  if (len > kKxRubyMaxBase) {
    // Cut at a character boundary of the new bytes.
    long k = mRubyStart, cursor = 0;
    while (true) {
      short script = KxFontToScriptType(mOutStyls[size_t(RunAt(mOutStyls, cursor, k))].styl.font);
      long step = KxTextCharFirst(static_cast<unsigned char>(mOut[size_t(k)]), script) ? 2 : 1;
      if (k + step > mRubyStart + kKxRubyMaxBase) break;
      k += step;
    }
    len = k - mRubyStart;
  }
  if (len <= 0) return;
  SKXRuby out = r;
  out.pos = static_cast<std::int32_t>(mRubyStart);
  out.baseLen = static_cast<unsigned char>(len);
  mOutRubys.push_back(out);
}

void CKXTextRebuild::MapRubys(long a, long b, long out, long n, bool kept) {
  // A base starts where its first byte (or what replaced it) goes, and ends
  // after its last byte (or what replaced it).
  const long count = static_cast<long>(mRubys.size());
  while (mRubyNext < count) {
    const SKXRuby& r = mRubys[size_t(mRubyNext)];
    if (mRubyOpen) {
      const long e = long(r.pos) + r.baseLen;
      if (e > b) return;
      CloseRuby(kept ? out + (e - a) : out + n);
      ++mRubyNext;
      mRubyOpen = false;
    } else {
      if (r.pos >= b) return;
      mRubyStart = kept ? out + (std::max(long(r.pos), a) - a) : out;
      mRubyOpen = true;
    }
  }
}

void CKXTextRebuild::UpdateQuiet() {
  long q = LONG_MAX;
  const long last = std::max(mDone - 1, 0L);
  const long s = RunAt(mStyls, mStylRun, last);
  if (s != mPushedStyl) q = 0;
  if (s + 1 < static_cast<long>(mStyls.size())) q = std::min(q, long(mStyls[size_t(s + 1)].offset));
  const long d = RunAt(mDecos, mDecoRun, last);
  if (d != mPushedDeco || mDecos[size_t(d)].deco.pictID != 0) q = 0;
  if (d + 1 < static_cast<long>(mDecos.size())) q = std::min(q, long(mDecos[size_t(d + 1)].offset));
  if (mUniNext < static_cast<long>(mUni.size())) q = std::min(q, long(mUni[size_t(mUniNext)].offset));
  if (mRubyNext < static_cast<long>(mRubys.size())) {
    const SKXRuby& r = mRubys[size_t(mRubyNext)];
    q = std::min(q, mRubyOpen ? long(r.pos) + r.baseLen - 1 : long(r.pos));
  }
  mQuietEnd = q;
}

bool CKXTextRebuild::Quiet(long to, const char* bytes, long n) const {
  if (to <= mDone || to > mQuietEnd || mOut.empty()) return false;
  if (mParas.empty()) return true;
  return !mParaPending && !std::memchr(bytes, '\r', size_t(n));
}

void CKXTextRebuild::KeepMore(long to) {
  to = std::min(to, Length());
  if (to <= mDone) return;
  const long a = mDone, n = to - a, out = static_cast<long>(mOut.size());
  mOut.insert(mOut.end(), mBytes.begin() + a, mBytes.begin() + to);
  if (Quiet(to, reinterpret_cast<const char*>(mBytes.data()) + a, n)) {
    mDone = to;
    return;
  }
  PushRuns(a, out, n, true);
  for (; mUniNext < static_cast<long>(mUni.size()) && mUni[size_t(mUniNext)].offset < to; ++mUniNext) {
    SKXUniChar u = mUni[size_t(mUniNext)];
    if (u.offset < a) continue;
    u.offset = static_cast<std::int32_t>(out + u.offset - a);
    mOutUni.push_back(u);
  }
  MapRubys(a, to, out, n, true);
  mDone = to;
  UpdateQuiet();
}

void CKXTextRebuild::Put(long to, const char* bytes, long n) {
  to = std::clamp(to, mDone, Length());
  if (!bytes) n = 0;
  n = std::max(n, 0L);
  const long a = mDone, out = static_cast<long>(mOut.size());
  if (to == a && n == 0) return;
  mChanged = true;
  if (mPieces) mPieces->Add({a, to, out, n});
  if (n <= 4)
    for (long k = 0; k < n; ++k) mOut.push_back(bytes[k]);
  else
    mOut.insert(mOut.end(), bytes, bytes + n);
  if (n > 0 && Quiet(to, bytes, n)) {
    mDone = to;
    return;
  }
  PushRuns(a, out, n, false);
  while (mUniNext < static_cast<long>(mUni.size()) && mUni[size_t(mUniNext)].offset < to) ++mUniNext;
  if (to > a) MapRubys(a, to, out, n, false);
  mDone = to;
  UpdateQuiet();
}

bool CKXTextRebuild::Apply(CKXText& text) {
  Keep(Length());
  if (!mChanged) return false;
  if (mOutStyls.empty()) PushRun(mOutStyls, 0, mStyls[0].styl, &SKXStyl::styl);
  if (mOutDecos.empty()) {
    SDeco d = mDecos[0].deco;
    d.pictID = 0;
    PushRun(mOutDecos, 0, d, &SKXDeco::deco);
  }
  // The pictures move to the new runs as they are: nothing is released or
  // duplicated while the runs are replaced.
  // The empty last paragraph after a final return has its run at the very
  // end, which a whole new text cannot carry: it is put back afterwards.
  const long len = static_cast<long>(mOut.size());
  const bool lastRun = len > 0 && !mParas.empty() && mParaPending;
  const SParaStyl last = lastRun ? mParas[size_t(RunAt(mParas, mParaRun, Length()))].para : SParaStyl{};
  const unsigned char refer = text.GetDecoArray()->GetReferToPicture();
  text.SetReferToPicture(1);
  try {
    // Setting the text keeps ruby and side entries unless new ones come.
    if ((!mRubys.empty() && mOutRubys.empty()) || (!mUni.empty() && mOutUni.empty()))
      text.DeleteText(0, text.GetLength());
    text.SetText(mOut.data(), len, mOutStyls.data(), static_cast<long>(mOutStyls.size()),
                 mOutDecos.data(), static_cast<long>(mOutDecos.size()), mOutParas.data(),
                 static_cast<long>(mOutParas.size()), mOutUni.data(), static_cast<long>(mOutUni.size()));
    if (!mOutRubys.empty()) text.SetRubys(mOutRubys.data(), static_cast<long>(mOutRubys.size()));
    if (lastRun) text.SetPara(len, len, last);
  } catch (...) {
    text.SetReferToPicture(refer);
    throw;
  }
  text.SetReferToPicture(refer);
  return true;
}
