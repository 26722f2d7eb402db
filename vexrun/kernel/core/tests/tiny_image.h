// A small program image made by hand for the loader tests: the header, a
// library table, and the six sections with a few bytes of x86-64 code and its
// relocation entries.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

namespace coretest {

struct TinyImage {
    std::vector<std::string> libraries{"vexrun"};
    std::vector<uint8_t> code{0xC3};      // ret
    std::vector<uint32_t> relocations;    // (code offset << 3) | kind, ascending
    uint32_t entryCodeOffset = 0;
    uint32_t variablesSize = 0x74;
    uint32_t marker = 0xCAFEBABEu;        // at const offset 1
    std::vector<std::string> dllNames{"kernel32.dll", "OpenProcess", "TerminateProcess", "GetCurrentProcessId"};

    static constexpr uint32_t kMarkerOffset = 1;

    std::vector<uint8_t> build() const {
        previous_ = 0;
        std::vector<uint8_t> out(0x70, 0);
        memcpy(out.data(), "QZ\0\0", 4);
        for (const std::string& name : libraries) {
            std::string entry = name + "\r0123456789ABCDEF0123456789ABCDEF\r1\r0\rtest";
            out.insert(out.end(), entry.begin(), entry.end());
            out.push_back(0);
        }
        out.push_back(0);

        // const: "" then the marker, then the DLL names.
        std::vector<uint8_t> constData{0};
        put(constData, marker);
        std::vector<uint32_t> nameOffsets;
        for (const std::string& n : dllNames) {
            nameOffsets.push_back(static_cast<uint32_t>(constData.size()));
            constData.insert(constData.end(), n.begin(), n.end());
            constData.push_back(0);
        }
        const uint32_t constAt = section(out, "const", 0x01, constData, {}, false);
        const uint32_t formAt = section(out, "form", 0x01, {1, 2, 3, 4}, {}, false);
        const uint32_t helpAt = section(out, "help", 0x01, std::vector<uint8_t>(52, 0), {}, false);
        const uint32_t codeAt = section(out, "code", 0x05, code, relocations, false);
        const uint32_t codeData = codeAt + 56 + 4 * static_cast<uint32_t>(relocations.size());
        const uint32_t varAt = section(out, "var", 0x13, std::vector<uint8_t>(variablesSize), {}, true);
        section(out, "@reloc1", 0x01, std::vector<uint8_t>(16, 0), {}, false, true);

        const uint32_t words[][2] = {{9, constAt},   {10, 1},      {11, 3},     {13, 0x16133},
                                     {14, 3},        {15, codeData + entryCodeOffset},
                                     {16, constAt},  {17, formAt}, {18, helpAt}, {19, codeAt},
                                     {20, varAt},    {21, constAt}};
        for (const auto& w : words) memcpy(out.data() + 4 * w[0], &w[1], 4);
        for (size_t i = 0; i < nameOffsets.size() && i < 4; ++i) memcpy(out.data() + 4 * (24 + i), &nameOffsets[i], 4);
        return out;
    }

private:
    static void put(std::vector<uint8_t>& v, uint32_t x) {
        uint8_t b[4];
        memcpy(b, &x, 4);
        v.insert(v.end(), b, b + 4);
    }

    // Appends a section header, its relocation entries and its data; the
    // previous section's next-header word is patched to point here.
    uint32_t section(std::vector<uint8_t>& out, const char* name, uint32_t flags, const std::vector<uint8_t>& data,
                     const std::vector<uint32_t>& relocs, bool noFileData, bool last = false) const {
        const auto at = static_cast<uint32_t>(out.size());
        if (previous_ != 0) memcpy(out.data() + previous_ + 4, &at, 4);
        previous_ = at;
        const auto headerSize = static_cast<uint32_t>(56 + 4 * relocs.size());
        put(out, headerSize);
        put(out, last ? 0xFFFFFFFFu : 0);
        put(out, flags);
        char n[24] = {};
        strncpy(n, name, sizeof n - 1);
        out.insert(out.end(), n, n + 24);
        put(out, static_cast<uint32_t>(data.size()));                        // size in memory
        put(out, noFileData ? 0 : static_cast<uint32_t>(data.size()));         // size in file
        put(out, noFileData ? 0xFFFFFFFFu : at + headerSize);                  // data offset
        put(out, static_cast<uint32_t>(relocs.size()));
        put(out, 0);
        for (uint32_t r : relocs) put(out, r);
        if (!noFileData) out.insert(out.end(), data.begin(), data.end());
        return at;
    }

    mutable uint32_t previous_ = 0;
};

}  // namespace coretest
