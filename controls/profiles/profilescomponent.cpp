// The profiles editor: its pages put together, the shell's hooks, the layout, the
// server's messages routed to the pages, and the public profile operations.

#include "controls/profiles/profilescomponent.h"

#include "controls/profiles/profilepage.h"
#include "controls/profiles/receiverlists.h"
#include "controls/profiles/schedulepage.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/records/profile.h"
#include "core/serversettings.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"

#include <QResizeEvent>

#include <algorithm>

namespace korvel::profiles {

shell::ControlDescription Component::MakeDescription() {
    using shell::StartupRequest;
    shell::ControlDescription d;
    d.SettingsApplication = kApplication;
    d.OwnStartupRequests = {
        StartupRequest::Area(),
        StartupRequest::Plain(MessageType::MsgSystemList),
        StartupRequest::Plain(MessageType::MsgReceiverList),
        StartupRequest::Plain(MessageType::MsgCalendar),
        StartupRequest::Plain(MessageType::MsgHolidayLabelList),
        StartupRequest::Plain(MessageType::MsgProfileList),
        StartupRequest::Password(),
    };
    d.OffersArea = true;
    d.OffersPassword = true;
    return d;
}

Component::Component(ClientState& state, QWidget* parent) : shell::Component(state, MakeDescription(), parent) {
    buildWidgets();
    resize(800, 560);
    Initialise();
}

Component::~Component() {
    // UserControl_Terminate: every step on its own; what fails is reported and the next
    // step goes on.
    platform::RunGuarded("UserControl_Terminate", [&] { Winsock_ActiveXClient().Close(); });
    platform::RunGuarded("UserControl_Terminate", [&] { m_Schedule->Terminate(); });
    platform::RunGuarded("UserControl_Terminate", [&] { m_Tree->Terminate(); });
    // Each page takes its widgets with it, before the icons they show.
    delete m_Tree;
    delete m_Profile;
    delete m_Receivers;
    delete m_Schedule;
}

// The pages' widgets, in the order they stand on the control and its tabs (which is also
// the order the keyboard moves through them).
void Component::buildWidgets() {
    ClientState& s = State();
    PageHost& host = *this;
    m_Tree = new ProfileTree(host, s, m_Current, this);
    m_Profile = new ProfilePage(host, s, this);
    m_Receivers = new ReceiverLists(host, s, this);
    m_Schedule = new SchedulePage(host, s, this);

    m_Tree->Build(this);
    m_Schedule->BuildTabs(this);
    QWidget* general = m_Schedule->TabPage(0);
    m_Profile->BuildStates(general);
    m_Receivers->Build(general);
    m_Profile->BuildConditions(general);
    m_Schedule->BuildUseChecks(general);
    m_Schedule->BuildScheduleTab(m_Schedule->TabPage(1));
    m_Profile->BuildOffDuty(m_Schedule->TabPage(1));
    m_Profile->BuildAdvanced(m_Schedule->TabPage(2));
    m_Schedule->BuildCalendarTab(m_Schedule->TabPage(3));
    m_Schedule->BuildMenu();
    m_Receivers->BuildMenu();
    m_Built = true;
}

// UserControl_Initialize after the shell has read the connection settings. (The
// off-duty items were added with the widgets, before the shell applied the cached
// texts.)
void Component::OnInitialise() {
    m_Schedule->Initialise();
    m_Profile->Initialise();
    m_Tree->Initialise();
    ClearProfileEditor();
    m_Receivers->Initialise();
}

// --- Captions -----------------------------------------------------------------------------

void Component::ApplyCaptions() {
    m_Tree->ApplyCaptions();
    m_Profile->ApplyCaptions();
    m_Receivers->ApplyCaptions();
    m_Schedule->ApplyCaptions();
}

// --- Server dialogue ----------------------------------------------------------------------

void Component::OnSettingsMessage() {
    ClientState& s = State();
    s.ChildProfilesAllowed = NumericValue(GetServerSetting(s, "General", "AllowChildProfiles", "0")) != 0;
    // Clamped to the 16-bit range, then to the nearest integer (halves to even).
    const double days = NumericValue(GetServerSetting(s, "General", "MaxDaysToStoreAlarm", "0"));
    m_MaxDaysToStoreAlarm = static_cast<int16_t>(RoundHalfEven(std::clamp(days, -32768.0, 32767.0)));
    m_Tree->SettingsApplied();
    m_Schedule->SettingsApplied();
    UserControl_Resize();
}

void Component::OnShowConnectionState() {
    const bool connected = IsConnected();
    m_Tree->ShowConnectionState(connected);
    m_Schedule->ShowConnectionState(connected);
}

void Component::OnTimerExtra() { m_Tree->SaveFeedbackTick(kConnectIntervalMs); }

// Each message goes to the page that shows it.
void Component::HandleOwnMessage(MessageType type, std::string_view, const TouchedRecords& touched) {
    switch (type) {
    case MessageType::MsgSystemList: m_Profile->SystemListArrived(); break;
    case MessageType::MsgCalendar: m_Schedule->CalendarArrived(); break;
    case MessageType::MsgCalendarSave: m_Schedule->CalendarSaved(); break;
    case MessageType::MsgProfileList: m_Tree->ProfileListArrived(); break;
    case MessageType::MsgProfileSave: m_Tree->ProfileSaved(touched.Profile); break;
    case MessageType::MsgProfileDelete: m_Tree->ProfileDeleted(touched.Profile); break;
    case MessageType::MsgProfileEnableOrDisable: m_Tree->ProfileEnabledOrDisabled(touched.Profile); break;
    case MessageType::MsgReceiverList: m_Receivers->ReceiverListArrived(); break;
    case MessageType::MsgReceiverSave: m_Receivers->ReceiverSaved(touched.Receiver); break;
    case MessageType::MsgReceiverDelete: m_Receivers->ReceiverDeleted(touched.Receiver); break;
    default: break;
    }
}

void Component::SendToServer(MessageType type, const Bytes& body) {
    // Every instance shares the state: the shared procedures send on the socket the
    // state points at, so point it at this instance's own first.
    State().ServerSocket = &Winsock_ActiveXClient();
    Send(type, body);
}

// --- The whole page and the current profile ---------------------------------------------------

void Component::ClearProfileEditor() {
    m_Profile->Clear();
    m_Receivers->Clear();
    m_Schedule->Clear();
}

void Component::ShowProfileInEditor() {
    const std::shared_ptr<cProfile> p = m_Current.Profile;
    if (!p) return;
    m_Profile->Show(*p);
    m_Receivers->Show(*p);
    m_Schedule->Show(*p);
}

void Component::StoreEditorInProfile() {
    const std::shared_ptr<cProfile> p = m_Current.Profile;
    if (!p || m_Current.Node.isEmpty()) return;
    m_Tree->StoreEnabledIn(*p);
    StorePageInto(*p);
}

void Component::StorePageInto(cProfile& profile) {
    m_Receivers->StoreInto(profile);
    m_Schedule->StoreInto(profile);
    m_Profile->StoreInto(profile);
}

void Component::ProfileNamesChanged() { m_ShownNames = {}; }

void Component::BeforeTabChange() { m_Profile->BeforeTabChange(); }

void Component::TabChanged(int index) { m_Profile->TabChanged(index); }

// --- Layout -------------------------------------------------------------------------------

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    UserControl_Resize();
}

