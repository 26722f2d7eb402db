#include "vexrun/dravolt/drop_zone.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "runtime/vexrun_interface.h"

namespace dravolt {

namespace {
constexpr const char* kZoneName = "vexrun-drop-zone";
}

bool isReadableRegularFile(const std::string& path) {
    if (path.empty()) return false;
    // O_NONBLOCK: opening a FIFO must not wait; it is refused below anyway.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return ok;
}

std::optional<std::string> acceptableFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return std::nullopt;
    QByteArray local = QFile::encodeName(urls.first().toLocalFile());
    std::string path(local.constData(), size_t(local.size()));
    if (!isReadableRegularFile(path)) return std::nullopt;
    return path;
}

DropZone::DropZone(QWidget* widget, vexrun::ControlHost* host, uint32_t windowId, uint32_t dropTargetId)
    : QObject(widget), host_(host), windowId_(windowId), dropTargetId_(dropTargetId) {
    setObjectName(QString::fromLatin1(kZoneName));
}

void DropZone::install(QWidget* widget, vexrun::ControlHost* host, uint32_t windowId, uint32_t dropTargetId) {
    host->dropZoneMade(windowId, dropTargetId, widget);
    if (auto* old = widget->findChild<DropZone*>(QString::fromLatin1(kZoneName), Qt::FindDirectChildrenOnly)) {
        old->host_ = host;
        old->windowId_ = windowId;
        old->dropTargetId_ = dropTargetId;
        return;
    }
    auto* zone = new DropZone(widget, host, windowId, dropTargetId);
    widget->setAcceptDrops(true);
    widget->installEventFilter(zone);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
        area->viewport()->setAcceptDrops(true);
        area->viewport()->installEventFilter(zone);
    }
}

bool DropZone::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            if (!e->mimeData()->hasUrls()) return false;  // dragged text: the box's own business
            if (acceptableFile(e->mimeData())) {
                e->setDropAction(Qt::CopyAction);
                e->accept();
            } else {
                e->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            if (!e->mimeData()->hasUrls()) return false;
            // Checked again: the file may have gone since the drag entered.
            auto path = acceptableFile(e->mimeData());
            if (!path) {
                e->ignore();
                return true;
            }
            e->setDropAction(Qt::CopyAction);
            e->accept();
            host_->fileDropped(windowId_, dropTargetId_, static_cast<QWidget*>(parent()), std::move(*path));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace dravolt
