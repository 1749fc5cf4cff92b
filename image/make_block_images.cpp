// Build-time generator of the six block images: 64 x 64 squares in the colour
// each file's name says, bevelled (light top and left edges, dark bottom and
// right) so that a textured cube reads as a block. Each playing kind carries
// a symbol of its own in a strong light or dark tone, so that the kinds tell
// apart without colour vision; the menu's black kind stays plain. Each image
// is written in a different BMP encoding, so that every start of the game
// exercises the reader.
//
// Usage: make_block_images OUTPUT_DIRECTORY
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int imageSide = blockImageSide;
constexpr int bevelWidth = blockBevelWidth;
constexpr int outlineWidth = 1;

// The shades of one block, as palette indexes: few enough for a 4-bit table.
using Shade = std::uint8_t;
constexpr Shade outline = 0;
constexpr Shade dark = 1;
constexpr Shade face = 2;
constexpr Shade light = 3;
constexpr Shade symbol = 4;
constexpr std::uint32_t shadeCount = 5;

enum class Symbol { none, disc, triangle, square, diamond, cross };

// Whether a symbol is drawn lighter or darker than its face: whichever gives
// the stronger contrast.
enum class Tone { light, dark };

struct Block {
    Rgb face;
    Symbol symbol;
    Tone tone;
};

// The faces, by slot. The colours keep their names' families but are spaced
// so that every two stay apart in lightness or hue under each kind of
// colour-vision deficiency; the symbols carry the difference in greyscale.
constexpr Block blocks[blockKindCount + 1] = {
    {{40, 40, 44}, Symbol::none, Tone::light},     // black, the menu's wall only
    {{96, 156, 220}, Symbol::diamond, Tone::dark},  // light blue
    {{186, 12, 0}, Symbol::triangle, Tone::light},  // red
    {{154, 255, 82}, Symbol::square, Tone::dark},   // green
    {{8, 4, 144}, Symbol::disc, Tone::light},       // dark blue
    {{114, 114, 114}, Symbol::cross, Tone::light},  // grey
};

enum class Encoding { rgb24, palette8Core, rle8, palette4, bitfields565, rle4 };

constexpr Encoding encodings[blockKindCount + 1] = {
    Encoding::rgb24, Encoding::palette8Core, Encoding::rle8,
    Encoding::palette4, Encoding::bitfields565, Encoding::rle4,
};

constexpr int maxRun = 255;
// The 16-bit pixels' channels: 5 bits of red, 6 of green, 5 of blue.
constexpr std::uint32_t masks565[] = {0xF800, 0x07E0, 0x001F};

// The symbols' geometry, in texels from the image's centre, y down. Every
// stroke is at least 7 texels wide, so that it survives the shrink to a cube
// face of about 26 pixels; each shape stays inside the bevel, and the five
// differ from each other on at least a quarter of the face.
constexpr double discRadius = 9.5;
constexpr double squareHalfSide = 19.5;  // to the middle of its stroke
constexpr double diamondReach = 22.0;     // centre to tip, along the stroke's middle
constexpr double triangleRadius = 18.5;   // centre of the triangle to its corners
constexpr double triangleDrop = 9.5;      // the triangle's centre below the image's
constexpr double crossReach = 26.0;
constexpr double crossHalfWidth = 8.0;
constexpr double strokeHalfWidth = 3.5;
constexpr double triangleHalfWidth = 7.5;  // how far the filled triangle reaches past its sides

std::uint8_t scaled(std::uint8_t value, int percent) {
    return static_cast<std::uint8_t>(value * percent / 100);
}

std::uint8_t towardsWhite(std::uint8_t value, int percent) {
    return static_cast<std::uint8_t>(value + (255 - value) * percent / 100);
}

Rgb darker(Rgb colour, int percent) {
    return {scaled(colour.red, percent), scaled(colour.green, percent), scaled(colour.blue, percent)};
}

