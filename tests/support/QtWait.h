#pragma once
// Waits on the event loop that end with a failure message instead of hanging.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QtCore/qtestsupport_core.h>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <type_traits>
#include <string>

namespace vexmo::test {

// Runs the event loop until `done` holds, failing after `milliseconds`.
template <typename Done>
::testing::AssertionResult WaitUntil(Done done, const std::string& what,
                                     int milliseconds = 30000) {
    if (QTest::qWaitFor(done, milliseconds)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "still waiting after " << milliseconds << " ms for " << what;
}

// Lets the window's idle update (a zero-timer named "idleUpdate") run: the events already
// queued first, then until the timer is no longer pending.
inline ::testing::AssertionResult WaitForIdleUpdate(const QObject& window) {
    QCoreApplication::processEvents();
    const QTimer* idle = window.findChild<QTimer*>(QStringLiteral("idleUpdate"));
    if (!idle) return ::testing::AssertionFailure() << "the window has no idle update";
    return WaitUntil([idle] { return !idle->isActive(); }, "the idle update");
}

// Answers the next modal dialog (or pop-up menu) of type `Widget` once it shows, from a
// timer that only looks and acts: checks belong after the dialog returned, on what the
// answer recorded. A dialog the answer leaves open is rejected, so a failing test never
// hangs on it; the timer ends with this object.
template <typename Widget>
class AnswerWhenShown {
  public:
    explicit AnswerWhenShown(std::function<void(Widget&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            QWidget* active = std::is_base_of_v<QMenu, Widget>
                                  ? QApplication::activePopupWidget()
                                  : QApplication::activeModalWidget();
            Widget* shown = qobject_cast<Widget*>(active);
            if (!shown) return;
            timer_.stop();
            shown_ = true;
            answer_(*shown);
            if (shown->isVisible()) {
                if constexpr (std::is_base_of_v<QDialog, Widget>)
                    shown->reject();
                else
                    shown->close();
            }
        });
        timer_.start(5);
    }
    bool Shown() const { return shown_; }

  private:
    std::function<void(Widget&)> answer_;
    QTimer timer_;
    bool shown_ = false;
};

// The same for a dialog opened where no object can outlive it: the timer goes with the
// answer, or after `milliseconds` with a failure when no such dialog showed.
template <typename Widget>
void AnswerNextDialog(std::function<void(Widget&)> answer, int milliseconds = 10000) {
    auto* watch = new AnswerWhenShown<Widget>(std::move(answer));
    auto* done = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(done, &QTimer::timeout, done, [watch, done, waited, milliseconds] {
        *waited += 5;
        if (!watch->Shown() && *waited < milliseconds) return;
        if (!watch->Shown()) ADD_FAILURE() << "no dialog showed within " << milliseconds << " ms";
        delete watch;
        done->deleteLater();
    });
    done->start(5);
}

} // namespace vexmo::test
