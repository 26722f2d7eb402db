#include "image/image_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/bounded_reader.h"
#include "image/hex_text.h"
#include "image/library_table.h"
#include "image/little_endian.h"
#include "runtime/vexrun_interface.h"

namespace image {

const SectionView* ImageView::section(std::string_view name) const {
    for (const SectionView& s : sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

namespace {

constexpr uint32_t kMaxSections = 64;

struct Reader {
    std::span<const uint8_t> bytes;
    ImageError& error;
    ImageView view;

    bool fail(std::string message) {
        error.message = "image: " + std::move(message);
        return false;
    }

    bool header() {
        if (bytes.size() < kHeaderSize) {
            return fail("the header needs " + std::to_string(kHeaderSize) + " bytes, the image has " +
                        std::to_string(bytes.size()));
        }
        if (std::memcmp(bytes.data(), kMagic, 4) != 0) {
            char found[16];
            std::snprintf(found, sizeof found, "%02X %02X %02X %02X", bytes[0], bytes[1], bytes[2], bytes[3]);
            return fail(std::string("wrong magic at offset 0: expected 51 5A 00 00 (\"QZ\" and two NULs), found ") +
                        found);
        }
        for (uint32_t i = 0; i < kHeaderWords; ++i) view.header[i] = loadU32(bytes.data() + 4 * i);
        return true;
    }

    bool libraries(uint32_t& tableEnd) {
        std::string message;
        auto libs = readLibraryTable(bytes, kLibraryTableOffset, tableEnd, message);
        if (!libs) return fail(message);
        view.libraries = std::move(*libs);
        return true;
    }

    bool sectionAt(uint32_t at, SectionView& s) {
        std::string scope = "section header at " + hexText(at);
        if (at > bytes.size() || bytes.size() - at < sizeof(SectionHeader)) {
            return fail(scope + ": the 56-byte header runs past the end of the image (" + hexText(bytes.size()) + ")");
        }
        SectionHeader h;
        std::memcpy(&h, bytes.data() + at, sizeof h);
        size_t nameLength = strnlen(h.name, sizeof h.name);
        s.headerOffset = at;
        s.nextOffset = h.next;
        s.flags = h.flags;
        s.name.assign(h.name, nameLength);
        s.sizeInMemory = h.sizeInMemory;
        s.sizeInFile = h.sizeInFile;
        s.dataOffset = h.dataOffset;
        scope = "section \"" + s.name + "\" (header at " + hexText(at) + ")";
        if (nameLength == 0) return fail(scope + ": empty name");
        for (size_t i = 0; i < nameLength; ++i) {
            if (static_cast<unsigned char>(h.name[i]) < 0x20 || static_cast<unsigned char>(h.name[i]) >= 0x7F) {
                return fail(scope + ": the name holds a byte that is not printable ASCII");
            }
        }
        uint64_t expectedHeaderSize = sizeof(SectionHeader) + 4ull * h.relocationCount;
        if (h.headerSize != expectedHeaderSize) {
            return fail(scope + ": header size " + hexText(h.headerSize) + " does not match 56 + 4 x " +
                        std::to_string(h.relocationCount) + " relocation entries");
        }
        if (expectedHeaderSize > bytes.size() - at) {
            return fail(scope + ": its " + std::to_string(h.relocationCount) +
                        " relocation entries run past the end of the image (" + hexText(bytes.size()) + ")");
        }
        s.relocations.resize(h.relocationCount);
        for (uint32_t i = 0; i < h.relocationCount; ++i) {
            s.relocations[i] = loadU32(bytes.data() + at + sizeof(SectionHeader) + 4 * i);
        }
        if (h.dataOffset == kNoFileData) {
            if (h.sizeInFile != 0) {
                return fail(scope + ": no file data (offset 0xFFFFFFFF) but a size in file of " +
                            hexText(h.sizeInFile));
            }
        } else {
            if (h.dataOffset < at + expectedHeaderSize) {
                return fail(scope + ": data offset " + hexText(h.dataOffset) + " lies inside its own header");
            }
            if (h.dataOffset > bytes.size() || h.sizeInFile > bytes.size() - h.dataOffset) {
                return fail(scope + ": data at " + hexText(h.dataOffset) + " of " + hexText(h.sizeInFile) +
                            " bytes runs past the end of the image (" + hexText(bytes.size()) + ")");
            }
            s.data = bytes.subspan(h.dataOffset, h.sizeInFile);
        }
        return true;
    }

    bool chain(uint32_t tableEnd) {
        uint32_t at = view.header[kWordFirstSection];
        if (at < tableEnd) {
            return fail("header word 9: the first section header " + hexText(at) +
                        " lies inside the header or the library table (which end at " + hexText(tableEnd) + ")");
        }
        while (at != kLastSection) {
            if (view.sections.size() == kMaxSections) {
                return fail("the section chain has more than " + std::to_string(kMaxSections) + " sections");
            }
            SectionView s;
            if (!sectionAt(at, s)) return false;
            // The chain only runs forward, past this section's header and data,
            // so it cannot loop.
            uint64_t end = uint64_t(at) + sizeof(SectionHeader) + 4ull * s.relocations.size();
            if (s.dataOffset != kNoFileData) end = std::max<uint64_t>(end, uint64_t(s.dataOffset) + s.sizeInFile);
            if (s.nextOffset != kLastSection && s.nextOffset < end) {
                return fail("section \"" + s.name + "\" (header at " + hexText(at) + "): next header " +
                            hexText(s.nextOffset) + " does not lie behind this section (which ends at " +
                            hexText(end) + ")");
            }
            if (view.section(s.name)) {
                return fail("section \"" + s.name + "\" (header at " + hexText(at) + ") appears twice in the chain");
            }
            at = s.nextOffset;
            view.sections.push_back(std::move(s));
        }
        return true;
    }

    bool roleWords() {
        struct Role {
            uint32_t word;
            const char* name;
        };
        const Role roles[] = {{kWordConstSection, "const"}, {kWordFormSection, "form"}, {kWordHelpSection, "help"},
                              {kWordCodeSection, "code"},   {kWordVarSection, "var"}};
        for (const Role& r : roles) {
            const SectionView* s = view.section(r.name);
            if (!s) return fail(std::string("the section chain has no \"") + r.name + "\" section");
            if (view.header[r.word] != s->headerOffset) {
                return fail("header word " + std::to_string(r.word) + " holds " + hexText(view.header[r.word]) +
                            ", but the \"" + r.name + "\" header lies at " + hexText(s->headerOffset));
            }
        }
        for (const SectionView& s : view.sections) {
            if (!s.relocations.empty() && s.name != "code") {
                return fail("section \"" + s.name + "\" has " + std::to_string(s.relocations.size()) +
                            " relocation entries; only \"code\" may have any");
            }
        }
        const SectionView* names = nullptr;
        for (const SectionView& s : view.sections) {
            if (s.headerOffset == view.header[kWordDllNamesSection]) names = &s;
        }
        if (!names || names->dataOffset == kNoFileData) {
            return fail("header word 21 holds " + hexText(view.header[kWordDllNamesSection]) +
                        ", which is not the header of a section with file data");
        }
        for (uint32_t w = kWordDllFileName; w < kHeaderWords; ++w) {
            uint32_t off = view.header[w];
            if (off >= names->data.size() || !std::memchr(names->data.data() + off, 0, names->data.size() - off)) {
                return fail("header word " + std::to_string(w) + ": the DLL name at offset " + hexText(off) +
                            " of section \"" + names->name + "\" " +
                            (off >= names->data.size() ? "lies outside its data" : "has no NUL"));
            }
        }
        const SectionView* code = view.section("code");
        uint32_t entry = view.header[kWordEntryRoutine];
        if (code->dataOffset == kNoFileData || entry < code->dataOffset ||
            entry - code->dataOffset >= code->data.size()) {
            return fail("header word 15: the entry routine at " + hexText(entry) +
                        " does not lie inside the code data");
        }
        return true;
    }

    bool relocations() {
        const SectionView& code = *view.section("code");
        const SectionView& constant = *view.section("const");
        const SectionView& var = *view.section("var");
        for (size_t i = 0; i < code.relocations.size(); ++i) {
            uint32_t entry = code.relocations[i];
            uint32_t place = relocationOffset(entry);
            uint32_t kind = relocationKind(entry);
            std::string where = "code relocation " + std::to_string(i) + " (" + hexText8(entry) + ", code offset " +
                                hexText(place) + ")";
            if (place > code.data.size() || code.data.size() - place < 4) {
                return fail(where + ": the 32-bit value lies outside the code (" + hexText(code.data.size()) +
                            " bytes)");
            }
            uint32_t value = loadU32(code.data.data() + place);
            uint64_t limit = 0;
            const char* target = "";
            switch (kind) {
                case kRelocHelperTable:
                    limit = vx::kHelperSlotCount * vx::kHelperSlotWidth;
                    target = "the helper table";
                    if (value % vx::kHelperSlotWidth != 0) {
                        return fail(where + ": helper-table offset " + hexText(value) + " is not a slot boundary");
                    }
                    break;
                case kRelocConst: limit = constant.data.size(); target = "the const data"; break;
                case kRelocVariables: limit = var.sizeInMemory; target = "the variables"; break;
                case kRelocCode: limit = code.data.size(); target = "the code"; break;
                default: return fail(where + ": unknown relocation kind " + std::to_string(kind));
            }
            if (value >= limit) {
                return fail(where + ": value " + hexText(value) + " lies outside " + target + " (" + hexText(limit) +
                            " bytes)");
            }
        }
        return true;
    }

    bool identifierGroups() {
        const SectionView* s = view.section("@reloc1");
        if (!s) return true;  // an image without identifier fixups
        if (s->dataOffset == kNoFileData) return fail("section \"@reloc1\" has no file data");
        const SectionView& code = *view.section("code");
        // The groups may run 4 bytes past the stated size (the original stated
        // 4 bytes less than its groups take), but never past the image.
        size_t end = std::min<size_t>(bytes.size(), size_t(s->dataOffset) + s->sizeInFile + 4);
        BoundedReader r(bytes, s->dataOffset, end, "section \"@reloc1\"");
        for (uint32_t g = 0; g < 4; ++g) {
            std::string field = "group " + std::to_string(g);
            uint32_t count;
            size_t countAt = r.position();
            if (!r.u32(count, field + " count")) return fail(r.error());
            if (count > r.remaining() / 4) {
                r.fail(field + " count", countAt, std::to_string(count) + " entries run past " + hexText(end));
                return fail(r.error());
            }
            std::vector<uint32_t>& places = view.identifierGroups.groups[g];
            places.resize(count);
            for (uint32_t i = 0; i < count; ++i) {
                size_t entryAt = r.position();
                r.u32(places[i], field + " entry");
                if (places[i] > code.data.size() || code.data.size() - places[i] < 4) {
                    r.fail(field + " entry " + std::to_string(i), entryAt,
                           "code offset " + hexText(places[i]) + " lies outside the code (" +
                               hexText(code.data.size()) + " bytes)");
                    return fail(r.error());
                }
            }
        }
        size_t used = r.position() - s->dataOffset;
        if (used != s->sizeInFile && used != size_t(s->sizeInFile) + 4) {
            return fail("section \"@reloc1\": its groups take " + hexText(used) + " bytes, but it states " +
                        hexText(s->sizeInFile));
        }
        return true;
    }
};

}  // namespace

std::optional<ImageView> readImage(std::span<const uint8_t> bytes, ImageError& error) {
    Reader r{bytes, error, {}};
    uint32_t tableEnd = 0;
    if (!r.header() || !r.libraries(tableEnd) || !r.chain(tableEnd) || !r.roleWords() || !r.relocations() ||
        !r.identifierGroups()) {
        return std::nullopt;
    }
    r.view.libraryTableEnd = tableEnd;
    return std::move(r.view);
}

}  // namespace image
