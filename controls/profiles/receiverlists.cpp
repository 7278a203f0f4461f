// The profiles editor: the two receiver lists of a profile, their pop-up menu and the
// receiver sub-menu.

#include "controls/profiles/profilescomponent.h"

#include "core/cp1252.h"
#include "core/decoder.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"
#include "platform/listview.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"

#include <QCursor>
#include <QTimer>

#include <algorithm>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr char kNul = '\0';
constexpr char kSoh = '\x01';
const std::string_view kNulSeparator(&kNul, 1);
const std::string_view kSohSeparator(&kSoh, 1);

bool ConfirmOn(const ClientState& state) { return NumericValue(GetServerSetting(state, "Confirm", "Type", "0")) != 0; }

// Menu captions mark their access key with "&": a name is shown with every "&" doubled.
QString MenuCaption(const Bytes& name) { return ToQString(name).replace(QLatin1Char('&'), QStringLiteral("&&")); }
QString MenuText(QString caption) { return caption.replace(QStringLiteral("&&"), QStringLiteral("&")); }

} // namespace

int Component::receiverIcon(bool sequential, const Bytes& name, bool confirm) const {
    const std::shared_ptr<cReceiver> receiver = GetReceiverByName(State(), name);
    const bool known = receiver && receiver->m_Enabled != 0;
    if (!sequential) return known ? 1 : 5;
    if (known) return confirm ? 2 : 1;
    return confirm ? 3 : 4;
}

void Component::appendReceiver(platform::ListView& list, const QString& text, int icon) {
    list.AddItem(QStringLiteral("R%1").arg(++m_ReceiverKeySerial), text, icon);
}

