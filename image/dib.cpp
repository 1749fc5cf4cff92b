// The BMP reader: a file's bytes in, packed RGB rows out, bottom row first.
//
// Layout read (little-endian throughout): an optional 14-byte file header
// starting "BM" whose 32-bit field at offset 10 is the pixel data's offset;
// then a 12-byte core header (16-bit width and height, 3-byte colour entries)
// or a 40-byte info header (signed 32-bit width and height, compression,
// colours used, 4-byte colour entries); for bit-field compression three 32-bit
// masks (red, green, blue) after the info header; then the colour table; then
// the rows, bottom row first unless the height is negative, each padded to a
// multiple of 4 bytes, or the run-length codes.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "app/app.h"
#include "image/image.h"

namespace {

constexpr std::size_t pixelOffsetField = 10;  // in the file header
constexpr std::size_t headerSizeFieldSize = 4;
constexpr std::size_t coreEntrySize = 3;  // blue, green, red
constexpr std::size_t infoEntrySize = 4;  // blue, green, red, unused
constexpr std::size_t maskCount = 3;      // red, green, blue
constexpr std::size_t masksSize = maskCount * 4;

// The run-length escape codes: a zero count followed by one of these.
constexpr std::uint8_t rleEndOfLine = 0;
constexpr std::uint8_t rleEndOfBitmap = 1;
constexpr std::uint8_t rleDelta = 2;

// The largest texture side common OpenGL implementations take; and a bound
// on the pixel count, since run-length codes can describe a large image in a
// few bytes (2^24 pixels are 48 MiB of RGB).
constexpr std::int64_t maxSide = 16384;
constexpr std::uint64_t maxPixels = std::uint64_t{1} << 24;
// Enough for the largest image allowed at 32 bits per pixel, with headers and a full colour table.
constexpr long maxFileSize = static_cast<long>(maxPixels * 4 + 4096);

// 16-bit pixels without masks are 5-5-5, 32-bit ones 8-8-8.
constexpr std::uint32_t defaultMasks16[maskCount] = {0x7C00, 0x03E0, 0x001F};
constexpr std::uint32_t defaultMasks32[maskCount] = {0xFF0000, 0x00FF00, 0x0000FF};

constexpr int bytesPerRgb = 3;
constexpr unsigned channelBits = 8;
constexpr std::uint32_t channelMax = 255;

constexpr char messageOpenFailed[] = "Failed to open DIB file %s.";
constexpr char messageUnknownFormat[] = "Unknown DIB file format.";
constexpr char messageConversion[] = "Image file conversion error.";
constexpr char messageOutOfMemory[] = "Out of memory.";
constexpr char messageShortHeaders[] = "DIB file too short for its headers.";
constexpr char messageShortColourTable[] = "DIB file too short for its colour table.";
constexpr char messageShortRows[] = "DIB file too short for its pixel rows.";

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// One channel of a bit-field pixel: its mask, where it starts and how wide it is.
struct Channel {
    std::uint32_t mask;
    unsigned shift;
    unsigned width;
};

// What the headers say about the pixel data.
struct DibLayout {
    std::int32_t width;
    std::int32_t height;  // positive
    bool topDown;
    unsigned bitsPerPixel;
    std::uint32_t compression;
    Channel channels[maskCount];  // 16 and 32 bits per pixel
    std::vector<Rgb> palette;     // the entries a pixel index can name
    std::size_t pixelOffset;
};

std::uint16_t readU16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t readU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Colour-table length implied by the bits per pixel alone.
std::uint32_t defaultColourCount(unsigned bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

bool isPaletted(unsigned bitsPerPixel) {
    return defaultColourCount(bitsPerPixel) != 0;
}

// A mask must be one unbroken run of set bits.
bool makeChannel(std::uint32_t mask, Channel& channel) {
    if (mask == 0) return false;
    unsigned shift = 0;
    while ((mask >> shift & 1) == 0) ++shift;
    unsigned width = 0;
    while (shift + width < 32 && (mask >> (shift + width) & 1) != 0) ++width;
    if (shift + width < 32 && mask >> (shift + width) != 0) return false;
    channel = {mask, shift, width};
    return true;
}

const char* makeChannels(const std::uint32_t (&masks)[maskCount], unsigned bitsPerPixel,
                         DibLayout& layout) {
    const std::uint64_t pixelRange = std::uint64_t{1} << bitsPerPixel;
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < maskCount; ++i) {
        if (masks[i] >= pixelRange || (masks[i] & seen) != 0) return messageConversion;
        if (!makeChannel(masks[i], layout.channels[i])) return messageConversion;
        seen |= masks[i];
    }
    return nullptr;
}

// Scales a channel value of any width to 0..255.
std::uint8_t expandChannel(std::uint32_t pixel, const Channel& channel) {
    const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.width >= channelBits) return static_cast<std::uint8_t>(value >> (channel.width - channelBits));
    const std::uint32_t top = (std::uint32_t{1} << channel.width) - 1;
    return static_cast<std::uint8_t>((value * channelMax + top / 2) / top);
}

