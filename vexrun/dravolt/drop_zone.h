// A drop zone: the widget behind a window handle, made to take dropped files
// for a drop target object. A drop of a readable regular file goes to the
// kernel library with the file's local path, which reads it and raises the drop
// target's event 3 for a text (or says why not); anything else (a folder, a
// file that cannot be opened or has gone, a link to nowhere) is refused at the
// drop.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>

#include <QObject>

#include "vexrun/kernel/qt/windowing.h"

class QMimeData;
class QWidget;

namespace dravolt {

// True when `path` names a regular file this process can open for reading.
bool isReadableRegularFile(const std::string& path);

// The local path (bytes, as the file system holds them) of the first file
// the data names, when it is a file the zone takes.
std::optional<std::string> acceptableFile(const QMimeData* data);

class DropZone : public QObject {
public:
    // Makes `widget` (and its viewport, for a scrolled box) a zone raising
    // event 3 of the element `dropTargetId`. A widget has one zone; making it
    // again replaces the target.
    static void install(QWidget* widget, vexrun::ControlHost* host, uint32_t windowId, uint32_t dropTargetId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DropZone(QWidget* widget, vexrun::ControlHost* host, uint32_t windowId, uint32_t dropTargetId);
    vexrun::ControlHost* host_;
    uint32_t windowId_;
    uint32_t dropTargetId_;
};

}  // namespace dravolt
