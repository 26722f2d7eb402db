// The top-level window built from a window record's element 0: fixed size
// (window_frame.h), caption and icon. Closing it asks first: the program's "window going away"
// handler runs before anything is destroyed.
#pragma once

#include <functional>

#include <QWidget>

namespace vexrun {

class MainWindowWidget : public QWidget {
public:
    MainWindowWidget();

    // Asked when the user closes the window; true lets it close now.
    void setCloseRequest(std::function<bool()> request) { closeRequest_ = std::move(request); }
    // Closes without asking again (after the handler has run).
    void closeNow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> closeRequest_;
    bool closing_ = false;
};

}  // namespace vexrun
