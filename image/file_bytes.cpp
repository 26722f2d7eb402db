#include "image/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace image {

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    bool failed = std::ferror(f);
    int err = errno;
    std::fclose(f);
    if (failed) {
        error = "cannot read " + path + ": " + std::strerror(err);
        return std::nullopt;
    }
    return bytes;
}

bool writeFileBytes(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int err = errno;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot write " + path + ": " + std::strerror(err);
    }
    return ok;
}

}  // namespace image
