#include "CarriedGlyphs.h"

#include "ResourceFiles.h"

#include "winapi/kernel32.h"

#include <QByteArray>
#include <QFontDatabase>
#include <memory>

// fcfreetype.h needs the types of fontconfig.h.
#include <fontconfig/fontconfig.h>

#include <fontconfig/fcfreetype.h>

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

// The characters beyond ASCII that the font maps, read from its character map; every font has
// ASCII. Empty when FreeType cannot read the font.
CharSet CharactersOf(std::string_view font) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return CharSet(FcCharSetCreate());
    FT_Face face = nullptr;
    CharSet characters;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font.data()),
                           static_cast<FT_Long>(font.size()), 0, &face) == 0) {
        characters.reset(FcFreeTypeCharSet(face, nullptr));
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    if (!characters)
        return CharSet(FcCharSetCreate());
    for (FcChar32 c = 0; c < 0x80; ++c)
        FcCharSetDelChar(characters.get(), c);
    return characters;
}

} // namespace

bool MachineHasGlyphsFor(const char* fontResource) {
    const CharSet needed = CharactersOf(ResourceBytes(fontResource));
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
