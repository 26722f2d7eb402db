#include "builder/program_linker.h"

#include <elf.h>

#include <algorithm>
#include <iterator>

#include "builder/x86_64_relocations.h"
#include "image/hex_text.h"
#include "image/image_format.h"
#include "image/little_endian.h"
#include "image/window_record.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"
#include "runtime/program_base.h"

namespace image {

std::optional<uint32_t> LinkedProgram::symbol(std::string_view name) const {
    auto it = codeSymbols.find(name);
    if (it == codeSymbols.end()) return std::nullopt;
    return it->second;
}

namespace {

constexpr const char* kSlotNames[] = {VX_HELPER_SLOT_NAMES};
static_assert(std::size(kSlotNames) == vx::kHelperSlotCount, "one stub per helper slot");

constexpr uint8_t kCodeFill = 0xCC;             // int3 between routines
constexpr uint32_t kMaxCodeSize = 1u << 29;     // code offsets must fit (offset << 3) in 32 bits
constexpr uint64_t kMaxAlignment = 4096;

enum class Placement { kNone, kCode, kConst, kIgnored };

struct SectionPlace {
    Placement where = Placement::kNone;
    uint32_t offset = 0;  // in the code or the const data
};

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool isSectionFamily(std::string_view name, std::string_view base) {
    return name == base || startsWith(name, std::string(base) + ".");
}

// Digits after a symbol prefix: hex (ids, kind words) or decimal (indices).
std::optional<uint32_t> parseNumber(std::string_view digits, int base) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        v = v * base + d;
    }
    return static_cast<uint32_t>(v);
}

class Linker {
public:
    Linker(const ElfObject& object, const LinkOptions& options, std::string& error)
        : obj_(object), opt_(options), error_(error), places_(object.sections.size()) {}

    std::optional<LinkedProgram> run() {
        if (!classify() || !placeSections() || !checkDefinitions() || !applyRelocations() ||
            !checkUndefined() || !finish()) {
            return std::nullopt;
        }
        return std::move(out_);
    }

private:
    bool fail(std::string message) {
        error_ = "image builder: " + std::move(message);
        return false;
    }

    // A place in a section, for messages: ".text+0x1A (in vxEntryRoutine)".
    std::string where(uint32_t section, uint64_t offset) const {
        std::string s = obj_.sections[section].name + "+" + hexText(offset);
        for (const ElfSymbol& sym : obj_.symbols) {
            if (sym.sectionIndex == section && sym.type == STT_FUNC && offset >= sym.value &&
                offset < sym.value + sym.size) {
                return s + " (in " + sym.name + ")";
            }
        }
        return s;
    }

    // A symbol defined in `section`, to name writable data by what holds it.
    std::string symbolIn(uint32_t section) const {
        for (const ElfSymbol& sym : obj_.symbols) {
            if (sym.sectionIndex == section && sym.type != STT_SECTION && !sym.name.empty()) return sym.name;
        }
        return "";
    }

    static bool holdsConstructors(const ElfSection& s) {
        const std::string& n = s.name;
        return s.type == SHT_INIT_ARRAY || s.type == SHT_FINI_ARRAY || s.type == SHT_PREINIT_ARRAY ||
               isSectionFamily(n, ".init_array") || isSectionFamily(n, ".fini_array") ||
               isSectionFamily(n, ".preinit_array") || isSectionFamily(n, ".ctors") || isSectionFamily(n, ".dtors") ||
               n == ".init" || n == ".fini";
    }

