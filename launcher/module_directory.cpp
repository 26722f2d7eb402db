#include "launcher/module_directory.h"

#include <unistd.h>

#include "launcher/launcher_texts.h"

namespace launcher {

bool cutToDirectory(char* path, long length) {
    for (long i = length - static_cast<long>(kFileNameReserve); i >= 0; --i) {
        if (path[i] == '/') {
            path[i + 1] = '\0';
            return true;
        }
    }
    path[0] = '\0';
    return false;
}

bool moduleDirectory(char* buffer) {
    // readlink does not end the text; a path longer than the limit comes
    // back cut to exactly kModulePathLimit characters.
    const ssize_t length = readlink("/proc/self/exe", buffer, kModulePathLimit);
    if (length <= 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[length] = '\0';
    return cutToDirectory(buffer, length);
}

}  // namespace launcher
