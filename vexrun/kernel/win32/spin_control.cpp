// The spin control (kind 1:30): an up-down control.
#include <windows.h>

#include <commctrl.h>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/control_window.h"

namespace vexrun::win32 {
namespace {

// The up-down control: pressing up raises event 0 with 1, down with -1; its
// own position never moves.
class SpinControl : public PlainControl {
public:
    explicit SpinControl(const ControlContext& context)
        : PlainControl(createChild(UPDOWN_CLASSW, 0, 0, context)),
          host_(context.host), windowId_(context.windowId), id_(context.element->id) {
        SendMessageW(window_, UDM_SETRANGE32, 0, 100);
        SendMessageW(window_, UDM_SETPOS32, 0, 50);
    }
    LRESULT notify(const NMHDR* header) override {
        if (header->code != UDN_DELTAPOS) return 0;
        const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
        host_->raiseEvent(windowId_, id_, vx::kEventSpin, EventArgs::integers({change->iDelta > 0 ? 1 : -1}));
        return 1;  // the position stays
    }

private:
    ControlHost* host_;
    uint32_t windowId_, id_;
};

}  // namespace

Control* createSpinControl(const ControlContext& c, std::string&) { return new SpinControl(c); }

}  // namespace vexrun::win32
