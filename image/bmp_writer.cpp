// The BMP writer: a file's fields in, its bytes out, little-endian, in the
// layout image/dib.cpp reads.
#include "image/image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t planeCount = 1;         // the one plane the format has
constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch, across and down
constexpr std::uint32_t reservedFields = 0;     // the file header's two 16-bit ones, as one
constexpr std::uint32_t allColoursImportant = 0;

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back(value >> 8 & 0xFF);
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putCoreHeader(Bytes& out, const BmpContents& contents) {
    put32(out, coreHeaderSize);
    put16(out, static_cast<std::uint32_t>(contents.width));
    put16(out, static_cast<std::uint32_t>(contents.height));
    put16(out, planeCount);
    put16(out, contents.bitsPerPixel);
}

void putInfoHeader(Bytes& out, const BmpContents& contents) {
    put32(out, infoHeaderSize);
    put32(out, static_cast<std::uint32_t>(contents.width));
    put32(out, static_cast<std::uint32_t>(contents.height));
    put16(out, planeCount);
    put16(out, contents.bitsPerPixel);
    put32(out, contents.compression);
    put32(out, static_cast<std::uint32_t>(contents.pixels.size()));
    put32(out, pixelsPerMetre);
    put32(out, pixelsPerMetre);
    put32(out, contents.coloursUsed);
    put32(out, allColoursImportant);
}

// The DIB header, the masks, the colour table and the gap: all that comes
// between the file header and the pixels.
Bytes headersAndTable(const BmpContents& contents) {
    Bytes out;
    if (contents.coreHeader) {
        putCoreHeader(out, contents);
    } else {
        putInfoHeader(out, contents);
    }
    for (std::uint32_t mask : contents.masks) put32(out, mask);
    for (const Rgb& entry : contents.palette) {
        out.insert(out.end(), {entry.blue, entry.green, entry.red});
        if (!contents.coreHeader) out.push_back(0);
    }
    out.insert(out.end(), contents.gap.begin(), contents.gap.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const BmpContents& contents) {
    const Bytes headers = headersAndTable(contents);
    Bytes file;
    if (contents.fileHeader) {
        const auto pixelOffset = static_cast<std::uint32_t>(bmpFileHeaderSize + headers.size());
        file = {'B', 'M'};
        put32(file, pixelOffset + static_cast<std::uint32_t>(contents.pixels.size()));
        put32(file, reservedFields);
        put32(file, pixelOffset);
    }
    file.insert(file.end(), headers.begin(), headers.end());
    file.insert(file.end(), contents.pixels.begin(), contents.pixels.end());
    return file;
}