Rgb lighter(Rgb colour, int percent) {
    return {towardsWhite(colour.red, percent), towardsWhite(colour.green, percent), towardsWhite(colour.blue, percent)};
}

std::vector<Rgb> shadesOf(const Block& block) {
    std::vector<Rgb> shades(shadeCount);
    shades[outline] = darker(block.face, 30);
    shades[dark] = darker(block.face, 50);
    shades[face] = block.face;
    shades[light] = lighter(block.face, 50);
    shades[symbol] = block.tone == Tone::light ? lighter(block.face, 88) : darker(block.face, 20);
    return shades;
}

double distanceToSegment(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double along = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - ax - along * dx, y - ay - along * dy);
}

// An upright triangle, filled, its outline widened and its corners rounded.
bool onTriangle(double x, double y) {
    constexpr double pi = 3.14159265358979323846;
    double corners[3][2];
    for (int i = 0; i < 3; ++i) {
        const double angle = 2 * pi * i / 3;
        corners[i][0] = triangleRadius * std::sin(angle);
        corners[i][1] = -triangleRadius * std::cos(angle) + triangleDrop;
    }
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        const double* a = corners[i];
        const double* b = corners[(i + 1) % 3];
        if (distanceToSegment(x, y, a[0], a[1], b[0], b[1]) <= triangleHalfWidth) return true;
        // The corners run clockwise on the screen, so the inside lies to the right of each side.
        if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0) inside = false;
    }
    return inside;
}

// Whether the texel at column x of the row `fromTop` rows below the top edge
// belongs to the symbol, judged at the texel's centre.
bool onSymbol(Symbol shape, int x, int fromTop) {
    const double px = x + 0.5 - imageSide / 2.0;
    const double py = fromTop + 0.5 - imageSide / 2.0;
    const double ax = std::abs(px), ay = std::abs(py);
    switch (shape) {
    case Symbol::none: return false;
    case Symbol::disc: return std::hypot(px, py) <= discRadius;
    case Symbol::square: return std::abs(std::max(ax, ay) - squareHalfSide) <= strokeHalfWidth;
    case Symbol::diamond:  // the tips rounded, so that no point is thinner than the stroke
        return distanceToSegment(ax, ay, diamondReach, 0, 0, diamondReach) <= strokeHalfWidth;
    case Symbol::triangle: return onTriangle(px, py);
    case Symbol::cross:
        return (ax <= crossHalfWidth && ay <= crossReach) || (ay <= crossHalfWidth && ax <= crossReach);
    }
    return false;
}

// The shade at column x of the row `fromTop` rows below the top edge. In the
// bevel the nearest edge decides; the corners split along their diagonals.
Shade shadeAt(Symbol shape, int x, int fromTop) {
    const int last = imageSide - 1;
    const int toLeft = x, toTop = fromTop, toRight = last - x, toBottom = last - fromTop;
    const int nearestLit = std::min(toLeft, toTop);
    const int nearestShaded = std::min(toRight, toBottom);
    if (std::min(nearestLit, nearestShaded) < outlineWidth) return outline;
    if (std::min(nearestLit, nearestShaded) >= bevelWidth) return onSymbol(shape, x, fromTop) ? symbol : face;
    return nearestLit <= nearestShaded ? light : dark;
}

// File rows run bottom row first.
Shade shadeOfFileRow(Symbol shape, int x, int fileRow) {
    return shadeAt(shape, x, imageSide - 1 - fileRow);
}

