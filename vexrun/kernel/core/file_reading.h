// Reading whole files: the kernel command "read a file" (a byte set), and a
// file dropped on a box read as the text it holds, or refused with the reason.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>

namespace vexrun {

// The most bytes a file read gives: the program addresses a byte set with
// signed 32-bit positions, one past the end included.
constexpr uint64_t kMaxFileBytes = 0x7FFFFFF0;

// The file at `path` as a fresh byte set. A text that starts with a UTF-16
// byte-order mark comes as UTF-8 (the program's texts are 8-bit), without the
// mark; every other file comes byte for byte. A file that cannot be read (a
// folder, missing, unreadable, or more than `maxBytes`, an endless input
// refused as soon as it passes that) gives the empty byte set.
// Temporary strings may throw std::bad_alloc; the command call reports it.
void* readFileAsByteSet(std::string_view path, uint64_t maxBytes = kMaxFileBytes);

// How a text file's bytes hold its text.
enum class TextForm : uint8_t {
    Bytes,          // as they are (UTF-8, GBK, any 8-bit text; a UTF-8 mark stays in the bytes)
    Utf16LeMarked,  // UTF-16 with its byte-order mark
    Utf16BeMarked,
    Utf16Le,        // UTF-16 without a mark: every other byte zero
    Utf16Be,
};

struct TextFile {
    std::string text;  // what the program gets: the bytes, or UTF-16 as UTF-8
    TextForm form = TextForm::Bytes;
};

// A file dropped to be shown as text: its text, or nullopt and in `refusal`
// one short message in Chinese (UTF-8) naming the file and saying why it is
// not taken: it cannot be opened or read through (an I/O error, more than
// `maxBytes`), it is empty or a folder, it holds a NUL (where), or it is no
// text at all (a picture, a film: judged by its first bytes, and then
// `notText`, when given, is set). UTF-16 is taken with or without a mark.
std::optional<TextFile> readTextFile(std::string_view path, std::string& refusal,
                                     uint64_t maxBytes = kMaxFileBytes, bool* notText = nullptr);

// The name of the file a path names (its last part), as UTF-8, for messages.
std::string fileNameForMessage(std::string_view path);

}  // namespace vexrun
