// The texts the command-line tool shows people, in their language where po/
// has a translation: its complaints, warnings, report lines, --help and batch
// summary, and the texts of the aligner and the film reading it shows. A text
// is marked where it is written (tr, say, sayCount, N_ are the keywords the
// catalog template is extracted with) and looked up in the catalog of the
// user's language: on Linux through gettext, by the locale; on Windows in the
// same catalog compiled into the program.
//
// A message made with say() is made twice: in English, which the program
// carries along (error strings, warning lists) and the JSON report keeps for
// scripts, and in the user's language, which shown() gives back for the
// terminal.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace messages {

// The catalog's name: tessaly-retime.mo.
inline constexpr const char* kMessageDomain = "tessaly-retime";

// Chooses the user's language for the messages: once, first thing in main.
void useUserLanguage();

// Chooses `language` ("zh_CN") for the messages whatever the user's locale,
// from the catalogs compiled into the program: the window, whose texts are
// all Chinese, shows the aligner's and the film reading's in Chinese too.
// Before any message is made; false when no such catalog was compiled in.
bool useLanguage(const char* language);

// `english` in the user's language; `english` itself without a translation.
const char* tr(const char* english);

// `one` or `many` by `n`, in the user's language.
const char* trCount(const char* one, const char* many, unsigned long n);

// The message of `pattern` with `args` put in for its "%s" (in order) or
// "%N$s" (the Nth), "%%" being one "%": in English; shown() gives it in the
// user's language, each argument shown() in turn.
std::string say(const char* pattern, std::initializer_list<std::string_view> args = {});

// The same with `one` or `many` by `n`.
std::string sayCount(const char* one, const char* many, unsigned long n,
                     std::initializer_list<std::string_view> args = {});

// `message` in the user's language when say() made it; as it is otherwise
// (a file name, a system's own reason).
std::string shown(const std::string& message);

// `pattern` with `args` put in, as say() does, in no language in particular.
std::string fillPattern(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace messages

// Marks a text for the catalog where it is defined as data; tr() shows it.
#define N_(text) text
