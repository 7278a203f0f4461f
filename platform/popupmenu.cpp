#include "platform/popupmenu.h"

#include "platform/dialogservice.h"
#include "platform/popuplist.h"

#include <QApplication>
#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace korvel::platform {

namespace {

// What an element that is not there holds.
const QString& NoText() {
    static const QString none;
    return none;
}

// The caption as shown: every "&" that marks an access key taken off, "&&" as one "&".
QString ShownText(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) ++i;
            else continue;
        }
        out += caption[i];
    }
    return out;
}

} // namespace

// --- MenuItem -------------------------------------------------------------------------------

MenuItem::MenuItem(Menu* menu, const QString& caption) : QObject(menu), m_Menu(menu), m_Caption(caption) {}

void MenuItem::changed() {
    if (m_Menu) m_Menu->rowChanged(m_Menu->rowOf(this));
}

void MenuItem::SetCaption(const QString& caption) {
    if (caption == m_Caption) return;
    m_Caption = caption;
    changed();
}

void MenuItem::SetEnabled(bool enabled) {
    if (enabled == m_Enabled) return;
    m_Enabled = enabled;
    changed();
}

void MenuItem::SetCheckable(bool checkable) {
    if (checkable == m_Checkable) return;
    m_Checkable = checkable;
    changed();
}

void MenuItem::SetChecked(bool checked) {
    if (checked == m_Checked) return;
    m_Checked = checked;
    changed();
}

bool MenuItem::Trigger() {
    if (!m_Enabled || m_SubMenu) return false;
    emit Click();
    return true;
}

// --- MenuItemArray ---------------------------------------------------------------------------

MenuItemArray::MenuItemArray(Menu* menu, const QString& caption0, QObject* parent) : QObject(parent), m_Menu(menu) {
    m_Items.push_back(makeItem(caption0, {}));
    if (m_Menu) {
        m_Menu->aboutToInsert(m_Menu->Count(), m_Menu->Count());
        m_Menu->m_Segments.push_back(Menu::Segment{nullptr, this});
        m_Menu->inserted();
    }
}

MenuItemArray::~MenuItemArray() {
    if (m_Menu) m_Menu->dropArray(this);
}

std::unique_ptr<MenuItemArray::Item> MenuItemArray::makeItem(const QString& caption, const QString& tag) {
    auto item = std::make_unique<Item>();
    item->Caption = caption;
    item->Tag = tag;
    measure(*item);
    return item;
}

void MenuItemArray::measure(Item& item) {
    if (!m_Menu) return;
    std::tie(item.Width, item.TabWidth) = m_Menu->measure(item.Caption);
    if (m_WidestKnown) {
        m_Widest.Text = std::max(m_Widest.Text, item.Width);
        m_Widest.Tab = std::max(m_Widest.Tab, item.TabWidth);
    }
}

// The item leaves (or changes): when it was the widest, the widest must be found again.
void MenuItemArray::forget(const Item& item) {
    if ((item.Width > 0 && item.Width >= m_Widest.Text) || (item.TabWidth > 0 && item.TabWidth >= m_Widest.Tab))
        m_WidestKnown = false;
}

MenuItemArray::Widths MenuItemArray::widest() {
    if (!m_WidestKnown) {
        m_Widest = {};
        for (const auto& item : m_Items) {
            m_Widest.Text = std::max(m_Widest.Text, item->Width);
            m_Widest.Tab = std::max(m_Widest.Tab, item->TabWidth);
        }
        m_WidestKnown = true;
    }
    return m_Widest;
}

void MenuItemArray::measureAll() {
    m_Widest = {};
    m_WidestKnown = true;
    for (const auto& item : m_Items) measure(*item);
}

const MenuItemArray::Item* MenuItemArray::at(int index) const {
    return index >= 0 && index < Count() ? m_Items[static_cast<std::size_t>(index)].get() : nullptr;
}

MenuItemArray::Item* MenuItemArray::at(int index) {
    return index >= 0 && index < Count() ? m_Items[static_cast<std::size_t>(index)].get() : nullptr;
}

void MenuItemArray::changed(int index) {
    if (m_Menu) m_Menu->rowChanged(m_Menu->firstRowOf(this) + index);
}

void MenuItemArray::Load() { Insert(Count(), QString(), QString()); }

void MenuItemArray::Unload() {
    if (m_Items.size() < 2) return;
    Remove(Count() - 1);
}

void MenuItemArray::Insert(int index, const QString& caption, const QString& tag) {
    if (index < 0 || index > Count()) return;
    const int row = m_Menu ? m_Menu->firstRowOf(this) + index : 0;
    if (m_Menu) m_Menu->aboutToInsert(row, row);
    m_Items.insert(m_Items.begin() + index, makeItem(caption, tag));
    if (m_Menu) m_Menu->inserted();
}

