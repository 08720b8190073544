#include "Label.h"

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

unsigned TCustomLabel::TextFlags() const {
    unsigned flags = DT_EXPANDTABS;
    if (alignment_ == taCenter)
        flags |= DT_CENTER;
    else if (alignment_ == taRightJustify)
        flags |= DT_RIGHT;
    if (wordWrap_)
        flags |= DT_WORDBREAK;
    return flags;
}

void TCustomLabel::DoDrawText(TRect& rect, unsigned flags) {
    // An empty caption still measures one line high.
    const AnsiString text =
        (flags & DT_CALCRECT) && Caption().empty() ? AnsiString(1, ' ') : Caption();
    if (!showAccelChar_)
        flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    if (!Enabled()) {
        TRect shifted = Rect(rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(text, shifted, flags);
        canvas->Font()->SetColor(clBtnShadow);
    }
    canvas->DrawText(text, rect, flags);
}

void TCustomLabel::Paint() {
    TCanvas* canvas = Canvas();
    if (!transparent_) {
        canvas->Brush.Color = Color();
        canvas->Brush.Style = bsSolid;
        canvas->FillRect(ClientRect());
    }
    canvas->Brush.Style = bsClear;
    TRect rect = ClientRect();
    unsigned flags = TextFlags();
    if (layout_ != tlTop) {
        TRect measured = rect;
        DoDrawText(measured, flags | DT_CALCRECT);
        int offset = rect.Height() - measured.Height();
        if (layout_ == tlCenter)
            offset /= 2;
        rect.Top += offset;
        rect.Bottom += offset;
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || ComponentState().Contains(csLoading))
        return;
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    TCanvas canvas(&scratch);
    TRect rect = ClientRect();
    WithCanvas(canvas, [&] { DoDrawText(rect, TextFlags() | DT_CALCRECT); });
    int left = Left();
    if (alignment_ == taRightJustify)
        left += Width() - rect.Width();
    SetBounds(left, Top(), rect.Width(), rect.Height());
}

void TCustomLabel::CaptionChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

const TClassInfo& TCustomLabel::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TCustomLabel, TGraphicControl>("TCustomLabel")
                                       .Property("Alignment", &TCustomLabel::SetAlignment)
                                       .Property("AutoSize", &TCustomLabel::SetAutoSize)
                                       .Property("Layout", &TCustomLabel::SetLayout)
                                       .Property("Transparent", &TCustomLabel::SetTransparent)
                                       .Property("WordWrap", &TCustomLabel::SetWordWrap)
                                       .Property("ShowAccelChar", &TCustomLabel::SetShowAccelChar);
    return info;
}

const TClassInfo& TLabel::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TLabel, TCustomLabel>("TLabel");
    return info;
}
