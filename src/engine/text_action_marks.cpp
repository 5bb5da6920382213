// What an action keeps of the marks: only those its edit changed or took
// out, and those it left in their place, so that taking it back restores
// them and leaves every mark added, removed or changed later elsewhere as it
// stands.
#include <algorithm>
#include <map>
#include <utility>

#include "engine/text_action.h"
#include "engine/text_layer.h"

namespace {
// One mark is the other, its outline rank aside (a rank a later edit
// re-levelled does not make it another mark).
bool SameMark(const SKXSavedMark& a, const SKXSavedMark& b) {
  return a.start == b.start && a.length == b.length && a.markup == b.markup && a.name == b.name;
}

// Looks marks up in a set. An edit keeps the marks' order, so a mark found
// again is looked for after the last one found: first among the next few,
// then (the index built on first need) by start and length.
class MarkIndex {
 public:
  explicit MarkIndex(const KXMarkSet& set) : mSet(set) {}
  // The first mark equal to `m` (rank too, when `withRank`) after index
  // `after` (-1: from the first) that is not taken yet; -1 for none.
  long Find(const SKXSavedMark& m, long after, bool withRank, const std::vector<bool>& taken) {
    auto fits = [&](std::size_t k) {
      const SKXSavedMark& c = mSet[k];
      return !taken[k] && SameMark(c, m) && (!withRank || c.rank == m.rank);
    };
    const std::size_t first = std::size_t(after + 1);
    for (std::size_t k = first; k < mSet.size() && k < first + kNear; ++k)
      if (fits(k)) return long(k);
    if (!mBuilt) {
      for (std::size_t k = 0; k < mSet.size(); ++k) mAt[{mSet[k].start, mSet[k].length}].push_back(k);
      mBuilt = true;
    }
    const auto it = mAt.find({m.start, m.length});
    if (it == mAt.end()) return -1;
    for (auto k = std::lower_bound(it->second.begin(), it->second.end(), first); k != it->second.end(); ++k)
      if (fits(*k)) return long(*k);
    return -1;
  }

 private:
  static constexpr std::size_t kNear = 8;
  const KXMarkSet& mSet;
  bool mBuilt = false;
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> mAt;
};
}  // namespace

bool KxMarkAfterSwap(const SKXSavedMark& mark, const SKXTextSwap& swap, SKXSavedMark& out) {
  long start = mark.start, end = long(mark.start) + std::max<std::int32_t>(0, mark.length);
  const long cut = swap.to - swap.from;
  if (cut > 0) {
    if ((start >= swap.from && start < swap.to) || (start == swap.to && end == start)) return false;
    if (start < swap.from)
      end = std::min(end, swap.from);  // a mark over the removed bytes ends where they began
    else
      start -= cut, end -= cut;
  }
  if (swap.count > 0) {
    if (start >= swap.at)
      start += swap.count, end += swap.count;
    else if (end > swap.at)
      end = swap.at;
  }
  out = mark;
  out.start = std::int32_t(start);
  out.length = std::int32_t(end - start);
  return true;
}

SKXMarkEdit KxMarkEditOf(const KXMarkSet& before, const KXMarkSet& after, const SKXTextSwap& swap) {
  SKXMarkEdit edit;
  MarkIndex index(after);
  std::vector<bool> paired(after.size(), false);
  long last = -1;
  KXMarkSet run;
  for (const SKXSavedMark& m : before) {
    SKXSavedMark moved;
    long found = -1;
    if (KxMarkAfterSwap(m, swap, moved) && moved.length == m.length) found = index.Find(moved, last, true, paired);
    if (found < 0) {
      run.push_back(m);
      continue;
    }
    paired[std::size_t(found)] = true;
    last = found;
    if (!run.empty()) edit.runs.push_back({true, m, std::exchange(run, {})});
  }
  if (!run.empty()) edit.runs.push_back({false, {}, std::move(run)});
  for (std::size_t k = 0; k < after.size(); ++k)
    if (!paired[k]) edit.left.push_back(after[k]);
  return edit;
}

