// What every window layer hands the program's event handlers, and the types
// of the numbered control properties. Window-system-free: the Qt and the
// Win32 layers share it, and so does the event dispatcher of the core.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <string>

namespace vexrun {

// The arguments an event hands its handler.
struct EventArgs {
    enum class Form : uint8_t {
        None,             // void()
        Integers,         // void(int32 ...), one to three of them
        TextByReference,  // void(char** text): a variable holding a text block
    };
    Form form = Form::None;
    uint32_t intCount = 0;
    int32_t ints[3] = {0, 0, 0};
    std::string text;  // TextByReference: the text's bytes

    static EventArgs none() { return {}; }
    static EventArgs integers(std::initializer_list<int32_t> values) {
        EventArgs a;
        a.form = Form::Integers;
        for (int32_t v : values) {
            if (a.intCount < 3) a.ints[a.intCount++] = v;
        }
        return a;
    }
    static EventArgs textByReference(std::string bytes) {
        EventArgs a;
        a.form = Form::TextByReference;
        a.text = std::move(bytes);
        return a;
    }
};

enum class PropertyType : uint8_t { Unknown, Integer, Text };

}  // namespace vexrun
