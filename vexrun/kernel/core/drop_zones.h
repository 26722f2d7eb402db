// The drop zones of a window layer (the boxes that take dropped files, each
// for a drop target element), and what a drop on one does: the file is read
// and judged once (dropped_files.h); a text or a file that is no text (a
// film, for a support library to take) raises the drop target's event 3, a
// file that cannot be read is told in a message box. `Box` is the layer's handle of a
// control (a QWidget*, an HWND).
#pragma once

#include <stdint.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/control_events.h"
#include "vexrun/kernel/core/dropped_files.h"

namespace vexrun {

template <class Box>
class DropZones {
public:
    struct Zone {
        uint32_t windowId, dropTargetId;
        Box box;
    };

    // A box made the zone of a drop target (again: its target replaced).
    void made(uint32_t windowId, uint32_t dropTargetId, Box box) {
        gone(box);
        zones_.push_back(Zone{windowId, dropTargetId, box});
    }
    void gone(Box box) {
        zones_.erase(std::remove_if(zones_.begin(), zones_.end(), [box](const Zone& z) { return z.box == box; }),
                     zones_.end());
    }
    bool contains(Box box) const {
        return std::any_of(zones_.begin(), zones_.end(), [box](const Zone& z) { return z.box == box; });
    }
    // The first zone made: where the file the program starts with goes.
    std::optional<Zone> first() const { return zones_.empty() ? std::nullopt : std::optional<Zone>(zones_.front()); }
    // Whether `box` is that zone: the box dropped texts are read into.
    bool isFirst(Box box) const { return !zones_.empty() && zones_.front().box == box; }

    // `raise(windowId, elementId, event, args)` raises the event; `tell(text)`
    // shows a message box. Only the box texts are read into (`input`) keeps
    // what it read for the program.
    template <class Raise, class Tell>
    static void take(uint32_t windowId, uint32_t dropTargetId, Box box, bool input, std::string path, Raise raise,
                     Tell tell) {
        if (std::optional<std::string> refusal = prepareDroppedFile(path, box, input)) {
            tell(*refusal);
            return;
        }
        raise(windowId, dropTargetId, vx::kEventFileDropped, EventArgs::textByReference(std::move(path)));
    }

private:
    std::vector<Zone> zones_;
};

}  // namespace vexrun
