#include "CarriedGlyphs.h"

#include "ResourceFiles.h"

#include "winapi/kernel32.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QRawFont>
#include <fontconfig/fontconfig.h>
#include <memory>

namespace {

template <class T, void (*Free)(T*)> struct FcDeleter {
    void operator()(T* p) const { Free(p); }
};
using CharSet = std::unique_ptr<FcCharSet, FcDeleter<FcCharSet, FcCharSetDestroy>>;
using Pattern = std::unique_ptr<FcPattern, FcDeleter<FcPattern, FcPatternDestroy>>;
using ObjectSet = std::unique_ptr<FcObjectSet, FcDeleter<FcObjectSet, FcObjectSetDestroy>>;
using FontSet = std::unique_ptr<FcFontSet, FcDeleter<FcFontSet, FcFontSetDestroy>>;

QByteArray ResourceData(const char* name) {
    const std::string_view bytes = ResourceBytes(name);
    return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The characters beyond ASCII that the font has.
CharSet CharactersOf(const QByteArray& font) {
    CharSet characters(FcCharSetCreate());
    const QRawFont raw(font, 12);
    for (char32_t c = 0x80; c < 0x10000; ++c)
        if (raw.supportsCharacter(c))
            FcCharSetAddChar(characters.get(), c);
    return characters;
}

} // namespace

bool MachineHasGlyphsFor(const char* fontResource) {
    const CharSet needed = CharactersOf(ResourceData(fontResource));
    Pattern pattern(FcPatternCreate());
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, needed.get());
    ObjectSet family(FcObjectSetBuild(FC_FAMILY, nullptr));
    // Listing with a character set gives the fonts that hold all of it.
    const FontSet fonts(FcFontList(nullptr, pattern.get(), family.get()));
    return fonts && fonts->nfont > 0;
}

void UseCarriedGlyphsWhenNeeded() {
    if (!FindResourceA(nullptr, kCarriedGlyphsResource, RT_RCDATA))
        return;
    if (!MachineHasGlyphsFor(kCarriedGlyphsResource))
        QFontDatabase::addApplicationFontFromData(ResourceData(kCarriedGlyphsResource));
}
