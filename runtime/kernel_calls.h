// Typed calls of the kernel library's commands (slot 3), of the support
// libraries' commands (slot 2), of the control properties (slots 4 and 5) and
// of the DLL commands (slot 1), as the engine and the handlers use them.
//
// Each wrapper builds its argument list on the stack and converts the result.
// Texts, byte sets and lists returned are fresh blocks that the caller frees
// (vxFree) or stores; arguments stay the caller's. A missing text or byte set
// (nullptr) is handed to the kernel library as the constant empty text or the
// constant empty block. Positions are 1-based; a failed search gives -1.
//
// Identifiers (window and control ids, kind words) are parameters here: the
// caller writes them with VX_ID / VX_KIND, so that every such immediate stands
// at the place that uses it.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

// The DLL-command call with the stack-depth check: notes the stack pointer,
// calls slot 1 with the index and the three arguments, and raises run-time
// error 6 when the stack pointer differs afterwards. A small assembly routine
// (kernel_calls.cpp), so that the check sees the real stack pointer.
extern "C" uint64_t vxCallDllChecked(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2);

namespace prog {

// ---- Texts ---------------------------------------------------------------

// The kernel library's text length (0x130). The program's own loops use
// `textLength` of text_support.h, which needs no call.
int32_t runtimeTextLength(const char* t);
// The first n bytes of t; n <= 0 gives "", n beyond the length the whole text.
Text leftText(const char* t, int32_t n);
// Position of the first s in t at or after start; -1 when none.
int32_t findText(const char* t, const char* s, int32_t start);
int32_t findText(const char* t, const char* s);  // start omitted: from the beginning
// Position of the last s in t beginning at or before start; -1 when none.
int32_t findTextFromEnd(const char* t, const char* s, int32_t start);
int32_t findTextFromEnd(const char* t, const char* s);  // start omitted: from the end
// t with len bytes from start replaced by repl (nullptr: removed).
Text replacePart(const char* t, int32_t start, int32_t len, const char* repl);
// The parts of t between the separators, at most max of them (max <= 0: all).
// A list of 8-byte text addresses owned by the list (releaseAddressList).
List splitText(const char* t, const char* sep, int32_t max);

// ---- Conversions ---------------------------------------------------------

// An optional sign, then the digits; stops at the first other character.
int32_t toInteger(const char* t);
Text toText(int32_t value);
// The shortest decimal that reads back as the same double.
Text toText(double value);
// The bytes up to the first NUL, as a text.
Text bytesToText(const ByteSetBlock* b);
double textToDouble(const char* t);
double absolute(double value);
double roundTo(double value, int32_t places);

// ---- Byte sets -------------------------------------------------------------

int32_t byteSetLength(const ByteSetBlock* b);
ByteSet textToByteSet(const char* t);
ByteSet leftBytes(const ByteSetBlock* b, int32_t n);
ByteSet middleBytes(const ByteSetBlock* b, int32_t start, int32_t n);
// Position of the first `search` at or after start; -1 when none.
int32_t findBytes(const ByteSetBlock* b, const ByteSetBlock* search, int32_t start);
int32_t findBytes(const ByteSetBlock* b, const ByteSetBlock* search);  // from the beginning
// Position of the last `search` beginning at or before start; -1 when none.
int32_t findBytesBackward(const ByteSetBlock* b, const ByteSetBlock* search, int32_t start);
int32_t findBytesBackward(const ByteSetBlock* b, const ByteSetBlock* search);  // from the end

// ---- Files, clipboard, dialogs, controls ---------------------------------

// The whole file as bytes (the empty byte set when it cannot be read).
ByteSet readFile(const char* path);
Text clipboardText();
// A message box with the given text and buttons and no caption of its own;
// the button pressed.
int32_t messageBox(const char* text, int32_t buttons);
// The window handle of a control, named by its window id, id and kind word.
int32_t windowHandle(uint32_t windowId, uint32_t controlId, uint32_t kindWord);

// ---- Control properties --------------------------------------------------

// A text property as a fresh block.
Text getText(uint32_t windowId, uint32_t controlId, uint32_t property);
int32_t getInt(uint32_t windowId, uint32_t controlId, uint32_t property);
// Sets a text property; the kernel library copies the text.
void setText(uint32_t windowId, uint32_t controlId, uint32_t property, const char* t);
void setInt(uint32_t windowId, uint32_t controlId, uint32_t property, int32_t value);

// ---- Support-library commands ----------------------------------------------

// dravolt 0: files dropped on the control behind `handle` raise the drop
// target's event 3.
void registerDropTarget(uint32_t windowId, uint32_t dropTargetId, uint32_t kindWord, int32_t handle);
// stylon 0.
void applyTheme(int32_t style);
// Ravline 0: a new thread runs the routine at the code address (the address of
// a subroutine wrapper); its two further arguments are omitted.
void startThread(uint64_t wrapperAddress);
// ulmix 7: waits the given milliseconds.
void waitMilliseconds(int32_t milliseconds);
// synvox 0: the subtitle text aligned to the file at `path`, dropped on the
// subtitle box (box 1: only a film is taken) or the output box (box 2), under
// the library's progress box. nullptr when the drop is not the library's;
// else a list of texts (releaseAddressList): none when cancelled, the
// message alone when nothing is to be filled, else the message and the 16
// texts the window's boxes take (vexrun/synvox/sync_command.h).
List syncToReference(const char* path, const char* subtitle, int32_t box);

// ---- DLL commands ----------------------------------------------------------

// Calls DLL command `index` (VX_DLL) with the stack-depth check.
inline uint64_t callDllCommand(uint32_t index, uint64_t a0, uint64_t a1, uint64_t a2) {
    return vxCallDllChecked(index, a0, a1, a2);
}

}  // namespace prog
