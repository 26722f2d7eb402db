// The recorded installation directory of the kernel library: the line
// "Path=<directory>" of ~/.config/Norvex/Ovra/Install.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include <string>

namespace launcher {

// The record file of the current user: $HOME, else the home directory of the
// user database. Empty when neither is known.
std::string installRecordFile();

// Reads the value of the first line that starts with "Path=" (a CR before
// the line end is dropped) into `buffer`, zero-ended. The value with its
// ending NUL must fit in `limit` bytes; a longer value counts as a failed
// read, as does a record without such a line.
bool readPathValue(FILE* record, char* buffer, size_t limit);

// Opens the current user's record and reads its "Path" value.
bool readInstallPath(char* buffer, size_t limit);

}  // namespace launcher
