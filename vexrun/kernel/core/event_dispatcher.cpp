#include "vexrun/kernel/core/event_dispatcher.h"

#include <cstdio>
#include <string>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "runtime/vexrun_interface.h"

namespace vexrun {

void EventDispatcher::raise(uint32_t offset, EventArgs args, std::function<void()> after) {
    if (!code_ || offset >= codeSize_) {
        char what[96];
        std::snprintf(what, sizeof what, "event handler at code offset 0x%X lies outside the code (0x%X bytes)",
                      offset, codeSize_);
        fatalError(what);
    }
    queue_.push_back(Pending{offset, std::move(args), std::move(after)});
    if (busy_) return;
    busy_ = true;
    while (!queue_.empty()) {
        Pending p = std::move(queue_.front());
        queue_.pop_front();
        call(p);
        ++handlersRun_;
        if (p.after) p.after();
    }
    busy_ = false;
}

namespace {
// The handlers' shapes: System V functions of the image.
using Handler0 = void(VX_IMAGE_CALL*)();
using Handler1 = void(VX_IMAGE_CALL*)(int32_t);
using Handler2 = void(VX_IMAGE_CALL*)(int32_t, int32_t);
using Handler3 = void(VX_IMAGE_CALL*)(int32_t, int32_t, int32_t);
using HandlerText = void(VX_IMAGE_CALL*)(char**);
}  // namespace

void EventDispatcher::call(const Pending& p) {
    const void* at = code_ + p.offset;
    const EventArgs& a = p.args;
    switch (a.form) {
        case EventArgs::Form::None:
            reinterpret_cast<Handler0>(const_cast<void*>(at))();
            break;
        case EventArgs::Form::Integers:
            switch (a.intCount) {
                case 1: reinterpret_cast<Handler1>(const_cast<void*>(at))(a.ints[0]); break;
                case 2: reinterpret_cast<Handler2>(const_cast<void*>(at))(a.ints[0], a.ints[1]); break;
                default:
                    reinterpret_cast<Handler3>(const_cast<void*>(at))(a.ints[0], a.ints[1], a.ints[2]);
                    break;
            }
            break;
        case EventArgs::Form::TextByReference: {
            // The handler gets the address of a variable holding a fresh text;
            // whatever the variable holds afterwards is released here.
            char* variable = newText(a.text);
            reinterpret_cast<HandlerText>(const_cast<void*>(at))(&variable);
            freeBlock(variable);
            break;
        }
    }
}

}  // namespace vexrun
