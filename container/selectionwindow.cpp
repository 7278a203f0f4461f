#include "container/selectionwindow.h"

#include "platform/dialogservice.h"
#include "platform/qtext.h"
#include "platform/windowhelpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace korvel::container {
namespace {

// Design distances in twips, as pixels.
constexpr int Px(int twips) { return (twips + platform::kTwipsPerPixel / 2) / platform::kTwipsPerPixel; }
constexpr int kMargin = Px(120);
constexpr int kWidth = 360;

QString Latin1(const char* text) { return QString::fromLatin1(text); }

} // namespace

QString LocaleLanguageName() { return QLocale().nativeLanguageName(); }

SelectionWindow::SelectionWindow(StartupParameters& parameters, ISettingsStore& store,
                                 const QString& languageName, QWidget* parent)
    : QDialog(parent), m_Parameters(parameters), m_Store(store) {
    setObjectName(QStringLiteral("KorvelContainer_Select"));
    setWindowTitle(QStringLiteral("Korvel Remote Admin"));

    m_Frame[0] = new QGroupBox(QStringLiteral("&Select component to view"), this);
    static const char* const options[] = {"Send &message",           "Edit &receivers",
                                          "Edit &profiles",          "Select &active profiles",
                                          "&Alarm events",           "&System log"};
    auto* componentLayout = new QVBoxLayout(m_Frame[0]);
    for (int i = 0; i < 6; ++i) {
        auto* option = new QRadioButton(Latin1(options[i]), m_Frame[0]);
        option->setObjectName(QStringLiteral("Option_Component_%1").arg(i));
        componentLayout->addWidget(option);
        m_Option_Component[static_cast<std::size_t>(i)] = option;
        connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (!checked) return;
            m_Parameters.SelectedComponent = static_cast<int16_t>(i + 1);
            UpdateOk();
        });
    }

    m_Frame[1] = new QGroupBox(QStringLiteral("&Component properties"), this);
    auto* grid = new QGridLayout(m_Frame[1]);
    static const char* const labels[] = {"ServerAddress:", "ServerPort:", "Area:", "Password:"};
    std::string* fields[] = {&m_Parameters.ServerAddress, &m_Parameters.ServerPort,
                             &m_Parameters.Area, &m_Parameters.Password};
    QLineEdit** edits[] = {&m_Text_ServerAddress, &m_Text_ServerPort, &m_Text_Area, &m_Text_Password};
    for (int i = 0; i < 4; ++i) {
        m_Label[static_cast<std::size_t>(i)] = new QLabel(Latin1(labels[i]), m_Frame[1]);
        auto* edit = new QLineEdit(m_Frame[1]);
        *edits[i] = edit;
        grid->addWidget(m_Label[static_cast<std::size_t>(i)], i, 0);
        grid->addWidget(edit, i, 1);
        std::string* field = fields[i];
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            *field = platform::FromQString(text);
            UpdateOk();
        });
    }
    m_Text_Password->setEchoMode(QLineEdit::Password);
    m_Check_DisableOptions = new QCheckBox(QStringLiteral("Disable future option changes"), m_Frame[1]);
    grid->addWidget(m_Check_DisableOptions, 4, 0, 1, 2);

    m_Command_Options = new QPushButton(QStringLiteral("<<< Options"), this);
    m_Command_Ok = new QPushButton(QStringLiteral("Ok"), this);
    m_Command_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_Command_Ok->setDefault(true);
    connect(m_Command_Options, &QPushButton::clicked, this, [this] {
        m_Frame[1]->setVisible(m_Frame[1]->isHidden());
        DoLayout();
    });
    connect(m_Command_Ok, &QPushButton::clicked, this, &SelectionWindow::OnOk);
    connect(m_Command_Cancel, &QPushButton::clicked, this, &SelectionWindow::reject);

    // Design geometry: the component frame, the properties frame 50 twips below it, and
    // the buttons 100 twips below the properties frame.
    const int inner = kWidth - 2 * kMargin;
    m_Frame[0]->setGeometry(kMargin, kMargin, inner, m_Frame[0]->sizeHint().height());
    m_Frame[1]->setGeometry(kMargin, m_Frame[0]->geometry().bottom() + 1 + Px(50), inner,
                            m_Frame[1]->sizeHint().height());
    const int buttonHeight = m_Command_Ok->sizeHint().height();
    const int buttonWidth = std::max(m_Command_Options->sizeHint().width(), 90);
    m_Command_Options->setGeometry(kMargin, 0, buttonWidth, buttonHeight);
    m_Command_Cancel->setGeometry(kWidth - kMargin - 90, 0, 90, buttonHeight);
    m_Command_Ok->setGeometry(kWidth - kMargin - 2 * 90 - Px(100), 0, 90, buttonHeight);
    resize(kWidth, m_Frame[1]->geometry().bottom() + 1 + Px(100) + buttonHeight + kMargin);

    // Loading.
    if (m_Parameters.TopMost) platform::SetFormTopMost(this, true);
    if (languageName.toUpper() == QStringLiteral("SVENSKA")) ApplySwedishCaptions();
    DoLayout();
}

