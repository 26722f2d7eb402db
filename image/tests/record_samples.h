// A small window record with one element of each shape the format has:
// the window, a check box and a spin control with empty blocks, masked and
// edit boxes with two and one bindings (one at code offset 0), a label with
// a GBK caption, and a control whose reserved fields are not zero.
#pragma once

#include <string>

#include "image/gbk_text.h"
#include "image/window_record.h"
#include "runtime/vexrun_interface.h"

namespace image::test {

inline std::string gbkOf(const char* utf8) { return utf8ToGbk(utf8).value_or(std::string("?")); }

// Offset of the face-name field inside a masked box's block.
inline size_t faceFieldOffset(const MaskedEditSettings& s) {
    return 4 + 4 + s.mask.size() + 4 + 1 + 4 + 4 + 4 + 4 + s.initialText.size() + 28;
}

inline MaskedEditSettings sampleMaskedSettings() {
    MaskedEditSettings m;
    m.mask = "00:00:00,000;1;0";
    m.setting13 = 5;
    m.initialText = "  :  :  ,   ";
    m.font.faceName = "MS Sans Serif";
    return m;
}

inline WindowRecord sampleRecord() {
    Window w;
    w.id = vx::kMainWindowId;
    w.furtherValue = 0x01EF63E0;
    w.headerValue0 = 0x00216A10;
    w.headerValue1 = 0x19010006;

    Element window;
    window.id = vx::kWindowElementId;
    window.kind = vx::kKindWindow;
    window.left = 50;
    window.top = 50;
    window.width = 882;
    window.height = 607;
    window.stateFlags = 1;
    window.events = {{0, 0x267B}, {2, 0x2887}};
    WindowSettings ws;
    ws.nameText = "Tessalyw";
    ws.icon = {0, 0, 1, 0, 1, 0};
    ws.caption = gbkOf("Tessaly-初版");
    window.extension = encodeWindowSettings(ws);

    Element ratioBox;
    ratioBox.id = 0x160101C0;
    ratioBox.kind = vx::kKindCheckBox;
    ratioBox.name = gbkOf("选择框5");
    ratioBox.stateFlags = 5;

    Element spin;
    spin.id = 0x160100A8;
    spin.kind = vx::kKindSpinControl;
    spin.name = gbkOf("调节器1");
    spin.stateFlags = 1;
    spin.events = {{0, 0x01FA}};

    Element masked;
    masked.id = 0x160119CA;
    masked.kind = vx::kKindMaskedEditBox;
    masked.name = gbkOf("掩码编辑框8");
    masked.stateFlags = 5;
    masked.events = {{-9, 0x257E}, {-3, 0xA01B}};
    MaskedEditSettings ms = sampleMaskedSettings();
    masked.extension = encodeMaskedEditSettings(ms);
    // Bytes after the face name's NUL, as a record made elsewhere may hold.
    for (size_t i = faceFieldOffset(ms) + ms.font.faceName.size() + 1; i < faceFieldOffset(ms) + 32; ++i) {
        masked.extension[i] = static_cast<uint8_t>(0xA0 + i);
    }

    Element hint;
    hint.id = 0x160101CA;
    hint.kind = vx::kKindLabel;
    hint.name = gbkOf("标签18");
    hint.stateFlags = 1;
    LabelSettings ls;
    ls.textColour = 0x00C06000;
    ls.setting64 = 1;
    ls.caption = gbkOf("选中代表对应段使用自定比");
    hint.extension = encodeLabelSettings(ls);

    Element source;
    source.id = 0x16010038;
    source.kind = vx::kKindEditBox;
    source.name = gbkOf("编辑框6");
    source.stateFlags = 5;
    source.events = {{-3, 0x0000}};
    EditBoxSettings es;
    es.text = "00:00:00,000";
    source.extension = encodeEditBoxSettings(es);

    // Reserved fields and unused strings that are not zero: carried through.
    Element odd;
    odd.id = 0x1601001D;
    odd.kind = vx::kKindDropTarget;
    odd.name = gbkOf("拖放对象1");
    for (size_t i = 0; i < 20; ++i) {
        odd.reserved1[i] = static_cast<uint8_t>(i + 1);
        odd.reserved7[i] = static_cast<uint8_t>(0xF0 - i);
    }
    odd.secondText = "second";
    odd.reserved2 = 2;
    odd.reserved3 = 3;
    odd.reserved4 = 4;
    odd.byteStringA = std::string("A\0a", 3);
    odd.byteStringB = "BBBBBB";
    odd.thirdText = "third";
    odd.reserved5 = 5;
    odd.reserved6 = 6;
    odd.extension = encodeDropTargetSettings({});

    w.elements = {window, ratioBox, spin, masked, hint, source, odd};
    WindowRecord r;
    r.windows.push_back(w);
    return r;
}

}  // namespace image::test
