#include "vexrun/kernel/win32/builtin_controls.h"

namespace vexrun::win32 {
namespace {

constexpr windowing::BuiltinKinds<ControlLibrary::Factory> kKinds({
    .editBox = &createEditBox,
    .label = &createLabel,
    .button = &createButton,
    .checkBox = &createCheckBox,
    .shapeBox = &createShapeBox,
    .spinControl = &createSpinControl,
});

}  // namespace

const BuiltinKind* builtinKind(uint32_t kindWord) { return kKinds.find(kindWord); }

}  // namespace vexrun::win32