void padRow(Bytes& out, std::size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

// A 5-6-5 pixel, low byte first.
void put565(Bytes& out, Rgb colour) {
    const unsigned pixel = (colour.red >> 3) << 11 | (colour.green >> 2) << 5 | colour.blue >> 3;
    out.insert(out.end(), {static_cast<std::uint8_t>(pixel & 0xFF), static_cast<std::uint8_t>(pixel >> 8)});
}

Bytes uncompressedRows(Encoding encoding, Symbol shape, const std::vector<Rgb>& shades) {
    Bytes out;
    for (int row = 0; row < imageSide; ++row) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < imageSide; ++x) {
            const Shade shade = shadeOfFileRow(shape, x, row);
            const Rgb colour = shades[shade];
            switch (encoding) {
            case Encoding::rgb24: out.insert(out.end(), {colour.blue, colour.green, colour.red}); break;
            case Encoding::palette8Core: out.push_back(shade); break;
            case Encoding::palette4:
                if (x % 2 == 0) out.push_back(static_cast<std::uint8_t>(shade << 4));
                else out.back() |= shade;
                break;
            default: put565(out, colour); break;
            }
        }
        padRow(out, rowStart);
    }
    return out;
}

// Runs of one shade, each row closed by an end-of-line code, the image by an
// end-of-bitmap code. A 4-bit run repeats the shade in both nibbles.
Bytes runLengthRows(Symbol shape, bool fourBits) {
    Bytes out;
    for (int row = 0; row < imageSide; ++row) {
        int x = 0;
        while (x < imageSide) {
            const Shade shade = shadeOfFileRow(shape, x, row);
            int run = 1;
            while (x + run < imageSide && run < maxRun && shadeOfFileRow(shape, x + run, row) == shade) ++run;
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(fourBits ? static_cast<std::uint8_t>(shade << 4 | shade) : shade);
            x += run;
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

// The image's depth, compression and pixel data in `encoding`, without its colour table.
BmpContents blockBmp(Encoding encoding, Symbol shape, const std::vector<Rgb>& shades) {
    BmpContents bmp;
    bmp.width = imageSide;
    bmp.height = imageSide;
    bmp.bitsPerPixel = 8;
    switch (encoding) {
    case Encoding::rgb24: bmp.bitsPerPixel = 24; bmp.pixels = uncompressedRows(encoding, shape, shades); break;
    case Encoding::palette8Core:
        bmp.coreHeader = true;
        bmp.pixels = uncompressedRows(encoding, shape, shades);
        break;
    case Encoding::rle8: bmp.compression = compressionRle8; bmp.pixels = runLengthRows(shape, false); break;
    case Encoding::palette4: bmp.bitsPerPixel = 4; bmp.pixels = uncompressedRows(encoding, shape, shades); break;
    case Encoding::bitfields565:
        bmp.bitsPerPixel = 16;
        bmp.compression = compressionBitfields;
        bmp.masks.assign(std::begin(masks565), std::end(masks565));
        bmp.pixels = uncompressedRows(encoding, shape, shades);
        break;
    case Encoding::rle4:
        bmp.bitsPerPixel = 4;
        bmp.compression = compressionRle4;
        bmp.pixels = runLengthRows(shape, true);
        break;
    }
    return bmp;
}

// A paletted image's table holds only the shades, and an info header counts
// them; a core header has no count field, so its table is 2^bits long.
void addColourTable(BmpContents& bmp, const std::vector<Rgb>& shades) {
    if (bmp.bitsPerPixel > 8) return;
    bmp.palette = shades;
    if (bmp.coreHeader) {
        bmp.palette.resize(std::size_t{1} << bmp.bitsPerPixel, Rgb{0, 0, 0});
    } else {
        bmp.coloursUsed = shadeCount;
    }
}

Bytes encodeBlock(const Block& block, Encoding encoding) {
    const std::vector<Rgb> shades = shadesOf(block);
    BmpContents bmp = blockBmp(encoding, block.symbol, shades);
    addColourTable(bmp, shades);
    return encodeBmp(bmp);
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    for (int slot = 0; slot <= blockKindCount; ++slot) {
        const std::string path = std::string(argv[1]) + "/" + blockImageFiles[slot];
        if (!writeFile(path, encodeBlock(blocks[slot], encodings[slot]))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
