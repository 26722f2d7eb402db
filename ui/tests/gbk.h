// UTF-8 to GBK conversion for the tests, through the kernel library's own
// GBK table (the same on every platform).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ui::test {

// The text in GBK (ASCII and two-byte codes), or nullopt when it is not valid
// UTF-8 or some character has no two-byte GBK code.
std::optional<std::string> toGbk(std::string_view utf8);

// Code points of a UTF-8 text, or -1 when it is not valid UTF-8.
long codePointCount(std::string_view utf8);

}  // namespace ui::test
