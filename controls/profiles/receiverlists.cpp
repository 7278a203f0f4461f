// The profiles editor's receiver lists: the two lists of a profile, their pop-up menu
// and the receiver sub-menu.

#include "controls/profiles/receiverlists.h"

#include "controls/profiles/profileicons.h"
#include "core/cp1252.h"
#include "core/decoder.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"
#include "platform/iconstore.h"
#include "platform/listview.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/twips.h"

#include <QCursor>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <deque>
#include <string_view>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr char kNul = '\0';
constexpr char kSoh = '\x01';
const std::string_view kNulSeparator(&kNul, 1);
const std::string_view kSohSeparator(&kSoh, 1);

bool ConfirmOn(const ClientState& state) { return NumericValue(GetServerSetting(state, "Confirm", "Type", "0")) != 0; }

QString MenuText(QString caption) { return caption.replace(QStringLiteral("&&"), QStringLiteral("&")); }

} // namespace

ReceiverLists::ReceiverLists(PageHost& host, ClientState& state, QObject* control)
    : Page(host, state, control, "ReceiverLists"), m_ReceiverIcons(new platform::IconStore) {
    FillReceiverIcons(*m_ReceiverIcons);
}

ReceiverLists::~ReceiverLists() { DeletePlaced(); }

// --- Widgets ------------------------------------------------------------------------------

void ReceiverLists::Build(QWidget* tab) {
    m_FrameReceivers = Placed(
        Named(new QGroupBox(QStringLiteral("&Receivers when this profile matches"), tab), "Frame_Receivers"));
    m_FrameReceivers->setGeometry(TwipRect(120, 120, 5300, 3400));
    const char* listLabels[] = {"Parallell receivers:", "Sequential receivers:"};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(QString::fromLatin1(listLabels[i]), m_FrameReceivers);
        label->setObjectName(Indexed("Label_Receivers", i));
        m_ReceiversLabel[static_cast<std::size_t>(i)] = label;
    }
    m_ReceiversLabel[0]->setGeometry(TwipRect(120, 250, 3000, 255));
    m_Parallel = Named(new platform::ListView(m_FrameReceivers), "ListView_Receivers_Parallell");
    m_Sequential = Named(new platform::ListView(m_FrameReceivers), "ListView_Receivers_Sequential");
    for (platform::ListView* list : {m_Parallel, m_Sequential}) {
        list->SetSmallIcons(m_ReceiverIcons.get());
        list->setHeaderHidden(true);
        list->AddColumn(QString(), 4000);
        list->installEventFilter(this);
    }
    m_Parallel->setGeometry(TwipRect(120, 510, 5060, 1290));
    m_ReceiversLabel[1]->setGeometry(TwipRect(120, 1845, 3000, 255));
    m_Sequential->setGeometry(TwipRect(120, 2055, 5060, 1290));
}

void ReceiverLists::BuildMenu() {
    m_ReceiverPopup = Named(new platform::Menu(this), "Menu_Profile_Receiver_Popup");
    m_ReceiverPopupAdd =
        Named(m_ReceiverPopup->AddSubMenu(QString::fromUtf8("Lägg till &mottagare")), "Menu_Profile_Receiver_Popup_Add");
    Named(m_ReceiverPopupAdd->SubMenu(), "Menu_Profile_Receiver_Popup_Add");
    m_ReceiverAddMenu = Named(new platform::MenuItemArray(m_ReceiverPopupAdd->SubMenu(), QString(), this),
                              "Menu_Profile_Receiver_Popup_Add_Item");
    m_ReceiverPopup->AddSeparator();
    m_ReceiverPopupUp = Named(m_ReceiverPopup->AddItem(QStringLiteral("Flytta &upp")), "Menu_Profile_Receiver_Popup_Up");
    m_ReceiverPopupDown =
        Named(m_ReceiverPopup->AddItem(QStringLiteral("Flytta &ner")), "Menu_Profile_Receiver_Popup_Down");
    m_ReceiverPopup->AddSeparator();
    m_ReceiverPopupConfirm = Named(m_ReceiverPopup->AddItem(QString::fromUtf8("&Begär manuell bekräftelse på mottagande")),
                                   "Menu_Profile_Receiver_Popup_Confirm");
    m_ReceiverPopupConfirm->SetCheckable(true);
    m_ReceiverPopup->AddSeparator();
    m_ReceiverPopupDelete =
        Named(m_ReceiverPopup->AddItem(QStringLiteral("&Ta bort")), "Menu_Profile_Receiver_Popup_Delete");
    connectHandlers();
}

