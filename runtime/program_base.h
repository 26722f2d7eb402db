// What every piece of program-side code (support routines, engine, handlers)
// stands on: the value types that hold memory, the helper slots, and the few
// kinds of absolute reference the image builder knows how to place.
//
// The same sources compile two ways:
//  - freestanding (TESSALY_FREESTANDING): into the one relocatable object the
//    image builder links into the image's code section. No libc, no globals,
//    no static constructors; the helper slots are the stubs at the end of the
//    code; ids, variables and code addresses are absolute references that the
//    builder turns into relocation entries or identifier fixups.
//  - hosted: into the unit tests and tools, where the slots call through the
//    kernel library's table handed to `useHelperTable`.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "runtime/vexrun_interface.h"

namespace prog {

// A text: a block holding zero-ended GBK text, or nullptr (behaves as "").
using Text = char*;

// A byte set: a block laid out as u32 1, u32 byte count, then the bytes; or
// nullptr (behaves as the empty byte set). Packed: the const data holds such
// blocks at any offset.
struct __attribute__((packed)) ByteSetBlock {
    uint32_t one;
    uint32_t count;
};
static_assert(sizeof(ByteSetBlock) == 8 && alignof(ByteSetBlock) == 1, "byte-set header: two words, any offset");
using ByteSet = ByteSetBlock*;
inline uint8_t* bytesOf(ByteSet b) { return reinterpret_cast<uint8_t*>(b) + 8; }
inline const uint8_t* bytesOf(const ByteSetBlock* b) {
    return reinterpret_cast<const uint8_t*>(b) + 8;
}
inline uint32_t byteCount(const ByteSetBlock* b) { return b ? b->count : 0; }

// A list: u32 dimension count d, d u32 dimension sizes, then the elements.
// Integer lists hold 4-byte elements; lists of texts or byte sets hold 8-byte
// addresses that the list owns. nullptr counts as no elements. Packed like
// ByteSetBlock: the constant empty block doubles as the empty list.
struct __attribute__((packed)) ListBlock {
    uint32_t dims;
    uint32_t count;  // the first dimension size; lists built here have d = 1
};
static_assert(sizeof(ListBlock) == 8 && alignof(ListBlock) == 1, "list header: two words, any offset");
using List = ListBlock*;
constexpr uint32_t kIntElementWidth = 4;
constexpr uint32_t kAddressElementWidth = 8;

}  // namespace prog

// ---------------------------------------------------------------------------
// The runtime helper slots, as the program calls them (vexrun_interface.h has
// their meaning). Freestanding, each name is a stub `jmp *[slot]` that the
// image builder places at the end of the code.
// ---------------------------------------------------------------------------
extern "C" {
[[noreturn]] void vxReportError(int32_t code);
uint64_t vxCallDll(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2);
uint64_t vxCallLibrary(uint32_t libraryIndex, uint32_t commandTimes4, const vx::ArgListHeader* args);
uint64_t vxCallKernel(uint32_t offset, const vx::ArgListHeader* args);
uint64_t vxGetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t minusOne);
void vxSetProperty(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t minusOne,
                   uint32_t value, uint32_t high);
void* vxAllocate(uint32_t bytes);
void* vxReallocate(void* block, uint32_t bytes);
void vxFree(void* block);
[[noreturn]] void vxEndProcess(int32_t exitCode);
int32_t vxRunMessageLoop(int32_t zero);
int32_t vxLoadWindow(uint32_t windowId);
uint64_t vxService(uint32_t number, uint64_t a, uint64_t b);
}

namespace prog {
#if !defined(TESSALY_FREESTANDING)
// Hosted builds: the table the slot functions call through.
void useHelperTable(const vx::HelperTable* table);
const vx::HelperTable* helperTable();
#endif
}  // namespace prog

