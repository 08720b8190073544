#include "WinControl.h"

#include "GraphicControl.h"
#include "WidgetBridge.h"
#include "WindowlessProxy.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
TMouseButton MouseButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

bool IsWindowless(const TControl* control) {
    return !dynamic_cast<const TWinControl*>(control);
}
} // namespace

TWinControl* TopLevelOf(TControl* control) {
    TWinControl* top = dynamic_cast<TWinControl*>(control);
    for (TControl* c = control; c; c = c->Parent())
        if (auto* w = dynamic_cast<TWinControl*>(c))
            top = w;
    return top;
}

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, nullptr, false) {}

TWinControl::TWinControl(TComponent* owner, QWidget* widget, bool nativeFocus)
    : TControl(owner), widget_(widget ? widget : new PaintedWidget(this)),
      bridge_(std::make_unique<WidgetBridge>(this)), nativeFocus_(nativeFocus) {
    widget_->installEventFilter(bridge_.get());
    widget_->setMouseTracking(true);
    widget_->setAttribute(Qt::WA_Hover, false);
    widget_->hide();
    ApplyFocusPolicy();
}

TWinControl::~TWinControl() {
    // Children go first, while this window still exists.
    while (!controls_.empty())
        delete controls_.back();
    bridge_->Detach();
    widget_->removeEventFilter(bridge_.get());
    if (auto* painted = dynamic_cast<PaintedWidget*>(widget_))
        painted->Detach();
    delete widget_;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
}

void TWinControl::RemoveControl(TControl* control) {
    if (hovered_ == control)
        hovered_ = nullptr;
    if (CaptureControl() == control)
        SetCaptureControl(nullptr);
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    if (IsWindowless(control))
        InvalidateRect(control->BoundsRect());
}

TControl* TWinControl::ControlAtPos(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (IsWindowless(c) && c->Visible() && c->Enabled() && c->BoundsRect().Contains(x, y))
            return c;
    }
    return nullptr;
}

void TWinControl::Realign() {
    TRect free = ClientRect();
    for (TControl* c : controls_) {
        if (!c->Visible() || c->Align() == alNone || c->Align() == alCustom)
            continue;
        TRect r = c->BoundsRect();
        switch (c->Align()) {
        case alTop:
            r = Bounds(free.Left, free.Top, free.Width(), c->Height());
            free.Top += c->Height();
            break;
        case alBottom:
            r = Bounds(free.Left, free.Bottom - c->Height(), free.Width(), c->Height());
            free.Bottom -= c->Height();
            break;
        case alLeft:
            r = Bounds(free.Left, free.Top, c->Width(), free.Height());
            free.Left += c->Width();
            break;
        case alRight:
            r = Bounds(free.Right - c->Width(), free.Top, c->Width(), free.Height());
            free.Right -= c->Width();
            break;
        case alClient:
            r = free;
            break;
        default:
            break;
        }
        if (r != c->BoundsRect()) {
            TAlign align = c->align_;
            c->align_ = alNone; // no realign from inside the realign
            c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
            c->align_ = align;
        }
    }
}

void TWinControl::SetTabOrder(int value) {
    tabOrder_ = value;
    if (!ComponentState().Contains(csLoading))
        if (TWinControl* top = TopLevelOf(this))
            top->UpdateTabChain();
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    ApplyFocusPolicy();
}

void TWinControl::ApplyFocusPolicy() {
    const bool stop = tabStop_ && reachable_;
    if (nativeFocus_)
        widget_->setFocusPolicy(stop ? Qt::StrongFocus : reachable_ ? Qt::ClickFocus : Qt::NoFocus);
    else
        widget_->setFocusPolicy(stop ? Qt::TabFocus : Qt::NoFocus);
}

std::vector<size_t> ReadingOrder(const std::vector<TRect>& places) {
    std::vector<size_t> order(places.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return places[a].Top < places[b].Top; });
    // Each row left to right; a row ends at the first place whose top reaches the middle of
    // the row's first place (doubled, so half a height stays exact).
    size_t rowStart = 0;
    for (size_t i = 1; i <= order.size(); ++i) {
        const TRect& first = places[order[rowStart]];
        if (i < order.size() && 2 * places[order[i]].Top < 2 * first.Top + first.Height())
            continue;
        std::stable_sort(order.begin() + rowStart, order.begin() + i,
                         [&](size_t a, size_t b) { return places[a].Left < places[b].Left; });
        rowStart = i;
    }
    return order;
}

