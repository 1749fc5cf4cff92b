// Turns the six block images into OpenGL textures, one per `blockTextures` slot.
#include <GL/gl.h>
#include <GL/glext.h>  // GL_CLAMP_TO_EDGE, which Windows' OpenGL 1.1 header lacks

#include "image/image.h"
#include "render/render.h"

namespace {

constexpr GLint textureLevel = 0;
constexpr GLint noBorder = 0;

constexpr bool isPowerOfTwo(std::int32_t side) { return side > 0 && (side & (side - 1)) == 0; }

}  // namespace

bool loadBlockTextures() {
    bool made = false;
    for (int slot = 0; slot <= blockKindCount; ++slot) {
        // A missing file is skipped silently; anything else at the name (an
        // unreadable image, a directory, a FIFO) gets the reader's message.
        const std::optional<DibImage> image = loadDibImage(blockImageFiles[slot], MissingFile::Skipped);
        if (!image) continue;
        glGenTextures(1, &blockTextures[slot]);
        glBindTexture(GL_TEXTURE_2D, blockTextures[slot]);
        glTexImage2D(GL_TEXTURE_2D, textureLevel, GL_RGB, image->width, image->height, noBorder, GL_RGB,
                     GL_UNSIGNED_BYTE, image->pixels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        // WebGL 1 samples an image whose sides are not powers of two as black
        // unless it is clamped; repeating would only blend in the opposite
        // edge along the cube's edges.
        if (!isPowerOfTwo(image->width) || !isPowerOfTwo(image->height)) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
        made = true;
    }
    return made;
}
