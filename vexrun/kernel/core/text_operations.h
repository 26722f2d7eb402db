// Byte-string operations behind the text and byte-set kernel commands, on
// 1-based positions. kNotFound is what a find gives when it finds nothing.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexrun {

constexpr int32_t kNotFound = -1;

// First occurrence beginning at or after `start` (default 1). kNotFound for an
// empty needle or a start outside 1..length. `ignoreCase` folds ASCII letters.
int32_t findForward(std::string_view subject, std::string_view needle, std::optional<int32_t> start,
                    bool ignoreCase = false);
// Last occurrence beginning at or before `start` (default: the length).
// kNotFound for an empty needle or a start outside 1..length.
int32_t findBackward(std::string_view subject, std::string_view needle, std::optional<int32_t> start,
                     bool ignoreCase = false);

// The first n bytes: n <= 0 gives none, n past the end all.
std::string_view leftPart(std::string_view s, int32_t n);
// n bytes from 1-based `start`: a start outside 1..length or n <= 0 gives
// none; n is cut at the end.
std::string_view middlePart(std::string_view s, int32_t start, int32_t n);
// `length` bytes from `start` replaced by `replacement`. The start is held to
// 1..length + 1 and the length to 0..what follows the start.
std::string replacePart(std::string_view s, int32_t start, int32_t length, std::string_view replacement);
// The fields between separators, empty ones kept; at most `maxCount` when it
// is above 0 (the rest dropped). An empty separator gives the whole text as
// one field; an empty text gives one empty field.
std::vector<std::string_view> splitFields(std::string_view s, std::string_view separator, int32_t maxCount);

}  // namespace vexrun
