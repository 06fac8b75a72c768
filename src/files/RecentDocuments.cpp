#include "files/RecentDocuments.h"

#include <QDir>

namespace vexmo {

QStringList WithRecentFile(QStringList files, const QString& path) {
    if (path.isEmpty()) return files;
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > RecentDocumentCount)
        files.removeLast();
    return files;
}

QString RecentEntryCaption(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // Entries past the ninth get no access key.
    if (index < 9) return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
    return shown;
}

QString RecentFileGoneText(const QString& path, int language) {
    const QString shown = QDir::toNativeSeparators(path);
    if (language == 1)
        return QStringLiteral("\"%1\" no longer exists. It was removed from the recent "
                              "documents.")
            .arg(shown);
    return QStringLiteral("「%1」が見つかりません。最近使ったファイルの一覧から削除しました。")
        .arg(shown);
}

QString NoRecentDocumentsText(int language) {
    return language == 1 ? QStringLiteral("(none)") : QStringLiteral("(なし)");
}

} // namespace vexmo
