// respack -o <output.s> <NAME> <file> [<NAME> <file> ...]
// Writes the assembler source of a resource pack holding the named files. The output is
// rewritten only when its text changes, so an unchanged pack is not assembled again.
#include "ResourceAssembly.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

std::string ExistingText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 5 || std::string(argv[1]) != "-o")
            throw std::runtime_error("usage: respack -o <output.s> <NAME> <file> [...]");
        const std::string output = argv[2];
        const std::string text =
            ResourceAssembly(CheckedResources(std::vector<std::string>(argv + 3, argv + argc)));
        if (ExistingText(output) != text) {
            std::ofstream out(output, std::ios::binary | std::ios::trunc);
            out << text;
            if (!out.good())
                throw std::runtime_error("cannot write " + output);
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "respack: " << error.what() << "\n";
        return 1;
    }
}
