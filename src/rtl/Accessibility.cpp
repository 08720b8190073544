#include "Accessibility.h"

#include "Application.h"
#include "Canvas.h"
#include "Form.h"
#include "GraphicControl.h"
#include "WidgetBridge.h"
#include "WinControl.h"
#include "WindowlessProxy.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDBusConnection>
#include <QKeySequence>
#include <QThread>
#include <QWidget>

#include <cstdlib>
#include <string_view>
#include <system_error>

namespace {

QAccessible::Role QtRoleOf(TAccessibleRole role) {
    switch (role) {
    case TAccessibleRole::Window:
        return QAccessible::Window;
    case TAccessibleRole::PushButton:
        return QAccessible::Button;
    case TAccessibleRole::CheckBox:
        return QAccessible::CheckBox;
    case TAccessibleRole::Link:
        return QAccessible::Link;
    case TAccessibleRole::StatusLine:
        return QAccessible::StatusBar;
    case TAccessibleRole::None:
        break;
    }
    return QAccessible::Client;
}

// Asks the widget for its control at each call: the control may go before its widget.
class ControlAccessible : public QAccessibleWidget {
public:
    ControlAccessible(QWidget* widget, TAccessibleRole role)
        : QAccessibleWidget(widget, QtRoleOf(role)), role_(role) {}

    QString text(QAccessible::Text t) const override {
        TControl* control = ControlOfWidget(object());
        if (t == QAccessible::Name && control && !control->AccessibleName().empty())
            return GbkToQString(control->AccessibleName());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        TControl* control = ControlOfWidget(object());
        if (auto checked = control ? control->AccessibleChecked() : std::nullopt) {
            s.checkable = true;
            s.checked = *checked;
        }
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (const QString* own = OwnAction())
            names.prepend(*own);
        return names;
    }

    // As Qt's own buttons tell theirs: the key that does the action.
    QStringList keyBindingsForAction(const QString& actionName) const override {
        const QString* own = OwnAction();
        TControl* control = ControlOfWidget(object());
        if (own && actionName == *own && control && control->AccessKey())
            return {AccessKeySequence(control->AccessKey()).toString()};
        return QAccessibleWidget::keyBindingsForAction(actionName);
    }

    void doAction(const QString& actionName) override {
        const QString* own = OwnAction();
        TControl* control = ControlOfWidget(object());
        if (own && actionName == *own && control) {
            DispatchSafely([control] { control->KeyboardActivate(); });
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }

private:
    const QString* OwnAction() const {
        switch (role_) {
        case TAccessibleRole::PushButton:
        case TAccessibleRole::Link:
            return &QAccessibleActionInterface::pressAction();
        case TAccessibleRole::CheckBox:
            return &QAccessibleActionInterface::toggleAction();
        default:
            return nullptr;
        }
    }

    TAccessibleRole role_;
};

QAccessibleInterface* ControlInterface(const QString& key, QObject* object) {
    (void)key;
    TControl* control = ControlOfWidget(object);
    if (!control || control->AccessibleRole() == TAccessibleRole::None)
        return nullptr;
    return new ControlAccessible(static_cast<QWidget*>(object), control->AccessibleRole());
}

} // namespace

void InstallControlAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    QAccessible::installFactory(ControlInterface);
    installed = true;
}

TControl* ControlOfWidget(QObject* object) {
    if (auto* painted = dynamic_cast<PaintedWidget*>(object))
        return painted->Owner();
    if (auto* proxy = dynamic_cast<WindowlessProxy*>(object))
        return proxy->Control();
    return nullptr;
}

std::jthread ConnectReaderBusAhead() {
    // Qt's default platform here is a desktop one; a chosen one counts only if it is.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const std::string_view platform = chosen ? chosen : "";
    if (!platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland"))
        return {};
    // Qt takes the first thread that asks for its thread data as the main thread: this one.
    QThread::currentThread();
    try {
        return std::jthread([] { QDBusConnection::sessionBus(); });
    } catch (const std::system_error&) {
        return {}; // the bridge connects when it starts
    }
}

void AnnounceNameChange(TControl* control) {
    QWidget* widget = control->AccessibleWidget();
    if (!widget || !widget->isVisible())
        return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void AnnounceCheckedChange(TControl* control) {
    QWidget* widget = control->AccessibleWidget();
    if (!widget || !widget->isVisible())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}
