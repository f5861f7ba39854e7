#include "filelist/folderentries.h"

#include "filelist/filekinds.h"

#include <QDirIterator>
#include <QFileInfo>

QStringList FolderEntries(const QString& folder, bool recursive) {
    QStringList entries;
    if (folder.isEmpty())
        return entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsAudioFile(path) || IsFolderVideoFile(path))
            entries << path;
    }
    return entries;
}

QStringList ExpandDroppedPaths(const QStringList& paths, bool recursive) {
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            files << FolderEntries(path, recursive);
        else
            files << path;
    }
    return files;
}