std::vector<std::pair<QWidget*, TRect>> TWinControl::TabStops() {
    std::vector<std::pair<QWidget*, TRect>> stops;
    const TRect view = ClientRect();
    std::function<void(TWinControl*, TPoint)> collect = [&](TWinControl* parent, TPoint origin) {
        for (TControl* c : parent->controls_) {
            const TRect place =
                Bounds(origin.X + c->Left(), origin.Y + c->Top(), c->Width(), c->Height());
            const bool reachable = place.Left < view.Right && place.Right > view.Left &&
                                   place.Top < view.Bottom && place.Bottom > view.Top;
            if (auto* w = dynamic_cast<TWinControl*>(c)) {
                w->reachable_ = reachable;
                w->ApplyFocusPolicy();
                stops.emplace_back(w->widget_, place);
                collect(w, {place.Left, place.Top});
            } else if (auto* g = dynamic_cast<TGraphicControl*>(c); g && g->Proxy()) {
                g->Proxy()->SetReachable(reachable);
                stops.emplace_back(g->Proxy(), place);
            }
        }
    };
    collect(this, {0, 0});
    std::vector<TRect> places;
    for (const auto& stop : stops)
        places.push_back(stop.second);
    std::vector<std::pair<QWidget*, TRect>> ordered;
    for (size_t i : ReadingOrder(places))
        ordered.push_back(stops[i]);
    return ordered;
}

void TWinControl::UpdateTabChain() {
    if (Parent())
        return;
    const auto stops = TabStops();
    for (size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].first, stops[i].first);
    // The focus does not stay on a control the window no longer shows.
    QWidget* focus = widget_->focusWidget();
    if (focus && focus != widget_ && focus->focusPolicy() == Qt::NoFocus) {
        if (QWidget* first = FirstFocusWidget())
            first->setFocus(Qt::TabFocusReason);
        else
            widget_->setFocus(Qt::OtherFocusReason);
    }
}

QWidget* TWinControl::FirstFocusWidget() {
    const TWinControl* best = nullptr;
    std::function<void(const TWinControl*)> search = [&](const TWinControl* parent) {
        for (TControl* c : parent->controls_)
            if (auto* w = dynamic_cast<TWinControl*>(c)) {
                const bool takes = w->tabStop_ && w->reachable_ && w->CanFocus();
                if (takes && (!best || (w->tabOrder_ >= 0 &&
                                        (best->tabOrder_ < 0 || w->tabOrder_ < best->tabOrder_))))
                    best = w;
                search(w);
            }
    };
    search(this);
    if (best)
        return best->widget_;
    for (const auto& stop : TabStops())
        if (stop.first->focusPolicy() != Qt::NoFocus && stop.first->isEnabled() &&
            !stop.first->isHidden())
            return stop.first;
    return nullptr;
}

void TWinControl::ShowKeyboardCues() {
    TWinControl* top = TopLevelOf(this);
    if (top->keyboardCues_)
        return;
    top->keyboardCues_ = true;
    if (QWidget* focus = top->widget_->focusWidget())
        focus->update();
}

bool TWinControl::KeyboardCuesShown() const {
    return TopLevelOf(const_cast<TWinControl*>(this))->keyboardCues_;
}

bool TWinControl::Focused() const {
    return widget_->hasFocus();
}

bool TWinControl::CanFocus() const {
    return Showing() && Enabled();
}

void TWinControl::SetFocus() {
    if (!CanFocus())
        throw Exception("Cannot focus a disabled or invisible window");
    widget_->setFocus(Qt::OtherFocusReason);
}

