// tessaly-image FILE: lists a program image: header words, libraries,
// sections, relocation counts by kind, identifier groups and the window
// record's elements.
#include <cstdio>
#include <string>

#include "image/file_bytes.h"
#include "image/gbk_text.h"
#include "image/hex_text.h"
#include "image/image_reader.h"
#include "image/window_record.h"

namespace {

void printHeader(const image::ImageView& view) {
    std::printf("header\n");
    for (uint32_t i = 0; i < image::kHeaderWords; ++i) {
        std::printf("  word %2u  %s\n", i, image::hexText8(view.header[i]).c_str());
    }
}

void printLibraries(const image::ImageView& view) {
    std::printf("libraries (table ends at %s)\n", image::hexText(view.libraryTableEnd).c_str());
    for (size_t i = 0; i < view.libraries.size(); ++i) {
        const image::LibraryEntry& lib = view.libraries[i];
        std::printf("  %zu  %-8s %u.%u  %s  %s\n", i, lib.name.c_str(), lib.major, lib.minor, lib.identifier.c_str(),
                    image::gbkForDisplay(lib.displayName).c_str());
    }
}

void printSections(const image::ImageView& view) {
    std::printf("sections\n");
    std::printf("  %-8s %-5s %-10s %-10s %-10s %-10s %s\n", "name", "flags", "header", "memory", "file", "data",
                "relocations");
    for (const image::SectionView& s : view.sections) {
        std::printf("  %-8s %-5s %-10s %-10s %-10s %-10s %zu\n", s.name.c_str(), image::hexText(s.flags).c_str(),
                    image::hexText(s.headerOffset).c_str(), image::hexText(s.sizeInMemory).c_str(),
                    image::hexText(s.sizeInFile).c_str(), image::hexText(s.dataOffset).c_str(), s.relocations.size());
    }
    if (const image::SectionView* code = view.section("code")) {
        size_t counts[4] = {};
        for (uint32_t entry : code->relocations) ++counts[image::relocationKind(entry) & 3];
        std::printf("code relocations by kind: 0 helper table %zu, 1 const %zu, 2 variables %zu, 3 code %zu\n",
                    counts[0], counts[1], counts[2], counts[3]);
    }
    const auto& g = view.identifierGroups.groups;
    std::printf("identifier groups: 0 ids %zu, 1 DLL commands %zu, 2 libraries %zu, 3 kind words %zu\n", g[0].size(),
                g[1].size(), g[2].size(), g[3].size());
}

// Pads a UTF-8 text to `columns` screen columns (CJK characters take two).
std::string padded(const std::string& utf8, size_t columns) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) ++width;
        else if ((c & 0xC0) == 0xC0) width += c >= 0xE0 ? 2 : 1;
    }
    return width >= columns ? utf8 + " " : utf8 + std::string(columns - width, ' ');
}

std::string eventsText(const image::Element& e) {
    std::string s;
    for (const image::EventBinding& b : e.events) {
        if (!s.empty()) s += ", ";
        s += std::to_string(b.event) + " -> " + image::hexText(b.handlerOffset);
    }
    return s.empty() ? "-" : s;
}

void printRecord(const image::WindowRecord& record) {
    for (const image::Window& w : record.windows) {
        std::printf("window %s: %zu elements\n", image::hexText8(w.id).c_str(), w.elements.size());
        std::printf("  %-10s %-10s %-14s %-22s %-5s %s\n", "id", "kind", "name", "left,top,width,height", "state",
                    "events");
        for (const image::Element& e : w.elements) {
            std::string name = e.name.empty() ? "(window)" : image::gbkForDisplay(e.name);
            std::string pos = std::to_string(e.left) + "," + std::to_string(e.top) + "," + std::to_string(e.width) +
                              "," + std::to_string(e.height);
            std::printf("  %-10s %-10s %s %-22s %-5u %s\n", image::hexText8(e.id).c_str(),
                        image::hexText8(e.kind).c_str(), padded(name, 14).c_str(), pos.c_str(), e.stateFlags,
                        eventsText(e).c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaly-image FILE\n");
        return 2;
    }
    std::string error;
    std::optional<std::vector<uint8_t>> bytes = image::readFileBytes(argv[1], error);
    if (!bytes) {
        std::fprintf(stderr, "tessaly-image: %s\n", error.c_str());
        return 1;
    }
    image::ImageError imageError;
    std::optional<image::ImageView> view = image::readImage(*bytes, imageError);
    if (!view) {
        std::fprintf(stderr, "tessaly-image: %s: %s\n", argv[1], imageError.message.c_str());
        return 1;
    }
    image::RecordError recordError;
    std::optional<image::WindowRecord> record;
    if (const image::SectionView* form = view->section("form")) record = image::readWindowRecord(form->data, recordError);
    if (!record) {
        std::fprintf(stderr, "tessaly-image: %s: %s\n", argv[1], recordError.message.c_str());
        return 1;
    }
    std::printf("%s: %s bytes\n", argv[1], image::hexText(bytes->size()).c_str());
    printHeader(*view);
    printLibraries(*view);
    printSections(*view);
    printRecord(*record);
    return 0;
}
