#include "platform/checkbox.h"

namespace korvel::platform {

CheckBox::CheckBox(QWidget* parent) : CheckBox(QString(), parent) {}

CheckBox::CheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::toggled, this, [this](bool) { emit Click(); });
}

void CheckBox::SetValue(int value) { setChecked(value != 0); }

int OptionButtons::Add(QRadioButton* button) {
    button->setAutoExclusive(false); // the set keeps at most one set itself
    connect(button, &QRadioButton::clicked, this, [this, button](bool) {
        for (QRadioButton* other : m_Buttons)
            if (other != button) other->setChecked(false);
        button->setChecked(true);
    });
    m_Buttons.push_back(button);
    return Count() - 1;
}

QRadioButton* OptionButtons::Button(int index) const {
    return index >= 0 && index < Count() ? m_Buttons[static_cast<std::size_t>(index)] : nullptr;
}

bool OptionButtons::Value(int index) const {
    const QRadioButton* button = Button(index);
    return button && button->isChecked();
}

void OptionButtons::Set(int index) {
    for (int i = 0; i < Count(); ++i) m_Buttons[static_cast<std::size_t>(i)]->setChecked(i == index);
}

void OptionButtons::ClearAll() { Set(-1); }

int OptionButtons::Selected() const {
    for (int i = 0; i < Count(); ++i)
        if (m_Buttons[static_cast<std::size_t>(i)]->isChecked()) return i;
    return -1;
}

} // namespace korvel::platform