void MenuItemArray::Remove(int index) {
    if (m_Items.size() < 2 || index < 0 || index >= Count()) return;
    const int row = m_Menu ? m_Menu->firstRowOf(this) + index : 0;
    if (m_Menu) m_Menu->aboutToRemove(row, row);
    forget(*m_Items[static_cast<std::size_t>(index)]);
    m_Items.erase(m_Items.begin() + index);
    if (m_Menu) m_Menu->removed();
}

void MenuItemArray::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    const int first = m_Menu ? m_Menu->firstRowOf(this) : 0;
    if (m_Menu) m_Menu->aboutToMove(first + from, first + to);
    // One step of a rotation: each element between moves once.
    const auto begin = m_Items.begin();
    if (to < from) std::rotate(begin + to, begin + from, begin + from + 1);
    else std::rotate(begin + from, begin + from + 1, begin + to + 1);
    if (m_Menu) m_Menu->moved();
}

const QString& MenuItemArray::Caption(int index) const {
    const Item* item = at(index);
    return item ? item->Caption : NoText();
}

void MenuItemArray::SetCaption(int index, const QString& caption) {
    Item* item = at(index);
    if (!item || item->Caption == caption) return;
    forget(*item);
    item->Caption = caption;
    measure(*item);
    changed(index);
}

const QString& MenuItemArray::Tag(int index) const {
    const Item* item = at(index);
    return item ? item->Tag : NoText();
}

void MenuItemArray::SetTag(int index, const QString& tag) {
    if (Item* item = at(index)) item->Tag = tag;
}

bool MenuItemArray::Enabled(int index) const {
    const Item* item = at(index);
    return item && item->Enabled;
}

void MenuItemArray::SetEnabled(int index, bool enabled) {
    Item* item = at(index);
    if (!item || item->Enabled == enabled) return;
    item->Enabled = enabled;
    changed(index);
}

bool MenuItemArray::Checked(int index) const {
    const Item* item = at(index);
    return item && item->Checked;
}

void MenuItemArray::SetChecked(int index, bool checked) {
    Item* item = at(index);
    if (!item || item->Checked == checked) return;
    item->Checked = checked;
    changed(index);
}

// --- Menu --------------------------------------------------------------------------------------

// An array's caption is measured as the sum of its characters' advances, each looked up
// once (shaping the whole text costs microseconds per caption, which a list of thousands
// of receivers would pay at every build). Kerning only narrows a text, so the column is
// at least as wide as the widest caption drawn.
struct Menu::Measuring {
    explicit Measuring(const QFont& f) : font(f), metrics(f) { latin.fill(-1); }
    qreal advance(QChar c) {
        if (c.unicode() < latin.size()) {
            qreal& a = latin[c.unicode()];
            if (a < 0) a = metrics.horizontalAdvance(c);
            return a;
        }
        const auto it = other.find(c.unicode());
        if (it != other.end()) return it->second;
        return other[c.unicode()] = metrics.horizontalAdvance(c);
    }
    // The caption's text from `from` to `to` as shown (access-key marks taken off).
    int width(const QString& caption, qsizetype from, qsizetype to) {
        qreal sum = 0;
        for (qsizetype i = from; i < to; ++i) {
            if (caption[i] == QLatin1Char('&')) {
                if (i + 1 < to && caption[i + 1] == QLatin1Char('&')) ++i;
                else continue;
            }
            sum += advance(caption[i]);
        }
        return static_cast<int>(std::ceil(sum));
    }
    QFont font;
    QFontMetricsF metrics;
    std::array<qreal, 256> latin;
    std::unordered_map<char16_t, qreal> other;
};

Menu::Menu(QObject* parent) : QObject(parent) {}

Menu::~Menu() {
    if (m_Popup) m_Popup->menuGone();
    // The arrays may outlive the menu (their owner is the control): they forget it.
    for (const Segment& s : m_Segments)
        if (s.Array) s.Array->m_Menu = nullptr;
}

bool Menu::IsOpen() const { return m_Popup != nullptr; }

int Menu::Segment::Rows() const { return Array ? Array->Count() : 1; }

MenuItem* Menu::AddItem(const QString& caption) {
    auto* item = new MenuItem(this, caption);
    aboutToInsert(Count(), Count());
    m_Segments.push_back(Segment{item, nullptr});
    inserted();
    return item;
}

MenuItem* Menu::AddSubMenu(const QString& caption) {
    MenuItem* item = AddItem(caption);
    item->m_SubMenu = new Menu(item);
    return item;
}

void Menu::AddSeparator() {
    aboutToInsert(Count(), Count());
    m_Segments.push_back(Segment{});
    inserted();
}

