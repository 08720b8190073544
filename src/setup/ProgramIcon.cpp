#include "ProgramIcon.h"

#include "LauncherFiles.h"
#include "XdgFolders.h"

#include "winapi/SystemRoot.h"
#include "winapi/version.h"

namespace {

// The width and height of a PNG image, or 0 when the bytes are no PNG.
unsigned SquarePngSize(const std::string& image) {
    static const std::string kSignature = "\x89PNG\r\n\x1a\n";
    if (image.size() < 24 || image.compare(0, 8, kSignature) != 0 ||
        image.compare(12, 4, "IHDR") != 0)
        return 0;
    auto big32 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(image[at])) << 24 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 1])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 2])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 3]));
    };
    const unsigned width = big32(16);
    return width == big32(20) && width > 0 && width <= 1024 ? width : 0;
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
