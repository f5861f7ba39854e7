#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A folder the user reaches often, listed beside the folder tree.
struct FolderPlace {
    enum class Kind { Home, UserFolder, Bookmark, Drive, FileSystem };
    Kind kind;
    QString label;
    QString path;
};

// The user's places in the order a file manager shows them: home, the Music
// folder, the other XDG user folders, the GTK bookmarks, the mounted drives
// and last the file system. Only folders that exist, each once.
QList<FolderPlace> userFolderPlaces();

// Whether a mounted volume is a drive the user put there (a USB stick, a
// second disk) rather than a system or package mount.
bool isUserVolume(const QString& rootPath, const QByteArray& fileSystemType);
