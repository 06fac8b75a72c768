// File-type registration in temporary data and configuration folders: the files written, their
// removal, folders that cannot be written, the default application, and the two commands.

#include "files/Registration.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace vexmo;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class RegistrationFiles : public ::testing::Test {
  protected:
    QTemporaryDir home_;  // first: the folders below are made from it
    RegistrationFolders folders_{home_.filePath(QStringLiteral("data")), home_.filePath(QStringLiteral("config"))};
    const QString program_ = QStringLiteral("/opt/vexmo tools/bin/vexmo");
};

}  // namespace

// The MIME type comes with its English comment and the Japanese one beside it; the user's own
// desktop entry is written only while no package has installed one, and then as the package's
// entry (translations, keywords) run and tried by the program's full path.
TEST_F(RegistrationFiles, RegisterWritesPackageEntryAndDefault) {
    struct Row {
        const char* name;
        bool packaged;  // a desktop entry installed in a system data folder
    };
    const Row rows[] = {{"no packaged entry", false}, {"packaged entry installed", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir system;
        RegistrationFolders folders = folders_;
        folders.DataDirs = {system.filePath(QStringLiteral("share"))};
        if (row.packaged) {
            ASSERT_TRUE(QDir().mkpath(folders.DataDirs.front() + QStringLiteral("/applications")));
            QFile packaged(folders.DataDirs.front() + QStringLiteral("/applications/vexmo.desktop"));
            ASSERT_TRUE(packaged.open(QIODevice::WriteOnly));
        }
        ASSERT_EQ(RegisterFileType(folders, program_), RegistrationResult::Done);

        const QString package = QString::fromUtf8(ReadAll(MimePackagePath(folders)));
        EXPECT_TRUE(package.contains(QStringLiteral("<glob pattern=\"*.vxm\"/>")));
        EXPECT_TRUE(package.contains(QStringLiteral("<comment>Vexmo calculation document</comment>")));
        EXPECT_TRUE(package.contains(QStringLiteral("<comment xml:lang=\"ja\">Vexmo計算文書ファイル</comment>")));
        EXPECT_TRUE(package.contains(QStringLiteral("type=\"application/x-vexmo\"")));

        EXPECT_EQ(ReadAll(MimeAppsListPath(folders)),
                  QByteArray("[Default Applications]\napplication/x-vexmo=vexmo.desktop;\n"));
        for (const QString& icon : IconPaths(folders)) EXPECT_GT(ReadAll(icon).size(), 100) << icon.toStdString();
        // With the tools installed, the MIME database knows the type afterwards.
        if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
            EXPECT_TRUE(QFile::exists(folders.DataHome + QStringLiteral("/mime/application/x-vexmo.xml")));
        }

        if (row.packaged) {
            EXPECT_FALSE(QFile::exists(DesktopEntryPath(folders))) << "it would hide the packaged one";
            continue;
        }
        const QString entry = QString::fromUtf8(ReadAll(DesktopEntryPath(folders)));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=\"/opt/vexmo tools/bin/vexmo\" %f\n")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nTryExec=/opt/vexmo tools/bin/vexmo\n")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nMimeType=application/x-vexmo;\n")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nComment[ja]=")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nKeywords=calculator;")));
        EXPECT_TRUE(entry.contains(QStringLiteral("\nKeywords[ja]=")));
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            QProcess validate;
            validate.start(validator, {DesktopEntryPath(folders)});
            ASSERT_TRUE(validate.waitForFinished(30000));
            EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
        }
        // The entry stays in place for the next row, which must take it away.
    }
}

TEST_F(RegistrationFiles, RegisteringTwiceGivesTheSameFiles) {
    ASSERT_EQ(RegisterFileType(folders_, program_), RegistrationResult::Done);
    const QString paths[] = {MimePackagePath(folders_), DesktopEntryPath(folders_), MimeAppsListPath(folders_)};
    QList<QByteArray> first;
    for (const QString& path : paths) first << ReadAll(path);
    ASSERT_EQ(RegisterFileType(folders_, program_), RegistrationResult::Done);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadAll(paths[i]), first[i]) << paths[i].toStdString();
}

