// skinbuilder: makes the compressed block of a stored skin.
//
//   skinbuilder <skin.ini> <out.block>            from an ini file and its BMP pictures
//   skinbuilder --precompressed <file> <out.block> from a precompressed skin file
#include "SkinBuilder.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>

int main(int argc, char** argv) {
    try {
        std::vector<std::uint8_t> block;
        const char* out = nullptr;
        if (argc == 4 && std::strcmp(argv[1], "--precompressed") == 0) {
            block = ReadPrecompressedSkin(argv[2]);
            out = argv[3];
        } else if (argc == 3) {
            block = BuildStoredSkin(argv[1]);
            out = argv[2];
        } else {
            std::fprintf(stderr, "usage: skinbuilder [--precompressed] <input> <out.block>\n");
            return 2;
        }
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        if (!file)
            throw std::runtime_error(std::string("cannot write ") + out);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skinbuilder: %s\n", e.what());
        return 1;
    }
}
