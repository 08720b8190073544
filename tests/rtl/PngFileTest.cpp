#include "GuiTest.h"

#include "rtl/PngFile.h"

#include <QDir>
#include <QFile>
#include <zlib.h>

namespace {

// What Qt's reader makes of a file, in the pictures' format.
QImage QtDecoded(const TBytes& png) {
    QImage image;
    if (!image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

enum class Way { Fast, Qt };

// The file decodes to what Qt's reader gives, and the fast way takes it or leaves it.
void ExpectSameAsQt(const TBytes& png, const std::string& what, Way way = Way::Qt) {
    const std::optional<PngLayout> layout = ReadPngLayout(png);
    ASSERT_TRUE(layout) << what;
    EXPECT_EQ(DecodePlainPng(*layout).has_value(), way == Way::Fast) << what;
    const QImage expected = QtDecoded(png);
    const QImage decoded = DecodePng(png);
    EXPECT_EQ(decoded.isNull(), expected.isNull()) << what;
    EXPECT_EQ(decoded, expected) << what;
    EXPECT_EQ(decoded.format(), expected.format()) << what;
    EXPECT_EQ(decoded.dotsPerMeterX(), expected.dotsPerMeterX()) << what;
    EXPECT_EQ(decoded.dotsPerMeterY(), expected.dotsPerMeterY()) << what;
}

void PutChunk(TBytes& png, const char* type, const TBytes& data) {
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<std::uint8_t>(data.size() >> shift));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uLong crc = crc32(0, png.data() + start, static_cast<uInt>(png.size() - start));
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<std::uint8_t>(crc >> shift));
}

int PaethOf(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// An 8-bit RGB or RGBA file written here, row y filtered with filters[y % size], its image
// data split into chunks of at most chunkSize bytes.
TBytes FilteredPng(const QImage& image, bool alpha, const std::vector<int>& filters,
                   size_t chunkSize = 1 << 20, const TBytes& extraChunk = {}) {
    const int width = image.width(), height = image.height();
    const size_t pixelBytes = alpha ? 4 : 3, rowBytes = pixelBytes * static_cast<size_t>(width);
    std::vector<std::vector<int>> raw(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            raw[y].insert(raw[y].end(), {qRed(pixel), qGreen(pixel), qBlue(pixel)});
            if (alpha)
                raw[y].push_back(qAlpha(pixel));
        }
    TBytes filtered;
    for (int y = 0; y < height; ++y) {
        const int filter = filters[static_cast<size_t>(y) % filters.size()];
        filtered.push_back(static_cast<std::uint8_t>(filter));
        for (size_t i = 0; i < rowBytes; ++i) {
            const int left = i >= pixelBytes ? raw[y][i - pixelBytes] : 0;
            const int above = y > 0 ? raw[y - 1][i] : 0;
            const int aboveLeft = y > 0 && i >= pixelBytes ? raw[y - 1][i - pixelBytes] : 0;
            const int predictions[5] = {0, left, above, (left + above) / 2,
                                        PaethOf(left, above, aboveLeft)};
            // A filter type the format does not know keeps its row's bytes as they are.
            const int prediction = filter < 5 ? predictions[filter] : 0;
            filtered.push_back(static_cast<std::uint8_t>(raw[y][i] - prediction));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    TBytes packed(packedSize);
    EXPECT_EQ(compress(packed.data(), &packedSize, filtered.data(), filtered.size()), Z_OK);
    packed.resize(packedSize);

    TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    TBytes header;
    for (std::uint32_t value : {std::uint32_t(width), std::uint32_t(height)})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(value >> shift));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(alpha ? 6 : 2), 0, 0, 0});
    PutChunk(png, "IHDR", header);
    if (!extraChunk.empty())
        PutChunk(png, reinterpret_cast<const char*>(extraChunk.data()),
                 TBytes(extraChunk.begin() + 4, extraChunk.end()));
    for (size_t at = 0; at < packed.size(); at += chunkSize)
        PutChunk(
            png, "IDAT",
            TBytes(packed.begin() + static_cast<long>(at),
                   packed.begin() + static_cast<long>(std::min(packed.size(), at + chunkSize))));
    PutChunk(png, "IEND", {});
    return png;
}

// The file with its header's height changed (and the header's checksum to match).
TBytes WithHeight(TBytes png, std::uint32_t height) {
    constexpr size_t kHeader = 8, kHeight = kHeader + 12;
    for (int i = 0; i < 4; ++i)
        png[kHeight + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    const uLong crc = crc32(0, png.data() + kHeader + 4, 17);
    for (int i = 0; i < 4; ++i)
        png[kHeader + 21 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return png;
}

// Every channel and alpha value varies, neighbours differ unevenly.
QImage Varied(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 37 + y * 11) % 256, (x * x + 3 * y) % 256,
                                 (255 - x * 5 + y * y) % 256, (x * 29 + y * 53) % 256));
    return image;
}

