// UTF-8 to GBK conversion for the tests, through the C library's iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ui::test {

// The text in GBK, or nullopt when some character has no GBK form.
std::optional<std::string> toGbk(std::string_view utf8);

// Code points of a UTF-8 text, or -1 when it is not valid UTF-8.
long codePointCount(std::string_view utf8);

}  // namespace ui::test
