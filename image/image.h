// image/: reads BMP images and turns them into the block textures. The reader
// owns nothing; the texture loader writes `blockTextures` (render/).
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

// Reads a BMP file (with or without its 14-byte file header); on failure
// reports why and returns nothing.
std::optional<DibImage> loadDibImage(const char* fileName);
// Decodes a BMP file's bytes held in memory; on failure reports why and returns nothing.
std::optional<DibImage> decodeDibImage(const std::uint8_t* data, std::size_t size);
// Loads the six block images into `blockTextures`; true when at least one was made.
bool loadBlockTextures();
