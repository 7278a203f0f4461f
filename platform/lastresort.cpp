#include "platform/lastresort.h"

#include <cstdio>
#include <typeinfo>

Q_LOGGING_CATEGORY(lcKorvel, korvel::platform::kLogCategory)

namespace korvel::platform {

void ReportEscaped(const char* handler, const std::exception_ptr& escaped) noexcept {
    try {
        try {
            if (escaped) std::rethrow_exception(escaped);
            qCWarning(lcKorvel, "%s: an empty exception escaped", handler);
        } catch (const std::exception& error) {
            qCWarning(lcKorvel, "%s: %s escaped: %s", handler, typeid(error).name(), error.what());
        } catch (...) {
            qCWarning(lcKorvel, "%s: an exception that is no std::exception escaped", handler);
        }
    } catch (...) {
        // Composing the line failed (no memory left): say so without allocating.
        std::fputs("korvel: a report of an escaped exception failed\n", stderr);
    }
}

} // namespace korvel::platform
