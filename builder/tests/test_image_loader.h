// Loading a built image the way the kernel library does, far enough to run
// its routines in a test: the image copied below 2 GiB into memory that may
// run, the variables and a helper table below 2 GiB too, every relocation
// applied.
#pragma once

#include <stdint.h>

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "runtime/vexrun_interface.h"

namespace image::test {

class LoadedImage {
public:
    static std::unique_ptr<LoadedImage> load(std::span<const uint8_t> image, const vx::HelperTable& table,
                                             std::string& error);
    ~LoadedImage();
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    uint8_t* code() const { return code_; }
    const uint8_t* constData() const { return constData_; }
    uint8_t* variables() const { return variables_; }

    template <class Function>
    Function* routine(uint32_t codeOffset) const {
        return reinterpret_cast<Function*>(code_ + codeOffset);
    }

private:
    LoadedImage() = default;
    void* imageMapping_ = nullptr;
    size_t imageMappingSize_ = 0;
    void* lowMapping_ = nullptr;  // variables, then the helper table
    size_t lowMappingSize_ = 0;
    uint8_t* code_ = nullptr;
    const uint8_t* constData_ = nullptr;
    uint8_t* variables_ = nullptr;
};

}  // namespace image::test
