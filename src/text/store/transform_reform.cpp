// Reform: breaking paragraphs longer than the reform width, and joining
// lines. The text is rebuilt in one pass (transform_rebuild.h). Breaking
// works on a window that starts at the current line: the source bytes read
// so far, with what reform inserted (returns, indentation, spaces at joins)
// and without what it removed. Every decided line leaves the window at once,
// so the window stays about one line long however long the text.
#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "text/codes/script.h"
#include "text/store/text.h"
#include "text/store/transform.h"
#include "text/store/transform_rebuild.h"

namespace UKXText {

namespace {

constexpr long kMaxIndent = 256;

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// A byte of the window: from the source at `src`, or inserted before the
// source byte at `src` (whose style it takes).
struct Item {
  std::int32_t src;
  unsigned char byte;
  bool inserted;
  short script;
};

class Reformer {
 public:
  Reformer(const CKXText& text, bool wrap) : mR(text) {
    GetReformMode(&mWidth, &mKinsoku, &mWordwrap, &mIndent, &mRemoveAll);
    mWidth = wrap ? std::max(mWidth, 1L) : LONG_MAX;
    mJoin = !(wrap && mRemoveAll);
    if (wrap) {
      mRubys.resize(size_t(std::max(text.GetRubysCount(), 0L)));
      mRubys.resize(size_t(std::max(text.GetRubys(mRubys.data(), long(mRubys.size())), 0L)));
    }
  }
  bool Run(CKXText& text, KXTextPieces* pieces) {
    mR.RecordPieces(pieces);
    if (mWidth == LONG_MAX)
      JoinOnly();
    else
      Wrap();
    return mR.Apply(text);
  }

 private:
  // ---- joining only (no width) ----

  void JoinOnly() {
    const unsigned char* b = mR.Bytes();
    const long len = mR.Length();
    long pos = 0;
    long paraLen = 0;         // bytes of the joined paragraph so far
    bool lastGraph = false;   // its last character is a single-byte graphic
    while (pos < len) {
      const void* p = std::memchr(b + pos, '\r', size_t(len - pos));
      const long cr = p ? static_cast<const unsigned char*>(p) - b : len;
      for (long k = pos; k < cr;) {
        const long step = KxTextCharFirst(b[k], mR.ScriptAt(k)) && k + 1 < cr ? 2 : 1;
        lastGraph = step == 1 && IsByteGraph(b[k]);
        k += step;
      }
      paraLen += cr - pos;
      // The last paragraph, and one ending the text with its return, stay.
      if (cr >= len - 1) break;
      if (!mRemoveAll && (paraLen == 0 || b[cr + 1] == '\r')) {
        pos = cr + 1;
        mR.Keep(pos);
        paraLen = 0;
        lastGraph = false;
        continue;
      }
      mR.Keep(cr);
      long next = cr + 1;
      while (mIndent && next < len && IsBlank(b[next])) ++next;
      mR.Put(next, nullptr, 0);
      if (mWordwrap && lastGraph && next < len && IsByteGraph(b[next]) && !KxTextCharFirst(b[next], mR.ScriptAt(next))) {
        mR.Put(next, " ", 1);
        ++paraLen;
        lastGraph = false;
      }
      pos = next;
    }
  }

  // ---- breaking at the width (and joining unless remove-all) ----

  // Makes the window hold at least n items, as far as the text goes.
  bool Ensure(long n) {
    const long len = mR.Length();
    while (static_cast<long>(mV.size()) < n && mLoaded < len) {
      mV.push_back(Item{static_cast<std::int32_t>(mLoaded), mR.Bytes()[mLoaded], false, mR.ScriptAt(mLoaded)});
      ++mLoaded;
    }
    return static_cast<long>(mV.size()) >= n;
  }

  long CharLen(long k) {
    return KxTextCharFirst(mV[size_t(k)].byte, mV[size_t(k)].script) && Ensure(k + 2) ? 2 : 1;
  }

  // The start of the character that holds window index b.
  long CharStart(long b) {
    long k = 0;
    while (k < b) {
      const long step = CharLen(k);
      if (k + step > b) break;
      k += step;
    }
    return k;
  }

