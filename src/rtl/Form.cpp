#include "Form.h"

#include "Application.h"
#include "DescriptionReader.h"
#include "GraphicControl.h"
#include "Image.h"
#include "WidgetBridge.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

TPoint DesktopCenteredOrigin(int desktopWidth, int desktopHeight, int width, int height) {
    // C++ division truncates toward zero, as the window rule asks.
    return {std::max(0, (desktopWidth - width) / 2), std::max(0, (desktopHeight - height) / 2)};
}

TRect InsideArea(const TRect& window, const TRect& area) {
    const int left = std::max(area.Left, std::min(window.Left, area.Right - window.Width()));
    const int top = std::max(area.Top, std::min(window.Top, area.Bottom - window.Height()));
    return Bounds(left, top, window.Width(), window.Height());
}

QKeySequence AccessKeySequence(char key) {
    if (key < 'A' || key > 'Z')
        return {};
    return QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_A + (key - 'A')));
}

namespace {
// Alt and a letter, without Ctrl (Ctrl+Alt is AltGr, which types characters): the access key
// asked for, else 0.
char AccessKeyOf(std::uint16_t key, TShiftState shift) {
    if (!shift.Contains(ssAlt) || shift.Contains(ssCtrl) || key < 'A' || key > 'Z')
        return 0;
    return static_cast<char>(key);
}

// Tab could stop on it: the tab chain gives no focus to what the window does not show.
bool KeyboardReaches(TControl* control) {
    const QWidget* widget = control->AccessibleWidget();
    return widget && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus;
}
} // namespace

void BeginWindowDrag(TCustomForm* form, TShiftState shift) {
    if (!shift.Contains(ssLeft))
        return;
    ReleaseCapture();
    form->SysCommand(SC_MOVE + HTCAPTION);
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetColor(clBtnFace);
    Widget()->setWindowFlags(Qt::Window);
    UpdateWindowTitle();
    SetControlStyle(ControlStyle().Include(csAcceptsControls));
}

void TCustomForm::AfterConstruction() {
    ReadComponentResource(this);
    if (OnCreate)
        OnCreate(this);
    ExposeToKeyboard();
}

void TCustomForm::AfterConstruction(const TObjectDescription& description) {
    ReadComponent(this, description);
    if (OnCreate)
        OnCreate(this);
    ExposeToKeyboard();
}

void TCustomForm::ExposeToKeyboard() {
    std::function<void(TWinControl*)> expose = [&](TWinControl* parent) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (auto* graphic = dynamic_cast<TGraphicControl*>(c))
                graphic->ExposeToKeyboard();
            else if (auto* window = dynamic_cast<TWinControl*>(c))
                expose(window);
        }
    };
    expose(this);
    UpdateTabChain();
}

std::vector<TControl*> TCustomForm::AccessKeyOwners(char key) const {
    std::vector<TControl*> owners;
    for (int i = 0; i < ComponentCount() && key; ++i)
        if (auto* control = dynamic_cast<TControl*>(Components(i));
            control && control->AccessKey() == key)
            owners.push_back(control);
    return owners;
}

void TCustomForm::KeyDown(std::uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (const auto owners = AccessKeyOwners(AccessKeyOf(key, shift)); !owners.empty()) {
        key = 0;
        const auto reached = std::find_if(owners.begin(), owners.end(), KeyboardReaches);
        if (reached == owners.end())
            return;
        (*reached)->AccessibleWidget()->setFocus(Qt::ShortcutFocusReason);
        (*reached)->KeyboardActivate();
        return;
    }
    TControl* target = key == VK_RETURN   ? defaultControl_
                       : key == VK_ESCAPE ? cancelControl_
                                          : nullptr;
    if (!target || shift.Contains(ssAlt) || shift.Contains(ssCtrl))
        return;
    key = 0;
    target->KeyboardActivate();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    borderStyle_ = value;
    bool shown = Widget()->isVisible();
    Qt::WindowFlags flags = Qt::Window;
    if (value == bsNone)
        flags |= Qt::FramelessWindowHint;
    Widget()->setWindowFlags(flags);
    Widget()->setGeometry(Left(), Top(), Width(), Height());
    if (shown)
        Widget()->show();
}

