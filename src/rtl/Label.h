// TCustomLabel / TLabel: windowless text. Subclasses that draw their text differently
// override DoDrawText, which is called both to measure (flags with DT_CALCRECT: set the
// rectangle's right and bottom) and to paint; layout, automatic sizing and the background
// (filled with Color unless Transparent) stay the label's.
#pragma once

#include "GraphicControl.h"

class TCustomLabel : public TGraphicControl {
public:
    DECLARE_CLASS_INFO
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);

protected:
    virtual void DoDrawText(TRect& rect, unsigned flags);
    void Paint() override;
    void AdjustBounds();
    void CaptionChanged() override;
    void FontChanged() override;
    void Loaded() override;

private:
    unsigned TextFlags() const;

    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TTextLayout layout_ = tlTop;
    bool transparent_ = false;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
};

class TLabel : public TCustomLabel {
public:
    DECLARE_CLASS_INFO
    using TCustomLabel::TCustomLabel;
};
