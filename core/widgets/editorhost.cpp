#include "core/widgets/editorhost.h"

namespace korvel {

Bytes EditorHost::monthYearText(int year, int month) {
    static constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "";
    return std::string(name) + " " + std::to_string(year);
}

} // namespace korvel
