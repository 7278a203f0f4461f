#include "platform/dialogservice.h"

#include "platform/plaintext.h"
#include "platform/popuplist.h"
#include "platform/popupmenu.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace korvel::platform {
namespace {

std::unique_ptr<IDialogService>& Slot() {
    static std::unique_ptr<IDialogService> service;
    return service;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQtButton(MessageResult result) {
    switch (result) {
    case MessageResult::Ok: return QMessageBox::Ok;
    case MessageResult::Cancel: return QMessageBox::Cancel;
    case MessageResult::Abort: return QMessageBox::Abort;
    case MessageResult::Retry: return QMessageBox::Retry;
    case MessageResult::Ignore: return QMessageBox::Ignore;
    case MessageResult::Yes: return QMessageBox::Yes;
    case MessageResult::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

std::optional<MessageResult> FromQtButton(int button) {
    switch (button) {
    case QMessageBox::Ok: return MessageResult::Ok;
    case QMessageBox::Cancel: return MessageResult::Cancel;
    case QMessageBox::Abort: return MessageResult::Abort;
    case QMessageBox::Retry: return MessageResult::Retry;
    case QMessageBox::Ignore: return MessageResult::Ignore;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    default: return std::nullopt;
    }
}

QString PlainLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// A text whose lines are laid out with tabs (a usage text, a table) shown so its columns
// line up in any font: each line with a tab is a row, its text up to the first tab the
// first cell and the rest the second; every other line spans both.
QString TabularHtml(const QString& text) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    for (const QString& line : PlainLineBreaks(text).split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            const QString cell = line.trimmed().isEmpty() ? QStringLiteral("&nbsp;") : line.toHtmlEscaped();
            html += QStringLiteral("<tr><td colspan=\"2\">") + cell + QStringLiteral("</td></tr>");
        } else {
            html += QStringLiteral("<tr><td width=\"1%\" style=\"white-space:nowrap; padding-right:12px\">") +
                    line.left(tab).trimmed().toHtmlEscaped() + QStringLiteral("</td><td>") +
                    line.mid(tab + 1).toHtmlEscaped() + QStringLiteral("</td></tr>");
        }
    }
    return html + QStringLiteral("</table>");
}

QWidget* OwnerOr(QWidget* parent) {
    return parent ? parent : QApplication::activeWindow();
}

// Whether the key names the object: its object name, or its class or one it derives from.
bool Names(const QString& key, const QString& name, const QMetaObject* type) {
    if (key.isEmpty()) return false;
    if (key == name) return true;
    for (const QMetaObject* meta = type; meta; meta = meta->superClass())
        if (key == QLatin1String(meta->className())) return true;
    return false;
}

// Shows a window as exec() does before its loop (modal, result cleared, not deleted on
// close meanwhile) and, when it goes, ends it as exec() does after its loop.
class ShownModal final {
public:
    explicit ShownModal(QDialog& window)
        : m_Window(window),
          m_DeleteOnClose(window.testAttribute(Qt::WA_DeleteOnClose)),
          m_WasShowModal(window.testAttribute(Qt::WA_ShowModal)) {
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.setAttribute(Qt::WA_ShowModal, true);
        window.setResult(0);
        window.show();
    }
    // Closes the window as by its close box when it is still open; one that refuses to
    // close is ended as rejected, so nothing waits on it.
    int Close() {
        if (m_Window.isVisible()) m_Window.close();
        if (m_Window.isVisible()) m_Window.done(QDialog::Rejected);
        return m_Window.result();
    }
    ~ShownModal() {
        Close();
        if (!m_WasShowModal) m_Window.setAttribute(Qt::WA_ShowModal, false);
        if (m_DeleteOnClose) delete &m_Window;
    }
    ShownModal(const ShownModal&) = delete;
    ShownModal& operator=(const ShownModal&) = delete;

private:
    QDialog& m_Window;
    bool m_DeleteOnClose;
    bool m_WasShowModal;
};

} // namespace

IDialogService& Dialogs() {
    auto& slot = Slot();
    if (!slot) slot = std::make_unique<QtDialogService>();
    return *slot;
}

std::unique_ptr<IDialogService> InstallDialogService(std::unique_ptr<IDialogService> service) {
    auto previous = std::move(Slot());
    Slot() = std::move(service);
    return previous;
}

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, QWidget* parent) {
    return Dialogs().Message(MessageRequest{text, title, icon, buttons}, parent);
}

std::optional<QString> AskText(const QString& prompt, const QString& title,
                               const QString& defaultText, QWidget* parent) {
    return Dialogs().Input(InputRequest{prompt, title, defaultText}, parent);
}

int RunModal(QDialog& window) { return Dialogs().Run(window); }

MessageResult CloseResult(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok: return MessageResult::Ok;
    case MessageButtons::YesNo: return MessageResult::No;
    case MessageButtons::AbortRetryIgnore: return MessageResult::Abort;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetryCancel: return MessageResult::Cancel;
    }
    return MessageResult::Cancel;
}

