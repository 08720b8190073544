// TImage: a windowless picture. The picture is drawn at natural size from the control's
// top-left corner, alpha-blended over what lies beneath, never scaled; whatever is outside the
// control is cut off. With an OnClick it serves as a picture-button. On a scaled screen the
// picture read from the description is painted from its twin, "<owner class>.<name>@2X"
// (PictureTwin.h), in the same place.
#pragma once

#include "GraphicControl.h"
#include "Picture.h"

#include <memory>

class TImage : public TGraphicControl {
public:
    DECLARE_CLASS_INFO
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    // Draws into the picture; an empty picture becomes a white image of the control's size.
    TCanvas* Canvas();

protected:
    void Paint() override;
    // With a click handler the picture is a button.
    TAccessibleRole DefaultAccessibleRole() const override {
        return OnClick ? TAccessibleRole::PushButton : TAccessibleRole::None;
    }

private:
    void PictureChanged();

    std::unique_ptr<TPicture> picture_;
    std::unique_ptr<TCanvas> pictureCanvas_;
    bool autoSize_ = false;
    bool transparent_ = false;
};
