#include "vexrun/driver/script_line.h"

#include <cstdlib>

namespace drive {
namespace {

enum class Needs { Nothing, Argument, OptionalArgument, Control, ControlAndArgument, ControlAndOptionalArgument };

struct VerbSpec {
    const char* name;
    Verb verb;
    Needs needs;
};

constexpr VerbSpec kVerbs[] = {
    {"clipboard", Verb::Clipboard, Needs::OptionalArgument},
    {"clipfile", Verb::ClipFile, Needs::Argument},
    {"paste", Verb::Paste, Needs::Control},
    {"copy", Verb::Copy, Needs::Control},
    {"saveclip", Verb::SaveClip, Needs::Argument},
    {"type", Verb::Type, Needs::ControlAndArgument},
    {"set", Verb::Set, Needs::ControlAndOptionalArgument},
    {"click", Verb::Click, Needs::Control},
    {"dblclick", Verb::DoubleClick, Needs::Control},
    {"key", Verb::Key, Needs::ControlAndArgument},
    {"spin", Verb::Spin, Needs::Control},
    {"drop", Verb::Drop, Needs::Argument},
    {"dropon", Verb::DropOn, Needs::ControlAndArgument},
    {"show", Verb::Show, Needs::Control},
    {"save", Verb::Save, Needs::ControlAndArgument},
    {"saveas", Verb::SaveAs, Needs::ControlAndOptionalArgument},
    {"messages", Verb::Messages, Needs::Nothing},
    {"cancel", Verb::Cancel, Needs::Argument},
    {"progress", Verb::Progress, Needs::Nothing},
    {"shot", Verb::Shot, Needs::Argument},
    {"close", Verb::Close, Needs::Nothing},
    {"quit", Verb::Quit, Needs::Nothing},
};

// Splits off the word before the first space; `rest` is everything after
// that one space.
// A whole number from 0 to `most`, or -1.
int wholeNumber(std::string_view text, int most) {
    if (text.empty() || text.size() > 9) return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n <= most ? n : -1;
}

std::string_view firstWord(std::string_view s, std::string_view& rest, bool& hadSpace) {
    size_t space = s.find(' ');
    hadSpace = space != std::string_view::npos;
    if (!hadSpace) {
        rest = {};
        return s;
    }
    rest = s.substr(space + 1);
    return s.substr(0, space);
}

}  // namespace

const char* verbName(Verb verb) {
    for (const VerbSpec& v : kVerbs) {
        if (v.verb == verb) return v.name;
    }
    return "?";
}

std::optional<ScriptLine> parseScriptLine(std::string_view line, std::string& error) {
    error.clear();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return std::nullopt;
    std::string_view rest;
    bool hadSpace = false;
    const std::string_view word = firstWord(line, rest, hadSpace);
    const VerbSpec* spec = nullptr;
    for (const VerbSpec& v : kVerbs) {
        if (word == v.name) spec = &v;
    }
    if (!spec) {
        error = "unknown verb \"" + std::string(word) + "\"";
        return std::nullopt;
    }
    ScriptLine out{spec->verb, {}, {}};
    switch (spec->needs) {
        case Needs::Nothing:
            if (!rest.empty()) {
                error = std::string(spec->name) + " takes nothing after it";
                return std::nullopt;
            }
            return out;
        case Needs::Argument:
            if (rest.empty()) {
                error = std::string(spec->name) + " needs an argument";
                return std::nullopt;
            }
            out.argument.assign(rest);
            if (spec->verb == Verb::Cancel) {
                std::string_view number;
                const std::string_view when = firstWord(rest, number, hadSpace);
                if (when == "after") out.cancelAfterMs = wholeNumber(number, 3600000);
                if (when == "at") out.cancelAtPercent = wholeNumber(number, 100);
                if (out.cancelAfterMs < 0 && out.cancelAtPercent < 0) {
                    error = "cancel needs \"after MS\" or \"at PERCENT\", not \"" + std::string(rest) + "\"";
                    return std::nullopt;
                }
            }
            return out;
        case Needs::OptionalArgument:
            out.argument.assign(rest);
            return out;
        default:
            break;
    }
    std::string_view argument;
    const std::string_view control = firstWord(rest, argument, hadSpace);
    if (control.empty()) {
        error = std::string(spec->name) + " needs a control";
        return std::nullopt;
    }
    out.control.assign(control);
    if (spec->needs == Needs::Control) {
        if (!argument.empty()) {
            error = std::string(spec->name) + " takes only a control";
            return std::nullopt;
        }
        return out;
    }
    if (spec->needs == Needs::ControlAndArgument && argument.empty()) {
        error = std::string(spec->name) + " needs an argument after the control";
        return std::nullopt;
    }
    out.argument.assign(argument);
    if (spec->verb == Verb::Key) {
        char* end = nullptr;
        const std::string digits(argument);
        long code = std::strtol(digits.c_str(), &end, 0);
        if (!end || *end != '\0' || code < 0 || code > 255) {
            error = "key needs a key code from 0 to 255, not \"" + digits + "\"";
            return std::nullopt;
        }
        out.keyCode = int(code);
    }
    return out;
}

}  // namespace drive
