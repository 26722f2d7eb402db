// The window's automatic sync: a file dropped on the subtitle box or on the
// output box handed to the sync library, which aligns the subtitle box's text
// to it under its progress box; the answer fills the reference rows, the
// mode, the custom ratio and the segment ratio boxes as the `window:` line of
// tessaly-retime would, presses 调节 and shows the verdict.
#pragma once

#include <stdint.h>

namespace ui {

// Which drop the library is given.
constexpr int32_t kSubtitleBoxDrop = 1;  // only a film is the library's
constexpr int32_t kOutputBoxDrop = 2;    // a film or a subtitle

// True when the library took the drop (done, cancelled or told why not);
// false when the subtitle box's drop goes on as before.
bool syncToDropped(const char* path, int32_t box);

}  // namespace ui
