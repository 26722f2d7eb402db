// From image bytes to a running entry routine.
#include "vexrun/kernel/core/program_loader.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "image/image_format.h"
#include "image/image_reader.h"
#include "vexrun/kernel/core/dll_commands.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/support_libraries.h"

namespace vexrun {
namespace {

constexpr uint64_t kBelow2GiB = 0x80000000u;
constexpr size_t kPage = 4096;

struct LoaderState {
    bool loaded = false;
    LoadedProgram program;
    void* variablesMapping = nullptr;
    size_t variablesMappingSize = 0;
    void* imageCopy = nullptr;  // loadProgramImageCopy's mapping
    size_t imageCopySize = 0;
};
LoaderState gState;

size_t pagesFor(size_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }

std::string hex(uint64_t v) {
    char b[24];
    snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
    return b;
}

// The zero-ended text at `offset` in a section's data.
bool nameAt(const uint8_t* data, uint32_t size, uint32_t offset, std::string_view& name) {
    if (offset >= size) return false;
    const void* nul = memchr(data + offset, 0, size - offset);
    if (!nul) return false;
    name = std::string_view(reinterpret_cast<const char*>(data + offset),
                            static_cast<const uint8_t*>(nul) - (data + offset));
    return true;
}

// Header words 10 and 11 count the DLL file names (at most one) and the
// DLL-command names; words 24 on give their offsets in the data of the section
// whose header word 21 points at.
bool resolveImageDllCommands(const image::ImageView& view, const uint8_t* image, std::string& error) {
    const uint32_t files = view.header[image::kWordStored10];
    const uint32_t commands = view.header[image::kWordStored11];
    constexpr uint32_t kNameWords = image::kHeaderWords - image::kWordDllCommandName0;
    if (files == 0 && commands == 0) return resolveDllCommands({}, {}, error);
    if (files != 1) {
        error = "the image names " + std::to_string(files) + " DLL files (header word 10); one is supported";
        return false;
    }
    if (commands > kNameWords) {
        error = "the image declares " + std::to_string(commands) + " DLL commands (header word 11); the header holds " +
                std::to_string(kNameWords) + " names";
        return false;
    }
    const image::SectionView* names = nullptr;
    for (const image::SectionView& s : view.sections) {
        if (s.headerOffset == view.header[image::kWordDllNamesSection]) names = &s;
    }
    if (!names || names->dataOffset == image::kNoFileData) {
        error = "header word 21 (" + hex(view.header[image::kWordDllNamesSection]) +
                ") is not the header of a section with data";
        return false;
    }
    const uint8_t* data = image + names->dataOffset;
    std::string_view dll;
    std::vector<std::string_view> functions(commands);
    for (uint32_t w = 0; w <= commands; ++w) {
        uint32_t word = image::kWordDllFileName + w;
        std::string_view& out = w == 0 ? dll : functions[w - 1];
        if (!nameAt(data, names->sizeInFile, view.header[word], out)) {
            error = "header word " + std::to_string(word) + " (" + hex(view.header[word]) +
                    ") does not point at a zero-ended name in section \"" + names->name + "\"";
            return false;
        }
    }
    return resolveDllCommands(dll, functions, error);
}

struct Fixup {
    uint32_t offset;
    uint32_t value;
};

// Every relocation checked first, applied only when all are sound.
bool relocate(const image::SectionView& code, uint8_t* codeData, const uint8_t* constData, uint32_t constSize,
              const uint8_t* variables, uint32_t variablesSize, std::string& error) {
    struct Base {
        const char* what;
        uint64_t address;
        uint64_t limit;  // largest value that still points into the target
    };
    const Base bases[4] = {
        {"the helper table", reinterpret_cast<uint64_t>(helperTable()), vx::kHelperSlotCount * vx::kHelperSlotWidth},
        {"the const data", reinterpret_cast<uint64_t>(constData), constSize},
        {"the variables", reinterpret_cast<uint64_t>(variables), variablesSize},
        {"the code data", reinterpret_cast<uint64_t>(codeData), code.sizeInFile},
    };
    std::vector<Fixup> fixups;
    fixups.reserve(code.relocations.size());
    for (size_t i = 0; i < code.relocations.size(); ++i) {
        const uint32_t entry = code.relocations[i];
        const uint32_t at = image::relocationOffset(entry), kind = image::relocationKind(entry);
        const std::string where = "relocation entry " + std::to_string(i) + " (code offset " + hex(at) +
                                  ", kind " + std::to_string(kind) + ")";
        if (kind > image::kRelocCode) {
            error = where + ": unknown kind";
            return false;
        }
        if (static_cast<uint64_t>(at) + 4 > code.sizeInFile) {
            error = where + ": the value lies outside the code (" + hex(code.sizeInFile) + " bytes)";
            return false;
        }
        const Base& base = bases[kind];
        if (!base.address) {
            error = where + ": the image has no section for " + base.what;
            return false;
        }
        uint32_t value;
        memcpy(&value, codeData + at, 4);
        if (value > base.limit) {
            error = where + ": the value " + hex(value) + " points past " + base.what + " (" + hex(base.limit) +
                    " bytes)";
            return false;
        }
        const uint64_t address = base.address + value;
        if (address >= kBelow2GiB) {
            error = where + ": the address " + hex(address) + " in " + base.what + " does not lie below 2 GiB";
            return false;
        }
        fixups.push_back({at, static_cast<uint32_t>(address)});
    }
    for (const Fixup& f : fixups) memcpy(codeData + f.offset, &f.value, 4);
    return true;
}

void releaseLoad() {
    if (gState.variablesMapping) platform::unmapBelow2GiB(gState.variablesMapping, gState.variablesMappingSize);
    gState.variablesMapping = nullptr;
    unloadLibraries();
    resetDllCommands();
    gState.program = {};
    gState.loaded = false;
}

bool fail(std::string& error, std::string message) {
    error = std::move(message);
    releaseLoad();
    return false;
}

}  // namespace

const LoadedProgram* loadedProgram() noexcept { return gState.loaded ? &gState.program : nullptr; }

bool loadProgramImage(uint8_t* imageBytes, size_t size, std::string& error) {
    if (gState.loaded) {
        error = "a program image is already loaded";
        return false;
    }
    if (!imageBytes || size < sizeof image::kMagic || memcmp(imageBytes, image::kMagic, sizeof image::kMagic) != 0) {
        error = "not a program image: it does not begin with \"QZ\" and two NUL bytes";
        return false;
    }
    image::ImageError readError;
    std::optional<image::ImageView> read = image::readImage(std::span<const uint8_t>(imageBytes, size), readError);
    if (!read) {
        error = "malformed program image: " + readError.message;
        return false;
    }
    const image::ImageView& view = *read;

    std::vector<std::string_view> names;
    for (const image::LibraryEntry& l : view.libraries) names.push_back(l.name);
    if (!loadLibraries(names, error)) return fail(error, error);
    if (!resolveImageDllCommands(view, imageBytes, error)) return fail(error, error);

    const image::SectionView* code = view.section("code");
    if (!code || code->dataOffset == image::kNoFileData || code->sizeInFile == 0) {
        return fail(error, "the image has no \"code\" section with data");
    }
    for (const image::SectionView& s : view.sections) {
        if (s.dataOffset != image::kNoFileData && static_cast<uint64_t>(s.dataOffset) + s.sizeInFile > size) {
            return fail(error, "section \"" + s.name + "\" runs past the image");
        }
    }
    const uint32_t entry = view.entryOffset();
    if (entry < code->dataOffset || entry >= code->dataOffset + code->sizeInFile) {
        return fail(error, "the entry routine (header word 15, " + hex(entry) + ") lies outside the code");
    }

    LoadedProgram p;
    p.image = imageBytes;
    p.imageSize = size;
    p.code = imageBytes + code->dataOffset;
    p.codeSize = code->sizeInFile;
    if (const image::SectionView* c = view.section("const"); c && c->dataOffset != image::kNoFileData) {
        p.constData = imageBytes + c->dataOffset;
        p.constSize = c->sizeInFile;
    }
    if (const image::SectionView* f = view.section("form"); f && f->dataOffset != image::kNoFileData) {
        p.form = std::span<const uint8_t>(imageBytes + f->dataOffset, f->sizeInFile);
    }
    if (const image::SectionView* v = view.section("var")) {
        gState.variablesMappingSize = pagesFor(v->sizeInMemory ? v->sizeInMemory : 1);
        std::string why;
        void* m = platform::mapBelow2GiB(gState.variablesMappingSize, false, why);
        if (!m) return fail(error, "cannot map the variables below 2 GiB: " + why);
        gState.variablesMapping = m;
        p.variables = static_cast<uint8_t*>(m);  // zero-filled by the kernel
        p.variablesSize = v->sizeInMemory;
    }
    auto first = reinterpret_cast<uintptr_t>(p.code) & ~(kPage - 1);
    auto last = reinterpret_cast<uintptr_t>(p.code) + p.codeSize;
    std::string why;
    if (!platform::makeCodeWritable(reinterpret_cast<void*>(first), pagesFor(last - first), why)) {
        return fail(error, "cannot make the code writable: " + why);
    }
    if (!relocate(*code, p.code, p.constData, p.constSize, p.variables, p.variablesSize, error)) {
        return fail(error, error);
    }
    if (!platform::makeCodeExecutable(reinterpret_cast<void*>(first), pagesFor(last - first), why)) {
        return fail(error, "cannot make the code executable: " + why);
    }
    p.entry = reinterpret_cast<vx::ImageRoutine>(imageBytes + entry);
    gState.program = p;
    gState.loaded = true;
    return true;
}

void callEntryRoutine() noexcept {
    if (!gState.loaded) fatalError("no program image is loaded", kExitLoadFailure);
    gState.program.entry();
}

void unloadProgramImage() noexcept {
    releaseLoad();
    if (gState.imageCopy) platform::unmapBelow2GiB(gState.imageCopy, gState.imageCopySize);
    gState.imageCopy = nullptr;
}

bool loadProgramImageCopy(std::span<const uint8_t> bytes, std::string& error) {
    if (gState.loaded) {
        error = "a program image is already loaded";
        return false;
    }
    const size_t mapped = pagesFor(bytes.empty() ? 1 : bytes.size());
    std::string why;
    void* m = platform::mapBelow2GiB(mapped, true, why);
    if (!m) {
        error = "cannot map memory below 2 GiB for the program image: " + why;
        return false;
    }
    if (!bytes.empty()) memcpy(m, bytes.data(), bytes.size());
    if (!loadProgramImage(static_cast<uint8_t*>(m), bytes.size(), error)) {
        platform::unmapBelow2GiB(m, mapped);
        return false;
    }
    gState.imageCopy = m;
    gState.imageCopySize = mapped;
    return true;
}

bool loadProgramImageFile(const std::string& path, std::string& error) {
    int fd = platform::openFileForReading(path);
    if (fd < 0) {
        error = "cannot read program image " + path + ": " + strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const int readErrno = errno;
    close(fd);
    if (n < 0) {
        error = "cannot read program image " + path + ": " + strerror(readErrno);
        return false;
    }
    return loadProgramImageCopy(bytes, error);
}

void runProgramImage(uint8_t* image, size_t size) noexcept {
    std::string error;
    if (!loadProgramImage(image, size, error)) fatalError(error, kExitLoadFailure);
    callEntryRoutine();
}

void runProgramImageFile(const std::string& path) noexcept {
    std::string error;
    if (!loadProgramImageFile(path, error)) fatalError(error, kExitLoadFailure);
    callEntryRoutine();
}

void runtimeEntry(const uint8_t* image) {
    if (!image) fatalError("no program image was given", kExitLoadFailure);
    const size_t size = platform::readableExtent(image);
    if (!size) fatalError("the program image's address " + hex(reinterpret_cast<uint64_t>(image)) + " is not mapped",
                          kExitLoadFailure);
    runProgramImage(const_cast<uint8_t*>(image), size);
}

}  // namespace vexrun
