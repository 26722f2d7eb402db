#include "ui/tests/drive_session.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "vexrun/driver/tests/drive_process.h"

namespace ui::e2e {

namespace {

// `messages` prints a line per message box; a `show` of this label after it
// marks where the list ends.
constexpr const char* kMessagesEnd = "标签19";

// The driver's escapes undone: \\ \" \r \n \t \xHH.
std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'x':
                if (i + 2 < s.size()) {
                    out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                }
                break;
            default: out += c; break;
        }
    }
    return out;
}

int flag(const std::string& line, const std::string& key) {
    const size_t at = line.rfind(" " + key + "=");
    if (at == std::string::npos) return -2;
    const char v = line[at + key.size() + 2];
    return v == '1' ? 1 : v == '0' ? 0 : -1;
}

// NAME text="..." checked=C enabled=E visible=V; the text may hold escaped
// quotes, so its end is the last quote before " checked=".
bool parseShown(const std::string& line, const std::string& control, Shown& shown) {
    const std::string head = control + " text=\"";
    const size_t tail = line.rfind("\" checked=");
    if (line.rfind(head, 0) != 0 || tail == std::string::npos || tail < head.size()) return false;
    shown.name = control;
    shown.text = unescape(line.substr(head.size(), tail - head.size()));
    shown.checked = flag(line, "checked");
    shown.enabled = flag(line, "enabled");
    shown.visible = flag(line, "visible");
    shown.line = line;
    return true;
}

// With TESSALY_DRIVE_RECORD=DIR set, what each run printed and how it ended
// goes to DIR/<suite>.<test>.<n>.out as well, so that the runs of one
// platform can be compared with another's byte for byte.
void record(const drive::testing::DriveResult& ran) {
    const char* dir = std::getenv("TESSALY_DRIVE_RECORD");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!dir || !*dir || !test) return;
    static std::map<std::string, int> runs;
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    const std::string path = std::string(dir) + "/" + name + "." + std::to_string(++runs[name]) + ".out";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ran.out << "--- exit status " << (ran.timedOut ? "(timed out)" : std::to_string(ran.status)) << "\n";
    if (!out.flush()) ADD_FAILURE() << "cannot record the run in " << path;
}

}  // namespace

std::string buildDir() { return drive::testing::buildDir(); }

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "tessaly-window-" + std::to_string(drive::testing::processId()) + "-" + name;
}

MadeFiles::~MadeFiles() {
    for (const std::string& p : made_) {
        std::error_code ignored;
        std::filesystem::permissions(p, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                     ignored);
        std::filesystem::remove(p, ignored);
    }
}

std::string MadeFiles::path(const std::string& name) {
    made_.push_back(tempPath(name));
    return made_.back();
}

std::string MadeFiles::file(const std::string& name, const std::string& bytes) {
    const std::string p = path(name);
    writeBytes(p, bytes);
    return p;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

DriveSession& DriveSession::act(const std::string& line) {
    script_ += line + "\n";
    return *this;
}

DriveSession& DriveSession::show(const std::string& control, const std::string& label) {
    expected_.push_back({false, label, control});
    return act("show " + control);
}

DriveSession& DriveSession::messages(const std::string& label) {
    expected_.push_back({true, label, kMessagesEnd});
    act("messages");
    return act(std::string("show ") + kMessagesEnd);
}

DriveOutcome DriveSession::run(const std::vector<std::string>& env, double timeoutSeconds,
                               const std::vector<std::string>& options) const {
    // Always Qt's offscreen platform on Linux, whatever the caller's
    // environment says (the Windows driver has no use for it).
    std::vector<std::string> driveEnv = {"QT_QPA_PLATFORM=offscreen"};
    driveEnv.insert(driveEnv.end(), env.begin(), env.end());
    const drive::testing::DriveResult ran = drive::testing::runDrive(script_, driveEnv, timeoutSeconds, options);
    if (!ran.started) ADD_FAILURE() << ran.err;
    record(ran);

    DriveOutcome r;
    r.status = ran.status;
    r.timedOut = ran.timedOut;
    r.out = ran.out;
    r.err = ran.err;
    r.seconds = ran.seconds;
    r.lastOutputSeconds = ran.lastOutputSeconds;

    // Hand each labelled step its lines.
    const std::vector<std::string> lines = drive::testing::lines(r.out);
    size_t next = 0;
    for (const Expected& step : expected_) {
        if (step.isMessages) {
            std::vector<std::string> shownMessages;
            Shown end;
            while (next < lines.size() && !parseShown(lines[next], step.control, end)) shownMessages.push_back(lines[next++]);
            if (next >= lines.size()) break;  // the marker never came: the label stays missing
            ++next;
            r.messagesByLabel[step.label] = shownMessages;
        } else {
            Shown shown;
            if (next >= lines.size() || !parseShown(lines[next], step.control, shown)) break;
            ++next;
            r.shownByLabel[step.label] = shown;
        }
    }
    return r;
}

const Shown& DriveOutcome::shown(const std::string& label) const {
    static const Shown missing;
    auto it = shownByLabel.find(label);
    if (it != shownByLabel.end()) return it->second;
    ADD_FAILURE() << "the driver printed nothing for \"" << label << "\"\n" << transcript();
    return missing;
}

const std::vector<std::string>& DriveOutcome::messages(const std::string& label) const {
    static const std::vector<std::string> missing;
    auto it = messagesByLabel.find(label);
    if (it != messagesByLabel.end()) return it->second;
    ADD_FAILURE() << "the driver listed no messages for \"" << label << "\"\n" << transcript();
    return missing;
}

std::string DriveOutcome::transcript() const {
    return "exit status " + std::to_string(status) + (timedOut ? " (timed out)" : "") + "\n--- stdout\n" + out +
           "--- stderr\n" + err;
}

}  // namespace ui::e2e
