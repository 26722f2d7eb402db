// One line of a driver script: a verb, then (for most verbs) a control named
// as in the layout, then the rest of the line verbatim as the argument.
//
//   clipboard TEXT | clipfile PATH | type CONTROL TEXT | set CONTROL TEXT |
//   paste CONTROL | copy CONTROL | click CONTROL | dblclick CONTROL |
//   key CONTROL CODE | spin CONTROL | drop PATH | dropon CONTROL PATH |
//   show CONTROL | save CONTROL PATH | saveas CONTROL [PATH] |
//   saveclip PATH | messages | cancel after MS | cancel at PERCENT |
//   progress | shot PATH | close | quit
//
// Empty lines and lines starting with "#" are skipped; a CR before the line's
// end is dropped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace drive {

enum class Verb {
    Clipboard,
    ClipFile,
    Type,
    Set,
    Paste,
    Copy,
    Click,
    DoubleClick,
    Key,
    Spin,
    Drop,
    DropOn,
    Show,
    Save,
    SaveAs,
    SaveClip,
    Messages,
    Cancel,
    Progress,
    Shot,
    Close,
    Quit
};

struct ScriptLine {
    Verb verb;
    std::string control;   // UTF-8, as the layout names it; empty for verbs without one
    std::string argument;  // the rest of the line, verbatim
    int keyCode = 0;       // for `key`
    // For `cancel`: the next progress box is cancelled after so many
    // milliseconds, or at so many percent (the other is -1).
    int cancelAfterMs = -1, cancelAtPercent = -1;
};

// nullopt for a comment or an empty line; `error` says what is wrong with a
// line that cannot be read (and the result is nullopt too).
std::optional<ScriptLine> parseScriptLine(std::string_view line, std::string& error);

const char* verbName(Verb verb);

}  // namespace drive
