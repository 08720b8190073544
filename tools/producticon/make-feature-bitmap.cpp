// make-feature-bitmap <slide.png> <feature.bmp>: the player's feature picture of one of the
// setup's progress slides, as a BMP file for the player's bitmap resources.
#include "FeatureBitmap.h"

#include <QImageWriter>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-feature-bitmap <slide.png> <feature.bmp>\n";
        return 2;
    }
    try {
        const QImage slide(QString::fromLocal8Bit(argv[1]));
        if (slide.isNull())
            throw std::runtime_error("cannot read " + std::string(argv[1]));
        QImageWriter writer(QString::fromLocal8Bit(argv[2]), "bmp");
        if (!writer.write(FeatureBitmap(slide)))
            throw std::runtime_error("cannot write " + std::string(argv[2]) + ": " +
                                     writer.errorString().toStdString());
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "make-feature-bitmap: " << error.what() << '\n';
        return 1;
    }
}
