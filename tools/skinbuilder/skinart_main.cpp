// make-skin-art: writes the BMP pictures of the options window's skin into a folder, where
// skinbuilder finds them beside a copy of the skin's ini file.
#include "SkinArt.h"

#include "skin/BmpImage.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-skin-art <folder>\n");
        return 2;
    }
    for (const SkinPicture& picture : DrawSkinPictures()) {
        std::vector<std::uint8_t> bytes = EncodeBmp(picture.Image, picture.BitCount);
        std::string path = std::string(argv[1]) + "/" + picture.FileName.toStdString();
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "make-skin-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
