// Slot 3: the kernel commands, by offset. Each reads its arguments, works on
// byte strings and hands back a fresh block or a 32-bit / double result.
#include "vexrun/kernel/core/kernel_commands.h"

#include <stdio.h>
#include <string.h>

#include <math.h>

#include <new>
#include <optional>
#include <string>

#include "vexrun/kernel/core/command_arguments.h"
#include "vexrun/kernel/core/dropped_files.h"
#include "vexrun/kernel/core/file_reading.h"
#include "vexrun/kernel/core/platform.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/number_text.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/text_operations.h"
#include "vexrun/kernel/gui_backend.h"

namespace vexrun {
namespace {

struct CommandName {
    uint32_t offset;
    const char* name;
    const char* description;  // for messages
};
constexpr CommandName kCommandNames[] = {
    {vx::kCmdAbs, "absolute value", "kernel command 0x5c (absolute value)"},
    {vx::kCmdRound, "round", "kernel command 0x68 (round)"},
    {vx::kCmdTextLength, "text length", "kernel command 0x130 (text length)"},
    {vx::kCmdLeftText, "left part of a text", "kernel command 0x134 (left part of a text)"},
    {vx::kCmdFindText, "find text", "kernel command 0x148 (find text)"},
    {vx::kCmdFindTextFromEnd, "find text from the end", "kernel command 0x14c (find text from the end)"},
    {vx::kCmdTextToDouble, "text to double", "kernel command 0x164 (text to double)"},
    {vx::kCmdToText, "to text", "kernel command 0x168 (to text)"},
    {vx::kCmdReplacePart, "replace part of a text", "kernel command 0x17c (replace part of a text)"},
    {vx::kCmdSplitText, "split a text", "kernel command 0x190 (split a text)"},
    {vx::kCmdByteSetLength, "byte set length", "kernel command 0x194 (byte set length)"},
    {vx::kCmdTextToByteSet, "text to byte set", "kernel command 0x198 (text to byte set)"},
    {vx::kCmdLeftBytes, "left part of a byte set", "kernel command 0x1a0 (left part of a byte set)"},
    {vx::kCmdMiddleBytes, "middle of a byte set", "kernel command 0x1a8 (middle of a byte set)"},
    {vx::kCmdFindBytes, "find in a byte set", "kernel command 0x1ac (find in a byte set)"},
    {vx::kCmdFindBytesBackward, "find in a byte set backwards", "kernel command 0x1b0 (find in a byte set backwards)"},
    {vx::kCmdReadFile, "read a file", "kernel command 0x268 (read a file)"},
    {vx::kCmdClipboardText, "clipboard text", "kernel command 0x2c4 (clipboard text)"},
    {vx::kCmdMessageBox, "message box", "kernel command 0x300 (message box)"},
    {vx::kCmdWindowHandle, "window handle of a control", "kernel command 0x35c (window handle of a control)"},
    {vx::kCmdToInteger, "to integer", "kernel command 0x9dc (to integer)"},
};
static_assert(sizeof(kCommandNames) / sizeof(kCommandNames[0]) == 21, "the 21 kernel commands");

uint64_t integerResult(int32_t v) { return static_cast<uint32_t>(v); }
uint64_t doubleResult(double d) {
    uint64_t bits;
    memcpy(&bits, &d, 8);
    return bits;
}
uint64_t textResult(std::string_view s) { return reinterpret_cast<uint64_t>(newText(s)); }
uint64_t byteSetResult(std::string_view s) { return reinterpret_cast<uint64_t>(newByteSet(s)); }

std::optional<int32_t> optionalInteger(const CommandArguments& a, uint32_t i) {
    if (a.omitted(i)) return std::nullopt;
    return a.integer(i, 0);
}

uint64_t listOfTexts(const std::vector<std::string_view>& fields) {
    if (fields.size() > (UINT32_MAX - 8) / 8) fatalError("split a text: too many fields");
    return reinterpret_cast<uint64_t>(newTextList(fields));
}

std::string toText(const CommandArguments& a) {
    switch (a.tag(0)) {
        case vx::kTagOmitted: return {};
        case vx::kTagInteger: return std::to_string(a.integer(0, 0));
        case vx::kTagDouble: return formatDouble(a.number(0, 0));
        case vx::kTagLogical: return a.logical(0, false) ? "\xD5\xE6" : "\xBC\xD9";  // 真 / 假 in GBK
        case vx::kTagText:
        case vx::kTagByteSet: return std::string(a.text(0));
        default: a.wrongType(0, "a number, a logical, a text or a byte set");
    }
}

int32_t toInteger(const CommandArguments& a) {
    switch (a.tag(0)) {
        case vx::kTagText:
        case vx::kTagByteSet: return parseInteger(a.bytes(0));
        default: return a.integer(0, 0);
    }
}

GuiBackend& windowSystem(std::string_view what) {
    GuiBackend* gui = guiBackend();
    if (!gui) fatalError(std::string(what) + " needs a window system, and none is installed");
    return *gui;
}

const CommandName* commandAt(uint32_t offset) {
    for (const CommandName& c : kCommandNames) {
        if (c.offset == offset) return &c;
    }
    return nullptr;
}

}  // namespace

const char* kernelCommandName(uint32_t offset) noexcept {
    const CommandName* c = commandAt(offset);
    return c ? c->name : nullptr;
}

namespace {

uint64_t runCommand(uint32_t offset, const CommandName* command, const vx::ArgListHeader* args) {
    const std::string_view what = command->description;
    const CommandArguments a(args, what);
    switch (offset) {
        case vx::kCmdAbs: return doubleResult(fabs(a.number(0, 0)));
        case vx::kCmdRound: return doubleResult(roundToPlaces(a.number(0, 0), a.integer(1, 0)));
        case vx::kCmdTextLength: return integerResult(static_cast<int32_t>(a.text(0).size()));
        case vx::kCmdLeftText: return textResult(leftPart(a.text(0), a.integer(1, 0)));
        case vx::kCmdFindText:
            return integerResult(findForward(a.text(0), a.text(1), optionalInteger(a, 2), a.logical(3, false)));
        case vx::kCmdFindTextFromEnd:
            return integerResult(findBackward(a.text(0), a.text(1), optionalInteger(a, 2), a.logical(3, false)));
        case vx::kCmdTextToDouble:
            if (a.tag(0) == vx::kTagInteger || a.tag(0) == vx::kTagDouble) return doubleResult(a.number(0, 0));
            return doubleResult(parseDouble(a.text(0)));
        case vx::kCmdToText: return textResult(toText(a));
        case vx::kCmdReplacePart:
            return textResult(replacePart(a.text(0), a.integer(1, 1), a.integer(2, 0), a.text(3)));
        case vx::kCmdSplitText:
            return listOfTexts(splitFields(a.text(0), a.omitted(1) ? std::string_view(",") : a.text(1),
                                           a.integer(2, 0)));
        case vx::kCmdByteSetLength: return integerResult(static_cast<int32_t>(a.bytes(0).size()));
        case vx::kCmdTextToByteSet: return byteSetResult(a.text(0));
        case vx::kCmdLeftBytes: return byteSetResult(leftPart(a.bytes(0), a.integer(1, 0)));
        case vx::kCmdMiddleBytes: return byteSetResult(middlePart(a.bytes(0), a.integer(1, 1), a.integer(2, 0)));
        case vx::kCmdFindBytes: return integerResult(findForward(a.bytes(0), a.bytes(1), optionalInteger(a, 2)));
        case vx::kCmdFindBytesBackward:
            return integerResult(findBackward(a.bytes(0), a.bytes(1), optionalInteger(a, 2)));
        case vx::kCmdReadFile: {
            // A dropped file comes as it was read and judged at the drop.
            if (void* dropped = takeDroppedFile(a.text(0))) return reinterpret_cast<uint64_t>(dropped);
            return reinterpret_cast<uint64_t>(readFileAsByteSet(a.text(0)));
        }
        case vx::kCmdClipboardText: return textResult(windowSystem(what).clipboardText());
        case vx::kCmdMessageBox: {
            GuiBackend& gui = windowSystem(what);
            return integerResult(gui.messageBox(a.text(0), a.integer(1, 0), a.text(2)));
        }
        case vx::kCmdWindowHandle: {
            const vx::ArgRecord* control = a.record(0);
            if (!control || control->tag == vx::kTagOmitted) fatalError(std::string(what) + ": no control given");
            return integerResult(windowSystem(what).windowHandle(control->value, control->high));
        }
        case vx::kCmdToInteger: return integerResult(toInteger(a));
        default: fatalError(std::string("kernel command without an implementation: ") + command->name);
    }
}

}  // namespace

uint64_t callKernelCommand(uint32_t offset, const vx::ArgListHeader* args) noexcept {
    const CommandName* command = commandAt(offset);
    if (!command) {
        char hex[16];
        snprintf(hex, sizeof hex, "0x%x", offset);
        fatalError(std::string("unknown kernel command ") + hex);
    }
    // A command's temporary strings come from the C++ heap: running out there
    // is reported like running out of kernel blocks, in a message that needs
    // no memory.
    try {
        return runCommand(offset, command, args);
    } catch (const std::bad_alloc&) {
        char message[128];
        snprintf(message, sizeof message, "out of memory in %s", command->description);
        fatalError(message);
    }
}

}  // namespace vexrun
