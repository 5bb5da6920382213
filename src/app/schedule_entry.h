// The colour schedule entry dialog's rules: what its OK makes of the
// fields, the order of titles, and the working copy's 164-byte records
// (the 24-byte fixed part, the title in 50 bytes, the message in 90).
#pragma once

#include <cstdint>
#include <string>

#include "app/color_schedule_file.h"
#include "platform/types.h"

constexpr std::size_t kKxScheduleWorkSize = 164;
constexpr std::size_t kKxScheduleTitleMax = 48;     // what the dialog keeps
constexpr std::size_t kKxScheduleMessageMax = 88;

// The dialog's fields as typed.
struct KxScheduleForm {
  int dayRule = 0;      // 0 every day, 1 the week day, 2 the date
  int weekday = 0;      // 0-6
  long month = 1, day = 1;
  bool timed = false;
  long startHour = 0, startMinute = 0;
  bool startPM = false;
  long endHour = 0, endMinute = 0;
  bool endPM = false;
  int variation = 0;
  int repetition = 0;
  RGBColor paper{};     // as the colour button shows it
  std::string title, message;
};

// OK: texts cut to 48 and 88 bytes on characters; the month held to 1-12
// and the day to 1 and the month's length (February 29: a date repeats
// every year); hours above 11 lose 12 and are held to 0-11, minutes to
// 0-59, PM adds 12 hours; a whole day stores times 0; the paper colour is
// stored as CheckColor stores it.
KxScheduleEntry KxScheduleFromForm(const KxScheduleForm& form);
// The fields an entry shows (a 12-hour clock, 1200 and later as PM).
KxScheduleForm KxScheduleToForm(const KxScheduleEntry& entry);

// Title order: byte by byte, letters in upper case, a full-width letter or
// digit as its one-byte form; a prefix sorts first. <0, 0, >0.
int CompareScheduleTitle(const std::string& a, const std::string& b);

// The working copy's record of an entry and back; texts longer than the
// record holds are cut on characters as they are copied in.
KxBlock KxScheduleToWork(const KxScheduleEntry& entry);
bool KxScheduleFromWork(const std::uint8_t* record, std::size_t size, KxScheduleEntry& entry);
