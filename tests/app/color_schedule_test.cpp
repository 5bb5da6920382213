// The colour schedule's entries: the walk over hostile bytes, the packed
// form, and what happens to the files while no container is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "app/color_schedule_file.h"
#include "app/globals.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

KxBlock Entry(std::uint8_t titleLen, std::uint8_t messageLen, std::uint8_t fill = 'a') {
  KxBlock e(kKxScheduleFixedSize, 0);
  e.push_back(titleLen);
  e.insert(e.end(), titleLen, fill);
  e.push_back(messageLen);
  e.insert(e.end(), messageLen, fill);
  return e;
}

KxBlock Cat(std::initializer_list<KxBlock> parts) {
  KxBlock out;
  for (const KxBlock& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(ColorSchedule, OnlyWholeEntriesAreKept) {
  const KxBlock one = Entry(3, 5), two = Entry(0, 0);
  KxBlock titleOver = Entry(10, 0);
  titleOver.resize(kKxScheduleFixedSize + 5);   // the title runs past the end
  KxBlock messageOver = Entry(2, 9);
  messageOver.pop_back();                       // one byte of the message missing
  KxBlock noMessageLength = Entry(4, 0);
  noMessageLength.pop_back();                   // the message's length byte missing
  struct Case {
    const char* what;
    KxBlock bytes;
    std::size_t whole;
    std::size_t entries;
  };
  const std::vector<Case> cases = {
      {"empty", {}, 0, 0},
      {"one entry", one, one.size(), 1},
      {"two entries", Cat({one, two}), one.size() + two.size(), 2},
      {"a fixed part alone", KxBlock(kKxScheduleFixedSize, 0), 0, 0},
      {"a trailing piece", Cat({one, KxBlock(10, 0)}), one.size(), 1},
      {"title past the end", Cat({one, titleOver}), one.size(), 1},
      {"message past the end", Cat({two, messageOver}), two.size(), 1},
      {"no message length", Cat({one, noMessageLength}), one.size(), 1},
      {"title longer than the store holds", Cat({one, Entry(128, 0), two}), one.size(), 1},
      {"message longer than the store holds", Cat({Entry(0, 200), one}), 0, 0},
      {"longest texts", Entry(127, 127), Entry(127, 127).size(), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(KxScheduleWholeLength(c.bytes.data(), c.bytes.size()), c.whole);
    EXPECT_EQ(KxParseSchedule(c.bytes.data(), c.bytes.size()).size(), c.entries);
    KxSetColorScheduleData(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(KxColorScheduleData(), KxBlock(c.bytes.begin(), c.bytes.begin() + std::ptrdiff_t(c.whole)));
  }
  KxSetColorScheduleData(nullptr, 0);
}

// The reserved bytes of each entry's fixed part read as zeros, so that the
// store and what is written from it agree.
TEST(ColorSchedule, ReservedBytesAreZeroedOnReading) {
  KxBlock one = Entry(2, 1), two = Entry(0, 3);
  std::fill(one.begin() + 10, one.begin() + std::ptrdiff_t(kKxScheduleFixedSize), 0xAB);
  std::fill(two.begin() + 16, two.begin() + std::ptrdiff_t(kKxScheduleFixedSize), 0xFF);
  const KxBlock file = Cat({one, two});
  KxSetColorScheduleData(file.data(), file.size());
  const KxBlock kept = KxColorScheduleData();
  ASSERT_EQ(kept.size(), file.size());
  EXPECT_EQ(KxPackSchedule(KxParseSchedule(kept.data(), kept.size())), kept);
  for (std::size_t at : {std::size_t(0), one.size()})
    for (std::size_t k = 16; k < kKxScheduleFixedSize; ++k) EXPECT_EQ(kept[at + k], 0) << at + k;
  EXPECT_EQ(kept[10], 0xAB);   // the color fields stay
  KxSetColorScheduleData(nullptr, 0);
}

TEST(ColorSchedule, FieldsAreBigEndianAndPackingIsTheInverseOfParsing) {
  const std::uint8_t fixed[kKxScheduleFixedSize] = {2, 1, 0x04, 0xD2, 0x03, 0x84, 0x07, 0x08, 1, 19,
                                                    0xFF, 0xFE, 0x80, 0x00, 0x00, 0x01};
  KxBlock b(fixed, fixed + sizeof fixed);
  b.insert(b.end(), {2, 'H', 'i', 0});
  const auto e = KxParseSchedule(b.data(), b.size());
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].dayRule, 2);
  EXPECT_EQ(e[0].timed, 1);
  EXPECT_EQ(e[0].dayValue, 1234);
  EXPECT_EQ(e[0].start, 900);
  EXPECT_EQ(e[0].end, 1800);
  EXPECT_EQ(e[0].repetition, 1);
  EXPECT_EQ(e[0].variation, 19);
  EXPECT_EQ(e[0].paper[0], 0xFFFE);
  EXPECT_EQ(e[0].paper[1], 0x8000);
  EXPECT_EQ(e[0].paper[2], 0x0001);
  EXPECT_EQ(e[0].title, "Hi");
  EXPECT_EQ(e[0].message, "");
  EXPECT_EQ(KxPackSchedule(e), b);

  // Texts longer than the store holds are cut, and the entry stays whole.
  KxScheduleEntry longer = e[0];
  longer.title.assign(200, 'T');
  longer.message.assign(130, 'M');
  const KxBlock packed = KxPackSchedule({longer, e[0]});
  EXPECT_EQ(packed.size(), b.size() + kKxScheduleFixedSize + 2 + 2 * kKxScheduleTextMax);
  const auto back = KxParseSchedule(packed.data(), packed.size());
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].title, std::string(kKxScheduleTextMax, 'T'));
  EXPECT_EQ(back[0].message, std::string(kKxScheduleTextMax, 'M'));
  EXPECT_EQ(back[1].title, "Hi");
}

TEST(ColorSchedule, WithoutAContainerNothingOnDiskChanges) {
  // This executable has no document area, so the do-nothing container is in
  // place: nothing can be read from or written to the schedule file, and no
  // file is lost for it.
  const fs::path dir = fs::temp_directory_path() / ("kxsched_app_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "schedule.kxt").string(), old = (dir / "schedule").string();
  const KxBlock entry = Entry(1, 1);
  ASSERT_EQ(KxWriteFileSafely(path, "not read", 8), 0);
  ASSERT_EQ(KxWriteFileSafely(old, entry.data(), entry.size()), 0);
  EXPECT_EQ(KxReadColorSchedule(path, old), EILSEQ);
  EXPECT_TRUE(KxColorScheduleData().empty());
  KxSetColorScheduleData(entry.data(), entry.size());
  EXPECT_EQ(KxWriteColorSchedule(path, old), ENOTSUP);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_TRUE(fs::exists(old));
  // The older file alone is read without the container.
  fs::remove(path);
  KxSetColorScheduleData(nullptr, 0);
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_EQ(KxColorScheduleData(), entry);
  // The defaults empty the schedule.
  KxSetGlobalDefaults();
  EXPECT_TRUE(KxColorScheduleData().empty());
  fs::remove_all(dir);
}

}  // namespace
