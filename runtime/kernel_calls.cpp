// The kernel library's commands, the support libraries' commands, control
// properties and the checked DLL-command call, each with its argument list
// built on the stack.
#include "runtime/kernel_calls.h"

#include "runtime/text_support.h"

namespace prog {
namespace {

template <int N>
inline uint64_t kernel(vx::KernelCommand command, const vx::ArgList<N>& args) {
    return vxCallKernel(command, reinterpret_cast<const vx::ArgListHeader*>(&args));
}

template <int N>
inline uint64_t library(uint32_t libraryIndex, uint32_t command, const vx::ArgList<N>& args) {
    return vxCallLibrary(libraryIndex, command * 4, reinterpret_cast<const vx::ArgListHeader*>(&args));
}

inline vx::ArgRecord textArg(const char* t) { return argText(textOrEmpty(t)); }
inline vx::ArgRecord bytesArg(const ByteSetBlock* b) { return argBytes(bytesOrEmpty(b)); }

inline int32_t asInt(uint64_t r) { return static_cast<int32_t>(static_cast<uint32_t>(r)); }
inline Text asText(uint64_t r) { return reinterpret_cast<Text>(r); }
inline ByteSet asBytes(uint64_t r) { return reinterpret_cast<ByteSet>(r); }

int32_t find(vx::KernelCommand command, const vx::ArgRecord& subject, const vx::ArgRecord& search,
             const vx::ArgRecord& start) {
    vx::ArgList<3> a;
    a.args[0] = subject;
    a.args[1] = search;
    a.args[2] = start;
    return asInt(kernel(command, a));
}

}  // namespace

// ---- Texts -------------------------------------------------------------------

int32_t runtimeTextLength(const char* t) {
    vx::ArgList<1> a;
    a.args[0] = textArg(t);
    return asInt(kernel(vx::kCmdTextLength, a));
}

Text leftText(const char* t, int32_t n) {
    vx::ArgList<2> a;
    a.args[0] = textArg(t);
    a.args[1] = argInt(n);
    return asText(kernel(vx::kCmdLeftText, a));
}

int32_t findText(const char* t, const char* s, int32_t start) {
    return find(vx::kCmdFindText, textArg(t), textArg(s), argInt(start));
}
int32_t findText(const char* t, const char* s) {
    return find(vx::kCmdFindText, textArg(t), textArg(s), argOmitted());
}
int32_t findTextFromEnd(const char* t, const char* s, int32_t start) {
    return find(vx::kCmdFindTextFromEnd, textArg(t), textArg(s), argInt(start));
}
int32_t findTextFromEnd(const char* t, const char* s) {
    return find(vx::kCmdFindTextFromEnd, textArg(t), textArg(s), argOmitted());
}

Text replacePart(const char* t, int32_t start, int32_t len, const char* repl) {
    vx::ArgList<4> a;
    a.args[0] = textArg(t);
    a.args[1] = argInt(start);
    a.args[2] = argInt(len);
    a.args[3] = textArg(repl);
    return asText(kernel(vx::kCmdReplacePart, a));
}

List splitText(const char* t, const char* sep, int32_t max) {
    vx::ArgList<3> a;
    a.args[0] = textArg(t);
    a.args[1] = textArg(sep);
    a.args[2] = argInt(max);
    return reinterpret_cast<List>(kernel(vx::kCmdSplitText, a));
}

// ---- Conversions -------------------------------------------------------------

int32_t toInteger(const char* t) {
    vx::ArgList<1> a;
    a.args[0] = textArg(t);
    return asInt(kernel(vx::kCmdToInteger, a));
}

Text toText(int32_t value) {
    vx::ArgList<1> a;
    a.args[0] = argInt(value);
    return asText(kernel(vx::kCmdToText, a));
}

Text toText(double value) {
    vx::ArgList<1> a;
    a.args[0] = argDouble(value);
    return asText(kernel(vx::kCmdToText, a));
}

Text bytesToText(const ByteSetBlock* b) {
    vx::ArgList<1> a;
    a.args[0] = bytesArg(b);
    return asText(kernel(vx::kCmdToText, a));
}

double textToDouble(const char* t) {
    vx::ArgList<1> a;
    a.args[0] = textArg(t);
    return doubleFromBits(kernel(vx::kCmdTextToDouble, a));
}

double absolute(double value) {
    vx::ArgList<1> a;
    a.args[0] = argDouble(value);
    return doubleFromBits(kernel(vx::kCmdAbs, a));
}

double roundTo(double value, int32_t places) {
    vx::ArgList<2> a;
    a.args[0] = argDouble(value);
    a.args[1] = argInt(places);
    return doubleFromBits(kernel(vx::kCmdRound, a));
}

// ---- Byte sets -----------------------------------------------------------------

int32_t byteSetLength(const ByteSetBlock* b) {
    vx::ArgList<1> a;
    a.args[0] = bytesArg(b);
    return asInt(kernel(vx::kCmdByteSetLength, a));
}

ByteSet textToByteSet(const char* t) {
    vx::ArgList<1> a;
    a.args[0] = textArg(t);
    return asBytes(kernel(vx::kCmdTextToByteSet, a));
}

ByteSet leftBytes(const ByteSetBlock* b, int32_t n) {
    vx::ArgList<2> a;
    a.args[0] = bytesArg(b);
    a.args[1] = argInt(n);
    return asBytes(kernel(vx::kCmdLeftBytes, a));
}

ByteSet middleBytes(const ByteSetBlock* b, int32_t start, int32_t n) {
    vx::ArgList<3> a;
    a.args[0] = bytesArg(b);
    a.args[1] = argInt(start);
    a.args[2] = argInt(n);
    return asBytes(kernel(vx::kCmdMiddleBytes, a));
}

int32_t findBytes(const ByteSetBlock* b, const ByteSetBlock* search, int32_t start) {
    return find(vx::kCmdFindBytes, bytesArg(b), bytesArg(search), argInt(start));
}
int32_t findBytes(const ByteSetBlock* b, const ByteSetBlock* search) {
    return find(vx::kCmdFindBytes, bytesArg(b), bytesArg(search), argOmitted());
}
int32_t findBytesBackward(const ByteSetBlock* b, const ByteSetBlock* search, int32_t start) {
    return find(vx::kCmdFindBytesBackward, bytesArg(b), bytesArg(search), argInt(start));
}
int32_t findBytesBackward(const ByteSetBlock* b, const ByteSetBlock* search) {
    return find(vx::kCmdFindBytesBackward, bytesArg(b), bytesArg(search), argOmitted());
}

// ---- Files, clipboard, dialogs, controls -----------------------------------------

ByteSet readFile(const char* path) {
    vx::ArgList<1> a;
    a.args[0] = textArg(path);
    return asBytes(kernel(vx::kCmdReadFile, a));
}

Text clipboardText() {
    vx::ArgList<0> a;
    return asText(kernel(vx::kCmdClipboardText, a));
}

int32_t messageBox(const char* text, int32_t buttons) {
    vx::ArgList<2> a;
    a.args[0] = textArg(text);
    a.args[1] = argInt(buttons);
    return asInt(kernel(vx::kCmdMessageBox, a));
}

int32_t windowHandle(uint32_t windowId, uint32_t controlId, uint32_t kindWord) {
    vx::ArgList<1> a;
    a.args[0] = argControl(windowId, controlId, kindWord);
    return asInt(kernel(vx::kCmdWindowHandle, a));
}

// ---- Control properties ------------------------------------------------------------

Text getText(uint32_t windowId, uint32_t controlId, uint32_t property) {
    return asText(vxGetProperty(windowId, controlId, property, -1));
}

int32_t getInt(uint32_t windowId, uint32_t controlId, uint32_t property) {
    return asInt(vxGetProperty(windowId, controlId, property, -1));
}

void setText(uint32_t windowId, uint32_t controlId, uint32_t property, const char* t) {
    auto v = reinterpret_cast<uint64_t>(textOrEmpty(t));
    vxSetProperty(windowId, controlId, property, -1, static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32));
}

