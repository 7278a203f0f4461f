#pragma once
// A status bar of numbered panels (1-based) along the bottom of a control. Each panel has
// a text, an enabled state and a bevel (0 none, 1 inset, 2 raised); a panel may act as a
// button: PanelClick reports a left click on any panel, enabled or not, and Space or
// Enter on a panel that has the keyboard focus. Nothing the program does raises an event.

#include <QString>
#include <QWidget>

#include <vector>

class QHBoxLayout;

namespace korvel::textmessage {

class StatusPanel;

class StatusBar final : public QWidget {
    Q_OBJECT
public:
    enum Bevel { NoBevel = 0, Inset = 1, Raised = 2 };

    explicit StatusBar(int panels, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(m_Panels.size()); }
    // Outside 1..PanelCount() the getters give ""/false/0 and the setters do nothing.
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    bool PanelEnabled(int panel) const;
    void SetPanelEnabled(int panel, bool enabled);
    int PanelBevel(int panel) const;
    void SetPanelBevel(int panel, int bevel);
    // A panel that stretches over the room the others leave (default: none).
    void SetSpringPanel(int panel);
    // The narrowest a panel is drawn, in twips (default: as narrow as its text), so an
    // empty panel still reads as one.
    void SetPanelMinimumWidth(int panel, int twips);
    // A panel that acts as a button: it takes the keyboard focus and shows a hand pointer
    // while enabled.
    void SetButtonPanel(int panel);

signals:
    void PanelClick(int panel);

private:
    StatusPanel* panel(int number) const;

    QHBoxLayout* m_Layout;
    std::vector<StatusPanel*> m_Panels;
};

} // namespace korvel::textmessage
