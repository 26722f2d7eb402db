#include "vexrun/kernel/core/command_arguments.h"

#include <math.h>
#include <string.h>

#include <string>

#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {

CommandArguments::CommandArguments(const vx::ArgListHeader* list, std::string_view what) noexcept
    : list_(list), count_(list ? list->count : 0), what_(what) {}

const vx::ArgRecord* CommandArguments::record(uint32_t i) const noexcept {
    return i < count_ ? vx::argAt(list_, i) : nullptr;
}

uint32_t CommandArguments::tag(uint32_t i) const noexcept {
    const vx::ArgRecord* r = record(i);
    return r ? r->tag : vx::kTagOmitted;
}

uint64_t CommandArguments::wide(uint32_t i) const noexcept {
    const vx::ArgRecord* r = record(i);
    return r ? (static_cast<uint64_t>(r->high) << 32) | r->value : 0;
}

std::string_view CommandArguments::bytes(uint32_t i) const noexcept {
    switch (tag(i)) {
        case vx::kTagOmitted: return {};
        case vx::kTagText: {
            const char* t = reinterpret_cast<const char*>(wide(i));
            return t ? std::string_view(t) : std::string_view();
        }
        case vx::kTagByteSet: {
            const auto* b = reinterpret_cast<const uint8_t*>(wide(i));
            if (!b) return {};
            uint32_t n;
            memcpy(&n, b + 4, 4);
            return {reinterpret_cast<const char*>(b + 8), n};
        }
        default: wrongType(i, "a text or a byte set");
    }
}

std::string_view CommandArguments::text(uint32_t i) const noexcept {
    std::string_view b = bytes(i);
    size_t nul = b.find('\0');
    return nul == std::string_view::npos ? b : b.substr(0, nul);
}

int32_t CommandArguments::integer(uint32_t i, int32_t fallback) const noexcept {
    switch (tag(i)) {
        case vx::kTagOmitted: return fallback;
        case vx::kTagInteger: return static_cast<int32_t>(record(i)->value);
        case vx::kTagLogical: return record(i)->value ? 1 : 0;
        case vx::kTagDouble: return truncatedLow32(number(i, 0));
        default: wrongType(i, "an integer");
    }
}

double CommandArguments::number(uint32_t i, double fallback) const noexcept {
    switch (tag(i)) {
        case vx::kTagOmitted: return fallback;
        case vx::kTagInteger: return static_cast<int32_t>(record(i)->value);
        case vx::kTagDouble: {
            uint64_t bits = wide(i);
            double d;
            memcpy(&d, &bits, 8);
            return d;
        }
        default: wrongType(i, "a number");
    }
}

bool CommandArguments::logical(uint32_t i, bool fallback) const noexcept {
    switch (tag(i)) {
        case vx::kTagOmitted: return fallback;
        case vx::kTagLogical:
        case vx::kTagInteger: return record(i)->value != 0;
        default: wrongType(i, "a logical");
    }
}

void CommandArguments::wrongType(uint32_t i, std::string_view expected) const noexcept {
    std::string m(what_);
    m += ": argument " + std::to_string(i + 1) + " is ";
    m.append(typeTagName(tag(i)));
    m += ", not ";
    m.append(expected);
    fatalError(m);
}

int32_t truncatedLow32(double x) noexcept {
    if (!(x > -9223372036854775808.0 && x < 9223372036854775808.0)) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x))));
}

std::string_view typeTagName(uint32_t tag) noexcept {
    switch (tag) {
        case vx::kTagOmitted: return "omitted";
        case vx::kTagLogical: return "a logical";
        case vx::kTagText: return "a text";
        case vx::kTagByteSet: return "a byte set";
        case vx::kTagSubroutine: return "a subroutine address";
        case vx::kTagInteger: return "an integer";
        case vx::kTagDouble: return "a double";
        default: return "a control or an unknown type";
    }
}

}  // namespace vexrun
