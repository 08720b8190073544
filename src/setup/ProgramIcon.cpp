#include "ProgramIcon.h"

#include "LauncherFiles.h"
#include "XdgFolders.h"

#include "rtl/PngFile.h"

#include "winapi/SystemRoot.h"
#include "winapi/version.h"

#include <cstdint>

namespace {

// The side of a square PNG image of at most 1024 pixels, or 0 for anything else: other
// shapes, and files that are no whole, sound PNG, which an icon theme must not get.
unsigned SquarePngSize(const std::string& image) {
    const auto layout =
        ReadPngLayout({reinterpret_cast<const std::uint8_t*>(image.data()), image.size()});
    if (!layout)
        return 0;
    const int side = layout->size.width();
    return side == layout->size.height() && side > 0 && side <= 1024 ? static_cast<unsigned>(side)
                                                                     : 0;
}

} // namespace

std::vector<std::string> InstallProgramIcon(const AnsiString& program,
                                            const std::string& iconName) {
    std::vector<std::string> written;
    const auto path = winapi::ToLinuxPath(program);
    if (!path)
        return written;
    for (const std::string& image : winapi::ReadIconImages(*path)) {
        const unsigned size = SquarePngSize(image);
        if (size == 0)
            continue;
        const std::string side = std::to_string(size);
        const std::string file =
            DataHome() + "/icons/hicolor/" + side + "x" + side + "/apps/" + iconName + ".png";
        if (!HoldsExactly(file, image))
            WriteFile(file, image);
        written.push_back(file);
    }
    return written;
}