    bool classify() {
        // Static constructors first: their objects' writable data is only the
        // consequence.
        for (size_t i = 1; i < obj_.sections.size(); ++i) {
            const ElfSection& s = obj_.sections[i];
            if (holdsConstructors(s) && s.size > 0) {
                return fail("section " + s.name +
                            " holds static constructors or destructors; the image runs no start-up code but its "
                            "entry routine");
            }
        }
        for (size_t i = 1; i < obj_.sections.size(); ++i) {
            const ElfSection& s = obj_.sections[i];
            SectionPlace& p = places_[i];
            const std::string& n = s.name;
            if (s.type == SHT_NULL || s.type == SHT_SYMTAB || s.type == SHT_STRTAB || s.type == SHT_RELA ||
                s.type == SHT_GROUP || !(s.flags & SHF_ALLOC) || n == ".eh_frame" || startsWith(n, ".note")) {
                p.where = Placement::kIgnored;  // not part of the image
                continue;
            }
            if (s.size == 0) {
                p.where = Placement::kIgnored;
                continue;
            }
            if (s.flags & SHF_TLS) return fail("section " + n + " holds thread-local data, which the image cannot hold");
            if (s.flags & SHF_WRITE) {
                std::string holder = symbolIn(s.index);
                return fail(std::string(s.type == SHT_NOBITS ? "zero-initialised" : "initialised") +
                            " writable data in section " + n + (holder.empty() ? "" : " (symbol " + holder + ")") +
                            "; program-level state belongs in the variables");
            }
            if (s.flags & SHF_EXECINSTR) {
                if (!isSectionFamily(n, ".text") || s.type == SHT_NOBITS) {
                    return fail("cannot place the executable section " + n);
                }
                p.where = Placement::kCode;
                continue;
            }
            if (isSectionFamily(n, ".rodata") && s.type != SHT_NOBITS) {
                p.where = Placement::kConst;
                continue;
            }
            return fail("cannot place section " + n + " (neither code nor read-only data)");
        }
        return true;
    }

    bool placeSections() {
        for (size_t i = 1; i < obj_.sections.size(); ++i) {
            const ElfSection& s = obj_.sections[i];
            bool placed = places_[i].where == Placement::kCode || places_[i].where == Placement::kConst;
            if (placed && s.align > kMaxAlignment) {
                return fail("section " + s.name + " asks for alignment " + std::to_string(s.align) + ", more than " +
                            std::to_string(kMaxAlignment));
            }
        }
        for (size_t i = 1; i < obj_.sections.size(); ++i) {
            const ElfSection& s = obj_.sections[i];
            if (places_[i].where != Placement::kCode) continue;
            size_t at = (out_.code.size() + s.align - 1) / s.align * s.align;
            out_.code.resize(at, kCodeFill);
            places_[i].offset = static_cast<uint32_t>(at);
            out_.code.insert(out_.code.end(), s.data.begin(), s.data.end());
            if (out_.code.size() > kMaxCodeSize) return fail("the code grows past " + hexText(kMaxCodeSize) + " bytes");
        }
        // The stubs close the code, one per slot in slot order.
        out_.stubsOffset = static_cast<uint32_t>(out_.code.size());
        for (uint32_t k = 0; k < vx::kHelperSlotCount; ++k) {
            out_.code.insert(out_.code.end(), std::begin(kStubOpcode), std::end(kStubOpcode));
            uint32_t place = static_cast<uint32_t>(out_.code.size());
            out_.code.resize(place + 4);
            storeU32(out_.code.data() + place, k * vx::kHelperSlotWidth);
            out_.relocations.push_back(relocationEntry(place, kRelocHelperTable));
            fixups_.push_back(place);
        }
        static_assert(sizeof(kStubOpcode) + 4 == kStubSize, "a stub is its opcode and one 32-bit slot address");

        // Read-only data follows the fixed table, each section aligned in the
        // image (SSE loads of 16-byte constants need it).
        out_.constData = constTableBytes();
        for (size_t i = 1; i < obj_.sections.size(); ++i) {
            const ElfSection& s = obj_.sections[i];
            if (places_[i].where != Placement::kConst) continue;
            uint64_t image = uint64_t(opt_.constDataImageOffset) + out_.constData.size();
            uint64_t padded = (image + s.align - 1) / s.align * s.align;
            out_.constData.resize(out_.constData.size() + (padded - image), 0);
            places_[i].offset = static_cast<uint32_t>(out_.constData.size());
            out_.constData.insert(out_.constData.end(), s.data.begin(), s.data.end());
            out_.requiredImageAlignment = std::max<uint32_t>(out_.requiredImageAlignment, static_cast<uint32_t>(s.align));
        }
        return true;
    }

    bool isReservedName(std::string_view name) const {
        for (const char* slot : kSlotNames) {
            if (name == slot) return true;
        }
        return name == VX_SYMBOL_CONST_DATA || name == VX_SYMBOL_VARIABLES || startsWith(name, VX_SYMBOL_PREFIX_ID) ||
               startsWith(name, VX_SYMBOL_PREFIX_DLL) || startsWith(name, VX_SYMBOL_PREFIX_LIB) ||
               startsWith(name, VX_SYMBOL_PREFIX_KIND);
    }