void setInt(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t value) {
    vxSetProperty(windowId, controlId, property, -1, static_cast<uint32_t>(value), 0);
}

// ---- Support-library commands ------------------------------------------------------
// Each library index stands once, as an identifier immediate, in its wrapper.

void registerDropTarget(uint32_t windowId, uint32_t dropTargetId, uint32_t kindWord, int32_t handle) {
    vx::ArgList<2> a;
    a.args[0] = argControl(windowId, dropTargetId, kindWord);
    a.args[1] = argInt(handle);
    library(VX_LIB(2), vx::kDravoltRegisterDropTarget, a);
}

void applyTheme(int32_t style) {
    vx::ArgList<1> a;
    a.args[0] = argInt(style);
    library(VX_LIB(4), vx::kStylonApplyTheme, a);
}

void startThread(uint64_t wrapperAddress) {
    vx::ArgList<3> a;
    a.args[0] = argSubroutine(wrapperAddress);
    placeOmittedWords(&a.args[1], 6);
    library(VX_LIB(5), vx::kRavlineStartThread, a);
}

void waitMilliseconds(int32_t milliseconds) {
    vx::ArgList<1> a;
    a.args[0] = argInt(milliseconds);
    library(VX_LIB(3), vx::kUlmixWait, a);
}

List syncToReference(const char* path, const char* subtitle, int32_t box) {
    vx::ArgList<3> a;
    a.args[0] = argText(textOrEmpty(path));
    a.args[1] = argText(textOrEmpty(subtitle));
    a.args[2] = argInt(box);
    return reinterpret_cast<List>(library(VX_LIB(6), vx::kSynvoxSync, a));
}

