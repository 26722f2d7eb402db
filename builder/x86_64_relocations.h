// The x86-64 relocations of the program's code, rewritten for the image: a
// PC-relative reference within the code is resolved at build time, one into
// the const data is kept until the image layout is known
// (resolveConstReferences), an absolute 32-bit reference becomes a relocation
// entry of the image (kind 1 const data, 2 variables, 3 code), a reference to
// an identifier symbol is written in and listed in its identifier group, and a
// reference through the address table is made direct. Any other reference is
// an error naming the symbol and its place.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

#include "builder/program_linker.h"

namespace image {

// What a relocation's symbol stands for in the image.
enum class TargetKind { kCode, kConst, kVariables, kIdentifier };

struct Target {
    TargetKind kind = TargetKind::kCode;
    int64_t offset = 0;   // kCode, kConst: offset of the symbol
    uint32_t group = 0;   // kIdentifier
    uint32_t value = 0;   // kIdentifier
};

// One relocation of the placed code, its symbol resolved.
struct CodeReference {
    uint32_t type = 0;          // R_X86_64_*
    int64_t addend = 0;
    uint32_t sectionStart = 0;  // code offset of the section that holds it
    Target target;
    std::string_view name;      // the symbol, for messages
    std::string_view site;      // ".text+0x1A (in vxEntryRoutine)", for messages
};

// Writes the reference whose field lies at code offset `place` into
// `program` (its code, relocations, identifier groups or const references).
// `variablesSize` bounds absolute references into the variables. On return
// `place` is the field written: one byte earlier where `jmp *x@GOTPCREL(%rip)`
// became `jmp x; nop`. Fails with `error` saying why.
bool rewriteRelocation(const CodeReference& ref, uint32_t variablesSize, LinkedProgram& program, uint32_t& place,
                       std::string& error);

}  // namespace image
