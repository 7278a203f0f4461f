#pragma once
// The connection status label of a control: sized to its text and kept centred in its
// parent, also when the parent is resized or the text changes.

#include <QLabel>

namespace korvel::platform {

class StatusLabel final : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent);
    // Sets the text, fits the label to it and centres it again.
    void SetText(const QString& text);
    // left = (inner width - width) / 2, top = (inner height - height) / 2.
    void Centre();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace korvel::platform
