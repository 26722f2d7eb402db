// A file drag source on the X display, for dropping a file on a window of
// another program as a file manager does (XDND with a file URL):
//   x-file-drag-source FILE X Y
// shows an 80 x 80 window at X,Y, prints "ready CX CY" (the screen point to
// press on) once it is shown, starts a drag of FILE when pressed there, and
// prints "dropped" (the target took the file) or "refused" when the drag ends,
// then quits with status 0 or 1.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(const QString& path) : path_(path) {
        setFixedSize(80, 80);
        setWindowTitle(QStringLiteral("x-file-drag-source"));
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(path_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf("%s\n", done == Qt::CopyAction ? "dropped" : "refused");
        std::fflush(stdout);
        QApplication::exit(done == Qt::CopyAction ? 0 : 1);
    }

private:
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: x-file-drag-source FILE X Y\n");
        return 2;
    }
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.move(QString::fromLocal8Bit(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]).toInt());
    source.show();
    // Shown and placed: the X server has mapped it by now.
    QTimer::singleShot(300, &source, [&source] {
        const QPoint centre = source.mapToGlobal(QPoint(40, 40));
        std::printf("ready %d %d\n", centre.x(), centre.y());
        std::fflush(stdout);
    });
    return app.exec();
}
