#pragma once
// A numbered icon store: icons are numbered from 1 in the order they were added, and a
// widget that shows one of them keeps its number, so the program can read it back.

#include <QIcon>

#include <vector>

namespace korvel::platform {

class IconStore final {
public:
    // Adds an icon and returns its number (1 for the first).
    int Add(const QIcon& icon);
    // The icon with that number, or a null icon when there is none.
    QIcon Icon(int number) const;
    bool Has(int number) const { return number >= 1 && number <= Count(); }
    int Count() const { return static_cast<int>(m_Icons.size()); }

private:
    std::vector<QIcon> m_Icons;
};

} // namespace korvel::platform
