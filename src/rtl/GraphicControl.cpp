#include "GraphicControl.h"

#include "WinControl.h"
#include "WindowlessProxy.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() {
    DropProxy();
}

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

void TGraphicControl::ExposeToKeyboard() {
    if (proxy_ || !Parent() || AccessibleRole() == TAccessibleRole::None)
        return;
    proxy_ = new WindowlessProxy(this, Parent()->Widget());
}

QWidget* TGraphicControl::AccessibleWidget() const {
    return proxy_;
}

void TGraphicControl::DropProxy() {
    if (!proxy_)
        return;
    proxy_->Detach();
    delete proxy_;
    proxy_ = nullptr;
}

void TGraphicControl::BoundsChanged() {
    TControl::BoundsChanged();
    if (!proxy_)
        return;
    proxy_->Follow();
    // A control that moves in or out of its window's visible area gains or loses the focus.
    if (TWinControl* window = TopLevelOf(this))
        window->UpdateTabChain();
}

void TGraphicControl::VisibleChanged() {
    TControl::VisibleChanged();
    if (proxy_)
        proxy_->Follow();
}

void TGraphicControl::EnabledChanged() {
    TControl::EnabledChanged();
    if (proxy_)
        proxy_->Follow();
}

void TGraphicControl::ParentChanged() {
    TControl::ParentChanged();
    // The stand-in is a child of the old parent's widget; it comes again when exposed anew.
    DropProxy();
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TGraphicControl, TControl>("TGraphicControl");
    return info;
}
