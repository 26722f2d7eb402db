#include "image/library_table.h"

#include <cstring>

#include "image/byte_writer.h"
#include "image/gbk_text.h"
#include "image/hex_text.h"

namespace image {
namespace {

bool isDecimal(std::string_view s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

uint32_t decimalValue(std::string_view s) {
    uint32_t v = 0;
    for (char c : s) v = v * 10 + static_cast<uint32_t>(c - '0');
    return v;
}

bool hasSeparatorOrNul(std::string_view s) {
    return s.find(kLibraryFieldSeparator) != std::string_view::npos || s.find('\0') != std::string_view::npos;
}

}  // namespace

std::optional<std::vector<LibraryEntry>> programLibraryEntries(std::string& error) {
    std::vector<LibraryEntry> out;
    for (const ProgramLibrary& library : kProgramLibraries) {
        std::optional<std::string> display = utf8ToGbk(library.displayName);
        if (!display) {
            error = "library table: the display name of \"" + std::string(library.name) + "\" has no GBK form";
            return std::nullopt;
        }
        out.push_back({std::string(library.name), std::string(library.identifier), library.major, library.minor, *display});
    }
    return out;
}

std::optional<std::vector<uint8_t>> writeLibraryTable(std::span<const LibraryEntry> libraries,
                                                      std::string& error) {
    ByteWriter w;
    for (const LibraryEntry& lib : libraries) {
        if (lib.name.empty() || hasSeparatorOrNul(lib.name) || hasSeparatorOrNul(lib.identifier) ||
            hasSeparatorOrNul(lib.displayName)) {
            error = "library table: library \"" + lib.name + "\" has an empty name or a field holding CR or NUL";
            return std::nullopt;
        }
        if (!isLibraryIdentifier(lib.identifier)) {
            error = "library table: library \"" + lib.name + "\" has the malformed identifier \"" +
                    lib.identifier + "\"";
            return std::nullopt;
        }
        std::string text = lib.name + kLibraryFieldSeparator + lib.identifier + kLibraryFieldSeparator +
                           std::to_string(lib.major) + kLibraryFieldSeparator + std::to_string(lib.minor) +
                           kLibraryFieldSeparator + lib.displayName;
        w.zeroEnded(text);
    }
    w.u8(0);  // the closing empty text
    return w.take();
}

std::optional<std::vector<LibraryEntry>> readLibraryTable(std::span<const uint8_t> image, uint32_t offset,
                                                          uint32_t& end, std::string& error) {
    std::vector<LibraryEntry> out;
    size_t at = offset;
    for (;;) {
        std::string where = "library table: entry " + std::to_string(out.size()) + " at offset " + hexText(at);
        if (at >= image.size()) {
            error = where + ": runs past the end of the image (" + hexText(image.size()) + ") before its closing empty text";
            return std::nullopt;
        }
        const void* nul = std::memchr(image.data() + at, 0, image.size() - at);
        if (!nul) {
            error = where + ": missing NUL before the end of the image";
            return std::nullopt;
        }
        size_t n = static_cast<const uint8_t*>(nul) - (image.data() + at);
        std::string_view text(reinterpret_cast<const char*>(image.data() + at), n);
        size_t next = at + n + 1;
        if (text.empty()) {
            end = static_cast<uint32_t>(next);
            return out;
        }
        std::vector<std::string_view> fields;
        for (size_t start = 0;;) {
            size_t cr = text.find(kLibraryFieldSeparator, start);
            fields.push_back(text.substr(start, cr == std::string_view::npos ? cr : cr - start));
            if (cr == std::string_view::npos) break;
            start = cr + 1;
        }
        if (fields.size() != 5) {
            error = where + ": expected 5 fields separated by CR, found " + std::to_string(fields.size());
            return std::nullopt;
        }
        if (fields[0].empty()) {
            error = where + ": empty library name";
            return std::nullopt;
        }
        std::string name(fields[0]);
        if (!isLibraryIdentifier(fields[1])) {
            error = where + " (\"" + gbkForDisplay(name) + "\"): the identifier \"" + gbkForDisplay(fields[1]) +
                    "\" is not 32 hex digits, bare, in braces or as a braced GUID";
            return std::nullopt;
        }
        if (!isDecimal(fields[2]) || !isDecimal(fields[3])) {
            error = where + " (\"" + gbkForDisplay(name) + "\"): the version \"" + gbkForDisplay(fields[2]) + "." +
                    gbkForDisplay(fields[3]) + "\" is not two decimal numbers";
            return std::nullopt;
        }
        out.push_back({name, std::string(fields[1]), decimalValue(fields[2]), decimalValue(fields[3]),
                       std::string(fields[4])});
        at = next;
    }
}

}  // namespace image