void ReceiverLists::connectHandlers() {
    for (platform::ListView* list : {m_Parallel, m_Sequential}) {
        connect(list, &platform::ListView::MouseDown, this, [this, list](int button, int, int, int) {
            platform::RunGuarded("ListView_Receivers_MouseDown", [&] { ListView_Receivers_MouseDown(list, button); });
        });
        connect(list, &platform::ListView::ItemClick, this, [this, list](int) {
            platform::RunGuarded("ListView_Receivers_Click", [&] { ListView_Receivers_Click(list); });
        });
    }
    connect(m_ReceiverPopup, &platform::Menu::AboutToShow, this,
            Guarded("Menu_Profile_Receiver_Popup_Click", this, &ReceiverLists::Menu_Profile_Receiver_Popup_Click));
    connect(m_ReceiverAddMenu, &platform::MenuItemArray::Clicked, this,
            Guarded("Menu_Profile_Receiver_Popup_Add_Item_Click", this,
                    &ReceiverLists::Menu_Profile_Receiver_Popup_Add_Item_Click));
    connect(m_ReceiverPopupUp, &platform::MenuItem::Click, this,
            Guarded("Menu_Profile_Receiver_Popup_Up_Click", this, &ReceiverLists::Menu_Profile_Receiver_Popup_Up_Click));
    connect(m_ReceiverPopupDown, &platform::MenuItem::Click, this,
            Guarded("Menu_Profile_Receiver_Popup_Down_Click", this,
                    &ReceiverLists::Menu_Profile_Receiver_Popup_Down_Click));
    connect(m_ReceiverPopupConfirm, &platform::MenuItem::Click, this,
            Guarded("Menu_Profile_Receiver_Popup_Confirm_Click", this,
                    &ReceiverLists::Menu_Profile_Receiver_Popup_Confirm_Click));
    connect(m_ReceiverPopupDelete, &platform::MenuItem::Click, this,
            Guarded("Menu_Profile_Receiver_Popup_Delete_Click", this,
                    &ReceiverLists::Menu_Profile_Receiver_Popup_Delete_Click));
}

void ReceiverLists::Initialise() {
    for (platform::ListView* list : {m_Parallel, m_Sequential})
        list->SetColumnWidth(1, platform::PixelsToTwips(list->width()) - 100);
}

void ReceiverLists::ApplyCaptions() {
    m_FrameReceivers->setTitle(m_Host.Text(449));
    m_ReceiversLabel[0]->setText(m_Host.Text(457) + QLatin1Char(':'));
    m_ReceiversLabel[1]->setText(m_Host.Text(458) + QLatin1Char(':'));
    m_ReceiverPopupAdd->SetCaption(m_Host.Text(475));
    m_ReceiverPopupUp->SetCaption(m_Host.Text(476) + QLatin1Char('\t') + QStringLiteral("Shift+Up"));
    m_ReceiverPopupDown->SetCaption(m_Host.Text(477) + QLatin1Char('\t') + QStringLiteral("Shift+Down"));
    m_ReceiverPopupConfirm->SetCaption(m_Host.Text(478));
    m_ReceiverPopupDelete->SetCaption(m_Host.Text(479));
}

void ReceiverLists::LayOut(const PageLayout& layout) {
    const int tpp = platform::kTwipsPerPixel;
    if (layout.Tall) {
        m_FrameReceivers->resize(m_FrameReceivers->width(), std::max(0, Px(layout.TabHeight - 2670)));
        const int listHeight = (m_FrameReceivers->height() * tpp - 825) / 2;
        for (platform::ListView* list : {m_Parallel, m_Sequential})
            list->resize(list->width(), std::max(0, Px(listHeight)));
        m_ReceiversLabel[1]->move(m_ReceiversLabel[1]->x(), Px(listHeight + 555));
        m_Sequential->move(m_Sequential->x(), Px(listHeight + 765));
    }
    if (layout.Wide) {
        m_FrameReceivers->resize(std::max(0, Px(layout.TabWidth - 3090)), m_FrameReceivers->height());
        const int listWidth = m_FrameReceivers->width() * tpp - 240;
        for (platform::ListView* list : {m_Parallel, m_Sequential}) {
            list->resize(std::max(0, Px(listWidth)), list->height());
            list->SetColumnWidth(1, listWidth - 200);
        }
    }
}

int ReceiverLists::GroupBottom() const { return m_FrameReceivers->y() + m_FrameReceivers->height(); }

// --- The lists <-> the profile's texts --------------------------------------------------------

int ReceiverLists::receiverIcon(bool sequential, const Bytes& name, bool confirm) const {
    const std::shared_ptr<cReceiver> receiver = GetReceiverByName(m_State, name);
    const bool known = receiver && receiver->m_Enabled != 0;
    if (!sequential) return known ? 1 : 5;
    if (known) return confirm ? 2 : 1;
    return confirm ? 3 : 4;
}

