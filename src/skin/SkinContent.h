// Everything a loaded skin holds: its pictures, texts, colours and records, read from an
// inflated stored skin in the engine's section order.
#pragma once

#include "skin/SkinContainer.h"
#include "skin/SkinIni.h"
#include "skin/SkinRecords.h"

#include <memory>
#include <vector>

// [SKINCOLORS]: colours that replace the system colours of the same roles; each defaults to
// that system colour.
struct TbsSkinColors {
    TColor cBtnFace = clBtnFace;
    TColor cBtnText = clBtnText;
    TColor cWindow = clWindow;
    TColor cWindowText = clWindowText;
    TColor cHighLight = clHighlight;
    TColor cHighLightText = clHighlightText;
    TColor cBtnHighLight = clBtnHighlight;
    TColor cBtnShadow = clBtnShadow;

    void LoadFromFile(const SkinIni& ini);
};

// [VERSION]: the skin's description, never shown.
struct TbsSkinDescription {
    AnsiString Ver, SkinName, SkinAuthor, AuthorEmail, AuthorURL, SkinComments;
};

// [PICTURES]: names of the files the pictures were built from.
struct TbsSkinPictureNames {
    AnsiString Picture, InActivePicture, Mask;
    std::vector<AnsiString> ActivePictures;
};

class SkinContent {
public:
    // Unpacks an inflated container. Returns false, leaving the content empty, for a
    // container version the engine does not read. Errors of the container or of a value
    // propagate (EReadError, EInvalidGraphic, EConvertError).
    bool Load(std::span<const std::uint8_t> container);
    void Clear();

    // Position of the first control record named exactly name, in file order; -1 if none.
    int GetControlIndex(const AnsiString& name) const;

    QImage Picture, InActivePicture, MaskPicture;
    std::vector<QImage> ActivePictures;
    TbsSkinDescription Description;
    TbsSkinPictureNames PictureNames;
    SkinIni::Section FormInfo, PopupWindow, HintWindow;
    TbsSkinColors SkinColors;
    std::vector<std::unique_ptr<TbsDataSkinObject>> ObjectList;
    std::vector<std::unique_ptr<TbsDataSkinControl>> CtrlList;

private:
    void ReadIni(const SkinIni& ini);
};
