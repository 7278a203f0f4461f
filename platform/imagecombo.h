#pragma once
// An image combo: an editable combo box whose items have a text and an optional icon by
// number from an icon store, and which never adds the typed text as an item. Items are
// 1-based; 0 means none.
//
// Click follows the user's choice of an item; KeyPress runs a handler with the character
// code (13 for Enter) that may set it to 0 to swallow the key. The program's changes
// raise nothing.

#include <QComboBox>

#include <functional>

namespace korvel::platform {

class IconStore;

class ImageCombo final : public QComboBox {
    Q_OBJECT
public:
    explicit ImageCombo(QWidget* parent = nullptr);

    void SetImageList(const IconStore* icons) { m_Icons = icons; }
    int ItemCount() const { return count(); }
    // Appends an item (icon 0 = none); returns its number.
    int AddItem(const QString& text, int icon = 0);
    void RemoveItem(int number);
    void ClearItems();
    QString ItemText(int number) const;
    void SetItemText(int number, const QString& text);
    int ItemIcon(int number) const;
    // The selected item, 0 when none. Selecting by program raises nothing.
    int SelectedItem() const;
    void SetSelectedItem(int number);
    // The text in the edit field.
    QString EditText() const { return currentText(); }

    using KeyPressHandler = std::function<void(int& keyAscii)>;
    void SetKeyPressHandler(KeyPressHandler handler) { m_KeyPress = std::move(handler); }

signals:
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const IconStore* m_Icons = nullptr;
    bool m_ProgramChange = false;
    KeyPressHandler m_KeyPress;
};

} // namespace korvel::platform
