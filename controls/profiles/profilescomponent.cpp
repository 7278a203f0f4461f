// The profiles editor: construction, layout, captions and the dialogue with the server.
// The tree and commands are in profiletree.cpp, the page in profilepage.cpp, the
// receiver lists in receiverlists.cpp, the schedule and calendar tabs in schedulepage.cpp.

#include "controls/profiles/profilescomponent.h"

#include "controls/profiles/profileicons.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "core/widgets/calendarmonth.h"
#include "core/widgets/schedulegrid.h"
#include "platform/checkbox.h"
#include "platform/iconstore.h"
#include "platform/imagecombo.h"
#include "platform/listview.h"
#include "platform/paintsurface.h"
#include "platform/popupmenu.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/tabstrip.h"
#include "platform/treeview.h"
#include "platform/twips.h"

#include <QDate>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace korvel::profiles {

using platform::kTwipsPerPixel;

namespace {

constexpr const char* kParameters = "Parameters";
constexpr const char* kLastScheduleTab = "LastScheduleTab";
constexpr const char* kLastSelectedProfile = "LastSelectedProfile";

// Twips to pixels inside the pages.
int Px(int twips) { return twips / kTwipsPerPixel; }

QRect TwipRect(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString Indexed(const char* name, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index); }

} // namespace

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = kApplication;
    d.OwnStartupRequests = {
        shell::StartupRequest::Area(),       // 104
        shell::StartupRequest::Plain(141),   // system names
        shell::StartupRequest::Plain(230),   // receivers
        shell::StartupRequest::Plain(170),   // calendar
        shell::StartupRequest::Plain(142),   // holiday labels
        shell::StartupRequest::Plain(200),   // profiles
        shell::StartupRequest::Password(),   // 103
    };
    d.OffersArea = true;
    d.OffersPassword = true;
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent),
      m_TreeIcons(new platform::IconStore),
      m_ReceiverIcons(new platform::IconStore),
      m_DayTypeIcons(new platform::IconStore(platform::DayTypeImages())) {
    FillTreeIcons(*m_TreeIcons);
    FillReceiverIcons(*m_ReceiverIcons);
    buildWidgets();
    connectHandlers();
    resize(800, 560);
    Initialise();
}

Component::~Component() {
    // UserControl_Terminate: every step on its own, errors ignored.
    try {
        Winsock_ActiveXClient().Close();
    } catch (...) {
    }
    try {
        if (ISettingsStore* store = State().SettingsStore) {
            store->Save(kApplication, kParameters, kLastScheduleTab, std::to_string(m_Tab->SelectedIndex()));
            const QString selected = m_Tree->SelectedKey();
            if (!selected.isEmpty())
                store->Save(kApplication, kParameters, kLastSelectedProfile,
                            platform::FromQString(m_Tree->FullPath(selected)));
        }
    } catch (...) {
    }
    // The widgets showing icons go before their icon stores.
    delete m_Frame0;
    delete m_Tab;
    for (QWidget* page : m_Pages) delete page;
    delete m_TreeIcons;
    delete m_ReceiverIcons;
    delete m_DayTypeIcons;
}

// --- Widgets ------------------------------------------------------------------------------

void Component::buildWidgets() {
    m_Frame0 = Named(new QGroupBox(QStringLiteral("&Route Profiles"), this), "Frame_0");
    m_Frame0->setGeometry(15, 10, 209, 308);
    m_Tree = Named(new platform::TreeView(m_Frame0), "TreeView_Profiles");
    m_Tree->setGeometry(Px(135), Px(300), Px(2865), Px(3400));
    auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = Named(new QPushButton(caption, m_Frame0), name);
        b->setGeometry(Px(left), Px(3800), Px(690), 25);
        return b;
    };
    m_AddProfile = button("Command_AddProfile", QStringLiteral("Add"), 135);
    m_CopyProfile = button("Command_CopyProfile", QStringLiteral("Copy"), 855);
    m_RemoveProfile = button("Command_RemoveProfile", QStringLiteral("Remove"), 1575);
    m_RenameProfile = button("Command_RenameProfile", QStringLiteral("Rename"), 2295);
    m_AddChildProfile = button("Command_AddChildProfile", QStringLiteral("Add child"), 135);
    m_AddChildProfile->setGeometry(Px(135), Px(4300), Px(1400), 25);
    m_AddChildProfile->hide();

    m_Save = Named(new QPushButton(QStringLiteral("Save"), this), "Command_Save");
    m_Save->setGeometry(70, 323, 100, 25);

    m_Tab = Named(new platform::TabStrip(this), "SSTab_Profile");
    m_Tab->setGeometry(225, 10, 408, 500);
    for (const char* caption : {"General", "Timeschedule", "Advanced", "Global Calendar"})
        m_Tab->AddTab(QString::fromLatin1(caption));
    for (int i = 0; i < kTabCount; ++i) {
        auto* page = new QWidget(this);
        page->setObjectName(Indexed("TabControlPage", i));
        page->hide();
        m_Pages[static_cast<std::size_t>(i)] = page;
    }
    buildPage0(m_Pages[0]);
    buildPage1(m_Pages[1]);
    buildPage2(m_Pages[2]);
    buildPage3(m_Pages[3]);
    buildMenus();

    // Disconnected until the first connection: only the status label shows.
    m_Frame0->hide();
    m_Tab->hide();
    m_Save->hide();
}

