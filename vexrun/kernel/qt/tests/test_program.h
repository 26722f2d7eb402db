// A small program for the window layer's tests: a window record of our own
// with one control of every kind, whose event bindings point at handler
// functions of the test binary, and the support libraries of build/bin.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/window_record.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/qt_backend.h"
#include "vexrun/kernel/support_library.h"

namespace vexrun::testing {

inline std::string buildDir() {
    const char* d = std::getenv("TESSALY_BUILD_DIR");
    return d ? d : ".";
}

// A support library of build/bin, loaded once.
inline const SupportLibrary* supportLibrary(const std::string& name) {
    const std::string path = buildDir() + "/bin/" + name + kSupportLibrarySuffix;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
        return nullptr;
    }
    auto entry = reinterpret_cast<SupportLibraryEntry>(dlsym(handle, kSupportLibraryExport));
    if (!entry) {
        ADD_FAILURE() << path << " has no " << kSupportLibraryExport;
        return nullptr;
    }
    return entry();
}

inline image::Element element(uint32_t id, uint32_t kind, std::string name, int left, int top, int width,
                              int height, uint32_t state, std::vector<uint8_t> extension,
                              std::vector<image::EventBinding> events = {}) {
    image::Element e;
    e.id = id;
    e.kind = kind;
    e.name = std::move(name);
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    e.stateFlags = state;
    e.extension = std::move(extension);
    e.events = std::move(events);
    return e;
}

// Handler functions become code offsets from the lowest of them.
class HandlerCode {
public:
    explicit HandlerCode(std::vector<const void*> handlers) : handlers_(std::move(handlers)) {
        base_ = reinterpret_cast<uintptr_t>(*std::min_element(handlers_.begin(), handlers_.end()));
        uintptr_t top = reinterpret_cast<uintptr_t>(*std::max_element(handlers_.begin(), handlers_.end()));
        size_ = uint32_t(top - base_ + 1);
    }
    uint32_t offset(const void* handler) const { return uint32_t(reinterpret_cast<uintptr_t>(handler) - base_); }
    const uint8_t* base() const { return reinterpret_cast<const uint8_t*>(base_); }
    uint32_t size() const { return size_; }

private:
    std::vector<const void*> handlers_;
    uintptr_t base_ = 0;
    uint32_t size_ = 0;
};

constexpr uint32_t kVisible = 1, kDisabled = 2, kTabStop = 4;

}  // namespace vexrun::testing
