#pragma once
// The alarm event viewer: a read-only window on the server's current alarms. It asks
// for the whole list once (143), subscribes to live updates (160, then 161 per change)
// and shows the alarms as a tree; a double-click opens the alarm details window.

#include "shell/component.h"

// moc cannot read the standard library's concepts that <functional> brings in.
#ifndef Q_MOC_RUN
#include "controls/events/alarminfowindow.h"
#endif
#include <string_view>

namespace korvel::events {

class EventTree;

class Component final : public shell::Component {
    Q_OBJECT
public:
    static shell::ControlDescription MakeDescription();

    // The alarm tree is the child widget "TreeView_Event" (an EventTree); a double-click
    // on an alarm opens the details window (an AlarmInfoWindow, modal).
    explicit Component(ClientState& state, QWidget* parent = nullptr);

protected:
    void OnInitialise() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnReadHandled() override;
    void OnTimerExtra() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the details window of an alarm reads, as of now.
    AlarmInfoSources DetailsSources() const;
    // Opens the details window of an alarm record: modal, until it closes.
    void OpenAlarmDetails(const Bytes& record);

    EventTree* m_Tree;
    bool m_WasConnected = false;
    bool m_SortDescending = false;
    Bytes m_DateFormat;
    Bytes m_TimeFormat;
};

} // namespace korvel::events
