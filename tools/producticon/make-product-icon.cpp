// make-product-icon <file.ico>: writes the product's icon for the product's programs.
#include "ProductIcon.h"

#include <QFile>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-product-icon <file.ico>\n";
        return 2;
    }
    try {
        std::vector<QImage> images;
        for (const int size : kProductIconSizes)
            images.push_back(DrawProductIcon(size));
        QFile file(QString::fromLocal8Bit(argv[1]));
        const QByteArray bytes = BuildIcoFile(images);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size() || !file.flush())
            throw std::runtime_error("cannot write " + std::string(argv[1]));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "make-product-icon: " << error.what() << '\n';
        return 1;
    }
}
