#pragma once
// The profiles editor's receiver lists: the parallel and the sequential receivers of the
// shown profile on the general tab, their right-button pop-up menu and its sub-menu of
// every receiver, which follows the server's receiver list and its changes (230, 240,
// 241).
//
// It owns the group Frame_Receivers with the two lists and their labels, the pop-up
// menu Menu_Profile_Receiver_Popup and the receivers' icons. It changes a profile only
// when the control asks it to store the page.

#include "controls/profiles/pagehost.h"

#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class QGroupBox;
class QLabel;

namespace korvel {
class cReceiver;
}

namespace korvel::platform {
class IconStore;
class ListView;
class Menu;
class MenuItem;
class MenuItemArray;
} // namespace korvel::platform

namespace korvel::profiles {

class ReceiverLists final : public Page {
    Q_OBJECT

public:
    ReceiverLists(PageHost& host, ClientState& state, QObject* control);
    ~ReceiverLists() override;

    // --- What the control calls ---------------------------------------------------------
    void Build(QWidget* tab);
    void BuildMenu();
    // Start: the lists' first columns as wide as the lists less 100 twips.
    void Initialise();
    void ApplyCaptions();
    void LayOut(const PageLayout& layout);
    // The bottom edge of the receivers group, in its tab's pixels.
    int GroupBottom() const;

    // The page's share of a profile: cleared for a new one, shown, stored.
    void Clear();
    void Show(const cProfile& profile);
    void StoreInto(cProfile& profile);

    // The server's receiver list (230), a receiver saved (240) or removed (241): the
    // sub-menu follows. The receiver is the one the decoder handed back, or none.
    void ReceiverListArrived();
    void ReceiverSaved(const std::shared_ptr<cReceiver>& receiver);
    void ReceiverDeleted(const std::shared_ptr<cReceiver>& receiver);

    // --- Handlers still called by tests -------------------------------------------------
    // The lists raise them; tests still call them where no operator's path reaches the
    // same state yet (a disabled menu entry, a key whose swallowing only the handler
    // shows).
    void ListView_Receivers_KeyDown(platform::ListView* list, int& keyCode, int shift);
    void Menu_Profile_Receiver_Popup_Confirm_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListView_Receivers_MouseDown(platform::ListView* list, int button);
    void ListView_Receivers_GotFocus(platform::ListView* list);
    void ListView_Receivers_Click(platform::ListView* list);
    void Menu_Profile_Receiver_Popup_Click();
    void Menu_Profile_Receiver_Popup_Add_Item_Click(int index);
    void Menu_Profile_Receiver_Popup_Up_Click();
    void Menu_Profile_Receiver_Popup_Down_Click();
    void Menu_Profile_Receiver_Popup_Delete_Click();
    void SortReceiverAddMenu();

    // The receiver lists' text forms (list order, NUL after every entry): shown from the
    // profile and composed back when the page is stored.
    Bytes ComposeParallelReceivers() const;
    Bytes ComposeSequentialReceivers() const;
    void ShowReceivers(const Bytes& parallel, const Bytes& sequential);

    void connectHandlers();
    int receiverIcon(bool sequential, const Bytes& name, bool confirm) const;
    bool isReceiverName(const Bytes& shown) const;
    Bytes composeReceivers(const platform::ListView& list, bool sequential) const;
    void appendReceiver(platform::ListView& list, const QString& text, int icon);
    void moveReceiver(int step);
    void rebuildReceiverList(platform::ListView& list, const std::vector<std::pair<QString, int>>& entries, int selected);

    // The receiver sub-menu: built from the collection, or changed by one entry where that
    // gives what a rebuild gives.
    struct AddMenuEntry;
    struct AddMenuBook;
    struct AddMenuBookDeleter {
        void operator()(AddMenuBook* book) const;
    };
    AddMenuBook& addMenuBook();
    std::string_view addMenuShownName(const cReceiver& receiver) const;
    bool addMenuShownAsBuilt() const;
    int addMenuIndexOf(const cReceiver* receiver) const;
    void rebuildReceiverAddMenu();

    std::unique_ptr<platform::IconStore> m_ReceiverIcons; // outlives the lists (placed widgets go first)

    QGroupBox* m_FrameReceivers = nullptr;
    platform::ListView* m_Parallel = nullptr;
    platform::ListView* m_Sequential = nullptr;
    std::array<QLabel*, 2> m_ReceiversLabel{};

    platform::Menu* m_ReceiverPopup = nullptr;
    platform::MenuItem* m_ReceiverPopupAdd = nullptr;
    platform::MenuItem* m_ReceiverPopupUp = nullptr;
    platform::MenuItem* m_ReceiverPopupDown = nullptr;
    platform::MenuItem* m_ReceiverPopupConfirm = nullptr;
    platform::MenuItem* m_ReceiverPopupDelete = nullptr;
    platform::MenuItemArray* m_ReceiverAddMenu = nullptr;

    platform::ListView* m_ActiveReceiverList = nullptr;
    int m_ReceiverListButton = 0;
    int m_ReceiverKeySerial = 0;
    std::unique_ptr<AddMenuBook, AddMenuBookDeleter> m_AddMenu; // the receiver sub-menu's entries and keys
};

} // namespace korvel::profiles
