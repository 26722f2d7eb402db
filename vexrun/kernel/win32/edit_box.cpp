// The edit box (kind 1:5): an EDIT, one line or several. Its text keeps the
// exact bytes it was given until the user edits it; an edit is encoded back
// in the encoding those bytes came in, with the text's own line ends in a
// multi-line box (the EDIT shows every break as CR LF). A multi-line box's
// initial text from the window record is a hint: the user's first paste or
// typed text replaces it. A multi-line box dropped texts are not read into
// offers "save as" (its menu, Ctrl+S: text_saving.h).
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <optional>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/dropped_files.h"
#include "vexrun/kernel/core/text_saving.h"
#include "vexrun/kernel/text/line_ends.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/control_window.h"
#include "vexrun/kernel/win32/win32_clipboard.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

// A multi-line box's own keys: while it shows its hint, typed text and a
// paste replace the hint; a paste over the whole text keeps its line ends.
constexpr UINT_PTR kMultiLineSubclass = 0x5E1B;

class EditBoxControl : public Control {
public:
    EditBoxControl(const image::EditBoxSettings& s, const ControlContext& context)
        : host_(context.host), multiLine_(s.multiLine) {
        DWORD style = ES_NOHIDESEL;
        if (s.multiLine) {
            style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
            if (s.scrollBars & 1u) style |= WS_HSCROLL | ES_AUTOHSCROLL;
            if (s.scrollBars & 2u) style |= WS_VSCROLL;
        } else {
            style |= ES_AUTOHSCROLL;
        }
        window_ = createChild(L"EDIT", style, WS_EX_CLIENTEDGE, context);
        selectAllOnCtrlA(window_);
        if (multiLine_) SetWindowSubclass(window_, multiLineProc, kMultiLineSubclass, reinterpret_cast<DWORD_PTR>(this));
        SendMessageW(window_, EM_SETLIMITTEXT, 0, 0);  // as long as memory allows
        // Narrow margins: the layout's boxes are tight ("1.00000000" in 72 pixels).
        SendMessageW(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
        colours_.hasBackground = colourFromRecord(s.backgroundColour, colours_.background);
        setText(s.text, text::Encoding::Gbk, /*hint=*/true);
    }

    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t property) const override {
        switch (property) {
            case vx::kPropEditDisabled: return PropertyType::Integer;
            case vx::kPropEditText: return PropertyType::Text;
            default: return PropertyType::Unknown;
        }
    }
    int32_t integerProperty(uint32_t) const override { return IsWindowEnabled(window_) ? 0 : 1; }
    void setIntegerProperty(uint32_t, int32_t value) override { EnableWindow(window_, value == 0); }
    std::string textProperty(uint32_t) const override { return bytes(); }
    void setTextProperty(uint32_t, std::string_view bytes) override { setText(bytes, text::detectEncoding(bytes)); }
    std::string contentBytes() const override { return bytes(); }
    ControlColours colours() const override { return colours_; }
    void command(int code) override {
        if (code != EN_CHANGE || setting_) return;
        edited_ = true;
        hint_ = false;
        if (ends_.mixed()) {
            // Only a text with line ends of more than one kind follows each
            // edit: a text of one kind takes that kind everywhere.
            std::u16string now = windowText(window_);
            ends_.edited(shown_, now);
            shown_ = std::move(now);
        }
    }
    bool pasteText(std::u16string_view pasted) override {
        std::u16string shown(pasted);
        if (multiLine_) {
            ends_ = text::KeptLineEnds(pasted);
            shown = text::withCrLfBreaks(shown);
            shown_ = ends_.mixed() ? shown : std::u16string();
        }
        setting_ = true;
        SendMessageW(window_, EM_SETSEL, 0, -1);
        SendMessageW(window_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(shown)));
        setting_ = false;
        edited_ = true;
        hint_ = false;
        boxTextReplaced(window_);  // no longer the text of a dropped file
        return true;
    }
    bool saveAs() override {
        if (!multiLine_ || !host_ || host_->isInputBox(window_)) return false;
        const std::string path = host_->askSavePath(proposedSavePathNow());
        if (path.empty()) return true;
        if (std::optional<std::string> problem = saveBoxText(path, bytes())) host_->showMessage(*problem);
        return true;
    }

