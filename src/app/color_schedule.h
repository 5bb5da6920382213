// The colour schedule: entries that switch the colour variation and the
// paper colour of every window, per day, week day or calendar date and
// optionally per time window, and show a reminder. The entries live in
// the schedule blob (color_schedule_file.h), numbered from 1 in stored
// order; today's pending checks are kept beside them. Time comes from two
// clocks of KxClock: the tick count orders the checks and polls, the local
// date and time decide which entries apply.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/color_schedule_file.h"
#include "platform/types.h"

namespace UKXColorSchedule {

void Initialize();
void Terminate();
// The title of new entries.
void SetNewTitle(const std::string& title);

long Count();
// Entry n; outside 1..Count a new entry of today (its date, now as start
// and end, the default title).
KxScheduleEntry GetAt(long n);
// Replaces entry n, or appends when n is outside the store; texts are cut
// to 127 bytes on a character boundary.
void SetAt(long n, const KxScheduleEntry& entry);
// Inserts before n (appends when n is past the end).
void InsertAt(long n, const KxScheduleEntry& entry);
void DeleteAt(long n);
void DeleteAll();
// The byte offset and stored length of entry n; false outside the store.
bool FindAt(long n, std::size_t& offset, std::size_t& length);
// Replaces the store by the leading whole entries of a blob, then rebuilds
// with the catch-up pass.
void SetData(const std::uint8_t* data, std::size_t size);

// "HH:MM-HH:MM TITLE" (an end of 0 or before the start shows as 24:00).
std::string DaysScheduleString(std::int16_t start, std::int16_t end, const std::string& title);
// The entries that apply on a date (weekday 0-6), whole-day ones first,
// then by start time; at most max.
std::vector<long> FindDateIndex(long max, int month, int day, int weekday);

// Today's checks; with catchUp, entries already over are caught up once.
// An entry that took effect earlier the same day shows no reminder again and
// is not replayed once over.
void Rebuild(bool catchUp);
// 0 nothing due, -1 the running entry is over, else an entry to execute.
long Check();
struct Execution {
  std::uint8_t variation = 0;
  RGBColor paper{};
  std::string timeText;
  std::string message;   // empty: no reminder
};
// Runs check n (-1 stops the running entry); true when the entry now takes
// effect. A number whose check or entry is gone does nothing.
bool ExecuteAt(long n, Execution& out);
// Whether a check is pending or an entry runs (the idle poll is due).
bool HasChecks();
bool IsRunning();

// The schedule was changed since it was read (an entry done counts): the
// quit writes it. A file that could not be read is written only then.
bool Changed();
void SetChanged(bool changed);
void SetLoadFailed(bool failed);
bool LoadFailed();

// A description of the first broken rule of the check list, empty when
// sound.
std::string CheckRules();

}  // namespace UKXColorSchedule
