// Skinned controls: TbsSkinControl (skin data link and record lookup), TbsSkinCustomControl
// (default font, copied record values) and TbsSkinCheckRadioBox, a check box or radio button
// drawn from a skin record of kind "checkradio" or, without one, in a plain built-in look.
#pragma once

#include "skin/CustomImageList.h"
#include "skin/bsSkinData.h"

#include "rtl/CustomControl.h"

#include <QPointer>
#include <QShortcut>

#include <memory>

class TbsSkinControl : public TCustomControl {
public:
    DECLARE_CLASS_INFO
    explicit TbsSkinControl(TComponent* owner);

    TbsSkinData* SkinData() const { return skinData_; }
    virtual void SetSkinData(TbsSkinData* value);
    const AnsiString& SkinDataName() const { return skinDataName_; }
    void SetSkinDataName(const AnsiString& value) { skinDataName_ = value; }
    const AnsiString& HintTitle() const { return hintTitle_; }
    void SetHintTitle(const AnsiString& value) { hintTitle_ = value; }
    int HintImageIndex() const { return hintImageIndex_; }
    void SetHintImageIndex(int value) { hintImageIndex_ = value; }
    TCustomImageList* HintImageList() const { return hintImageList_; }
    void SetHintImageList(TCustomImageList* value);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // Looks the record up again: -1 without skin data or while it is Empty.
    virtual void GetSkinData();
    void Notification(TComponent* component, TOperation operation) override;

    int FIndex = -1; // the record found at the last lookup

private:
    TbsSkinData* skinData_ = nullptr;
    AnsiString skinDataName_;
    AnsiString hintTitle_;
    int hintImageIndex_ = 0;
    TCustomImageList* hintImageList_ = nullptr;
};

class TbsSkinCustomControl : public TbsSkinControl {
public:
    DECLARE_CLASS_INFO
    explicit TbsSkinCustomControl(TComponent* owner);
    ~TbsSkinCustomControl() override;

    TFont* DefaultFont() const { return defaultFont_.get(); }
    int DefaultWidth() const { return defaultWidth_; }
    void SetDefaultWidth(int value) { defaultWidth_ = value; }
    int DefaultHeight() const { return defaultHeight_; }
    void SetDefaultHeight(int value) { defaultHeight_ = value; }
    bool UseSkinFont() const { return useSkinFont_; }
    void SetUseSkinFont(bool value) { useSkinFont_ = value; }

protected:
    void GetSkinData() override;

    // Copied from a record of a custom-control kind at each lookup.
    const QImage* Picture = nullptr;
    const QImage* MaskPicture = nullptr;
    TRect SkinRect, ClRect;
    TPoint LTPt, RTPt, LBPt, RBPt;
    bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
    bool StretchEffect = false;
    TStretchType StretchType = stFull;

private:
    std::unique_ptr<TFont> defaultFont_;
    int defaultWidth_ = 0;
    int defaultHeight_ = 0;
    bool useSkinFont_ = true;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
NameTable EnumNameTable(TCheckBoxState);

class TbsSkinCheckRadioBox : public TbsSkinCustomControl {
public:
    DECLARE_CLASS_INFO
    explicit TbsSkinCheckRadioBox(TComponent* owner);

    bool Checked() const { return checked_; }
    // Repaints at once, unchecks the group's other boxes when checking, and fires OnClick
    // (radio buttons only when checking), also when the value does not change.
    void SetChecked(bool value);
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    bool Radio() const { return radio_; }
    void SetRadio(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value) { groupIndex_ = value; }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool UseSkinFontColor() const { return useSkinFontColor_; }
    void SetUseSkinFontColor(bool value) { useSkinFontColor_ = value; }
    bool CanFocused() const { return canFocused_; }
    // Also sets TabStop to the same value.
    void SetCanFocused(bool value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool MouseIn() const { return mouseIn_; }
    void SetSkinData(TbsSkinData* value) override;

    // The user's action: a check box flips, a radio button only checks.
    void Toggle();

    bool CanFocus() const override { return canFocused_ && TbsSkinCustomControl::CanFocus(); }

    std::optional<bool> AccessibleChecked() const override { return checked_; }
    // The keyboard's and the screen reader's toggle.
    void KeyboardActivate() override { Toggle(); }

protected:
    void GetSkinData() override;
    void Paint() override;
    TAccessibleRole DefaultAccessibleRole() const override { return TAccessibleRole::CheckBox; }
    // OnClick belongs to the check logic; the framework's click adds nothing.
    void Click() override {}
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyUp(std::uint16_t& key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;
    void EnabledChanged() override;
    void CaptionChanged() override;
    void BoundsChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void SetMouseIn(bool value);
    void UncheckGroup();
    // Alt with the caption's accelerator character ("&x") toggles the box and focuses it.
    void UpdateAccelerator();
    void AcceleratorPressed();
    void PaintFlat(TCanvas& canvas, QImage& buffer);
    void PaintNonFlat(TCanvas& canvas, QImage& buffer);
    // Check image centred in checkArea, caption (after any list image) in textArea.
    void PaintSkinned(TCanvas& canvas, QImage& buffer, const TRect& checkArea,
                      const TRect& textArea);
    // The flat style's places: the check image at x = 3, the caption after it.
    TRect FlatCheckArea() const;
    TRect FlatTextArea() const;
    void PaintBuiltIn(TCanvas& canvas, QImage& buffer, int textLeft);
    // The check image rectangle of the current state, empty when there is none.
    TRect CheckImageOfState() const;
    void DrawCheckImage(QImage& buffer, const TRect& imageRect, bool mixWithWhite,
                        const TRect& area);
    // The piece rect (1x pixels) of the record's picture, cut from the picture's twin when
    // scale wants one.
    QImage SkinPiece(const TRect& rect, qreal scale) const;
    // Draws any list image, measures the caption and places its box, centred vertically in
    // area and cut at its right edge; returns the box.
    TRect CaptionBox(TCanvas& canvas, const TRect& area);
    void DrawFocus(TCanvas& canvas, QImage& buffer, TRect box);
    // Draws the Images picture at left, centred vertically; returns where the caption starts.
    int DrawListImage(TCanvas& canvas, int left);
    void SetCaptionFont(TCanvas& canvas, bool skinFont);

    bool checked_ = false;
    TCheckBoxState state_ = cbUnchecked;
    bool radio_ = false;
    int groupIndex_ = 0;
    bool allowGrayed_ = false;
    bool wordWrap_ = false;
    bool flat_ = true;
    QPointer<QShortcut> accelerator_;
    bool useSkinFontColor_ = true;
    bool canFocused_ = true;
    TCustomImageList* images_ = nullptr;
    int imageIndex_ = 0;
    bool mouseIn_ = false;
    bool pressed_ = false;

    // The check-box record found at the last lookup, its missing state pictures filled in.
    TbsDataSkinCheckRadioControl skin_{AnsiString(), AnsiString()};
};
