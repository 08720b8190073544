// The Qt side of windowed controls: an event filter that hands a widget's events to its
// control, and the plain widget of controls that paint themselves. Both forget their control
// when it goes, so a late Qt event finds nobody instead of a freed object.
#pragma once

#include "Types.h"

#include <QObject>
#include <QWidget>

class TWinControl;
class QKeyEvent;

class WidgetBridge : public QObject {
public:
    explicit WidgetBridge(TWinControl* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TWinControl* owner_;
};

class PaintedWidget : public QWidget {
public:
    explicit PaintedWidget(TWinControl* owner);
    TWinControl* Owner() const { return owner_; }
    void Detach() { owner_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWinControl* owner_;
};

// Win32 virtual key of a Qt key event (0 when it has none).
std::uint16_t VirtualKeyOf(const QKeyEvent& event);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
Qt::CursorShape CursorShapeOf(TCursor cursor);
