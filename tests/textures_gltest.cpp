// The block textures loaded from the images the build makes and drawn in a
// Play frame through a real GL context.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gl_support.h"
#include "image/image.h"
#include "test_support.h"

namespace {

// The cells of the five kinds on the floor row, left to right, by kind.
constexpr int floorKindColumn[blockKindCount + 1] = {-1, 0, 2, 4, 6, 7};

// The pixel showing the point (faceX, faceY) of the front face (z = +1) of the cube of (column, row).
Rgb frontPixel(const std::vector<Rgb>& frame, int column, int row, double faceX, double faceY) {
    double x = 0, y = 0;
    projectFromCell(column, row, faceX, faceY, 1, x, y);
    return pixelAt(frame, static_cast<int>(x), static_cast<int>(y));
}

// The colour of most of the front face of the cube of (column, row): the
// per-channel median over a grid of points across it, so the kind's symbol
// and the bevel do not count.
Rgb faceColour(const std::vector<Rgb>& frame, int column, int row) {
    std::vector<int> channels[3];
    for (int i = -9; i <= 9; ++i) {
        for (int j = -9; j <= 9; ++j) {
            const Rgb p = frontPixel(frame, column, row, i / 10.0, j / 10.0);
            channels[0].push_back(p.red);
            channels[1].push_back(p.green);
            channels[2].push_back(p.blue);
        }
    }
    int median[3];
    for (int c = 0; c < 3; ++c) {
        std::nth_element(channels[c].begin(), channels[c].begin() + channels[c].size() / 2, channels[c].end());
        median[c] = channels[c][channels[c].size() / 2];
    }
    return Rgb{static_cast<std::uint8_t>(median[0]), static_cast<std::uint8_t>(median[1]), static_cast<std::uint8_t>(median[2])};
}

int brightness(Rgb colour) { return colour.red + colour.green + colour.blue; }

int distance(Rgb a, Rgb b) { return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue); }

// Loads the textures from `directory` as start-up would, and puts the
// working directory and an empty texture table back afterwards.
class BlockTextures : public testing::Test {
protected:
    void loadFrom(const std::string& directory) {
        ASSERT_NE(getcwd(previousDirectory, sizeof previousDirectory), nullptr);
        ASSERT_EQ(chdir(directory.c_str()), 0);
        loaded = loadBlockTextures();
    }
    void TearDown() override {
        glDeleteTextures(blockKindCount + 1, blockTextures);
        for (GLuint& name : blockTextures) name = 0;
        if (previousDirectory[0] != '\0') {
            EXPECT_EQ(chdir(previousDirectory), 0);
        }
    }
    // A Play frame with one block of every kind on the floor row and the piece out of the way.
    std::vector<Rgb> drawKinds() {
        resetWorld(boardColumns - 1, 0, {1, 2, 3});
        for (BlockKind kind = 1; kind <= blockKindCount; ++kind) fill({{floorKindColumn[kind], floorRow}}, kind);
        glColor3f(1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawPlayField();
        return readFrame();
    }
    char previousDirectory[4096] = "";
    bool loaded = false;
};

TEST_F(BlockTextures, EveryKindShowsItsOwnColourWithALightTopAndADarkBottom) {
    loadFrom(TESSARINE_BLOCK_IMAGE_DIR);
    ASSERT_TRUE(loaded);
    for (GLuint name : blockTextures) EXPECT_NE(name, 0u);
    const std::vector<Rgb> frame = drawKinds();

    Rgb faces[blockKindCount + 1] = {};
    for (BlockKind kind = 1; kind <= blockKindCount; ++kind) {
        SCOPED_TRACE(testing::Message() << "kind " << kind);
        const int column = floorKindColumn[kind];
        faces[kind] = faceColour(frame, column, floorRow);
        // The bevel: the band along the top edge is lighter than the face,
        // the band along the bottom edge darker.
        const Rgb top = frontPixel(frame, column, floorRow, 0, 0.85);
        const Rgb bottom = frontPixel(frame, column, floorRow, 0, -0.85);
        EXPECT_GT(brightness(top), brightness(faces[kind]) + 30);
        EXPECT_LT(brightness(bottom) + 30, brightness(faces[kind]));
        for (BlockKind other = 1; other < kind; ++other) {
            EXPECT_GT(distance(faces[kind], faces[other]), 60) << "like kind " << other;
        }
    }
    const Rgb ltBlue = faces[1], red = faces[2], green = faces[3], darkBlue = faces[4], grey = faces[5];
    EXPECT_GT(ltBlue.blue, ltBlue.red);
    EXPECT_GT(red.red, red.green + 100);
    EXPECT_GT(green.green, green.red + 100);
    EXPECT_GT(darkBlue.blue, darkBlue.green + 100);
    EXPECT_LT(distance(grey, Rgb{grey.red, grey.red, grey.red}), 10);
    EXPECT_GT(brightness(ltBlue), brightness(darkBlue) + 150);
}

TEST_F(BlockTextures, WithoutTheImageFilesEveryCubeIsWhite) {
    char pattern[] = "/tmp/textures_gltest_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    testing::internal::CaptureStderr();
    loadFrom(pattern);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // a missing file is no error
    rmdir(pattern);
    EXPECT_FALSE(loaded);
    for (GLuint name : blockTextures) EXPECT_EQ(name, 0u);
    const std::vector<Rgb> frame = drawKinds();
    for (BlockKind kind = 1; kind <= blockKindCount; ++kind) {
        const Rgb centre = frontPixel(frame, floorKindColumn[kind], floorRow, 0, 0);
        EXPECT_EQ(brightness(centre), 3 * 255) << "kind " << kind;
    }
}

// Only the red image is readable: the green one and a FIFO in the place of
// the dark blue one are reported and skipped (the FIFO without waiting for a
// writer), and the kinds without an image stay white.
TEST_F(BlockTextures, OnlyTheReadableImagesBecomeTextures) {
    char pattern[] = "/tmp/textures_gltest_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string red = dir + "/" + blockImageFiles[2];
    const std::string green = dir + "/" + blockImageFiles[3];
    const std::string fifo = dir + "/" + blockImageFiles[4];
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(std::system(("cp " + std::string(TESSARINE_BLOCK_IMAGE_DIR) + "/" + blockImageFiles[2] + " " + red).c_str()), 0);
    std::FILE* garbage = std::fopen(green.c_str(), "w");
    ASSERT_NE(garbage, nullptr);
    std::fputs("not an image\n", garbage);
    std::fclose(garbage);

    testing::internal::CaptureStderr();
    loadFrom(dir);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(programName) + ": Unknown DIB file format.\n" +
                                                          programName + ": Failed to open DIB file " +
                                                          blockImageFiles[4] + ".\n");
    std::remove(red.c_str());
    std::remove(green.c_str());
    std::remove(fifo.c_str());
    rmdir(pattern);
    EXPECT_TRUE(loaded);
    for (BlockKind kind = 0; kind <= blockKindCount; ++kind) EXPECT_EQ(blockTextures[kind] != 0, kind == 2);