Rgb maskedColour(std::uint32_t pixel, const DibLayout& layout) {
    return {expandChannel(pixel, layout.channels[0]), expandChannel(pixel, layout.channels[1]),
            expandChannel(pixel, layout.channels[2])};
}

// An index beyond the colour table is black.
Rgb paletteColour(std::uint32_t index, const DibLayout& layout) {
    return index < layout.palette.size() ? layout.palette[index] : Rgb{0, 0, 0};
}

bool compressionFits(std::uint32_t compression, unsigned bitsPerPixel, bool infoHeader, bool topDown) {
    switch (compression) {
    case compressionNone:
        return isPaletted(bitsPerPixel) || bitsPerPixel == 24 ||
               (infoHeader && (bitsPerPixel == 16 || bitsPerPixel == 32));
    case compressionRle8: return bitsPerPixel == 8 && !topDown;
    case compressionRle4: return bitsPerPixel == 4 && !topDown;
    case compressionBitfields: return bitsPerPixel == 16 || bitsPerPixel == 32;
    default: return false;
    }
}

// Reads the headers, masks and colour table into `layout`; returns the
// failure message, or nothing when the pixel data can be decoded.
const char* readLayout(const std::uint8_t* data, std::size_t size, DibLayout& layout) {
    const bool fileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const std::size_t headerOffset = fileHeader ? std::size_t{bmpFileHeaderSize} : 0;
    if (size < headerOffset + headerSizeFieldSize) return messageShortHeaders;
    const std::uint8_t* header = data + headerOffset;
    const std::uint32_t headerSize = readU32(header);
    if (headerSize != coreHeaderSize && headerSize != infoHeaderSize) return messageUnknownFormat;
    if (size - headerOffset < headerSize) return messageShortHeaders;

    const bool infoHeader = headerSize == infoHeaderSize;
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bitsPerPixel = 0;
    std::uint32_t compression = compressionNone;
    std::uint32_t coloursUsed = 0;
    if (infoHeader) {
        width = static_cast<std::int32_t>(readU32(header + 4));
        height = static_cast<std::int32_t>(readU32(header + 8));
        bitsPerPixel = readU16(header + 14);
        compression = readU32(header + 16);
        coloursUsed = readU32(header + 32);
    } else {
        width = readU16(header + 4);
        height = readU16(header + 6);
        bitsPerPixel = readU16(header + 10);
    }

    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height == 0 || width > maxSide || height > maxSide) return messageConversion;
    if (static_cast<std::uint64_t>(width * height) > maxPixels) return messageOutOfMemory;
    if (!compressionFits(compression, bitsPerPixel, infoHeader, topDown)) return messageConversion;
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);
    layout.topDown = topDown;
    layout.bitsPerPixel = bitsPerPixel;
    layout.compression = compression;

    std::size_t tableOffset = headerOffset + headerSize;
    if (compression == compressionBitfields) {
        if (size - tableOffset < masksSize) return messageShortHeaders;
        const std::uint32_t masks[maskCount] = {readU32(data + tableOffset), readU32(data + tableOffset + 4),
                                                readU32(data + tableOffset + 8)};
        if (const char* failure = makeChannels(masks, bitsPerPixel, layout)) return failure;
        tableOffset += masksSize;
    } else if (bitsPerPixel == 16) {
        makeChannels(defaultMasks16, bitsPerPixel, layout);
    } else if (bitsPerPixel == 32) {
        makeChannels(defaultMasks32, bitsPerPixel, layout);
    }

    // The table is as long as its count says, even beyond what the bits can
    // name; only the entries a pixel can name are kept.
    const std::uint32_t colourCount = coloursUsed != 0 ? coloursUsed : defaultColourCount(bitsPerPixel);
    const std::size_t entrySize = infoHeader ? infoEntrySize : coreEntrySize;
    const std::uint64_t tableSize = std::uint64_t{colourCount} * entrySize;
    if (tableSize > size - tableOffset) return messageShortColourTable;
    const std::uint32_t usable = std::min(colourCount, defaultColourCount(bitsPerPixel));
    layout.palette.resize(usable);
    for (std::uint32_t i = 0; i < usable; ++i) {
        const std::uint8_t* entry = data + tableOffset + i * entrySize;
        layout.palette[i] = {entry[2], entry[1], entry[0]};
    }

    const std::size_t tableEnd = tableOffset + static_cast<std::size_t>(tableSize);
    if (fileHeader) {
        layout.pixelOffset = readU32(data + pixelOffsetField);
        if (layout.pixelOffset < tableOffset) return messageConversion;
    } else {
        layout.pixelOffset = tableEnd;
    }
    if (layout.pixelOffset >= size) return messageShortRows;
    return nullptr;
}

