#include "WidgetBridge.h"

#include "Application.h"
#include "WinControl.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

bool WidgetBridge::eventFilter(QObject* watched, QEvent* event) {
    (void)watched;
    if (!owner_)
        return false;
    bool consumed = false;
    TWinControl* owner = owner_;
    DispatchSafely([&] { consumed = owner->WidgetEvent(event); });
    return consumed;
}

PaintedWidget::PaintedWidget(TWinControl* owner) : owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PaintedWidget::paintEvent(QPaintEvent* event) {
    if (!owner_)
        return;
    QPainter painter(this);
    TWinControl* owner = owner_;
    DispatchSafely([&] { owner->PaintWidget(painter, event->rect()); });
}

std::uint16_t VirtualKeyOf(const QKeyEvent& event) {
    int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint16_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint16_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<std::uint16_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return VK_DELETE;
    default:
        return 0;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState shift;
    if (modifiers & Qt::ShiftModifier)
        shift.Include(ssShift);
    if (modifiers & Qt::AltModifier)
        shift.Include(ssAlt);
    if (modifiers & Qt::ControlModifier)
        shift.Include(ssCtrl);
    if (buttons & Qt::LeftButton)
        shift.Include(ssLeft);
    if (buttons & Qt::RightButton)
        shift.Include(ssRight);
    if (buttons & Qt::MiddleButton)
        shift.Include(ssMiddle);
    return shift;
}

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (static_cast<int>(cursor)) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crNo:
        return Qt::ForbiddenCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}
