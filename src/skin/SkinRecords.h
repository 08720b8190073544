// The records of a parsed skin: one per entry of [SKINCONTROLS] and [SKINOBJECTS], each
// reading its keys from the section named after it.
#pragma once

#include "skin/SkinIni.h"

#include <memory>

enum TStretchType { stFull, stHorz, stVert };
enum TbsMorphKind {
    mkDefault,
    mkGradient,
    mkLeftGradient,
    mkRightGradient,
    mkLeftSlide,
    mkRightSlide,
    mkPush
};

// Base of all control records.
class TbsDataSkinControl {
public:
    TbsDataSkinControl(AnsiString name, AnsiString kind)
        : IDName(std::move(name)), Kind(std::move(kind)) {}
    virtual ~TbsDataSkinControl() = default;

    virtual void LoadFromFile(const SkinIni& ini);

    AnsiString IDName; // the section holding the keys; matched case-sensitively
    AnsiString Kind;
    int PictureIndex = -1;
    int MaskPictureIndex = -1;
    TRect SkinRect;
};

class TbsDataSkinCustomControl : public TbsDataSkinControl {
public:
    using TbsDataSkinControl::TbsDataSkinControl;
    void LoadFromFile(const SkinIni& ini) override;

    TPoint LTPoint, RTPoint, LBPoint, RBPoint;
    TRect ClRect;
    bool LeftStretch = false, TopStretch = false, RightStretch = false, BottomStretch = false;
    bool StretchEffect = false;
    TStretchType StretchType = stFull;
};

class TbsDataSkinCheckRadioControl : public TbsDataSkinCustomControl {
public:
    using TbsDataSkinCustomControl::TbsDataSkinCustomControl;
    void LoadFromFile(const SkinIni& ini) override;

    AnsiString FontName = "Arial";
    int FontHeight = 14;
    TFontStyles FontStyle;
    TColor FontColor = clBlack, ActiveFontColor = clBlack, UnEnabledFontColor = clBlack,
           FrameFontColor = clBlack;
    TRect ActiveSkinRect, CheckImageArea, TextArea, CheckImageRect, UnCheckImageRect,
        ActiveCheckImageRect, ActiveUnCheckImageRect, UnEnabledCheckImageRect,
        UnEnabledUnCheckImageRect, GrayedCheckImageRect, ActiveGrayedCheckImageRect;
    bool Morphing = false;
    TbsMorphKind MorphKind = mkDefault;
};

class TbsDataSkinStdLabelControl : public TbsDataSkinControl {
public:
    using TbsDataSkinControl::TbsDataSkinControl;
    void LoadFromFile(const SkinIni& ini) override;

    AnsiString FontName = "Arial";
    int FontHeight = 14;
    TFontStyles FontStyle;
    TColor FontColor = clBlack;
    TColor ActiveFontColor = clBlue;
};

// A window-frame object of [SKINOBJECTS]; the windows draw none of them.
class TbsDataSkinObject {
public:
    TbsDataSkinObject(AnsiString name, AnsiString kind)
        : IDName(std::move(name)), Kind(std::move(kind)) {}
    void LoadFromFile(const SkinIni& ini);

    AnsiString IDName;
    AnsiString Kind;
    TRect SkinRect;
    TRect ActiveSkinRect;
};

// The record for a [SKINCONTROLS] entry of the given kind; null for a kind the engine
// does not know.
std::unique_ptr<TbsDataSkinControl> CreateControlRecord(const AnsiString& name,
                                                        const AnsiString& kind);
// Likewise for [SKINOBJECTS].
std::unique_ptr<TbsDataSkinObject> CreateObjectRecord(const AnsiString& name,
                                                      const AnsiString& kind);
