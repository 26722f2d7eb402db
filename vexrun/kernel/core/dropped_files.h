// Files dropped on a box, as the kernel library hands them to the program: a
// dropped file is read and judged once, at the drop (file_reading.h); a file
// that cannot be read is refused with a message and the program never hears
// of it. A file that is no text (a film) is handed on, so that a support
// library may take it; the program's read of it as text shows the refusal
// then and gives the empty byte set. The program's own read of a text, in its
// drop handler, gets the text read at the drop. The last file handed on so is the source of the dropped-on
// box's text, which a save of the result follows (text_saving.h), until the
// user pastes another text over the whole box.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vexrun/kernel/core/file_reading.h"

namespace vexrun {

struct SourceFile {
    std::string path;
    TextForm form = TextForm::Bytes;
};

// Reads `path` for a drop on the box `box` (the window layer's control, only
// compared). nullopt when it is handed on: with `keep` (a box dropped texts
// are read into), the text (or the refusal of a file that is no text) waits
// for the program's read; else the message to show instead.
std::optional<std::string> prepareDroppedFile(std::string_view path, const void* box, bool keep = true);

// The text prepared for `path` (the earliest such drop), taken once, as a
// fresh byte set; for a file that is no text, its refusal shown in a message
// box and the empty byte set; nullptr when none waits for it. The kernel command "read a
// file" asks here first.
void* takeDroppedFile(std::string_view path);

// The file the dropped-on box's text came from, while it does.
const std::optional<SourceFile>& droppedSource();

// The user replaced the whole text of `box` (a paste): a source of its text
// is forgotten.
void boxTextReplaced(const void* box);

// The state above emptied (for tests).
void forgetDroppedFiles();

}  // namespace vexrun
