// The native controls in this process: an edit box keeps the bytes it was
// given and encodes a user's edit back in their encoding, and selects all on
// Ctrl+A; a click on a button raises its event.
#include <string>
#include <vector>

#include "vexrun/kernel/win32/tests/win32_control_fixture.h"

namespace vexrun::win32 {
namespace {

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
