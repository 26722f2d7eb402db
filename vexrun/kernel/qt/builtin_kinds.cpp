#include "vexrun/kernel/qt/builtin_controls.h"

#include "runtime/vexrun_interface.h"

namespace vexrun {
namespace {

constexpr BuiltinKind kKinds[] = {
    {vx::kKindEditBox, "edit box", &createEditBox},
    {vx::kKindLabel, "label", &createLabel},
    {vx::kKindButton, "button", &createButton},
    {vx::kKindCheckBox, "check box", &createCheckBox},
    {vx::kKindShapeBox, "shape box", &createShapeBox},
    {vx::kKindSpinControl, "spin control", &createSpinControl},
};

}  // namespace

std::span<const BuiltinKind> builtinKinds() { return kKinds; }

const BuiltinKind* builtinKind(uint32_t kindWord) {
    for (const BuiltinKind& k : kKinds) {
        if (k.kindWord == kindWord) return &k;
    }
    return nullptr;
}

}  // namespace vexrun