// Every error is ignored: what fails is reported and the layout stays as far as it got.
void Component::UserControl_Resize() {
    if (!m_Built) return;
    platform::RunGuarded("UserControl_Resize", [&] {
        const int W = width();
        const int H = height();
        Label_Disconnected().Centre();
        m_Tree->LayOut(W, H);
        m_Schedule->LayOutTabControl(W, H, m_Tree->PanelRight());
        const PageLayout layout = m_Schedule->TabControlLayout(W, H);
        m_Profile->LayOut(layout);
        m_Receivers->LayOut(layout);
        m_Schedule->LayOutPages(layout, m_Receivers->GroupBottom());
    });
}

// --- Public profile operations --------------------------------------------------------------

// Neither raises anything to the host: a refused or unmatched request does nothing.
void Component::ProfileEnableOrDisable(const QString& ProfileName, int Enabled) {
    platform::RunGuarded("ProfileEnableOrDisable", [&] {
        ClientState& s = State();
        if ((s.UserRights & RightEnableOrDisableProfiles) == 0) return;
        const std::shared_ptr<cProfile> profile = m_ShownNames.Find(s, platform::FromQString(ProfileName));
        if (!profile) return;
        Bytes body;
        try {
            body = profileswitch::ProfileEnableOrDisableBody(*profile, profileswitch::EnableFlag(Enabled));
        } catch (const KorvelError&) {
            return; // a name too long to carry: nothing can be sent
        }
        SendToServer(MessageType::MsgProfileEnableOrDisable, body);
    });
}

int Component::IsProfileEnabled(const QString& ProfileName) {
    int enabled = 0;
    platform::RunGuarded("IsProfileEnabled", [&] {
        const std::shared_ptr<cProfile> profile = m_ShownNames.Find(State(), platform::FromQString(ProfileName));
        enabled = profile && profile->m_Enabled ? -1 : 0;
    });
    return enabled;
}

} // namespace korvel::profiles
