// TControl: anything with a place in a window. Windowless controls (TGraphicControl) are
// painted by their parent window and get their mouse input from it; windowed controls
// (TWinControl) have a Qt widget. Windowless controls lie below windowed ones; among
// themselves the later-inserted one is on top.
//
// Input arrives through the Handle* entry points, which apply the click rule (a left press
// and release over the same control clicks it) and then call the virtual handlers MouseDown,
// MouseMove, MouseUp, Click, DblClick, MouseEnter, MouseLeave. Subclasses override those;
// the On* events are fired by the default implementations. Everything the Qt side calls is
// run through DispatchSafely (Application.h), so an error never crosses Qt.
#pragma once

#include "Classes.h"
#include "Font.h"
#include "TypeInfo.h"

#include <memory>
#include <optional>

class TWinControl;
class QWidget;

// What a control is to assistive technology (a screen reader) and to the keyboard.
enum class TAccessibleRole { None, Window, PushButton, CheckBox, Link, StatusLine };

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csClickEvents,
    csOpaque,
    csReplicatable,
    csSetCaption
};
using TControlStyle = Set<TControlStyleItem>;

class TControl : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
    // Position of a point of this control on the screen.
    virtual TPoint ClientToScreen(TPoint point) const;

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors value) { anchors_ = value; }

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& value);
    TFont* Font() const { return font_.get(); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& value) { hint_ = value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle value) { controlStyle_ = value; }

    // How assistive technology names the control: the name given, else its caption.
    AnsiString AccessibleName() const {
        return accessibleName_.empty() ? caption_ : accessibleName_;
    }
    void SetAccessibleName(const AnsiString& value);
    // The role given, else the kind's own.
    TAccessibleRole AccessibleRole() const {
        return accessibleRole_.value_or(DefaultAccessibleRole());
    }
    void SetAccessibleRole(TAccessibleRole value) { accessibleRole_ = value; }
    // The letter ('A' to 'Z', 0 for none) that Alt presses on its form. Nothing draws it, so
    // mouse users see the same pixels; assistive technology announces it as the key binding
    // of the control's action. Two controls that do the same may share a letter.
    char AccessKey() const { return accessKey_; }
    void SetAccessKey(char value);
    // Checked state for assistive technology; nothing for controls that cannot be checked.
    virtual std::optional<bool> AccessibleChecked() const { return std::nullopt; }
    // The widget that stands for the control to the keyboard and to assistive technology:
    // a windowed control's own, a windowless one's stand-in when it has one.
    virtual QWidget* AccessibleWidget() const { return nullptr; }
    // The keyboard's click: Space or Return on the focused control, or a screen reader's
    // press action.
    virtual void KeyboardActivate() { Click(); }

    // Schedules a repaint; Repaint paints at once.
    virtual void Invalidate();
    virtual void Repaint();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    // Input entry points (x, y in this control's coordinates).
    void HandleMousePress(TMouseButton button, TShiftState shift, int x, int y, bool doubleClick);
    void HandleMouseMove(TShiftState shift, int x, int y);
    void HandleMouseRelease(TMouseButton button, TShiftState shift, int x, int y);
    void HandleMouseEnter();
    void HandleMouseLeave();
    // Forgets a pending click (the press no longer counts).
    void CancelClick() { clicked_ = false; }
    bool MouseInControl() const { return mouseIn_; }

    // The cursor shown over this control: its own, else its parent's.
    TCursor EffectiveCursor() const;

protected:
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual TAccessibleRole DefaultAccessibleRole() const { return TAccessibleRole::None; }

    // Change hooks; windowed controls pass changes on to their widget.
    virtual void BoundsChanged();
    virtual void VisibleChanged();
    virtual void EnabledChanged() { Invalidate(); }
    virtual void CaptionChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void CursorChanged();
    virtual void AccessKeyChanged() {}
    virtual void ParentChanged() {}
    void Loaded() override;

    void SetInitialBounds(int left, int top, int width, int height);

private:
    friend class TWinControl;
    void ParentFontChanged();

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    TCursor cursor_ = crDefault;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    AnsiString caption_;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool updatingFont_ = false;
    TColor color_ = clBtnFace;
    AnsiString hint_;
    AnsiString accessibleName_;
    std::optional<TAccessibleRole> accessibleRole_;
    char accessKey_ = 0;
    bool showHint_ = false;
    TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption};
    bool clicked_ = false;
    bool mouseIn_ = false;
};

// The control that holds the mouse between a press and its release (the Win32 capture).
TControl* CaptureControl();
void SetCaptureControl(TControl* control);
// Ends the capture; the pending click of the control that held it is forgotten.
void ReleaseCapture();
