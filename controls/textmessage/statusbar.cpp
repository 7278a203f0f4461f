#include "controls/textmessage/statusbar.h"

#include "platform/twips.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace korvel::textmessage {

class StatusPanel final : public QLabel {
public:
    StatusPanel(StatusBar* bar, int number) : QLabel(bar), m_Bar(bar), m_Number(number) {
        setMargin(2);
        setTextFormat(Qt::PlainText);
        setFrameShape(QFrame::Panel);
        SetBevel(StatusBar::Inset);
    }

    bool Enabled() const { return m_Enabled; }
    void SetEnabled(bool enabled) {
        m_Enabled = enabled;
        // Drawn as disabled without disabling the widget, so a click still reaches us.
        QPalette p = palette();
        p.setColor(QPalette::WindowText,
                   enabled ? QPalette().color(QPalette::Active, QPalette::WindowText)
                           : QPalette().color(QPalette::Disabled, QPalette::WindowText));
        setPalette(p);
        updateCursor();
    }
    int Bevel() const { return m_Bevel; }
    void SetBevel(int bevel) {
        m_Bevel = bevel;
        setFrameShadow(bevel == StatusBar::Raised ? QFrame::Raised : QFrame::Sunken);
        setLineWidth(bevel == StatusBar::NoBevel ? 0 : (bevel == StatusBar::Raised ? 2 : 1));
    }
    void SetButton() {
        m_Button = true;
        setFocusPolicy(Qt::TabFocus);
        setAlignment(Qt::AlignCenter);
        updateCursor();
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) emit m_Bar->PanelClick(m_Number);
        QLabel::mousePressEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (m_Button && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
            emit m_Bar->PanelClick(m_Number);
            event->accept();
            return;
        }
        QLabel::keyPressEvent(event);
    }

private:
    void updateCursor() { setCursor(m_Button && m_Enabled ? Qt::PointingHandCursor : Qt::ArrowCursor); }

    StatusBar* m_Bar;
    int m_Number;
    bool m_Enabled = true;
    bool m_Button = false;
    int m_Bevel = StatusBar::Inset;
};

StatusBar::StatusBar(int panels, QWidget* parent) : QWidget(parent), m_Layout(new QHBoxLayout(this)) {
    m_Layout->setContentsMargins(1, 1, 1, 1);
    m_Layout->setSpacing(2);
    for (int i = 1; i <= panels; ++i) {
        auto* p = new StatusPanel(this, i);
        m_Layout->addWidget(p);
        m_Panels.push_back(p);
    }
    setFixedHeight(sizeHint().height() + 4);
}

StatusPanel* StatusBar::panel(int number) const {
    return number >= 1 && number <= PanelCount() ? m_Panels[static_cast<std::size_t>(number - 1)] : nullptr;
}

QString StatusBar::PanelText(int number) const {
    const StatusPanel* p = panel(number);
    return p ? p->text() : QString();
}

void StatusBar::SetPanelText(int number, const QString& text) {
    if (StatusPanel* p = panel(number)) {
        p->setText(text);
        p->setToolTip(text); // a long text may not fit its panel
    }
}

bool StatusBar::PanelEnabled(int number) const {
    const StatusPanel* p = panel(number);
    return p && p->Enabled();
}

void StatusBar::SetPanelEnabled(int number, bool enabled) {
    if (StatusPanel* p = panel(number)) p->SetEnabled(enabled);
}

int StatusBar::PanelBevel(int number) const {
    const StatusPanel* p = panel(number);
    return p ? p->Bevel() : 0;
}

void StatusBar::SetPanelBevel(int number, int bevel) {
    if (StatusPanel* p = panel(number)) p->SetBevel(bevel);
}

void StatusBar::SetSpringPanel(int number) {
    for (int i = 1; i <= PanelCount(); ++i) m_Layout->setStretch(i - 1, i == number ? 1 : 0);
}

void StatusBar::SetPanelMinimumWidth(int number, int twips) {
    if (StatusPanel* p = panel(number)) p->setMinimumWidth(platform::TwipsToPixels(twips));
}

void StatusBar::SetButtonPanel(int number) {
    if (StatusPanel* p = panel(number)) {
        p->SetButton();
        p->setMinimumWidth(80);
    }
}

} // namespace korvel::textmessage