void Menu::dropArray(MenuItemArray* array) {
    const auto it = std::find_if(m_Segments.begin(), m_Segments.end(), [array](const Segment& s) { return s.Array == array; });
    if (it == m_Segments.end()) return;
    const int first = firstRowOf(array);
    aboutToRemove(first, first + array->Count() - 1);
    m_Segments.erase(it);
    removed();
}

int Menu::Count() const {
    int n = 0;
    for (const Segment& s : m_Segments) n += s.Rows();
    return n;
}

Menu::Place Menu::place(int row) const {
    if (row < 0) return {};
    for (const Segment& s : m_Segments) {
        const int rows = s.Rows();
        if (row < rows) return {&s, row};
        row -= rows;
    }
    return {};
}

int Menu::firstRowOf(const MenuItemArray* array) const {
    int row = 0;
    for (const Segment& s : m_Segments) {
        if (s.Array == array) return row;
        row += s.Rows();
    }
    return row;
}

int Menu::rowOf(const MenuItem* item) const {
    int row = 0;
    for (const Segment& s : m_Segments) {
        if (s.Item == item) return row;
        row += s.Rows();
    }
    return -1;
}

QString Menu::Caption(int row) const {
    const Place p = place(row);
    if (!p.segment) return {};
    if (p.segment->Array) return p.segment->Array->Caption(p.index);
    return p.segment->Item ? p.segment->Item->Caption() : QString();
}

bool Menu::IsSeparator(int row) const {
    const Place p = place(row);
    return p.segment && !p.segment->Array && !p.segment->Item;
}

bool Menu::Enabled(int row) const {
    const Place p = place(row);
    if (!p.segment) return false;
    if (p.segment->Array) return p.segment->Array->Enabled(p.index);
    return p.segment->Item && p.segment->Item->Enabled();
}

bool Menu::Checkable(int row) const {
    const Place p = place(row);
    if (!p.segment) return false;
    return p.segment->Array || (p.segment->Item && p.segment->Item->Checkable());
}

bool Menu::Checked(int row) const {
    const Place p = place(row);
    if (!p.segment) return false;
    if (p.segment->Array) return p.segment->Array->Checked(p.index);
    return p.segment->Item && p.segment->Item->Checked();
}

Menu* Menu::SubMenu(int row) const {
    const Place p = place(row);
    return p.segment && p.segment->Item ? p.segment->Item->SubMenu() : nullptr;
}

bool Menu::Trigger(int row) {
    const Place p = place(row);
    if (!p.segment) return false;
    if (MenuItemArray* array = p.segment->Array) {
        if (!array->Enabled(p.index)) return false;
        emit array->Clicked(p.index);
        return true;
    }
    return p.segment->Item && p.segment->Item->Trigger();
}

int Menu::FindRow(const QString& shownText) const {
    const int n = Count();
    for (int row = 0; row < n; ++row)
        if (!IsSeparator(row) && ShownText(Caption(row)) == shownText) return row;
    return -1;
}

std::pair<int, int> Menu::measure(const QString& caption) {
    if (!m_Measuring) m_Measuring = std::make_unique<Measuring>(QApplication::font("QMenu"));
    const qsizetype tab = caption.indexOf(QLatin1Char('\t'));
    if (tab < 0) return {m_Measuring->width(caption, 0, caption.size()), 0};
    return {m_Measuring->width(caption, 0, tab), m_Measuring->width(caption, tab + 1, caption.size())};
}

void Menu::measureIn(const QFont& font) {
    if (m_Measuring && m_Measuring->font == font) return;
    m_Measuring = std::make_unique<Measuring>(font);
    for (const Segment& s : m_Segments)
        if (s.Array) s.Array->measureAll();
}

void Menu::aboutToInsert(int first, int last) {
    if (m_Popup) m_Popup->aboutToInsert(first, last);
}
void Menu::inserted() {
    if (m_Popup) m_Popup->inserted();
}
void Menu::aboutToRemove(int first, int last) {
    if (m_Popup) m_Popup->aboutToRemove(first, last);
}
void Menu::removed() {
    if (m_Popup) m_Popup->removed();
}
void Menu::aboutToMove(int from, int to) {
    if (m_Popup) m_Popup->aboutToMove(from, to);
}
void Menu::moved() {
    if (m_Popup) m_Popup->moved();
}
void Menu::rowChanged(int row) {
    if (m_Popup && row >= 0) m_Popup->rowChanged(row);
}

// --- Showing ------------------------------------------------------------------------------------

void PopupMenu(Menu* menu, const QPoint& globalPosition) {
    if (menu) Dialogs().Popup(*menu, globalPosition);
}

} // namespace korvel::platform