void TWinControl::InvalidateRect(const TRect& rect) {
    widget_->update(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
}

void TWinControl::RepaintRect(const TRect& rect) {
    widget_->repaint(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
}

void TWinControl::Invalidate() {
    widget_->update();
}

void TWinControl::Repaint() {
    widget_->repaint();
}

TPoint TWinControl::ClientToScreen(TPoint point) const {
    QPoint p = widget_->mapToGlobal(QPoint(point.X, point.Y));
    return {p.x(), p.y()};
}

void TWinControl::PaintSurface(QImage& image, TPoint offset) {
    {
        TCanvas canvas(&image, offset, ClientRect());
        canvas.Font()->Assign(Font());
        PaintWindow(canvas);
    }
    for (TControl* c : controls_) {
        auto* graphic = dynamic_cast<TGraphicControl*>(c);
        if (!graphic || !graphic->Visible() || graphic->Width() <= 0 || graphic->Height() <= 0)
            continue;
        // Controls outside the surface would draw nothing.
        if (!LogicalRect(image).intersects(
                QRect(offset.X + c->Left(), offset.Y + c->Top(), c->Width(), c->Height())))
            continue;
        TCanvas canvas(&image, {offset.X + c->Left(), offset.Y + c->Top()},
                       Rect(0, 0, c->Width(), c->Height()));
        graphic->PaintOn(canvas);
    }
}

void TWinControl::PaintParentBackground(TCanvas& canvas) {
    if (!Parent())
        return;
    QImage beneath =
        ScaledSurface(QSize(Parent()->ClientWidth(), Parent()->ClientHeight()), canvas.Scale());
    Parent()->PaintSurface(beneath, {0, 0});
    QPainter& p = canvas.Painter();
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(-Left(), -Top()), beneath);
    p.restore();
}

void TWinControl::PaintWindow(TCanvas& canvas) {
    canvas.Brush.Color = Color();
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(ClientRect());
}

void TWinControl::PaintWidget(QPainter& painter, const QRect& rect) {
    if (NativePainting())
        return;
    // Only the part asked for is drawn: a child that repaints often (the progress bar) asks
    // for the few pixels beneath it, not for the whole window.
    const QRect area = rect & widget_->rect();
    if (area.isEmpty())
        return;
    // At the screen's device pixel ratio, so that text and twins stay sharp when scaled.
    QImage surface = ScaledSurface(area.size(), widget_->devicePixelRatioF());
    PaintSurface(surface, {-area.x(), -area.y()});
    painter.drawImage(area.topLeft(), surface);
}

void TWinControl::SetHovered(TControl* control) {
    if (control == hovered_)
        return;
    TControl* old = hovered_;
    hovered_ = control;
    if (old)
        old->HandleMouseLeave();
    if (hovered_)
        hovered_->HandleMouseEnter();
    UpdateHoverCursor();
}

void TWinControl::UpdateHoverCursor() {
    TControl* over = hovered_ ? hovered_ : this;
    TCursor cursor = over->EffectiveCursor();
    if (cursor == crDefault)
        widget_->unsetCursor();
    else
        widget_->setCursor(CursorShapeOf(cursor));
}

void TWinControl::RouteMouse(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    int x = static_cast<int>(std::floor(mouse->position().x()));
    int y = static_cast<int>(std::floor(mouse->position().y()));
    TShiftState shift = ShiftStateOf(mouse->modifiers(), mouse->buttons());
    TControl* under = ControlAtPos(x, y);
    TControl* capture = CaptureControl();
    bool captured =
        capture && (capture == this || (capture->Parent() == this && IsWindowless(capture)));
    TControl* target = captured ? capture : (under ? under : this);
    int tx = target == this ? x : x - target->Left();
    int ty = target == this ? y : y - target->Top();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        target->HandleMousePress(MouseButtonOf(mouse->button()), shift, tx, ty, false);
        break;
    case QEvent::MouseButtonDblClick:
        target->HandleMousePress(MouseButtonOf(mouse->button()), shift, tx, ty, true);
        break;
    case QEvent::MouseButtonRelease:
        target->HandleMouseRelease(MouseButtonOf(mouse->button()), shift, tx, ty);
        break;
    default:
        SetHovered(under ? under : this);
        target->HandleMouseMove(shift, tx, ty);
        break;
    }
}

