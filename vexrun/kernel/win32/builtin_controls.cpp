// The kernel library's own controls on Win32: the edit box (kind 1:5, an
// EDIT, one line or several), the label (1:10, a borderless read-only EDIT,
// so that its caption can be selected and copied, as a result that is to be
// carried into another box; its caption always shows whole: a caption wider
// than the label gets a smaller size of the font), the button (1:11), the check box (1:12), the shape box (1:7, a
// horizontal or vertical line) and the spin control (1:30, an up-down
// control). Texts keep the exact bytes they were given until the user edits
// them; an edit is encoded back in the encoding those bytes came in, with the
// text's own line ends in a multi-line box (the EDIT shows every break as
// CR LF). A multi-line box's initial text from the window record is a hint:
// the user's first paste or typed text replaces it. A multi-line box that
// takes no dropped files offers "save as" (its menu, Ctrl+S: text_saving.h).
#include "vexrun/kernel/win32/builtin_controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <map>
#include <optional>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/dropped_files.h"
#include "vexrun/kernel/core/text_saving.h"
#include "vexrun/kernel/text/line_ends.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/win32_clipboard.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

std::string elementName(const image::Element& e) {
    return text::encode(text::decode(e.name, text::Encoding::Gbk), text::Encoding::Utf8);
}

// Ctrl+A selects the whole text of an EDIT, as it does in every text box of
// the Qt layer; the system's classic EDIT ignores it.
constexpr UINT_PTR kSelectAllSubclass = 0x5E1A;

LRESULT CALLBACK selectAllProc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wp == 0x01) {
        SendMessageW(window, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, selectAllProc, kSelectAllSubclass);
    return DefSubclassProc(window, message, wp, lp);
}

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
        SetWindowSubclass(window_, selectAllProc, kSelectAllSubclass, 0);
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
        if (!multiLine_ || !host_ || host_->isDropZone(window_)) return false;
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
        if (message == WM_CONTEXTMENU && self->host_ && !self->host_->isDropZone(window)) {
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

// Smaller sizes of the control font, for captions that do not fit.
HFONT controlFontOfPixels(int pixels) {
    if (pixels >= kControlFontPixels) return controlFont();
    static std::map<int, HFONT> fonts;
    HFONT& f = fonts[pixels];
    if (!f) f = makeFont(controlFace(), pixels, FW_NORMAL, false, false, false, kControlFontStretchPercent);
    return f;
}

class LabelControl : public Control {
public:
    LabelControl(const image::LabelSettings& s, const ControlContext& context) {
        window_ = createChild(L"EDIT", ES_MULTILINE | ES_READONLY, 0, context);
        SetWindowSubclass(window_, selectAllProc, kSelectAllSubclass, 0);
        SendMessageW(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
        colours_.hasText = colourFromRecord(s.textColour, colours_.text);
        colours_.hasBackground = colourFromRecord(s.backgroundColour, colours_.background);
        setCaption(s.caption, text::Encoding::Gbk);
    }

    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t property) const override {
        switch (property) {
            case vx::kPropLabelVisible: return PropertyType::Integer;
            case vx::kPropLabelCaption: return PropertyType::Text;
            default: return PropertyType::Unknown;
        }
    }
    int32_t integerProperty(uint32_t) const override { return IsWindowVisible(window_) ? 1 : 0; }
    void setIntegerProperty(uint32_t, int32_t value) override { ShowWindow(window_, value ? SW_SHOWNA : SW_HIDE); }
    std::string textProperty(uint32_t) const override { return caption_; }
    void setTextProperty(uint32_t, std::string_view bytes) override { setCaption(bytes, text::detectEncoding(bytes)); }
    std::string contentBytes() const override { return caption_; }
    ControlColours colours() const override { return colours_; }

private:
    void setCaption(std::string_view bytes, text::Encoding encoding) {
        caption_.assign(bytes);
        const std::u16string shown = text::withCrLfBreaks(text::decode(caption_, encoding));
        RECT client{};
        GetClientRect(window_, &client);
        int pixels = kControlFontPixels;
        auto widest = [&shown](HFONT f) {
            int w = 0;
            size_t start = 0;
            while (start <= shown.size()) {
                size_t end = shown.find(u"\r\n", start);
                if (end == std::u16string::npos) end = shown.size();
                w = std::max(w, textWidth(f, std::u16string_view(shown).substr(start, end - start)));
                start = end + 2;
            }
            return w;
        };
        while (pixels > kSmallestFontPixels && widest(controlFontOfPixels(pixels)) > client.right) --pixels;
        HFONT font = controlFontOfPixels(pixels);
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowTextW(window_, wide(shown));
        // The lines stand in the middle of the label's height, as on Linux.
        const TEXTMETRICW tm = fontMetrics(font);
        size_t lines = 1;
        for (size_t at = shown.find(u'\n'); at != std::u16string::npos; at = shown.find(u'\n', at + 1)) ++lines;
        const LONG textHeight = LONG(lines) * tm.tmHeight;
        RECT area = client;
        area.top = std::max<LONG>(0, (client.bottom - textHeight) / 2);
        area.bottom = std::min<LONG>(client.bottom, area.top + textHeight);
        SendMessageW(window_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&area));
        InvalidateRect(window_, nullptr, TRUE);
    }

    HWND window_ = nullptr;
    ControlColours colours_;
    std::string caption_;
};