// Few values, scattered: neighbours are often equal, so the predictors' ties are frequent.
QImage FewValues(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    std::uint32_t state = 12345;
    const auto next = [&] {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % 7) * 20;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(next(), next(), next(), next()));
    return image;
}

TEST(PngFile, TheProgramsArtworkDecodesToWhatQtsReaderGives) {
    const QDir root(QStringLiteral(PICTURES_DIR));
    int files = 0;
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo& file : QDir(root.filePath(folder)).entryInfoList({"*.png"})) {
            QFile f(file.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            ExpectSameAsQt(TBytes(bytes.begin(), bytes.end()), file.fileName().toStdString(),
                           Way::Fast);
            ++files;
        }
    EXPECT_GE(files, 38);
}

TEST(PngFile, EveryRowFilterDecodesInRgbAndRgbaAcrossSplitImageData) {
    const QImage image = Varied(23, 17);
    for (bool alpha : {false, true}) {
        for (int filter = 0; filter <= 4; ++filter)
            ExpectSameAsQt(FilteredPng(image, alpha, {filter}),
                           "filter " + std::to_string(filter) + (alpha ? " rgba" : " rgb"),
                           Way::Fast);
        ExpectSameAsQt(FilteredPng(image, alpha, {4, 0, 3, 1, 2, 4, 2}, 100), "mixed, split",
                       Way::Fast);
        ExpectSameAsQt(FilteredPng(Varied(1, 9), alpha, {1, 3, 4}), "one column", Way::Fast);
        ExpectSameAsQt(FilteredPng(FewValues(31, 29), alpha, {4, 3, 1}), "ties", Way::Fast);
    }
}

TEST(PngFile, FilesOfOtherKindsGoToQtsReader) {
    const QImage image = Varied(13, 7);
    auto written = [](const QImage& picture) {
        TBytes png = PngBytes(picture);
        EXPECT_FALSE(png.empty());
        return png;
    };
    ExpectSameAsQt(written(image.convertToFormat(QImage::Format_Indexed8)), "palette");
    ExpectSameAsQt(written(image.convertToFormat(QImage::Format_Grayscale8)), "grey");
    ExpectSameAsQt(written(image.convertToFormat(QImage::Format_RGBA64)), "16-bit");
    const TBytes transparentKey = {'t', 'R', 'N', 'S', 0, 1, 0, 2, 0, 3};
    ExpectSameAsQt(FilteredPng(image, false, {1}, 1 << 20, transparentKey), "colour key");
    const TBytes inches = {'p', 'H', 'Y', 's', 0, 0, 0, 72, 0, 0, 0, 72, 0};
    ExpectSameAsQt(FilteredPng(image, true, {2}, 1 << 20, inches), "unknown unit", Way::Fast);
    const TBytes meters = {'p', 'H', 'Y', 's', 0, 0, 0x0b, 0x13, 0, 0, 0x0e, 0xc4, 1};
    ExpectSameAsQt(FilteredPng(image, true, {2}, 1 << 20, meters), "dots per meter", Way::Fast);
}

TEST(PngFile, DamagedImageDataDecodesAsQtDecodesIt) {
    const QImage image = Varied(11, 6);
    ExpectSameAsQt(FilteredPng(image, true, {5}), "unknown filter");

    // Image data one row short and one row long, each a sound zlib stream.
    for (int rows : {5, 7}) {
        const TBytes png = WithHeight(FilteredPng(Varied(11, rows), true, {1}), 6);
        ExpectSameAsQt(png, std::to_string(rows) + " rows for 6");
    }
}

TEST(PngFile, TheLayoutNamesTheKindAndTheImageDataChunks) {
    const TBytes png = FilteredPng(Varied(9, 4), true, {0}, 10);
    const std::optional<PngLayout> layout = ReadPngLayout(png);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->size, QSize(9, 4));
    EXPECT_EQ(layout->bitDepth, 8);
    EXPECT_EQ(layout->colourType, 6);
    EXPECT_FALSE(layout->interlaced);
    EXPECT_TRUE(layout->plainChunks);
    EXPECT_GT(layout->imageData.size(), 1u);
}

} // namespace