void putPixel(DibImage& image, std::size_t row, std::size_t column, Rgb colour) {
    std::uint8_t* out = image.pixels.data() + (row * image.width + column) * bytesPerRgb;
    out[0] = colour.red;
    out[1] = colour.green;
    out[2] = colour.blue;
}

Rgb rowPixel(const std::uint8_t* row, std::size_t column, const DibLayout& layout) {
    switch (layout.bitsPerPixel) {
    case 1: return paletteColour(row[column / 8] >> (7 - column % 8) & 0x1, layout);
    case 4: return paletteColour(row[column / 2] >> (column % 2 == 0 ? 4 : 0) & 0xF, layout);
    case 8: return paletteColour(row[column], layout);
    case 16: return maskedColour(readU16(row + column * 2), layout);
    case 24: return {row[column * 3 + 2], row[column * 3 + 1], row[column * 3]};
    default: return maskedColour(readU32(row + column * 4), layout);
    }
}

// Rows padded to 4 bytes; the last row's padding may be missing.
const char* decodeRows(const std::uint8_t* data, std::size_t size, const DibLayout& layout, DibImage& image) {
    const std::uint64_t rowBits = std::uint64_t{layout.bitsPerPixel} * static_cast<std::uint64_t>(layout.width);
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(layout.height - 1) + (rowBits + 7) / 8;
    if (needed > size - layout.pixelOffset) return messageShortRows;
    for (std::int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        const std::uint8_t* row = data + layout.pixelOffset + fileRow * stride;
        const std::size_t outRow = layout.topDown ? layout.height - 1 - fileRow : fileRow;
        for (std::int32_t column = 0; column < layout.width; ++column) {
            putPixel(image, outRow, column, rowPixel(row, column, layout));
        }
    }
    return nullptr;
}

