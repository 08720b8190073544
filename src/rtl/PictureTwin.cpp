#include "PictureTwin.h"

#include "PngFile.h"

#include "winapi/kernel32.h"

#include <algorithm>
#include <cctype>

namespace {

AnsiString Upper(AnsiString text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::span<const std::uint8_t> ProgramResource(const AnsiString& name) {
    HRSRC resource = FindResourceA(nullptr, name.c_str(), RT_RCDATA);
    HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, resource)};
}

} // namespace

AnsiString TwinResourceName(const TComponent& component, const AnsiString& part) {
    if (component.Owner() == nullptr || component.Name().empty())
        return {};
    AnsiString name = AnsiString(component.Owner()->ClassName()) + "." + component.Name();
    if (!part.empty())
        name += "." + part;
    return Upper(name + "@2x");
}

PictureTwin::PictureTwin(AnsiString resourceName) {
    if (!resourceName.empty())
        state_ = std::make_shared<State>(State{std::move(resourceName), false, QImage()});
}

std::span<const std::uint8_t> PictureTwin::Resource() const {
    return state_ ? ProgramResource(state_->name) : std::span<const std::uint8_t>();
}

const QImage& PictureTwin::ForScale(const QImage& picture, qreal scale) const {
    if (!state_ || !WantsTwin(scale) || picture.isNull())
        return picture;
    if (!state_->looked) {
        state_->looked = true;
        std::span<const std::uint8_t> png = Resource();
        if (!png.empty()) {
            state_->image = DecodePng(png);
            state_->image.setDevicePixelRatio(2);
        }
    }
    return state_->image.size() == picture.size() * 2 ? state_->image : picture;
}
