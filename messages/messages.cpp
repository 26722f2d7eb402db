// Messages made in English and in the user's language at once.
#include "messages/messages.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace messages {
namespace {

// The user's-language text of each message say() made whose two texts
// differ, by its English text. Messages are made from any thread (a film's
// pieces are read at once).
struct ShownTexts {
    std::mutex lock;
    std::unordered_map<std::string, std::string> byEnglish;
};

ShownTexts& shownTexts() {
    static ShownTexts texts;
    return texts;
}

std::string filled(std::string_view pattern, const std::string_view* args, std::size_t count) {
    std::string out;
    std::size_t next = 0;  // the argument of the next plain "%s"
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        std::size_t j = i + 1;
        std::size_t index = next;
        if (pattern[j] >= '1' && pattern[j] <= '9' && j + 2 < pattern.size() && pattern[j + 1] == '$') {
            index = static_cast<std::size_t>(pattern[j] - '1');
            j += 2;
        } else if (pattern[j] == 's') {
            ++next;
        }
        if (pattern[j] == 's' && index < count) {
            out += args[index];
            i = j;
        } else if (pattern[j] == '%') {
            out += '%';
            i = j;
        } else {
            out += '%';
        }
    }
    return out;
}

std::string made(const char* english, const char* local, std::initializer_list<std::string_view> args) {
    std::string inEnglish = filled(english, args.begin(), args.size());
    std::vector<std::string> localArgs;
    localArgs.reserve(args.size());
    bool differs = english != local;
    for (std::string_view a : args) {
        localArgs.push_back(shown(std::string(a)));
        differs = differs || localArgs.back() != a;
    }
    if (!differs) return inEnglish;
    const std::vector<std::string_view> views(localArgs.begin(), localArgs.end());
    std::string inLocal = filled(local, views.data(), views.size());
    ShownTexts& texts = shownTexts();
    const std::lock_guard<std::mutex> hold(texts.lock);
    texts.byEnglish[inEnglish] = std::move(inLocal);
    return inEnglish;
}

}  // namespace

std::string fillPattern(std::string_view pattern, std::initializer_list<std::string_view> args) {
    return filled(pattern, args.begin(), args.size());
}

std::string say(const char* pattern, std::initializer_list<std::string_view> args) {
    return made(pattern, tr(pattern), args);
}

std::string sayCount(const char* one, const char* many, unsigned long n, std::initializer_list<std::string_view> args) {
    return made(n == 1 ? one : many, trCount(one, many, n), args);
}

std::string shown(const std::string& message) {
    ShownTexts& texts = shownTexts();
    const std::lock_guard<std::mutex> hold(texts.lock);
    const auto found = texts.byEnglish.find(message);
    return found == texts.byEnglish.end() ? message : found->second;
}

}  // namespace messages
