// A byte buffer in a mapping of its own, with huge pages asked for (on
// Windows pages of its own, grown by a copy: there is no mremap).
#include "retime/byte_buffer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstring>
#include <new>

namespace retime {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

}  // namespace

ByteBuffer::~ByteBuffer() { release(); }

void ByteBuffer::release() {
#ifdef _WIN32
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
#else
    if (base_) ::munmap(base_, mapped_);
#endif
    base_ = nullptr;
    mapped_ = size_ = capacity_ = 0;
}

void ByteBuffer::reserve(size_t capacity) {
    if (capacity <= capacity_ && base_) return;
    const size_t wanted = roundUp(kHeader + capacity, 4096);
#ifdef _WIN32
    void* p = VirtualAlloc(nullptr, wanted, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!p) throw std::bad_alloc();
    if (base_) {
        std::memcpy(p, base_, kHeader + size_);
        VirtualFree(base_, 0, MEM_RELEASE);
    }
#else
    void* p = base_ ? ::mremap(base_, mapped_, wanted, MREMAP_MAYMOVE)
                    : ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Only a hint: without transparent huge pages it changes nothing.
    if (wanted >= kHugePage) ::madvise(p, wanted, MADV_HUGEPAGE);
#endif
    base_ = static_cast<uint8_t*>(p);
    mapped_ = wanted;
    capacity_ = wanted - kHeader;
}

void ByteBuffer::append(const void* bytes, size_t count) {
    if (count == 0) return;
    if (count > room()) reserve(size_ + count + (size_ + count) / 4);
    std::memcpy(end(), bytes, count);
    size_ += count;
}

const prog::ByteSetBlock* ByteBuffer::asByteSet() {
    if (size_ == 0) return nullptr;
    auto* header = reinterpret_cast<prog::ByteSetBlock*>(base_ + kHeader - sizeof(prog::ByteSetBlock));
    header->one = 1;
    header->count = static_cast<uint32_t>(size_);
    return header;
}

}  // namespace retime
