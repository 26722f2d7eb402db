// Building the whole program image from the relocatable program object: link
// the code and const data, make the window record from the linked handlers,
// lay the sections out and write the image. The result is read back with the
// image and record readers before it is handed out.
#pragma once

#include <stdint.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "builder/program_linker.h"

namespace image {

// Makes the form section's bytes once the code's symbols are known.
using FormMaker = std::function<std::optional<std::vector<uint8_t>>(const LinkedProgram&, std::string& error)>;

struct BuiltImage {
    std::vector<uint8_t> bytes;
    uint32_t requiredAlignment = 1;  // the image must be placed at a multiple of this
};

std::optional<BuiltImage> buildImage(std::span<const uint8_t> object, std::span<const uint32_t> knownIds,
                                     const FormMaker& makeForm, std::string& error);

}  // namespace image
