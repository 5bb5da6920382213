// The paragraph and tab dialogs of a text document, and the rules they
// apply: indents that always leave a line, and lengths shown in the user's
// measuring unit.
#pragma once

#include <cstdint>
#include <vector>

class KXEditField;

// Smallest line the indents leave, in points.
constexpr std::int32_t kKxMinLineLeft = 24;

struct KxIndents {
  std::int32_t first = 0, left = 0, right = 0;
};
// Fits the indents into a line of `line` points: negative indents and
// indents beyond the line count as 0; when left + right (first + right)
// leave less than 24 points, each of the two gives half of the excess (the
// left or first-line indent the larger half) and what one cannot give the
// other gives, none going below 0; a line under 24 points takes no indent.
// Indents that fit already are kept.
KxIndents KxFitIndents(KxIndents in, std::int32_t line);

// A unit field: shows a length of `points` in measuring unit `unit`
// (millimetres with one decimal, inches and points with two), and reads
// one back as whole points (negative as 0 when `positive`).
void KxSetUnitField(KXEditField& field, std::int32_t points, short unit);
std::int32_t KxUnitFieldPoints(const KXEditField& field, short unit, bool positive = true);
// A length in the unit's own steps (tenths of a millimetre, hundredths of
// an inch or a point) as a field's hundredths of the unit, and back.
std::int32_t KxUnitStepsToField100(long steps, short unit);
long KxField100ToUnitSteps(std::int32_t value100, short unit);

// The tab stops the tabs dialog edits: positions in points, ascending,
// each with its kind and leader (0-3); `index` is the selected tab (from 1,
// 0 for none).
struct KxTabEdit {
  static constexpr int kMax = 16;
  int count = 0;
  std::int32_t pos[kMax] = {};
  std::uint8_t kind[kMax] = {};
  std::uint8_t leader[kMax] = {};
  int index = 0;
  bool modified = false;

  // The fields' values to the selected tab, or to a new tab appended and
  // selected when none is selected (a position of 0 changes nothing, a
  // seventeenth tab is not added); the position is held within the line,
  // and the tab moves until the positions ascend, staying selected.
  void Apply(std::int32_t position, int kind, int leader, std::int32_t line);
  // Removes the tabs of these rows (from 1); nothing stays selected.
  void Delete(const std::vector<int>& rows);
};
