#pragma once
// Waits on the event loop that end with a failure message instead of hanging.

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QtCore/qtestsupport_core.h>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
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

// Runs the event loop until a zero timer started now has fired: the work put off to the next
// turn of the event loop before this call (queued calls, zero timers) is done.
inline ::testing::AssertionResult WaitForDeferredWork(int milliseconds = 10000) {
    auto* turn = new QTimer(qApp);
    auto fired = std::make_shared<bool>(false);
    turn->setSingleShot(true);
    QObject::connect(turn, &QTimer::timeout, turn, [turn, fired] {
        *fired = true;
        turn->deleteLater();
    });
    turn->start(0);
    return WaitUntil([fired] { return *fired; }, "the work put off to the next turn of the event loop",
                     milliseconds);
}

// Answers the next modal dialog (or pop-up menu) of type `Widget` once it shows, from a
// timer that only looks and acts: checks belong after the dialog returned, on what the
// answer recorded. A dialog the answer leaves open, and one of another type, is rejected
// (the latter as a failure), so a failing test never hangs on it; the timer ends with this
// object.
template <typename Widget>
class AnswerWhenShown {
  public:
    explicit AnswerWhenShown(std::function<void(Widget&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            QWidget* active = std::is_base_of_v<QMenu, Widget>
                                  ? QApplication::activePopupWidget()
                                  : QApplication::activeModalWidget();
            if (!active) return;
            Widget* shown = qobject_cast<Widget*>(active);
            if (!shown) {
                // Another dialog would wait for an answer that never comes.
                ADD_FAILURE() << "expected a " << Widget::staticMetaObject.className()
                              << ", not a " << active->metaObject()->className();
                if (auto* dialog = qobject_cast<QDialog*>(active))
                    dialog->reject();
                else
                    active->close();
                return;
            }
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

// Answers modal dialogs as they show, in order, from a timer that acts on the active modal
// widget: each step is handed the next dialog and may check it. No dialog is left open to
// hang a test, even when a check fails: one of a type the step did not expect, one the last
// step leaves open and one shown when no step is left are rejected. Unexpected dialogs fail
// the test unless the answers are to close every dialog; so does a step never used.
class ModalAnswers {
  public:
    enum class Others { Fail, Close };
    explicit ModalAnswers(Others others = Others::Fail) : others_(others) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Look(); });
        timer_.start(5);
    }
    ~ModalAnswers() {
        if (!steps_.empty()) ADD_FAILURE() << steps_.size() << " expected dialog(s) never showed";
    }
    ModalAnswers(const ModalAnswers&) = delete;
    ModalAnswers& operator=(const ModalAnswers&) = delete;

    // The next dialog is a `Widget`, handed to `step`.
    template <typename Widget>
    ModalAnswers& Then(std::function<void(Widget&)> step) {
        steps_.push_back([step = std::move(step)](QWidget& shown) {
            Widget* dialog = qobject_cast<Widget*>(&shown);
            if (dialog)
                step(*dialog);
            else
                ADD_FAILURE() << "expected a " << Widget::staticMetaObject.className()
                              << ", not a " << shown.metaObject()->className();
            return dialog != nullptr;
        });
        return *this;
    }
    // The next dialog is a message box, answered with `button`.
    ModalAnswers& Answer(QMessageBox::StandardButton button) {
        return Then<QMessageBox>([button](QMessageBox& box) {
            if (QAbstractButton* pressed = box.button(button))
                pressed->click();
            else
                ADD_FAILURE() << "the message box has no button " << button;
        });
    }
    bool Done() const { return steps_.empty(); }
    // Ends after the last step, or with a failure after `milliseconds`: for an answer that
    // outlives the statement that set it up.
    void DeleteWhenDone(int milliseconds) { deadline_.setRemainingTime(milliseconds); }

    QStringList Texts; // of every message box shown, in order

  private:
    void Look() {
        if (QWidget* shown = QApplication::activeModalWidget())
            Handle(*shown);
        if (deadline_.isForever() || (!Done() && !deadline_.hasExpired())) return;
        if (!Done()) ADD_FAILURE() << "no dialog showed in time";
        steps_.clear();
        timer_.stop();
        QTimer::singleShot(0, qApp, [this] { delete this; });
    }
    void Handle(QWidget& shown) {
        if (auto* box = qobject_cast<QMessageBox*>(&shown); box && box != last_)
            Texts << box->text();
        const QPointer<QWidget> dialog(&shown);
        Act(shown);
        // Only a dialog left open for the next step is the same showing of it.
        last_ = dialog && dialog->isVisible() ? dialog : nullptr;
    }
    void Act(QWidget& shown) {
        const QPointer<QWidget> dialog(&shown);
        if (!steps_.empty()) {
            const std::function<bool(QWidget&)> step = std::move(steps_.front());
            steps_.pop_front();
            // A dialog the step took stays open for the next step when it asks for one.
            if (step(shown) && (!steps_.empty() || !dialog || !dialog->isVisible())) return;
        } else if (others_ == Others::Fail) {
            ADD_FAILURE() << "unexpected dialog " << shown.metaObject()->className();
        }
        if (auto* modal = qobject_cast<QDialog*>(dialog.data()))
            modal->reject();
        else if (dialog)
            dialog->close();
    }

    Others others_;
    std::deque<std::function<bool(QWidget&)>> steps_;
    QPointer<QWidget> last_;
    QDeadlineTimer deadline_{QDeadlineTimer::Forever};
    QTimer timer_;
};

// The same for a dialog opened where no object can outlive it: the answer goes with the
// dialog, or after `milliseconds` with a failure when no such dialog showed.
template <typename Widget>
void AnswerNextDialog(std::function<void(Widget&)> answer, int milliseconds = 10000) {
    auto* answers = new ModalAnswers;
    answers->Then<Widget>(std::move(answer));
    answers->DeleteWhenDone(milliseconds);
}

} // namespace vexmo::test
