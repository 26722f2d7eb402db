#include "builder/tests/test_image_loader.h"

#include <sys/mman.h>

#include <cstring>

#include "image/image_reader.h"
#include "image/little_endian.h"

namespace image::test {

namespace {
constexpr size_t kPage = 4096;
size_t pages(size_t n) { return (n + kPage - 1) / kPage * kPage; }
}  // namespace

std::unique_ptr<LoadedImage> LoadedImage::load(std::span<const uint8_t> bytes, const vx::HelperTable& table,
                                               std::string& error) {
    std::unique_ptr<LoadedImage> loaded(new LoadedImage);
    loaded->imageMappingSize_ = pages(bytes.size());
    void* m = mmap(nullptr, loaded->imageMappingSize_, PROT_READ | PROT_WRITE | PROT_EXEC,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (m == MAP_FAILED) {
        error = "cannot map the image below 2 GiB";
        return nullptr;
    }
    loaded->imageMapping_ = m;
    auto* image = static_cast<uint8_t*>(m);
    std::memcpy(image, bytes.data(), bytes.size());

    ImageError readError;
    auto view = readImage(std::span<const uint8_t>(image, bytes.size()), readError);
    if (!view) {
        error = readError.message;
        return nullptr;
    }
    const SectionView* code = view->section("code");
    const SectionView* constant = view->section("const");
    const SectionView* var = view->section("var");
    loaded->lowMappingSize_ = pages(var->sizeInMemory + sizeof table);
    void* low = mmap(nullptr, loaded->lowMappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT,
                     -1, 0);
    if (low == MAP_FAILED) {
        error = "cannot map the variables below 2 GiB";
        return nullptr;
    }
    loaded->lowMapping_ = low;
    loaded->variables_ = static_cast<uint8_t*>(low);
    uint8_t* helperTable = loaded->variables_ + ((var->sizeInMemory + 15) & ~size_t(15));
    std::memcpy(helperTable, &table, sizeof table);
    loaded->code_ = image + code->dataOffset;
    loaded->constData_ = image + constant->dataOffset;

    const uint64_t bases[4] = {reinterpret_cast<uint64_t>(helperTable), reinterpret_cast<uint64_t>(loaded->constData_),
                               reinterpret_cast<uint64_t>(loaded->variables_), reinterpret_cast<uint64_t>(loaded->code_)};
    for (uint32_t entry : code->relocations) {
        uint8_t* field = loaded->code_ + relocationOffset(entry);
        uint64_t value = loadU32(field) + bases[relocationKind(entry)];
        if (value > 0xFFFFFFFFu) {
            error = "a relocated address does not fit 32 bits";
            return nullptr;
        }
        storeU32(field, static_cast<uint32_t>(value));
    }
    return loaded;
}

LoadedImage::~LoadedImage() {
    if (imageMapping_) munmap(imageMapping_, imageMappingSize_);
    if (lowMapping_) munmap(lowMapping_, lowMappingSize_);
}

}  // namespace image::test
