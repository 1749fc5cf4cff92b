// image/: reads BMP images and turns them into the block textures, and writes
// BMP files (for the block image generator and the reader's tests). The
// reader and the writer own nothing; the texture loader writes
// `blockTextures` (render/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "game/game.h"

// The BMP layout that both the reader and the block image generator use:
// the optional file header's size, the two DIB header sizes read, and the
// compression codes of the info header.
constexpr std::uint32_t bmpFileHeaderSize = 14;
constexpr std::uint32_t coreHeaderSize = 12;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t compressionNone = 0;
constexpr std::uint32_t compressionRle8 = 1;
constexpr std::uint32_t compressionRle4 = 2;
constexpr std::uint32_t compressionBitfields = 3;

// A colour of 8 bits a channel: a colour table's entry (blue first on file),
// a pixel read from an image or from the window.
struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// A BMP file field by field, for the writer, which lays out what it is given
// and checks nothing, so that tests make broken files with it too.
struct BmpContents {
    bool fileHeader = true;   // the 14-byte file header first
    bool coreHeader = false;  // the 12-byte core header (16-bit sides, 3-byte entries), else the 40-byte info header
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: the rows run top row first
    std::uint32_t bitsPerPixel = 24;
    std::uint32_t compression = compressionNone;  // info header only
    std::uint32_t coloursUsed = 0;                // info header only; 0: as many as the bits can name
    std::vector<std::uint32_t> masks;   // after the header, 32 bits each
    std::vector<Rgb> palette;     // the colour table, as long as it is given
    std::vector<std::uint8_t> gap;      // between the colour table and the pixels
    std::vector<std::uint8_t> pixels;   // the rows or run-length codes, as they lie on file
};

struct DibImage {
    std::int32_t width;   // pixels per row
    std::int32_t height;  // number of rows, bottom row first
    std::vector<std::uint8_t> pixels;  // height * width * 3 bytes, R G B, no row padding
};

// The image file of each `blockTextures` slot, by BlockKind, read from the working directory.
constexpr const char* blockImageFiles[blockKindCount + 1] = {
    "block_black.bmp", "block_ltblue.bmp", "block_red.bmp",
    "block_green.bmp", "block_dblue.bmp",  "block_gray.bmp",
};

// The block images the build makes: square, with a bevel along each edge;
// the playing kinds' symbols stand inside the bevel.
constexpr int blockImageSide = 64;
constexpr int blockBevelWidth = 5;

// What the reader makes of a file that does not exist.
enum class MissingFile {
    Reported,  // "Failed to open DIB file NAME.", as any file that cannot be opened
    Skipped,   // nothing said: the file is optional
};
// Reads a BMP file (with or without its 14-byte file header), opening it
// once; on failure reports why (unless it is missing and `missing` says
// Skipped) and returns nothing.
std::optional<DibImage> loadDibImage(const char* fileName, MissingFile missing = MissingFile::Reported);
// Decodes a BMP file's bytes held in memory; on failure reports why and returns nothing.
std::optional<DibImage> decodeDibImage(const std::uint8_t* data, std::size_t size);
// The bytes of a BMP file, little-endian: the file header's sizes and pixel
// offset and the info header's image size computed, every other field as given.
std::vector<std::uint8_t> encodeBmp(const BmpContents& contents);
// Loads the six block images into `blockTextures`; true when at least one was made.
bool loadBlockTextures();
