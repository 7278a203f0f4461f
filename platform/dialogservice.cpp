#include "platform/dialogservice.h"

#include "platform/plaintext.h"

#include <QApplication>
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

void ScriptedDialogService::Clear() {
    m_Answers.clear();
    m_Texts.clear();
    m_Messages.clear();
    m_Inputs.clear();
}

ScopedScriptedDialogs::ScopedScriptedDialogs() {
    auto service = std::make_unique<ScriptedDialogService>();
    m_Service = service.get();
    m_Previous = InstallDialogService(std::move(service));
}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { InstallDialogService(std::move(m_Previous)); }

} // namespace korvel::platform
