#include "builder/x86_64_relocations.h"

#include <elf.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/hex_text.h"
#include "image/image_format.h"
#include "image/little_endian.h"

namespace image {
namespace {

const char* relocationTypeName(uint32_t type) {
    switch (type) {
        case R_X86_64_64: return "R_X86_64_64";
        case R_X86_64_PC32: return "R_X86_64_PC32";
        case R_X86_64_GOT32: return "R_X86_64_GOT32";
        case R_X86_64_PLT32: return "R_X86_64_PLT32";
        case R_X86_64_GOTPCREL: return "R_X86_64_GOTPCREL";
        case R_X86_64_32: return "R_X86_64_32";
        case R_X86_64_32S: return "R_X86_64_32S";
        case R_X86_64_16: return "R_X86_64_16";
        case R_X86_64_PC16: return "R_X86_64_PC16";
        case R_X86_64_8: return "R_X86_64_8";
        case R_X86_64_PC8: return "R_X86_64_PC8";
        case R_X86_64_TPOFF32: return "R_X86_64_TPOFF32";
        case R_X86_64_PC64: return "R_X86_64_PC64";
        case R_X86_64_GOTPCRELX: return "R_X86_64_GOTPCRELX";
        case R_X86_64_REX_GOTPCRELX: return "R_X86_64_REX_GOTPCRELX";
        default: return "an unknown type";
    }
}

bool failWith(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

// The image has no table of addresses to load through, so a reference
// through one is rewritten into the direct instruction, as linkers relax
// them: `call *x@GOTPCREL(%rip)` -> `addr32 call x`, `jmp *x@GOTPCREL(%rip)`
// -> `jmp x; nop` (the field moves one byte back) and `mov x@GOTPCREL(%rip),
// %reg` -> `lea x(%rip), %reg`. On return `place` is the field of the
// PC-relative reference that remains.
bool relaxGotReference(const CodeReference& ref, std::vector<uint8_t>& code, uint32_t& place, std::string& error) {
    const std::string site(ref.site);
    const std::string name(ref.name);
    if (place - ref.sectionStart < 2) {
        return failWith(error, "reference through the address table at " + site + " has no instruction before it");
    }
    uint8_t* op = code.data() + place - 2;
    uint8_t* modrm = op + 1;
    bool ripRelative = (*modrm & 0xC7) == 0x05;
    bool rex = ref.type == R_X86_64_REX_GOTPCRELX;
    if (rex && (place - ref.sectionStart < 3 || (op[-1] & 0xF0) != 0x40)) {
        return failWith(error, "reference through the address table at " + site + " lacks its REX prefix");
    }
    if (!rex && op[0] == 0xFF && *modrm == 0x15) {
        op[0] = 0x67;  // addr32
        op[1] = 0xE8;  // call rel32
        return true;
    }
    if (!rex && op[0] == 0xFF && *modrm == 0x25) {
        uint32_t disp = loadU32(op + 2);
        op[0] = 0xE9;  // jmp rel32
        storeU32(op + 1, disp);
        op[5] = 0x90;  // nop
        place -= 1;
        return true;
    }
    if (op[0] == 0x8B && ripRelative) {
        op[0] = 0x8D;  // lea
        return true;
    }
    char bytes[16];
    std::snprintf(bytes, sizeof bytes, "%02X %02X", op[0], op[1]);
    return failWith(error, "cannot rewrite the reference to " + name + " through the address table at " + site +
                               " (instruction bytes " + bytes + "); only call, jmp and mov can be made direct");
}

}  // namespace

bool rewriteRelocation(const CodeReference& ref, uint32_t variablesSize, LinkedProgram& program, uint32_t& place,
                       std::string& error) {
    const std::string site(ref.site);
    const std::string name(ref.name);
    const Target& t = ref.target;
    uint32_t type = ref.type;
    if (type == R_X86_64_GOTPCRELX || type == R_X86_64_REX_GOTPCRELX) {
        if (!relaxGotReference(ref, program.code, place, error)) return false;
        type = R_X86_64_PC32;
    }
    uint8_t* field = program.code.data() + place;

    switch (type) {
        case R_X86_64_PC32:
        case R_X86_64_PLT32:
            switch (t.kind) {
                case TargetKind::kCode: {
                    int64_t v = t.offset + ref.addend - int64_t(place);
                    if (v < INT32_MIN || v > INT32_MAX) {
                        return failWith(error, "PC-relative reference to " + name + " at " + site + " does not fit 32 bits");
                    }
                    storeU32(field, static_cast<uint32_t>(static_cast<int32_t>(v)));
                    return true;
                }
                case TargetKind::kConst:
                    program.constReferences.push_back({place, t.offset + ref.addend});
                    return true;
                case TargetKind::kVariables:
                    return failWith(error, "PC-relative reference to " + name + " at " + site +
                                               "; the variables lie apart from the image and are reached by an "
                                               "absolute address");
                case TargetKind::kIdentifier:
                    return failWith(error, "PC-relative reference to the identifier symbol " + name + " at " + site);
            }
            break;
        case R_X86_64_32:
        case R_X86_64_32S: {
            if (t.kind == TargetKind::kIdentifier) {
                if (ref.addend != 0) return failWith(error, "identifier symbol " + name + " at " + site + " has an addend");
                if (ref.type == R_X86_64_32S && t.value > uint32_t(INT32_MAX)) {
                    return failWith(error, "identifier " + hexText(t.value) + " at " + site + " would be sign-extended");
                }
                storeU32(field, t.value);
                program.identifierGroups.groups[t.group].push_back(place);
                return true;
            }
            int64_t value = t.kind == TargetKind::kVariables ? ref.addend : t.offset + ref.addend;
            int64_t limit = 0;
            RelocationKind kind = kRelocCode;
            const char* section = "";
            switch (t.kind) {
                case TargetKind::kCode: kind = kRelocCode; limit = int64_t(program.code.size()); section = "the code"; break;
                case TargetKind::kConst: kind = kRelocConst; limit = int64_t(program.constData.size()); section = "the const data"; break;
                case TargetKind::kVariables: kind = kRelocVariables; limit = variablesSize; section = "the variables"; break;
                case TargetKind::kIdentifier: break;
            }
            if (value < 0 || value >= limit) {
                return failWith(error, "absolute reference to " + name +
                                           (ref.addend ? "+" + std::to_string(ref.addend) : "") + " at " + site +
                                           " lies outside " + section + " (" + hexText(limit) + " bytes)");
            }
            storeU32(field, static_cast<uint32_t>(value));
            program.relocations.push_back(relocationEntry(place, kind));
            return true;
        }
        case R_X86_64_64:
            return failWith(error, "64-bit absolute reference to " + name + " at " + site +
                                       "; the image holds only 32-bit absolute references (small code model)");
        default: break;
    }
    return failWith(error, "unsupported relocation type " + std::to_string(ref.type) + " (" +
                               relocationTypeName(ref.type) + ") against " + name + " at " + site);
}

}  // namespace image
