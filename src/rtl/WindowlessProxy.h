// The stand-in widget of a windowless control that acts (a picture-button, a link) or speaks
// (a status line). It lies over the control and lets the mouse through to the window that
// paints it, so mouse users meet the control exactly as before; to the keyboard and to
// assistive technology it is the control: it takes the focus in the window's tab chain, Space
// and Return activate the control, and it draws the focus cue once the keyboard has been used
// in its window.
#pragma once

#include <QWidget>

class TGraphicControl;

class WindowlessProxy : public QWidget {
public:
    WindowlessProxy(TGraphicControl* control, QWidget* parent);
    TGraphicControl* Control() const { return control_; }
    void Detach() { control_ = nullptr; }
    // Takes the control's place, visibility and enabled state.
    void Follow();
    // Whether the keyboard may reach the control: it acts and lies inside its window.
    void SetReachable(bool reachable);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Activate();

    TGraphicControl* control_;
};
