// The label (kind 1:10): a borderless read-only EDIT, so that its caption
// can be selected and copied, as a result that is to be carried into another
// box. Its caption always shows whole: a caption wider than the label gets a
// smaller size of the font.
#include <algorithm>
#include <map>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/text/line_ends.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/control_window.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {
namespace {

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
        selectAllOnCtrlA(window_);
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

}  // namespace

Control* createLabel(const ControlContext& c, std::string& error) {
    auto s = image::decodeLabelSettings(c.element->extension);
    if (!s) return unreadableSettings("label", *c.element, error);
    return new LabelControl(*s, c);
}

}  // namespace vexrun::win32