void ReceiverLists::appendReceiver(platform::ListView& list, const QString& text, int icon) {
    list.AddItem(QStringLiteral("R%1").arg(++m_ReceiverKeySerial), text, icon);
}

void ReceiverLists::Clear() {
    m_Parallel->ClearItems();
    m_Sequential->ClearItems();
}

void ReceiverLists::Show(const cProfile& profile) { ShowReceivers(profile.m_ParallellReceivers, profile.m_SequentialReceivers); }

void ReceiverLists::StoreInto(cProfile& profile) {
    profile.m_ParallellReceivers = ComposeParallelReceivers();
    profile.m_SequentialReceivers = ComposeSequentialReceivers();
}

void ReceiverLists::ShowReceivers(const Bytes& parallel, const Bytes& sequential) {
    m_Parallel->ClearItems();
    m_Sequential->ClearItems();
    for (int k = 0;; ++k) {
        const Bytes name = GetField(parallel, k, kNulSeparator);
        if (name.empty()) break;
        appendReceiver(*m_Parallel, ToQString(name), receiverIcon(false, name, false));
    }
    for (int k = 0;; ++k) {
        const Bytes entry = GetField(sequential, k, kNulSeparator);
        const Bytes name = GetField(entry, 0, kSohSeparator);
        if (name.empty()) break;
        const bool confirm = NumericValue(GetField(entry, 1, kSohSeparator)) != 0;
        appendReceiver(*m_Sequential, ToQString(name), receiverIcon(true, name, confirm));
    }
}

Bytes ReceiverLists::composeReceivers(const platform::ListView& list, bool sequential) const {
    const ClientState& s = m_State;
    Bytes text;
    for (int i = 1; i <= list.ListCount(); ++i) {
        const int icon = list.SmallIcon(i);
        const Bytes shown = FromQString(list.Text(i));
        const bool missing = icon == 3 || icon == 4 || icon == 5;
        text += s.ViewAllReceiversSetting || missing || isReceiverName(shown) ? shown : AddAreaToName(s, shown);
        if (sequential) {
            text += kSoh;
            text += icon == 2 || icon == 3 ? "-1" : "0";
        }
        text += kNul;
    }
    return text;
}

// A receiver stored without an area prefix is shown under its own name; the prefix would
// name another receiver (one that does not exist), so such a name is kept as it is.
bool ReceiverLists::isReceiverName(const Bytes& shown) const {
    const std::shared_ptr<cReceiver> receiver = GetReceiverByName(m_State, shown);
    if (!receiver) return false;
    if (receiver->m_ReceiverName == shown) return true;
    // The first name equal in upper case differs in case: look for an exact one.
    for (const auto& entry : m_State.Receivers)
        if (entry.item && entry.item->m_ReceiverName == shown) return true;
    return false;
}

Bytes ReceiverLists::ComposeParallelReceivers() const { return composeReceivers(*m_Parallel, false); }
Bytes ReceiverLists::ComposeSequentialReceivers() const { return composeReceivers(*m_Sequential, true); }

void ReceiverLists::rebuildReceiverList(platform::ListView& list, const std::vector<std::pair<QString, int>>& entries,
                                        int selected) {
    list.ClearItems();
    for (const auto& [text, icon] : entries) appendReceiver(list, text, icon);
    if (selected >= 1 && selected <= list.ListCount()) {
        list.SetSelected(selected, true);
        list.EnsureVisible(selected);
    }
}

// --- Handlers -----------------------------------------------------------------------------

void ReceiverLists::ListView_Receivers_MouseDown(platform::ListView* list, int button) {
    m_ReceiverListButton = button;
    // The click follows the press once the list has taken it (a press on no row too).
    QTimer::singleShot(0, this, [this, list] {
        platform::RunGuarded("ListView_Receivers_Click", [&] { ListView_Receivers_Click(list); });
    });
}

void ReceiverLists::ListView_Receivers_GotFocus(platform::ListView* list) { m_ActiveReceiverList = list; }

void ReceiverLists::ListView_Receivers_Click(platform::ListView* list) {
    m_ActiveReceiverList = list;
    if (m_ReceiverListButton != 2) return;
    m_ReceiverListButton = 0;
    m_ReceiverPopupAdd->SetEnabled(!m_State.Receivers.Empty());
    platform::PopupMenu(m_ReceiverPopup, QCursor::pos());
}

