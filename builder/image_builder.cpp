#include "builder/image_builder.h"

#include "image/image_format.h"
#include "image/image_writer.h"
#include "image/library_table.h"
#include "image/window_record.h"
#include "runtime/const_table.h"
#include "runtime/program_base.h"
#include "runtime/program_variables.h"

namespace image {

std::optional<BuiltImage> buildImage(std::span<const uint8_t> objectBytes, std::span<const uint32_t> knownIds,
                                     const FormMaker& makeForm, std::string& error) {
    std::optional<ElfObject> object = readElfObject(objectBytes, error);
    if (!object) return std::nullopt;

    std::optional<std::vector<LibraryEntry>> libraries = programLibraryEntries(error);
    if (!libraries) return std::nullopt;
    std::optional<std::vector<uint8_t>> table = writeLibraryTable(*libraries, error);
    if (!table) return std::nullopt;

    // "const" is the first section: its data lies right behind its header.
    LinkOptions options;
    options.constDataImageOffset = static_cast<uint32_t>(kHeaderSize + table->size() + sizeof(SectionHeader));
    options.knownIds = knownIds;
    options.variablesSize = prog::kProgramVariablesSize;
    std::optional<LinkedProgram> linked = linkProgram(*object, options, error);
    if (!linked) return std::nullopt;

    std::optional<uint32_t> entry = linked->symbol(VX_SYMBOL_ENTRY_ROUTINE);
    if (!entry) {
        error = "image builder: the required routine " VX_SYMBOL_ENTRY_ROUTINE " is not defined in the program object";
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> form = makeForm(*linked, error);
    if (!form) return std::nullopt;

    ImageContents contents;
    contents.libraryTable = std::move(*table);
    contents.constData = linked->constData;
    contents.form = std::move(*form);
    contents.help.assign(kHelpSectionSize, 0);
    contents.code = linked->code;
    contents.codeRelocations = linked->relocations;
    contents.varSize = prog::kProgramVariablesSize;
    contents.identifierGroups = linked->identifierGroups;
    contents.entryCodeOffset = *entry;
    contents.dllNameOffsets = {kConstKernel32, kConstOpenProcess, kConstTerminateProcess, kConstGetCurrentProcessId};

    std::optional<ImageLayout> layout = computeLayout(layoutInputOf(contents), error);
    if (!layout) return std::nullopt;
    if (layout->sections[kChainConst].dataOffset != options.constDataImageOffset) {
        error = "image builder: the const data moved while the image was laid out";
        return std::nullopt;
    }
    if (!resolveConstReferences(*linked, layout->sections[kChainConst].dataOffset,
                                layout->sections[kChainCode].dataOffset, error)) {
        return std::nullopt;
    }
    contents.code = std::move(linked->code);

    std::optional<std::vector<uint8_t>> bytes = writeImage(contents, error);
    if (!bytes) return std::nullopt;

    // What the kernel library will read must read back.
    ImageError readError;
    std::optional<ImageView> view = readImage(*bytes, readError);
    if (!view) {
        error = "image builder: the built image does not read back: " + readError.message;
        return std::nullopt;
    }
    RecordError recordError;
    if (!readWindowRecord(view->section("form")->data, recordError)) {
        error = "image builder: the built window record does not read back: " + recordError.message;
        return std::nullopt;
    }
    return BuiltImage{std::move(*bytes), linked->requiredImageAlignment};
}

}  // namespace image
