#include "core/datetime.h"

#include "core/errors.h"

#include <cmath>
#include <cstdio>

namespace korvel {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kZeroDateDays = -25569;
// 0100-01-01 and 9999-12-31 23:59:59 since the zero date.
constexpr int64_t kMinSeconds = -657434LL * kSecondsPerDay;
constexpr int64_t kMaxSeconds = 2958466LL * kSecondsPerDay - 1;

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2) ++y;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

} // namespace

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime DateTime::FromSeconds(int64_t s) {
    if (s < kMinSeconds || s > kMaxSeconds) throw DecodeError("date outside the years 100 to 9999");
    return DateTime(s);
}

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second) {
    // Carry the month into the year first, then count days from the first of the month.
    int64_t m0 = static_cast<int64_t>(month) - 1;
    int64_t y = year + FloorDiv(m0, 12);
    int mo = static_cast<int>(m0 - FloorDiv(m0, 12) * 12) + 1;
    if (y < 0 || y > 10000) throw DecodeError("date outside the years 100 to 9999");
    int64_t days = DaysFromCivil(y, mo, 1) + (static_cast<int64_t>(day) - 1) - kZeroDateDays;
    int64_t secs = days * kSecondsPerDay + static_cast<int64_t>(hour) * 3600 +
                   static_cast<int64_t>(minute) * 60 + second;
    return FromSeconds(secs);
}

DateTime DateTime::FromDays(double days) {
    if (!std::isfinite(days) || days < -657435.0 || days > 2958466.0)
        throw DecodeError("date outside the years 100 to 9999");
    // Negative values: the integer part counts days back, the fraction time forward.
    double whole = std::trunc(days);
    double fraction = std::fabs(days - whole);
    int64_t secs = static_cast<int64_t>(whole) * kSecondsPerDay +
                   static_cast<int64_t>(std::llround(fraction * kSecondsPerDay));
    return FromSeconds(secs);
}

double DateTime::ToDays() const {
    int64_t day = FloorDiv(m_Seconds, kSecondsPerDay);
    int64_t rest = m_Seconds - day * kSecondsPerDay;
    double fraction = static_cast<double>(rest) / kSecondsPerDay;
    if (day >= 0) return static_cast<double>(day) + fraction;
    // Before the zero date the fraction is added away from zero.
    if (rest == 0) return static_cast<double>(day);
    return static_cast<double>(day) - fraction;
}

int64_t DateTime::DayNumber() const { return FloorDiv(m_Seconds, kSecondsPerDay); }

int DateTime::WeekdayFromMonday() const {
    // The zero date 1899-12-30 was a Saturday (5 counted from Monday).
    return static_cast<int>(((DayNumber() + 5) % 7 + 7) % 7);
}

DateParts DateTime::Parts() const {
    int64_t day = DayNumber();
    int64_t rest = m_Seconds - day * kSecondsPerDay;
    DateParts p;
    int64_t y = 0;
    CivilFromDays(day + kZeroDateDays, y, p.month, p.day);
    p.year = static_cast<int>(y);
    p.hour = static_cast<int>(rest / 3600);
    p.minute = static_cast<int>(rest / 60 % 60);
    p.second = static_cast<int>(rest % 60);
    return p;
}

std::string DateTime::ToIsoText() const {
    DateParts p = Parts();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return buf;
}

} // namespace korvel
