// The layer commands that bring text in or move it within the text, and the
// line-end helpers of plain text.
#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/text_layer.h"
#include "platform/exception.h"

namespace {
struct TextOwner {
  KXTextHandle h{};
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
};

constexpr short kKindPara = 8;
constexpr char kCR = 13, kLF = 10, kCtrlZ = 26;

// Whether the last byte of `first`, a lead standing alone, takes the first
// byte of `second` as its second when `second` follows it (tried out in the
// empty text `probe`).
bool PairsAcross(KXTextHandle first, KXTextHandle second, KXTextHandle probe) {
  const long n = KXText_GetLength(first);
  if (n == 0 || KXText_GetLength(second) == 0 || KXText_GetPrevCharPos(first, n) != n - 1) return false;
  KXText_Insert(probe, 0, second, 0);
  KXText_Insert(probe, 0, first, 0);
  const bool pairs = KXText_GetPrevCharPos(probe, n + 1) < n;
  KXText_Delete(probe, 0, KXText_GetLength(probe));
  return pairs;
}
}  // namespace

std::uint8_t KxParaFlag(KXTextHandle text, short kind) {
  if (!text) return 0;
  if (kind & kKindPara) return 1;
  if (kind != 0) return 0;
  return KXText_GetParaCount(text) >= 1 ? 1 : 0;
}

// Runs one command as an action: made, applied, finished, posted. An action
// whose edit fails is not posted.
template <typename F>
static void RunAction(CKXTextLayer& layer, short type, std::uint8_t flag, F apply) {
  std::unique_ptr<CKXTextAction> action(layer.MakeAction(type, flag));
  apply(*action);
  action->AfterAction();
  layer.PostAction(action.release());
}

void CKXTextLayer::DoCopy() {
  ExecBufferKey();  // held-back keys go in first
  const SKXRange sel = GetSelectionRange();
  if (sel.length == 0) return;
  TextOwner text;
  try {
    text.h = NewText();
  } catch (const LException&) {
    return;  // nothing to copy into: the scrap stays as it was
  }
  TextCopy(sel, text.h, 0);
  TextPutScrap(text.h, 0);
}

void CKXTextLayer::DoCut() {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  if (GetSelectionRange().length == 0) return;
  DoCopy();
  RunAction(*this, kKxActCut, 1, [&](CKXTextAction&) { TextDelete(GetSelectionRange()); });
}

void CKXTextLayer::DoDelete() {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  if (GetSelectionRange().length == 0) return;
  RunAction(*this, kKxActClear, 1, [&](CKXTextAction&) { TextDelete(GetSelectionRange()); });
}

void CKXTextLayer::DoPaste(short mode) {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  TextOwner text;
  try {
    text.h = NewText();
  } catch (const LException&) {
    return;
  }
  short kind = 0;
  TextGetScrap(text.h, kind);
  const std::uint8_t flag = mode == 0 ? KxParaFlag(text.h, kind) : 0;
  RunAction(*this, kKxActPaste, flag, [&](CKXTextAction& action) {
    const SKXRange sel = GetSelectionRange();
    action.CheckSmartEdit(sel, text.h);
    // A mode the scrap cannot fill leaves the scrap's own content mask.
    short effective = mode;
    if (mode == 0 || (kind != 0 && (kind & mode) != mode)) effective = kind;
    if (effective == 1 && sel.length == 0)
      TextInsert(sel, text.h, 1);
    else
      TextPaste(sel, text.h, effective);
  });
}

void CKXTextLayer::DoInsert(KXTextHandle text) {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  RunAction(*this, kKxActInsert, KxParaFlag(text, 0),
            [&](CKXTextAction&) { TextPaste(GetSelectionRange(), text, 0); });
}

void CKXTextLayer::DoInsert(KXTextHandle text, short kind) {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  RunAction(*this, kKxActInsert, KxParaFlag(text, kind),
            [&](CKXTextAction&) { TextPaste(GetSelectionRange(), text, kind); });
}

