#include "vexrun/kernel/core/text_operations.h"

#include <stdint.h>

namespace vexrun {
namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool matchesAt(std::string_view subject, size_t at, std::string_view needle, bool ignoreCase) {
    if (!ignoreCase) return subject.compare(at, needle.size(), needle) == 0;
    for (size_t k = 0; k < needle.size(); ++k) {
        if (fold(subject[at + k]) != fold(needle[k])) return false;
    }
    return true;
}

bool startOutside(std::string_view subject, int32_t start) {
    return start < 1 || static_cast<int64_t>(start) > static_cast<int64_t>(subject.size());
}

}  // namespace

int32_t findForward(std::string_view subject, std::string_view needle, std::optional<int32_t> start,
                    bool ignoreCase) {
    int32_t p = start.value_or(1);
    if (needle.empty() || startOutside(subject, p) || needle.size() > subject.size()) return kNotFound;
    size_t from = static_cast<size_t>(p - 1);
    if (!ignoreCase) {
        size_t found = subject.find(needle, from);
        return found == std::string_view::npos ? kNotFound : static_cast<int32_t>(found + 1);
    }
    for (size_t at = from; at + needle.size() <= subject.size(); ++at) {
        if (matchesAt(subject, at, needle, true)) return static_cast<int32_t>(at + 1);
    }
    return kNotFound;
}

int32_t findBackward(std::string_view subject, std::string_view needle, std::optional<int32_t> start,
                     bool ignoreCase) {
    int32_t p = start.value_or(static_cast<int32_t>(subject.size()));
    if (needle.empty() || startOutside(subject, p) || needle.size() > subject.size()) return kNotFound;
    size_t at = static_cast<size_t>(p - 1);
    if (at > subject.size() - needle.size()) at = subject.size() - needle.size();
    for (;; --at) {
        if (matchesAt(subject, at, needle, ignoreCase)) return static_cast<int32_t>(at + 1);
        if (at == 0) return kNotFound;
    }
}

std::string_view leftPart(std::string_view s, int32_t n) {
    if (n <= 0) return {};
    return s.substr(0, static_cast<size_t>(n));
}

std::string_view middlePart(std::string_view s, int32_t start, int32_t n) {
    if (n <= 0 || startOutside(s, start)) return {};
    return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n));
}

std::string replacePart(std::string_view s, int32_t start, int32_t length, std::string_view replacement) {
    int64_t size = static_cast<int64_t>(s.size());
    int64_t from = start < 1 ? 0 : (start - 1 > size ? size : start - 1);
    int64_t count = length < 0 ? 0 : length;
    if (count > size - from) count = size - from;
    std::string out;
    out.reserve(static_cast<size_t>(size - count) + replacement.size());
    out.append(s.substr(0, static_cast<size_t>(from)));
    out.append(replacement);
    out.append(s.substr(static_cast<size_t>(from + count)));
    return out;
}

std::vector<std::string_view> splitFields(std::string_view s, std::string_view separator, int32_t maxCount) {
    std::vector<std::string_view> fields;
    size_t limit = maxCount > 0 ? static_cast<size_t>(maxCount) : SIZE_MAX;
    if (separator.empty()) {
        fields.push_back(s);
        return fields;
    }
    size_t from = 0;
    while (fields.size() < limit) {
        size_t at = s.find(separator, from);
        if (at == std::string_view::npos) {
            fields.push_back(s.substr(from));
            break;
        }
        fields.push_back(s.substr(from, at - from));
        from = at + separator.size();
    }
    return fields;
}

}  // namespace vexrun
