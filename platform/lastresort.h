#pragma once
// The error policy at the edge of the event loop. Errors of the program's own are typed
// (KorvelError and its kinds, core/errors.h) and caught where that is the documented
// contract, such as a malformed message closing the connection. Anything else that
// reaches an entry point from the event loop (a socket or timer handler, a widget's
// handler, a plug-in's entry) is a fault of the program: the entry point's one
// last-resort handler reports it as one line in the logging category "korvel", naming
// the handler and what escaped, and the program goes on as that handler documents.
// Nothing escapes into Qt's event loop, and no catch-all swallows without a word.
//
// Under the tests every such report fails the test that caused it (the test main
// watches the category); a test that provokes one on purpose says so with
// ExpectedEscapes (tests/support/harness.h).

#include <QLoggingCategory>

#include <exception>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcKorvel)

namespace korvel::platform {

// The name of the category every report goes to.
inline constexpr char kLogCategory[] = "korvel";

// Reports what escaped from the named handler: one warning line in the category, with
// the exception's type and text (a std::exception) or that it was none.
void ReportEscaped(const char* handler, const std::exception_ptr& escaped) noexcept;

// Runs `work`; whatever it raises is reported as escaped from `handler` and goes no
// further. True when `work` completed.
template <class Work>
bool RunGuarded(const char* handler, Work&& work) noexcept {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (...) {
        ReportEscaped(handler, std::current_exception());
        return false;
    }
}

// A handler as a signal calls it: `connect(sender, &S::Signal, this, Guarded("Name", this,
// &C::Name))`. Whatever escapes from it is reported under the handler's name and goes
// no further.
template <class Owner, class... Args>
auto Guarded(const char* handler, Owner* owner, void (Owner::*member)(Args...)) {
    return [handler, owner, member](Args... args) {
        RunGuarded(handler, [&] { (owner->*member)(args...); });
    };
}

} // namespace korvel::platform