TEST_F(RegistrationFiles, UnregisterRemovesWhatRegisterWrote) {
    // Another application's defaults are kept, before and after.
    const QByteArray others = "[Default Applications]\ntext/plain=org.gnome.TextEditor.desktop;\n";
    QDir().mkpath(folders_.ConfigHome);
    QFile list(MimeAppsListPath(folders_));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(others);
    list.close();

    ASSERT_EQ(RegisterFileType(folders_, program_), RegistrationResult::Done);
    ASSERT_EQ(UnregisterFileType(folders_), RegistrationResult::Done);
    EXPECT_FALSE(QFile::exists(MimePackagePath(folders_)));
    EXPECT_FALSE(QFile::exists(DesktopEntryPath(folders_)));
    EXPECT_EQ(ReadAll(MimeAppsListPath(folders_)), others);
    for (const QString& icon : IconPaths(folders_)) EXPECT_FALSE(QFile::exists(icon)) << icon.toStdString();

    // Nothing registered: still done, and nothing is created.
    EXPECT_EQ(UnregisterFileType(folders_), RegistrationResult::Done);
    RegistrationFolders empty{folders_.DataHome + QStringLiteral("/none"), folders_.ConfigHome + QStringLiteral("/none")};
    EXPECT_EQ(UnregisterFileType(empty), RegistrationResult::Done);
    EXPECT_FALSE(QFileInfo::exists(empty.DataHome));
}

TEST_F(RegistrationFiles, FoldersThatCannotBeWrittenFail) {
    QDir().mkpath(folders_.DataHome);
    QFile blocker(folders_.DataHome + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString readOnly = folders_.DataHome + QStringLiteral("/read-only");
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    const struct {
        const char* Name;
        RegistrationFolders Folders;
        bool NeedsNonRoot;
    } rows[] = {
        {"data folder below a file", {blocker.fileName(), folders_.ConfigHome}, false},
        {"data folder in a read-only file system", {QStringLiteral("/proc/vexmo"), folders_.ConfigHome}, false},
        {"configuration folder below a file", {folders_.DataHome + QStringLiteral("/ok"), blocker.fileName()}, false},
        {"read-only data folder", {readOnly, folders_.ConfigHome}, true},
    };
    std::string skipped;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        if (row.NeedsNonRoot && geteuid() == 0) {  // permissions do not stop root
            skipped += std::string(" ") + row.Name;
            continue;
        }
        EXPECT_EQ(RegisterFileType(row.Folders, program_), RegistrationResult::Failed);
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!skipped.empty()) GTEST_SKIP() << "permissions do not stop root:" << skipped;
}

TEST(Registration, ExecLineQuotesTheProgram) {
    const struct {
        const char* Name;
        QString Path;
        QString Exec;
    } rows[] = {
        {"plain path", QStringLiteral("/usr/bin/vexmo"), QStringLiteral("/usr/bin/vexmo %f")},
        {"blank", QStringLiteral("/opt/my apps/vexmo"), QStringLiteral("\"/opt/my apps/vexmo\" %f")},
        {"quote and dollar", QStringLiteral("/opt/a\"$b/vexmo"), QStringLiteral("\"/opt/a\\\\\"\\\\$b/vexmo\" %f")},
        {"backslash", QStringLiteral("/opt/a\\b/vexmo"), QStringLiteral("\"/opt/a\\\\\\\\b/vexmo\" %f")},
        {"percent", QStringLiteral("/opt/100%/vexmo"), QStringLiteral("/opt/100%%/vexmo %f")},
        // A line break would start a new key in the entry.
        {"line break", QStringLiteral("/opt/x\nExec=evil/vexmo"), QString()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(DesktopExecLine(row.Path), row.Exec);
    }
    QTemporaryDir home;
    const RegistrationFolders folders{home.filePath(QStringLiteral("d")), home.filePath(QStringLiteral("c"))};
    EXPECT_EQ(RegisterFileType(folders, QStringLiteral("/opt/x\nExec=evil/vexmo")), RegistrationResult::Failed);
    EXPECT_FALSE(QFile::exists(DesktopEntryPath(folders)));
}

TEST(Registration, MimeAppsListEdits) {
    const QString type = QStringLiteral("application/x-vexmo");
    const QString ours = QStringLiteral("vexmo.desktop");
    const struct {
        const char* Name;
        QString Before;
        QString Registered;
    } rows[] = {
        {"no file", QString(), QStringLiteral("[Default Applications]\napplication/x-vexmo=vexmo.desktop;\n")},
        {"other group only", QStringLiteral("[Added Associations]\ntext/plain=a.desktop;\n"),
         QStringLiteral("[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
                        "application/x-vexmo=vexmo.desktop;\n")},
        {"group followed by another",
         QStringLiteral("[Default Applications]\ntext/plain=a.desktop;\n\n[Added Associations]\nx/y=b.desktop;\n"),
         QStringLiteral("[Default Applications]\ntext/plain=a.desktop;\napplication/x-vexmo=vexmo.desktop;\n\n"
                        "[Added Associations]\nx/y=b.desktop;\n")},
        {"type already has another default",
         QStringLiteral("[Default Applications]\napplication/x-vexmo=other.desktop;\n"),
         QStringLiteral("[Default Applications]\napplication/x-vexmo=vexmo.desktop;other.desktop;\n")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString registered = MimeAppsWithDefault(row.Before, type, ours);
        EXPECT_EQ(registered, row.Registered);
        EXPECT_EQ(MimeAppsWithDefault(registered, type, ours), registered);
        // Taking ours out again gives back what was there.
        EXPECT_EQ(MimeAppsWithoutDefault(registered, type, ours), row.Before);
    }
}

TEST_F(RegistrationFiles, XdgMimeNamesOurEntryAsDefault) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) GTEST_SKIP() << "xdg-mime is not installed";
    auto query = [&] {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), folders_.DataHome);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folders_.ConfigHome);
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        env.remove(QStringLiteral("DESKTOP_SESSION"));
        process.setProcessEnvironment(env);
        process.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/x-vexmo")});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    ASSERT_EQ(RegisterFileType(folders_, program_), RegistrationResult::Done);
    EXPECT_EQ(query(), QStringLiteral("vexmo.desktop"));
    ASSERT_EQ(UnregisterFileType(folders_), RegistrationResult::Done);
    EXPECT_NE(query(), QStringLiteral("vexmo.desktop"));
}

