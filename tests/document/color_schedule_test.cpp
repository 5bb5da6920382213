// The colour-schedule file through the resource container: its round trip,
// what becomes of the older file, removal of an emptied schedule, and
// damaged or hostile containers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "app/color_schedule_file.h"
#include "document/resource.h"
#include "platform/bytefields.h"
#include "platform/files.h"
#include "text/base/memory.h"

namespace {

namespace fs = std::filesystem;

class ScheduleFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kxsched_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "schedule.kxt").string();
    old = (dir / "schedule").string();
    KxSetColorScheduleData(nullptr, 0);
  }
  void TearDown() override {
    fs::remove_all(dir);
    KxSetColorScheduleData(nullptr, 0);
  }
  KxBlock Disk(const std::string& p) {
    KxBlock b;
    EXPECT_EQ(KxReadFile(p, b), 0);
    return b;
  }
  fs::path dir;
  std::string path, old;
};

KxBlock Sample() {
  KxScheduleEntry a;
  a.dayRule = 1;
  a.timed = 1;
  a.dayValue = 3;
  a.start = 830;
  a.end = 1715;
  a.variation = 4;
  a.paper[0] = 0xFFFF;
  a.paper[1] = 0xF0F0;
  a.title = "Morning";
  a.message = "Stand up";
  KxScheduleEntry b;
  b.dayRule = 2;
  b.dayValue = 1224;
  b.repetition = 1;
  b.title = "\x92\xA9\x82\xCC\x97\x5C\x92\xE8";  // 朝の予定 in Shift_JIS (0x5C a trail byte)
  return KxPackSchedule({a, b});
}

TEST_F(ScheduleFile, RoundTripThroughTheContainer) {
  const KxBlock s = Sample();
  KxSetColorScheduleData(s.data(), s.size());
  ASSERT_EQ(KxWriteFileSafely(old, s.data(), s.size()), 0);
  ASSERT_EQ(KxWriteColorSchedule(path, old), 0);
  EXPECT_FALSE(fs::exists(old));   // the older form goes once the container is written

  // The file holds the label and the entries, still big-endian.
  CKXMemResource container(Disk(path));
  container.OpenResInfo();
  ASSERT_TRUE(container.IsOpen());
  Handle label = container.ReadResource(kKxScheduleLabelType, kKxScheduleResID);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(std::string(*label, std::size_t(KxMemHSize(label))), KxColorScheduleLabel());
  KxMemHFree(label);
  Handle data = container.ReadResource(kKxScheduleResType, kKxScheduleResID);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(KxBlock(*data, *data + KxMemHSize(data)), s);
  EXPECT_EQ(KxGetU16BE(reinterpret_cast<std::uint8_t*>(*data) + 4), 830);
  KxMemHFree(data);

  KxSetColorScheduleData(nullptr, 0);
  ASSERT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_EQ(KxColorScheduleData(), s);
  const std::string dump = KxDumpColorSchedule();
  EXPECT_NE(dump.find("UCST[1] = rule 1 timed 1 day 3 start 0830 end 1715 repeat 0 variation 4 paper FFFF F0F0 0000 "
                      "title \"Morning\" message \"Stand up\""),
            std::string::npos)
      << dump;
  EXPECT_NE(dump.find("UCST[2] = rule 2 timed 0 day 1224"), std::string::npos) << dump;
  EXPECT_NE(dump.find("title \"朝の予定\""), std::string::npos) << dump;  // dumped as UTF-8

  // Writing what was read gives the same file.
  const KxBlock first = Disk(path);
  ASSERT_EQ(KxWriteColorSchedule(path, old), 0);
  EXPECT_EQ(Disk(path), first);
}