bool TWinControl::WidgetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        RouteMouse(event);
        return !NativePainting();
    case QEvent::Enter:
        PointerEntered(*static_cast<QEnterEvent*>(event));
        return false;
    case QEvent::Leave:
        SetHovered(nullptr);
        return false;
    case QEvent::KeyPress:
        ShowKeyboardCues();
        return KeyPressed(*static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        return KeyReleased(*static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
        DoEnter();
        return false;
    case QEvent::FocusOut:
        DoExit();
        return false;
    case QEvent::Move:
    case QEvent::Resize:
        FollowWindowGeometry();
        return false;
    default:
        return false;
    }
}

void TWinControl::PointerEntered(const QEnterEvent& enter) {
    TControl* under = ControlAtPos(static_cast<int>(enter.position().x()),
                                   static_cast<int>(enter.position().y()));
    SetHovered(under ? under : this);
}

bool TWinControl::KeyPressed(const QKeyEvent& keyEvent) {
    TShiftState shift = ShiftStateOf(keyEvent.modifiers(), Qt::NoButton);
    std::uint16_t key = VirtualKeyOf(keyEvent);
    if (key != 0) {
        KeyDown(key, shift);
        if (key == 0)
            return true;
    }
    QString text = keyEvent.text();
    if (text.size() == 1 && text[0].unicode() >= 0x08 && text[0].unicode() < 0x80) {
        char c = static_cast<char>(text[0].unicode());
        KeyPress(c);
        if (c == 0)
            return true;
    }
    return false;
}

bool TWinControl::KeyReleased(const QKeyEvent& keyEvent) {
    std::uint16_t key = VirtualKeyOf(keyEvent);
    if (key != 0) {
        KeyUp(key, ShiftStateOf(keyEvent.modifiers(), Qt::NoButton));
        if (key == 0)
            return true;
    }
    return false;
}

void TWinControl::FollowWindowGeometry() {
    if (Parent() || !widget_->isWindow())
        return;
    // The window manager may move a top-level window; keep Left and Top true.
    QRect g = widget_->geometry();
    if (g.x() != Left() || g.y() != Top()) {
        SetInitialBounds(g.x(), g.y(), Width(), Height());
        WindowMoved();
    }
}

void TWinControl::KeyDown(std::uint16_t& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::KeyUp(std::uint16_t& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TWinControl::BoundsChanged() {
    if (widget_->geometry() != QRect(Left(), Top(), Width(), Height()))
        widget_->setGeometry(Left(), Top(), Width(), Height());
    Realign();
    TControl::BoundsChanged();
    if (!ComponentState().Contains(csLoading))
        TopLevelOf(this)->UpdateTabChain();
}

void TWinControl::VisibleChanged() {
    // A windowed control shows only inside its parent; forms show themselves.
    if (Parent())
        widget_->setVisible(Visible());
    TControl::VisibleChanged();
}

void TWinControl::EnabledChanged() {
    widget_->setEnabled(Enabled());
    TControl::EnabledChanged();
}

void TWinControl::FontChanged() {
    widget_->setFont(Font()->ToQFont());
    for (TControl* c : controls_)
        c->ParentFontChanged();
    TControl::FontChanged();
}

void TWinControl::CursorChanged() {
    UpdateHoverCursor();
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->UpdateHoverCursor();
}

void TWinControl::ParentChanged() {
    bool visible = Visible();
    widget_->setParent(Parent() ? Parent()->widget_ : nullptr);
    widget_->setGeometry(Left(), Top(), Width(), Height());
    if (Parent())
        widget_->setVisible(visible);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (!Parent())
        UpdateTabChain();
}

const TClassInfo& TWinControl::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TWinControl, TControl>("TWinControl")
                                       .Property("TabOrder", &TWinControl::SetTabOrder)
                                       .Property("TabStop", &TWinControl::SetTabStop)
                                       .Event("OnKeyDown", &TWinControl::OnKeyDown)
                                       .Event("OnKeyPress", &TWinControl::OnKeyPress)
                                       .Event("OnKeyUp", &TWinControl::OnKeyUp)
                                       .Event("OnEnter", &TWinControl::OnEnter)
                                       .Event("OnExit", &TWinControl::OnExit);
    return info;
}
