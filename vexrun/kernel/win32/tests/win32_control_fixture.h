// A native control made in this process under a hidden parent, with a host
// that records the events it raises: the set-up of the tests of the built-in
// controls and of the support libraries' Win32 controls.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {

struct RecordingHost : ControlHost {
    std::vector<std::pair<uint32_t, int32_t>> events;  // element, event
    void raiseEvent(uint32_t, uint32_t elementId, int32_t event, EventArgs) override {
        events.emplace_back(elementId, event);
    }
    HWND windowForHandle(int32_t) const override { return nullptr; }
    [[noreturn]] void fail(const std::string& message) override {
        ADD_FAILURE() << message;
        std::abort();
    }
    void dropZoneMade(uint32_t, uint32_t, HWND) override {}
    bool isDropZone(HWND) const override { return false; }
    bool isInputBox(HWND) const override { return false; }
    void fileDropped(uint32_t, uint32_t, HWND, std::string) override {}
    std::string askSavePath(const std::string&) override { return {}; }
    void showMessage(std::string_view) override {}
    bool runWithProgress(const ProgressBoxTexts&, ProgressWork&) override { return false; }
    void* newTextList(std::span<const std::string_view>) override { return nullptr; }
};

class Win32Controls : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    // A control of `kind` made by `create` (a built-in kind's by default).
    using Create = Control* (*)(const ControlContext&, std::string&);
    std::unique_ptr<Control> make(uint32_t kind, std::vector<uint8_t> extension, int width = 120,
                                  Create create = nullptr) {
        element_.id = 0x1234;
        element_.kind = kind;
        element_.left = 4;
        element_.top = 4;
        element_.width = width;
        element_.height = 22;
        element_.extension = std::move(extension);
        ControlContext context{&host_, 1, &element_, parent_};
        std::string error;
        Control* c = create ? create(context, error) : builtinKind(kind)->create(context, error);
        EXPECT_NE(c, nullptr) << error;
        return std::unique_ptr<Control>(c);
    }

    // A user's typing: each character as the keyboard gives it.
    static void type(HWND w, const std::u16string& keys) {
        for (char16_t k : keys) SendMessageW(w, WM_CHAR, k, 0);
    }

    RecordingHost host_;
    image::Element element_;
    HWND parent_ = nullptr;
};

}  // namespace vexrun::win32
