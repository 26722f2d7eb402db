// What both window layers do alike with the windows they build from the
// window record, apart from any toolkit: finding a window in the record,
// the kind that makes each control, the table of a window's controls by
// element, id and name, the controls' numbered properties and the handlers
// their events are bound to. Each layer keeps what touches its toolkit:
// making the windows and widgets, placing them, their own events.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image/window_record.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/control_events.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/support_library.h"

namespace vexrun {

// "0x0000ABCD", as messages name ids and kind words.
std::string hex32(uint32_t v);

// The window `windowId` of the program's window record, read from its form
// section into `record` on first use, and its window element's settings.
// What cannot be read ends the program with a message naming it.
struct WindowToBuild {
    const image::Window* window;
    const image::Element* self;  // the window element, first of the window
    image::WindowSettings settings;
};
WindowToBuild windowToBuild(std::optional<image::WindowRecord>& record, std::span<const uint8_t> form,
                            uint32_t windowId);

// Every support library (by library-table position) that serves a window
// layer is checked to be built for this one (`abi`) and attached to `host`.
template <class Windowing, class Host>
void attachWindowing(std::span<const SupportLibrary* const> libraries, uint32_t abi, Host* host) {
    for (const SupportLibrary* lib : libraries) {
        if (!lib || !lib->windowing) continue;
        const auto* windowing = static_cast<const Windowing*>(lib->windowing);
        if (windowing->abi != abi) {
            fatalError(std::string("support library ") + lib->name + " was built for another window layer (version " +
                       std::to_string(windowing->abi) + ", this is " + std::to_string(abi) + ")");
        }
        if (windowing->attach) windowing->attach(host);
    }
}

// What a layer keeps of one window it built: the controls by element index
// ([0] stands for the window element itself), their kinds' names, and the
// element indices by control id and by UTF-8 name. A layer's own window
// derives from it; its members go after these, so that a layer's widgets go
// before the controls that drive them.
template <class Control>
struct BuiltWindow {
    uint32_t id = 0;
    const image::Window* record = nullptr;
    std::vector<std::unique_ptr<Control>> controls;
    std::vector<std::string> kindNames;
    std::map<uint32_t, size_t> byId;
    std::map<std::string, size_t, std::less<>> byName;
    bool goingAway = false;  // its "going away" handler is on its way

    // Starts the table with the window element.
    void start(uint32_t windowId, const image::Window& window) {
        id = windowId;
        record = &window;
        controls.emplace_back();
        kindNames.emplace_back("window");
        byId[window.elements[0].id] = 0;
    }

    // Makes the control of the next element with the kind its kind word
    // names: one of the layer's own (library 1, `builtin` or nullptr) or of
    // the support library at that library-table position. `name` is the
    // element's name in UTF-8; `context` what the kind's factory gets.
    template <class Windowing, class BuiltinKind, class Context>
    Control& make(std::string name, const BuiltinKind* builtin, std::span<const SupportLibrary* const> libraries,
                  const Context& context) {
        const size_t index = controls.size();
        const image::Element& e = record->elements[index];
        if (byId.count(e.id)) fatalError("window " + hex32(id) + " holds control " + hex32(e.id) + " twice");
        const char* kindName = nullptr;
        Control* (*create)(const Context&, std::string&) = nullptr;
        const uint32_t library = vx::kindLibraryNumber(e.kind);
        if (library == 1) {
            if (!builtin) fatalError("control " + name + " is of kind " + hex32(e.kind) + ", which is not known");
            kindName = builtin->name;
            create = builtin->create;
        } else {
            const SupportLibrary* lib = library >= 1 && library - 1 < libraries.size() ? libraries[library - 1] : nullptr;
            if (!lib) {
                fatalError("control " + name + " is of kind " + hex32(e.kind) + " of library " +
                           std::to_string(library) + ", which is not loaded");
            }
            if (lib->windowing) {
                for (const auto& k : static_cast<const Windowing*>(lib->windowing)->kindList()) {
                    if (k.kindNumber == vx::kindNumber(e.kind)) {
                        kindName = k.name;
                        create = k.create;
                    }
                }
            }
            if (!create) {
                fatalError("control " + name + " is of kind " + hex32(e.kind) + ", which support library " +
                           lib->name + " does not provide");
            }
        }
        std::string error;
        Control* made = create(context, error);
        if (!made) fatalError("cannot make control " + name + ": " + error);
        controls.emplace_back(made);
        kindNames.emplace_back(kindName);
        byId[e.id] = index;
        byName.emplace(std::move(name), index);
        return *made;
    }
};

// The windows a layer has built, by window id (`Window` derives from
// BuiltWindow<Control>), with the lookups the kernel's calls need; a call
// naming what is not there ends the program with a message naming it.
template <class Window, class Control>
class WindowTable {
public:
    using Map = std::map<uint32_t, std::unique_ptr<Window>>;

