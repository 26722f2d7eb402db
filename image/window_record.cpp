// Reading and writing the window record of the "form" section, and the
// lookups the runtime makes in it.
#include "image/window_record.h"

#include "image/bounded_reader.h"
#include "image/byte_writer.h"
#include "image/gbk_text.h"
#include "image/hex_text.h"
#include "runtime/vexrun_interface.h"

namespace image {

const Window* WindowRecord::window(uint32_t windowId) const {
    for (const Window& w : windows) {
        if (w.id == windowId) return &w;
    }
    return nullptr;
}

const Element* findElement(const Window& window, uint32_t elementId) {
    for (const Element& e : window.elements) {
        if (e.id == elementId) return &e;
    }
    return nullptr;
}

std::optional<uint32_t> handlerFor(const Element& element, int32_t event) {
    for (const EventBinding& b : element.events) {
        if (b.event == event) return b.handlerOffset;
    }
    return std::nullopt;
}

bool isKnownKindWord(uint32_t kind) {
    switch (kind) {
        case vx::kKindWindow:
        case vx::kKindEditBox:
        case vx::kKindShapeBox:
        case vx::kKindLabel:
        case vx::kKindButton:
        case vx::kKindCheckBox:
        case vx::kKindSpinControl:
        case vx::kKindMaskedEditBox:
        case vx::kKindDropTarget:
            return true;
        default:
            return false;
    }
}

namespace {

template <size_t N>
bool readArray(BoundedReader& r, std::array<uint8_t, N>& out, std::string_view field) {
    std::span<const uint8_t> s;
    if (!r.bytes(N, s, field)) return false;
    std::copy(s.begin(), s.end(), out.begin());
    return true;
}

// No window can be larger than 32767 pixels, nor stand further out: a record
// beyond that is refused before anything is built from it. A control's far
// edge counts too, since the window grows to hold its controls.
constexpr int64_t kMostPixels = 32767;

bool checkGeometry(BoundedReader& r, const Element& e, size_t at) {
    struct Field {
        const char* name;
        int64_t value;
        size_t offset;
    };
    const Field fields[] = {
        {"left", e.left, at},
        {"top", e.top, at + 4},
        {"width", e.width, at + 8},
        {"height", e.height, at + 12},
        {"right edge (left + width)", int64_t(e.left) + e.width, at + 8},
        {"bottom edge (top + height)", int64_t(e.top) + e.height, at + 12},
    };
    for (const Field& f : fields) {
        if (f.value > kMostPixels || f.value < -kMostPixels) {
            const std::string who = e.name.empty() ? std::string("the window") : "control " + gbkForDisplay(e.name);
            return r.fail(f.name, f.offset,
                          who + ": " + std::to_string(f.value) + " pixels is beyond the " +
                              std::to_string(kMostPixels) + " a window can have");
        }
    }
    return true;
}

// The common part and the extension block of one element, inside its length.
bool readElement(BoundedReader& r, Element& e) {
    size_t kindAt = r.position();
    if (!r.u32(e.kind, "kind word")) return false;
    if (!isKnownKindWord(e.kind)) return r.fail("kind word", kindAt, "unknown kind word " + hexText8(e.kind));
    readArray(r, e.reserved1, "first reserved field");
    r.zeroEnded(e.name, "name");
    r.zeroEnded(e.secondText, "second text");
    r.u32(e.reserved2, "reserved word before the position");
    const size_t geometryAt = r.position();
    r.i32(e.left, "left");
    r.i32(e.top, "top");
    r.i32(e.width, "width");
    r.i32(e.height, "height");
    if (!r.failed() && !checkGeometry(r, e, geometryAt)) return false;
    r.u32(e.reserved3, "reserved word after the position");
    r.u32(e.reserved4, "second reserved word after the position");
    r.counted(e.byteStringA, "byte string A");
    r.counted(e.byteStringB, "byte string B");
    r.zeroEnded(e.thirdText, "third text");
    r.u32(e.reserved5, "reserved word before the state flags");
    r.u32(e.stateFlags, "state flags");
    r.u32(e.reserved6, "reserved word after the state flags");
    uint32_t count = 0;
    size_t countAt = r.position();
    if (!r.u32(count, "event count")) return false;
    if (count > r.remaining() / 8) {
        return r.fail("event count", countAt,
                      std::to_string(count) + " bindings run past the element's end " + hexText(r.end()));
    }
    e.events.resize(count);
    for (EventBinding& b : e.events) {
        r.i32(b.event, "event number");
        r.u32(b.handlerOffset, "handler code offset");
    }
    readArray(r, e.reserved7, "second reserved field");
    if (r.failed()) return false;
    std::span<const uint8_t> rest;
    r.bytes(r.remaining(), rest, "extension block");
    e.extension.assign(rest.begin(), rest.end());
    return true;
}

bool readBody(std::span<const uint8_t> bytes, BoundedReader& r, Window& w, const std::string& scope,
              RecordError& error) {
    r.setScope(scope);
    r.u32(w.headerValue0, "first body value");
    r.u32(w.headerValue1, "body id");
    r.counted(w.text1, "first body text");
    r.counted(w.text2, "second body text");
    uint32_t e = 0, s = 0;
    r.u32(e, "element count");
    size_t sAt = r.position();
    r.u32(s, "body length");
    if (r.failed()) {
        error.message = r.error();
        return false;
    }
    size_t p = r.position();
    if (s > r.remaining()) {
        r.fail("body length", sAt, std::to_string(s) + " bytes run past the section's end " + hexText(r.end()));
        error.message = r.error();
        return false;
    }
    size_t bodyEnd = p + s;
    BoundedReader body(bytes, p, bodyEnd, scope);
    if (e > s / 8) {
        body.fail("element count", sAt - 4, std::to_string(e) + " elements do not fit the body length " + hexText(s));
        error.message = body.error();
        return false;
    }
    std::vector<uint32_t> offsets(e);
    w.elements.resize(e);
    for (uint32_t i = 0; i < e; ++i) body.u32(w.elements[i].id, "element id");
    for (uint32_t i = 0; i < e; ++i) body.u32(offsets[i], "element offset");
    size_t area = body.position();
    uint64_t expected = 0;
    for (uint32_t i = 0; i < e; ++i) {
        Element& el = w.elements[i];
        std::string elementScope = scope + ", element " + std::to_string(i) + " (id " + hexText8(el.id) + ")";
        body.setScope(elementScope);
        if (offsets[i] != expected) {
            body.fail("element offset", area - 4 * (e - i),
                      "is " + hexText(offsets[i]) + ", but the elements before it end at " + hexText(expected));
            error.message = body.error();
            return false;
        }
        size_t start = area + offsets[i];
        BoundedReader head(bytes, start, bodyEnd, elementScope);
        uint32_t length = 0;
        if (!head.u32(length, "element length")) {
            error.message = head.error();
            return false;
        }
        if (length > head.remaining()) {
            head.fail("element length", start,
                      std::to_string(length) + " bytes run past the body's end " + hexText(bodyEnd));
            error.message = head.error();
            return false;
        }
        BoundedReader er(bytes, start + 4, start + 4 + length, elementScope);
        if (!readElement(er, el)) {
            error.message = er.error();
            return false;
        }
        expected += 4 + uint64_t(length);
    }
    if (area + expected != bodyEnd) {
        body.setScope(scope);
        body.fail("element area", area,
                  "the elements end at " + hexText(area + expected) + ", but the body ends at " + hexText(bodyEnd));
        error.message = body.error();
        return false;
    }
    if (e > 0 && w.elements[0].kind != vx::kKindWindow) {
        error.message = scope + ": element 0 has kind word " + hexText8(w.elements[0].kind) +
                        ", not the window's " + hexText8(vx::kKindWindow);
        return false;
    }
    r.skip(s, "body");
    return true;
}

}  // namespace

std::optional<WindowRecord> readWindowRecord(std::span<const uint8_t> bytes, RecordError& error) {
    BoundedReader r(bytes, 0, bytes.size(), "window record");
    uint32_t tableLength = 0;
    if (!r.u32(tableLength, "window table length")) {
        error.message = r.error();
        return std::nullopt;
    }
    if (tableLength % 8 != 0 || tableLength > r.remaining()) {
        r.fail("window table length", 0,
               hexText(tableLength) + " is not 8 per window inside the section (" + hexText(bytes.size()) + " bytes)");
        error.message = r.error();
        return std::nullopt;
    }
    WindowRecord record;
    record.windows.resize(tableLength / 8);
    for (Window& w : record.windows) r.u32(w.id, "window id");
    for (Window& w : record.windows) r.u32(w.furtherValue, "window value");
    for (size_t i = 0; i < record.windows.size(); ++i) {
        Window& w = record.windows[i];
        std::string scope = "window record, window " + std::to_string(i) + " (id " + hexText8(w.id) + ")";
        if (!readBody(bytes, r, w, scope, error)) return std::nullopt;
    }
    if (r.remaining() != 0) {
        r.setScope("window record");
        r.fail("end", r.position(), std::to_string(r.remaining()) + " bytes follow the last window body");
        error.message = r.error();
        return std::nullopt;
    }
    return record;
}

namespace {

void writeElement(ByteWriter& w, const Element& e) {
    size_t lengthAt = w.size();
    w.u32(0);  // the length, patched below
    w.u32(e.kind);
    w.bytes(e.reserved1);
    w.zeroEnded(e.name);
    w.zeroEnded(e.secondText);
    w.u32(e.reserved2);
    w.i32(e.left);
    w.i32(e.top);
    w.i32(e.width);
    w.i32(e.height);
    w.u32(e.reserved3);
    w.u32(e.reserved4);
    w.counted(e.byteStringA);
    w.counted(e.byteStringB);
    w.zeroEnded(e.thirdText);
    w.u32(e.reserved5);
    w.u32(e.stateFlags);
    w.u32(e.reserved6);
    w.u32(static_cast<uint32_t>(e.events.size()));
    for (const EventBinding& b : e.events) {
        w.i32(b.event);
        w.u32(b.handlerOffset);
    }
    w.bytes(e.reserved7);
    w.bytes(e.extension);
    w.patchU32(lengthAt, static_cast<uint32_t>(w.size() - lengthAt - 4));
}

}  // namespace

std::vector<uint8_t> writeWindowRecord(const WindowRecord& record) {
    ByteWriter w;
    w.u32(static_cast<uint32_t>(8 * record.windows.size()));
    for (const Window& win : record.windows) w.u32(win.id);
    for (const Window& win : record.windows) w.u32(win.furtherValue);
    for (const Window& win : record.windows) {
        w.u32(win.headerValue0);
        w.u32(win.headerValue1);
        w.counted(win.text1);
        w.counted(win.text2);
        w.u32(static_cast<uint32_t>(win.elements.size()));
        size_t lengthAt = w.size();
        w.u32(0);  // S, patched below
        ByteWriter area;
        std::vector<uint32_t> offsets;
        for (const Element& e : win.elements) {
            offsets.push_back(static_cast<uint32_t>(area.size()));
            writeElement(area, e);
        }
        for (const Element& e : win.elements) w.u32(e.id);
        for (uint32_t off : offsets) w.u32(off);
        w.bytes(area.data());
        w.patchU32(lengthAt, static_cast<uint32_t>(w.size() - lengthAt - 4));
    }
    return w.take();
}

}  // namespace image
