// The main window's controls: name, control id and kind, in the stored
// element order of the window record. This list is the one place the ids live:
// the layout data, the record writer and the handlers all take them from here.
//
// X(name, id in hex without 0x, kind word)
#pragma once

#define TESSALY_CONTROLS(X)                       \
    X(选择框10, 160119FA, vx::kKindCheckBox)       \
    X(编辑框9, 160119E1, vx::kKindEditBox)         \
    X(按钮3, 160119CF, vx::kKindButton)            \
    X(掩码编辑框8, 160119CA, vx::kKindMaskedEditBox) \
    X(掩码编辑框7, 160119C9, vx::kKindMaskedEditBox) \
    X(标签18, 160101CA, vx::kKindLabel)            \
    X(外形框2, 160101C9, vx::kKindShapeBox)        \
    X(外形框1, 160101C8, vx::kKindShapeBox)        \
    X(选择框8, 160101C3, vx::kKindCheckBox)        \
    X(选择框7, 160101C2, vx::kKindCheckBox)        \
    X(选择框6, 160101C1, vx::kKindCheckBox)        \
    X(选择框5, 160101C0, vx::kKindCheckBox)        \
    X(标签16, 1601017E, vx::kKindLabel)            \
    X(标签15, 1601017D, vx::kKindLabel)            \
    X(标签14, 1601017C, vx::kKindLabel)            \
    X(标签13, 1601017B, vx::kKindLabel)            \
    X(选择框4, 160100B0, vx::kKindCheckBox)        \
    X(选择框3, 160100AF, vx::kKindCheckBox)        \
    X(选择框2, 160100AE, vx::kKindCheckBox)        \
    X(选择框1, 160100AD, vx::kKindCheckBox)        \
    X(调节器1, 160100A8, vx::kKindSpinControl)     \
    X(掩码编辑框6, 160100A7, vx::kKindMaskedEditBox) \
    X(标签12, 160100A6, vx::kKindLabel)            \
    X(编辑框8, 160100A4, vx::kKindEditBox)         \
    X(标签11, 160100A3, vx::kKindLabel)            \
    X(按钮1, 1601003A, vx::kKindButton)            \
    X(编辑框7, 16010039, vx::kKindEditBox)         \
    X(标签10, 16010036, vx::kKindLabel)            \
    X(掩码编辑框5, 16010037, vx::kKindMaskedEditBox) \
    X(编辑框6, 16010038, vx::kKindEditBox)         \
    X(标签9, 16010033, vx::kKindLabel)             \
    X(掩码编辑框4, 16010034, vx::kKindMaskedEditBox) \
    X(编辑框5, 16010035, vx::kKindEditBox)         \
    X(标签8, 16010030, vx::kKindLabel)             \
    X(掩码编辑框3, 16010031, vx::kKindMaskedEditBox) \
    X(编辑框4, 16010032, vx::kKindEditBox)         \
    X(标签7, 1601002D, vx::kKindLabel)             \
    X(掩码编辑框2, 1601002E, vx::kKindMaskedEditBox) \
    X(编辑框3, 1601002F, vx::kKindEditBox)         \
    X(标签6, 1601002C, vx::kKindLabel)             \
    X(掩码编辑框1, 1601002B, vx::kKindMaskedEditBox) \
    X(编辑框2, 16010029, vx::kKindEditBox)         \
    X(标签5, 16010028, vx::kKindLabel)             \
    X(标签4, 16010027, vx::kKindLabel)             \
    X(标签3, 16010026, vx::kKindLabel)             \
    X(标签2, 16010025, vx::kKindLabel)             \
    X(标签1, 16010024, vx::kKindLabel)             \
    X(拖放对象1, 1601001D, vx::kKindDropTarget)    \
    X(编辑框1, 1601001A, vx::kKindEditBox)         \
    X(标签17, 160101C5, vx::kKindLabel)            \
    X(标签20, 160119CD, vx::kKindLabel)            \
    X(标签19, 160119CC, vx::kKindLabel)            \
    X(选择框9, 160119F9, vx::kKindCheckBox)         \
    X(拖放对象2, 160119FB, vx::kKindDropTarget)
