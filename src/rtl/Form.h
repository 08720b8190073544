// Forms: top-level windows (frameless with BorderStyle bsNone) whose title is the
// application title, restored from the stored description named after their class.
//
// First showing: with Position poDesktopCenter (or poScreenCenter) the form is centred on the
// primary screen's available area the first time it is shown, with its size at that moment;
// later showings keep its place, and a form that grows keeps its top-left corner unless it
// would leave the available area, where it moves back inside. A top-level form has a fixed
// size for the window manager (minimum = maximum), so nothing maximises it.
//
// Keyboard: Return clicks the default control and Escape the cancel control (when the form
// has them); a close request from the window manager (Alt+F4) clicks the cancel control too.
// Alt with a control's access key focuses and clicks (or ticks) that control when Tab could
// reach it: shown inside the window and enabled. The form takes these keys before Qt's own
// shortcuts, so one rule holds for native and painted controls alike.
// The first showing focuses the first control (WinControl.h).
#pragma once

#include "WinControl.h"

#include "winapi/windef.h"

#include <optional>
#include <vector>

struct TObjectDescription;
class QKeySequence;

// WM_SYSCOMMAND values.
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MOVE = 0xF010;
inline constexpr WPARAM HTCAPTION = 2;

class TCustomForm : public TWinControl {
public:
    DECLARE_CLASS_INFO
    explicit TCustomForm(TComponent* owner);

    // Restores the form from its stored description (resource named after the class, in
    // capitals), then runs OnCreate. The application's CreateForm calls this.
    void AfterConstruction();
    // The same from a description at hand.
    void AfterConstruction(const TObjectDescription& description);

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    // Hides the form; the main form's Close terminates the application instead.
    void Close();
    // WM_SYSCOMMAND sent straight to the form: SC_MOVE (with or without HTCAPTION) lets the
    // window manager move the window with the pointer; SC_MINIMIZE minimises it.
    virtual void SysCommand(WPARAM command);

    void UpdateWindowTitle();
    // What Return and Escape click; a close request from outside also clicks CancelControl.
    TControl* DefaultControl() const { return defaultControl_; }
    void SetDefaultControl(TControl* value) { defaultControl_ = value; }
    TControl* CancelControl() const { return cancelControl_; }
    void SetCancelControl(TControl* value) { cancelControl_ = value; }
    // For a form shown soon: the pictures of its visible images decode on threads, for the
    // device pixel ratio of the primary screen, where the form shows; those set already from
    // now and the others as soon as they are set (so a form read afterwards decodes its
    // pictures while the rest of it is read).
    void DecodePicturesAhead();
    // The device pixel ratio the pictures decode ahead for; nothing when they do not.
    std::optional<qreal> DecodeAheadScale() const { return decodeAheadScale_; }
    bool WidgetEvent(QEvent* event) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void VisibleChanged() override;
    void BoundsChanged() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    TAccessibleRole DefaultAccessibleRole() const override { return TAccessibleRole::Window; }

private:
    void CenterOnDesktop();
    // The controls whose access key is key (upper case), whether the keyboard reaches them
    // or not; none for key 0.
    std::vector<TControl*> AccessKeyOwners(char key) const;
    // Moves the shown form back inside the primary screen's available area.
    void KeepOnScreen();
    // Gives every windowless control with a role its stand-in, then builds the tab chain.
    void ExposeToKeyboard();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    bool shownBefore_ = false;
    TControl* defaultControl_ = nullptr;
    TControl* cancelControl_ = nullptr;
    std::optional<qreal> decodeAheadScale_;
};

class TForm : public TCustomForm {
public:
    DECLARE_CLASS_INFO
    using TCustomForm::TCustomForm;
};

// Left and top that centre a window on a desktop: (desktop - window) div 2, each clamped at 0.
TPoint DesktopCenteredOrigin(int desktopWidth, int desktopHeight, int width, int height);
// The place of a window moved the least so that it lies inside area; a window larger than the
// area keeps its top-left corner at the area's.
TRect InsideArea(const TRect& window, const TRect& area);

// Alt+key, the sequence an access key stands for (Qt writes it "Alt+B"); empty for no key.
QKeySequence AccessKeySequence(char key);

// The drag rule of the windows: when the left button is in the press's shift state, end the
// mouse capture and send the form SC_MOVE + HTCAPTION; otherwise do nothing.
void BeginWindowDrag(TCustomForm* form, TShiftState shift);
