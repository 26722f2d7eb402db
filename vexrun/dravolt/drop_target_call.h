// Command 0's arguments (drop target object, window handle), read alike by
// both platforms' libraries: the object and the control behind the handle.
// Without a window system the command does nothing; a malformed call, or a
// handle that names no control, is the host's failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "runtime/vexrun_interface.h"

namespace dravolt {

template <typename Host, typename ControlFor>
auto dropTargetCall(Host* host, const vx::ArgListHeader* args, ControlFor controlFor) {
    using Control = decltype(controlFor(int32_t{}));
    struct Call {
        const vx::ArgRecord* target;
        Control control;
    };
    if (!host) {
        std::fprintf(stderr, "dravolt: command 0 needs the window system, which is not running\n");
        return std::optional<Call>{};
    }
    if (!args || args->count < 2 || vx::argAt(args, 0)->tag != vx::kKindDropTarget) {
        host->fail("dravolt command 0 needs a drop target object and a window handle");
    }
    const int32_t handle = static_cast<int32_t>(vx::argAt(args, 1)->value);
    const Control control = controlFor(handle);
    if (!control) host->fail("dravolt command 0: window handle " + std::to_string(handle) + " names no control");
    return std::optional<Call>{Call{vx::argAt(args, 0), control}};
}

}  // namespace dravolt
