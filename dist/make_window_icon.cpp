// Build-time tool: turns the icon's PNGs into a C++ source that defines
// `windowIconData`, the X window icon as _NET_WM_ICON wants it: for each
// size its width, its height and its pixels as ARGB, row by row.
//   make_window_icon OUTPUT.cpp ICON.png...
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int valuesPerLine = 8;

// Appends width, height and the ARGB pixels of one PNG; false when it cannot be read.
bool appendIcon(const char* fileName, std::vector<std::uint32_t>& data) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, fileName)) {
        std::fprintf(stderr, "make_window_icon: %s: %s\n", fileName, image.message);
        return false;
    }
    image.format = PNG_FORMAT_ARGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_window_icon: %s: %s\n", fileName, image.message);
        png_image_free(&image);
        return false;
    }
    data.push_back(image.width);
    data.push_back(image.height);
    for (std::size_t at = 0; at + 3 < pixels.size(); at += 4) {
        data.push_back(std::uint32_t{pixels[at]} << 24 | std::uint32_t{pixels[at + 1]} << 16 |
                       std::uint32_t{pixels[at + 2]} << 8 | pixels[at + 3]);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_window_icon OUTPUT.cpp ICON.png...\n");
        return 2;
    }
    std::vector<std::uint32_t> data;
    for (int i = 2; i < argc; ++i) {
        if (!appendIcon(argv[i], data)) return 1;
    }
    std::ofstream out(argv[1]);
    out << "// Made at build time by make_window_icon from the icon's PNGs.\n"
           "#include <cstddef>\n#include <cstdint>\n\n"
           "extern const std::uint32_t windowIconData[];\n"
           "extern const std::size_t windowIconDataSize;\n\n"
           "const std::uint32_t windowIconData[] = {";
    for (std::size_t i = 0; i < data.size(); ++i) {
        out << (i % valuesPerLine == 0 ? "\n   " : "") << " 0x" << std::hex << data[i] << "u,";
    }
    out << std::dec << "\n};\nconst std::size_t windowIconDataSize = " << data.size() << ";\n";
    out.close();
    return out ? 0 : 1;
}
