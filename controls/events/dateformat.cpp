#include "controls/events/dateformat.h"

#include "core/datetime.h"

#include <array>
#include <cctype>

namespace korvel::events {
namespace {

constexpr std::array<const char*, 12> kMonths = {"January", "February", "March",     "April",
                                                 "May",     "June",     "July",      "August",
                                                 "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kWeekdays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

// Length of the 12-hour marker at the start of text, 0 when none stands there.
std::size_t MarkerLength(std::string_view text) {
    if (StartsWithIgnoreCase(text, "am/pm")) return 5;
    if (StartsWithIgnoreCase(text, "a/p")) return 3;
    return 0;
}

bool HasMarker(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '"') {
            std::size_t close = pattern.find('"', i + 1);
            if (close == std::string_view::npos) return false;
            i = close;
        } else if (pattern[i] == '\\') {
            ++i;
        } else if (MarkerLength(pattern.substr(i))) {
            return true;
        }
    }
    return false;
}

std::size_t RunLength(std::string_view text, std::size_t at, char lower, std::size_t most) {
    std::size_t n = 0;
    while (at + n < text.size() && n < most && Lower(text[at + n]) == lower) ++n;
    return n;
}

void AppendNumber(std::string& out, int value, bool twoDigits) {
    if (twoDigits && value < 10) out += '0';
    out += std::to_string(value);
}

} // namespace

std::string FormatDateTime(std::string_view pattern, DateTime value) {
    if (pattern.empty()) return value.ToIsoText();

    const DateParts p = value.Parts();
    const bool twelveHour = HasMarker(pattern);
    std::string out;
    bool afterHour = false; // the last field written was an hour
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lc = Lower(c);
        if (c == '"') {
            std::size_t close = pattern.find('"', i + 1);
            std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == '\\') {
            if (i + 1 < pattern.size()) out += pattern[i + 1];
            i += 2;
            continue;
        }
        if (std::size_t marker = MarkerLength(pattern.substr(i))) {
            // Written in the pattern's own case: the part before the slash for the morning.
            std::string_view mark = pattern.substr(i, marker);
            std::size_t slash = mark.find('/');
            out.append(p.hour < 12 ? mark.substr(0, slash) : mark.substr(slash + 1));
            i += marker;
            afterHour = false;
            continue;
        }
        switch (lc) {
        case 'd': {
            std::size_t n = RunLength(pattern, i, 'd', 4);
            if (n <= 2) AppendNumber(out, p.day, n == 2);
            else {
                std::string_view name = kWeekdays[value.WeekdayFromMonday()];
                out.append(n == 3 ? name.substr(0, 3) : name);
            }
            i += n;
            afterHour = false;
            break;
        }
        case 'm': {
            std::size_t n = RunLength(pattern, i, 'm', 4);
            if (n <= 2 && afterHour) AppendNumber(out, p.minute, n == 2);
            else if (n <= 2) AppendNumber(out, p.month, n == 2);
            else {
                std::string_view name = kMonths[p.month - 1];
                out.append(n == 3 ? name.substr(0, 3) : name);
            }
            i += n;
            afterHour = false;
            break;
        }
        case 'y': {
            std::size_t n = RunLength(pattern, i, 'y', 4);
            if (n == 4) {
                std::string year = std::to_string(p.year);
                out.append(year.size() < 4 ? std::string(4 - year.size(), '0') + year : year);
            } else if (n >= 2) {
                AppendNumber(out, p.year % 100, true);
                n = 2;
            } else {
                auto first = DateTime::FromParts(p.year, 1, 1);
                AppendNumber(out, static_cast<int>(value.DayNumber() - first.DayNumber()) + 1, false);
            }
            i += n;
            afterHour = false;
            break;
        }
        case 'h': {
            std::size_t n = RunLength(pattern, i, 'h', 2);
            int hour = p.hour;
            if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
            AppendNumber(out, hour, n == 2);
            i += n;
            afterHour = true;
            break;
        }
        case 'n':
        case 's': {
            std::size_t n = RunLength(pattern, i, lc, 2);
            AppendNumber(out, lc == 'n' ? p.minute : p.second, n == 2);
            i += n;
            afterHour = false;
            break;
        }
        default:
            // Literals keep an hour's claim on a following m ("hh:mm").
            out += c;
            ++i;
            break;
        }
    }
    return out;
}

} // namespace korvel::events
