// Lists: growable one-dimensional arrays in one block (u32 dimension count,
// the dimension sizes, then the elements). Integer lists hold 4-byte
// elements; lists of texts or byte sets hold 8-byte addresses of blocks the
// list owns. Indices are 1-based and checked against the count. Memory comes
// only from the allocate, reallocate and free slots.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

namespace prog {

// The address of a list variable (a program-level variable need not be
// aligned: the variables are packed without gaps).
typedef List ListVar __attribute__((aligned(1)));

// The element count of a list (0 for nullptr or a list of no dimensions);
// `first` (when given) receives where the first element lies.
int32_t elementCount(const ListBlock* list);
int32_t elementCount(const ListBlock* list, uint8_t** first);
// The same for a list known to have a block (the start list always has one).
int32_t elementCountOfBlock(const ListBlock* list, uint8_t** first);

// The index check: index < 1 raises run-time error 4, then index > count
// raises run-time error 1. Neither returns.
void checkIndex(int32_t index, int32_t count);

// Checked element access. Element i lies (i - 1) element widths behind the
// first element; behind an odd number of dimension words an 8-byte element
// is not aligned, hence the unaligned element types.
typedef int32_t IntElement __attribute__((aligned(1)));
typedef void* AddressElement __attribute__((aligned(1)));
IntElement* intSlot(const ListBlock* list, int32_t index);
AddressElement* addressSlot(const ListBlock* list, int32_t index);
inline int32_t intAt(const ListBlock* list, int32_t index) { return *intSlot(list, index); }
// The element itself (still owned by the list), nullptr for an empty element.
inline Text textAt(const ListBlock* list, int32_t index) {
    return static_cast<Text>(*addressSlot(list, index));
}
inline ByteSet bytesAt(const ListBlock* list, int32_t index) {
    return static_cast<ByteSet>(*addressSlot(list, index));
}

// Resets the list variable to n zero elements: a new block (1, n), the owned
// elements of the old list freed (address lists), the old block freed.
void resetIntList(ListVar* variable, int32_t n);
void resetAddressList(ListVar* variable, int32_t n);

// Appends one element through runtime service 2, growing the block by one
// element. A text is stored as a fresh copy of its bytes and NUL, a byte set
// as a fresh copy of its whole block, nullptr as 0; the argument stays the
// caller's.
void appendInt(ListVar* variable, int32_t value);
void appendText(ListVar* variable, const char* t);
void appendBytes(ListVar* variable, const ByteSetBlock* b);

// Frees every element that is not 0, then the block (for lists returned by
// the kernel library, e.g. by splitText). nullptr is allowed.
void releaseAddressList(List list);

}  // namespace prog
