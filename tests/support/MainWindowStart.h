#pragma once
// The main window as the tests start it: after its deferred start-up, as on a first run.

#include "shell/MainWnd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace vexmo::test {

// Nothing stored by an earlier run and nothing on the clipboard.
inline void ForgetEarlierRuns() {
    QSettings(QStringLiteral("Dorv"), QStringLiteral("Vexmo")).clear();
    QGuiApplication::clipboard()->clear();
}

// Waits for the deferred start-up of a window made since the event loop last ran.
inline ::testing::AssertionResult WaitForStartup(TFrmMain& window, int milliseconds = 10000) {
    QSignalSpy started(&window, &TFrmMain::StartupFinished);
    if (started.wait(milliseconds)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the main window's start-up did not finish within " << milliseconds << " ms";
}

// A main window with these command-line arguments, after its start-up.
inline std::unique_ptr<TFrmMain> StartMainWindow(const QStringList& arguments = {},
                                                 int milliseconds = 10000) {
    auto window = std::make_unique<TFrmMain>(arguments);
    EXPECT_TRUE(WaitForStartup(*window, milliseconds));
    return window;
}

// Tests on one main window started as on a first run. A fixture adding to SetUp may go on
// after a failed start-up: the window and its pane are there.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ForgetEarlierRuns();
        window = std::make_unique<TFrmMain>();
        pane = window->Pane();
        ASSERT_TRUE(WaitForStartup(*window));
    }

    std::unique_ptr<TFrmMain> window;
    TEditPane* pane = nullptr;
};

} // namespace vexmo::test
