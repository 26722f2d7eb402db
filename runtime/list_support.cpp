// Lists: element count, the index check, element access, resetting a list
// to n elements and appending one element (through runtime service 2).
#include "runtime/list_support.h"

#include "runtime/text_support.h"

namespace prog {
namespace {

inline uint8_t* blockBytes(const ListBlock* list) {
    return reinterpret_cast<uint8_t*>(const_cast<ListBlock*>(list));
}

// The dimension words of a list block, as read from any position.
typedef uint32_t __attribute__((aligned(1))) ListWord;

// Frees every address element that is not 0.
void freeElements(const ListBlock* list) {
    uint8_t* first;
    int32_t n = elementCount(list, &first);
    auto* e = reinterpret_cast<AddressElement*>(first);
    for (int32_t i = 0; i < n; ++i) {
        if (e[i]) vxFree(e[i]);
    }
}

void resetList(ListVar* variable, int32_t n, uint32_t width, bool ownsElements) {
    List old = *variable;
    auto count = static_cast<uint32_t>(n < 0 ? 0 : n);  // a negative count makes an empty list
    auto* fresh = static_cast<List>(vxAllocate(8 + width * count));
    fresh->dims = 1;
    fresh->count = count;
    if (ownsElements && old) freeElements(old);
    __builtin_memset(blockBytes(fresh) + 8, 0, width * count);
    if (old) vxFree(old);
    *variable = fresh;
}

// Grows the list variable by one element of `width` bytes and returns where
// the new element goes.
uint8_t* appendSlot(ListVar* variable, uint32_t width) {
    vxService(vx::kServiceMakeListWritable, width, reinterpret_cast<uint64_t>(variable));
    List list = *variable;
    if (!list) {
        // The runtime promised a block; should it leave none, start an empty one.
        list = static_cast<List>(vxAllocate(8));
        list->dims = 1;
        list->count = 0;
    }
    uint8_t* first;
    auto n = static_cast<uint32_t>(elementCountOfBlock(list, &first));
    if (list->dims == 0) {
        // A block of the dimension word alone is too short for the header.
        list = static_cast<List>(vxReallocate(list, 8 + width));
        list->dims = 1;
        list->count = 1;
    } else {
        // Rewrite the header as one dimension; with more dimensions the
        // elements lie further back and move down behind the two words.
        uint8_t* base = blockBytes(list);
        ListWord* words = reinterpret_cast<ListWord*>(base);
        words[0] = 1;
        words[1] = n + 1;
        if (first != base + 8) __builtin_memmove(base + 8, first, n * width);
        list = static_cast<List>(vxReallocate(list, 8 + width * (n + 1)));
    }
    *variable = list;
    return blockBytes(list) + 8 + width * n;
}

}  // namespace

int32_t elementCount(const ListBlock* list) {
    uint8_t* first;
    return elementCount(list, &first);
}

int32_t elementCount(const ListBlock* list, uint8_t** first) {
    if (!list) {
        *first = nullptr;
        return 0;
    }
    return elementCountOfBlock(list, first);
}

int32_t elementCountOfBlock(const ListBlock* list, uint8_t** first) {
    const ListWord* words = reinterpret_cast<const ListWord*>(list);
    uint32_t d = words[0];
    *first = blockBytes(list) + 4 + 4 * d;
    if (d == 0) return 0;
    uint32_t count = 1;
    for (uint32_t i = 1; i <= d; ++i) count *= words[i];
    return static_cast<int32_t>(count);
}

void checkIndex(int32_t index, int32_t count) {
    if (index < 1) vxReportError(vx::kErrorIndexBelowOne);
    if (index > count) vxReportError(vx::kErrorIndexAboveCount);
}

IntElement* intSlot(const ListBlock* list, int32_t index) {
    uint8_t* first;
    int32_t n = elementCount(list, &first);
    checkIndex(index, n);
    return reinterpret_cast<IntElement*>(first) + (index - 1);
}

AddressElement* addressSlot(const ListBlock* list, int32_t index) {
    uint8_t* first;
    int32_t n = elementCount(list, &first);
    checkIndex(index, n);
    return reinterpret_cast<AddressElement*>(first) + (index - 1);
}

void resetIntList(ListVar* variable, int32_t n) { resetList(variable, n, kIntElementWidth, false); }

void resetAddressList(ListVar* variable, int32_t n) {
    resetList(variable, n, kAddressElementWidth, true);
}

void appendInt(ListVar* variable, int32_t value) {
    *reinterpret_cast<IntElement*>(appendSlot(variable, kIntElementWidth)) = value;
}

void appendText(ListVar* variable, const char* t) {
    AddressElement* slot = reinterpret_cast<AddressElement*>(appendSlot(variable, kAddressElementWidth));
    char* copy = nullptr;
    if (t) {
        auto size = static_cast<uint32_t>(textLength(t)) + 1;
        copy = static_cast<char*>(vxAllocate(size));
        __builtin_memcpy(copy, t, size);
    }
    *slot = copy;
}

void appendBytes(ListVar* variable, const ByteSetBlock* b) {
    AddressElement* slot = reinterpret_cast<AddressElement*>(appendSlot(variable, kAddressElementWidth));
    ByteSet copy = nullptr;
    if (b) {
        uint32_t size = 8 + b->count;
        copy = static_cast<ByteSet>(vxAllocate(size));
        __builtin_memcpy(copy, b, size);
    }
    *slot = copy;
}

void releaseAddressList(List list) {
    if (!list) return;
    freeElements(list);
    vxFree(list);
}

}  // namespace prog
