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
  // In text order, so that each one inserted is the last; it then takes
  // its own rank, level 0 too (the edit object gives a new mark the rank
  // of the one before it).
  KXMarkSet sorted = marks;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const SKXSavedMark& a, const SKXSavedMark& b) { return a.start < b.start; });
  for (const SKXSavedMark& m : sorted) {
    if (m.markup) continue;
    // Held to the text as it stands, whatever the set says.
    const long start = std::clamp<long>(m.start, 0, length);
    const long end = std::clamp<long>(long(m.start) + m.length, start, length);
    unsigned char name[256] = {};
    if (!m.name.empty()) {
      name[0] = std::uint8_t(std::min<std::size_t>({m.name[0], m.name.size() - 1, 255}));
      std::memcpy(name + 1, m.name.data() + 1, name[0]);
    }
    KXTE_InsertMark(mEdit, start, end, name);
    KXTE_SetMarkRank(mEdit, KXTE_GetMarkCount(mEdit), m.rank);
  }
  if (had || !marks.empty()) BroadcastMessage(kKxMsgMarksChanged);
}
