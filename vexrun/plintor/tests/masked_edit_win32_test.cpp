// plintor's masked edit box on Windows (its subclassed EDIT) takes keys,
// Delete, cut and paste only through its mask.
#include <cstring>

#include "vexrun/kernel/win32/tests/win32_control_fixture.h"
#include "vexrun/plintor/masked_edit_win32.h"

namespace vexrun::win32 {
namespace {

using plintor::createMaskedEditControl;

TEST_F(Win32Controls, MaskedBoxTakesKeysDeleteCutAndPasteThroughItsMask) {
    image::MaskedEditSettings s;
    s.mask = "00:00:00,000;1;_";
    s.initialText = "  :  :  ,   ";
    auto box = make(vx::kKindMaskedEditBox, image::encodeMaskedEditSettings(s), 120, createMaskedEditControl);
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

}  // namespace
}  // namespace vexrun::win32