TEST_F(ScheduleFile, WhichFileIsReadAndWhatAnEmptyScheduleRemoves) {
  const KxBlock s = Sample();
  // Neither file: an empty schedule, and writing it makes no file.
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_TRUE(KxColorScheduleData().empty());
  EXPECT_EQ(KxWriteColorSchedule(path, old), 0);
  EXPECT_FALSE(fs::exists(path));

  // Only the older file: its bare entries are read, a damaged tail cut.
  KxBlock bare = s;
  bare.insert(bare.end(), {0, 1, 2});
  ASSERT_EQ(KxWriteFileSafely(old, bare.data(), bare.size()), 0);
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_EQ(KxColorScheduleData(), s);

  // The container wins over the older file when both lie there.
  const KxBlock one(s.begin(), s.begin() + 26 + 7 + 8);
  KxSetColorScheduleData(one.data(), one.size());
  KxBlock file;
  ASSERT_TRUE(KxTheScheduleContainer().Pack(one, "x", file));
  ASSERT_EQ(KxWriteFileSafely(path, file.data(), file.size()), 0);
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_EQ(KxColorScheduleData(), one);

  // Emptied: both files go, so the entries do not come back from either.
  KxSetColorScheduleData(nullptr, 0);
  EXPECT_EQ(KxWriteColorSchedule(path, old), 0);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(fs::exists(old));
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_TRUE(KxColorScheduleData().empty());
}

TEST_F(ScheduleFile, DamagedAndHostileContainers) {
  const KxBlock s = Sample();
  KxBlock good;
  ASSERT_TRUE(KxTheScheduleContainer().Pack(s, "label", good));
  KxBlock schedule;

  // A container without the schedule resource: an empty schedule.
  CKXMemResource labelOnly;
  std::string text = "label";
  ASSERT_TRUE(labelOnly.WriteResource(text.data(), long(text.size()), kKxScheduleLabelType, 1));
  ASSERT_TRUE(labelOnly.CloseResInfo());
  EXPECT_TRUE(KxTheScheduleContainer().Unpack(labelOnly.Bytes(), schedule));
  EXPECT_TRUE(schedule.empty());

  // Not a container, a cut container, and one whose footer was damaged:
  // unreadable, and the schedule stays empty.
  KxBlock wrongCode = good;
  wrongCode.back() ^= 0x20;
  const std::vector<KxBlock> bad = {{}, KxBlock(good.begin(), good.end() - 1), KxBlock(19, 0), wrongCode};
  for (const KxBlock& b : bad) {
    EXPECT_FALSE(KxTheScheduleContainer().Unpack(b, schedule)) << b.size();
    ASSERT_EQ(KxWriteFileSafely(path, b.data(), b.size()), 0);
    KxSetColorScheduleData(s.data(), s.size());
    EXPECT_EQ(KxReadColorSchedule(path, old), EILSEQ);
    EXPECT_TRUE(KxColorScheduleData().empty());
  }

  // The schedule's map entry made to point past the end of the bytes (its
  // data is the second block written, right after the 5-byte label): the
  // container drops the damaged map, and no byte outside is taken.
  KxBlock far = good;
  bool patched = false;
  for (std::size_t at = 0; at + 10 <= far.size(); ++at)
    if (KxGetU16N(&far[at]) == kKxScheduleResID && KxGetU32N(&far[at + 2]) == 5 &&
        KxGetU32N(&far[at + 6]) == s.size()) {
      KxPutU32N(&far[at + 6], 0x7FFFFF00);
      patched = true;
      break;
    }
  ASSERT_TRUE(patched);
  schedule = s;
  KxTheScheduleContainer().Unpack(far, schedule);
  EXPECT_TRUE(schedule.empty());

  // A schedule resource with a damaged tail keeps its whole entries.
  KxBlock tail = s;
  tail.push_back(9);
  ASSERT_TRUE(KxTheScheduleContainer().Pack(tail, "label", good));
  ASSERT_EQ(KxWriteFileSafely(path, good.data(), good.size()), 0);
  EXPECT_EQ(KxReadColorSchedule(path, old), 0);
  EXPECT_EQ(KxColorScheduleData(), s);
}

TEST_F(ScheduleFile, AFailedWriteLeavesTheFilesAlone) {
  const KxBlock s = Sample();
  KxSetColorScheduleData(s.data(), s.size());
  ASSERT_EQ(KxWriteFileSafely(old, s.data(), s.size()), 0);
  // The file's place is taken by a folder: the write fails and the older
  // file, the only copy on disk, stays.
  fs::create_directories(path);
  fs::create_directories(fs::path(path) / "inside");
  EXPECT_NE(KxWriteColorSchedule(path, old), 0);
  EXPECT_TRUE(fs::exists(old));
}

}  // namespace
