// tessaly-drive.exe: runs the program image under our Windows kernel library
// and acts on its native window as a user would, from a script on standard
// input: the same script language and the same output as the Linux driver
// (script_line.h, show_line.h), so that the window tests run from the same
// scripts on both platforms.
//
//   tessaly-drive.exe [--image PATH] [--timing] < script
//
// The image defaults to tessaly.img in the parent of the folder holding this
// program; the kernel library is vexrun.vxr beside it, reached through its
// own export `vexrunDriverAccess`, so one copy of the kernel runs the program.
// The script runs on the message loop's thread once the window is up; every
// action is the message a user's action would send to the control.
//
// Exit status: whatever the program ends with (0 when its window closes or
// the message loop ends); 2 for a script line that cannot be read (the
// message names the line); 1 when an action cannot be carried out or the
// image or kernel library cannot be loaded.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/driver/driver_run.h"
#include "vexrun/driver/script_line.h"
#include "vexrun/driver/show_line.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/driver_access.h"
#include "vexrun/kernel/win32/win32_clipboard.h"

namespace {

using vexrun::win32::Control;
using vexrun::win32::DriverAccess;

// The box files are dropped on.
constexpr const char* kSubtitleBox = "编辑框1";

std::wstring wideOf(const std::string& utf8) { return vexrun::platform::wideText(utf8); }

std::string utf8Of(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool readFile(const std::string& path, std::string& bytes) {
    FILE* f = _wfopen(wideOf(path).c_str(), L"rb");
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool writeFile(const std::string& path, std::string_view bytes) {
    FILE* f = _wfopen(wideOf(path).c_str(), L"wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// Pending messages handled, as between a user's actions.
void handlePendingMessages() {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));  // for the program's own loop
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class Driver : public drive::ScriptRun {
public:
    Driver(DriverAccess* access, drive::Prepared& prepared) : ScriptRun(prepared), access_(access) {}

    // Runs the script on the loop thread; the end of the script ends the
    // program.
    void runToTheEnd() {
        if (run()) PostQuitMessage(0);
    }

private:
    Control& control(const std::string& name) {
        Control* c = access_->controlByName(name);
        if (!c) fail("no control is named " + name);
        return *c;
    }
    HWND windowOf(const std::string& name) {
        HWND w = control(name).window();
        if (!w) fail(name + " is never shown, so nothing can be done to it");
        return w;
    }
    static void giveFocus(HWND w) {
        SetForegroundWindow(GetAncestor(w, GA_ROOT));
        SetFocus(w);
    }
    static bool isCheckBox(HWND w) {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        const LONG_PTR type = GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK;
        return lstrcmpiW(cls, L"BUTTON") == 0 && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
    }
    static bool isButton(HWND w) {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        return lstrcmpiW(cls, L"BUTTON") == 0;
    }
    static LPARAM middleOf(HWND w) {
        RECT r{};
        GetClientRect(w, &r);
        return MAKELPARAM(r.right / 2, r.bottom / 2);
    }

    // A key pressed and let go on the focused control, with its character
    // where it gives one.
    static void pressKey(HWND w, UINT vk, wchar_t ch) {
        SendMessageW(w, WM_KEYDOWN, vk, 1);
        if (ch) SendMessageW(w, WM_CHAR, ch, 1);
        SendMessageW(w, WM_KEYUP, vk, LPARAM(0xC0000001));
    }

    bool setClipboard(const std::u16string& text) {
        if (!OpenClipboard(access_->mainWindow())) return false;
        EmptyClipboard();
        bool ok = true;
        if (!text.empty()) {
            HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
            ok = data != nullptr;
            if (data) {
                std::memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(char16_t));
                GlobalUnlock(data);
                ok = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
                if (!ok) GlobalFree(data);
            }
        }
        CloseClipboard();
        return ok;
    }

    void settle() override { handlePendingMessages(); }

    bool perform(const drive::ScriptLine& line) override {
        using drive::Verb;
        switch (line.verb) {
            case Verb::Clipboard:
                if (!setClipboard(vexrun::text::decode(line.argument, vexrun::text::Encoding::Utf8))) {
                    cannot("cannot put the text on the clipboard");
                }
                return true;
            case Verb::ClipFile: {
                std::string bytes;
                if (!readFile(line.argument, bytes)) cannot("cannot read " + line.argument);
                if (!setClipboard(vexrun::text::decode(bytes))) cannot("cannot put the text on the clipboard");
                return true;
            }
            case Verb::SaveClip: {
                const std::u16string text = vexrun::win32::clipboardUnicodeText(access_->mainWindow());
                if (!writeFile(line.argument, vexrun::text::encode(text, vexrun::text::Encoding::Utf8))) {
                    cannot("cannot write " + line.argument);
                }
                return true;
            }
            case Verb::Paste:
            case Verb::Copy: {
                HWND w = windowOf(line.control);
                if (!IsWindowEnabled(w)) return true;  // a disabled box takes no keys
                giveFocus(w);
                if (line.verb == Verb::Copy) {
                    SendMessageW(w, EM_SETSEL, 0, -1);
                    SendMessageW(w, WM_COPY, 0, 0);
                } else {
                    SendMessageW(w, WM_PASTE, 0, 0);
                }
                return true;
            }
            case Verb::Type: typeInto(windowOf(line.control), line.argument); return true;
            case Verb::Set: {
                Control& c = control(line.control);
                if (c.window() && !IsWindowEnabled(c.window())) return true;  // a disabled box takes no paste
                if (!c.pasteText(vexrun::text::decode(line.argument, vexrun::text::Encoding::Utf8))) {
                    fail(line.control + " takes no text");
                }
                return true;
            }
            case Verb::Click: click(windowOf(line.control), false); return true;
            case Verb::DoubleClick: click(windowOf(line.control), true); return true;
            case Verb::Key: {
                HWND w = windowOf(line.control);
                if (line.keyCode <= 0 || line.keyCode > 0xFE) fail("no key gives the key code " + std::to_string(line.keyCode));
                giveFocus(w);
                const UINT ch = MapVirtualKeyW(UINT(line.keyCode), MAPVK_VK_TO_CHAR) & 0x7FFF;
                // Enter gives its CR, as TranslateMessage makes it: a multi-line box starts a line.
                pressKey(w, UINT(line.keyCode), line.keyCode == VK_ESCAPE ? 0 : line.keyCode == VK_RETURN ? L'\r' : wchar_t(ch));
                return true;
            }
            case Verb::Spin: {
                if (access_->kindOf(line.control) != "spin control") fail(line.control + " is not a spin control");
                HWND w = windowOf(line.control);
                RECT r{};
                GetClientRect(w, &r);
                const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 4);
                SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
                SendMessageW(w, WM_LBUTTONUP, 0, at);
                return true;
            }
            case Verb::Drop: dropFile(kSubtitleBox, line.argument); return true;
            case Verb::DropOn: dropFile(line.control, line.argument); return true;
            case Verb::Cancel: access_->cancelNextProgress(line.cancelAfterMs, line.cancelAtPercent); return true;
            case Verb::Progress:
                for (const vexrun::ProgressBoxRecord& box : access_->takeProgressBoxes()) {
                    auto shown = [](const std::string& utf8) {
                        return vexrun::text::decode(utf8, vexrun::text::Encoding::Utf8);
                    };
                    drive::printLine(drive::progressLine(shown(box.caption), shown(box.firstStatus), shown(box.button),
                                                         box.ended));
                    reportCancel(box);
                }
                return true;
            case Verb::Show: show(line.control); return true;
            case Verb::Save:
                if (!writeFile(line.argument, control(line.control).contentBytes())) cannot("cannot write " + line.argument);
                return true;
            case Verb::SaveAs:
                access_->setSaveAnswer(line.argument);
                if (!control(line.control).saveAs()) fail(line.control + " offers no save");
                drive::printLine("save as " + drive::fileNameOf(access_->lastSavedPath()));
                return true;
            case Verb::Messages:
                for (const std::string& m : access_->takeMessages()) drive::printLine(drive::escapeText(vexrun::text::decode(m)));
                return true;
            case Verb::Shot:
                if (!access_->saveShot(wideOf(line.argument))) cannot("cannot save a picture to " + line.argument);
                return true;
            case Verb::Close:
                if (HWND top = access_->mainWindow()) PostMessageW(top, WM_CLOSE, 0, 0);
                return false;
            case Verb::Quit: PostQuitMessage(0); return false;
        }
        return true;
    }

    // A left click in the middle of the control (a button or check box is
    // pressed as its own click does it).
    void click(HWND w, bool twice) {
        if (!IsWindowEnabled(w)) return;
        const LPARAM at = middleOf(w);
        if (isButton(w) && !twice) {
            SendMessageW(w, BM_CLICK, 0, 0);
            return;
        }
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(w, WM_LBUTTONUP, 0, at);
        if (twice) {
            SendMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            SendMessageW(w, WM_LBUTTONUP, 0, at);
        }
    }

    void typeInto(HWND w, const std::string& utf8) {
        giveFocus(w);
        for (char16_t u : vexrun::text::decode(utf8, vexrun::text::Encoding::Utf8)) {
            UINT vk = 0;
            if (u >= 0x20 && u < 0x7F) {
                const SHORT scan = VkKeyScanW(wchar_t(u));
                if (scan != -1) vk = UINT(scan & 0xFF);
            }
            pressKey(w, vk ? vk : VK_PACKET, wchar_t(u));
        }
    }

    // The shell's file drop on a box: one file in a DROPFILES block, as
    // Explorer hands it over.
    void dropFile(const std::string& box, const std::string& path) {
        HWND on = windowOf(box);
        const std::wstring wide = wideOf(path);
        const bool accepts = (GetWindowLongPtrW(on, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        const bool file = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (accepts) {
            const size_t bytes = sizeof(DROPFILES) + (wide.size() + 2) * sizeof(wchar_t);
            HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
            if (!data) cannot("cannot hand over the dropped file");
            auto* drop = static_cast<DROPFILES*>(GlobalLock(data));
            drop->pFiles = sizeof(DROPFILES);
            drop->fWide = TRUE;
            std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), wide.c_str(), wide.size() * sizeof(wchar_t));
            GlobalUnlock(data);
            SendMessageW(on, WM_DROPFILES, reinterpret_cast<WPARAM>(data), 0);  // the receiver frees it
        }
        if (!accepts || !file) std::fprintf(stderr, "tessaly-drive: %s refused the drop of %s\n", box.c_str(), path.c_str());
    }

    void show(const std::string& name) {
        Control& c = control(name);
        drive::ShownState state;
        std::u16string text = vexrun::text::decode(c.contentBytes());
        if (HWND w = c.window()) {
            state.enabled = access_->isEnabled(name) ? 1 : 0;
            state.visible = IsWindowVisible(w) != 0;
            if (isCheckBox(w)) state.checked = SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        }
        drive::printLine(drive::showLine(name, text, state));
    }

    DriverAccess* access_;
};

Driver* gDriver = nullptr;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(utf8Of(argv[i]));
    drive::Prepared prepared = drive::prepare(arguments, vexrun::win32::kDriverAccessExport);
    DriverAccess* access = reinterpret_cast<vexrun::win32::DriverAccessEntry>(prepared.driverAccess)();
    gDriver = new Driver(access, prepared);
    access->setHeadless(true);
    access->setStartFile(prepared.startFile);
    access->setReadyCallback([] { gDriver->runToTheEnd(); });
    prepared.entry(prepared.image);  // ends the process
    return 0;
}
