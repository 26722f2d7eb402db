#include "vexrun/kernel/qt/progress_box.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vexrun {
namespace {

constexpr int kPollMs = 20;
constexpr int kBarSteps = 1000;

// "还需约 1 分 05 秒": the time left from the pace so far, once there is one.
QString timeLeftText(double share, double seconds) {
    if (share < 0.02 || seconds < 0.5) return QStringLiteral("正在估计剩余时间…");
    const auto left = static_cast<long>(std::lround(seconds * (1 - share) / share));
    if (left < 60) return QStringLiteral("还需约 %1 秒").arg(std::max(left, 1L));
    return QStringLiteral("还需约 %1 分 %2 秒").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
}

class ProgressDialog : public QDialog {
public:
    ProgressDialog(QWidget* parent, const ProgressBoxTexts& texts, ProgressWork& work, const ProgressCancelPlan& plan,
                   ProgressBoxRecord& record)
        : QDialog(parent), work_(work), plan_(plan), record_(record) {
        setWindowTitle(QString::fromStdString(texts.caption));
        setWindowModality(Qt::ApplicationModal);
        setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
        auto* rows = new QVBoxLayout(this);
        status_ = new QLabel(QString::fromStdString(work.status()), this);
        status_->setMinimumWidth(320);
        bar_ = new QProgressBar(this);
        bar_->setRange(0, kBarSteps);
        bar_->setFormat(QStringLiteral("%p%"));
        left_ = new QLabel(timeLeftText(0, 0), this);
        button_ = new QPushButton(QString::fromUtf8(kProgressCancelCaption), this);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(button_);
        rows->addWidget(status_);
        rows->addWidget(bar_);
        rows->addWidget(left_);
        rows->addLayout(buttons);
        connect(button_, &QPushButton::clicked, this, [this] { cancel(); });
        record_ = {texts.caption, work.status(), kProgressCancelCaption, {}};

        started_ = std::chrono::steady_clock::now();
        worker_ = std::thread([this] {
            work_.run();
            finished_.store(true);
        });
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] { update(); });
        poll->start(kPollMs);
    }
    ~ProgressDialog() override {
        if (worker_.joinable()) worker_.join();
    }

    bool cancelled() const { return cancelled_; }

protected:
    // Closing the box, or Esc, is 取消; the box goes once the work stopped.
    void reject() override { cancel(); }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        cancel();
    }

private:
    void cancel() {
        if (cancelled_ || finished_.load()) return;
        cancelled_ = true;
        record_.cancelledAt = std::chrono::steady_clock::now();
        work_.cancel();
        button_->setEnabled(false);
        status_->setText(QStringLiteral("正在取消…"));
    }

    void update() {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        if (finished_.load()) {
            worker_.join();
            record_.ended = cancelled_ ? "cancelled" : "done";
            done(cancelled_ ? QDialog::Rejected : QDialog::Accepted);
            return;
        }
        if (cancelled_) return;
        const double share = std::clamp(work_.shareDone(), 0.0, 1.0);
        if (planCancels(plan_, seconds, share)) {
            cancel();
            return;
        }
        status_->setText(QString::fromStdString(work_.status()));
        bar_->setValue(static_cast<int>(share * kBarSteps));
        left_->setText(timeLeftText(share, seconds));
    }

    ProgressWork& work_;
    ProgressCancelPlan plan_;
    ProgressBoxRecord& record_;
    QLabel* status_;
    QProgressBar* bar_;
    QLabel* left_;
    QPushButton* button_;
    std::chrono::steady_clock::time_point started_;
    std::thread worker_;
    std::atomic<bool> finished_{false};
    bool cancelled_ = false;
};

}  // namespace

bool runUnderProgressBox(QWidget* parent, const ProgressBoxTexts& texts, ProgressWork& work,
                         const ProgressCancelPlan& plan, ProgressBoxRecord& record) {
    ProgressDialog box(parent, texts, work, plan, record);
    box.exec();
    return !box.cancelled();
}

}  // namespace vexrun
