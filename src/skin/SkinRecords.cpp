#include "skin/SkinRecords.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kControlKinds = {
    "panel",    "expanel",     "menubutton", "button",   "checkradio", "gauge",
    "splitter", "trackbar",    "label",      "stdlabel", "updown",     "grid",
    "tab",      "mainmenubar", "controlbar", "memo",     "edit",       "checklistbox",
    "listbox",  "combobox",    "scrollbar",  "spinedit", "scrollbox",  "treeview",
    "bevel",    "slider",      "listview",   "richedit"};

constexpr std::array kObjectKinds = {"menuitem",          "mainmenubaritem", "stdbutton",
                                     "mainmenubarbutton", "button",          "caption",
                                     "animate",           "userobject"};

TStretchType ReadStretchType(const SkinIni& ini, const AnsiString& section) {
    AnsiString value = ini.ReadString(section, "stretchtype", "stfull");
    if (value == "stfull")
        return stFull;
    if (value == "stvert")
        return stVert;
    return stHorz;
}

TbsMorphKind ReadMorphKind(const SkinIni& ini, const AnsiString& section) {
    static const std::pair<const char*, TbsMorphKind> kinds[] = {
        {"mkgradient", mkGradient},           {"mkleftgradient", mkLeftGradient},
        {"mkrightgradient", mkRightGradient}, {"mkleftslide", mkLeftSlide},
        {"mkrightslide", mkRightSlide},       {"mkpush", mkPush}};
    AnsiString value = ini.ReadString(section, "morphkind", "mkdefault");
    for (const auto& [name, kind] : kinds)
        if (value == name)
            return kind;
    return mkDefault;
}

TColor ReadColor(const SkinIni& ini, const AnsiString& section, const char* key, TColor def) {
    return TColor(ini.ReadInteger(section, key, def));
}

// The font keys both text-bearing records share.
void ReadFontKeys(const SkinIni& ini, const AnsiString& section, AnsiString& name, int& height,
                  TFontStyles& style, TColor& color) {
    name = ini.ReadString(section, "fontname", "Arial");
    height = ini.ReadInteger(section, "fontheight", 14);
    style = ini.ReadFontStyle(section, "fontstyle");
    color = ReadColor(ini, section, "fontcolor", clBlack);
}

} // namespace

void TbsDataSkinControl::LoadFromFile(const SkinIni& ini) {
    PictureIndex = ini.ReadInteger(IDName, "pictureindex", -1);
    MaskPictureIndex = ini.ReadInteger(IDName, "maskpictureindex", -1);
    SkinRect = ini.ReadRect(IDName, "skinrect");
}

void TbsDataSkinCustomControl::LoadFromFile(const SkinIni& ini) {
    TbsDataSkinControl::LoadFromFile(ini);
    LTPoint = ini.ReadPoint(IDName, "lefttoppoint");
    RTPoint = ini.ReadPoint(IDName, "righttoppoint");
    LBPoint = ini.ReadPoint(IDName, "leftbottompoint");
    RBPoint = ini.ReadPoint(IDName, "rightbottompoint");
    ClRect = ini.ReadRect(IDName, "clientrect");
    LeftStretch = ini.ReadBool(IDName, "leftstretch", false);
    TopStretch = ini.ReadBool(IDName, "topstretch", false);
    RightStretch = ini.ReadBool(IDName, "rightstretch", false);
    BottomStretch = ini.ReadBool(IDName, "bottomstretch", false);
    StretchEffect = ini.ReadBool(IDName, "stretcheffect", false);
    StretchType = ReadStretchType(ini, IDName);
}

void TbsDataSkinCheckRadioControl::LoadFromFile(const SkinIni& ini) {
    TbsDataSkinCustomControl::LoadFromFile(ini);
    ReadFontKeys(ini, IDName, FontName, FontHeight, FontStyle, FontColor);
    ActiveFontColor = ReadColor(ini, IDName, "activefontcolor", clBlack);
    UnEnabledFontColor = ReadColor(ini, IDName, "unenabledfontcolor", clBlack);
    FrameFontColor = ReadColor(ini, IDName, "framefontcolor", clBlack);
    ActiveSkinRect = ini.ReadRect(IDName, "activeskinrect");
    CheckImageArea = ini.ReadRect(IDName, "checkimagearea");
    TextArea = ini.ReadRect(IDName, "textarea");
    CheckImageRect = ini.ReadRect(IDName, "checkimagerect");
    UnCheckImageRect = ini.ReadRect(IDName, "uncheckimagerect");
    ActiveCheckImageRect = ini.ReadRect(IDName, "activecheckimagerect");
    ActiveUnCheckImageRect = ini.ReadRect(IDName, "activeuncheckimagerect");
    UnEnabledCheckImageRect = ini.ReadRect(IDName, "unenabledcheckimagerect");
    UnEnabledUnCheckImageRect = ini.ReadRect(IDName, "unenableduncheckimagerect");
    GrayedCheckImageRect = ini.ReadRect(IDName, "grayedcheckimagerect");
    ActiveGrayedCheckImageRect = ini.ReadRect(IDName, "activegrayedcheckimagerect");
    Morphing = ini.ReadBool(IDName, "morphing", false);
    MorphKind = ReadMorphKind(ini, IDName);
}

void TbsDataSkinStdLabelControl::LoadFromFile(const SkinIni& ini) {
    TbsDataSkinControl::LoadFromFile(ini);
    ReadFontKeys(ini, IDName, FontName, FontHeight, FontStyle, FontColor);
    ActiveFontColor = ReadColor(ini, IDName, "activefontcolor", clBlue);
}

void TbsDataSkinObject::LoadFromFile(const SkinIni& ini) {
    SkinRect = ini.ReadRect(IDName, "skinrect");
    ActiveSkinRect = ini.ReadRect(IDName, "activeskinrect");
}

std::unique_ptr<TbsDataSkinControl> CreateControlRecord(const AnsiString& name,
                                                        const AnsiString& kind) {
    if (kind == "checkradio")
        return std::make_unique<TbsDataSkinCheckRadioControl>(name, kind);
    if (kind == "stdlabel")
        return std::make_unique<TbsDataSkinStdLabelControl>(name, kind);
    // The other kinds are kept with their common keys; no window draws them.
    if (std::find(kControlKinds.begin(), kControlKinds.end(), kind) != kControlKinds.end())
        return std::make_unique<TbsDataSkinControl>(name, kind);
    return nullptr;
}

std::unique_ptr<TbsDataSkinObject> CreateObjectRecord(const AnsiString& name,
                                                      const AnsiString& kind) {
    if (std::find(kObjectKinds.begin(), kObjectKinds.end(), kind) == kObjectKinds.end())
        return nullptr;
    return std::make_unique<TbsDataSkinObject>(name, kind);
}