private:
    void setText(std::string_view bytes, text::Encoding encoding, bool hint = false) {
        bytes_.assign(bytes);
        encoding_ = encoding;
        std::u16string shown = text::decode(bytes_, encoding_);
        if (multiLine_) {
            ends_ = text::KeptLineEnds(shown);
            shown = text::withCrLfBreaks(shown);
            shown_ = ends_.mixed() ? shown : std::u16string();
        }
        setting_ = true;
        SetWindowTextW(window_, wide(shown));
        setting_ = false;
        edited_ = false;
        hint_ = hint && multiLine_ && !bytes_.empty();
    }
    // The bytes of the text: as given, or the user's edit encoded back.
    std::string bytes() const {
        if (edited_) {
            const std::u16string now = windowText(window_);
            bytes_ = text::encode(multiLine_ ? ends_.apply(now) : now, encoding_);
            edited_ = false;
        }
        return bytes_;
    }

    // True when the selection covers the whole text.
    bool wholeSelected() const {
        DWORD from = 0, to = 0;
        SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return from == 0 && int(to) >= GetWindowTextLengthW(window_);
    }

    static LRESULT CALLBACK multiLineProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<EditBoxControl*>(data);
        const bool typed = message == WM_CHAR && (wp >= 0x20 || wp == u'\r');
        if ((typed || message == WM_PASTE) && self->hint_) {
            SendMessageW(window, EM_SETSEL, 0, -1);
            self->hint_ = false;
        }
        if (message == WM_PASTE && (GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) == 0 && self->wholeSelected()) {
            const std::u16string clip = clipboardUnicodeText(window);
            if (!clip.empty()) {
                self->pasteText(clip);
                return 0;
            }
        }
        if (message == WM_CONTEXTMENU && self->host_ && !self->host_->isInputBox(window)) {
            self->contextMenu(lp);
            return 0;
        }
        if (message == WM_NCDESTROY) RemoveWindowSubclass(window, multiLineProc, kMultiLineSubclass);
        return DefSubclassProc(window, message, wp, lp);
    }

    // The EDIT's own menu, and "save as" below it.
    void contextMenu(LPARAM at) {
        enum Item : UINT { Undo = 1, Cut, Copy, Paste, Delete, SelectAll, SaveAs };
        DWORD from = 0, to = 0;
        SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        const bool selected = to > from;
        const bool readOnly = (GetWindowLongPtrW(window_, GWL_STYLE) & ES_READONLY) != 0;
        HMENU menu = CreatePopupMenu();
        auto add = [menu](UINT id, const wchar_t* text, bool enabled) {
            AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), id, text);
        };
        add(Undo, L"撤销(&U)", !readOnly && SendMessageW(window_, EM_CANUNDO, 0, 0));
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(Cut, L"剪切(&T)", !readOnly && selected);
        add(Copy, L"复制(&C)", selected);
        add(Paste, L"粘贴(&P)", !readOnly && IsClipboardFormatAvailable(CF_UNICODETEXT));
        add(Delete, L"删除(&D)", !readOnly && selected);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(SelectAll, L"全选(&A)", GetWindowTextLengthW(window_) > 0);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(SaveAs, L"另存为…(&S)", true);
        POINT p{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        if (at == LPARAM(-1)) {  // from the keyboard: at the box's corner
            p = POINT{0, 0};
            ClientToScreen(window_, &p);
        }
        SetFocus(window_);
        const UINT picked = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, window_, nullptr));
        DestroyMenu(menu);
        switch (picked) {
            case Undo: SendMessageW(window_, WM_UNDO, 0, 0); break;
            case Cut: SendMessageW(window_, WM_CUT, 0, 0); break;
            case Copy: SendMessageW(window_, WM_COPY, 0, 0); break;
            case Paste: SendMessageW(window_, WM_PASTE, 0, 0); break;
            case Delete: SendMessageW(window_, WM_CLEAR, 0, 0); break;
            case SelectAll: SendMessageW(window_, EM_SETSEL, 0, -1); break;
            case SaveAs: saveAs(); break;
            default: break;
        }
    }

    ControlHost* host_;
    HWND window_ = nullptr;
    bool multiLine_;
    ControlColours colours_;
    mutable std::string bytes_;
    mutable bool edited_ = false;
    bool setting_ = false;
    bool hint_ = false;
    text::KeptLineEnds ends_;
    std::u16string shown_;  // the EDIT's text while ends_ is mixed
    text::Encoding encoding_ = text::Encoding::Gbk;
};

}  // namespace

Control* createEditBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeEditBoxSettings(c.element->extension);
    if (!s) return unreadableSettings("edit box", *c.element, error);
    return new EditBoxControl(*s, c);
}

}  // namespace vexrun::win32