void CKXTextLayer::DoInsert(const char* bytes, long len, const SKXStyl* styl, long nStyl, const SKXDeco* deco,
                            long nDeco, const SKXPara* para, long nPara, const SKXUniChar* uni, long nUni,
                            const SKXRuby* ruby, long nRuby) {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  RunAction(*this, kKxActInsert, nPara >= 1 ? 1 : 0, [&](CKXTextAction&) {
    TextInsert(GetSelectionRange(), bytes, len, styl, nStyl, deco, nDeco, para, nPara, uni, nUni, ruby, nRuby);
  });
}

void CKXTextLayer::DoDrop(const SKXRange& range, KXTextHandle text, short kind, short type) {
  if (!text) return;
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  Focus();
  SetSelectionRange(range, false);
  // Where the selection stands: an offset inside a character moves back to
  // its start.
  const SKXRange target = GetSelectionRange();
  const long length = KXText_GetLength(text);
  SKXRange dropped{target.start, std::int32_t(length)};
  RunAction(*this, type ? type : kKxActDrop, KxParaFlag(text, kind), [&](CKXTextAction& action) {
    if (action.CheckSmartEdit(target, text) & kKxSmartAddedBefore) dropped.start += 1;
    TextPaste(target, text, kind);
  });
  SetSelectionRange(dropped, false);
}

void CKXTextLayer::DoMove(const SKXRange& from, const SKXRange& to) {
  Command command(*this);
  ExecBufferKey();  // held-back keys go in first
  SetSelectionRange(from, false);
  TextOwner copy;
  try {
    copy.h = NewText();
  } catch (const LException&) {
    return;
  }
  TextCopy(GetSelectionRange(), copy.h, 0);
  const long length = KXText_GetLength(copy.h);
  if (length == 0) return;
  std::unique_ptr<CKXTextAction> action(MakeAction(kKxActMove, KXText_GetParaCount(copy.h) >= 1 ? 1 : 0));
  // The action may have widened the source by a smart space.
  const SKXRange source = GetSelectionRange();
  // The text moves to a point: a target range gives its start.
  SKXRange target = CropRange({to.start, 0});
  // The text goes neither inside a ruby base, which moves and is kept whole
  // (it goes in front of it), nor inside a two-byte character (an offset
  // there means its start, as a selection).
  for (bool moved = true; moved;) {
    moved = false;
    long a = target.start, b = target.start, n = 0;
    unsigned char ruby[kKxRubyMaxText + 2];
    if (KXText_GetRuby(mEdit, a, b, ruby, n) && a < target.start && b > target.start)
      target.start = std::int32_t(a), moved = true;
    if (target.start > 0 && target.start < GetTotalRange().length &&
        KXText_GetPrevCharPos(mEdit, long(target.start) + 1) < target.start)
      --target.start, moved = true;
  }
  if (UKXRange::RangeIntersection(source, target, nullptr)) return;
  // Undo takes the moved bytes out again by selecting them and puts them
  // back at the source, and a selection cannot end inside a character: a
  // move that would pair a lone lead byte across either end of the moved
  // text, or across the gap it leaves, is refused, as one onto itself is.
  try {
    const long at = target.start, gapStart = source.start, gapEnd = long(source.start) + source.length;
    TextOwner atChar{NewText()}, beforeAt{NewText()}, beforeGap{NewText()}, afterGap{NewText()}, probe{NewText()};
    KXText_Copy(mEdit, at, at + ThisCharSize(at), atChar.h, 0);
    KXText_Copy(mEdit, at - PrevCharSize(at), at, beforeAt.h, 0);
    KXText_Copy(mEdit, gapStart - PrevCharSize(gapStart), gapStart, beforeGap.h, 0);
    KXText_Copy(mEdit, gapEnd, gapEnd + ThisCharSize(gapEnd), afterGap.h, 0);
    if (PairsAcross(copy.h, atChar.h, probe.h) || PairsAcross(beforeAt.h, copy.h, probe.h) ||
        PairsAcross(beforeGap.h, afterGap.h, probe.h))
      return;
  } catch (const LException&) {
    return;
  }
  TextDelete(source);
  if (source.start < target.start) target.start -= source.length;
  SKXRange moved{target.start, std::int32_t(length)};
  action->KeepMoveSite({target.start, 0});
  if (action->CheckSmartEdit(target, copy.h) & kKxSmartAddedBefore) moved.start += 1;
  TextPaste(target, copy.h, 0);
  action->AfterAction();
  // Undo takes out everything the paste put in, smart spaces included.
  action->SetAfterRange({target.start, std::int32_t(KXText_GetLength(copy.h))});
  PostAction(action.release());
  SetSelectionRange(moved, false);
}