void ReceiverLists::ListView_Receivers_KeyDown(platform::ListView* list, int& keyCode, int shift) {
    if ((shift & 3) == 0) return;
    if (keyCode != 38 && keyCode != 40 && keyCode != 46) return;
    m_ActiveReceiverList = list;
    if (keyCode == 38) Menu_Profile_Receiver_Popup_Up_Click();
    else if (keyCode == 40) Menu_Profile_Receiver_Popup_Down_Click();
    else Menu_Profile_Receiver_Popup_Delete_Click();
    keyCode = 0;
}

void ReceiverLists::Menu_Profile_Receiver_Popup_Click() {
    platform::ListView* list = m_ActiveReceiverList;
    const bool confirm = ConfirmOn(m_State) && list == m_Sequential;
    m_ReceiverPopupConfirm->SetEnabled(confirm);
    const int selected = list ? list->SelectedPosition() : 0;
    if (selected > 0) {
        const int icon = list->SmallIcon(selected);
        m_ReceiverPopupConfirm->SetChecked(icon == 2 || icon == 3);
    } else {
        m_ReceiverPopupConfirm->SetChecked(false);
    }
    for (platform::MenuItem* entry : {m_ReceiverPopupDelete, m_ReceiverPopupUp, m_ReceiverPopupDown})
        entry->SetEnabled(selected > 0);
    m_ReceiverPopupAdd->SetEnabled(!m_State.Receivers.Empty());
}

void ReceiverLists::Menu_Profile_Receiver_Popup_Add_Item_Click(int index) {
    platform::ListView* list = m_ActiveReceiverList;
    if (!list || index < 0 || index >= m_ReceiverAddMenu->Count()) return;
    const int icon = list == m_Parallel ? 1 : (ConfirmOn(m_State) ? 2 : 1);
    appendReceiver(*list, MenuText(m_ReceiverAddMenu->Caption(index)), icon);
    const int position = list->ListCount();
    list->EnsureVisible(position);
    list->SetSelected(position, true);
}

void ReceiverLists::moveReceiver(int step) {
    platform::ListView* list = m_ActiveReceiverList;
    if (!list) return;
    const int p = list->SelectedPosition();
    const int n = list->ListCount();
    if (p < 1 || p + step < 1 || p + step > n) return;
    std::vector<std::pair<QString, int>> entries;
    for (int i = 1; i <= n; ++i) entries.emplace_back(list->Text(i), list->SmallIcon(i));
    std::swap(entries[static_cast<std::size_t>(p - 1)], entries[static_cast<std::size_t>(p - 1 + step)]);
    rebuildReceiverList(*list, entries, p + step);
}

void ReceiverLists::Menu_Profile_Receiver_Popup_Up_Click() { moveReceiver(-1); }
void ReceiverLists::Menu_Profile_Receiver_Popup_Down_Click() { moveReceiver(1); }

void ReceiverLists::Menu_Profile_Receiver_Popup_Confirm_Click() {
    // Only the sequential list carries confirmations.
    platform::ListView* list = m_ActiveReceiverList;
    if (list == m_Sequential) {
        const int p = list->SelectedPosition();
        if (p > 0) {
            static constexpr int kToggled[] = {0, 2, 1, 4, 3, 5};
            const int icon = list->SmallIcon(p);
            if (icon >= 1 && icon <= 4) list->SetSmallIcon(p, kToggled[icon]);
        }
    }
    if (list) list->viewport()->update();
}

void ReceiverLists::Menu_Profile_Receiver_Popup_Delete_Click() {
    platform::ListView* list = m_ActiveReceiverList;
    if (!list) return;
    const int p = list->SelectedPosition();
    if (p > 0) list->RemoveItem(p);
}

