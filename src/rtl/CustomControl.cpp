#include "CustomControl.h"

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(TCanvas& canvas) {
    TWinControl::PaintWindow(canvas);
    canvas_ = &canvas;
    try {
        Paint();
    } catch (...) {
        canvas_ = nullptr;
        throw;
    }
    canvas_ = nullptr;
}

const TClassInfo& TCustomControl::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TCustomControl, TWinControl>("TCustomControl");
    return info;
}
