#include "skin/bsSkinExCtrls.h"

#include "winapi/shell32.h"

TbsSkinLinkLabel::TbsSkinLinkLabel(TComponent* owner)
    : TCustomLabel(owner), defaultFont_(std::make_unique<TFont>()) {
    defaultFont_->SetName("Arial");
    defaultFont_->SetHeight(14);
    defaultFont_->SetStyle({fsUnderline});
    Font()->Assign(defaultFont_.get());
    SetTransparent(true);
    SetCursor(crHandPoint);
}

TbsSkinLinkLabel::~TbsSkinLinkLabel() = default;

const TClassInfo& TbsSkinLinkLabel::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsSkinLinkLabel, TCustomLabel>("TbsSkinLinkLabel")
            .Property("GlowEffect", &TbsSkinLinkLabel::SetGlowEffect)
            .Property("GlowSize", &TbsSkinLinkLabel::SetGlowSize)
            .Property("UseUnderLine", &TbsSkinLinkLabel::SetUseUnderLine)
            .Property("UseSkinFont", &TbsSkinLinkLabel::SetUseSkinFont)
            .Property("DefaultActiveFontColor", &TbsSkinLinkLabel::SetDefaultActiveFontColor)
            .Property("URL", &TbsSkinLinkLabel::SetURL)
            .Object("DefaultFont", &TbsSkinLinkLabel::DefaultFont)
            .Reference("SkinData", &TbsSkinLinkLabel::SetSkinData)
            .Property("SkinDataName", &TbsSkinLinkLabel::SetSkinDataName);
    return info;
}

void TbsSkinLinkLabel::SetUseUnderLine(bool value) {
    if (value == useUnderLine_)
        return;
    useUnderLine_ = value;
    Repaint();
}

void TbsSkinLinkLabel::SetSkinData(TbsSkinData* value) {
    if (skinData_ != nullptr)
        skinData_->RemoveFreeNotification(this);
    skinData_ = value;
    if (value == nullptr)
        return;
    value->FreeNotification(this);
    GetSkinData();
    Repaint();
}

void TbsSkinLinkLabel::GetSkinData() {
    FIndex = (skinData_ == nullptr || skinData_->Empty())
                 ? -1
                 : skinData_->GetControlIndex(skinDataName_);
    if (FIndex == -1)
        return;
    if (auto* record = dynamic_cast<TbsDataSkinStdLabelControl*>(skinData_->CtrlList(FIndex))) {
        FontName = record->FontName;
        FontStyle = record->FontStyle;
        FontHeight = record->FontHeight;
        FontColor = record->FontColor;
        ActiveFontColor = record->ActiveFontColor;
    }
}

void TbsSkinLinkLabel::DoDrawText(TRect& rect, unsigned flags) {
    GetSkinData();
    bool measuring = (flags & DT_CALCRECT) != 0;
    AnsiString text = Caption();
    if (measuring && (text.empty() || (text == "&" && ShowAccelChar())))
        text = " ";
    if (!ShowAccelChar())
        flags |= DT_NOPREFIX;

    TRect drawRect = rect;
    if (glowEffect_) {
        drawRect.Top += glowSize_;
        drawRect.Bottom += glowSize_;
    }

    TCanvas& canvas = *Canvas();
    TFont* font = canvas.Font();
    TColor activeColour;
    if (FIndex == -1) {
        font->Assign(useSkinFont_ ? defaultFont_.get() : Font());
        if (mouseIn_)
            font->SetColor(defaultActiveFontColor_);
        font->SetStyle(font->Style() + TFontStyles{fsUnderline});
        activeColour = defaultActiveFontColor_;
    } else {
        font->Assign(Font());
        if (useSkinFont_) {
            font->SetName(FontName);
            font->SetStyle(FontStyle);
            font->SetHeight(FontHeight);
        }
        font->SetStyle(useUnderLine_ ? font->Style() + TFontStyles{fsUnderline}
                                     : font->Style() - TFontStyles{fsUnderline});
        font->SetColor(mouseIn_ && !glowEffect_ ? ActiveFontColor : FontColor);
        activeColour = ActiveFontColor;
    }
    font->SetCharset(defaultFont_->Charset());

    if (measuring) {
        canvas.DrawText(text, drawRect, flags);
        rect = drawRect;
        return;
    }
    if (Enabled()) {
        font->SetStyle(useUnderLine_ ? font->Style() + TFontStyles{fsUnderline}
                                     : font->Style() - TFontStyles{fsUnderline});
        if (mouseIn_ && glowEffect_)
            DrawGlowText(canvas, text, drawRect, flags, activeColour);
        else
            canvas.DrawText(text, drawRect, flags);
        return;
    }
    const TbsSkinColors* colours = FIndex == -1 ? nullptr : &skinData_->SkinColors();
    TRect shifted =
        Rect(drawRect.Left + 1, drawRect.Top + 1, drawRect.Right + 1, drawRect.Bottom + 1);
    font->SetColor(colours ? colours->cBtnHighLight : clBtnHighlight);
    canvas.DrawText(text, shifted, flags);
    font->SetColor(colours ? colours->cBtnShadow : clBtnShadow);
    canvas.DrawText(text, drawRect, flags);
}

// The glow: the text repeated around its place in the glow colour, then the text itself.
void TbsSkinLinkLabel::DrawGlowText(TCanvas& canvas, const AnsiString& text, TRect rect,
                                    unsigned flags, TColor glow) {
    TColor textColour = canvas.Font()->Color();
    canvas.Font()->SetColor(glow);
    int reach = std::max(1, std::min(glowSize_, 2));
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            if (dx == 0 && dy == 0)
                continue;
            TRect moved = Rect(rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy);
            canvas.DrawText(text, moved, flags);
        }
    canvas.Font()->SetColor(textColour);
    canvas.DrawText(text, rect, flags);
}

void TbsSkinLinkLabel::Click() {
    TCustomLabel::Click();
    if (!url_.empty())
        ShellExecuteA(nullptr, "open", url_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TbsSkinLinkLabel::MouseEnter() {
    TCustomLabel::MouseEnter();
    mouseIn_ = true;
    Repaint();
}

void TbsSkinLinkLabel::MouseLeave() {
    TCustomLabel::MouseLeave();
    mouseIn_ = false;
    Repaint();
}

void TbsSkinLinkLabel::Notification(TComponent* component, TOperation operation) {
    TCustomLabel::Notification(component, operation);
    if (operation == opRemove && component == skinData_)
        skinData_ = nullptr;
}
