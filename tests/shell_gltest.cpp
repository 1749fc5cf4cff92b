// The shell with a real window: the reshape's projection, and the bytes the
// frame loop compares against what the screens actually draw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "gl_support.h"
#include "test_support.h"

namespace {

TEST(ShellWindow, AReshapeToHeightZeroKeepsTheWidthAsAspect) {
    for (const auto& [width, height, aspect] :
         {std::tuple{640, 0, 640.0f}, std::tuple{windowWidth, windowHeight, 4.0f / 3.0f}}) {
        onReshape(width, height);
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_FLOAT_EQ(projection[5] / projection[0], aspect) << width << " x " << height;
    }
}

// A record the screens may draw from, as its bytes.
struct DrawnRecord {
    const char* name;
    unsigned char* bytes;
    std::size_t size;
};

template <typename Record>
DrawnRecord drawn(const char* name, Record& record) {
    return {name, reinterpret_cast<unsigned char*>(&record), sizeof record};
}

std::vector<DrawnRecord> drawnRecords() {
    return {drawn("gameState", gameState),     drawn("board", board),
            drawn("piece", piece),             drawn("highScoreTable", highScoreTable),
            drawn("enteringName", enteringName), drawn("nameBuffer", nameBuffer),
            drawn("nameLength", nameLength),   drawn("pendingCharacter", pendingCharacter),
            drawn("errorBoxes", errorBoxes)};
}

// Which bytes of `record` pictureChanged leaves out: changing one alone does
// not make it say that the picture changed.
std::vector<bool> unlistedBytes(const DrawnRecord& record) {
    std::vector<bool> unlisted(record.size);
    pictureChanged();
    for (std::size_t i = 0; i < record.size; ++i) {
        record.bytes[i] ^= 1;
        unlisted[i] = !pictureChanged();
        record.bytes[i] ^= 1;
        pictureChanged();
    }
    return unlisted;
}

template <typename Frame>
bool samePixels(const Frame& a, const Frame& b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

// Each screen in a state that shows much of what it can show.
struct Scene {
    const char* name;
    void (*set)();
};

const Scene scenes[] = {
    {"the menu",
     [] {
         resetWorld();
         std::srand(3);
         readyMenuWall();
         gameState.menuSelection = menuHighscores;
         gameState.menuSpin = -100.0f;
     }},
    {"a paused game seen from aside, with the touch hint",
     [] {
         resetWorld(2, 5, {1, 2, 3});
         fill({{0, floorRow}, {1, floorRow}, {5, floorRow - 1}}, 4);
         gameState.mode = ScreenMode::Play;
         gameState.score = 123;
         gameState.paused = true;
         gameState.hintShown = true;
         gameState.pitch = 10.0f;
         gameState.yaw = -20.0f;
     }},
    {"the name prompt",
     [] {
         resetWorld();
         gameState.mode = ScreenMode::Highscores;
         enteringName = true;
         std::strcpy(nameBuffer, "Ada");
         nameLength = 3;
         gameState.cursorShown = true;
     }},
    {"an error box over the table",
     [] {
         resetWorld();
         gameState.mode = ScreenMode::Highscores;
         queueErrorBox("a message in a box");
     }},
};

// Every byte the screens draw from is in the picture's bytes: on each screen,
// the bytes pictureChanged leaves out, changed together run by run, change
// no pixel. A field added to a screen but not to the picture's bytes fails here.
TEST(ShellWindow, EveryByteAScreenDrawsFromIsInThePicturesBytes) {
    for (const Scene& scene : scenes) {
        scene.set();
        drawFrame();
        const auto shown = readFrame();
        for (const DrawnRecord& record : drawnRecords()) {
            const std::vector<bool> unlisted = unlistedBytes(record);
            for (std::size_t start = 0; start < record.size; ++start) {
                if (!unlisted[start]) continue;
                std::size_t end = start;
                while (end < record.size && unlisted[end]) record.bytes[end++] ^= 1;
                drawFrame();
                const bool same = samePixels(readFrame(), shown);
                for (std::size_t i = start; i < end; ++i) record.bytes[i] ^= 1;
                EXPECT_TRUE(same) << scene.name << ": bytes " << start << " to " << end - 1 << " of " << record.name
                                  << " are drawn, but not in the picture's bytes";
                start = end;
            }
        }
    }
    resetWorld();
}

}  // namespace