void Component::buildPage0(QWidget* page) {
    m_FrameStates = Named(new QGroupBox(QStringLiteral("Include &Alarm States"), page), "Frame_States");
    m_FrameStates->setGeometry(TwipRect(5520, 120, 2700, 1300));
    const char* states[] = {"Inactive", "Active", "Acknowledged"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new platform::CheckBox(QString::fromLatin1(states[i]), m_FrameStates);
        box->setObjectName(Indexed("Check_AlarmState", i));
        box->setGeometry(TwipRect(150, 280 + 320 * i, 2400, 300));
        m_AlarmState[static_cast<std::size_t>(i)] = box;
    }

    m_FrameReceivers =
        Named(new QGroupBox(QStringLiteral("&Receivers when this profile matches"), page), "Frame_Receivers");
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
        list->SetSmallIcons(m_ReceiverIcons);
        list->setHeaderHidden(true);
        list->AddColumn(QString(), 4000);
        list->installEventFilter(this);
    }
    m_Parallel->setGeometry(TwipRect(120, 510, 5060, 1290));
    m_ReceiversLabel[1]->setGeometry(TwipRect(120, 1845, 3000, 255));
    m_Sequential->setGeometry(TwipRect(120, 2055, 5060, 1290));

    m_FrameIncludeExclude = Named(new QGroupBox(QStringLiteral("&General include/exclude conditions"), page),
                                  "Frame_IncludeExclude");
    m_FrameIncludeExclude->setGeometry(TwipRect(120, 3600, 5300, 2040));
    const char* labels[] = {"Tag:", "Area:", "Category:", "Name:", "Description:", "State:"};
    const char* tips[] = {"Tag in the format [-]tagname. Doubleclick to expand.",
                          "Area in the format [-]area. Doubleclick to expand.",
                          "Category in the format [-]xxx[-yyy]. Doubleclick to expand.",
                          "Name in the format [-name]. Doubleclick to expand.",
                          "Description in the format [-]xxx. Doubleclick to expand.", nullptr};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(QString::fromLatin1(labels[i]), m_FrameIncludeExclude);
        label->setObjectName(Indexed("Label_Condition", i));
        label->setGeometry(TwipRect(150, 270 + 292 * i, 1300, 270));
        auto* text = new QLineEdit(QStringLiteral("*"), m_FrameIncludeExclude);
        text->setObjectName(Indexed("Text_Condition", i));
        text->setGeometry(TwipRect(1500, 255 + 292 * i, 3600, 285));
        if (tips[i]) text->setToolTip(QString::fromLatin1(tips[i]));
        text->installEventFilter(this);
        m_ConditionLabel[static_cast<std::size_t>(i)] = label;
        m_Condition[static_cast<std::size_t>(i)] = text;
    }
    m_ConditionEditLabel = Named(new QLabel(m_FrameIncludeExclude), "Label_Condition_Edit");
    m_ConditionEditLabel->setGeometry(TwipRect(150, 300, 1300, 300));
    m_ConditionEditLabel->hide();
    m_ConditionEdit = Named(new QPlainTextEdit(m_FrameIncludeExclude), "Text_Condition_Edit");
    m_ConditionEdit->setGeometry(TwipRect(1500, 255, 3600, 1737));
    m_ConditionEdit->hide();
    m_ConditionEdit->viewport()->installEventFilter(this);

    m_FrameSchedule = Named(new QGroupBox(page), "Frame_Schedule");
    m_FrameSchedule->setGeometry(TwipRect(5520, 1500, 2700, 1000));
    m_CheckTimeSchedule =
        Named(new platform::CheckBox(QStringLiteral("Use timeschedule"), m_FrameSchedule), "Check_TimeSchedule");
    m_CheckTimeSchedule->setGeometry(TwipRect(150, 250, 2400, 300));
    m_CheckCalendar = Named(new platform::CheckBox(QStringLiteral("Use calendar"), m_FrameSchedule), "Check_Calendar");
    m_CheckCalendar->setGeometry(TwipRect(150, 580, 2400, 300));
}

void Component::buildPage1(QWidget* page) {
    m_FrameTimeSchedule = Named(new QGroupBox(QStringLiteral("Timeschedule"), page), "Frame_TimeSchedule");
    m_FrameTimeSchedule->setGeometry(TwipRect(120, 120, 6000, 5200));
    m_ScheduleHeader = Named(new platform::PaintSurfaceWidget(m_FrameTimeSchedule), "Picture_TimeScheduleHeader");
    m_ScheduleHeader->setGeometry(TwipRect(120, 250, 5760, 450));
    m_ScheduleFrame = Named(new QFrame(m_FrameTimeSchedule), "Picture_TimeSchedule_Frame");
    m_ScheduleFrame->setFrameShape(QFrame::Box);
    m_ScheduleFrame->setGeometry(TwipRect(120, 720, 5760, 3300));
    m_SchedulePicture = Named(new platform::PaintSurfaceWidget(m_ScheduleFrame), "Picture_TimeSchedule");
    m_SchedulePicture->setImageStore(m_DayTypeIcons);
    m_SchedulePicture->setGeometry(0, 0, Px(5500), Px(3300));
    m_ScheduleScroll = Named(new QScrollBar(Qt::Vertical, m_ScheduleFrame), "VScroll_Schedule");
    m_ScheduleScroll->setGeometry(Px(5500), 0, Px(255), Px(3300));
    m_ScheduleLabel = Named(new QLabel(QStringLiteral("Period:"), m_FrameTimeSchedule), "Label_TimeSchedule");
    m_ScheduleLabel->setGeometry(TwipRect(120, 4150, 900, 300));
    m_PeriodStart = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Period_Start");
    m_PeriodStart->setGeometry(TwipRect(1050, 4120, 800, 300));
    m_PeriodStop = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Period_Stop");
    m_PeriodStop->setGeometry(TwipRect(1950, 4120, 800, 300));
    m_ScheduleTime = Named(new QLineEdit(m_FrameTimeSchedule), "Text_Schedule_Time");
    m_ScheduleTime->setReadOnly(true);
    m_ScheduleTime->setGeometry(TwipRect(2900, 4120, 800, 300));
    m_CheckViewDayType = Named(new platform::CheckBox(QStringLiteral("View day type"), m_FrameTimeSchedule),
                               "Check_TimeSchedule_ViewDayType");
    m_CheckViewDayType->setGeometry(TwipRect(3900, 4120, 1900, 300));
    for (QLineEdit* box : {m_PeriodStart, m_PeriodStop}) box->installEventFilter(this);

    m_OffDutyLabel = Named(new QLabel(QStringLiteral("Off Duty behaviour:"), page), "Label_OffDutyBehaviour");
    m_OffDutyLabel->setGeometry(TwipRect(120, 5450, 2000, 300));
    m_OffDutyCombo = Named(new platform::ImageCombo(page), "Combo_OffDutyBehaviour");
    m_OffDutyCombo->setEditable(false);
    const char* offDuty[] = {"Throw alarm event", "Delay until On Duty", "Delay until On Duty (throw if Inactive)",
                             "Delay until On Duty (throw if Acked)",
                             "Delay until On Duty (throw if Inactive or Acked)"};
    for (const char* text : offDuty) m_OffDutyCombo->AddItem(QString::fromLatin1(text));
    m_OffDutyCombo->setGeometry(TwipRect(2200, 5420, 3900, 330));
    m_OffDutyLabel->hide();
    m_OffDutyCombo->hide();
}

