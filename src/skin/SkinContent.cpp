#include "skin/SkinContent.h"

#include <utility>

namespace {

SkinIni::Section CopySection(const SkinIni& ini, const char* name) {
    const SkinIni::Section* s = ini.FindSection(name);
    return s != nullptr ? *s : SkinIni::Section{name, {}};
}

// "name:kind", split at the first colon; entries without a colon have an empty kind.
std::pair<AnsiString, AnsiString> SplitEntry(const AnsiString& entry) {
    std::size_t colon = entry.find(':');
    if (colon == AnsiString::npos)
        return {entry, ""};
    return {entry.substr(0, colon), entry.substr(colon + 1)};
}

} // namespace

void TbsSkinColors::LoadFromFile(const SkinIni& ini) {
    const char* s = "SKINCOLORS";
    *this = TbsSkinColors();
    cBtnFace = TColor(ini.ReadInteger(s, "cbtnface", cBtnFace));
    cBtnText = TColor(ini.ReadInteger(s, "cbtntext", cBtnText));
    cWindow = TColor(ini.ReadInteger(s, "cwindow", cWindow));
    cWindowText = TColor(ini.ReadInteger(s, "cwindowtext", cWindowText));
    cHighLight = TColor(ini.ReadInteger(s, "chighlight", cHighLight));
    cHighLightText = TColor(ini.ReadInteger(s, "chighlighttext", cHighLightText));
    cBtnHighLight = TColor(ini.ReadInteger(s, "cbtnhighlight", cBtnHighLight));
    cBtnShadow = TColor(ini.ReadInteger(s, "cbtnshadow", cBtnShadow));
}

void SkinContent::Clear() {
    Picture = InActivePicture = MaskPicture = QImage();
    ActivePictures.clear();
    Description = {};
    PictureNames = {};
    FormInfo = PopupWindow = HintWindow = {};
    SkinColors = {};
    ObjectList.clear();
    CtrlList.clear();
}

bool SkinContent::Load(std::span<const std::uint8_t> bytes) {
    Clear();
    SkinContainer container = ReadSkinContainer(bytes);
    if (container.Version >= SkinContainer::kFirstUnknownVersion)
        return false;
    Picture = std::move(container.Picture);
    InActivePicture = std::move(container.InactivePicture);
    MaskPicture = std::move(container.MaskPicture);
    ActivePictures = std::move(container.ActivePictures);
    ReadIni(SkinIni::Parse(container.IniText));
    return true;
}

void SkinContent::ReadIni(const SkinIni& ini) {
    Description.Ver = ini.ReadString("VERSION", "ver", "");
    Description.SkinName = ini.ReadString("VERSION", "skinname", "");
    Description.SkinAuthor = ini.ReadString("VERSION", "skinauthor", "");
    Description.AuthorEmail = ini.ReadString("VERSION", "authoremail", "");
    Description.AuthorURL = ini.ReadString("VERSION", "authorurl", "");
    Description.SkinComments = ini.ReadString("VERSION", "skincomments", "");

    PictureNames.Picture = ini.ReadString("PICTURES", "picture", "");
    PictureNames.InActivePicture = ini.ReadString("PICTURES", "inactivepicture", "");
    PictureNames.Mask = ini.ReadString("PICTURES", "mask", "");
    int pictures = ini.ReadInteger("PICTURES", "activepicturescount", 0);
    for (int i = 0; i < pictures; ++i)
        PictureNames.ActivePictures.push_back(ini.ReadString("PICTURES", std::to_string(i), ""));

    FormInfo = CopySection(ini, "FORMINFO");
    PopupWindow = CopySection(ini, "POPUPWINDOW");
    HintWindow = CopySection(ini, "HINTWINDOW");
    SkinColors.LoadFromFile(ini);

    int objects = ini.ReadInteger("SKINOBJECTS", "count", 0);
    for (int i = 0; i < objects; ++i) {
        auto [name, kind] = SplitEntry(ini.ReadString("SKINOBJECTS", std::to_string(i), ""));
        if (auto record = CreateObjectRecord(name, kind)) {
            record->LoadFromFile(ini);
            ObjectList.push_back(std::move(record));
        }
    }
    int controls = ini.ReadInteger("SKINCONTROLS", "count", 0);
    for (int i = 0; i < controls; ++i) {
        auto [name, kind] = SplitEntry(ini.ReadString("SKINCONTROLS", std::to_string(i), ""));
        if (auto record = CreateControlRecord(name, kind)) {
            record->LoadFromFile(ini);
            CtrlList.push_back(std::move(record));
        }
    }
}

int SkinContent::GetControlIndex(const AnsiString& name) const {
    for (std::size_t i = 0; i < CtrlList.size(); ++i)
        if (CtrlList[i]->IDName == name)
            return static_cast<int>(i);
    return -1;
}
