#pragma once
// Reports of the error policy's last-resort handlers (platform/lastresort.h) under the
// tests. The test main watches the logging category "korvel": a report fails the test
// that caused it, unless the test expects it with an ExpectedEscapes in scope, which
// collects the lines instead.

#include <QString>
#include <QStringList>

namespace korvel::testing {

struct EscapeWatch {
    int Expecting = 0;      // ExpectedEscapes alive
    QStringList Collected;  // lines reported while one was
};

inline EscapeWatch& Escapes() {
    static EscapeWatch watch;
    return watch;
}

class ExpectedEscapes final {
public:
    ExpectedEscapes() {
        ++Escapes().Expecting;
        m_First = Escapes().Collected.size();
    }
    ~ExpectedEscapes() { --Escapes().Expecting; }
    ExpectedEscapes(const ExpectedEscapes&) = delete;
    ExpectedEscapes& operator=(const ExpectedEscapes&) = delete;

    // The lines reported since this one was made.
    QStringList Lines() const { return Escapes().Collected.mid(m_First); }

private:
    qsizetype m_First = 0;
};

} // namespace korvel::testing
