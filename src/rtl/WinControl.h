// TWinControl: a control with its own Qt widget, keyboard focus and tab order. It paints its
// windowless children (later inserted on top) after its own surface and hands them their
// mouse input; the windowless child under the pointer gets it, else the window itself.
//
// Keyboard: Tab goes through a window's controls and windowless stand-ins in the order the
// eye reads them (ReadingOrder); TabOrder decides only which control has the focus first.
// Controls that lie outside the window's visible area take no focus. Focus cues of the
// stand-ins show once a key has been pressed in the window, so mouse users see none.
//
// Painting: Qt's paint event renders the whole surface into a 32-bit image first (PaintWindow:
// background, then Paint of custom controls, then windowless children), then shows it. So a
// canvas always has the pixels beneath under it, and tests can grab exact pixels.
#pragma once

#include "Canvas.h"
#include "Control.h"

#include <memory>
#include <vector>

class QWidget;
class QEnterEvent;
class QEvent;
class QKeyEvent;
class QPainter;
class QRect;
class WidgetBridge;

class TWinControl : public TControl {
public:
    DECLARE_CLASS_INFO
    // A plain window that paints itself.
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    QWidget* Widget() const { return widget_; }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(index); }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The topmost visible, enabled windowless child at a point of this window, or nullptr.
    TControl* ControlAtPos(int x, int y) const;
    // Lays out the children that have an Align.
    void Realign();

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    bool Focused() const;
    QWidget* AccessibleWidget() const override { return widget_; }
    // The control a window focuses first: the lowest TabOrder among those the keyboard can
    // reach, else the first in reading order; nullptr when none can take the focus.
    QWidget* FirstFocusWidget();
    // Rebuilds a top-level window's tab chain in reading order and lets only the controls
    // inside its visible area take the focus. Runs when the window or a control moves.
    void UpdateTabChain();
    // A key has been pressed in this top-level window: focus cues show from now on.
    void ShowKeyboardCues();
    bool KeyboardCuesShown() const;
    virtual bool CanFocus() const;
    void SetFocus();

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    void InvalidateRect(const TRect& rect);
    void RepaintRect(const TRect& rect);
    void Invalidate() override;
    void Repaint() override;
    TPoint ClientToScreen(TPoint point) const override;

    // Renders this window's surface (with its windowless children) into image, its top-left
    // corner at offset (logical pixels; image may have a device pixel ratio).
    void PaintSurface(QImage& image, TPoint offset);
    // Paints onto canvas what the parent shows beneath this control, for controls that let
    // their parent show through.
    void PaintParentBackground(TCanvas& canvas);

    // Bridge entry points from Qt (run inside DispatchSafely).
    virtual bool WidgetEvent(QEvent* event);
    void PaintWidget(QPainter& painter, const QRect& rect);
    void UpdateHoverCursor();

protected:
    // Takes over widget. nativeFocus: the widget takes focus on click (edit boxes, buttons).
    TWinControl(TComponent* owner, QWidget* widget, bool nativeFocus);

    // Fills with Color; custom controls then call Paint.
    virtual void PaintWindow(TCanvas& canvas);
    // True when the widget draws itself (native Qt controls): no surface rendering then.
    virtual bool NativePainting() const { return false; }
    virtual void KeyDown(std::uint16_t& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(std::uint16_t& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    // A windowed control without parent is a top-level window (forms).
    virtual void WindowMoved() {}

    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void CursorChanged() override;
    void ParentChanged() override;
    void Loaded() override;

private:
    // The parts of WidgetEvent, one per kind of event; the key handlers answer whether a
    // handler swallowed the key.
    void RouteMouse(QEvent* event);
    void PointerEntered(const QEnterEvent& enter);
    bool KeyPressed(const QKeyEvent& keyEvent);
    bool KeyReleased(const QKeyEvent& keyEvent);
    // Keeps Left and Top of a top-level window where the window manager put it.
    void FollowWindowGeometry();
    void SetHovered(TControl* control);
    void ApplyFocusPolicy();
    // The widgets Tab goes through, with their places in this window, in reading order; lets
    // only those inside the visible area take the focus.
    std::vector<std::pair<QWidget*, TRect>> TabStops();

    QWidget* widget_;
    std::unique_ptr<WidgetBridge> bridge_;
    std::vector<TControl*> controls_;
    TControl* hovered_ = nullptr;
    int tabOrder_ = -1;
    bool tabStop_ = false;
    bool nativeFocus_ = false;
    bool reachable_ = true;
    bool keyboardCues_ = false;
};

// The order in which the eye reads places: rows from top to bottom, each left to right. A
// place joins the row of the place above it when its top lies within that one's upper half.
std::vector<size_t> ReadingOrder(const std::vector<TRect>& places);

// The form a control lies on (its topmost windowed parent), or nullptr.
TWinControl* TopLevelOf(TControl* control);
