#include "filelist/folderentries.h"

#include "filelist/filekinds.h"
#include "platform/regularfile.h"

#include <QDirIterator>
#include <QFileInfo>

QStringList folderEntries(const QString& folder, bool recursive) {
    QStringList entries;
    if (folder.isEmpty())
        return entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        // QDir::Files still lists a link to a pipe or a device.
        if ((isAudioFile(path) || isFolderVideoFile(path)) && RegularFile::problem(path).isEmpty())
            entries << path;
    }
    return entries;
}

QStringList expandDroppedPaths(const QStringList& paths, bool recursive) {
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            files << folderEntries(path, recursive);
        else
            files << path;
    }
    return files;
}
