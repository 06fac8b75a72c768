// Program start: the application, the main window, then the message loop.

#include "shell/Actions.h"
#include "shell/MainWnd.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Dorv"));
    QApplication::setApplicationName(QStringLiteral("Vexmo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vexmo"));
    QApplication::setApplicationVersion(QStringLiteral(VEXMO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vexmo"));
    QApplication::setWindowIcon(vexmo::ProgramIcon());
    // The program ends with its main window, even while the Variables window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    vexmo::TFrmMain mainWindow(QApplication::arguments().mid(1));
    QObject::connect(&mainWindow, &vexmo::TFrmMain::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    mainWindow.show();
    return app.exec();
}