    const std::vector<Rgb> frame = drawKinds();
    const Rgb redFace = faceColour(frame, floorKindColumn[2], floorRow);
    EXPECT_GT(redFace.red, redFace.green + 100);
    for (BlockKind kind : {1, 3, 4, 5}) {
        EXPECT_EQ(brightness(frontPixel(frame, floorKindColumn[kind], floorRow, 0, 0)), 3 * 255) << "kind " << kind;
    }
}

// An image of 3 x 3 pixels, red but for a blue right column: its sides are
// no powers of two, so its edges are clamped, and the face's left edge
// shows red, not blended with the blue of the opposite edge.
TEST_F(BlockTextures, AnImageWhoseSidesAreNoPowersOfTwoKeepsItsEdges) {
    const std::filesystem::path dir = makeTempDirectory("textures_gltest");
    BmpContents bmp;
    bmp.width = 3;
    bmp.height = 3;
    for (int row = 0; row < 3; ++row) {
        // Blue, green, red on file; each row padded to 12 bytes.
        bmp.pixels.insert(bmp.pixels.end(), {0, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0});
    }
    writeFile((dir / blockImageFiles[1]).string(), encodeBmp(bmp));
    loadFrom(dir.string());
    std::filesystem::remove_all(dir);
    const std::vector<Rgb> frame = drawKinds();
    const Rgb leftEdge = frontPixel(frame, floorKindColumn[1], floorRow, -0.95, 0);
    EXPECT_GT(leftEdge.red, 240);
    EXPECT_LT(leftEdge.blue, 15);
    EXPECT_GT(frontPixel(frame, floorKindColumn[1], floorRow, 0.95, 0).blue, 240);
}

// The menu's wall drawn in one batch per image shows what drawing it cube
// by cube, a translation and a bind each, showed: at most 0.1 % of the
// pixels differ (an edge rasterised a hair apart), at any turn and mix of
// images. The corners are placed by other float sums, so the filtered
// texels may round a level or so apart: that is no difference to the eye.
TEST_F(BlockTextures, TheWallInBatchesLooksAsItDidCubeByCube) {
    loadFrom(TESSARINE_BLOCK_IMAGE_DIR);
    const auto cubeByCube = [] {
        glLoadIdentity();
        glTranslatef(fieldOriginX, fieldOriginY, -55.0f);
        drawText(1.5f, 2.0f, "%s", windowTitle);
        drawText(3.5f, -9.0f, "Start");
        drawText(3.5f, -12.0f, "Highscores");
        drawText(3.5f, -15.0f, "Exit");
        drawText(-1.0f, -9.0f, "=)>");
        glTranslatef(0.0f, 0.0f, -20.0f);
        glRotatef(gameState.menuSpin, 1.0f, 1.0f, 1.0f);
        drawCellGrid([](int column, int row) {
            drawBlockCube(blockTextures[gameState.wall.images[row][column]]);
        });
    };
    constexpr int maxRoundingLevels = 3;  // summed over the three channels
    struct Case {
        float spin;
        unsigned seed;  // 0: the images in turn
    };
    for (const Case c : {Case{0.0f, 0}, Case{-37.0f, 3}, Case{-200.0f, 5}, Case{-719.0f, 0}, Case{-1000.0f, 9}}) {
        resetWorld();
        gameState.menuSpin = c.spin;
        std::srand(c.seed);
        for (int row = 0; row < boardRows; ++row) {
            for (int column = 0; column < boardColumns; ++column) {
                gameState.wall.images[row][column] = c.seed == 0 ? (row + column) % wallImageKinds : std::rand() % wallImageKinds;
            }
        }
        std::vector<Rgb> frames[2];
        int i = 0;
        for (void (*draw)() : {+cubeByCube, drawMenuScreen}) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw();
            frames[i++] = readFrame();
        }
        int differing = 0, lit = 0;
        for (std::size_t p = 0; p < frames[0].size(); ++p) {
            differing += distance(frames[0][p], frames[1][p]) > maxRoundingLevels;
            lit += !isBlack(frames[0][p]);
        }
        EXPECT_GT(lit, 5000) << "turned " << c.spin;
        EXPECT_LE(differing, windowWidth * windowHeight / 1000) << "turned " << c.spin << ", seed " << c.seed;
    }
}

}  // namespace
