#pragma once
// The date-time of the wire, the records and the data files.
//
// Held as whole seconds since the zero date 1899-12-30 00:00:00 (negative before it).
// Every value is rounded to the nearest second when it is made. Parts outside their
// range carry into the next larger unit: month 13 is January of the next year, day 0 the
// last day of the month before, hour 24 midnight of the next day. Dates before the year
// 100 or after 9999 cannot be held; making one raises DecodeError.
//
// The data files keep dates as a double counting days since the zero date, the time of
// day as the fraction; before the zero date the whole days count back while the fraction
// still counts forward (-1.25 is 1899-12-29 06:00). FromDays/ToDays convert that form.

#include <compare>
#include <cstdint>
#include <string>

namespace korvel {

struct DateParts {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    bool operator==(const DateParts&) const = default;
};

class DateTime {
public:
    constexpr DateTime() = default;

    // The zero date 1899-12-30 00:00:00.
    static constexpr DateTime Zero() { return DateTime(); }
    // From parts that may lie outside their ranges (carried as described above).
    static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static DateTime FromSeconds(int64_t secondsSinceZero);
    // From the data files' day count; rounded to the nearest second.
    static DateTime FromDays(double days);

    int64_t Seconds() const { return m_Seconds; }
    double ToDays() const;
    DateParts Parts() const;
    // Day number since the zero date (the integer date part), and weekday Monday = 0.
    int64_t DayNumber() const;
    int WeekdayFromMonday() const;
    bool IsZero() const { return m_Seconds == 0; }

    DateTime AddSeconds(int64_t s) const { return FromSeconds(m_Seconds + s); }

    // "yyyy-mm-dd hh:nn:ss", for traces and tests.
    std::string ToIsoText() const;

    auto operator<=>(const DateTime&) const = default;

private:
    explicit constexpr DateTime(int64_t s) : m_Seconds(s) {}
    int64_t m_Seconds = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12, day 1..31).
int64_t DaysFromCivil(int64_t year, int month, int day);

} // namespace korvel