void Component::buildPage2(QWidget* page) {
    int top = 150;
    auto check = [&](const char* name, const char* caption) {
        auto* box = Named(new platform::CheckBox(QString::fromLatin1(caption), page), name);
        box->setGeometry(TwipRect(120, top, 5500, 300));
        return box;
    };
    auto label = [&](const QString& name, const char* caption, int left, int t, int width) {
        auto* l = new QLabel(QString::fromLatin1(caption), page);
        l->setObjectName(name);
        l->setGeometry(TwipRect(left, t, width, 300));
        return l;
    };
    auto text = [&](const char* name, int left, int t, int width) {
        auto* e = Named(new QLineEdit(page), name);
        e->setGeometry(TwipRect(left, t, width, 300));
        return e;
    };
    auto line = [&](int index, int t) {
        auto* l = new QFrame(page);
        l->setObjectName(Indexed("Line_Delimiter", index));
        l->setFrameShape(QFrame::HLine);
        l->setGeometry(TwipRect(60, t, 6000, 30));
        m_LineDelimiter[static_cast<std::size_t>(index)] = l;
    };

    m_CheckExternalTag = check("Check_ExternalTag", "External profile enable/disable using tag");
    m_ExternalTagLabel = label(QStringLiteral("Label_ExternalTag"), "Tag:", 400, top + 350, 1500);
    m_ExternalTag = text("Text_ExternalTag", 1900, top + 330, 4000);
    m_CheckIgnoreExternalTag = Named(
        new platform::CheckBox(QStringLiteral("Ignore the tag in other profiles"), page), "Check_IgnoreExternalTag");
    m_CheckIgnoreExternalTag->setGeometry(TwipRect(400, top + 680, 5000, 300));
    line(0, top + 1050);
    line(1, top + 1080);
    top += 1150;
    m_CheckExternalFile = check("Check_ExternalFile", "External profile enable/disable using file");
    m_ExternalFileLabel[0] = label(Indexed("Label_ExternalFile", 0), "Filename:", 400, top + 350, 1500);
    m_ExternalFile = text("Text_ExternalFile", 1900, top + 330, 4000);
    m_ExternalFileLabel[1] = label(Indexed("Label_ExternalFile", 1), "Enable by text:", 400, top + 700, 1500);
    m_ExternalFileText = text("Text_ExternalFileText", 1900, top + 680, 4000);
    line(2, top + 1050);
    line(3, top + 1080);
    top += 1150;
    m_CheckAutoBlock = check("Check_AutoBlock", "Use automatic time-limited alarm blocking");
    const char* blockLabels[] = {"Number of matching events treshold:", "Treshold window:",
                                 "When threshold is exceeded, block for:", "seconds", "seconds"};
    for (int i = 0; i < 3; ++i)
        m_AutoBlockLabel[static_cast<std::size_t>(i)] =
            label(Indexed("Label_AutoBlock", i), blockLabels[i], 400, top + 350 + 330 * i, 3300);
    m_AutoBlockEvents = text("Text_AutoBlockTresholdEvents", 3800, top + 330, 900);
    m_AutoBlockWindow = text("Text_AutoBlockTresholdTime", 3800, top + 660, 900);
    m_AutoBlockTime = text("Text_AutoBlockTime", 3800, top + 990, 900);
    m_AutoBlockLabel[3] = label(Indexed("Label_AutoBlock", 3), blockLabels[3], 4800, top + 680, 1000);
    m_AutoBlockLabel[4] = label(Indexed("Label_AutoBlock", 4), blockLabels[4], 4800, top + 1010, 1000);
    m_AutoBlockBehaviour = Named(new platform::OptionButtons(this), "Option_AutoBlockBehaviour");
    const char* options[] = {"Block the complete profile", "Block individual tags only"};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(options[i]), page);
        option->setObjectName(Indexed("Option_AutoBlockBehaviour", i));
        option->setGeometry(TwipRect(400 + 2800 * i, top + 1350, 2700, 300));
        m_AutoBlockOption[static_cast<std::size_t>(i)] = option;
        m_AutoBlockBehaviour->Add(option);
    }
    line(4, top + 1720);
    line(5, top + 1750);
    top += 1820;
    m_CheckSystems = check("Check_Systems", "Use this profile for specific SCADA systems");
    m_FrameSystems = Named(new QGroupBox(QStringLiteral("&System"), page), "Frame_Systems");
    m_FrameSystems->setGeometry(TwipRect(400, top + 350, 4500, 1600));
    m_Systems = Named(new platform::ListView(m_FrameSystems), "ListView_Systems");
    m_Systems->setHeaderHidden(true);
    m_Systems->SetCheckBoxes(true);
    m_Systems->setGeometry(TwipRect(120, 250, 4200, 1250));
}

