// The image builder's static linker: takes the one relocatable object of the
// freestanding program code and makes the image's code and const data.
//
// - Code: every .text* section, then one stub `jmp *ABS32` per helper slot.
// - Const data: the fixed const table, then every .rodata* section, each
//   aligned for the code that loads it (relative to the image's start).
// - PC-relative references inside the code are resolved here; those into the
//   const data once the image layout is known (resolveConstReferences).
// - Absolute 32-bit references become relocation entries (kind 1 const data,
//   2 variables, 3 code; kind 0 for the stubs' slots); references to the
//   absolute identifier symbols are written in and listed in the identifier
//   groups (each relocation rewritten by x86_64_relocations.h).
// Anything it cannot place is an error naming the symbol or section.
#pragma once

#include <stdint.h>

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "builder/elf_object.h"
#include "image/image_reader.h"

namespace image {

struct LinkOptions {
    uint32_t constDataImageOffset = 0;       // where the const data will lie in the image
    std::span<const uint32_t> knownIds;      // ids the code may name (group 0)
    uint32_t variablesSize = 0;              // size of the "var" memory
};

struct LinkedProgram {
    std::vector<uint8_t> code;
    std::vector<uint8_t> constData;
    std::vector<uint32_t> relocations;  // (code offset << 3) | kind, ascending
    IdentifierGroups identifierGroups;  // code offsets, ascending, per group
    std::map<std::string, uint32_t, std::less<>> codeSymbols;  // global routine name -> code offset
    uint32_t stubsOffset = 0;           // code offset of the stub of slot 0
    // Read-only data is aligned relative to the image's first byte, so the
    // image must be placed at a multiple of this for the alignment to hold.
    uint32_t requiredImageAlignment = 1;

    // Places of PC-relative references into the const data, with the const
    // offset each refers to (symbol + addend); filled in by
    // resolveConstReferences.
    struct ConstReference {
        uint32_t place;
        int64_t constTarget;
    };
    std::vector<ConstReference> constReferences;

    std::optional<uint32_t> symbol(std::string_view name) const;
};

std::optional<LinkedProgram> linkProgram(const ElfObject& object, const LinkOptions& options, std::string& error);

// Writes the PC-relative references into the const data, now that the code's
// place in the image is known.
bool resolveConstReferences(LinkedProgram& program, uint32_t constDataImageOffset, uint32_t codeDataImageOffset,
                            std::string& error);

}  // namespace image
