#include "launcher/install_record.h"

#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "launcher/launcher_texts.h"

namespace launcher {

std::string installRecordFile() {
    std::string home;
    if (const char* env = getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && *user->pw_dir) {
        home = user->pw_dir;
    } else {
        return {};
    }
    if (home.back() != '/') home += '/';
    return home + kInstallRecordFile;
}

bool readPathValue(FILE* record, char* buffer, size_t limit) {
    constexpr size_t kPrefixLength = sizeof(kInstallPathLine) - 1;

    char* line = nullptr;
    size_t capacity = 0;
    bool found = false;
    ssize_t length;
    while ((length = getline(&line, &capacity, record)) >= 0) {
        size_t end = static_cast<size_t>(length);
        if (end < kPrefixLength || memcmp(line, kInstallPathLine, kPrefixLength) != 0) continue;
        if (end > 0 && line[end - 1] == '\n') --end;
        if (end > 0 && line[end - 1] == '\r') --end;
        const size_t valueLength = end - kPrefixLength;
        if (valueLength < limit) {
            memcpy(buffer, line + kPrefixLength, valueLength);
            buffer[valueLength] = '\0';
            found = true;
        }
        break;
    }
    free(line);
    return found;
}

bool readInstallPath(char* buffer, size_t limit) {
    const std::string file = installRecordFile();
    if (file.empty()) return false;
    FILE* record = fopen(file.c_str(), "rb");
    if (!record) return false;
    const bool found = readPathValue(record, buffer, limit);
    fclose(record);
    return found;
}

}  // namespace launcher