void Component::buildPage3(QWidget* page) {
    m_FrameCalendar = Named(new QGroupBox(QStringLiteral("Global Calendar"), page), "Frame_Calendar");
    m_FrameCalendar->setGeometry(TwipRect(120, 120, 6000, 5600));
    auto button = [this](const QString& name, const QString& caption, QRect r) {
        auto* b = new QPushButton(caption, m_FrameCalendar);
        b->setObjectName(name);
        b->setGeometry(r);
        return b;
    };
    m_ChangeMonth[0] = button(Indexed("Command_Calendar_ChangeMonth", 0), QStringLiteral("<"), TwipRect(120, 280, 400, 330));
    m_CalendarMonth = Named(new QLineEdit(m_FrameCalendar), "Text_Calendar_Month");
    m_CalendarMonth->setReadOnly(true);
    m_CalendarMonth->setAlignment(Qt::AlignCenter);
    m_CalendarMonth->setGeometry(TwipRect(560, 280, 2400, 330));
    m_CalendarMonth->installEventFilter(this);
    m_ChangeMonth[1] = button(Indexed("Command_Calendar_ChangeMonth", 1), QStringLiteral(">"), TwipRect(3000, 280, 400, 330));
    m_ChangeEvent[0] = button(Indexed("Command_Calendar_ChangeEvent", 0), QStringLiteral("<<"), TwipRect(3600, 280, 500, 330));
    m_ChangeEvent[1] = button(Indexed("Command_Calendar_ChangeEvent", 1), QStringLiteral(">>"), TwipRect(4150, 280, 500, 330));
    m_CalendarPicture = Named(new platform::PaintSurfaceWidget(m_FrameCalendar), "Picture_Calendar");
    m_CalendarPicture->setImageStore(m_DayTypeIcons);
    m_CalendarPicture->setGeometry(120 / kTwipsPerPixel, 700 / kTwipsPerPixel, 385, 222);
    m_DayTypeCombo = Named(new platform::ImageCombo(m_FrameCalendar), "Combo_Calendar_DayType");
    m_DayTypeCombo->SetImageList(m_DayTypeIcons);
    m_DayTypeCombo->setGeometry(TwipRect(120, 4400, 3000, 330));
    m_CheckViewTimeAxis = Named(new platform::CheckBox(QStringLiteral("View time axis"), m_FrameCalendar),
                                "Check_Calendar_ViewTimeAxis");
    m_CheckViewTimeAxis->setGeometry(TwipRect(3300, 4420, 2500, 300));
    m_ImportSpecialDays =
        button(QStringLiteral("Command_Calendar_ImportSpecialDays"), QStringLiteral("Import holidays"), TwipRect(120, 4900, 2700, 360));
    m_RemoveAll = button(QStringLiteral("Command_Calendar_RemoveAll"), QStringLiteral("Restore all days to normal"),
                         TwipRect(2950, 4900, 2900, 360));
}

void Component::buildMenus() {
    m_SchedulePopup = Named(new platform::Menu(this), "Menu_TimeSchedulePopup");
    const auto scheduleEntry = [this](const QString& caption, const char* name) {
        return Named(m_SchedulePopup->AddItem(caption), name);
    };
    m_ScheduleCopy = scheduleEntry(QStringLiteral("K&opiera"), "Menu_TimeSchedulePopup_Copy");
    m_SchedulePaste = scheduleEntry(QStringLiteral("Kl&istra in"), "Menu_TimeSchedulePopup_Paste");
    m_ScheduleDelete = scheduleEntry(QStringLiteral("&Radera"), "Menu_TimeSchedulePopup_Delete");
    m_ScheduleAllDay = scheduleEntry(QStringLiteral("&Markera hela dagen"), "Menu_TimeSchedulePopup_AllDay");
    m_ScheduleInvert = scheduleEntry(QStringLiteral("&Invertera"), "Menu_TimeSchedulePopup_Invert");
    m_SchedulePopup->AddSeparator();
    m_ScheduleGrouped = scheduleEntry(QStringLiteral("&Grupperad"), "Menu_TimeSchedulePopup_Grouped");
    m_ScheduleGroupedMonFri =
        scheduleEntry(QString::fromUtf8("Gruppera &måndag-fredag"), "Menu_TimeSchedulePopup_Grouped_MonFri");
    for (platform::MenuItem* entry : {m_ScheduleGrouped, m_ScheduleGroupedMonFri}) entry->SetCheckable(true);
    m_SchedulePopup->AddSeparator();
    m_ActiveMenu =
        Named(new platform::MenuItemArray(m_SchedulePopup, QString(), this), "Menu_TimeSchedulePopup_Active");

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
}