// ---------------------------------------------------------------------------
// Absolute references. Each expands, freestanding, to one `movl $symbol, reg`
// whose 32-bit immediate the builder fills in:
//   VX_ID(hex)       window or control id          -> identifier group 0
//   VX_DLL(n)        DLL-command index             -> identifier group 1
//   VX_LIB(n)        library index                 -> identifier group 2
//   VX_KIND(hex8)    kind word as a type tag       -> identifier group 3
//   VX_CODE_ADDR(f)  address of an extern "C" routine in the code -> kind 3
//   prog::vars()     the program-level variables   -> kind 2
// Constants of the const table are reached through prog::constAt (kind 1 or a
// PC-relative load resolved at build time).
// ---------------------------------------------------------------------------
#if defined(TESSALY_FREESTANDING)
#define VX_ABS_IMM_(sym)                              \
    ({                                                \
        uint32_t vx_imm_;                             \
        __asm__("movl $" #sym ", %0" : "=r"(vx_imm_)); \
        vx_imm_;                                      \
    })
#define VX_ID(hex) VX_ABS_IMM_(__vx_id_##hex)
#define VX_DLL(n) VX_ABS_IMM_(__vx_dll_##n)
#define VX_LIB(n) VX_ABS_IMM_(__vx_lib_##n)
#define VX_KIND(hex8) VX_ABS_IMM_(__vx_kind_##hex8)
#define VX_CODE_ADDR(fn) (static_cast<uint64_t>(VX_ABS_IMM_(fn)))
#else
#define VX_ID(hex) (0x##hex##u)
#define VX_DLL(n) (n##u)
#define VX_LIB(n) (n##u)
#define VX_KIND(hex8) (0x##hex8##u)
#define VX_CODE_ADDR(fn) (reinterpret_cast<uint64_t>(&fn))
#endif

// Symbol prefixes the builder reads (hex digits follow the prefix).
#define VX_SYMBOL_PREFIX_ID "__vx_id_"
#define VX_SYMBOL_PREFIX_DLL "__vx_dll_"
#define VX_SYMBOL_PREFIX_LIB "__vx_lib_"
#define VX_SYMBOL_PREFIX_KIND "__vx_kind_"
#define VX_SYMBOL_VARIABLES "__vx_var"
#define VX_SYMBOL_CONST_DATA "vxConstData"
#define VX_SYMBOL_ENTRY_ROUTINE "vxEntryRoutine"

namespace prog {

struct ProgramVariables;

#if defined(TESSALY_FREESTANDING)
extern "C" const uint8_t vxConstData[];
inline const uint8_t* constAt(uint32_t offset) { return vxConstData + offset; }
inline ProgramVariables* vars() {
    uint64_t p = VX_ABS_IMM_(__vx_var);
    return reinterpret_cast<ProgramVariables*>(p);
}
#else
const uint8_t* hostedConstData();
inline const uint8_t* constAt(uint32_t offset) { return hostedConstData() + offset; }
ProgramVariables* vars();
#endif

inline const char* constText(uint32_t offset) { return reinterpret_cast<const char*>(constAt(offset)); }
inline const ByteSetBlock* constBytes(uint32_t offset) {
    return reinterpret_cast<const ByteSetBlock*>(constAt(offset));
}
inline double constDouble(uint32_t offset) {
    double d;
    __builtin_memcpy(&d, constAt(offset), 8);
    return d;
}

// Splitting an address or a double into an argument record's two halves.
inline vx::ArgRecord argText(const char* t) {
    uint64_t v = reinterpret_cast<uint64_t>(t);
    return {static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32), vx::kTagText};
}
inline vx::ArgRecord argBytes(const ByteSetBlock* b) {
    uint64_t v = reinterpret_cast<uint64_t>(b);
    return {static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32), vx::kTagByteSet};
}
inline vx::ArgRecord argInt(int32_t i) { return {static_cast<uint32_t>(i), 0, vx::kTagInteger}; }
inline vx::ArgRecord argLogical(bool b) { return {b ? 1u : 0u, 0, vx::kTagLogical}; }
inline vx::ArgRecord argDouble(double d) {
    uint64_t v;
    __builtin_memcpy(&v, &d, 8);
    return {static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32), vx::kTagDouble};
}
inline vx::ArgRecord argSubroutine(uint64_t codeAddress) {
    return {static_cast<uint32_t>(codeAddress), static_cast<uint32_t>(codeAddress >> 32),
            vx::kTagSubroutine};
}
inline vx::ArgRecord argOmitted() { return {0, 0, vx::kTagOmitted}; }
inline vx::ArgRecord argControl(uint32_t windowId, uint32_t controlId, uint32_t kindWord) {
    return {windowId, controlId, kindWord};
}

inline double doubleFromBits(uint64_t bits) {
    double d;
    __builtin_memcpy(&d, &bits, 8);
    return d;
}

}  // namespace prog
