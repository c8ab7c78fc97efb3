// bmp-probe FILE.bmp [X,Y ...]: reads a BMP file as the player does and prints its size and
// the colours of the pixels asked for, on one line ("8 x 6 0,0=#FF0000 7,5=#00FF00"), or the
// reason the player refuses it (exit 1). The test kit's own tests use it to read back what
// the media command wrote.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "host/gfx/BmpDecoder.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bmp-probe FILE.bmp [X,Y ...]\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    const stagehand::base::Result<stagehand::host::Surface> image =
        stagehand::host::DecodeBmp(bytes);
    if (!image) {
        std::cout << argv[1] << ": " << image.error() << "\n";
        return 1;
    }
    std::cout << image->Width() << " x " << image->Height();
    for (int i = 2; i < argc; ++i) {
        int x = 0;
        int y = 0;
        if (std::sscanf(argv[i], "%d,%d", &x, &y) != 2) {
            std::cerr << "bmp-probe: \"" << argv[i] << "\" is not X,Y\n";
            return 2;
        }
        char color[8];
        std::snprintf(color, sizeof color, "#%06X", image->PixelAt(x, y));
        std::cout << " " << x << "," << y << "=" << color;
    }
    std::cout << "\n";
    return 0;
}
