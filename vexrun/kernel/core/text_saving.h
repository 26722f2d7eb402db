// Saving the text of a box as a file, as the window layers' "save as" does it:
// by default beside the dropped file whose text it came from, as
// NAME.retimed.EXT, in that file's own encoding (its bytes as they are, or
// UTF-16 in its byte order with its mark when it had one); a text that came
// from no file goes to the home folder as UTF-8. The program itself writes no
// file and knows no file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vexrun/kernel/core/dropped_files.h"

namespace vexrun {

// The name a save gets when the text came from no file.
constexpr std::string_view kUnsourcedSaveName = "subtitle.retimed.srt";

// The path a save proposes (UTF-8 on Windows, bytes on Linux).
std::string proposedSavePath(const std::optional<SourceFile>& source, std::string_view homeFolder);

// The bytes to write for a box's text bytes.
std::string bytesToSave(std::string_view boxBytes, const std::optional<SourceFile>& source);

// Writes `bytes` as the file `path`, whole or not at all (through a temporary
// file beside it). nullopt when written; else a short message in Chinese
// (UTF-8) naming the file.
std::optional<std::string> writeWholeFile(std::string_view path, std::string_view bytes);

// The save of a box's text to `path`, as the window layers do it after their
// dialog: the source of the dropped file's text decides the encoding.
std::optional<std::string> saveBoxText(std::string_view path, std::string_view boxBytes);

// What a save proposes now: proposedSavePath for the current source and the
// user's home folder.
std::string proposedSavePathNow();

}  // namespace vexrun
