// TGraphicControl: a windowless control painted by its parent window. Override Paint() and
// draw on Canvas(), which is valid during Paint only: its (0, 0) is the control's top-left
// corner, it is clipped to the control, and what lies beneath is already drawn.
#pragma once

#include "Canvas.h"
#include "Control.h"

class TGraphicControl : public TControl {
public:
    DECLARE_CLASS_INFO
    explicit TGraphicControl(TComponent* owner);

    // Called by the parent window with a canvas set up for this control.
    void PaintOn(TCanvas& canvas);

protected:
    virtual void Paint() {}
    // Runs work with Canvas() set to canvas (for measuring outside Paint).
    void WithCanvas(TCanvas& canvas, const std::function<void()>& work);
    TCanvas* Canvas() const { return canvas_; }

private:
    TCanvas* canvas_ = nullptr;
};
