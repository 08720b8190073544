// TbsSkinLinkLabel: a windowless label that looks and acts like a hyperlink: underlined text,
// a hand cursor, an optional colour under the pointer, a click event and an optional address
// opened by the shell on click. Only the text drawing differs from the framework label.
#pragma once

#include "skin/bsSkinData.h"

#include "rtl/Label.h"

#include <memory>

class TbsSkinLinkLabel : public TCustomLabel {
public:
    DECLARE_CLASS_INFO
    explicit TbsSkinLinkLabel(TComponent* owner);
    ~TbsSkinLinkLabel() override;

    bool GlowEffect() const { return glowEffect_; }
    void SetGlowEffect(bool value) { glowEffect_ = value; }
    int GlowSize() const { return glowSize_; }
    void SetGlowSize(int value) { glowSize_ = value; }
    bool UseUnderLine() const { return useUnderLine_; }
    void SetUseUnderLine(bool value);
    bool UseSkinFont() const { return useSkinFont_; }
    void SetUseSkinFont(bool value) { useSkinFont_ = value; }
    TColor DefaultActiveFontColor() const { return defaultActiveFontColor_; }
    void SetDefaultActiveFontColor(TColor value) { defaultActiveFontColor_ = value; }
    const AnsiString& URL() const { return url_; }
    void SetURL(const AnsiString& value) { url_ = value; }
    TFont* DefaultFont() const { return defaultFont_.get(); }
    TbsSkinData* SkinData() const { return skinData_; }
    // Stores the skin data; a linked one is looked up and the label repainted.
    void SetSkinData(TbsSkinData* value);
    const AnsiString& SkinDataName() const { return skinDataName_; }
    void SetSkinDataName(const AnsiString& value) { skinDataName_ = value; }
    bool MouseIn() const { return mouseIn_; }

protected:
    void DoDrawText(TRect& rect, unsigned flags) override;
    TAccessibleRole DefaultAccessibleRole() const override { return TAccessibleRole::Link; }
    void Click() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void GetSkinData();
    void DrawGlowText(TCanvas& canvas, const AnsiString& text, TRect rect, unsigned flags,
                      TColor glow);

    bool glowEffect_ = false;
    int glowSize_ = 7;
    bool useUnderLine_ = true;
    bool useSkinFont_ = true;
    TColor defaultActiveFontColor_ = clBlue;
    AnsiString url_;
    std::unique_ptr<TFont> defaultFont_;
    TbsSkinData* skinData_ = nullptr;
    AnsiString skinDataName_ = "stdlabel";
    bool mouseIn_ = false;

    // The record found at the last lookup and its values.
    int FIndex = -1;
    AnsiString FontName;
    TFontStyles FontStyle;
    int FontHeight = 14;
    TColor FontColor = clBlack;
    TColor ActiveFontColor = clBlue;
};
