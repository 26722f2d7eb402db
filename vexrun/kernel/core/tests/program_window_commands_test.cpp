// The program's property and window commands (runtime/kernel_calls.h),
// hosted on the kernel core, reach the installed window system: the ids and
// property numbers in order, a text's whole address, a missing text as the
// constant empty text, and the window commands' arguments and results.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/tests/runtime_test_support.h"
#include "vexrun/kernel/gui_backend.h"

namespace {

using runtime_test::ProgramTest;
using runtime_test::newText;
using runtime_test::take;
using ::testing::ElementsAre;

// A window system that records what reaches it.
class RecordingWindows : public vexrun::GuiBackend {
public:
    int32_t loadWindow(uint32_t) override { return 0; }
    int32_t runMessageLoop() override { return 0; }
    uint64_t getProperty(uint32_t w, uint32_t c, uint32_t p) override {
        last = {w, c, p};
        if (p == vx::kPropEditText) return reinterpret_cast<uint64_t>(vexrun::newText("box text"));
        return 1;
    }
    void setProperty(uint32_t w, uint32_t c, uint32_t p, uint64_t value) override {
        last = {w, c, p};
        if (p == vx::kPropEditText) {
            setTexts.push_back(reinterpret_cast<const char*>(value));
            setAddresses.push_back(value);
        } else {
            setValues.push_back(value);
        }
    }
    std::string clipboardText() override { return "00:01:47,000"; }
    int32_t messageBox(std::string_view text, int32_t buttons, std::string_view caption) override {
        message = std::string(text) + "|" + std::to_string(buttons) + "|" + std::string(caption);
        return 1;
    }
    int32_t windowHandle(uint32_t w, uint32_t c) override {
        last = {w, c, 0};
        return 4711;
    }

    std::vector<uint32_t> last;
    std::vector<std::string> setTexts;
    std::vector<uint64_t> setAddresses;
    std::vector<uint64_t> setValues;
    std::string message;
};

class KernelCallsWithWindows : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        vexrun::setGuiBackend(&windows);
    }
    void TearDown() override {
        vexrun::setGuiBackend(nullptr);
        ProgramTest::TearDown();
    }
    RecordingWindows windows;
};

TEST_F(KernelCallsWithWindows, PropertiesReachTheControl) {
    EXPECT_EQ(take(prog::getText(VX_ID(52010001), VX_ID(16010002), vx::kPropEditText)), "box text");
    EXPECT_THAT(windows.last, ElementsAre(0x52010001u, 0x16010002u, 8u));
    EXPECT_EQ(prog::getInt(VX_ID(52010001), VX_ID(1601003A), vx::kPropCheckState), 1);
    EXPECT_THAT(windows.last, ElementsAre(0x52010001u, 0x1601003Au, 18u));

    // A text's whole 64-bit address arrives, split into its two halves and
    // joined again; a missing text arrives as the constant empty text.
    prog::Text t = newText("00:00:00,000");
    prog::setText(VX_ID(52010001), VX_ID(16010002), vx::kPropEditText, t);
    prog::setText(VX_ID(52010001), VX_ID(16010002), vx::kPropEditText, nullptr);
    EXPECT_THAT(windows.setAddresses,
                ElementsAre(reinterpret_cast<uint64_t>(t),
                            reinterpret_cast<uint64_t>(prog::constText(image::kConstEmptyText))));
    EXPECT_THAT(windows.setTexts, ElementsAre("00:00:00,000", ""));
    prog::setInt(VX_ID(52010001), VX_ID(16010002), vx::kPropEditDisabled, 1);
    prog::setInt(VX_ID(52010001), VX_ID(16010002), vx::kPropEditDisabled, -1);
    EXPECT_THAT(windows.setValues, ElementsAre(1u, 0xFFFFFFFFu));
    vxFree(t);
}

TEST_F(KernelCallsWithWindows, WindowCommands) {
    EXPECT_EQ(take(prog::clipboardText()), "00:01:47,000");
    EXPECT_EQ(prog::messageBox("\xD4\xB4", 0), 1);
    EXPECT_EQ(windows.message, "\xD4\xB4|0|");  // no caption of its own
    EXPECT_EQ(prog::windowHandle(VX_ID(52010001), VX_ID(16010002), VX_KIND(00010005)), 4711);
    EXPECT_THAT(windows.last, ElementsAre(0x52010001u, 0x16010002u, 0u));
}

}  // namespace
