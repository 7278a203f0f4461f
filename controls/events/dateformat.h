#pragma once
// Display of dates and times with the server's "DateFormat" and "TimeFormat" patterns.
// The patterns are written in the notation of the server's own configuration (see
// docs/events.md), not in Qt's: letters are read case-insensitively, runs are taken
// greedily.
//
//   d dd ddd dddd   day, day with zero, weekday abbreviated (Mon), weekday (Monday)
//   m mm mmm mmmm   month, month with zero, month abbreviated (Jan), month (January);
//                   m and mm right after an hour (h, hh; literals in between allowed)
//                   mean minutes
//   y yy yyyy       day of the year, two-digit year, four-digit year
//   h hh            hour, hour with zero (1..12 when the pattern holds a 12-hour marker)
//   n nn s ss       minute, second (without / with zero)
//   AM/PM am/pm A/P a/p   12-hour marker, written in the case the pattern gives
//   "text" \c      literal text, literal character; every other character stands as is
// An empty pattern gives the general text yyyy-mm-dd hh:nn:ss.

#include "core/datetime.h"

#include <string>
#include <string_view>

namespace korvel::events {

std::string FormatDateTime(std::string_view pattern, DateTime value);

} // namespace korvel::events
