// The program image's fixed layout: the 28-word header, the library table and
// the section headers of the chain. All integers little-endian; nothing in the
// image is aligned.
#pragma once

#include <stdint.h>

namespace image {

constexpr uint32_t kHeaderWords = 28;
constexpr uint32_t kHeaderSize = kHeaderWords * 4;  // 0x70
constexpr uint32_t kLibraryTableOffset = kHeaderSize;
constexpr char kMagic[4] = {'Q', 'Z', 0, 0};

// Header words by index.
enum HeaderWord : uint32_t {
    kWordMagic = 0,
    kWordFirstSection = 9,
    kWordStored10 = 10,  // 1: the number of DLL file names at word 24 on
    kWordStored11 = 11,  // 3: the number of DLL-command names
    kWordStored12 = 12,  // 0
    kWordStored13 = 13,  // 0x16133
    kWordStored14 = 14,  // 3
    kWordEntryRoutine = 15,
    kWordConstSection = 16,
    kWordFormSection = 17,
    kWordHelpSection = 18,
    kWordCodeSection = 19,
    kWordVarSection = 20,
    kWordDllNamesSection = 21,  // the section in whose data words 24 to 27 count
    kWordStored22 = 22,
    kWordStored23 = 23,
    kWordDllFileName = 24,      // "kernel32.dll"
    kWordDllCommandName0 = 25,  // "OpenProcess", then "TerminateProcess", "GetCurrentProcessId"
};
constexpr uint32_t kDllCommandCount = 3;

// Stored values of words 10 to 14.
constexpr uint32_t kStoredWords10to14[5] = {1, 3, 0, 0x16133, 3};

// Section header: 56 bytes, then the relocation entries, then the data.
struct __attribute__((packed)) SectionHeader {
    uint32_t headerSize;   // 56 + 4 per relocation entry
    uint32_t next;         // image offset of the next header, kLastSection for the last
    uint32_t flags;
    char name[24];
    uint32_t sizeInMemory;
    uint32_t sizeInFile;
    uint32_t dataOffset;   // kNoFileData when the section has no file data
    uint32_t relocationCount;
    uint32_t reserved;
};
static_assert(sizeof(SectionHeader) == 56, "section header is 56 bytes");
static_assert(__builtin_offsetof(SectionHeader, name) == 12);
static_assert(__builtin_offsetof(SectionHeader, sizeInMemory) == 36);
static_assert(__builtin_offsetof(SectionHeader, relocationCount) == 48);

constexpr uint32_t kLastSection = 0xFFFFFFFFu;
constexpr uint32_t kNoFileData = 0xFFFFFFFFu;

enum SectionFlag : uint32_t {
    kFlagPresent = 0x01,   // on every section
    kFlagWritable = 0x02,  // "var"
    kFlagCode = 0x04,      // "code"
    kFlagNoFileData = 0x10,  // "var"
};

// The sections in chain order, with their flags.
struct SectionSpec {
    const char* name;
    uint32_t flags;
};
constexpr SectionSpec kSections[6] = {
    {"const", 0x01}, {"form", 0x01}, {"help", 0x01}, {"code", 0x05}, {"var", 0x13}, {"@reloc1", 0x01},
};
constexpr uint32_t kHelpSectionSize = 52;

// Relocation entries: (code offset << 3) | kind.
enum RelocationKind : uint32_t {
    kRelocHelperTable = 0,
    kRelocConst = 1,
    kRelocVariables = 2,
    kRelocCode = 3,
};
constexpr uint32_t relocationEntry(uint32_t codeOffset, RelocationKind kind) { return (codeOffset << 3) | kind; }
constexpr uint32_t relocationOffset(uint32_t entry) { return entry >> 3; }
constexpr uint32_t relocationKind(uint32_t entry) { return entry & 7u; }

// Identifier groups of "@reloc1".
enum IdentifierGroup : uint32_t {
    kGroupWindowAndControlIds = 0,
    kGroupDllCommandIndices = 1,
    kGroupLibraryIndices = 2,
    kGroupKindWords = 3,
};

// Helper stubs at the end of the code: `jmp *ABS32` (FF 24 25 imm32), 7 bytes.
constexpr uint8_t kStubOpcode[3] = {0xFF, 0x24, 0x25};
constexpr uint32_t kStubSize = 7;

// Library table: one zero-ended text per library, fields separated by CR.
constexpr char kLibraryFieldSeparator = '\r';

}  // namespace image
