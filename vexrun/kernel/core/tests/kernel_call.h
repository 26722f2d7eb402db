// Calling kernel commands the way the program does, and taking their fresh
// result blocks apart (each take* frees the block).
#pragma once

#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/program_base.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"

namespace coretest {

// An argument list: u32 count, then the 12-byte records.
class Args {
public:
    Args(std::initializer_list<vx::ArgRecord> records) : bytes_(4 + 12 * records.size()) {
        uint32_t n = static_cast<uint32_t>(records.size());
        memcpy(bytes_.data(), &n, 4);
        size_t at = 4;
        for (const vx::ArgRecord& r : records) {
            memcpy(bytes_.data() + at, &r, 12);
            at += 12;
        }
    }
    const vx::ArgListHeader* list() const { return reinterpret_cast<const vx::ArgListHeader*>(bytes_.data()); }

private:
    std::vector<uint8_t> bytes_;
};

inline uint64_t kernel(uint32_t offset, std::initializer_list<vx::ArgRecord> records) {
    Args a(records);
    return vexrun::hostHelperTable()->callKernel(offset, a.list());
}

// A byte set laid out as the program holds one, in test-owned storage.
class ByteSetValue {
public:
    explicit ByteSetValue(std::string_view bytes) : storage_(8 + bytes.size()) {
        const uint32_t head[2] = {1, static_cast<uint32_t>(bytes.size())};
        memcpy(storage_.data(), head, 8);
        if (!bytes.empty()) memcpy(storage_.data() + 8, bytes.data(), bytes.size());
    }
    const prog::ByteSetBlock* get() const { return reinterpret_cast<const prog::ByteSetBlock*>(storage_.data()); }
    vx::ArgRecord arg() const { return prog::argBytes(get()); }

private:
    std::vector<uint8_t> storage_;
};

inline int32_t asInt(uint64_t r) { return static_cast<int32_t>(static_cast<uint32_t>(r)); }
inline double asDouble(uint64_t r) { return prog::doubleFromBits(r); }

inline std::string takeText(uint64_t r) {
    const char* t = reinterpret_cast<const char*>(r);
    std::string s = t ? std::string(t) : std::string("<no block>");
    vexrun::freeBlock(reinterpret_cast<void*>(r));
    return s;
}

inline std::string takeBytes(uint64_t r) {
    if (!r) return "<no block>";
    const auto* b = reinterpret_cast<const uint8_t*>(r);
    uint32_t head[2];
    memcpy(head, b, 8);
    std::string s = head[0] == 1 ? std::string(reinterpret_cast<const char*>(b + 8), head[1]) : "<bad header>";
    vexrun::freeBlock(reinterpret_cast<void*>(r));
    return s;
}

// A list of texts: u32 1, u32 n, n 8-byte addresses; frees elements and list.
inline std::vector<std::string> takeTextList(uint64_t r) {
    std::vector<std::string> out;
    const auto* b = reinterpret_cast<const uint8_t*>(r);
    uint32_t head[2];
    memcpy(head, b, 8);
    if (head[0] != 1) out.push_back("<bad header>");
    for (uint32_t i = 0; i < head[1]; ++i) {
        uint64_t element;
        memcpy(&element, b + 8 + 8 * i, 8);
        out.push_back(takeText(element));
    }
    vexrun::freeBlock(reinterpret_cast<void*>(r));
    return out;
}

}  // namespace coretest