    bool checkDefinitions() {
        for (const ElfSymbol& sym : obj_.symbols) {
            if (sym.sectionIndex == SHN_UNDEF || sym.type == STT_SECTION || sym.type == STT_FILE) continue;
            if (isReservedName(sym.name)) {
                return fail("the program defines " + sym.name + ", which the image builder provides");
            }
            if (sym.sectionIndex == SHN_COMMON) {
                return fail("common symbol " + sym.name + " is writable data; program-level state belongs in the variables");
            }
            if (sym.sectionIndex == SHN_ABS) continue;
            if ((sym.bind == STB_GLOBAL || sym.bind == STB_WEAK) && places_[sym.sectionIndex].where == Placement::kCode) {
                if (sym.value > obj_.sections[sym.sectionIndex].size) {
                    return fail("symbol " + sym.name + " lies outside its section " +
                                obj_.sections[sym.sectionIndex].name);
                }
                out_.codeSymbols[sym.name] = places_[sym.sectionIndex].offset + static_cast<uint32_t>(sym.value);
            }
        }
        return true;
    }

    bool resolveUndefined(const ElfSymbol& sym, Target& t, const std::string& site) {
        const std::string& n = sym.name;
        for (uint32_t k = 0; k < vx::kHelperSlotCount; ++k) {
            if (n == kSlotNames[k]) {
                t.kind = TargetKind::kCode;
                t.offset = out_.stubsOffset + k * kStubSize;
                return true;
            }
        }
        if (n == VX_SYMBOL_CONST_DATA) {
            t.kind = TargetKind::kConst;
            t.offset = 0;
            return true;
        }
        if (n == VX_SYMBOL_VARIABLES) {
            t.kind = TargetKind::kVariables;
            return true;
        }
        struct Prefix {
            const char* text;
            uint32_t group;
            int base;
        };
        const Prefix prefixes[] = {{VX_SYMBOL_PREFIX_ID, kGroupWindowAndControlIds, 16},
                                   {VX_SYMBOL_PREFIX_DLL, kGroupDllCommandIndices, 10},
                                   {VX_SYMBOL_PREFIX_LIB, kGroupLibraryIndices, 10},
                                   {VX_SYMBOL_PREFIX_KIND, kGroupKindWords, 16}};
        for (const Prefix& p : prefixes) {
            if (!startsWith(n, p.text)) continue;
            std::optional<uint32_t> v = parseNumber(std::string_view(n).substr(std::string_view(p.text).size()), p.base);
            if (!v) return fail("malformed identifier symbol " + n + " at " + site);
            bool known = false;
            switch (p.group) {
                case kGroupWindowAndControlIds:
                    known = std::find(opt_.knownIds.begin(), opt_.knownIds.end(), *v) != opt_.knownIds.end();
                    break;
                case kGroupDllCommandIndices: known = *v < kDllCommandCount; break;
                case kGroupLibraryIndices: known = *v >= 1 && *v < vx::kLibraryCount; break;
                case kGroupKindWords: known = isKnownKindWord(*v); break;
            }
            if (!known) {
                const char* what[] = {"window or control id", "DLL-command index", "support-library index",
                                      "kind word"};
                return fail("unknown " + std::string(what[p.group]) + " " + hexText(*v) + " (symbol " + n + ") at " +
                            site);
            }
            t.kind = TargetKind::kIdentifier;
            t.group = p.group;
            t.value = *v;
            return true;
        }
        return fail("undefined symbol " + n + " (referenced at " + site + ")");
    }

    bool resolve(uint32_t symbolIndex, Target& t, const std::string& site) {
        if (symbolIndex == 0) return fail("a relocation without a symbol at " + site);
        const ElfSymbol& sym = obj_.symbols[symbolIndex];
        used_.push_back(symbolIndex);
        switch (sym.sectionIndex) {
            case SHN_UNDEF: return resolveUndefined(sym, t, site);
            case SHN_ABS: return fail("absolute symbol " + sym.name + " at " + site + " cannot be placed in the image");
            case SHN_COMMON: return fail("common symbol " + sym.name + " at " + site + " is writable data");
            default: break;
        }
        const SectionPlace& p = places_[sym.sectionIndex];
        if (p.where == Placement::kCode || p.where == Placement::kConst) {
            t.kind = p.where == Placement::kCode ? TargetKind::kCode : TargetKind::kConst;
            t.offset = int64_t(p.offset) + int64_t(sym.value);
            return true;
        }
        return fail("reference at " + site + " to " + sym.name + " in section " + obj_.sections[sym.sectionIndex].name +
                    ", which the image does not hold");
    }

