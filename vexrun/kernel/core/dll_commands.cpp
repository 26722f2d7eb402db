// The kernel32 stand-ins and the image's DLL-command order.
#include "vexrun/kernel/core/dll_commands.h"

#include <atomic>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {
namespace {

using DllFunction = uint64_t (*)(uint64_t, uint64_t, uint64_t);

using platform::getCurrentProcessId;
using platform::openProcess;
using platform::terminateProcess;

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

struct StandIn {
    const char* name;
    DllFunction function;
};
constexpr const char* kDllName = "kernel32.dll";
// In the order of vx::DllCommand.
constexpr StandIn kStandIns[] = {
    {"OpenProcess", openProcess},
    {"TerminateProcess", terminateProcess},
    {"GetCurrentProcessId", getCurrentProcessId},
};
constexpr uint32_t kMaxCommands = 16;

static_assert(std::string_view(kStandIns[vx::kDllOpenProcess].name) == "OpenProcess");
static_assert(std::string_view(kStandIns[vx::kDllTerminateProcess].name) == "TerminateProcess");
static_assert(std::string_view(kStandIns[vx::kDllGetCurrentProcessId].name) == "GetCurrentProcessId");

// Until an image is loaded, the default order (constant-initialised).
std::atomic<DllFunction> gCommands[kMaxCommands] = {{openProcess}, {terminateProcess}, {getCurrentProcessId}};
std::atomic<uint32_t> gCount{3};

void install(const DllFunction* functions, uint32_t count) {
    for (uint32_t i = 0; i < kMaxCommands; ++i) gCommands[i].store(i < count ? functions[i] : nullptr);
    gCount.store(count);
}

}  // namespace

void resetDllCommands() noexcept {
    DllFunction functions[3] = {kStandIns[0].function, kStandIns[1].function, kStandIns[2].function};
    install(functions, 3);
}

bool resolveDllCommands(std::string_view dllName, std::span<const std::string_view> functionNames,
                        std::string& error) {
    if (!functionNames.empty() && !equalIgnoringCase(dllName, kDllName)) {
        error = "unknown DLL \"" + std::string(dllName) + "\": only kernel32.dll stands in here";
        return false;
    }
    if (functionNames.size() > kMaxCommands) {
        error = "the image declares " + std::to_string(functionNames.size()) + " DLL commands, more than " +
                std::to_string(kMaxCommands);
        return false;
    }
    DllFunction functions[kMaxCommands] = {};
    for (size_t i = 0; i < functionNames.size(); ++i) {
        for (const StandIn& s : kStandIns) {
            if (functionNames[i] == s.name) functions[i] = s.function;
        }
        if (!functions[i]) {
            error = "unknown DLL command " + std::to_string(i) + ": kernel32.dll has no function \"" +
                    std::string(functionNames[i]) + "\" here";
            return false;
        }
    }
    install(functions, static_cast<uint32_t>(functionNames.size()));
    return true;
}

uint32_t dllCommandCount() noexcept { return gCount.load(); }

uint64_t callDllCommand(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) noexcept {
    DllFunction f = index < gCount.load() ? gCommands[index].load() : nullptr;
    if (!f) fatalError("DLL command " + std::to_string(index) + " is not declared by the program");
    return f(a0, a1, a2);
}

}  // namespace vexrun
