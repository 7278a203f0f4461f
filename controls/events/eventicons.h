#pragma once
// The alarm tree's numbered icon store (images 1..15). The pictures are our own,
// drawn at run time:
//   alarms (a bell; the "with lines" image adds a list badge):
//     1/2 grey (icon code 3), 9/10 red (code 0), 11/12 amber (code 1), 13/14 blue (code 2)
//   lines: 3 arrow, 4 envelope, 5 telephone, 6 tick, 7 cross, 8 hourglass,
//     15 double tick

#include <QIcon>

namespace korvel::events {

inline constexpr int kEventIconCount = 15;

class EventIconStore final {
public:
    EventIconStore();
    // The image with that number, or a null icon outside 1..15.
    QIcon Icon(int number) const;
    int Count() const { return kEventIconCount; }

private:
    QIcon m_Icons[kEventIconCount];
};

// The store shared by every tree of the process (drawn on first use).
const EventIconStore& EventIcons();

} // namespace korvel::events
