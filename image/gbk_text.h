// The image's own texts are GBK (code page 936); our sources hold them as
// UTF-8. These convert between the two with the C library's converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace image {

// nullopt when the input is not valid UTF-8 or a character has no GBK form.
std::optional<std::string> utf8ToGbk(std::string_view utf8);

// nullopt when the input is not valid GBK.
std::optional<std::string> gbkToUtf8(std::string_view gbk);

// For listings: the GBK text as UTF-8, or with every byte outside ASCII as
// \xNN when it is not valid GBK.
std::string gbkForDisplay(std::string_view gbk);

}  // namespace image
