#pragma once
// Check boxes and option buttons as the controls use them.
//
// CheckBox: Value() is 0 (clear) or 1 (ticked); Click follows every change of the value,
// the user's and the program's alike (once per change), and a user's click.
// OptionButtons: a set of option buttons of which at most one is set, and which can all
// be cleared by the program.

#include <QCheckBox>
#include <QObject>
#include <QRadioButton>

#include <vector>

namespace korvel::platform {

class CheckBox final : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    explicit CheckBox(const QString& caption, QWidget* parent = nullptr);
    int Value() const { return isChecked() ? 1 : 0; }
    // Sets the value; a change raises Click once, as a user's click would.
    void SetValue(int value);

signals:
    void Click();

private:
};

class OptionButtons final : public QObject {
    Q_OBJECT
public:
    explicit OptionButtons(QObject* parent = nullptr) : QObject(parent) {}
    // Adds a button (not owned); its index is the count before.
    int Add(QRadioButton* button);
    int Count() const { return static_cast<int>(m_Buttons.size()); }
    QRadioButton* Button(int index) const;
    bool Value(int index) const;
    // Sets one button, clearing the others.
    void Set(int index);
    // Clears every button.
    void ClearAll();
    // Index of the set button, -1 when none.
    int Selected() const;

private:
    std::vector<QRadioButton*> m_Buttons;
};

} // namespace korvel::platform
