// The drag-and-drop library "dravolt": the drop target object (kind 1, never
// shown, takes no space) and command 0, which makes the control behind a
// window handle the drop zone of a drop target object.

#include "runtime/vexrun_interface.h"
#include "vexrun/dravolt/drop_target_call.h"
#include "vexrun/dravolt/drop_zone.h"
#include "vexrun/kernel/qt/windowing.h"
#include "vexrun/kernel/support_library.h"

namespace {

vexrun::ControlHost* gHost = nullptr;

class DropTargetControl : public vexrun::Control {
public:
    QWidget* widget() const override { return nullptr; }
    vexrun::PropertyType propertyType(uint32_t) const override { return vexrun::PropertyType::Unknown; }
};

vexrun::Control* createDropTarget(const vexrun::ControlContext&, std::string&) { return new DropTargetControl; }

// Command 0 (drop target object, window handle) -> 1 when the zone is set.
uint64_t registerDropTarget(const vx::ArgListHeader* args) {
    const auto call = dravolt::dropTargetCall(gHost, args, [](int32_t h) { return gHost->widgetForHandle(h); });
    if (!call) return 0;
    dravolt::DropZone::install(call->control, gHost, call->target->value, call->target->high);
    return 1;
}

uint64_t dravoltCommand(uint32_t number, const vx::ArgListHeader* args) {
    if (number == vx::kDravoltRegisterDropTarget) return registerDropTarget(args);
    return 0;
}

void attach(vexrun::ControlHost* host) { gHost = host; }

const vexrun::ControlKind kKinds[] = {
    {vx::kindNumber(vx::kKindDropTarget), "drop target object", &createDropTarget},
};
const vexrun::Windowing kWindowing = {vexrun::kWindowingAbi, kKinds, 1, &attach};
const vexrun::SupportLibrary kLibrary = {vexrun::kSupportLibraryAbi, "dravolt", 1, &dravoltCommand, &kWindowing};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vexrun::SupportLibrary* vexSupportLibrary() {
    return &kLibrary;
}
