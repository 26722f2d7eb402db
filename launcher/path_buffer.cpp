#include "launcher/path_buffer.h"

#include <string.h>

namespace launcher {

bool appendText(char* buffer, size_t size, const char* text) {
    const size_t used = strnlen(buffer, size);
    const size_t added = strlen(text);
    if (used >= size || added >= size - used) return false;
    memcpy(buffer + used, text, added + 1);
    return true;
}

bool endWithSeparator(char* buffer, size_t size) {
    const size_t used = strnlen(buffer, size);
    if (used > 0 && used < size && buffer[used - 1] == '/') return true;
    return appendText(buffer, size, "/");
}

}  // namespace launcher