// Run-length codes come in byte pairs. A count above 0 repeats the second
// byte (RLE8) or alternates its two nibbles, high first (RLE4). A count of 0
// is an escape: end of line, end of bitmap, a delta (two more bytes: columns
// right and rows up), or an absolute run of that many literal pixels, padded
// to an even number of bytes. Pixels not written stay black. A run may reach
// into the row's padding (some encoders code the padding bytes as a run);
// pixels there are dropped.
const char* decodeRunLength(const std::uint8_t* data, std::size_t size, const DibLayout& layout,
                            DibImage& image) {
    const bool rle4 = layout.compression == compressionRle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    const std::int64_t pixelsPerWord = rle4 ? 8 : 4;
    const std::int64_t paddedWidth = (width + pixelsPerWord - 1) / pixelsPerWord * pixelsPerWord;
    const auto put = [&](std::int64_t x, std::int64_t y, std::uint32_t index) {
        if (x < width) putPixel(image, y, x, paletteColour(index, layout));
    };
    const auto literal = [rle4](const std::uint8_t* bytes, std::int64_t i) -> std::uint32_t {
        return rle4 ? bytes[i / 2] >> (i % 2 == 0 ? 4 : 0) & 0xF : bytes[i];
    };
    std::size_t at = layout.pixelOffset;
    std::int64_t x = 0;
    std::int64_t y = 0;
    while (true) {
        if (size - at < 2) return messageShortRows;
        const std::uint8_t count = data[at];
        const std::uint8_t code = data[at + 1];
        at += 2;
        if (count > 0) {
            if (y >= height || x + count > paddedWidth) return messageConversion;
            for (std::int64_t i = 0; i < count; ++i) {
                const std::uint32_t index = rle4 ? (i % 2 == 0 ? code >> 4 : code & 0xF) : code;
                put(x++, y, index);
            }
        } else if (code == rleEndOfLine) {
            if (y >= height) return messageConversion;
            x = 0;
            ++y;
        } else if (code == rleEndOfBitmap) {
            return nullptr;
        } else if (code == rleDelta) {
            if (size - at < 2) return messageShortRows;
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (x > paddedWidth || y >= height) return messageConversion;
        } else {
            const std::size_t literalBytes = rle4 ? (code + 1) / 2 : code;
            const std::size_t paddedBytes = (literalBytes + 1) / 2 * 2;
            if (size - at < paddedBytes) return messageShortRows;
            if (y >= height || x + code > paddedWidth) return messageConversion;
            for (std::int64_t i = 0; i < code; ++i) {
                put(x++, y, literal(data + at, i));
            }
            at += paddedBytes;
        }
    }
}

const char* decode(const std::uint8_t* data, std::size_t size, std::optional<DibImage>& result) {
    DibLayout layout{};
    if (const char* failure = readLayout(data, size, layout)) return failure;
    DibImage image{layout.width, layout.height, {}};
    try {
        image.pixels.assign(static_cast<std::size_t>(layout.width) * layout.height * bytesPerRgb, 0);
    } catch (const std::bad_alloc&) {
        return messageOutOfMemory;
    }
    const bool runLength = layout.compression == compressionRle8 || layout.compression == compressionRle4;
    const char* failure =
        runLength ? decodeRunLength(data, size, layout, image) : decodeRows(data, size, layout, image);
    if (failure) return failure;
    result = std::move(image);
    return nullptr;
}

std::string openFailedMessage(const char* fileName) {
    const int length = std::snprintf(nullptr, 0, messageOpenFailed, fileName);
    std::string message(static_cast<std::size_t>(length), '\0');
    std::snprintf(message.data(), message.size() + 1, messageOpenFailed, fileName);
    return message;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads the whole file; returns the failure message, or nothing. Only a
// regular file is read: a directory has no size to go by, and a FIFO would
// keep the game waiting.
const char* readFile(const char* fileName, std::vector<std::uint8_t>& bytes) {
    const std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(fileName));
    struct stat status {};
    if (!file || fstat(fileno(file.get()), &status) != 0) return messageOpenFailed;
    if (status.st_size <= 0) return messageOpenFailed;
    if (status.st_size > maxFileSize) return messageOutOfMemory;
    const auto size = static_cast<std::size_t>(status.st_size);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return messageOutOfMemory;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return messageOpenFailed;
    return nullptr;
}

}  // namespace

std::optional<DibImage> decodeDibImage(const std::uint8_t* data, std::size_t size) {
    std::optional<DibImage> image;
    if (const char* failure = decode(data, size, image)) reportError(failure);
    return image;
}

std::optional<DibImage> loadDibImage(const char* fileName) {
    std::vector<std::uint8_t> bytes;
    if (const char* failure = readFile(fileName, bytes)) {
        reportError(failure == messageOpenFailed ? openFailedMessage(fileName).c_str() : failure);
        return std::nullopt;
    }
    return decodeDibImage(bytes.data(), bytes.size());
}
