// Build-time generator of the six block images: 64 x 64 squares in the colour
// each file's name says, bevelled (light top and left edges, dark bottom and
// right) so that a textured cube reads as a block. Each image is written in a
// different BMP encoding, so that every start of the game exercises the reader.
//
// Usage: make_block_images OUTPUT_DIRECTORY
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int imageSide = 64;
constexpr int bevelWidth = 6;
constexpr int outlineWidth = 1;

struct Rgb {
    std::uint8_t red, green, blue;
};

// The shades of one block, as palette indexes.
using Shade = std::uint8_t;
constexpr Shade outline = 0;
constexpr Shade dark = 1;
constexpr Shade face = 2;
constexpr Shade light = 3;
constexpr std::uint32_t shadeCount = 4;

// Each block's face colour, by slot.
constexpr Rgb faceColours[blockKindCount + 1] = {
    {40, 40, 44},    // black
    {90, 190, 240},  // light blue
    {210, 40, 40},   // red
    {50, 180, 60},   // green
    {30, 50, 170},   // dark blue
    {140, 140, 140}, // grey
};

enum class Encoding { rgb24, palette8Core, rle8, palette4, bitfields565, rle4 };

constexpr Encoding encodings[blockKindCount + 1] = {
    Encoding::rgb24, Encoding::palette8Core, Encoding::rle8,
    Encoding::palette4, Encoding::bitfields565, Encoding::rle4,
};

constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch
constexpr int maxRun = 255;

std::uint8_t scaled(std::uint8_t value, int percent) {
    return static_cast<std::uint8_t>(value * percent / 100);
}

std::uint8_t towardsWhite(std::uint8_t value, int percent) {
    return static_cast<std::uint8_t>(value + (255 - value) * percent / 100);
}

std::vector<Rgb> shadesOf(Rgb base) {
    std::vector<Rgb> shades(shadeCount);
    shades[outline] = {scaled(base.red, 30), scaled(base.green, 30), scaled(base.blue, 30)};
    shades[dark] = {scaled(base.red, 50), scaled(base.green, 50), scaled(base.blue, 50)};
    shades[face] = base;
    shades[light] = {towardsWhite(base.red, 50), towardsWhite(base.green, 50), towardsWhite(base.blue, 50)};
    return shades;
}

// The shade at column x of the row `fromTop` rows below the top edge. In the
// bevel the nearest edge decides; the corners split along their diagonals.
Shade shadeAt(int x, int fromTop) {
    const int last = imageSide - 1;
    const int toLeft = x, toTop = fromTop, toRight = last - x, toBottom = last - fromTop;
    const int nearestLit = std::min(toLeft, toTop);
    const int nearestShaded = std::min(toRight, toBottom);
    if (std::min(nearestLit, nearestShaded) < outlineWidth) return outline;
    if (std::min(nearestLit, nearestShaded) >= bevelWidth) return face;
    return nearestLit <= nearestShaded ? light : dark;
}

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back(value >> 8 & 0xFF);
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// File rows run bottom row first.
Shade shadeOfFileRow(int x, int fileRow) {
    return shadeAt(x, imageSide - 1 - fileRow);
}

void padRow(Bytes& out, std::size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

Bytes uncompressedRows(Encoding encoding, const std::vector<Rgb>& shades) {
    Bytes out;
    for (int row = 0; row < imageSide; ++row) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < imageSide; ++x) {
            const Shade shade = shadeOfFileRow(x, row);
            const Rgb colour = shades[shade];
            switch (encoding) {
            case Encoding::rgb24: out.insert(out.end(), {colour.blue, colour.green, colour.red}); break;
            case Encoding::palette8Core: out.push_back(shade); break;
            case Encoding::palette4:
                if (x % 2 == 0) out.push_back(static_cast<std::uint8_t>(shade << 4));
                else out.back() |= shade;
                break;
            default:
                put16(out, (colour.red >> 3) << 11 | (colour.green >> 2) << 5 | colour.blue >> 3);
                break;
            }
        }
        padRow(out, rowStart);
    }
    return out;
}

// Runs of one shade, each row closed by an end-of-line code, the image by an
// end-of-bitmap code. A 4-bit run repeats the shade in both nibbles.
Bytes runLengthRows(bool fourBits) {
    Bytes out;
    for (int row = 0; row < imageSide; ++row) {
        int x = 0;
        while (x < imageSide) {
            const Shade shade = shadeOfFileRow(x, row);
            int run = 1;
            while (x + run < imageSide && run < maxRun && shadeOfFileRow(x + run, row) == shade) ++run;
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(fourBits ? static_cast<std::uint8_t>(shade << 4 | shade) : shade);
            x += run;
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

Bytes encodeBlock(Rgb base, Encoding encoding) {
    const std::vector<Rgb> shades = shadesOf(base);
    const bool core = encoding == Encoding::palette8Core;
    std::uint32_t bits = 8;
    std::uint32_t compression = compressionNone;
    Bytes pixels;
    switch (encoding) {
    case Encoding::rgb24: bits = 24; pixels = uncompressedRows(encoding, shades); break;
    case Encoding::palette8Core: pixels = uncompressedRows(encoding, shades); break;
    case Encoding::rle8: compression = compressionRle8; pixels = runLengthRows(false); break;
    case Encoding::palette4: bits = 4; pixels = uncompressedRows(encoding, shades); break;
    case Encoding::bitfields565:
        bits = 16;
        compression = compressionBitfields;
        pixels = uncompressedRows(encoding, shades);
        break;
    case Encoding::rle4: bits = 4; compression = compressionRle4; pixels = runLengthRows(true); break;
    }
    const bool paletted = bits <= 8;

    Bytes dib;
    if (core) {
        put32(dib, coreHeaderSize);
        put16(dib, imageSide);
        put16(dib, imageSide);
        put16(dib, 1);
        put16(dib, bits);
    } else {
        put32(dib, infoHeaderSize);
        put32(dib, imageSide);
        put32(dib, imageSide);
        put16(dib, 1);
        put16(dib, bits);
        put32(dib, compression);
        put32(dib, static_cast<std::uint32_t>(pixels.size()));
        put32(dib, pixelsPerMetre);
        put32(dib, pixelsPerMetre);
        put32(dib, paletted ? shadeCount : 0);  // only the shades used
        put32(dib, 0);
    }
    if (compression == compressionBitfields) {
        put32(dib, 0xF800);
        put32(dib, 0x07E0);
        put32(dib, 0x001F);
    }
    if (paletted) {
        // A core header's table has no count field: it is always 2^bits long.
        const std::size_t entries = core ? std::size_t{1} << bits : shadeCount;
        for (std::size_t i = 0; i < entries; ++i) {
            const Rgb colour = i < shades.size() ? shades[i] : Rgb{0, 0, 0};
            dib.insert(dib.end(), {colour.blue, colour.green, colour.red});
            if (!core) dib.push_back(0);
        }
    }

    const std::uint32_t pixelOffset = bmpFileHeaderSize + static_cast<std::uint32_t>(dib.size());
    Bytes file = {'B', 'M'};
    put32(file, pixelOffset + static_cast<std::uint32_t>(pixels.size()));
    put32(file, 0);
    put32(file, pixelOffset);
    file.insert(file.end(), dib.begin(), dib.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
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
        if (!writeFile(path, encodeBlock(faceColours[slot], encodings[slot]))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
