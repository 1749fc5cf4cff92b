// image/: reads BMP images and turns them into the block textures. The reader
// owns nothing; the texture loader writes `blockTextures` (render/).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct DibImage {
    std::int32_t width;   // pixels per row
    std::int32_t height;  // number of rows, bottom row first
    std::vector<std::uint8_t> pixels;  // height * width * 3 bytes, R G B, no row padding
};

// Reads a BMP file (with or without its 14-byte file header); on failure
// reports why and returns nothing.
std::optional<DibImage> loadDibImage(const char* fileName);
// Writes "Error: " and the message to standard error, as one line.
void reportError(const char* message);
// Loads the six block images into `blockTextures`; true when at least one was made.
bool loadBlockTextures();