  void Emit(const Item& it) {
    if (it.inserted) {
      FlushKeep();
      if (!mIns.empty() && mInsAt != it.src) FlushIns();
      mInsAt = it.src;
      mIns += static_cast<char>(it.byte);
    } else {
      FlushIns();
      if (mKeepTo != it.src) {
        FlushKeep();
        mKeepFrom = it.src;
        mKeepTo = it.src;
      }
      ++mKeepTo;
    }
  }
  void FlushKeep() {
    if (mKeepTo <= mKeepFrom) return;
    mR.Put(mKeepFrom, nullptr, 0);  // what the window dropped before it
    mR.Keep(mKeepTo);
    mKeepFrom = mKeepTo = 0;
  }
  void FlushIns() {
    if (mIns.empty()) return;
    mR.Put(mInsAt, nullptr, 0);
    mR.Put(mInsAt, mIns.data(), static_cast<long>(mIns.size()));
    mIns.clear();
  }
  // Emits the first n items of the window.
  void Emit(long n) {
    for (long k = 0; k < n && !mV.empty(); ++k) {
      Emit(mV.front());
      mV.pop_front();
    }
  }

  // The break checks see the line as a text of its own.
  void MakeScratch(long n) {
    std::vector<char> bytes;
    std::vector<SKXStyl> styls;
    for (long k = 0; k < n; ++k) {
      const Item& it = mV[size_t(k)];
      bytes.push_back(static_cast<char>(it.byte));
      const SStyl& s = mR.StylAt(it.src);
      if (styls.empty() || std::memcmp(&styls.back().styl, &s, sizeof s) != 0)
        styls.push_back(SKXStyl{static_cast<std::int32_t>(k), s});
    }
    mScratch.SetText(bytes.data(), n, styls.data(), static_cast<long>(styls.size()), nullptr, 0, nullptr, 0,
                     nullptr, 0);
  }

  // Where the current line (window index 0) breaks; `end` is the paragraph
  // end, or -1 when it lies beyond what was read.
  long Break(long end, long indent) {
    long b = CharStart(mWidth);
    const long plain = b;
    if (mWordwrap || mKinsoku) {
      MakeScratch(end >= 0 ? std::min<long>(end + 1, static_cast<long>(mV.size())) : static_cast<long>(mV.size()));
      long adjust = mWordwrap ? CheckWordwrap(mScratch, 0, b) : 0;
      if (mKinsoku) {
        const long first = adjust;
        adjust += CheckJWrap(mScratch, 0, b - adjust, mKinsoku);
        if (adjust != first) {
          if (mWordwrap && first == 0) adjust += CheckWordwrap(mScratch, 0, b - adjust);
          adjust += CheckJWrap(mScratch, 0, b - adjust, static_cast<short>(mKinsoku + 2));
        }
      }
      b -= adjust;
      // Whatever the checks say, the break stays inside what was read and
      // on a character boundary.
      b = std::min(b, static_cast<long>(mV.size()) - (end < 0 ? 1 : 0));
      if (b > 0 && b < static_cast<long>(mV.size())) b = CharStart(b);
    }
    // A break at or before the indentation that the next line gets would
    // give back the same line forever: break at the width instead, and take
    // at least one character after the indentation.
    if (b <= indent) b = plain;
    if (b <= indent) b = indent + CharLen(indent);
    // With indentation, each line starts with the paragraph's own: blanks
    // at the break stay at the end of the line before it (where joining
    // keeps them), or they would indent the new line further.
    while (mIndent && Ensure(b + 1) && IsBlank(mV[size_t(b)].byte)) ++b;
    return OutOfRuby(b, indent);
  }

  // A break before window index b that parts a ruby's base moves back to
  // the base's start, or after its end when the base starts the line: the
  // ruby stands over one line.
  long OutOfRuby(long b, long indent) {
    if (mRubys.empty() || !Ensure(b + 1)) return b;
    const long src = mV[size_t(b)].src;
    auto r = std::upper_bound(mRubys.begin(), mRubys.end(), src,
                              [](long p, const SKXRuby& x) { return p < long(x.pos); });
    if (r == mRubys.begin()) return b;
    --r;
    const long start = r->pos, end = long(r->pos) + r->baseLen;
    if (src <= start || src >= end) return b;
    // Inserted bytes carry the offset of the source byte they stand before.
    long k = b;
    while (k > 0 && mV[size_t(k - 1)].src >= start) --k;
    while (k < b && mV[size_t(k)].inserted) ++k;
    k = Boundary(k);
    if (k > indent && k < b) return k;
    k = b;
    while (Ensure(k + 1) && mV[size_t(k)].src < end) ++k;
    return Boundary(k);
  }

