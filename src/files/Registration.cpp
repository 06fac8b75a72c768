// Registering the document file type with the freedesktop desktop for the current user.

#include "files/Registration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

// The icons live in this static library; nothing else would pull them into the program.
static void InitRegistrationResources() { Q_INIT_RESOURCE(registration); }

namespace vexmo {

namespace {

const QString kDefaultGroup = QStringLiteral("[Default Applications]");
constexpr int kToolTimeoutMs = 30000;

QString XdgFolder(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    // Relative paths in these variables are invalid and must be ignored.
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + fallbackUnderHome;
}

bool WriteTextFile(const QString& path, const QString& text) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    // Written aside and renamed, so a failed write never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The icon files, in the order of IconPaths, from the program's resources.
const char* const kIconResources[] = {":/registration/vexmo.svg", ":/registration/vexmo-48.png"};

bool WriteIcons(const RegistrationFolders& folders) {
    InitRegistrationResources();
    const QStringList paths = IconPaths(folders);
    for (int i = 0; i < paths.size(); ++i) {
        QFile source(QString::fromLatin1(kIconResources[i]));
        if (!source.open(QIODevice::ReadOnly)) return false;
        const QByteArray bytes = source.readAll();
        if (!QDir().mkpath(QFileInfo(paths[i]).absolutePath())) return false;
        QSaveFile file(paths[i]);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
        if (!file.commit()) return false;
    }
    return true;
}

bool RemoveFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    return QFile::remove(path);
}

bool ReadTextFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.exists()) {
        text.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

// Runs a database tool when it is installed; a missing tool is no failure, a failing one is.
bool RunTool(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty() || !QFileInfo(folder).isDir()) return true;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {folder});
    if (!process.waitForStarted(kToolTimeoutMs)) return true;
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool RefreshDatabases(const RegistrationFolders& folders) {
    const bool mime = RunTool(QStringLiteral("update-mime-database"), folders.DataHome + QStringLiteral("/mime"));
    const bool desktop =
        RunTool(QStringLiteral("update-desktop-database"), folders.DataHome + QStringLiteral("/applications"));
    return mime && desktop;
}

// Quotes one Exec argument as desktop entries require, or nothing when it cannot be written.
QString QuoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : argument) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return {};
        if (reserved.contains(c)) needsQuotes = true;
    }
    QString text;
    if (needsQuotes) text += QLatin1Char('"');
    for (QChar c : argument) {
        if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                            c == QLatin1Char('\\')))
            text += QLatin1Char('\\');
        text += c;
        if (c == QLatin1Char('%')) text += QLatin1Char('%');  // not a field code
    }
    if (needsQuotes) text += QLatin1Char('"');
    // The value itself is an escaped string, where a backslash is written twice.
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return text;
}

struct GroupRange {
    qsizetype Header = -1;  // line of the group header, -1 when missing
    qsizetype End = 0;      // first line after the group
};

GroupRange FindDefaultGroup(const QStringList& lines) {
    GroupRange range;
    range.End = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (!line.startsWith(QLatin1Char('['))) continue;
        if (range.Header >= 0) {
            range.End = i;
            break;
        }
        if (line == kDefaultGroup) range.Header = i;
    }
    return range;
}

QString KeyOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq).trimmed();
}

QStringList EntriesOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    QStringList entries;
    for (const QString& entry : line.mid(eq + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!entry.trimmed().isEmpty()) entries << entry.trimmed();
    return entries;
}

QStringList SplitLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return lines;
}

QString JoinLines(const QStringList& lines) { return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'); }

}  // namespace

RegistrationFolders UserRegistrationFolders() {
    QStringList dataDirs;
    for (const QString& dir : qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir)) dataDirs << QDir::cleanPath(dir);
    if (dataDirs.isEmpty()) dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return {XdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")),
            XdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")), dataDirs};
}

