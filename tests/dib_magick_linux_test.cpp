// The BMP reader against a second decoder: ImageMagick writes BMP files of
// odd widths at each depth, and its reading of them must equal ours pixel for
// pixel. Skipped where ImageMagick is not installed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/image.h"

namespace {

// The distribution's binary: a `convert` earlier on the PATH may be another program.
constexpr char convertPath[] = "/usr/bin/convert";

using Bytes = std::vector<std::uint8_t>;

std::string runOutput(const std::string& command) {
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

Bytes readAll(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    Bytes bytes;
    if (!file) return bytes;
    int c = 0;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    return bytes;
}

// ImageMagick's decoding as RGB rows, top row first.
std::string magickPixels(const std::string& path) {
    return runOutput(std::string(convertPath) + " '" + path + "' -depth 8 rgb:-");
}

// Bits per pixel as the file's DIB header gives them (file header present).
unsigned headerBits(const Bytes& file) {
    const bool core = file[14] == 12;
    const std::size_t at = 14 + (core ? 10 : 14);
    return file[at] | file[at + 1] << 8;
}

// Compares our decoding with ImageMagick's, within `tolerance` per channel.
void expectSameAsMagick(const std::string& path, int tolerance = 0) {
    const Bytes file = readAll(path);
    ASSERT_GT(file.size(), 54u);
    const std::optional<DibImage> ours = decodeDibImage(file.data(), file.size());
    ASSERT_TRUE(ours.has_value());
    const std::string theirs = magickPixels(path);
    ASSERT_EQ(theirs.size(), ours->pixels.size());
    const std::size_t rowBytes = static_cast<std::size_t>(ours->width) * 3;
    int mismatches = 0;
    for (std::int32_t row = 0; row < ours->height; ++row) {
        const std::size_t theirRow = static_cast<std::size_t>(ours->height - 1 - row) * rowBytes;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = ours->pixels[row * rowBytes + i];
            const int b = static_cast<std::uint8_t>(theirs[theirRow + i]);
            if (std::abs(a - b) > tolerance && mismatches++ < 5) {
                ADD_FAILURE() << "row " << row << " byte " << i << ": ours " << a << ", ImageMagick's " << b;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

class MagickCrossCheck : public testing::Test {
protected:
    void SetUp() override {
        if (access(convertPath, X_OK) != 0) GTEST_SKIP() << convertPath << " is not installed";
        char pattern[] = "/tmp/dib_magick_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) runOutput("rm -rf '" + dir + "'");
    }
    std::string dir;
};

struct Depth {
    unsigned bits;
    const char* options;  // how ImageMagick is asked for that depth
};

}  // namespace

TEST_F(MagickCrossCheck, UncompressedDepthsAndOddWidthsInBothHeaders) {
    const Depth depths[] = {
        {1, "-monochrome -type bilevel -compress none"},
        {4, "-colors 16 -type palette -compress none"},
        {8, "-colors 256 -type palette -compress none"},
        {24, "-type truecolor -compress none"},
    };
    const char* sizes[] = {"1x33", "3x11", "5x7", "13x9"};
    for (const char* format : {"BMP3", "BMP2"}) {
        for (const char* size : sizes) {
            const std::string source = dir + "/noise.ppm";
            runOutput(std::string(convertPath) + " -seed 7 -size " + size + " xc: +noise Random '" + source + "'");
            for (const Depth& depth : depths) {
                SCOPED_TRACE(testing::Message() << format << " " << size << " at " << depth.bits << " bits");
                const std::string path = dir + "/image.bmp";
                runOutput(std::string(convertPath) + " '" + source + "' " + depth.options + " " + format + ":'" +
                          path + "'");
                const Bytes file = readAll(path);
                ASSERT_GT(file.size(), 30u);
                EXPECT_EQ(file[14], std::string(format) == "BMP2" ? 12 : 40);
                ASSERT_EQ(headerBits(file), depth.bits);
                expectSameAsMagick(path);
            }
        }
    }
}

// ImageMagick codes each row's padding as a run of its own. At widths 1 and
// 2 its own reader then loses the top row (the padding run of the last row
// does not fit its buffer), so those widths are left out.
TEST_F(MagickCrossCheck, RunLengthEightBitsAtOddWidths) {
    for (const char* size : {"3x11", "5x7", "13x9"}) {
        SCOPED_TRACE(size);
        const std::string path = dir + "/rle8.bmp";
        runOutput(std::string(convertPath) + " -seed 3 -size " + size +
                  " xc: +noise Random -colors 40 -type palette -compress RLE BMP3:'" + path + "'");
        const Bytes file = readAll(path);
        ASSERT_GT(file.size(), 54u);
        ASSERT_EQ(file[14 + 16], 1) << "not RLE8";
        expectSameAsMagick(path);
    }
}

// The block images the build makes, in all their encodings; 5- and 6-bit
// channels may round differently by one.
TEST_F(MagickCrossCheck, TheBlockImages) {
    for (const char* name : blockImageFiles) {
        SCOPED_TRACE(name);
        expectSameAsMagick(std::string(TESSARINE_BLOCK_IMAGE_DIR) + "/" + name, 1);
    }
}
