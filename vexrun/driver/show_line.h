// The line `show` prints for a control, in one fixed format:
//
//   NAME text="TEXT" checked=C enabled=E visible=V
//
// TEXT is the control's text or caption (for a masked edit box what a handler
// reads, a space in every unfilled position), decoded as the control shows it
// and written as UTF-8 with \\ \" \r \n \t escaped and any other control
// character or undecodable byte as \xHH. C is 1 or 0 for a check box and "-"
// for every other kind; E and V are 1 or 0 ("-" for E of a control without a
// window, such as the drop target object, whose V is 0).
// Plain C++ on UTF-16 texts, so that the drivers of every platform print the
// very same bytes.
#pragma once

#include <string>
#include <string_view>

namespace drive {

std::string escapeText(std::u16string_view shown);

struct ShownState {
    int checked = -1;  // -1 none
    int enabled = -1;  // -1 no window
    bool visible = false;
};

std::string showLine(std::string_view name, std::u16string_view text, const ShownState& state);

// The line `progress` prints for a progress box shown:
//
//   progress caption="CAPTION" first="LINE" button="BUTTON" ended=done|cancelled
//
// its title, the first line it showed above its bar and its button, escaped
// as TEXT above (the share done and the time left vary from run to run).
std::string progressLine(std::u16string_view caption, std::u16string_view first, std::u16string_view button,
                         std::string_view ended);

// Writes one line of the driver's output to standard output and flushes it at
// once: the program may end the process from another thread, without stdio
// being flushed.
void printLine(std::string_view line);

// The last part of a path ("/" or "\\" before it), as `saveas` prints it.
std::string fileNameOf(std::string_view path);

}  // namespace drive