bool PackagedDesktopEntryInstalled(const RegistrationFolders& folders) {
    for (const QString& dir : folders.DataDirs)
        if (QFileInfo(dir + QStringLiteral("/applications/") + QLatin1String(kDesktopEntryName)).isFile()) return true;
    return false;
}

QString MimePackagePath(const RegistrationFolders& folders) {
    return folders.DataHome + QStringLiteral("/mime/packages/") + QLatin1String(kMimePackageName);
}

QString DesktopEntryPath(const RegistrationFolders& folders) {
    return folders.DataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopEntryName);
}

QString MimeAppsListPath(const RegistrationFolders& folders) {
    return folders.ConfigHome + QStringLiteral("/mimeapps.list");
}

QStringList IconPaths(const RegistrationFolders& folders) {
    const QString theme = folders.DataHome + QStringLiteral("/icons/hicolor/");
    return {theme + QStringLiteral("scalable/apps/vexmo.svg"), theme + QStringLiteral("48x48/apps/vexmo.png")};
}

QString MimePackageText() {
    InitRegistrationResources();
    QFile file(QStringLiteral(":/registration/vexmo-mime.xml"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString DesktopExecLine(const QString& programPath) {
    const QString program = QuoteExecArgument(programPath);
    return program.isEmpty() ? QString() : program + QStringLiteral(" %f");
}

QString DesktopEntryText(const QString& programPath) {
    const QString exec = DesktopExecLine(programPath);
    if (exec.isEmpty()) return {};
    InitRegistrationResources();
    QFile file(QStringLiteral(":/registration/vexmo.desktop"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    // The packaged entry, with the program named by its full path: TryExec hides the entry
    // once the program is gone.
    QString tryExec = programPath;
    tryExec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    QStringList lines = SplitLines(QString::fromUtf8(file.readAll()));
    for (QString& line : lines) {
        if (line.startsWith(QStringLiteral("Exec=")))
            line = QStringLiteral("Exec=") + exec;
        else if (line.startsWith(QStringLiteral("TryExec=")))
            line = QStringLiteral("TryExec=") + tryExec;
    }
    return JoinLines(lines);
}

QString MimeAppsWithDefault(const QString& text, const QString& mimeType, const QString& entry) {
    QStringList lines = SplitLines(text);
    GroupRange group = FindDefaultGroup(lines);
    if (group.Header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QString();
        lines << kDefaultGroup;
        group = {lines.size() - 1, lines.size()};
    }
    for (qsizetype i = group.Header + 1; i < group.End; ++i) {
        if (KeyOf(lines[i]) != mimeType) continue;
        QStringList entries = EntriesOf(lines[i]);
        entries.removeAll(entry);
        entries.prepend(entry);
        lines[i] = mimeType + QLatin1Char('=') + entries.join(QLatin1Char(';')) + QLatin1Char(';');
        return JoinLines(lines);
    }
    qsizetype at = group.End;
    while (at > group.Header + 1 && lines[at - 1].trimmed().isEmpty()) --at;
    lines.insert(at, mimeType + QLatin1Char('=') + entry + QLatin1Char(';'));
    return JoinLines(lines);
}

QString MimeAppsWithoutDefault(const QString& text, const QString& mimeType, const QString& entry) {
    QStringList lines = SplitLines(text);
    const GroupRange group = FindDefaultGroup(lines);
    if (group.Header < 0) return text;
    bool changed = false;
    for (qsizetype i = group.End - 1; i > group.Header; --i) {
        if (KeyOf(lines[i]) != mimeType) continue;
        QStringList entries = EntriesOf(lines[i]);
        if (!entries.removeAll(entry)) continue;
        changed = true;
        if (entries.isEmpty())
            lines.removeAt(i);
        else
            lines[i] = mimeType + QLatin1Char('=') + entries.join(QLatin1Char(';')) + QLatin1Char(';');
    }
    if (!changed) return text;
    // A group left empty goes too, with the blank line that separated it.
    const GroupRange after = FindDefaultGroup(lines);
    bool empty = true;
    for (qsizetype i = after.Header + 1; i < after.End; ++i) empty = empty && lines[i].trimmed().isEmpty();
    if (empty) {
        lines.remove(after.Header, after.End - after.Header);
        if (after.Header > 0 && after.Header == lines.size() && lines.last().trimmed().isEmpty()) lines.removeLast();
    }
    return JoinLines(lines);
}

RegistrationResult RegisterFileType(const RegistrationFolders& folders, const QString& programPath) {
    const QString entryText = DesktopEntryText(QFileInfo(programPath).absoluteFilePath());
    if (programPath.isEmpty() || entryText.isEmpty()) return RegistrationResult::Failed;
    if (!WriteTextFile(MimePackagePath(folders), MimePackageText())) return RegistrationResult::Failed;
    if (PackagedDesktopEntryInstalled(folders)) {
        if (!RemoveFile(DesktopEntryPath(folders))) return RegistrationResult::Failed;
    } else if (!WriteTextFile(DesktopEntryPath(folders), entryText)) {
        return RegistrationResult::Failed;
    }
    if (!WriteIcons(folders)) return RegistrationResult::Failed;

    QString mimeApps;
    const QString mimeAppsPath = MimeAppsListPath(folders);
    if (!ReadTextFile(mimeAppsPath, mimeApps)) return RegistrationResult::Failed;
    const QString updated =
        MimeAppsWithDefault(mimeApps, QLatin1String(kDocumentMimeType), QLatin1String(kDesktopEntryName));
    if (updated != mimeApps && !WriteTextFile(mimeAppsPath, updated)) return RegistrationResult::Failed;

    return RefreshDatabases(folders) ? RegistrationResult::Done : RegistrationResult::Failed;
}

RegistrationResult UnregisterFileType(const RegistrationFolders& folders) {
    bool ok = RemoveFile(MimePackagePath(folders));
    ok = RemoveFile(DesktopEntryPath(folders)) && ok;
    for (const QString& icon : IconPaths(folders)) ok = RemoveFile(icon) && ok;

    QString mimeApps;
    const QString mimeAppsPath = MimeAppsListPath(folders);
    if (ReadTextFile(mimeAppsPath, mimeApps)) {
        const QString updated =
            MimeAppsWithoutDefault(mimeApps, QLatin1String(kDocumentMimeType), QLatin1String(kDesktopEntryName));
        if (updated != mimeApps)
            ok = (updated.trimmed().isEmpty() ? RemoveFile(mimeAppsPath) : WriteTextFile(mimeAppsPath, updated)) && ok;
    } else {
        ok = false;
    }

    ok = RefreshDatabases(folders) && ok;
    return ok ? RegistrationResult::Done : RegistrationResult::Failed;
}

QString RegistrationText(RegistrationMessage message, int language) {
    const bool english = language == 1;
    switch (message) {
    case RegistrationMessage::RegisterQuestion:
        return english ? QStringLiteral("Vexmo will register calculation documents (*.vxm) with your desktop, for your "
                                        "user account only: the document file type, Vexmo as the application that "
                                        "opens it, and its icon. File managers will then open calculation documents "
                                        "with Vexmo.")
                       : QStringLiteral("Vexmoの計算文書ファイル(*.vxm)をこのユーザーのデスクトップに登録します．"
                                        "ファイルの種類、それを開くアプリケーションとしてのVexmo、アイコンを登録します．"
                                        "これにより、計算文書ファイルをファイルマネージャー等で開くことが出来るようになります．");
    case RegistrationMessage::RegisterDone:
        return english ? QStringLiteral("Calculation documents (*.vxm) have been registered: the file type, Vexmo as "
                                        "its default application, and its icon. A file manager that is already "
                                        "open may show the change only after it is restarted.")
                       : QStringLiteral("計算文書ファイル(*.vxm)を登録しました（ファイルの種類、既定のアプリケーション、"
                                        "アイコン）．既に開いているファイルマネージャーには、開き直すまで反映されない"
                                        "場合があります．");
    case RegistrationMessage::RegisterFailed:
        return english ? QStringLiteral("Calculation documents (*.vxm) could not be registered. Check that your data "
                                        "folder (~/.local/share) and configuration folder (~/.config) can be "
                                        "written, then try again.")
                       : QStringLiteral("計算文書ファイル(*.vxm)を登録できませんでした．データフォルダ(~/.local/share)と"
                                        "設定フォルダ(~/.config)に書き込めるか確かめてから、もう一度試してください．");
    case RegistrationMessage::UnregisterQuestion:
        return english ? QStringLiteral("Vexmo will remove the registration of calculation documents (*.vxm) from "
                                        "your desktop: the document file type, Vexmo as its default application, "
                                        "and its icon. File managers will then no longer open calculation "
                                        "documents with Vexmo.")
                       : QStringLiteral("計算文書ファイル(*.vxm)の登録をこのユーザーのデスクトップから抹消します"
                                        "（ファイルの種類、既定のアプリケーション、アイコン）．これにより、計算文書ファイルを"
                                        "ファイルマネージャー等で開くことが出来なくなりますので注意が必要です．");
    case RegistrationMessage::UnregisterDone:
        return english ? QStringLiteral("The registration of calculation documents (*.vxm) has been removed: the file "
                                        "type, the default application and the icon. A file manager that is "
                                        "already open may show the change only after it is restarted.")
                       : QStringLiteral("計算文書ファイル(*.vxm)の登録を抹消しました（ファイルの種類、既定のアプリケーション、"
                                        "アイコン）．既に開いているファイルマネージャーには、開き直すまで反映されない"
                                        "場合があります．");
    case RegistrationMessage::UnregisterFailed:
        return english ? QStringLiteral("The registration of calculation documents (*.vxm) could not be removed "
                                        "completely. Check that your data folder (~/.local/share) and "
                                        "configuration folder (~/.config) can be written, then try again.")
                       : QStringLiteral("計算文書ファイル(*.vxm)の登録を完全には抹消できませんでした．データフォルダ"
                                        "(~/.local/share)と設定フォルダ(~/.config)に書き込めるか確かめてから、"
                                        "もう一度試してください．");
    }
    return {};
}

namespace {

RegistrationOutcome RunCommand(QWidget* parent, int language, RegistrationMessage question,
                               RegistrationMessage done, RegistrationMessage failed,
                               RegistrationResult (*act)(const RegistrationFolders&, const QString&)) {
    const QString title = QStringLiteral("Vexmo");
    const auto answer = QMessageBox::information(parent, title, RegistrationText(question, language),
                                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok) return RegistrationOutcome::Cancelled;
    const RegistrationResult result = act(UserRegistrationFolders(), QCoreApplication::applicationFilePath());
    const bool ok = result == RegistrationResult::Done;
    QMessageBox::information(parent, title, RegistrationText(ok ? done : failed, language), QMessageBox::Ok);
    return ok ? RegistrationOutcome::Done : RegistrationOutcome::Failed;
}

}  // namespace

RegistrationOutcome ExecuteRegisterCommand(QWidget* parent, int language) {
    return RunCommand(parent, language, RegistrationMessage::RegisterQuestion, RegistrationMessage::RegisterDone,
                      RegistrationMessage::RegisterFailed, &RegisterFileType);
}

RegistrationOutcome ExecuteUnregisterCommand(QWidget* parent, int language) {
    return RunCommand(parent, language, RegistrationMessage::UnregisterQuestion, RegistrationMessage::UnregisterDone,
                      RegistrationMessage::UnregisterFailed,
                      [](const RegistrationFolders& folders, const QString&) { return UnregisterFileType(folders); });
}

}  // namespace vexmo
