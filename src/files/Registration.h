#pragma once
// Registration of the document file type with the desktop, for the current user: a
// shared-mime-info package for *.vxm, a desktop entry that opens a document with this program,
// and this program as the type's default application.

#include <QString>
#include <QStringList>

class QWidget;

namespace vexmo {

inline constexpr char kDocumentMimeType[] = "application/x-vexmo";
inline constexpr char kDesktopEntryName[] = "vexmo.desktop";
inline constexpr char kMimePackageName[] = "vexmo.xml";

// Where the registration lives: the user's data folder ($XDG_DATA_HOME, default
// ~/.local/share) and configuration folder ($XDG_CONFIG_HOME, default ~/.config).
// The system's data folders ($XDG_DATA_DIRS, default /usr/local/share and /usr/share) are
// where an installed package keeps its desktop entry.
struct RegistrationFolders {
    QString DataHome;
    QString ConfigHome;
    QStringList DataDirs = {};
};
RegistrationFolders UserRegistrationFolders();

// Whether a package has installed the program's desktop entry in one of the data folders.
bool PackagedDesktopEntryInstalled(const RegistrationFolders& folders);

// The files registration writes.
QString MimePackagePath(const RegistrationFolders& folders);    // DataHome/mime/packages/vexmo.xml
QString DesktopEntryPath(const RegistrationFolders& folders);   // DataHome/applications/vexmo.desktop
QString MimeAppsListPath(const RegistrationFolders& folders);   // ConfigHome/mimeapps.list
// The document icon in the user's icon theme folder, as a scalable drawing and as a 48-pixel
// image for desktops that do not draw SVG: DataHome/icons/hicolor/<size>/apps/vexmo.<ext>.
QStringList IconPaths(const RegistrationFolders& folders);

// The contents written for the program at `programPath`: the MIME type with its English
// comment and the Japanese one beside it; the desktop entry as the package installs it
// (names, comments, keywords in both languages), run and tried by the program's full path.
QString MimePackageText();
QString DesktopEntryText(const QString& programPath);
// The Exec value: the program as one argument (quoted when it must be), then the document.
QString DesktopExecLine(const QString& programPath);

enum class RegistrationResult { Done, Failed };

// Writes the package, the desktop entry, the icon and the default association, then refreshes the
// desktop databases with the tools that are installed. Files written before a failure stay.
// When a package has installed the desktop entry, no entry of the user's own is written (one
// left by an earlier registration is taken away), so the packaged one is not hidden; the
// default association names that entry.
RegistrationResult RegisterFileType(const RegistrationFolders& folders, const QString& programPath);
// Removes what RegisterFileType wrote; nothing registered counts as done.
RegistrationResult UnregisterFileType(const RegistrationFolders& folders);

// `mimeapps.list` text with `entry` made the default of `mimeType`, or taken out of it.
QString MimeAppsWithDefault(const QString& text, const QString& mimeType, const QString& entry);
QString MimeAppsWithoutDefault(const QString& text, const QString& mimeType, const QString& entry);

enum class RegistrationMessage {
    RegisterQuestion,
    RegisterDone,
    RegisterFailed,
    UnregisterQuestion,
    UnregisterDone,
    UnregisterFailed,
};
// 1 selects English, any other language Japanese.
QString RegistrationText(RegistrationMessage message, int language);

enum class RegistrationOutcome { Cancelled, Done, Failed };

// The two commands: ask (OK / Cancel), act on OK, report the result. They register the running
// program for the current user.
RegistrationOutcome ExecuteRegisterCommand(QWidget* parent, int language);
RegistrationOutcome ExecuteUnregisterCommand(QWidget* parent, int language);

}  // namespace vexmo
