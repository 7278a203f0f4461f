#include "platform/imagecombo.h"

#include "platform/iconstore.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace korvel::platform {
namespace {
constexpr int kIconRole = Qt::UserRole + 1;
}

ImageCombo::ImageCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    installEventFilter(this);
    if (lineEdit()) lineEdit()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int) {
        if (!m_ProgramChange) emit Click();
    });
}

int ImageCombo::AddItem(const QString& text, int icon) {
    m_ProgramChange = true;
    const int selected = currentIndex();
    const QString typed = currentText();
    addItem(m_Icons && icon > 0 ? m_Icons->Icon(icon) : QIcon(), text);
    setItemData(count() - 1, icon, kIconRole);
    // A first item would become the selection of an empty combo: keep "none".
    if (selected < 0) {
        setCurrentIndex(-1);
        setEditText(typed);
    }
    m_ProgramChange = false;
    return count();
}

void ImageCombo::RemoveItem(int number) {
    if (number < 1 || number > count()) return;
    m_ProgramChange = true;
    removeItem(number - 1);
    m_ProgramChange = false;
}

void ImageCombo::ClearItems() {
    m_ProgramChange = true;
    clear();
    m_ProgramChange = false;
}

QString ImageCombo::ItemText(int number) const {
    return number >= 1 && number <= count() ? itemText(number - 1) : QString();
}

void ImageCombo::SetItemText(int number, const QString& text) {
    if (number < 1 || number > count()) return;
    m_ProgramChange = true;
    const bool selected = currentIndex() == number - 1;
    setItemText(number - 1, text);
    if (selected) setEditText(text);
    m_ProgramChange = false;
}

int ImageCombo::ItemIcon(int number) const {
    return number >= 1 && number <= count() ? itemData(number - 1, kIconRole).toInt() : 0;
}

int ImageCombo::SelectedItem() const { return currentIndex() + 1; }

void ImageCombo::SetSelectedItem(int number) {
    m_ProgramChange = true;
    setCurrentIndex(number >= 1 && number <= count() ? number - 1 : -1);
    m_ProgramChange = false;
}

bool ImageCombo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_KeyPress && (watched == this || watched == lineEdit())) {
        auto* key = static_cast<QKeyEvent*>(event);
        int code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) code = 13;
        else if (!key->text().isEmpty()) code = key->text().at(0).unicode();
        if (code != 0) {
            m_KeyPress(code);
            if (code == 0) return true; // swallowed
        }
        // Enter never puts the typed text into the list (NoInsert), nor changes the item.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace korvel::platform