// ---- line ends ----------------------------------------------------------------------------------------------

short CKXTextLayer::CheckTextType(char* bytes, long len, long& removed, SKXUniChar* entries, long count) {
  removed = 0;
  if (!bytes || len <= 0) return kLineEndCR;
  short type = kLineEndCR;
  long write = -1;  // set at the first CR LF: later bytes move down to it
  char prev = 0;
  long e = 0;  // the next entry not yet moved
  for (long i = 0; i < len;) {
    // The bytes before the next LF, short of the last byte (a Ctrl-Z there
    // is dropped), change nothing but their place: they go as one run, and
    // the entries on them move back by what was removed before them.
    const void* lf = std::memchr(bytes + i, kLF, std::size_t(len - i));
    const long runEnd = std::min(lf ? long(static_cast<const char*>(lf) - bytes) : len, len - 1);
    if (runEnd > i) {
      for (; e < count && entries[e].offset < runEnd; ++e) entries[e].offset -= std::int32_t(removed);
      prev = bytes[runEnd - 1];
      if (write >= 0) {
        std::memmove(bytes + write, bytes + i, std::size_t(runEnd - i));
        write += runEnd - i;
      }
      i = runEnd;
    }
    // An LF, or the last byte.
    for (; e < count && entries[e].offset <= i; ++e) entries[e].offset -= std::int32_t(removed);
    const char c = bytes[i];
    if (c == kCtrlZ && i == len - 1) {
      ++removed;
      type = kLineEndCRLF;
      break;
    }
    if (c == kLF && prev == kCR) {
      ++removed;
      if (write < 0) write = i;
      type = kLineEndCRLF;
    } else if (c == kLF && type != kLineEndCRLF) {
      bytes[i] = kCR;
      type = kLineEndLF;
    } else if (write >= 0) {
      bytes[write++] = c;
    }
    prev = c;
    ++i;
  }
  for (; e < count; ++e) entries[e].offset -= std::int32_t(removed);
  return type;
}

namespace {

// The line ends of a text with CRs turned into `type`'s, in place.
template <class Bytes>
void ChangeLineEnds(Bytes& bytes, short type, long& added) {
  using Byte = typename Bytes::value_type;
  added = 0;
  if (type == CKXTextLayer::kLineEndLF) {
    CKXTextLayer::CRsToLFs(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  } else if (type == CKXTextLayer::kLineEndCRLF) {
    for (const Byte c : bytes) added += c == Byte(kCR);
    if (added == 0) return;
    const std::size_t len = bytes.size();
    bytes.resize(len + std::size_t(added));
    // From the end, so that every byte moves once.
    std::size_t w = bytes.size();
    for (std::size_t r = len; r-- > 0;) {
      if (bytes[r] == Byte(kCR)) bytes[--w] = Byte(kLF);
      bytes[--w] = bytes[r];
    }
  }
}

}  // namespace

void CKXTextLayer::CRsToLFs(std::uint8_t* p, std::size_t n) {
  // Every byte stored, changed or not: the loop then goes sixteen bytes a
  // step, which matters on a 50 MB save.
  for (std::size_t k = 0; k < n; ++k) p[k] = p[k] == kCR ? std::uint8_t(kLF) : p[k];
}

void CKXTextLayer::ChangeTextType(std::string& bytes, short type, long& added) { ChangeLineEnds(bytes, type, added); }

void CKXTextLayer::ChangeTextType(std::vector<std::uint8_t>& bytes, short type, long& added) {
  ChangeLineEnds(bytes, type, added);
}
