// A window system that records what the core asked of it.
#pragma once

#include <string>

#include "vexrun/kernel/gui_backend.h"

namespace coretest {

class FakeGuiBackend : public vexrun::GuiBackend {
public:
    std::string clipboard;
    int32_t messageResult = 0;
    int32_t handle = 0;
    std::string messageText, messageCaption;
    uint32_t handleWindow = 0, handleControl = 0;
    int shutdowns = 0;
    int messageBoxes = 0;

    int32_t loadWindow(uint32_t) override { return 1; }
    int32_t runMessageLoop() override { return 0; }
    uint64_t getProperty(uint32_t, uint32_t, uint32_t) override { return 0; }
    void setProperty(uint32_t, uint32_t, uint32_t, uint64_t) override {}
    std::string clipboardText() override { return clipboard; }
    int32_t messageBox(std::string_view text, int32_t, std::string_view caption) override {
        ++messageBoxes;
        messageText = text;
        messageCaption = caption;
        return messageResult;
    }
    int32_t windowHandle(uint32_t windowId, uint32_t controlId) override {
        handleWindow = windowId;
        handleControl = controlId;
        return handle;
    }
    void shutdown() override { ++shutdowns; }
};

}  // namespace coretest
