// Program start: the application, the main window, then the message loop.

#include "files/DocumentFile.h"
#include "shell/Actions.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <string_view>

namespace {

constexpr const char* kHelp =
    "Usage: vexmo [FILE]\n"
    "Vexmo, the calculator that works like a text document. Opens the calculation\n"
    "document FILE at start when it is the only argument.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "The manual opens with Help > Index or F1; vexmo-calc(1) calculates documents\n"
    "without a window.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window exists, so that they work without a display. A document
    // that is really called so can still be opened as ./--help.
    if (argc == 2) {
        const std::string_view argument = argv[1];
        if (argument == "-h" || argument == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("vexmo %s\n", VEXMO_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Dorv"));
    QApplication::setApplicationName(QStringLiteral("Vexmo"));
    // No display name: the desktop would append it to every caption that does not already end
    // with it, giving some dialogs a suffix and others none.
    QApplication::setApplicationVersion(QStringLiteral(VEXMO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vexmo"));
    QApplication::setWindowIcon(vexmo::ProgramIcon());
    // The program ends with its main window, even while the Variables window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    // The document is named by the bytes of its argument: QApplication::arguments() would
    // replace bytes that are not UTF-8, and the file could not be found again. QApplication
    // has taken its own options out of argv by now.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << vexmo::PathFromNativeBytes(QByteArray(argv[i]));
    vexmo::TFrmMain mainWindow(arguments);
    QObject::connect(&mainWindow, &vexmo::TFrmMain::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    mainWindow.show();
    return app.exec();
}
