// The contract between the program image and the kernel library "vexrun".
//
// This one header is shared by the program-side code (compiled freestanding
// into the image and hosted into the tests) and by the kernel library. It holds
// the runtime helper table (slot order and signatures), the argument record of
// command calls, the type tags, the kernel-command offsets, the support-library
// command numbers, and the property and event numbers of the main window.
//
// Everything here is plain data and declarations: it compiles without a C++
// standard library (freestanding) and without Qt.
#pragma once

#include <stdint.h>

// Every call between the kernel library and the image's code follows the
// System V x86-64 convention, the image's own, whatever the platform's
// default: on Windows the kernel library is built with the Microsoft x64
// convention and must say so on each function and function-pointer type that
// crosses.
#define VX_IMAGE_CALL __attribute__((sysv_abi))

namespace vx {

// ---------------------------------------------------------------------------
// Argument list of command calls: a 32-bit count, then one 12-byte record per
// argument. An address takes both halves (value = low 32 bits, high = high 32
// bits); a double likewise (its bit pattern); an integer or logical only value.
// A control argument holds value = window id, high = control id, tag = the
// control's kind word.
// ---------------------------------------------------------------------------
struct __attribute__((packed)) ArgRecord {
    uint32_t value;
    uint32_t high;
    uint32_t tag;
};
static_assert(sizeof(ArgRecord) == 12, "argument record is 12 bytes");

// The list as the runtime sees it: count, then `count` records back to back.
struct __attribute__((packed)) ArgListHeader {
    uint32_t count;
};
static_assert(sizeof(ArgListHeader) == 4, "argument list count is 4 bytes");

// A list of exactly N arguments, as the program builds it on its stack.
template <int N>
struct __attribute__((packed)) ArgList {
    uint32_t count = N;
    ArgRecord args[N];
};
template <>
struct __attribute__((packed)) ArgList<0> {
    uint32_t count = 0;
};
static_assert(sizeof(ArgList<2>) == 4 + 2 * 12, "records follow the count without gaps");

// Record i of a list the runtime was handed.
inline const ArgRecord* argAt(const ArgListHeader* list, uint32_t i) {
    return reinterpret_cast<const ArgRecord*>(reinterpret_cast<const uint8_t*>(list) + 4 + 12 * i);
}

// Type tags of argument records.
enum TypeTag : uint32_t {
    kTagOmitted = 0,
    kTagLogical = 0x80000002u,
    kTagText = 0x80000004u,
    kTagByteSet = 0x80000005u,
    kTagSubroutine = 0x80000006u,
    kTagInteger = 0x80000301u,
    kTagDouble = 0x80000601u,
};

// ---------------------------------------------------------------------------
// Kind words: library number (high 16 bits) and kind number (low 16 bits).
// Library number = position in the image's library table + 1.
// ---------------------------------------------------------------------------
enum KindWord : uint32_t {
    kKindWindow = 0x00010001u,
    kKindEditBox = 0x00010005u,
    kKindShapeBox = 0x00010007u,
    kKindLabel = 0x0001000Au,
    kKindButton = 0x0001000Bu,
    kKindCheckBox = 0x0001000Cu,
    kKindSpinControl = 0x0001001Eu,
    kKindMaskedEditBox = 0x00020009u,
    kKindDropTarget = 0x00030001u,
};
constexpr uint32_t kindLibraryNumber(uint32_t kind) { return kind >> 16; }
constexpr uint32_t kindNumber(uint32_t kind) { return kind & 0xFFFFu; }

// Identifiers of the one window.
constexpr uint32_t kMainWindowId = 0x52010001u;
constexpr uint32_t kWindowElementId = 0x06010000u;

// ---------------------------------------------------------------------------
// Library indices (position in the library table) as the code passes them to
// slot 2, and the support-library command numbers (slot 2 takes number x 4).
// ---------------------------------------------------------------------------
enum LibraryIndex : uint32_t {
    kLibVexrun = 0,
    kLibPlintor = 1,
    kLibDravolt = 2,
    kLibUlmix = 3,
    kLibStylon = 4,
    kLibRavline = 5,
    kLibSynvox = 6,
};
constexpr uint32_t kLibraryCount = 7;

enum LibraryCommand : uint32_t {
    kDravoltRegisterDropTarget = 0,  // (drop target control, window handle)
    kStylonApplyTheme = 0,           // (integer 1)
    kRavlineStartThread = 0,         // (subroutine address, omitted, omitted)
    kUlmixWait = 7,                  // (milliseconds)
    kSynvoxSync = 0,                 // (path, subtitle text, box 1 or 2) -> list of texts or 0
};

// DLL commands of "kernel32.dll", in the order of header words 25 to 27.
enum DllCommand : uint32_t {
    kDllOpenProcess = 0,          // (access, inherit, process id) -> handle or 0
    kDllTerminateProcess = 1,     // (handle, exit code) -> 1 on success
    kDllGetCurrentProcessId = 2,  // () -> process id
};

// ---------------------------------------------------------------------------
// Kernel commands, by offset (slot 3). Positions are 1-based; a failed find
// gives -1. Texts, byte sets and lists returned are fresh blocks the caller
// frees; arguments stay the caller's.
// ---------------------------------------------------------------------------
enum KernelCommand : uint32_t {
    kCmdAbs = 0x5c,               // (number) -> double
    kCmdRound = 0x68,             // (double, decimal places) -> double
    kCmdTextLength = 0x130,       // (text) -> integer
    kCmdLeftText = 0x134,         // (text, n) -> text
    kCmdFindText = 0x148,         // (text, search, [start], [ignore case]) -> position
    kCmdFindTextFromEnd = 0x14c,  // (text, search, [start], [ignore case]) -> position
    kCmdTextToDouble = 0x164,     // (text) -> double
    kCmdToText = 0x168,           // (integer | double | logical | text | byte set) -> text
    kCmdReplacePart = 0x17c,      // (text, start, length, [replacement]) -> text
    kCmdSplitText = 0x190,        // (text, [separator], [max count]) -> list of texts
    kCmdByteSetLength = 0x194,    // (byte set) -> integer
    kCmdTextToByteSet = 0x198,    // (text) -> byte set
    kCmdLeftBytes = 0x1a0,        // (byte set, n) -> byte set
    kCmdMiddleBytes = 0x1a8,      // (byte set, start, n) -> byte set
    kCmdFindBytes = 0x1ac,        // (byte set, search, [start]) -> position
    kCmdFindBytesBackward = 0x1b0,  // (byte set, search, [start]) -> position
    kCmdReadFile = 0x268,         // (path text) -> byte set
    kCmdClipboardText = 0x2c4,    // () -> text
    kCmdMessageBox = 0x300,       // (text, [buttons], [caption]) -> button pressed
    kCmdWindowHandle = 0x35c,     // (control) -> integer handle
    kCmdToInteger = 0x9dc,        // (value) -> integer
};

// Runtime services (slot 12).
enum Service : uint32_t {
    kServiceMakeListWritable = 2,   // (element width, address of the list variable)
    kServiceRegisterExitRoutine = 3,  // (code address)
};

// Run-time error codes (slot 0).
enum RuntimeError : int32_t {
    kErrorIndexAboveCount = 1,
    kErrorIndexBelowOne = 4,
    kErrorStackChanged = 6,
};

// ---------------------------------------------------------------------------
// Control properties the handlers read and write (slots 4 and 5).
// ---------------------------------------------------------------------------
enum Property : uint32_t {
    kPropLabelVisible = 5,       // label: visible (0 or 1)
    kPropEditDisabled = 6,       // edit box: disabled (0 or 1)
    kPropEditText = 8,           // edit box: text; label: caption
    kPropLabelCaption = 8,
    kPropCheckState = 18,        // check box: checked (0 or 1)
    kPropMaskedText = 18,        // masked edit box: text
};

// Events bound in the window record.
enum Event : int32_t {
    kEventClicked = 0,        // check box, button: ()
    kEventCreated = 0,        // window: ()
    kEventGoingAway = 2,      // window: ()
    kEventSpin = 0,           // spin control: (int32 ignored)
    kEventFileDropped = 3,    // drop target: (text* path, by reference)
    kEventDoubleClicked = -3, // any kind: (int32, int32, int32)
    kEventKeyPressed = -9,    // any kind: (int32 key code, int32 ignored)
};
constexpr int32_t kKeyEnter = 13;

// ---------------------------------------------------------------------------
// The runtime helper table: 13 slots of 8 bytes, in this order. The image's
// code reaches slot k only through the stub `jmp *[table + 8k]` at the end of
// its code section. All slots follow the System V x86-64 calling convention.
// Results are returned in rax: integers in the low 32 bits, addresses whole,
// doubles as their bit pattern.
// ---------------------------------------------------------------------------
using SlotReportError = void(VX_IMAGE_CALL*)(int32_t code);  // never returns
using SlotCallDll = uint64_t(VX_IMAGE_CALL*)(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2);
using SlotCallLibrary = uint64_t(VX_IMAGE_CALL*)(uint32_t libraryIndex, uint32_t commandTimes4,
                                                 const ArgListHeader* args);
using SlotCallKernel = uint64_t(VX_IMAGE_CALL*)(uint32_t offset, const ArgListHeader* args);
using SlotGetProperty = uint64_t(VX_IMAGE_CALL*)(uint32_t windowId, uint32_t controlId, uint32_t property,
                                                 int32_t minusOne);
using SlotSetProperty = void(VX_IMAGE_CALL*)(uint32_t windowId, uint32_t controlId, uint32_t property,
                                             int32_t minusOne, uint32_t value, uint32_t high);
using SlotAllocate = void*(VX_IMAGE_CALL*)(uint32_t bytes);
using SlotReallocate = void*(VX_IMAGE_CALL*)(void* block, uint32_t bytes);
using SlotFree = void(VX_IMAGE_CALL*)(void* block);
using SlotEndProcess = void(VX_IMAGE_CALL*)(int32_t exitCode);  // never returns
using SlotRunMessageLoop = int32_t(VX_IMAGE_CALL*)(int32_t zero);
using SlotLoadWindow = int32_t(VX_IMAGE_CALL*)(uint32_t windowId);
using SlotService = uint64_t(VX_IMAGE_CALL*)(uint32_t number, uint64_t a, uint64_t b);

// Code of the image the kernel library calls without arguments: the entry
// routine, the exit routine, a thread's routine.
using ImageRoutine = void(VX_IMAGE_CALL*)();

struct HelperTable {
    SlotReportError reportError;      // 0
    SlotCallDll callDll;              // 1
    SlotCallLibrary callLibrary;      // 2
    SlotCallKernel callKernel;        // 3
    SlotGetProperty getProperty;      // 4
    SlotSetProperty setProperty;      // 5
    SlotAllocate allocate;            // 6
    SlotReallocate reallocate;        // 7
    SlotFree free;                    // 8
    SlotEndProcess endProcess;        // 9
    SlotRunMessageLoop runMessageLoop;  // 10
    SlotLoadWindow loadWindow;        // 11
    SlotService service;              // 12
};
constexpr uint32_t kHelperSlotCount = 13;
constexpr uint32_t kHelperSlotWidth = 8;
static_assert(sizeof(HelperTable) == kHelperSlotCount * kHelperSlotWidth, "13 slots of 8 bytes");
static_assert(__builtin_offsetof(HelperTable, callKernel) == 3 * 8, "slot 3 at 0x18");
static_assert(__builtin_offsetof(HelperTable, service) == 12 * 8, "slot 12 at 0x60");

// Names of the program-side functions that stand for the slots. In the image
// each is a stub at the end of the code; in a hosted build each calls through
// the table handed to `useHelperTable`.
#define VX_HELPER_SLOT_NAMES                                                                    \
    "vxReportError", "vxCallDll", "vxCallLibrary", "vxCallKernel", "vxGetProperty",             \
        "vxSetProperty", "vxAllocate", "vxReallocate", "vxFree", "vxEndProcess",                \
        "vxRunMessageLoop", "vxLoadWindow", "vxService"

// The kernel library's export and the argument that selects the runtime entry.
constexpr int32_t kEntryHookSelector = 1000;
using RuntimeEntry = void (*)(const uint8_t* image);
using ObtainEntryHookFn = RuntimeEntry (*)(int32_t selector);

}  // namespace vx
