#include "vexrun/kernel/qt/builtin_controls.h"

namespace vexrun {
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

std::span<const BuiltinKind> builtinKinds() { return kKinds.all(); }

const BuiltinKind* builtinKind(uint32_t kindWord) { return kKinds.find(kindWord); }

}  // namespace vexrun
