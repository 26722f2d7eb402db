// tessaly-icon-png OUT.png: writes the program icon as a PNG file (the
// installer's desktop icon); OUT.ico: as an icon file (the Windows
// executable's icon resource).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/window_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaly-icon-png OUT.png|OUT.ico\n");
        return 2;
    }
    const char* path = argv[1];
    const size_t length = std::strlen(path);
    const bool ico = length >= 4 && std::strcmp(path + length - 4, ".ico") == 0;
    const std::vector<uint8_t> bytes = ico ? ui::windowIconIco() : ui::windowIconPng();
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "tessaly-icon-png: cannot create %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "tessaly-icon-png: cannot write %s: %s\n", path,
                     std::strerror(!written ? writeError : errno));
        return 1;
    }
    return 0;
}
