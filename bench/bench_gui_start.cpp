// How quickly the desktop program shows its window: the application object once, then the
// main window from construction to shown with its deferred start-up done.

#include "shell/MainWnd.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

void BM_MainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        vexmo::TFrmMain window;
        bool started = false;
        QObject::connect(&window, &vexmo::TFrmMain::StartupFinished, [&] { started = true; });
        window.show();
        while (!started) QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;  // no stored settings of the user's own
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());

    const auto begin = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    const double appMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
            .count();

    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("application_start_ms", std::to_string(appMs));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