namespace {

// Answers every message box the command shows with `button`, remembering the texts.
QStringList AnswerBoxes(const std::function<void()>& command, QMessageBox::StandardButton button) {
    QStringList texts;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            QAbstractButton* answer = box->button(button);
            (answer ? answer : box->button(QMessageBox::Ok))->click();
        }
    });
    timer.start(10);
    command();
    return texts;
}

}  // namespace

TEST(Registration, MessagesSpeakOfTheLinuxDesktop) {
    for (int language : {1, 2}) {
        for (int m = 0; m <= static_cast<int>(RegistrationMessage::UnregisterFailed); ++m) {
            const QString text = RegistrationText(static_cast<RegistrationMessage>(m), language);
            SCOPED_TRACE(text.toStdString());
            EXPECT_TRUE(text.contains(QStringLiteral("(*.vxm)")));
            for (const char* foreign : {"Windows", "registry", "Registry", "レジストリ", "reboot", "再起動", "xplorer", "エクスプローラ"})
                EXPECT_FALSE(text.contains(QString::fromUtf8(foreign))) << foreign;
        }
    }
}

TEST(RegistrationCommands, AskThenActAndReport) {
    const RegistrationFolders user = UserRegistrationFolders();
    const QString entry = DesktopEntryPath(user);

    RegistrationOutcome outcome{};
    QStringList texts = AnswerBoxes([&] { outcome = ExecuteRegisterCommand(nullptr, 1); }, QMessageBox::Cancel);
    EXPECT_EQ(outcome, RegistrationOutcome::Cancelled);
    EXPECT_EQ(texts, QStringList{RegistrationText(RegistrationMessage::RegisterQuestion, 1)});
    EXPECT_FALSE(QFile::exists(entry));

    texts = AnswerBoxes([&] { outcome = ExecuteRegisterCommand(nullptr, 2); }, QMessageBox::Ok);
    EXPECT_EQ(outcome, RegistrationOutcome::Done);
    EXPECT_EQ(texts, (QStringList{RegistrationText(RegistrationMessage::RegisterQuestion, 2),
                                  RegistrationText(RegistrationMessage::RegisterDone, 2)}));
    EXPECT_TRUE(QString::fromUtf8(ReadAll(entry)).contains(QApplication::applicationFilePath()));

    texts = AnswerBoxes([&] { outcome = ExecuteUnregisterCommand(nullptr, 1); }, QMessageBox::Ok);
    EXPECT_EQ(outcome, RegistrationOutcome::Done);
    EXPECT_EQ(texts.value(1), RegistrationText(RegistrationMessage::UnregisterDone, 1));
    EXPECT_FALSE(QFile::exists(entry));
}
