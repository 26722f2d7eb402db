// tessaly-icon-png OUT.png: writes the program icon as a PNG file (the
// installer's desktop icon).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/window_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaly-icon-png OUT.png\n");
        return 2;
    }
    const char* path = argv[1];
    const std::vector<uint8_t> png = ui::windowIconPng();
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "tessaly-icon-png: cannot create %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    const int writeError = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "tessaly-icon-png: cannot write %s: %s\n", path,
                     std::strerror(!written ? writeError : errno));
        return 1;
    }
    return 0;
}