// The lists' focus and their keys (Shift or Ctrl with Up, Down, Delete).
bool ReceiverLists::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_Parallel && watched != m_Sequential) return QObject::eventFilter(watched, event);
    // (By the member, not a cast: a list being destroyed still gets events.)
    platform::ListView* list = watched == m_Parallel ? m_Parallel : m_Sequential;
    if (event->type() == QEvent::FocusIn)
        platform::RunGuarded("ListView_Receivers_GotFocus", [&] { ListView_Receivers_GotFocus(list); });
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        int code = 0;
        switch (key->key()) {
        case Qt::Key_Up: code = 38; break;
        case Qt::Key_Down: code = 40; break;
        case Qt::Key_Delete: code = 46; break;
        default: break;
        }
        if (code != 0) {
            int shift = 0;
            if (key->modifiers() & Qt::ShiftModifier) shift |= 1;
            if (key->modifiers() & Qt::ControlModifier) shift |= 2;
            platform::RunGuarded("ListView_Receivers_KeyDown", [&] { ListView_Receivers_KeyDown(list, code, shift); });
            if (code == 0) return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- The server's receivers: the sub-menu -------------------------------------------------------

void ReceiverLists::ReceiverListArrived() { rebuildReceiverAddMenu(); }

// The sub-menu lists every receiver by its shown name, sorted by the byte values of the
// upper-cased captions, receivers of equal captions in collection order (what a bubble
// sort with a strict comparison gives). Each entry's sort key is computed once. A 240 or
// 241 changes only its own entry where that provably gives what a whole rebuild gives
// (the message touched no record but its own); anything else rebuilds the whole sub-menu.
//
// A rebuild touches every receiver, so it makes as little as it can per entry: the
// entries live in one array in collection order and their keys in one block, the records
// are found by a flat table, and the replaced records are let go in the order they were
// listed (each scattered one freed costs a cache miss).

struct ReceiverLists::AddMenuEntry {
    std::string_view Key; // the caption upper-cased, compared byte by byte
    std::string OwnKey;   // the key of an entry made by a single save (Key views it)
    std::string CollectionKey;            // the key the record was listed under
    const cReceiver* Receiver = nullptr; // which record (held by the book)
};

namespace {

// Records by address: each with its one entry, or the number of entries it has.
template <class EntryType>
class PlaceTable {
public:
    struct Place {
        const cReceiver* Record = nullptr;
        EntryType* Entry = nullptr; // when Count is 1
        int Count = 0;
    };
    // Room for the expected records at most three quarters full.
    void Reset(std::size_t expected) {
        std::size_t size = 16;
        while (3 * size < 4 * expected) size *= 2;
        m_Slots.assign(size, Place{});
        m_Used = 0;
    }
    Place* Find(const cReceiver* record) {
        if (m_Slots.empty()) return nullptr;
        for (std::size_t at = slotOf(record);; at = (at + 1) & (m_Slots.size() - 1)) {
            if (m_Slots[at].Record == record) return &m_Slots[at];
            if (!m_Slots[at].Record) return nullptr;
        }
    }
    Place& Add(const cReceiver* record) {
        if (Place* p = Find(record)) return *p;
        if (4 * (m_Used + 1) > 3 * m_Slots.size()) grow();
        std::size_t at = slotOf(record);
        while (m_Slots[at].Record) at = (at + 1) & (m_Slots.size() - 1);
        ++m_Used;
        m_Slots[at].Record = record;
        return m_Slots[at];
    }
    void Remove(const cReceiver* record) {
        Place* p = Find(record);
        if (!p) return;
        // Linear probing: the places after it that probed past it move back.
        const std::size_t mask = m_Slots.size() - 1;
        std::size_t hole = static_cast<std::size_t>(p - m_Slots.data());
        m_Slots[hole] = Place{};
        --m_Used;
        for (std::size_t at = (hole + 1) & mask; m_Slots[at].Record; at = (at + 1) & mask) {
            const std::size_t home = slotOf(m_Slots[at].Record);
            if (((at - home) & mask) >= ((at - hole) & mask)) {
                m_Slots[hole] = m_Slots[at];
                m_Slots[at] = Place{};
                hole = at;
            }
        }
    }

private:
    std::size_t slotOf(const cReceiver* record) const {
        const auto bits = reinterpret_cast<std::uintptr_t>(record);
        return static_cast<std::size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 20) & (m_Slots.size() - 1);
    }
    void grow() {
        std::vector<Place> old = std::move(m_Slots);
        Reset(old.size()); // twice the room
        for (const Place& p : old)
            if (p.Record) Add(p.Record) = p;
    }
    std::vector<Place> m_Slots;
    std::size_t m_Used = 0;
};

} // namespace

struct ReceiverLists::AddMenuBook {
    std::vector<AddMenuEntry> Built;  // made by the last rebuild, in collection order
    std::deque<AddMenuEntry> Added;   // made by single saves since
    std::string Keys;                 // the built entries' keys, one after another
    std::vector<AddMenuEntry*> Order; // menu order; empty: the elements stand for no receivers
    std::vector<std::shared_ptr<cReceiver>> Held; // every record an entry names, in listed order
    // The records by address, made from the built entries when a single message first
    // asks after a rebuild (a list that the next list replaces never needs it).
    PlaceTable<AddMenuEntry>& Places() {
        if (PlacesStale) {
            PlacesStale = false;
            PlacesTable.Reset(Built.size());
            for (AddMenuEntry& e : Built) {
                PlaceTable<AddMenuEntry>::Place& place = PlacesTable.Add(e.Receiver);
                place.Entry = &e;
                ++place.Count;
            }
        }
        return PlacesTable;
    }
    PlaceTable<AddMenuEntry> PlacesTable;
    bool PlacesStale = false;
    bool ViewAll = false; // the settings the captions were made with
    Bytes Area;
    // While a rebuild runs: the built entries' shown names one after another, and per
    // entry, in menu order once sorted, what the sort and the captions read, so that
    // neither reads a record or an entry.
    struct Sorted {
        uint64_t Head[2] = {}; // the first 16 bytes of the key (KeyHead)
        uint32_t KeyAt = 0;    // the key in Keys
        uint32_t KeySize = 0;
        uint32_t Place = 0;    // in Built
        uint32_t NameAt = 0;   // in Names
        uint32_t NameSize = 0;
        int16_t Identity = 0;
        bool Plain = false; // no "&" and no byte where Windows-1252 is not Latin-1
    };
    std::string Names;
    std::vector<Sorted> Sorting;
    std::vector<std::size_t> KeyEnds;
};

