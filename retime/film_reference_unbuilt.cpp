// REF from a film where this tessaly-retime reads no films (the Windows
// build, until FFmpeg's libraries are built for it): a film is still told
// from a subtitle, and refused with one clear message.
#include <filesystem>
#include <fstream>

#include "retime/exit_status.h"
#include "retime/film_reference.h"

namespace retime {

// Judged by the first 64 KiB: compressed sound and every container header
// hold control bytes there; text (UTF-8, any 8-bit encoding) holds none but
// tab, line ends, form feed and DOS's end-of-file mark, and UTF-16 starts
// with its byte-order mark.
bool isFilmReference(const std::string& path) {
    if (path.empty() || path == "-") return false;
    std::ifstream in(std::filesystem::path(reinterpret_cast<const char8_t*>(path.c_str())), std::ios::binary);
    if (!in) return false;
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto n = static_cast<size_t>(in.gcount());
    if (n >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF'))) return false;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(head[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) || c == 0x7F) return true;
    }
    return false;
}

int readFilmReference(const ReferenceOptions& options, FilmReference&, std::string& error) {
    error = "REF '" + options.reference + "' is a film, and reading films is not built into this tessaly-retime";
    return kExitFileOrTime;
}

}  // namespace retime
