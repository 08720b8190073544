#include "Control.h"

#include "Accessibility.h"
#include "WinControl.h"

#include <QWidget>

namespace {
TControl* g_capture = nullptr;
} // namespace

TControl* CaptureControl() {
    return g_capture;
}

void SetCaptureControl(TControl* control) {
    g_capture = control;
}

void ReleaseCapture() {
    if (g_capture)
        g_capture->CancelClick();
    g_capture = nullptr;
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this] {
        if (!updatingFont_)
            parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (g_capture == this)
        g_capture = nullptr;
    font_->OnChange = nullptr;
    if (parent_)
        parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent == this)
        throw Exception("A control cannot have itself as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
    ParentChanged();
    ParentFontChanged();
    Invalidate();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    bool resized = width != width_ || height != height_;
    TRect old = BoundsRect();
    SetInitialBounds(left, top, width, height);
    if (parent_ && !dynamic_cast<TWinControl*>(this))
        parent_->InvalidateRect(old);
    BoundsChanged();
    if (resized && OnResize)
        OnResize(this);
}

void TControl::SetInitialBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

void TControl::BoundsChanged() {
    if (parent_ && align_ != alNone)
        parent_->Realign();
    Invalidate();
}

void TControl::SetClientWidth(int value) {
    SetWidth(value + width_ - ClientWidth());
}

void TControl::SetClientHeight(int value) {
    SetHeight(value + height_ - ClientHeight());
}

TPoint TControl::ClientToScreen(TPoint point) const {
    if (!parent_)
        return {left_ + point.X, top_ + point.Y};
    return parent_->ClientToScreen({left_ + point.X, top_ + point.Y});
}

void TControl::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    VisibleChanged();
}

void TControl::VisibleChanged() {
    if (parent_) {
        parent_->InvalidateRect(BoundsRect());
        if (align_ != alNone)
            parent_->Realign();
    }
}

bool TControl::Showing() const {
    return visible_ && (!parent_ || parent_->Showing());
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    EnabledChanged();
}

void TControl::SetCursor(TCursor value) {
    if (value == cursor_)
        return;
    cursor_ = value;
    CursorChanged();
}

void TControl::CursorChanged() {
    if (parent_)
        parent_->UpdateHoverCursor();
}

TCursor TControl::EffectiveCursor() const {
    if (cursor_ != crDefault || !parent_)
        return cursor_;
    return parent_->EffectiveCursor();
}

void TControl::SetAlign(TAlign value) {
    if (value == align_)
        return;
    align_ = value;
    if (parent_)
        parent_->Realign();
}

void TControl::SetCaption(const AnsiString& value) {
    if (value == caption_)
        return;
    caption_ = value;
    CaptionChanged();
    if (accessibleName_.empty())
        AnnounceNameChange(this);
}

void TControl::SetAccessKey(char value) {
    accessKey_ = value;
    AccessKeyChanged();
}

void TControl::SetAccessibleName(const AnsiString& value) {
    if (value == accessibleName_)
        return;
    accessibleName_ = value;
    // Qt's own interfaces read the widget's name, and setting it tells the screen reader.
    if (QWidget* widget = AccessibleWidget())
        widget->setAccessibleName(GbkToQString(AccessibleName()));
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value)
        ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_)
        return;
    updatingFont_ = true;
    font_->Assign(parent_->Font());
    updatingFont_ = false;
}

void TControl::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    ColorChanged();
}

void TControl::Invalidate() {
    if (parent_)
        parent_->InvalidateRect(BoundsRect());
}

void TControl::Repaint() {
    if (parent_)
        parent_->RepaintRect(BoundsRect());
}

void TControl::HandleMousePress(TMouseButton button, TShiftState shift, int x, int y,
                                bool doubleClick) {
    if (button == mbLeft) {
        if (controlStyle_.Contains(csCaptureMouse))
            SetCaptureControl(this);
        if (doubleClick) {
            shift.Include(ssDouble);
            if (controlStyle_.Contains(csClickEvents))
                DblClick();
        } else if (controlStyle_.Contains(csClickEvents)) {
            clicked_ = true;
        }
    }
    MouseDown(button, shift, x, y);
}

void TControl::HandleMouseMove(TShiftState shift, int x, int y) {
    MouseMove(shift, x, y);
}

void TControl::HandleMouseRelease(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (g_capture == this)
            g_capture = nullptr;
        if (clicked_) {
            clicked_ = false;
            if (ClientRect().Contains(x, y))
                Click();
        }
    }
    MouseUp(button, shift, x, y);
}

void TControl::HandleMouseEnter() {
    if (mouseIn_)
        return;
    mouseIn_ = true;
    MouseEnter();
}

void TControl::HandleMouseLeave() {
    if (!mouseIn_)
        return;
    mouseIn_ = false;
    MouseLeave();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::Loaded() {
    TComponent::Loaded();
    ParentFontChanged();
}

const TClassInfo& TControl::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TControl, TComponent>("TControl")
                                       .Property("Left", &TControl::SetLeft)
                                       .Property("Top", &TControl::SetTop)
                                       .Property("Width", &TControl::SetWidth)
                                       .Property("Height", &TControl::SetHeight)
                                       .Property("ClientWidth", &TControl::SetClientWidth)
                                       .Property("ClientHeight", &TControl::SetClientHeight)
                                       .Property("Visible", &TControl::SetVisible)
                                       .Property("Enabled", &TControl::SetEnabled)
                                       .Property("Cursor", &TControl::SetCursor)
                                       .Property("Align", &TControl::SetAlign)
                                       .Property("Anchors", &TControl::SetAnchors)
                                       .Property("Caption", &TControl::SetCaption)
                                       .Object("Font", &TControl::Font)
                                       .Property("ParentFont", &TControl::SetParentFont)
                                       .Property("Color", &TControl::SetColor)
                                       .Property("Hint", &TControl::SetHint)
                                       .Property("ShowHint", &TControl::SetShowHint)
                                       .Event("OnClick", &TControl::OnClick)
                                       .Event("OnDblClick", &TControl::OnDblClick)
                                       .Event("OnMouseDown", &TControl::OnMouseDown)
                                       .Event("OnMouseMove", &TControl::OnMouseMove)
                                       .Event("OnMouseUp", &TControl::OnMouseUp)
                                       .Event("OnResize", &TControl::OnResize);
    return info;
}