void ReceiverLists::AddMenuBookDeleter::operator()(AddMenuBook* book) const { delete book; }

ReceiverLists::AddMenuBook& ReceiverLists::addMenuBook() {
    if (!m_AddMenu) m_AddMenu.reset(new AddMenuBook);
    return *m_AddMenu;
}

// The name as the sub-menu shows it: the whole name when ViewAllReceivers is set, else
// without the area prefix.
std::string_view ReceiverLists::addMenuShownName(const cReceiver& receiver) const {
    const ClientState& s = m_State;
    const std::string_view name = receiver.m_ReceiverName;
    if (s.ViewAllReceiversSetting || s.Area.empty() || !IsNameInArea(s, name)) return name;
    return name.substr(s.Area.size() + 1);
}

namespace {

// Menu captions mark their access key with "&": a name is shown with every "&" doubled.
QString CaptionOf(std::string_view shown) {
    if (shown.find('&') == std::string_view::npos) return ToQString(shown);
    Bytes caption;
    caption.reserve(shown.size() + 4);
    for (const char c : shown) {
        caption += c;
        if (c == '&') caption += c;
    }
    return ToQString(caption);
}

// The caption's sort key: upper-cased ("&" doubled as in the caption), appended.
void AppendKey(std::string& out, std::string_view shown) {
    for (const char c : shown) {
        out += UpperChar(c);
        if (c == '&') out += c;
    }
}

// A plain name is its own caption in Latin-1: no "&" (doubled in a caption) and no byte
// where Windows-1252 is not Latin-1.
bool IsPlain(std::string_view shown) {
    return std::none_of(shown.begin(), shown.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return c == '&' || (b >= 0x80 && b <= 0x9F);
    });
}

// Whether the caption is the one CaptionOf(shown) makes, without making it.
bool ShowsCaption(const QString& caption, std::string_view shown, bool plain) {
    if (!plain) return caption == CaptionOf(shown);
    return caption == QLatin1String(shown.data(), static_cast<qsizetype>(shown.size()));
}

// Bytes from..from + 7 of a key as one number, big-endian, past its end zeros: numbers
// that differ order as the keys do.
uint64_t KeyHead(std::string_view key, std::size_t from) {
    uint64_t head = 0;
    for (std::size_t i = from; i < from + 8; ++i) head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

struct TagText {
    explicit TagText(int16_t identity) : size(std::to_chars(text + 1, text + sizeof text, identity).ptr - text) {}
    QLatin1String View() const { return QLatin1String(text, size); }
    char text[8] = {'K'};
    qsizetype size;
};

QString TagOf(int16_t identity) { return TagText(identity).View(); }

} // namespace

// Orders the built entries by their keys, entries of equal keys in collection order (the
// order a bubble sort with a strict comparison gives), in O(n log n): the heads of two
// keys first, so that most comparisons read no key; equal heads compare the keys, equal
// keys the places.
void ReceiverLists::SortReceiverAddMenu() {
    AddMenuBook& book = addMenuBook();
    const std::string_view keys = book.Keys;
    std::sort(book.Sorting.begin(), book.Sorting.end(), [keys](const AddMenuBook::Sorted& a, const AddMenuBook::Sorted& b) {
        if (a.Head[0] != b.Head[0]) return a.Head[0] < b.Head[0];
        if (a.Head[1] != b.Head[1]) return a.Head[1] < b.Head[1];
        const int c = keys.substr(a.KeyAt, a.KeySize).compare(keys.substr(b.KeyAt, b.KeySize));
        return c != 0 ? c < 0 : a.Place < b.Place;
    });
    book.Order.clear();
    for (const AddMenuBook::Sorted& e : book.Sorting) book.Order.push_back(&book.Built[e.Place]);
}

