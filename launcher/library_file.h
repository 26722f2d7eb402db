// A look at a kernel library file before the loader maps it.
#pragma once

namespace launcher {

// True when the file at `path` holds everything the loader maps of it: an
// ELF header of this machine's kind, its program headers, and every loadable
// segment and the dynamic section inside the file. A library cut short (an
// interrupted copy or download) would be mapped past its end, and the
// loader's first touch there would end the process with SIGBUS before any
// message could be shown.
bool libraryFileWhole(const char* path);

}  // namespace launcher
