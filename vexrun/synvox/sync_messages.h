// What the window's sync says, in Chinese (UTF-8): the verdict once the boxes
// are filled, and why nothing was filled.
#pragma once

#include <cstddef>
#include <string>

#include "align/aligner.h"

namespace synvox {

// The reference named in a message: "影片“NAME”" or "参考字幕“NAME”".
std::string referenceName(const std::string& path, bool film);

// The progress box's caption and lines.
std::string captionText();
std::string readingStatus(const std::string& path, bool film);
std::string aligningStatus();

// The verdict of a sure alignment whose points were filled and adjusted.
std::string filledVerdict(const std::string& reference, const align::Alignment& found, bool film);

// Why nothing was filled.
std::string cannotRead(const std::string& reference, const std::string& error);
std::string noSubtitle();
std::string noFrameRate();
std::string tooLittleInCommon(const std::string& reference, const align::Alignment& found);
std::string needsMorePieces(std::size_t pieces, const std::string& path);
std::string unsure(const std::string& reference);
std::string windowCannot(const std::string& path);

}  // namespace synvox