void Component::ShowReceivers(const Bytes& parallel, const Bytes& sequential) {
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

Bytes Component::composeReceivers(const platform::ListView& list, bool sequential) const {
    const ClientState& s = State();
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
bool Component::isReceiverName(const Bytes& shown) const {
    const std::shared_ptr<cReceiver> receiver = GetReceiverByName(State(), shown);
    if (!receiver) return false;
    if (receiver->m_ReceiverName == shown) return true;
    // The first name equal in upper case differs in case: look for an exact one.
    for (const auto& entry : State().Receivers)
        if (entry.item && entry.item->m_ReceiverName == shown) return true;
    return false;
}

Bytes Component::ComposeParallelReceivers() const { return composeReceivers(*m_Parallel, false); }
Bytes Component::ComposeSequentialReceivers() const { return composeReceivers(*m_Sequential, true); }

void Component::rebuildReceiverList(platform::ListView& list, const std::vector<std::pair<QString, int>>& entries,
                                    int selected) {
    list.ClearItems();
    for (const auto& [text, icon] : entries) appendReceiver(list, text, icon);
    if (selected >= 1 && selected <= list.ListCount()) {
        list.SetSelected(selected, true);
        list.EnsureVisible(selected);
    }
}

// --- Handlers -----------------------------------------------------------------------------

void Component::ListView_Receivers_MouseDown(platform::ListView* list, int button) {
    m_ReceiverListButton = button;
    // The click follows the press once the list has taken it (a press on no row too).
    QTimer::singleShot(0, this, [this, list] { ListView_Receivers_Click(list); });
}

void Component::ListView_Receivers_GotFocus(platform::ListView* list) { m_ActiveReceiverList = list; }

void Component::ListView_Receivers_Click(platform::ListView* list) {
    m_ActiveReceiverList = list;
    if (m_ReceiverListButton != 2) return;
    m_ReceiverListButton = 0;
    m_ReceiverPopupAdd->SetEnabled(!State().Receivers.Empty());
    platform::PopupMenu(m_ReceiverPopup, QCursor::pos());
}

void Component::ListView_Receivers_KeyDown(platform::ListView* list, int& keyCode, int shift) {
    if ((shift & 3) == 0) return;
    if (keyCode != 38 && keyCode != 40 && keyCode != 46) return;
    m_ActiveReceiverList = list;
    if (keyCode == 38) Menu_Profile_Receiver_Popup_Up_Click();
    else if (keyCode == 40) Menu_Profile_Receiver_Popup_Down_Click();
    else Menu_Profile_Receiver_Popup_Delete_Click();
    keyCode = 0;
}

void Component::Menu_Profile_Receiver_Popup_Click() {
    platform::ListView* list = m_ActiveReceiverList;
    const bool confirm = ConfirmOn(State()) && list == m_Sequential;
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
    m_ReceiverPopupAdd->SetEnabled(!State().Receivers.Empty());
}

void Component::Menu_Profile_Receiver_Popup_Add_Item_Click(int index) {
    platform::ListView* list = m_ActiveReceiverList;
    if (!list || index < 0 || index >= m_ReceiverAddMenu->Count()) return;
    const int icon = list == m_Parallel ? 1 : (ConfirmOn(State()) ? 2 : 1);
    appendReceiver(*list, MenuText(m_ReceiverAddMenu->Caption(index)), icon);
    const int position = list->ListCount();
    list->EnsureVisible(position);
    list->SetSelected(position, true);
}

void Component::moveReceiver(int step) {
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

void Component::Menu_Profile_Receiver_Popup_Up_Click() { moveReceiver(-1); }
void Component::Menu_Profile_Receiver_Popup_Down_Click() { moveReceiver(1); }

void Component::Menu_Profile_Receiver_Popup_Confirm_Click() {
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

void Component::Menu_Profile_Receiver_Popup_Delete_Click() {
    platform::ListView* list = m_ActiveReceiverList;
    if (!list) return;
    const int p = list->SelectedPosition();
    if (p > 0) list->RemoveItem(p);
}

// The sub-menu lists every receiver by its shown name, sorted by the byte values of the
// upper-cased captions, receivers of equal captions in collection order (what a bubble
// sort with a strict comparison gives). Each entry's sort key is computed once. A 240 or
// 241 changes only its own entry where that provably gives what a whole rebuild gives
// (the message touched no record but its own); anything else rebuilds the whole sub-menu.

Component::AddMenuEntry Component::addMenuEntry(const std::shared_ptr<cReceiver>& receiver) const {
    const ClientState& s = State();
    const Bytes& name = receiver->m_ReceiverName;
    AddMenuEntry entry;
    entry.Caption = MenuCaption(s.ViewAllReceiversSetting ? name : RemoveAreaFromName(s, name));
    entry.Key = UpperCase(FromQString(entry.Caption));
    entry.Tag = QStringLiteral("K%1").arg(receiver->m_DiskIdentity);
    entry.Receiver = receiver;
    return entry;
}

// Orders the sub-menu's entries by their keys, entries of equal keys in collection order:
// the order a bubble sort with a strict comparison gives, in O(n log n).
void Component::SortReceiverAddMenu() {
    std::stable_sort(m_AddMenuEntries.begin(), m_AddMenuEntries.end(),
                     [](const std::unique_ptr<AddMenuEntry>& a, const std::unique_ptr<AddMenuEntry>& b) {
                         return a->Key < b->Key;
                     });
}

bool Component::addMenuShownAsBuilt() const {
    return m_AddMenuViewAll == State().ViewAllReceiversSetting && m_AddMenuArea == State().Area;
}

void Component::rebuildReceiverAddMenu() {
    const ClientState& s = State();
    m_AddMenuEntries.clear();
    m_AddMenuEntries.reserve(s.Receivers.Count());
    m_AddMenuPlaces.clear();
    for (const auto& entry : s.Receivers) {
        if (!entry.item) continue;
        auto menuEntry = std::make_unique<AddMenuEntry>(addMenuEntry(entry.item));
        AddMenuPlace& place = m_AddMenuPlaces[entry.item.get()];
        place.Key = menuEntry->Key;
        place.CollectionKey = entry.key;
        ++place.Count;
        m_AddMenuEntries.push_back(std::move(menuEntry));
    }
    SortReceiverAddMenu();
    m_AddMenuViewAll = s.ViewAllReceiversSetting;
    m_AddMenuArea = s.Area;
    // With no receivers the elements stay as they were.
    const int n = static_cast<int>(m_AddMenuEntries.size());
    if (n == 0) return;
    platform::MenuItemArray& menu = *m_ReceiverAddMenu;
    while (menu.Count() < n) menu.Load();
    while (menu.Count() > n) menu.Unload();
    for (int i = 0; i < n; ++i) {
        const AddMenuEntry& e = *m_AddMenuEntries[static_cast<std::size_t>(i)];
        menu.SetCaption(i, e.Caption);
        menu.SetTag(i, e.Tag);
    }
}

// The entry of a record listed once, found by a binary search on the key it was listed
// under; -1 when it is not where that key says.
int Component::addMenuIndexOf(const cReceiver* receiver) const {
    const auto place = m_AddMenuPlaces.find(receiver);
    if (place == m_AddMenuPlaces.end() || place->second.Count != 1) return -1;
    const std::string& key = place->second.Key;
    auto at = std::lower_bound(m_AddMenuEntries.begin(), m_AddMenuEntries.end(), key,
                               [](const std::unique_ptr<AddMenuEntry>& e, const std::string& k) { return e->Key < k; });
    for (; at != m_AddMenuEntries.end() && (*at)->Key == key; ++at)
        if ((*at)->Receiver.get() == receiver) return static_cast<int>(at - m_AddMenuEntries.begin());
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
void Component::receiverSavedInAddMenu(const std::shared_ptr<cReceiver>& receiver) {
    const ClientState& s = State();
    if (!receiver || m_AddMenuEntries.empty() || !addMenuShownAsBuilt() || s.Receivers.Last() != receiver) {
        rebuildReceiverAddMenu();
        return;
    }
    const std::string key = RecordKey(receiver->m_DiskIdentity);
    const std::size_t listed = m_AddMenuEntries.size();
    const auto place = m_AddMenuPlaces.find(receiver.get());
    int old = -1;
    bool alone = s.Receivers.Find(key) == receiver;
    if (place == m_AddMenuPlaces.end()) {
        alone = alone && s.Receivers.Count() == listed + 1;
    } else {
        alone = alone && place->second.Count == 1 && EqualsIgnoreCase(place->second.CollectionKey, key) &&
                s.Receivers.Count() == listed;
        old = alone ? addMenuIndexOf(receiver.get()) : -1;
        alone = old >= 0;
    }
    if (!alone) {
        rebuildReceiverAddMenu();
        return;
    }
    const auto ByKey = [](const std::string& k, const std::unique_ptr<AddMenuEntry>& e) { return k < e->Key; };
    auto entry = std::make_unique<AddMenuEntry>(addMenuEntry(receiver));
    platform::MenuItemArray& menu = *m_ReceiverAddMenu;
    const auto first = m_AddMenuEntries.begin();
    m_AddMenuPlaces[receiver.get()] = AddMenuPlace{entry->Key, key, 1};
    if (old < 0) {
        const auto at = std::upper_bound(first, m_AddMenuEntries.end(), entry->Key, ByKey);
        menu.Insert(static_cast<int>(at - first), entry->Caption, entry->Tag);
        m_AddMenuEntries.insert(at, std::move(entry));
        return;
    }
    // Its place among the others: behind every equal key (it is last in the collection).
    const auto before = std::upper_bound(first, first + old, entry->Key, ByKey);
    const auto after = std::upper_bound(first + old + 1, m_AddMenuEntries.end(), entry->Key, ByKey);
    const int at = before != first + old ? static_cast<int>(before - first) : static_cast<int>(after - first) - 1;
    // The entries between move by one place each (moved, not swapped).
    if (at < old) std::rotate(first + at, first + old, first + old + 1);
    else if (at > old) std::rotate(first + old, first + old + 1, first + at + 1);
    menu.Move(old, at);
    menu.SetCaption(at, entry->Caption);
    menu.SetTag(at, entry->Tag);
    m_AddMenuEntries[static_cast<std::size_t>(at)] = std::move(entry);
}

// A 241 removes the entry under the key of the found record's identity, which need not be
// the key the record is listed under. Its own entry alone goes exactly when the record
// was listed once, the collection lost one entry and the record is no longer under its
// key; anything else (no record found, another record's entry removed, a changed view
// setting) rebuilds the sub-menu, so that settings changed since the last build show.
void Component::receiverRemovedFromAddMenu(const std::shared_ptr<cReceiver>& receiver) {
    const ClientState& s = State();
    const auto place = receiver ? m_AddMenuPlaces.find(receiver.get()) : m_AddMenuPlaces.end();
    const int old = place != m_AddMenuPlaces.end() ? addMenuIndexOf(receiver.get()) : -1;
    if (old < 0 || s.Receivers.Empty() || !addMenuShownAsBuilt() || s.Receivers.Count() + 1 != m_AddMenuEntries.size() ||
        s.Receivers.Find(place->second.CollectionKey) == receiver) {
        rebuildReceiverAddMenu(); // with no receivers left, the elements stay as they were
        return;
    }
    m_AddMenuEntries.erase(m_AddMenuEntries.begin() + old);
    m_AddMenuPlaces.erase(place);
    m_ReceiverAddMenu->Remove(old);
}

} // namespace korvel::profiles
