// The Windows side of the X file drop test, run on the program's desktop:
//   drop-box-reader EXE text LEFT TOP WIDTH HEIGHT OUTPUT
//     writes the text of the control at that place of the main window of the
//     program EXE (client coordinates) to OUTPUT as UTF-8, exactly as shown
//   drop-box-reader EXE point LEFT TOP WIDTH HEIGHT OUTPUT
//     writes the screen point at the middle of that control ("X Y")
//   drop-box-reader EXE close
//     closes the program's main window as a user does
// Exit status 0 when done, 1 with a message when there is no such window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct MainSearch {
    const wchar_t* exe;
    HWND found = nullptr;
};

bool runs(HWND window, const wchar_t* exe) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    const wchar_t* name = wcsrchr(path, L'\\');
    return named && lstrcmpiW(name ? name + 1 : path, exe) == 0;
}

BOOL CALLBACK findMain(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<MainSearch*>(parameter);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (IsWindowVisible(window) && lstrcmpW(className, L"TessalyWindow") == 0 && runs(window, search->exe)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ChildSearch {
    RECT place{};
    HWND found = nullptr;
};

BOOL CALLBACK findChild(HWND child, LPARAM parameter) {
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    if (EqualRect(&r, &search->place)) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

bool writeFile(const wchar_t* path, const std::string& bytes) {
    FILE* out = _wfopen(path, L"wb");
    return out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fclose(out) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool close = argc == 3 && lstrcmpW(argv[2], L"close") == 0;
    const bool text = argc == 8 && lstrcmpW(argv[2], L"text") == 0;
    const bool point = argc == 8 && lstrcmpW(argv[2], L"point") == 0;
    if (!close && !text && !point) {
        std::fprintf(stderr, "usage: drop-box-reader EXE text|point LEFT TOP WIDTH HEIGHT OUTPUT | EXE close\n");
        return 2;
    }
    MainSearch program{argv[1]};
    EnumWindows(findMain, reinterpret_cast<LPARAM>(&program));
    if (!program.found) {
        std::fprintf(stderr, "drop-box-reader: no window of the program on this desktop\n");
        return 1;
    }
    if (close) {
        PostMessageW(program.found, WM_CLOSE, 0, 0);
        return 0;
    }
    ChildSearch search;
    const long left = wcstol(argv[3], nullptr, 10), top = wcstol(argv[4], nullptr, 10);
    search.place = RECT{left, top, left + wcstol(argv[5], nullptr, 10), top + wcstol(argv[6], nullptr, 10)};
    EnumChildWindows(program.found, findChild, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        std::fprintf(stderr, "drop-box-reader: no control at that place\n");
        return 1;
    }
    std::string bytes;
    if (point) {
        POINT middle{(search.place.left + search.place.right) / 2, (search.place.top + search.place.bottom) / 2};
        ClientToScreen(program.found, &middle);
        bytes = std::to_string(middle.x) + " " + std::to_string(middle.y) + "\n";
    } else {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(search.found, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
        std::wstring shown(length + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(search.found, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(shown.data()),
                            SMTO_ABORTIFHUNG, 5000, &copied);
        shown.resize(copied);
        const int n = WideCharToMultiByte(CP_UTF8, 0, shown.data(), int(shown.size()), nullptr, 0, nullptr, nullptr);
        bytes.assign(size_t(n > 0 ? n : 0), '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, shown.data(), int(shown.size()), bytes.data(), n, nullptr, nullptr);
    }
    if (!writeFile(argv[7], bytes)) {
        std::fprintf(stderr, "drop-box-reader: cannot write the output file\n");
        return 1;
    }
    return 0;
}
