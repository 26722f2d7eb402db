// A growing block of bytes for a whole subtitle on the command line, laid out
// as a byte set (u32 1, u32 count, the bytes), so that the engine's readers
// take it as one. Its memory is mapped for it alone and asks for huge pages:
// the re-time touches each byte about once, so with small pages much of its
// time would go to page faults. It grows in place (mremap), never copied.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "runtime/program_base.h"

namespace retime {

class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer();

    // Room for `capacity` bytes. Throws std::bad_alloc when there is none.
    void reserve(size_t capacity);
    void append(const void* bytes, size_t count);
    // The bytes from size() on, up to the capacity, may be written and then
    // taken in with grow(count).
    uint8_t* end() { return data() + size_; }
    size_t room() const { return capacity_ - size_; }
    void grow(size_t count) { size_ += count; }
    void truncate(size_t size) { size_ = size < size_ ? size : size_; }
    void release();

    uint8_t* data() { return base_ ? base_ + kHeader : nullptr; }
    const uint8_t* data() const { return base_ ? base_ + kHeader : nullptr; }
    size_t size() const { return size_; }

    // The bytes as a byte set (its header written now); nullptr when empty,
    // as the program holds an empty byte set. Valid until the next change;
    // the kernel library must not free it.
    const prog::ByteSetBlock* asByteSet();

private:
    static constexpr size_t kHeader = 16;  // the byte-set header ends here
    uint8_t* base_ = nullptr;
    size_t mapped_ = 0;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace retime
