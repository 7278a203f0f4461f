#pragma once
// The system log viewer: a read-only window on the alarm server's system log. It asks
// for the log so far (144) and for every new line (165, then 166 per line) and shows
// the lines in one list, oldest first, newest at the bottom and selected, at most 501.

#include "shell/component.h"

#include <QString>

#include <deque>
#include <string_view>

namespace korvel::platform {
class ListBox;
}

namespace korvel::syslog {

class Component final : public shell::Component {
    Q_OBJECT
public:
    // The list keeps at most this many lines after any addition.
    static constexpr int kMaxLines = 501;

    static shell::ControlDescription MakeDescription();

    // The list of lines is the child widget "List_SysLog" (a platform::ListBox).
    explicit Component(ClientState& state, QWidget* parent = nullptr);

protected:
    void OnInitialise() override;
    void HandleOwnMessage(int type, std::string_view body, std::shared_ptr<cReceiver>& receiver,
                          std::shared_ptr<cProfile>& profile) override;
    void OnReadHandled() override;
    void OnTimerExtra() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void handleLog(std::string_view body);     // 144
    void handleLogLine(std::string_view body); // 166
    // Adds the lines of the read to the list in one step and selects the last line.
    void addPendingLines();

    platform::ListBox* m_List;
    // Lines of 166 messages of the current read, not yet in the list (at most 501: older
    // ones would be removed again by the newer ones).
    std::deque<QString> m_PendingLines;
    bool m_WasConnected = false;
};

} // namespace korvel::syslog
