// Calls the program's event handlers (System V functions of the image, on
// every platform): one at a time, on the thread of the message loop. An event raised while a handler runs (say, while it shows a
// message box) waits until that handler has returned.
#pragma once

#include <stdint.h>

#include <deque>
#include <functional>

#include "vexrun/kernel/control_events.h"

namespace vexrun {

class EventDispatcher {
public:
    // The code data the handler offsets count from.
    void setCode(const uint8_t* code, uint32_t size) {
        code_ = code;
        codeSize_ = size;
    }

    // Runs the handler at `offset` with `args`, now or after the running
    // one; `after` runs once the handler has returned.
    void raise(uint32_t offset, EventArgs args, std::function<void()> after = {});

    bool busy() const { return busy_; }
    uint64_t handlersRun() const { return handlersRun_; }

private:
    struct Pending {
        uint32_t offset;
        EventArgs args;
        std::function<void()> after;
    };
    void call(const Pending& p);

    const uint8_t* code_ = nullptr;
    uint32_t codeSize_ = 0;
    bool busy_ = false;
    uint64_t handlersRun_ = 0;
    std::deque<Pending> queue_;
};

}  // namespace vexrun
