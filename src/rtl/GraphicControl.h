// TGraphicControl: a windowless control painted by its parent window. Override Paint() and
// draw on Canvas(), which is valid during Paint only: its (0, 0) is the control's top-left
// corner, it is clipped to the control, and what lies beneath is already drawn.
//
// A windowless control with an accessible role gets a stand-in widget once its window is
// built (ExposeToKeyboard), which the keyboard and assistive technology reach instead.
#pragma once

#include "Canvas.h"
#include "Control.h"

class WindowlessProxy;

class TGraphicControl : public TControl {
public:
    DECLARE_CLASS_INFO
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    // Called by the parent window with a canvas set up for this control.
    void PaintOn(TCanvas& canvas);
    // Gives the control its stand-in when it has a role and a parent, and has none yet.
    void ExposeToKeyboard();
    WindowlessProxy* Proxy() const { return proxy_; }
    QWidget* AccessibleWidget() const override;

protected:
    virtual void Paint() {}
    // Runs work with Canvas() set to canvas (for measuring outside Paint).
    void WithCanvas(TCanvas& canvas, const std::function<void()>& work);
    TCanvas* Canvas() const { return canvas_; }

    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void ParentChanged() override;

private:
    void DropProxy();

    TCanvas* canvas_ = nullptr;
    WindowlessProxy* proxy_ = nullptr;
};
