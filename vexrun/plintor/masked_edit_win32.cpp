// The masked edit box (kind 2:9) on Win32: an EDIT control subclassed so that
// every change goes through its edit mask. It shows the mask's display text;
// a handler reads and writes the text of property 18. Typing overwrites at
// the cursor and steps over literals; Backspace, Delete, cut and paste go
// through the mask; undo and the context menu (which would change the text
// behind the mask's back) are not offered.
#include "vexrun/plintor/masked_edit_win32.h"

#include <commctrl.h>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/win32_clipboard.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace plintor {
namespace {

constexpr UINT_PTR kMaskSubclass = 0x9A5C;
constexpr int kEditMargins = 2 * 2 + 1;  // the EDIT's own margins and the caret

std::u16string shown(const std::string& bytes) { return std::u16string(bytes.begin(), bytes.end()); }

class MaskedEditControl : public vexrun::win32::Control {
public:
    MaskedEditControl(EditMask mask, const image::MaskedEditSettings& s, HWND window)
        : window_(window), text_(std::move(mask)) {
        colours_.hasText = vexrun::win32::colourFromRecord(s.textColour, colours_.text);
        colours_.hasBackground = vexrun::win32::colourFromRecord(s.backgroundColour, colours_.background);
        SetWindowSubclass(window_, &MaskedEditControl::proc, kMaskSubclass, reinterpret_cast<DWORD_PTR>(this));
        text_.set(s.initialText);
        fitFont(s.font);
        refresh(0);
    }
    ~MaskedEditControl() override { font_ && DeleteObject(font_); }

    HWND window() const override { return window_; }
    vexrun::PropertyType propertyType(uint32_t property) const override {
        return property == vx::kPropMaskedText ? vexrun::PropertyType::Text : vexrun::PropertyType::Unknown;
    }
    std::string textProperty(uint32_t) const override { return text_.read(); }
    void setTextProperty(uint32_t, std::string_view bytes) override { setWhole(bytes); }
    std::string contentBytes() const override { return text_.read(); }
    vexrun::win32::ControlColours colours() const override { return colours_; }
    bool pasteText(std::u16string_view text) override {
        setWhole(ascii(text));
        return true;
    }

private:
    // Only ASCII fits a position of a mask.
    static std::string ascii(std::u16string_view text) {
        std::string out;
        for (char16_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
        return out;
    }

    void setWhole(std::string_view bytes) {
        text_.set(bytes);
        refresh(0);
    }

    // The record's font, narrowed just enough for the full display text to
    // show inside the box (the box widths of the layout are tight).
    void fitFont(const image::FontSettings& record) {
        RECT client{};
        GetClientRect(window_, &client);
        const std::u16string full = shown(text_.display());
        for (int percent = 100; percent >= 70; percent -= 5) {
            HFONT f = vexrun::win32::fontFromRecord(record, percent);
            if (font_) DeleteObject(font_);
            font_ = f;
            if (vexrun::win32::textWidth(f, full) <= client.right - kEditMargins) break;
        }
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }

    void refresh(size_t cursor) {
        const std::u16string text = shown(text_.display());
        DefSubclassProc(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        DefSubclassProc(window_, EM_SETSEL, cursor, cursor);
    }

    // The cursor, after blanking a selection if there is one.
    size_t cursorBlankingSelection() {
        DWORD from = 0, to = 0;
        DefSubclassProc(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        if (to > from) text_.blank(from, to);
        return from;
    }

    // Backspace and Delete: a selection is blanked; without one, the position
    // before or after the cursor.
    void removeOne(size_t (MaskedText::*remove)(size_t)) {
        DWORD from = 0, to = 0;
        DefSubclassProc(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        size_t cursor = from;
        if (to > from) {
            text_.blank(from, to);
        } else {
            cursor = (text_.*remove)(from);
        }
        refresh(cursor);
    }

    LRESULT message(UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CHAR: {
                const wchar_t c = wchar_t(wp);
                if (c == 0x08) {  // Backspace
                    removeOne(&MaskedText::backspace);
                    return 0;
                }
                if (c == 0x16) return message(WM_PASTE, 0, 0);   // Ctrl+V
                if (c == 0x18) return message(WM_CUT, 0, 0);     // Ctrl+X
                if (c == 0x03) return DefSubclassProc(window_, WM_COPY, 0, 0);  // Ctrl+C
                if (c == 0x01) {                                 // Ctrl+A
                    DefSubclassProc(window_, EM_SETSEL, 0, -1);
                    return 0;
                }
                if (c < 0x20 || c > 0x7E) return 0;  // no position takes it
                size_t cursor = cursorBlankingSelection();
                if (auto next = text_.type(cursor, char(c))) cursor = *next;
                refresh(cursor);
                return 0;
            }
            case WM_KEYDOWN:
                if (wp == VK_DELETE) {
                    removeOne(&MaskedText::removeNext);
                    return 0;
                }
                break;
            case WM_PASTE:
                setWhole(ascii(vexrun::win32::clipboardUnicodeText(window_)));
                return 0;
            case WM_CUT: {
                DefSubclassProc(window_, WM_COPY, 0, 0);
                const size_t cursor = cursorBlankingSelection();
                refresh(cursor);
                return 0;
            }
            case WM_CLEAR:
            case WM_UNDO:
            case EM_UNDO:
            case WM_CONTEXTMENU:
            case WM_DROPFILES:
                return 0;
            case WM_NCDESTROY:
                RemoveWindowSubclass(window_, &MaskedEditControl::proc, kMaskSubclass);
                break;
            default: break;
        }
        return DefSubclassProc(window_, msg, wp, lp);
    }

    static LRESULT CALLBACK proc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        try {
            return reinterpret_cast<MaskedEditControl*>(self)->message(msg, wp, lp);
        } catch (...) {
            return DefSubclassProc(window, msg, wp, lp);
        }
    }

    HWND window_;
    HFONT font_ = nullptr;
    MaskedText text_;
    vexrun::win32::ControlColours colours_;
};

}  // namespace

vexrun::win32::Control* createMaskedEditControl(const vexrun::win32::ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto settings = image::decodeMaskedEditSettings(e.extension);
    if (!settings) {
        error = "the settings of the masked edit box cannot be read";
        return nullptr;
    }
    auto mask = EditMask::parse(settings->mask, error);
    if (!mask) {
        error = "masked edit box: " + error;
        return nullptr;
    }
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, e.left, e.top, e.width,
                                  e.height, context.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        error = "the masked edit box's window cannot be made (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return new MaskedEditControl(std::move(*mask), *settings, window);
}

}  // namespace plintor
