// The marks of the edit object as actions keep them: names and outline
// ranks with their ranges, so that undo gives a text its own marks back.
#include <algorithm>
#include <cstring>

#include "engine/text_engine.h"
#include "layout/kxte_api.h"

void CKXTextEngine::GetMarks(KXMarkSet& out) const {
  out.clear();
  const long count = KXTE_GetMarkCount(mEdit);
  out.reserve(std::size_t(std::max(count, 0L)));
  for (long k = 1; k <= count; ++k) {
    SKXSavedMark m;
    long start = 0, end = 0;
    KXTE_GetMarkRange(mEdit, k, start, end);
    m.start = std::int32_t(start);
    m.length = std::int32_t(std::max(end - start, 0L));
    m.rank = KXTE_GetMarkRank(mEdit, k);
    unsigned char name[256] = {};
    KXTE_GetMarkString(mEdit, k, name);
    m.name.assign(name, name + 1 + name[0]);
    out.push_back(std::move(m));
  }
}

void CKXTextEngine::SetMarks(const KXMarkSet& marks) {
  const long had = KXTE_GetMarkCount(mEdit);
  for (long k = had; k >= 1; --k) KXTE_DeleteMark(mEdit, k);
  const long length = GetTotalRange().length;
  // Each mark held to the text as it stands, whatever the set says; in
  // text order, an empty mark before the one that starts where it stands.
  struct Placed {
    long start, end;
    std::int16_t rank;
    const std::vector<unsigned char>* name;
  };
  std::vector<Placed> placed;
  placed.reserve(marks.size());
  for (const SKXSavedMark& m : marks) {
    if (m.markup) continue;
    const long start = std::clamp<long>(m.start, 0, length);
    const long end = std::clamp<long>(long(m.start) + m.length, start, length);
    placed.push_back({start, end, m.rank, &m.name});
  }
  auto before = [](long s1, bool ranged1, long s2, bool ranged2) { return s1 != s2 ? s1 < s2 : ranged1 < ranged2; };
  std::stable_sort(placed.begin(), placed.end(), [&](const Placed& a, const Placed& b) {
    return before(a.start, a.end > a.start, b.start, b.end > b.start);
  });
  // Inserting a mark first clears its range, which takes an empty mark at
  // its start or its end with it; an empty mark clears nothing that a set
  // holds beside it. So the marks with a range go in first, the empty ones
  // after them: the set comes back whole, as the user made it.
  for (const bool empty : {false, true}) {
    for (const Placed& m : placed) {
      if ((m.start == m.end) != empty) continue;
      unsigned char name[256] = {};
      const std::vector<unsigned char>& n = *m.name;
      if (!n.empty()) {
        name[0] = std::uint8_t(std::min<std::size_t>({n[0], n.size() - 1, 255}));
        std::memcpy(name + 1, n.data() + 1, name[0]);
      }
      KXTE_InsertMark(mEdit, m.start, m.end, name);
    }
  }
  // Ranks last, each mark's own, found by where it starts and whether it
  // is empty (an insertion moves the indexes of the marks after it).
  const long count = KXTE_GetMarkCount(mEdit);
  std::size_t j = 0;
  for (long k = 1; k <= count; ++k) {
    long start = 0, end = 0;
    KXTE_GetMarkRange(mEdit, k, start, end);
    const bool ranged = end > start;
    while (j < placed.size() && before(placed[j].start, placed[j].end > placed[j].start, start, ranged)) ++j;
    if (j < placed.size() && placed[j].start == start && (placed[j].end > placed[j].start) == ranged)
      KXTE_SetMarkRank(mEdit, k, placed[j].rank);
  }
  if (had || !marks.empty()) BroadcastMessage(kKxMsgMarksChanged);
}
