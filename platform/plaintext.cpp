#include "platform/plaintext.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTextDocument>
#include <QWhatsThis>
#include <QWidget>
#include <QWindow>

namespace korvel::platform {
namespace {

// The filter is found by this name, so the copy of this layer in each plug-in sees the
// one another copy installed.
constexpr const char* kRuleName = "korvel_plain_text_rule";
constexpr const char* kBuiltMarkup = "korvelBuiltMarkup";

QString ItemViewWhatsThis(QWidget* viewport, const QPoint& pos) {
    auto* view = qobject_cast<QAbstractItemView*>(viewport->parentWidget());
    if (!view || view->viewport() != viewport) return {};
    const QModelIndex index = view->indexAt(pos);
    return index.isValid() ? index.data(Qt::WhatsThisRole).toString() : QString();
}

QString WhatsThisAt(QWidget* widget, const QPoint& pos) {
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        const QAction* action = menu->actionAt(pos);
        return action ? action->whatsThis() : QString();
    }
    const QString item = ItemViewWhatsThis(widget, pos);
    return item.isEmpty() ? widget->whatsThis() : item;
}

// The native window shows the widget's title as it stands (Qt would read "[*]" as the
// place of the modified mark; this program never uses that mark).
void ShowTitleLiterally(QWidget* widget) {
    if (!widget->isWindow()) return;
    QWindow* handle = widget->windowHandle();
    const QString title = widget->windowTitle();
    if (handle && !title.isEmpty() && handle->title() != title) handle->setTitle(title);
}

class PlainTextRule final : public QObject {
public:
    explicit PlainTextRule(QObject* parent) : QObject(parent) { setObjectName(QLatin1String(kRuleName)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Polish:
            // Sent before a label is first measured or shown, and by QToolTip before it
            // sets the tip's text.
            if (auto* label = qobject_cast<QLabel*>(watched);
                label && !label->property(kBuiltMarkup).toBool() && label->textFormat() != Qt::PlainText)
                label->setTextFormat(Qt::PlainText);
            break;
        case QEvent::WhatsThis:
            if (watched->isWidgetType()) {
                auto* widget = static_cast<QWidget*>(watched);
                auto* help = static_cast<QHelpEvent*>(event);
                const QString text = WhatsThisAt(widget, help->pos());
                if (!text.isEmpty()) {
                    QWhatsThis::showText(help->globalPos(), LiteralMarkup(text), widget);
                    event->accept();
                    return true;
                }
            }
            break;
        case QEvent::WindowTitleChange:
        case QEvent::ModifiedChange:
        case QEvent::WinIdChange:
        case QEvent::Show:
            if (watched->isWidgetType()) ShowTitleLiterally(static_cast<QWidget*>(watched));
            break;
        default: break;
        }
        return false;
    }
};

// The rule installed by this copy of the layer. A plug-in that is unloaded takes its
// filter's code with it, so its copy removes the filter it installed.
struct InstalledRule {
    QPointer<QObject> rule;
    ~InstalledRule() { delete rule.data(); }
};

InstalledRule& Installed() {
    static InstalledRule installed;
    return installed;
}

QObject* FindRule() {
    QCoreApplication* app = QCoreApplication::instance();
    return app ? app->findChild<QObject*>(QLatin1String(kRuleName), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

void InstallPlainTextRule() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || FindRule()) return;
    auto* rule = new PlainTextRule(app);
    app->installEventFilter(rule);
    Installed().rule = rule;
}

bool PlainTextRuleActive() { return FindRule() != nullptr; }

void AllowBuiltMarkup(QLabel* label) {
    if (!label) return;
    label->setProperty(kBuiltMarkup, true);
}

QString LiteralMarkup(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return Qt::convertFromPlainText(lines, Qt::WhiteSpaceNormal);
}

namespace {
void InstallRuleAtStartup() { InstallPlainTextRule(); }
} // namespace

// In force from the application's construction in every program that links this layer
// (and at once in a plug-in loaded into a running application).
Q_COREAPP_STARTUP_FUNCTION(InstallRuleAtStartup)

} // namespace korvel::platform
