#include "Form.h"

#include "Application.h"
#include "DescriptionReader.h"
#include "Image.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

TPoint DesktopCenteredOrigin(int desktopWidth, int desktopHeight, int width, int height) {
    // C++ division truncates toward zero, as the window rule asks.
    return {std::max(0, (desktopWidth - width) / 2), std::max(0, (desktopHeight - height) / 2)};
}

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
}

void TCustomForm::AfterConstruction(const TObjectDescription& description) {
    ReadComponent(this, description);
    if (OnCreate)
        OnCreate(this);
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
    if (event->type() == QEvent::Close) {
        // Closing from outside (the window manager) ends the program only through the main
        // form; other windows stay, so no window is ever lost while the program runs.
        event->ignore();
        if (Application && Application->MainForm() == this)
            Close();
        return true;
    }
    return TWinControl::WidgetEvent(event);
}

void TCustomForm::CenterOnDesktop() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QSize desktop = position_ == poDesktopCenter ? screen->virtualSize() : screen->size();
    TPoint origin = DesktopCenteredOrigin(desktop.width(), desktop.height(), Width(), Height());
    SetBounds(origin.X, origin.Y, Width(), Height());
}

void TCustomForm::VisibleChanged() {
    if (Visible()) {
        if (!shownBefore_ && (position_ == poDesktopCenter || position_ == poScreenCenter))
            CenterOnDesktop();
        shownBefore_ = true;
        Widget()->setGeometry(Left(), Top(), Width(), Height());
        Widget()->show();
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
