#pragma once
// A tab strip with its tabs along the bottom edge: tabs can be hidden and shown one by
// one, and a hook runs before the selection changes by the user's hand. The pages are
// the caller's own widgets; the strip only reports which tab is selected.
//
// Click(index) follows a selection change by the user; selecting by program raises
// nothing. Indexes are 0-based; a hidden tab cannot be selected by the user.

#include <QWidget>

#include <functional>

class QTabBar;

namespace korvel::platform {

class TabStrip final : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    int AddTab(const QString& caption);
    int TabCount() const;
    QString TabCaption(int index) const;
    void SetTabCaption(int index, const QString& caption);
    bool TabVisible(int index) const;
    void SetTabVisible(int index, bool visible);
    int SelectedIndex() const { return m_Selected; }
    // False (nothing changes) for an index that no tab has.
    bool SetSelectedIndex(int index);
    // Height of the row of tabs, in pixels.
    int TabRowHeight() const;

    // Runs before a selection change by the user.
    void SetBeforeClickHandler(std::function<void()> handler) { m_BeforeClick = std::move(handler); }

signals:
    void Click(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onCurrentChanged(int index);
    void placeBar();

    QTabBar* m_Bar;
    int m_Selected = -1;
    bool m_ProgramChange = false;
    std::function<void()> m_BeforeClick;
};

} // namespace korvel::platform
