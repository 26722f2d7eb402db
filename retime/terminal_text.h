// Texts for the terminal: the program's own GBK texts as UTF-8, and the
// columns a UTF-8 text takes there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace retime {

// `gbk` as UTF-8. A byte sequence that is not GBK comes out as U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

// The terminal columns `utf8` takes: two for a wide (East Asian) character,
// none for a combining mark, one for anything else.
std::size_t columnsOf(std::string_view utf8);

// `utf8` with blanks behind it up to `columns` columns.
std::string padded(const std::string& utf8, std::size_t columns);

}  // namespace retime