static_assert(vx::kLibDravolt == 2 && vx::kLibStylon == 4 && vx::kLibRavline == 5 && vx::kLibUlmix == 3 &&
                  vx::kLibSynvox == 6,
              "library indices written as identifier immediates above");

}  // namespace prog

// ---- The checked DLL-command call ------------------------------------------------
// rbx (saved first) keeps the stack pointer as it was before the call; the
// arguments stay in rdi, rsi, rdx and rcx for slot 1. A function that leaves
// the stack pointer elsewhere is reported as run-time error 6, from the noted
// (aligned) stack pointer.
//
// In the image the slot is a stub that jumps to the kernel library's
// function, so a moved stack pointer reaches the check unchanged. The hosted
// slot function is an ordinary function whose own epilogue could put it
// right again, so the hosted routine calls the table's function itself.
static_assert(vx::kErrorStackChanged == 6, "the error code written in the routine below");
#if defined(TESSALY_FREESTANDING)
#define VX_DLL_CALL_PROLOGUE ""
#define VX_DLL_CALL "\tcall vxCallDll\n"
#else
extern "C" void* vxHostedDllFunction() {
    if (!prog::helperTable()) __builtin_trap();  // no table handed over: no program code can run
    return reinterpret_cast<void*>(prog::helperTable()->callDll);
}
// Fetches the table's function with the arguments kept on the stack (five
// pushes in all keep the stack aligned at that call and at the next).
#define VX_DLL_CALL_PROLOGUE                 \
    "\tpushq %rdi\n\tpushq %rsi\n"           \
    "\tpushq %rdx\n\tpushq %rcx\n"           \
    "\tcall vxHostedDllFunction@PLT\n"       \
    "\tpopq %rcx\n\tpopq %rdx\n"             \
    "\tpopq %rsi\n\tpopq %rdi\n"
#define VX_DLL_CALL "\tcall *%rax\n"
#endif
#if defined(_WIN32) && !defined(TESSALY_FREESTANDING)
// Hosted on Windows (tessaly-retime.exe), where this file's callers use the
// Windows convention: the table's function called directly.
extern "C" uint64_t vxCallDllChecked(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    return reinterpret_cast<vx::SlotCallDll>(vxHostedDllFunction())(index, a0, a1, a2);
}
#else
__asm__(
    "\t.text\n"
    "\t.globl vxCallDllChecked\n"
    "\t.type vxCallDllChecked, @function\n"
    "vxCallDllChecked:\n"
    "\tpushq %rbx\n"
    VX_DLL_CALL_PROLOGUE
    "\tmovq %rsp, %rbx\n"
    VX_DLL_CALL
    "\tcmpq %rsp, %rbx\n"
    "\tjne 1f\n"
    "\tpopq %rbx\n"
    "\tret\n"
    "1:\n"
    "\tmovq %rbx, %rsp\n"
    "\tmovl $6, %edi\n"
    "\tcall vxReportError\n"
    "\tud2\n"
    "\t.size vxCallDllChecked, .-vxCallDllChecked\n");
#endif