void Component::connectHandlers() {
    m_Tree->SetImageList(m_TreeIcons);
    connect(m_Tree, &platform::TreeView::NodeClick, this, &Component::TreeView_Profiles_NodeClick);
    connect(m_Tree, &platform::TreeView::Collapse, this, &Component::TreeView_Profiles_Collapse);
    connect(m_Tree, &platform::TreeView::DblClick, this, &Component::TreeView_Profiles_DblClick);
    connect(m_Tree, &platform::TreeView::MouseDown, this, &Component::TreeView_Profiles_MouseDown);
    connect(m_Tree, &platform::TreeView::MouseMove, this, &Component::TreeView_Profiles_MouseMove);
    m_Tree->SetKeyDownHandler([this](int& key, int shift) { TreeView_Profiles_KeyDown(key, shift); });

    connect(m_AddProfile, &QPushButton::clicked, this, &Component::Command_AddProfile_Click);
    connect(m_AddChildProfile, &QPushButton::clicked, this, &Component::Command_AddChildProfile_Click);
    connect(m_CopyProfile, &QPushButton::clicked, this, &Component::Command_CopyProfile_Click);
    connect(m_RenameProfile, &QPushButton::clicked, this, &Component::Command_RenameProfile_Click);
    connect(m_RemoveProfile, &QPushButton::clicked, this, &Component::Command_RemoveProfile_Click);
    connect(m_Save, &QPushButton::clicked, this, &Component::Command_Save_Click);

    connect(m_CheckAutoBlock, &platform::CheckBox::Click, this, &Component::Check_AutoBlock_Click);
    connect(m_CheckExternalFile, &platform::CheckBox::Click, this, &Component::Check_ExternalFile_Click);
    connect(m_CheckExternalTag, &platform::CheckBox::Click, this, &Component::Check_ExternalTag_Click);
    connect(m_CheckSystems, &platform::CheckBox::Click, this, &Component::Check_Systems_Click);
    connect(m_CheckTimeSchedule, &platform::CheckBox::Click, this, &Component::Check_TimeSchedule_Click);
    connect(m_CheckCalendar, &platform::CheckBox::Click, this, &Component::Check_Calendar_Click);
    connect(m_CheckViewTimeAxis, &platform::CheckBox::Click, this, &Component::Check_Calendar_ViewTimeAxis_Click);
    connect(m_CheckViewDayType, &platform::CheckBox::Click, this, &Component::Check_TimeSchedule_ViewDayType_Click);
    connect(m_DayTypeCombo, &platform::ImageCombo::Click, this, &Component::Combo_Calendar_DayType_Click);
    m_DayTypeCombo->SetKeyPressHandler([this](int& key) { Combo_Calendar_DayType_KeyPress(key); });

    for (platform::ListView* list : {m_Parallel, m_Sequential}) {
        connect(list, &platform::ListView::MouseDown, this,
                [this, list](int button, int, int, int) { ListView_Receivers_MouseDown(list, button); });
        connect(list, &platform::ListView::ItemClick, this, [this, list](int) { ListView_Receivers_Click(list); });
    }
    connect(m_ReceiverPopup, &platform::Menu::AboutToShow, this, &Component::Menu_Profile_Receiver_Popup_Click);
    connect(m_ReceiverAddMenu, &platform::MenuItemArray::Clicked, this,
            &Component::Menu_Profile_Receiver_Popup_Add_Item_Click);
    connect(m_ReceiverPopupUp, &platform::MenuItem::Click, this, &Component::Menu_Profile_Receiver_Popup_Up_Click);
    connect(m_ReceiverPopupDown, &platform::MenuItem::Click, this, &Component::Menu_Profile_Receiver_Popup_Down_Click);
    connect(m_ReceiverPopupConfirm, &platform::MenuItem::Click, this,
            &Component::Menu_Profile_Receiver_Popup_Confirm_Click);
    connect(m_ReceiverPopupDelete, &platform::MenuItem::Click, this, &Component::Menu_Profile_Receiver_Popup_Delete_Click);

    m_Tab->SetBeforeClickHandler([this] { SSTab_Profile_BeforeClick(); });
    connect(m_Tab, &platform::TabStrip::Click, this, &Component::SSTab_Profile_Click);
    for (int i = 0; i < 2; ++i) {
        connect(m_ChangeMonth[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { Command_Calendar_ChangeMonth_Click(i); });
        connect(m_ChangeEvent[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { Command_Calendar_ChangeEvent_Click(i); });
    }
    connect(m_ImportSpecialDays, &QPushButton::clicked, this, &Component::Command_Calendar_ImportSpecialDays_Click);
    connect(m_RemoveAll, &QPushButton::clicked, this, &Component::Command_Calendar_RemoveAll_Click);
    connect(m_SchedulePopup, &platform::Menu::AboutToShow, this, &Component::Menu_TimeSchedulePopup_Open);
    connect(m_ActiveMenu, &platform::MenuItemArray::Clicked, this, &Component::Menu_TimeSchedulePopup_Active_Click);
    connectScheduleHandlers();
}

// UserControl_Initialize after the shell has read the connection settings.
void Component::OnInitialise() {
    // (The off-duty items were added with the widgets, before the shell applied the
    // cached texts.)
    m_Month = std::make_unique<CalendarMonth>(*this, State());
    setPageSchedule(std::make_shared<cTimeSchedule>());
    m_Systems->AddColumn(QString(), 4100);
    m_Tree->SetPathSeparator(QStringLiteral("@"));
    if (!State().SharedCalendar) State().SharedCalendar = std::make_shared<cCalendar>();
    const QDate today = QDate::currentDate();
    State().SharedCalendar->m_SelectedYear = static_cast<int16_t>(today.year());
    State().SharedCalendar->m_SelectedMonth = static_cast<int16_t>(today.month());
    for (QPushButton* b : {m_CopyProfile, m_RemoveProfile, m_AddChildProfile, m_RenameProfile}) b->setEnabled(false);
    // The dependent widgets follow their unticked boxes from the start.
    Check_AutoBlock_Click();
    Check_ExternalFile_Click();
    Check_ExternalTag_Click();
    Check_Systems_Click();
    Check_TimeSchedule_Click();
    ClearProfileEditor();
    for (platform::ListView* list : {m_Parallel, m_Sequential})
        list->SetColumnWidth(1, platform::PixelsToTwips(list->width()) - 100);
}

std::shared_ptr<cCalendar> Component::calendar() const { return State().SharedCalendar; }

// --- Captions -----------------------------------------------------------------------------

void Component::ApplyCaptions() {
    ClientState& s = State();
    auto text = [&s](int n) { return platform::ToQString(GetText(s, n)); };
    auto colon = [&](int n) { return text(n) + QLatin1Char(':'); };

    m_Frame0->setTitle(s.Area.empty() ? text(431)
                                      : text(431) + QLatin1Char('(') + platform::ToQString(s.Area) + QLatin1Char(')'));
    m_AddProfile->setText(text(s.ChildProfilesAllowed ? 439 : 432));
    m_RemoveProfile->setText(text(433));
    m_CopyProfile->setText(text(435));
    m_AddChildProfile->setText(text(438));
    m_RenameProfile->setText(text(956));
    m_FrameStates->setTitle(text(440));
    for (int i = 0; i < 3; ++i) m_AlarmState[static_cast<std::size_t>(i)]->setText(text(441 + i));
    m_CheckTimeSchedule->setText(text(444));
    m_CheckCalendar->setText(text(445));
    m_FrameReceivers->setTitle(text(449));
    m_FrameIncludeExclude->setTitle(text(450));
    for (int i = 0; i < 6; ++i) m_ConditionLabel[static_cast<std::size_t>(i)]->setText(colon(451 + i));
    if (s.ServerKind == 2) {
        const char* fixed[] = {"Name", nullptr, "Class", nullptr, "Event Text", "Event Code"};
        for (int i : {0, 2, 4, 5})
            m_ConditionLabel[static_cast<std::size_t>(i)]->setText(QString::fromLatin1(fixed[i]) + QLatin1Char(':'));
        // The rows move once: a second pass would move them again from their new places.
        if (!m_ServerKindLayoutDone) {
            const int textTops[] = {m_Condition[1]->y(), m_Condition[2]->y(), m_Condition[3]->y()};
            const int labelTops[] = {m_ConditionLabel[1]->y(), m_ConditionLabel[2]->y(), m_ConditionLabel[3]->y()};
            const int moved[] = {2, 4, 5};
            for (int k = 0; k < 3; ++k) {
                QLineEdit* t = m_Condition[static_cast<std::size_t>(moved[k])];
                QLabel* l = m_ConditionLabel[static_cast<std::size_t>(moved[k])];
                t->move(t->x(), textTops[k]);
                l->move(l->x(), labelTops[k]);
            }
            m_ServerKindLayoutDone = true;
        }
        for (int i : {1, 3}) {
            m_ConditionLabel[static_cast<std::size_t>(i)]->hide();
            m_Condition[static_cast<std::size_t>(i)]->hide();
        }
    }
    m_OffDutyLabel->setText(colon(957));
    m_OffDutyLabel->setVisible(m_MaxDaysToStoreAlarm > 0);
    m_OffDutyCombo->setVisible(m_MaxDaysToStoreAlarm > 0);
    for (int i = 1; i <= 5; ++i) m_OffDutyCombo->SetItemText(i, text(957 + i));
    m_FrameTimeSchedule->setTitle(text(460));
    m_ScheduleLabel->setText(colon(461));
    m_CheckViewDayType->setText(text(462));
    for (int i = 0; i < kTabCount; ++i) m_Tab->SetTabCaption(i, text(465 + i));
    m_FrameCalendar->setTitle(text(470));
    m_CheckViewTimeAxis->setText(text(471));
    m_ImportSpecialDays->setText(text(472));
    m_RemoveAll->setText(text(473));
    m_CheckExternalTag->setText(text(480));
    m_ExternalTagLabel->setText(colon(481));
    m_CheckIgnoreExternalTag->setText(text(482));
    m_CheckExternalFile->setText(text(483));
    m_ExternalFileLabel[0]->setText(colon(484));
    m_ExternalFileLabel[1]->setText(colon(485));
    m_CheckAutoBlock->setText(text(486));
    for (int i = 0; i < 3; ++i) m_AutoBlockLabel[static_cast<std::size_t>(i)]->setText(colon(487 + i));
    m_AutoBlockLabel[3]->setText(text(671));
    m_AutoBlockLabel[4]->setText(text(671));
    m_AutoBlockOption[0]->setText(text(493));
    m_AutoBlockOption[1]->setText(text(494));
    m_CheckSystems->setText(text(490));
    m_FrameSystems->setTitle(text(491));
    m_ReceiversLabel[0]->setText(colon(457));
    m_ReceiversLabel[1]->setText(colon(458));
    m_Save->setText(text(874));
    m_ReceiverPopupAdd->SetCaption(text(475));
    m_ReceiverPopupUp->SetCaption(text(476) + QLatin1Char('\t') + QStringLiteral("Shift+Up"));
    m_ReceiverPopupDown->SetCaption(text(477) + QLatin1Char('\t') + QStringLiteral("Shift+Down"));
    m_ReceiverPopupConfirm->SetCaption(text(478));
    m_ReceiverPopupDelete->SetCaption(text(479));
    m_ScheduleCopy->SetCaption(text(640));
    m_SchedulePaste->SetCaption(text(641));
    m_ScheduleDelete->SetCaption(text(642));
    m_ScheduleAllDay->SetCaption(text(643));
    m_ScheduleGrouped->SetCaption(text(644));
    m_ScheduleGroupedMonFri->SetCaption(text(645));
    m_ScheduleInvert->SetCaption(text(924));
}

// --- Server dialogue ----------------------------------------------------------------------

void Component::OnSettingsMessage() {
    ClientState& s = State();
    s.ChildProfilesAllowed = NumericValue(GetServerSetting(s, "General", "AllowChildProfiles", "0")) != 0;
    // Clamped to the 16-bit range, then to the nearest integer (halves to even).
    const double days = NumericValue(GetServerSetting(s, "General", "MaxDaysToStoreAlarm", "0"));
    m_MaxDaysToStoreAlarm = static_cast<int16_t>(RoundHalfEven(std::clamp(days, -32768.0, 32767.0)));
    m_AddChildProfile->setVisible(s.ChildProfilesAllowed);
    setDayTypeComboToOnlyFirst();
    // The texts are applied by the shell right after this; nothing below depends on them.
    try {
        const std::string stored = s.SettingsStore ? s.SettingsStore->Get(kApplication, kParameters, kLastScheduleTab, "0")
                                                   : std::string("0");
        const double tab = NumericValue(stored);
        if (tab >= 0 && tab < m_Tab->TabCount() && tab == std::floor(tab)) m_Tab->SetSelectedIndex(static_cast<int>(tab));
    } catch (...) {
    }
    // A stored index that no tab has leaves the selection as it is; its page is shown
    // all the same, or the connected editor would show no page at all.
    const int selected = m_Tab->SelectedIndex();
    if (selected >= 0 && selected < kTabCount) SSTab_Profile_Click(selected);
    m_Tab->show();
    UserControl_Resize();
}

void Component::setDayTypeComboToOnlyFirst() {
    m_ClickedDayTypeItem = 0; // the item clicked last is gone
    m_DayTypeCombo->ClearItems();
    m_DayTypeCombo->AddItem(platform::ToQString(GetText(State(), 610)));
    m_DayTypeCombo->SetSelectedItem(1);
}

void Component::OnShowConnectionState() {
    const bool connected = IsConnected();
    m_Frame0->setVisible(connected);
    m_Tab->setVisible(connected);
    m_Save->setVisible(connected);
    if (!connected) {
        for (QWidget* page : m_Pages) page->hide();
        // No answer comes on a closed connection.
        m_PendingSaves.clear();
    }
}

void Component::OnTimerExtra() {
    if (!m_SaveFeedbackPending) return;
    m_SaveFeedbackTime += kConnectIntervalMs;
    if (m_SaveFeedbackTime >= kSaveFeedbackMs) {
        m_Save->setText(platform::ToQString(GetText(State(), 874)));
        m_SaveFeedbackTime = 0;
        m_SaveFeedbackPending = false;
    }
}

void Component::HandleOwnMessage(int type, std::string_view, std::shared_ptr<cReceiver>& receiver,
                                  std::shared_ptr<cProfile>& profile) {
    switch (type) {
    case 141: handleSystemList(); break;
    case 170: handleCalendar(); break;
    case 180: handleCalendarSaved(); break;
    case 200: {
        m_PendingSaves.clear(); // the list replaced every record a save was awaited for
        const std::string stored = State().SettingsStore
                                       ? State().SettingsStore->Get(kApplication, kParameters, kLastSelectedProfile, "")
                                       : std::string();
        FillProfileTree(platform::ToQString(stored));
        break;
    }
    case 210: handleProfileSaved(profile); break;
    case 211: handleProfileDeleted(profile); break;
    case 220: handleProfileEnabled(profile); break;
    case 230: rebuildReceiverAddMenu(); break;
    case 240: receiverSavedInAddMenu(receiver); break;
    case 241: receiverRemovedFromAddMenu(receiver); break;
    default: break;
    }
}

void Component::handleSystemList() {
    m_Systems->ClearItems();
    m_Systems->SetSorted(false);
    m_Systems->hide();
    for (int n = 0; n < kSystemCount; ++n) {
        const Bytes& name = State().SystemNames[static_cast<std::size_t>(n)];
        if (!name.empty()) m_Systems->AddItem(QStringLiteral("K%1").arg(n), platform::ToQString(name));
    }
    m_Systems->SetSortKey(0);
    m_Systems->SetSortOrder(0);
    m_Systems->SetSorted(true);
    m_Systems->show();
}

void Component::handleCalendar() {
    const std::shared_ptr<cCalendar> cal = calendar();
    if (!cal) return;
    while (m_DayTypeCombo->ItemCount() >= 2) m_DayTypeCombo->RemoveItem(2);
    if (m_ClickedDayTypeItem >= 2) m_ClickedDayTypeItem = 0; // the item clicked last is gone
    if (m_DayTypeCombo->ItemCount() == 0) m_DayTypeCombo->AddItem(platform::ToQString(GetText(State(), 610)));
    for (int d = 0; d < kDayTypeCount; ++d)
        m_DayTypeCombo->AddItem(platform::ToQString(cal->GetDayTypeFullName(State(), d)), d >= 7 ? d - 6 : 0);
    while (m_ActiveMenu->Count() >= 2) m_ActiveMenu->Unload();
    for (int n = 0; n < 16; ++n) {
        if (n > 0) m_ActiveMenu->Load();
        m_ActiveMenu->SetCaption(n, platform::ToQString(cal->GetDayTypeFullName(State(), n + 7)));
    }
    RedrawCalendar();
}

void Component::handleCalendarSaved() {
    const std::shared_ptr<cCalendar> cal = calendar();
    if (!cal) return;
    for (int d = 7; d < kDayTypeCount; ++d)
        m_DayTypeCombo->SetItemText(d + 2, platform::ToQString(cal->GetDayTypeFullName(State(), d)));
    RedrawCalendar();
}

void Component::handleProfileSaved(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    const QString key = nodeKeyOf(profile->m_DiskIdentity);
    // The server's answer to a new profile: the record it names stands for the profile
    // saved with a temporary identity. Whether the decoder updated the local record (found
    // by name) or made a new one, the collection must not keep the temporary entry, or
    // the next Save would send the profile again as a new one.
    // Only an answer to this control's own save stands for a local record: another
    // operator's profile of the same name leaves the unsaved one here, with its node and
    // its edits, and the next Save sends it as new.
    const bool ownAnswer = takePendingSave(profile->GetName());
    const std::string keyBytes = UpperCase(platform::FromQString(key));
    std::vector<std::string> stale;
    for (const auto& entry : State().Profiles) {
        if (!entry.item) continue;
        const bool sameRecord = entry.item == profile;
        const bool standIn = ownAnswer && entry.item->m_DiskIdentity < 0 &&
                             EqualsIgnoreCase(entry.item->GetName(), profile->GetName());
        if ((!sameRecord && !standIn) || UpperCase(entry.key) == keyBytes) continue;
        stale.push_back(entry.key);
        if (m_CurrentProfile == entry.item) m_CurrentProfile = profile;
    }
    for (const std::string& k : stale) State().Profiles.Remove(k);

    if (!m_Tree->Exists(key)) {
        addProfileToTree(profile, ownAnswer);
    } else {
        m_Tree->SetImage(key, profile->m_Enabled ? 1 : 2);
        // A nested profile's node shows its own segment: the whole name would put the
        // parents' names into the node's path a second time.
        const Bytes shown = RemoveAreaFromName(State(), profile->GetName());
        m_Tree->SetText(key, platform::ToQString(State().ChildProfilesAllowed
                                                     ? GetField(shown, profile->m_NestingLevels, "@")
                                                     : shown));
    }
    const QString selected = m_Tree->SelectedKey();
    if (!selected.isEmpty() && selected.mid(1).toInt() == profile->m_DiskIdentity) {
        // The page shows the saved profile from now on, under its real key.
        if (m_CurrentNode.compare(selected, Qt::CaseInsensitive) == 0) m_CurrentProfile = profileOfNode(selected);
        ShowProfileInEditor();
    }
}

void Component::handleProfileDeleted(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    m_Tree->RemoveNode(nodeKeyOf(profile->m_DiskIdentity));
}

void Component::handleProfileEnabled(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    const QString key = nodeKeyOf(profile->m_DiskIdentity);
    if (m_Tree->Exists(key)) m_Tree->SetImage(key, profile->m_Enabled ? 1 : 2);
}

QString Component::nodeKeyOf(int32_t identity) const { return QStringLiteral("K%1").arg(identity); }

// --- Layout -------------------------------------------------------------------------------

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    UserControl_Resize();
}

void Component::UserControl_Resize() {
    try {
        const int W = width();
        const int H = height();
        const int tpp = kTwipsPerPixel;
        Label_Disconnected().Centre();
        m_Frame0->move(15, 10);
        m_Tab->move(m_Tab->x(), 10);
        if (H > 361) {
            m_Frame0->resize(m_Frame0->width(), H - 54);
            m_Save->move(m_Save->x(), H - 39);
            // Inside the panel, in twips.
            const int bottom = (m_Frame0->y() + m_Frame0->height()) * tpp;
            const int h = m_AddChildProfile->height() * tpp;
            int addTop = 0;
            int addHeight = 0;
            if (State().ChildProfilesAllowed) {
                addHeight = 29 * tpp;
                const int childTop = bottom - h - 250;
                m_AddChildProfile->move(m_AddChildProfile->x(), Px(childTop));
                addTop = childTop - addHeight - 100;
            } else {
                addHeight = 25 * tpp;
                addTop = bottom - h - 250;
            }
            for (QPushButton* b : {m_AddProfile, m_CopyProfile, m_RemoveProfile, m_RenameProfile})
                b->setGeometry(b->x(), Px(addTop), b->width(), Px(addHeight));
            m_AddChildProfile->resize(m_AddChildProfile->width(), h / tpp);
            m_Tree->resize(m_Tree->width(), std::max(0, Px(addTop - m_Tree->y() * tpp - 150)));
            m_Tab->resize(m_Tab->width(), H - m_Tab->y() - 75 / tpp);
            const int T = m_Tab->height() * tpp;
            m_FrameIncludeExclude->move(m_FrameIncludeExclude->x(), Px(T - 2505));
            m_FrameReceivers->resize(m_FrameReceivers->width(), std::max(0, Px(T - 2670)));
            const int listHeight = (m_FrameReceivers->height() * tpp - 825) / 2;
            for (platform::ListView* list : {m_Parallel, m_Sequential})
                list->resize(list->width(), std::max(0, Px(listHeight)));
            m_ReceiversLabel[1]->move(m_ReceiversLabel[1]->x(), Px(listHeight + 555));
            m_Sequential->move(m_Sequential->x(), Px(listHeight + 765));
            m_FrameSystems->resize(m_FrameSystems->width(), std::max(0, Px(T - 5000)));
            m_Systems->resize(m_Systems->width(), std::max(0, Px(T - 5420)));
        }
        if (W > 640) {
            const int panelWidth = (W - 640) / 2 + 209;
            m_Frame0->resize(panelWidth, m_Frame0->height());
            m_Tab->setGeometry(panelWidth + 15, m_Tab->y(), (W - 640) / 2 + 407, m_Tab->height());
            m_Tree->resize(std::max(0, Px(panelWidth * tpp - 270)), m_Tree->height());
            // The row of buttons shares the tree's width.
            const int gap = 3;
            const int each = std::max(30, (m_Tree->width() - 3 * gap) / 4);
            int left = m_Tree->x();
            for (QPushButton* b : {m_AddProfile, m_CopyProfile, m_RemoveProfile, m_RenameProfile}) {
                b->setGeometry(left, b->y(), each, b->height());
                left += each + gap;
            }
            m_AddChildProfile->setGeometry(m_Tree->x(), m_AddChildProfile->y(), 2 * each + gap, m_AddChildProfile->height());
            const int S = m_Tab->width() * tpp;
            m_FrameReceivers->resize(std::max(0, Px(S - 3090)), m_FrameReceivers->height());
            const int listWidth = m_FrameReceivers->width() * tpp - 240;
            for (platform::ListView* list : {m_Parallel, m_Sequential}) {
                list->resize(std::max(0, Px(listWidth)), list->height());
                list->SetColumnWidth(1, listWidth - 200);
            }
            m_FrameStates->move(Px(S - 2835), m_FrameStates->y());
            m_FrameSchedule->move(Px(S - 2835), m_FrameSchedule->y());
            m_FrameSchedule->resize(m_FrameSchedule->width(),
                                    std::max(0, m_FrameReceivers->y() + m_FrameReceivers->height() - m_FrameSchedule->y()));
            for (QFrame* line : m_LineDelimiter) line->resize(std::max(0, Px(S - 105) - line->x()), line->height());
            for (QLineEdit* e : {m_ExternalTag, m_ExternalFile, m_ExternalFileText})
                e->resize(std::max(0, Px(S - 2130)), e->height());
        }
        const int selected = m_Tab->SelectedIndex();
        if (selected >= 0 && selected < kTabCount)
            m_Pages[static_cast<std::size_t>(selected)]->setGeometry(m_Tab->x() + 1, m_Tab->y() + 1, m_Tab->width() - 2,
                                                                     std::max(0, m_Tab->height() - 30));
        m_Save->move(m_Frame0->x() + (m_Frame0->width() - m_Save->width()) / 2, m_Save->y());
        for (QWidget* page : m_Pages) page->raise();
    } catch (...) {
    }
}

} // namespace korvel::profiles
