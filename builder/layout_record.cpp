#include "builder/layout_record.h"

#include "image/gbk_text.h"
#include "image/hex_text.h"
#include "runtime/vexrun_interface.h"

namespace image {
namespace {

struct Maker {
    const HandlerLookup& handlers;
    std::string& error;

    bool fail(const ui::ControlLayout& c, std::string what) {
        error = "window record: element " + (c.name.empty() ? std::string("of the window") : std::string(c.name)) +
                " (id " + hexText8(c.id) + "): " + std::move(what);
        return false;
    }

    bool gbk(const ui::ControlLayout& c, std::string_view utf8, std::string& out, const char* what) {
        std::optional<std::string> converted = utf8ToGbk(utf8);
        if (!converted) return fail(c, std::string("the ") + what + " has no GBK form");
        if (converted->find('\0') != std::string::npos) return fail(c, std::string("the ") + what + " holds a NUL");
        out = std::move(*converted);
        return true;
    }

    bool extension(const ui::ControlLayout& c, const WindowExtras& extras, std::vector<uint8_t>& out) {
        std::string text;
        if (!gbk(c, c.text, text, "text")) return false;
        switch (c.kind) {
            case vx::kKindWindow: {
                WindowSettings s;
                s.nameText = std::string(extras.nameText);
                s.icon = extras.icon;
                s.caption = text;
                out = encodeWindowSettings(s);
                return true;
            }
            case vx::kKindEditBox: {
                EditBoxSettings s;
                if (c.resultBoxSettings) {
                    s.variant = 5;
                    s.setting32 = 1;
                    s.setting36 = 1;
                }
                s.multiLine = c.multiLine;
                s.scrollBars = c.scrollBars;
                s.text = text;
                out = encodeEditBoxSettings(s);
                return true;
            }
            case vx::kKindLabel: {
                LabelSettings s;
                s.textColour = c.textColour;
                s.setting64 = c.hintLabelSetting ? 1 : 0;
                s.caption = text;
                out = encodeLabelSettings(s);
                return true;
            }
            case vx::kKindButton: {
                ButtonSettings s;
                s.caption = text;
                out = encodeButtonSettings(s);
                return true;
            }
            case vx::kKindCheckBox: {
                CheckBoxSettings s;
                s.emptyBlock = c.emptyExtension;
                if (s.emptyBlock && (c.checked || !c.text.empty())) {
                    return fail(c, "an empty extension block cannot hold a caption or a check mark");
                }
                s.checked = c.checked;
                s.caption = text;
                out = encodeCheckBoxSettings(s);
                return true;
            }
            case vx::kKindShapeBox: {
                ShapeSettings s;
                s.shape = c.shape;
                s.lineColour = c.lineColour;
                out = encodeShapeSettings(s);
                return true;
            }
            case vx::kKindSpinControl:
                out.clear();  // every setting has its default
                return true;
            case vx::kKindMaskedEditBox: {
                MaskedEditSettings s;
                if (!gbk(c, c.mask, s.mask, "edit mask")) return false;
                s.setting13 = c.maskedSetting;
                s.initialText = text;
                s.font.height = kMaskedBoxFontHeight;
                s.font.weight = kMaskedBoxFontWeight;
                s.font.charSet = kMaskedBoxFontCharSet;
                s.font.faceName = std::string(kMaskedBoxFontFace);
                out = encodeMaskedEditSettings(s);
                return true;
            }
            case vx::kKindDropTarget:
                out = encodeDropTargetSettings({});
                return true;
            default:
                return fail(c, "unknown kind word " + hexText8(c.kind));
        }
    }

    bool element(const ui::ControlLayout& c, const WindowExtras& extras, Element& e) {
        e.id = c.id;
        e.kind = c.kind;
        if (!gbk(c, c.name, e.name, "name")) return false;
        e.left = c.left;
        e.top = c.top;
        e.width = c.width;
        e.height = c.height;
        e.stateFlags = c.state;
        if (c.bindingCount < 0 || c.bindingCount > 2) {
            return fail(c, std::to_string(c.bindingCount) + " event bindings; an element has at most 2");
        }
        for (int i = 0; i < c.bindingCount; ++i) {
            const ui::Binding& b = c.bindings[i];
            std::optional<uint32_t> offset = handlers(b.handler);
            if (!offset) {
                return fail(c, "the handler " + std::string(b.handler) + " of event " + std::to_string(b.event) +
                                   " is not defined in the program's code");
            }
            e.events.push_back({b.event, *offset});
        }
        return extension(c, extras, e.extension);
    }
};

}  // namespace

std::optional<WindowRecord> recordFromLayout(std::span<const ui::ControlLayout> layout, const WindowExtras& extras,
                                             const HandlerLookup& handlers, std::string& error) {
    if (layout.empty() || layout[0].kind != vx::kKindWindow || !layout[0].name.empty()) {
        error = "window record: the layout does not begin with the window's own element";
        return std::nullopt;
    }
    Window w;
    w.id = extras.windowId;
    w.furtherValue = kWindowTableValue;
    w.headerValue0 = kWindowBodyValue;
    w.headerValue1 = kWindowBodyId;
    Maker maker{handlers, error};
    for (size_t i = 0; i < layout.size(); ++i) {
        const ui::ControlLayout& c = layout[i];
        if (i > 0 && (c.kind == vx::kKindWindow || c.name.empty())) {
            maker.fail(c, "a control must have a name and a control kind");
            return std::nullopt;
        }
        Element e;
        if (!maker.element(c, extras, e)) return std::nullopt;
        w.elements.push_back(std::move(e));
    }
    WindowRecord record;
    record.windows.push_back(std::move(w));
    return record;
}

}  // namespace image
