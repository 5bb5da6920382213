// Marks read from a damaged file, as they are put in place once the text
// is read: the outline of the marks kept stays whole, and names hold no
// control bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "document/doc_prefs.h"
#include "document/doc_records.h"

namespace {

const std::string kText(90, 'x');
const std::uint8_t* Text() { return reinterpret_cast<const std::uint8_t*>(kText.data()); }

std::string Names(const SKXDocSettings& doc) {
  std::string out;
  for (const SKXMarkRec& m : doc.marks)
    out += std::to_string(m.start) + "-" + std::to_string(m.end) + ":" + m.name + " ";
  return out;
}

TEST(DocPrefsMarks, DroppedMarksLeaveNoChildWithoutItsGroup) {
  // Chapter Two opens a folded group holding Section A; a damaged first
  // mark overlaps it, so Chapter Two goes and Section A has no parent.
  SKXDocSettings doc;
  doc.marks = {{0, 48, "Chapter One"}, {28, 39, "Chapter Two"}, {51, 60, "Section A"}, {69, 82, "Chapter Three"}};
  doc.hasRank = true;
  doc.rank.levels = {0, -1, 2, 0};
  AdjustDocPref(doc, Text(), long(kText.size()), 0);
  EXPECT_EQ(Names(doc), "0-48:Chapter One 51-60:Section A 69-82:Chapter Three ");
  EXPECT_EQ(doc.rank.levels, (std::vector<std::int8_t>{0, 0, 0}));
  // A group whose opener stays keeps its shape when a mark past it goes.
  SKXDocSettings kept;
  kept.marks = {{0, 5, "a"}, {6, 9, "b"}, {10, 12, "c"}, {95, 99, "outside"}};
  kept.hasRank = true;
  kept.rank.levels = {-1, 2, 0, 4};
  AdjustDocPref(kept, Text(), long(kText.size()), 0);
  EXPECT_EQ(kept.rank.levels, (std::vector<std::int8_t>{-1, 2, 0}));
}

TEST(DocPrefsMarks, EmptyMarksKeepTheirPlaceOnce) {
  // One empty mark may stand at the start of another; a second empty mark
  // at the same place goes, as inserting it would replace the first.
  SKXDocSettings doc;
  doc.marks = {{0, 0, "Top"}, {0, 0, "Again"}, {0, 11, "One"}, {11, 11, "End"}, {11, 20, "Two"}};
  doc.hasRank = true;
  doc.rank.levels = {0, 1, 1, 2, 2};
  AdjustDocPref(doc, Text(), long(kText.size()), 0);
  EXPECT_EQ(Names(doc), "0-0:Top 0-11:One 11-11:End 11-20:Two ");
  EXPECT_EQ(doc.rank.levels, (std::vector<std::int8_t>{0, 1, 2, 2}));
}

TEST(DocPrefsMarks, ControlBytesInNamesBecomeSpaces) {
  SKXDocSettings doc;
  doc.marks = {{0, 11, "Cha\rter\tOne"}, {20, 24, "\x82\xA0\x1F"}, {30, 31, "\x7F plain"}};
  AdjustDocPref(doc, Text(), long(kText.size()), 1);
  EXPECT_EQ(Names(doc), "0-11:Cha ter One 20-24:\x82\xA0  30-31:\x7F plain ");
  EXPECT_EQ(doc.rank.levels, (std::vector<std::int8_t>{0, 0, 0}));
}

}  // namespace
