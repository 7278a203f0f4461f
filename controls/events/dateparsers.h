#pragma once
// The date and time texts inside an alarm record, turned into values.
//
// Both parsers work on the part of the text from a 1-based start position to its end
// (the "rest") and never fail: a text that does not fit gives the date or time of `now`,
// which the caller passes in (CurrentLocalDateTime() in the program, a fixed value in
// tests). Every numeric field is read with the one numeric reader (NumericValue) and
// rounded to the nearest 16-bit integer; a field too large for that gives the default.
//
// Date layouts (fixed positions 1-based in the rest; any character may stand between):
//   1 yy-mm-dd   2 dd-mm-yy   3 mm-dd-yy        (year = 2000 + yy)
//   4 yyyy-mm-dd 5 dd-mm-yyyy 6 mm-dd-yyyy
//   7/8/9 as 4/5/6 when the number read where the year starts is 2000 or more, else 1/2/3
//   10 m/d/y with fields of any width, 11 "d monthname y" (English month names, any case)
// The date is composed with carrying (month 13 is January of the next year, day 0 the
// last day of the month before); years 0..29 read as 2000..2029 and 30..99 as 1930..1999.
// A date outside the years 100..9999 gives today.
//
// Time layouts: 1 hh:mm:ss, 2 hh:mm, 3 h:m:s with fields of any width and an optional
// AM/PM after a blank. A one-digit hour ("9:05:00") gets its leading zero first. The
// result is a time of day: fields outside their ranges carry (70 minutes is 1:10) and a
// carry beyond midnight wraps round (24:30 is 00:30). 12 o'clock on the 12-hour clock:
// 12:xx PM is 12:xx, 12:xx AM is 00:xx, every other PM time adds 12 hours.

#include "core/datetime.h"

#include <cstdint>
#include <string_view>

namespace korvel::events {

// The local date and time of the machine, to the second.
DateTime CurrentLocalDateTime();

// A calendar date (time of day 00:00:00).
DateTime ParseDateText(int layout, std::string_view text, int start, DateTime now);

// Seconds since midnight, 0..86399.
int32_t ParseTimeText(int layout, std::string_view text, int start, DateTime now);

// A time stamp "yyyy-mm-dd hh:mm:ss" of an alarm record: date layout 4 from position 1
// plus time layout 1 from position 12.
DateTime ParseTimeStamp(std::string_view text, DateTime now);

// Field k (0-based) of text split at a one-character separator; a missing field is empty.
std::string_view SplitField(std::string_view text, char separator, int index);

} // namespace korvel::events
