// Turns the six block images into OpenGL textures, one per `blockTextures` slot.
#include <cstdio>

#include "image/image.h"
#include "render/render.h"

namespace {

constexpr GLint textureLevel = 0;
constexpr GLint rgbComponents = 3;
constexpr GLint noBorder = 0;

}  // namespace

bool loadBlockTextures() {
    bool made = false;
    for (int slot = 0; slot <= blockKindCount; ++slot) {
        // A missing file is skipped silently; only a file that is there but
        // unreadable as an image gets the reader's message.
        std::FILE* probe = std::fopen(blockImageFiles[slot], "r");
        if (!probe) continue;
        std::fclose(probe);
        const std::optional<DibImage> image = loadDibImage(blockImageFiles[slot]);
        if (!image) continue;
        glGenTextures(1, &blockTextures[slot]);
        glBindTexture(GL_TEXTURE_2D, blockTextures[slot]);
        glTexImage2D(GL_TEXTURE_2D, textureLevel, rgbComponents, image->width, image->height, noBorder, GL_RGB,
                     GL_UNSIGNED_BYTE, image->pixels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        made = true;
    }
    return made;
}
