#include "platform/iconstore.h"

namespace korvel::platform {

int IconStore::Add(const QIcon& icon) {
    m_Icons.push_back(icon);
    return Count();
}

QIcon IconStore::Icon(int number) const { return Has(number) ? m_Icons[number - 1] : QIcon(); }

} // namespace korvel::platform
