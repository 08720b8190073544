// TCustomControl: a windowed control that paints itself. Override Paint() and draw on
// Canvas(), valid during Paint only; the window's Color is already filled in (call
// PaintParentBackground(*Canvas()) first to let the parent show through instead).
#pragma once

#include "WinControl.h"

class TCustomControl : public TWinControl {
public:
    DECLARE_CLASS_INFO
    explicit TCustomControl(TComponent* owner);

protected:
    virtual void Paint() {}
    TCanvas* Canvas() const { return canvas_; }
    void PaintWindow(TCanvas& canvas) override;

private:
    TCanvas* canvas_ = nullptr;
};
