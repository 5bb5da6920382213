// The column-page table against a plain list of column-pages: splices
// anywhere, of every size, whole new cuts, with the pages after each
// renumbered, and every entry and look-up compared after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "layout/page_table.h"

namespace {

// Column-pages of `counts` lines each, from line 0 on.
std::vector<SKXPage> Cut(const std::vector<long>& counts, long first) {
  std::vector<SKXPage> pages;
  for (long c : counts) {
    pages.push_back(SKXPage{std::int32_t(first), std::int32_t(c)});
    first += c;
  }
  return pages;
}

std::string Differs(const CKXPageTable& t, const std::vector<SKXPage>& model) {
  if (t.GetCount() != long(model.size()))
    return "count " + std::to_string(t.GetCount()) + ", want " + std::to_string(model.size());
  for (long i = 1; i <= long(model.size()); ++i) {
    SKXPage p{-1, -1};
    if (!t.FetchItemAt(i, &p)) return "page " + std::to_string(i) + " missing";
    const SKXPage& m = model[size_t(i - 1)];
    if (p.firstLine != m.firstLine || p.count != m.count)
      return "page " + std::to_string(i) + " first line " + std::to_string(p.firstLine) + ", want " +
             std::to_string(m.firstLine);
    // The page of each of its first, middle and last lines.
    for (long line : {long(m.firstLine), long(m.firstLine) + m.count / 2, long(m.firstLine) + m.count - 1})
      if (t.GetArrayIndex(line) != i) return "line " + std::to_string(line) + " not on page " + std::to_string(i);
  }
  SKXPage p{};
  if (t.FetchItemAt(0, &p) || t.FetchItemAt(long(model.size()) + 1, &p)) return "a page outside the table";
  return {};
}

}  // namespace

TEST(PageTable, SplicesAnywhereMatchAPlainList) {
  const long steps = KxRandomSteps(1500);
  std::mt19937 rng(5);
  CKXPageTable t;
  std::vector<SKXPage> model{SKXPage{0, 1}};
  ASSERT_EQ(Differs(t, model), "");
  for (long step = 0; step < steps; ++step) {
    const long n = long(model.size());
    const bool whole = rng() % 50 == 0;
    const long s = whole ? 1 : 1 + long(rng() % size_t(n));
    // Mostly a page or two, now and then most of the table.
    const long most = n - s + 1;
    const long removed = whole ? n : std::min(most, long(rng() % 3 ? 1 + rng() % 3 : 1 + rng() % size_t(most)));
    // Now and then the same lines cut again: as many pages, none renumbered.
    const bool same = !whole && rng() % 4 == 0;
    const long added = whole  ? 1 + long(rng() % 3000)
                       : same ? removed
                              : long(rng() % (rng() % 8 ? 4 : 600)) + (removed == most);
    const long first = model[size_t(s - 1)].firstLine;
    long oldLines = 0;
    std::vector<long> counts;
    for (long k = s - 1; k < s - 1 + removed; ++k) {
      oldLines += model[size_t(k)].count;
      if (same) counts.push_back(model[size_t(k)].count);
    }
    if (same) std::shuffle(counts.begin(), counts.end(), rng);
    long newLines = same ? oldLines : 0;
    for (long k = 0; !same && k < added; ++k) {
      counts.push_back(1 + long(rng() % 40));
      newLines += counts.back();
    }
    const std::vector<SKXPage> cut = Cut(counts, first);
    const long delta = newLines - oldLines;
    t.Splice(s, removed, cut.data(), added, s - 1 + removed < n ? delta : 0);
    model.erase(model.begin() + (s - 1), model.begin() + (s - 1 + removed));
    model.insert(model.begin() + (s - 1), cut.begin(), cut.end());
    for (size_t k = size_t(s - 1 + added); k < model.size(); ++k) model[k].firstLine += std::int32_t(delta);
    const std::string wrong = Differs(t, model);
    ASSERT_EQ(wrong, "") << "step " << step << ": splice at " << s << " of " << removed << " by " << added;
  }
}
