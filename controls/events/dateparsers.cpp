#include "controls/events/dateparsers.h"

#include "core/cp1252.h"
#include "core/errors.h"
#include "core/numeric.h"

#include <array>
#include <ctime>
#include <optional>
#include <string>

namespace korvel::events {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Characters first..first+count-1 (1-based) of text; whatever of them exists.
std::string_view Mid(std::string_view text, std::size_t first, std::size_t count) {
    if (first < 1 || first > text.size()) return {};
    return text.substr(first - 1, count);
}

std::string_view Rest(std::string_view text, int start) {
    std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    return from >= text.size() ? std::string_view{} : text.substr(from);
}

std::string_view Trim(std::string_view t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
}

// The whole text (blanks around it allowed) is one decimal number.
bool IsWholeNumber(std::string_view t) {
    t = Trim(t);
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) t.remove_prefix(1);
    bool digits = false, point = false;
    for (char c : t) {
        if (IsDigit(c)) digits = true;
        else if (c == '.' && !point) point = true;
        else return false;
    }
    return digits;
}

std::optional<int> Field(std::string_view text) {
    auto v = NumericValueAsInt16(text);
    if (!v) return std::nullopt;
    return *v;
}

DateTime Today(DateTime now) { return DateTime::FromSeconds(now.DayNumber() * kSecondsPerDay); }

int32_t TimeOfDay(DateTime now) { return static_cast<int32_t>(now.Seconds() - now.DayNumber() * kSecondsPerDay); }

// Year, month and day composed with carrying; two-digit years take their century.
DateTime Compose(std::optional<int> year, std::optional<int> month, std::optional<int> day,
                 int yearBase, DateTime now) {
    if (!year || !month || !day) return Today(now);
    int y = yearBase + *year;
    if (y >= 0 && y <= 29) y += 2000;
    else if (y >= 30 && y <= 99) y += 1900;
    try {
        DateTime d = DateTime::FromParts(y, *month, *day);
        int composedYear = d.Parts().year;
        if (composedYear < 100 || composedYear > 9999) return Today(now);
        return d;
    } catch (const DecodeError&) {
        return Today(now);
    }
}

// Fixed-position layouts: where the year, month and day stand (1-based start, width).
struct FixedLayout {
    std::size_t yearAt, yearWidth, monthAt, dayAt;
};
constexpr FixedLayout kFixed[7] = {
    {0, 0, 0, 0},  // unused
    {1, 2, 4, 7},  // 1 yy-mm-dd
    {7, 2, 4, 1},  // 2 dd-mm-yy
    {7, 2, 1, 4},  // 3 mm-dd-yy
    {1, 4, 6, 9},  // 4 yyyy-mm-dd
    {7, 4, 4, 1},  // 5 dd-mm-yyyy
    {7, 4, 1, 4},  // 6 mm-dd-yyyy
};

DateTime ParseFixed(int layout, std::string_view rest, DateTime now) {
    const FixedLayout& f = kFixed[layout];
    return Compose(Field(Mid(rest, f.yearAt, f.yearWidth)), Field(Mid(rest, f.monthAt, 2)),
                   Field(Mid(rest, f.dayAt, 2)), layout <= 3 ? 2000 : 0, now);
}

constexpr std::array<std::string_view, 12> kMonthNames = {
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

} // namespace

std::string_view SplitField(std::string_view text, char separator, int index) {
    if (index < 0) return {};
    std::size_t begin = 0;
    for (int k = 0; k < index; ++k) {
        std::size_t at = text.find(separator, begin);
        if (at == std::string_view::npos) return {};
        begin = at + 1;
    }
    std::size_t end = text.find(separator, begin);
    return text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

DateTime CurrentLocalDateTime() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
}

DateTime ParseDateText(int layout, std::string_view text, int start, DateTime now) {
    std::string_view rest = Rest(text, start);
    switch (layout) {
    case 1: case 2: case 3: case 4: case 5: case 6:
        return ParseFixed(layout, rest, now);
    case 7: case 8: case 9: {
        // The year stands at position 1 (layout 7) or 7 (layouts 8 and 9).
        auto year = Field(Mid(rest, layout == 7 ? 1 : 7, std::string_view::npos));
        if (!year) return Today(now);
        return ParseFixed(*year >= 2000 ? layout - 3 : layout - 6, rest, now);
    }
    case 10:
        return Compose(Field(SplitField(rest, '/', 2)), Field(SplitField(rest, '/', 0)),
                       Field(SplitField(rest, '/', 1)), 0, now);
    case 11: {
        std::string name = UpperCase(SplitField(rest, ' ', 1));
        for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
            if (name == kMonthNames[i])
                return Compose(Field(SplitField(rest, ' ', 2)), static_cast<int>(i + 1),
                               Field(SplitField(rest, ' ', 0)), 0, now);
        }
        return Today(now);
    }
    default:
        return Today(now);
    }
}

int32_t ParseTimeText(int layout, std::string_view text, int start, DateTime now) {
    std::string rest(Rest(text, start));
    // A one-digit hour gets its leading zero.
    if (rest.size() > 2 && IsDigit(rest[0]) && !IsDigit(rest[1]) && IsWholeNumber(Mid(rest, 3, 2)))
        rest.insert(rest.begin(), '0');

    std::optional<int> hours, minutes, seconds;
    switch (layout) {
    case 1:
        hours = Field(Mid(rest, 1, 2));
        minutes = Field(Mid(rest, 4, 2));
        seconds = Field(Mid(rest, 7, 2));
        break;
    case 2:
        hours = Field(Mid(rest, 1, 2));
        minutes = Field(Mid(rest, 4, 2));
        seconds = 0;
        break;
    case 3: {
        hours = Field(SplitField(rest, ':', 0));
        minutes = Field(SplitField(rest, ':', 1));
        seconds = Field(SplitField(rest, ':', 2));
        std::string marker = UpperCase(Trim(SplitField(rest, ' ', 1)));
        if (hours && marker == "PM" && *hours != 12) *hours += 12;
        else if (hours && marker == "AM" && *hours == 12) *hours = 0;
        break;
    }
    default:
        return TimeOfDay(now);
    }
    if (!hours || !minutes || !seconds) return TimeOfDay(now);
    int64_t total = int64_t{*hours} * 3600 + int64_t{*minutes} * 60 + *seconds;
    total %= kSecondsPerDay;
    if (total < 0) total += kSecondsPerDay;
    return static_cast<int32_t>(total);
}

DateTime ParseTimeStamp(std::string_view text, DateTime now) {
    return ParseDateText(4, text, 1, now).AddSeconds(ParseTimeText(1, text, 12, now));
}

} // namespace korvel::events
