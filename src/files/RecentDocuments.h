#pragma once
// The list of recent documents: the files last opened or saved, newest first, as File ▸
// Recent documents shows them.

#include <QString>
#include <QStringList>

namespace vexmo {

inline constexpr int RecentDocumentCount = 8;

// `files` with `path` in front, listed once, at most RecentDocumentCount long.
QStringList WithRecentFile(QStringList files, const QString& path);
// The menu caption of entry `index` (from 0): its number as the access key, then the path.
QString RecentEntryCaption(int index, const QString& path);
// The message for an entry whose file is gone (1 English, any other value Japanese).
QString RecentFileGoneText(const QString& path, int language);
// The caption of the entry an empty list shows.
QString NoRecentDocumentsText(int language);

} // namespace vexmo
