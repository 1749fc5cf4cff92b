// Turns the six block images into OpenGL textures, one per `blockTextures` slot.
#include <cerrno>
#include <cstdio>

#include "app/app.h"
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
        // A missing file is skipped silently; anything else at the name (an
        // unreadable image, a directory, a FIFO) gets the reader's message.
        // The probe never waits on a FIFO.
        std::FILE* probe = openRegularFile(blockImageFiles[slot]);
        if (probe != nullptr) {
            std::fclose(probe);
        } else if (errno == ENOENT) {
            continue;
        }
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