bool ReceiverLists::addMenuShownAsBuilt() const {
    return m_AddMenu && m_AddMenu->ViewAll == m_State.ViewAllReceiversSetting && m_AddMenu->Area == m_State.Area;
}

void ReceiverLists::rebuildReceiverAddMenu() {
    const ClientState& s = m_State;
    AddMenuBook& book = addMenuBook();
    book.Order.clear();
    book.Added.clear();
    book.Built.clear();
    // The records the decoder replaced go with this, in the order they were listed.
    book.Held.clear();
    const std::size_t count = s.Receivers.Count();
    book.Built.reserve(count);
    book.Held.reserve(count);
    book.Order.reserve(count);
    book.PlacesStale = true;
    book.Keys.clear();
    book.Names.clear();
    book.Sorting.clear();
    book.Sorting.reserve(count);
    book.KeyEnds.clear();
    book.KeyEnds.reserve(count);
    for (const auto& entry : s.Receivers) {
        if (!entry.item) continue;
        book.Held.push_back(entry.item);
        AddMenuEntry& e = book.Built.emplace_back();
        e.Receiver = entry.item.get();
        e.CollectionKey = entry.key;
        const std::string_view name = addMenuShownName(*entry.item);
        AppendKey(book.Keys, name);
        book.KeyEnds.push_back(book.Keys.size());
        AddMenuBook::Sorted& sorted = book.Sorting.emplace_back();
        sorted.Place = static_cast<uint32_t>(book.Built.size() - 1);
        sorted.NameAt = static_cast<uint32_t>(book.Names.size());
        sorted.NameSize = static_cast<uint32_t>(name.size());
        sorted.Identity = entry.item->m_DiskIdentity;
        sorted.Plain = IsPlain(name);
        book.Names.append(name);
    }
    // The block of keys is complete: the entries view their parts of it.
    std::size_t from = 0;
    for (std::size_t i = 0; i < book.Built.size(); ++i) {
        AddMenuEntry& e = book.Built[i];
        e.Key = std::string_view(book.Keys).substr(from, book.KeyEnds[i] - from);
        AddMenuBook::Sorted& sorted = book.Sorting[i];
        sorted.Head[0] = KeyHead(e.Key, 0);
        sorted.Head[1] = KeyHead(e.Key, 8);
        sorted.KeyAt = static_cast<uint32_t>(from);
        sorted.KeySize = static_cast<uint32_t>(e.Key.size());
        from = book.KeyEnds[i];
    }
    SortReceiverAddMenu();
    book.ViewAll = s.ViewAllReceiversSetting;
    book.Area = s.Area;
    // With no receivers the elements stay as they were.
    const int n = static_cast<int>(book.Order.size());
    if (n == 0) return;
    platform::MenuItemArray& menu = *m_ReceiverAddMenu;
    while (menu.Count() < n) menu.Load();
    while (menu.Count() > n) menu.Unload();
    // A caption or tag is made only where the menu does not show it already (a list sent
    // again names mostly the same receivers in the same places).
    for (int i = 0; i < n; ++i) {
        const AddMenuBook::Sorted& e = book.Sorting[static_cast<std::size_t>(i)];
        const std::string_view name = std::string_view(book.Names).substr(e.NameAt, e.NameSize);
        if (!ShowsCaption(menu.Caption(i), name, e.Plain)) menu.SetCaption(i, CaptionOf(name));
        const TagText tag(e.Identity);
        if (menu.Tag(i) != tag.View()) menu.SetTag(i, tag.View());
    }
}

// The menu index of a record listed once, found by a binary search on the key it was
// listed under; -1 when it is not where that key says.
int ReceiverLists::addMenuIndexOf(const cReceiver* receiver) const {
    if (!m_AddMenu) return -1;
    AddMenuBook& book = *m_AddMenu;
    const PlaceTable<AddMenuEntry>::Place* place = book.Places().Find(receiver);
    if (!place || place->Count != 1) return -1;
    const AddMenuEntry* entry = place->Entry;
    auto at = std::lower_bound(book.Order.begin(), book.Order.end(), entry->Key,
                               [](const AddMenuEntry* e, std::string_view k) { return e->Key < k; });
    for (; at != book.Order.end() && (*at)->Key == entry->Key; ++at)
        if (*at == entry) return static_cast<int>(at - book.Order.begin());
    return -1;
}

