#pragma once
// The selection window: shown at start-up when the command line and the stored
// parameters make no valid set. The operator chooses the control and, unless options
// are disabled, edits the server address, port, area and password. It edits the
// start-up parameters in place.

#include "container/commandline.h"
#include "core/settingsstore.h"

#include <QDialog>
#include <QString>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvel::container {

// The native name of the user's language ("svenska", "English", ...), or "".
QString LocaleLanguageName();

class SelectionWindow final : public QDialog {
    Q_OBJECT
public:
    // Loads the window: keep-on-top when asked, the captions of the language named
    // (normally LocaleLanguageName()), and the first layout.
    SelectionWindow(StartupParameters& parameters, ISettingsStore& store,
                    const QString& languageName = LocaleLanguageName(), QWidget* parent = nullptr);

    // Fills the window from the parameters before it is shown.
    void Prepare();

    // The widgets, by their design names, for tests and for the layout.
    QGroupBox* Frame(int index) const { return m_Frame[static_cast<std::size_t>(index)]; }
    QRadioButton* Option_Component(int index) const {
        return m_Option_Component[static_cast<std::size_t>(index)];
    }
    QLineEdit* Text_ServerAddress() const { return m_Text_ServerAddress; }
    QLineEdit* Text_ServerPort() const { return m_Text_ServerPort; }
    QLineEdit* Text_Area() const { return m_Text_Area; }
    QLineEdit* Text_Password() const { return m_Text_Password; }
    QCheckBox* Check_DisableOptions() const { return m_Check_DisableOptions; }
    QPushButton* Command_Options() const { return m_Command_Options; }
    QPushButton* Command_Ok() const { return m_Command_Ok; }
    QPushButton* Command_Cancel() const { return m_Command_Cancel; }
    int FullHeight() const { return m_FullHeight; }

public slots:
    void reject() override; // Cancel, Escape and the close box

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplySwedishCaptions();
    void DoLayout();
    void UpdateOk();
    void OnOk();

    StartupParameters& m_Parameters;
    ISettingsStore& m_Store;
    std::array<QGroupBox*, 2> m_Frame{};
    std::array<QRadioButton*, 6> m_Option_Component{};
    std::array<QLabel*, 4> m_Label{};
    QLineEdit* m_Text_ServerAddress = nullptr;
    QLineEdit* m_Text_ServerPort = nullptr;
    QLineEdit* m_Text_Area = nullptr;
    QLineEdit* m_Text_Password = nullptr;
    QCheckBox* m_Check_DisableOptions = nullptr;
    QPushButton* m_Command_Options = nullptr;
    QPushButton* m_Command_Ok = nullptr;
    QPushButton* m_Command_Cancel = nullptr;
    int m_FullHeight = 0;
    bool m_InLayout = false;
};

} // namespace korvel::container
