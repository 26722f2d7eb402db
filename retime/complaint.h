// How tessaly-retime says what it cannot do: one line on standard error,
// "tessaly-retime: WHAT", in every mode: in the user's language, and in
// English in the JSON report.
#pragma once

#include <string>

namespace retime {

void complain(const std::string& what);

// What it says when the re-timed text would be longer than the engine holds.
std::string tooLargeComplaint();

}  // namespace retime
