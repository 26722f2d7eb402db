// The native controls in this process: an edit box keeps the bytes it was
// given and encodes a user's edit back in their encoding, and selects all on
// Ctrl+A; the masked edit box
// (plintor's subclassed EDIT) takes keys, Delete, cut and paste only through
// its mask; a click on a button raises its event.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/win32_text.h"
#include "vexrun/plintor/masked_edit_win32.h"

namespace vexrun::win32 {
namespace {

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
    void fileDropped(uint32_t, uint32_t, HWND, std::string) override {}
    std::string askSavePath(const std::string&) override { return {}; }
    void showMessage(std::string_view) override {}
};

class Win32Controls : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    std::unique_ptr<Control> make(uint32_t kind, std::vector<uint8_t> extension, int width = 120) {
        element_.id = 0x1234;
        element_.kind = kind;
        element_.left = 4;
        element_.top = 4;
        element_.width = width;
        element_.height = 22;
        element_.extension = std::move(extension);
        ControlContext context{&host_, 1, &element_, parent_};
        std::string error;
        Control* c = vx::kindLibraryNumber(kind) == 1 ? builtinKind(kind)->create(context, error)
                                                      : plintor::createMaskedEditControl(context, error);
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

TEST_F(Win32Controls, EditBoxKeepsItsBytesAndEncodesAnEditBackAsTheyCame) {
    image::EditBoxSettings s;
    s.multiLine = true;
    s.text = "\xB5\xF7\xBD\xDA";  // GBK
    auto box = make(vx::kKindEditBox, image::encodeEditBoxSettings(s));
    EXPECT_EQ(windowText(box->window()), u"调节");
    // Bytes that are no text at all, and lone LF line ends, come back unchanged.
    const std::string odd = "a\n\xFF\x81\nb";
    box->setTextProperty(vx::kPropEditText, odd);
    EXPECT_EQ(box->textProperty(vx::kPropEditText), odd);
    // A user's edit of a UTF-8 text stays UTF-8; of a GBK text, GBK.
    using Case = std::pair<std::string, std::string>;
    for (const auto& [given, expected] : {Case{"\xE8\xB0\x83", "\xE8\xB0\x83\xE8\x8A\x82"},
                                          Case{"\xB5\xF7", "\xB5\xF7\xBD\xDA"}}) {
        box->setTextProperty(vx::kPropEditText, given);
        SendMessageW(box->window(), EM_SETSEL, 10, 10);
        SendMessageW(box->window(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"节"));
        box->command(EN_CHANGE);
        EXPECT_EQ(box->textProperty(vx::kPropEditText), expected);
    }
    // Each line end stays as it came through an edit (the EDIT shows CR LF);
    // a line typed in ends as the first line does.
    box->setTextProperty(vx::kPropEditText, "1\n2\r3\n");
    SendMessageW(box->window(), EM_SETSEL, 12, 12);
    SendMessageW(box->window(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"4\r\n"));
    box->command(EN_CHANGE);
    SendMessageW(box->window(), EM_SETSEL, 0, 0);
    SendMessageW(box->window(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"0\r\n"));
    box->command(EN_CHANGE);
    EXPECT_EQ(box->textProperty(vx::kPropEditText), "0\n1\n2\r3\n4\n");
    // Ctrl+A selects the whole text, to be copied out (and so does it in a label).
    image::LabelSettings l;
    l.caption = "x = 1.125";
    auto label = make(vx::kKindLabel, image::encodeLabelSettings(l));
    for (HWND w : {box->window(), label->window()}) {
        SendMessageW(w, EM_SETSEL, 1, 1);
        type(w, u"\x01");
        DWORD from = 99, to = 0;
        SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, DWORD(GetWindowTextLengthW(w)));
        EXPECT_GT(to, 0u);
    }
}

TEST_F(Win32Controls, TheFirstTypedTextReplacesAMultiLineBoxsHint) {
    image::EditBoxSettings s;
    s.multiLine = true;
    s.text = "hint...";
    auto box = make(vx::kKindEditBox, image::encodeEditBoxSettings(s));
    SendMessageW(box->window(), EM_SETSEL, 4, 4);
    type(box->window(), u"ab");
    box->command(EN_CHANGE);
    EXPECT_EQ(box->textProperty(vx::kPropEditText), "ab");
}

TEST_F(Win32Controls, MaskedBoxTakesKeysDeleteCutAndPasteThroughItsMask) {
    image::MaskedEditSettings s;
    s.mask = "00:00:00,000;1;_";
    s.initialText = "  :  :  ,   ";
    auto box = make(vx::kKindMaskedEditBox, image::encodeMaskedEditSettings(s));
    HWND w = box->window();
    EXPECT_EQ(windowText(w), u"__:__:__,___");
    SendMessageW(w, EM_SETSEL, 0, 0);
    type(w, u"12x3");  // x fits no position; the literal ':' is stepped over
    EXPECT_EQ(box->textProperty(vx::kPropMaskedText), "12:3 :  ,   ");
    type(w, u"\b");
    EXPECT_EQ(windowText(w), u"12:__:__,___");
    SendMessageW(w, EM_SETSEL, 0, 0);
    SendMessageW(w, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(box->textProperty(vx::kPropMaskedText), " 2:  :  ,   ");

    // Paste places a time field by field; cut blanks what it copied.
    ASSERT_TRUE(OpenClipboard(w));
    EmptyClipboard();
    const wchar_t clip[] = L"41:17,500";
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof clip);
    memcpy(GlobalLock(data), clip, sizeof clip);
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
    SendMessageW(w, WM_PASTE, 0, 0);
    EXPECT_EQ(box->textProperty(vx::kPropMaskedText), "00:41:17,500");
    SendMessageW(w, EM_SETSEL, 3, 5);
    SendMessageW(w, WM_CUT, 0, 0);
    EXPECT_EQ(box->textProperty(vx::kPropMaskedText), "00:  :17,500");
    // Undo would change the text behind the mask's back.
    SendMessageW(w, WM_UNDO, 0, 0);
    EXPECT_EQ(box->textProperty(vx::kPropMaskedText), "00:  :17,500");
}

TEST_F(Win32Controls, ButtonAndCheckBoxRaiseEvent0AndTheBoxKeepsItsState) {
    image::ButtonSettings b;
    b.caption = "\xB5\xF7\xBD\xDA";
    auto button = make(vx::kKindButton, image::encodeButtonSettings(b));
    EXPECT_EQ(windowText(button->window()), u"调节");
    button->command(BN_CLICKED);
    image::CheckBoxSettings c;
    c.caption = "x";
    c.checked = true;
    auto box = make(vx::kKindCheckBox, image::encodeCheckBoxSettings(c));
    EXPECT_EQ(box->integerProperty(vx::kPropCheckState), 1);
    box->setIntegerProperty(vx::kPropCheckState, 0);
    EXPECT_EQ(box->integerProperty(vx::kPropCheckState), 0);
    ASSERT_EQ(host_.events.size(), 1u);
    EXPECT_EQ(host_.events[0], std::make_pair(uint32_t(0x1234), int32_t(vx::kEventClicked)));
}

}  // namespace
}  // namespace vexrun::win32