void TCustomForm::Close() {
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

void TCustomForm::SysCommand(WPARAM command) {
    switch (command & 0xFFF0) {
    case SC_MOVE:
        if (QWindow* window = Widget()->windowHandle())
            window->startSystemMove();
        break;
    case SC_MINIMIZE:
        Widget()->showMinimized();
        break;
    default:
        break;
    }
}

void TCustomForm::UpdateWindowTitle() {
    Widget()->setWindowTitle(Application ? GbkToQString(Application->Title()) : QString());
}

void TCustomForm::DecodePicturesAhead() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    decodeAheadScale_ = screen ? screen->devicePixelRatio() : 1.0;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* image = dynamic_cast<TImage*>(Components(i)); image && image->Visible())
            image->Picture()->DecodeAhead(*decodeAheadScale_);
}

bool TCustomForm::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed here, the key comes back as a key press to KeyDown instead of starting a
        // shortcut of Qt's (a native button's own).
        const auto& keyEvent = *static_cast<QKeyEvent*>(event);
        if (!AccessKeyOwners(AccessKeyOf(VirtualKeyOf(keyEvent),
                                         ShiftStateOf(keyEvent.modifiers(), Qt::NoButton)))
                 .empty()) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::Close) {
        // Closing from outside (the window manager, Alt+F4) is the form's cancel control when
        // it has one, else it ends the program only through the main form; other windows
        // stay, so no window is ever lost while the program runs.
        event->ignore();
        if (cancelControl_)
            cancelControl_->KeyboardActivate();
        else if (Application && Application->MainForm() == this)
            Close();
        return true;
    }
    return TWinControl::WidgetEvent(event);
}

namespace {
// Where windows may go: the primary screen without the panels; nothing without a screen.
std::optional<TRect> AvailableArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const QRect area = screen->availableGeometry();
    return Bounds(area.x(), area.y(), area.width(), area.height());
}
} // namespace

// On the primary screen only: centred on a desktop that spans two monitors, the window would
// straddle their seam.
void TCustomForm::CenterOnDesktop() {
    const auto area = AvailableArea();
    if (!area)
        return;
    TPoint origin = DesktopCenteredOrigin(area->Width(), area->Height(), Width(), Height());
    SetBounds(area->Left + origin.X, area->Top + origin.Y, Width(), Height());
}

void TCustomForm::KeepOnScreen() {
    const auto area = AvailableArea();
    if (!area)
        return;
    const TRect inside = InsideArea(BoundsRect(), *area);
    if (inside != BoundsRect())
        SetBounds(inside.Left, inside.Top, inside.Width(), inside.Height());
}

void TCustomForm::BoundsChanged() {
    // Fixed for the window manager; the program alone sizes its windows. The old limits are
    // lifted while the window moves, or Qt would keep its old size (and report the old place).
    Widget()->setMinimumSize(0, 0);
    Widget()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    TWinControl::BoundsChanged();
    Widget()->setFixedSize(Width(), Height());
    if (shownBefore_ && Visible())
        KeepOnScreen();
}

void TCustomForm::VisibleChanged() {
    if (Visible()) {
        if (!shownBefore_ && (position_ == poDesktopCenter || position_ == poScreenCenter))
            CenterOnDesktop();
        shownBefore_ = true;
        KeepOnScreen();
        Widget()->setGeometry(Left(), Top(), Width(), Height());
        Widget()->show();
        if (!Widget()->focusWidget())
            if (QWidget* first = FirstFocusWidget())
                first->setFocus(Qt::ActiveWindowFocusReason);
        if (OnShow)
            OnShow(this);
    } else {
        Widget()->hide();
        if (OnHide)
            OnHide(this);
    }
}

const TClassInfo& TCustomForm::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TCustomForm, TWinControl>("TCustomForm")
                                       .Property("BorderStyle", &TCustomForm::SetBorderStyle)
                                       .Property("Position", &TCustomForm::SetPosition)
                                       .Event("OnCreate", &TCustomForm::OnCreate)
                                       .Event("OnShow", &TCustomForm::OnShow)
                                       .Event("OnHide", &TCustomForm::OnHide);
    return info;
}

const TClassInfo& TForm::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TForm, TCustomForm>("TForm");
    return info;
}
