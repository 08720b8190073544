// make-skin-art: writes the BMP pictures of the options window's skin into a folder, where
// skinbuilder finds them beside a copy of the skin's ini file, and beside each its twin for
// scaled screens, drawn at 2x and written as a PNG file: picture4.bmp gets picture4@2x.png.
#include "SkinArt.h"

#include "skin/BmpImage.h"

#include <QFileInfo>

#include <cstdio>
#include <fstream>

namespace {

bool WriteBmp(const SkinPicture& picture, const std::string& path) {
    std::vector<std::uint8_t> bytes = EncodeBmp(picture.Image, picture.BitCount);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool WriteTwin(const SkinPicture& twin, const QString& folder) {
    return twin.Image.save(folder + "/" + QFileInfo(twin.FileName).completeBaseName() + "@2x.png",
                           "PNG");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-skin-art <folder>\n");
        return 2;
    }
    for (const SkinPicture& picture : DrawSkinPictures(1)) {
        std::string path = std::string(argv[1]) + "/" + picture.FileName.toStdString();
        if (!WriteBmp(picture, path)) {
            std::fprintf(stderr, "make-skin-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    for (const SkinPicture& twin : DrawSkinPictures(2)) {
        if (!WriteTwin(twin, QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "make-skin-art: cannot write the twin of %s\n",
                         twin.FileName.toStdString().c_str());
            return 1;
        }
    }
    return 0;
}
