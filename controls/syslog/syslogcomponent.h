#pragma once
// The system log viewer: a read-only window on the alarm server's system log. It asks
// for the log so far (144) and for every new line (165, then 166 per line) and shows
// the lines in one list, oldest first, newest at the bottom and selected, at most 501.

#include "shell/component.h"

#include <QString>

#include <cstddef>
#include <string_view>
#include <vector>

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
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnReadHandled() override;
    void OnTimerExtra() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The newest lines of a batch, as the bytes they came in, at most kMaxLines: older
    // ones would be removed again by the newer ones, so they are never made into texts.
    // The slots keep their room, so once they are warm a line costs a copy.
    class NewestLines {
    public:
        void Push(std::string_view line);
        void Clear() { m_First = m_Count = 0; }
        bool Empty() const { return m_Count == 0; }
        std::size_t Size() const { return m_Count; }
        const Bytes& At(std::size_t i) const { return m_Slots[(m_First + i) % m_Slots.size()]; }

    private:
        std::vector<Bytes> m_Slots;
        std::size_t m_First = 0; // the oldest line kept
        std::size_t m_Count = 0;
    };

    void handleLog(std::string_view body);     // MsgSysLogList
    void handleLogLine(std::string_view body); // MsgSysLogLine
    // Adds the lines of the read to the list in one step and selects the last line.
    void addPendingLines();

    platform::ListBox* m_List;
    // Lines of MsgSysLogLine messages handled since the list last took them.
    NewestLines m_PendingLines;
    bool m_WasConnected = false;
};

} // namespace korvel::syslog
