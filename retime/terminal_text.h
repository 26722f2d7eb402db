// The program's own texts are GBK; the terminal reads UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace retime {

// `gbk` as UTF-8. A byte sequence that is not GBK comes out as U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

}  // namespace retime
