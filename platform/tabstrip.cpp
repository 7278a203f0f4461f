#include "platform/tabstrip.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QTabBar>

namespace korvel::platform {

TabStrip::TabStrip(QWidget* parent) : QWidget(parent), m_Bar(new QTabBar(this)) {
    m_Bar->setShape(QTabBar::RoundedSouth);
    m_Bar->setExpanding(false);
    m_Bar->installEventFilter(this);
    connect(m_Bar, &QTabBar::currentChanged, this, &TabStrip::onCurrentChanged);
}

int TabStrip::AddTab(const QString& caption) {
    m_ProgramChange = true;
    const int index = m_Bar->addTab(caption);
    m_ProgramChange = false;
    if (m_Selected < 0) m_Selected = m_Bar->currentIndex();
    placeBar();
    return index;
}

int TabStrip::TabCount() const { return m_Bar->count(); }
QString TabStrip::TabCaption(int index) const { return m_Bar->tabText(index); }
void TabStrip::SetTabCaption(int index, const QString& caption) { m_Bar->setTabText(index, caption); }
bool TabStrip::TabVisible(int index) const { return m_Bar->isTabVisible(index); }

void TabStrip::SetTabVisible(int index, bool visible) {
    if (index < 0 || index >= TabCount()) return;
    m_ProgramChange = true;
    m_Bar->setTabVisible(index, visible);
    // The bar may move its current tab away from a hidden one; the strip's selection
    // stays until the program or the user changes it.
    if (m_Selected >= 0 && m_Selected < TabCount() && m_Bar->isTabVisible(m_Selected))
        m_Bar->setCurrentIndex(m_Selected);
    m_ProgramChange = false;
    placeBar();
}

bool TabStrip::SetSelectedIndex(int index) {
    if (index < 0 || index >= TabCount()) return false;
    m_ProgramChange = true;
    m_Selected = index;
    m_Bar->setCurrentIndex(index);
    m_ProgramChange = false;
    return true;
}

int TabStrip::TabRowHeight() const { return m_Bar->sizeHint().height(); }

void TabStrip::onCurrentChanged(int index) {
    if (m_ProgramChange || index < 0) return;
    m_Selected = index;
    emit Click(index);
}

bool TabStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Bar && m_BeforeClick &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        if (event->type() == QEvent::MouseButtonPress) {
            const int at = m_Bar->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (at >= 0 && at != m_Selected) m_BeforeClick();
        } else {
            m_BeforeClick();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TabStrip::placeBar() {
    const int h = m_Bar->sizeHint().height();
    m_Bar->setGeometry(2, height() - h, width() - 4, h);
}

void TabStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBar();
}

void TabStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), height() - m_Bar->sizeHint().height() + 1);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

} // namespace korvel::platform