    bool applyRelocations() {
        for (const ElfRelocationSection& rs : obj_.relocationSections) {
            const ElfSection& target = obj_.sections[rs.target];
            Placement where = places_[rs.target].where;
            if (where == Placement::kIgnored) continue;
            if (where == Placement::kConst) {
                if (rs.entries.empty()) continue;
                const ElfSymbol& first = obj_.symbols[rs.entries.front().symbol];
                return fail("section " + target.name + " holds " + std::to_string(rs.entries.size()) +
                            " relocations (a jump table or a table of addresses, the first against " + first.name +
                            "); read-only data cannot be relocated");
            }
            if (where != Placement::kCode) {
                return fail("relocations " + obj_.sections[rs.index].name + " patch section " + target.name +
                            ", which the image does not hold");
            }
            for (const ElfRelocation& r : rs.entries) {
                if (!applyOne(rs.target, r)) return false;
            }
        }
        return true;
    }

    bool applyOne(uint32_t section, const ElfRelocation& r) {
        if (r.type == R_X86_64_NONE) return true;
        std::string site = where(section, r.offset);
        const ElfSection& s = obj_.sections[section];
        if (r.offset > s.size || s.size - r.offset < 4) {
            return fail("relocation at " + site + " lies outside its section (" + hexText(s.size) + " bytes)");
        }
        uint32_t place = places_[section].offset + static_cast<uint32_t>(r.offset);
        Target t;
        if (!resolve(r.symbol, t, site)) return false;
        CodeReference ref{r.type, r.addend, places_[section].offset, t, obj_.symbols[r.symbol].name, site};
        std::string error;
        if (!rewriteRelocation(ref, opt_.variablesSize, out_, place, error)) return fail(std::move(error));
        fixups_.push_back(place);
        return true;
    }

    bool checkUndefined() {
        std::sort(used_.begin(), used_.end());
        for (size_t i = 1; i < obj_.symbols.size(); ++i) {
            const ElfSymbol& sym = obj_.symbols[i];
            if (sym.sectionIndex != SHN_UNDEF || sym.name.empty()) continue;
            if (std::binary_search(used_.begin(), used_.end(), static_cast<uint32_t>(i))) continue;
            // The assembler names the address table whenever it emits a
            // reference through it; once those are made direct nothing uses it.
            if (sym.name == "_GLOBAL_OFFSET_TABLE_") continue;
            Target t;
            if (!resolveUndefined(sym, t, "no placed code")) return false;
        }
        return true;
    }

    bool finish() {
        std::sort(fixups_.begin(), fixups_.end());
        for (size_t i = 1; i < fixups_.size(); ++i) {
            if (fixups_[i] < fixups_[i - 1] + 4) {
                return fail("two references overlap at code offset " + hexText(fixups_[i]));
            }
        }
        std::sort(out_.relocations.begin(), out_.relocations.end());
        for (auto& g : out_.identifierGroups.groups) std::sort(g.begin(), g.end());
        return true;
    }

    const ElfObject& obj_;
    const LinkOptions& opt_;
    std::string& error_;
    std::vector<SectionPlace> places_;
    std::vector<uint32_t> fixups_;  // every 32-bit place the linker writes
    std::vector<uint32_t> used_;    // symbols referenced by placed code
    LinkedProgram out_;
};

}  // namespace

std::optional<LinkedProgram> linkProgram(const ElfObject& object, const LinkOptions& options, std::string& error) {
    return Linker(object, options, error).run();
}

bool resolveConstReferences(LinkedProgram& program, uint32_t constDataImageOffset, uint32_t codeDataImageOffset,
                            std::string& error) {
    for (const LinkedProgram::ConstReference& ref : program.constReferences) {
        int64_t v = int64_t(constDataImageOffset) + ref.constTarget - (int64_t(codeDataImageOffset) + ref.place);
        if (v < INT32_MIN || v > INT32_MAX) {
            error = "image builder: the PC-relative reference into the const data at code offset " + hexText(ref.place) +
                    " does not fit 32 bits";
            return false;
        }
        storeU32(program.code.data() + ref.place, static_cast<uint32_t>(static_cast<int32_t>(v)));
    }
    return true;
}

}  // namespace image
