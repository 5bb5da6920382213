// Ticks, the local date and time, and the time and date stamps that the
// program writes into text (Western and Japanese styles).
//
// The Japanese words (year, month, day, hour, minute, morning, afternoon,
// the era and the weekday names) come from string list 203 and are loaded
// when first needed.
#pragma once

#include "platform/clock.h"

#include <cstddef>
#include <cstdint>

// Ticks (1/60 s), the double-click interval and the caret blink interval.
std::uint32_t KxGetTime();
std::uint32_t KxGetDblTime();
std::uint32_t KxGetBlinkTime();

// The system date-time record; dayOfWeek: 1 Sunday .. 7 Saturday.
using SKXDateTime = DateTimeRec;

void KxGetDateTime(SKXDateTime& now);

// The stamps write at most size bytes and no terminator, and return the
// byte count. A word or number that does not fit is left out whole, with
// everything after it, so a double-byte character is never cut.
//
// Time styles: 0 " 9:05 AM"; 1 " 9:05"; 2 morning/afternoon word, hour,
// hour word, minutes, minute word; 3, 4 and others 24-hour with the words;
// 5 the system's time, 6 with seconds.
short KxGetTimeStamp(char* buffer, std::size_t size, short style);
// Date styles: 0 "05. 4. 1"; 1 " 4/ 1/05"; 3 era, year of the era and the
// words; 2, 4 and others year, month and day with the words; 5, 6, 7 the
// system's short, long and abbreviated date.
short KxGetDateStamp(char* buffer, std::size_t size, short style);
// A given date in the Japanese word style, with the weekday's name when
// weekday is 1 (Sunday) to 7. Year 0 writes no year.
short KxDateString(char* buffer, std::size_t size, short year, short month, short day,
                   short weekday);
