// The real program under the Windows kernel library, as a user starts it:
// its window shows every control of the window record at the record's place
// and size with its text, a picture of it is saved in the build's artifacts,
// and closing it ends the process with status 0 through the program's own
// handler (its thread terminates the process, well before the handler's own
// 10 s wait would end).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <map>
#include <tuple>
#include <vector>

#include "image/image_reader.h"
#include "image/window_record.h"
#include "launcher/tests/temp_tree.h"
#include "launcher/windows/tests/program_start.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/text/text_encoding.h"

namespace fs = std::filesystem;
using launcher_test::readFile;

namespace {

struct Shown {
    std::wstring className, text;
    RECT place;  // in the main window's client area
};

BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
    auto* shown = reinterpret_cast<std::vector<Shown>*>(parameter);
    Shown s;
    wchar_t buffer[4096] = {};
    GetClassNameW(child, buffer, 64);
    s.className = buffer;
    buffer[0] = 0;
    SendMessageTimeoutW(child, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
    s.text = buffer;
    GetWindowRect(child, &s.place);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&s.place), 2);
    shown->push_back(s);
    return TRUE;
}

std::wstring wideOf(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }


TEST(Win32Window, TheRealProgramShowsItsRecordAndEndsWithStatus0WhenClosed) {
    // The window record of the very image the executable embeds.
    const std::string imageBytes = readFile(TESSALY_IMAGE_FILE);
    image::ImageError error;
    auto image = image::readImage(std::span(reinterpret_cast<const uint8_t*>(imageBytes.data()), imageBytes.size()),
                                  error);
    ASSERT_TRUE(image) << error.message;
    image::RecordError recordError;
    const image::SectionView* form = image->section("form");
    ASSERT_NE(form, nullptr);
    auto record = image::readWindowRecord(form->data, recordError);
    ASSERT_TRUE(record) << recordError.message;
    ASSERT_FALSE(record->windows.empty());
    const image::Window& window = record->windows[0];
    auto settings = image::decodeWindowSettings(window.elements[0].extension);
    ASSERT_TRUE(settings);

    launcher_test::TempTree tree;
    const fs::path scratch = tree.dir("run");
    fs::create_directories(ARTIFACTS_DIR);
    const fs::path picture = fs::path(ARTIFACTS_DIR) / "tessaly-window-windows.png";
    fs::remove(picture);
    SetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", picture.wstring().c_str());
    SetEnvironmentVariableW(L"VEXRUN_REPORT_BLOCKS", L"1");
    const fs::path exe = TESSALY_EXE;
    PROCESS_INFORMATION process;
    const bool started = launcher_test::startProgram(exe, scratch / "out.txt", scratch / "err.txt", process);
    SetEnvironmentVariableW(L"VEXRUN_SCREENSHOT", nullptr);
    ASSERT_TRUE(started);

    // The window, once it is there and its picture saved.
    HWND mainWindow = nullptr;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        if (!mainWindow) mainWindow = launcher_test::visibleWindow(process.dwProcessId, "TessalyWindow");
        if (mainWindow && fs::exists(picture) && fs::file_size(picture) > 0) break;
    }
    ASSERT_NE(mainWindow, nullptr) << "no window; standard error: " << readFile(scratch / "err.txt");

    wchar_t caption[256] = {};
    GetWindowTextW(mainWindow, caption, 256);
    EXPECT_EQ(std::wstring(caption), wideOf(vexrun::text::decode(settings->caption, vexrun::text::Encoding::Gbk)));
    EXPECT_GT(fs::file_size(picture), 100000u);

    std::vector<Shown> shown;
    EnumChildWindows(mainWindow, collectChild, reinterpret_cast<LPARAM>(&shown));
    std::multiset<std::tuple<long, long, long, long>> places;
    std::set<std::wstring> texts;
    for (const Shown& s : shown) {
        places.emplace(s.place.left, s.place.top, s.place.right - s.place.left, s.place.bottom - s.place.top);
        texts.insert(s.text);
    }
    size_t expected = 0;
    for (size_t i = 1; i < window.elements.size(); ++i) {
        const image::Element& e = window.elements[i];
        if (e.kind == vx::kKindDropTarget) continue;  // never shown
        ++expected;
        EXPECT_EQ(places.count({e.left, e.top, e.width, e.height}), 1u)
            << "element " << i << " at " << e.left << "," << e.top << " " << e.width << "x" << e.height;
        std::optional<std::string> caption;
        if (e.kind == vx::kKindLabel) caption = image::decodeLabelSettings(e.extension)->caption;
        if (e.kind == vx::kKindButton) caption = image::decodeButtonSettings(e.extension)->caption;
        if (caption && caption->find('\r') == std::string::npos && caption->find('\n') == std::string::npos) {
            EXPECT_EQ(texts.count(wideOf(vexrun::text::decode(*caption, vexrun::text::Encoding::Gbk))), 1u)
                << "element " << i;
        }
    }
    EXPECT_EQ(shown.size(), expected);

    // Where a label reaches into another control (源4/4 does), that control
    // lies above it and clips it, so the label's background never hides the
    // control's border.
    using Place = std::tuple<long, long, long, long>;
    std::map<Place, std::pair<int, bool>> depth;  // 0 is the topmost child; clipped by siblings
    int z = 0;
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&r), 2);
        depth[{r.left, r.top, r.right - r.left, r.bottom - r.top}] = {
            z++, (GetWindowLongPtrW(child, GWL_STYLE) & WS_CLIPSIBLINGS) != 0};
    }
    auto placeOf = [](const image::Element& e) { return Place{e.left, e.top, e.width, e.height}; };
    for (const image::Element& label : window.elements) {
        if (label.kind != vx::kKindLabel) continue;
        for (const image::Element& other : window.elements) {
            if (other.kind == vx::kKindLabel || other.kind == vx::kKindDropTarget || &other == &window.elements[0])
                continue;
            const bool overlap = label.left < other.left + other.width && other.left < label.left + label.width &&
                                 label.top < other.top + other.height && other.top < label.top + label.height;
            if (!overlap) continue;
            const auto [labelDepth, labelClipped] = depth[placeOf(label)];
            EXPECT_TRUE(labelClipped && depth[placeOf(other)].first < labelDepth)
                << "the label at " << label.left << "," << label.top << " paints over the control at " << other.left
                << "," << other.top;
        }
    }

    // Closing runs the program's own handler, which ends the process.
    const ULONGLONG closed = GetTickCount64();
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    EXPECT_LT(GetTickCount64() - closed, 5000u);
    if (waited == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    DWORD status = 99;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(readFile(scratch / "err.txt"), "");
}

}  // namespace