void SelectionWindow::ApplySwedishCaptions() {
    m_Frame[0]->setTitle(QStringLiteral("&Välj komponent"));
    static const char16_t* const options[] = {u"Sänd &textmeddelande",     u"Redigera &mottagare",
                                              u"Redigera &profiler",       u"Redigera &aktiva profiler",
                                              u"Visa &Larmhändelser",      u"Visa &Systemlogg"};
    for (std::size_t i = 0; i < 6; ++i) m_Option_Component[i]->setText(QString::fromUtf16(options[i]));
    m_Frame[1]->setTitle(QStringLiteral("&Inställningar"));
    m_Command_Cancel->setText(QStringLiteral("Avbryt"));
}

void SelectionWindow::Prepare() {
    if (m_Parameters.SelectedComponent >= 1 && m_Parameters.SelectedComponent <= 6)
        m_Option_Component[static_cast<std::size_t>(m_Parameters.SelectedComponent - 1)]->setChecked(true);
    // Copies first: each field's change handler writes its parameter back.
    const StartupParameters given = m_Parameters;
    m_Text_ServerAddress->setText(platform::ToQString(given.ServerAddress));
    m_Text_ServerPort->setText(platform::ToQString(given.ServerPort));
    m_Text_Area->setText(platform::ToQString(given.Area));
    m_Text_Password->setText(platform::ToQString(given.Password));
    if (ParametersValid(m_Parameters) || m_Parameters.DisableOptions) {
        m_Frame[1]->hide();
        m_Command_Options->setVisible(!m_Parameters.DisableOptions);
    }
    UpdateOk();
    DoLayout();
}

void SelectionWindow::DoLayout() {
    if (m_InLayout) return;
    m_InLayout = true;
    if (m_FullHeight == 0) m_FullHeight = height();
    int cancelTop = 0;
    int windowHeight = m_FullHeight;
    if (!m_Frame[1]->isHidden()) {
        m_Command_Options->setText(QStringLiteral("<<< Options"));
        cancelTop = m_Frame[1]->geometry().bottom() + 1 + Px(100);
    } else {
        m_Command_Options->setText(QStringLiteral("Options >>>"));
        cancelTop = m_Frame[0]->geometry().bottom() + 1 + Px(100);
        windowHeight = m_FullHeight - m_Frame[1]->height() - Px(50);
    }
    for (QPushButton* button : {m_Command_Cancel, m_Command_Ok, m_Command_Options})
        button->move(button->x(), cancelTop);
    setFixedSize(kWidth, windowHeight);
    m_InLayout = false;
}

void SelectionWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!isMinimized()) DoLayout();
}

void SelectionWindow::UpdateOk() { m_Command_Ok->setEnabled(ParametersValid(m_Parameters)); }

void SelectionWindow::OnOk() {
    if (m_Check_DisableOptions->isChecked()) {
        const auto answer = platform::ShowMessage(
            QStringLiteral("You must run KorvelContainer with startparameter /CleanUp to enable "
                           "Options button again.\r\n\r\nDo you wish to continue?"),
            QStringLiteral("Korvel Container"), platform::MessageIcon::Question,
            platform::MessageButtons::YesNo, this);
        if (answer == platform::MessageResult::Yes)
            m_Store.Save(kApplication, kSection, "DisableOptions", "1");
    }
    accept();
}

void SelectionWindow::reject() {
    m_Parameters.SelectedComponent = -1;
    QDialog::reject();
}

} // namespace korvel::container
