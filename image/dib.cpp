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
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "app/app.h"
#include "image/image.h"

namespace {

// Where the fields read lie: the pixel data's offset from the file's start,
// the others from the start of their DIB header, whose first field is its size.
constexpr std::size_t pixelOffsetField = 10;       // 32 bits, in the file header
constexpr std::size_t headerSizeFieldSize = 4;
constexpr std::size_t coreWidthField = 4;          // 16 bits
constexpr std::size_t coreHeightField = 6;         // 16 bits
constexpr std::size_t coreBitsField = 10;          // 16 bits, after the planes
constexpr std::size_t infoWidthField = 4;          // signed 32 bits
constexpr std::size_t infoHeightField = 8;         // signed 32 bits
constexpr std::size_t infoBitsField = 14;          // 16 bits, after the planes
constexpr std::size_t infoCompressionField = 16;   // 32 bits
constexpr std::size_t infoColoursUsedField = 32;   // 32 bits, after the image size and resolution

constexpr std::size_t coreEntrySize = 3;  // blue, green, red
constexpr std::size_t infoEntrySize = 4;  // blue, green, red, unused
constexpr std::size_t maskCount = 3;      // red, green, blue
constexpr std::size_t maskFieldSize = 4;
constexpr std::size_t masksSize = maskCount * maskFieldSize;

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

// Where the DIB header lies in the file.
struct HeaderPlace {
    bool fileHeader;     // the file starts with the 14-byte file header
    std::size_t offset;  // where the DIB header starts
    std::uint32_t size;  // 12 (core) or 40 (info)
};

// The DIB header's fields that the pixel data depends on.
struct HeaderFields {
    std::int64_t width;
    std::int64_t height;  // negative: the rows run top row first
    unsigned bitsPerPixel;
    std::uint32_t compression;
    std::uint32_t coloursUsed;  // 0: as many as the bits can name
};

const char* findHeader(const std::uint8_t* data, std::size_t size, HeaderPlace& place) {
    place.fileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    place.offset = place.fileHeader ? std::size_t{bmpFileHeaderSize} : 0;
    if (size < place.offset + headerSizeFieldSize) return messageShortHeaders;
    place.size = readU32(data + place.offset);
    if (place.size != coreHeaderSize && place.size != infoHeaderSize) return messageUnknownFormat;
    if (size - place.offset < place.size) return messageShortHeaders;
    return nullptr;
}

HeaderFields readHeaderFields(const std::uint8_t* header, bool infoHeader) {
    if (!infoHeader) {
        return {readU16(header + coreWidthField), readU16(header + coreHeightField), readU16(header + coreBitsField),
                compressionNone, 0};
    }
    return {static_cast<std::int32_t>(readU32(header + infoWidthField)),
            static_cast<std::int32_t>(readU32(header + infoHeightField)), readU16(header + infoBitsField),
            readU32(header + infoCompressionField), readU32(header + infoColoursUsedField)};
}

// Checks the sides, the depth and the compression, and puts them in `layout`.
const char* takeDimensions(const HeaderFields& fields, bool infoHeader, DibLayout& layout) {
    const bool topDown = fields.height < 0;
    const std::int64_t height = topDown ? -fields.height : fields.height;
    if (fields.width <= 0 || height == 0 || fields.width > maxSide || height > maxSide) return messageConversion;
    if (static_cast<std::uint64_t>(fields.width * height) > maxPixels) return messageOutOfMemory;
    if (!compressionFits(fields.compression, fields.bitsPerPixel, infoHeader, topDown)) return messageConversion;
    layout.width = static_cast<std::int32_t>(fields.width);
    layout.height = static_cast<std::int32_t>(height);
    layout.topDown = topDown;
    layout.bitsPerPixel = fields.bitsPerPixel;
    layout.compression = fields.compression;
    return nullptr;
}

// The channels of 16- and 32-bit pixels: under bit-field compression from the
// masks at `offset`, which then moves past them; otherwise the defaults.
const char* readChannels(const std::uint8_t* data, std::size_t size, std::size_t& offset, DibLayout& layout) {
    if (layout.compression == compressionBitfields) {
        if (size - offset < masksSize) return messageShortHeaders;
        std::uint32_t masks[maskCount];
        for (std::size_t i = 0; i < maskCount; ++i) masks[i] = readU32(data + offset + i * maskFieldSize);
        offset += masksSize;
        return makeChannels(masks, layout.bitsPerPixel, layout);
    }
    if (layout.bitsPerPixel == 16) makeChannels(defaultMasks16, layout.bitsPerPixel, layout);
    if (layout.bitsPerPixel == 32) makeChannels(defaultMasks32, layout.bitsPerPixel, layout);
    return nullptr;
}

// The colour table at `offset`, which then moves past it. The table is as
// long as its count says, even beyond what the bits can name; only the
// entries a pixel can name are kept.
const char* readPalette(const std::uint8_t* data, std::size_t size, const HeaderFields& fields,
                        std::size_t entrySize, std::size_t& offset, DibLayout& layout) {
    const std::uint32_t bitsCanName = defaultColourCount(fields.bitsPerPixel);
    const std::uint32_t colourCount = fields.coloursUsed != 0 ? fields.coloursUsed : bitsCanName;
    const std::uint64_t tableSize = std::uint64_t{colourCount} * entrySize;
    if (tableSize > size - offset) return messageShortColourTable;
    layout.palette.resize(std::min(colourCount, bitsCanName));
    for (std::size_t i = 0; i < layout.palette.size(); ++i) {
        const std::uint8_t* entry = data + offset + i * entrySize;
        layout.palette[i] = {entry[2], entry[1], entry[0]};
    }
    offset += static_cast<std::size_t>(tableSize);
    return nullptr;
}

// Reads the headers, masks and colour table into `layout`; returns the
// failure message, or nothing when the pixel data can be decoded. The pixels
// lie where the file header says (not before the colour table), or right
// after the table in a bare DIB.
const char* readLayout(const std::uint8_t* data, std::size_t size, DibLayout& layout) {
    HeaderPlace header{};
    if (const char* failure = findHeader(data, size, header)) return failure;
    const bool infoHeader = header.size == infoHeaderSize;
    const HeaderFields fields = readHeaderFields(data + header.offset, infoHeader);
    if (const char* failure = takeDimensions(fields, infoHeader, layout)) return failure;
    std::size_t tableStart = header.offset + header.size;
    if (const char* failure = readChannels(data, size, tableStart, layout)) return failure;
    std::size_t tableEnd = tableStart;
    const std::size_t entrySize = infoHeader ? infoEntrySize : coreEntrySize;
    if (const char* failure = readPalette(data, size, fields, entrySize, tableEnd, layout)) return failure;
    layout.pixelOffset = header.fileHeader ? readU32(data + pixelOffsetField) : tableEnd;
    if (header.fileHeader && layout.pixelOffset < tableStart) return messageConversion;
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
struct RunLengthState {
    const std::uint8_t* data;
    std::size_t size;
    const DibLayout& layout;
    DibImage& image;
    bool rle4;
    std::int64_t paddedWidth;  // a row's pixels and those of its padding
    std::size_t at;            // the next code's first byte
    std::int64_t x;            // where the next pixel goes
    std::int64_t y;
    bool ended;                // the end of bitmap was read
};

void putRunPixel(RunLengthState& state, std::uint32_t index) {
    if (state.x < state.layout.width) putPixel(state.image, state.y, state.x, paletteColour(index, state.layout));
    ++state.x;
}

const char* decodeRepeatedRun(RunLengthState& state, std::uint8_t count, std::uint8_t code) {
    if (state.y >= state.layout.height || state.x + count > state.paddedWidth) return messageConversion;
    for (std::int64_t i = 0; i < count; ++i) {
        putRunPixel(state, state.rle4 ? (i % 2 == 0 ? code >> 4 : code & 0xF) : code);
    }
    return nullptr;
}

const char* decodeAbsoluteRun(RunLengthState& state, std::uint8_t count) {
    const std::size_t literalBytes = state.rle4 ? (count + 1) / 2 : count;
    const std::size_t paddedBytes = (literalBytes + 1) / 2 * 2;
    if (state.size - state.at < paddedBytes) return messageShortRows;
    if (state.y >= state.layout.height || state.x + count > state.paddedWidth) return messageConversion;
    const std::uint8_t* literals = state.data + state.at;
    for (std::int64_t i = 0; i < count; ++i) {
        putRunPixel(state, state.rle4 ? literals[i / 2] >> (i % 2 == 0 ? 4 : 0) & 0xF : literals[i]);
    }
    state.at += paddedBytes;
    return nullptr;
}

const char* decodeEscape(RunLengthState& state, std::uint8_t code) {
    switch (code) {
    case rleEndOfLine:
        if (state.y >= state.layout.height) return messageConversion;
        state.x = 0;
        ++state.y;
        return nullptr;
    case rleEndOfBitmap:
        state.ended = true;
        return nullptr;
    case rleDelta:
        if (state.size - state.at < 2) return messageShortRows;
        state.x += state.data[state.at];
        state.y += state.data[state.at + 1];
        state.at += 2;
        return state.x > state.paddedWidth || state.y >= state.layout.height ? messageConversion : nullptr;
    default: return decodeAbsoluteRun(state, code);
    }
}

const char* decodeRunLength(const std::uint8_t* data, std::size_t size, const DibLayout& layout,
                            DibImage& image) {
    const bool rle4 = layout.compression == compressionRle4;
    const std::int64_t pixelsPerWord = rle4 ? 8 : 4;
    const std::int64_t paddedWidth = (layout.width + pixelsPerWord - 1) / pixelsPerWord * pixelsPerWord;
    RunLengthState state{data, size, layout, image, rle4, paddedWidth, layout.pixelOffset, 0, 0, false};
    while (!state.ended) {
        if (size - state.at < 2) return messageShortRows;
        const std::uint8_t count = data[state.at];
        const std::uint8_t code = data[state.at + 1];
        state.at += 2;
        const char* failure = count > 0 ? decodeRepeatedRun(state, count, code) : decodeEscape(state, code);
        if (failure) return failure;
    }
    return nullptr;
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

// Reads the whole of a file opened by openRegularFile (nullptr when it could
// not be opened); returns the failure message, or nothing. Only a regular
// file is read: a directory has no size to go by, and a FIFO would keep the
// game waiting.
const char* readFile(std::FILE* file, std::vector<std::uint8_t>& bytes) {
    struct stat status {};
    if (file == nullptr || fstat(fileno(file), &status) != 0) return messageOpenFailed;
    if (status.st_size <= 0) return messageOpenFailed;
    if (status.st_size > maxFileSize) return messageOutOfMemory;
    const auto size = static_cast<std::size_t>(status.st_size);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return messageOutOfMemory;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) return messageOpenFailed;
    return nullptr;
}

}  // namespace

std::optional<DibImage> decodeDibImage(const std::uint8_t* data, std::size_t size) {
    std::optional<DibImage> image;
    if (const char* failure = decode(data, size, image)) reportError(failure);
    return image;
}

std::optional<DibImage> loadDibImage(const char* fileName, MissingFile missing) {
    const std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(fileName));
    if (!file && errno == ENOENT && missing == MissingFile::Skipped) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (const char* failure = readFile(file.get(), bytes)) {
        reportError(failure == messageOpenFailed ? openFailedMessage(fileName).c_str() : failure);
        return std::nullopt;
    }
    return decodeDibImage(bytes.data(), bytes.size());
}
