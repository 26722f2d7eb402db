// The image's library table: the seven libraries the program uses, in table
// order, and the reading and writing of the table's bytes (one zero-ended
// text per library, five fields separated by CR, then an empty text).
#pragma once

#include <stdint.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_reader.h"
#include "runtime/vexrun_interface.h"

namespace image {

struct ProgramLibrary {
    std::string_view name;
    std::string_view identifier;   // our own, fixed
    uint32_t major, minor;
    std::string_view displayName;  // UTF-8 here, GBK in the image
};

// Position in this table = library index; position + 1 = library number.
constexpr ProgramLibrary kProgramLibraries[vx::kLibraryCount] = {
    {"vexrun", "{6C1F0E52-93A7-4B8D-B2E4-17D05A9C3F61}", 5, 0, "运行核心库"},
    {"plintor", "{A83D27F9-4E16-4C5B-9F02-6BE1D4730C8A}", 1, 0, "界面基础库"},
    {"dravolt", "{3F9B6D14-C2E8-4A07-8D53-E01A7F6B92C4}", 2, 0, "拖放支持库"},
    {"ulmix", "{D5472A8E-1B3C-4F69-A4D0-8C2E957B1F36}", 3, 0, "特殊功能库"},
    {"stylon", "{91E0C64B-7D25-4E8A-B31F-5A9D08C2E714}", 2, 0, "界面风格库"},
    {"Ravline", "{4B7E3C09-A6D1-4F52-8E9B-C3071D5F2A68}", 2, 0, "多线程支持库"},
    {"synvox", "{E28A51C7-3D9F-4B06-A7C4-5F1B80D36E92}", 1, 0, "自动对齐库"},
};

// An identifier is 32 hex digits, bare, in braces, or as a braced GUID
// (8-4-4-4-12).
constexpr bool isLibraryIdentifier(std::string_view s) {
    auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    auto allHex = [&](std::string_view t) {
        for (char c : t) {
            if (!hex(c)) return false;
        }
        return true;
    };
    if (s.size() == 32) return allHex(s);
    if (s.size() == 34) return s.front() == '{' && s.back() == '}' && allHex(s.substr(1, 32));
    if (s.size() == 38) {
        if (s.front() != '{' || s.back() != '}') return false;
        std::string_view g = s.substr(1, 36);
        for (size_t i = 0; i < g.size(); ++i) {
            bool dash = i == 8 || i == 13 || i == 18 || i == 23;
            if (dash ? g[i] != '-' : !hex(g[i])) return false;
        }
        return true;
    }
    return false;
}

constexpr bool programLibrariesAreWellFormed() {
    for (const ProgramLibrary& lib : kProgramLibraries) {
        if (!isLibraryIdentifier(lib.identifier) || lib.name.empty()) return false;
    }
    return kProgramLibraries[vx::kLibVexrun].name == "vexrun" &&
           kProgramLibraries[vx::kLibPlintor].name == "plintor" &&
           kProgramLibraries[vx::kLibDravolt].name == "dravolt" &&
           kProgramLibraries[vx::kLibUlmix].name == "ulmix" &&
           kProgramLibraries[vx::kLibStylon].name == "stylon" &&
           kProgramLibraries[vx::kLibRavline].name == "Ravline" &&
           kProgramLibraries[vx::kLibSynvox].name == "synvox";
}
static_assert(programLibrariesAreWellFormed(), "library table: names in library-index order, valid identifiers");

// The program's libraries with GBK display names; nullopt (with `error`) only
// when the C library cannot convert to GBK.
std::optional<std::vector<LibraryEntry>> programLibraryEntries(std::string& error);

// The table's bytes, closing empty text included. Fails (nullopt) on a field
// that holds a CR or NUL, or a display name without a GBK form.
std::optional<std::vector<uint8_t>> writeLibraryTable(std::span<const LibraryEntry> libraries,
                                                      std::string& error);

// Reads the table from `offset`; `end` receives the offset just past the
// closing empty text.
std::optional<std::vector<LibraryEntry>> readLibraryTable(std::span<const uint8_t> image, uint32_t offset,
                                                          uint32_t& end, std::string& error);

}  // namespace image
