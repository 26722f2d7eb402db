// Telling a film from a text file by its bytes (no FFmpeg: the Windows
// build of the command-line tool uses it too).
#include <filesystem>
#include <fstream>
#include <vector>

#include "film/film.h"

namespace film {
namespace {

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

FileKind sniffFile(const std::string& path) {
    std::error_code ec;
    auto status = std::filesystem::status(fsPath(path), ec);
    if (ec || !std::filesystem::exists(status)) return FileKind::Missing;
    if (std::filesystem::is_directory(status)) return FileKind::Directory;
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) return FileKind::Missing;
    std::vector<unsigned char> head(64 * 1024);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (head.empty()) return FileKind::Empty;
    if (head.size() >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF)))
        return FileKind::Text;  // UTF-16 with its byte-order mark
    // Compressed sound and every container header hold control bytes within
    // the first few; text (any 8-bit encoding, UTF-8 included) holds none
    // beyond tab, line ends, form feed and DOS's end-of-file mark.
    for (unsigned char c : head)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) || c == 0x7F)
            return FileKind::Media;
    return FileKind::Text;
}

}  // namespace film