    Window& add(std::unique_ptr<Window> window) {
        Window& w = *window;
        windows_[w.id] = std::move(window);
        return w;
    }
    bool empty() const { return windows_.empty(); }
    void clear() { windows_.clear(); }
    typename Map::const_iterator begin() const { return windows_.begin(); }
    typename Map::const_iterator end() const { return windows_.end(); }

    Window* find(uint32_t windowId) const {
        auto it = windows_.find(windowId);
        return it == windows_.end() ? nullptr : it->second.get();
    }
    // The first window built, or nullptr.
    Window* first() const { return windows_.empty() ? nullptr : windows_.begin()->second.get(); }

    Window& window(uint32_t windowId, const char* what) const {
        Window* w = find(windowId);
        if (!w) fatalError(std::string(what) + ": window " + hex32(windowId) + " is not loaded");
        return *w;
    }

    // A control of a window (not the window element itself).
    Control& controlOf(uint32_t windowId, uint32_t controlId, const char* what) const {
        const Window& w = window(windowId, what);
        auto it = w.byId.find(controlId);
        if (it == w.byId.end() || it->second == 0) {
            fatalError(std::string(what) + ": window " + hex32(windowId) + " has no control " + hex32(controlId));
        }
        return *w.controls[it->second];
    }

    // Any element's control (nullptr for the window element or none).
    Control* control(uint32_t windowId, uint32_t controlId) const {
        const Window* w = find(windowId);
        if (!w) return nullptr;
        auto it = w->byId.find(controlId);
        return it == w->byId.end() ? nullptr : w->controls[it->second].get();
    }

    // "button 按钮1 (0x16010005)" in messages.
    std::string describe(uint32_t windowId, uint32_t controlId) const {
        if (const Window* w = find(windowId)) {
            if (auto it = w->byId.find(controlId); it != w->byId.end()) {
                for (const auto& [name, index] : w->byName) {
                    if (index == it->second) return w->kindNames[index] + " " + name + " (" + hex32(controlId) + ")";
                }
            }
        }
        return "control " + hex32(controlId);
    }

    // The control of that UTF-8 name in any window, and the window.
    std::pair<Window*, size_t> named(std::string_view name) const {
        for (const auto& [id, w] : windows_) {
            auto it = w->byName.find(name);
            if (it != w->byName.end()) return {w.get(), it->second};
        }
        return {nullptr, 0};
    }

    // The code offset of the handler bound to an element's event, if any.
    std::optional<uint32_t> handlerFor(uint32_t windowId, uint32_t elementId, int32_t event) const {
        const Window* w = find(windowId);
        if (!w) return std::nullopt;
        auto it = w->byId.find(elementId);
        if (it == w->byId.end()) return std::nullopt;
        return image::handlerFor(w->record->elements[it->second], event);
    }

    // A control's numbered property: an integer, or its text as a fresh
    // kernel block (the caller frees it).
    uint64_t getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) const {
        Control& c = controlOf(windowId, controlId, "getting a control property");
        switch (c.propertyType(property)) {
            case PropertyType::Integer: return uint32_t(c.integerProperty(property));
            case PropertyType::Text: return reinterpret_cast<uint64_t>(newText(c.textProperty(property)));
            case PropertyType::Unknown: break;
        }
        fatalError("getting a control property: " + describe(windowId, controlId) + " has no property " +
                   std::to_string(property));
    }

    // `value` is the whole 64-bit value: an address for a text, copied.
    void setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) const {
        Control& c = controlOf(windowId, controlId, "setting a control property");
        switch (c.propertyType(property)) {
            case PropertyType::Integer: c.setIntegerProperty(property, int32_t(uint32_t(value))); return;
            case PropertyType::Text: c.setTextProperty(property, textView(reinterpret_cast<const char*>(value))); return;
            case PropertyType::Unknown: break;
        }
        fatalError("setting a control property: " + describe(windowId, controlId) + " has no property " +
                   std::to_string(property));
    }

private:
    Map windows_;
};

}  // namespace vexrun
