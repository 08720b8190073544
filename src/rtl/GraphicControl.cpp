#include "GraphicControl.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::PaintOn(TCanvas& canvas) {
    canvas.Font()->Assign(Font());
    WithCanvas(canvas, [this] { Paint(); });
}

void TGraphicControl::WithCanvas(TCanvas& canvas, const std::function<void()>& work) {
    TCanvas* saved = canvas_;
    canvas_ = &canvas;
    try {
        work();
    } catch (...) {
        canvas_ = saved;
        throw;
    }
    canvas_ = saved;
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TGraphicControl, TControl>("TGraphicControl");
    return info;
}
