// What the kernel core needs of the operating system, in one place. The core
// itself is platform-free; platform_posix.cpp (with mapped_extent.cpp) serves
// Linux and platform_windows.cpp serves Windows.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace vexrun::platform {

// ---- Memory below 2 GiB (the helper table, the variables, image copies) ----

// Zero-filled pages, readable and writable (and executable when asked),
// that lie wholly below 2 GiB. nullptr on failure, with the reason in `why`.
void* mapBelow2GiB(size_t bytes, bool executable, std::string& why) noexcept;
void unmapBelow2GiB(void* address, size_t bytes) noexcept;
// Pages from mapBelow2GiB made read-only.
void protectReadOnly(void* address, size_t bytes) noexcept;

// An image's code pages: writable while they are relocated, then executable.
bool makeCodeWritable(void* first, size_t bytes, std::string& why) noexcept;
bool makeCodeExecutable(void* first, size_t bytes, std::string& why) noexcept;

// How many bytes from `address` on are mapped readable in this process (0
// when none): the runtime entry gets only the image's address, and the
// image reader must not read past what is there. Adjacent readable
// mappings count as one.
size_t readableExtent(const void* address) noexcept;

// ---- Libraries ----

constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// A library by its full path. nullptr on failure, with the reason in `why`.
void* openLibrary(const std::string& path, std::string& why) noexcept;
void* librarySymbol(void* library, const char* name) noexcept;
void closeLibrary(void* library) noexcept;
// The directory of the file that holds this code (the kernel library, or an
// executable the core is linked into), without a trailing separator; "."
// when it cannot be told.
std::string ownDirectory();
// An environment variable's value; empty when it is not set.
std::string environmentValue(const char* name);

// ---- The process ----

// The stand-ins of the kernel32 functions the program declares: the
// arguments and results as the program passes them (results 32-bit).
uint64_t getCurrentProcessId(uint64_t, uint64_t, uint64_t) noexcept;
uint64_t openProcess(uint64_t access, uint64_t inherit, uint64_t processId) noexcept;
// For the own process: ends it at once with `exitCode` (no exit routine).
uint64_t terminateProcess(uint64_t handle, uint64_t exitCode, uint64_t) noexcept;

// Writes all of `bytes` to standard error, unbuffered.
void writeStandardError(std::string_view bytes) noexcept;
// Ends the process at once with `status` (no exit handlers; stdio is
// flushed by the caller).
[[noreturn]] void exitNow(int status) noexcept;

// strtod in the C locale, whatever the process's locale.
double parseDoubleInCLocale(const char* text) noexcept;

// A file descriptor for reading the file's bytes as they are (no line-end
// translation); -1 when it cannot be opened.
int openFileForReading(const std::string& path) noexcept;
// A new or emptied file for writing bytes as they are; -1 when it cannot be made.
int openFileForWriting(const std::string& path) noexcept;
// Renames `from` over `to` (replacing it); false when it cannot.
bool replaceFile(const std::string& from, const std::string& to) noexcept;
void removeFile(const std::string& path) noexcept;

// The user's home folder ("." when it cannot be told).
std::string homeFolder();
// The arguments the process was started with, after the program's own name
// (UTF-8 on Windows, bytes on Linux).
std::vector<std::string> processArguments();

#ifdef _WIN32
// ---- Windows texts: UTF-8 to the wide calls, and back ----
std::wstring wideText(const std::string& utf8);
// Arguments joined into one command line that CommandLineToArgvW and the C
// runtime read back unchanged (quoted where needed, backslashes doubled only
// before a quote).
std::wstring commandLine(const std::vector<std::string>& args);
#endif

}  // namespace vexrun::platform