// A 240 puts the record under the key of its identity, at the end of the collection,
// replacing whatever record was there; a key it held before keeps it. So the record's
// own entry is all that changes exactly when it took no other record's place:
// - a record the sub-menu did not list, and the collection grew by one (nothing was
//   replaced); its entry goes in behind the equal keys;
// - a record listed once, now under the key it was listed under, and the collection
//   kept its count (it replaced itself); its entry moves behind the equal keys.
// In every other case (a record displaced, one kept under two keys, a changed view
// setting) the sub-menu is rebuilt from the collection.
void ReceiverLists::ReceiverSaved(const std::shared_ptr<cReceiver>& receiver) {
    const ClientState& s = m_State;
    AddMenuBook& book = addMenuBook();
    if (!receiver || book.Order.empty() || !addMenuShownAsBuilt() || s.Receivers.Last() != receiver) {
        rebuildReceiverAddMenu();
        return;
    }
    const std::string key = RecordKey(receiver->m_DiskIdentity);
    const std::size_t listed = book.Order.size();
    PlaceTable<AddMenuEntry>::Place* place = book.Places().Find(receiver.get());
    int old = -1;
    bool alone = s.Receivers.Find(key) == receiver;
    if (!place) {
        alone = alone && s.Receivers.Count() == listed + 1;
    } else {
        alone = alone && place->Count == 1 && EqualsIgnoreCase(place->Entry->CollectionKey, key) &&
                s.Receivers.Count() == listed;
        old = alone ? addMenuIndexOf(receiver.get()) : -1;
        alone = old >= 0;
    }
    if (!alone) {
        rebuildReceiverAddMenu();
        return;
    }
    platform::MenuItemArray& menu = *m_ReceiverAddMenu;
    const auto ByKey = [](std::string_view k, const AddMenuEntry* e) { return k < e->Key; };
    const auto first = book.Order.begin();
    const std::string_view name = addMenuShownName(*receiver);
    const QString caption = CaptionOf(name);
    const QString tag = TagOf(receiver->m_DiskIdentity);
    const auto remake = [&](AddMenuEntry& entry) {
        entry.OwnKey.clear();
        AppendKey(entry.OwnKey, name);
        entry.Key = entry.OwnKey;
        entry.Receiver = receiver.get();
        entry.CollectionKey = key;
    };
    if (old < 0) {
        book.Held.push_back(receiver);
        AddMenuEntry& entry = book.Added.emplace_back();
        remake(entry);
        PlaceTable<AddMenuEntry>::Place& added = book.Places().Add(receiver.get());
        added.Entry = &entry;
        added.Count = 1;
        const auto at = std::upper_bound(first, book.Order.end(), entry.Key, ByKey);
        menu.Insert(static_cast<int>(at - first), caption, tag);
        book.Order.insert(at, &entry);
        return;
    }
    // The entry is made anew in its place; its place among the others: behind every
    // equal key (it is last in the collection).
    AddMenuEntry* entry = book.Order[static_cast<std::size_t>(old)];
    remake(*entry);
    const auto before = std::upper_bound(first, first + old, entry->Key, ByKey);
    const auto after = std::upper_bound(first + old + 1, book.Order.end(), entry->Key, ByKey);
    const int at = before != first + old ? static_cast<int>(before - first) : static_cast<int>(after - first) - 1;
    // The entries between move by one place each (moved, not swapped).
    if (at < old) std::rotate(first + at, first + old, first + old + 1);
    else if (at > old) std::rotate(first + old, first + old + 1, first + at + 1);
    menu.Move(old, at);
    menu.SetCaption(at, caption);
    menu.SetTag(at, tag);
}

// A 241 removes the entry under the key of the found record's identity, which need not be
// the key the record is listed under. Its own entry alone goes exactly when the record
// was listed once, the collection lost one entry and the record is no longer under its
// key; anything else (no record found, another record's entry removed, a changed view
// setting) rebuilds the sub-menu, so that settings changed since the last build show.
void ReceiverLists::ReceiverDeleted(const std::shared_ptr<cReceiver>& receiver) {
    const ClientState& s = m_State;
    AddMenuBook& book = addMenuBook();
    PlaceTable<AddMenuEntry>::Place* place = receiver ? book.Places().Find(receiver.get()) : nullptr;
    const int old = place ? addMenuIndexOf(receiver.get()) : -1;
    // (A removed entry and its record stay in the book until the next rebuild; one comes
    // before they outnumber the listed ones.)
    if (old < 0 || s.Receivers.Empty() || !addMenuShownAsBuilt() || s.Receivers.Count() + 1 != book.Order.size() ||
        s.Receivers.Find(place->Entry->CollectionKey) == receiver || book.Held.size() > 2 * book.Order.size()) {
        rebuildReceiverAddMenu(); // with no receivers left, the elements stay as they were
        return;
    }
    book.Order.erase(book.Order.begin() + old);
    book.Places().Remove(receiver.get());
    m_ReceiverAddMenu->Remove(old);
}

} // namespace korvel::profiles
