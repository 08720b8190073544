#include "WindowlessProxy.h"

#include "Application.h"
#include "GraphicControl.h"
#include "WinControl.h"

#include <QKeyEvent>
#include <QPainter>
#include <vector>

namespace {

// Whether a control activates from the keyboard (a button or a link, not a status line).
bool ActsOnKeyboard(const TControl* control) {
    const TAccessibleRole role = control->AccessibleRole();
    return role == TAccessibleRole::PushButton || role == TAccessibleRole::Link;
}

// The dotted focus rectangle inside rect: every other pixel around its edge, starting at the
// top-left corner.
void DrawFocusCue(QPainter& painter, const QRect& rect) {
    const int w = rect.width(), h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    // Around the edge clockwise, one step per pixel, every other one set.
    std::vector<QPoint> edge;
    for (int x = 0; x < w; ++x)
        edge.emplace_back(x, 0);
    for (int y = 1; y < h; ++y)
        edge.emplace_back(w - 1, y);
    for (int x = w - 2; x >= 0 && h > 1; --x)
        edge.emplace_back(x, h - 1);
    for (int y = h - 2; y >= 1 && w > 1; --y)
        edge.emplace_back(0, y);
    for (size_t i = 0; i < edge.size(); i += 2)
        painter.fillRect(QRect(rect.topLeft() + edge[i], QSize(1, 1)), Qt::black);
}

} // namespace

WindowlessProxy::WindowlessProxy(TGraphicControl* control, QWidget* parent)
    : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    Follow();
}

void WindowlessProxy::Follow() {
    if (!control_)
        return;
    setGeometry(control_->Left(), control_->Top(), control_->Width(), control_->Height());
    setEnabled(control_->Enabled());
    setVisible(control_->Visible());
}

void WindowlessProxy::SetReachable(bool reachable) {
    setFocusPolicy(reachable && control_ && ActsOnKeyboard(control_) ? Qt::TabFocus : Qt::NoFocus);
}

bool WindowlessProxy::event(QEvent* event) {
    // Tab moves the focus inside QWidget::event, before any key handler: the cue is switched
    // on first, so the control that receives the focus shows it.
    if (event->type() == QEvent::KeyPress && control_)
        if (TWinControl* window = TopLevelOf(control_))
            window->ShowKeyboardCues();
    return QWidget::event(event);
}

void WindowlessProxy::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Activate();
        return;
    }
    // Space acts on release, as a Windows button does; other keys go on to the window.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        return;
    QWidget::keyPressEvent(event);
}

void WindowlessProxy::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        Activate();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void WindowlessProxy::Activate() {
    if (!control_ || !ActsOnKeyboard(control_))
        return;
    TGraphicControl* control = control_;
    DispatchSafely([control] { control->KeyboardActivate(); });
}

void WindowlessProxy::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void WindowlessProxy::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void WindowlessProxy::paintEvent(QPaintEvent* event) {
    (void)event;
    if (!control_ || !hasFocus())
        return;
    TWinControl* window = TopLevelOf(control_);
    if (!window || !window->KeyboardCuesShown())
        return;
    QPainter painter(this);
    DrawFocusCue(painter, rect());
}