KXMarkSet KxMarksTakenBack(const KXMarkSet& now, const SKXTextSwap& swap, const SKXMarkEdit& edit,
                           SKXMarkEdit* reverse) {
  SKXMarkEdit back;
  // The marks the edit left go.
  std::vector<bool> gone(now.size(), false);
  MarkIndex index(now);
  for (const SKXSavedMark& m : edit.left) {
    const long k = index.Find(m, -1, false, gone);
    if (k >= 0) gone[std::size_t(k)] = true;
  }
  // Every other one as the swap leaves it; those it changes or takes out
  // are what doing the edit again gives back.
  KXMarkSet out;
  std::vector<bool> moved;  // per mark of `out`: left as it was
  KXMarkSet run;
  for (std::size_t k = 0; k < now.size(); ++k) {
    const SKXSavedMark& m = now[k];
    SKXSavedMark after;
    const bool stays = !gone[k] && KxMarkAfterSwap(m, swap, after);
    if (stays && after.length == m.length) {
      if (!run.empty()) back.runs.push_back({true, m, std::exchange(run, {})});
      out.push_back(std::move(after));
      moved.push_back(true);
      continue;
    }
    run.push_back(m);
    if (stays) {
      back.left.push_back(after);
      out.push_back(std::move(after));
      moved.push_back(false);
    }
  }
  if (!run.empty()) back.runs.push_back({false, {}, std::move(run)});

  // The kept runs go back in front of the marks that followed them, in
  // order; a run whose mark is gone goes where its start sorts.
  std::vector<std::pair<std::size_t, std::size_t>> places;  // (index in out, run)
  std::size_t from = 0;
  for (std::size_t r = 0; r < edit.runs.size(); ++r) {
    const SKXMarkRun& kept = edit.runs[r];
    if (kept.marks.empty()) continue;
    std::size_t at = out.size();
    if (kept.anchored) {
      std::size_t k = from;
      while (k < out.size() && !(moved[k] && out[k] == kept.anchor)) ++k;
      if (k < out.size()) {
        at = from = k;
      } else {
        at = 0;
        while (at < out.size() && out[at].start <= kept.marks.front().start) ++at;
      }
    }
    places.emplace_back(at, r);
  }
  std::stable_sort(places.begin(), places.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  KXMarkSet result;
  result.reserve(out.size());
  std::size_t p = 0;
  for (std::size_t k = 0; k <= out.size(); ++k) {
    for (; p < places.size() && places[p].first == k; ++p)
      for (const SKXSavedMark& m : edit.runs[places[p].second].marks) {
        back.left.push_back(m);
        result.push_back(m);
      }
    if (k < out.size()) result.push_back(std::move(out[k]));
  }
  if (reverse) *reverse = std::move(back);
  return result;
}

// ---- the action's side -------------------------------------------------------------------------------------

SKXTextSwap CKXTextAction::OpenSwap() const {
  SKXTextSwap swap;
  swap.from = mBefore.start;
  swap.to = long(mBefore.start) + mBefore.length;
  if (mType == kKxActMove) {
    swap.at = mAfter.start;
    swap.count = mAfter.length;
  } else {
    // What was kept is replaced by what stands there now.
    swap.at = swap.from;
    swap.count = std::max(0L, mBefore.length + (mLayer->GetTotalRange().length - mTotalBefore));
  }
  return swap;
}

void CKXTextAction::SettleMarks() {
  if (!mMarksOpen) return;
  KXMarkSet now;
  mLayer->GetMarks(now);
  mMarkEdit = KxMarkEditOf(mMarksBefore, now, OpenSwap());
}

void CKXTextAction::CloseMarks() {
  mMarksOpen = false;
  KXMarkSet().swap(mMarksBefore);
}

void CKXTextAction::SetAfterRange(const SKXRange& r) {
  mAfter = r;
  // A move knows where its text went only now.
  if (mType == kKxActMove) {
    SettleMarks();
    CloseMarks();
  }
}