MessageResult QtDialogService::Message(const MessageRequest& request, QWidget* parent) {
    InstallPlainTextRule();
    const bool tabular = request.text.contains(QLatin1Char('\t'));
    QMessageBox box(ToQtIcon(request.icon), request.title,
                    tabular ? TabularHtml(request.text) : PlainLineBreaks(request.text),
                    ToQtButtons(request.buttons), OwnerOr(parent));
    box.setTextFormat(tabular ? Qt::RichText : Qt::PlainText);
    // The table is markup built here around escaped text; every other box is plain.
    if (tabular) AllowBuiltMarkup(box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")));
    box.setEscapeButton(ToQtButton(CloseResult(request.buttons)));
    const int chosen = box.exec();
    return FromQtButton(chosen).value_or(CloseResult(request.buttons));
}

std::optional<QString> QtDialogService::Input(const InputRequest& request, QWidget* parent) {
    InstallPlainTextRule(); // the prompt is a label: plain text
    bool ok = false;
    QString text = QInputDialog::getText(OwnerOr(parent), request.title,
                                         PlainLineBreaks(request.prompt), QLineEdit::Normal,
                                         request.defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

int QtDialogService::Run(QDialog& window) { return window.exec(); }

void QtDialogService::Popup(Menu& menu, const QPoint& globalPosition) { PopupList::Open(&menu, globalPosition); }

MessageResult ScriptedDialogService::Message(const MessageRequest& request, QWidget*) {
    m_Messages.push_back(request);
    if (m_WhileOpen) m_WhileOpen(request);
    if (m_Answers.empty()) return CloseResult(request.buttons);
    MessageResult answer = m_Answers.front();
    m_Answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogService::Input(const InputRequest& request, QWidget*) {
    m_Inputs.push_back(request);
    if (m_Texts.empty()) return std::nullopt;
    const bool typed = m_Texts.front().has_value();
    const QString text = typed ? *m_Texts.front() : QString();
    m_Texts.pop_front();
    if (!typed) return std::nullopt;
    return text;
}

int ScriptedDialogService::Run(QDialog& window) {
    int result = QDialog::Rejected;
    {
        ShownModal shown(window);
        m_Windows.push_back(ShownWindow{window.objectName(), window.windowTitle(), window.metaObject(), false});
        if (auto script = take(window)) {
            m_Windows.back().scripted = true;
            script(window);
        }
        result = shown.Close();
    }
    return result;
}

void ScriptedDialogService::Popup(Menu& menu, const QPoint& globalPosition) {
    m_Windows.push_back(ShownWindow{menu.objectName(), QString(), menu.metaObject(), false});
    auto script = take(menu);
    if (!script && m_RealMenus) {
        PopupList::Open(&menu, globalPosition);
        return;
    }
    emit menu.AboutToShow();
    if (script) {
        m_Windows.back().scripted = true;
        script(menu);
    }
}

void ScriptedDialogService::OnWindow(const QString& key, WindowScript script) {
    queue(key, &QWidget::staticMetaObject,
          [script = std::move(script)](QObject& shown) { script(*static_cast<QWidget*>(&shown)); });
}

void ScriptedDialogService::OnMenu(const QString& name, MenuScript script) {
    queue(name, &Menu::staticMetaObject,
          [script = std::move(script)](QObject& shown) { script(*static_cast<Menu*>(&shown)); });
}

void ScriptedDialogService::queue(QString key, const QMetaObject* kind, std::function<void(QObject&)> run) {
    m_Scripts.push_back(Script{std::move(key), kind, std::move(run)});
}

std::function<void(QObject&)> ScriptedDialogService::take(const QObject& shown) {
    for (auto it = m_Scripts.begin(); it != m_Scripts.end(); ++it) {
        if (!shown.metaObject()->inherits(it->kind)) continue;
        if (!it->key.isEmpty() && !Names(it->key, shown.objectName(), shown.metaObject())) continue;
        auto run = std::move(it->run);
        m_Scripts.erase(it);
        return run;
    }
    return {};
}

int ScriptedDialogService::Shown(const QString& key) const {
    int count = 0;
    for (const ShownWindow& window : m_Windows)
        if (Names(key, window.name, window.type)) ++count;
    return count;
}

void ScriptedDialogService::Clear() {
    m_Answers.clear();
    m_Texts.clear();
    m_Messages.clear();
    m_Inputs.clear();
    m_Scripts.clear();
    m_Windows.clear();
}

ScopedScriptedDialogs::ScopedScriptedDialogs() {
    auto service = std::make_unique<ScriptedDialogService>();
    m_Service = service.get();
    m_Previous = InstallDialogService(std::move(service));
}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { InstallDialogService(std::move(m_Previous)); }

} // namespace korvel::platform