  // Window index k, or the end of the character that holds it.
  long Boundary(long k) {
    if (!Ensure(k + 1)) return k;
    const long c = CharStart(k);
    return c == k ? k : c + CharLen(c);
  }

  void Wrap() {
    const long limit = mWidth + 8;  // enough for the checks around the break
    while (Ensure(1)) {
      long end = -1;
      bool cr = false;
      for (long k = mScanned; k < limit; ++k) {
        if (!Ensure(k + 1)) {
          end = k;
          break;
        }
        if (mV[size_t(k)].byte == '\r' && !mV[size_t(k)].inserted) {
          end = k;
          cr = true;
          break;
        }
      }
      mScanned = end >= 0 ? end : limit;

      if (end < 0 || end > mWidth) {
        // The paragraph's indentation, taken from its first line.
        if (!mLeadKnown) {
          long blanks = 0;
          while (blanks < kMaxIndent && Ensure(blanks + 1) && IsBlank(mV[size_t(blanks)].byte)) ++blanks;
          mLead.clear();
          if (mIndent && blanks < mWidth)
            for (long k = 0; k < blanks; ++k) mLead += static_cast<char>(mV[size_t(k)].byte);
          mLeadKnown = true;
        }
        const long indent = static_cast<long>(mLead.size());
        const long b = Break(end, indent);
        // What stays of the paragraph may be all blanks, up to its return or
        // the end of the text: no new line for them.
        const bool tail = !Ensure(b + 1) || (mV[size_t(b)].byte == '\r' && !mV[size_t(b)].inserted);
        if ((end >= 0 && b >= end) || tail) {
          if (end < 0 || b < end) {
            end = b;
            cr = Ensure(b + 1);
          }
          Emit(end + (cr ? 1 : 0));
          mScanned = 0;
          mLeadKnown = !cr;
          continue;
        }
        const std::string& lead = mLead;
        Emit(b);
        const Item at = mV.front();
        Emit(Item{at.src, '\r', true, at.script});
        for (long k = indent - 1; k >= 0; --k)
          mV.push_front(Item{at.src, static_cast<unsigned char>(lead[size_t(k)]), true, at.script});
        mScanned = std::max(0L, mScanned - b) + indent;
        continue;
      }

      // Not longer than the width.
      if (!cr || !Ensure(end + 2) || !mJoin || (!mRemoveAll && (end == 0 || mV[size_t(end + 1)].byte == '\r'))) {
        Emit(end + (cr ? 1 : 0));
        mScanned = 0;
        mLeadKnown = false;
        continue;
      }
      const bool lastGraph = end > 0 && CharStart(end - 1) == end - 1 && IsByteGraph(mV[size_t(end - 1)].byte);
      mV.erase(mV.begin() + end);
      while (mIndent && Ensure(end + 1) && IsBlank(mV[size_t(end)].byte) && !mV[size_t(end)].inserted)
        mV.erase(mV.begin() + end);
      if (mWordwrap && lastGraph && Ensure(end + 1) && IsByteGraph(mV[size_t(end)].byte) && CharLen(end) == 1) {
        const Item& next = mV[size_t(end)];
        mV.insert(mV.begin() + end, Item{next.src, ' ', true, next.script});
      }
      mScanned = end;
    }
    FlushIns();
    FlushKeep();
    mR.Put(mR.Length(), nullptr, 0);  // bytes dropped at the very end
  }

  CKXTextRebuild mR;
  CKXText mScratch;
  long mWidth = 76;
  short mKinsoku = 0;
  unsigned char mWordwrap = 0, mIndent = 1, mRemoveAll = 1;
  bool mJoin = true;

  std::vector<SKXRuby> mRubys;  // of the source, in order
  std::string mLead;             // the current paragraph's indentation
  bool mLeadKnown = false;

  std::deque<Item> mV;
  long mLoaded = 0;
  long mScanned = 0;  // window items known to hold no return
  long mKeepFrom = 0, mKeepTo = 0;
  std::string mIns;
  long mInsAt = 0;
};

}  // namespace

bool ReformKXText(CKXText* text, bool wrap, KXTextPieces* pieces) {
  if (pieces) pieces->list.clear();
  if (!text) return false;
  Reformer r(*text, wrap);
  return r.Run(*text, pieces);
}

}  // namespace UKXText
