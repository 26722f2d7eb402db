// tessaly-build-image PROGRAM.o OUT.img: links the freestanding program
// object into the program image, with the main window's record as its form.
#include <cstdio>

#include "builder/image_builder.h"
#include "builder/main_window_record.h"
#include "builder/program_identifiers.h"
#include "image/file_bytes.h"
#include "image/hex_text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaly-build-image PROGRAM.o OUT.img\n");
        return 2;
    }
    std::string error;
    std::optional<std::vector<uint8_t>> object = image::readFileBytes(argv[1], error);
    if (!object) {
        std::fprintf(stderr, "tessaly-build-image: %s\n", error.c_str());
        return 1;
    }
    auto makeForm = [](const image::LinkedProgram& linked, std::string& err) -> std::optional<std::vector<uint8_t>> {
        auto record = image::mainWindowRecord([&](std::string_view name) { return linked.symbol(name); }, err);
        if (!record) return std::nullopt;
        return image::writeWindowRecord(*record);
    };
    std::optional<image::BuiltImage> built = image::buildImage(*object, image::kProgramIdentifiers, makeForm, error);
    if (!built) {
        std::fprintf(stderr, "tessaly-build-image: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (!image::writeFileBytes(argv[2], built->bytes, error)) {
        std::fprintf(stderr, "tessaly-build-image: %s\n", error.c_str());
        return 1;
    }
    std::printf("tessaly-build-image: wrote %s (%s bytes; place it at a multiple of %u)\n", argv[2],
                image::hexText(built->bytes.size()).c_str(), built->requiredAlignment);
    return 0;
}
