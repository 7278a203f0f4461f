#pragma once
// Every modal box of the program goes through one dialog service: message boxes with
// an icon and a set of buttons, and a one-line text input box. The default service
// shows Qt's QMessageBox / QInputDialog; tests install a ScriptedDialogService that
// answers from a queue and records each request, so no test ever waits on a modal box.

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace korvel::platform {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageResult { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageRequest {
    QString text; // line breaks may be CR LF
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct InputRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

class IDialogService {
public:
    virtual ~IDialogService() = default;
    // The button the user chose. Closing the box counts as its Cancel (or No, or Ok
    // when it has only one button).
    virtual MessageResult Message(const MessageRequest& request, QWidget* parent) = 0;
    // The text typed, or nothing when the user cancelled.
    virtual std::optional<QString> Input(const InputRequest& request, QWidget* parent) = 0;
};

// The process-wide service (the Qt one unless another was installed).
IDialogService& Dialogs();
// Installs a service; returns the one it replaces. Passing nullptr restores the Qt one.
std::unique_ptr<IDialogService> InstallDialogService(std::unique_ptr<IDialogService> service);

// Shorthands on Dialogs().
MessageResult ShowMessage(const QString& text, const QString& title,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok, QWidget* parent = nullptr);
std::optional<QString> AskText(const QString& prompt, const QString& title,
                               const QString& defaultText = {}, QWidget* parent = nullptr);

// The result given by closing a box with these buttons (Escape or the close box).
MessageResult CloseResult(MessageButtons buttons);

class QtDialogService final : public IDialogService {
public:
    MessageResult Message(const MessageRequest& request, QWidget* parent) override;
    std::optional<QString> Input(const InputRequest& request, QWidget* parent) override;
};

// Answers from queues and records every request. A message box with no queued answer
// is answered as if closed (CloseResult); an input box with no queued answer is
// cancelled.
class ScriptedDialogService final : public IDialogService {
public:
    MessageResult Message(const MessageRequest& request, QWidget* parent) override;
    std::optional<QString> Input(const InputRequest& request, QWidget* parent) override;

    void QueueAnswer(MessageResult answer) { m_Answers.push_back(answer); }
    void QueueText(std::optional<QString> text) { m_Texts.push_back(std::move(text)); }
    // Runs while a message box is "open", as the operator's other actions could then.
    void WhileMessageOpen(std::function<void(const MessageRequest&)> action) { m_WhileOpen = std::move(action); }

    const std::vector<MessageRequest>& Messages() const { return m_Messages; }
    const std::vector<InputRequest>& Inputs() const { return m_Inputs; }
    void Clear();

private:
    std::deque<MessageResult> m_Answers;
    std::function<void(const MessageRequest&)> m_WhileOpen;
    std::deque<std::optional<QString>> m_Texts;
    std::vector<MessageRequest> m_Messages;
    std::vector<InputRequest> m_Inputs;
};

// Installs a ScriptedDialogService for the life of this object and restores the
// previous service afterwards.
class ScopedScriptedDialogs final {
public:
    ScopedScriptedDialogs();
    ~ScopedScriptedDialogs();
    ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
    ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;

    ScriptedDialogService& operator*() const { return *m_Service; }
    ScriptedDialogService* operator->() const { return m_Service; }

private:
    ScriptedDialogService* m_Service;
    std::unique_ptr<IDialogService> m_Previous;
};

} // namespace korvel::platform
