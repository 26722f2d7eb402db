// Reading the argument records of a kernel or library command. Each reader
// names the command and the argument in the run-time fault it reports when a
// record holds the wrong type.
#pragma once

#include <stdint.h>

#include <string_view>

#include "runtime/vexrun_interface.h"

namespace vexrun {

class CommandArguments {
public:
    // `what` names the command in messages, e.g. "kernel command 0x148 (find text)".
    CommandArguments(const vx::ArgListHeader* list, std::string_view what) noexcept;

    uint32_t count() const noexcept { return count_; }
    // nullptr for an index at or past the count.
    const vx::ArgRecord* record(uint32_t i) const noexcept;
    uint32_t tag(uint32_t i) const noexcept;
    bool omitted(uint32_t i) const noexcept { return tag(i) == vx::kTagOmitted; }
    // value | high << 32.
    uint64_t wide(uint32_t i) const noexcept;

    // A text or byte set: all its bytes (a text's up to its NUL). Omitted or
    // address 0: empty.
    std::string_view bytes(uint32_t i) const noexcept;
    // Like bytes(), but a byte set only up to its first NUL.
    std::string_view text(uint32_t i) const noexcept;
    // An integer (a double truncated toward zero, keeping the low 32 bits; a
    // logical as 0 or 1); `fallback` when omitted.
    int32_t integer(uint32_t i, int32_t fallback) const noexcept;
    // A double or an integer; `fallback` when omitted.
    double number(uint32_t i, double fallback) const noexcept;
    // A logical or an integer (non-zero is true); `fallback` when omitted.
    bool logical(uint32_t i, bool fallback) const noexcept;

    [[noreturn]] void wrongType(uint32_t i, std::string_view expected) const noexcept;

private:
    const vx::ArgListHeader* list_;
    uint32_t count_;
    std::string_view what_;
};

// The low 32 bits of a double truncated toward zero as a 64-bit integer; NaN,
// infinities and values outside the 64-bit range give 0 (as cvttsd2si's
// 0x8000000000000000 does).
int32_t truncatedLow32(double x) noexcept;

std::string_view typeTagName(uint32_t tag) noexcept;

}  // namespace vexrun
