// The BMP reader against files laid out field by field here and written by the BMP writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "image/image.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Rgb rgb(int red, int green, int blue) {
    return {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue)};
}

// A test file's headers, without a colour table or pixels yet.
BmpContents bmpHeaders(bool fileHeader, bool coreHeader, std::int32_t width, std::int32_t height, std::uint32_t bits,
                       std::uint32_t compression = 0) {
    BmpContents bmp;
    bmp.fileHeader = fileHeader;
    bmp.coreHeader = coreHeader;
    bmp.width = width;
    bmp.height = height;
    bmp.bitsPerPixel = bits;
    bmp.compression = compression;
    return bmp;
}

// Packs one value per pixel into rows (first row first) padded to 4 bytes.
template <typename PixelValue>
Bytes packRows(std::uint32_t bits, int width, int height, PixelValue value) {
    Bytes out;
    for (int y = 0; y < height; ++y) {
        Bytes row((bits * width + 31) / 32 * 4, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits < 8) {
                const int shift = 8 - bits - (x * bits) % 8;
                row[x * bits / 8] |= v << shift;
            } else {
                for (std::uint32_t byte = 0; byte < bits / 8; ++byte) row[x * bits / 8 + byte] = v >> (8 * byte);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<Rgb> testPalette(int count) {
    std::vector<Rgb> palette;
    for (int i = 0; i < count; ++i) palette.push_back(rgb(i * 37 % 256, 255 - i, i * 11 % 256));
    return palette;
}

// Decodes and keeps what the reader wrote to standard error.
struct Decoded {
    std::optional<DibImage> image;
    std::string errors;
};

Decoded decode(const Bytes& file) {
    testing::internal::CaptureStderr();
    Decoded result{decodeDibImage(file.data(), file.size()), ""};
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

Rgb pixelAt(const DibImage& image, int x, int row) {
    const std::uint8_t* p = image.pixels.data() + (row * image.width + x) * 3;
    return {p[0], p[1], p[2]};
}

void expectPixel(const DibImage& image, int x, int row, Rgb expected) {
    const Rgb got = pixelAt(image, x, row);
    EXPECT_EQ(got.red, expected.red) << "at " << x << "," << row;
    EXPECT_EQ(got.green, expected.green) << "at " << x << "," << row;
    EXPECT_EQ(got.blue, expected.blue) << "at " << x << "," << row;
}

DibImage decodeOk(const Bytes& file) {
    Decoded result = decode(file);
    EXPECT_EQ(result.errors, "");
    EXPECT_TRUE(result.image.has_value());
    return result.image.value_or(DibImage{0, 0, {}});
}

}  // namespace

// Each depth, both headers, with and without the file header, widths 1 to 5:
// every row's padding is skipped and rows come out in the file's order.
TEST(DibReader, DecodesEveryUncompressedDepthAndWidth) {
    const std::uint32_t depths[] = {1, 4, 8, 16, 24, 32};
    const int height = 3;
    for (std::uint32_t bits : depths) {
        for (bool core : {false, true}) {
            if (core && (bits == 16 || bits == 32)) continue;
            for (bool fileHeader : {false, true}) {
                for (int width = 1; width <= 5; ++width) {
                    SCOPED_TRACE(testing::Message() << bits << " bits, width " << width << (core ? ", core" : "")
                                                    << (fileHeader ? ", file header" : ""));
                    BmpContents bmp = bmpHeaders(fileHeader, core, width, height, bits);
                    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
                    bmp.palette = testPalette(colours);
                    auto index = [&](int x, int y) { return (x * 7 + y * 3 + 1) % std::max(colours, 1u); };
                    // 5-5-5 channels at full or zero; 8-8-8 with junk in the top byte.
                    auto value = [&](int x, int y) -> std::uint32_t {
                        if (bits <= 8) return index(x, y);
                        if (bits == 16) return (x % 2 ? 0x7C00 : 0) | (y % 2 ? 0x03E0 : 0) | ((x + y) % 2 ? 0x1F : 0);
                        return 0xAA000000u | (x * 50 + y) << 16 | (y * 60) << 8 | (x * 5 + 200);
                    };
                    auto expected = [&](int x, int y) -> Rgb {
                        if (bits <= 8) return bmp.palette[index(x, y)];
                        if (bits == 16) return rgb(x % 2 ? 255 : 0, y % 2 ? 255 : 0, (x + y) % 2 ? 255 : 0);
                        return rgb(x * 50 + y, y * 60, x * 5 + 200);
                    };
                    bmp.pixels = packRows(bits, width, height, value);
                    const DibImage image = decodeOk(encodeBmp(bmp));
                    ASSERT_EQ(image.width, width);
                    ASSERT_EQ(image.height, height);
                    ASSERT_EQ(image.pixels.size(), std::size_t(width * height * 3));
                    for (int y = 0; y < height; ++y)
                        for (int x = 0; x < width; ++x) expectPixel(image, x, y, expected(x, y));
                }
            }
        }
    }
}

TEST(DibReader, UsesThePixelOffsetOfTheFileHeaderAcrossAGap) {
    BmpContents bmp = bmpHeaders(true, false, 2, 1, 8);
    bmp.palette = testPalette(256);
    bmp.gap = Bytes(6, 0xEE);
    bmp.pixels = {5, 200, 0, 0};
    const DibImage image = decodeOk(encodeBmp(bmp));
    expectPixel(image, 0, 0, bmp.palette[5]);
    expectPixel(image, 1, 0, bmp.palette[200]);
}

// A colours-used count gives even a 24-bit image a table, which a bare DIB's pixels follow.
TEST(DibReader, SkipsTheColourTableOfA24BitImage) {
    for (bool fileHeader : {false, true}) {
        BmpContents bmp = bmpHeaders(fileHeader, false, 1, 1, 24);
        bmp.coloursUsed = 3;
        bmp.palette = testPalette(3);
        bmp.pixels = {0x30, 0x20, 0x10, 0};
        expectPixel(decodeOk(encodeBmp(bmp)), 0, 0, {0x10, 0x20, 0x30});
    }
}

// A count above 2^bits is the table's length; pixels can name only the first two.
TEST(DibReader, ReadsALongColourTableAsWrittenAndIndexesBeyondItAsBlack) {
    BmpContents bmp = bmpHeaders(false, false, 3, 1, 1);
    bmp.coloursUsed = 3;
    bmp.palette = testPalette(3);
    bmp.pixels = {0b01000000, 0, 0, 0};
    const DibImage image = decodeOk(encodeBmp(bmp));
    expectPixel(image, 0, 0, bmp.palette[0]);
    expectPixel(image, 1, 0, bmp.palette[1]);

    BmpContents shortTable = bmpHeaders(true, false, 2, 1, 8);
    shortTable.coloursUsed = 2;
    shortTable.palette = testPalette(2);
    shortTable.pixels = {1, 2, 0, 0};
    const DibImage dark = decodeOk(encodeBmp(shortTable));
    expectPixel(dark, 0, 0, shortTable.palette[1]);
    expectPixel(dark, 1, 0, {0, 0, 0});
}

TEST(DibReader, ReturnsATopDownImageBottomRowFirst) {
    BmpContents bmp = bmpHeaders(true, false, 1, -2, 24);
    bmp.pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // top row, then bottom row
    const DibImage image = decodeOk(encodeBmp(bmp));
    EXPECT_EQ(image.height, 2);
    expectPixel(image, 0, 0, {6, 5, 4});
    expectPixel(image, 0, 1, {3, 2, 1});
}

TEST(DibReader, AcceptsALastRowWithoutItsPadding) {
    BmpContents bmp = bmpHeaders(true, false, 1, 2, 24);
    bmp.pixels = {1, 2, 3, 0, 4, 5, 6};
    expectPixel(decodeOk(encodeBmp(bmp)), 0, 1, {6, 5, 4});
}

TEST(DibReader, ScalesBitFieldChannelsToEightBits) {
    BmpContents rgb565 = bmpHeaders(true, false, 2, 1, 16, 3);
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.pixels = {0xFF, 0xFF, 0x10, 0x84};  // white; red 16/31, green 32/63, blue 16/31
    const DibImage image = decodeOk(encodeBmp(rgb565));
    expectPixel(image, 0, 0, {255, 255, 255});
    expectPixel(image, 1, 0, {132, 130, 132});

    BmpContents wide = bmpHeaders(true, false, 1, 1, 32, 3);
    wide.masks = {0x000003FF, 0x000FFC00, 0x3FF00000};  // 10-10-10, red lowest
    wide.pixels = {0xFF, 0x13, 0x00, 0x00};             // red 1023, green 4, blue 0
    expectPixel(decodeOk(encodeBmp(wide)), 0, 0, {255, 1, 0});
}

// RLE8: runs, an absolute run with its pad byte, end of line, a delta, a run
// into the row's padding and the end of the bitmap; cells the codes skip are black.
TEST(DibReader, DecodesRunLengthCodesWithDeltasAndLineEnds) {
    BmpContents rle8 = bmpHeaders(true, false, 5, 4, 8, 1);
    rle8.palette = testPalette(256);
    rle8.pixels = {2, 7, 0, 2, 1, 1,     // row 0: 7 7, then a delta to column 3 of row 1
                   2, 8, 0, 0,           // 8 8, end of line
                   0, 3, 1, 2, 3, 0,     // row 2: 1 2 3 (absolute, padded)
                   0, 0, 8, 6,           // row 3: 6 6 6 6 6 and three into the padding
                   0, 1};                // end of bitmap
    const DibImage image = decodeOk(encodeBmp(rle8));
    const Rgb black{0, 0, 0};
    const int expected[4][5] = {
        {7, 7, -1, -1, -1}, {-1, -1, -1, 8, 8}, {1, 2, 3, -1, -1}, {6, 6, 6, 6, 6}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            expectPixel(image, x, y, expected[y][x] < 0 ? black : rle8.palette[expected[y][x]]);

    BmpContents rle4 = bmpHeaders(false, false, 5, 2, 4, 2);
    rle4.palette = testPalette(16);
    rle4.pixels = {5, 0x12, 0, 0,              // row 0: 1 2 1 2 1
                   0, 3, 0xAB, 0xC0, 0, 1};    // row 1: A B C, end of bitmap
    const DibImage nibbles = decodeOk(encodeBmp(rle4));
    const int nibbleRows[2][5] = {{1, 2, 1, 2, 1}, {10, 11, 12, -1, -1}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            expectPixel(nibbles, x, y, nibbleRows[y][x] < 0 ? black : rle4.palette[nibbleRows[y][x]]);
}

namespace {

struct BadInput {
    const char* what;
    Bytes file;
    const char* message;
};

constexpr char unknownFormat[] = "Unknown DIB file format.";
constexpr char conversion[] = "Image file conversion error.";
constexpr char outOfMemory[] = "Out of memory.";
constexpr char shortHeaders[] = "DIB file too short for its headers.";
constexpr char shortTable[] = "DIB file too short for its colour table.";
constexpr char shortRows[] = "DIB file too short for its pixel rows.";

BmpContents sized(std::int32_t width, std::int32_t height, std::size_t pixelBytes = 64) {
    BmpContents bmp = bmpHeaders(true, false, width, height, 24);
    bmp.pixels = Bytes(pixelBytes, 0);
    return bmp;
}

BmpContents withBits(std::uint32_t bits, std::uint32_t compression = 0) {
    BmpContents bmp = bmpHeaders(true, false, 2, 2, bits, compression);
    bmp.pixels = Bytes(64, 0);
    return bmp;
}

BmpContents withMasks(std::vector<std::uint32_t> masks, std::uint32_t bits = 16) {
    BmpContents bmp = withBits(bits, 3);
    bmp.masks = std::move(masks);
    return bmp;
}

BmpContents runLength(Bytes codes, std::uint32_t bits = 8) {
    BmpContents bmp = bmpHeaders(true, false, 4, 2, bits, bits == 8 ? 1u : 2u);
    bmp.palette = testPalette(2);
    bmp.coloursUsed = 2;
    bmp.pixels = std::move(codes);
    return bmp;
}

Bytes withPixelOffset(Bytes file, std::uint32_t offset) {
    for (int i = 0; i < 4; ++i) file.at(10 + i) = offset >> (8 * i) & 0xFF;
    return file;
}

Bytes withHeaderSize(std::uint32_t headerSize) {
    Bytes file = encodeBmp(sized(1, 1));
    file.resize(file.size() + 200, 0);
    for (int i = 0; i < 4; ++i) file[14 + i] = headerSize >> (8 * i) & 0xFF;
    return file;
}

Bytes truncated(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

std::vector<BadInput> badInputs() {
    const Bytes good = encodeBmp(sized(2, 2, 16));
    BmpContents longTable = withBits(8);
    longTable.coloursUsed = 1000;
    BmpContents hugeTable = withBits(24);
    hugeTable.coloursUsed = 0xFFFFFFFF;
    BmpContents topDownRle = runLength({0, 1});
    topDownRle.height = -2;
    BmpContents core16 = withBits(16);
    core16.coreHeader = true;
    return {
        {"108-byte header", withHeaderSize(108), unknownFormat},
        {"124-byte header", withHeaderSize(124), unknownFormat},
        {"header size 0", withHeaderSize(0), unknownFormat},
        {"header size 64", withHeaderSize(64), unknownFormat},
        {"width 0", encodeBmp(sized(0, 2)), conversion},
        {"height 0", encodeBmp(sized(2, 0)), conversion},
        {"negative width", encodeBmp(sized(-2, 2)), conversion},
        {"height INT_MIN", encodeBmp(sized(2, INT_MIN)), conversion},
        {"width over 16384", encodeBmp(sized(16385, 1)), conversion},
        {"height over 16384", encodeBmp(sized(1, -16385)), conversion},
        {"width x height x 3 overflowing", encodeBmp(sized(INT_MAX, INT_MAX)), conversion},
        {"16384 x 16384", encodeBmp(sized(16384, 16384)), outOfMemory},
        {"0 bits", encodeBmp(withBits(0)), conversion},
        {"2 bits", encodeBmp(withBits(2)), conversion},
        {"7 bits", encodeBmp(withBits(7)), conversion},
        {"64 bits", encodeBmp(withBits(64)), conversion},
        {"16 bits in a core header", encodeBmp(core16), conversion},
        {"compression 4", encodeBmp(withBits(24, 4)), conversion},
        {"compression 5", encodeBmp(withBits(24, 5)), conversion},
        {"compression 0xFFFFFFFF", encodeBmp(withBits(24, 0xFFFFFFFF)), conversion},
        {"RLE8 at 4 bits", encodeBmp(withBits(4, 1)), conversion},
        {"RLE4 at 8 bits", encodeBmp(withBits(8, 2)), conversion},
        {"bit fields at 24 bits", encodeBmp(withMasks({0xFF0000, 0xFF00, 0xFF}, 24)), conversion},
        {"colour table past the end", encodeBmp(longTable), shortTable},
        {"colour count 2^32 - 1", encodeBmp(hugeTable), shortTable},
        {"pixel offset past the end", withPixelOffset(good, 5000), shortRows},
        {"pixel offset at the end", withPixelOffset(good, good.size()), shortRows},
        {"pixel offset inside the headers", withPixelOffset(good, 20), conversion},
        {"truncated last row", truncated(good, good.size() - 3), shortRows},
        {"zero mask", encodeBmp(withMasks({0xF800, 0, 0x1F})), conversion},
        {"overlapping masks", encodeBmp(withMasks({0xF800, 0x0FE0, 0x1F})), conversion},
        {"broken mask", encodeBmp(withMasks({0xF100, 0x07E0, 0x1F})), conversion},
        {"mask beyond 16 bits", encodeBmp(withMasks({0x1F0000, 0x07E0, 0x1F})), conversion},
        {"masks cut off", truncated(encodeBmp(withMasks({0xF800, 0x07E0, 0x1F})), 60), shortHeaders},
        {"run past the padded row", encodeBmp(runLength({5, 1, 0, 1})), conversion},
        {"run after a run past the padded row", encodeBmp(runLength({3, 1, 2, 1, 0, 1})), conversion},
        {"absolute run past the padded row", encodeBmp(runLength({0, 5, 1, 1, 1, 1, 1, 0, 0, 1})), conversion},
        {"RLE4 run past the padded row", encodeBmp(runLength({9, 0x11, 0, 1}, 4)), conversion},
        {"RLE4 absolute run past the padded row",
         encodeBmp(runLength({0, 9, 0x11, 0x11, 0x11, 0x11, 0x10, 0, 0, 1}, 4)), conversion},
        {"delta past the padded row", encodeBmp(runLength({0, 2, 5, 0, 0, 1})), conversion},
        {"delta past the image", encodeBmp(runLength({0, 2, 0, 2, 0, 1})), conversion},
        {"run past the image", encodeBmp(runLength({0, 0, 0, 0, 1, 1, 0, 1})), conversion},
        {"line end past the image", encodeBmp(runLength({0, 0, 0, 0, 0, 0, 0, 1})), conversion},
        {"no end of bitmap", encodeBmp(runLength({2, 1, 0, 0})), shortRows},
        {"cut-off delta", encodeBmp(runLength({0, 2, 1})), shortRows},
        {"cut-off absolute run", encodeBmp(runLength({0, 3, 1, 1})), shortRows},
        {"top-down RLE", encodeBmp(topDownRle), conversion},
    };
}

void expectFailure(const Bytes& file, const std::string& message) {
    const Decoded result = decode(file);
    EXPECT_FALSE(result.image.has_value());
    EXPECT_EQ(result.errors, std::string(programName) + ": " + message + "\n");
}

}  // namespace

TEST(DibReader, RejectsEveryBadInputWithItsMessage) {
    for (const BadInput& input : badInputs()) {
        SCOPED_TRACE(input.what);
        expectFailure(input.file, input.message);
    }
}

// Every prefix of a valid file up to its 54 bytes of headers.
TEST(DibReader, RejectsFilesTooShortForTheirHeaders) {
    const Bytes good = encodeBmp(sized(1, 1));
    for (std::size_t size = 0; size <= 54; ++size) {
        SCOPED_TRACE(size);
        expectFailure(truncated(good, size), size < 54 ? shortHeaders : shortRows);
    }
}

TEST(DibFile, ReadsAFileAndReportsOneThatCannotBeOpenedIsEmptyOrIsNoFile) {
    const std::string directory = makeTempDirectory("dib_test").string();
    const std::string good = directory + "/good.bmp";
    BmpContents bmp = bmpHeaders(true, false, 1, 1, 24);
    bmp.pixels = {1, 2, 3, 0};
    writeFile(good, encodeBmp(bmp));
    const std::optional<DibImage> image = loadDibImage(good.c_str());
    ASSERT_TRUE(image.has_value());
    expectPixel(*image, 0, 0, {3, 2, 1});

    const std::string empty = directory + "/empty.bmp";
    writeFile(empty, {});
    const std::string folder = directory + "/folder.bmp";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    for (const std::string& path : {empty, directory + "/missing.bmp", folder}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadDibImage(path.c_str()).has_value());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(programName) + ": Failed to open DIB file " + path + ".\n");
    }
    std::filesystem::remove_all(directory);
}

// The block images the build makes, read as the game reads them: every two
// playing kinds must tell apart by colour under normal vision and under each
// full colour-vision deficiency, and by their symbols alone in greyscale.
namespace {

using Matrix = double[3][3];

// Simulations of the three dichromacies at full severity (Machado, Oliveira
// and Fernandes, 2009), applied to linear RGB.
struct Vision {
    const char* name;
    Matrix simulation;
};

const Vision visions[] = {
    {"normal", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {"protanopia", {{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}}},
    {"deuteranopia", {{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}}},
    {"tritanopia", {{1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}}},
};

constexpr const char* kindNames[blockKindCount + 1] = {"black", "light blue", "red", "green", "dark blue", "grey"};
constexpr double smallestColourDistance = 15;      // CIEDE2000
constexpr double smallestSymbolContrast = 3;       // luminance ratio of symbol to face
constexpr double smallestSymbolDifference = 0.25;  // share of the face where two symbols differ
constexpr int strokeWidth = 6;                     // texels

struct Lab {
    double lightness, a, b;
};

double linearChannel(double value) {
    value /= 255;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

std::array<double, 3> linearRgb(const Rgb& colour) {
    return {linearChannel(colour.red), linearChannel(colour.green), linearChannel(colour.blue)};
}

double relativeLuminance(const Rgb& colour) {
    const std::array<double, 3> rgb = linearRgb(colour);
    return 0.2126729 * rgb[0] + 0.7151522 * rgb[1] + 0.0721750 * rgb[2];
}

// CIE L*a*b* (D65) of an sRGB colour as seen with the given vision.
Lab labAsSeen(const Rgb& colour, const Vision& vision) {
    const std::array<double, 3> in = linearRgb(colour);
    double rgb[3];
    for (int i = 0; i < 3; ++i) {
        const Matrix& m = vision.simulation;
        rgb[i] = std::clamp(m[i][0] * in[0] + m[i][1] * in[1] + m[i][2] * in[2], 0.0, 1.0);
    }
    const double x = (0.4124564 * rgb[0] + 0.3575761 * rgb[1] + 0.1804375 * rgb[2]) / 0.95047;
    const double y = 0.2126729 * rgb[0] + 0.7151522 * rgb[1] + 0.0721750 * rgb[2];
    const double z = (0.0193339 * rgb[0] + 0.1191920 * rgb[1] + 0.9503041 * rgb[2]) / 1.08883;
    const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

constexpr double pi = 3.14159265358979323846;  // M_PI is no standard C++
double degrees(double radians) { return radians * 180 / pi; }
double radians(double degrees) { return degrees * pi / 180; }

// The CIEDE2000 colour difference (Sharma, Wu and Dalal's formulation).
double ciede2000(const Lab& one, const Lab& two) {
    const double chroma = (std::hypot(one.a, one.b) + std::hypot(two.a, two.b)) / 2;
    const double chroma7 = std::pow(chroma, 7);
    const double g = 0.5 * (1 - std::sqrt(chroma7 / (chroma7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * one.a, a2 = (1 + g) * two.a;
    const double c1 = std::hypot(a1, one.b), c2 = std::hypot(a2, two.b);
    const auto hue = [](double b, double a) { return a == 0 && b == 0 ? 0 : std::fmod(degrees(std::atan2(b, a)) + 360, 360); };
    const double h1 = hue(one.b, a1), h2 = hue(two.b, a2);
    double hueStep = 0, meanHue = h1 + h2;
    if (c1 * c2 != 0) {
        hueStep = h2 - h1;
        if (hueStep > 180) hueStep -= 360;
        if (hueStep < -180) hueStep += 360;
        meanHue = std::abs(h1 - h2) <= 180 ? (h1 + h2) / 2 : (h1 + h2 + (h1 + h2 < 360 ? 360 : -360)) / 2;
    }
    const double dL = two.lightness - one.lightness, dC = c2 - c1;
    const double dH = 2 * std::sqrt(c1 * c2) * std::sin(radians(hueStep / 2));
    const double meanL = (one.lightness + two.lightness) / 2, meanC = (c1 + c2) / 2;
    const double t = 1 - 0.17 * std::cos(radians(meanHue - 30)) + 0.24 * std::cos(radians(2 * meanHue)) +
                     0.32 * std::cos(radians(3 * meanHue + 6)) - 0.20 * std::cos(radians(4 * meanHue - 63));
    const double sL = 1 + 0.015 * (meanL - 50) * (meanL - 50) / std::sqrt(20 + (meanL - 50) * (meanL - 50));
    const double sC = 1 + 0.045 * meanC, sH = 1 + 0.015 * meanC * t;
    const double meanC7 = std::pow(meanC, 7);
    const double rotation = -std::sin(radians(60 * std::exp(-std::pow((meanHue - 275) / 25, 2)))) * 2 *
                            std::sqrt(meanC7 / (meanC7 + std::pow(25.0, 7)));
    return std::sqrt(std::pow(dL / sL, 2) + std::pow(dC / sC, 2) + std::pow(dH / sH, 2) + rotation * dC / sC * dH / sH);
}

Rgb medianColour(const DibImage& image) {
    std::array<std::vector<std::uint8_t>, 3> channels;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) channels[i % 3].push_back(image.pixels[i]);
    std::uint8_t median[3];
    for (int c = 0; c < 3; ++c) {
        std::vector<std::uint8_t>& values = channels[c];
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        median[c] = values[values.size() / 2];
    }
    return {median[0], median[1], median[2]};
}

Rgb pixelOf(const DibImage& image, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

using Mask = std::vector<bool>;  // blockImageSide squared texels, row by row

// The symbol: the texels inside the bevel that stand out from the face by
// the contrast required of a symbol.
Mask symbolMask(const DibImage& image, const Rgb& face) {
    const double faceLuminance = relativeLuminance(face);
    Mask mask(blockImageSide * blockImageSide, false);
    for (int y = blockBevelWidth; y < blockImageSide - blockBevelWidth; ++y) {
        for (int x = blockBevelWidth; x < blockImageSide - blockBevelWidth; ++x) {
            const double luminance = relativeLuminance(pixelOf(image, x, y));
            const double ratio = (std::max(luminance, faceLuminance) + 0.05) / (std::min(luminance, faceLuminance) + 0.05);
            mask[y * blockImageSide + x] = ratio >= smallestSymbolContrast;
        }
    }
    return mask;
}

// The texels of the mask that a brush `strokeWidth` texels across, square
// (for straight edges and corners) or round (for slants and curves), covers
// while lying wholly inside the mask: all of it when every stroke is that wide.
int texelsUnderTheBrush(const Mask& mask) {
    std::vector<std::pair<int, int>> brushes[2];
    const double centre = (strokeWidth - 1) / 2.0;
    for (int dy = 0; dy < strokeWidth; ++dy) {
        for (int dx = 0; dx < strokeWidth; ++dx) {
            brushes[0].emplace_back(dx, dy);
            if (std::hypot(dx - centre, dy - centre) <= strokeWidth / 2.0) brushes[1].emplace_back(dx, dy);
        }
    }
    const auto inMask = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < blockImageSide && y < blockImageSide && mask[y * blockImageSide + x];
    };
    Mask covered(mask.size(), false);
    for (const auto& brush : brushes) {
        for (int y = 0; y < blockImageSide; ++y) {
            for (int x = 0; x < blockImageSide; ++x) {
                const bool fits =
                    std::all_of(brush.begin(), brush.end(), [&](auto d) { return inMask(x + d.first, y + d.second); });
                if (!fits) continue;
                for (auto d : brush) covered[(y + d.second) * blockImageSide + x + d.first] = true;
            }
        }
    }
    return static_cast<int>(std::count(covered.begin(), covered.end(), true));
}

}  // namespace

TEST(BlockImages, EveryTwoKindsDifferInColourForEveryVisionAndInTheirSymbolsAlone) {
    // The colour difference against two of its authors' published pairs.
    EXPECT_NEAR(ciede2000({50, 2.6772, -79.7751}, {50, 0, -82.7485}), 2.0425, 1e-4);
    EXPECT_NEAR(ciede2000({50, 2.5, 0}, {73, 25, -18}), 27.1492, 1e-4);

    Rgb faces[blockKindCount + 1] = {};
    Mask symbols[blockKindCount + 1];
    constexpr int faceTexels = blockImageSide * blockImageSide;
    for (BlockKind kind = 1; kind <= blockKindCount; ++kind) {
        SCOPED_TRACE(kindNames[kind]);
        const std::string path = std::string(TESSARINE_BLOCK_IMAGE_DIR) + "/" + blockImageFiles[kind];
        const std::optional<DibImage> image = loadDibImage(path.c_str());
        ASSERT_TRUE(image.has_value());
        ASSERT_EQ(image->width, blockImageSide);
        ASSERT_EQ(image->height, blockImageSide);
        faces[kind] = medianColour(*image);
        symbols[kind] = symbolMask(*image, faces[kind]);
        const int area = static_cast<int>(std::count(symbols[kind].begin(), symbols[kind].end(), true));
        EXPECT_GT(area, faceTexels / 20) << "no symbol of contrast " << smallestSymbolContrast;
        // A texel or two at a rounded corner's rim may be out of the brush's reach.
        EXPECT_GE(texelsUnderTheBrush(symbols[kind]), area * 99 / 100) << "a stroke narrower than " << strokeWidth;
    }

    std::printf("Smallest CIEDE2000 distance between the kinds' median colours:\n");
    for (const Vision& vision : visions) {
        double smallest = 1e9;
        int closest[2] = {};
        for (BlockKind one = 1; one <= blockKindCount; ++one) {
            for (BlockKind two = one + 1; two <= blockKindCount; ++two) {
                const double distance = ciede2000(labAsSeen(faces[one], vision), labAsSeen(faces[two], vision));
                EXPECT_GE(distance, smallestColourDistance) << kindNames[one] << " and " << kindNames[two] << ", " << vision.name;
                if (distance < smallest) smallest = distance, closest[0] = one, closest[1] = two;
            }
        }
        std::printf("  %-13s %5.1f  (%s, %s)\n", vision.name, smallest, kindNames[closest[0]], kindNames[closest[1]]);
    }
    double leastDifference = 1;
    for (BlockKind one = 1; one <= blockKindCount; ++one) {
        for (BlockKind two = one + 1; two <= blockKindCount; ++two) {
            int differing = 0;
            for (int i = 0; i < faceTexels; ++i) differing += symbols[one][i] != symbols[two][i];
            const double share = static_cast<double>(differing) / faceTexels;
            EXPECT_GE(share, smallestSymbolDifference) << kindNames[one] << " and " << kindNames[two];
            leastDifference = std::min(leastDifference, share);
        }
    }
    std::printf("  symbols: every two differ on at least %.1f %% of the face\n", 100 * leastDifference);
}
