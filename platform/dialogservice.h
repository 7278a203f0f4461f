#pragma once
// Every modal window of the program goes through one dialog service: message boxes with
// an icon and a set of buttons, a one-line text input box, the windows of the controls
// and of the host program (a QDialog each), and the run-time pop-up menus. The default
// service shows them with Qt (QMessageBox, QInputDialog, the window's exec(), the pop-up
// list); tests install a ScriptedDialogService that answers boxes from a queue, hands
// each window and menu to a script of the test, and records every request, so no test
// ever waits on a modal window.
//
// A new modal window: a QDialog subclass that carries its name as object name, filled by
// its caller and opened with RunModal(window) (the receiver parameters window, the alarm
// details window and the host's selection window do so); a test queues
// OnWindow<ThatWindow>(script) or OnWindow("ItsObjectName", script) and drives the
// window it is handed with real input. See docs/architecture.md.

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDialog;
class QPoint;
class QWidget;

namespace korvel::platform {

class Menu;

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
    // Shows the window, filled by the caller, modally and returns when it has closed:
    // its result code as exec() gives it (QDialog::Accepted, or Rejected for Cancel, Escape
    // and the close box).
    virtual int Run(QDialog& window) = 0;
    // Shows the pop-up menu at the global position (AboutToShow first). It does not wait:
    // the chosen entry raises its Click()/Clicked() once the menu has closed.
    virtual void Popup(Menu& menu, const QPoint& globalPosition) = 0;
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
int RunModal(QDialog& window);
// (PopupMenu of platform/popupmenu.h is the shorthand of Popup.)

// The result given by closing a box with these buttons (Escape or the close box).
MessageResult CloseResult(MessageButtons buttons);

class QtDialogService final : public IDialogService {
public:
    MessageResult Message(const MessageRequest& request, QWidget* parent) override;
    std::optional<QString> Input(const InputRequest& request, QWidget* parent) override;
    int Run(QDialog& window) override;
    void Popup(Menu& menu, const QPoint& globalPosition) override;
};

// Answers from queues and records every request. A message box with no queued answer
// is answered as if closed (CloseResult); an input box with no queued answer is
// cancelled.
//
// A window is shown (modal, on the platform the tests run on: offscreen) and handed to
// the first queued script that names it; the script drives it with real input and
// closes it. A window with no script, or still open when its script returns, is closed
// as by its close box (Cancel). A menu is prepared (AboutToShow) and handed to its
// script, which may choose an entry (Menu::Trigger); with no script nothing is chosen,
// as when the operator presses Esc, unless ShowRealMenus() asked for the real list.
class ScriptedDialogService final : public IDialogService {
public:
    MessageResult Message(const MessageRequest& request, QWidget* parent) override;
    std::optional<QString> Input(const InputRequest& request, QWidget* parent) override;
    int Run(QDialog& window) override;
    void Popup(Menu& menu, const QPoint& globalPosition) override;

    void QueueAnswer(MessageResult answer) { m_Answers.push_back(answer); }
    void QueueText(std::optional<QString> text) { m_Texts.push_back(std::move(text)); }
    // Runs while a message box is "open", as the operator's other actions could then.
    void WhileMessageOpen(std::function<void(const MessageRequest&)> action) { m_WhileOpen = std::move(action); }

    // Queues a script for the next window whose object name is `key`, or whose class is
    // or derives from the class named `key` ("korvel::events::AlarmInfoWindow"). Scripts
    // are used once each, in the order queued.
    using WindowScript = std::function<void(QWidget& window)>;
    void OnWindow(const QString& key, WindowScript script);
    // The same, for the next window of that class (one with its own Q_OBJECT), handed
    // over as that class.
    template <class Window>
    void OnWindow(std::function<void(Window&)> script) {
        queue({}, &Window::staticMetaObject, [script = std::move(script)](QObject& shown) {
            script(*qobject_cast<Window*>(&shown));
        });
    }
    // For the next pop-up menu, or the next one of that object name.
    using MenuScript = std::function<void(Menu& menu)>;
    void OnMenu(MenuScript script) { OnMenu(QString(), std::move(script)); }
    void OnMenu(const QString& name, MenuScript script);
    // Menus without a script show as the real pop-up list (which does not wait), for
    // tests that press its keys and move the pointer on it (tests/support/menuinput.h).
    void ShowRealMenus(bool on = true) { m_RealMenus = on; }

    // Every window and menu the service was asked to show, in order.
    struct ShownWindow {
        QString name;  // object name
        QString title; // the window's title as it was shown; empty for a menu
        const QMetaObject* type = nullptr;
        bool scripted = false;
    };
    const std::vector<ShownWindow>& Windows() const { return m_Windows; }
    // How many of them the key names (as OnWindow matches it).
    int Shown(const QString& key) const;
    template <class Window>
    int Shown() const {
        return Shown(QString::fromLatin1(Window::staticMetaObject.className()));
    }

    const std::vector<MessageRequest>& Messages() const { return m_Messages; }
    const std::vector<InputRequest>& Inputs() const { return m_Inputs; }
    // Forgets the queued answers and scripts and what was recorded.
    void Clear();

private:
    struct Script {
        QString key;              // empty: any object of the kind
        const QMetaObject* kind;  // what the script is handed: a window, a menu, a class
        std::function<void(QObject&)> run;
    };
    void queue(QString key, const QMetaObject* kind, std::function<void(QObject&)> run);
    // The first queued script that names the object, taken off the queue.
    std::function<void(QObject&)> take(const QObject& shown);

    std::deque<Script> m_Scripts;
    std::vector<ShownWindow> m_Windows;
    bool m_RealMenus = false;
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
