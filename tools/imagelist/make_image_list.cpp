// make-image-list <width> <height> <count> <output>
//
// Writes the stored form (ImageList_Write's) of an image list holding <count> white
// placeholders of <width> x <height>, grown in the framework's steps of four. A PNG image list
// carries such a list beside its pictures: one placeholder per picture, no picture data.
#include "skin/CustomImageList.h"
#include "skin/PlatformImageList.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool ParseCount(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    int width = 0, height = 0, count = 0;
    if (argc != 5 || !ParseCount(argv[1], 1, 4096, width) ||
        !ParseCount(argv[2], 1, 4096, height) || !ParseCount(argv[3], 0, 1024, count)) {
        std::fprintf(stderr, "usage: make-image-list <width> <height> <count> <output>\n");
        return 2;
    }
    PlatformImageList list(width, height, TCustomImageList::kAllocBy, TCustomImageList::kAllocBy);
    QImage white(width, height, QImage::Format_RGB32);
    white.fill(Qt::white);
    for (int i = 0; i < count; ++i)
        list.Add(white);
    std::vector<std::uint8_t> stored = list.Write();

    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(stored.data()),
              static_cast<std::streamsize>(stored.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[4]);
        return 1;
    }
    return 0;
}
