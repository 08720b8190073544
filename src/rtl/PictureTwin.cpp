#include "PictureTwin.h"

#include "PngFile.h"
#include "SysUtils.h"

#include "winapi/kernel32.h"

#include <system_error>

namespace {

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
    return UpperCase(name + "@2x");
}

PictureTwin::PictureTwin(AnsiString resourceName) {
    if (!resourceName.empty()) {
        state_ = std::make_shared<State>();
        state_->name = std::move(resourceName);
    }
}

std::span<const std::uint8_t> PictureTwin::Resource() const {
    return state_ ? ProgramResource(state_->name) : std::span<const std::uint8_t>();
}

void PictureTwin::DecodeAhead() const {
    if (!state_ || state_->looked || state_->decoding.valid())
        return;
    const std::span<const std::uint8_t> png = Resource(); // mapped for the program's life
    if (png.empty())
        return;
    try {
        state_->decoding = std::async(std::launch::async, [png] { return DecodePng(png); });
    } catch (const std::system_error&) {
        // No thread to be had: the twin is decoded when first drawn.
    }
}

const QImage& PictureTwin::Look() const {
    if (!state_->looked) {
        state_->looked = true;
        if (state_->decoding.valid())
            state_->image = state_->decoding.get();
        else if (std::span<const std::uint8_t> png = Resource(); !png.empty())
            state_->image = DecodePng(png);
        state_->image.setDevicePixelRatio(2);
    }
    return state_->image;
}

const QImage* PictureTwin::Fitting(QSize pictureSize, qreal scale) const {
    if (!state_ || !WantsTwin(scale) || pictureSize.isEmpty())
        return nullptr;
    const QImage& twin = Look();
    return !twin.isNull() && twin.size() == pictureSize * 2 ? &twin : nullptr;
}
