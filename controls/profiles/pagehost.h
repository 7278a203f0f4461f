#pragma once
// What the profiles editor gives its pages. The editor is four pages, each owning its
// widgets and their handlers: the profile tree with its commands and Save
// (profiletree.h), the profile page with the conditions (profilepage.h), the two
// receiver lists (receiverlists.h) and the schedule and calendar page with the tab
// control (schedulepage.h). A page changes only its own widgets; what it needs of the
// others (the whole page shown or stored, the tab control's changes, the layout) it asks
// of the control through PageHost, which passes it on. docs/profiles.md says what each
// page may read and change.

#ifndef Q_MOC_RUN
#include "core/clientstate.h"
#include "core/codec.h"
#include "core/messages.h"
#include "platform/lastresort.h"
#include "platform/twips.h"
#endif

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace korvel {
class ClientState;
class cProfile;
enum class MessageType : uint8_t;
} // namespace korvel

namespace korvel::profiles {

// The control's per-user settings application (also the title of its own boxes).
inline constexpr const char* kSettingsApplication = "Korvel ActiveX Profiles Client";
inline constexpr int kTabCount = 4;

// The one record the page shows and edits, and the tree node that shows it; none at
// start. Only the profile tree changes them; the other pages read them.
struct CurrentProfile {
    QString Node;
    std::shared_ptr<cProfile> Profile;
};

// Where the layout stands: whether the control is tall and wide enough for the pages'
// heights and widths to follow it (more than 361 and 640 pixels), and the tab control's
// height and width in twips.
struct PageLayout {
    bool Tall = false;
    bool Wide = false;
    int TabHeight = 0;
    int TabWidth = 0;
};

class PageHost {
public:
    virtual const CurrentProfile& Current() const = 0;

    // The whole page to and from the current profile (each page's fields in turn):
    // ShowProfileInEditor shows it, StoreEditorInProfile stores it (with the node's
    // enabled state, while both profile and node exist), ClearProfileEditor sets the
    // defaults of a new profile. StorePageInto stores the page into any profile, without
    // the node's enabled state (a new profile takes the cleared page).
    virtual void ShowProfileInEditor() = 0;
    virtual void StoreEditorInProfile() = 0;
    virtual void ClearProfileEditor() = 0;
    virtual void StorePageInto(cProfile& profile) = 0;
    // The tree gave profiles new names in place (the collection does not see that).
    virtual void ProfileNamesChanged() = 0;

    // The tab control: before its selected tab changes, and once it has.
    virtual void BeforeTabChange() = 0;
    virtual void TabChanged(int index) = 0;
    // The control's layout.
    virtual void UserControl_Resize() = 0;

    // Numbered text n, as a caption.
    virtual QString Text(int n) const = 0;
    // The control's remembered settings (section "Parameters").
    virtual std::string StoredSetting(const char* key, const std::string& defaultValue) const = 0;
    virtual void Remember(const char* key, const std::string& value) = 0;
    // The server setting General/MaxDaysToStoreAlarm as the control holds it.
    virtual int16_t MaxDaysToStoreAlarm() const = 0;

    // The connection: whether it is up, and one message to the server on it.
    virtual bool Connected() const = 0;
    virtual void SendToServer(MessageType type, const Bytes& body) = 0;
    // The control: modal boxes stand over it.
    virtual QWidget* BoxParent() = 0;

protected:
    ~PageHost() = default;
};

// What every page has: the control's host, the client state, and the widgets it placed
// (they go with the page, before what the page's own members hold, such as its icons).
// A page is a child of the control, named for tests and benchmarks to find it.
class Page : public QObject {
protected:
    Page(PageHost& host, ClientState& state, QObject* control, const char* name)
        : QObject(control), m_Host(host), m_State(state) {
        setObjectName(QString::fromLatin1(name));
    }
    ~Page() override { DeletePlaced(); }

    // A widget the page made in a container it does not own; it goes with the page.
    template <class W>
    W* Placed(W* widget) {
        m_Placed.emplace_back(widget);
        return widget;
    }
    // Deletes the placed widgets still there; a page's destructor calls it first.
    void DeletePlaced() {
        for (QPointer<QObject>& widget : m_Placed) delete widget.data();
        m_Placed.clear();
    }

    PageHost& m_Host;
    ClientState& m_State;

private:
    std::vector<QPointer<QObject>> m_Placed;
};

// A handler as a widget's signal calls it (platform/lastresort.h).
using platform::Guarded;

// --- Building the widgets -------------------------------------------------------------------

// Twips to pixels inside the pages.
inline int Px(int twips) { return twips / platform::kTwipsPerPixel; }

inline QRect TwipRect(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The object name of element `index` of a widget array ("Check_AlarmState_0").
inline QString Indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace korvel::profiles