// A button or check box: a click raises event 0.
class ButtonControl : public Control {
public:
    ButtonControl(const std::string& caption, DWORD style, const ControlContext& context, uint32_t background)
        : host_(context.host), windowId_(context.windowId), id_(context.element->id), caption_(caption) {
        window_ = createChild(L"BUTTON", style, 0, context);
        SetWindowTextW(window_, wide(text::decode(caption_, text::Encoding::Gbk)));
        colours_.hasBackground = colourFromRecord(background, colours_.background);
    }

    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t property) const override {
        return checkBox() && property == vx::kPropCheckState ? PropertyType::Integer : PropertyType::Unknown;
    }
    int32_t integerProperty(uint32_t) const override {
        return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    }
    void setIntegerProperty(uint32_t, int32_t value) override {
        SendMessageW(window_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    std::string contentBytes() const override { return caption_; }
    ControlColours colours() const override { return colours_; }
    void command(int code) override {
        if (code == BN_CLICKED) host_->raiseEvent(windowId_, id_, vx::kEventClicked, EventArgs::none());
    }

private:
    bool checkBox() const { return (GetWindowLongPtrW(window_, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX; }

    ControlHost* host_;
    uint32_t windowId_, id_;
    HWND window_ = nullptr;
    std::string caption_;
    ControlColours colours_;
};

constexpr uint32_t kHorizontalLine = 6;
constexpr uint32_t kVerticalLine = 7;
constexpr wchar_t kLineClass[] = L"VexrunLine";

// A one-pixel line through the middle of its box; the window's user data
// holds its colour, and kVerticalBit for a vertical line.
constexpr LONG_PTR kVerticalBit = LONG_PTR(1) << 32;

LRESULT CALLBACK lineProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r{};
        GetClientRect(window, &r);
        const LONG_PTR data = GetWindowLongPtrW(window, GWLP_USERDATA);
        const bool vertical = data & kVerticalBit;
        const RECT line = vertical ? RECT{r.right / 2, 0, r.right / 2 + 1, r.bottom}
                                   : RECT{0, r.bottom / 2, r.right, r.bottom / 2 + 1};
        HBRUSH brush = CreateSolidBrush(COLORREF(data & 0xFFFFFF));
        FillRect(dc, &line, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcW(window, message, wp, lp);
}

class PlainControl : public Control {
public:
    explicit PlainControl(HWND window) : window_(window) {}
    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t) const override { return PropertyType::Unknown; }

protected:
    HWND window_;
};

// The up-down control: pressing up raises event 0 with 1, down with -1; its
// own position never moves.
class SpinControl : public PlainControl {
public:
    explicit SpinControl(const ControlContext& context)
        : PlainControl(createChild(UPDOWN_CLASSW, 0, 0, context)),
          host_(context.host), windowId_(context.windowId), id_(context.element->id) {
        SendMessageW(window_, UDM_SETRANGE32, 0, 100);
        SendMessageW(window_, UDM_SETPOS32, 0, 50);
    }
    LRESULT notify(const NMHDR* header) override {
        if (header->code != UDN_DELTAPOS) return 0;
        const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
        host_->raiseEvent(windowId_, id_, vx::kEventSpin, EventArgs::integers({change->iDelta > 0 ? 1 : -1}));
        return 1;  // the position stays
    }

private:
    ControlHost* host_;
    uint32_t windowId_, id_;
};

Control* failed(const char* kind, const image::Element& e, std::string& error) {
    error = std::string("the settings of ") + kind + " \"" + elementName(e) + "\" cannot be read";
    return nullptr;
}

Control* createEditBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeEditBoxSettings(c.element->extension);
    if (!s) return failed("edit box", *c.element, error);
    return new EditBoxControl(*s, c);
}
Control* createLabel(const ControlContext& c, std::string& error) {
    auto s = image::decodeLabelSettings(c.element->extension);
    if (!s) return failed("label", *c.element, error);
    return new LabelControl(*s, c);
}
Control* createButton(const ControlContext& c, std::string& error) {
    auto s = image::decodeButtonSettings(c.element->extension);
    if (!s) return failed("button", *c.element, error);
    return new ButtonControl(s->caption, BS_PUSHBUTTON, c, 0xFF000000u);
}
Control* createCheckBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeCheckBoxSettings(c.element->extension);
    if (!s) return failed("check box", *c.element, error);
    auto* box = new ButtonControl(s->caption, BS_AUTOCHECKBOX, c, s->backgroundColour);
    box->setIntegerProperty(vx::kPropCheckState, s->checked ? 1 : 0);
    return box;
}
Control* createShapeBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeShapeSettings(c.element->extension);
    if (!s || (s->shape != kHorizontalLine && s->shape != kVerticalLine)) {
        error = "the settings of shape box \"" + elementName(*c.element) +
                "\" cannot be read (a horizontal or vertical line)";
        return nullptr;
    }
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = lineProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kLineClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    colourFromRecord(s->lineColour, colour);
    HWND w = createChild(kLineClass, 0, 0, c);
    SetWindowLongPtrW(w, GWLP_USERDATA, LONG_PTR(colour) | (s->shape == kVerticalLine ? kVerticalBit : 0));
    return new PlainControl(w);
}
Control* createSpinControl(const ControlContext& c, std::string&) { return new SpinControl(c); }

constexpr BuiltinKind kKinds[] = {
    {vx::kKindEditBox, "edit box", &createEditBox},
    {vx::kKindLabel, "label", &createLabel},
    {vx::kKindButton, "button", &createButton},
    {vx::kKindCheckBox, "check box", &createCheckBox},
    {vx::kKindShapeBox, "shape box", &createShapeBox},
    {vx::kKindSpinControl, "spin control", &createSpinControl},
};

}  // namespace

const BuiltinKind* builtinKind(uint32_t kindWord) {
    for (const BuiltinKind& k : kKinds) {
        if (k.kindWord == kindWord) return &k;
    }
    return nullptr;
}

HWND createChild(const wchar_t* className, DWORD style, DWORD exStyle, const ControlContext& context) {
    const image::Element& e = *context.element;
    HWND w = CreateWindowExW(exStyle, className, L"", WS_CHILD | style, e.left, e.top, e.width, e.height,
                             context.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w) context.host->fail("cannot make the window of control \"" + elementName(e) + "\" (error " +
                               std::to_string(GetLastError()) + ")");
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont()), FALSE);
    return w;
}

}  // namespace vexrun::win32
