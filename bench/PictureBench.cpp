// Decoding the windows' pictures into premultiplied ARGB, as a picture does at its first use,
// against Qt's reader on the same files followed by the same conversion. Every file is
// decoded once per round, alternating; the medians of the rounds' totals are compared, for the
// 1x pictures and the 2x pictures apart.
//
//   bench_pictures [rounds]
#include "rtl/PngFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

QImage DecodedByQt(const Bytes& png) {
    QImage image;
    image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG");
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

double Milliseconds(const std::vector<Bytes>& files, QImage (*decode)(const Bytes&)) {
    const auto start = std::chrono::steady_clock::now();
    for (const Bytes& file : files)
        if (decode(file).isNull())
            std::fprintf(stderr, "a picture did not decode\n");
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    std::vector<Bytes> single, twice;
    std::size_t pixels[2] = {0, 0};
    const QDir root(QStringLiteral(PICTURES_DIR));
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo& info : QDir(root.filePath(folder)).entryInfoList({"*.png"})) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray bytes = file.readAll();
            const bool twin = info.fileName().contains("@2x");
            (twin ? twice : single).emplace_back(bytes.begin(), bytes.end());
            const QImage image = DecodedByQt((twin ? twice : single).back());
            pixels[twin] += static_cast<std::size_t>(image.width()) * image.height();
        }
    const auto ours = [](const Bytes& png) { return DecodePng(png); };
    std::printf("picture decoding, %d rounds (medians of each round's total)\n", rounds);
    for (int twin = 0; twin < 2; ++twin) {
        const std::vector<Bytes>& files = twin ? twice : single;
        std::vector<double> anchor, decoded;
        for (int i = 0; i < rounds; ++i) {
            anchor.push_back(Milliseconds(files, DecodedByQt));
            decoded.push_back(Milliseconds(files, ours));
        }
        std::printf("  %s pictures (%zu files, %.1f Mpixels):\n", twin ? "2x" : "1x", files.size(),
                    static_cast<double>(pixels[twin]) / 1e6);
        std::printf("    Qt's reader (anchor)  %7.2f ms\n", Median(anchor));
        std::printf("    DecodePng             %7.2f ms   ratio %.2f\n", Median(decoded),
                    Median(decoded) / Median(anchor));
    }
    return 0;
}
