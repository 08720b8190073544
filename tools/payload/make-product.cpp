// make-product <product folder> <programs folder> <output folder> <list file>
// Generates the demo product described by <product folder>/product.manifest into
// <output folder>, taking the compiled programs from <programs folder>, and writes the list of its
// files, relative to that folder, for 7z.
#include "ProductInputs.h"
#include "ProductTreeWriter.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: make-product <product folder> <programs folder> <output folder> <list "
                     "file>\n";
        return 2;
    }
    try {
        const ProductInputs inputs = ProductInputs::Load(argv[1], argv[2]);
        const ProductSummary summary = WriteProductTree(inputs, argv[3], argv[4]);
        std::cout << "make-product: " << summary.files << " files, " << summary.bytes << " bytes\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "make-product: " << error.what() << '\n';
        return 1;
    }
}
