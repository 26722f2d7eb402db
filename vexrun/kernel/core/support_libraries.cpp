// Finding, loading and calling the support libraries of the library table.
#include "vexrun/kernel/core/support_libraries.h"

#include <vector>

#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/runtime_errors.h"

namespace vexrun {
namespace {

constexpr std::string_view kKernelName = "vexrun";

struct Loaded {
    void* handle;                      // nullptr for the kernel itself
    const SupportLibrary* descriptor;  // nullptr for the kernel itself
};
std::vector<Loaded> gLibraries;

void unloadAll() {
    for (auto it = gLibraries.rbegin(); it != gLibraries.rend(); ++it) {
        if (it->handle) platform::closeLibrary(it->handle);
    }
    gLibraries.clear();
}

}  // namespace

std::string supportLibraryDirectory() {
    if (std::string dir = platform::environmentValue("VEXRUN_LIBRARY_DIR"); !dir.empty()) return dir;
    // The file that holds this code: vexrun.vxr, or an executable the core is
    // linked into.
    return platform::ownDirectory();
}

bool loadLibraries(std::span<const std::string_view> names, std::string& error) {
    unloadAll();
    if (names.empty() || names[0] != kKernelName) {
        error = "the library table does not begin with the kernel library \"vexrun\"";
        if (!names.empty()) error += " (it begins with \"" + std::string(names[0]) + "\")";
        return false;
    }
    gLibraries.push_back({nullptr, nullptr});
    const std::string dir = supportLibraryDirectory();
    for (size_t i = 1; i < names.size(); ++i) {
        const std::string name(names[i]);
        const std::string prefix = "cannot load support library " + name + ": ";
        const std::string path = dir + platform::kPathSeparator + name + kSupportLibrarySuffix;
        std::string why;
        void* handle = platform::openLibrary(path, why);
        if (!handle) {
            error = prefix + why;
            unloadAll();
            return false;
        }
        gLibraries.push_back({handle, nullptr});
        auto entry = reinterpret_cast<SupportLibraryEntry>(platform::librarySymbol(handle, kSupportLibraryExport));
        const SupportLibrary* d = entry ? entry() : nullptr;
        if (!entry) {
            error = prefix + path + " has no export " + kSupportLibraryExport;
        } else if (!d) {
            error = prefix + "its " + kSupportLibraryExport + " gave no descriptor";
        } else if (d->abi != kSupportLibraryAbi) {
            error = prefix + "interface version " + std::to_string(d->abi) + ", expected " +
                    std::to_string(kSupportLibraryAbi);
        } else if (!d->name || name != d->name) {
            error = prefix + "the file holds the library \"" + std::string(d->name ? d->name : "") + "\"";
        } else if (d->commandCount > 0 && !d->command) {
            error = prefix + "it has commands but no command function";
        } else {
            gLibraries.back().descriptor = d;
            continue;
        }
        unloadAll();
        return false;
    }
    return true;
}

void unloadLibraries() noexcept { unloadAll(); }

uint32_t loadedLibraryCount() noexcept { return static_cast<uint32_t>(gLibraries.size()); }

const SupportLibrary* loadedLibrary(uint32_t index) noexcept {
    return index < gLibraries.size() ? gLibraries[index].descriptor : nullptr;
}

uint64_t callLibraryCommand(uint32_t libraryIndex, uint32_t commandTimes4, const vx::ArgListHeader* args) noexcept {
    const std::string where = "support-library command " + std::to_string(commandTimes4 / 4) + " of library index " +
                              std::to_string(libraryIndex);
    if (libraryIndex == 0) fatalError(where + ": the kernel library has no support-library commands");
    const SupportLibrary* d = loadedLibrary(libraryIndex);
    if (!d) {
        fatalError(where + ": no such library is loaded (" + std::to_string(loadedLibraryCount()) +
                   " table positions)");
    }
    if (commandTimes4 % 4 != 0) fatalError(where + ": the command number is not given times 4");
    uint32_t number = commandTimes4 / 4;
    if (number >= d->commandCount) {
        fatalError(where + " (" + d->name + "): it has " + std::to_string(d->commandCount) + " commands");
    }
    return d->command(number, args);
}

}  // namespace vexrun
