// Running the real program image through the build's tessaly-drive for the
// window tests: a script is put together step by step, each `show` and
// `messages` under a label of its own, run as a child process, and its output
// read back by label, so that a failing check names what it looked at.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace ui::e2e {

// The build folder the tests run from (TESSALY_BUILD_DIR, set by ctest).
std::string buildDir();

// A fresh path in the test's temporary folder.
std::string tempPath(const std::string& name);
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// The temporary files a test makes, removed (made writable first) when it
// ends: a test fixture takes them in as a base.
class MadeFiles {
public:
    MadeFiles() = default;
    MadeFiles(const MadeFiles&) = delete;
    MadeFiles& operator=(const MadeFiles&) = delete;
    ~MadeFiles();
    // A fresh temporary path, removed at the end.
    std::string path(const std::string& name);
    // A fresh temporary file holding `bytes`; its path.
    std::string file(const std::string& name, const std::string& bytes);

private:
    std::vector<std::string> made_;
};

// One line of `show`, read back: NAME text="TEXT" checked=C enabled=E visible=V
// (checked and enabled are -1 where the driver prints "-").
struct Shown {
    std::string name;
    std::string text;  // unescaped UTF-8
    int checked = -1;
    int enabled = -1;
    int visible = -1;
    std::string line;  // as printed, for failure messages
};

struct DriveOutcome {
    int status = -1;  // exit status; -1 when the process did not exit by itself
    bool timedOut = false;
    std::string out, err;
    double seconds = 0;           // from start to exit
    double lastOutputSeconds = 0;  // when the last byte of standard output arrived

    // What the step with this label printed. A label that printed nothing
    // (or is unknown) fails the calling test and gives an empty Shown.
    const Shown& shown(const std::string& label) const;
    const std::vector<std::string>& messages(const std::string& label) const;
    // Everything worth seeing when a check fails.
    std::string transcript() const;

    std::map<std::string, Shown> shownByLabel;
    std::map<std::string, std::vector<std::string>> messagesByLabel;
};

class DriveSession {
public:
    // Any script line, verbatim.
    DriveSession& act(const std::string& line);
    DriveSession& show(const std::string& control, const std::string& label);
    DriveSession& messages(const std::string& label);
    // Shorthands for common lines.
    DriveSession& set(const std::string& control, const std::string& text) { return act("set " + control + " " + text); }
    DriveSession& type(const std::string& control, const std::string& text) { return act("type " + control + " " + text); }
    DriveSession& click(const std::string& control) { return act("click " + control); }
    DriveSession& dblclick(const std::string& control) { return act("dblclick " + control); }
    DriveSession& drop(const std::string& path) { return act("drop " + path); }
    DriveSession& save(const std::string& control, const std::string& path) { return act("save " + control + " " + path); }

    const std::string& script() const { return script_; }

    // Runs the script (a final line such as quit or close is the caller's)
    // with extra environment entries NAME=VALUE and the driver's options.
    DriveOutcome run(const std::vector<std::string>& env = {}, double timeoutSeconds = 30,
                     const std::vector<std::string>& options = {}) const;

private:
    struct Expected {
        bool isMessages;
        std::string label;
        std::string control;
    };
    std::string script_;
    std::vector<Expected> expected_;
};

}  // namespace ui::e2e
